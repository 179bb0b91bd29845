// Editing in the grid: which cell may be edited, the cell editors (text with mask, pick
// list, lookup list), putting the dataset into edit state on the first change, writing the
// editor's text through the column's update handler into the field, Esc, and following
// the current cell into the dataset's current record.
#include "platform/ui/qx_db_grid_eh.h"

#include "platform/db/value_convert.h"
#include "platform/ui/grid_headers.h"
#include "platform/ui/grid_model.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

namespace qel::ui {

namespace {

const char* const kModified = "qelModified";
const char* const kDone = "qelDone";
const char* const kKind = "qelKind";

enum EditorKind { TextEditor = 0, PickEditor = 1, LookupEditor = 2 };

// Scoped flag.
struct Flag {
    bool& f;
    bool old;
    explicit Flag(bool& flag) : f(flag), old(flag) { f = true; }
    ~Flag() { f = old; }
};

bool isEditing(const db::DataSet* ds)
{
    return ds && (ds->state() == db::DataSetState::Edit || ds->state() == db::DataSetState::Insert);
}

} // namespace

bool TQXDBGridEh::editorMode() const { return editor_ != nullptr; }

QWidget* TQXDBGridEh::cellEditor() const { return editor_; }

void TQXDBGridEh::updateEditTriggers()
{
    EditTriggers t = NoEditTriggers;
    if (options_ & dgEditing) {
        t = DoubleClicked | AnyKeyPressed | EditKeyPressed;
        if (options_ & dgAlwaysShowEditor)
            t |= CurrentChanged;
    }
    setEditTriggers(t);
    setTabKeyNavigation(options_ & dgTabs);
}

bool TQXDBGridEh::ensureEditing()
{
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active())
        return false;
    if (isEditing(ds))
        return true;
    // A before-edit rule may refuse silently; the cell then stays as it was.
    guarded([&] { ds->edit(); });
    return isEditing(ds);
}

bool TQXDBGridEh::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!index.isValid() || !canEditCell(index.row(), index.column()))
        return false;
    if (editor_ && editorRow_ == index.row() && editorCol_ == index.column())
        return QTableView::edit(index, trigger, event);
    if (trigger == AnyKeyPressed && !ensureEditing())
        return false;
    return QTableView::edit(index, trigger, event);
}

QWidget* TQXDBGridEh::createCellEditor(QWidget* parent, int row, int column)
{
    GridColumn& c = *columns_[size_t(column)];
    db::Field* f = c.field();
    QWidget* editor = nullptr;
    auto markAndCommit = [this](QWidget* w) {
        w->setProperty(kModified, true);
        if (!ensureEditing()) {
            QTimer::singleShot(0, this, [this, w = QPointer<QWidget>(w)] {
                if (w && w == editor_)
                    hideEditor(false);
            });
            return;
        }
        // A pick from a list is written at once.
        QTimer::singleShot(0, this, [this, w = QPointer<QWidget>(w)] {
            if (w && w == editor_)
                hideEditor(true);
        });
    };
    if (!c.pickList().isEmpty() || (f && f->isLookup())) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        if (!c.pickList().isEmpty()) {
            combo->setProperty(kKind, PickEditor);
            combo->addItems(c.pickList());
        } else {
            combo->setProperty(kKind, LookupEditor);
            // The list of the lookup dataset in its current order and filter; the key rides along.
            db::DataSet* src = f->lookupDataSet();
            db::Field* keyField = src ? src->findField(f->lookupKeyFields()) : nullptr;
            db::Field* resultField = src ? src->findField(f->lookupResultField()) : nullptr;
            if (src && src->active() && keyField && resultField)
                for (int r = 0, n = src->recordCount(); r < n; ++r)
                    combo->addItem(src->rowText(r, *resultField), src->rowValue(r, *keyField));
        }
        if (c.dropDownWidth() > 0)
            combo->view()->setMinimumWidth(c.dropDownWidth());
        connect(combo, &QComboBox::activated, this, [combo, markAndCommit](int) { markAndCommit(combo); });
        editor = combo;
    } else {
        auto* line = new QLineEdit(parent);
        line->setProperty(kKind, TextEditor);
        line->setFrame(false);
        const QString mask = !c.editMask().isEmpty() ? c.editMask() : (f ? f->editMask() : QString());
        if (!mask.isEmpty())
            line->setInputMask(mask);
        if (f && db::convert::isTextType(f->dataType()) && f->size() > 0)
            line->setMaxLength(f->size());
        line->setAlignment(c.alignment() | Qt::AlignVCenter);
        connect(line, &QLineEdit::textEdited, this, [this, line] {
            line->setProperty(kModified, true);
            if (!ensureEditing())
                QTimer::singleShot(0, this, [this, w = QPointer<QWidget>(line)] {
                    if (w && w == editor_)
                        hideEditor(false);
                });
        });
        editor = line;
    }
    editor->setFont(c.font().font);
    QPalette pal = editor->palette();
    pal.setColor(QPalette::Text, c.font().color);
    editor->setPalette(pal);
    editor->setProperty(kModified, false);
    editor_ = editor;
    editorRow_ = row;
    editorCol_ = column;
    return editor;
}

void TQXDBGridEh::loadCellEditor(QWidget* editor, int row, int column)
{
    const QString text = cellEditText(row, column);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(text);
        line->selectAll();
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        int i = -1;
        if (combo->property(kKind).toInt() == LookupEditor) {
            db::DataSet* ds = dataSet();
            db::Field* f = columns_[size_t(column)]->field();
            db::Field* key = ds && f ? ds->findField(f->keyFields()) : nullptr;
            const QVariant keyValue = key ? ds->rowValue(row, *key) : QVariant();
            for (int k = 0; k < combo->count() && i < 0; ++k)
                if (!keyValue.isNull() && db::convert::sameValue(combo->itemData(k), keyValue))
                    i = k;
        } else {
            i = combo->findText(text);
        }
        combo->setCurrentIndex(i);
    }
}

void TQXDBGridEh::commitCellEditor(QWidget* editor, int row, int column)
{
    // Once per editor, and only after the user changed something.
    if (editor->property(kDone).toBool() || !editor->property(kModified).toBool())
        return;
    editor->setProperty(kDone, true);
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active() || ds->currentRow() != row)
        return;
    QString text;
    QVariant value;
    bool useText = true;
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        text = line->text();
        // A mask left blank is an empty text, not its separators.
        if (!line->inputMask().isEmpty()) {
            bool blank = true;
            for (QChar ch : text)
                blank = blank && !ch.isLetterOrNumber();
            if (blank)
                text.clear();
        }
        value = text;
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int i = combo->currentIndex();
        if (i < 0)
            return;
        text = combo->currentText();
        const GridColumn& c = *columns_[size_t(column)];
        if (combo->property(kKind).toInt() == LookupEditor) {
            value = combo->itemData(i);
            useText = false;
        } else if (!c.keyList().isEmpty() && i < c.keyList().size()) {
            value = c.keyList().at(i);
            useText = false;
        } else {
            value = text;
        }
    }
    const int saved = overrideCol_;
    overrideCol_ = column;
    writeCell(column, text, value, useText);
    overrideCol_ = saved;
}

bool TQXDBGridEh::writeCell(int column, QString text, QVariant value, bool useText)
{
    if (column < 0 || column >= columnCount())
        return false;
    GridColumn& c = *columns_[size_t(column)];
    db::DataSet* ds = dataSet();
    if (!ds || !c.field() || !ensureEditing())
        return false;
    Flag committing(committing_);
    bool handled = false;
    if (c.onUpdateData && !guarded([&] { c.onUpdateData(c, text, value, useText, handled); }))
        return false;
    if (handled)
        return false;
    return guarded([&] {
        db::Field* f = c.field();
        if (!f || !isEditing(ds))
            return;
        if (f->isLookup() && !useText)
            ds->fieldByName(f->keyFields()).setValue(value);
        else if (useText)
            f->setAsString(text);
        else
            f->setValue(value);
    });
}

bool TQXDBGridEh::setCellText(int column, const QString& text)
{
    return writeCell(column, text, text, true);
}

bool TQXDBGridEh::showEditor()
{
    const QModelIndex idx = currentIndex();
    if (!idx.isValid() || !canEditCell(idx.row(), idx.column()))
        return false;
    if (editor_)
        return true;
    return edit(idx, AllEditTriggers, nullptr) && editor_;
}

void TQXDBGridEh::hideEditor(bool commit)
{
    QWidget* ed = editor_;
    if (!ed)
        return;
    if (commit)
        QTableView::commitData(ed);
    closeEditor(ed, commit ? QAbstractItemDelegate::SubmitModelCache : QAbstractItemDelegate::RevertModelCache);
}

void TQXDBGridEh::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const bool wasCurrent = editor == editor_;
    if (wasCurrent) {
        editor_ = nullptr;
        editorRow_ = editorCol_ = -1;
    }
    QTableView::closeEditor(editor, hint);
    if (wasCurrent)
        reopenEditorLater();
    viewport()->update();
}

void TQXDBGridEh::reopenEditorLater()
{
    if (!(options_ & dgEditing) || !(options_ & dgAlwaysShowEditor))
        return;
    QTimer::singleShot(0, this, [this] {
        if ((options_ & dgEditing) && (options_ & dgAlwaysShowEditor) && !editor_ && hasFocus())
            showEditor();
    });
}

void TQXDBGridEh::cancelRowEdit()
{
    hideEditor(false);
    db::DataSet* ds = dataSet();
    if (isEditing(ds))
        guarded([&] { ds->cancel(); });
    viewport()->update();
}

void TQXDBGridEh::moveDataSetTo(int row)
{
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active() || ds->currentRow() == row)
        return;
    // Leaving the row posts it (or cancels an unchanged new row); a refusal keeps the row.
    guarded([&] { ds->setRecNo(row + 1); });
    if (ds->currentRow() != row)
        syncCurrentFromDataSet();
}

void TQXDBGridEh::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    const bool colChanged = previous.isValid() && current.isValid() && previous.column() != current.column();
    if (!syncing_ && editor_ && previous.isValid()) {
        // The editor of the cell being left writes while that cell is still the current one.
        const int saved = overrideCol_;
        overrideCol_ = previous.column();
        QTableView::commitData(editor_);
        overrideCol_ = saved;
    }
    if (colChanged && !syncing_) {
        const int saved = overrideCol_;
        overrideCol_ = previous.column();
        fireColExit();
        overrideCol_ = saved;
    }
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        lastCol_ = current.column();
    if (!syncing_ && current.isValid() && (!previous.isValid() || current.row() != previous.row()))
        moveDataSetTo(current.row());
    if (colChanged && !syncing_)
        fireColEnter();
    indicatorHeader_->viewport()->update();
}

void TQXDBGridEh::moveToNextCell(bool backwards)
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid())
        return;
    int row = cur.row(), col = cur.column();
    const int rows = model_->rowCount();
    for (int step = 0; step < columnCount() * 2 + 2; ++step) {
        col += backwards ? -1 : 1;
        if (col >= columnCount()) {
            if (row + 1 >= rows)
                return;
            ++row;
            col = 0;
        } else if (col < 0) {
            if (row == 0)
                return;
            --row;
            col = columnCount() - 1;
        }
        if (!isColumnHidden(col))
            break;
    }
    setCurrentIndex(model_->index(row, col));
}

bool TQXDBGridEh::editorKeyPress(QWidget* editor, QKeyEvent* event)
{
    if (forwardingKey_)
        return false;
    int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (onKeyDown) {
        guarded([&] { onKeyDown(*this, key, mods); });
        if (key == 0)
            return true;
    }
    auto* combo = qobject_cast<QComboBox*>(editor);
    switch (key) {
    case Qt::Key_Escape:
        cancelRowEdit();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        hideEditor(true);
        if (options_ & dgEnterAsTab)
            moveToNextCell(false);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!(options_ & dgTabs))
            return false;
        hideEditor(true);
        moveToNextCell(key == Qt::Key_Backtab || (mods & Qt::ShiftModifier));
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (combo)
            return false;   // the list moves inside its own box
        {
            // Rows move from the editor as from the grid.
            QKeyEvent copy(QEvent::KeyPress, key, mods);
            hideEditor(true);
            setFocus();
            processGridKey(&copy);
        }
        return true;
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(mods & (Qt::ControlModifier | Qt::AltModifier)) && onKeyPress) {
        const QChar typed = text.at(0);
        QChar ch = typed;
        guarded([&] { onKeyPress(*this, ch); });
        if (ch.isNull())
            return true;
        if (ch != typed) {
            QKeyEvent replaced(QEvent::KeyPress, key, mods, QString(ch));
            Flag forwarding(forwardingKey_);
            QCoreApplication::sendEvent(editor, &replaced);
            return true;
        }
    }
    return false;
}

void TQXDBGridEh::pressEditButton(int column, int button)
{
    if (column < 0 || column >= columnCount())
        return;
    if (selectedIndex() != column)
        setSelectedIndex(column);
    GridColumn& c = *columns_[size_t(column)];
    bool handled = false;
    if (c.onEditButtonDown && !guarded([&] { c.onEditButtonDown(c, button, handled); }))
        return;
    if (handled)
        return;
    const EditButton* b = button >= 0 && button < c.editButtons().size() ? &c.editButtons()[button] : nullptr;
    if (b && b->dropDownMenu) {
        const QRect cell = visualRect(currentIndex());
        b->dropDownMenu->popup(viewport()->mapToGlobal(cell.bottomLeft()));
        return;
    }
    if ((!b || b->style == EditButtonStyle::DropDown) && c.hasDropDownList() && showEditor())
        if (auto* combo = qobject_cast<QComboBox*>(editor_.data()))
            combo->showPopup();
}

} // namespace qel::ui

// Editing in the grid, the view's side: when an editor opens and closes, Esc, the keys
// typed into an open editor, and following the current cell into the dataset's current
// record. The delegate makes and commits the editors; the model writes the fields.
#include "platform/ui/qx_db_grid_eh.h"

#include "platform/ui/grid_headers.h"
#include "platform/ui/grid_model.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTimer>

namespace qel::ui {

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

bool TQXDBGridEh::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!index.isValid() || !canEditCell(index.row(), index.column()))
        return false;
    if (editor_ && editorRow_ == index.row() && editorCol_ == index.column())
        return QTableView::edit(index, trigger, event);
    if (trigger == AnyKeyPressed && !model_->ensureEditing())
        return false;
    if (!QTableView::edit(index, trigger, event))
        return false;
    // The delegate made the editor: the grid follows it and sees its keys first.
    QWidget* editor = indexWidget(index);
    if (editor && editor != editor_) {
        editor_ = editor;
        editorRow_ = index.row();
        editorCol_ = index.column();
        editor->installEventFilter(this);
    }
    return true;
}

void TQXDBGridEh::commitData(QWidget* editor)
{
    // The handlers of the write see the editor's column as the current one, also while the
    // current cell is already moving elsewhere.
    QScopedValueRollback column(overrideCol_, editor == editor_ && editorCol_ >= 0 ? editorCol_ : overrideCol_);
    QTableView::commitData(editor);
}

bool TQXDBGridEh::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && editor_ && object == editor_.data()
        && editorKeyPress(editor_, static_cast<QKeyEvent*>(event)))
        return true;
    return QTableView::eventFilter(object, event);
}

bool TQXDBGridEh::setCellText(int column, const QString& text)
{
    return model_->writeCell(column, text, text, true);
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
        commitData(ed);
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
    if (ds && ds->editing())
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
        QScopedValueRollback column(overrideCol_, previous.column());
        QTableView::commitData(editor_);
    }
    if (colChanged && !syncing_) {
        QScopedValueRollback column(overrideCol_, previous.column());
        fireColExit();
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
            QScopedValueRollback forwarding(forwardingKey_, true);
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

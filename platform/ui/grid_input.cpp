// Keyboard and mouse of the grid: the key handlers, the grid's own keys (find, delete,
// clipboard, insert and append, Esc), Ctrl/Shift row selection, double clicks and edit
// buttons, and the find dialog.
#include "platform/ui/qx_db_grid_eh.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/grid_find_dialog.h"
#include "platform/ui/grid_model.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>

namespace qel::ui {

void TQXDBGridEh::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (onKeyDown) {
        guarded([&] { onKeyDown(*this, key, mods); });
        if (key == 0) {
            event->accept();
            return;
        }
        if (key != event->key()) {
            QKeyEvent replaced(event->type(), key, mods, event->text());
            processGridKey(&replaced);
            return;
        }
    }
    processGridKey(event);
}

void TQXDBGridEh::processGridKey(QKeyEvent* event)
{
    if (handleGridKey(event)) {
        event->accept();
        return;
    }
    const QString text = event->text();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (!text.isEmpty() && text.at(0).isPrint() && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        const QChar typed = text.at(0);
        QChar ch = typed;
        if (onKeyPress)
            guarded([&] { onKeyPress(*this, ch); });
        if (ch.isNull()) {
            event->accept();
            return;
        }
        // The key may open an editor and be passed on to it: the handlers have seen it.
        const bool saved = forwardingKey_;
        forwardingKey_ = true;
        if (ch != typed) {
            QKeyEvent replaced(event->type(), event->key(), mods, QString(ch));
            QTableView::keyPressEvent(&replaced);
        } else {
            QTableView::keyPressEvent(event);
        }
        forwardingKey_ = saved;
        return;
    }
    QTableView::keyPressEvent(event);
}

bool TQXDBGridEh::handleGridKey(QKeyEvent* event)
{
    db::DataSet* ds = dataSet();
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool active = ds && ds->active();

    if (ctrl && key == Qt::Key_F && (options_ & dgFindDialog)) {
        showFindDialog();
        return true;
    }
    if (ctrl && key == Qt::Key_Delete) {
        if (active && ((editActions_ & GridEditAction::Delete) || (allowed_ & GridOperation::Delete)))
            deleteRows();
        return true;
    }
    if (ctrl && key == Qt::Key_C && (editActions_ & GridEditAction::Copy)) {
        copyRows(false);
        return true;
    }
    if (ctrl && key == Qt::Key_X && (editActions_ & GridEditAction::Cut)) {
        copyRows(true);
        return true;
    }
    if (ctrl && key == Qt::Key_V && (editActions_ & GridEditAction::Paste)) {
        pasteText();
        return true;
    }
    if (ctrl && key == Qt::Key_A && (editActions_ & GridEditAction::SelectAll)) {
        if (options_ & dgMultiSelect)
            guarded([&] { selection_.selectAll(); });
        return true;
    }
    switch (key) {
    case Qt::Key_Escape:
        if (ds && ds->editing()) {
            cancelRowEdit();
            return true;
        }
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (options_ & dgEnterAsTab)
            moveToNextCell(shift);
        else
            showEditor();
        return true;
    case Qt::Key_F2:
        showEditor();
        return true;
    case Qt::Key_Insert:
        if (active && (options_ & dgEditing) && (allowed_ & GridOperation::Insert) && !ctrl && !shift)
            guarded([&] { ds->insert(); });
        return true;
    case Qt::Key_Down:
        if (!active)
            return false;
        if (mods & Qt::AltModifier) {
            pressEditButton(selectedIndex(), 0);
            return true;
        }
        if (ds->currentRow() == ds->recordCount() - 1 && !shift) {
            // Down on the last row appends, unless that row is itself a new, unchanged one.
            if ((options_ & dgEditing) && (allowed_ & GridOperation::Append)
                && !(ds->state() == db::DataSetState::Insert && !ds->modified()))
                guarded([&] { ds->append(); });
            return true;
        }
        if (shift && (options_ & dgMultiSelect)) {
            selectRange(ds->currentRow(), ds->currentRow() + 1);
            return true;
        }
        return false;
    case Qt::Key_Up:
        if (shift && active && (options_ & dgMultiSelect) && ds->currentRow() > 0) {
            selectRange(ds->currentRow(), ds->currentRow() - 1);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TQXDBGridEh::keyboardSearch(const QString&)
{
    // Typed letters edit cells; they never jump between rows.
}

// ---- mouse -----------------------------------------------------------------------------------

void TQXDBGridEh::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const QModelIndex idx = indexAt(pos);
    if (event->button() == Qt::LeftButton && idx.isValid()) {
        const int button = editButtonAt(pos);
        if (button >= 0 && idx == currentIndex()) {
            setFocus(Qt::MouseFocusReason);
            pressEditButton(idx.column(), button);
            event->accept();
            return;
        }
        const Qt::KeyboardModifiers mods = event->modifiers();
        if ((options_ & dgMultiSelect) && (mods & (Qt::ControlModifier | Qt::ShiftModifier))) {
            setFocus(Qt::MouseFocusReason);
            rowClicked(idx.row(), mods);
            if (currentIndex().isValid() && currentIndex().column() != idx.column())
                setCurrentIndex(model_->index(currentIndex().row(), idx.column()));
            event->accept();
            return;
        }
        if (options_ & dgMultiSelect) {
            selection_.clear();
            anchorRow_ = idx.row();
        }
    }
    QTableView::mousePressEvent(event);
}

void TQXDBGridEh::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex idx = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && idx.isValid() && onDblClick) {
        guarded([&] { onDblClick(*this); });
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void TQXDBGridEh::rowClicked(int row, Qt::KeyboardModifiers mods)
{
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active() || row < 0 || row >= ds->recordCount())
        return;
    const bool multi = options_ & dgMultiSelect;
    if (multi && (mods & Qt::ShiftModifier)) {
        selectRange(anchorRow_ >= 0 ? anchorRow_ : ds->currentRow(), row);
        return;
    }
    if (multi && !(mods & Qt::ControlModifier))
        selection_.clear();
    moveDataSetTo(row);
    if (ds->currentRow() != row)
        return;
    anchorRow_ = row;
    if (multi && (mods & Qt::ControlModifier))
        selection_.toggle(ds->bookmark(), row);
    syncCurrentFromDataSet();
}

void TQXDBGridEh::selectRange(int from, int to)
{
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active())
        return;
    const int count = ds->recordCount();
    from = std::clamp(from, 0, count - 1);
    to = std::clamp(to, 0, count - 1);
    guarded([&] {
        ds->checkBrowseMode();
        const int step = to >= from ? 1 : -1;
        for (int r = from;; r += step) {
            selection_.add(ds->bookmarkAt(r), r);
            if (r == to)
                break;
        }
        ds->setRecNo(to + 1);
    });
    if (anchorRow_ < 0)
        anchorRow_ = from;
    syncCurrentFromDataSet();
}

void TQXDBGridEh::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
    reopenEditorLater();
}

void TQXDBGridEh::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
    QWidget* now = QApplication::focusWidget();
    const bool within = now && (now == this || isAncestorOf(now));
    const bool popup = event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason;
    db::DataSet* ds = dataSet();
    // A new row the user never typed into is dropped when the grid is left.
    if (!within && !popup && (options_ & dgCancelOnExit) && ds && ds->state() == db::DataSetState::Insert
        && !ds->modified() && !editorMode())
        guarded([&] { ds->cancel(); });
}

// ---- the grid's own record operations ----------------------------------------------------------

void TQXDBGridEh::deleteRows()
{
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active() || ds->isEmpty())
        return;
    const bool several = !selection_.isEmpty();
    if (options_ & dgConfirmDelete) {
        const QString question = several ? QStringLiteral("Удалить выбранные записи (%1)?").arg(selection_.count())
                                         : QStringLiteral("Удалить запись?");
        if (messageBox(question, applicationTitle(), MsgIcon::Question, MsgButtons::YesNo, this) != MsgResult::Yes)
            return;
    }
    hideEditor(false);
    if (!several) {
        guarded([&] { ds->deleteRecord(); });
        return;
    }
    const QList<db::Bookmark> rows = selection_.bookmarks();
    selection_.clear();
    guarded([&] {
        ds->disableControls();
        try {
            for (const db::Bookmark& bm : rows) {
                if (!ds->bookmarkValid(bm))
                    continue;
                ds->gotoBookmark(bm);
                ds->deleteRecord();
            }
        } catch (...) {
            ds->enableControls();
            throw;
        }
        ds->enableControls();
    });
}

void TQXDBGridEh::copyRows(bool cut)
{
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active() || ds->isEmpty())
        return;
    // Plain text: one line per row, visible columns separated by tabs.
    QStringList lines;
    auto lineOf = [&](int row) {
        QStringList cells;
        for (int c = 0; c < columnCount(); ++c)
            if (columns_[size_t(c)]->visible())
                cells << cellText(row, c);
        return cells.join(QLatin1Char('\t'));
    };
    if (selection_.isEmpty()) {
        const QModelIndex cur = currentIndex();
        if (cur.isValid())
            lines << cellText(cur.row(), cur.column());
    } else {
        guarded([&] {
            ds->checkBrowseMode();
            const db::Bookmark back = ds->bookmark();
            ds->disableControls();
            try {
                for (const db::Bookmark& bm : selection_.bookmarks())
                    if (ds->bookmarkValid(bm)) {
                        ds->gotoBookmark(bm);
                        lines << lineOf(ds->currentRow());
                    }
                if (ds->bookmarkValid(back))
                    ds->gotoBookmark(back);
            } catch (...) {
                ds->enableControls();
                throw;
            }
            ds->enableControls();
        });
    }
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
    if (cut)
        deleteRows();
}

void TQXDBGridEh::pasteText()
{
    QString text = QApplication::clipboard()->text();
    const int tab = int(text.indexOf(QLatin1Char('\t'))), nl = int(text.indexOf(QLatin1Char('\n')));
    int end = int(text.size());
    if (tab >= 0)
        end = std::min(end, tab);
    if (nl >= 0)
        end = std::min(end, nl);
    text = text.left(end).trimmed();
    const int column = selectedIndex();
    const QModelIndex cur = currentIndex();
    if (cur.isValid() && canEditCell(cur.row(), column))
        setCellText(column, text);
}

// ---- find ------------------------------------------------------------------------------------

bool TQXDBGridEh::findNext(const GridFindRequest& request)
{
    lastFind_ = request;
    db::DataSet* ds = dataSet();
    if (!ds || !ds->active() || request.text.isEmpty())
        return false;
    const int rows = ds->recordCount();
    if (rows == 0)
        return false;
    QList<int> cols;
    if (request.column >= 0 && request.column < columnCount())
        cols << request.column;
    else
        for (int c = 0; c < columnCount(); ++c)
            if (columns_[size_t(c)]->visible())
                cols << c;
    const Qt::CaseSensitivity cs = request.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    auto matches = [&](const QString& cell) {
        if (request.wholeCell)
            return cell.trimmed().compare(request.text.trimmed(), cs) == 0;
        if (request.fromStart)
            return cell.startsWith(request.text, cs);
        return cell.contains(request.text, cs);
    };
    const int start = std::max(ds->currentRow(), 0);
    // From the row after the current one, wrapping round; the current row comes last.
    for (int k = 1; k <= rows; ++k) {
        const int r = ((request.backwards ? start - k : start + k) % rows + rows) % rows;
        for (int c : cols) {
            if (!matches(cellText(r, c)))
                continue;
            moveDataSetTo(r);
            if (ds->currentRow() != r)
                return false;
            setSelectedIndex(c);
            return true;
        }
    }
    return false;
}

void TQXDBGridEh::showFindDialog()
{
    hideEditor(true);
    GridFindDialog dialog(*this, lastFind_);
    dialog.exec();
    lastFind_ = dialog.request();
    setFocus();
}

} // namespace qel::ui

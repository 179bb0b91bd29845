#include "platform/ui/grid_cell_delegate.h"

#include "platform/ui/qx_db_grid_eh.h"

#include <QKeyEvent>

namespace qel::ui {

GridCellDelegate::GridCellDelegate(TQXDBGridEh& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    grid_.paintCell(painter, option.rect, index.row(), index.column());
}

QWidget* GridCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    return grid_.createCellEditor(parent, index.row(), index.column());
}

void GridCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    grid_.loadCellEditor(editor, index.row(), index.column());
}

void GridCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    grid_.commitCellEditor(editor, index.row(), index.column());
}

void GridCellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const
{
    editor->setGeometry(option.rect.adjusted(0, 0, -1, -1));
}

bool GridCellDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        if (grid_.editorKeyPress(editor, static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace qel::ui

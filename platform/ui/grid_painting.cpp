// The grid's side of drawing: the texts of cells (the model's), the values of the row
// being drawn for the drawing handlers, the default cell drawing, and where the current
// cell's edit buttons sit. The delegate paints each cell.
#include "platform/ui/qx_db_grid_eh.h"

#include "platform/ui/grid_cell_delegate.h"
#include "platform/ui/grid_model.h"

#include <QStyleOptionViewItem>

namespace qel::ui {

namespace {

constexpr int kButtonWidth = 16;

} // namespace

// ---- texts ---------------------------------------------------------------------------------

QString TQXDBGridEh::cellText(int row, int column) const { return model_->cellText(row, column); }

QString TQXDBGridEh::cellEditText(int row, int column) const { return model_->cellEditText(row, column); }

bool TQXDBGridEh::canEditCell(int row, int column) const { return model_->canEditCell(row, column); }

QVariant TQXDBGridEh::drawingValue(const QString& fieldName) const
{
    db::DataSet* ds = dataSet();
    db::Field* f = ds ? ds->findField(fieldName) : nullptr;
    if (!f || !ds->active())
        return {};
    return ds->rowValue(drawingRow() >= 0 ? drawingRow() : ds->currentRow(), *f);
}

QString TQXDBGridEh::drawingText(const QString& fieldName) const
{
    db::DataSet* ds = dataSet();
    db::Field* f = ds ? ds->findField(fieldName) : nullptr;
    if (!f || !ds->active())
        return {};
    return ds->rowText(drawingRow() >= 0 ? drawingRow() : ds->currentRow(), *f);
}

// ---- painting --------------------------------------------------------------------------------

void TQXDBGridEh::paintCell(QPainter* painter, const QRect& rect, int row, int column)
{
    QStyleOptionViewItem option;
    option.rect = rect;
    delegate_->paint(painter, option, model_->index(row, column));
}

void TQXDBGridEh::defaultDrawColumnCell(const QRect& rect, int dataCol, GridColumn& column, GridDrawState)
{
    if (!canvas_.isActive())
        return;
    canvas_.textRect(rect, drawingRow() >= 0 ? cellText(drawingRow(), dataCol) : QString(), column.alignment());
}

QRect TQXDBGridEh::editButtonRect(int column, int button) const
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid() || cur.column() != column || column < 0 || column >= columnCount())
        return {};
    const GridColumn& c = *columns_[size_t(column)];
    const QRect cell = visualRect(cur);
    // Visible buttons sit side by side from the right edge, in list order.
    QList<int> shown;
    for (int b = 0; b < c.editButtons().size(); ++b)
        if (c.editButtons()[b].visible)
            shown.append(b);
    if (shown.isEmpty() && c.hasDropDownList() && button == 0)
        shown.append(0);
    const int pos = int(shown.indexOf(button));
    if (pos < 0)
        return {};
    const int right = cell.right() - (shown.size() - 1 - pos) * kButtonWidth;
    return QRect(right - kButtonWidth + 1, cell.top() + 1, kButtonWidth - 1, cell.height() - 2);
}

int TQXDBGridEh::editButtonAt(const QPoint& pos) const
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid())
        return -1;
    const GridColumn& c = *columns_[size_t(cur.column())];
    const int n = std::max(int(c.editButtons().size()), 1);
    for (int b = 0; b < n; ++b)
        if (editButtonRect(cur.column(), b).contains(pos)) {
            if (c.editButtons().isEmpty() && !canEditCell(cur.row(), cur.column()))
                return -1;
            return b;
        }
    return -1;
}

} // namespace qel::ui

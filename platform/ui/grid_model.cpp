#include "platform/ui/grid_model.h"

#include "platform/ui/qx_db_grid_eh.h"

namespace qel::ui {

GridModel::GridModel(TQXDBGridEh& grid) : QAbstractTableModel(&grid), grid_(grid) {}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.columnCount(); }

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= grid_.columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return grid_.cellText(index.row(), index.column());
    case Qt::EditRole:
        return grid_.cellEditText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(grid_.column(index.column()).alignment() | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < grid_.columnCount() ? QVariant(grid_.column(section).title()) : QVariant();
    return QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (grid_.canEditCell(index.row(), index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

void GridModel::reset()
{
    beginResetModel();
    rows_ = grid_.dataRowCount();
    endResetModel();
}

void GridModel::insertRows(int first, int count)
{
    if (count <= 0 || first < 0 || first > rows_) {
        reset();
        return;
    }
    beginInsertRows({}, first, first + count - 1);
    rows_ += count;
    endInsertRows();
}

void GridModel::removeRows(int first, int count)
{
    if (count <= 0 || first < 0 || first + count > rows_) {
        reset();
        return;
    }
    beginRemoveRows({}, first, first + count - 1);
    rows_ -= count;
    endRemoveRows();
}

void GridModel::changeRows(int first, int last)
{
    if (rows_ == 0 || grid_.columnCount() == 0)
        return;
    first = std::max(first, 0);
    last = std::min(last, rows_ - 1);
    if (first > last)
        return;
    emit dataChanged(index(first, 0), index(last, grid_.columnCount() - 1), {Qt::DisplayRole});
}

void GridModel::beginInsertColumn(int i) { beginInsertColumns({}, i, i); }
void GridModel::endInsertColumn() { endInsertColumns(); }
void GridModel::beginRemoveColumn(int i) { beginRemoveColumns({}, i, i); }
void GridModel::endRemoveColumn() { endRemoveColumns(); }

void GridModel::columnChanged(int i)
{
    if (rows_ > 0)
        emit dataChanged(index(0, i), index(rows_ - 1, i), {Qt::DisplayRole});
    emit headerDataChanged(Qt::Horizontal, i, i);
}

} // namespace qel::ui

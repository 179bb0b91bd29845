// The grid's item model: rows of the bound dataset (in its current order and filter) by
// the grid's columns. Values are read on demand through DataSet::rowValue; the model only
// keeps its row count, so following the data source's reports costs nothing per row.
#pragma once

#include <QAbstractTableModel>

namespace qel::ui {

class TQXDBGridEh;

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(TQXDBGridEh& grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // From the data source.
    void reset();
    void insertRows(int first, int count);
    void removeRows(int first, int count);
    void changeRows(int first, int last);
    // From the grid's column list.
    void beginInsertColumn(int index);
    void endInsertColumn();
    void beginRemoveColumn(int index);
    void endRemoveColumn();
    void columnChanged(int index);

private:
    TQXDBGridEh& grid_;
    int rows_ = 0;
};

} // namespace qel::ui

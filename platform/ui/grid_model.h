// The grid's item model: rows of the bound dataset (in its current order and filter) by
// the grid's columns. It answers what a cell shows (data), whether it may be edited
// (flags) and writes into it (setData: the dataset goes into edit state, the column's
// update handler runs, the text or key is assigned to the field). Values are read on
// demand through DataSet::rowValue; the model only keeps its row count, so following the
// data source's reports costs nothing per row.
#pragma once

#include <QAbstractTableModel>

namespace qel::db {
class DataSet;
class Field;
} // namespace qel::db

namespace qel::ui {

class TQXDBGridEh;
class GridColumn;

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // setData with this role writes a stored value (the key of a pick list with a key list,
    // or of a lookup field) instead of a typed text.
    static constexpr int KeyRole = Qt::UserRole + 1;

    explicit GridModel(TQXDBGridEh& grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // DisplayRole: the cell's text as shown; EditRole: the text an editor starts with.
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes into a cell of the dataset's current row (EditRole: a text, KeyRole: a key).
    // The dataset reports the changed row, which the model passes on as dataChanged.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The same without model indexes (rows as the dataset counts them).
    QString cellText(int row, int column) const;
    QString cellEditText(int row, int column) const;
    bool canEditCell(int row, int column) const;
    // Writes into the current row's cell as an editor commit does; false when nothing was
    // written (no field, a refused edit, the column's handler took it, a bad text).
    bool writeCell(int column, QString text, QVariant value, bool useText);
    // Puts the dataset into edit state; a before-edit rule may refuse silently. True when
    // the dataset is editing afterwards.
    bool ensureEditing() const;
    // A write is running (its handler may post or move the dataset).
    bool writing() const { return writing_ > 0; }

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
    // The field shown by a column of an open dataset, or nullptr.
    db::Field* cellField(int column, db::DataSet** dataSet) const;
    // The text shown for a stored key of the column (pick list item or looked-up text).
    QString keyText(const GridColumn& column, const QVariant& key) const;

    TQXDBGridEh& grid_;
    int rows_ = 0;
    int writing_ = 0;
};

} // namespace qel::ui

#include "platform/ui/grid_model.h"

#include "platform/db/value_convert.h"
#include "platform/ui/error_report.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QScopedValueRollback>

namespace qel::ui {

namespace {

// Dates written the everyday way ("dd.mm.yyyy") mean months by "mm" when no time is shown.
QString qtDateFormat(QString format)
{
    if (!format.contains(QLatin1Char(':')) && !format.contains(QLatin1Char('h'), Qt::CaseInsensitive))
        format.replace(QStringLiteral("mm"), QStringLiteral("MM"));
    return format;
}

QString formatWith(const db::Field& f, const QVariant& v, const QString& format)
{
    if (v.isNull())
        return {};
    if (db::convert::isTemporalType(f.dataType()) || v.typeId() == QMetaType::QDate
        || v.typeId() == QMetaType::QDateTime)
        return db::convert::toDateTime(v).toString(qtDateFormat(format));
    if (db::convert::isNumericType(f.dataType()) && format.startsWith(QLatin1Char('%')))
        return QString::asprintf(format.toLatin1().constData(), db::convert::toFloat(v));
    return f.displayTextFor(v);
}

// A column with a key list shows the pick-list item standing at its key's place, or the
// key itself when the lists do not reach that far.
QString pickListText(const GridColumn& c, const QString& key)
{
    const int i = int(c.keyList().indexOf(key));
    return i >= 0 && i < c.pickList().size() ? c.pickList().at(i) : key;
}

} // namespace

GridModel::GridModel(TQXDBGridEh& grid) : QAbstractTableModel(&grid), grid_(grid) {}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.columnCount(); }

// ---- reading -------------------------------------------------------------------------------

db::Field* GridModel::cellField(int column, db::DataSet** dataSet) const
{
    db::DataSet* ds = grid_.dataSet();
    if (!ds || !ds->active() || column < 0 || column >= grid_.columnCount())
        return nullptr;
    *dataSet = ds;
    return grid_.column(column).field();
}

QString GridModel::cellText(int row, int column) const
{
    db::DataSet* ds = nullptr;
    db::Field* f = cellField(column, &ds);
    if (!f)
        return {};
    const GridColumn& c = grid_.column(column);
    const QVariant v = ds->rowValue(row, *f);
    if (!c.keyList().isEmpty())
        return pickListText(c, db::convert::toText(v));
    if (!c.displayFormat().isEmpty())
        return formatWith(*f, v, c.displayFormat());
    return f->displayTextFor(v);
}

QString GridModel::cellEditText(int row, int column) const
{
    db::DataSet* ds = nullptr;
    db::Field* f = cellField(column, &ds);
    if (!f)
        return {};
    const GridColumn& c = grid_.column(column);
    if (!c.pickList().isEmpty() || f->isLookup())
        return cellText(row, column);
    const QVariant v = ds->rowValue(row, *f);
    if (v.isNull())
        return {};
    if (db::convert::isTemporalType(f->dataType())) {
        const QDateTime dt = db::convert::toDateTime(v);
        if (f->dataType() == db::FieldType::Time)
            return dt.time().toString(QStringLiteral("HH:mm:ss"));
        const QString fmt = !c.displayFormat().isEmpty() ? qtDateFormat(c.displayFormat())
                                                         : QStringLiteral("dd.MM.yyyy");
        QString text = dt.toString(fmt);
        if (f->dataType() == db::FieldType::DateTime && dt.time() != QTime(0, 0) && c.displayFormat().isEmpty())
            text += dt.time().toString(QStringLiteral(" HH:mm:ss"));
        return text;
    }
    return db::convert::toText(v);
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= grid_.columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::EditRole:
        return cellEditText(index.row(), index.column());
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

// ---- editability -----------------------------------------------------------------------------

bool GridModel::canEditCell(int row, int column) const
{
    if (!grid_.hasOption(dgEditing) || !grid_.isEnabled() || column < 0 || column >= grid_.columnCount())
        return false;
    const GridColumn& c = grid_.column(column);
    db::DataSet* ds = grid_.dataSet();
    if (c.readOnly() || !ds || !ds->active() || !ds->canModify() || row < 0 || row >= ds->recordCount())
        return false;
    db::Field* f = c.field();
    if (!f || f->readOnly() || f->isCalculated())
        return false;
    if (f->isLookup()) {
        db::Field* key = ds->findField(f->keyFields());
        if (!key || key->readOnly() || !f->lookupDataSet())
            return false;
    }
    const GridOperations allowed = grid_.allowedOperations();
    if (ds->state() == db::DataSetState::Insert && row == ds->currentRow())
        return bool(allowed & (GridOperation::Insert | GridOperation::Append));
    return bool(allowed & GridOperation::Update);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (canEditCell(index.row(), index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

// ---- writing ---------------------------------------------------------------------------------

bool GridModel::ensureEditing() const
{
    db::DataSet* ds = grid_.dataSet();
    if (!ds || !ds->active())
        return false;
    if (ds->editing())
        return true;
    // A before-edit rule may refuse silently; the cell then stays as it was.
    runGuarded([&] { ds->edit(); });
    return ds->editing();
}

QString GridModel::keyText(const GridColumn& column, const QVariant& key) const
{
    if (!column.keyList().isEmpty())
        return pickListText(column, db::convert::toText(key));
    db::Field* f = column.field();
    if (f && f->isLookup() && f->lookupDataSet() && f->lookupDataSet()->active())
        return db::convert::toText(f->lookupDataSet()->lookup(f->lookupKeyFields(), key, f->lookupResultField()));
    return db::convert::toText(key);
}

bool GridModel::writeCell(int column, QString text, QVariant value, bool useText)
{
    if (column < 0 || column >= grid_.columnCount())
        return false;
    GridColumn& c = grid_.column(column);
    db::DataSet* ds = grid_.dataSet();
    if (!ds || !c.field() || !ensureEditing())
        return false;
    QScopedValueRollback writing(writing_, writing_ + 1);
    bool handled = false;
    if (c.onUpdateData && !runGuarded([&] { c.onUpdateData(c, text, value, useText, handled); }))
        return false;
    if (handled)
        return false;
    return runGuarded([&] {
        db::Field* f = c.field();
        if (!f || !ds->editing())
            return;
        if (f->isLookup() && !useText)
            ds->fieldByName(f->keyFields()).setValue(value);
        else if (useText)
            f->setAsString(text);
        else
            f->setValue(value);
    });
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    db::DataSet* ds = grid_.dataSet();
    if (!index.isValid() || !ds || !ds->active() || index.row() != ds->currentRow())
        return false;
    switch (role) {
    case Qt::EditRole:
        return writeCell(index.column(), value.toString(), value.toString(), true);
    case KeyRole:
        return writeCell(index.column(), keyText(grid_.column(index.column()), value), value, false);
    default:
        return false;
    }
}

// ---- following the data source and the column list --------------------------------------------

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

#include "platform/ui/lookup_binding.h"

namespace qel::ui {

namespace {

bool asNumber(const QVariant& v, double& out)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
        out = v.toDouble();
        return true;
    case QMetaType::QString: {
        bool ok = false;
        out = v.toString().trimmed().toDouble(&ok);
        return ok;
    }
    default:
        return false;
    }
}

} // namespace

bool sameKey(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    double x = 0, y = 0;
    if (asNumber(a, x) && asNumber(b, y))
        return x == y;
    return a.toString().trimmed() == b.toString().trimmed();
}

LookupBinding::LookupBinding(QObject* parent) : QAbstractListModel(parent) {}

LookupBinding::~LookupBinding()
{
    for (auto& c : connections_)
        disconnect(c);
}

db::DataSet* LookupBinding::dataSet() const
{
    return source_ && source_->enabled() ? source_->dataSet() : nullptr;
}

db::Field* LookupBinding::field(const QString& name) const
{
    db::DataSet* ds = dataSet();
    return ds && ds->active() && !name.isEmpty() ? ds->findField(name) : nullptr;
}

void LookupBinding::setListSource(db::DataSource* source)
{
    if (source == source_)
        return;
    for (auto& c : connections_)
        disconnect(c);
    connections_.clear();
    source_ = source;
    connectSource();
    listReset();
}

void LookupBinding::connectSource()
{
    if (!source_)
        return;
    using db::DataSource;
    auto reset = [this] { listReset(); };
    connections_.push_back(connect(source_, &DataSource::layoutReset, this, reset));
    connections_.push_back(connect(source_, &DataSource::activeChanged, this, reset));
    connections_.push_back(connect(source_, &DataSource::dataSetChanged, this, reset));
    connections_.push_back(connect(source_, &DataSource::rowsInserted, this, reset));
    connections_.push_back(connect(source_, &DataSource::rowsRemoved, this, reset));
    connections_.push_back(connect(source_, &DataSource::rowsChanged, this, [this](int first, int last) {
        if (rows_ > 0) {
            emit dataChanged(index(std::clamp(first, 0, rows_ - 1)), index(std::clamp(last, 0, rows_ - 1)));
            emit changed();
        }
    }));
    connections_.push_back(connect(source_, &QObject::destroyed, this, [this] {
        connections_.clear();
        listReset();
    }));
}

void LookupBinding::listReset()
{
    beginResetModel();
    db::DataSet* ds = dataSet();
    rows_ = ds && ds->active() ? ds->recordCount() : 0;
    endResetModel();
    emit changed();
}

void LookupBinding::setKeyField(const QString& name)
{
    keyField_ = name;
    listReset();
}

void LookupBinding::setListField(const QString& name)
{
    listField_ = name;
    listReset();
}

int LookupBinding::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant LookupBinding::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_)
        return {};
    if (role == Qt::DisplayRole)
        return textAt(index.row());
    if (role == KeyRole)
        return keyAt(index.row());
    return {};
}

QVariant LookupBinding::keyAt(int row) const
{
    db::Field* f = field(keyField_);
    return f && row >= 0 && row < rows_ ? dataSet()->rowValue(row, *f) : QVariant();
}

QString LookupBinding::textAt(int row) const
{
    db::Field* f = field(listField_.isEmpty() ? keyField_ : listField_);
    return f && row >= 0 && row < rows_ ? dataSet()->rowText(row, *f) : QString();
}

int LookupBinding::keyRow() const
{
    if (key_.isNull())
        return -1;
    db::Field* f = field(keyField_);
    if (!f)
        return -1;
    db::DataSet* ds = dataSet();
    for (int r = 0; r < rows_; ++r)
        if (sameKey(ds->rowValue(r, *f), key_))
            return r;
    return -1;
}

QString LookupBinding::text() const { return textAt(keyRow()); }

void LookupBinding::setKeyValue(const QVariant& key)
{
    key_ = key;
    position();
    emit changed();
}

void LookupBinding::pick(int row)
{
    if (row < 0 || row >= rows_)
        return;
    key_ = keyAt(row);
    position();
    emit changed();
}

void LookupBinding::position()
{
    db::DataSet* ds = dataSet();
    const int row = keyRow();
    if (ds && row >= 0 && ds->currentRow() != row)
        ds->setRecNo(row + 1);
}

} // namespace qel::ui

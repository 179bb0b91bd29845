#include "platform/db/data_source.h"

namespace qel::db {

DataSource::DataSource(const QString& name, QObject* parent) : QObject(parent)
{
    setObjectName(name);
}

DataSource::~DataSource()
{
    if (dataSet_)
        dataSet_->removeObserver(this);
}

void DataSource::setDataSet(DataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        dataSet_->removeObserver(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->addObserver(this);
    emit dataSetChanged(dataSet_);
    if (enabled_) {
        emit activeChanged(dataSet_ && dataSet_->active());
        emit stateChanged(state());
        emit layoutReset();
        emit currentChanged(dataSet_ ? dataSet_->currentRow() : -1, -1);
    }
}

void DataSource::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    emit activeChanged(dataSet_ && enabled_ && dataSet_->active());
    emit stateChanged(state());
    emit layoutReset();
    if (enabled_ && dataSet_)
        emit currentChanged(dataSet_->currentRow(), -1);
}

DataSetState DataSource::state() const
{
    return dataSet_ && enabled_ ? dataSet_->state() : DataSetState::Inactive;
}

void DataSource::dataSetActiveChanged(bool active) { if (enabled_) emit activeChanged(active); }
void DataSource::dataSetStateChanged(DataSetState state) { if (enabled_) emit stateChanged(state); }
void DataSource::dataSetLayoutReset() { if (enabled_) emit layoutReset(); }
void DataSource::dataSetRowsInserted(int first, int count) { if (enabled_) emit rowsInserted(first, count); }
void DataSource::dataSetRowsRemoved(int first, int count) { if (enabled_) emit rowsRemoved(first, count); }
void DataSource::dataSetRowsChanged(int first, int last) { if (enabled_) emit rowsChanged(first, last); }
void DataSource::dataSetFieldChanged(Field& field) { if (enabled_) emit fieldChanged(&field); }
void DataSource::dataSetCurrentChanged(int row, int previous) { if (enabled_) emit currentChanged(row, previous); }
void DataSource::dataSetDisplaySuspended() { if (enabled_) emit displaySuspended(); }
void DataSource::dataSetDisplayResumed() { if (enabled_) emit displayResumed(); }
void DataSource::dataSetUpdateRecord() { if (enabled_) emit updateRecord(); }

void DataSource::dataSetDestroyed()
{
    dataSet_ = nullptr;
    emit dataSetChanged(nullptr);
    emit activeChanged(false);
    emit layoutReset();
}

} // namespace qel::db

// A data source: the named link between one dataset and the data-aware controls bound to
// it. It turns the dataset's reports into Qt signals; a model/view adapter keeps its own
// row count and translates rowsInserted/rowsRemoved into begin/end pairs.
#pragma once

#include "platform/db/dataset.h"

#include <QObject>

namespace qel::db {

class DataSource : public QObject, private DataSetObserver {
    Q_OBJECT
public:
    explicit DataSource(const QString& name = {}, QObject* parent = nullptr);
    ~DataSource() override;

    DataSet* dataSet() const { return dataSet_; }
    void setDataSet(DataSet* dataSet);

    // A disabled source reports nothing; bound controls show it as inactive.
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);

    // Inactive when there is no dataset or the source is disabled.
    DataSetState state() const;

signals:
    void dataSetChanged(qel::db::DataSet* dataSet);     // another dataset was bound
    void activeChanged(bool active);
    void stateChanged(qel::db::DataSetState state);
    void layoutReset();
    void rowsInserted(int first, int count);
    void rowsRemoved(int first, int count);
    void rowsChanged(int first, int last);
    void fieldChanged(qel::db::Field* field);
    void currentChanged(int row, int previous);
    void displaySuspended();
    void displayResumed();
    // Write pending edits of bound controls into the record now (a post is coming).
    void updateRecord();

private:
    void dataSetActiveChanged(bool active) override;
    void dataSetStateChanged(DataSetState state) override;
    void dataSetLayoutReset() override;
    void dataSetRowsInserted(int first, int count) override;
    void dataSetRowsRemoved(int first, int count) override;
    void dataSetRowsChanged(int first, int last) override;
    void dataSetFieldChanged(Field& field) override;
    void dataSetCurrentChanged(int row, int previous) override;
    void dataSetDisplaySuspended() override;
    void dataSetDisplayResumed() override;
    void dataSetUpdateRecord() override;
    void dataSetDestroyed() override;

    DataSet* dataSet_ = nullptr;
    bool enabled_ = true;
};

} // namespace qel::db

Q_DECLARE_METATYPE(qel::db::DataSetState)

// What a dataset tells the objects that follow it (data sources, and through them the
// data-aware controls). Rows are positions in the dataset's current order and filter,
// 0-based. Nothing is reported while display updates are suspended; resuming reports a
// layout reset and the current row.
#pragma once

namespace qel::db {

class Field;
enum class DataSetState;

class DataSetObserver {
public:
    virtual ~DataSetObserver() = default;

    virtual void dataSetActiveChanged(bool active) {}
    virtual void dataSetStateChanged(DataSetState state) {}
    // Rows, their order or the fields changed wholesale: re-read everything.
    virtual void dataSetLayoutReset() {}
    // Reported after the change; a follower keeps its own row count to translate these
    // into begin/end pairs.
    virtual void dataSetRowsInserted(int first, int count) {}
    virtual void dataSetRowsRemoved(int first, int count) {}
    // Values of rows first..last changed (data, lookup or calculated fields).
    virtual void dataSetRowsChanged(int first, int last) {}
    // A field of the current record changed while editing (the row is also reported by
    // dataSetRowsChanged).
    virtual void dataSetFieldChanged(Field& field) {}
    virtual void dataSetCurrentChanged(int row, int previous) {}
    virtual void dataSetDisplaySuspended() {}
    virtual void dataSetDisplayResumed() {}
    // The record is about to be posted (or checked for posting): a control holding a typed
    // value not yet written must write it now. Reported even while display updates are
    // suspended: it is about the data, not the display.
    virtual void dataSetUpdateRecord() {}
    // The dataset is being destroyed; forget it.
    virtual void dataSetDestroyed() {}
};

} // namespace qel::db

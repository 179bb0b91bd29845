// The widget tests' small mark sheet (five students, a lookup teacher column, a pick-list
// admission column) with multi-row selection and a grid events component hooked to its
// grid, every edit action on, outcomes recorded.
#pragma once

#include "grid/qx_dbgrid_events.h"
#include "history/update_history.h"
#include "tests/widgets/sheet_fixture.h"

#include <QByteArray>
#include <memory>

namespace qel::test {

class GridEventsFixture : public SheetFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Ctrl-clicks the rows in this order (in the first visible column).
    void selectRows(const QList<int>& rows);
    // id_mark_mag of every row of the dataset, in its order.
    QList<int> ids();
    // id_mark_mag of the rows still stored in the database, ascending.
    QList<int> storedIds() const;
    // The clipboard's content in the component's format (empty when absent).
    QByteArray clipboardBytes() const;
    // The record layout of these records, values encoded in Windows-1251.
    static QByteArray recordBytes(const QList<QStringList>& records);

    std::unique_ptr<grid::TQXDBGridEvents> events;
    QList<quint16> outcomes;
};

// The same with the change history recorder on the sheet's deletions: it queues one audit
// entry (the row's id_mark_mag) before each delete and hands it over to `audited` only
// after the delete succeeded.
class AuditedGridEventsFixture : public GridEventsFixture {
protected:
    // Attaches the recorder; called last in SetUp, so it wraps the dataset's own handlers.
    void recordDeletions();
    void TearDown() override;

    TADOUpdateHistoryExec recorder;
    QStringList audited;
};

} // namespace qel::test

#include "tests/grid/grid_events_fixture.h"

#include "grid/clipboard_records.h"
#include "platform/os/clipboard.h"
#include "platform/os/cp1251.h"

namespace qel::test {

void GridEventsFixture::SetUp()
{
    SheetFixture::SetUp();
    grid->setOptions(grid->options() | ui::dgMultiSelect);
    events = std::make_unique<grid::TQXDBGridEvents>();
    events->setDBGridEh(grid);
    events->setUniqueField(QStringLiteral("id_mark_mag"));
    events->setEditActions(ui::GridEditActions(ui::geaCopyEh) | ui::geaCutEh | ui::geaPasteEh | ui::geaDeleteEh
                           | ui::geaSelectAllEh);
    events->OnQXDBEGridError = [this](QObject*, quint16 outcome) { outcomes << outcome; };
}

void GridEventsFixture::TearDown()
{
    events.reset();
    SheetFixture::TearDown();
}

void GridEventsFixture::selectRows(const QList<int>& rows)
{
    int column = 0;
    while (column < ColumnTotal - 1 && !grid->column(column).visible())
        ++column;
    for (int row : rows)
        clickCell(row, column, Qt::ControlModifier);
}

QList<int> GridEventsFixture::ids()
{
    QList<int> out;
    for (int row = 0; row < marks->recordCount(); ++row)
        out << value(row, QStringLiteral("id_mark_mag")).toInt();
    return out;
}

QList<int> GridEventsFixture::storedIds() const
{
    QList<int> out;
    for (int id = 1; id <= 20; ++id)
        if (db->scalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_mark_mag = %1").arg(id)).toInt() > 0)
            out << id;
    return out;
}

void AuditedGridEventsFixture::recordDeletions()
{
    recorder.OnRecordDeleted = [](const QString&, db::DataSet& ds, const QString&, const QString& key,
                                  QStringList& changes) { changes << ds.fieldByName(key).asString(); };
    recorder.OnExecute = [this](QStringList& changes) { audited << changes; };
    recorder.Attach(marks, QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"), false, true);
}

void AuditedGridEventsFixture::TearDown()
{
    recorder.Detach();
    GridEventsFixture::TearDown();
}

QByteArray GridEventsFixture::clipboardBytes() const
{
    return os::readClipboard(grid::clipboardFormat()).value_or(QByteArray());
}

QByteArray GridEventsFixture::recordBytes(const QList<QStringList>& records)
{
    QByteArray out;
    for (const QStringList& record : records) {
        for (const QString& v : record)
            out += os::toCp1251(v) + '\x01';
        out += '\x02';
    }
    return out;
}

} // namespace qel::test

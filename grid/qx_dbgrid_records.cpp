// The component's record operations on the grid's selection: copy, cut, paste, delete and
// select all. Rows are found by their bookmarks; a selected row that can no longer be
// reached (deleted, filtered out) is skipped, never taken for another. A record the
// dataset's rules refuse (they tell the user themselves) or the server refuses stays, and
// the operation goes on with the next; server refusals are told once at the end.
#include "grid/qx_dbgrid_events.h"

#include "grid/clipboard_records.h"
#include "platform/db/data_source.h"
#include "platform/db/value_convert.h"
#include "platform/os/clipboard.h"
#include "platform/os/errors.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QScopedValueRollback>

namespace qel::grid {

namespace {

// Display updates of the dataset are suspended for the scope, and resumed however it ends.
struct SuspendedDisplay {
    db::DataSet& ds;
    explicit SuspendedDisplay(db::DataSet& dataSet) : ds(dataSet) { ds.disableControls(); }
    ~SuspendedDisplay() { ds.enableControls(); }
};

// The field each visible column carries on the clipboard: its own, or for a lookup column
// its key field; nullptr where the column shows no field (an empty value).
std::vector<db::Field*> clipboardColumns(ui::TQXDBGridEh& grid, db::DataSet& ds)
{
    std::vector<db::Field*> out;
    for (int i = 0; i < grid.columnCount(); ++i) {
        ui::GridColumn& c = grid.column(i);
        if (!c.visible())
            continue;
        db::Field* f = c.field();
        if (f && f->isLookup())
            f = ds.findField(f->keyFields());
        out.push_back(f);
    }
    return out;
}

// After a refused change the dataset must not stay in edit or insert state.
void cancelQuietly(db::DataSet& ds)
{
    if (!ds.editing())
        return;
    try {
        ds.cancel();
    } catch (...) {
        // the record stays as the failure left it
    }
}

} // namespace

void TQXDBGridEvents::Refusals::add(const std::exception& error)
{
    if (count++ == 0)
        firstText = QString::fromUtf8(error.what());
}

void TQXDBGridEvents::finish(const Refusals& refusals, const QString& what)
{
    if (refusals.count == 0) {
        report(QXDBEOk);
        return;
    }
    ui::messageBox(what.arg(refusals.count) + QStringLiteral("\n\n") + refusals.firstText, ui::applicationTitle(),
                   ui::MsgIcon::Error, ui::MsgButtons::Ok, grid_);
    report(QXDBERecordsFailed);
}

void TQXDBGridEvents::refuseClipboard(const QString& text)
{
    ui::messageBox(text, ui::applicationTitle(), ui::MsgIcon::Warning, ui::MsgButtons::Ok, grid_);
    report(QXDBENoClipboardData);
}

// ---- copy ------------------------------------------------------------------------------------

void TQXDBGridEvents::putOnClipboard(db::DataSet& ds, const QList<db::Bookmark>& rows)
{
    // A row being edited is saved first, as moving away from it would.
    ds.checkBrowseMode();
    const std::vector<db::Field*> columns = clipboardColumns(*grid_, ds);
    ClipboardRecordWriter writer;
    for (const db::Bookmark& bm : rows) {
        const int row = ds.rowOf(bm);
        if (row < 0)
            continue;
        for (db::Field* f : columns)
            writer.addValue(f ? db::convert::toText(ds.rowValue(row, *f)) : QString());
        writer.endRecord();
    }
    os::writeClipboard(clipboardFormat(), writer.bytes());
}

void TQXDBGridEvents::copyRecords()
{
    db::DataSet* ds = readyDataSet();
    if (!ds)
        return;
    QScopedValueRollback busy(busy_, busy_ + 1);
    putOnClipboard(*ds, grid_->selectedRows().bookmarks());
    report(QXDBEOk);
}

// ---- cut and delete -------------------------------------------------------------------------------

TQXDBGridEvents::Refusals TQXDBGridEvents::deleteRows(db::DataSet& ds, const QList<db::Bookmark>& rows)
{
    Refusals refusals;
    ds.checkBrowseMode();
    SuspendedDisplay suspended(ds);
    for (const db::Bookmark& bm : rows) {
        if (!ds.active())
            break;
        if (ds.rowOf(bm) < 0)
            continue;
        try {
            ds.gotoBookmark(bm);
            const QString unique = uniqueText(ds, ds.currentRow());
            forgetDuplicate(ds);
            ds.deleteRecord();
            PastedValues.removeAll(unique);
        } catch (const SilentAbort&) {
            // a rule refused this record and has told the user
            cancelQuietly(ds);
        } catch (const std::exception& e) {
            cancelQuietly(ds);
            refusals.add(e);
        }
    }
    return refusals;
}

void TQXDBGridEvents::cutRecords(bool askFirst) { removeSelected(true, askFirst); }

void TQXDBGridEvents::deleteRecords(bool askFirst) { removeSelected(false, askFirst); }

void TQXDBGridEvents::removeSelected(bool cut, bool askFirst)
{
    db::DataSet* ds = readyDataSet();
    if (!ds)
        return;
    QScopedValueRollback busy(busy_, busy_ + 1);
    if (askFirst && !confirm(cut))
        return;
    if (!grid_)
        return;
    const QList<db::Bookmark> rows = grid_->selectedRows().bookmarks();
    // Every row reaches the clipboard before any is deleted: a value the format cannot
    // carry stops the cut with nothing removed.
    if (cut)
        putOnClipboard(*ds, rows);
    const Refusals refusals = deleteRows(*ds, rows);
    // A delete leaves no selection; a cut keeps it.
    if (!cut && grid_)
        grid_->selectedRows().clear();
    finish(refusals, QStringLiteral("Не удалось удалить записей: %1."));
}

// ---- paste -------------------------------------------------------------------------------------

void TQXDBGridEvents::pasteRecords()
{
    db::DataSet* ds = readyDataSet();
    if (!ds)
        return;
    QScopedValueRollback busy(busy_, busy_ + 1);
    const std::optional<QByteArray> content = os::readClipboard(clipboardFormat());
    if (!content) {
        refuseClipboard(QStringLiteral("В буфере обмена нет скопированных записей таблицы."));
        return;
    }
    const std::vector<db::Field*> columns = clipboardColumns(*grid_, *ds);
    const ClipboardRecords read = readClipboardRecords(*content, int(columns.size()));
    if (!read.error.isEmpty()) {
        refuseClipboard(read.error);
        return;
    }
    ds->checkBrowseMode();
    PastedValues.clear();
    Refusals refusals;
    {
        SuspendedDisplay suspended(*ds);
        for (const QStringList& values : read.records) {
            if (!ds->active())
                break;
            try {
                ds->insert();
                for (size_t i = 0; i < columns.size(); ++i) {
                    if (!columns[i])
                        continue;
                    try {
                        columns[i]->setAsString(values.at(qsizetype(i)));
                    } catch (const std::exception&) {
                        // a value the field cannot take is left out of the record
                    }
                }
                ds->post();
                checkDuplicate(*ds);
                PastedValues << uniqueText(*ds, ds->currentRow());
            } catch (const SilentAbort&) {
                cancelQuietly(*ds);
            } catch (const std::exception& e) {
                cancelQuietly(*ds);
                refusals.add(e);
            }
        }
    }
    finish(refusals, QStringLiteral("Не удалось вставить записей: %1."));
}

// ---- select all --------------------------------------------------------------------------------

void TQXDBGridEvents::selectAllRecords()
{
    if (!readyDataSet())
        return;
    grid_->selectedRows().selectAll();
    report(QXDBEOk);
}

} // namespace qel::grid

// The component's attachment to its grid, its keys, its painting, activation and the
// duplicate marking; the record operations are in qx_dbgrid_records.cpp.
#include "grid/qx_dbgrid_events.h"

#include "platform/db/data_source.h"
#include "platform/db/value_convert.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QHash>

namespace qel::grid {

TQXDBGridEvents::TQXDBGridEvents(QObject* owner) : QObject(owner) {}

TQXDBGridEvents::~TQXDBGridEvents() { setDBGridEh(nullptr); }

// ---- the served grid ---------------------------------------------------------------------------

ui::TQXDBGridEh* TQXDBGridEvents::DBGridEh() const { return grid_; }

void TQXDBGridEvents::setDBGridEh(ui::TQXDBGridEh* grid)
{
    if (grid != grid_) {
        ui::TQXDBGridEh* previous = grid_;
        Hooked previousState = std::move(saved_);
        saved_ = {};
        if (grid)
            hook(*grid);
        grid_ = grid;
        if (previous)
            unhook(*previous, previousState);
    }
    attributes_.setGrid(grid_);
}

void TQXDBGridEvents::hook(ui::TQXDBGridEh& grid)
{
    saved_.defaultDrawing = grid.defaultDrawing();
    saved_.deleteAllowed = grid.allowedOperations().testFlag(ui::GridOperation::Delete);
    saved_.editActions = grid.editActions();
    saved_.drawColumnCell = grid.onDrawColumnCell;
    saved_.keyDown = grid.onKeyDown;
    saved_.destroyed = connect(&grid, &QObject::destroyed, this, [this] {
        // The grid is gone: nothing of it is restored.
        saved_ = {};
        attributes_.setGrid(nullptr);
    });
    grid.setDefaultDrawing(false);
    grid.setAllowedOperations(grid.allowedOperations() & ~ui::GridOperations(ui::GridOperation::Delete));
    grid.setEditActions({});
    grid.onDrawColumnCell = [this](ui::TQXDBGridEh& sender, const QRect& rect, int dataCol, ui::GridColumn& column,
                                   ui::GridDrawState state) { drawColumnCell(sender, rect, dataCol, column, state); };
    grid.onKeyDown = [this](ui::TQXDBGridEh& sender, int& key, Qt::KeyboardModifiers shift) {
        keyDown(sender, key, shift);
    };
    grid.viewport()->update();
}

void TQXDBGridEvents::unhook(ui::TQXDBGridEh& grid, Hooked& saved)
{
    disconnect(saved.destroyed);
    // The grid gets back what it had before it was hooked.
    grid.setDefaultDrawing(saved.defaultDrawing);
    ui::GridOperations allowed = grid.allowedOperations();
    allowed.setFlag(ui::GridOperation::Delete, saved.deleteAllowed);
    grid.setAllowedOperations(allowed);
    grid.setEditActions(saved.editActions);
    grid.onDrawColumnCell = std::move(saved.drawColumnCell);
    grid.onKeyDown = std::move(saved.keyDown);
    grid.viewport()->update();
}

db::Field* TQXDBGridEvents::UniqueField() const
{
    db::DataSource* source = grid_ ? grid_->dataSource() : nullptr;
    db::DataSet* ds = source ? source->dataSet() : nullptr;
    return ds && !uniqueFieldName_.isEmpty() ? ds->findField(uniqueFieldName_) : nullptr;
}

// ---- preconditions and outcomes ----------------------------------------------------------------

void TQXDBGridEvents::report(quint16 outcome)
{
    if (OnQXDBEGridError)
        OnQXDBEGridError(this, outcome);
}

db::DataSet* TQXDBGridEvents::readyDataSet()
{
    if (!grid_) {
        report(QXDBENoGrid);
        return nullptr;
    }
    db::DataSource* source = grid_->dataSource();
    if (!source) {
        report(QXDBENoDataSource);
        return nullptr;
    }
    db::DataSet* ds = source->dataSet();
    if (!ds) {
        report(QXDBENoDataSet);
        return nullptr;
    }
    if (!UniqueField()) {
        report(QXDBENoUniqueField);
        return nullptr;
    }
    if (!ds->active()) {
        report(QXDBEDataSetClosed);
        return nullptr;
    }
    return ds;
}

bool TQXDBGridEvents::confirm(bool cut)
{
    bool canDelete = true;
    if (OnQXDBEOnConfirmDelete) {
        OnQXDBEOnConfirmDelete(grid_, canDelete);
        return canDelete;
    }
    return ui::messageBox(cut ? QStringLiteral("Cut record(s) - ?") : QStringLiteral("Delete record(s) - ?"),
                          QStringLiteral("Confirm"), ui::MsgIcon::Question, ui::MsgButtons::YesNo, grid_)
        == ui::MsgResult::Yes;
}

// ---- keys --------------------------------------------------------------------------------------

namespace {

// A Ctrl key of the component: the edit action that switches it on, whether it needs a
// selected row, and what it runs (askFirst: the grid's options hold dgConfirmDelete).
struct KeyOperation {
    int key;
    ui::GridEditAction action;
    bool needsSelection;
    void (*run)(TQXDBGridEvents& events, bool askFirst);
};

constexpr KeyOperation kKeyOperations[] = {
    {Qt::Key_C, ui::geaCopyEh, true, [](TQXDBGridEvents& e, bool) { e.copyRecords(); }},
    {Qt::Key_X, ui::geaCutEh, true, [](TQXDBGridEvents& e, bool askFirst) { e.cutRecords(askFirst); }},
    {Qt::Key_V, ui::geaPasteEh, false, [](TQXDBGridEvents& e, bool) { e.pasteRecords(); }},
    {Qt::Key_Delete, ui::geaDeleteEh, false, [](TQXDBGridEvents& e, bool askFirst) { e.deleteRecords(askFirst); }},
    {Qt::Key_A, ui::geaSelectAllEh, false, [](TQXDBGridEvents& e, bool) { e.selectAllRecords(); }},
};

} // namespace

void TQXDBGridEvents::keyDown(ui::TQXDBGridEh& sender, int& key, Qt::KeyboardModifiers shift)
{
    if (OnKeyDown)
        OnKeyDown(sender, key, shift);
    if (key == 0 || !(shift & Qt::ControlModifier))
        return;
    for (const KeyOperation& op : kKeyOperations) {
        if (op.key != key)
            continue;
        if (!(editActions_ & op.action))
            return;
        // An enabled key belongs to the component, whether or not it finds rows to act on:
        // the grid and its cell editor never see it.
        key = 0;
        if (!op.needsSelection || !sender.selectedRows().isEmpty())
            op.run(*this, sender.hasOption(ui::dgConfirmDelete));
        return;
    }
}

// ---- painting ----------------------------------------------------------------------------------

void TQXDBGridEvents::drawColumnCell(ui::TQXDBGridEh& sender, const QRect& rect, int dataCol, ui::GridColumn& column,
                                     ui::GridDrawState state)
{
    db::DataSet* ds = sender.dataSet();
    const int row = sender.drawingRow();
    const bool inserting = ds && ds->state() == db::DataSetState::Insert;
    const bool editorShown = sender.hasOption(ui::dgAlwaysShowEditor);
    const bool noneSelected = sender.selectedRows().isEmpty();

    QColor color = column.color();
    ui::GridFont font = column.font();
    auto take = [&](const TQXDBGridAttr& a) {
        color = a.Color();
        font = a.Font();
    };
    if (state.selected && !state.focused) {
        if (inserting && (editorShown || noneSelected)) {
            // the column's own
        } else if (attributes_.FixedAttr.List().contains(column.title().toUpper())) {
            color = attributes_.FixedAttr.SelColor();
            font = attributes_.FixedAttr.SelFont();
        } else {
            take(attributes_.SelAttr);
        }
    } else if (state.selected && state.focused) {
        if (!(inserting || (editorShown && noneSelected)))
            take(attributes_.FocusedAttr);
    } else if (ds && ds->active() && row >= 0) {
        const bool marked = !ErrorValues.isEmpty() || !PastedValues.isEmpty();
        const QString unique = marked ? uniqueText(*ds, row) : QString();
        if (!DuplicateKeys.isEmpty() && DuplicateKeys.contains(recordKey(*ds, row)))
            take(attributes_.DuplicateAttr);
        else if (!ErrorValues.isEmpty() && ErrorValues.contains(unique))
            take(attributes_.ErrorAttr);
        else if (!PastedValues.isEmpty() && PastedValues.contains(unique))
            take(attributes_.AfterPasteAttr);
    }

    ui::GridCanvas& canvas = sender.canvas();
    canvas.brush = color;
    canvas.font = font;
    const QModelIndex index = sender.model()->index(row, dataCol);
    canvas.textRect(rect, index.data(Qt::DisplayRole).toString(), column.alignment());
    if (OnDrawColumnCell)
        OnDrawColumnCell(sender, rect, dataCol, column, state);
}

// ---- activation and duplicate marking -------------------------------------------------------------

void TQXDBGridEvents::setActive(bool on)
{
    if (on) {
        DuplicateKeys.clear();
        db::DataSource* source = grid_ ? grid_->dataSource() : nullptr;
        db::DataSet* ds = source ? source->dataSet() : nullptr;
        if (!ds)
            return;
        ds->open();
        markAllDuplicates(*ds);
        active_ = true;
        return;
    }
    db::DataSource* source = grid_ ? grid_->dataSource() : nullptr;
    if (!source) {
        report(QXDBENoDataSource);
        return;
    }
    if (!source->dataSet()) {
        report(QXDBENoDataSet);
        return;
    }
    source->dataSet()->close();
    DuplicateKeys.clear();
    ErrorValues.clear();
    active_ = false;
}

QString TQXDBGridEvents::uniqueText(db::DataSet& ds, int row) const
{
    db::Field* f = uniqueFieldName_.isEmpty() ? nullptr : ds.findField(uniqueFieldName_);
    return f && row >= 0 ? db::convert::toText(ds.rowValue(row, *f)) : QString();
}

QString TQXDBGridEvents::recordKey(db::DataSet& ds, int row) const
{
    QString key;
    for (const QString& name : KeyFields)
        if (db::Field* f = ds.findField(name))
            key += db::convert::toText(ds.rowValue(row, *f));
    return key;
}

int TQXDBGridEvents::keyCount(db::DataSet& ds, const QString& key) const
{
    int n = 0;
    for (int row = 0, rows = ds.recordCount(); row < rows; ++row)
        if (recordKey(ds, row) == key)
            ++n;
    return n;
}

// The rows are compared without moving or filtering the dataset, so its own filter and
// current record stay as they are.
void TQXDBGridEvents::checkDuplicate(db::DataSet& ds)
{
    if (KeyFields.isEmpty() || ds.currentRow() < 0)
        return;
    const QString key = recordKey(ds, ds.currentRow());
    if (keyCount(ds, key) > 1 && !DuplicateKeys.contains(key))
        DuplicateKeys << key;
}

void TQXDBGridEvents::forgetDuplicate(db::DataSet& ds)
{
    if (KeyFields.isEmpty() || ds.currentRow() < 0)
        return;
    const QString key = recordKey(ds, ds.currentRow());
    if (keyCount(ds, key) <= 2)
        DuplicateKeys.removeAll(key);
}

void TQXDBGridEvents::markAllDuplicates(db::DataSet& ds)
{
    if (KeyFields.isEmpty())
        return;
    QHash<QString, int> counts;
    for (int row = 0, rows = ds.recordCount(); row < rows; ++row)
        ++counts[recordKey(ds, row)];
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > 1)
            DuplicateKeys << it.key();
    ds.first();
}

} // namespace qel::grid

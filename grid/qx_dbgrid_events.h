// TQXDBGridEvents: the grid events component. Attached to one data grid it gives the grid
// keyboard operations on its multi-row selection — Ctrl+C copy, Ctrl+X cut, Ctrl+V paste,
// Ctrl+Delete delete, Ctrl+A select all, each switched on in EditActions — and paints the
// grid's cells itself, with its own colours for selected, focused, pasted, duplicate and
// erroneous records. Rows travel through the clipboard in the private record format of
// clipboard_records.h, so rows copied from one grid paste into any grid it serves.
// Deleting and cutting ask the owner first (OnQXDBEOnConfirmDelete) when the grid's
// options hold dgConfirmDelete.
//
// The component works on the grid's model and public interface only: the rows of the
// selection are dataset bookmarks, cell texts come from the model, and its painter and key
// handler take the grid's drawing and key-down handlers while it is hooked.
#pragma once

#include "grid/qx_dbgrid_attributes.h"
#include "platform/db/dataset.h"
#include "platform/ui/grid_types.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

namespace qel::ui {
class TQXDBGridEh;
class GridColumn;
} // namespace qel::ui

namespace qel::grid {

// The outcomes OnQXDBEGridError reports. Checks run in the order 4, 1, 2, 5, 3; the first
// that fails is reported and the operation does nothing else.
enum QXDBEGridOutcome : quint16 {
    QXDBEOk = 0,               // the operation finished
    QXDBENoDataSource = 1,     // the grid has no data source
    QXDBENoDataSet = 2,        // the data source has no dataset
    QXDBEDataSetClosed = 3,    // the dataset is not open
    QXDBENoGrid = 4,           // no grid is assigned
    QXDBENoUniqueField = 5,    // no UniqueField is assigned (or the dataset has no such field)
    QXDBENoClipboardData = 6,  // the clipboard holds nothing usable in the component's format
    QXDBERecordsFailed = 7,    // the server or the dataset refused some records; the user was told
};

using TQXDBEGridError = std::function<void(QObject* sender, quint16 errorId)>;
// Sender: the grid. canDelete starts true.
using TQXDBEOnConfirmDelete = std::function<void(QObject* sender, bool& canDelete)>;

class TQXDBGridEvents : public QObject {
    Q_OBJECT
public:
    explicit TQXDBGridEvents(QObject* owner = nullptr);
    ~TQXDBGridEvents() override;

    TQXDBAttributes& QXDBAttributes() { return attributes_; }

    // The served grid. Assigning hooks it: its default drawing goes off, deletion and its
    // own clipboard keys are taken away from it, and the component's painter and key handler
    // become its drawing and key-down handlers. The previous grid gets back what it had.
    ui::TQXDBGridEh* DBGridEh() const;
    void setDBGridEh(ui::TQXDBGridEh* grid);

    // The field whose text identifies a record, by name in the served grid's dataset; it is
    // looked up at each use, so a field that no longer exists is never touched.
    const QString& UniqueFieldName() const { return uniqueFieldName_; }
    void setUniqueField(const QString& fieldName) { uniqueFieldName_ = fieldName; }
    db::Field* UniqueField() const;

    ui::GridEditActions EditActions() const { return editActions_; }
    void setEditActions(ui::GridEditActions actions) { editActions_ = actions; }

    // Activating opens the dataset (an error of the opening is passed on and the component
    // stays inactive) and marks duplicate records; deactivating closes the dataset.
    bool Active() const { return active_; }
    void setActive(bool on);

    TQXDBEGridError OnQXDBEGridError;
    TQXDBEOnConfirmDelete OnQXDBEOnConfirmDelete;
    // Called first for every key pressed in the grid (sender: the grid); key 0 swallows it.
    ui::KeyDownHandler OnKeyDown;
    // Called after the component has painted a cell, so the owner can paint over it.
    ui::DrawColumnCellHandler OnDrawColumnCell;

    // UniqueField texts of the records inserted by the last paste.
    QStringList PastedValues;
    // Names of the fields whose combined texts identify duplicates (none in this program).
    QStringList KeyFields;
    // Combined key texts that occur in more than one record.
    QStringList DuplicateKeys;
    // UniqueField texts of records to paint as erroneous.
    QStringList ErrorValues;

    // ---- the operations (the keys run them; each checks its preconditions first) ------------
    // Copies the selected rows to the clipboard, in selection order.
    void copyRecords();
    // Copies the selected rows, then deletes them; askFirst: confirm as the keys do.
    void cutRecords(bool askFirst = false);
    // Inserts the clipboard's records, one per record, and marks them as pasted.
    void pasteRecords();
    // Deletes the selected rows through the dataset's own delete (its rules and the change
    // history see every record), then clears the selection; askFirst: confirm first.
    void deleteRecords(bool askFirst = false);
    void selectAllRecords();

    // An operation is running. A refusal box inside it runs an event loop, so an owner's
    // timer can fire meanwhile; it should wait until this is false.
    bool busy() const { return busy_ > 0; }

private:
    struct Hooked {
        bool defaultDrawing = true;
        bool deleteAllowed = false;
        ui::GridEditActions editActions;
        ui::DrawColumnCellHandler drawColumnCell;
        ui::KeyDownHandler keyDown;
        QMetaObject::Connection destroyed;
    };
    // Records a refused record: its count and the first refusal's text.
    struct Refusals {
        int count = 0;
        QString firstText;
        void add(const std::exception& error);
    };

    void hook(ui::TQXDBGridEh& grid);
    void unhook(ui::TQXDBGridEh& grid, Hooked& saved);
    void keyDown(ui::TQXDBGridEh& sender, int& key, Qt::KeyboardModifiers shift);
    void drawColumnCell(ui::TQXDBGridEh& sender, const QRect& rect, int dataCol, ui::GridColumn& column,
                        ui::GridDrawState state);

    // The dataset when every precondition holds; otherwise the failure is reported.
    db::DataSet* readyDataSet();
    void report(quint16 outcome);
    bool confirm(bool cut);
    // The rows still reachable, in the given order, as the clipboard's content.
    void putOnClipboard(db::DataSet& ds, const QList<db::Bookmark>& rows);
    // Cut (the rows go to the clipboard first) or delete of the selected rows.
    void removeSelected(bool cut, bool askFirst);
    // Deletes the rows still reachable; a refused record stays and is counted.
    Refusals deleteRows(db::DataSet& ds, const QList<db::Bookmark>& rows);
    void finish(const Refusals& refusals, const QString& what);
    void refuseClipboard(const QString& text);

    QString uniqueText(db::DataSet& ds, int row) const;
    // Duplicate marking: the combined key texts of a row, and the bookkeeping around
    // adding and removing a record.
    QString recordKey(db::DataSet& ds, int row) const;
    int keyCount(db::DataSet& ds, const QString& key) const;
    void checkDuplicate(db::DataSet& ds);
    void forgetDuplicate(db::DataSet& ds);
    void markAllDuplicates(db::DataSet& ds);

    TQXDBAttributes attributes_;
    QPointer<ui::TQXDBGridEh> grid_;
    Hooked saved_;
    QString uniqueFieldName_;
    ui::GridEditActions editActions_;
    bool active_ = false;
    int busy_ = 0;
};

} // namespace qel::grid

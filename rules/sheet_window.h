// What the mark sheet's rules read of the main window, which owns the selection, the
// session state and the sheet grid. The window implements it and registers itself while
// it exists; the rules never see the window's own class.
#pragma once

#include "data/session_state.h"

#include <QString>
#include <QVariant>

namespace qel::db {
class DataSet;
}

namespace qel::rules {

class SheetWindow {
public:
    virtual ~SheetWindow() = default;

    // Key values of the selectors; null when nothing is selected.
    virtual QVariant groupKey() const = 0;
    virtual QVariant semesterKey() const = 0;
    virtual QVariant disciplineKey() const = 0;
    virtual QVariant examinationKey() const = 0;     // form of control
    virtual QVariant scaleVariantKey() const = 0;    // grading-scale variant
    virtual QVariant statementFormKey() const = 0;

    // The dataset the sheet grid shows through its data source; nullptr while the grid has
    // no data source or its source no dataset.
    virtual db::DataSet* sheetGridDataSet() const = 0;

    virtual SessionState& session() = 0;

    // Shows or hides the special-grade columns of the sheet grid.
    virtual void setSpecialGradeColumnsVisible(bool visible) = 0;

    // The grid's current position (the row indicator counting as position 0) and the title
    // of the column at a position of its column list (empty when there is none).
    virtual int sheetGridCol() const = 0;
    virtual QString sheetColumnTitle(int listPosition) const = 0;

    // Enables or disables the selectors of the sheet (group, semester, discipline, form of
    // control, scale variant, statement form).
    virtual void setSelectorsEnabled(bool enabled) = 0;

    // Whether the open statement form may be changed by this user.
    virtual bool sheetEditable() const = 0;

    // A row of the sheet was posted, or its edit cancelled: what the window kept for the
    // row while it was edited is carried out or dropped.
    virtual void sheetRowPosted(db::DataSet&) {}
    virtual void sheetRowCancelled(db::DataSet&) {}
};

// The registered window, or nullptr.
SheetWindow* sheetWindow();
void registerSheetWindow(SheetWindow* window);
// Unregisters the window if it is the registered one.
void unregisterSheetWindow(SheetWindow* window);

// Decimal text of an identifier held by a key or field value ("" for null).
QString idText(const QVariant& value);

} // namespace qel::rules

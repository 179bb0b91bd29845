// A grade sheet opened without the main window (the command line, the benchmarks): a fixed
// selection stands in for the window's selectors, the data module's datasets are opened with
// the texts the window's cascade uses, and the sheet dataset ADO_SP_Sort is opened with the
// thirteen parameters as the window sets them. The rules then compute every row exactly as
// they do for the window. Opening reads only: the rows the window would add for students
// without one (InsertInto_SORT_MARK_MAG) are not added.
#pragma once

#include "data/session_state.h"
#include "rules/sheet_window.h"

#include <QStringList>
#include <optional>

namespace qel::data {
class TDM_CDE_3;
}

namespace qel::report {

struct SheetSelection {
    qint32 group = 0;
    qint32 semester = 0;
    qint32 discipline = 0;               // id_discipline
    std::optional<qint32> credits;       // needed when the discipline is taught with several
    qint32 examination = 0;              // form of control
    std::optional<qint32> variant;       // needed when the sheet offers several scale variants
    qint32 statementForm = 1;
};

class StandaloneSheet : public rules::SheetWindow {
public:
    // The session's identifiers are loaded as a login loads them; dm must be connected.
    explicit StandaloneSheet(data::TDM_CDE_3& dm);
    ~StandaloneSheet() override;
    StandaloneSheet(const StandaloneSheet&) = delete;
    StandaloneSheet& operator=(const StandaloneSheet&) = delete;

    // Opens the sheet of the selection (registering this stand-in with the rules); throws
    // qel::Error naming what the database lacks (group, discipline, credits, variant) and
    // what to give instead.
    void open(const SheetSelection& selection);

    // The selection of the open sheet, its variant and credits filled in.
    const SheetSelection& selection() const { return selection_; }

    // ---- rules::SheetWindow ---------------------------------------------------------------
    QVariant groupKey() const override;
    QVariant semesterKey() const override;
    QVariant disciplineKey() const override;
    QVariant examinationKey() const override;
    QVariant scaleVariantKey() const override;
    QVariant statementFormKey() const override;
    db::DataSet* sheetGridDataSet() const override;
    SessionState& session() override { return session_; }
    void setSpecialGradeColumnsVisible(bool) override {}
    int sheetGridCol() const override { return 0; }
    QString sheetColumnTitle(int) const override { return {}; }
    void setSelectorsEnabled(bool) override {}
    bool sheetEditable() const override { return false; }

private:
    data::TDM_CDE_3& dm_;
    SessionState session_;
    SheetSelection selection_;
    bool open_ = false;
};

} // namespace qel::report

// The mark sheet's rules on a copy of the demo database, read through a stand-in for the
// main window: the demo user's session, a selection set by the test, and a "grid" that
// shows the sheet dataset. The sheet is opened as the main window opens it.
#pragma once

#include "rules/sheet_window.h"
#include "tests/fixtures/demo_fixture.h"
#include "tests/support/recording_dialogs.h"

#include <gtest/gtest.h>
#include <memory>

namespace qel::test {

class RulesWindow : public rules::SheetWindow {
public:
    QVariant group = 1, semester = 3, discipline = 94, examination = 1, variant = 1, form = 1;
    db::DataSet* grid = nullptr;
    SessionState state;
    QList<bool> specialGradeCalls;

    QVariant groupKey() const override { return group; }
    QVariant semesterKey() const override { return semester; }
    QVariant disciplineKey() const override { return discipline; }
    QVariant examinationKey() const override { return examination; }
    QVariant scaleVariantKey() const override { return variant; }
    QVariant statementFormKey() const override { return form; }
    db::DataSet* sheetGridDataSet() const override { return grid; }
    SessionState& session() override { return state; }
    void setSpecialGradeColumnsVisible(bool visible) override { specialGradeCalls << visible; }
    int sheetGridCol() const override { return 0; }
    QString sheetColumnTitle(int) const override { return {}; }
    void setSelectorsEnabled(bool) override {}
    bool sheetEditable() const override { return true; }
};

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The sheet of ИВТ-24, semester 3, "Дискретная математика" (examination, 4 credits) unless
    // the window's selection says otherwise; the configuration and the scale are read anew.
    void openSheet(int kredits = 4);
    // A value of a row of the open sheet, read without moving.
    QVariant value(int row, const char* field);
    // The row of a student (by id_student).
    int rowOfStudent(int student);

    std::unique_ptr<DemoFixture> fx;
    std::unique_ptr<RecordingDialogs> dialogs;
    RulesWindow window;
};

} // namespace qel::test

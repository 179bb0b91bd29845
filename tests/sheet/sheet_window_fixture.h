// The main window on a copy of the demo database after a user logged in through it, with
// helpers that pick in the selectors as a user does and read the sheet grid's cells.
#pragma once

#include "sheet/main_window.h"
#include "tests/fixtures/demo_fixture.h"
#include "tests/support/recording_dialogs.h"

#include <gtest/gtest.h>
#include <memory>

namespace qel::ui {
class DBLookupComboBox;
class DBLookupListBox;
} // namespace qel::ui

namespace qel::test {

// Answers the modal login window when it shows.
void answerLogin(const QString& login, const QString& password);

class SheetWindowTest : public ::testing::Test {
protected:
    // A fresh demo database; shape it with fx->admin() before logIn().
    void SetUp() override;
    void TearDown() override;
    // Creates and shows the main window, logging in through its login window.
    void logIn(const char* login = "demo", const char* password = "demo2026");

    // Picks the listed row with this text, as a user does (runs the control's click).
    void pick(ui::DBLookupComboBox* control, const QString& text);
    void pick(ui::DBLookupListBox* control, const QString& text);
    // The group, semester and discipline picks of the demo's usual sheets.
    void pickSheet(const QString& group, const QString& semester, const QString& discipline);

    // The texts a selector lists.
    static QStringList listed(ui::DBLookupComboBox* control);
    static QStringList listed(ui::DBLookupListBox* control);

    // The demo's examination sheet: ИВТ-24, 3 семестр, "Дискретная математика" (scale
    // variant 1, statement form "Ведомость", ten students).
    void openDemoSheet();

    // Acting on the sheet grid as a user: a click on a row's cell (by its field), typed
    // text, a key on the focused widget.
    void clickCell(int row, const QString& fieldName, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void type(const QString& text);
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The row of the open sheet that shows a student (by id_student); -1 when none does.
    int rowOfStudent(int student) const;
    // A column of the stored mark_mag row.
    QVariant stored(const QVariant& idMarkMag, const QString& column) const;
    // The audit rows written since the test began, oldest first: "table|row_id|descr|QEL_User".
    QStringList auditRows() const;

    // The sheet grid: column titles, a cell's text by its field, a value of the sheet's row.
    QStringList titles() const;
    int columnOf(const QString& fieldName) const;
    QString cell(int row, const QString& fieldName) const;
    QVariant value(int row, const QString& fieldName) const;
    int rows() const;

    std::unique_ptr<DemoFixture> fx;
    std::unique_ptr<RecordingDialogs> dialogs;
    std::unique_ptr<TForm2> window;
};

} // namespace qel::test

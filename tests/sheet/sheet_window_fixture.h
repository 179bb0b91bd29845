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

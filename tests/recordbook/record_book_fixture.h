// The record book reached from the main window's "По студентам" on a copy of the demo
// database, with helpers that act in it as a user does and read what it shows and stores.
#pragma once

#include "recordbook/record_book_window.h"
#include "tests/sheet/sheet_window_fixture.h"
#include "tests/support/modal.h"

#include <QPushButton>
#include <functional>

namespace qel::test {

// The demo's students used by the tests (ИВТ-24).
inline const QString kAlekseev = QStringLiteral("Алексеев Иван Петрович");    // id 1, with a photo
inline const QString kBelova = QStringLiteral("Белова Ксения Андреевна");     // id 2, with a photo
inline const QString kLaptev = QStringLiteral("Лаптев Егор Алексеевич");      // id 9, came in the 3rd semester
inline const QString kIvt = QStringLiteral("ИВТ-24");

// The demo's forms of control used by the tests.
enum Exam { Ekz = 1, Zach = 2 };

class RecordBookTest : public SheetWindowTest {
protected:
    // Logs in (as demo unless given), picks the group, presses "По студентам" and runs the
    // body while the book is shown; then closes the book as its close box does.
    void inBook(const std::function<void(TForm14&)>& body, const QString& group = kIvt, const char* login = "demo",
                const char* password = "demo2026");
    // Presses "По студентам" in the open main window.
    void openBook(const std::function<void(TForm14&)>& body);

    // Presses the book's button that opens the dialog and runs the body while the dialog is
    // shown; a dialog the body leaves open is closed as its "Отмена" (Button2) does.
    template <class Dialog>
    static void inDialog(QPushButton* opener, const char* className, const std::function<void(Dialog&)>& body)
    {
        bool shown = false;
        whenModalShown(
            [&](QWidget* w) {
                shown = true;
                auto& dialog = static_cast<Dialog&>(*w);
                body(dialog);
                if (dialog.isVisible())
                    dialog.Button2->click();
            },
            className);
        opener->click();
        EXPECT_TRUE(shown);
    }

    // Picks a student of the selector as a user does.
    static void pickStudent(TForm14& book, const QString& name);

    // The book's rows as the grid shows them.
    int bookRows(TForm14& book) const;
    QVariant bookValue(int row, const QString& fieldName) const;
    QString bookCell(TForm14& book, int row, const QString& fieldName) const;
    int bookColumn(TForm14& book, const QString& fieldName) const;
    // The row showing the record; -1 when none does.
    int rowOfRecord(const QVariant& idMarkMag) const;
    // Clicks a cell, as a user does, and makes it the current one.
    static void clickBookCell(TForm14& book, int row, int column);
    // Clicks the cell and types the text into it, then Enter.
    static void typeIntoBook(TForm14& book, int row, int column, const QString& text);

    // A mark_mag record added for a test; returns its id.
    QVariant addRecord(int student, int semester, int discipline, int exam, const QVariant& form,
                       const QVariant& credits, bool staticDiscipline = false);
    // Runs SQL straight on the database file (what the server's dialect has no words for:
    // a trigger that makes an insert fail, a dropped view).
    void onFile(const QString& sql) const;
    // The rows a query as the administrator returns, each as its values joined by commas
    // (NULL for nulls, bits as 0 and 1).
    QStringList storedRows(const QString& sql, const QList<QVariant>& params = {}) const;
    // The audit rows of table mark_mag: "row_id|descr|QEL_User".
    QStringList markAudit() const;
};

} // namespace qel::test

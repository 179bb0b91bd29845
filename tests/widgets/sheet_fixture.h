// A small mark sheet for the grid tests: five students with two point columns, a date,
// a teacher shown through a lookup field and a payment admission mark, in a grid on a
// shown window, driven with real key and mouse events.
#pragma once

#include "platform/db/data_source.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/support/modal.h"
#include "tests/support/recording_dialogs.h"
#include "tests/widgets/fake_server.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace qel::test {

// Types any text into a widget, one key event per character (Cyrillic included).
void typeText(QWidget* widget, const QString& text);

extern const char* const kMarksSql;
extern const char* const kTeachersSql;

class SheetFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Column positions of the grid built by SetUp.
    enum { ColStudent, ColM1, ColM2, ColDate, ColTeacher, ColAdmission, ColumnTotal };

    // Clicks the cell (row, column) with the given modifiers.
    void clickCell(int row, int column, Qt::KeyboardModifiers mods = Qt::NoModifier);
    // Types into whatever has the focus (the grid or its open editor).
    void type(const QString& text);
    void key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    QWidget* focused() const;
    // The stored value of a field in a row (without moving).
    QVariant value(int row, const QString& field);

    RecordingDialogs dialogs;
    TestDb db;
    db::Query* marks = nullptr;
    db::Query* teachers = nullptr;
    std::unique_ptr<db::DataSource> source;
    std::unique_ptr<db::DataSource> teacherSource;
    std::unique_ptr<QWidget> window;
    ui::TQXDBGridEh* grid = nullptr;
};

} // namespace qel::test

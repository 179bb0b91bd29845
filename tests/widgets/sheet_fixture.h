// A small mark sheet on an embedded database for the grid tests: five students with two
// point columns, a date, a teacher shown through a lookup field and a payment admission
// mark, in a grid on a shown window, driven with real key and mouse events.
#pragma once

#include "platform/db/data_source.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/support/modal.h"
#include "tests/support/recording_dialogs.h"
#include "tests/widgets/widget_db.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace qel::test {

// Types any text into a widget, one key event per character (Cyrillic included).
void typeText(QWidget* widget, const QString& text);

// A fresh embedded database named after the running test.
std::unique_ptr<WidgetDb> databaseForThisTest();

extern const char* const kMarksSql;

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
    // The value of a field in a row of the dataset (without moving).
    QVariant value(int row, const QString& field);
    // The value stored in the database for a mark row.
    QVariant stored(int idMarkMag, const QString& column) const;

    RecordingDialogs dialogs;
    std::unique_ptr<WidgetDb> db;
    db::Query* marks = nullptr;
    db::Query* teachers = nullptr;
    std::unique_ptr<db::DataSource> source;
    std::unique_ptr<QWidget> window;
    ui::TQXDBGridEh* grid = nullptr;
};

} // namespace qel::test

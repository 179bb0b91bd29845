// The column list built at run time, the current column as the windows count it, column
// enter/exit, fitting widths, two-level titles, attaching and detaching the data.
#include "tests/widgets/sheet_fixture.h"

#include <QHeaderView>
#include <QTest>

using namespace qel;
using qel::test::SheetFixture;

class GridColumns : public SheetFixture {};

TEST_F(GridColumns, CurrentColumnCountsTheRowIndicatorAsPositionZero)
{
    clickCell(0, ColM2);
    EXPECT_EQ(grid->selectedIndex(), int(ColM2));
    EXPECT_EQ(grid->col(), int(ColM2) + 1);
    EXPECT_EQ(grid->selectedColumn()->fieldName(), QStringLiteral("m2"));
    grid->setCol(1);
    EXPECT_EQ(grid->selectedIndex(), 0);
    grid->setOption(ui::dgIndicator, false);
    EXPECT_EQ(grid->col(), 0);
}

TEST_F(GridColumns, ColumnEnterAndExitFollowTheCurrentColumn)
{
    QStringList events;
    grid->onColExit = [&](ui::TQXDBGridEh& g) { events << QStringLiteral("exit %1").arg(g.col()); };
    grid->onColEnter = [&](ui::TQXDBGridEh& g) { events << QStringLiteral("enter %1").arg(g.col()); };
    clickCell(0, ColStudent);
    events.clear();
    key(Qt::Key_Tab);
    clickCell(2, ColM1);    // same column, another row: no event
    clickCell(2, ColDate);
    EXPECT_EQ(events, (QStringList{"exit 1", "enter 2", "exit 2", "enter 4"}));
}

TEST_F(GridColumns, ColumnEnterMaySwitchEditingOnForOneColumn)
{
    // Only the second data column (position 2) accepts typing.
    grid->setOptions(grid->options() & ~ui::GridOptions(ui::dgEditing));
    grid->onColEnter = [](ui::TQXDBGridEh& g) {
        if (g.col() == 2)
            g.setOptions(g.options() | ui::dgEditing | ui::dgAlwaysShowEditor);
    };
    grid->onColExit = [](ui::TQXDBGridEh& g) {
        g.setOptions(g.options() & ~(ui::GridOptions(ui::dgEditing) | ui::dgAlwaysShowEditor));
    };
    clickCell(1, ColStudent);
    type(QStringLiteral("9"));
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    key(Qt::Key_Tab);
    ASSERT_TRUE(qel::test::waitFor([&] { return grid->editorMode(); }));
    type(QStringLiteral("9"));
    key(Qt::Key_Tab);     // writes the cell, leaves the column: editing is off again
    EXPECT_EQ(value(1, "m1"), QVariant(9.0));
    EXPECT_FALSE(grid->hasOption(ui::dgEditing));
    EXPECT_EQ(grid->selectedIndex(), int(ColM2));
    type(QStringLiteral("1"));
    EXPECT_EQ(value(1, "m2"), QVariant(25.0));
}

TEST_F(GridColumns, ColumnsAreRebuiltAtRunTime)
{
    clickCell(0, ColTeacher);
    // Remove everything after the first two columns, from the last one backwards.
    for (int i = grid->columnCount() - 1; i >= 2; --i)
        grid->removeColumn(i);
    EXPECT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->model()->columnCount(), 2);
    EXPECT_EQ(grid->selectedIndex(), 1);
    auto& added = grid->addColumn(QStringLiteral("p36"));
    EXPECT_EQ(added.index(), 2);
    EXPECT_EQ(added.title(), QStringLiteral("p36"));
    EXPECT_FALSE(grid->cellText(0, 2).isEmpty());
    added.setVisible(false);
    EXPECT_TRUE(grid->isColumnHidden(2));
    EXPECT_EQ(grid->shownWidth(2), 0);
    EXPECT_EQ(grid->findColumn(QStringLiteral("P36")), &added);
    grid->clearColumns();
    EXPECT_EQ(grid->columnCount(), 0);
    EXPECT_EQ(grid->selectedIndex(), -1);
}

TEST_F(GridColumns, WidthsRespectMinimaAndFitTheGrid)
{
    auto& student = grid->column(ColStudent);
    student.setMinWidth(28);
    student.setMaxWidth(28);
    student.setWidth(200);
    EXPECT_EQ(student.width(), 28);
    grid->setAutoFitColWidths(true);
    int total = 0;
    for (int i = 0; i < grid->columnCount(); ++i)
        total += grid->shownWidth(i);
    EXPECT_EQ(total, grid->viewport()->width());
    EXPECT_EQ(grid->shownWidth(ColStudent), 28);
    // Proportional to the columns' own widths.
    EXPECT_EQ(grid->shownWidth(ColM1), grid->shownWidth(ColM2));
    EXPECT_GT(grid->shownWidth(ColTeacher), grid->shownWidth(ColM1));

    window->resize(900, 320);
    QTest::qWait(1);
    total = 0;
    for (int i = 0; i < grid->columnCount(); ++i)
        total += grid->shownWidth(i);
    EXPECT_EQ(total, grid->viewport()->width());
}

TEST_F(GridColumns, TitlesHaveLevels)
{
    EXPECT_EQ(grid->titleLevelCount(), 2);
    EXPECT_EQ(grid->column(ColM1).titleLevels(), (QStringList{"Баллы", "М1"}));
    EXPECT_EQ(grid->column(ColStudent).titleLevels(), QStringList{"Студент"});
    EXPECT_EQ(grid->horizontalHeader()->height(), 34);
}

TEST_F(GridColumns, DetachingTheDataSourceBlanksTheGrid)
{
    clickCell(3, ColM1);
    grid->setDataSource(nullptr);
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(grid->cellText(0, ColStudent), QString());
    EXPECT_EQ(grid->footerText(ColM1), QString());
    grid->setDataSource(source.get());
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(grid->currentIndex().row(), 3);

    // Closing and reopening the dataset follows through the data source.
    marks->close();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    marks->open();
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(grid->currentIndex().row(), 0);
}

TEST_F(GridColumns, SuspendedDisplayIsFollowedOnceAtTheEnd)
{
    marks->disableControls();
    marks->last();
    marks->deleteRecord();
    EXPECT_EQ(grid->model()->rowCount(), 5);   // nothing reported yet
    marks->enableControls();
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->currentIndex().row(), 3);
}

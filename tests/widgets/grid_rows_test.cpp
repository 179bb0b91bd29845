// The footer row, the multi-row selection kept as bookmarks, and the grid's own row keys.
#include "tests/widgets/sheet_fixture.h"

#include "platform/db/value_convert.h"

#include <QApplication>
#include <QTest>

using namespace qel;
using qel::test::SheetFixture;

class GridRows : public SheetFixture {
protected:
    // The rows of the selection's bookmarks, in selection order (moves the dataset).
    QList<int> selectedRowsInOrder()
    {
        QList<int> rows;
        for (const db::Bookmark& bm : grid->selectedRows().bookmarks()) {
            marks->gotoBookmark(bm);
            rows << marks->currentRow();
        }
        return rows;
    }
};

TEST_F(GridRows, FooterShowsStaticTextAndSumsThatFollowEdits)
{
    EXPECT_EQ(grid->footerText(ColStudent), QStringLiteral("Сумма баллов"));
    EXPECT_EQ(grid->footerText(ColM1), QStringLiteral("60"));
    EXPECT_EQ(grid->footerText(ColM2), QStringLiteral("55"));   // a null counts as 0
    EXPECT_EQ(grid->footerText(ColDate), QString());

    clickCell(1, ColM1);
    type(QStringLiteral("40"));
    key(Qt::Key_Return);
    EXPECT_EQ(grid->footerText(ColM1), QStringLiteral("85"));   // before the row is posted
    key(Qt::Key_Escape);
    EXPECT_EQ(grid->footerText(ColM1), QStringLiteral("60"));

    clickCell(2, ColM2);
    type(QStringLiteral("2.5"));
    clickCell(0, ColM2);
    EXPECT_EQ(grid->footerText(ColM2), db::convert::formatFloat(57.5));
    EXPECT_DOUBLE_EQ(grid->columnSum(ColM2), 57.5);

    grid->setSumsEnabled(false);
    EXPECT_EQ(grid->footerText(ColM1), QString());
    EXPECT_EQ(grid->footerText(ColStudent), QStringLiteral("Сумма баллов"));
}

TEST_F(GridRows, FooterSitsUnderTheRowsAlignedWithTheColumns)
{
    QWidget* footer = nullptr;
    for (QWidget* w : grid->findChildren<QWidget*>())
        if (w->inherits("qel::ui::GridFooter"))
            footer = w;
    ASSERT_TRUE(footer);
    EXPECT_TRUE(footer->isVisible());
    EXPECT_EQ(footer->geometry().top(), grid->viewport()->geometry().bottom() + 1);
    grid->setFooterRowCount(0);
    EXPECT_FALSE(footer->isVisible());
}

TEST_F(GridRows, CtrlClicksSelectRowsAsBookmarksInClickOrder)
{
    grid->setOptions(grid->options() | ui::dgMultiSelect);
    clickCell(3, ColM1, Qt::ControlModifier);
    clickCell(0, ColM1, Qt::ControlModifier);
    clickCell(2, ColStudent, Qt::ControlModifier);
    EXPECT_EQ(grid->selectedRows().count(), 3);
    EXPECT_EQ(marks->currentRow(), 2);
    EXPECT_EQ(grid->selectedIndex(), int(ColStudent));
    EXPECT_TRUE(grid->selectedRows().isRowSelected(3));
    EXPECT_FALSE(grid->selectedRows().isRowSelected(1));
    EXPECT_EQ(selectedRowsInOrder(), (QList<int>{3, 0, 2}));

    // A second Ctrl-click takes a row out; the others keep their order.
    clickCell(0, ColM1, Qt::ControlModifier);
    EXPECT_EQ(selectedRowsInOrder(), (QList<int>{3, 2}));

    // A plain click clears the selection.
    clickCell(1, ColM1);
    EXPECT_EQ(grid->selectedRows().count(), 0);
    EXPECT_EQ(marks->currentRow(), 1);
}

TEST_F(GridRows, ShiftClickSelectsARange)
{
    grid->setOptions(grid->options() | ui::dgMultiSelect);
    clickCell(1, ColM1);
    clickCell(3, ColM1, Qt::ShiftModifier);
    EXPECT_EQ(marks->currentRow(), 3);
    EXPECT_EQ(selectedRowsInOrder(), (QList<int>{1, 2, 3}));
}

TEST_F(GridRows, SelectedRecordsKeepTheirMarksThroughASort)
{
    grid->setOptions(grid->options() | ui::dgMultiSelect);
    clickCell(0, ColM1, Qt::ControlModifier);
    clickCell(3, ColM1, Qt::ControlModifier);
    const QString first = grid->cellText(0, ColStudent), fourth = grid->cellText(3, ColStudent);
    marks->setSort(QStringLiteral("student DESC"));
    QList<int> marked;
    for (int row = 0; row < marks->recordCount(); ++row)
        if (grid->selectedRows().isRowSelected(row))
            marked << row;
    ASSERT_EQ(marked.size(), 2);
    QStringList names{grid->cellText(marked[0], ColStudent), grid->cellText(marked[1], ColStudent)};
    names.sort();
    QStringList expected{first, fourth};
    expected.sort();
    EXPECT_EQ(names, expected);
}

TEST_F(GridRows, SelectionFollowsInsertedRowsAndDropsReadRowsAgain)
{
    grid->setOptions(grid->options() | ui::dgMultiSelect);
    clickCell(1, ColM1, Qt::ControlModifier);
    clickCell(4, ColM1, Qt::ControlModifier);
    marks->first();
    marks->insert();   // a new row at the top moves the others down
    EXPECT_TRUE(grid->selectedRows().isRowSelected(2));
    EXPECT_TRUE(grid->selectedRows().isRowSelected(5));
    marks->cancel();
    EXPECT_TRUE(grid->selectedRows().isRowSelected(1));
    EXPECT_TRUE(grid->selectedRows().isRowSelected(4));

    marks->refresh();   // bookmarks do not survive a new reading of the rows
    EXPECT_EQ(grid->selectedRows().count(), 0);
}

TEST_F(GridRows, SelectAllAndClearThroughTheInterface)
{
    grid->setOptions(grid->options() | ui::dgMultiSelect);
    grid->setEditActions(ui::GridEditAction::SelectAll);
    clickCell(2, ColM1);
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->selectedRows().count(), 5);
    EXPECT_EQ(marks->currentRow(), 2);
    EXPECT_TRUE(grid->selectedRows().currentRowSelected());
    grid->selectedRows().clear();
    EXPECT_EQ(grid->selectedRows().count(), 0);
}

TEST_F(GridRows, CtrlDeleteAsksAndDeletesTheCurrentRow)
{
    clickCell(2, ColM1);
    dialogs.answer(ui::MsgResult::No);
    key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().icon, ui::MsgIcon::Question);
    EXPECT_EQ(marks->recordCount(), 5);

    key(Qt::Key_Delete, Qt::ControlModifier);   // answered Yes
    EXPECT_EQ(marks->recordCount(), 4);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_mark_mag = 3")).toInt(), 0);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag")).toInt(), 4);
    EXPECT_EQ(grid->model()->rowCount(), 4);

    // Without the operation allowed the key does nothing.
    grid->setAllowedOperations(ui::GridOperation::Update);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(marks->recordCount(), 4);
    EXPECT_EQ(dialogs.count(), 2);
}

TEST_F(GridRows, DownOnTheLastRowAppendsWhenAllowed)
{
    bool refused = false;
    marks->beforeInsert = [&](db::DataSet&) {
        refused = true;
        qel::abortSilently();
    };
    clickCell(4, ColM1);
    key(Qt::Key_Down);
    EXPECT_TRUE(refused);
    EXPECT_EQ(marks->recordCount(), 5);
    EXPECT_EQ(dialogs.count(), 0);

    marks->beforeInsert = nullptr;
    key(Qt::Key_Down);
    EXPECT_EQ(marks->state(), db::DataSetState::Insert);
    EXPECT_EQ(marks->currentRow(), 5);
    EXPECT_EQ(grid->currentIndex().row(), 5);
    key(Qt::Key_Escape);
    EXPECT_EQ(marks->recordCount(), 5);
    EXPECT_EQ(grid->model()->rowCount(), 5);
}

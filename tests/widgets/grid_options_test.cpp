// Grid options and editors beyond plain typing: Enter as Tab, dropping an untouched new
// row when the grid is left, edit masks, a pick list over a lookup field.
#include "tests/widgets/sheet_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QTest>

using namespace qel;
using qel::test::SheetFixture;

class GridOptions : public SheetFixture {};

TEST_F(GridOptions, EnterActsAsTabWhenAsked)
{
    clickCell(0, ColM1);
    type(QStringLiteral("7"));
    key(Qt::Key_Return);
    EXPECT_EQ(grid->selectedIndex(), int(ColM1));   // Enter only writes

    grid->setOption(ui::dgEnterAsTab, true);
    type(QStringLiteral("8"));
    key(Qt::Key_Return);
    EXPECT_EQ(value(0, "m1"), QVariant(8.0));
    EXPECT_EQ(grid->selectedIndex(), int(ColM2));
    key(Qt::Key_Return);   // without an editor it moves on as well
    EXPECT_EQ(grid->selectedIndex(), int(ColDate));
}

TEST_F(GridOptions, UntouchedNewRowIsDroppedWhenTheGridIsLeft)
{
    QLineEdit elsewhere(window.get());
    elsewhere.show();
    clickCell(4, ColM1);
    key(Qt::Key_Down);
    ASSERT_EQ(marks->state(), db::DataSetState::Insert);
    elsewhere.setFocus();
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    EXPECT_EQ(marks->recordCount(), 5);
    EXPECT_EQ(grid->model()->rowCount(), 5);

    // Without the option the new row stays.
    grid->setOption(ui::dgCancelOnExit, false);
    grid->setFocus();
    clickCell(4, ColM1);
    key(Qt::Key_Down);
    elsewhere.setFocus();
    EXPECT_EQ(marks->state(), db::DataSetState::Insert);
    marks->cancel();
}

TEST_F(GridOptions, EditMaskShapesTheTypedDate)
{
    grid->column(ColDate).setEditMask(QStringLiteral("99.99.9999;_"));
    clickCell(1, ColDate);
    type(QStringLiteral("01022024"));
    auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), QStringLiteral("01.02.2024"));
    key(Qt::Key_Return);
    EXPECT_EQ(value(1, "p36"), QVariant(QDateTime(QDate(2024, 2, 1), QTime(0, 0))));

    // A mask emptied by the user clears the date instead of failing on its dots.
    key(Qt::Key_F2);
    ASSERT_TRUE(grid->editorMode());
    qobject_cast<QLineEdit*>(grid->cellEditor())->selectAll();
    key(Qt::Key_Delete);
    key(Qt::Key_Return);
    EXPECT_EQ(dialogs.count(), 0);
    EXPECT_TRUE(value(1, "p36").isNull());
}

TEST_F(GridOptions, PickListOverALookupFieldStoresTheKeyOfThePickedText)
{
    auto& teacher = grid->column(ColTeacher);
    teacher.setPickList({QStringLiteral("Петров П.П."), QStringLiteral("Сидорова А.В.")});
    clickCell(0, ColTeacher);
    grid->pressEditButton(ColTeacher, 0);
    auto* combo = qobject_cast<QComboBox*>(grid->cellEditor());
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Петров П.П."));
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    ASSERT_TRUE(qel::test::waitFor([&] { return !grid->editorMode(); }));
    EXPECT_EQ(value(0, "id_teacher"), QVariant(9));
    clickCell(2, ColTeacher);
    EXPECT_EQ(stored(1, QStringLiteral("id_teacher")), QVariant(9));
}

TEST_F(GridOptions, DisabledGridTakesNoInput)
{
    grid->setEnabled(false);
    EXPECT_FALSE(grid->canEditCell(0, ColM1));
    EXPECT_FALSE(grid->showEditor());
    grid->setEnabled(true);
    EXPECT_TRUE(grid->canEditCell(0, ColM1));
}

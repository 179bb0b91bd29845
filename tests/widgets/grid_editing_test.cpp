// Typing into the grid: the dataset goes into edit state, the column's update handler
// sees the text, a handled update keeps the old value, conversions and dataset errors are
// reported, Esc cancels and leaving the row posts.
#include "tests/widgets/sheet_fixture.h"

#include "platform/os/errors.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QTest>

using namespace qel;
using qel::test::SheetFixture;

class GridEditing : public SheetFixture {};

TEST_F(GridEditing, TypingGoesThroughUpdateDataIntoTheField)
{
    QStringList seen;
    int columnSeen = -1;
    grid->column(ColM1).onUpdateData = [&](ui::GridColumn& c, QString& text, QVariant&, bool& useText, bool&) {
        seen << text;
        columnSeen = grid->selectedIndex();
        EXPECT_TRUE(useText);
        EXPECT_EQ(&c, &grid->column(ColM1));
    };
    clickCell(1, ColM1);
    ASSERT_EQ(marks->currentRow(), 1);
    type(QStringLiteral("42"));
    EXPECT_EQ(marks->state(), db::DataSetState::Edit);
    ASSERT_TRUE(grid->editorMode());
    key(Qt::Key_Return);
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(seen, QStringList{QStringLiteral("42")});
    EXPECT_EQ(columnSeen, int(ColM1));
    EXPECT_EQ(value(1, "m1"), QVariant(42.0));
    EXPECT_EQ(marks->state(), db::DataSetState::Edit);   // posted only when the row is left
    EXPECT_EQ(stored(2, QStringLiteral("m1")), QVariant(15.0));
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(GridEditing, HandledUpdateWritesNothingAndKeepsTheOldValue)
{
    grid->column(ColM1).onUpdateData = [&](ui::GridColumn&, QString& text, QVariant&, bool&, bool& handled) {
        handled = text.toInt() > 50;
    };
    clickCell(1, ColM1);
    type(QStringLiteral("99"));
    key(Qt::Key_Return);
    EXPECT_EQ(value(1, "m1"), QVariant(15.0));
    EXPECT_EQ(grid->cellText(1, ColM1), QStringLiteral("15"));
    EXPECT_EQ(marks->state(), db::DataSetState::Edit);   // the row stays in edit state

    type(QStringLiteral("40"));
    key(Qt::Key_Return);
    EXPECT_EQ(value(1, "m1"), QVariant(40.0));
}

TEST_F(GridEditing, HandlerMayReplaceTheText)
{
    // An emptied cell stores 0: the handler turns "" into "0".
    grid->column(ColM2).onUpdateData = [](ui::GridColumn&, QString& text, QVariant&, bool&, bool&) {
        if (text.isEmpty())
            text = QStringLiteral("0");
    };
    clickCell(0, ColM2);
    key(Qt::Key_F2);
    ASSERT_TRUE(grid->editorMode());
    auto* editor = qobject_cast<QLineEdit*>(grid->cellEditor());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), QStringLiteral("20"));
    key(Qt::Key_Backspace);   // the whole text is selected
    key(Qt::Key_Return);
    EXPECT_EQ(value(0, "m2"), QVariant(0.0));
}

TEST_F(GridEditing, BadTextsAreReportedAndNothingIsWritten)
{
    struct Case {
        const char* name;
        int column;
        QString text;
        const char* field;
        QVariant kept;
        QString message;
    };
    const Case cases[] = {
        {"not a number", ColM1, QStringLiteral("abc"), "m1", 15.0, QStringLiteral("\"abc\" не является числом")},
        {"out of range", ColM1, QStringLiteral("150"), "m1", 15.0, QStringLiteral("вне допустимого диапазона")},
        {"not a date", ColDate, QStringLiteral("31.02.2024"), "p36", QVariant(), QStringLiteral("не является датой")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.clear();
        clickCell(1, c.column);
        type(c.text);
        key(Qt::Key_Return);
        ASSERT_EQ(dialogs.count(), 1);
        EXPECT_TRUE(dialogs.last().text.contains(c.message)) << dialogs.last().text.toStdString();
        EXPECT_EQ(dialogs.last().icon, ui::MsgIcon::Error);
        EXPECT_EQ(value(1, c.field), c.kept);
        EXPECT_FALSE(grid->editorMode());
        key(Qt::Key_Escape);
    }
}

TEST_F(GridEditing, DatesAreTypedDayFirst)
{
    clickCell(1, ColDate);
    type(QStringLiteral("20.02.2024"));
    key(Qt::Key_Return);
    EXPECT_EQ(value(1, "p36"), QVariant(QDateTime(QDate(2024, 2, 20), QTime(0, 0))));
    EXPECT_EQ(grid->cellText(1, ColDate), QStringLiteral("20.02.2024"));
}

TEST_F(GridEditing, RefusedEditLeavesTheCellSilently)
{
    marks->beforeEdit = [](db::DataSet&) { qel::abortSilently(); };
    clickCell(2, ColM1);
    type(QStringLiteral("7"));
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    EXPECT_EQ(value(2, "m1"), QVariant(5.0));
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(GridEditing, EscCancelsTheRowsEdit)
{
    clickCell(0, ColM1);
    type(QStringLiteral("77"));
    key(Qt::Key_Return);
    ASSERT_EQ(value(0, "m1"), QVariant(77.0));
    key(Qt::Key_Escape);
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    EXPECT_EQ(value(0, "m1"), QVariant(10.0));

    // Esc inside the editor drops the typed text and the row's edit at once.
    type(QStringLiteral("55"));
    ASSERT_TRUE(grid->editorMode());
    key(Qt::Key_Escape);
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    EXPECT_EQ(value(0, "m1"), QVariant(10.0));
    EXPECT_EQ(stored(1, QStringLiteral("m1")), QVariant(10.0));
}

TEST_F(GridEditing, LeavingTheRowPostsIt)
{
    clickCell(1, ColM1);
    type(QStringLiteral("33"));
    clickCell(3, ColM2);   // the open editor is written first, then the row is posted
    EXPECT_EQ(marks->currentRow(), 3);
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    EXPECT_EQ(stored(2, QStringLiteral("m1")), QVariant(33.0));
    EXPECT_EQ(value(1, "m1"), QVariant(33.0));

    // Moving with the arrow keys posts as well.
    type(QStringLiteral("11"));
    key(Qt::Key_Down);
    EXPECT_EQ(marks->currentRow(), 4);
    EXPECT_EQ(stored(4, QStringLiteral("m2")), QVariant(11.0));
    EXPECT_EQ(grid->currentIndex().row(), 4);
}

TEST_F(GridEditing, FailedPostIsReportedAndTheGridStaysOnTheRow)
{
    clickCell(1, ColM1);
    type(QStringLiteral("33"));
    key(Qt::Key_Return);
    // Someone else changes the row meanwhile: the post finds no row to update.
    db->admin(QStringLiteral("UPDATE mark_mag SET m1 = 99 WHERE id_mark_mag = 2"));
    clickCell(3, ColM1);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().text, QString::fromLatin1(db::kRowNotLocated));
    EXPECT_EQ(marks->currentRow(), 1);
    EXPECT_EQ(marks->state(), db::DataSetState::Edit);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(stored(2, QStringLiteral("m1")), QVariant(99.0));   // not overwritten

    key(Qt::Key_Escape);
    clickCell(3, ColM1);
    EXPECT_EQ(marks->currentRow(), 3);
    EXPECT_EQ(dialogs.count(), 1);
}

TEST_F(GridEditing, KeyPressMayReplaceOrSwallowTheTypedCharacter)
{
    grid->onKeyPress = [](ui::TQXDBGridEh&, QChar& key) {
        if (key == QLatin1Char(','))
            key = QLatin1Char('.');
        if (key == QLatin1Char('x'))
            key = QChar();
    };
    clickCell(0, ColM2);
    type(QStringLiteral("12,x5"));
    key(Qt::Key_Return);
    EXPECT_EQ(value(0, "m2"), QVariant(12.5));

    // The first key, which opens the editor, is filtered too.
    clickCell(1, ColM2);
    type(QStringLiteral(",5"));
    key(Qt::Key_Return);
    EXPECT_EQ(value(1, "m2"), QVariant(0.5));
}

TEST_F(GridEditing, KeyDownSeesKeysFirstAndMaySwallowThem)
{
    QList<int> keys;
    grid->onKeyDown = [&](ui::TQXDBGridEh&, int& key, Qt::KeyboardModifiers) {
        keys << key;
        if (key == Qt::Key_Down)
            key = 0;
    };
    clickCell(0, ColM1);
    key(Qt::Key_Down);
    EXPECT_EQ(marks->currentRow(), 0);
    type(QStringLiteral("3"));
    key(Qt::Key_Return);
    EXPECT_EQ(keys, (QList<int>{Qt::Key_Down, Qt::Key_3, Qt::Key_Return}));
}

TEST_F(GridEditing, CellsThatCannotBeEditedIgnoreTyping)
{
    grid->column(ColStudent).setReadOnly(true);
    clickCell(0, ColStudent);
    type(QStringLiteral("Z"));
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);

    grid->setOption(ui::dgEditing, false);
    clickCell(0, ColM1);
    type(QStringLiteral("9"));
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(value(0, "m1"), QVariant(10.0));
    EXPECT_EQ(marks->currentRow(), 0);   // letters never jump between rows
}

TEST_F(GridEditing, PickListWritesItsKey)
{
    auto& admission = grid->column(ColAdmission);
    admission.setPickList({QStringLiteral("допущен"), QStringLiteral("не допущен")});
    admission.setKeyList({QStringLiteral("д"), QStringLiteral("н/д")});
    EXPECT_EQ(grid->cellText(1, ColAdmission), QStringLiteral("не допущен"));
    QString textSeen;
    QVariant valueSeen;
    admission.onUpdateData = [&](ui::GridColumn&, QString& text, QVariant& value, bool& useText, bool&) {
        textSeen = text;
        valueSeen = value;
        EXPECT_FALSE(useText);
    };
    clickCell(1, ColAdmission);
    grid->pressEditButton(ColAdmission, 0);
    auto* combo = qobject_cast<QComboBox*>(grid->cellEditor());
    ASSERT_TRUE(combo);
    ASSERT_TRUE(combo->view()->isVisible());
    QTest::keyClick(combo->view(), Qt::Key_Up);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    ASSERT_TRUE(qel::test::waitFor([&] { return !grid->editorMode(); }));
    EXPECT_EQ(textSeen, QStringLiteral("допущен"));
    EXPECT_EQ(valueSeen, QVariant(QStringLiteral("д")));
    EXPECT_EQ(value(1, "primech"), QVariant(QStringLiteral("д")));
    EXPECT_EQ(grid->cellText(1, ColAdmission), QStringLiteral("допущен"));
}

TEST_F(GridEditing, LookupColumnOffersTheLookupListAndStoresTheKey)
{
    EXPECT_EQ(grid->cellText(0, ColTeacher), QStringLiteral("Петров П.П."));
    auto& teacher = grid->column(ColTeacher);
    teacher.setDropDownWidth(300);
    QVariant valueSeen;
    bool filtered = false;
    teacher.onEditButtonDown = [&](ui::GridColumn&, int, bool&) {
        // The handler narrows the list before it is shown.
        teachers->setFilter(QStringLiteral("id_teacher<>1"));
        teachers->setFiltered(true);
        filtered = true;
    };
    teacher.onUpdateData = [&](ui::GridColumn&, QString&, QVariant& value, bool&, bool&) { valueSeen = value; };
    clickCell(0, ColTeacher);
    const QRect button = grid->editButtonRect(ColTeacher, 0);
    ASSERT_TRUE(button.isValid());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, button.center());
    EXPECT_TRUE(filtered);
    auto* combo = qobject_cast<QComboBox*>(grid->cellEditor());
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Петров П.П."));
    EXPECT_GE(combo->view()->width(), 300);
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    ASSERT_TRUE(qel::test::waitFor([&] { return !grid->editorMode(); }));
    EXPECT_EQ(valueSeen, QVariant(9));
    EXPECT_EQ(value(0, "id_teacher"), QVariant(9));
    EXPECT_EQ(grid->cellText(0, ColTeacher), QStringLiteral("Сидорова А.В."));
}

TEST_F(GridEditing, AlwaysShownEditorOpensWithoutEditingTheRow)
{
    grid->setOptions(grid->options() | ui::dgAlwaysShowEditor);
    clickCell(2, ColM1);
    ASSERT_TRUE(qel::test::waitFor([&] { return grid->editorMode(); }));
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    clickCell(3, ColM1);   // an untouched editor writes nothing
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    ASSERT_TRUE(qel::test::waitFor([&] { return grid->editorMode(); }));
    type(QStringLiteral("8"));
    EXPECT_EQ(marks->state(), db::DataSetState::Edit);
    key(Qt::Key_Return);
    EXPECT_EQ(value(3, "m1"), QVariant(8.0));
}

// A post from outside the grid (a navigator, the window closing, code) writes what is
// still in the open editor first: nothing typed is lost.
TEST_F(GridEditing, APostFromOutsideWritesTheOpenEditorFirst)
{
    clickCell(1, ColM1);
    type(QStringLiteral("33"));
    ASSERT_TRUE(grid->editorMode());
    marks->post();
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    EXPECT_EQ(stored(2, QStringLiteral("m1")), QVariant(33.0));

    // An edit that the user began only by typing is not dropped as "unmodified" either.
    clickCell(0, ColM1);
    type(QStringLiteral("7"));
    marks->checkBrowseMode();
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    EXPECT_EQ(value(0, "m1"), QVariant(7.0));
}

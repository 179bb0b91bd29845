// The small controls: numeric box, up-down box, check list, navigator, date picker,
// drop-down list, status bar, progress bar.
#include "platform/os/system_info.h"
#include "platform/ui/check_list_box.h"
#include "platform/ui/color_progress_bar.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/db_navigator.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/numeric_edit.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/up_down_edit.h"
#include "tests/support/recording_dialogs.h"
#include "tests/widgets/sheet_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qel;

TEST(NumericEdit, TakesWholeNumbersAndShowsThemGrouped)
{
    QWidget window;
    ui::NumericEdit edit(&window);
    QLineEdit other(&window);
    edit.move(0, 0);
    other.move(0, 40);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QStringList changes;
    edit.onChange = [&](ui::NumericEdit& e) { changes << e.text(); };
    edit.setFocus();
    QTest::keyClicks(&edit, "-12a3.4");   // letters and the point are refused
    EXPECT_EQ(edit.text(), QStringLiteral("-1234"));
    EXPECT_EQ(edit.intValue(), -1234);
    EXPECT_EQ(changes.last(), QStringLiteral("-1234"));
    EXPECT_EQ(edit.alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    const QString group = os::uiLocale().groupSeparator();
    EXPECT_EQ(edit.displayText(), QStringLiteral("(1") + group + QStringLiteral("234)"));
    edit.setText(QStringLiteral("150000"));
    EXPECT_EQ(edit.displayText(), QStringLiteral("150") + group + QStringLiteral("000"));
    edit.setGrouping(false);
    EXPECT_EQ(edit.displayText(), QStringLiteral("150000"));

    // With a range check the maximum is applied when the box is left.
    edit.setMaximum(100);
    edit.setCheckRange(true);
    edit.setFocus();
    other.setFocus();
    EXPECT_EQ(edit.text(), QStringLiteral("100"));
}

TEST(UpDownEdit, ArrowsStepWithinBoundsAndTheTextStaysFree)
{
    ui::UpDownEdit edit(nullptr, Qt::Horizontal);
    edit.setRange(0, 10);
    EXPECT_EQ(edit.text(), QStringLiteral("0"));
    QTest::mouseClick(edit.downButton(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QStringLiteral("0"));
    for (int i = 0; i < 12; ++i)
        QTest::mouseClick(edit.upButton(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QStringLiteral("10"));
    edit.setText(QStringLiteral("4"));
    QTest::mouseClick(edit.upButton(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QStringLiteral("5"));
    edit.setText(QStringLiteral("abc"));   // free text is kept until an arrow is pressed
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));
    QTest::mouseClick(edit.downButton(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QStringLiteral("4"));
}

TEST(CheckListBox, ItemsTickAndReportUserClicks)
{
    ui::CheckListBox box;
    box.resize(200, 200);
    box.show();
    QList<int> clicked;
    box.onClickCheck = [&](ui::CheckListBox&, int item) { clicked << item; };
    box.addItem(QStringLiteral("Авдеев"));
    box.addItem(QStringLiteral("Белова"), true);
    box.addItem(QStringLiteral("Волков"));
    EXPECT_EQ(box.checkedCount(), 1);
    box.setAllChecked(true);
    EXPECT_EQ(box.checkedCount(), 3);
    EXPECT_TRUE(clicked.isEmpty());   // changes from code report nothing
    box.setAllChecked(false);
    QTest::keyClick(&box, Qt::Key_Down);
    box.setCurrentRow(2);
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_TRUE(box.checked(2));
    EXPECT_EQ(clicked, QList<int>{2});
    EXPECT_EQ(box.items(), (QStringList{"Авдеев", "Белова", "Волков"}));
}

class Navigator : public qel::test::SheetFixture {};

TEST_F(Navigator, ShowsTheChosenButtonsWithHintsAndActsOnTheDataset)
{
    ui::DBNavigator nav(window.get());
    nav.setVisibleButtons({ui::NavigateButton::Post, ui::NavigateButton::Cancel});
    nav.setHint(ui::NavigateButton::Post, QStringLiteral("Сохранить"));
    nav.setHint(ui::NavigateButton::Cancel, QStringLiteral("Отмена"));
    nav.setDataSource(source.get());
    nav.show();
    EXPECT_TRUE(nav.button(ui::NavigateButton::Post)->isVisible());
    EXPECT_FALSE(nav.button(ui::NavigateButton::Refresh)->isVisible());
    EXPECT_EQ(nav.button(ui::NavigateButton::Post)->toolTip(), QStringLiteral("Сохранить"));
    EXPECT_FALSE(nav.isButtonEnabled(ui::NavigateButton::Post));

    // Typing into the grid enables post; clicking it writes the open editor and posts.
    clickCell(2, ColM1);
    type(QStringLiteral("44"));
    EXPECT_TRUE(nav.isButtonEnabled(ui::NavigateButton::Post));
    QTest::mouseClick(nav.button(ui::NavigateButton::Post), Qt::LeftButton);
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);
    EXPECT_EQ(value(2, "m1"), QVariant(44.0));
    EXPECT_EQ(stored(3, QStringLiteral("m1")), QVariant(44.0));
    EXPECT_FALSE(nav.isButtonEnabled(ui::NavigateButton::Cancel));

    clickCell(2, ColM1);
    type(QStringLiteral("1"));
    QTest::mouseClick(nav.button(ui::NavigateButton::Cancel), Qt::LeftButton);
    EXPECT_EQ(value(2, "m1"), QVariant(44.0));
    EXPECT_EQ(marks->state(), db::DataSetState::Browse);

    // A failing post is reported; the row stays in edit state.
    clickCell(2, ColM1);
    type(QStringLiteral("5"));
    db->admin(QStringLiteral("DELETE FROM mark_mag WHERE id_mark_mag = 3"));
    QTest::mouseClick(nav.button(ui::NavigateButton::Post), Qt::LeftButton);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().text, QString::fromLatin1(db::kRowNotLocated));
    EXPECT_EQ(marks->state(), db::DataSetState::Edit);
}

TEST_F(Navigator, RefreshRereadsTheRows)
{
    ui::DBNavigator nav(window.get());
    nav.setVisibleButtons({ui::NavigateButton::Refresh});
    nav.setHint(ui::NavigateButton::Refresh, QStringLiteral("Обновить"));
    nav.setDataSource(source.get());
    db->admin(QStringLiteral("UPDATE mark_mag SET m2 = 12 WHERE id_mark_mag = 4"));
    EXPECT_EQ(grid->cellText(3, ColM2), QStringLiteral("10"));
    QTest::mouseClick(nav.button(ui::NavigateButton::Refresh), Qt::LeftButton);
    EXPECT_EQ(grid->cellText(3, ColM2), QStringLiteral("12"));
    EXPECT_EQ(grid->footerText(ColM2), QStringLiteral("57"));
    EXPECT_EQ(nav.hint(ui::NavigateButton::Refresh), QStringLiteral("Обновить"));
    marks->close();
    EXPECT_FALSE(nav.isButtonEnabled(ui::NavigateButton::Refresh));
}

TEST(DatePicker, KeepsTheTimeAndReportsOnlyUserChanges)
{
    ui::DatePicker picker;
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_LE(std::abs(picker.value().secsTo(now)), 5);
    EXPECT_EQ(picker.displayFormat(), QStringLiteral("dd.MM.yyyy"));
    int changes = 0;
    picker.onChange = [&](ui::DatePicker&) { ++changes; };
    picker.setValue(QDateTime(QDate(2024, 2, 20), QTime(10, 30)));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(picker.text(), QStringLiteral("20.02.2024"));
    EXPECT_EQ(picker.value(), QDateTime(QDate(2024, 2, 20), QTime(10, 30)));
    picker.show();
    picker.setFocus();
    picker.setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClick(&picker, Qt::Key_Up);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picker.value(), QDateTime(QDate(2024, 2, 21), QTime(10, 30)));
}

TEST(DropDownList, ChangeRunsOnlyOnAUserPick)
{
    ui::DropDownList list;
    list.setItems({QStringLiteral("Показать тех кто изучает данную дисциплину"), QStringLiteral("Показать задолжности"),
                   QStringLiteral("Показать всех")});
    int changes = 0;
    list.onChange = [&](ui::DropDownList&) { ++changes; };
    list.setItemIndex(2);
    EXPECT_EQ(changes, 0);
    list.show();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Up);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.itemIndex(), 1);
}

TEST(StatusBar, PanelsHaveFixedWidthsAndTexts)
{
    ui::StatusBar bar;
    for (const auto& [w, t] : {std::pair{150, QStringLiteral("Количество записей: 0")},
                               std::pair{150, QStringLiteral("Текущая запись: 0")},
                               std::pair{150, QStringLiteral("Выполнение: Удачно")}, std::pair{50, QString()}})
        bar.addPanel(w, t);
    bar.resize(800, 24);
    bar.show();
    EXPECT_EQ(bar.panelCount(), 4);
    EXPECT_EQ(bar.panel(0)->width(), 150);
    EXPECT_EQ(bar.panel(3)->width(), 50);
    EXPECT_EQ(bar.panelText(2), QStringLiteral("Выполнение: Удачно"));
    EXPECT_EQ(bar.panel(1)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
}

TEST(ColorProgressBar, StepsAndPaintsInItsColour)
{
    ui::ColorProgressBar bar;
    bar.setRange(0, 14);
    bar.setStep(1);
    bar.setValue(0);
    bar.resize(140, 16);
    for (int i = 0; i < 9; ++i)
        bar.stepIt();
    EXPECT_EQ(bar.value(), 9);
    bar.setBarColor(QColor(255, 0, 0));
    const QImage img = bar.grab().toImage();
    EXPECT_EQ(img.pixelColor(10, 8), QColor(255, 0, 0));
    EXPECT_NE(img.pixelColor(130, 8), QColor(255, 0, 0));
}

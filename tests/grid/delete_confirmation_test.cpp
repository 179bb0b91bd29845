// The delete confirmation window on the sheet's configuration of the component, answered
// as a user would: its texts, columns and size, Esc and Нет, Да, nothing selected, and a
// failure while the rows are listed.
#include "tests/grid/grid_events_fixture.h"

#include "grid/delete_confirmation.h"
#include "grid/sheet_grid_events.h"
#include "platform/ui/panel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace qel;
using qel::test::AuditedGridEventsFixture;

class DeleteConfirmation : public AuditedGridEventsFixture {
protected:
    void SetUp() override
    {
        AuditedGridEventsFixture::SetUp();
        // As the main window wires it: the confirmation handler starts the reopening once
        // the question was asked.
        grid::configureSheetGridEvents(
            *events, *grid, QStringLiteral("id_mark_mag"),
            [this](QObject*, bool& canDelete) {
                if (grid::confirmRowsDeletion(*grid, canDelete))
                    ++reopenings;
            },
            nullptr);
        recordDeletions();
    }
    static bool anyConfirmationWindow()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<grid::TForm1*>(w))
                return true;
        return false;
    }

    int reopenings = 0;
};

TEST_F(DeleteConfirmation, ListsTheSelectedRowsWithTheGridsColumnsAndEscAnswersNo)
{
    grid->column(ColM2).setVisible(false);
    selectRows({3, 0, 1});
    bool shown = false;
    test::whenModalShown(
        [&](QWidget* modal) {
            auto* form = qobject_cast<grid::TForm1*>(modal);
            ASSERT_TRUE(form);
            shown = true;
            EXPECT_EQ(form->windowTitle(), QStringLiteral("Предупреждение..."));
            EXPECT_EQ(form->Count_Lbl->text(), QStringLiteral("Количество удаляемых записей:[3]."));
            EXPECT_EQ(form->Qst_Lbl->text(), QStringLiteral("Вы действительно хотите удалить эти записи?"));
            EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
            EXPECT_EQ(form->minimumSize(), QSize(550, 250));
            EXPECT_EQ(form->width(), window->width() + 5);
            EXPECT_TRUE(form->BitBtn1->isDefault());
            EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("Да"));
            EXPECT_EQ(form->BitBtn2->text(), QStringLiteral("Нет"));

            QTableWidget* list = form->StringGrid;
            ASSERT_EQ(list->columnCount(), int(ColumnTotal));
            ASSERT_EQ(list->rowCount(), 3);
            EXPECT_EQ(list->horizontalHeaderItem(ColStudent)->text(), QStringLiteral("Студент"));
            EXPECT_EQ(list->horizontalHeaderItem(ColTeacher)->text(), QStringLiteral("Преподаватель"));
            EXPECT_EQ(list->columnWidth(ColStudent), grid->shownWidth(ColStudent));
            // The hidden column: in its place, empty, without title, at the default width.
            EXPECT_EQ(list->horizontalHeaderItem(ColM2)->text(), QString());
            EXPECT_EQ(list->columnWidth(ColM2), grid::TForm1::kDefaultColumnWidth);
            EXPECT_EQ(list->item(0, ColM2), nullptr);
            EXPECT_EQ(list->verticalHeaderItem(0)->text(), QString());   // the empty first column
            const char* students[] = {"Гришина Анна", "Авдеев Илья", "Белова Мария"};
            const char* teachers[] = {"Зав. кафедрой", "Петров П.П.", "Сидорова А.В."};
            for (int r = 0; r < 3; ++r) {
                EXPECT_EQ(list->item(r, ColStudent)->text(), QString::fromUtf8(students[r]));
                EXPECT_EQ(list->item(r, ColTeacher)->text(), QString::fromUtf8(teachers[r]));
            }
            EXPECT_EQ(list->item(2, ColAdmission)->text(), QStringLiteral("н/д"));
            EXPECT_EQ(list->verticalHeader()->defaultSectionSize(), 18);
            // The dataset waits on the last listed row.
            EXPECT_EQ(marks->currentRow(), 1);

            // The buttons stay centred in the bottom panel.
            form->resize(form->width() + 101, form->height());
            QApplication::processEvents();
            EXPECT_EQ(form->Btns_Pnl->x(), form->Panel2->width() / 2 - form->Btns_Pnl->width() / 2);

            QTest::keyClick(form, Qt::Key_Escape);
        },
        "qel::grid::TForm1");
    key(Qt::Key_Delete, Qt::ControlModifier);

    EXPECT_TRUE(shown);
    EXPECT_FALSE(anyConfirmationWindow());
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(audited.isEmpty());
    EXPECT_EQ(reopenings, 1);
}

TEST_F(DeleteConfirmation, DaDeletesTheRowsWithTheirAuditEntriesNetDoesNot)
{
    selectRows({4, 0, 2});
    test::whenModalShown([](QWidget* modal) { QTest::mouseClick(static_cast<grid::TForm1*>(modal)->BitBtn2, Qt::LeftButton); },
                         "qel::grid::TForm1");
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(reopenings, 1);

    test::whenModalShown([](QWidget* modal) { QTest::mouseClick(static_cast<grid::TForm1*>(modal)->BitBtn1, Qt::LeftButton); },
                         "qel::grid::TForm1");
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(storedIds(), (QList<int>{2, 4}));
    EXPECT_EQ(audited, (QStringList{QStringLiteral("5"), QStringLiteral("1"), QStringLiteral("3")}));
    EXPECT_TRUE(grid->selectedRows().isEmpty());
    EXPECT_EQ(reopenings, 2);
    EXPECT_FALSE(anyConfirmationWindow());
}

TEST_F(DeleteConfirmation, NothingSelectedOrNoCtrlShowsNoWindow)
{
    bool shown = false;
    test::whenModalShown([&](QWidget* modal) { shown = true, test::closeModal(modal, QDialog::Rejected); }, nullptr, 300);
    key(Qt::Key_Delete, Qt::ControlModifier);
    selectRows({1});
    key(Qt::Key_Delete);
    QTest::qWait(350);
    EXPECT_FALSE(shown);
    EXPECT_EQ(reopenings, 0);
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
}

TEST_F(DeleteConfirmation, TheWindowIsFreedWhenListingTheRowsFailsAndNothingIsDeleted)
{
    selectRows({0, 2});
    // The current row holds a change its post refuses: moving to the first listed row fails.
    marks->beforePost = [](db::DataSet&) { throw Error(QStringLiteral("Сохранить запись нельзя.")); };
    marks->edit();
    marks->fieldByName(QStringLiteral("m1")).setValue(44);
    key(Qt::Key_Delete, Qt::ControlModifier);

    EXPECT_FALSE(anyConfirmationWindow());
    ASSERT_FALSE(dialogs.messages().isEmpty());
    EXPECT_EQ(dialogs.last().text, QStringLiteral("Сохранить запись нельзя."));
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(audited.isEmpty());
    EXPECT_EQ(reopenings, 0);
}

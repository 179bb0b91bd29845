// Deleting the selected rows with Ctrl+Delete: the question, the dataset's own
// before-delete rule refusing some rows, the change history recorder's audit of each
// deleted row, a DELETE the server refuses, and rows that can no longer be reached.
#include "tests/grid/grid_events_fixture.h"

#include "platform/ui/dialogs.h"

using namespace qel;
using qel::test::AuditedGridEventsFixture;

class GridDelete : public AuditedGridEventsFixture {
protected:
    void SetUp() override
    {
        AuditedGridEventsFixture::SetUp();
        // The dataset's own rule: Белова's row (id 2) may not be deleted; the rule says so
        // and aborts silently.
        marks->beforeDelete = [](db::DataSet& ds) {
            if (ds.fieldByName(QStringLiteral("id_mark_mag")).asInteger() == 2) {
                ui::messageBox(QStringLiteral("Нельзя удалить эту запись."), QStringLiteral("Warning!"),
                               ui::MsgIcon::Warning);
                abortSilently();
            }
        };
        recordDeletions();
    }
};

TEST_F(GridDelete, RefusedRowsStayAndTheOthersGoWithTheirAuditEntries)
{
    selectRows({0, 1, 2, 3});
    key(Qt::Key_Delete, Qt::ControlModifier);

    ASSERT_EQ(dialogs.count(), 2);
    const test::RecordedMessage& question = dialogs.messages().at(0);
    EXPECT_EQ(question.text, QStringLiteral("Delete record(s) - ?"));
    EXPECT_EQ(question.title, QStringLiteral("Confirm"));
    EXPECT_EQ(question.icon, ui::MsgIcon::Question);
    EXPECT_EQ(question.buttons, ui::MsgButtons::YesNo);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("Нельзя удалить эту запись."));   // once, from the rule

    EXPECT_EQ(storedIds(), (QList<int>{2, 5}));
    EXPECT_EQ(ids(), (QList<int>{2, 5}));
    EXPECT_EQ(audited, (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("4")}));
    EXPECT_TRUE(grid->selectedRows().isEmpty());
    EXPECT_FALSE(marks->editing());
    EXPECT_EQ(outcomes, QList<quint16>{grid::QXDBEOk});
}

TEST_F(GridDelete, AnsweredNoNothingIsDeletedOrAudited)
{
    selectRows({0, 2});
    dialogs.answer(ui::MsgResult::No);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(audited.isEmpty());
    EXPECT_EQ(grid->selectedRows().count(), 2);
    EXPECT_TRUE(outcomes.isEmpty());
}

TEST_F(GridDelete, WithoutTheConfirmOptionNothingIsAsked)
{
    grid->setOption(ui::dgConfirmDelete, false);
    selectRows({4});
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3, 4}));
}

TEST_F(GridDelete, ADeleteTheServerRefusesIsReportedAndTheRowStays)
{
    grid->setOption(ui::dgConfirmDelete, false);
    // Another client removed Волков's row: the DELETE matches nothing on the server.
    db->admin(QStringLiteral("DELETE FROM mark_mag WHERE id_mark_mag = 3"));
    selectRows({0, 2, 4});
    key(Qt::Key_Delete, Qt::ControlModifier);

    EXPECT_EQ(storedIds(), (QList<int>{2, 4}));
    EXPECT_EQ(ids(), (QList<int>{2, 3, 4}));
    EXPECT_EQ(audited, (QStringList{QStringLiteral("1"), QStringLiteral("5")}));
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().icon, ui::MsgIcon::Error);
    EXPECT_TRUE(dialogs.last().text.startsWith(QStringLiteral("Не удалось удалить записей: 1.")));
    EXPECT_TRUE(dialogs.last().text.contains(QString::fromLatin1(db::kRowNotLocated)));
    EXPECT_EQ(outcomes, QList<quint16>{grid::QXDBERecordsFailed});
    EXPECT_FALSE(marks->editing());
}

TEST_F(GridDelete, RowsThatCanNoLongerBeReachedAreSkippedNotDeletedAsOthers)
{
    grid->setOption(ui::dgConfirmDelete, false);
    selectRows({0, 1, 2, 4});
    // While the rule's refusal box is open, something reopens the dataset (as a timer of
    // the window could): the selection's remaining bookmarks lead nowhere now.
    dialogs.onMessage([this](const ui::MessageRequest& r) {
        if (r.title == QStringLiteral("Warning!")) {
            marks->close();
            marks->open();
        }
    });
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(storedIds(), (QList<int>{2, 3, 4, 5}));
    EXPECT_EQ(audited, QStringList{QStringLiteral("1")});
    EXPECT_EQ(outcomes, QList<quint16>{grid::QXDBEOk});
}

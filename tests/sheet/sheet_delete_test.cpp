// Copying and deleting the selected rows of the sheet from the keyboard: Ctrl+C puts the
// rows on the clipboard in the client's own format, Ctrl+Delete asks with the confirmation
// window, deletes through the posting rules and the audit trail, and the sheet is reopened
// exactly once afterwards — also when refusals shown during the deletion run an event loop.
#include "data/dm_cde_3.h"
#include "grid/delete_confirmation.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/sheet/sheet_window_fixture.h"
#include "tests/support/modal.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

using namespace qel;

namespace {

class SheetDelete : public test::SheetWindowTest {
protected:
    db::StoredProc& sheet() const { return fx->dm->ADO_SP_Sort; }
    void open()
    {
        logIn();
        openDemoSheet();
        const auto opened = sheet().afterOpen;
        sheet().afterOpen = [this, opened](db::DataSet& ds) {
            ++openings;
            opened(ds);
        };
    }
    // Ctrl+clicks the rows of these students; returns their keys.
    QList<QVariant> select(const QList<int>& students)
    {
        QList<QVariant> keys;
        for (int student : students) {
            const int row = rowOfStudent(student);
            clickCell(row, QStringLiteral("student"), Qt::ControlModifier);
            keys << value(row, QStringLiteral("id_mark_mag"));
        }
        return keys;
    }
    void pressOnGrid(int key)
    {
        QWidget* w = QApplication::focusWidget();
        QTest::keyClick(w ? w : window->QXDBGridEh1, Qt::Key(key), Qt::ControlModifier);
    }
    int stillThere(const QList<QVariant>& keys) const
    {
        int n = 0;
        for (const QVariant& k : keys)
            n += fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_mark_mag = ?"), {k}).toInt();
        return n;
    }
    // Answers the confirmation window with Да or Нет, keeping what it showed.
    void answerConfirmation(bool yes)
    {
        test::whenModalShown(
            [this, yes](QWidget* w) {
                auto* form = static_cast<grid::TForm1*>(w);
                shownCount = form->Count_Lbl->text();
                QTest::mouseClick(yes ? form->BitBtn1 : form->BitBtn2, Qt::LeftButton);
            },
            "qel::grid::TForm1");
    }
    void waitForReopening()
    {
        ASSERT_TRUE(test::waitFor([this] { return openings >= 1; }));
        QTest::qWait(20);
    }

    int openings = 0;
    QString shownCount;
};

} // namespace

TEST_F(SheetDelete, CtrlCCopiesTheSelectedRowsInTheClientsOwnFormatOnly)
{
    open();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    clickCell(0, QStringLiteral("student"));
    pressOnGrid(Qt::Key_C);   // nothing selected: the clipboard is left alone
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));

    select({1, 3});
    pressOnGrid(Qt::Key_C);
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->formats(), QStringList{QStringLiteral("Data Base Edit Data")});
    const QByteArray bytes = mime->data(QStringLiteral("Data Base Edit Data"));
    EXPECT_EQ(bytes.count('\x02'), 2);
    // The first visible columns: running number, admission, the student as his key.
    EXPECT_TRUE(bytes.startsWith(QByteArray("1\x01\xe4\x01" "1\x01"))) << bytes.left(20).toHex().toStdString();
}

TEST_F(SheetDelete, CtrlDeleteAnsweredNoDeletesNothingAndReopensOnce)
{
    open();
    const QList<QVariant> keys = select({1, 2, 3});
    answerConfirmation(false);
    pressOnGrid(Qt::Key_Delete);
    waitForReopening();
    EXPECT_EQ(shownCount, QStringLiteral("Количество удаляемых записей:[3]."));
    EXPECT_EQ(stillThere(keys), 3);
    EXPECT_TRUE(auditRows().isEmpty());
    EXPECT_EQ(openings, 1);
    EXPECT_EQ(rows(), 10);
}

TEST_F(SheetDelete, CtrlDeleteAnsweredYesDeletesTheRowsWithTheirAuditRows)
{
    open();
    const QList<QVariant> keys = select({1, 2, 3});
    answerConfirmation(true);
    pressOnGrid(Qt::Key_Delete);
    waitForReopening();
    EXPECT_EQ(stillThere(keys), 0);
    const QStringList audit = auditRows();
    EXPECT_EQ(audit.size(), 6);   // the recorder's row and the rule's own for each
    for (const QVariant& k : keys)
        EXPECT_EQ(audit.filter(QStringLiteral("mark_mag|%1|Запись с уникальным номером - '%1' была удалена").arg(k.toInt()))
                      .size(),
                  2);
    EXPECT_EQ(openings, 1);
    EXPECT_EQ(rows(), 7);
}

TEST_F(SheetDelete, RefusedDeletionsKeepTheRowsAndTheSheetIsReopenedOnceAfterThem)
{
    open();
    // The user loses the rights for the form while the sheet is open: every row is refused.
    fx->admin(QStringLiteral("DELETE FROM User_f_est WHERE id_login = 1 AND id_f_est = 1"));
    // Each refusal box runs an event loop, as a real one does: the timer must not reopen the
    // sheet under the deletion.
    int openingsDuringRefusals = -1;
    dialogs->onMessage([&](const ui::MessageRequest&) {
        QTest::qWait(15);
        openingsDuringRefusals = std::max(openingsDuringRefusals, openings);
    });
    const QList<QVariant> keys = select({1, 2, 3});
    answerConfirmation(true);
    dialogs->clear();
    pressOnGrid(Qt::Key_Delete);
    waitForReopening();
    EXPECT_EQ(dialogs->texts(), QStringList(3, QStringLiteral("У Вас нет доступа на изменение данных по этой Форме Ведомости.")));
    EXPECT_EQ(openingsDuringRefusals, 0);
    EXPECT_EQ(stillThere(keys), 3);
    EXPECT_TRUE(auditRows().isEmpty());
    EXPECT_EQ(openings, 1);
}

#include "platform/os/errors.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "tests/support/modal.h"
#include "tests/support/recording_dialogs.h"

#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qel;
using qel::test::RecordingDialogs;

TEST(ErrorReport, HandlerSwallowsSilentAbortAndReportsOtherErrors)
{
    RecordingDialogs dialogs;
    ui::setApplicationTitle(QStringLiteral("QEL 13 Учет успеваемости"));

    QPushButton button;
    int reached = 0;
    QObject::connect(&button, &QPushButton::clicked, ui::guarded([&] {
        ++reached;
        abortSilently();
    }));
    button.click();
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(dialogs.count(), 0);

    QPushButton failing;
    QObject::connect(&failing, &QPushButton::clicked, ui::guarded([] { throw Error(QStringLiteral("Ошибка сервера")); }));
    failing.click();
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("Ошибка сервера"));
    EXPECT_EQ(dialogs.last().title, QStringLiteral("QEL 13 Учет успеваемости"));
    EXPECT_EQ(dialogs.last().icon, ui::MsgIcon::Error);
    EXPECT_EQ(dialogs.last().buttons, ui::MsgButtons::Ok);
}

TEST(ErrorReport, GuardedPassesSignalArguments)
{
    RecordingDialogs dialogs;
    QTimer timer;
    int got = -1;
    auto handler = ui::guarded([&](int v) { got = v; });
    handler(42);
    EXPECT_EQ(got, 42);
    auto failing = ui::guarded([](const QString& s) { throw std::runtime_error(s.toStdString()); });
    failing(QStringLiteral("plain std error"));
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("plain std error"));
}

namespace {
class ThrowingWidget : public QWidget {
protected:
    void mousePressEvent(QMouseEvent*) override { throw Error(QStringLiteral("from an event")); }
};
} // namespace

TEST(ErrorReport, ExceptionEscapingAnEventHandlerIsReportedNotFatal)
{
    RecordingDialogs dialogs;
    ThrowingWidget w;
    w.show();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.last().text, QStringLiteral("from an event"));
}

TEST(Dialogs, DoubleRecordsAndAnswersFromItsScript)
{
    RecordingDialogs dialogs;
    dialogs.answer(ui::MsgResult::No);
    EXPECT_EQ(ui::messageBox(QStringLiteral("Вы действительно?"), QStringLiteral("Уведомление"), ui::MsgIcon::Question,
                             ui::MsgButtons::YesNo),
              ui::MsgResult::No);
    EXPECT_EQ(ui::messageBox(QStringLiteral("again"), QStringLiteral("t"), ui::MsgIcon::Question, ui::MsgButtons::YesNo),
              ui::MsgResult::Yes);
    EXPECT_EQ(ui::messageBox(QStringLiteral("ok?"), QStringLiteral("t"), ui::MsgIcon::None, ui::MsgButtons::OkCancel),
              ui::MsgResult::Ok);
    ui::showMessage(QStringLiteral("Добавлено студентов: 0"));
    ASSERT_EQ(dialogs.count(), 4);
    EXPECT_EQ(dialogs.messages()[0].title, QStringLiteral("Уведомление"));
    EXPECT_EQ(dialogs.messages()[0].answer, ui::MsgResult::No);
    EXPECT_EQ(dialogs.last().icon, ui::MsgIcon::None);
    EXPECT_EQ(dialogs.last().title, ui::applicationTitle());
}

TEST(Modal, ActsOnAModalDialogAndClosesItWithAResult)
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("probe"));
    QString seen;
    test::whenModalShown([&](QWidget* w) {
        seen = w->objectName();
        test::closeModal(w, QDialog::Accepted);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(seen, QStringLiteral("probe"));
}

TEST(Dialogs, RealMessageBoxAnswersEscapeWithNo)
{
    ui::setDialogs(nullptr);
    test::whenModalShown([](QWidget* w) {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(w, &esc);
    }, "QMessageBox");
    EXPECT_EQ(ui::messageBox(QStringLiteral("q"), QStringLiteral("t"), ui::MsgIcon::Question, ui::MsgButtons::YesNo),
              ui::MsgResult::No);
}

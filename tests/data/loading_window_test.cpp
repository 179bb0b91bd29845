#include "data/loading_window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <gtest/gtest.h>

using namespace qel;

TEST(LoadingWindow, AtMostOneAndTheReferenceClearsWhenDestroyed)
{
    ASSERT_TRUE(Form4.isNull());
    TForm4* first = showLoadingWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Загрузка"));
    EXPECT_EQ(first->Label1->text(), QStringLiteral("Идёт загрузка, подождите..."));
    EXPECT_TRUE(first->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(showLoadingWindow(QStringLiteral("other")), first); // no second window
    EXPECT_EQ(first->Label1->text(), QStringLiteral("Идёт загрузка, подождите..."));

    destroyLoadingWindow();
    EXPECT_TRUE(Form4.isNull());
    destroyLoadingWindow(); // nothing to destroy: no harm

    // Closed by the window system instead of the handlers: the reference must not dangle.
    TForm4* again = showLoadingWindow(QStringLiteral("Идёт обновление, подождите..."));
    EXPECT_EQ(again->Label1->text(), QStringLiteral("Идёт обновление, подождите..."));
    again->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Form4.isNull());
}

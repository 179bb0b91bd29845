#include "tests/support/modal.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <atomic>

namespace qel::test {

void whenModalShown(std::function<void(QWidget*)> action, const char* className, int timeoutMs)
{
    auto* timer = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action = std::move(action), className, deadline] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && (!className || modal->inherits(className))) {
            timer->stop();
            timer->deleteLater();
            action(modal);
            return;
        }
        if (deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void closeModal(QWidget* modal, int result)
{
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->done(result);
    else
        modal->close();
}

bool waitFor(const std::function<bool()>& predicate, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

QString freshTempDir(const QString& name)
{
    QString base = qEnvironmentVariable("QEL_TEST_TMP");
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/qel-test");
    // Each test program has a folder of its own: programs run in parallel under ctest.
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).baseName();
    QDir dir(base + QLatin1Char('/') + program + QLatin1Char('/') + name);
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir.path();
}

} // namespace qel::test

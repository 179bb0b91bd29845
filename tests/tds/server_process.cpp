#include "tests/tds/server_process.h"

#include "tests/support/modal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <atomic>
#include <csignal>

namespace qel::test {

QString builtProgram(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

ServerProcess::ServerProcess(QString databasePath, QStringList extraArgs)
    : databasePath_(std::move(databasePath)), extraArgs_(std::move(extraArgs))
{
    static std::atomic<int> counter{0};
    logPath_ = QFileInfo(databasePath_).absolutePath() + QStringLiteral("/server-%1.log").arg(counter++);
}

ServerProcess::~ServerProcess()
{
    if (running())
        stop(10000);
}

QString ServerProcess::dataSource() const { return QStringLiteral("127.0.0.1,%1").arg(port_); }

bool ServerProcess::start(int port)
{
    QFile::remove(logPath_);
    process_.setStandardErrorFile(logPath_);
    process_.setStandardOutputFile(QProcess::nullDevice());
    QStringList args = {QStringLiteral("--db"), databasePath_, QStringLiteral("--listen"),
                        QStringLiteral("%1:%2").arg(listenHost_).arg(port)};
    process_.start(builtProgram(QStringLiteral("qel13-server")), args + extraArgs_);
    if (!process_.waitForStarted(10000)) {
        error_ = QStringLiteral("qel13-server did not start: %1").arg(process_.errorString());
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("listening on \\S+:(\\d+)"));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        const auto m = listening.match(log());
        if (m.hasMatch()) {
            port_ = m.captured(1).toInt();
            return true;
        }
        if (process_.state() == QProcess::NotRunning || process_.waitForFinished(50)) {
            error_ = QStringLiteral("qel13-server ended at start: %1").arg(log());
            return false;
        }
    }
    error_ = QStringLiteral("qel13-server did not listen within 20 s: %1").arg(log());
    kill();
    return false;
}

int ServerProcess::stop(int timeoutMs)
{
    if (!running())
        return process_.exitCode();
    ::kill(pid_t(process_.processId()), SIGTERM);
    if (process_.waitForFinished(timeoutMs))
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    kill();
    return -1;
}

void ServerProcess::kill()
{
    if (!running())
        return;
    process_.kill();
    process_.waitForFinished(10000);
}

QString ServerProcess::log() const
{
    QFile f(logPath_);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

bool ServerProcess::waitForLog(const QString& text, int timeoutMs, int count) const
{
    QElapsedTimer timer;
    timer.start();
    do {
        if (log().count(text) >= count)
            return true;
        QThread::msleep(20);
    } while (timer.elapsed() < timeoutMs);
    return log().count(text) >= count;
}

} // namespace qel::test

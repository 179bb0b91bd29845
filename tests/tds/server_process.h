// qel13-server run by a test as a service is run: a child process on a free loopback port,
// its log (standard error) kept in a file the test can search, stopped with SIGTERM or
// killed outright. Every wait has a time limit.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace qel::test {

class ServerProcess {
public:
    // extraArgs: further options (--tls-cert ..., --max-sessions ...).
    explicit ServerProcess(QString databasePath, QStringList extraArgs = {});
    ~ServerProcess();

    // Starts the server and waits until it listens; port 0 picks a free one. Returns
    // false (with the log in error()) when it did not come up within the time limit.
    bool start(int port = 0);
    // Where it listens (127.0.0.1 unless changed before start); clients use 127.0.0.1.
    void setListenHost(const QString& host) { listenHost_ = host; }
    int port() const { return port_; }
    // "127.0.0.1,PORT", as a client's Data Source.
    QString dataSource() const;

    // SIGTERM, then waits for the exit; returns the exit code (-1 when it did not end and
    // was killed).
    int stop(int timeoutMs = 40000);
    // SIGKILL: the server dies without any clean-up.
    void kill();
    bool running() const { return process_.state() != QProcess::NotRunning; }
    qint64 pid() const { return process_.processId(); }

    QString log() const;
    // Waits until the log holds the text (count times); false after the time limit.
    bool waitForLog(const QString& text, int timeoutMs = 10000, int count = 1) const;
    QString error() const { return error_; }

private:
    QString databasePath_;
    QStringList extraArgs_;
    QString logPath_;
    QProcess process_;
    int port_ = 0;
    QString listenHost_ = QStringLiteral("127.0.0.1");
    QString error_;
};

// The path of a built program beside the test program (qel13-server, qel13-admin).
QString builtProgram(const QString& name);

} // namespace qel::test

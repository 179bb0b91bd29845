// qel13-server: the embedded database server on the network, for a department that shares
// one database file among a few client machines. Serves one database file over TDS 7.4;
// runs in the foreground, logs to standard error, stops cleanly on SIGTERM or SIGINT.
#include "server/tds/tds_server.h"
#include "server/tds/server_log.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QStringList>
#include <csignal>
#include <malloc.h>
#include <cstdio>
#include <pthread.h>

namespace {

using qel::server::tds::logLine;

const char* const kUsage =
    "Usage: qel13-server --db FILE [--listen ADDR:PORT] [--tls-cert CERT --tls-key KEY]\n"
    "                    [--max-sessions N] [--database NAME] [--stop-grace SECONDS]\n"
    "Serves the database FILE of the embedded server to QEL 13 clients and other TDS 7.4\n"
    "clients (ODBC with FreeTDS and TDS_Version=7.4).\n"
    "\n"
    "  --db FILE            the database file (qel13-admin db create makes one)\n"
    "  --listen ADDR:PORT   where to listen; default 127.0.0.1:1433 without TLS, 0.0.0.0:1433\n"
    "                       with it; PORT 0 picks a free port (the log names it)\n"
    "  --tls-cert CERT      PEM certificate (chain) and its private key: every connection is\n"
    "  --tls-key KEY        then encrypted from its first message on. Without them the server\n"
    "                       listens on the loopback address only (qel13-admin tls make-cert\n"
    "                       writes a self-signed pair)\n"
    "  --max-sessions N     client sessions at once, default 64; more logins are refused\n"
    "  --database NAME      the database name clients give (Initial Catalog), default QEL\n"
    "  --stop-grace S       on SIGTERM, how long running statements may take to finish before\n"
    "                       they are cancelled, default 30\n"
    "\n"
    "Clients reach it with Data Source=HOST,PORT in their connection string.\n"
    "The log (standard error) has a line with a timestamp for every connection, login,\n"
    "failed login and disconnection.\n";

int usageError(const QString& text)
{
    std::fprintf(stderr, "qel13-server: %s\nTry 'qel13-server --help'.\n", text.toLocal8Bit().constData());
    return 2;
}

bool isLoopback(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress a(host);
    return !a.isNull() && a.isLoopback();
}

} // namespace

int main(int argc, char** argv)
{
    // Every date the server reads becomes a local date and time, and without TZ the C
    // library checks the zone file on disk for each one; the zone is read once instead
    // (a change of the machine's zone takes effect at the next start).
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    // Memory freed after a large answer is kept for the next one rather than given back
    // to the system and faulted in again.
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TOP_PAD, 4 * 1024 * 1024);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    qel::server::tds::ServerConfig config;
    QString listen;
    bool listenGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const QStringList valued = {"--db", "--listen", "--tls-cert", "--tls-key", "--max-sessions", "--database", "--stop-grace"};
        if (!valued.contains(a))
            return usageError(QStringLiteral("unknown argument %1").arg(a));
        if (i + 1 >= args.size())
            return usageError(QStringLiteral("option %1 needs a value").arg(a));
        const QString v = args[++i];
        bool ok = true;
        if (a == QLatin1String("--db"))
            config.databasePath = v;
        else if (a == QLatin1String("--listen")) {
            listen = v;
            listenGiven = true;
        } else if (a == QLatin1String("--tls-cert"))
            config.tlsCertificate = v;
        else if (a == QLatin1String("--tls-key"))
            config.tlsKey = v;
        else if (a == QLatin1String("--max-sessions")) {
            config.maxSessions = v.toInt(&ok);
            ok = ok && config.maxSessions > 0 && config.maxSessions <= 1000;
        } else if (a == QLatin1String("--database"))
            config.databaseName = v;
        else if (a == QLatin1String("--stop-grace")) {
            config.stopGraceMs = v.toInt(&ok) * 1000;
            ok = ok && config.stopGraceMs >= 0;
        }
        if (!ok)
            return usageError(QStringLiteral("invalid value '%1' for %2").arg(v, a));
    }
    if (config.databasePath.isEmpty())
        return usageError(QStringLiteral("--db FILE is required"));
    const bool tls = !config.tlsCertificate.isEmpty() || !config.tlsKey.isEmpty();
    if (!listenGiven)
        listen = tls ? QStringLiteral("0.0.0.0:1433") : QStringLiteral("127.0.0.1:1433");

    // ADDR:PORT, [IPv6]:PORT or ADDR alone (port 1433).
    QString host = listen;
    QString port = QStringLiteral("1433");
    if (listen.startsWith(QLatin1Char('['))) {
        const qsizetype close = listen.indexOf(QLatin1Char(']'));
        host = listen.mid(1, close - 1);
        if (close >= 0 && listen.mid(close + 1).startsWith(QLatin1Char(':')))
            port = listen.mid(close + 2);
    } else if (listen.count(QLatin1Char(':')) == 1) {
        host = listen.section(QLatin1Char(':'), 0, 0);
        port = listen.section(QLatin1Char(':'), 1);
    }
    bool portOk = false;
    config.port = port.toInt(&portOk);
    if (!portOk || config.port < 0 || config.port > 65535 || host.isEmpty())
        return usageError(QStringLiteral("invalid --listen '%1' (expected ADDR:PORT)").arg(listen));
    config.listenHost = host;
    if (!tls && !isLoopback(host))
        return usageError(QStringLiteral("refusing to listen on %1 without TLS: passwords and marks would cross the network "
                                         "in clear. Give --tls-cert and --tls-key, or listen on 127.0.0.1.")
                              .arg(host));

    // SIGTERM and SIGINT are taken by this thread alone (sigwait below); the server's
    // threads, started after this, inherit the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    qel::server::tds::TdsServer server(config);
    try {
        server.start();
    } catch (const qel::server::tds::StartError& e) {
        std::fprintf(stderr, "qel13-server: %s\n", e.message.toLocal8Bit().constData());
        return 1;
    }
    const QString where = QStringLiteral("%1:%2").arg(host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host)
                              .arg(server.port());
    logLine(QStringLiteral("serving %1 as database '%2' to at most %3 sessions")
                .arg(config.databasePath, config.databaseName)
                .arg(config.maxSessions));
    if (server.tlsEnabled())
        logLine(QStringLiteral("TLS: every connection must be encrypted (certificate %1)").arg(config.tlsCertificate));
    else
        logLine(QStringLiteral("no --tls-cert/--tls-key: listening on the loopback address only; other computers cannot "
                               "connect"));
    logLine(QStringLiteral("listening on %1").arg(where));

    int signal = 0;
    sigwait(&stopSignals, &signal);
    logLine(QStringLiteral("%1 received: stopping").arg(signal == SIGTERM ? QStringLiteral("SIGTERM") : QStringLiteral("SIGINT")));
    server.stop();
    return 0;
}

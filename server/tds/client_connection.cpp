#include "server/tds/client_connection.h"

#include "server/tds/error_numbers.h"
#include "server/tds/login7.h"
#include "server/tds/prelogin.h"
#include "server/tds/protocol.h"
#include "server/tds/server_log.h"
#include "server/tds/tds_server.h"
#include "server/tds/tls_context.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>
#include <sys/socket.h>

namespace qel::server::tds {

namespace {

// TDS 7.3 (SQL Server 2008) is the first with the date and time types the schema uses.
constexpr uint32_t kOldestTdsVersion = 0x730A0003;

QString serverName()
{
    static const QString name = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0).toUpper();
    return name;
}

// A response of one error and the DONE that ends it.
QByteArray errorResponse(const ServerMessage& m)
{
    TokenWriter w(serverName());
    w.error(m);
    w.done(TokDone, DoneError, 0, 0);
    return w.take();
}

ServerMessage informational(int number, uint8_t state, const QString& text)
{
    ServerMessage m;
    m.number = number;
    m.state = state;
    m.severity = 0;
    m.text = text;
    return m;
}

} // namespace

ClientConnection::ClientConnection(TdsServer& server, int fd, int id, QString peer)
    : server_(server),
      transport_(fd, &server.stopping_),
      reader_(server.config_.maxRequestBytes),
      id_(id),
      peer_(std::move(peer)),
      packetSize_(kDefaultPacketSize)
{
}

ClientConnection::~ClientConnection()
{
    join();
}

void ClientConnection::start()
{
    thread_ = std::thread([this] { run(); });
}

void ClientConnection::join()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void ClientConnection::log(const QString& text) const
{
    server_.log(QStringLiteral("#%1 %2 %3").arg(id_).arg(peer_, text));
}

Message ClientConnection::readMessage(int timeoutMs)
{
    for (;;) {
        if (std::optional<Message> m = reader_.next())
            return std::move(*m);
        char buffer[16384];
        const qsizetype n = transport_.read(buffer, sizeof buffer, timeoutMs);
        if (n == 0)
            throw ClientGone{};
        reader_.feed(buffer, n);
    }
}

void ClientConnection::send(uint8_t type, const QByteArray& payload)
{
    // The response in packets of the negotiated size; the last one marks the end.
    const qsizetype room = packetSize_ - kHeaderSize;
    QByteArray out;
    out.reserve(payload.size() + (payload.size() / room + 1) * kHeaderSize);
    qsizetype at = 0;
    do {
        const qsizetype n = std::min(room, payload.size() - at);
        const bool last = at + n >= payload.size();
        const int length = int(n) + kHeaderSize;
        appendPacketHeader(out, type, last, length, uint16_t(id_), packetId_++);
        out.append(payload.constData() + at, n);
        at += n;
    } while (at < payload.size());
    transport_.write(out);
}

void ClientConnection::run()
{
    log(QStringLiteral("connected"));
    QString ending = QStringLiteral("closed");
    try {
        handshake();
        serve();
    } catch (const ClientGone&) {
        ending = QStringLiteral("closed by the client");
    } catch (const TransportError& e) {
        ending = QStringLiteral("dropped: %1").arg(e.message);
    } catch (const ProtocolError& e) {
        ending = QStringLiteral("dropped: malformed data: %1").arg(e.message);
    } catch (const std::exception& e) {
        ending = QStringLiteral("dropped: %1").arg(QString::fromLocal8Bit(e.what()));
    }
    const bool rolledBack = session_ && session_->inTransaction();
    closeSession();
    log(QStringLiteral("%1 after %2 requests%3")
            .arg(ending)
            .arg(requests_)
            .arg(rolledBack ? QStringLiteral("; its open transaction was rolled back") : QString()));
    done_ = true;
    server_.finished(this);
}

void ClientConnection::closeSession()
{
    std::lock_guard lock(stateMutex_);
    runner_.reset();
    session_.reset();   // rolls back what the client left open
    if (holdsSessionSlot_) {
        server_.releaseSession();
        holdsSessionSlot_ = false;
    }
}

void ClientConnection::handshake()
{
    QElapsedTimer timer;
    timer.start();
    const int limit = server_.config_.handshakeTimeoutMs;
    const auto remaining = [&] { return int(std::max<qint64>(1, limit - timer.elapsed())); };

    const Message hello = readMessage(remaining());
    if (hello.type != PacketPreLogin)
        throw ProtocolError{QStringLiteral("the client began with a message of type %1 instead of PRELOGIN").arg(hello.type)};
    const PreLoginRequest pre = parsePreLogin(hello.payload);

    TlsContext* tls = server_.tls_.get();
    if (tls && pre.encryption == EncryptNotSupported) {
        send(PacketTabularResult, buildPreLoginResponse(EncryptRequired));
        log(QStringLiteral("refused: the client cannot encrypt, and this server requires encryption"));
        throw ClientGone{};
    }
    const uint8_t answer = !tls ? EncryptNotSupported : pre.encryption == EncryptOn ? EncryptOn : EncryptRequired;
    send(PacketTabularResult, buildPreLoginResponse(answer));
    if (tls) {
        transport_.acceptTls(
            tls->handle(),
            [&] {
                const Message m = readMessage(remaining());
                if (m.type != PacketPreLogin)
                    throw ProtocolError{QStringLiteral("message of type %1 during the TLS handshake").arg(m.type)};
                return m.payload;
            },
            limit);
        transport_.pushEncrypted(reader_.takeUnread());
    }

    Message login;
    try {
        login = readMessage(remaining());
    } catch (const ClientGone&) {
        if (!tls && (pre.encryption == EncryptOn || pre.encryption == EncryptRequired))
            log(QStringLiteral("the client requires encryption, and this server has no certificate (--tls-cert)"));
        throw;
    }
    if (login.type != PacketLogin7)
        throw ProtocolError{QStringLiteral("message of type %1 instead of LOGIN7").arg(login.type)};
    logIn(parseLogin7(login.payload));
}

void ClientConnection::refuseLogin(const ServerMessage& m, const QString& logText)
{
    send(PacketTabularResult, errorResponse(m));
    log(logText);
    throw ClientGone{};
}

void ClientConnection::logIn(const Login7& l)
{
    const QString who = QStringLiteral("'%1' (computer '%2', program '%3')").arg(l.userName, l.hostName, l.appName);
    if (l.tdsVersion < kOldestTdsVersion) {
        ServerMessage m = messageForError(
            QStringLiteral("This server speaks TDS 7.3 and 7.4; the client asked for version %1. Set TDS_Version=7.4.")
                .arg(l.tdsVersion, 8, 16, QLatin1Char('0')));
        m.number = 4002;
        refuseLogin(m, QStringLiteral("refused login of %1: TDS version %2").arg(who).arg(l.tdsVersion, 8, 16, QLatin1Char('0')));
    }
    if (l.integratedSecurity)
        refuseLogin(loginFailed(l.userName), QStringLiteral("failed login of %1: Windows authentication is not offered").arg(who));
    // A new password in the login record is not applied here; logging in with the old one
    // and acknowledging would tell the client the password had changed.
    if (l.changesPassword)
        refuseLogin(messageForError(QStringLiteral("Changing the password while logging in is not supported by this "
                                                   "server. Log in with the current password and change it in the "
                                                   "program.")),
                    QStringLiteral("refused login of %1: a password change in the login record").arg(who));
    if (!l.database.isEmpty() && l.database.compare(server_.config_.databaseName, Qt::CaseInsensitive) != 0
        && l.database.compare(QLatin1String("master"), Qt::CaseInsensitive) != 0) {
        refuseLogin(messageForError(QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.")
                                        .arg(l.database)),
                    QStringLiteral("refused login of %1: unknown database '%2'").arg(who, l.database));
    }
    if (!server_.claimSession()) {
        ServerMessage m;
        m.number = 17809;
        m.severity = 20;
        m.text = QStringLiteral("The server already serves its maximum of %1 sessions; try again later.")
                     .arg(server_.config_.maxSessions);
        refuseLogin(m, QStringLiteral("refused login of %1: all %2 sessions are taken").arg(who).arg(server_.config_.maxSessions));
    }
    holdsSessionSlot_ = true;
    // A session on a missing file would make a new one; the server serves the file it was
    // started with or nothing.
    if (!QFileInfo(server_.config_.databasePath).isFile()) {
        server_.releaseSession();
        holdsSessionSlot_ = false;
        refuseLogin(loginFailed(l.userName),
                    QStringLiteral("refused login of %1: the database file %2 is gone").arg(who, server_.config_.databasePath));
    }
    try {
        auto session = std::make_unique<Session>(server_.config_.databasePath, l.userName, l.password);
        std::lock_guard lock(stateMutex_);
        session_ = std::move(session);
        runner_ = std::make_unique<RequestRunner>(session_.get(), serverName(), &server_.stopping_);
    } catch (const wire::ServerError& e) {
        // The client learns only that the login failed; the log says why.
        server_.releaseSession();
        holdsSessionSlot_ = false;
        const QString reason = e.message().startsWith(QLatin1String("Login failed")) ? QStringLiteral("wrong login or password")
                                                                                      : e.message();
        refuseLogin(loginFailed(l.userName), QStringLiteral("failed login of %1: %2").arg(who, reason));
    }
    user_ = l.userName;
    password_ = l.password;

    if (l.packetSize >= uint32_t(kMinPacketSize))
        packetSize_ = int(std::min<uint32_t>(l.packetSize, kMaxPacketSize));
    const QString database = server_.config_.databaseName;
    TokenWriter w(serverName());
    w.envChange(EnvDatabase, database, QStringLiteral("master"));
    w.info(informational(5701, 2, QStringLiteral("Changed database context to '%1'.").arg(database)));
    w.envChangeBytes(EnvCollation, QByteArray(reinterpret_cast<const char*>(kCollation), 5), QByteArray());
    w.envChange(EnvLanguage, QStringLiteral("us_english"), QString());
    w.info(informational(5703, 1, QStringLiteral("Changed language setting to us_english.")));
    w.loginAck(std::min<uint32_t>(l.tdsVersion, kTdsVersion74));
    w.envChange(EnvPacketSize, QString::number(packetSize_), QString::number(kDefaultPacketSize));
    w.done(TokDone, DoneFinal, 0, 0);
    send(PacketTabularResult, w.take());
    reader_.setPacketSize(packetSize_);
    log(QStringLiteral("login %1").arg(who));
}

void ClientConnection::resetSession()
{
    // The client reuses the connection for a fresh start: a new session under the same
    // login, so options, prepared statements and any open transaction are gone.
    auto fresh = std::make_unique<Session>(server_.config_.databasePath, user_, password_);
    std::lock_guard lock(stateMutex_);
    session_ = std::move(fresh);
    runner_->setSession(session_.get());
}

QByteArray ClientConnection::runBusy(const std::function<QByteArray()>& work)
{
    {
        std::lock_guard lock(stateMutex_);
        ++request_;
        inputWhileBusy_ = false;
        busy_ = true;
    }
    server_.requestWatch();
    struct Idle {
        ClientConnection* c;
        ~Idle()
        {
            std::lock_guard lock(c->stateMutex_);
            c->busy_ = false;
        }
    } idle{this};
    return work();
}

bool ClientConnection::watched(uint64_t* request) const
{
    *request = request_.load();
    return busy_.load() && !inputWhileBusy_.load();
}

void ClientConnection::inputWhileBusy(uint64_t request)
{
    std::lock_guard lock(stateMutex_);
    if (!busy_ || inputWhileBusy_ || request_ != request)
        return;
    // Still there now (the poll may be older than the request the thread has taken since).
    char byte;
    const ssize_t n = ::recv(transport_.fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    inputWhileBusy_ = true;
    if (session_)
        session_->interrupt();
}

void ClientConnection::cancelForStop()
{
    std::lock_guard lock(stateMutex_);
    if (busy_ && session_)
        session_->interrupt();
}

void ClientConnection::serve()
{
    const int messageTimeout = server_.config_.messageTimeoutMs;
    for (;;) {
        if (server_.stopping_)
            return;
        const Message m = readMessage(reader_.hasPendingBytes() ? messageTimeout : -1);
        ++requests_;
        QByteArray response;
        try {
            if (m.resetConnection && m.type != PacketAttention)
                resetSession();
            switch (m.type) {
            case PacketSqlBatch: {
                const QString text = parseSqlBatch(m.payload);
                response = runBusy([&] { return runner_->batch(text); });
                break;
            }
            case PacketRpc: {
                const QList<RpcCall> calls = parseRpc(m.payload);
                response = runBusy([&] { return runner_->rpc(calls); });
                break;
            }
            case PacketTransactionManager: {
                const TransactionRequest r = parseTransactionRequest(m.payload);
                response = runBusy([&] { return runner_->transaction(r); });
                break;
            }
            case PacketAttention: {
                TokenWriter w(serverName());
                w.done(TokDone, DoneAttention, 0, 0);
                response = w.take();
                break;
            }
            default:
                throw ProtocolError{QStringLiteral("a message of type %1 after the login").arg(m.type)};
            }
        } catch (const ProtocolError& e) {
            // Tell the client why before the connection is dropped.
            ServerMessage error = messageForError(
                QStringLiteral("The incoming tabular data stream (TDS) protocol stream is incorrect: %1").arg(e.message));
            error.number = 4002;
            error.severity = 16;
            try {
                send(PacketTabularResult, errorResponse(error));
            } catch (const TransportError&) {
            }
            throw;
        } catch (const wire::ServerError& e) {
            // A reset whose new session could not be made.
            send(PacketTabularResult, errorResponse(messageForError(e.message(), e.code())));
            throw ClientGone{};
        }
        send(PacketTabularResult, response);
    }
}

} // namespace qel::server::tds

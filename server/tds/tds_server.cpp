#include "server/tds/tds_server.h"

#include "server/server.h"
#include "server/tds/client_connection.h"
#include "server/tds/server_log.h"
#include "server/tds/tls_context.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qel::server::tds {

namespace {

// Connections still in PRELOGIN/LOGIN beyond the session limit: enough for clients that
// arrive together, few enough that half-open connections cannot pile up.
constexpr int kHandshakeSlots = 16;

QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

QString peerText(const sockaddr_storage& a)
{
    char host[NI_MAXHOST] = {};
    char port[NI_MAXSERV] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&a), sizeof a, host, sizeof host, port, sizeof port,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return QStringLiteral("?");
    const QString h = QString::fromLatin1(host);
    return (h.contains(QLatin1Char(':')) ? QLatin1Char('[') + h + QLatin1Char(']') : h) + QLatin1Char(':')
        + QString::fromLatin1(port);
}

void tuneSocket(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // A client machine that vanishes (power cut, cable) is noticed within two minutes,
    // so its session and open transaction do not hold the database.
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    const int idle = 60, interval = 10, count = 6;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

} // namespace

TdsServer::TdsServer(ServerConfig config) : config_(std::move(config)) {}

TdsServer::~TdsServer()
{
    stop();
    if (wakePipe_[0] >= 0) {
        ::close(wakePipe_[0]);
        ::close(wakePipe_[1]);
    }
}

void TdsServer::start()
{
    if (config_.tlsCertificate.isEmpty() != config_.tlsKey.isEmpty())
        throw StartError{QStringLiteral("--tls-cert and --tls-key go together.")};
    if (!config_.tlsCertificate.isEmpty()) {
        try {
            tls_ = std::make_unique<TlsContext>(config_.tlsCertificate, config_.tlsKey);
        } catch (const TlsSetupError& e) {
            throw StartError{e.message};
        }
    }
    // The database must be there and be ours before clients are told to come.
    if (!QFileInfo(config_.databasePath).isFile())
        throw StartError{QStringLiteral("The database file \"%1\" does not exist (qel13-admin db create makes one).")
                             .arg(config_.databasePath)};
    try {
        Session::administrator(config_.databasePath);
    } catch (const wire::ServerError& e) {
        throw StartError{e.message()};
    }

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const QByteArray host = config_.listenHost.toUtf8();
    const QByteArray port = QByteArray::number(config_.port);
    const int rc = getaddrinfo(host.isEmpty() ? nullptr : host.constData(), port.constData(), &hints, &found);
    if (rc != 0)
        throw StartError{QStringLiteral("Cannot listen on %1: %2").arg(config_.listenHost, QString::fromLocal8Bit(gai_strerror(rc)))};
    QString lastError;
    for (addrinfo* a = found; a && listenFd_ < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = errnoText();
            continue;
        }
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 128) != 0) {
            lastError = errnoText();
            ::close(fd);
            continue;
        }
        listenFd_ = fd;
    }
    freeaddrinfo(found);
    if (listenFd_ < 0)
        throw StartError{QStringLiteral("Cannot listen on %1:%2: %3").arg(config_.listenHost).arg(config_.port).arg(lastError)};
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                        : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);

    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw StartError{QStringLiteral("pipe: %1").arg(errnoText())};
    started_ = true;
    acceptThread_ = std::thread([this] { acceptLoop(); });
    watchThread_ = std::thread([this] { watchLoop(); });
}

int TdsServer::connectionCount() const
{
    std::lock_guard lock(mutex_);
    return int(connections_.size());
}

bool TdsServer::claimSession()
{
    int now = sessions_.load();
    while (now < config_.maxSessions)
        if (sessions_.compare_exchange_weak(now, now + 1))
            return true;
    return false;
}

void TdsServer::requestWatch() { changed_.notify_all(); }

void TdsServer::log(const QString& text) const
{
    if (config_.logEvents)
        logLine(text);
}

void TdsServer::finished(ClientConnection*)
{
    changed_.notify_all();
    const char byte = 'r';
    (void)!::write(wakePipe_[1], &byte, 1);   // the accept loop joins the thread
}

void TdsServer::acceptLoop()
{
    std::vector<std::thread> ending;
    const auto reap = [&] {
        std::vector<std::shared_ptr<ClientConnection>> gone;
        {
            std::lock_guard lock(mutex_);
            for (auto it = connections_.begin(); it != connections_.end();) {
                if ((*it)->done()) {
                    gone.push_back(*it);
                    it = connections_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        // The threads are joined outside the lock; each has finished its work.
        for (auto& c : gone)
            c->join();
        changed_.notify_all();
    };
    while (!stopping_) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        ::poll(p, 2, 1000);
        if (p[1].revents & POLLIN) {
            char drain[64];
            while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
            }
        }
        reap();
        if (stopping_ || !(p[0].revents & POLLIN))
            continue;
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const QString from = peerText(peer);
        if (connectionCount() >= config_.maxSessions + kHandshakeSlots) {
            log(QStringLiteral("refused a connection from %1: %2 connections are open").arg(from).arg(connectionCount()));
            ::close(fd);
            continue;
        }
        tuneSocket(fd);
        auto c = std::make_shared<ClientConnection>(*this, fd, nextId_++, from);
        std::lock_guard lock(mutex_);
        connections_.push_back(c);
        c->start();
    }
    // Whatever is left is joined by stop().
}

void TdsServer::watchLoop()
{
    while (!stopWatch_) {
        std::vector<std::shared_ptr<ClientConnection>> busy;
        std::vector<uint64_t> requests;
        {
            std::unique_lock lock(mutex_);
            for (const auto& c : connections_) {
                uint64_t request = 0;
                if (c->watched(&request)) {
                    busy.push_back(c);
                    requests.push_back(request);
                }
            }
            if (busy.empty()) {
                changed_.wait_for(lock, std::chrono::milliseconds(250));
                continue;
            }
        }
        std::vector<pollfd> fds;
        for (const auto& c : busy)
            fds.push_back({c->fd(), POLLIN, 0});
        if (::poll(fds.data(), nfds_t(fds.size()), 50) <= 0)
            continue;
        for (size_t i = 0; i < fds.size(); ++i)
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
                busy[i]->inputWhileBusy(requests[i]);
    }
}

void TdsServer::stop()
{
    if (!started_ || stopped_)
        return;
    stopping_ = true;
    const char byte = 's';
    (void)!::write(wakePipe_[1], &byte, 1);
    if (acceptThread_.joinable())
        acceptThread_.join();
    ::close(listenFd_);
    listenFd_ = -1;

    std::vector<std::shared_ptr<ClientConnection>> left;
    {
        std::unique_lock lock(mutex_);
        if (!connections_.empty())
            log(QStringLiteral("stopping: %1 connections; running statements may finish within %2 s")
                        .arg(connections_.size())
                        .arg(config_.stopGraceMs / 1000));
        // Idle connections notice the stop within a moment; busy ones after their statement.
        const auto allDone = [&] {
            for (const auto& c : connections_)
                if (!c->done())
                    return false;
            return true;
        };
        if (!changed_.wait_for(lock, std::chrono::milliseconds(config_.stopGraceMs), allDone)) {
            log(QStringLiteral("stopping: the grace period is over; cancelling the statements still running"));
            for (const auto& c : connections_)
                c->cancelForStop();
            // Time to tell their clients why; then the connections are cut.
            if (!changed_.wait_for(lock, std::chrono::seconds(5), allDone)) {
                for (const auto& c : connections_)
                    c->cut();
                changed_.wait_for(lock, std::chrono::seconds(30), allDone);
            }
        }
        left.swap(connections_);
    }
    for (auto& c : left)
        c->join();
    stopWatch_ = true;
    changed_.notify_all();
    if (watchThread_.joinable())
        watchThread_.join();
    stopped_ = true;
    log(QStringLiteral("stopped"));
}

} // namespace qel::server::tds

#include "server/tds/transport.h"

#include "server/tds/protocol.h"

#include <QElapsedTimer>
#include <cerrno>
#include <cstring>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qel::server::tds {

namespace {

// A wait is cut into slices so that a stopping server is noticed.
constexpr int kSliceMs = 200;
// A client that takes longer than this to accept bytes is given up.
constexpr int kWriteTimeoutMs = 60000;

QString opensslError()
{
    const unsigned long e = ERR_get_error();
    if (!e)
        return QStringLiteral("no further detail");
    char text[256];
    ERR_error_string_n(e, text, sizeof text);
    ERR_clear_error();
    return QString::fromLatin1(text);
}

} // namespace

Transport::Transport(int fd, const std::atomic<bool>* stopping) : fd_(fd), stopping_(stopping) {}

Transport::~Transport()
{
    if (ssl_)
        SSL_free(ssl_);
    if (fd_ >= 0)
        ::close(fd_);
}

void Transport::shutdown() { ::shutdown(fd_, SHUT_RDWR); }

qsizetype Transport::rawRead(char* buffer, qsizetype max, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        int wait = kSliceMs;
        if (timeoutMs >= 0) {
            const qint64 left = timeoutMs - timer.elapsed();
            if (left <= 0)
                throw TransportError{QStringLiteral("no data from the client within %1 s").arg(timeoutMs / 1000.0)};
            wait = int(std::min<qint64>(left, kSliceMs));
        }
        pollfd p{fd_, POLLIN, 0};
        const int rc = ::poll(&p, 1, wait);
        if (rc < 0 && errno != EINTR)
            throw TransportError{QStringLiteral("poll: %1").arg(QString::fromLocal8Bit(std::strerror(errno)))};
        if (rc > 0) {
            const ssize_t n = ::recv(fd_, buffer, size_t(max), 0);
            if (n >= 0)
                return qsizetype(n);
            if (errno == EINTR || errno == EAGAIN)
                continue;
            if (errno == ECONNRESET || errno == ENOTCONN || errno == EPIPE)
                return 0;
            throw TransportError{QStringLiteral("recv: %1").arg(QString::fromLocal8Bit(std::strerror(errno)))};
        }
        if (stopping_ && stopping_->load())
            throw TransportError{QStringLiteral("the server is stopping")};
    }
}

void Transport::rawWrite(const char* data, qsizetype size)
{
    QElapsedTimer timer;
    timer.start();
    qsizetype sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(fd_, data + sent, size_t(size - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            throw TransportError{QStringLiteral("send: %1").arg(QString::fromLocal8Bit(std::strerror(errno)))};
        if (timer.elapsed() > kWriteTimeoutMs)
            throw TransportError{QStringLiteral("the client took no data for %1 s").arg(kWriteTimeoutMs / 1000)};
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, kSliceMs);
    }
}

qsizetype Transport::read(char* buffer, qsizetype max, int timeoutMs)
{
    if (!encrypted())
        return rawRead(buffer, max, timeoutMs);
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const int n = SSL_read(ssl_, buffer, int(std::min<qsizetype>(max, 1 << 30)));
        if (n > 0) {
            flushTls(false);
            return n;
        }
        const int err = SSL_get_error(ssl_, n);
        if (err == SSL_ERROR_ZERO_RETURN)
            return 0;
        if (err != SSL_ERROR_WANT_READ)
            tlsFailed("read");
        flushTls(false);
        char raw[16384];
        const int left = timeoutMs < 0 ? -1 : int(std::max<qint64>(1, timeoutMs - timer.elapsed()));
        const qsizetype got = rawRead(raw, sizeof raw, left);
        if (got == 0)
            return 0;
        BIO_write(SSL_get_rbio(ssl_), raw, int(got));
    }
}

void Transport::write(const QByteArray& bytes)
{
    if (!encrypted()) {
        rawWrite(bytes.constData(), bytes.size());
        return;
    }
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int chunk = int(std::min<qsizetype>(bytes.size() - at, 16384));
        const int n = SSL_write(ssl_, bytes.constData() + at, chunk);
        if (n <= 0)
            tlsFailed("write");
        at += n;
        flushTls(false);
    }
}

void Transport::flushTls(bool wrapInPackets)
{
    BIO* out = SSL_get_wbio(ssl_);
    char buffer[16384];
    for (;;) {
        const int pending = int(BIO_ctrl_pending(out));
        if (pending <= 0)
            return;
        // A packet holds at most kDefaultPacketSize bytes while the handshake runs.
        const int room = wrapInPackets ? kDefaultPacketSize - kHeaderSize : int(sizeof buffer);
        const int n = BIO_read(out, buffer, std::min<int>({pending, room, int(sizeof buffer)}));
        if (n <= 0)
            return;
        if (!wrapInPackets) {
            rawWrite(buffer, n);
            continue;
        }
        const bool last = int(BIO_ctrl_pending(out)) == 0;
        const int length = n + kHeaderSize;
        QByteArray packet;
        appendPacketHeader(packet, PacketPreLogin, last, length, 0, 1);
        packet.append(buffer, n);
        rawWrite(packet.constData(), packet.size());
    }
}

void Transport::tlsFailed(const char* what)
{
    throw TransportError{QStringLiteral("TLS %1 failed: %2").arg(QLatin1String(what), opensslError())};
}

void Transport::acceptTls(ssl_ctx_st* context, const std::function<QByteArray()>& readPacket, int timeoutMs)
{
    ssl_ = SSL_new(context);
    if (!ssl_)
        tlsFailed("setup");
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    BIO_set_mem_eof_return(in, -1);
    BIO_set_mem_eof_return(out, -1);
    SSL_set_bio(ssl_, in, out);
    SSL_set_accept_state(ssl_);

    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const int rc = SSL_do_handshake(ssl_);
        flushTls(true);
        if (rc == 1)
            break;
        const int err = SSL_get_error(ssl_, rc);
        if (err != SSL_ERROR_WANT_READ)
            tlsFailed("handshake");
        if (timer.elapsed() > timeoutMs)
            throw TransportError{QStringLiteral("the TLS handshake took longer than %1 s").arg(timeoutMs / 1000)};
        const QByteArray records = readPacket();
        if (records.isEmpty())
            throw TransportError{QStringLiteral("the client left during the TLS handshake")};
        BIO_write(in, records.constData(), int(records.size()));
    }
    handshakeDone_ = true;
}

void Transport::pushEncrypted(const QByteArray& bytes)
{
    if (ssl_ && !bytes.isEmpty())
        BIO_write(SSL_get_rbio(ssl_), bytes.constData(), int(bytes.size()));
}

} // namespace qel::server::tds

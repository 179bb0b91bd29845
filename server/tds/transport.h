// The byte stream of one client connection: a TCP socket, and once the PRELOGIN exchange
// has agreed on it, TLS over that socket. The TLS handshake itself travels inside PRELOGIN
// packets; afterwards TLS records are on the socket directly. Every read and write has a
// time limit, and a stop flag is checked while waiting, so no connection thread hangs.
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>

struct ssl_st;
struct ssl_ctx_st;

namespace qel::server::tds {

// The connection is gone or did not answer in time; the message says which.
struct TransportError {
    QString message;
};

class Transport {
public:
    // Takes ownership of the connected socket.
    Transport(int fd, const std::atomic<bool>* stopping);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    int fd() const { return fd_; }
    bool encrypted() const { return ssl_ != nullptr && handshakeDone_; }

    // Reads what is there (at most max bytes), waiting up to timeoutMs (-1: as long as it
    // takes). Returns 0 when the client closed the connection. Throws TransportError on a
    // time-out, a socket error, a TLS error, or when the server stops while it waits.
    qsizetype read(char* buffer, qsizetype max, int timeoutMs);
    // Writes everything; throws TransportError.
    void write(const QByteArray& bytes);

    // The TLS handshake, its records carried in PRELOGIN packets: readPacket returns the
    // payload of the client's next PRELOGIN message (empty when the client is gone), and
    // the server's records go out in PRELOGIN packets.
    void acceptTls(ssl_ctx_st* context, const std::function<QByteArray()>& readPacket, int timeoutMs);
    // Bytes that followed the handshake on the socket and were read with it: they already
    // belong to the encrypted stream.
    void pushEncrypted(const QByteArray& bytes);

    // Closes both directions at once (from another thread too): a blocked read ends.
    void shutdown();

private:
    qsizetype rawRead(char* buffer, qsizetype max, int timeoutMs);
    void rawWrite(const char* data, qsizetype size);
    void flushTls(bool wrapInPackets);
    [[noreturn]] void tlsFailed(const char* what);

    int fd_;
    const std::atomic<bool>* stopping_;
    ssl_st* ssl_ = nullptr;
    bool handshakeDone_ = false;
};

} // namespace qel::server::tds

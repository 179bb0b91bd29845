// The embedded server on the network: listens on a TCP port, gives each client connection
// its own thread and its own session under the login it gives, and stops as a service
// does (no new connections, running statements finish, open transactions roll back).
#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qel::server::tds {

class ClientConnection;
class TlsContext;

struct ServerConfig {
    QString databasePath;
    QString databaseName = QStringLiteral("QEL");   // the catalogue clients name
    QString listenHost = QStringLiteral("127.0.0.1");
    int port = 1433;                                  // 0: any free port
    QString tlsCertificate;                           // both or neither
    QString tlsKey;
    int maxSessions = 64;
    int handshakeTimeoutMs = 15000;                   // PRELOGIN, TLS and LOGIN7 together
    int messageTimeoutMs = 60000;                     // the rest of a request once it began
    qsizetype maxRequestBytes = 64 * 1024 * 1024;
    int stopGraceMs = 30000;                          // running statements may finish
    bool logEvents = true;                            // the service log on standard error
};

struct StartError {
    QString message;
};

class TdsServer {
public:
    explicit TdsServer(ServerConfig config);
    ~TdsServer();
    TdsServer(const TdsServer&) = delete;
    TdsServer& operator=(const TdsServer&) = delete;

    // Checks the database and the TLS files, binds and listens. Throws StartError.
    void start();
    // The address and port it listens on (the port is known after start, also for port 0).
    QString listenHost() const { return config_.listenHost; }
    int port() const { return port_; }
    bool tlsEnabled() const { return tls_ != nullptr; }

    // Stops accepting, lets running statements finish (up to the grace period, then
    // cancels them), closes every connection (open transactions roll back) and returns.
    void stop();

    int connectionCount() const;
    int sessionCount() const { return sessions_.load(); }

private:
    friend class ClientConnection;

    void acceptLoop();
    void watchLoop();
    void finished(ClientConnection* c);
    // A login asks for a session slot; false when all are taken.
    bool claimSession();
    void releaseSession() { --sessions_; }
    void requestWatch();
    void log(const QString& text) const;

    ServerConfig config_;
    std::unique_ptr<TlsContext> tls_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> stopWatch_{false};
    std::atomic<int> sessions_{0};
    std::atomic<int> nextId_{1};
    std::thread acceptThread_;
    std::thread watchThread_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::shared_ptr<ClientConnection>> connections_;
    bool started_ = false;
    bool stopped_ = false;
};

} // namespace qel::server::tds

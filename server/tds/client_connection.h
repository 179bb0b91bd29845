// One client connection: PRELOGIN (and TLS when the server has a certificate), LOGIN7 with
// a session under the client's login, then requests until the client leaves or the server
// stops. Runs in its own thread; the server's watcher tells it when the client sends
// something while a statement runs (a cancel), which interrupts the statement.
#pragma once

#include "server/server.h"
#include "server/tds/packet_reader.h"
#include "server/tds/request_runner.h"
#include "server/tds/tokens.h"
#include "server/tds/transport.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qel::server::tds {

class TdsServer;
struct Login7;

class ClientConnection {
public:
    ClientConnection(TdsServer& server, int fd, int id, QString peer);
    ~ClientConnection();

    // Starts the connection's thread; join() waits for it once done() is true (or the
    // socket was shut down).
    void start();
    void join();

    int fd() const { return transport_.fd(); }
    bool done() const { return done_.load(); }
    // A statement runs and nothing has arrived from the client meanwhile; request: which
    // request runs (they are counted), for inputWhileBusy.
    bool watched(uint64_t* request) const;
    // The watcher saw input (a cancel, or the client going away) while that request ran.
    // A client sends nothing else before the answer, so input that is still there while the
    // same request still runs is what it sent since.
    void inputWhileBusy(uint64_t request);
    // The server stops and the grace period is over: the running statement is cancelled
    // (its client is told why); then the connection is cut if it does not end by itself.
    void cancelForStop();
    void cut() { transport_.shutdown(); }

private:
    struct ClientGone {};

    void run();
    Message readMessage(int timeoutMs);
    void send(uint8_t type, const QByteArray& payload);
    void handshake();
    void logIn(const Login7& login);
    [[noreturn]] void refuseLogin(const ServerMessage& m, const QString& logText);
    void serve();
    QByteArray runBusy(const std::function<QByteArray()>& work);
    void resetSession();
    void closeSession();
    void log(const QString& text) const;

    TdsServer& server_;
    Transport transport_;
    PacketReader reader_;
    int id_;
    QString peer_;
    int packetSize_;
    uint8_t packetId_ = 1;
    QString user_;
    QString password_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<RequestRunner> runner_;
    bool holdsSessionSlot_ = false;
    int requests_ = 0;

    std::mutex stateMutex_;   // the session while the watcher may interrupt it
    std::atomic<bool> busy_{false};
    std::atomic<bool> inputWhileBusy_{false};
    std::atomic<uint64_t> request_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

} // namespace qel::server::tds

// A TCP relay between a client and the server that keeps a copy of every byte the client
// sends, so a test can tell whether a password or a statement crossed the wire in clear.
#pragma once

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <thread>

namespace qel::test {

class RecordingProxy {
public:
    // Listens on a free loopback port and relays each connection to the target port.
    explicit RecordingProxy(int targetPort);
    ~RecordingProxy();

    int port() const { return port_; }
    QByteArray clientBytes() const;

private:
    void run();
    void relay(int client);

    int target_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    QByteArray fromClients_;
};

} // namespace qel::test

#include "tests/tds/recording_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace qel::test {

RecordingProxy::RecordingProxy(int targetPort) : target_(targetPort)
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listenFd_, 8);
    socklen_t length = sizeof a;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

RecordingProxy::~RecordingProxy()
{
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

QByteArray RecordingProxy::clientBytes() const
{
    std::lock_guard lock(mutex_);
    return fromClients_;
}

void RecordingProxy::run()
{
    std::vector<std::thread> relays;
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            relays.emplace_back([this, client] { relay(client); });
    }
    for (std::thread& t : relays)
        t.join();
}

void RecordingProxy::relay(int client)
{
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(target_));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(client);
        ::close(server);
        return;
    }
    char buffer[65536];
    bool open = true;
    while (open && !stop_) {
        pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (::poll(p, 2, 100) <= 0)
            continue;
        for (int i = 0; i < 2 && open; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(p[i].fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                open = false;
                break;
            }
            if (i == 0) {
                std::lock_guard lock(mutex_);
                fromClients_.append(buffer, n);
            }
            ::send(i == 0 ? server : client, buffer, size_t(n), MSG_NOSIGNAL);
        }
    }
    ::close(client);
    ::close(server);
}

} // namespace qel::test

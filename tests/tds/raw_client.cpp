#include "tests/tds/raw_client.h"

#include "server/tds/bytes.h"
#include "server/tds/protocol.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qel::test {

using server::tds::ByteWriter;

RawClient::~RawClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool RawClient::connectTo(int port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

void RawClient::sendRaw(const QByteArray& bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        at += n;
    }
}

void RawClient::sendMessage(uint8_t type, const QByteArray& payload)
{
    constexpr qsizetype room = server::tds::kDefaultPacketSize - server::tds::kHeaderSize;
    qsizetype at = 0;
    uint8_t id = 1;
    do {
        const qsizetype n = std::min(room, payload.size() - at);
        const bool last = at + n >= payload.size();
        sendRaw(tdsPacket(type, last ? server::tds::StatusEom : 0, payload.mid(at, n), -1, id++));
        at += n;
    } while (at < payload.size());
}

void RawClient::shutdownWrite() { ::shutdown(fd_, SHUT_WR); }

QByteArray RawClient::readMessage(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    QByteArray message;
    for (;;) {
        // Whole packets from the buffer until one ends the message.
        while (buffer_.size() >= 8) {
            const int length = (uint8_t(buffer_[2]) << 8) | uint8_t(buffer_[3]);
            if (length < 8 || buffer_.size() < length)
                break;
            const bool last = buffer_[1] & 1;
            message.append(buffer_.constData() + 8, length - 8);
            buffer_.remove(0, length);
            if (last)
                return message;
        }
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0)
            return {};
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            continue;
        char chunk[65536];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            closed_ = true;
            return {};
        }
        buffer_.append(chunk, n);
    }
}

bool RawClient::waitClosed(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!closed_ && timer.elapsed() < timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char chunk[65536];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            closed_ = true;
    }
    return closed_;
}

bool RawClient::logIn(const QString& user, const QString& password)
{
    sendMessage(server::tds::PacketPreLogin, preLoginPayload(server::tds::EncryptNotSupported));
    if (readMessage().isEmpty())
        return false;
    sendMessage(server::tds::PacketLogin7, login7Payload(user, password, QStringLiteral("QEL")));
    return hasLoginAck(readMessage());
}

QByteArray tdsPacket(uint8_t type, uint8_t status, const QByteArray& body, int declaredLength, uint8_t packetId)
{
    const int length = declaredLength >= 0 ? declaredLength : int(body.size()) + server::tds::kHeaderSize;
    QByteArray p;
    p.append(char(type));
    p.append(char(status));
    p.append(char(length >> 8));
    p.append(char(length & 0xFF));
    p.append(2, '\0');   // SPID
    p.append(char(packetId));
    p.append('\0');      // window
    return p + body;
}

QByteArray scrambledPassword(const QString& password)
{
    QByteArray scrambled;
    for (QChar c : password)
        for (uint8_t b : {uint8_t(c.unicode() & 0xFF), uint8_t(c.unicode() >> 8)})
            scrambled.append(char(uint8_t((b << 4) | (b >> 4)) ^ 0xA5));
    return scrambled;
}

QByteArray preLoginPayload(uint8_t encryption)
{
    ByteWriter w;
    // VERSION (6 bytes) at 11, ENCRYPTION (1 byte) at 17; terminator.
    w.u8(0);
    w.u16be(11);
    w.u16be(6);
    w.u8(1);
    w.u16be(17);
    w.u16be(1);
    w.u8(0xFF);
    w.raw(QByteArray("\x07\x00\x00\x00\x00\x00", 6));
    w.u8(encryption);
    return w.bytes();
}

QByteArray login7Payload(const QString& user, const QString& password, const QString& database)
{
    const QByteArray scrambled = scrambledPassword(password);
    const QString host = QStringLiteral("rawclient");
    const QString app = QStringLiteral("raw test");
    struct Field {
        QByteArray bytes;
        int chars;
    };
    const auto utf16 = [](const QString& s) { return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2); };
    const Field fields[9] = {{utf16(host), int(host.size())}, {utf16(user), int(user.size())},
                             {scrambled, int(password.size())}, {utf16(app), int(app.size())},
                             {{}, 0}, {{}, 0}, {{}, 0}, {{}, 0}, {utf16(database), int(database.size())}};
    ByteWriter w;
    constexpr int fixed = 94;
    int offset = fixed;
    QByteArray data;
    ByteWriter head;
    head.u32(server::tds::kTdsVersion74);
    head.u32(server::tds::kDefaultPacketSize);
    head.u32(7);
    head.u32(1);
    head.u32(0);
    head.u8(0xE0);
    head.u8(0x03);
    head.u8(0);
    head.u8(0);
    head.i32(0);
    head.u32(0x0409);
    for (const Field& f : fields) {
        head.u16(uint16_t(offset));
        head.u16(uint16_t(f.chars));
        data.append(f.bytes);
        offset += int(f.bytes.size());
    }
    head.raw(QByteArray(6, '\0'));   // client id
    for (int i = 0; i < 3; ++i) {    // SSPI, attach file, change password
        head.u16(uint16_t(offset));
        head.u16(0);
    }
    head.u32(0);
    w.u32(uint32_t(fixed + data.size()));
    w.raw(head.bytes());
    w.raw(data);
    return w.bytes();
}

QByteArray sqlBatchPayload(const QString& text)
{
    ByteWriter w;
    // ALL_HEADERS with a transaction descriptor header.
    w.u32(22);
    w.u32(18);
    w.u16(2);
    w.u64(0);
    w.u32(1);
    w.utf16(text);
    return w.bytes();
}

int finalDoneStatus(const QByteArray& response)
{
    if (response.size() < 13 || uint8_t(response[response.size() - 13]) != server::tds::TokDone)
        return -1;
    return uint8_t(response[response.size() - 12]) | (uint8_t(response[response.size() - 11]) << 8);
}

bool hasLoginAck(const QByteArray& response)
{
    // The acknowledgement carries the product name; an error would carry its text instead.
    return response.contains(char(server::tds::TokLoginAck)) && response.contains(QByteArray("Q\0E\0L\0", 6));
}

} // namespace qel::test

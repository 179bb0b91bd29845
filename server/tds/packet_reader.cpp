#include "server/tds/packet_reader.h"

#include "server/tds/protocol.h"

namespace qel::server::tds {

namespace {

bool knownType(uint8_t t)
{
    switch (t) {
    case PacketSqlBatch:
    case PacketRpc:
    case PacketAttention:
    case PacketBulkLoad:
    case PacketFedAuthToken:
    case PacketTransactionManager:
    case PacketLogin7:
    case PacketSspi:
    case PacketPreLogin:
    case PacketPreTds7Login:
        return true;
    default:
        return false;
    }
}

} // namespace

PacketReader::PacketReader(qsizetype maxMessageBytes) : maxMessage_(maxMessageBytes) {}

void PacketReader::feed(const char* data, qsizetype size)
{
    if (consumed_ > 0 && consumed_ >= buffer_.size() / 2) {
        buffer_.remove(0, consumed_);
        consumed_ = 0;
    }
    buffer_.append(data, size);
}

std::optional<Message> PacketReader::next()
{
    for (;;) {
        const qsizetype available = buffer_.size() - consumed_;
        if (available < kHeaderSize)
            return std::nullopt;
        const auto* h = reinterpret_cast<const uint8_t*>(buffer_.constData() + consumed_);
        const uint8_t type = h[0];
        const uint8_t status = h[1];
        const int length = (h[2] << 8) | h[3];
        if (!knownType(type))
            throw ProtocolError{QStringLiteral("unknown packet type %1").arg(type)};
        if (length < kHeaderSize)
            throw ProtocolError{QStringLiteral("packet length %1 shorter than its header").arg(length)};
        if (packetSize_ > 0 && length > packetSize_)
            throw ProtocolError{QStringLiteral("packet of %1 bytes beyond the packet size %2").arg(length).arg(packetSize_)};
        if (inMessage_ && type != partial_.type)
            throw ProtocolError{QStringLiteral("packet type %1 inside a message of type %2").arg(type).arg(partial_.type)};
        if (available < length)
            return std::nullopt;

        const qsizetype bodySize = length - kHeaderSize;
        if (partial_.payload.size() + bodySize > maxMessage_)
            throw ProtocolError{QStringLiteral("request larger than %1 bytes").arg(maxMessage_)};
        if (!inMessage_) {
            partial_ = Message{};
            partial_.type = type;
            partial_.resetConnection = (status & (StatusResetConnection | StatusResetConnectionSkipTran)) != 0;
            inMessage_ = true;
        }
        partial_.payload.append(buffer_.constData() + consumed_ + kHeaderSize, bodySize);
        consumed_ += length;

        if (!(status & StatusEom))
            continue;
        inMessage_ = false;
        Message done = std::move(partial_);
        partial_ = Message{};
        if (status & StatusIgnore)
            continue;
        return done;
    }
}

QByteArray PacketReader::takeUnread()
{
    if (inMessage_)
        throw ProtocolError{QStringLiteral("a message cut short where encryption begins")};
    QByteArray rest = buffer_.mid(consumed_);
    buffer_.clear();
    consumed_ = 0;
    return rest;
}

} // namespace qel::server::tds

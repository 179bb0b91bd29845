// Reassembles TDS messages from the bytes a client sends: checks each packet header,
// joins the packets of one message up to the one marked end-of-message, and refuses what
// no client sends (an unknown type, a type change inside a message, a length outside the
// packet size, a message beyond the size limit).
#pragma once

#include "server/tds/bytes.h"

#include <QByteArray>
#include <optional>

namespace qel::server::tds {

struct Message {
    uint8_t type = 0;
    bool resetConnection = false;  // the client asks for a fresh session state first
    QByteArray payload;
};

class PacketReader {
public:
    // maxMessageBytes bounds what one request may hold (a photo is the largest value).
    explicit PacketReader(qsizetype maxMessageBytes);

    // The largest packet the client may send: the negotiated packet size. Until the login
    // has negotiated one, any length the header can hold is accepted.
    void setPacketSize(int bytes) { packetSize_ = bytes; }

    // Adds bytes read from the connection.
    void feed(const char* data, qsizetype size);
    // The next complete message, if one is there; throws ProtocolError for a malformed one.
    // A message the client marked "ignore" (a request it cancelled while sending) is skipped.
    std::optional<Message> next();

    // Bytes received that are not yet part of a returned message.
    bool hasPendingBytes() const { return inMessage_ || buffer_.size() > consumed_; }
    // Hands over the bytes received after the last complete message (when the stream
    // changes under the packets: encryption begins).
    QByteArray takeUnread();

private:
    qsizetype maxMessage_;
    int packetSize_ = 0;
    QByteArray buffer_;
    qsizetype consumed_ = 0;
    Message partial_;
    bool inMessage_ = false;
};

} // namespace qel::server::tds

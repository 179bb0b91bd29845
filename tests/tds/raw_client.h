// A bare TDS client for the tests that must send what no well-behaved client sends:
// garbage, cut packets, a cancel while a statement runs. Builds PRELOGIN, LOGIN7 and SQL
// batch messages itself and reads responses; every wait has a time limit.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace qel::test {

class RawClient {
public:
    RawClient() = default;
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connectTo(int port);
    void sendRaw(const QByteArray& bytes);
    // One message in packets of 4096 bytes, the last marked end-of-message.
    void sendMessage(uint8_t type, const QByteArray& payload);
    void shutdownWrite();

    // The payload of the next response message; empty when the server closed the
    // connection or nothing came within the time limit (see closed()).
    QByteArray readMessage(int timeoutMs = 10000);
    bool closed() const { return closed_; }
    // True when the server closes the connection within the time limit.
    bool waitClosed(int timeoutMs = 10000);

    // PRELOGIN without encryption, then LOGIN7; true when the server acknowledged it.
    bool logIn(const QString& user, const QString& password);

private:
    int fd_ = -1;
    bool closed_ = false;
    QByteArray buffer_;
};

// One packet: its header (declaredLength: the length it claims, by default the true one)
// and the body.
QByteArray tdsPacket(uint8_t type, uint8_t status, const QByteArray& body, int declaredLength = -1, uint8_t packetId = 1);
// A password as LOGIN7 carries it: each byte's halves swapped, then XORed with 0xA5.
QByteArray scrambledPassword(const QString& password);

QByteArray preLoginPayload(uint8_t encryption);
QByteArray login7Payload(const QString& user, const QString& password, const QString& database);
QByteArray sqlBatchPayload(const QString& text);
// The status of the DONE token that ends a response (-1 when it does not end with one).
int finalDoneStatus(const QByteArray& response);
// True when the response holds a LOGINACK token.
bool hasLoginAck(const QByteArray& response);

} // namespace qel::test

// Writes the token stream of a response: result sets (column metadata, browse information,
// rows), completion tokens with their counts, errors and messages, environment changes,
// the login acknowledgement, return status and output parameters.
#pragma once

#include "server/tds/bytes.h"
#include "server/tds/protocol.h"
#include "server/tds/type_info.h"
#include "server/wire.h"

#include <QString>

namespace qel::server::tds {

struct ServerMessage {
    int number = 0;
    uint8_t state = 1;
    uint8_t severity = 16;   // 0-10 information, 11-16 errors the user can correct
    QString text;
    QString procedure;
    int line = 1;
};

class TokenWriter {
public:
    explicit TokenWriter(QString serverName) : serverName_(std::move(serverName)) {}

    QByteArray& bytes() { return out_.bytes(); }
    QByteArray take() { QByteArray b = std::move(out_.bytes()); out_.bytes().clear(); return b; }
    qsizetype size() const { return out_.size(); }

    // One result set. browse: add the base table and column of each column (TABNAME and
    // COLINFO), as the server does for a session that asked for browse information.
    void resultSet(const wire::ResultSet& rs, bool browse);

    // Returns where the token starts, so that a DONE written as "more follows" can be made
    // the final one (clearMore) once the caller knows nothing follows.
    qsizetype done(uint8_t token, uint16_t status, uint16_t command, uint64_t rowCount);
    void clearMore(qsizetype doneAt);
    void error(const ServerMessage& m) { message(TokError, m); }
    void info(const ServerMessage& m) { message(TokInfo, m); }
    void envChange(uint8_t type, const QString& newValue, const QString& oldValue);
    void envChangeBytes(uint8_t type, const QByteArray& newValue, const QByteArray& oldValue);
    void loginAck(uint32_t tdsVersion);
    void returnStatus(int32_t status);
    void returnValue(uint16_t ordinal, const QString& name, wire::ColumnType type, const QVariant& value);

private:
    // A token whose body follows its two-byte length.
    void sized(uint8_t token, const ByteWriter& body);
    void message(uint8_t token, const ServerMessage& m);

    QString serverName_;
    ByteWriter out_;
};

} // namespace qel::server::tds

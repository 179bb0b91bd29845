#include "server/tds/tokens.h"

#include "server/tds/protocol.h"
#include "server/tds/server_version.h"

#include <vector>

namespace qel::server::tds {

namespace {

// Column flags of COLMETADATA.
constexpr uint16_t kNullable = 0x0001;
constexpr uint16_t kUpdatable = 0x0008;        // a table's column (updatability left to the client)
constexpr uint16_t kIdentity = 0x0010;

// COLINFO status bits.
constexpr uint8_t kColInfoExpression = 0x04;
constexpr uint8_t kColInfoDifferentName = 0x20;

} // namespace

void TokenWriter::resultSet(const wire::ResultSet& rs, bool browse)
{
    std::vector<OutType> types;
    types.reserve(size_t(rs.columns.size()));
    out_.u8(TokColMetadata);
    out_.u16(uint16_t(rs.columns.size()));
    for (int i = 0; i < rs.columns.size(); ++i) {
        const wire::Column& c = rs.columns[i];
        const OutType t = chooseOutType(c, rs.rows, i);
        types.push_back(t);
        out_.u32(0);   // user type
        uint16_t flags = 0;
        if (c.nullable)
            flags |= kNullable;
        if (c.identity)
            flags |= kIdentity;
        else if (!c.baseTable.isEmpty())
            flags |= kUpdatable;
        out_.u16(flags);
        writeTypeInfo(out_, t);
        out_.bVarChar(c.name);
    }

    if (browse) {
        // The tables, each named once, then for each column its table and base name.
        QStringList tables;
        for (const wire::Column& c : rs.columns)
            if (!c.baseTable.isEmpty() && !tables.contains(c.baseTable, Qt::CaseInsensitive))
                tables << c.baseTable;
        if (!tables.isEmpty()) {
            ByteWriter names;
            for (const QString& t : tables) {
                names.u8(1);   // one part: the table's own name
                names.usVarChar(t);
            }
            sized(TokTabName, names);

            ByteWriter info;
            for (int i = 0; i < rs.columns.size(); ++i) {
                const wire::Column& c = rs.columns[i];
                int table = 0;
                for (int k = 0; k < tables.size(); ++k)
                    if (tables[k].compare(c.baseTable, Qt::CaseInsensitive) == 0)
                        table = k + 1;
                info.u8(uint8_t(i + 1));
                info.u8(uint8_t(table));
                const bool renamed = table && !c.baseColumn.isEmpty() && c.baseColumn != c.name;
                info.u8(uint8_t((table ? 0 : kColInfoExpression) | (renamed ? kColInfoDifferentName : 0)));
                if (renamed)
                    info.bVarChar(c.baseColumn);
            }
            sized(TokColInfo, info);
        }
    }

    for (const wire::Row& row : rs.rows) {
        out_.u8(TokRow);
        for (int i = 0; i < rs.columns.size(); ++i)
            writeValue(out_, types[size_t(i)], row.value(i));
    }
}

qsizetype TokenWriter::done(uint8_t token, uint16_t status, uint16_t command, uint64_t rowCount)
{
    const qsizetype at = out_.size();
    out_.u8(token);
    out_.u16(status);
    out_.u16(command);
    out_.u64(rowCount);
    return at;
}

void TokenWriter::clearMore(qsizetype doneAt)
{
    QByteArray& b = out_.bytes();
    b[doneAt + 1] = char(uint8_t(b[doneAt + 1]) & ~uint8_t(DoneMore));
}

void TokenWriter::sized(uint8_t token, const ByteWriter& body)
{
    out_.u8(token);
    out_.u16(uint16_t(body.size()));
    out_.raw(body.bytes());
}

void TokenWriter::message(uint8_t token, const ServerMessage& m)
{
    ByteWriter body;
    body.i32(m.number);
    body.u8(m.state);
    body.u8(m.severity);
    body.usVarChar(m.text);
    body.bVarChar(serverName_);
    body.bVarChar(m.procedure);
    body.i32(m.line);
    sized(token, body);
}

void TokenWriter::envChange(uint8_t type, const QString& newValue, const QString& oldValue)
{
    ByteWriter body;
    body.u8(type);
    body.bVarChar(newValue);
    body.bVarChar(oldValue);
    sized(TokEnvChange, body);
}

void TokenWriter::envChangeBytes(uint8_t type, const QByteArray& newValue, const QByteArray& oldValue)
{
    ByteWriter body;
    body.u8(type);
    body.u8(uint8_t(newValue.size()));
    body.raw(newValue);
    body.u8(uint8_t(oldValue.size()));
    body.raw(oldValue);
    sized(TokEnvChange, body);
}

void TokenWriter::loginAck(uint32_t tdsVersion)
{
    ByteWriter body;
    body.u8(1);   // interface: T-SQL
    body.u32be(tdsVersion);
    body.bVarChar(QString::fromUtf16(kServerProductName));
    body.u8(kServerMajorVersion);
    body.u8(kServerMinorVersion);
    body.u16be(kServerBuild);
    sized(TokLoginAck, body);
}

void TokenWriter::returnStatus(int32_t status)
{
    out_.u8(TokReturnStatus);
    out_.i32(status);
}

void TokenWriter::returnValue(uint16_t ordinal, const QString& name, wire::ColumnType type, const QVariant& value)
{
    const OutType t = outTypeForValue(type, value);
    out_.u8(TokReturnValue);
    out_.u16(ordinal);
    out_.bVarChar(name);
    out_.u8(ParamByRef);   // an output parameter
    out_.u32(0);     // user type
    out_.u16(kNullable);
    writeTypeInfo(out_, t);
    writeValue(out_, t, value);
}

} // namespace qel::server::tds

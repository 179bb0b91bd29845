#include "server/tds/requests.h"

#include "server/tds/bytes.h"
#include "server/tds/protocol.h"

namespace qel::server::tds {

namespace {

// The ALL_HEADERS block in front of every request (query notification, transaction
// descriptor, trace activity): checked and skipped, as the session keeps its own
// transaction state.
void skipAllHeaders(ByteReader& in)
{
    const qsizetype start = in.position();
    const uint32_t total = in.u32();
    if (total < 4 || qsizetype(total) > in.remaining() + 4)
        throw ProtocolError{QStringLiteral("request headers of %1 bytes").arg(total)};
    const qsizetype end = start + qsizetype(total);
    while (in.position() < end) {
        const uint32_t length = in.u32();
        if (length < 6 || qsizetype(length) > end - in.position() + 4)
            throw ProtocolError{QStringLiteral("request header of %1 bytes").arg(length)};
        in.skip(qsizetype(length) - 4);
    }
    if (in.position() != end)
        throw ProtocolError{QStringLiteral("request headers overrun their length")};
}

} // namespace

QString parseSqlBatch(const QByteArray& payload)
{
    ByteReader in(payload);
    skipAllHeaders(in);
    if (in.remaining() % 2)
        throw ProtocolError{QStringLiteral("batch text of an odd number of bytes")};
    return in.utf16(in.remaining() / 2);
}

QList<RpcCall> parseRpc(const QByteArray& payload)
{
    ByteReader in(payload);
    skipAllHeaders(in);
    QList<RpcCall> calls;
    bool noExec = false;
    while (!in.atEnd()) {
        RpcCall call;
        call.noExec = noExec;
        const uint16_t nameLength = in.u16();
        if (nameLength == 0xFFFF)
            call.procId = in.u16();
        else if (nameLength == 0 || nameLength > 1024)
            throw ProtocolError{QStringLiteral("procedure name of %1 characters").arg(nameLength)};
        else
            call.procName = in.utf16(nameLength);
        in.u16();   // option flags (recompile, no metadata): nothing to honour
        while (!in.atEnd() && in.peek() != 0xFF && in.peek() != 0xFE && in.peek() != 0x80) {
            RpcParam p;
            p.name = in.bVarChar();
            const uint8_t status = in.u8();
            p.output = (status & ParamByRef) != 0;
            p.isDefault = (status & ParamDefault) != 0;
            p.type = readTypeInfo(in);
            p.value = readValue(in, p.type);
            if (call.params.size() >= 2100)
                throw ProtocolError{QStringLiteral("more than 2100 parameters")};
            call.params.append(std::move(p));
        }
        calls.append(std::move(call));
        if (!in.atEnd())
            noExec = in.u8() == 0xFE;
    }
    if (calls.isEmpty())
        throw ProtocolError{QStringLiteral("an RPC message without a call")};
    return calls;
}

TransactionRequest parseTransactionRequest(const QByteArray& payload)
{
    ByteReader in(payload);
    skipAllHeaders(in);
    TransactionRequest r;
    r.type = in.u16();
    switch (r.type) {
    case TmBegin:
        r.isolationLevel = in.u8();
        r.name = in.bVarChar();
        break;
    case TmCommit:
    case TmRollback:
        r.name = in.bVarChar();
        if (!in.atEnd()) {
            const uint8_t flags = in.u8();
            if (flags & 0x01) {
                r.beginAfter = true;
                r.isolationLevel = in.u8();
                in.bVarChar();
            }
        }
        break;
    case TmSave:
        r.name = in.bVarChar();
        break;
    default:
        break;
    }
    return r;
}

} // namespace qel::server::tds

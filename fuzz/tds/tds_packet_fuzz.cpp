// libFuzzer target: any bytes a client may send, cut into reads of any size, through the
// packet reader and the parser of each message type. Every input must end in messages or
// a ProtocolError, never a crash, a hang or a read outside the data.
#include "server/tds/login7.h"
#include "server/tds/packet_reader.h"
#include "server/tds/prelogin.h"
#include "server/tds/protocol.h"
#include "server/tds/requests.h"
#include "server/tds/statement_parameters.h"
#include "server/wire.h"

#include <cstddef>
#include <cstdint>

using namespace qel::server::tds;

namespace {

void parse(const Message& m)
{
    switch (m.type) {
    case PacketPreLogin: parsePreLogin(m.payload); break;
    case PacketLogin7: parseLogin7(m.payload); break;
    case PacketSqlBatch: parseSqlBatch(m.payload); break;
    case PacketTransactionManager: parseTransactionRequest(m.payload); break;
    case PacketRpc:
        for (const RpcCall& call : parseRpc(m.payload)) {
            // sp_executesql's declarations and statement, as the server reads them.
            if (call.params.size() >= 2) {
                try {
                    const QList<DeclaredParam> declared = parseDeclarations(call.params[1].value.toString());
                    QList<int> uses;
                    positionalStatement(call.params[0].value.toString(), declared, &uses);
                } catch (const qel::wire::ServerError&) {
                }
            }
        }
        break;
    default: break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte chooses how the stream is cut into reads and the packet size limit.
    const size_t slice = 1 + data[0] % 97;
    PacketReader reader(1 << 20);
    if (data[0] & 0x80)
        reader.setPacketSize(512);
    try {
        for (size_t at = 1; at < size; at += slice) {
            reader.feed(reinterpret_cast<const char*>(data + at), qsizetype(std::min(slice, size - at)));
            while (auto m = reader.next()) {
                try {
                    parse(*m);
                } catch (const ProtocolError&) {
                }
            }
        }
    } catch (const ProtocolError&) {
    }
    return 0;
}

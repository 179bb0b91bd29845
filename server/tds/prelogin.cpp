#include "server/tds/prelogin.h"

#include "server/tds/bytes.h"
#include "server/tds/protocol.h"
#include "server/tds/server_version.h"

#include <vector>

namespace qel::server::tds {

PreLoginRequest parsePreLogin(const QByteArray& payload)
{
    PreLoginRequest r;
    ByteReader in(payload);
    // The option table: token, offset, length (big-endian), up to the terminator.
    for (int count = 0;; ++count) {
        if (count > 64)
            throw ProtocolError{QStringLiteral("PRELOGIN with too many options")};
        const uint8_t token = in.u8();
        if (token == OptTerminator)
            break;
        const uint16_t offset = in.u16be();
        const uint16_t length = in.u16be();
        if (qsizetype(offset) + length > payload.size())
            throw ProtocolError{QStringLiteral("PRELOGIN option %1 beyond the message").arg(token)};
        if (token == OptEncryption && length >= 1)
            r.encryption = uint8_t(payload[offset]);
        // Version, instance, thread id, MARS, trace id, federated authentication, nonce: not used.
    }
    return r;
}

QByteArray buildPreLoginResponse(uint8_t encryption)
{
    struct Option {
        uint8_t token;
        QByteArray value;
    };
    ByteWriter version;
    version.u8(kServerMajorVersion);
    version.u8(kServerMinorVersion);
    version.u16be(kServerBuild);
    version.u16be(0);
    const std::vector<Option> options = {
        {OptVersion, version.bytes()},
        {OptEncryption, QByteArray(1, char(encryption))},
        {OptInstance, QByteArray(1, '\0')},
        {OptThreadId, QByteArray()},
        {OptMars, QByteArray(1, '\0')},
    };
    ByteWriter out;
    uint16_t offset = uint16_t(options.size() * 5 + 1);
    for (const Option& o : options) {
        out.u8(o.token);
        out.u16be(offset);
        out.u16be(uint16_t(o.value.size()));
        offset = uint16_t(offset + o.value.size());
    }
    out.u8(OptTerminator);
    for (const Option& o : options)
        out.raw(o.value);
    return out.bytes();
}

} // namespace qel::server::tds

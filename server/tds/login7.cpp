#include "server/tds/login7.h"

#include "server/tds/bytes.h"

namespace qel::server::tds {

namespace {

// The fixed part of LOGIN7 in TDS 7.2 and later, up to cbSSPILong.
constexpr qsizetype kFixedPart = 94;

struct Field {
    uint16_t offset = 0;
    uint16_t chars = 0;
};

QString text(const QByteArray& payload, qsizetype recordSize, Field f)
{
    if (f.chars == 0)
        return {};
    if (qsizetype(f.offset) + qsizetype(f.chars) * 2 > recordSize)
        throw ProtocolError{QStringLiteral("LOGIN7 field beyond the record")};
    ByteReader r(payload.constData() + f.offset, qsizetype(f.chars) * 2);
    return r.utf16(f.chars);
}

} // namespace

QString unscramblePassword(const char* data, qsizetype chars)
{
    QByteArray plain(data, chars * 2);
    for (char& c : plain) {
        const uint8_t b = uint8_t(c) ^ 0xA5;
        c = char(uint8_t((b << 4) | (b >> 4)));
    }
    ByteReader r(plain);
    return r.utf16(chars);
}

Login7 parseLogin7(const QByteArray& payload)
{
    ByteReader in(payload);
    const uint32_t length = in.u32();
    if (length < kFixedPart || length > uint32_t(payload.size()))
        throw ProtocolError{QStringLiteral("LOGIN7 record of %1 bytes in a message of %2").arg(length).arg(payload.size())};
    const qsizetype recordSize = qsizetype(length);

    Login7 l;
    l.tdsVersion = in.u32();
    l.packetSize = in.u32();
    in.u32();                        // client program version
    in.u32();                        // client process id
    in.u32();                        // connection id
    in.u8();                         // option flags 1
    const uint8_t flags2 = in.u8();
    in.u8();                         // type flags
    in.u8();                         // option flags 3
    in.i32();                        // client time zone
    in.u32();                        // client LCID
    l.integratedSecurity = (flags2 & 0x80) != 0;

    auto field = [&in] { Field f; f.offset = in.u16(); f.chars = in.u16(); return f; };
    const Field host = field(), user = field(), password = field(), app = field(), server = field(),
                extension = field(), library = field(), language = field(), database = field();
    Q_UNUSED(extension);
    in.skip(6);                      // client id (a MAC address)
    const Field sspi = field();
    field();                         // file to attach: never honoured
    const Field changePassword = field();
    in.u32();                        // long SSPI length

    l.hostName = text(payload, recordSize, host);
    l.userName = text(payload, recordSize, user);
    if (password.chars > 0) {
        if (qsizetype(password.offset) + qsizetype(password.chars) * 2 > recordSize)
            throw ProtocolError{QStringLiteral("LOGIN7 password beyond the record")};
        l.password = unscramblePassword(payload.constData() + password.offset, password.chars);
    }
    l.appName = text(payload, recordSize, app);
    l.serverName = text(payload, recordSize, server);
    l.clientLibrary = text(payload, recordSize, library);
    l.language = text(payload, recordSize, language);
    l.database = text(payload, recordSize, database);
    l.integratedSecurity = l.integratedSecurity || sspi.chars > 0;
    l.changesPassword = changePassword.chars > 0;
    return l;
}

} // namespace qel::server::tds

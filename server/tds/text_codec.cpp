#include "server/tds/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdint>

namespace qel::server::tds {

namespace {

const char* codecName(int codePage)
{
    return codePage == 1251 ? "windows-1251" : "windows-1252";
}

} // namespace

int codePageOfCollation(const char* c)
{
    const auto* b = reinterpret_cast<const uint8_t*>(c);
    const uint32_t info = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    const uint8_t sortId = b[4];
    if (info & (1u << 26))
        return 65001;
    if (sortId != 0)
        return (sortId >= 104 && sortId <= 108) ? 1251 : 1252;
    switch (info & 0xFFFF) {   // the primary language and its sublanguage
    case 0x0419:   // Russian
    case 0x0422:   // Ukrainian
    case 0x0423:   // Belarusian
    case 0x0402:   // Bulgarian
    case 0x042F:   // Macedonian
    case 0x0C1A:   // Serbian, Cyrillic
    case 0x0440:   // Kyrgyz
    case 0x0444:   // Tatar
    case 0x0450:   // Mongolian
    case 0x043F:   // Kazakh
        return 1251;
    case 0x0000:   // no collation given: the database's own
        return 1251;
    default:
        return 1252;
    }
}

QByteArray encodeCodePage(const QString& text, int codePage)
{
    if (codePage == 65001)
        return text.toUtf8();
    thread_local QStringEncoder cp1251("windows-1251");
    thread_local QStringEncoder cp1252("windows-1252");
    QStringEncoder& encoder = codePage == 1251 ? cp1251 : cp1252;
    QByteArray out = encoder.encode(text);
    if (!encoder.hasError())
        return out;
    // Again character by character, so that each one the code page lacks becomes '?'.
    QStringEncoder single(codecName(codePage));
    out.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray b = single.encode(QStringView(text).mid(i, n));
        if (single.hasError()) {
            out.append('?');
            single.resetState();
        } else {
            out.append(b);
        }
        i += n - 1;
    }
    encoder.resetState();
    return out;
}

QString decodeCodePage(const QByteArray& bytes, int codePage)
{
    if (codePage == 65001)
        return QString::fromUtf8(bytes);
    thread_local QStringDecoder cp1251("windows-1251");
    thread_local QStringDecoder cp1252("windows-1252");
    QStringDecoder& decoder = codePage == 1251 ? cp1251 : cp1252;
    QString s = decoder.decode(bytes);
    decoder.resetState();
    return s;
}

} // namespace qel::server::tds

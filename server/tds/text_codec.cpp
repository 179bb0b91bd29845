#include "server/tds/text_codec.h"

#include <QHash>
#include <QStringDecoder>
#include <array>
#include <cstdint>

namespace qel::server::tds {

namespace {

// A single-byte code page as two tables, built once from the system's converter: the
// character of each byte, and the byte of each character.
struct CodePage {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, uint8_t> fromUnicode;

    explicit CodePage(const char* name)
    {
        QStringDecoder decoder(name);
        for (int b = 0; b < 256; ++b) {
            const QString c = decoder.decode(QByteArray(1, char(b)));
            toUnicode[size_t(b)] = c.size() == 1 ? c.at(0).unicode() : char16_t(0xFFFD);
            decoder.resetState();
            if (c.size() == 1 && c.at(0) != QChar(0xFFFD))
                fromUnicode.insert(c.at(0).unicode(), uint8_t(b));
        }
    }
};

const CodePage& codePage(int number)
{
    static const CodePage cp1251("windows-1251");
    static const CodePage cp1252("windows-1252");
    return number == 1251 ? cp1251 : cp1252;
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

QByteArray encodeCodePage(const QString& text, int number)
{
    if (number == 65001)
        return text.toUtf8();
    const CodePage& cp = codePage(number);
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;   // one character, one '?'
        const auto it = cp.fromUnicode.constFind(c);
        out.append(it == cp.fromUnicode.constEnd() ? '?' : char(it.value()));
    }
    return out;
}

QString decodeCodePage(const QByteArray& bytes, int number)
{
    if (number == 65001)
        return QString::fromUtf8(bytes);
    const CodePage& cp = codePage(number);
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(cp.toUnicode[uint8_t(bytes[i])]);
    return out;
}

} // namespace qel::server::tds

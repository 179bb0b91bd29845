// Windows-1251 tables written out here: Qt 6 has no codec for it without ICU.
#include "platform/os/cp1251.h"

#include <array>
#include <unordered_map>

namespace qel::os {
namespace {

// Characters of the bytes 0x80..0xFF; 0x98 is unassigned.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

const std::unordered_map<char16_t, unsigned char>& reverseTable()
{
    static const auto table = [] {
        std::unordered_map<char16_t, unsigned char> m;
        for (int i = 0; i < 128; ++i)
            if (kHigh[i] != 0xFFFD)
                m.emplace(kHigh[i], static_cast<unsigned char>(0x80 + i));
        return m;
    }();
    return table;
}

bool encodeChar(char16_t c, unsigned char* out)
{
    if (c < 0x80) {
        *out = static_cast<unsigned char>(c);
        return true;
    }
    const auto& rev = reverseTable();
    auto it = rev.find(c);
    if (it == rev.end())
        return false;
    *out = it->second;
    return true;
}

} // namespace

QByteArray toCp1251(const QString& text, bool* ok)
{
    QByteArray out;
    out.reserve(text.size());
    bool all = true;
    for (QChar ch : text) {
        unsigned char b;
        if (!encodeChar(ch.unicode(), &b)) {
            all = false;
            b = '?';
        }
        out.append(static_cast<char>(b));
    }
    if (ok)
        *ok = all;
    return out;
}

QChar firstNonCp1251(const QString& text)
{
    for (QChar ch : text) {
        unsigned char b;
        if (!encodeChar(ch.unicode(), &b))
            return ch;
    }
    return {};
}

bool fitsCp1251(const QString& text) { return firstNonCp1251(text).isNull(); }

QString charactersRefusal(const QString& text, const QString& what)
{
    QString outside;
    for (int i = 0; i < text.size(); ++i) {
        // a character beyond the 16-bit range is two halves: shown, and counted, as one
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QString ch = text.mid(i, pair ? 2 : 1);
        unsigned char b;
        if ((pair || !encodeChar(text[i].unicode(), &b)) && !outside.contains(ch))
            outside += ch;
        if (pair)
            ++i;
    }
    if (outside.isEmpty())
        return {};
    return QStringLiteral("%1 содержит недопустимые символы: %2\nМожно использовать латинские и русские буквы, цифры, "
                          "пробел и знаки препинания (символы кодировки Windows-1251).")
        .arg(what, outside);
}

QString fromCp1251(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        out.append(b < 0x80 ? QChar(b) : QChar(kHigh[b - 0x80]));
    }
    return out;
}

namespace {

// Valid UTF-8 holding at least one multi-byte sequence.
bool isMultiByteUtf8(const QByteArray& bytes)
{
    bool multi = false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        int follow = 0;
        if (b < 0x80)
            follow = 0;
        else if (b >= 0xC2 && b <= 0xDF)
            follow = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            follow = 2;
        else if (b >= 0xF0 && b <= 0xF4)
            follow = 3;
        else
            return false;
        if (i + follow >= n && follow > 0)
            return false;
        for (int k = 1; k <= follow; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        multi = multi || follow > 0;
        i += 1 + follow;
    }
    return multi;
}

} // namespace

bool plausibleCp1251(const QByteArray& bytes)
{
    return !bytes.contains('\x98') && !isMultiByteUtf8(bytes);
}

} // namespace qel::os

// Reading and writing the little-endian fields of TDS messages. The reader never reads past
// its data: every overrun is a ProtocolError, so a truncated or forged message ends the
// connection instead of reading memory that is not there.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>

namespace qel::server::tds {

// A message that does not follow the protocol; the connection is dropped.
struct ProtocolError {
    QString message;
};

class ByteReader {
public:
    ByteReader(const char* data, qsizetype size) : data_(data), size_(size) {}
    explicit ByteReader(const QByteArray& bytes) : data_(bytes.constData()), size_(bytes.size()) {}

    qsizetype position() const { return pos_; }
    qsizetype remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }
    void seek(qsizetype pos)
    {
        if (pos < 0 || pos > size_)
            throw ProtocolError{QStringLiteral("offset %1 beyond a message of %2 bytes").arg(pos).arg(size_)};
        pos_ = pos;
    }

    void need(qsizetype n) const
    {
        if (n < 0 || n > size_ - pos_)
            throw ProtocolError{QStringLiteral("message truncated: %1 bytes needed, %2 left").arg(n).arg(size_ - pos_)};
    }
    const char* take(qsizetype n)
    {
        need(n);
        const char* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    void skip(qsizetype n) { take(n); }
    QByteArray bytes(qsizetype n) { const char* p = take(n); return QByteArray(p, n); }

    uint8_t u8() { return static_cast<uint8_t>(*take(1)); }
    uint8_t peek() const
    {
        need(1);
        return static_cast<uint8_t>(data_[pos_]);
    }
    uint16_t u16() { return uint16_t(le(2)); }
    uint32_t u32() { return uint32_t(le(4)); }
    uint64_t u64() { return le(8); }
    int32_t i32() { return int32_t(u32()); }
    int64_t i64() { return int64_t(u64()); }
    uint16_t u16be()
    {
        const auto* p = reinterpret_cast<const uint8_t*>(take(2));
        return uint16_t((p[0] << 8) | p[1]);
    }
    double f64()
    {
        const uint64_t bits = u64();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    float f32()
    {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    // UTF-16LE text of n characters.
    QString utf16(qsizetype chars)
    {
        if (chars < 0 || chars > (size_ - pos_) / 2)
            throw ProtocolError{QStringLiteral("text of %1 characters beyond the message").arg(chars)};
        const char* p = take(chars * 2);
        QString s(chars, Qt::Uninitialized);
        for (qsizetype i = 0; i < chars; ++i)
            s[i] = QChar(char16_t(uint8_t(p[2 * i]) | (uint8_t(p[2 * i + 1]) << 8)));
        return s;
    }
    QString bVarChar() { return utf16(u8()); }    // length in characters, one byte
    QString usVarChar() { return utf16(u16()); }  // length in characters, two bytes

private:
    uint64_t le(int n)
    {
        const auto* p = reinterpret_cast<const uint8_t*>(take(n));
        uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | p[i];
        return v;
    }

    const char* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
};

class ByteWriter {
public:
    QByteArray& bytes() { return out_; }
    const QByteArray& bytes() const { return out_; }
    qsizetype size() const { return out_.size(); }

    void u8(uint8_t v) { out_.append(char(v)); }
    void u16(uint16_t v) { le(v, 2); }
    void u32(uint32_t v) { le(v, 4); }
    void u64(uint64_t v) { le(v, 8); }
    void i32(int32_t v) { le(uint32_t(v), 4); }
    void i64(int64_t v) { le(uint64_t(v), 8); }
    void u16be(uint16_t v) { u8(uint8_t(v >> 8)); u8(uint8_t(v)); }
    void u32be(uint32_t v) { u16be(uint16_t(v >> 16)); u16be(uint16_t(v)); }
    void f64(double d)
    {
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        u64(bits);
    }
    void raw(const QByteArray& b) { out_.append(b); }
    void raw(const void* p, qsizetype n) { out_.append(static_cast<const char*>(p), n); }
    void utf16(const QString& s)
    {
        // UTF-16 in memory is already little-endian on the machines this runs on.
        static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "texts are written as they are in memory");
        out_.append(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
    }
    // Names and short texts: the length (in characters) is cut to what its field holds.
    void bVarChar(const QString& s)
    {
        const QString t = s.left(255);
        u8(uint8_t(t.size()));
        utf16(t);
    }
    void usVarChar(const QString& s)
    {
        const QString t = s.left(65535);
        u16(uint16_t(t.size()));
        utf16(t);
    }
    // Overwrites a two-byte little-endian length written earlier at pos.
    void patchU16(qsizetype pos, uint16_t v)
    {
        out_[pos] = char(v & 0xFF);
        out_[pos + 1] = char(v >> 8);
    }

private:
    void le(uint64_t v, int n)
    {
        char b[8];
        for (int i = 0; i < n; ++i)
            b[i] = char((v >> (8 * i)) & 0xFF);
        out_.append(b, n);
    }

    QByteArray out_;
};

} // namespace qel::server::tds

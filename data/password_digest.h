// The password digest: MD5 (RFC 1321) of a text's Windows-1251 bytes, written as 32
// upper-case hexadecimal digits. The server compares digests as text.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace qel {

// The three-step interface of RFC 1321.
class Md5 {
public:
    Md5();
    ~Md5();
    void update(const unsigned char* data, std::size_t length);
    void update(const QByteArray& bytes);
    std::array<unsigned char, 16> finish(); // the object is cleared afterwards

private:
    void transform(const unsigned char block[64]);

    std::uint32_t state_[4];
    std::uint64_t bitCount_ = 0;
    unsigned char buffer_[64];
};

QString md5Hex(const QByteArray& bytes);

// Digest of a text as the user typed it: MD5 over its Windows-1251 bytes.
QString passwordDigest(const QString& text);

} // namespace qel

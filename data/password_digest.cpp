// MD5 as RFC 1321 gives it, kept here so the digest's exact form is under our control.
#include "data/password_digest.h"

#include "platform/os/cp1251.h"

#include <cstring>

namespace qel {
namespace {

constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

inline std::uint32_t rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

} // namespace

Md5::Md5()
{
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    std::memset(buffer_, 0, sizeof buffer_);
}

Md5::~Md5()
{
    std::memset(state_, 0, sizeof state_);
    std::memset(buffer_, 0, sizeof buffer_);
}

void Md5::transform(const unsigned char block[64])
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = std::uint32_t(block[i * 4]) | (std::uint32_t(block[i * 4 + 1]) << 8)
             | (std::uint32_t(block[i * 4 + 2]) << 16) | (std::uint32_t(block[i * 4 + 3]) << 24);

    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t f;
        int k;
        switch (round) {
        case 0: f = (b & c) | (~b & d); k = i; break;
        case 1: f = (b & d) | (c & ~d); k = (5 * i + 1) % 16; break;
        case 2: f = b ^ c ^ d; k = (3 * i + 5) % 16; break;
        default: f = c ^ (b | ~d); k = (7 * i) % 16; break;
        }
        const std::uint32_t t = d;
        d = c;
        c = b;
        b = b + rotl(a + f + kSine[i] + x[k], kShift[round][i % 4]);
        a = t;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    std::memset(x, 0, sizeof x);
}

void Md5::update(const unsigned char* data, std::size_t length)
{
    std::size_t index = (bitCount_ >> 3) & 0x3f;
    bitCount_ += std::uint64_t(length) << 3;
    const std::size_t partLen = 64 - index;
    std::size_t i = 0;
    if (length >= partLen) {
        std::memcpy(buffer_ + index, data, partLen);
        transform(buffer_);
        for (i = partLen; i + 63 < length; i += 64)
            transform(data + i);
        index = 0;
    }
    std::memcpy(buffer_ + index, data + i, length - i);
}

void Md5::update(const QByteArray& bytes)
{
    update(reinterpret_cast<const unsigned char*>(bytes.constData()), std::size_t(bytes.size()));
}

std::array<unsigned char, 16> Md5::finish()
{
    unsigned char length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<unsigned char>(bitCount_ >> (8 * i));

    static const unsigned char padding[64] = {0x80};
    const std::size_t index = (bitCount_ >> 3) & 0x3f;
    const std::size_t padLen = index < 56 ? 56 - index : 120 - index;
    update(padding, padLen);
    update(length, 8);

    std::array<unsigned char, 16> digest;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            digest[i * 4 + j] = static_cast<unsigned char>(state_[i] >> (8 * j));

    std::memset(state_, 0, sizeof state_);
    std::memset(buffer_, 0, sizeof buffer_);
    bitCount_ = 0;
    return digest;
}

QString md5Hex(const QByteArray& bytes)
{
    Md5 md5;
    md5.update(bytes);
    const auto digest = md5.finish();
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(32);
    for (unsigned char b : digest) {
        out.append(QLatin1Char(hex[b >> 4]));
        out.append(QLatin1Char(hex[b & 0x0f]));
    }
    return out;
}

QString passwordDigest(const QString& text) { return md5Hex(os::toCp1251(text)); }

} // namespace qel

#include "platform/ui/jpeg_image.h"

#include <turbojpeg.h>

namespace qel::ui {
namespace {

constexpr qint64 kMaxPixels = 64LL * 1024 * 1024; // refuses bombs that claim gigantic sizes

struct TjHandle {
    tjhandle h = tjInitDecompress();
    ~TjHandle()
    {
        if (h)
            tjDestroy(h);
    }
};

} // namespace

bool looksLikeJpeg(const QByteArray& bytes)
{
    return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xD8 && static_cast<unsigned char>(bytes[2]) == 0xFF;
}

QImage decodeJpeg(const QByteArray& bytes)
{
    if (!looksLikeJpeg(bytes))
        return {};
    TjHandle tj;
    if (!tj.h)
        return {};
    auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto size = static_cast<unsigned long>(bytes.size());
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.h, data, size, &width, &height, &subsamp, &colorspace) != 0)
        return {};
    if (width <= 0 || height <= 0 || qint64(width) * height > kMaxPixels)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    // Stop on warnings too: a truncated stream decodes with a warning and half a picture.
    const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(tj.h, data, size, image.bits(), width, int(image.bytesPerLine()), height, TJPF_RGB, flags) != 0)
        return {};
    return image;
}

QImage decodePicture(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    if (looksLikeJpeg(bytes))
        return decodeJpeg(bytes);
    QImage image;
    if (!image.loadFromData(bytes))
        return {};
    return image;
}

} // namespace qel::ui

#include "platform/ui/jpeg_image.h"

#include <QBuffer>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

QByteArray encoded(const char* format)
{
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(QColor(200, 30, 30));
    QPainter(&img).fillRect(0, 0, 20, 30, QColor(20, 40, 220));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format, 90);
    return bytes;
}

} // namespace

TEST(Picture, DecodesValidJpegAndPng)
{
    const QImage jpeg = qel::ui::decodePicture(encoded("JPG"));
    ASSERT_FALSE(jpeg.isNull());
    EXPECT_EQ(jpeg.size(), QSize(40, 30));
    const QColor left = jpeg.pixelColor(5, 15), right = jpeg.pixelColor(35, 15);
    EXPECT_GT(left.blue(), 150);
    EXPECT_GT(right.red(), 150);

    const QImage png = qel::ui::decodePicture(encoded("PNG"));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.pixelColor(35, 15), QColor(200, 30, 30));
}

TEST(Picture, DamagedOrForeignBytesGiveAnEmptyPicture)
{
    const QByteArray jpeg = encoded("JPG");
    struct Case { const char* name; QByteArray bytes; };
    QByteArray corrupt = jpeg;
    for (int i = jpeg.size() / 2; i < jpeg.size() - 2; i += 7)
        corrupt[i] = char(0xFF);
    const Case cases[] = {
        {"truncated", jpeg.left(jpeg.size() / 2)},
        {"header only", jpeg.left(20)},
        {"marker only", QByteArray("\xFF\xD8\xFF", 3)},
        {"garbage", QByteArray("this is not a picture at all")},
        {"empty", QByteArray()},
        {"corrupt body", corrupt},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(qel::ui::decodePicture(c.bytes).isNull()) << c.name;
}

// The data-aware picture follows the current record's blob: a valid JPEG is shown, a
// truncated or garbage blob and a null show an empty picture, never a crash.
#include "platform/ui/db_image.h"
#include "tests/widgets/sheet_fixture.h"

#include <QBuffer>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using namespace qel;

namespace {

QByteArray encoded(const char* format, const QColor& colour)
{
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format, 95);
    return bytes;
}

} // namespace

TEST(DBImage, ShowsTheCurrentRecordsPictureAndEmptyForDamagedBlobs)
{
    const QByteArray jpeg = encoded("JPG", QColor(200, 30, 30));
    struct Case {
        const char* name;
        QVariant blob;
        bool shown;
    };
    const Case cases[] = {
        {"valid jpeg", jpeg, true},
        {"truncated jpeg", jpeg.left(jpeg.size() / 2), false},
        {"garbage", QByteArray("\xFF\xD8\xFF\xE0 definitely not a picture"), false},
        {"png", encoded("PNG", QColor(20, 40, 220)), true},
        {"null", QVariant(), false},
        {"valid again", jpeg, true},
    };
    auto db = test::databaseForThisTest();
    int id = 1;
    for (const Case& c : cases)
        db->admin(QStringLiteral("INSERT INTO StudentPhoto (id_student, photo) VALUES (?, ?)"), {id++, c.blob});
    db::Query& photos = db->query(QStringLiteral("ADOQ_foto"),
                                  QStringLiteral("SELECT photo, id_student FROM dbo.StudentPhoto ORDER BY id_student"));
    photos.open();
    ASSERT_EQ(photos.recordCount(), int(std::size(cases)));
    db::DataSource source(QStringLiteral("DS_foto"));
    source.setDataSet(&photos);

    ui::DBImage image;
    image.resize(120, 100);
    image.setDataSource(&source);
    image.setDataField(QStringLiteral("photo"));
    image.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(image.hasPicture(), c.shown);
        const QImage shot = image.grab().toImage();
        const QColor middle = shot.pixelColor(shot.width() / 2, shot.height() / 2);
        if (c.shown)
            EXPECT_NE(middle, QColor(Qt::white));
        else
            EXPECT_EQ(middle, QColor(Qt::white));
        photos.next();
    }

    // Closing the dataset empties the picture.
    photos.first();
    ASSERT_TRUE(image.hasPicture());
    photos.close();
    EXPECT_FALSE(image.hasPicture());
}

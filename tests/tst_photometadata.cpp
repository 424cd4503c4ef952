// Camera information and colour profile carried from a photo into outputs,
// read back with exiv2 itself.

#include "photometadata.h"
#include "testutils.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

struct Found
{
    QString make, date, orientation;
    bool gps = false, thumbnail = false;
    QByteArray icc;
};

Found inspect(const QByteArray &bytes)
{
    Found f;
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()),
                                           long(bytes.size()));
    image->readMetadata();
    Exiv2::ExifData &exif = image->exifData();
    const auto text = [&exif](const char *key) {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        return it == exif.end() ? QString() : QString::fromStdString(it->toString());
    };
    f.make = text("Exif.Image.Make");
    f.date = text("Exif.Photo.DateTimeOriginal");
    f.orientation = text("Exif.Image.Orientation");
    f.gps = !text("Exif.GPSInfo.GPSLatitude").isEmpty();
    f.thumbnail = Exiv2::ExifThumbC(exif).copy().size_ > 0;
    if (image->iccProfileDefined())
        f.icc = QByteArray(reinterpret_cast<const char *>(image->iccProfile()->pData_),
                           int(image->iccProfile()->size_));
    return f;
}

QByteArray encode(const QImage &image, const QByteArray &format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

} // namespace

class TestPhotoMetadata : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void apply_data();
    void apply();
    void copyOntoFile();

private:
    QTemporaryDir dir;
    QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    QImage picture = QImage(QSize(40, 30), QImage::Format_RGB32);
};

void TestPhotoMetadata::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(!profile.isEmpty());
    QRandomGenerator rng(7);
    picture = TestUtils::randomImage(rng, 40, 30, QImage::Format_RGB32);
    QVERIFY(picture.save(dir.filePath("plain.jpg")));
    QVERIFY(TestUtils::writeFile(dir.filePath("text.jpg"), "not a picture"));

    // The photo a camera would have written: sideways, with a location and a
    // thumbnail, in a wide-gamut profile.
    QVERIFY(picture.save(dir.filePath("camera.jpg")));
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(dir.filePath("camera.jpg")).toStdString());
    image->readMetadata();
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Glassmere Test Camera";
    exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 24/1";
    const QByteArray thumb = encode(picture.scaled(8, 6), "jpg");
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumb.constData()),
                                            long(thumb.size()));
    image->setExifData(exif);
    Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte *>(profile.constData()), long(profile.size()));
    image->setIccProfile(icc);
    image->writeMetadata();
    const Found made = inspect(TestUtils::readAll(dir.filePath("camera.jpg")));
    QCOMPARE(made.orientation, QStringLiteral("6"));
    QVERIFY(made.gps && made.thumbnail && made.icc == profile);
}

void TestPhotoMetadata::apply_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<MetadataPolicy>("policy");
    QTest::addColumn<bool>("camera");
    QTest::addColumn<bool>("gps");
    QTest::addColumn<bool>("unchanged");

    const auto keep = MetadataPolicy::Keep, noGps = MetadataPolicy::StripGps, none = MetadataPolicy::StripAll;
    for (const char *format : {"jpg", "png", "tif"}) {
        QTest::addRow("%s kept", format)
            << "camera.jpg" << QByteArray(format) << keep << true << true << false;
        QTest::addRow("%s without location", format)
            << "camera.jpg" << QByteArray(format) << noGps << true << false << false;
        QTest::addRow("%s stripped", format)
            << "camera.jpg" << QByteArray(format) << none << false << false << true;
    }
    QTest::newRow("photo without metadata")
        << "plain.jpg" << QByteArray("jpg") << keep << false << false << true;
    QTest::newRow("not a photo") << "text.jpg" << QByteArray("png") << keep << false << false << true;
    QTest::newRow("format without metadata")
        << "camera.jpg" << QByteArray("bmp") << keep << false << false << true;
    QTest::newRow("missing photo") << "gone.jpg" << QByteArray("jpg") << keep << false << false << true;
}

void TestPhotoMetadata::apply()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, format);
    QFETCH(MetadataPolicy, policy);
    QFETCH(bool, camera);
    QFETCH(bool, gps);
    QFETCH(bool, unchanged);

    const QByteArray encoded = encode(picture, format);
    QString warning;
    const QByteArray out = PhotoMetadata::read(dir.filePath(source)).applyTo(encoded, policy, &warning);
    QCOMPARE(warning, QString());
    if (unchanged) {
        QCOMPARE(out, encoded);
        return;
    }
    // The pixels must come through untouched.
    QCOMPARE(TestUtils::imageDifference(QImage::fromData(out), QImage::fromData(encoded)), QString());
    const Found f = inspect(out);
    QCOMPARE(f.make, camera ? QStringLiteral("Glassmere Test Camera") : QString());
    QCOMPARE(f.date, camera ? QStringLiteral("2024:05:06 07:08:09") : QString());
    QCOMPARE(f.orientation, camera ? QStringLiteral("1") : QString());
    QCOMPARE(f.gps, gps);
    QVERIFY(!f.thumbnail);
    QCOMPARE(f.icc, profile);
}

void TestPhotoMetadata::copyOntoFile()
{
    const QString out = dir.filePath("out.png");
    QVERIFY(picture.save(out));
    QVERIFY(copyPhotoMetadata(dir.filePath("camera.jpg"), out, MetadataPolicy::StripGps));
    const Found f = inspect(TestUtils::readAll(out));
    QVERIFY(!f.make.isEmpty() && !f.gps && f.icc == profile);

    QString error;
    QVERIFY(!copyPhotoMetadata(dir.filePath("camera.jpg"), dir.filePath("none.png"), MetadataPolicy::Keep,
                               &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("none.png")));
}

#pragma GCC diagnostic pop

QTEST_GUILESS_MAIN(TestPhotoMetadata)
#include "tst_photometadata.moc"

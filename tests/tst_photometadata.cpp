// What an output carries beside its pixels: the camera information and
// colour profile of the photo, read back with exiv2 itself; and which
// writers' quality may change the pixels at all.

#include "outputquality.h"
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

// What exiv2 finds in a file: camera, date, orientation, location,
// thumbnail and whether the profile is the given one; "-" for none.
QString inspect(const QByteArray &bytes, const QByteArray &profile)
{
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()),
                                           long(bytes.size()));
    image->readMetadata();
    const Exiv2::ExifData &exif = image->exifData();
    QStringList found;
    for (const char *key : {"Exif.Image.Make", "Exif.Photo.DateTimeOriginal", "Exif.Image.Orientation",
                            "Exif.GPSInfo.GPSLatitude"}) {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        found << (it == exif.end() ? QStringLiteral("-") : QString::fromStdString(it->toString()));
    }
    found << (Exiv2::ExifThumbC(exif).copy().size_ > 0 ? "thumbnail" : "-");
    const Exiv2::DataBuf *icc = image->iccProfile();
    found << (QByteArray(reinterpret_cast<const char *>(icc->pData_), int(icc->size_)) == profile ? "profile"
                                                                                                  : "-");
    return found.join(QStringLiteral(" | "));
}

QByteArray encode(const QImage &image, const QByteArray &format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
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
    void lossyWriters_data();
    void lossyWriters();

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
    QCOMPARE(inspect(TestUtils::readAll(dir.filePath("camera.jpg")), profile),
             QStringLiteral(
                 "Glassmere Test Camera | 2024:05:06 07:08:09 | 6 | 48/1 51/1 24/1 | thumbnail | profile"));
}

void TestPhotoMetadata::apply_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<MetadataPolicy>("policy");
    QTest::addColumn<bool>("camera"); // else the output must stay as written
    QTest::addColumn<bool>("gps");

    const auto keep = MetadataPolicy::Keep, noGps = MetadataPolicy::StripGps, none = MetadataPolicy::StripAll;
    for (const QByteArray format : {"jpg", "png", "tif"}) {
        QTest::addRow("%s kept", format.data()) << "camera.jpg" << format << keep << true << true;
        QTest::addRow("%s no GPS", format.data()) << "camera.jpg" << format << noGps << true << false;
        QTest::addRow("%s stripped", format.data()) << "camera.jpg" << format << none << false << false;
    }
    QTest::newRow("plain photo") << "plain.jpg" << QByteArray("jpg") << keep << false << false;
    QTest::newRow("not a photo") << "text.jpg" << QByteArray("png") << keep << false << false;
    QTest::newRow("missing photo") << "gone.jpg" << QByteArray("jpg") << keep << false << false;
    QTest::newRow("BMP output") << "camera.jpg" << QByteArray("bmp") << keep << false << false;
}

void TestPhotoMetadata::apply()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, format);
    QFETCH(MetadataPolicy, policy);
    QFETCH(bool, camera);
    QFETCH(bool, gps);

    const QByteArray encoded = encode(picture, format);
    QString warning;
    const QByteArray out = PhotoMetadata::read(dir.filePath(source)).applyTo(encoded, policy, &warning);
    QCOMPARE(warning, QString());
    if (!camera) {
        QCOMPARE(out, encoded);
        return;
    }
    const QImage decoded = QImage::fromData(out);
    QCOMPARE(TestUtils::imageDifference(decoded, QImage::fromData(encoded)), QString());
    // Qt (libpng, libjpeg, libtiff) must accept the profile too, not only exiv2.
    QCOMPARE(decoded.colorSpace().iccProfile(), profile);
    QCOMPARE(inspect(out, profile),
             QStringLiteral("Glassmere Test Camera | 2024:05:06 07:08:09 | 1 | %1 | - | profile")
                 .arg(gps ? "48/1 51/1 24/1" : "-"));
}

void TestPhotoMetadata::copyOntoFile()
{
    const QString out = dir.filePath("out.png");
    QVERIFY(picture.save(out));
    QVERIFY(copyPhotoMetadata(dir.filePath("camera.jpg"), out, MetadataPolicy::StripGps));
    QVERIFY(inspect(TestUtils::readAll(out), profile).endsWith("| 1 | - | - | profile"));

    QString error;
    QVERIFY(!copyPhotoMetadata(dir.filePath("camera.jpg"), dir.filePath("none.png"), MetadataPolicy::Keep,
                               &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("none.png")));
}

void TestPhotoMetadata::lossyWriters_data()
{
    QTest::addColumn<QByteArray>("format");
    for (const char *format : {"jpg", "webp", "png", "tif", "bmp", "ppm"})
        QTest::newRow(format) << QByteArray(format);
}

void TestPhotoMetadata::lossyWriters()
{
    QFETCH(QByteArray, format);
    if (!QImageWriter::supportedImageFormats().contains(format))
        QSKIP("no writer for this format here");
    const QImage back = QImage::fromData(encode(picture, format, writerQuality(format, 50)), format);
    QVERIFY(!back.isNull());
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32) != picture, writerIsLossy(format));
}

#pragma GCC diagnostic pop

QTEST_GUILESS_MAIN(TestPhotoMetadata)
#include "tst_photometadata.moc"

// What an output carries beside its pixels: the camera information and
// colour profile of the photo, read back with exiv2 itself, from the engine
// and through the command line, its batch and the window's export.

#include "glassmere.h"
#include "photometadata.h"

#include "batchfixture.h"
#include "uihelpers.h"

#include <QColorSpace>
#include <QtTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// What exiv2 finds in a file: camera, orientation, location, thumbnail and
// colour profile; "-" for none.
QString inspect(const QByteArray &bytes)
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
    found << (image->iccProfile()->size_ > 0 ? "profile" : "-");
    return found.join(QStringLiteral(" | "));
}

// What inspect() shows for the camera's photo, carried with `location`.
const QString kept = QStringLiteral("Glassmere Test Camera | 2026:01:02 03:04:05 | 1 | %1 | - | profile");

} // namespace

class TestPhotoMetadata : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QRandomGenerator rng(7);
        picture = TestUtils::randomImage(rng, 40, 30, QImage::Format_RGB32);
        QVERIFY(TestUtils::writeFile(dir.filePath("text.jpg"), "not a picture"));

        // The photo a camera would have written: sideways, with a location and a
        // thumbnail, in a wide-gamut profile.
        QVERIFY(picture.save(dir.filePath("camera.jpg")));
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(dir.filePath("camera.jpg")).toStdString());
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Glassmere Test Camera";
        exif["Exif.Photo.DateTimeOriginal"] = "2026:01:02 03:04:05";
        exif["Exif.Image.Orientation"] = uint16_t(6);
        exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 24/1";
        const QByteArray thumb = TestUtils::encoded(picture.scaled(8, 6), "jpg");
        Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumb.constData()),
                                                long(thumb.size()));
        image->setExifData(exif);
        Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte *>(profile.constData()), long(profile.size()));
        image->setIccProfile(icc);
        image->writeMetadata();
    }

    void apply_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<MetadataPolicy>("policy");
        QTest::addColumn<QString>("location"); // as inspect() shows it; null: the output stays as written

        const auto keep = MetadataPolicy::Keep, noGps = MetadataPolicy::StripGps,
                   none = MetadataPolicy::StripAll;
        for (const QByteArray format : {"jpg", "png", "tif"})
            QTest::addRow("%s kept", format.data()) << "camera.jpg" << format << keep << "48/1 51/1 24/1";
        // What is left out is left out before the format's writer: once is enough.
        QTest::newRow("no GPS") << "camera.jpg" << QByteArray("png") << noGps << "-";
        QTest::newRow("stripped") << "camera.jpg" << QByteArray("tif") << none << QString();
        QTest::newRow("not a photo") << "text.jpg" << QByteArray("png") << keep << QString();
        QTest::newRow("missing photo") << "gone.jpg" << QByteArray("jpg") << keep << QString();
        QTest::newRow("BMP output") << "camera.jpg" << QByteArray("bmp") << keep << QString();
    }

    void apply()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, format);
        QFETCH(MetadataPolicy, policy);
        QFETCH(QString, location);

        const QByteArray encoded = TestUtils::encoded(picture, format.constData());
        QString warning;
        const QByteArray out = PhotoMetadata::read(dir.filePath(source)).applyTo(encoded, policy, &warning);
        QCOMPARE(warning, QString());
        QCOMPARE(out == encoded, location.isNull());
        if (location.isNull())
            return;
        const QImage decoded = QImage::fromData(out);
        QCOMPARE_IMAGES(decoded, QImage::fromData(encoded));
        // Qt (libpng, libjpeg, libtiff) must accept the profile too, not only exiv2.
        QCOMPARE(decoded.colorSpace().iccProfile(), profile);
        QCOMPARE(inspect(out), kept.arg(location));
    }

    // The same photo through the command line, its batch and the window's
    // export: what each writes, against what a photo without information gave.
    void roads_data()
    {
        QTest::addColumn<QString>("road"); // cli, batch or export
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("location"); // as in apply(); null: the plain bytes; small: fewer
        for (const char *road : {"cli", "batch"}) {
            QTest::addRow("%s kept", road) << QString(road) << QStringList() << "48/1 51/1 24/1";
            QTest::addRow("%s no GPS", road) << QString(road) << QStringList{"--strip-gps"} << "-";
            QTest::addRow("%s stripped", road)
                << QString(road) << QStringList{"--strip-metadata"} << QString();
            QTest::addRow("%s quality 30", road)
                << QString(road) << QStringList{"--strip-metadata", "--quality", "30"} << "small";
        }
        QTest::newRow("export kept") << QStringLiteral("export") << QStringList() << "48/1 51/1 24/1";
    }

    void roads()
    {
        QFETCH(QString, road);
        QFETCH(QStringList, options);
        QFETCH(QString, location);
        const QString camera = dir.filePath("camera.jpg"), folder = dir.filePath(QTest::currentDataTag());
        const QString out = folder + "/camera.jpg"; // the batch's name for it
        QVERIFY(QDir().mkpath(folder));
        if (road == "export") {
            Glassmere window;
            window.openPhoto(camera);
            FileDialogAnswer answer(out);
            MessageBoxCloser closer;
            FormWidgets(&window).btSavePic->click();
        } else {
            options << camera << "-o" << (road == "cli" ? out : folder + '/');
            QCOMPARE(TestUtils::runCli(options).exitCode, 0);
        }
        const QByteArray plain = BatchFixture::expectedOutput(camera, "plain.jpg", ReflectionSettings());
        const QByteArray written = TestUtils::readAll(out);
        if (location == "small")
            QVERIFY2(written.size() < plain.size() * 3 / 4, qPrintable(QString::number(written.size())));
        else if (location.isNull())
            QCOMPARE(written, plain);
        else
            QCOMPARE(inspect(written), kept.arg(location));
    }

private:
    QTemporaryDir dir;
    QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    QImage picture;
};

#pragma GCC diagnostic pop

QTEST_MAIN(TestPhotoMetadata)
#include "tst_photometadata.moc"

// AVIF and WebP through the engine and glassmere-reflect: pixels, depth,
// alpha and photo information kept, quality against size, and damaged AVIF
// files refused without harm.

#include "avifcodec.h"
#include "testutils.h"

#include <QColorSpace>
#include <QtTest>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// Smooth ramps, as lossy coders are meant for, fading out where `alpha`.
QImage ramps(QImage::Format format, bool alpha = false)
{
    QImage image(64, 48, QImage::Format_RGBA64);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixelColor(
                x, y,
                QColor::fromRgba64(x * 1021, y * 1361, (x + y) * 577, alpha ? 65535 - y * 1300 : 65535));
    return image.convertToFormat(format);
}

// Mean difference of a channel in 16-bit steps, premultiplied: 0 only
// when every pixel is the same.
double difference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGBA64_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_RGBA64_Premultiplied);
    const auto *p = reinterpret_cast<const quint16 *>(x.constBits());
    const auto *q = reinterpret_cast<const quint16 *>(y.constBits());
    const int n = x.width() * x.height() * 4; // no padding at 8 bytes a pixel
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += std::abs(p[i] - q[i]);
    return sum / n;
}

// Camera, orientation and latitude as exiv2 reads them, "-" for none.
QString exifOf(const QString &path)
{
    Exiv2::enableBMFF();
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    const Exiv2::ExifData &exif = image->exifData();
    QStringList found;
    for (const char *key : {"Exif.Image.Make", "Exif.Image.Orientation", "Exif.GPSInfo.GPSLatitude"}) {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        found << (it == exif.end() ? QStringLiteral("-") : QString::fromStdString(it->toString()));
    }
    return found.join(QStringLiteral(" | "));
}

} // namespace

class tst_webformats : public QObject
{
    Q_OBJECT

private slots:
    // What a camera writes: sideways, with a location, in a wide-gamut profile;
    // and the same as an AVIF.
    void initTestCase()
    {
        QVERIFY(ramps(QImage::Format_RGB32).save(path("camera.jpg"), "JPG", 95));
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path("camera.jpg")).toStdString());
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Glassmere Test Camera";
        exif["Exif.Image.Orientation"] = uint16_t(6);
        exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 24/1";
        image->setExifData(exif);
        Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte *>(profile.constData()), long(profile.size()));
        image->setIccProfile(icc);
        image->writeMetadata();
        QVERIFY(writePhoto(readPhoto(path("camera.jpg")), path("camera.avif"), nullptr,
                           {-1, PhotoMetadata::read(path("camera.jpg")), MetadataPolicy::Keep}));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("quality");
        QTest::addColumn<QImage::Format>("readAs");
        QTest::addColumn<double>("meanLimit"); // in 16-bit steps: 257 is one 8-bit step

        const QImage rgb = ramps(QImage::Format_RGB32), argb = ramps(QImage::Format_ARGB32, true);
        const QImage deep = ramps(QImage::Format_RGBX64), deepAlpha = ramps(QImage::Format_RGBA64, true);
        const auto RGB32 = QImage::Format_RGB32, ARGB32 = QImage::Format_ARGB32;
        const double lossy = 3 * 257;
        QTest::newRow("avif 8-bit") << "avif" << rgb << -1 << RGB32 << lossy;
        QTest::newRow("avif 8-bit lossless") << "avif" << rgb << 100 << RGB32 << 0.0;
        QTest::newRow("avif alpha") << "avif" << argb << -1 << ARGB32 << lossy;
        QTest::newRow("avif alpha lossless") << "avif" << argb << 100 << ARGB32 << 0.0;
        QTest::newRow("avif opaque: no alpha plane")
            << "avif" << rgb.convertToFormat(ARGB32) << 100 << RGB32 << 0.0;
        // 12 bits: steps sixteen times finer than 8 bits (rounding to 8 gives about 64).
        QTest::newRow("avif 16-bit") << "avif" << deep << -1 << QImage::Format_RGBX64 << lossy;
        QTest::newRow("avif 16-bit at 100") << "avif" << deep << 100 << QImage::Format_RGBX64 << 8.0;
        QTest::newRow("avif 16-bit alpha at 100")
            << "avif" << deepAlpha << 100 << QImage::Format_RGBA64 << 8.0;
        QTest::newRow("webp 8-bit lossless") << "webp" << rgb << 100 << RGB32 << 0.0;
        QTest::newRow("webp alpha lossless") << "webp" << argb << 100 << ARGB32 << 0.0;
        // WebP holds 8 bits: the 16-bit picture comes back rounded (mean 64), no worse.
        QTest::newRow("webp 16-bit lossless") << "webp" << deep << 100 << RGB32 << 129.0;
    }

    void roundTrip()
    {
        QFETCH(QString, suffix);
        QFETCH(QImage, picture);
        QFETCH(int, quality);
        QFETCH(QImage::Format, readAs);
        QFETCH(double, meanLimit);

        const QString file = path(QStringLiteral("%1.%2").arg(QTest::currentDataTag(), suffix));
        QString why;
        QVERIFY2(writePhoto(picture, file, &why, {quality, {}, MetadataPolicy::Keep}), qPrintable(why));
        const QImage back = readPhoto(file, &why);
        QVERIFY2(!back.isNull(), qPrintable(why));
        QCOMPARE(back.format(), readAs);
        QCOMPARE(back.size(), picture.size());
        QVERIFY2(difference(back, picture) <= meanLimit,
                 qPrintable(QString::number(difference(back, picture))));
    }

    // Lower quality, smaller file, the default in between.
    void qualityTradesSize()
    {
        QRandomGenerator rng(3);
        const QImage noisy = TestUtils::randomImage(rng, 64, 48, QImage::Format_RGB32);
        for (const char *suffix : {"avif", "webp"}) {
            QList<qint64> sizes;
            for (int quality : {30, -1, 100}) {
                const QString file = path(QStringLiteral("q%1.%2").arg(quality).arg(QLatin1String(suffix)));
                QVERIFY(writePhoto(noisy, file, nullptr, {quality, {}, MetadataPolicy::Keep}));
                sizes << QFileInfo(file).size();
            }
            QVERIFY2(sizes[0] < sizes[1] && sizes[1] < sizes[2], suffix);
        }
    }

    void photoInformation_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("exif"); // as exifOf() shows it; the profile goes with the camera

        const QString kept = QStringLiteral("Glassmere Test Camera | 1 | 48/1 51/1 24/1");
        for (const char *suffix : {"avif", "webp"}) {
            const QString out = QStringLiteral("info.") + QLatin1String(suffix);
            QTest::addRow("%s kept", suffix) << "camera.jpg" << out << QStringList() << kept;
            QTest::addRow("%s no GPS", suffix)
                << "camera.jpg" << out << QStringList{"--strip-gps"} << "Glassmere Test Camera | 1 | -";
            QTest::addRow("%s stripped", suffix)
                << "camera.jpg" << out << QStringList{"--strip-metadata"} << "- | - | -";
        }
        QTest::newRow("avif read, into jpeg") << "camera.avif"
                                              << "info.jpg" << QStringList() << kept;
    }

    void photoInformation()
    {
        QFETCH(QString, source);
        QFETCH(QString, output);
        QFETCH(QStringList, options);
        QFETCH(QString, exif);
        const auto r = TestUtils::runCli(options + QStringList{path(source), "-o", path(output)});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(exifOf(path(output)), exif);
        QCOMPARE(readPhoto(path(output)).colorSpace().iccProfile() == profile, exif.startsWith("Glassmere"));
    }

    void damagedAvif_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");

        const QByteArray avif = encodeAvif(ramps(QImage::Format_RGB32), -1);
        QByteArray huge = avif;
        huge.replace(huge.indexOf("ispe") + 8, 8, QByteArray::fromHex("0000ea600000ea60")); // 60000 x 60000
        QTest::newRow("cut") << avif.left(avif.size() * 2 / 3) << "cut short";
        QTest::newRow("60000 x 60000") << huge << "the limit is 2 GB";
    }

    // One line, status 1, the source and the earlier output as they were, no
    // other file.
    void damagedAvif()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);

        QTemporaryDir box;
        const QString source = box.filePath("photo.avif"), output = box.filePath("out.avif");
        QVERIFY(TestUtils::writeFile(source, bytes));
        QVERIFY(TestUtils::writeFile(output, "earlier"));
        const auto r = TestUtils::runCli({source, "-o", output});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QCOMPARE(TestUtils::readAll(source), bytes);
        QCOMPARE(QDir(box.path()).entryList(QDir::Files).size(), 2);
        QCOMPARE(TestUtils::readAll(output), QByteArray("earlier"));
    }

private:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
};

QTEST_MAIN(tst_webformats)
#include "tst_webformats.moc"

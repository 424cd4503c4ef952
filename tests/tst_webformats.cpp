// AVIF (libavif) and WebP (Qt's plug-in) through the engine and the
// command line: pixels, depth, alpha and photo information kept, the quality
// trading detail for size, and damaged AVIF files refused without harm.

#include "avifcodec.h"
#include "photoio.h"

#include "testutils.h"

#include <QColorSpace>
#include <QtTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// A smooth photo-like picture, since noise is what lossy coders drop: a
// colour ramp, and where `alpha`, a fade into transparency.
QImage ramps(QImage::Format format, bool alpha)
{
    QImage image(64, 48, QImage::Format_RGBA64);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y,
                                QColor::fromRgba64(quint16(x * 1021), quint16(y * 1361),
                                                   quint16((x + y) * 577),
                                                   alpha ? quint16(65535 - y * 1300) : 65535));
    return image.convertToFormat(format);
}

// Mean and largest difference of any channel, in 16-bit steps, of
// premultiplied pixels (the colour under a transparent pixel is not seen).
QPair<double, int> difference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGBA64_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_RGBA64_Premultiplied);
    double sum = 0;
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const quint16 *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const quint16 *>(y.constScanLine(row));
        for (int i = 0; i < x.width() * 4; ++i) {
            sum += std::abs(p[i] - q[i]);
            largest = std::max(largest, std::abs(p[i] - q[i]));
        }
    }
    return {sum / (x.width() * x.height() * 4.0), largest};
}

// Camera make and location as exiv2 reads them from a file, "-" for none.
QString exifOf(const QString &path)
{
    Exiv2::enableBMFF();
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    QStringList found;
    for (const char *key : {"Exif.Image.Make", "Exif.Image.Orientation", "Exif.GPSInfo.GPSLatitude"}) {
        const auto it = image->exifData().findKey(Exiv2::ExifKey(key));
        found << (it == image->exifData().end() ? QStringLiteral("-")
                                                : QString::fromStdString(it->toString()));
    }
    return found.join(QStringLiteral(" | "));
}

} // namespace

class tst_webformats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void qualityTradesSize_data();
    void qualityTradesSize();
    void photoInformation_data();
    void photoInformation();
    void damagedAvif_data();
    void damagedAvif();

private:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
};

void tst_webformats::initTestCase()
{
    // What a camera writes: sideways, with a location, in a wide-gamut profile.
    QVERIFY(ramps(QImage::Format_RGB32, false).save(path("camera.jpg"), "JPG", 95));
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path("camera.jpg")).toStdString());
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Glassmere Test Camera";
    exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 24/1";
    image->setExifData(exif);
    Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte *>(profile.constData()), long(profile.size()));
    image->setIccProfile(icc);
    image->writeMetadata();
}

void tst_webformats::roundTrip_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("quality");
    QTest::addColumn<QImage::Format>("readAs");
    QTest::addColumn<double>("meanLimit"); // in 16-bit steps: 257 is one 8-bit step
    QTest::addColumn<int>("largestLimit");

    const QImage rgb = ramps(QImage::Format_RGB32, false), argb = ramps(QImage::Format_ARGB32, true);
    const QImage deep = ramps(QImage::Format_RGBX64, false), deepAlpha = ramps(QImage::Format_RGBA64, true);
    const int any = 65535, lossy = 3 * 257;
    QTest::newRow("avif 8-bit") << "avif" << rgb << -1 << QImage::Format_RGB32 << lossy * 1.0 << any;
    QTest::newRow("avif 8-bit lossless") << "avif" << rgb << 100 << QImage::Format_RGB32 << 0.0 << 0;
    QTest::newRow("avif alpha") << "avif" << argb << -1 << QImage::Format_ARGB32 << lossy * 1.0 << any;
    QTest::newRow("avif alpha lossless") << "avif" << argb << 100 << QImage::Format_ARGB32 << 0.0 << 0;
    QTest::newRow("avif opaque alpha format: no alpha plane")
        << "avif" << rgb.convertToFormat(QImage::Format_ARGB32) << 100 << QImage::Format_RGB32 << 0.0 << 0;
    // 12 bits keep sixteen times finer steps than 8.
    QTest::newRow("avif 16-bit") << "avif" << deep << -1 << QImage::Format_RGBX64 << lossy * 1.0 << any;
    QTest::newRow("avif 16-bit at 100") << "avif" << deep << 100 << QImage::Format_RGBX64 << 8.0 << 16;
    QTest::newRow("avif 16-bit alpha at 100")
        << "avif" << deepAlpha << 100 << QImage::Format_RGBA64 << 8.0 << 16;
    QTest::newRow("webp 8-bit") << "webp" << rgb << -1 << QImage::Format_RGB32 << lossy * 1.0 << any;
    QTest::newRow("webp 8-bit lossless") << "webp" << rgb << 100 << QImage::Format_RGB32 << 0.0 << 0;
    QTest::newRow("webp alpha lossless") << "webp" << argb << 100 << QImage::Format_ARGB32 << 0.0 << 0;
    // WebP holds 8 bits: the 16-bit picture comes back rounded, no worse.
    QTest::newRow("webp 16-bit lossless") << "webp" << deep << 100 << QImage::Format_RGB32 << 129.0 << 128;
}

void tst_webformats::roundTrip()
{
    QFETCH(QString, suffix);
    QFETCH(QImage, picture);
    QFETCH(int, quality);
    QFETCH(QImage::Format, readAs);
    QFETCH(double, meanLimit);
    QFETCH(int, largestLimit);

    const QString file = path(QStringLiteral("%1.%2").arg(QTest::currentDataTag(), suffix));
    QString why;
    QVERIFY2(writePhoto(picture, file, &why, {quality, {}, MetadataPolicy::Keep}), qPrintable(why));
    const QImage back = readPhoto(file, &why);
    QVERIFY2(!back.isNull(), qPrintable(why));
    QCOMPARE(back.format(), readAs);
    QCOMPARE(back.size(), picture.size());
    const auto [mean, largest] = difference(back, picture);
    QVERIFY2(mean <= meanLimit && largest <= largestLimit,
             qPrintable(QStringLiteral("mean %1, largest %2").arg(mean).arg(largest)));
}

void tst_webformats::qualityTradesSize_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("avif") << "avif";
    QTest::newRow("webp") << "webp";
}

// Lower quality, smaller file; the default lies between 30 and 100.
void tst_webformats::qualityTradesSize()
{
    QFETCH(QString, suffix);
    QRandomGenerator rng(3);
    const QImage noisy = TestUtils::randomImage(rng, 64, 48, QImage::Format_RGB32);
    QList<qint64> sizes;
    for (int quality : {30, -1, 100}) {
        const QString file = path(QStringLiteral("q%1.%2").arg(quality).arg(suffix));
        QVERIFY(writePhoto(noisy, file, nullptr, {quality, {}, MetadataPolicy::Keep}));
        sizes << QFileInfo(file).size();
    }
    QVERIFY2(sizes[0] < sizes[1] && sizes[1] < sizes[2],
             qPrintable(QString::number(sizes[0]) + ' ' + QString::number(sizes[1]) + ' ' +
                        QString::number(sizes[2])));
}

void tst_webformats::photoInformation_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("exif"); // as exifOf() shows it
    QTest::addColumn<bool>("carriesProfile");

    const QString kept = QStringLiteral("Glassmere Test Camera | 1 | 48/1 51/1 24/1");
    const QString none = QStringLiteral("- | - | -");
    for (const char *suffix : {"avif", "webp"}) {
        const QString out = QStringLiteral("info.") + QLatin1String(suffix);
        QTest::addRow("%s kept", suffix) << "camera.jpg" << out << QStringList() << kept << true;
        QTest::addRow("%s no GPS", suffix)
            << "camera.jpg" << out << QStringList{"--strip-gps"} << "Glassmere Test Camera | 1 | -" << true;
        QTest::addRow("%s stripped", suffix)
            << "camera.jpg" << out << QStringList{"--strip-metadata"} << none << false;
    }
    // Read back from an AVIF, carried on into a JPEG.
    QTest::newRow("avif to jpeg") << "info.avif"
                                  << "info.jpg" << QStringList() << kept << true;
}

void tst_webformats::photoInformation()
{
    QFETCH(QString, source);
    QFETCH(QString, output);
    QFETCH(QStringList, options);
    QFETCH(QString, exif);
    QFETCH(bool, carriesProfile);

    if (source.endsWith(QLatin1String(".avif")))
        QVERIFY(writePhoto(readPhoto(path("camera.jpg")), path(source), nullptr,
                           {-1, PhotoMetadata::read(path("camera.jpg")), MetadataPolicy::Keep}));
    const auto r = TestUtils::runCli(options + QStringList{path(source), "-o", path(output)});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(exifOf(path(output)), exif);
    QCOMPARE(readPhoto(path(output)).colorSpace().iccProfile() == profile, carriesProfile);
}

void tst_webformats::damagedAvif_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("earlierOutput");

    const QByteArray avif = encodeAvif(ramps(QImage::Format_RGB32, false), -1);
    QVERIFY(isAvif(avif));
    QByteArray huge = avif;
    const int ispe = int(huge.indexOf("ispe"));
    QVERIFY(ispe > 0);
    huge.replace(ispe + 8, 8, QByteArray::fromHex("0000ea600000ea60")); // 60000 x 60000
    for (bool earlier : {false, true}) {
        const char *tag = earlier ? "over an earlier output" : "new output";
        QTest::addRow("cut, %s", tag) << avif.left(avif.size() * 2 / 3) << "cut short" << earlier;
        QTest::addRow("claims 60000 x 60000, %s", tag) << huge << "the limit is 2 GB" << earlier;
    }
}

// One line, status 1, the source as it was and no output beyond the earlier one.
void tst_webformats::damagedAvif()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QFETCH(bool, earlierOutput);

    QTemporaryDir box;
    const QString source = box.filePath("photo.avif"), output = box.filePath("out.avif");
    QVERIFY(TestUtils::writeFile(source, bytes));
    if (earlierOutput)
        QVERIFY(TestUtils::writeFile(output, "earlier"));
    const auto r = TestUtils::runCli({source, "-o", output});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(r.err.contains(reason), qPrintable(r.err));
    QCOMPARE(TestUtils::readAll(source), bytes);
    QCOMPARE(QDir(box.path()).entryList(QDir::Files).size(), earlierOutput ? 2 : 1);
    QCOMPARE(TestUtils::readAll(output), earlierOutput ? QByteArray("earlier") : QByteArray());
}

QTEST_MAIN(tst_webformats)
#include "tst_webformats.moc"

// The streamed road against the whole-picture road: the same file, byte for
// byte, and bad input refused in one line with nothing written.

#include "photoexporter.h"
#include "bandqueue.h"
#include "bandrenderer.h"
#include "batchrules.h"
#include "memorybudget.h"
#include "reflection.h"
#include "testutils.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <tiffio.h>

#include <thread>

using namespace TestUtils;

namespace {

// Grain, gradients and sharp edges, so that every DCT block has work to do;
// in PNG with alpha, a band of partly transparent pixels too.
QByteArray drawnPicture(int w, int h, const char *format = "JPG", bool alpha = false)
{
    QImage photo(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            photo.setPixel(x, y,
                           qRgb((x * 255 / w + int(rng.bounded(30u))) & 255, ((x / 17 + y / 13) % 2) * 200,
                                (y * 255 / h) ^ (x & 63)));
    if (alpha)
        for (int y = h / 3; y < h / 2; ++y)
            for (int x = 0; x < w; ++x)
                photo.setPixel(x, y, (photo.pixel(x, y) & 0xffffff) | uint(x % 256) << 24);
    return encoded(photo, format, 90);
}

// The photo as a TIFF laid out as Qt does not write one, in short strips
// that end inside the bands: packed (with the horizontal predictor where
// the packing takes one), in planes or not, an alpha left unspecified.
QByteArray laidOutTiff(const QString &path, const QImage &photo, int compression, bool planes)
{
    const bool alpha = photo.hasAlphaChannel();
    const int n = alpha ? 4 : 3;
    const QImage rgb = photo.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    const uint16_t unspecified = EXTRASAMPLE_UNSPECIFIED;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, rgb.width());
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, rgb.height());
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, n);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 13);
    if (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE)
        TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (alpha)
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &unspecified);
    std::vector<uchar> plane(size_t(rgb.width()));
    for (int s = 0; s < (planes ? n : 1); ++s)
        for (int y = 0; y < rgb.height(); ++y) {
            const uchar *line = rgb.constScanLine(y);
            for (int x = 0; planes && x < rgb.width(); ++x)
                plane[size_t(x)] = line[x * n + s];
            TIFFWriteScanline(tiff, planes ? plane.data() : const_cast<uchar *>(line), uint32_t(y),
                              uint16_t(s));
        }
    TIFFClose(tiff);
    return readAll(path);
}

// The photo of drawnPicture() in such a TIFF.
QByteArray drawnTiff(const QString &path, int compression, bool planes, bool alpha)
{
    QImage photo;
    photo.loadFromData(drawnPicture(1300, 701, "PNG", alpha));
    return laidOutTiff(path, photo, compression, planes);
}

// The last strip of a little-endian TIFF pointed past the file's end.
QByteArray lastStripPastTheEnd(const QByteArray &tiff)
{
    std::vector<uchar> bytes(tiff.begin(), tiff.end());
    const auto u32 = [&](size_t at) { return qFromLittleEndian<quint32>(bytes.data() + at); };
    const quint32 ifd = u32(4);
    for (int i = 0; i < qFromLittleEndian<quint16>(bytes.data() + ifd); ++i) {
        const quint32 entry = ifd + 2 + 12 * quint32(i);
        if (qFromLittleEndian<quint16>(bytes.data() + entry) == TIFFTAG_STRIPOFFSETS)
            qToLittleEndian<quint32>(0x7fffffff, bytes.data() + u32(entry + 8) + 4 * (u32(entry + 4) - 1));
    }
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

// Grey lines of 200 and 100 by turns, along the longer side: where only one
// neighbour is there, the average filter would win every other line.
QByteArray stripes(int w, int h)
{
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, (x + y) % 2 ? qRgb(100, 100, 100) : qRgb(200, 200, 200));
    return encoded(picture, "PNG");
}

// The output of one conversion on the road the environment chooses.
QByteArray convert(const QString &input, const QString &output, const ReflectionSettings &settings,
                   bool wholePicture)
{
    qputenv("GLASSMERE_WHOLE_PICTURE", wholePicture ? "1" : "0");
    QImage photo, rendering;
    const BatchOutcome outcome = convertBatchPicture(input, output, settings, photo, rendering);
    qunsetenv("GLASSMERE_WHOLE_PICTURE");
    return outcome.ok() ? readAll(output) : QByteArray("failed: ") + outcome.why.toUtf8();
}

} // namespace

class TestStreamed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void sameBytes_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("opacity");
        QTest::addColumn<int>("blur");
        QTest::addColumn<QString>("source"); // a key of sameBytes()'s sources
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("transparent");
        // The blur's reach crosses the strips of held columns (bottom, top)
        // and the bands of rows (left, right); trims and gaps move the rows.
        for (int side : {0, 1, 2, 3})
            for (int blur : {0, 100}) {
                const QByteArray name =
                    QByteArray("side ") + QByteArray::number(side) + ", blur " + QByteArray::number(blur);
                const QString jpg = QStringLiteral("jpg"), png = QStringLiteral("png"),
                              rgba = QStringLiteral("rgba.png"), tif = QStringLiteral("tif");
                QTest::newRow(name) << side << 38 << 0 << 100 << blur << jpg << jpg << false;
                QTest::newRow(name + ", trim, opacity")
                    << side << 60 << -35 << 40 << blur << jpg << jpg << false;
                QTest::newRow(name + ", gap, whole size")
                    << side << 100 << 25 << 100 << blur << jpg << jpg << false;
                QTest::newRow(name + ", JPEG to transparent PNG")
                    << side << 38 << 10 << 70 << blur << jpg << png << true;
                QTest::newRow(name + ", RGB PNG to JPEG")
                    << side << 38 << -10 << 100 << blur << png << jpg << false;
                QTest::newRow(name + ", RGBA PNG") << side << 50 << 0 << 100 << blur << rgba << png << false;
                QTest::newRow(name + ", RGBA PNG, transparent")
                    << side << 50 << 0 << 60 << blur << rgba << png << true;
                QTest::newRow(name + ", JPEG to TIFF")
                    << side << 38 << -10 << 70 << blur << jpg << tif << false;
                QTest::newRow(name + ", TIFF to JPEG")
                    << side << 38 << 10 << 100 << blur << tif << jpg << false;
                QTest::newRow(name + ", LZW TIFF to transparent PNG")
                    << side << 60 << 0 << 100 << blur << "lzw.tif" << png << true;
                QTest::newRow(name + ", RGBA TIFF")
                    << side << 50 << 0 << 100 << blur << "rgba.tif" << tif << false;
                QTest::newRow(name + ", RGBA TIFF in planes, transparent")
                    << side << 50 << -20 << 60 << blur << "planes.tif" << tif << true;
                QTest::newRow(name + ", unassociated alpha TIFF, Qt's to read")
                    << side << 50 << 0 << 100 << blur << "unassociated.tif" << png << false;
            }
        QTest::newRow("no reflection, a gap") << 0 << 0 << 20 << 100 << 0 << "jpg"
                                              << "jpg" << false;
        // The usual 4:2:0 JPEG is decoded on two threads, chroma rows
        // upsampled at odd widths and heights too; one too narrow for
        // smooth upsampling takes libjpeg's own rows.
        QTest::newRow("odd width and height") << 0 << 38 << 0 << 70 << 0 << "odd.jpg"
                                              << "jpg" << false;
        QTest::newRow("too narrow to split") << 1 << 50 << 0 << 100 << 0 << "narrow.jpg"
                                             << "png" << false;
        QTest::newRow("EXIF-turned photo") << 2 << 38 << 0 << 100 << 50 << "turned.jpg"
                                           << "jpg" << false;
        // PNG leaves out the filters that look at a missing neighbour; the
        // column's stream names a smaller window than zlib's.
        QTest::newRow("one pixel wide, transparent PNG") << 1 << 50 << 0 << 60 << 0 << "column.png"
                                                         << "png" << true;
        QTest::newRow("one row high PNG") << 3 << 50 << 0 << 100 << 0 << "line.png"
                                          << "png" << false;
    }

    void sameBytes()
    {
        QFETCH(int, side);
        QFETCH(int, size);
        QFETCH(int, interval);
        QFETCH(int, opacity);
        QFETCH(int, blur);
        QFETCH(QString, source);
        QFETCH(QString, output);
        QFETCH(bool, transparent);
        static const QMap<QString, QByteArray> sources{
            {QStringLiteral("jpg"), drawnPicture(1300, 701)},
            {QStringLiteral("png"), drawnPicture(1300, 701, "PNG")},
            {QStringLiteral("rgba.png"), drawnPicture(1300, 701, "PNG", true)},
            {QStringLiteral("turned.jpg"), uprightJpeg()},
            {QStringLiteral("odd.jpg"), drawnPicture(1301, 703)},
            {QStringLiteral("narrow.jpg"), drawnPicture(4, 301)},
            {QStringLiteral("tif"), drawnPicture(1300, 701, "TIF")},
            {QStringLiteral("lzw.tif"), drawnTiff(dir.filePath("lzw"), COMPRESSION_LZW, false, false)},
            {QStringLiteral("rgba.tif"),
             drawnTiff(dir.filePath("rgba"), COMPRESSION_ADOBE_DEFLATE, false, true)},
            {QStringLiteral("planes.tif"),
             drawnTiff(dir.filePath("planes"), COMPRESSION_PACKBITS, true, true)},
            {QStringLiteral("unassociated.tif"), drawnPicture(1300, 701, "TIF", true)},
            {QStringLiteral("column.png"), stripes(1, 261)},
            {QStringLiteral("line.png"), stripes(301, 1)}};
        const QString input = dir.filePath(QStringLiteral("in.") + source);
        QVERIFY(writeFile(input, sources.value(source)));
        const ReflectionSettings s =
            settings(side, size, 30, interval, {40, 90, 200}, transparent, opacity, blur);
        const QByteArray streamed = convert(input, dir.filePath(QStringLiteral("s.") + output), s, false);
        const QByteArray whole = convert(input, dir.filePath(QStringLiteral("w.") + output), s, true);
        QVERIFY2(!whole.startsWith("failed"), whole.constData());
        QVERIFY2(streamed == whole, "the streamed road wrote other bytes");
    }

    // The band renderer alone, against ComposeReflection, for the formats
    // and modes the codecs do not reach yet (16 bits, alpha in colour mode),
    // fed bands of uneven heights.
    void bandsMatchTheWholePicture_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<bool>("deep");
        QTest::addColumn<int>("blur");
        QTest::addColumn<int>("bandRows");
        for (int side : {0, 1, 2, 3})
            for (bool transparent : {false, true})
                for (bool deep : {false, true})
                    for (int blur : {0, (side + 1) * 25})
                        QTest::addRow("side %d, %s, %s, blur %d", side,
                                      transparent ? "transparent" : "colour", deep ? "16 bits" : "8 bits",
                                      blur)
                            << side << transparent << deep << blur << (deep ? 7 : 45);
    }

    void bandsMatchTheWholePicture()
    {
        QFETCH(int, side);
        QFETCH(bool, transparent);
        QFETCH(bool, deep);
        QFETCH(int, blur);
        QFETCH(int, bandRows);
        QRandomGenerator rng(side * 4 + transparent * 2 + deep);
        const QImage::Format format = deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32;
        const QImage photo = randomImage(rng, 700, 183, format);
        const ReflectionSettings s =
            settings(side, 45, 20, side % 2 ? -20 : 15, {9, 80, 250}, transparent, 70, blur);
        QImage expected;
        ComposeReflection(photo, expected, s);

        BandRenderer renderer(photo.size(), format, s);
        QImage result(renderer.resultSize(), format);
        int written = 0;
        const BandRenderer::Sink sink = [&](QImage band) {
            for (int y = 0; y < band.height(); ++y)
                std::memcpy(result.scanLine(written++), band.constScanLine(y), size_t(band.bytesPerLine()));
            return true;
        };
        const QList<BandRenderer::Pass> passes = renderer.passes();
        for (const BandRenderer::Pass &pass : passes) {
            for (int y = 0; y < pass.count; y += bandRows)
                QVERIFY(renderer.take(
                    photo.copy(0, pass.first + y, photo.width(), std::min(bandRows, pass.count - y)), sink));
            QVERIFY(renderer.endPass(sink));
        }
        QCOMPARE(written, expected.height());
        QCOMPARE_IMAGES(result, expected);
    }

    // A failing stage stops the queue; the others must not stay blocked on
    // it, whether waiting for room or for a band.
    void queueStopReleasesWaiters_data()
    {
        QTest::addColumn<bool>("producer");
        QTest::newRow("a producer on a full queue") << true;
        QTest::newRow("a consumer on an empty queue") << false;
    }

    void queueStopReleasesWaiters()
    {
        QFETCH(bool, producer);
        BandQueue queue(1);
        QVERIFY(!producer || queue.put(QImage(1, 1, QImage::Format_ARGB32)));
        bool returned = true;
        std::thread waiter([&] {
            QImage band;
            returned = producer ? queue.put(QImage(1, 1, QImage::Format_ARGB32)) : queue.take(band);
        });
        queue.stop();
        waiter.join();
        QVERIFY(!returned);
    }

    // The streamed count admits what the whole picture's refuses, and grows
    // with the mirrored part only.
    void memoryCount_data()
    {
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<int>("side");
        QTest::addColumn<qint64>("limitMB");
        QTest::newRow("20000 x 20000, bottom, in 1500 MB") << QSize(20000, 20000) << 1 << qint64(1500);
        QTest::newRow("20000 x 20000, left, in 100 MB") << QSize(20000, 20000) << 2 << qint64(100);
        QTest::newRow("40000 x 10000, right, in 100 MB") << QSize(40000, 10000) << 3 << qint64(100);
    }

    void memoryCount()
    {
        QFETCH(QSize, photo);
        QFETCH(int, side);
        QFETCH(qint64, limitMB);
        const ReflectionSettings s = settings(side, 38, 30, 0);
        QVERIFY(streamedConversionBytes(photo, s) <= limitMB << 20);
        QVERIFY(conversionBytes(photo, s) > limitMB << 20);
    }

    // Through glassmere-reflect: one line, exit status 1, the existing
    // output as it was and no temporary file left in its folder.
    void badInput_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<qint64>("fileSizeLimit"); // bytes the process may write; 0: no limit
        QTest::addColumn<QString>("reason");
        const QByteArray jpeg = drawnPicture(1300, 701);
        QTest::newRow("JPEG cut in a band")
            << jpeg.left(jpeg.size() * 3 / 5) << "jpg" << qint64(0) << "the file is cut short";
        QImage picture(900, 600, QImage::Format_ARGB32);
        picture.fill(qRgba(10, 200, 30, 128));
        QByteArray lateCrc = encoded(picture, "PNG");
        lateCrc[lateCrc.size() - 14] = char(lateCrc[lateCrc.size() - 14] ^ 0x55); // the last IDAT's CRC
        QTest::newRow("PNG whose last CRC fails") << lateCrc << "png" << qint64(0) << "damaged";
        QTest::newRow("disk full while writing") << jpeg << "jpg" << qint64(64 * 1024) << "File too large";
        const QByteArray tiff = drawnTiff(dir.filePath("bad"), COMPRESSION_LZW, false, false);
        const QByteArray qtTiff = drawnPicture(1300, 701, "TIF");
        QTest::newRow("TIFF cut short")
            << qtTiff.left(qtTiff.size() * 3 / 5) << "tif" << qint64(0) << "cut short";
        QTest::newRow("TIFF whose last strip lies past the end")
            << lastStripPastTheEnd(tiff) << "tif" << qint64(0) << "cut short";
        QTest::newRow("TIFF, disk full while writing")
            << tiff << "tif" << qint64(64 * 1024) << "File too large";
        QTest::newRow("PNG, disk full while writing")
            << drawnPicture(1300, 701, "PNG") << "png" << qint64(64 * 1024) << "File too large";
    }

    void badInput()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, suffix);
        QFETCH(qint64, fileSizeLimit);
        QFETCH(QString, reason);
        QTemporaryDir work;
        const QString input = work.filePath(QStringLiteral("in.") + suffix);
        const QString output = work.filePath(QStringLiteral("out.") + suffix);
        QVERIFY(writeFile(input, file));
        const QByteArray old = QByteArray("an earlier output").repeated(5000);
        QVERIFY(writeFile(output, old));

        const CliResult r = runCli({input, QStringLiteral("-o"), output}, fileSizeLimit);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QCOMPARE(readAll(output), old);
        QCOMPARE(QDir(work.path()).entryList(QDir::Files).size(), 2);
    }

    // What the streamed road holds lets through a photo the whole picture
    // would not fit; a 4:2:0 JPEG's mirrored rows are counted as the planes
    // its reader keeps, a PNG's as pixels.
    void memoryBudget_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("limitMB");
        QTest::addColumn<bool>("admitted");
        const QByteArray jpeg = drawnPicture(3000, 2000);
        QTest::newRow("JPEG, default size") << jpeg << "jpg" << QStringList() << 30 << true;
        const QStringList whole{QStringLiteral("--size"), QStringLiteral("100")};
        QTest::newRow("JPEG mirrored whole: its planes fit") << jpeg << "jpg" << whole << 16 << true;
        QTest::newRow("PNG mirrored whole: its pixels do not")
            << drawnPicture(3000, 2000, "PNG") << "png" << whole << 16 << false;
    }

    void memoryBudget()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, suffix);
        QFETCH(QStringList, options);
        QFETCH(int, limitMB);
        QFETCH(bool, admitted);
        const QString input = dir.filePath(QStringLiteral("large.") + suffix);
        const QString output = dir.filePath(QStringLiteral("large-out.") + suffix);
        QFile::remove(output);
        QVERIFY(writeFile(input, file));
        const QString limit = QStringLiteral("the limit is %1 MB").arg(limitMB);
        const QStringList args =
            options + QStringList{QStringLiteral("--memory-limit"), QString::number(limitMB), input,
                                  QStringLiteral("-o"), output};
        const CliResult streamed = runCli(args);
        QCOMPARE(streamed.exitCode, admitted ? 0 : 1);
        QCOMPARE(QFile::exists(output), admitted);
        QVERIFY2(admitted || streamed.err.contains(limit), qPrintable(streamed.err));
        qputenv("GLASSMERE_WHOLE_PICTURE", "1");
        const CliResult whole = runCli(args + QStringList{QStringLiteral("--overwrite")});
        qunsetenv("GLASSMERE_WHOLE_PICTURE");
        QCOMPARE(whole.exitCode, 1);
        QVERIFY2(whole.err.contains(limit), qPrintable(whole.err));
    }

    // The window's export converts the photo's file again while it is as it
    // was loaded, and writes the rendering it holds once the file changed.
    void windowExport_data()
    {
        QTest::addColumn<bool>("touched");
        QTest::newRow("file unchanged: converted from the file") << false;
        QTest::newRow("file changed since: the rendering") << true;
    }

    void windowExport()
    {
        QFETCH(bool, touched);
        const QString input = dir.filePath(QStringLiteral("shown.jpg"));
        const QString output = dir.filePath(QStringLiteral("exported.jpg"));
        QVERIFY(writeFile(input, drawnPicture(640, 480)));
        const ReflectionSettings s = settings(ReflectionSettings::Left, 50, 30, 0);
        const ExportSource source = ExportSource::of(input, s);
        if (touched) {
            QFile file(input);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(source.modified.addSecs(-60), QFileDevice::FileModificationTime));
        }
        QImage held(64, 48, QImage::Format_ARGB32); // stands for the rendering the window holds
        held.fill(Qt::red);
        PhotoExporter exporter;
        QSignalSpy finished(&exporter, &PhotoExporter::finished);
        QVERIFY(exporter.start(held, QImage::Format_RGB32, false, output, WriteOptions(), 0, source));
        QVERIFY(finished.wait(60000));
        QVERIFY(finished.at(0).at(0).toBool());
        QCOMPARE(QImage(output).size(), touched ? held.size() : ReflectionSize(QSize(640, 480), s));
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestStreamed)
#include "tst_streamed.moc"

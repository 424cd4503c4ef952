// The renderer: hand-worked cases of the rule, and a seeded random sweep of
// every fast path against the plain per-pixel rule (renderReference).

#include "photoio.h"
#include "reflection.h"
#include "reflectionrule.h"
#include "testutils.h"

#include <QtTest>

#include <zlib.h>

namespace {

QImage render(const QImage &src, const ReflectionSettings &s)
{
    QImage out;
    ComposeReflection(src, out, s);
    return out;
}

using TestUtils::settings;

// A one-column picture whose rows carry the given pixels, top to bottom.
QImage column(const QList<QRgb> &pixels)
{
    return QImage(reinterpret_cast<const uchar *>(pixels.constData()), 1, int(pixels.size()), 4,
                  QImage::Format_ARGB32)
        .copy();
}

QImage random16(QRandomGenerator &rng, int w, int h)
{
    QImage img(w, h, QImage::Format_RGBA64);
    rng.fillRange(reinterpret_cast<quint32 *>(img.bits()), img.sizeInBytes() / 4);
    return img;
}

int distinctLevels(const QImage &column)
{
    QSet<int> levels;
    for (int y = 0; y < column.height(); ++y)
        levels.insert(column.pixelColor(0, y).rgba64().green());
    return int(levels.size());
}

// PNG bytes with a tRNS chunk for `key` put in after the header chunk.
QByteArray withColourKey(const QByteArray &png, const QByteArray &key)
{
    const QByteArray chunk = "tRNS" + key;
    QByteArray framed;
    QDataStream stream(&framed, QIODevice::WriteOnly); // big-endian, as in PNG
    stream << quint32(key.size());
    stream.writeRawData(chunk.constData(), int(chunk.size()));
    stream << quint32(crc32(0, reinterpret_cast<const Bytef *>(chunk.constData()), uInt(chunk.size())));
    return png.left(33) + framed + png.mid(33); // signature 8, header chunk 25
}

} // namespace

Q_DECLARE_METATYPE(ReflectionSettings)

class tst_reflection : public QObject
{
    Q_OBJECT

private slots:
    // The rules on single columns, worked out by hand: truncation toward zero,
    // the one-row difference between the modes, then
    // opacity and blur (across, a one-pixel column only averages along).
    void workedRows_data()
    {
        QTest::addColumn<QImage>("photo");
        QTest::addColumn<ReflectionSettings>("settings");
        QTest::addColumn<QList<QRgb>>("reflection"); // output rows after the picture, top to bottom

        const auto row = [](const char *name, const QList<QRgb> &photo, const ReflectionSettings &settings,
                            const QList<QRgb> &reflection) {
            QTest::newRow(name) << column(photo) << settings << reflection;
        };
        const QRgb a = qRgba(200, 100, 50, 255), b = qRgba(10, 20, 30, 255), c = qRgba(200, 200, 200, 255);
        const _RGB black{0, 0, 0}, white{255, 255, 255};
        // R = 4, depth 50: F = 2, two exact rows next to the picture.
        row("depth 50", {a, a, a, b}, settings(1, 100, 50, 0, black), {b, a, a, qRgba(100, 50, 25, 255)});
        // h = 3, size 100, depth 0: R = 3, F = 3; reflection rows mirror rows 2,
        // 1, 0 with k = 0, 1, 2. Opacity 50 halves the way to black on every row,
        // then the fade truncates toward zero: 100 - 100 / 3 = 67, not 66;
        // 100 - 200 / 3 = 34.
        row("opacity, then the fade", {c, a, b}, settings(1, 100, 0, 0, black, false, 50),
            {qRgba(5, 10, 15, 255), qRgba(67, 34, 17, 255), qRgba(34, 34, 34, 255)});
        // Opacity 40 towards white on unfaded rows: 10 + 245 * 60 / 100 = 157.
        row("opacity without fade", {a, b}, settings(1, 100, 100, 0, white, false, 40),
            {qRgba(157, 161, 165, 255), qRgba(233, 193, 173, 255)});
        // Transparent: alpha * opacity, then * i / F with i = 2, 1, 0 on the
        // mirrored rows: 255 * 50 / 100 = 127, then * 2 / 3 = 84 and * 1 / 3 = 42.
        row("transparent opacity", {a, a, a}, settings(1, 100, 0, 0, black, true, 50),
            {qRgba(200, 100, 50, 84), qRgba(200, 100, 50, 42), qRgba(200, 100, 50, 0)});
        // Blur 100 over R = 8 lines: r = j / 4, so lines 4..7 average lines
        // j-1..j+1, the last one only 6 and 7: (40 + 50 + 61) / 3 = 50.
        const auto grey = [](int v) { return qRgba(v, v, v, 255); };
        row("blur averages along the axis",
            {grey(80), grey(70), grey(61), grey(50), grey(40), grey(30), grey(20), grey(10)},
            settings(1, 100, 100, 0, white, false, 100, 100),
            {grey(10), grey(20), grey(30), grey(40), grey(50), grey(60), grey(70), grey(75)});
        // Transparent: alpha averaged, colours weighted by alpha. Line 4 averages
        // red (alpha 255), clear blue and blue at 85: alpha 340 / 3 = 113, red
        // 255 * 255 / 340 = 191, blue 255 * 85 / 340 = 63. Lines 5 and 6 stay
        // fully blue, not darkened; line 7 has no alpha to weigh by and keeps
        // its own colour.
        const QRgb none = qRgba(0, 0, 0, 0), red = qRgba(255, 0, 0, 255);
        row("transparent blur weighs by alpha",
            {none, none, qRgba(0, 0, 255, 85), qRgba(0, 0, 255, 0), red, none, none, none},
            settings(1, 100, 100, 0, white, true, 100, 100),
            {none, none, none, red, qRgba(191, 0, 63, 113), qRgba(0, 0, 255, 28), qRgba(0, 0, 255, 28),
             none});
    }

    void workedRows()
    {
        QFETCH(QImage, photo);
        QFETCH(ReflectionSettings, settings);
        QFETCH(QList<QRgb>, reflection);

        const QImage out = render(photo, settings);
        QCOMPARE_IMAGES(renderReference(photo, settings), out); // the rule itself, worked by hand
        QCOMPARE(out.height(), photo.height() + int(reflection.size()));
        QCOMPARE_IMAGES(out.copy(0, photo.height(), 1, int(reflection.size())), column(reflection));
    }

    // Nothing to show gives a null result, whatever the output held, and so
    // does an output whose bytes per line do not fit QImage, rather than a
    // write through a null pointer. A side code out of range renders on the right.
    void nullResultsAndUnknownSide()
    {
        QImage out(1, 1, QImage::Format_ARGB32);
        ComposeReflection(QImage(), out, ReflectionSettings());
        QVERIFY(out.isNull());

        QRandomGenerator rng(5);
        const QImage fourRows = TestUtils::randomImage(rng, 10, 4);
        out = QImage(1, 1, QImage::Format_ARGB32);
        ComposeReflection(fourRows, out, settings(1, 38, 30, -80)); // 4 * 20 / 100 = 0 rows left
        QVERIFY(out.isNull());
        QCOMPARE(render(fourRows, settings(7, 38, 30, 50)), render(fourRows, settings(3, 38, 30, 50)));

        // QImage takes at most about 67 million 32-bit pixels per line: the source
        // fits, its output with size 100 and interval 100 (three times as wide)
        // does not. The source wraps a small buffer: nothing of it may be read.
        static const uchar pixels[16] = {};
        const int width = 30'000'000;
        const QImage huge(pixels, width, 1, width * 4, QImage::Format_ARGB32);
        out = QImage(1, 1, QImage::Format_ARGB32);
        ComposeReflection(huge, out, settings(3, 100, 30, 100));
        QVERIFY(out.isNull());
    }

    // Every side, both modes, 8 and 16 bits, random pictures and settings over
    // the full ranges, bit for bit against the rule: every kernel of the
    // renderer (opacity, blur, 16-bit fade, turn) is reached. A third of
    // the rounds keep the default opacity and blur, where the output must stay
    // what it was before they existed. The renderer reads the photo through
    // rows padded wider than its pixels, now and then in a format it converts
    // from, and must leave it as it was.
    void randomCrossCheck()
    {
        QRandomGenerator rng(20261206);
        for (int round = 0; round < 400; ++round) {
            // Mostly small pictures, now and then a few hundred pixels with a
            // small blur, which the plain blur is too slow for at full strength.
            const bool large = round % 10 == 0;
            const int w = 1 + int(rng.bounded(large ? 300 : 40)), h = 1 + int(rng.bounded(large ? 300 : 40));
            const QImage photo =
                round % 4 == 1
                    ? random16(rng, w, h)
                    : TestUtils::randomImage(rng, w, h,
                                             round % 4 == 3 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
            const bool defaults = round % 3 == 0;
            const ReflectionSettings s = settings(
                int(rng.bounded(4)), int(rng.bounded(101)), int(rng.bounded(101)), int(rng.bounded(-80, 101)),
                {int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256))}, rng.bounded(2) == 1,
                defaults ? 100 : int(rng.bounded(101)), defaults ? 0 : int(rng.bounded(large ? 13 : 101)));
            const QString what = QStringLiteral("round %1: ").arg(round); // the seed repeats it
            const QImage wide = photo.copy(0, 0, w + 3, h);
            const QImage padded(wide.constBits(), w, h, wide.bytesPerLine(), photo.format());
            const QImage out = render(padded, s), expected = renderReference(photo, s);
            QVERIFY2(out == expected, qPrintable(what + TestUtils::imageDifference(out, expected)));
            QVERIFY2(padded == photo, qPrintable(what));

            // One colour stays that colour wherever no fade, opacity or gap
            // reaches, at any blur.
            const ReflectionSettings flat = settings(s.direction, s.size, 100, qMin(s.interval, 0), s.bgcolor,
                                                     s.transparent, 100, int(rng.bounded(101)));
            QImage uniform = photo.depth() == 64 ? photo : photo.convertToFormat(QImage::Format_ARGB32);
            uniform.fill(photo.pixelColor(0, 0));
            const QImage flatOut = render(uniform, flat);
            QImage sameColour(flatOut.size(), uniform.format());
            sameColour.fill(uniform.pixelColor(0, 0));
            QVERIFY2(flatOut == sameColour,
                     qPrintable(what + TestUtils::imageDifference(flatOut, sameColour)));
        }
    }

    void sixteenBitFiles_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<int>("blur");
        QTest::newRow("grey PNG, transparent, blur")
            << "png" << int(QImage::Format_Grayscale16) << true << 30;
        QTest::newRow("RGB TIFF, blur") << "tif" << int(QImage::Format_RGBX64) << false << 100;
        QTest::newRow("RGBA TIFF, transparent") << "tif" << int(QImage::Format_RGBA64) << true << 0;
    }

    // A 1024-level gradient keeps more than 256 levels, in the picture and in
    // the reflection, through the same read, render and write as the command line.
    void sixteenBitFiles()
    {
        QFETCH(QString, suffix);
        QFETCH(int, format);
        QFETCH(bool, transparent);
        QFETCH(int, blur);
        QImage gradient(1, 1024, QImage::Format_RGBA64);
        for (int y = 0; y < 1024; ++y)
            gradient.setPixelColor(0, y,
                                   QColor::fromRgba64(quint16(y * 64), quint16(y * 64), quint16(y * 64)));
        QTemporaryDir dir;
        const QString in = dir.filePath("in." + suffix), out = dir.filePath("out." + suffix);
        QVERIFY(writePhoto(gradient.convertToFormat(QImage::Format(format)), in));
        const QImage photo = readPhoto(in);
        QCOMPARE(int(photo.format()), format);
        const QImage rendering =
            render(photo, settings(1, 100, 30, 0, {255, 255, 255}, transparent, 80, blur));
        QVERIFY(writePhoto(outputPicture(rendering, photo.format(), transparent), out));
        const QImage written = readPhoto(out).convertToFormat(QImage::Format_RGBA64);
        QCOMPARE(written.size(), QSize(1, 2048));
        QVERIFY(distinctLevels(written.copy(0, 0, 1, 1024)) > 256);
        QVERIFY(distinctLevels(written.copy(0, 1024, 1, 1024)) > 256);
    }

    void pngColourKey_data()
    {
        QTest::addColumn<QImage>("photo");   // its middle pixel has the key's colour
        QTest::addColumn<QByteArray>("key"); // the tRNS chunk's data
        const quint16 grey[3] = {30001, 30000, 30002};
        const QImage greyPhoto(reinterpret_cast<const uchar *>(grey), 3, 1, 6, QImage::Format_Grayscale16);
        QTest::newRow("grey") << greyPhoto.copy() << QByteArray::fromHex("7530");
        const QRgba64 rgb[3] = {QRgba64::fromRgba64(30001, 30000, 30000, 65535),
                                QRgba64::fromRgba64(1, 30000, 258, 65535),
                                QRgba64::fromRgba64(30003, 30000, 30000, 65535)};
        const QImage rgbPhoto(reinterpret_cast<const uchar *>(rgb), 3, 1, 24, QImage::Format_RGBX64);
        QTest::newRow("RGB") << rgbPhoto.copy() << QByteArray::fromHex("000175300102");
    }

    // A 16-bit PNG's colour key makes exactly its pixels clear.
    void pngColourKey()
    {
        QFETCH(QImage, photo);
        QFETCH(QByteArray, key);
        QBuffer png;
        QVERIFY(png.open(QIODevice::WriteOnly) && photo.save(&png, "PNG"));
        QTemporaryDir dir;
        const QString path = dir.filePath("keyed.png");
        QVERIFY(TestUtils::writeFile(path, withColourKey(png.data(), key)));
        const QImage read = readPhoto(path);
        QCOMPARE(read.format(), QImage::Format_RGBA64);
        for (int x = 0; x < 3; ++x) {
            QRgba64 expected = photo.pixelColor(x, 0).rgba64();
            expected.setAlpha(x == 1 ? 0 : 65535);
            QCOMPARE(read.pixelColor(x, 0), QColor::fromRgba64(expected));
        }
    }
};

QTEST_MAIN(tst_reflection)
#include "tst_reflection.moc"

// The renderer: hand-worked cases at the edges, and a seeded random sweep
// against a deliberately plain per-pixel implementation of the rules.

#include "reflection.h"
#include "testutils.h"

#include <QtTest>

#include <memory>

namespace {

QRgb gapColour(const _RGB &c, bool transparent)
{
    return transparent ? qRgba(0, 0, 0, 0) : qRgba(c.r & 0xff, c.g & 0xff, c.b & 0xff, 255);
}

// The bottom reflection, one pixel at a time.
QImage plainBottom(const QImage &src, const _RGB &c, int rate, int start, int ge, bool transparent)
{
    const int w = src.width(), h = src.height();
    const int R = h * rate / 100;
    const int G = h * qMax(ge, 0) / 100;
    QImage out(w, h + R + G, QImage::Format_ARGB32);
    if (G > 0)
        out.fill(gapColour(c, transparent));
    if (R > 0) {
        QImage strip = src.copy(0, h - R, w, R);
        const int F = (100 - start) * strip.height() / 100;
        for (int i = 0; i < F; ++i) {
            for (int x = 0; x < w; ++x) {
                const QRgb p = strip.pixel(x, i);
                if (transparent) {
                    strip.setPixel(x, i, qRgba(qRed(p), qGreen(p), qBlue(p), qAlpha(p) * i / F));
                } else {
                    const int k = F - 1 - i;
                    const int r = qRed(p) + (c.r - qRed(p)) * k / F;
                    const int g = qGreen(p) + (c.g - qGreen(p)) * k / F;
                    const int b = qBlue(p) + (c.b - qBlue(p)) * k / F;
                    strip.setPixel(x, i, qRgba(r, g, b, qAlpha(p)));
                }
            }
        }
        strip = strip.mirrored(false, true);
        for (int y = 0; y < R; ++y)
            for (int x = 0; x < w; ++x)
                out.setPixel(x, h + G + y, strip.pixel(x, y));
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.setPixel(x, y, src.pixel(x, y));
    return out;
}

QImage turn(const QImage &img, int direction, bool back)
{
    switch (direction) {
    case 1:
        return img;
    case 0:
        return img.mirrored(false, true);
    case 2:
        return img.transformed(QTransform().rotate(back ? 90 : -90), Qt::FastTransformation);
    default:
        return img.transformed(QTransform().rotate(back ? -90 : 90), Qt::FastTransformation);
    }
}

QImage plainCompose(const QImage &source, const ReflectionSettings &s)
{
    QImage work = turn(source.copy(), s.direction, false);
    if (s.interval < 0)
        work = work.copy(0, 0, work.width(), work.height() * (s.interval + 100) / 100);
    if (work.isNull() || work.height() == 0)
        return QImage();
    return turn(plainBottom(work, s.bgcolor, s.size, s.depth, s.interval, s.transparent), s.direction, true);
}

QImage render(const QImage &src, const ReflectionSettings &s)
{
    QImage out;
    ComposeReflection(src, out, s);
    return out;
}

// A one-column picture whose rows carry the given pixels, top to bottom.
QImage column(std::initializer_list<QRgb> pixels)
{
    QImage img(1, int(pixels.size()), QImage::Format_ARGB32);
    int y = 0;
    for (QRgb p : pixels)
        img.setPixel(0, y++, p);
    return img;
}

} // namespace

using TestUtils::settings;

Q_DECLARE_METATYPE(_RGB)

class tst_reflection : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void geometry_data();
    void geometry();
    void fadeArithmetic_data();
    void fadeArithmetic();
    void gapOnlyForPositiveInterval_data();
    void gapOnlyForPositiveInterval();
    void trimming();
    void colourChannelsNotSwapped();
    void transparentAreas();
    void emptyResults();
    void sourceUnchanged();
    void paddedAndForeignSources();
    void outputThatCannotBeAllocated();
    void randomCrossCheck();
};

// A 400 x 300 photo with the default settings (bottom, size 38, depth 30,
// white), worked out by hand.
void tst_reflection::workedExample()
{
    QRandomGenerator rng(7);
    const QImage photo = TestUtils::randomImage(rng, 400, 300);
    const QImage out = render(photo, ReflectionSettings());
    QCOMPARE(out.size(), QSize(400, 414));
    QCOMPARE(out.copy(0, 0, 400, 300), photo);
    // R = 114, F = 79: 35 exact mirror rows, then 79 fading rows.
    for (int j = 0; j < 35; ++j)
        QCOMPARE(out.copy(0, 300 + j, 400, 1), photo.copy(0, 299 - j, 400, 1));
    QVERIFY(out.copy(0, 335, 400, 1) == photo.copy(0, 264, 400, 1)); // first faded row: m = 0, unchanged
    // The last row moved 78/79 of the way to white.
    const QRgb p = photo.pixel(5, 186), q = out.pixel(5, 413);
    QCOMPARE(qRed(q), qRed(p) + (255 - qRed(p)) * 78 / 79);
    QCOMPARE(qGreen(q), qGreen(p) + (255 - qGreen(p)) * 78 / 79);
    QCOMPARE(qBlue(q), qBlue(p) + (255 - qBlue(p)) * 78 / 79);
    QCOMPARE(qAlpha(q), qAlpha(p));

    QCOMPARE(render(photo, settings(1, 38, 30, 10)).size(), QSize(400, 444));
    QCOMPARE(render(photo, settings(1, 38, 30, -20)).size(), QSize(400, 331));
    QCOMPARE(render(photo, settings(3, 38, 30, 0)).size(), QSize(552, 300));
}

// Where the picture, the gap and the reflection land on each side.
void tst_reflection::geometry_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("picture"); // where the kept picture lands
    QTest::addColumn<QRect>("kept");    // which part of the photo is kept
    QTest::addColumn<QRect>("gap");

    // A 50 x 20 photo, size 50. Bottom/top: e = 20 or 16 (trim -20), R = e/2.
    QTest::newRow("bottom") << 1 << 0 << QSize(50, 30) << QRect(0, 0, 50, 20) << QRect(0, 0, 50, 20)
                            << QRect();
    QTest::newRow("bottom gap") << 1 << 50 << QSize(50, 40) << QRect(0, 0, 50, 20) << QRect(0, 0, 50, 20)
                                << QRect(0, 20, 50, 10);
    QTest::newRow("bottom trim") << 1 << -20 << QSize(50, 24) << QRect(0, 0, 50, 16) << QRect(0, 0, 50, 16)
                                 << QRect();
    QTest::newRow("top") << 0 << 0 << QSize(50, 30) << QRect(0, 10, 50, 20) << QRect(0, 0, 50, 20) << QRect();
    QTest::newRow("top gap") << 0 << 50 << QSize(50, 40) << QRect(0, 20, 50, 20) << QRect(0, 0, 50, 20)
                             << QRect(0, 10, 50, 10);
    QTest::newRow("top trim") << 0 << -20 << QSize(50, 24) << QRect(0, 8, 50, 16) << QRect(0, 4, 50, 16)
                              << QRect();
    // Left/right: e = 50 or 40, R = e/2.
    QTest::newRow("right") << 3 << 0 << QSize(75, 20) << QRect(0, 0, 50, 20) << QRect(0, 0, 50, 20)
                           << QRect();
    QTest::newRow("right gap") << 3 << 50 << QSize(100, 20) << QRect(0, 0, 50, 20) << QRect(0, 0, 50, 20)
                               << QRect(50, 0, 25, 20);
    QTest::newRow("right trim") << 3 << -20 << QSize(60, 20) << QRect(0, 0, 40, 20) << QRect(0, 0, 40, 20)
                                << QRect();
    QTest::newRow("left") << 2 << 0 << QSize(75, 20) << QRect(25, 0, 50, 20) << QRect(0, 0, 50, 20)
                          << QRect();
    QTest::newRow("left gap") << 2 << 50 << QSize(100, 20) << QRect(50, 0, 50, 20) << QRect(0, 0, 50, 20)
                              << QRect(25, 0, 25, 20);
    QTest::newRow("left trim") << 2 << -20 << QSize(60, 20) << QRect(20, 0, 40, 20) << QRect(10, 0, 40, 20)
                               << QRect();
    QTest::newRow("unknown code renders right")
        << 7 << 0 << QSize(75, 20) << QRect(0, 0, 50, 20) << QRect(0, 0, 50, 20) << QRect();
}

void tst_reflection::geometry()
{
    QFETCH(int, direction);
    QFETCH(int, interval);
    QFETCH(QSize, size);
    QFETCH(QRect, picture);
    QFETCH(QRect, kept);
    QFETCH(QRect, gap);

    QRandomGenerator rng(11);
    const QImage photo = TestUtils::randomImage(rng, 50, 20);
    const _RGB green{0, 200, 0};
    const QImage out = render(photo, settings(direction, 50, 100, interval, green));
    QCOMPARE(out.size(), size);
    QCOMPARE(out.copy(picture), photo.copy(kept));
    if (!gap.isNull()) {
        QImage expected(gap.size(), QImage::Format_ARGB32);
        expected.fill(qRgba(0, 200, 0, 255));
        QCOMPARE(out.copy(gap), expected);
    }
    // Depth 100: the reflection is the kept picture's edge, mirrored exactly.
    const bool vertical = direction == 0 || direction == 1;
    const int R = (vertical ? kept.height() : kept.width()) / 2;
    QRect reflection, edge;
    switch (direction) {
    case 0:
        reflection = QRect(0, 0, 50, R);
        edge = QRect(kept.left(), kept.top(), 50, R);
        break;
    case 1:
        reflection = QRect(0, size.height() - R, 50, R);
        edge = QRect(0, kept.bottom() + 1 - R, 50, R);
        break;
    case 2:
        reflection = QRect(0, 0, R, 20);
        edge = QRect(kept.left(), 0, R, 20);
        break;
    default:
        reflection = QRect(size.width() - R, 0, R, 20);
        edge = QRect(kept.right() + 1 - R, 0, R, 20);
        break;
    }
    const bool mirrorColumns = !vertical;
    QCOMPARE(out.copy(reflection), photo.copy(edge).mirrored(mirrorColumns, !mirrorColumns));
}

// The fade rules on single columns: truncation toward zero, the one-row
// difference between the modes, depth 0 and 100, F = 1.
void tst_reflection::fadeArithmetic_data()
{
    QTest::addColumn<QImage>("photo");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("depth");
    QTest::addColumn<_RGB>("colour");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QList<QRgb>>("reflection"); // output rows after the picture, top to bottom

    const QRgb a = qRgba(200, 100, 50, 255), b = qRgba(10, 20, 30, 255), c = qRgba(200, 200, 200, 255);
    const _RGB black{0, 0, 0}, white{255, 255, 255};
    // h = 3, size 100, depth 0: R = 3, F = 3; reflection rows mirror rows 2, 1, 0 with k = 0, 1, 2.
    // Row 1 with k = 1: 200 + (0 - 200) * 1 / 3 = 200 - 66 = 134, not 133.
    QTest::newRow("colour fade truncates toward zero")
        << column({c, a, b}) << 100 << 0 << black << false
        << QList<QRgb>{b, qRgba(134, 67, 34, 255), qRgba(200 - 133, 200 - 133, 200 - 133, 255)};
    // Moving up toward white truncates toward zero as well: 10 + 245 * 2 / 3 = 173.
    QTest::newRow("colour fade upward")
        << column({b, a, b}) << 100 << 0 << white << false
        << QList<QRgb>{b, qRgba(200 + 55 / 3, 100 + 155 / 3, 50 + 205 / 3, 255),
                       qRgba(10 + 490 / 3, 20 + 470 / 3, 30 + 450 / 3, 255)};
    // Transparent: alpha * i / F with i = 2, 1, 0 on the mirrored rows: 255 * 1 / 3 = 85.
    QTest::newRow("transparent fade")
        << column({a, a, a}) << 100 << 0 << black << true
        << QList<QRgb>{qRgba(200, 100, 50, 170), qRgba(200, 100, 50, 85), qRgba(200, 100, 50, 0)};
    QTest::newRow("depth 100 is an exact mirror")
        << column({a, b, c}) << 100 << 100 << black << false << QList<QRgb>{c, b, a};
    QTest::newRow("depth 100 transparent")
        << column({a, b, c}) << 100 << 100 << black << true << QList<QRgb>{c, b, a};
    // h = 2, size 50: R = 1, depth 0: F = 1. Colour: k = 0, nothing changes; transparent: alpha 0.
    QTest::newRow("F = 1 colour") << column({a, b}) << 50 << 0 << black << false << QList<QRgb>{b};
    QTest::newRow("F = 1 transparent")
        << column({a, b}) << 50 << 0 << black << true << QList<QRgb>{qRgba(10, 20, 30, 0)};
    // R = 4, depth 50: F = 2, two exact rows next to the picture.
    QTest::newRow("depth 50") << column({a, a, a, b}) << 100 << 50 << black << false
                              << QList<QRgb>{b, a, a, qRgba(100, 50, 25, 255)};
    QTest::newRow("size 0") << column({a, b}) << 0 << 0 << black << false << QList<QRgb>{};
}

void tst_reflection::fadeArithmetic()
{
    QFETCH(QImage, photo);
    QFETCH(int, size);
    QFETCH(int, depth);
    QFETCH(_RGB, colour);
    QFETCH(bool, transparent);
    QFETCH(QList<QRgb>, reflection);

    const QImage out = render(photo, settings(1, size, depth, 0, colour, transparent));
    QCOMPARE(out.height(), photo.height() + int(reflection.size()));
    for (int j = 0; j < reflection.size(); ++j)
        QCOMPARE(QString::number(out.pixel(0, photo.height() + j), 16), QString::number(reflection[j], 16));
    // The bottom form directly gives the same.
    QImage direct;
    BottomReflection(photo, direct, colour, size, depth, 0, transparent);
    QCOMPARE(direct, out);
}

void tst_reflection::gapOnlyForPositiveInterval_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("gapRows");
    QTest::newRow("interval 0") << 0 << 50 << 0;
    QTest::newRow("interval -10") << -10 << 50 << 0;
    QTest::newRow("interval 10") << 10 << 50 << 2;
    QTest::newRow("interval 100 equals the picture") << 100 << 50 << 20;
    QTest::newRow("size 0 keeps the gap") << 30 << 0 << 6;
}

void tst_reflection::gapOnlyForPositiveInterval()
{
    QFETCH(int, interval);
    QFETCH(int, size);
    QFETCH(int, gapRows);
    // With depth 100 every row is picture, gap or an exact mirror: a gap row
    // is recognised by its colour, which the photo never has.
    QImage photo(4, 20, QImage::Format_ARGB32);
    photo.fill(qRgba(1, 2, 3, 255));
    for (const bool transparent : {false, true}) {
        QImage out;
        ComposeReflection(photo, out, settings(1, size, 100, interval, {9, 8, 7}, transparent));
        const QRgb gap = transparent ? 0u : qRgba(9, 8, 7, 255);
        int count = 0;
        for (int y = 0; y < out.height(); ++y)
            count += out.pixel(0, y) == gap;
        QCOMPARE(count, gapRows);
        const int e = interval < 0 ? 20 * (interval + 100) / 100 : 20;
        QCOMPARE(out.height(), e + e * size / 100 + gapRows);
    }
}

void tst_reflection::trimming()
{
    QRandomGenerator rng(3);
    QImage photo = TestUtils::randomImage(rng, 5, 300);
    QImage work = photo;
    ProcessWithInterval(-80, work);
    QCOMPARE(work, photo.copy(0, 0, 5, 60));
    ProcessWithInterval(0, work);
    QCOMPARE(work.height(), 60);
    ProcessWithInterval(50, work);
    QCOMPARE(work.height(), 60);

    // The reflection is computed from the 60 kept rows: R = 60 * 38 / 100.
    const QImage out = render(photo, settings(1, 38, 100, -80));
    QCOMPARE(out.size(), QSize(5, 60 + 22));
    QCOMPARE(out.copy(0, 60, 5, 22), photo.copy(0, 38, 5, 22).mirrored(false, true));
}

void tst_reflection::colourChannelsNotSwapped()
{
    QImage photo(3, 10, QImage::Format_ARGB32);
    photo.fill(qRgba(0, 0, 0, 255));
    const QImage out = render(photo, settings(1, 100, 0, 20, {255, 0, 0}));
    QCOMPARE(out.pixel(1, 10), qRgba(255, 0, 0, 255)); // gap is red
    const QRgb far = out.pixel(1, out.height() - 1);   // moved 9/10 toward red
    QCOMPARE(qRed(far), 229);
    QCOMPARE(qGreen(far), 0);
    QCOMPARE(qBlue(far), 0);
}

void tst_reflection::transparentAreas()
{
    QImage photo(2, 4, QImage::Format_ARGB32);
    photo.fill(qRgba(40, 80, 120, 100));
    QImage out = render(photo, settings(1, 100, 0, 0, {255, 255, 255}, false));
    for (int y = 4; y < 8; ++y)
        QCOMPARE(qAlpha(out.pixel(0, y)), 100); // colour mode keeps the photo's alpha
    out = render(photo, settings(1, 100, 0, 0, {255, 255, 255}, true));
    for (int y = 4; y < 8; ++y) {
        const QRgb p = out.pixel(0, y);
        QCOMPARE(qRgb(qRed(p), qGreen(p), qBlue(p)), qRgb(40, 80, 120)); // and transparent mode its colours
        QCOMPARE(qAlpha(p), 100 * (7 - y) / 4);
    }
}

void tst_reflection::emptyResults()
{
    QImage out(1, 1, QImage::Format_ARGB32);
    ComposeReflection(QImage(), out, ReflectionSettings());
    QVERIFY(out.isNull());

    QImage fourRows(10, 4, QImage::Format_ARGB32);
    fourRows.fill(Qt::red);
    out = QImage(1, 1, QImage::Format_ARGB32);
    ComposeReflection(fourRows, out, settings(1, 38, 30, -80)); // 4 * 20 / 100 = 0 rows left
    QVERIFY(out.isNull());
    ComposeReflection(fourRows, out, settings(0, 38, 30, -80));
    QVERIFY(out.isNull());
    ComposeReflection(fourRows, out, settings(2, 38, 30, -80)); // 10 columns keep 2
    QCOMPARE(out.size(), QSize(2, 4));
}

void tst_reflection::sourceUnchanged()
{
    QRandomGenerator rng(5);
    for (int direction = 0; direction < 4; ++direction) {
        const QImage photo = TestUtils::randomImage(rng, 17, 13);
        const QImage before = photo.copy();
        QImage out;
        ComposeReflection(photo, out, settings(direction, 60, 10, -30, {1, 2, 3}, direction % 2));
        QCOMPARE(photo, before);
        QImage bottom = photo;
        BottomReflection(photo, bottom, {1, 2, 3}, 100, 0, 100, true); // source and destination share data
        QCOMPARE(photo, before);
    }
}

// Rows further apart than width * 4, and a source in another format.
void tst_reflection::paddedAndForeignSources()
{
    QRandomGenerator rng(9);
    const QImage photo = TestUtils::randomImage(rng, 7, 9);
    const int stride = 7 * 4 + 12;
    std::vector<uchar> buffer(size_t(stride) * 9, 0xcd);
    for (int y = 0; y < 9; ++y)
        std::memcpy(buffer.data() + y * stride, photo.constScanLine(y), 7 * 4);
    const QImage padded(buffer.data(), 7, 9, stride, QImage::Format_ARGB32);
    for (int direction = 0; direction < 4; ++direction) {
        const ReflectionSettings s = settings(direction, 80, 20, 30, {50, 60, 70});
        QCOMPARE_IMAGES(render(padded, s), plainCompose(photo, s));
    }
    const QImage rgb32 = photo.convertToFormat(QImage::Format_RGB32);
    const ReflectionSettings s = settings(2, 50, 0, 0);
    QCOMPARE_IMAGES(render(rgb32, s), plainCompose(rgb32.convertToFormat(QImage::Format_ARGB32), s));
}

// An output whose bytes per line do not fit QImage gives a null result
// rather than a write through a null pointer. The source wraps a small
// buffer: nothing of it may be read when the output cannot be made.
void tst_reflection::outputThatCannotBeAllocated()
{
    static const uchar pixels[16] = {};
    // QImage takes at most about 67 million 32-bit pixels per line: the source
    // fits, its output with size 100 and interval 100 (three times as wide) does not.
    const int width = 30'000'000;
    const QImage huge(pixels, width, 1, width * 4, QImage::Format_ARGB32);
    QVERIFY(!huge.isNull());
    QImage out(1, 1, QImage::Format_ARGB32);
    ComposeReflection(huge, out, settings(3, 100, 30, 100));
    QVERIFY(out.isNull());
}

// Every side, both modes, random pictures and settings over the full ranges,
// bit for bit against the plain implementation.
void tst_reflection::randomCrossCheck()
{
    QRandomGenerator rng(20261206);
    for (int round = 0; round < 400; ++round) {
        // Mostly small pictures, now and then a few hundred pixels.
        const int limit = round % 10 == 0 ? 300 : 40;
        const int w = 1 + int(rng.bounded(limit)), h = 1 + int(rng.bounded(limit));
        const QImage photo = TestUtils::randomImage(rng, w, h);
        const ReflectionSettings s = settings(
            int(rng.bounded(4)), int(rng.bounded(101)), int(rng.bounded(101)), int(rng.bounded(-80, 101)),
            {int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256))}, rng.bounded(2) == 1);
        const QString what = QStringLiteral("round %1: %2x%3 direction %4 size %5 depth %6 interval %7 %8")
                                 .arg(round)
                                 .arg(w)
                                 .arg(h)
                                 .arg(s.direction)
                                 .arg(s.size)
                                 .arg(s.depth)
                                 .arg(s.interval)
                                 .arg(s.transparent ? "transparent" : "colour");
        const QString difference = TestUtils::imageDifference(render(photo, s), plainCompose(photo, s));
        QVERIFY2(difference.isEmpty(), qPrintable(what + QStringLiteral(": ") + difference));
    }
}

QTEST_MAIN(tst_reflection)
#include "tst_reflection.moc"

// The web sizes' scaler against a slow Lanczos-3 in doubles, on patterns
// that alias, and the size rule.

#include "downscale.h"

#include <QtTest>

#include <array>
#include <cmath>

namespace {

// Straight from the definition: sinc(x) sinc(x / 3), taps over three
// output pixels either side, those outside the line left out.
std::vector<std::vector<double>> weights(int from, int to, std::vector<int> &first)
{
    const double scale = double(to) / from;
    std::vector<std::vector<double>> rows{size_t(to)};
    first.assign(size_t(to), 0);
    for (int i = 0; i < to; ++i) {
        const double centre = (i + 0.5) / scale;
        first[size_t(i)] = std::max(0, int(std::floor(centre - 3 / scale)));
        const int last = std::min(from - 1, int(std::ceil(centre + 3 / scale)));
        double sum = 0;
        for (int j = first[size_t(i)]; j <= last; ++j) {
            const double x = M_PI * std::abs((j + 0.5 - centre) * scale);
            rows[size_t(i)].push_back(x < 1e-9        ? 1
                                      : x >= 3 * M_PI ? 0
                                                      : 3 * std::sin(x) * std::sin(x / 3) / (x * x));
            sum += rows[size_t(i)].back();
        }
        for (double &w : rows[size_t(i)])
            w /= sum;
    }
    return rows;
}

// The four channels as stored (premultiplied where the format is), in the
// format's own units.
std::array<int, 4> channels(const QImage &image, int x, int y)
{
    const bool wide = image.depth() == 64;
    const QRgba64 p = wide ? reinterpret_cast<const QRgba64 *>(image.constScanLine(y))[x]
                           : QRgba64::fromArgb32(reinterpret_cast<const QRgb *>(image.constScanLine(y))[x]);
    const int shift = wide ? 0 : 8;
    return {p.red() >> shift, p.green() >> shift, p.blue() >> shift, p.alpha() >> shift};
}

// Premultiplied 8 or 16-bit channels in, the same out, rounded once.
QImage reference(const QImage &image, QSize size)
{
    const bool wide = image.depth() == 64;
    std::vector<int> fx, fy;
    const auto wx = weights(image.width(), size.width(), fx);
    const auto wy = weights(image.height(), size.height(), fy);
    QImage out(size, image.format());
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            double v[4] = {};
            for (size_t j = 0; j < wy[size_t(y)].size(); ++j)
                for (size_t i = 0; i < wx[size_t(x)].size(); ++i) {
                    const auto p = channels(image, fx[size_t(x)] + int(i), fy[size_t(y)] + int(j));
                    for (int c = 0; c < 4; ++c)
                        v[c] += wy[size_t(y)][j] * wx[size_t(x)][i] * p[size_t(c)];
                }
            int q[4];
            for (int c = 3; c >= 0; --c) // colours at most the alpha
                q[c] = std::clamp(int(std::lround(v[c])), 0, c == 3 ? (wide ? 65535 : 255) : q[3]);
            if (wide)
                reinterpret_cast<QRgba64 *>(out.scanLine(y))[x] =
                    QRgba64::fromRgba64(quint16(q[0]), quint16(q[1]), quint16(q[2]), quint16(q[3]));
            else
                reinterpret_cast<QRgb *>(out.scanLine(y))[x] = qRgba(q[0], q[1], q[2], q[3]);
        }
    return out;
}

constexpr int ZonePlate = 0, Columns = 1, Rows = 2;

// Patterns with detail up to the source's Nyquist frequency, where a filter
// that is too narrow for the factor makes moiré. The zone plate's alpha
// varies too.
QImage pattern(int kind, QSize size, QImage::Format format)
{
    QImage image(size, QImage::Format_ARGB32);
    const double k = M_PI / size.width();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const bool zone = kind == ZonePlate;
            const int v = zone ? int(std::lround(127.5 + 127.5 * std::cos(k * (x * x + y * y))))
                               : ((kind == Columns ? x : y) & 1) * 255;
            image.setPixel(x, y,
                           qRgba(v, 255 - v, (v + 128) & 255, zone ? 64 + (x * 191) / size.width() : 255));
        }
    return image.convertToFormat(format);
}

int maxDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int c = 0; c < 4; ++c)
                worst =
                    std::max(worst, std::abs(channels(a, x, y)[size_t(c)] - channels(b, x, y)[size_t(c)]));
    return worst;
}

} // namespace

class TestDownscale : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<QImage::Format>("format");
        const QImage::Format p8 = QImage::Format_ARGB32_Premultiplied,
                             p16 = QImage::Format_RGBA64_Premultiplied;
        QTest::newRow("zone plate, 3.1x, 8-bit") << ZonePlate << QSize(310, 200) << QSize(100, 65) << p8;
        QTest::newRow("zone plate, 3.1x, 16-bit") << ZonePlate << QSize(310, 200) << QSize(100, 65) << p16;
        QTest::newRow("zone plate, 7x across only") << ZonePlate << QSize(350, 40) << QSize(50, 40) << p8;
        QTest::newRow("zone plate, 1.5x down only") << ZonePlate << QSize(60, 240) << QSize(60, 160) << p16;
        QTest::newRow("columns, to one pixel") << Columns << QSize(101, 3) << QSize(1, 1) << p8;
        QTest::newRow("opaque, RGB32") << Columns << QSize(90, 90) << QSize(37, 37) << QImage::Format_RGB32;
    }

    void matchesReference()
    {
        QFETCH(int, kind);
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QFETCH(QImage::Format, format);
        const QImage source = pattern(kind, from, format);
        const QImage scaled = downscaled(source, to);
        QCOMPARE(scaled.size(), to);
        QCOMPARE(scaled.format(), format);
        QCOMPARE_LE(maxDifference(scaled, reference(source, to)), 1);
    }

    void stripesComeOutFlat_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("to");
        QTest::newRow("columns, 3x") << Columns << 200;
        QTest::newRow("columns, 2.3x") << Columns << 261;
        QTest::newRow("rows, 4.7x") << Rows << 128;
    }

    // Stripes one pixel wide are beyond what the smaller picture can show: they
    // must become an even grey, not bands of moiré.
    void stripesComeOutFlat()
    {
        QFETCH(int, kind);
        QFETCH(int, to);
        const QImage source = pattern(kind, QSize(600, 600), QImage::Format_RGB32);
        const QImage scaled = downscaled(source, QSize(to, to));
        int low = 255, high = 0;
        for (int y = 3; y < to - 3; ++y) // the outermost pixels see a cut kernel
            for (int x = 3; x < to - 3; ++x) {
                low = std::min(low, qRed(scaled.pixel(x, y)));
                high = std::max(high, qRed(scaled.pixel(x, y)));
            }
        QVERIFY2(low >= 125 && high <= 130,
                 qPrintable(QStringLiteral("grey from %1 to %2").arg(low).arg(high)));
    }

    // Transparent red between opaque blue: filtered without alpha weighting the
    // red would tint the edges.
    void transparentColourDoesNotBleed()
    {
        QImage source(64, 64, QImage::Format_ARGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                source.setPixel(x, y, (x / 4) % 2 ? qRgba(255, 0, 0, 0) : qRgba(0, 0, 255, 255));
        const QImage scaled = downscaled(source, QSize(21, 21));
        QCOMPARE(scaled.format(), QImage::Format_ARGB32);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 21; ++x)
                QCOMPARE(qRed(scaled.pixel(x, y)), 0);
    }

    void limitedSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("width binds, rounded down") << QSize(6000, 5520) << 1920 << 0 << QSize(1920, 1766);
        QTest::newRow("width binds, rounded up") << QSize(3000, 2000) << 1000 << 0 << QSize(1000, 667);
        QTest::newRow("fit: the tighter side") << QSize(4000, 3000) << 1200 << 1200 << QSize(1200, 900);
        QTest::newRow("a thin line keeps a pixel") << QSize(5000, 2) << 100 << 0 << QSize(100, 1);
    }

    void limitedSize()
    {
        QFETCH(QSize, size);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QSize, expected);
        QCOMPARE(::limitedSize(size, SizeLimit{width, height}), expected);
    }
};

QTEST_GUILESS_MAIN(TestDownscale)
#include "tst_downscale.moc"

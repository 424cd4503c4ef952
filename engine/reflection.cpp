#include "reflection.h"

#include <QTransform>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

// The renderer is defined, and tested, as "turn the picture so the
// reflecting edge is at the bottom, trim, render the bottom reflection, turn
// back". Turning a 24-megapixel photo twice costs more than the rendering
// itself, so every side is rendered here directly into the output picture, in
// the orientation the caller asked for, by mapping each reflection line to the
// source line it mirrors. The result is bit-identical to the turned form; the
// randomized cross-check in the tests holds it to that.

namespace {

using Pixel = quint32; // one Format_ARGB32 word, 0xAARRGGBB

// Fills t[d] = d * mult / F for d = 0..255 without dividing: the numerator
// grows by mult per step and, since mult < F, the remainder overflows F at
// most once per step. All values are non-negative, so floor equals trunc.
void fillQuotients(std::array<int, 256> &t, int mult, int F)
{
    int q = 0;
    qint64 rem = 0;
    for (int d = 0; d < 256; ++d) {
        t[d] = q;
        rem += mult;
        while (rem >= F) { // runs at most once when mult < F
            rem -= F;
            ++q;
        }
    }
}

// Colour fade of one level: each channel moves k/F of the way towards its
// component of the colour, channel + (c - channel) * k / F truncated toward
// zero; alpha is kept. Tabulated per channel value, since k and F are
// fixed for a whole line.
struct ColourFade
{
    uchar r[256], g[256], b[256];

    static uchar channel(int v, int c, int k, int F, const std::array<int, 256> &t, bool inRange)
    {
        if (!inRange) // colour outside 0..255: outside the contract, keep the exact formula
            return uchar(qint64(v) + (qint64(c) - v) * k / F);
        const int d = c - v;
        return uchar(v + (d >= 0 ? t[d] : -t[-d]));
    }

    void set(const _RGB &c, int k, int F)
    {
        std::array<int, 256> t;
        fillQuotients(t, k, F);
        const auto ok = [](int x) { return x >= 0 && x <= 255; };
        for (int v = 0; v < 256; ++v) {
            r[v] = channel(v, c.r, k, F, t, ok(c.r));
            g[v] = channel(v, c.g, k, F, t, ok(c.g));
            b[v] = channel(v, c.b, k, F, t, ok(c.b));
        }
    }

    Pixel operator()(Pixel p) const
    {
        return (p & 0xff000000u) | (Pixel(r[(p >> 16) & 0xff]) << 16) | (Pixel(g[(p >> 8) & 0xff]) << 8) |
               Pixel(b[p & 0xff]);
    }
};

// Transparent fade of one level: alpha * i / F; the colour channels are kept.
struct AlphaFade
{
    uchar a[256];

    void set(const _RGB &, int i, int F)
    {
        std::array<int, 256> t;
        fillQuotients(t, i, F);
        for (int v = 0; v < 256; ++v)
            a[v] = uchar(t[v]);
    }

    Pixel operator()(Pixel p) const { return (p & 0x00ffffffu) | (Pixel(a[p >> 24]) << 24); }
};

// What one rendering needs once the side and the trim are known. All counts
// are along the reflecting axis.
struct Plan
{
    bool vertical;  // reflection above or below (rows), else left or right (columns)
    bool nearStart; // reflection before the picture: top or left
    int e;          // kept extent of the picture after trimming
    int R;          // reflection lines
    int G;          // gap lines
    int F;          // faded lines, the ones farthest from the picture
    _RGB colour;
    bool transparent;
};

// Level of reflection line j (0 = next to the picture) within the fade.
// For m = j - (R - F) in 0..F-1 the colour fade moves m/F towards the colour
// and the transparent fade scales alpha by (F - 1 - m)/F: the two modes
// differ by one line in where the fade starts and ends.
template <typename Fade>
void setLevel(Fade &fade, const Plan &p, int m)
{
    if constexpr (std::is_same_v<Fade, ColourFade>)
        fade.set(p.colour, m, p.F);
    else
        fade.set(p.colour, p.F - 1 - m, p.F);
}

Pixel gapPixel(const Plan &p)
{
    // Transparent gap pixels get black colour channels so that a later save
    // without alpha shows a defined colour.
    if (p.transparent)
        return 0;
    return 0xff000000u | (Pixel(p.colour.r & 0xff) << 16) | (Pixel(p.colour.g & 0xff) << 8) |
           Pixel(p.colour.b & 0xff);
}

template <typename Fade>
void renderVertical(const QImage &src, QImage &out, const Plan &p)
{
    const int w = src.width();
    const int h = src.height();
    const size_t rowBytes = size_t(w) * sizeof(Pixel);
    // Top keeps the bottom e rows of the photo, bottom keeps the top e rows.
    const int srcFirst = p.nearStart ? h - p.e : 0;
    const int picFirst = p.nearStart ? p.R + p.G : 0;
    const int gapFirst = p.nearStart ? p.R : p.e;

    for (int y = 0; y < p.e; ++y)
        std::memcpy(out.scanLine(picFirst + y), src.constScanLine(srcFirst + y), rowBytes);

    const Pixel gap = gapPixel(p);
    for (int y = 0; y < p.G; ++y) {
        Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(gapFirst + y));
        std::fill(d, d + w, gap);
    }

    Fade fade;
    for (int j = 0; j < p.R; ++j) {
        // Reflection line j mirrors the picture line j away from the edge.
        const int srcRow = p.nearStart ? h - p.e + j : p.e - 1 - j;
        const int dstRow = p.nearStart ? p.R - 1 - j : p.e + p.G + j;
        const Pixel *s = reinterpret_cast<const Pixel *>(src.constScanLine(srcRow));
        Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(dstRow));
        const int m = j - (p.R - p.F);
        if (m < 0) {
            std::memcpy(d, s, rowBytes);
            continue;
        }
        setLevel(fade, p, m);
        for (int x = 0; x < w; ++x)
            d[x] = fade(s[x]);
    }
}

template <typename Fade, bool NearStart>
void renderHorizontal(const QImage &src, QImage &out, const Plan &p)
{
    const int w = src.width();
    const int h = src.height();
    // Left keeps the rightmost e columns of the photo, right keeps the leftmost.
    const int srcFirst = NearStart ? w - p.e : 0;
    const int picFirst = NearStart ? p.R + p.G : 0;
    const int gapFirst = NearStart ? p.R : p.e;
    const int exact = p.R - p.F;
    const Pixel gap = gapPixel(p);

    // Reflection column j (0 next to the picture) mirrors the kept column j
    // away from the edge. Left: output column R - 1 - j takes source column
    // w - e + j. Right: output column e + G + j takes source column e - 1 - j.
    // Either way a run of reflection columns is a run of source columns in
    // reverse order.
    const auto srcColumn = [&](int j) { return NearStart ? w - p.e + j : p.e - 1 - j; };
    const auto dstColumn = [&](int j) { return NearStart ? p.R - 1 - j : p.e + p.G + j; };

    // The fade level changes from column to column. The tables of all levels
    // are built once (F * 768 bytes, small beside the picture) and applied
    // tile by tile: a band of rows at a time, a block of levels at a time, so
    // that the block's tables stay in cache for the whole band while the
    // rows are still read in order.
    constexpr int LevelBlock = 64;
    constexpr int RowBand = 32;
    std::vector<Fade> fades(size_t(p.F));
    for (int m = 0; m < p.F; ++m)
        setLevel(fades[size_t(m)], p, m);
    for (int y0 = 0; y0 < h; y0 += RowBand) {
        const int y1 = std::min(h, y0 + RowBand);
        // The plain part of the band first, while its rows are in cache.
        for (int y = y0; y < y1; ++y) {
            const Pixel *s = reinterpret_cast<const Pixel *>(src.constScanLine(y));
            Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(y));
            std::memcpy(d + picFirst, s + srcFirst, size_t(p.e) * sizeof(Pixel));
            std::fill(d + gapFirst, d + gapFirst + p.G, gap);
            if (exact > 0) {
                const int sLo = std::min(srcColumn(0), srcColumn(exact - 1));
                std::reverse_copy(s + sLo, s + sLo + exact, d + std::min(dstColumn(0), dstColumn(exact - 1)));
            }
        }
        for (int m0 = 0; m0 < p.F; m0 += LevelBlock) {
            const int n = std::min(LevelBlock, p.F - m0);
            const Fade *f = fades.data() + m0;
            const int j0 = exact + m0;
            const int sLo = std::min(srcColumn(j0), srcColumn(j0 + n - 1));
            const int dLo = std::min(dstColumn(j0), dstColumn(j0 + n - 1));
            for (int y = y0; y < y1; ++y) {
                const Pixel *s = reinterpret_cast<const Pixel *>(src.constScanLine(y)) + sLo;
                Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(y)) + dLo;
                // Level t sits at source offset t (left) or n - 1 - t (right)
                // within the block, and at the mirrored output offset.
                if (NearStart) {
                    for (int t = 0; t < n; ++t)
                        d[n - 1 - t] = f[t](s[t]);
                } else {
                    for (int t = n - 1; t >= 0; --t) // read the source upwards
                        d[t] = f[t](s[n - 1 - t]);
                }
            }
        }
    }
}

// Renders the kept extent e of `src` (already in ARGB32) with R reflection
// lines, G gap lines and F faded lines on the side `direction` names.
QImage render(const QImage &src, int direction, int e, int R, int G, int F, const _RGB &colour,
              bool transparent)
{
    const bool vertical = direction == ReflectionSettings::Top || direction == ReflectionSettings::Bottom;
    const bool nearStart = direction == ReflectionSettings::Top || direction == ReflectionSettings::Left;
    const qint64 extent = qint64(e) + R + G;
    if (e <= 0 || extent > std::numeric_limits<int>::max())
        return QImage();
    const int outW = vertical ? src.width() : int(extent);
    const int outH = vertical ? int(extent) : src.height();
    // QImage refuses sizes whose byte count overflows and returns a null
    // picture when the memory cannot be had; pass that on rather than write.
    QImage out = allocatePicture(outW, outH, QImage::Format_ARGB32);
    if (out.isNull())
        return QImage();

    const Plan plan{vertical, nearStart, e, R, G, F, colour, transparent};
    if (vertical) {
        if (transparent)
            renderVertical<AlphaFade>(src, out, plan);
        else
            renderVertical<ColourFade>(src, out, plan);
    } else {
        if (transparent)
            nearStart ? renderHorizontal<AlphaFade, true>(src, out, plan)
                      : renderHorizontal<AlphaFade, false>(src, out, plan);
        else
            nearStart ? renderHorizontal<ColourFade, true>(src, out, plan)
                      : renderHorizontal<ColourFade, false>(src, out, plan);
    }
    return out;
}

int normalisedDirection(int direction)
{
    switch (direction) {
    case ReflectionSettings::Top:
    case ReflectionSettings::Bottom:
    case ReflectionSettings::Left:
        return direction;
    default: // anything else is rendered to the right
        return ReflectionSettings::Right;
    }
}

} // namespace

QImage allocatePicture(int width, int height, QImage::Format format)
{
    QImage img(width, height, format);
#ifdef Q_OS_LINUX
    constexpr qsizetype Threshold = qsizetype(4) << 20;
    if (!img.isNull() && img.sizeInBytes() >= Threshold) {
        // Only whole pages inside the buffer may be advised.
        const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
        const uintptr_t begin = reinterpret_cast<uintptr_t>(img.bits());
        const uintptr_t first = (begin + page - 1) & ~(page - 1);
        const uintptr_t last = (begin + uintptr_t(img.sizeInBytes())) & ~(page - 1);
        if (last > first)
            madvise(reinterpret_cast<void *>(first), last - first,
                    MADV_HUGEPAGE); // advice only; may be refused
    }
#endif
    return img;
}

int percentOf(int x, int p)
{
    // In 64 bits so absurd inputs cannot overflow; for every real picture
    // this equals the 32-bit x * p / 100.
    return int(qint64(x) * p / 100);
}

namespace {

// Line counts along the reflecting axis of a photo whose extent there is
// `full`: e kept after the trim, R reflected, G of gap, F faded.
struct Counts
{
    int e, R, G, F;
};

Counts countsFor(int full, const ReflectionSettings &settings)
{
    Counts c;
    c.e = settings.interval < 0 ? percentOf(full, settings.interval + 100) : full;
    c.R = percentOf(c.e, settings.size);
    c.G = percentOf(c.e, std::max(settings.interval, 0));
    c.F = percentOf(c.R, 100 - settings.depth);
    return c;
}

bool isVertical(int direction)
{
    return direction == ReflectionSettings::Top || direction == ReflectionSettings::Bottom;
}

} // namespace

QSize ReflectionSize(const QSize &photo, const ReflectionSettings &settings)
{
    if (photo.isEmpty())
        return QSize();
    const bool vertical = isVertical(normalisedDirection(settings.direction));
    const Counts c = countsFor(vertical ? photo.height() : photo.width(), settings);
    if (c.e <= 0)
        return QSize();
    const int extent = int(std::min<qint64>(qint64(c.e) + c.R + c.G, std::numeric_limits<int>::max()));
    return vertical ? QSize(photo.width(), extent) : QSize(extent, photo.height());
}

void ComposeReflection(const QImage &source, QImage &destination, const ReflectionSettings &settings)
{
    if (source.isNull()) {
        destination = QImage();
        return;
    }
    const QImage src =
        source.format() == QImage::Format_ARGB32 ? source : source.convertToFormat(QImage::Format_ARGB32);
    const int direction = normalisedDirection(settings.direction);
    const Counts c = countsFor(isVertical(direction) ? src.height() : src.width(), settings);
    destination = render(src, direction, c.e, c.R, c.G, c.F, settings.bgcolor, settings.transparent);
}

void ProcessWithInterval(int ge, QImage &tempImg)
{
    if (ge >= 0)
        return;
    tempImg = tempImg.copy(0, 0, tempImg.width(), percentOf(tempImg.height(), ge + 100));
}

void BottomReflection(const QImage &srcImage, QImage &dstImage, _RGB bgcolor, int rate, int start, int ge,
                      bool transparent)
{
    if (srcImage.isNull()) {
        dstImage = QImage();
        return;
    }
    const QImage src = srcImage.format() == QImage::Format_ARGB32
                           ? srcImage
                           : srcImage.convertToFormat(QImage::Format_ARGB32);
    const int h = src.height();
    const int R = percentOf(h, rate);
    const int G = percentOf(h, std::max(ge, 0));
    const int F = percentOf(R, 100 - start);
    dstImage = render(src, ReflectionSettings::Bottom, h, R, G, F, bgcolor, transparent);
}

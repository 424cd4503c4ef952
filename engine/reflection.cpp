#include "reflection.h"
#include "reflectionfades.h"
#include "reflectionkernels.h"
#include "reflectionlines.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

// The renderer. The rule (reflectionrule.cpp, renderReference) turns the
// picture so the reflecting edge is at the bottom, trims, renders the bottom
// reflection and turns back. Turning a 24-megapixel photo twice costs more
// than the rendering itself, so every side is rendered here directly into
// the output picture, in the orientation the caller asked for, by mapping
// each reflection line to the source line it mirrors, with the kernels
// (kernel_*.cpp) for the opacity, the blur, 16-bit fades and the turn. The
// result is bit-identical to the rule; the tests hold it to that.

namespace {

// How a reflection line is written: copied, with the opacity only (the
// lines next to the picture), or at a level of the fade.
enum class LineFade
{
    Copy,
    Opacity,
    Level
};

// Writes `n` pixels of line `s` to `d` as `kind` says, `f` being the
// line's fade; with `reversed` in reverse order, into a `d` apart from `s`.
template <typename Fade>
void fadeLine(const Fade &f, LineFade kind, const typename Fade::Pixel *s, typename Fade::Pixel *d, int n,
              const Plan &p, bool reversed = false)
{
    if (kind == LineFade::Copy) {
        if (reversed)
            std::reverse_copy(s, s + n, d);
        else
            std::memcpy(d, s, size_t(n) * sizeof(*s));
        return;
    }
    int x = 0;
    if constexpr (sizeof(*s) == 4) {
        if (kind == LineFade::Opacity)
            x = opacityRun(s, d, n, p, reversed);
    } else if constexpr (std::is_same_v<Fade, ColourFade16>) {
        if (!reversed)
            x = f.run(s, d, n);
    }
    for (; x < n; ++x)
        d[reversed ? n - 1 - x : x] = f(s[x]);
}

// The kind of reflection line j.
LineFade lineFade(const Plan &p, int j)
{
    if (j >= p.reflected - p.faded)
        return LineFade::Level;
    return p.opacity == 100 ? LineFade::Copy : LineFade::Opacity;
}

// Renders top and bottom; line(j) gives reflection line j's unfaded pixels
// and is called for j = 0, 1, 2, ... in order.
template <typename Fade, typename Lines>
void renderVertical(const QImage &src, Lines &&line, QImage &out, const Plan &p)
{
    using Pixel = typename Fade::Pixel;
    const int w = src.width();
    const int h = src.height();
    const size_t rowBytes = size_t(w) * sizeof(Pixel);
    // Top keeps the bottom rows of the photo, bottom keeps the top rows.
    const int srcFirst = p.nearStart ? h - p.kept : 0;
    const int picFirst = p.nearStart ? p.reflected + p.gap : 0;
    const int gapFirst = p.nearStart ? p.reflected : p.kept;

    for (int y = 0; y < p.kept; ++y)
        std::memcpy(out.scanLine(picFirst + y), src.constScanLine(srcFirst + y), rowBytes);

    const Pixel gap = gapPixel<Pixel>(p);
    for (int y = 0; y < p.gap; ++y) {
        Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(gapFirst + y));
        std::fill(d, d + w, gap);
    }

    Fade unfaded, fade;
    setUnfaded(unfaded, p);
    for (int j = 0; j < p.reflected; ++j) {
        const int dstRow = p.nearStart ? p.reflected - 1 - j : p.kept + p.gap + j;
        const Pixel *s = line(j);
        Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(dstRow));
        const LineFade kind = lineFade(p, j);
        if (kind == LineFade::Level)
            setLevel(fade, p, j - (p.reflected - p.faded));
        fadeLine(kind == LineFade::Level ? fade : unfaded, kind, s, d, w, p);
    }
}

// Renders left and right; without `withReflection` only the picture and
// the gap, for a reflection written by blurInto.
template <typename Fade, bool NearStart>
void renderHorizontal(const QImage &src, QImage &out, const Plan &p, bool withReflection)
{
    using Pixel = typename Fade::Pixel;
    const int w = src.width();
    const int h = src.height();
    // Left keeps the rightmost columns of the photo, right keeps the leftmost.
    const int srcFirst = NearStart ? w - p.kept : 0;
    const int picFirst = NearStart ? p.reflected + p.gap : 0;
    const int gapFirst = NearStart ? p.reflected : p.kept;
    const int exact = withReflection ? p.reflected - p.faded : 0;
    const int faded = withReflection ? p.faded : 0;
    const Pixel gap = gapPixel<Pixel>(p);

    // Reflection column j (0 next to the picture) mirrors the kept column j
    // away from the edge. Left: output column reflected - 1 - j takes source
    // column w - kept + j. Right: output column kept + gap + j takes source
    // column kept - 1 - j. Either way a run of reflection columns is a run
    // of source columns in reverse order.
    const auto srcColumn = [&](int j) { return NearStart ? w - p.kept + j : p.kept - 1 - j; };
    const auto dstColumn = [&](int j) { return NearStart ? p.reflected - 1 - j : p.kept + p.gap + j; };
    const auto mirrorRow = [&](int y) { return reinterpret_cast<const Pixel *>(src.constScanLine(y)); };

    // The fade level changes from column to column. The tables of all levels
    // are built once (faded * 768 bytes, small beside the picture) and applied
    // tile by tile: a band of rows at a time, a block of levels at a time, so
    // that the block's tables stay in cache for the whole band while the
    // rows are still read in order.
    constexpr int LevelBlock = 64;
    constexpr int RowBand = 32;
    std::vector<Fade> fades(static_cast<size_t>(faded));
    for (int m = 0; m < faded; ++m)
        setLevel(fades[size_t(m)], p, m);
    Fade unfaded;
    setUnfaded(unfaded, p);
    for (int y0 = 0; y0 < h; y0 += RowBand) {
        const int y1 = std::min(h, y0 + RowBand);
        // The plain part of the band first, while its rows are in cache.
        for (int y = y0; y < y1; ++y) {
            const Pixel *s = reinterpret_cast<const Pixel *>(src.constScanLine(y));
            Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(y));
            std::memcpy(d + picFirst, s + srcFirst, size_t(p.kept) * sizeof(Pixel));
            std::fill(d + gapFirst, d + gapFirst + p.gap, gap);
            if (exact > 0) {
                const Pixel *m = mirrorRow(y) + std::min(srcColumn(0), srcColumn(exact - 1));
                Pixel *to = d + std::min(dstColumn(0), dstColumn(exact - 1));
                fadeLine(unfaded, lineFade(p, 0), m, to, exact, p, true);
            }
        }
        for (int m0 = 0; m0 < faded; m0 += LevelBlock) {
            const int n = std::min(LevelBlock, faded - m0);
            const Fade *f = fades.data() + m0;
            const int j0 = exact + m0;
            const int sLo = std::min(srcColumn(j0), srcColumn(j0 + n - 1));
            const int dLo = std::min(dstColumn(j0), dstColumn(j0 + n - 1));
            for (int y = y0; y < y1; ++y) {
                const Pixel *s = mirrorRow(y) + sLo;
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

// Source line L (a row for top and bottom, a column for left and right)
// is reflection line j.
int mirroredLine(const Plan &p, int extent, int j)
{
    return p.nearStart ? extent - p.kept + j : p.kept - 1 - j;
}

template <typename Fade>
void renderTopOrBottom(const QImage &src, QImage &out, const Plan &p)
{
    using Pixel = typename Fade::Pixel;
    std::vector<const Pixel *> lines(static_cast<size_t>(p.reflected));
    for (int j = 0; j < p.reflected; ++j)
        lines[size_t(j)] =
            reinterpret_cast<const Pixel *>(src.constScanLine(mirroredLine(p, src.height(), j)));
    if (p.blur == 0) {
        renderVertical<Fade>(
            src, [&](int j) { return lines[size_t(j)]; }, out, p);
        return;
    }
    const auto blurred = blurLines(std::move(lines), src.width(), p.blur, p.transparent);
    renderVertical<Fade>(
        src, [&](int j) { return blurred->line(j); }, out, p);
}

// The blurred reflection of left and right, faded and written into its
// place in `out`; false when its working copy cannot be allocated. The
// mirrored columns are turned into rows, blurred and faded a line at a
// time, and written back as columns, a block of them at a time so that
// every row of the output gets a whole cache line.
template <typename Fade>
bool blurInto(const QImage &src, QImage &out, const Plan &p)
{
    using Pixel = typename Fade::Pixel;
    const int h = src.height();
    const int first = p.nearStart ? src.width() - p.kept : p.kept - p.reflected; // the strip's first column
    QImage rows = allocatePicture(h, p.reflected, src.format());
    if (rows.isNull())
        return false;
    transpose<Pixel>(src.constBits() + first * qsizetype(sizeof(Pixel)), src.bytesPerLine(), rows.bits(),
                     rows.bytesPerLine(), p.reflected, h);
    std::vector<const Pixel *> lines(static_cast<size_t>(p.reflected));
    for (int j = 0; j < p.reflected; ++j)
        lines[size_t(j)] =
            reinterpret_cast<const Pixel *>(rows.constScanLine(mirroredLine(p, src.width(), j) - first));
    const int exact = p.reflected - p.faded;
    Fade unfaded, fade;
    setUnfaded(unfaded, p);
    const auto dstColumn = [&](int j) { return p.nearStart ? p.reflected - 1 - j : p.kept + p.gap + j; };
    uchar *bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    constexpr int Block = 16; // lines written back at once, a cache line of 32-bit pixels per row
    std::vector<Pixel> block(size_t(Block) * size_t(h));
    const auto blurred = blurLines(std::move(lines), h, p.blur, p.transparent);
    for (int j0 = 0; j0 < p.reflected; j0 += Block) {
        const int n = std::min(Block, p.reflected - j0);
        for (int t = 0; t < n; ++t) {
            const LineFade kind = lineFade(p, j0 + t);
            if (kind == LineFade::Level)
                setLevel(fade, p, j0 + t - exact);
            // The block's lines are neighbouring columns, in reverse order on the left.
            fadeLine(kind == LineFade::Level ? fade : unfaded, kind, blurred->line(j0 + t),
                     block.data() + size_t(p.nearStart ? n - 1 - t : t) * size_t(h), h, p);
        }
        const int column = std::min(dstColumn(j0), dstColumn(j0 + n - 1));
        transpose<Pixel>(reinterpret_cast<const uchar *>(block.data()),
                         qsizetype(h) * qsizetype(sizeof(Pixel)), bits + column * qsizetype(sizeof(Pixel)),
                         stride, h, n);
    }
    return true;
}

template <typename Fade>
bool renderLeftOrRight(const QImage &src, QImage &out, const Plan &p)
{
    const bool blurred = p.blur > 0 && p.reflected > 1;
    if (p.nearStart)
        renderHorizontal<Fade, true>(src, out, p, !blurred);
    else
        renderHorizontal<Fade, false>(src, out, p, !blurred);
    return !blurred || blurInto<Fade>(src, out, p);
}

template <typename ColourFadeT, typename AlphaFadeT>
bool renderInto(const QImage &src, QImage &out, const Plan &p)
{
    if (p.vertical) {
        if (p.transparent)
            renderTopOrBottom<AlphaFadeT>(src, out, p);
        else
            renderTopOrBottom<ColourFadeT>(src, out, p);
        return true;
    }
    return p.transparent ? renderLeftOrRight<AlphaFadeT>(src, out, p)
                         : renderLeftOrRight<ColourFadeT>(src, out, p);
}

// Renders `src` (in Format_ARGB32 or Format_RGBA64) by the plan.
QImage render(const QImage &src, const Plan &plan)
{
    const qint64 extent = qint64(plan.kept) + plan.reflected + plan.gap;
    if (plan.kept <= 0 || extent > std::numeric_limits<int>::max())
        return QImage();
    const int outW = plan.vertical ? src.width() : int(extent);
    const int outH = plan.vertical ? int(extent) : src.height();
    // QImage refuses sizes whose byte count overflows and returns a null
    // picture when the memory cannot be had; pass that on rather than write.
    QImage out = allocatePicture(outW, outH, src.format());
    if (out.isNull())
        return QImage();
    const bool done = src.format() == QImage::Format_RGBA64
                          ? renderInto<ColourFade16, AlphaFade16>(src, out, plan)
                          : renderInto<ColourFade, AlphaFade>(src, out, plan);
    return done ? out : QImage();
}
} // namespace

void adviseHugePages(void *data, size_t bytes)
{
#ifdef Q_OS_LINUX
    constexpr size_t Threshold = size_t(4) << 20;
    if (!data || bytes < Threshold)
        return;
    // Only whole pages inside the buffer may be advised.
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (begin + page - 1) & ~(page - 1);
    const uintptr_t last = (begin + bytes) & ~(page - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE); // advice only; may be refused
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

QImage allocatePicture(int width, int height, QImage::Format format)
{
    QImage img(width, height, format);
    if (!img.isNull())
        adviseHugePages(img.bits(), size_t(img.sizeInBytes()));
    return img;
}

QImage::Format renderingFormat(QImage::Format photoFormat)
{
    switch (photoFormat) {
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return QImage::Format_RGBA64;
    default:
        return QImage::Format_ARGB32;
    }
}

void ComposeReflection(const QImage &source, QImage &destination, const ReflectionSettings &settings)
{
    if (source.isNull()) {
        destination = QImage();
        return;
    }
    const QImage::Format format = renderingFormat(source.format());
    const QImage src = source.format() == format ? source : source.convertToFormat(format);
    Plan plan = makePlan(src.size(), settings);
    ColourFade::prepare(plan);
    destination = render(src, plan);
}

namespace {

template <typename Fade>
void renderLine(const Plan &p, const Fade &unfaded, int j, const quint32 *s, quint32 *d, int n)
{
    const LineFade kind = lineFade(p, j);
    if (kind != LineFade::Level) {
        fadeLine(unfaded, kind, s, d, n, p);
        return;
    }
    Fade fade;
    setLevel(fade, p, j - (p.reflected - p.faded));
    fadeLine(fade, kind, s, d, n, p);
}

} // namespace

ReflectionLines::ReflectionLines(const QSize &photo, const ReflectionSettings &settings)
    : plan(makePlan(photo, settings))
{
    ColourFade::prepare(plan);
    setUnfaded(colourUnfaded, plan);
    setUnfaded(alphaUnfaded, plan);
}

void ReflectionLines::render(int j, const quint32 *mirrored, quint32 *out, int width) const
{
    if (plan.transparent)
        renderLine(plan, alphaUnfaded, j, mirrored, out, width);
    else
        renderLine(plan, colourUnfaded, j, mirrored, out, width);
}

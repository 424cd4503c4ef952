#include "bandrenderer.h"

#include "bandcodec.h"
#include "bandpool.h"
#include "reflection.h"
#include "reflectionlines.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int EmitRows = 16;       // rows of a band handed on
constexpr int StripColumns = 512;  // columns of a strip of the held rows rendered at once
constexpr int WindowBandRows = 64; // rows of a left or right band

int maxRadius(int reflected, int blur)
{
    return reflected > 0 ? (reflected - 1) * std::clamp(blur, 0, 100) / 400 : 0;
}

// A read-only picture of part of `picture`'s rows or columns, sharing its
// memory.
QImage view(const QImage &picture, int x, int y, int width, int height)
{
    const int bytes = picture.depth() / 8;
    return QImage(picture.constScanLine(y) + qsizetype(x) * bytes, width, height, picture.bytesPerLine(),
                  picture.format());
}

} // namespace

BandRenderer::BandRenderer(const QSize &photo, QImage::Format format, const ReflectionSettings &settings,
                           bool opaque)
    : photo(photo), format(format), settings(settings)
{
    heldFormat =
        opaque && !settings.transparent && format == QImage::Format_ARGB32 ? QImage::Format_RGB888 : format;
    const int direction = std::clamp(settings.direction, 0, 3);
    vertical = isVertical(direction);
    nearStart = direction == ReflectionSettings::Top || direction == ReflectionSettings::Left;
    const int full = vertical ? photo.height() : photo.width();
    kept = settings.interval < 0 ? percentOf(full, settings.interval + 100) : full;
    reflected = percentOf(kept, settings.size);
    gap = percentOf(kept, std::max(settings.interval, 0));
    radius = maxRadius(reflected, settings.blur);
    result = ReflectionSize(photo, settings);
    bandRows = std::max(WindowBandRows, 2 * radius);
    if (vertical && radius == 0 && format == QImage::Format_ARGB32)
        lines = std::make_unique<ReflectionLines>(photo, settings);
}

BandRenderer::~BandRenderer() = default;

std::optional<BandRenderer::Pass> BandRenderer::keptRows() const
{
    if (!lines || reflected == 0)
        return std::nullopt;
    return Pass{nearStart ? photo.height() - kept : kept - reflected, reflected};
}

void BandRenderer::setHeldRows(std::shared_ptr<HeldRows> rows)
{
    heldRows = std::move(rows);
}

QList<BandRenderer::Pass> BandRenderer::passes() const
{
    if (!vertical)
        return {{0, photo.height()}};
    if (!nearStart)
        return {{0, kept}};
    const int first = photo.height() - kept;
    return {{first, reflected}, {first, kept}};
}

bool BandRenderer::emitRows(const QImage &picture, int first, int count, const Sink &sink)
{
    for (int y = first; y < first + count; y += EmitRows) {
        const int rows = std::min(EmitRows, first + count - y);
        QImage band;
        if (picture.format() == format) {
            band = newBand(picture.width(), rows);
            for (int r = 0; !band.isNull() && r < rows; ++r)
                std::memcpy(band.scanLine(r), picture.constScanLine(y + r), size_t(band.bytesPerLine()));
        } else {
            band = view(picture, 0, y, picture.width(), rows).convertToFormat(format);
        }
        if (band.isNull() || !sink(std::move(band)))
            return false;
    }
    return true;
}

bool BandRenderer::emitGap(const Sink &sink)
{
    if (gap == 0)
        return true;
    QImage band(photo.width(), std::min(EmitRows, gap), format);
    if (band.isNull())
        return false;
    const _RGB &c = settings.bgcolor;
    if (settings.transparent)
        band.fill(Qt::transparent);
    else if (format == QImage::Format_RGBA64)
        band.fill(QColor::fromRgba64(
            QRgba64::fromRgba64(quint16(c.r * 257), quint16(c.g * 257), quint16(c.b * 257), 65535)));
    else
        band.fill(qRgb(c.r, c.g, c.b));
    for (int left = gap; left > 0; left -= band.height())
        if (!sink(left >= band.height() ? band : band.copy(0, 0, band.width(), left)))
            return false;
    return true;
}

// Renders the reflection of the held rows into them, a strip of columns at
// a time, so that the whole reflection is never held twice. A strip takes
// the columns its blur reaches on either side; a strip's result is written
// back only once the next strip, whose margin overlaps it, has been
// rendered from the rows as they were.
void BandRenderer::reflectHeld()
{
    ReflectionSettings alone = settings;
    alone.size = 100;
    alone.interval = 0;
    alone.direction = nearStart ? ReflectionSettings::Top : ReflectionSettings::Bottom;
    const int width = held.width();
    const int strip = std::max(StripColumns, radius);
    const int bytes = held.depth() / 8;
    const int resultFirst = nearStart ? 0 : reflected; // the reflection's rows in a strip's result
    struct Done
    {
        QImage picture;
        int x0, x1, from;
    };
    Done pending{QImage(), 0, 0, 0};
    const auto writeBack = [&](const Done &done) {
        const QImage part = view(done.picture, done.x0 - done.from, resultFirst, done.x1 - done.x0, reflected)
                                .convertToFormat(held.format());
        for (int y = 0; y < reflected; ++y)
            std::memcpy(held.scanLine(y) + qsizetype(done.x0) * bytes, part.constScanLine(y),
                        size_t(done.x1 - done.x0) * size_t(bytes));
    };
    for (int x0 = 0; x0 < width; x0 += strip) {
        const int x1 = std::min(width, x0 + strip);
        const int from = std::max(0, x0 - radius);
        const int to = std::min(width, x1 + radius);
        Done done{QImage(), x0, x1, from};
        ComposeReflection(view(held, from, 0, to - from, reflected), done.picture, alone);
        if (!pending.picture.isNull())
            writeBack(pending);
        pending = std::move(done);
    }
    if (!pending.picture.isNull())
        writeBack(pending);
}

bool BandRenderer::take(const QImage &band, const Sink &sink)
{
    const int first = position;
    position += band.height();
    if (!vertical) {
        for (int y = 0; y < band.height(); ++y) {
            if (windowRows == window.height() && !flushWindow(false, sink))
                return false;
            std::memcpy(window.scanLine(windowRows++), band.constScanLine(y), size_t(band.bytesPerLine()));
        }
        return true;
    }
    // Top's first pass and bottom keep the rows that are mirrored.
    const int keepFrom = nearStart ? 0 : kept - reflected;
    const int keepTo = keepFrom + reflected;
    const bool keeping = !(nearStart && pass == 1);
    if (keeping && reflected > 0 && !heldRows) {
        if (held.isNull()) {
            held = allocatePicture(photo.width(), reflected, heldFormat);
            if (held.isNull())
                return false;
        }
        const int from = std::max(first, keepFrom), to = std::min(position, keepTo);
        if (from < to)
            hold(band, from - first, from - keepFrom, to - from);
    }
    return (nearStart && pass == 0) || sink(band);
}

bool BandRenderer::endPass(const Sink &sink)
{
    const int finished = pass++;
    position = 0;
    if (!vertical)
        return flushWindow(true, sink);
    if (nearStart && finished == 1)
        return true;
    if (reflected > 0 && !lines)
        reflectHeld();
    bool ok = true;
    if (!nearStart)
        ok = emitGap(sink);
    if (ok && reflected > 0)
        ok = lines ? emitReflection(sink) : emitRows(held, 0, reflected, sink);
    held = QImage();
    if (ok && nearStart)
        ok = emitGap(sink);
    return ok;
}

// Copies `count` rows of `band` from `bandRow` into the held rows from
// `heldRow`, dropping the alpha of an opaque photo.
void BandRenderer::hold(const QImage &band, int bandRow, int heldRow, int count)
{
    const int width = photo.width();
    for (int y = 0; y < count; ++y) {
        const uchar *from = band.constScanLine(bandRow + y);
        uchar *to = held.scanLine(heldRow + y);
        if (heldFormat != QImage::Format_RGB888) {
            std::memcpy(to, from, size_t(held.bytesPerLine()));
            continue;
        }
        const auto *pixels = reinterpret_cast<const quint32 *>(from);
        for (int x = 0; x < width; ++x, to += 3) {
            to[0] = uchar(pixels[x] >> 16);
            to[1] = uchar(pixels[x] >> 8);
            to[2] = uchar(pixels[x]);
        }
    }
}

// Held row `row` in Format_ARGB32, in `scratch` when it is held without
// its alpha.
const quint32 *BandRenderer::heldLine(int row, quint32 *scratch) const
{
    const uchar *from = held.constScanLine(row);
    if (heldFormat != QImage::Format_RGB888)
        return reinterpret_cast<const quint32 *>(from);
    for (int x = 0; x < photo.width(); ++x, from += 3)
        scratch[x] = 0xff000000u | quint32(from[0]) << 16 | quint32(from[1]) << 8 | from[2];
    return scratch;
}

// Top and bottom without blur: the reflection, a band of rows at a time, in
// the order it is written. Bottom writes line 0 (next to the picture) first,
// top its last line.
bool BandRenderer::emitReflection(const Sink &sink)
{
    const int width = photo.width();
    std::vector<quint32> scratch(static_cast<size_t>(width));
    for (int r0 = 0; r0 < reflected; r0 += EmitRows) {
        QImage band = newBand(width, std::min(EmitRows, reflected - r0));
        if (band.isNull())
            return false;
        for (int y = 0; y < band.height(); ++y) {
            const int j = nearStart ? reflected - 1 - (r0 + y) : r0 + y;
            const int row = nearStart ? j : reflected - 1 - j; // the held row line j mirrors
            const quint32 *mirrored =
                heldRows ? heldRows->row(row, scratch.data()) : heldLine(row, scratch.data());
            lines->render(j, mirrored, reinterpret_cast<quint32 *>(band.scanLine(y)), width);
        }
        if (!sink(std::move(band)))
            return false;
    }
    return true;
}

QImage BandRenderer::newBand(int width, int rows) const
{
    return pool ? pool->take(width, rows, format) : QImage(width, rows, format);
}

// Left and right: renders the rows in the window once it holds a band and
// the rows its blur reaches below it (or the photo's last row), hands the
// band on and keeps the rows the next band's blur reaches above it.
bool BandRenderer::flushWindow(bool final, const Sink &sink)
{
    if (window.isNull() && !final) {
        window = allocatePicture(photo.width(), bandRows + 2 * radius + 1, format);
        return !window.isNull() && window.height() > windowRows;
    }
    while (nextRow < photo.height()) {
        const int end = std::min(nextRow + bandRows, photo.height());
        const int reach = std::min(end + radius, photo.height());
        if (windowFirst + windowRows < reach) {
            if (final)
                return false; // fewer rows came than the photo has
            break;
        }
        QImage rendered;
        ComposeReflection(view(window, 0, 0, photo.width(), windowRows), rendered, settings);
        if (rendered.isNull() || !emitRows(rendered, nextRow - windowFirst, end - nextRow, sink))
            return false;
        nextRow = end;
        const int drop = std::clamp(nextRow - radius - windowFirst, 0, windowRows);
        for (int y = drop; y < windowRows; ++y)
            std::memmove(window.scanLine(y - drop), window.constScanLine(y), size_t(window.bytesPerLine()));
        windowFirst += drop;
        windowRows -= drop;
    }
    return true;
}

qint64 BandRenderer::heldBytes(const QSize &photo, const ReflectionSettings &settings, bool opaque,
                               qint64 keptBytes)
{
    const BandRenderer r(photo, QImage::Format_ARGB32, settings, opaque);
    if (r.result.isEmpty())
        return 0;
    const qint64 width = photo.width();
    if (r.vertical) {
        const qint64 heldRow = r.heldFormat == QImage::Format_RGB888 ? (width * 3 + 3) / 4 * 4 : width * 4;
        if (r.lines) // the held rows and the band being made
            return (keptBytes >= 0 ? keptBytes : heldRow * r.reflected) + width * 4 * EmitRows;
        // The held rows, and two strips' results of twice their height.
        const qint64 strip = std::min<qint64>(width, std::max(StripColumns, r.radius) + 2 * r.radius);
        return (heldRow + 2 * 2 * strip * 4) * r.reflected;
    }
    // The window and its rendering.
    const qint64 rows = r.bandRows + 2 * r.radius + 1;
    return rows * (width + r.result.width()) * 4;
}

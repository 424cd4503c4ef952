// The rule, as the README tells it. Every count is a percentage of a count,
// multiplied first and truncated; every pixel of the reflection is the
// mirrored pixel, blurred, moved by the opacity, then faded. The renderer
// (reflection.cpp and its kernels) reaches the same bytes by faster roads.

#include "reflection.h"
#include "reflectionrule.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <limits>

int percentOf(int x, int p)
{
    // In 64 bits so absurd inputs cannot overflow; for every real picture
    // this equals the 32-bit x * p / 100.
    return int(qint64(x) * p / 100);
}

ReflectionCounts reflectionCounts(int full, const ReflectionSettings &settings)
{
    ReflectionCounts c;
    // A negative interval trims the picture at the reflecting edge.
    c.kept = settings.interval < 0 ? percentOf(full, settings.interval + 100) : full;
    c.reflected = percentOf(c.kept, settings.size);
    c.gap = percentOf(c.kept, std::max(settings.interval, 0));
    // The depth is the share next to the picture copied without fading.
    c.faded = percentOf(c.reflected, 100 - settings.depth);
    return c;
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

bool isVertical(int direction)
{
    return direction == ReflectionSettings::Top || direction == ReflectionSettings::Bottom;
}

Plan makePlan(const QSize &size, const ReflectionSettings &settings)
{
    const int direction = normalisedDirection(settings.direction);
    const bool vertical = isVertical(direction);
    const ReflectionCounts c = reflectionCounts(vertical ? size.height() : size.width(), settings);
    // Out of range is outside the contract; clamped, the rules stay defined.
    return Plan{vertical,
                direction == ReflectionSettings::Top || direction == ReflectionSettings::Left,
                c.kept,
                c.reflected,
                c.gap,
                c.faded,
                settings.bgcolor,
                settings.transparent,
                std::clamp(settings.opacity, 0, 100),
                std::clamp(settings.blur, 0, 100),
                {}};
}

QSize ReflectionSize(const QSize &photo, const ReflectionSettings &settings)
{
    if (photo.isEmpty())
        return QSize();
    const Plan p = makePlan(photo, settings);
    if (p.kept <= 0)
        return QSize();
    const int extent =
        int(std::min<qint64>(qint64(p.kept) + p.reflected + p.gap, std::numeric_limits<int>::max()));
    return p.vertical ? QSize(photo.width(), extent) : QSize(extent, photo.height());
}

namespace {

// Alpha, red, green and blue, in the picture's own units: 8 or 16 bits.
using Px = std::array<qint64, 4>;

Px get(const QImage &img, int x, int y)
{
    const QRgba64 p = img.pixelColor(x, y).rgba64();
    const int unit = img.depth() == 64 ? 1 : 257;
    return {p.alpha() / unit, p.red() / unit, p.green() / unit, p.blue() / unit};
}

void put(QImage &img, int x, int y, const Px &p)
{
    const int unit = img.depth() == 64 ? 1 : 257;
    const auto channel = [&](int k) { return quint16(p[size_t(k)] * unit); };
    img.setPixelColor(x, y, QColor::fromRgba64(channel(1), channel(2), channel(3), channel(0)));
}

// The bottom reflection of an already trimmed picture: mirror, blur,
// opacity, fade.
QImage bottomReflection(const QImage &src, const Plan &p)
{
    const int w = src.width(), h = src.height(), unit = src.depth() == 64 ? 257 : 1;
    const int R = p.reflected, G = p.gap, F = p.faded;
    const Px c = {0, p.colour.r * unit, p.colour.g * unit, p.colour.b * unit};
    QImage out = src.copy(0, 0, w, h + R + G); // zero below the picture: a transparent gap
    if (!p.transparent)                        // an opaque gap of the colour
        QPainter(&out).fillRect(0, h, w, G, QColor(p.colour.r, p.colour.g, p.colour.b));
    for (int j = 0; j < R; ++j) {
        // 1. Blur: the average of the square of radius j * blur / 400,
        // clipped to the reflection; transparent mode weighs colour by alpha.
        const int r = j * p.blur / 400;
        for (int x = 0; x < w; ++x) {
            Px sum = {}, px = get(src, x, h - 1 - j);
            qint64 count = 0;
            for (int i = std::max(0, j - r); i <= std::min(R - 1, j + r); ++i)
                for (int u = std::max(0, x - r); u <= std::min(w - 1, x + r); ++u) {
                    const Px q = get(src, u, h - 1 - i);
                    for (size_t k = 0; k < 4; ++k)
                        sum[k] += q[k] * (k > 0 && p.transparent ? q[0] : 1);
                    ++count;
                }
            const qint64 by = p.transparent ? sum[0] : count;
            px[0] = sum[0] / count;
            for (size_t k = 1; k < 4 && by > 0; ++k) // no alpha to weigh by: the colour stays
                px[k] = sum[k] / by;
            // 2. Opacity, then 3. the fade on the last F lines, at level m.
            const int m = j - (R - F);
            if (p.transparent) {
                px[0] = px[0] * p.opacity / 100;
                if (m >= 0)
                    px[0] = px[0] * (F - 1 - m) / F;
            }
            for (size_t k = 1; k < 4 && !p.transparent; ++k) {
                px[k] += (c[k] - px[k]) * (100 - p.opacity) / 100;
                if (m >= 0)
                    px[k] += (c[k] - px[k]) * m / F;
            }
            put(out, x, h + G + j, px);
        }
    }
    return out;
}

// Turns the picture so that the side's edge is at the bottom, or back.
QImage turn(const QImage &img, int direction, bool back)
{
    if (direction == ReflectionSettings::Top)
        return img.mirrored(false, true);
    const int angle = direction == ReflectionSettings::Left    ? -90
                      : direction == ReflectionSettings::Right ? 90
                                                               : 0;
    return img.transformed(QTransform().rotate(back ? -angle : angle));
}

} // namespace

QImage renderReference(const QImage &source, const ReflectionSettings &settings)
{
    if (source.isNull())
        return QImage();
    const int direction = normalisedDirection(settings.direction);
    QImage work = turn(source.convertToFormat(renderingFormat(source.format())), direction, false);
    ReflectionSettings bottom = settings;
    bottom.direction = ReflectionSettings::Bottom;
    const Plan p = makePlan(work.size(), bottom);
    if (p.kept <= 0)
        return QImage();
    // The trim keeps the lines away from the edge; the counts are the kept lines'.
    return turn(bottomReflection(work.copy(0, 0, work.width(), p.kept), p), direction, true);
}

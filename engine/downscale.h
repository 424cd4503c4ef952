#pragma once

#include <QImage>
#include <QList>
#include <QSize>

// Scaling a finished picture down for the web.

// The largest size an output may have: 0 on a side means no limit there.
struct SizeLimit
{
    int width = 0;
    int height = 0;
    bool isNull() const { return width <= 0 && height <= 0; }
};

// The size a picture of `size` is written at under `limit`: never larger
// than it is, the aspect ratio kept. The side the limit binds is set to the
// limit, the other is rounded to the nearest whole pixel, at least 1.
QSize limitedSize(const QSize &size, const SizeLimit &limit);

// `image` reduced to `size` (at most its own on either side) with a
// separable Lanczos-3 filter: no moiré on fine patterns, where Qt's smooth
// transform of a large factor aliases. The weights are computed once per
// size and rounded to integers (14 bits for 8-bit pictures, 22 for 16-bit
// ones); all pixel arithmetic is in integers, so the same input gives the
// same bytes on every machine, and each channel is within 1 of the filter
// computed in doubles. Colours are filtered weighted by
// their alpha (premultiplied), so transparent pixels lend no colour to
// their neighbours. 8-bit pictures come back as ARGB32 (RGB32 if they were
// RGB32), 16-bit ones as RGBA64, premultiplied where the input was; other
// formats are converted to one of these first. Returns `image` itself when
// the size is its own, and a null image where no memory is left.
QImage downscaled(const QImage &image, const QSize &size);

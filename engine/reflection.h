#pragma once

#include "reflectionsettings.h"

#include <QImage>

// The reflection renderer. Pure functions over QImage values: no widgets, no
// files, no globals, so they run on any thread.
//
// Integer rules, all multiplying first and truncating toward zero:
//
// - A percentage p of a count x is x * p / 100.
// - Counts along the reflecting axis of a photo whose extent there is n:
//   kept = n * (interval + 100) / 100 when the interval is negative (the
//   part away from the reflecting edge), else n; reflected = kept * size / 100;
//   gap = kept * max(interval, 0) / 100; faded = reflected * (100 - depth) / 100,
//   the lines farthest from the picture.
// - Reflection line j (0 next to the picture) mirrors kept line j away from
//   the edge. Each of its pixels goes through three steps in this order:
//   1. Blur: with radius r = j * blur / 400, the pixel becomes the average of
//      the square window of radius r around it, clipped to the reflection's
//      own lines and to the picture's extent across the axis, taken from the
//      mirrored, not yet faded pixels: each channel is its sum over the
//      window divided by the window's pixel count. In transparent mode alpha
//      is averaged so, but each colour channel is the alpha-weighted sum
//      (channel * alpha) divided by the alpha sum; where that sum is 0 the
//      pixel keeps its own colour. Line 0 (r = 0) is unchanged.
//   2. Opacity: colour mode moves each colour channel v to
//      v + (c - v) * (100 - opacity) / 100, c being the colour's channel;
//      transparent mode scales alpha to alpha * opacity / 100.
//   3. Fade, on the faded lines only, with m = j - (reflected - faded) in
//      0..faded-1: colour mode moves each colour channel v to
//      v + (c - v) * m / faded; transparent mode scales alpha to
//      alpha * (faded - 1 - m) / faded.
//   Colour mode keeps the photo's alpha through all three; transparent mode
//   keeps the colour channels through the last two.
// - Gap pixels are the colour, opaque; in transparent mode 0 (transparent
//   black).
// - Photos with 16 bits per channel are rendered with 16-bit channels: the
//   rules are the same, with the colour's channels scaled by 257.

// x * p / 100, multiply first, truncate toward zero.
int percentOf(int x, int p);

// A picture of the given size and format whose pixels are not yet written,
// or a null picture when it cannot be had. Large pictures ask the system for
// huge pages: every first touch of a fresh 4 KiB page is a page fault, and on
// a photo-sized buffer the faults cost more than the pixel work.
QImage allocatePicture(int width, int height, QImage::Format format);
// Asks the system for huge pages for a large buffer not yet touched, as
// allocatePicture does for its pictures.
void adviseHugePages(void *data, size_t bytes);

// The format the renderer works in for a photo delivered in `photoFormat`:
// Format_RGBA64 for photos with 16 bits per channel, so that they keep
// them, and Format_ARGB32 for everything else. Callers convert the photo to
// it before rendering, which saves ComposeReflection a copy.
QImage::Format renderingFormat(QImage::Format photoFormat);

// Renders `source` with its reflection on the side `settings.direction`
// names and stores the result, in renderingFormat(source.format()), in
// `destination`. A source in another format is converted first; it is never
// changed. The result is null for a null source, when the trim leaves no
// row, or when the output picture cannot be allocated.
void ComposeReflection(const QImage &source, QImage &destination, const ReflectionSettings &settings);

// The size of the picture ComposeReflection makes from a photo of size
// `photo`: empty when the trim leaves no row (or column) of it.
QSize ReflectionSize(const QSize &photo, const ReflectionSettings &settings);

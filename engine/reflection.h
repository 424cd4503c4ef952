#pragma once

#include "reflectionsettings.h"

#include <QImage>

// The reflection renderer. Pure functions over QImage values: no widgets, no
// files, no globals, so they run on any thread.
//
// Integer rule used throughout: a percentage p of a count x is x * p / 100,
// multiplying first and truncating toward zero. The fades follow the same rule.

// x * p / 100, multiply first, truncate toward zero.
int percentOf(int x, int p);

// A picture of the given size and format whose pixels are not yet written,
// or a null picture when it cannot be had. Large pictures ask the system for
// huge pages: every first touch of a fresh 4 KiB page is a page fault, and on
// a photo-sized buffer the faults cost more than the pixel work.
QImage allocatePicture(int width, int height, QImage::Format format);

// Renders `source` with its reflection on the side `settings.direction`
// names and stores the result in `destination`. The source is expected in
// QImage::Format_ARGB32 (other formats are converted first) and is never
// changed. The result is null for a null source, when the trim leaves no
// row, or when the output picture cannot be allocated.
void ComposeReflection(const QImage &source, QImage &destination, const ReflectionSettings &settings);

// The size of the picture ComposeReflection makes from a photo of size
// `photo`: empty when the trim leaves no row (or column) of it.
QSize ReflectionSize(const QSize &photo, const ReflectionSettings &settings);

// A negative `ge` trims `tempImg` to its top height * (ge + 100) / 100 rows
// (those away from the reflecting edge); otherwise it is left alone.
void ProcessWithInterval(int ge, QImage &tempImg);

// The picture plus its reflection at the bottom edge: `rate` percent of the
// rows mirrored below a gap of max(ge, 0) percent, the farthest
// (100 - start) percent of the reflection fading into `bgcolor`, or into
// transparency when `transparent` is set. Trimming is not done here; see
// ProcessWithInterval.
void BottomReflection(const QImage &srcImage, QImage &dstImage, _RGB bgcolor, int rate, int start, int ge,
                      bool transparent);

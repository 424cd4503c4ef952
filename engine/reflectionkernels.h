#pragma once

// The renderer's fast paths, each in a file of its own that names the part
// of the rule it must equal (inside the engine; not installed). The tests
// hold each to renderReference().

#include "reflectionrule.h"

#include <QtGlobal>

#include <memory>
#include <vector>

// The opacity alone on 8-bit pixels, four at a time (kernel_opacity.cpp).
// With `reversed`, s[x] goes to d[n - 1 - x]. Returns how many pixels of
// `s`, from the start, it did; the caller does the rest.
int opacityRun(const quint32 *s, quint32 *d, int n, const Plan &p, bool reversed);

// Copies `h` rows of `w` pixels at `from` turned about the diagonal to `to`
// (row k of `to` takes column k of `from`), for quint32 and quint64 pixels
// (kernel_turn.cpp).
template <typename Pixel>
void transpose(const uchar *from, qsizetype fromStride, uchar *to, qsizetype toStride, int w, int h);

// The blurred reflection lines (kernel_blur.cpp).
template <typename Pixel>
class BlurredLines
{
public:
    virtual ~BlurredLines() = default;
    // Blurred line j, `across` pixels; asked for in order, from 0. Valid
    // until the next call.
    virtual const Pixel *line(int j) = 0;
};

// The blur of `lines` (line j is reflection line j, unblurred, `across`
// pixels long) at strength `blur`; `weighted` in transparent mode.
template <typename Pixel>
std::unique_ptr<BlurredLines<Pixel>> blurLines(std::vector<const Pixel *> lines, int across, int blur,
                                               bool weighted);

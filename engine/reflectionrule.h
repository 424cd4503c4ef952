#pragma once

// The rule the renderer follows, kept apart from the fast paths that render
// it (inside the engine; not installed). reflection.h tells the rule in
// words; renderReference() is the same rule in plain code.

#include "reflectionsettings.h"

#include <QImage>

#include <array>

// Line counts along the reflecting axis of a photo whose extent there is
// `full`: lines kept after the trim, reflection lines, gap lines and the
// reflection lines that fade (the ones farthest from the picture).
struct ReflectionCounts
{
    int kept, reflected, gap, faded;
};
ReflectionCounts reflectionCounts(int full, const ReflectionSettings &settings);

// Top, bottom and left as they are; anything else is right.
int normalisedDirection(int direction);
bool isVertical(int direction);

// What one rendering needs once the side and the trim are known. All
// counts are along the reflecting axis.
struct Plan
{
    bool vertical;  // reflection above or below (rows), else left or right (columns)
    bool nearStart; // reflection before the picture: top or left
    int kept;       // lines of the picture kept after trimming
    int reflected;  // reflection lines
    int gap;        // gap lines
    int faded;      // reflection lines that fade, the ones farthest from the picture
    _RGB colour;
    bool transparent;
    int opacity;
    int blur;
    // Each 8-bit colour channel value after the opacity's move towards the
    // colour, by channel: red, green, blue. Filled by the renderer.
    std::array<std::array<uchar, 256>, 3> moved;
};
// The plan for a photo of `size`; opacity and blur out of range are clamped.
Plan makePlan(const QSize &size, const ReflectionSettings &settings);

// The rule itself, one pixel at a time: what ComposeReflection must give,
// bit for bit, for every side, mode and depth. Slow on purpose, and kept
// callable so that the tests hold every fast path to it.
QImage renderReference(const QImage &source, const ReflectionSettings &settings);

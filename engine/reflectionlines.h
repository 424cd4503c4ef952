#pragma once

#include "reflectionfades.h"
#include "reflectionsettings.h"

#include <QSize>

// The lines of a top or bottom reflection without blur, one at a time, for
// the streamed road, which holds the mirrored lines itself and hands the
// result on a band at a time: the very pixels ComposeReflection writes
// there, for 8-bit pixels (Format_ARGB32). Without blur, a reflection line
// depends on the photo line it mirrors alone.
class ReflectionLines
{
public:
    ReflectionLines(const QSize &photo, const ReflectionSettings &settings);
    // Reflection line j (0 next to the picture) made from `mirrored`, the
    // photo line it mirrors, into `out`; `width` pixels each.
    void render(int j, const quint32 *mirrored, quint32 *out, int width) const;

private:
    Plan plan;
    ColourFade colourUnfaded;
    AlphaFade alphaUnfaded;
};

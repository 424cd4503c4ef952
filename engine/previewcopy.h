#pragma once

#include <QImage>
#include <QSize>

// A smaller copy of `photo` for the live preview while a slider is dragged:
// scaled to fit inside `bound` with its proportions kept, every pixel of it
// an average of the photo's pixels under it, in the photo's own format. The
// photo itself (shared, not copied) when it already fits or `bound` is empty.
//
// The renderer's rules are fractions of the extent (the reflection's size,
// the gap) and of the reflection's lines (the blur radius), so the copy's
// rendering looks like the photo's, only smaller.
QImage previewCopy(const QImage &photo, const QSize &bound);

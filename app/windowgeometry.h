#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Geometry of the self-drawn window. The form leaves a band of this many
// pixels empty on every side of the main window, and the window mask cuts it
// away, so what the user sees is the window shrunk by the band.
constexpr int maskBand = 11;

// The visible (masked) part of a window of size `window`, in its own
// coordinates.
QRect maskRect(const QSize &window);

// Top-left corner that centres a window of size `window` on `desktop`
// (the whole virtual desktop). Signed division, truncating toward zero, so
// a desktop smaller than the window gives a negative offset: 800 - 827
// gives -13, not -14.
QPoint centredTopLeft(const QRect &desktop, const QSize &window);

// The window geometry whose visible part exactly covers `available`.
QRect maximisedGeometry(const QRect &available);

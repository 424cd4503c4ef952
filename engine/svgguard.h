#pragma once

#include <QByteArray>
#include <QString>

// Qt's SVG reader loads an <image> from wherever its address points: the
// SVG itself again (until the stack runs out), a named pipe (forever), or
// any local file (whose pixels then leak into the output of someone else's
// SVG). A document is therefore rewritten before Qt sees it.

// `svg` with every <image> removed that would load anything but inline
// data of a raster picture no larger than `maxInlineBytes` decoded. Empty,
// with the reason in `why`, when the document is not well-formed XML.
QByteArray svgWithoutExternalImages(const QByteArray &svg, qint64 maxInlineBytes, QString *why);

#pragma once

#include <QImage>
#include <QString>

// Qt 6.4's PNG reader mishandles the transparent colour key (the tRNS chunk)
// of grey and RGB PNGs with 16 bits per channel: the key's pixels come out
// opaque, and RGB ones come out with their samples shifted. Given the file
// and the picture Qt read from it, returns such a PNG decoded by libpng, in
// Format_RGBA64 with the key's pixels transparent; any other picture comes
// back as it was.
QImage withPngColourKey(const QString &path, QImage image);

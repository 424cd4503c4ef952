#pragma once

#include "photoio.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QString>

// AVIF through libavif, since Qt's image plug-ins have no AVIF: aom encodes,
// dav1d decodes.

// The quality an AVIF is written with when none is asked for: about what a
// JPEG of quality 85 to 90 shows, in roughly half its size.
constexpr int DefaultAvifQuality = 70;

// True when `head`, the first bytes of a file (32 are plenty), starts an
// AVIF file, whatever the file is called.
bool isAvif(const QByteArray &head);

// Reads the AVIF at `path`. Its size, from the header, goes to `admit`
// before any pixels are decoded. An 8-bit AVIF gives Format_RGB32 (with an
// alpha plane Format_ARGB32), a 10- or 12-bit one Format_RGBX64 (RGBA64),
// turned and mirrored as the file says, with its colour profile as the
// colour space. A null picture, with the reason in `why`, on failure.
QImage readAvif(QIODevice &device, const PhotoAdmission &admit, QString *why);

// `image` as a complete AVIF file; empty, with the reason in `why`, when it
// cannot be encoded. Pictures of up to 8 bits a channel are written at 8
// bits, deeper ones at 10 (at 12 for quality 100); an alpha plane only where
// some pixel is not opaque. `quality` 1..100, -1 for DefaultAvifQuality;
// 100 is lossless for 8-bit pictures. `exif` (a TIFF structure) and `icc`
// go in as they are, where given.
QByteArray encodeAvif(const QImage &image, int quality, const QByteArray &exif = QByteArray(),
                      const QByteArray &icc = QByteArray(), QString *why = nullptr);

#pragma once

#include <QByteArray>

// What QImageWriter::setQuality() means for each format Qt writes here.
//
//   format            quality means                          default (-1)
//   jpg, jpeg         JPEG quality: lossy                    75
//   webp              lossy below 100, lossless at 100       75 (lossy)
//   avif              lossy below 100, lossless at 100       DefaultAvifQuality (avifcodec.h)
//                     (8-bit pictures; deeper ones keep 12 bits)
//   png               zlib effort only, pixels never change  zlib level 6
//                     (level = (100 - quality) * 9 / 91)
//   tif, tiff, bmp, ico, cur, icns, ppm, pgm, pbm, xbm, xpm, wbmp: ignored

// True for the writers that trade detail for size, the ones a quality
// control is for.
inline bool writerIsLossy(const QByteArray &format)
{
    const QByteArray f = format.toLower();
    return f == "jpg" || f == "jpeg" || f == "webp" || f == "avif";
}

// Qt's default PNG effort takes many seconds on a photo-sized transparent
// rendering. This one (zlib level 1) saves it in about a fifth of the time
// into a file a few percent smaller (on grainy photos the faster levels also
// pack tighter); bench/bench_pngsave measures both side by side.
constexpr int FastPngQuality = 80;

// The quality to hand the writer for `format`: `requested` (1..100, or -1
// for Qt's default) where it chooses the loss, FastPngQuality for PNG, and
// -1 where the writer ignores it.
inline int writerQuality(const QByteArray &format, int requested)
{
    if (writerIsLossy(format))
        return requested;
    return format.toLower() == "png" ? FastPngQuality : -1;
}

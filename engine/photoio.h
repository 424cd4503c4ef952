#pragma once

#include <QImage>
#include <QString>

#include "photometadata.h"

#include <functional>

// Photo input and output shared by the window, the batch and the command
// line, so that all three read and write files the same way.

// Largest picture a reader may decode, in megabytes of decoded pixels. Qt's
// default of 128 MB stops at about 33 megapixels; this lets photos of a few
// hundred megapixels through while still refusing a file that claims
// absurd dimensions. A program that sets its own limit keeps it.
constexpr int PhotoAllocationLimitMB = 2048;

// Asked with a picture's size once its header is read, before anything is
// decoded: false refuses the picture, with the reason in `why`.
using PhotoAdmission = std::function<bool(const QSize &size, QString *why)>;

// The admission used when none is given: the picture is let through when
// converting it with the largest settings stays within DefaultMemoryLimitMB.
bool defaultPhotoAdmission(const QSize &size, QString *why);

// Reads the picture at `path` as the reader delivers it (its own pixel
// format), with the orientation the camera recorded applied. On failure
// returns a null image and, if `errorString` is given, the reason.
//
// Only regular files are read. A file shorter than its header says (BMP,
// TGA, PBM/PGM/PPM) is refused as cut short; where a reader may leave pixels
// unwritten the picture starts out zeroed, so no output ever holds memory
// the reader did not write. An AVIF, recognised by its content, is read
// with libavif (8-bit: RGB32/ARGB32, 10- and 12-bit: RGBX64/RGBA64). An
// SVG loads no image but inline data. Without `admit`, a picture is let
// through when converting it with the largest settings stays within
// DefaultMemoryLimitMB.
QImage readPhoto(const QString &path, QString *errorString = nullptr, const PhotoAdmission &admit = {});

// Asked with a picture's upright size (the orientation applied) once its
// header is read: the factor, 1, 2, 4 or 8, it may be decoded smaller by.
using PhotoReduction = std::function<int(const QSize &upright)>;

// readPhoto(), but a JPEG is decoded at 1/factor of its size in libjpeg's
// DCT, the factor `reduce` allows, halved until it divides both sides (so
// the decoder needs no further scaling step). `admit` is asked with the
// size actually decoded. Other formats are read whole.
QImage readPhoto(const QString &path, const PhotoReduction &reduce, QString *errorString,
                 const PhotoAdmission &admit = {});

// The same for a picture held in memory, such as one taken from the
// clipboard: the same readers, refusals and memory budget, without the
// checks that concern files.
QImage readPhotoData(const QByteArray &data, QString *errorString = nullptr,
                     const PhotoAdmission &admit = {});

// Writes `image` to `path` in the format its suffix names, replacing an
// existing file only once the new one is complete: a failed write leaves the
// old file as it was. Only a regular file (or a link to one, or a link to
// nothing yet) is replaced: a named pipe, a device or a folder is refused.
// Returns false with the reason in `errorString`.
//
// PNG is always written with a fast zlib effort (the pixels are the same);
// a lossy writer takes `quality` (1..100, -1 its own default; 100 makes
// WebP and AVIF lossless). AVIF is written with libavif. ICO is
// refused above 256 pixels on a side, since its writer would shrink the
// picture. The photo information in `metadata` is carried over where the
// format holds it, as `metadataPolicy` says.
struct WriteOptions
{
    int quality = -1;
    PhotoMetadata metadata;
    MetadataPolicy metadataPolicy = MetadataPolicy::Keep;
};
bool writePhoto(const QImage &image, const QString &path, QString *errorString = nullptr,
                const WriteOptions &options = WriteOptions());

// Why `path` cannot be written to at all (a folder, a named pipe or device,
// a missing folder), or empty when a write may be tried.
QString outputTargetRefusal(const QString &path);

// The picture to write for a rendering: in transparent mode the
// rendering itself, otherwise the rendering converted back to the pixel
// format the photo was delivered in where that format can hold it: a grey,
// one-bit or palette photo whose rendering has colour becomes RGB instead,
// so the chosen colour is not lost.
// Pass the rendering as an rvalue where it is no longer needed: Qt then
// converts in place.
QImage outputPicture(QImage rendering, QImage::Format sourceFormat, bool transparent);

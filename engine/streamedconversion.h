#pragma once

#include "batchrules.h"
#include "photoio.h"
#include "reflectionsettings.h"

#include <QSize>
#include <QString>

#include <functional>
#include <optional>

// The streamed road: a photo converted band by band, decoding, rendering
// and encoding on three threads at once, with only the rows the settings
// need in memory (the mirrored ones, the blur's reach), instead of the
// whole photo and its rendering. The file it writes has the very bytes the
// whole-picture road (readPhoto, ComposeReflection, writePhoto) writes.
//
// It covers JPEG, PNG and TIFF in, JPEG, PNG and TIFF out: colour (YCbCr
// or RGB) baseline JPEGs, 8-bit RGB or RGBA PNGs without interlacing or a
// transparent colour key, and 8-bit RGB TIFFs in strips with no alpha or
// an unspecified one, uncompressed or packed with LZW, Deflate or PackBits,
// stored upright (no EXIF turn), every side and setting. Everything else
// takes the whole-picture road.

// Asked with the bytes the conversion holds at its peak, once the photo's
// header is read: false refuses it, with the reason in `why`.
using StreamAdmission = std::function<bool(qint64 bytes, QString *why)>;

// Converts `input` into `output` as convertBatchPicture would, or returns
// nothing, before anything is read past the header or written, when the
// streamed road does not cover the case. Without `admit`, the conversion is
// let through when it stays within DefaultMemoryLimitMB.
//
// The environment variable GLASSMERE_WHOLE_PICTURE=1 turns the road off,
// for comparisons.
std::optional<BatchOutcome> convertStreamed(const QString &input, const QString &output,
                                            const ReflectionSettings &settings,
                                            const WriteOptions &options = WriteOptions(),
                                            const StreamAdmission &admit = {});

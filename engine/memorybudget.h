#pragma once

#include "reflectionsettings.h"

#include <QSize>
#include <QString>

#include <condition_variable>
#include <mutex>

// How much memory converting a photo may take, checked from the photo's
// header before anything is decoded, so that a file of a few bytes that
// claims 20000 x 20000 pixels is refused instead of taking gigabytes.

// The budget when none is given: a 100-megapixel photo with the largest
// settings needs 1.6 GB, which fits, with room for the program, on a machine
// with 8 GB.
constexpr qint64 DefaultMemoryLimitMB = 2048;

// Bytes a conversion of a `photo`-sized picture with `settings` holds at its
// peak: the working picture (4 bytes a pixel) plus the rendering, whose size
// the settings decide (up to three times the photo).
qint64 conversionBytes(const QSize &photo, const ReflectionSettings &settings);

// The same for the streamed road (engine/streamedconversion.h), which holds
// only the mirrored rows (or the rows the blur reaches) and the bands on
// their way between the decoder, the renderer and the encoder. The mirrored
// rows of an `opaque` photo are held in three bytes a pixel, not four, or
// in `keptBytes` when the photo's reader keeps them (BandReader::keepRows).
qint64 streamedConversionBytes(const QSize &photo, const ReflectionSettings &settings, bool opaque = true,
                               qint64 keptBytes = -1);

// "12.9 GB", "310 MB": a byte count the way a person reads it.
QString formatBytes(qint64 bytes);

// The refusal for a picture that needs more than the limit: "needs 12.9 GB,
// the limit is 4 GB".
QString memoryRefusal(qint64 needed, qint64 limit);

// One budget shared by everything converting at once: each conversion takes
// its share before decoding and gives it back when done; one that does not
// fit waits until others are done, and one larger than the whole budget is
// refused at once.
class MemoryBudget
{
public:
    explicit MemoryBudget(qint64 limitBytes) : total(limitBytes) {}

    qint64 limit() const { return total; }

    // Takes `bytes` if they are free now. False when they are not.
    bool tryTake(qint64 bytes);
    // Takes `bytes`, waiting for others to give theirs back. False at once
    // when `bytes` exceed the whole budget.
    bool take(qint64 bytes);
    void giveBack(qint64 bytes);

private:
    std::mutex mutex;
    std::condition_variable freed;
    const qint64 total;
    qint64 used = 0;
};

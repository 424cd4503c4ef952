#include "memorybudget.h"

#include "bandrenderer.h"
#include "reflection.h"

#include <algorithm>

qint64 conversionBytes(const QSize &photo, const ReflectionSettings &settings)
{
    if (photo.isEmpty())
        return 0;
    const QSize out = ReflectionSize(photo, settings);
    const qint64 rendering = out.isEmpty() ? 0 : qint64(out.width()) * out.height() * 4;
    return qint64(photo.width()) * photo.height() * 4 + rendering;
}

qint64 streamedConversionBytes(const QSize &photo, const ReflectionSettings &settings, bool opaque,
                               qint64 keptBytes)
{
    if (photo.isEmpty())
        return 0;
    // Two queues of three bands of 16 rows, a band in the hands of each of
    // the three threads and one being made; a row at most the result's
    // width. The codecs' own rows (a JPEG's few rows of planes and of
    // blocks) come to less than another two bands.
    constexpr qint64 BandsInFlight = 2 * 3 + 4 + 2;
    constexpr qint64 BandRows = 16;
    const QSize out = ReflectionSize(photo, settings);
    const qint64 row = qint64(std::max(photo.width(), out.width())) * 4;
    return BandRenderer::heldBytes(photo, settings, opaque, keptBytes) + BandsInFlight * BandRows * row;
}

QString formatBytes(qint64 bytes)
{
    constexpr double MB = 1024.0 * 1024.0;
    const double mb = double(bytes) / MB;
    if (mb < 1024.0)
        return QStringLiteral("%1 MB").arg(qMax<qint64>(1, qint64(mb + 0.5)));
    const double gb = mb / 1024.0;
    // One decimal, without a trailing ".0": "4 GB", "12.9 GB".
    return QStringLiteral("%1 GB").arg(QString::number(qRound(gb * 10.0) / 10.0, 'g', 6));
}

QString memoryRefusal(qint64 needed, qint64 limit)
{
    return QStringLiteral("needs %1, the limit is %2").arg(formatBytes(needed), formatBytes(limit));
}

bool MemoryBudget::tryTake(qint64 bytes)
{
    const std::lock_guard<std::mutex> lock(mutex);
    if (bytes > total - used)
        return false;
    used += bytes;
    return true;
}

bool MemoryBudget::take(qint64 bytes)
{
    if (bytes > total)
        return false;
    std::unique_lock<std::mutex> lock(mutex);
    freed.wait(lock, [&] { return bytes <= total - used; });
    used += bytes;
    return true;
}

void MemoryBudget::giveBack(qint64 bytes)
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        used -= bytes;
    }
    freed.notify_all();
}

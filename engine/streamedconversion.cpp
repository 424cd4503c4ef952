#include "streamedconversion.h"

#include "bandpool.h"
#include "bandqueue.h"
#include "bandrenderer.h"
#include "jpegbands.h"
#include "pngbands.h"
#include "tiffbands.h"
#include "memorybudget.h"
#include "reflection.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QSaveFile>

#include <mutex>
#include <utility>
#include <thread>

namespace {

// Bands waiting between two threads: enough that neither waits for the
// other's every band, few enough to count for little memory.
constexpr int QueuedBands = 3;
constexpr int ReadRows = 16;

// The reader for the file's own kind, as Qt's readers tell it by content.
std::unique_ptr<BandReader> readerFor(const QString &path)
{
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(8) : QByteArray();
    if (head.startsWith(QByteArray("\xff\xd8\xff", 3)))
        return std::make_unique<JpegBandReader>();
    if (head == QByteArray("\x89PNG\r\n\x1a\n", 8))
        return std::make_unique<PngBandReader>();
    if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4)))
        return std::make_unique<TiffBandReader>();
    return nullptr;
}

// The writer for the output's suffix, and the longest side it takes.
std::unique_ptr<BandWriter> writerFor(const QString &path, int *maxSide)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        *maxSide = 65500;
        return std::make_unique<JpegBandWriter>();
    }
    if (suffix == QLatin1String("png")) {
        *maxSide = 1000000;
        return std::make_unique<PngBandWriter>();
    }
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff")) {
        // A classic TIFF ends within 4 GB; libtiff refuses more on its own.
        *maxSide = 1000000;
        return std::make_unique<TiffBandWriter>();
    }
    return nullptr;
}

// Qt turns a photo by its EXIF orientation on reading; such photos take the
// whole-picture road.
bool storedUpright(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.transformation() == QImageIOHandler::TransformationNone;
}

// The first failure of any of the three threads, which stops the others.
class Failure
{
public:
    void set(BatchOutcome::Step step, const QString &why)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (outcome.ok())
            outcome = {step, why};
    }
    BatchOutcome get()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return outcome;
    }

private:
    std::mutex mutex;
    BatchOutcome outcome;
};

} // namespace

std::optional<BatchOutcome> convertStreamed(const QString &input, const QString &output,
                                            const ReflectionSettings &settings, const WriteOptions &options,
                                            const StreamAdmission &admit)
{
    if (qEnvironmentVariableIntValue("GLASSMERE_WHOLE_PICTURE") != 0)
        return std::nullopt;
    const QFileInfo info(input);
    if (!info.isFile() || info.size() == 0)
        return std::nullopt;
    int maxSide = 0;
    std::unique_ptr<BandWriter> writer = writerFor(output, &maxSide);
    std::unique_ptr<BandReader> reader = readerFor(input);
    if (!writer || !reader || (settings.transparent && dynamic_cast<JpegBandWriter *>(writer.get())) ||
        !storedUpright(input))
        return std::nullopt;
    QString why;
    if (!reader->open(input, &why) || !reader->isCovered())
        return std::nullopt; // the whole-picture road gives the reason
    const QSize size = reader->size();
    const bool alpha = reader->hasAlpha();
    BandRenderer renderer(size, QImage::Format_ARGB32, settings, !alpha);
    BandPool pool;
    renderer.setPool(&pool);
    const QSize result = renderer.resultSize();
    if (result.isEmpty() || std::max(result.width(), result.height()) > maxSide)
        return std::nullopt;

    const bool addMetadata =
        !options.metadata.isEmpty() && options.metadataPolicy != MetadataPolicy::StripAll;
    // With photo information the file is encoded into memory first, as
    // writePhoto does, and the information is written into it there. A JPEG
    // takes well under a byte a pixel; a PNG may take up to its raw size,
    // a TIFF takes it.
    const qint64 encodedPerPixel = dynamic_cast<JpegBandWriter *>(writer.get()) ? 1 : 4;
    // The rows mirrored are kept by the reader where it has a form of them
    // smaller than pixels.
    const std::optional<BandRenderer::Pass> kept = renderer.keptRows();
    const qint64 keptBytes = kept ? reader->keptBytes(kept->first, kept->count) : -1;
    const qint64 needed = streamedConversionBytes(size, settings, !alpha, keptBytes) + reader->heldBytes() +
                          writer->heldBytes(result, alpha || settings.transparent) +
                          (addMetadata ? encodedPerPixel * result.width() * result.height() : 0);
    if (admit) {
        if (!admit(needed, &why))
            return BatchOutcome{BatchOutcome::ReadFailed, why};
    } else if (needed > DefaultMemoryLimitMB << 20) {
        return BatchOutcome{BatchOutcome::ReadFailed, memoryRefusal(needed, DefaultMemoryLimitMB << 20)};
    }
    if (keptBytes >= 0) {
        // Admitted for the reader's form: the pixels would hold more.
        std::shared_ptr<HeldRows> rows = reader->keepRows(kept->first, kept->count, &why);
        if (!rows)
            return BatchOutcome{BatchOutcome::ReadFailed, why};
        renderer.setHeldRows(std::move(rows));
    }

    const QString refusal = outputTargetRefusal(output);
    if (!refusal.isEmpty())
        return BatchOutcome{BatchOutcome::WriteFailed, refusal};
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        return BatchOutcome{BatchOutcome::WriteFailed, file.errorString()};
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QIODevice *device = addMetadata ? static_cast<QIODevice *>(&encoded) : &file;

    Failure failure;
    BandQueue decoded(QueuedBands);
    BandQueue rendered(QueuedBands);
    const auto stopAll = [&] {
        decoded.stop();
        rendered.stop();
    };
    const QList<BandRenderer::Pass> passes = renderer.passes();

    // Each pass reads the photo from its start; a null band ends a pass.
    std::thread decoder([&] {
        QString reason;
        for (int p = 0; p < passes.size(); ++p) {
            if (p > 0) {
                reader = readerFor(input);
                if (!reader) {
                    reason = QStringLiteral("the file changed while it was read");
                    break;
                }
                if (!reader->open(input, &reason))
                    break;
            }
            if (!reader->skip(passes[p].first, &reason))
                break;
            for (int y = 0; y < passes[p].count; y += ReadRows) {
                QImage band =
                    pool.take(size.width(), std::min(ReadRows, passes[p].count - y), QImage::Format_ARGB32);
                if (band.isNull()) {
                    reason = QStringLiteral("not enough memory for a band of the photo");
                    break;
                }
                if (!reader->read(band, &reason))
                    break;
                if (!decoded.put(std::move(band)))
                    return;
            }
            if (!reason.isEmpty() || !decoded.put(QImage()))
                break;
        }
        if (reason.isEmpty())
            reader->finish(&reason);
        reader.reset();
        if (!reason.isEmpty()) {
            failure.set(BatchOutcome::ReadFailed, reason);
            stopAll();
        }
        decoded.finish();
    });

    std::thread encoder([&] {
        QString reason;
        bool ok = writer->start(device, result, alpha || settings.transparent, options.quality, &reason);
        int rows = 0;
        for (QImage band; ok && rows < result.height() && rendered.take(band);) {
            ok = writer->write(band, &reason);
            rows += band.height();
            pool.give(std::exchange(band, QImage()));
        }
        if (ok && rows != result.height()) {
            ok = false;
            reason = QStringLiteral("the rendering ended early");
        }
        if (ok)
            ok = writer->finish(&reason);
        if (!ok) {
            failure.set(BatchOutcome::WriteFailed, reason);
            stopAll();
        }
        // Gone, with any thread of its own, before the file is committed
        // or given up.
        writer.reset();
    });

    const BandRenderer::Sink sink = [&](QImage band) { return rendered.put(std::move(band)); };
    bool ok = true;
    for (QImage band; ok && decoded.take(band);) {
        ok = band.isNull() ? renderer.endPass(sink) : renderer.take(band, sink);
        pool.give(std::exchange(band, QImage()));
    }
    if (!ok) {
        failure.set(BatchOutcome::RenderFailed,
                    QStringLiteral("the picture is too large to render in the memory there is"));
        stopAll();
    }
    rendered.finish();
    decoder.join();
    encoder.join();

    BatchOutcome outcome = failure.get();
    if (outcome.ok() && addMetadata) {
        const QByteArray bytes = options.metadata.applyTo(encoded.data(), options.metadataPolicy);
        encoded.close();
        if (file.write(bytes) != bytes.size())
            outcome = {BatchOutcome::WriteFailed, file.errorString()};
    }
    // A full disk may show only when the last bytes go out.
    if (outcome.ok() && (!file.flush() || file.error() != QFileDevice::NoError))
        outcome = {BatchOutcome::WriteFailed, file.errorString()};
    if (!outcome.ok()) {
        file.cancelWriting();
        return outcome;
    }
    if (!file.commit())
        return BatchOutcome{BatchOutcome::WriteFailed, file.errorString()};
    return outcome;
}

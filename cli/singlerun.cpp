#include "singlerun.h"

#include "diagnostics.h"
#include "exitcode.h"
#include "memorybudget.h"
#include "pictureformats.h"
#include "reflection.h"
#include "streamedconversion.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace {

int fail(int code, const QString &message)
{
    reportLine(message);
    return code;
}

// The line for a failed streamed conversion, worded as the whole-picture
// road words its failures.
QString streamedFailure(const BatchOutcome &outcome, const QString &input, const QString &output)
{
    switch (outcome.step) {
    case BatchOutcome::ReadFailed:
        return QStringLiteral("cannot read \"%1\": %2").arg(input, outcome.why);
    case BatchOutcome::RenderFailed:
        return QStringLiteral("the result of \"%1\" is empty: %2").arg(input, outcome.why);
    default:
        return QStringLiteral("cannot write \"%1\": %2").arg(output, outcome.why);
    }
}

} // namespace

int runSingle(SingleRequest request)
{
    const QString &input = request.input;
    QString &output = request.output;
    const ReflectionSettings &settings = request.settings;
    const qint64 memoryLimit = request.memoryLimit;
    const OutputSizes &sizes = request.sizes;
    WriteOptions &writeOptions = request.writeOptions;
    // A single photo is named by -o, or by --suffix and --format beside
    // itself; not by both.
    if (request.renames && !output.isEmpty())
        return fail(
            UsageError,
            QStringLiteral("--suffix and --format name outputs beside the photo or in a folder (-o FOLDER/); "
                           "with -o FILE the name is FILE"));
    if (output.isEmpty())
        output = batchOutputPath(QFileInfo(input).path(), input, request.naming);
    const QList<SizedOutput> outputs = sizedOutputs(output, sizes);
    // A format without alpha would write a black gap and no fade.
    const PictureFormat *target = formatForSuffix(QFileInfo(output).suffix());
    if (settings.transparent && target && !target->keepsAlpha)
        return fail(UsageError, QStringLiteral("--transparent needs a format that keeps transparency (%1), "
                                               "not \"%2\"")
                                    .arg(alphaExportSuffixes().join(QStringLiteral(", ")), output));
    for (const SizedOutput &out : outputs)
        if (isSameFile(input, out.path))
            return fail(UsageError,
                        QStringLiteral("the output \"%1\" is the input photo; it is never written over")
                            .arg(out.path));

    // A damaged information block costs the information, not the picture;
    // it is reported once the picture itself has been read.
    QString damage;
    if (writeOptions.metadataPolicy != MetadataPolicy::StripAll)
        writeOptions.metadata = PhotoMetadata::read(input, &damage);
    const auto reportDamage = [&] {
        if (!damage.isEmpty())
            reportLine(QStringLiteral("warning: the photo information of \"%1\" is not kept: %2")
                           .arg(input, damage));
    };
    // The streamed road writes the full size only.
    const std::optional<BatchOutcome> streamed =
        !sizes.isNull()
            ? std::nullopt
            : convertStreamed(input, output, settings, writeOptions, [&](qint64 needed, QString *refusal) {
                  if (needed <= memoryLimit)
                      return true;
                  *refusal = memoryRefusal(needed, memoryLimit);
                  return false;
              });
    if (streamed) {
        if (streamed->step != BatchOutcome::ReadFailed)
            reportDamage();
        return streamed->ok() ? Ok : fail(FileError, streamedFailure(*streamed, input, output));
    }

    QString why;
    QSize finishedSize;
    QImage photo = readSizedPhoto(input, settings, outputs, &finishedSize, &why,
                                  [&](const QSize &size, QString *refusal) {
                                      const qint64 needed = conversionBytes(size, settings);
                                      if (needed <= memoryLimit)
                                          return true;
                                      *refusal = memoryRefusal(needed, memoryLimit);
                                      return false;
                                  });
    if (photo.isNull())
        return fail(FileError, QStringLiteral("cannot read \"%1\": %2").arg(input, why));
    const QImage::Format sourceFormat = photo.format();
    reportDamage();

    // Converting the moved-from pictures lets Qt convert in place, which
    // saves allocating (and faulting in) a second photo-sized buffer.
    QImage rendering;
    ComposeReflection(std::move(photo).convertToFormat(renderingFormat(sourceFormat)), rendering, settings);
    if (rendering.isNull())
        return fail(FileError,
                    QStringLiteral("the result of \"%1\" is empty: the trim leaves no row of the photo, "
                                   "or the picture is too large to render")
                        .arg(input));

    QString failed;
    if (!writeRendering(std::move(rendering), sourceFormat, settings.transparent, outputs, writeOptions, &why,
                        &failed, finishedSize))
        return fail(FileError, QStringLiteral("cannot write \"%1\": %2").arg(failed, why));
    return Ok;
}

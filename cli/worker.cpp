#include "worker.h"

#include "memorybudget.h"
#include "photoio.h"
#include "reflection.h"
#include "streamedconversion.h"
#include "workerprotocol.h"

#include <QByteArray>
#include <QImage>

#include <cstdio>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The protocol's own copy of standard output: a library that prints must
// not put words into the pool's mouth.
FILE *protocolOut()
{
#ifdef Q_OS_UNIX
    const int saved = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0 && ::dup2(null, STDOUT_FILENO) >= 0) {
        ::close(null);
        if (FILE *stream = ::fdopen(saved, "w"))
            return stream;
    }
#endif
    return stdout;
}

bool readLine(QByteArray &line)
{
    line.clear();
    for (int c; (c = std::getchar()) != EOF;) {
        if (c == '\n')
            return true;
        line.append(char(c));
    }
    return false;
}

void send(FILE *out, const WorkerMessage &message)
{
    const QByteArray line = message.format();
    std::fwrite(line.constData(), 1, size_t(line.size()), out);
    std::fputc('\n', out);
    std::fflush(out);
}

// A failed picture as a "fail" message: the line the command line's batch
// reports, the step and the reason alone.
WorkerMessage failure(WorkerStep step, const QString &why, const QString &input, const QString &output)
{
    switch (step) {
    case WorkerStep::Read:
        return WorkerMessage::fail(QStringLiteral("cannot read \"%1\": %2").arg(input, why), step, why);
    case WorkerStep::Render:
        return WorkerMessage::fail(QStringLiteral("the result of \"%1\" is empty: %2").arg(input, why), step,
                                   why);
    default:
        return WorkerMessage::fail(
            QStringLiteral("cannot write \"%1\" (from \"%2\"): %3").arg(output, input, why), step, why);
    }
}

std::optional<WorkerMessage> convert(const QString &input, const QString &output,
                                     const ReflectionSettings &settings, qint64 memoryLimit,
                                     WriteOptions writeOptions, const OutputSizes &sizes, FILE *out)
{
    const auto admitBytes = [&](qint64 needed, QString *why) {
        if (needed > memoryLimit) {
            *why = memoryRefusal(needed, memoryLimit);
            return false;
        }
        send(out, WorkerMessage::need(needed));
        QByteArray answer;
        if (readLine(answer) && WorkerMessage::parse(answer).kind == WorkerMessage::Go)
            return true;
        *why = QStringLiteral("the run was stopped");
        return false;
    };
    const auto admit = [&](const QSize &size, QString *why) {
        return admitBytes(conversionBytes(size, settings), why);
    };
    // A damaged information block costs the information, not the picture.
    if (writeOptions.metadataPolicy != MetadataPolicy::StripAll)
        writeOptions.metadata = PhotoMetadata::read(input);
    // The streamed road writes the full size only.
    if (const std::optional<BatchOutcome> streamed =
            sizes.isNull() ? convertStreamed(input, output, settings, writeOptions, admitBytes)
                           : std::nullopt) {
        switch (streamed->step) {
        case BatchOutcome::Done:
            return std::nullopt;
        case BatchOutcome::ReadFailed:
            return failure(WorkerStep::Read, streamed->why, input, output);
        case BatchOutcome::RenderFailed:
            return failure(WorkerStep::Render, streamed->why, input, output);
        case BatchOutcome::WriteFailed:
            return failure(WorkerStep::Write, streamed->why, input, output);
        }
    }

    QString why;
    const QList<SizedOutput> outputs = sizedOutputs(output, sizes);
    QSize finishedSize;
    QImage photo = readSizedPhoto(input, settings, outputs, &finishedSize, &why, admit);
    if (photo.isNull())
        return failure(WorkerStep::Read, why, input, output);
    const QImage::Format sourceFormat = photo.format();
    QImage rendering;
    ComposeReflection(std::move(photo).convertToFormat(renderingFormat(sourceFormat)), rendering, settings);
    if (rendering.isNull())
        return failure(
            WorkerStep::Render,
            QStringLiteral("the trim leaves no row of the photo, or the picture is too large to render"),
            input, output);
    QString failed;
    if (!writeRendering(std::move(rendering), sourceFormat, settings.transparent, outputs, writeOptions, &why,
                        &failed, finishedSize))
        return failure(WorkerStep::Write, why, input, failed);
    return std::nullopt;
}

} // namespace

int runWorker(const ReflectionSettings &settings, qint64 memoryLimit, const WriteOptions &writeOptions,
              const OutputSizes &sizes)
{
    FILE *out = protocolOut();
    for (QByteArray line; readLine(line);) {
        const WorkerMessage request = WorkerMessage::parse(line);
        if (request.kind != WorkerMessage::Convert)
            continue;
        const std::optional<WorkerMessage> failure =
            convert(request.input, request.output, settings, memoryLimit, writeOptions, sizes, out);
        send(out, failure ? *failure : WorkerMessage::plain(WorkerMessage::Ok));
    }
    return 0;
}

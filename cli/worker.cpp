#include "worker.h"

#include "memorybudget.h"
#include "photoio.h"
#include "reflection.h"
#include "streamedconversion.h"
#include "workerpool.h"

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

void send(FILE *out, const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), out);
    std::fputc('\n', out);
    std::fflush(out);
}

// What went wrong with one picture: the step ("read", "render" or "write"),
// the reason alone, and the line the command line's batch reports.
struct Failure
{
    QByteArray step;
    QString why;
    QString line;
};

// The failure of a streamed conversion, as the whole-picture road reports it.
std::optional<Failure> streamedFailure(const BatchOutcome &outcome, const QString &input,
                                       const QString &output)
{
    switch (outcome.step) {
    case BatchOutcome::Done:
        return std::nullopt;
    case BatchOutcome::ReadFailed:
        return Failure{"read", outcome.why, QStringLiteral("cannot read \"%1\": %2").arg(input, outcome.why)};
    case BatchOutcome::RenderFailed:
        return Failure{"render", outcome.why,
                       QStringLiteral("the result of \"%1\" is empty: %2").arg(input, outcome.why)};
    case BatchOutcome::WriteFailed:
        break;
    }
    return Failure{"write", outcome.why,
                   QStringLiteral("cannot write \"%1\" (from \"%2\"): %3").arg(output, input, outcome.why)};
}

std::optional<Failure> convert(const QString &input, const QString &output,
                               const ReflectionSettings &settings, qint64 memoryLimit,
                               WriteOptions writeOptions, FILE *out)
{
    const auto admitBytes = [&](qint64 needed, QString *why) {
        if (needed > memoryLimit) {
            *why = memoryRefusal(needed, memoryLimit);
            return false;
        }
        send(out, "need " + QByteArray::number(needed));
        QByteArray answer;
        if (readLine(answer) && answer == "go")
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
    const std::optional<BatchOutcome> streamed =
        convertStreamed(input, output, settings, writeOptions, admitBytes);
    if (streamed)
        return streamedFailure(*streamed, input, output);

    QString why;
    QImage photo = readPhoto(input, &why, admit);
    if (photo.isNull())
        return Failure{"read", why, QStringLiteral("cannot read \"%1\": %2").arg(input, why)};
    const QImage::Format sourceFormat = photo.format();
    QImage rendering;
    ComposeReflection(std::move(photo).convertToFormat(renderingFormat(sourceFormat)), rendering, settings);
    if (rendering.isNull()) {
        why = QStringLiteral("the trim leaves no row of the photo, or the picture is too large to render");
        return Failure{"render", why, QStringLiteral("the result of \"%1\" is empty: %2").arg(input, why)};
    }
    if (!writePhoto(outputPicture(std::move(rendering), sourceFormat, settings.transparent), output, &why,
                    writeOptions))
        return Failure{"write", why,
                       QStringLiteral("cannot write \"%1\" (from \"%2\"): %3").arg(output, input, why)};
    return std::nullopt;
}

} // namespace

int runWorker(const ReflectionSettings &settings, qint64 memoryLimit, const WriteOptions &writeOptions)
{
    FILE *out = protocolOut();
    for (QByteArray line; readLine(line);) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 3 || fields[0] != "convert")
            continue;
        const std::optional<Failure> failure =
            convert(WorkerPool::decode(fields[1]), WorkerPool::decode(fields[2]), settings, memoryLimit,
                    writeOptions, out);
        send(out, !failure ? QByteArray("ok")
                           : "fail " + WorkerPool::encode(failure->line) + ' ' + failure->step + ' ' +
                                 WorkerPool::encode(failure->why));
    }
    return 0;
}

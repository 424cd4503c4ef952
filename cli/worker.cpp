#include "worker.h"

#include "memorybudget.h"
#include "photoio.h"
#include "reflection.h"
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

std::optional<Failure> convert(const QString &input, const QString &output,
                               const ReflectionSettings &settings, qint64 memoryLimit,
                               WriteOptions writeOptions, const OutputSizes &sizes, FILE *out)
{
    const auto admit = [&](const QSize &size, QString *why) {
        const qint64 needed = conversionBytes(size, settings);
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
    QString why;
    QImage photo = readPhoto(input, &why, admit);
    if (photo.isNull())
        return Failure{"read", why, QStringLiteral("cannot read \"%1\": %2").arg(input, why)};
    const QImage::Format sourceFormat = photo.format();
    // A damaged information block costs the information, not the picture.
    if (writeOptions.metadataPolicy != MetadataPolicy::StripAll)
        writeOptions.metadata = PhotoMetadata::read(input);
    QImage rendering;
    ComposeReflection(std::move(photo).convertToFormat(renderingFormat(sourceFormat)), rendering, settings);
    if (rendering.isNull()) {
        why = QStringLiteral("the trim leaves no row of the photo, or the picture is too large to render");
        return Failure{"render", why, QStringLiteral("the result of \"%1\" is empty: %2").arg(input, why)};
    }
    QString failed;
    if (!writeRendering(std::move(rendering), sourceFormat, settings.transparent, sizedOutputs(output, sizes),
                        writeOptions, &why, &failed))
        return Failure{"write", why,
                       QStringLiteral("cannot write \"%1\" (from \"%2\"): %3").arg(failed, input, why)};
    return std::nullopt;
}

} // namespace

int runWorker(const ReflectionSettings &settings, qint64 memoryLimit, const WriteOptions &writeOptions,
              const OutputSizes &sizes)
{
    FILE *out = protocolOut();
    for (QByteArray line; readLine(line);) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 3 || fields[0] != "convert")
            continue;
        const std::optional<Failure> failure =
            convert(WorkerPool::decode(fields[1]), WorkerPool::decode(fields[2]), settings, memoryLimit,
                    writeOptions, sizes, out);
        send(out, !failure ? QByteArray("ok")
                           : "fail " + WorkerPool::encode(failure->line) + ' ' + failure->step + ' ' +
                                 WorkerPool::encode(failure->why));
    }
    return 0;
}

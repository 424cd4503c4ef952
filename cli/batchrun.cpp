#include "batchrun.h"

#include "batchrules.h"
#include "photoio.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool standardErrorIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// The same codes as the single-photo mode.
enum ExitCode
{
    Ok = 0,
    FileError = 1,
    UsageError = 2
};

int refuse(const QString &message)
{
    std::fprintf(stderr, "glassmere-reflect: %s\n", qPrintable(message));
    return UsageError;
}

// Every source picture that ends up under one output name, in list order.
// One worker converts them all, so the last one wins as it does in the
// window's sequential run (a.png, then a.jpg, both a.PNG in transparent
// mode), however many workers there are.
struct OutputGroup
{
    QString output;
    QStringList inputs;
};

// Standard error, shared by the workers: one line per failed picture and,
// on a terminal, a progress line rewritten in place.
class Reporter
{
public:
    explicit Reporter(int total) : total(total), terminal(standardErrorIsTerminal()) {}

    void failure(const QString &message)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        clearProgress();
        std::fprintf(stderr, "glassmere-reflect: %s\n", qPrintable(message));
        std::fflush(stderr);
    }

    void finished(int done)
    {
        if (!terminal)
            return;
        const std::lock_guard<std::mutex> lock(mutex);
        // Workers finish out of order; never step back.
        if (done <= shown)
            return;
        shown = done;
        std::fprintf(stderr, "\r\033[Kglassmere-reflect: %d/%d pictures", done, total);
        std::fflush(stderr);
        progressOnScreen = true;
    }

    void end()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        clearProgress();
    }

private:
    void clearProgress()
    {
        if (!progressOnScreen)
            return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        progressOnScreen = false;
    }

    std::mutex mutex;
    const int total;
    const bool terminal;
    int shown = 0;
    bool progressOnScreen = false;
};

QString failureMessage(const BatchOutcome &outcome, const QString &input, const QString &output)
{
    switch (outcome.step) {
    case BatchOutcome::ReadFailed:
        return QStringLiteral("cannot read \"%1\": %2").arg(input, outcome.why);
    case BatchOutcome::RenderFailed:
        return QStringLiteral("the result of \"%1\" is empty: %2").arg(input, outcome.why);
    default:
        return QStringLiteral("cannot write \"%1\" (from \"%2\"): %3").arg(output, input, outcome.why);
    }
}

} // namespace

bool isBatchRequest(const QStringList &inputs, const QString &output)
{
    if (inputs.size() > 1 || output.endsWith(QLatin1Char('/')) || output.endsWith(QDir::separator()))
        return true;
    return !inputs.isEmpty() && QFileInfo(inputs.first()).isDir();
}

int runBatch(const BatchRequest &request)
{
    const QString target = request.target;
    if (!QFileInfo(target).isDir())
        return refuse(
            QStringLiteral("the output \"%1\" is not a folder: a batch writes into an existing folder")
                .arg(target));

    QStringList sources;
    for (const QString &input : request.inputs) {
        if (!QFileInfo(input).isDir()) {
            sources.append(input); // a named file is taken whatever its suffix
            continue;
        }
        if (isSameFolder(input, target))
            return refuse(
                QStringLiteral("the output folder \"%1\" is the source folder \"%2\"; source pictures "
                               "are never written over")
                    .arg(target, input));
        sources += listBatchPictures(input);
    }
    const bool transparent = request.settings.transparent;
    const SourceClash clash = findSourceClash(sources, target, transparent);
    if (!clash.isNull())
        return refuse(
            QStringLiteral("\"%1\" would replace the source picture \"%2\"; source pictures are never "
                           "written over")
                .arg(clash.output, clash.source));

    std::vector<OutputGroup> groups;
    QHash<QString, size_t> groupOf;
    for (const QString &source : sources) {
        const QString output = batchOutputPath(target, source, transparent);
        const auto found = groupOf.constFind(output);
        if (found != groupOf.constEnd()) {
            groups[found.value()].inputs.append(source);
            continue;
        }
        groupOf.insert(output, groups.size());
        groups.push_back({output, {source}});
    }

    // Qt keeps the decode limit in a plain int: set it once, before any
    // worker reads.
    QImageReader::setAllocationLimit(PhotoAllocationLimitMB);

    const int total = int(sources.size());
    Reporter reporter(total);
    std::atomic<size_t> nextGroup{0};
    std::atomic<int> done{0};
    std::atomic<int> failed{0};
    const auto work = [&] {
        QImage photo, rendering;
        for (size_t g; (g = nextGroup++) < groups.size();) {
            const OutputGroup &group = groups[g];
            for (const QString &input : group.inputs) {
                const BatchOutcome outcome =
                    convertBatchPicture(input, group.output, request.settings, photo, rendering);
                // One picture per worker in memory, between pictures none.
                photo = QImage();
                rendering = QImage();
                if (!outcome.ok()) {
                    ++failed;
                    reporter.failure(failureMessage(outcome, input, group.output));
                }
                reporter.finished(++done);
            }
        }
    };

    const size_t workers = std::min(size_t(std::max(request.jobs, 1)), groups.size());
    if (workers <= 1) {
        work();
    } else {
        std::vector<std::thread> threads;
        threads.reserve(workers);
        for (size_t i = 0; i < workers; ++i)
            threads.emplace_back(work);
        for (std::thread &t : threads)
            t.join();
    }
    reporter.end();

    const int failures = failed.load();
    const QString into = QDir::toNativeSeparators(target);
    if (failures == 0)
        std::printf("converted %d of %d pictures into \"%s\"\n", total, total, qPrintable(into));
    else
        std::printf("converted %d of %d pictures into \"%s\"; %d failed\n", total - failures, total,
                    qPrintable(into), failures);
    std::fflush(stdout);
    return failures == 0 ? Ok : FileError;
}

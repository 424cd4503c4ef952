#include "batchjob.h"

#include "photoio.h"

#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

// One run. The workers only read the lists and take groups through
// `nextGroup`; the fields after `threads` belong to the job's thread.
struct BatchJob::Run
{
    QStringList sources;
    QStringList outputs;                  // one per group
    std::vector<std::vector<int>> groups; // indices into sources, in list order
    ReflectionSettings settings;
    Converter convert;
    std::atomic<size_t> nextGroup{0};
    std::atomic<bool> cancelled{false};
    std::vector<std::thread> threads;

    int liveWorkers = 0;
    int done = 0;
    QString currentName;
    BatchSummary summary;
    QList<int> failedAt; // source index of each entry of summary.failures
};

BatchJob::BatchJob(QObject *parent)
    : QObject(parent), converter(&BatchJob::convertInOwnBuffers), workers(QThread::idealThreadCount())
{
    qRegisterMetaType<BatchSummary>();
}

BatchJob::~BatchJob()
{
    stop();
}

void BatchJob::setConverter(Converter c)
{
    converter = std::move(c);
}

void BatchJob::setWriteOptions(int quality, MetadataPolicy policy)
{
    converter = [quality, policy](const QString &source, const QString &output,
                                  const ReflectionSettings &settings) {
        WriteOptions options{quality, {}, policy};
        if (policy != MetadataPolicy::StripAll)
            options.metadata = PhotoMetadata::read(source);
        QImage photo, rendering;
        return convertBatchPicture(source, output, settings, photo, rendering, options);
    };
}

void BatchJob::setWorkers(int count)
{
    workers = std::max(count, 1);
}

bool BatchJob::isRunning() const
{
    return current != nullptr;
}

BatchOutcome BatchJob::convertInOwnBuffers(const QString &source, const QString &output,
                                           const ReflectionSettings &settings)
{
    QImage photo, rendering;
    return convertBatchPicture(source, output, settings, photo, rendering);
}

bool BatchJob::start(const QStringList &sources, const QString &targetDir, const ReflectionSettings &settings)
{
    if (current)
        return false;
    auto run = std::make_shared<Run>();
    run->sources = sources;
    run->settings = settings;
    run->convert = converter;
    run->summary.total = int(sources.size());
    QHash<QString, size_t> groupOf;
    for (int i = 0; i < sources.size(); ++i) {
        const QString output = batchOutputPath(targetDir, sources.at(i), settings.transparent);
        const auto found = groupOf.constFind(output);
        if (found != groupOf.constEnd()) {
            run->groups[found.value()].push_back(i);
            continue;
        }
        groupOf.insert(output, run->groups.size());
        run->groups.push_back({i});
        run->outputs.append(output);
    }
    current = run;

    // Qt keeps the decode limit in a plain int: set here, before any
    // worker reads, so that none of them writes it.
    QImageReader::setAllocationLimit(PhotoAllocationLimitMB);

    const size_t count = std::min(size_t(workers), run->groups.size());
    if (count == 0) {
        run->liveWorkers = 1;
        QMetaObject::invokeMethod(
            this, [this, run] { workerEnded(run); }, Qt::QueuedConnection);
        return true;
    }
    run->liveWorkers = int(count);
    // Only queued calls leave a worker; they are dropped if the job is
    // deleted, and ignored once the run is no longer current.
    const auto work = [this, run] {
        for (size_t g; !run->cancelled && (g = run->nextGroup++) < run->groups.size();) {
            for (const int index : run->groups[g]) {
                if (run->cancelled)
                    break;
                QMetaObject::invokeMethod(
                    this, [this, run, index] { started(run, index); }, Qt::QueuedConnection);
                const BatchOutcome outcome =
                    run->convert(run->sources.at(index), run->outputs.at(int(g)), run->settings);
                QMetaObject::invokeMethod(
                    this,
                    [this, run, index, g, outcome] { tried(run, index, run->outputs.at(int(g)), outcome); },
                    Qt::QueuedConnection);
            }
        }
        QMetaObject::invokeMethod(
            this, [this, run] { workerEnded(run); }, Qt::QueuedConnection);
    };
    run->threads.reserve(count);
    for (size_t i = 0; i < count; ++i)
        run->threads.emplace_back(work);
    return true;
}

void BatchJob::cancel()
{
    if (current)
        current->cancelled = true;
}

void BatchJob::stop()
{
    if (!current)
        return;
    const std::shared_ptr<Run> run = std::move(current);
    run->cancelled = true;
    for (std::thread &t : run->threads)
        t.join();
}

void BatchJob::started(const std::shared_ptr<Run> &run, int index)
{
    if (run != current)
        return;
    run->currentName = QFileInfo(run->sources.at(index)).fileName();
    emit progress(run->done, run->summary.total, run->currentName);
}

void BatchJob::tried(const std::shared_ptr<Run> &run, int index, const QString &output,
                     const BatchOutcome &outcome)
{
    if (run != current)
        return;
    ++run->done;
    if (outcome.ok()) {
        ++run->summary.converted;
    } else {
        // Workers finish out of order; the summary names failures in list order.
        const auto at = std::upper_bound(run->failedAt.begin(), run->failedAt.end(), index);
        const int pos = int(at - run->failedAt.begin());
        run->failedAt.insert(pos, index);
        run->summary.failures.insert(pos, {run->sources.at(index), output, outcome});
    }
    emit progress(run->done, run->summary.total, run->currentName);
}

void BatchJob::workerEnded(const std::shared_ptr<Run> &run)
{
    if (run != current || --run->liveWorkers > 0)
        return;
    for (std::thread &t : run->threads)
        t.join();
    current.reset(); // a handler of finished() may start the next run
    run->summary.cancelled = run->summary.notTried() > 0;
    emit finished(run->summary);
}

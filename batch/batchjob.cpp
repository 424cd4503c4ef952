#include "batchjob.h"

#include "memorybudget.h"
#include "photoio.h"
#include "presets.h"
#include "workerpool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// A worker's report as the summary tells it; a worker that crashed or hung
// died in its decoder.
BatchOutcome outcomeOf(bool ok, WorkerStep step, const QString &why)
{
    if (ok)
        return {};
    if (step == WorkerStep::Render)
        return {BatchOutcome::RenderFailed, why};
    if (step == WorkerStep::Write)
        return {BatchOutcome::WriteFailed, why};
    return {BatchOutcome::ReadFailed, why};
}

} // namespace

// One run. The threads only read the lists and take groups through
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

    // The worker road: the pool, the group of each output, and how many of
    // each group's pictures a worker has been handed and has finished.
    std::unique_ptr<WorkerPool> pool;
    QHash<QString, int> groupOf;
    std::vector<int> handed, finished;

    int liveWorkers = 0;
    int done = 0;
    QString currentName;
    BatchSummary summary;
    QList<int> failedAt; // source index of each entry of summary.failures
};

BatchJob::BatchJob(QObject *parent)
    : QObject(parent), converter(&BatchJob::convertInOwnBuffers), program(defaultWorkerProgram()),
      workers(QThread::idealThreadCount()), memoryLimit(DefaultMemoryLimitMB << 20)
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

void BatchJob::setWriteOptions(int quality, MetadataPolicy policy, int width)
{
    writeQuality = quality;
    metadataPolicy = policy;
    outputWidth = std::max(width, 0);
    OutputSizes sizes;
    if (outputWidth > 0)
        sizes.widths = {outputWidth};
    converter = [quality, policy, sizes](const QString &source, const QString &output,
                                         const ReflectionSettings &settings) {
        WriteOptions options{quality, {}, policy};
        if (policy != MetadataPolicy::StripAll)
            options.metadata = PhotoMetadata::read(source);
        QImage photo, rendering;
        return convertBatchPicture(source, output, settings, photo, rendering, options, sizes);
    };
}

void BatchJob::setWorkerProgram(const QString &p)
{
    program = p;
}

QString BatchJob::defaultWorkerProgram()
{
    // A program elsewhere, for a test or an unusual install.
    const QString given = qEnvironmentVariable("GLASSMERE_REFLECT");
    if (!given.isEmpty())
        return given;
    // findExecutable adds .exe where the platform needs it.
    return QStandardPaths::findExecutable(QStringLiteral("glassmere-reflect"),
                                          {QCoreApplication::applicationDirPath()});
}

void BatchJob::setTimeout(int seconds)
{
    timeoutSeconds = std::max(seconds, 1);
}

void BatchJob::setMemoryLimit(qint64 bytes)
{
    memoryLimit = bytes;
}

QStringList BatchJob::workerOptions(const ReflectionSettings &settings, int quality, MetadataPolicy policy,
                                    int width)
{
    // As --name=value, so that a negative interval is not taken for an option.
    QStringList options{QStringLiteral("--worker"),
                        QStringLiteral("--side=%1").arg(sideName(settings.direction))};
    const std::pair<const char *, int> numbers[] = {{"size", settings.size},
                                                    {"depth", settings.depth},
                                                    {"interval", settings.interval},
                                                    {"opacity", settings.opacity},
                                                    {"blur", settings.blur}};
    for (const auto &[name, value] : numbers)
        options << QStringLiteral("--%1=%2").arg(QLatin1String(name)).arg(value);
    options << QStringLiteral("--color=#%1%2%3")
                   .arg(settings.bgcolor.r, 2, 16, QLatin1Char('0'))
                   .arg(settings.bgcolor.g, 2, 16, QLatin1Char('0'))
                   .arg(settings.bgcolor.b, 2, 16, QLatin1Char('0'));
    if (settings.transparent)
        options << QStringLiteral("--transparent");
    if (quality > 0)
        options << QStringLiteral("--quality=%1").arg(quality);
    if (policy == MetadataPolicy::StripAll)
        options << QStringLiteral("--strip-metadata");
    else if (policy == MetadataPolicy::StripGps)
        options << QStringLiteral("--strip-gps");
    if (width > 0)
        options << QStringLiteral("--width=%1").arg(width);
    return options;
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
    QList<TreePicture> pictures;
    pictures.reserve(sources.size());
    for (const QString &source : sources)
        pictures.append({source, QString()});
    return start(pictures, targetDir, settings);
}

bool BatchJob::start(const QList<TreePicture> &pictures, const QString &targetDir,
                     const ReflectionSettings &settings)
{
    if (current)
        return false;
    auto run = std::make_shared<Run>();
    run->settings = settings;
    run->convert = converter;
    run->summary.total = int(pictures.size());
    QSet<QString> subfolders;
    QStringList outputs;
    for (const TreePicture &picture : pictures) {
        run->sources.append(picture.path);
        outputs.append(batchOutputPath(targetDir, picture, settings.transparent));
    }
    // Sources that share an output fail before anything is converted.
    const QList<int> shared = sharedOutputs(outputs);
    QList<int> refused;
    for (int i = 0; i < pictures.size(); ++i) {
        if (shared.at(i) >= 0) {
            refused.append(i);
            continue;
        }
        if (!pictures.at(i).subfolder.isEmpty())
            subfolders.insert(pictures.at(i).subfolder);
        run->groupOf.insert(outputs.at(i), int(run->groups.size()));
        run->groups.push_back({i});
        run->outputs.append(outputs.at(i));
    }
    // A folder that cannot be made fails its pictures when they are written.
    for (const QString &subfolder : std::as_const(subfolders))
        QDir(targetDir).mkpath(subfolder);
    current = run;
    for (const int i : std::as_const(refused))
        tried(
            run, i, outputs.at(i),
            {BatchOutcome::WriteFailed, QStringLiteral("\"%1\" has the same output name; neither is written")
                                            .arg(QDir::toNativeSeparators(run->sources.at(shared.at(i))))});
    if (program.isEmpty())
        startThreads(run);
    else
        startProcesses(run);
    return true;
}

void BatchJob::startProcesses(const std::shared_ptr<Run> &run)
{
    const int slotCount = int(std::max<size_t>(std::min(size_t(workers), run->groups.size()), 1));
    const QStringList arguments =
        workerOptions(run->settings, writeQuality, metadataPolicy, outputWidth)
        << QStringLiteral("--memory-limit=%1").arg(std::max<qint64>(memoryLimit >> 20, 16));
    run->pool = std::make_unique<WorkerPool>(program, arguments, slotCount, timeoutSeconds, memoryLimit);
    run->handed.assign(run->groups.size(), 0);
    run->finished.assign(run->groups.size(), 0);
    // The pool lives in the run: its connections hold no reference to it.
    Run *const r = run.get();
    connect(run->pool.get(), &WorkerPool::taskStarted, this, [this, r](const WorkerTask &task) {
        const int g = r->groupOf.value(task.output);
        if (r == current.get())
            started(current, r->groups[size_t(g)][size_t(r->handed[size_t(g)]++)]);
    });
    connect(run->pool.get(), &WorkerPool::taskFinished, this,
            [this, r](const WorkerTask &task, bool ok, const QString &, WorkerStep step, const QString &why) {
                const int g = r->groupOf.value(task.output);
                const int index = r->groups[size_t(g)][size_t(r->finished[size_t(g)]++)];
                if (r == current.get())
                    tried(current, index, task.output, outcomeOf(ok, step, why));
            });
    connect(run->pool.get(), &WorkerPool::finished, this, [this, r] {
        if (r == current.get())
            workerEnded(std::shared_ptr<Run>(current)); // a copy: it clears `current`
    });
    run->liveWorkers = 1; // the pool, which reports once when all its workers are done
    QList<QList<WorkerTask>> chains;
    for (size_t g = 0; g < run->groups.size(); ++g) {
        QList<WorkerTask> chain;
        for (const int index : run->groups[g])
            chain.append({run->sources.at(index), run->outputs.at(int(g))});
        chains.append(chain);
    }
    run->pool->start(chains);
}

void BatchJob::startThreads(const std::shared_ptr<Run> &run)
{
    // Qt keeps the decode limit in a plain int: set here, before any
    // worker reads, so that none of them writes it.
    QImageReader::setAllocationLimit(PhotoAllocationLimitMB);

    const size_t count = std::min(size_t(workers), run->groups.size());
    if (count == 0) {
        run->liveWorkers = 1;
        QMetaObject::invokeMethod(
            this, [this, run] { workerEnded(run); }, Qt::QueuedConnection);
        return;
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
}

void BatchJob::dispose(std::unique_ptr<WorkerPool> pool)
{
    // Deleted once the signal it may be in has returned, or with the job.
    if (!pool)
        return;
    pool->setParent(this);
    pool.release()->deleteLater();
}

void BatchJob::cancel()
{
    if (!current)
        return;
    current->cancelled = true;
    if (current->pool)
        current->pool->stop();
}

void BatchJob::stop()
{
    if (!current)
        return;
    const std::shared_ptr<Run> run = std::move(current);
    run->cancelled = true;
    for (std::thread &t : run->threads)
        t.join();
    if (run->pool) {
        // The workers finish the pictures they hold, then see their input
        // end. The pool goes later: this may run inside one of its signals.
        run->pool->disconnect(this);
        run->pool->shutDown();
        dispose(std::move(run->pool));
    }
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
    current.reset();               // a handler of finished() may start the next run
    dispose(std::move(run->pool)); // called from its own signal
    run->summary.cancelled = run->summary.notTried() > 0;
    emit finished(run->summary);
}

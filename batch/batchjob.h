#pragma once

#include "batchrules.h"
#include "photometadata.h"
#include "reflectionsettings.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class WorkerPool;

// What a batch run did, told once it is over.
struct BatchSummary
{
    struct Failure
    {
        QString source;
        QString output;
        BatchOutcome outcome;
    };
    int total = 0;           // pictures listed for the run
    int converted = 0;       // written
    QList<Failure> failures; // in list order
    bool cancelled = false;  // stopped before every picture was tried
    int notTried() const { return total - converted - int(failures.size()); }
};
Q_DECLARE_METATYPE(BatchSummary)

// Converts a list of pictures into a folder, keeping the tree of a folder
// read with its subfolders, and reports on the thread it lives on. The
// pictures are decoded in glassmere-reflect worker processes where that
// program is found, so that a decoder that crashes or hangs costs one
// picture and never the run (or the window); otherwise on threads of this
// process. Either way one per job slot, one picture at a time in each, so
// nothing of the editor's photo is touched. Sources that share an output
// name (a.png and a.jpg in transparent mode) both fail at once, and
// neither is written.
class BatchJob : public QObject
{
    Q_OBJECT

public:
    // Converts one picture into one output file. Called on the workers,
    // several at once: it may use nothing but its arguments and what it
    // owns. Swappable, for a conversion that decodes in another process.
    using Converter = std::function<BatchOutcome(const QString &source, const QString &output,
                                                 const ReflectionSettings &settings)>;

    explicit BatchJob(QObject *parent = nullptr);
    ~BatchJob() override; // stop()

    // The conversion of the in-process road.
    void setConverter(Converter converter);
    // Lossy formats are written at `quality` (-1 the writer's own) and each
    // source's photo information (read from it on the worker) as `policy`
    // keeps it, and pictures wider than `width` (0 for none) are scaled
    // down to it, on either road. Replaces the in-process converter.
    void setWriteOptions(int quality, MetadataPolicy policy, int width = 0);
    // The program the next run starts its workers from, as
    // `program --worker OPTIONS`; empty for threads of this process.
    // defaultWorkerProgram() at first.
    void setWorkerProgram(const QString &program);
    QString workerProgram() const { return program; }
    // $GLASSMERE_REFLECT if set, else glassmere-reflect in this program's
    // own folder, where both the build and an install put it; empty when it
    // is not there.
    static QString defaultWorkerProgram();
    // Worker road: seconds one picture may take before it is given up as
    // failed (60 by default), and the memory the workers share.
    void setTimeout(int seconds);
    void setMemoryLimit(qint64 bytes);
    // The options that make a worker write what this process would with
    // `settings`, the writer's `quality` (-1 for its default), `policy` and
    // the output `width` (0 for full size).
    static QStringList workerOptions(const ReflectionSettings &settings, int quality = -1,
                                     MetadataPolicy policy = MetadataPolicy::Keep, int width = 0);
    // Workers of the next run; QThread::idealThreadCount() by default.
    void setWorkers(int count);
    bool isRunning() const;

    // Starts converting `sources` into `targetDir`, each under its
    // batchOutputPath(). False while a run is going on.
    bool start(const QStringList &sources, const QString &targetDir, const ReflectionSettings &settings);
    // The same for the pictures of a tree: each goes to its subfolder under
    // `targetDir`, made as needed.
    bool start(const QList<TreePicture> &pictures, const QString &targetDir,
               const ReflectionSettings &settings);

    // The picture readPhoto/convertBatchPicture would write, in buffers of
    // this call's own: the default converter.
    static BatchOutcome convertInOwnBuffers(const QString &source, const QString &output,
                                            const ReflectionSettings &settings);

public slots:
    // Lets the workers finish the pictures they hold and start no more;
    // finished() follows.
    void cancel();
    // Cancels and waits for the workers; nothing is emitted for this run
    // afterwards. For an owner that goes away.
    void stop();

signals:
    // `done` pictures of `total` tried; `current` is the name of the file
    // a worker started last.
    void progress(int done, int total, const QString &current);
    void finished(const BatchSummary &summary);

private:
    struct Run;
    void started(const std::shared_ptr<Run> &run, int index);
    void tried(const std::shared_ptr<Run> &run, int index, const QString &output,
               const BatchOutcome &outcome);
    void workerEnded(const std::shared_ptr<Run> &run);
    void startThreads(const std::shared_ptr<Run> &run);
    void startProcesses(const std::shared_ptr<Run> &run);
    void dispose(std::unique_ptr<WorkerPool> pool);

    Converter converter;
    QString program;
    int workers;
    int timeoutSeconds = 60;
    int writeQuality = -1;
    int outputWidth = 0;
    MetadataPolicy metadataPolicy = MetadataPolicy::Keep;
    qint64 memoryLimit;
    std::shared_ptr<Run> current;
};

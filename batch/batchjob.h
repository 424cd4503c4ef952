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

// Converts a list of pictures into one folder on worker threads, one per
// core unless told otherwise, and reports on the thread it lives on. Each
// worker holds one picture at a time in its own buffers, so nothing of the
// editor's photo is touched. Sources that share an output name (a.png and
// a.jpg in transparent mode) go to one worker in list order, so the last one
// wins however many workers there are.
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

    void setConverter(Converter converter);
    // The default converter, writing lossy formats at `quality` (-1 the
    // writer's own) and as much of each source's photo information (read
    // from it on the worker) as `policy` keeps. Replaces the converter.
    void setWriteOptions(int quality, MetadataPolicy policy);
    // Workers of the next run; QThread::idealThreadCount() by default.
    void setWorkers(int count);
    bool isRunning() const;

    // Starts converting `sources` into `targetDir`, each under its
    // batchOutputPath(). False while a run is going on.
    bool start(const QStringList &sources, const QString &targetDir, const ReflectionSettings &settings);

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

    Converter converter;
    int workers;
    std::shared_ptr<Run> current;
};

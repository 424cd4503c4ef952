#pragma once

#include "memoryshare.h"
#include "workerprotocol.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <vector>

class QProcess;
class QTimer;

// Converts pictures in worker processes, so that a decoder that crashes or
// hangs costs one picture and never the run: each job slot has its own
// process, restarted when one dies, and a picture that takes longer than
// the time limit is ended with its worker.
//
// The workers share one memory budget: before decoding, a worker asks for
// the bytes its picture needs ("need N") and waits for "go" until the others
// have given enough back. The lines they speak are WorkerMessage's.

struct WorkerTask
{
    QString input;
    QString output;
};

class WorkerPool : public QObject
{
    Q_OBJECT

public:
    // `program` with `arguments` starts one worker; `slots` run side by
    // side, each picture within `timeoutSeconds`, all within `memoryBytes`.
    WorkerPool(const QString &program, const QStringList &arguments, int slotCount, int timeoutSeconds,
               qint64 memoryBytes, QObject *parent = nullptr);
    ~WorkerPool() override;

    // Runs every chain: the tasks of one chain in order on one worker, the
    // chains side by side. finished() follows the last task.
    void start(const QList<QList<WorkerTask>> &chains);
    // No task is begun after this; those under way end normally.
    void stop();
    // Ends the workers now: closes their input, waits a few seconds for the
    // pictures under way, then kills what is left. Nothing is reported
    // afterwards. Safe from a handler of taskFinished(); the destructor
    // does it too.
    void shutDown();

signals:
    // A worker was handed `task`.
    void taskStarted(const WorkerTask &task);
    // `message` is the worker's line on a failure, or the pool's when the
    // worker crashed, hung or could not be started; `step` and `why` are the
    // worker's step and reason, `step` None for the pool's own.
    void taskFinished(const WorkerTask &task, bool ok, const QString &message, WorkerStep step,
                      const QString &why);
    void finished();

private:
    struct Slot;
    void startWorker(Slot &slot);
    void next(Slot &slot);
    void onLine(Slot &slot, const QByteArray &line);
    void endTask(Slot &slot, bool ok, const QString &message, WorkerStep step = WorkerStep::None,
                 const QString &why = QString());
    void onWorkerGone(Slot &slot);
    void grantMemory();

    const QString program;
    const QStringList arguments;
    const int timeoutMs;
    MemoryShare memory;
    std::vector<std::unique_ptr<Slot>> slotList;
    std::deque<QList<WorkerTask>> chains;
    bool stopped = false;
    bool done = false;
};

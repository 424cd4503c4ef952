#include "workerpool.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

struct WorkerPool::Slot
{
    QProcess *process = nullptr;
    QTimer *timer = nullptr;
    int index = 0;           // in slotList, as the memory budget knows it
    QList<WorkerTask> chain; // the rest of the chain this slot works on
    bool busy = false;       // a task is under way
    bool timedOut = false;
    QByteArray buffer;
};

WorkerPool::WorkerPool(const QString &program, const QStringList &arguments, int slotCount,
                       int timeoutSeconds, qint64 memoryBytes, QObject *parent)
    : QObject(parent), program(program), arguments(arguments), timeoutMs(timeoutSeconds * 1000),
      memory(memoryBytes)
{
    for (int i = 0; i < std::max(slotCount, 1); ++i) {
        auto slot = std::make_unique<Slot>();
        slot->index = i;
        slot->timer = new QTimer(this);
        slot->timer->setSingleShot(true);
        Slot *s = slot.get();
        connect(slot->timer, &QTimer::timeout, this, [this, s] {
            s->timedOut = true;
            if (s->process)
                s->process->kill();
        });
        slotList.push_back(std::move(slot));
    }
}

WorkerPool::~WorkerPool()
{
    shutDown();
}

void WorkerPool::shutDown()
{
    stop();
    done = true; // no finished() either
    for (const auto &slot : slotList) {
        if (!slot->process)
            continue;
        slot->process->disconnect(this);
        slot->process->closeWriteChannel();
        if (!slot->process->waitForFinished(5000))
            slot->process->kill();
        slot->process->waitForFinished(5000);
    }
}

void WorkerPool::start(const QList<QList<WorkerTask>> &work)
{
    for (const QList<WorkerTask> &chain : work)
        if (!chain.isEmpty())
            chains.push_back(chain);
    for (const auto &slot : slotList)
        next(*slot);
}

void WorkerPool::stop()
{
    stopped = true;
    chains.clear();
}

void WorkerPool::startWorker(Slot &slot)
{
    slot.process = new QProcess(this);
    slot.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Slot *s = &slot;
    QProcess *p = slot.process;
    connect(p, &QProcess::readyReadStandardOutput, this, [this, s, p] {
        s->buffer += p->readAllStandardOutput();
        for (qsizetype end; s->process == p && (end = s->buffer.indexOf('\n')) >= 0;) {
            const QByteArray line = s->buffer.left(end);
            s->buffer.remove(0, end + 1);
            onLine(*s, line);
        }
    });
    connect(p, &QProcess::finished, this, [this, s, p] {
        if (s->process == p)
            onWorkerGone(*s);
    });
    connect(p, &QProcess::errorOccurred, this, [this, s, p](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && s->process == p)
            onWorkerGone(*s);
    });
    // A worker draws nothing: it needs no display, whatever its caller has.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    slot.process->setProcessEnvironment(environment);
    slot.process->start(program, arguments);
}

void WorkerPool::next(Slot &slot)
{
    if (slot.busy)
        return;
    if (stopped)
        slot.chain.clear(); // the rest of a chain is not begun either
    if (slot.chain.isEmpty() && !chains.empty() && !stopped) {
        slot.chain = chains.front();
        chains.pop_front();
    }
    if (slot.chain.isEmpty()) {
        const bool allIdle = std::all_of(slotList.begin(), slotList.end(),
                                         [](const auto &s) { return !s->busy && s->chain.isEmpty(); });
        if (allIdle && !done) {
            done = true;
            for (const auto &s : slotList)
                if (s->process)
                    s->process->closeWriteChannel();
            // Queued, so that a run with nothing to do ends in the caller's loop.
            QMetaObject::invokeMethod(this, &WorkerPool::finished, Qt::QueuedConnection);
        }
        return;
    }
    slot.busy = true;
    slot.timedOut = false;
    slot.buffer.clear();
    if (!slot.process)
        startWorker(slot);
    if (!slot.process)
        return; // it could not start, and the task has failed
    const WorkerTask &task = slot.chain.front();
    slot.process->write(WorkerMessage::convert(task.input, task.output).format() + '\n');
    slot.timer->start(timeoutMs);
    emit taskStarted(task);
}

void WorkerPool::onLine(Slot &slot, const QByteArray &line)
{
    if (!slot.busy)
        return;
    const WorkerMessage message = WorkerMessage::parse(line);
    if (message.kind == WorkerMessage::Need) {
        slot.timer->stop(); // waiting for memory is not the picture's time
        memory.ask(slot.index, message.bytes);
        grantMemory();
    } else if (message.kind == WorkerMessage::Ok) {
        endTask(slot, true, QString());
    } else if (message.kind == WorkerMessage::Fail) {
        endTask(slot, false, message.line, message.step, message.why);
    }
}

void WorkerPool::grantMemory()
{
    for (const int index : memory.grant()) {
        Slot &slot = *slotList[size_t(index)];
        slot.process->write(WorkerMessage::plain(WorkerMessage::Go).format() + '\n');
        slot.timer->start(timeoutMs);
    }
}

void WorkerPool::endTask(Slot &slot, bool ok, const QString &message, WorkerStep step, const QString &why)
{
    slot.timer->stop();
    memory.release(slot.index);
    const WorkerTask task = slot.chain.takeFirst();
    slot.busy = false;
    emit taskFinished(task, ok, message, step, why);
    grantMemory();
    next(slot);
}

void WorkerPool::onWorkerGone(Slot &slot)
{
    QProcess *gone = slot.process;
    slot.process = nullptr;
    gone->deleteLater();
    if (!slot.busy)
        return;
    const QString input = slot.chain.front().input;
    QString why;
    if (slot.timedOut)
        why = QStringLiteral("took longer than %1 s").arg(timeoutMs / 1000);
    else if (gone->error() == QProcess::FailedToStart)
        why = QStringLiteral("the worker process could not be started: %1").arg(gone->errorString());
    else if (gone->exitStatus() == QProcess::CrashExit)
        why = QStringLiteral("the decoder crashed");
    else
        why = QStringLiteral("the worker process ended unexpectedly (status %1)").arg(gone->exitCode());
    endTask(slot, false, QStringLiteral("cannot convert \"%1\": %2").arg(input, why), WorkerStep::None, why);
}

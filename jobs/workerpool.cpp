#include "workerpool.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

struct WorkerPool::Slot
{
    QProcess *process = nullptr;
    QTimer *timer = nullptr;
    QList<WorkerTask> chain; // the rest of the chain this slot works on
    bool busy = false;       // a task is under way
    bool timedOut = false;
    qint64 memory = 0; // bytes taken from the budget for the current task
    QByteArray buffer;
};

WorkerPool::WorkerPool(const QString &program, const QStringList &arguments, int slotCount,
                       int timeoutSeconds, qint64 memoryBytes, QObject *parent)
    : QObject(parent), program(program), arguments(arguments), timeoutMs(timeoutSeconds * 1000),
      memoryLimit(memoryBytes)
{
    for (int i = 0; i < std::max(slotCount, 1); ++i) {
        auto slot = std::make_unique<Slot>();
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
    waitingForMemory.clear();
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

QByteArray WorkerPool::encode(const QString &field)
{
    return field.toUtf8().toPercentEncoding();
}

QString WorkerPool::decode(const QByteArray &field)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
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
    slot.process->write("convert " + encode(task.input) + ' ' + encode(task.output) + '\n');
    slot.timer->start(timeoutMs);
    emit taskStarted(task);
}

void WorkerPool::onLine(Slot &slot, const QByteArray &line)
{
    if (!slot.busy)
        return;
    if (line.startsWith("need ")) {
        slot.timer->stop(); // waiting for memory is not the picture's time
        slot.memory = std::min(line.mid(5).toLongLong(), memoryLimit);
        waitingForMemory.push_back(&slot);
        grantMemory();
    } else if (line == "ok") {
        endTask(slot, true, QString());
    } else if (line.startsWith("fail ")) {
        const QList<QByteArray> fields = line.split(' ');
        endTask(slot, false, decode(fields.value(1)), QString::fromLatin1(fields.value(2)),
                decode(fields.value(3)));
    }
}

void WorkerPool::grantMemory()
{
    // In order of asking, so that a large picture is not passed over forever.
    while (!waitingForMemory.empty() && waitingForMemory.front()->memory <= memoryLimit - memoryUsed) {
        Slot *slot = waitingForMemory.front();
        waitingForMemory.pop_front();
        memoryUsed += slot->memory;
        slot->process->write("go\n");
        slot->timer->start(timeoutMs);
    }
}

void WorkerPool::endTask(Slot &slot, bool ok, const QString &message, const QString &step, const QString &why)
{
    slot.timer->stop();
    const auto waiting = std::find(waitingForMemory.begin(), waitingForMemory.end(), &slot);
    if (waiting != waitingForMemory.end())
        waitingForMemory.erase(waiting);
    else
        memoryUsed -= slot.memory;
    slot.memory = 0;
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
    endTask(slot, false, QStringLiteral("cannot convert \"%1\": %2").arg(input, why), QString(), why);
}

#include "rendercontroller.h"

#include "reflection.h"

#include <QtConcurrent/QtConcurrentRun>

RenderController::RenderController(QObject *parent) : QObject(parent)
{
    pool.setMaxThreadCount(1);
}

RenderController::~RenderController()
{
    // The task's queued hand-back names this object; it must not run after
    // the object is gone, and the thread must be joined before exit.
    pool.waitForDone();
}

bool RenderController::start(const QImage &source, const ReflectionSettings &settings)
{
    if (busy || source.isNull())
        return false;
    busy = true;
    emit started();
    task = QtConcurrent::run(&pool, [this, source, settings] {
        QImage rendering;
        ComposeReflection(source, rendering, settings);
        // A null picture with rows to show means the output could not be
        // allocated; a trim that leaves nothing is an ordinary empty result.
        const bool outOfMemory = rendering.isNull() && !ReflectionSize(source.size(), settings).isEmpty();
        QMetaObject::invokeMethod(
            this,
            [this, rendering, outOfMemory] {
                busy = false;
                if (outOfMemory)
                    emit failed();
                else
                    emit finished(rendering);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void RenderController::waitForIdle()
{
    task.waitForFinished();
}

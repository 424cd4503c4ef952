#pragma once

#include "reflectionsettings.h"

#include <QFuture>
#include <QImage>
#include <QObject>
#include <QThreadPool>

// Renders the photo off the GUI thread, one rendering at a time, and hands
// the picture back on the GUI thread. Owns its worker thread: nothing of
// it outlives the controller, so no thread is left running at exit.
class RenderController : public QObject
{
    Q_OBJECT

public:
    explicit RenderController(QObject *parent = nullptr);
    ~RenderController() override;

    // Starts rendering `source` with `settings`; false (and nothing
    // emitted) while another rendering is pending or for a null source.
    bool start(const QImage &source, const ReflectionSettings &settings);

    // A rendering was started and its outcome has not been emitted yet.
    bool isBusy() const { return busy; }

    // Blocks until a running task has ended; its outcome is still emitted
    // from the event loop.
    void waitForIdle();

    // The one worker thread; a test can occupy it to keep a rendering
    // pending.
    QThreadPool *threadPool() { return &pool; }

signals:
    void started();
    // The rendering; null when the trim leaves no row of the photo.
    void finished(const QImage &rendering);
    // There was not enough memory for the output picture.
    void failed();

private:
    QThreadPool pool;
    QFuture<void> task;
    bool busy = false;
};

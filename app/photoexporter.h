#pragma once

#include "photoio.h"

#include <QFuture>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

// Encodes and writes an exported picture off the GUI thread: a large PNG
// takes seconds, and the window must keep repainting meanwhile. Owns its
// worker thread, so nothing of it outlives the exporter.
class PhotoExporter : public QObject
{
    Q_OBJECT

public:
    explicit PhotoExporter(QObject *parent = nullptr);
    ~PhotoExporter() override;

    // Starts writing `rendering` to `path` as outputPicture makes it for a
    // photo delivered in `sourceFormat`, with the writer's `options`, scaled
    // down to `width` when it is wider (0 for full size); false while
    // another export is under way.
    bool start(const QImage &rendering, QImage::Format sourceFormat, bool transparent, const QString &path,
               const WriteOptions &options = WriteOptions(), int width = 0);
    bool isBusy() const { return busy; }

signals:
    // On the GUI thread; `why` is the writer's reason when it failed.
    void finished(bool written, const QString &why);

private:
    QThreadPool pool;
    QFuture<void> task;
    bool busy = false;
};

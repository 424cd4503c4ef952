#pragma once

#include "photoio.h"
#include "reflectionsettings.h"

#include <QDateTime>

#include <QFuture>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

// The photo file a rendering was made from, as it was when it was loaded,
// and the settings of the rendering.
struct ExportSource
{
    QString path;
    qint64 size = -1;
    QDateTime modified;
    ReflectionSettings settings;

    // `path` as it is now.
    static ExportSource of(const QString &path, const ReflectionSettings &settings = {});
};

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
    // another export is under way. While the photo's file `source` is
    // unchanged (size and time of change) and no width is asked for, the
    // file is converted again on the streamed road instead, which writes the
    // same bytes with far less memory; the rendering is written where that
    // road does not go.
    bool start(const QImage &rendering, QImage::Format sourceFormat, bool transparent, const QString &path,
               const WriteOptions &options = WriteOptions(), int width = 0,
               const ExportSource &source = ExportSource());
    bool isBusy() const { return busy; }

signals:
    // On the GUI thread; `why` is the writer's reason when it failed.
    void finished(bool written, const QString &why);

private:
    QThreadPool pool;
    QFuture<void> task;
    bool busy = false;
};

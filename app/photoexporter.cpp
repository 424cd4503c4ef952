#include "photoexporter.h"

#include "streamedconversion.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

ExportSource ExportSource::of(const QString &path, const ReflectionSettings &settings)
{
    const QFileInfo info(path);
    return {path, info.exists() ? info.size() : -1, info.lastModified(), settings};
}

PhotoExporter::PhotoExporter(QObject *parent) : QObject(parent)
{
    pool.setMaxThreadCount(1);
}

PhotoExporter::~PhotoExporter()
{
    pool.waitForDone();
}

bool PhotoExporter::start(const QImage &rendering, QImage::Format sourceFormat, bool transparent,
                          const QString &path, const WriteOptions &options, const ExportSource &source)
{
    if (busy)
        return false;
    busy = true;
    task = QtConcurrent::run(&pool, [this, rendering, sourceFormat, transparent, path, options, source] {
        QString why;
        const ExportSource now = ExportSource::of(source.path);
        std::optional<BatchOutcome> streamed;
        if (!source.path.isEmpty() && source.size >= 0 && now.size == source.size &&
            now.modified == source.modified)
            streamed = convertStreamed(source.path, path, source.settings, options);
        if (streamed)
            why = streamed->why;
        const bool written =
            streamed ? streamed->ok()
                     : writePhoto(outputPicture(rendering, sourceFormat, transparent), path, &why, options);
        QMetaObject::invokeMethod(
            this,
            [this, written, why] {
                busy = false;
                emit finished(written, why);
            },
            Qt::QueuedConnection);
    });
    return true;
}

#include "photoexporter.h"

#include "batchrules.h"
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
                          const QString &path, const WriteOptions &options, int width,
                          const ExportSource &source)
{
    if (busy)
        return false;
    busy = true;
    task =
        QtConcurrent::run(&pool, [this, rendering, sourceFormat, transparent, path, options, width, source] {
            QString why;
            const ExportSource now = ExportSource::of(source.path);
            std::optional<BatchOutcome> streamed;
            if (width <= 0 && !source.path.isEmpty() && source.size >= 0 && now.size == source.size &&
                now.modified == source.modified)
                streamed = convertStreamed(source.path, path, source.settings, options);
            if (streamed)
                why = streamed->why;
            const bool written =
                streamed ? streamed->ok()
                         : writeRendering(rendering, sourceFormat, transparent,
                                          {{path, SizeLimit{std::max(width, 0), 0}}}, options, &why);
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

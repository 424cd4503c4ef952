#include "photoexporter.h"

#include "batchrules.h"

#include <QtConcurrent/QtConcurrentRun>

PhotoExporter::PhotoExporter(QObject *parent) : QObject(parent)
{
    pool.setMaxThreadCount(1);
}

PhotoExporter::~PhotoExporter()
{
    pool.waitForDone();
}

bool PhotoExporter::start(const QImage &rendering, QImage::Format sourceFormat, bool transparent,
                          const QString &path, const WriteOptions &options, int width)
{
    if (busy)
        return false;
    busy = true;
    task = QtConcurrent::run(&pool, [this, rendering, sourceFormat, transparent, path, options, width] {
        QString why;
        const bool written = writeRendering(rendering, sourceFormat, transparent,
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

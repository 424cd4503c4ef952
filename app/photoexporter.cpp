#include "photoexporter.h"

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
                          const QString &path, const WriteOptions &options)
{
    if (busy)
        return false;
    busy = true;
    task = QtConcurrent::run(&pool, [this, rendering, sourceFormat, transparent, path, options] {
        QString why;
        const bool written =
            writePhoto(outputPicture(rendering, sourceFormat, transparent), path, &why, options);
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

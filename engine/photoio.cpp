#include "photoio.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

QImage readPhoto(const QString &path, QString *errorString)
{
    // The limit is process-wide in Qt; setting it before every read keeps
    // this function independent of who else touched it.
    QImageReader::setAllocationLimit(PhotoAllocationLimitMB);
    QImageReader reader(path);
    // Phones store upright photos sideways plus an orientation tag.
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull() && errorString)
        *errorString = reader.errorString();
    return image;
}

bool writePhoto(const QImage &image, const QString &path, QString *errorString)
{
    const auto fail = [errorString](const QString &why) {
        if (errorString)
            *errorString = why;
        return false;
    };
    if (image.isNull())
        return fail(QStringLiteral("there is no picture to write"));
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (format.isEmpty())
        return fail(QStringLiteral("the file name has no suffix to choose a format by"));
    if (!QImageWriter::supportedImageFormats().contains(format))
        return fail(QStringLiteral("no writer for the format \"%1\"").arg(QString::fromLatin1(format)));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QImageWriter writer(&file, format);
    if (!writer.write(image)) {
        file.cancelWriting();
        return fail(writer.errorString());
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

QImage outputPicture(QImage rendering, QImage::Format sourceFormat, bool transparent)
{
    if (transparent || rendering.format() == sourceFormat || sourceFormat == QImage::Format_Invalid)
        return rendering;
    return std::move(rendering).convertToFormat(sourceFormat);
}

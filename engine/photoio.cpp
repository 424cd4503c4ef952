#include "photoio.h"
#include "pngtransparency.h"
#include "reflection.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

QImage readPhoto(const QString &path, QString *errorString)
{
    // The limit is process-wide in Qt; setting it before every read keeps
    // this function independent of who else touched it. Only when it
    // differs: Qt keeps it in a plain int, so readers on several threads
    // must not all write it.
    if (QImageReader::allocationLimit() != PhotoAllocationLimitMB)
        QImageReader::setAllocationLimit(PhotoAllocationLimitMB);
    QImageReader reader(path);
    // Phones store upright photos sideways plus an orientation tag.
    reader.setAutoTransform(true);
    // Readers decode into a picture handed to them when its size and format
    // match; allocating it here lets a large photo use huge pages too. The
    // limit is checked first, since a handed-in picture bypasses the reader's.
    QImage image;
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (size.isValid() && format != QImage::Format_Invalid) {
        const qint64 bytes =
            qint64(size.width()) * size.height() * QImage::toPixelFormat(format).bitsPerPixel() / 8;
        if (bytes <= qint64(PhotoAllocationLimitMB) << 20)
            image = allocatePicture(size.width(), size.height(), format);
    }
    if (!reader.read(&image)) {
        if (errorString)
            *errorString = reader.errorString();
        return QImage();
    }
    return withPngColourKey(path, std::move(image));
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

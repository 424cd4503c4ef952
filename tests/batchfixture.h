#pragma once

// Folders of pictures for the batch tests of the window and the command
// line, and the bytes a batch must write for each of them.

#include "batchrules.h"
#include "photoio.h"
#include "reflection.h"
#include "testutils.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace BatchFixture {

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Every file under `root`, hidden ones and those in subfolders too, by
// path relative to it, with its bytes.
inline QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), readAll(path));
    }
    return files;
}

// The names in `dir`, folders included, sorted.
inline QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

// A 1 x 1 GIF: Qt reads GIF but has no writer for it.
inline QByteArray tinyGif()
{
    return QByteArray::fromHex("47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002"
                               "024401003b");
}

// A JPEG of a landscape frame, left half red and right half blue, tagged
// "turn clockwise" the way a camera held upright tags it.
inline QByteArray uprightJpeg()
{
    QImage frame(40, 20, QImage::Format_RGB32);
    frame.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            frame.setPixel(x, y, qRgb(0, 0, 255));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    frame.save(&buffer, "JPG", 95);
    // An Exif block (APP1) holding only the orientation tag 6, big-endian.
    const QByteArray tiff =
        QByteArray::fromHex("4d4d002a000000080001011200030000000100060000") + QByteArray(4, '\0');
    const QByteArray payload = QByteArray("Exif", 4) + QByteArray(2, '\0') + tiff;
    const quint16 length = quint16(payload.size() + 2);
    QByteArray segment = QByteArray::fromHex("ffe1");
    segment += char(length >> 8);
    segment += char(length & 0xff);
    QByteArray jpeg = buffer.data();
    jpeg.insert(2, segment + payload); // right after the SOI marker
    return jpeg;
}

// A small picture of its own random pixels, saved in the format its name
// ends with. Formats without alpha get an opaque one.
inline bool makePicture(const QString &path, quint32 seed, QImage::Format format = QImage::Format_ARGB32,
                        QSize size = QSize(23, 17))
{
    QRandomGenerator rng(seed);
    QImage img = TestUtils::randomImage(rng, size.width(), size.height(), format);
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool jpeg =
        suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") || suffix == QLatin1String("jpe");
    if (jpeg || suffix == QLatin1String("bmp"))
        img = img.convertToFormat(QImage::Format_RGB32);
    return img.save(path, jpeg ? "JPG" : nullptr);
}

// The bytes a batch writes for `source` under the name `outputName`: the
// photo as readPhoto delivers it, rendered with `settings`, converted back
// unless transparent, written by the suffix. Empty when that fails.
inline QByteArray expectedOutput(const QString &source, const QString &outputName,
                                 const ReflectionSettings &settings)
{
    const QImage photo = readPhoto(source);
    if (photo.isNull())
        return QByteArray();
    QImage rendering;
    ComposeReflection(photo.convertToFormat(QImage::Format_ARGB32), rendering, settings);
    QTemporaryDir scratch;
    const QString path = scratch.filePath(outputName);
    if (!writePhoto(outputPicture(rendering, photo.format(), settings.transparent), path))
        return QByteArray();
    return readAll(path);
}

// Empty when the file at `path` holds what `expected` holds; otherwise
// what differs. Bytes are compared, except for ICO, whose writer leaves the
// padding of its mask rows uninitialised: there the pictures are.
inline QString outputDifference(const QString &path, const QByteArray &expected)
{
    const QByteArray written = readAll(path);
    if (expected.isEmpty())
        return QStringLiteral("nothing expected");
    if (QFileInfo(path).suffix().compare(QLatin1String("ico"), Qt::CaseInsensitive) != 0)
        return written == expected ? QString() : QStringLiteral("other bytes");
    return TestUtils::imageDifference(QImage::fromData(written), QImage::fromData(expected));
}

} // namespace BatchFixture

#pragma once

#include "reflectionsettings.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

namespace TestUtils {

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

// Empty when both pictures have the same size, format and pixels; otherwise
// where they first differ, for the failure message.
inline QString imageDifference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size() || actual.format() != expected.format())
        return QStringLiteral("%1x%2 in format %3, expected %4x%5 in format %6")
            .arg(actual.width())
            .arg(actual.height())
            .arg(actual.format())
            .arg(expected.width())
            .arg(expected.height())
            .arg(expected.format());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y), 8, 16)
                    .arg(expected.pixel(x, y), 8, 16);
    return QString();
}

// The picture encoded as `format`; empty if it cannot be.
inline QByteArray encoded(const QImage &picture, const char *format, int quality = -1)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return picture.save(&buffer, format, quality) ? buffer.data() : QByteArray();
}

// A picture of random pixels, alpha included.
inline QImage randomImage(QRandomGenerator &rng, int w, int h, QImage::Format format = QImage::Format_ARGB32)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, rng.generate());
    return format == QImage::Format_ARGB32 ? img : img.convertToFormat(format);
}

inline ReflectionSettings settings(int direction, int size, int depth, int interval,
                                   _RGB colour = {255, 255, 255}, bool transparent = false, int opacity = 100,
                                   int blur = 0)
{
    return {direction, size, depth, interval, colour, transparent, opacity, blur};
}

// A JPEG of a landscape frame, left half red and right half blue, tagged
// "turn clockwise" (Exif orientation 6) as a camera held upright tags it,
// or with another orientation.
inline QByteArray uprightJpeg(QSize size = QSize(40, 20), int orientation = 6)
{
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(Qt::red);
    for (int y = 0; y < size.height(); ++y)
        for (int x = size.width() / 2; x < size.width(); ++x)
            frame.setPixel(x, y, qRgb(0, 0, 255));
    const QByteArray tiff = QByteArray::fromHex("4d4d002a000000080001011200030000000100") +
                            char(orientation) + QByteArray(6, '\0');
    const QByteArray payload = QByteArray("Exif", 4) + QByteArray(2, '\0') + tiff;
    const quint16 length = quint16(payload.size() + 2);
    QByteArray segment = QByteArray::fromHex("ffe1");
    segment += char(length >> 8);
    segment += char(length & 0xff);
    QByteArray jpeg = encoded(frame, "JPG", 95);
    jpeg.insert(2, segment + payload); // right after the SOI marker
    return jpeg;
}

#ifdef GLASSMERE_REFLECT
struct CliResult
{
    int exitCode = -1; // -1: did not finish normally
    QString out;
    QString err;
};

// Runs glassmere-reflect to the end, its files limited to `fileSizeLimit`
// bytes when one is given: a refused write, as on a full disk.
inline CliResult runCli(const QStringList &args, qint64 fileSizeLimit = 0)
{
    QProcess p;
    if (fileSizeLimit > 0)
        p.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_IGN); // a refused write, not a killed process
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    p.start(QStringLiteral(GLASSMERE_REFLECT), args);
    CliResult r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}
#endif

} // namespace TestUtils

#define QCOMPARE_IMAGES(actual, expected)                                                                    \
    do {                                                                                                     \
        const QString difference_ = TestUtils::imageDifference((actual), (expected));                        \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                                            \
    } while (false)

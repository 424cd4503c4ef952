#pragma once

// Small valid files of every format the readers take, made at run time, and
// the hostile ones made from them.

#include "avifcodec.h"
#include "testutils.h"

#include <QBuffer>
#include <QList>
#include <QPair>

namespace HostileFiles {

using Sample = QPair<QString, QByteArray>; // suffix, bytes

// A TrueVision 2.0 TGA (the kind Qt reads) of `width` x `height` 24-bit
// pixels, with `body` bytes of them present.
inline QByteArray tga(int width, int height, int body)
{
    QByteArray header = QByteArray::fromHex("000002000000000000000000");
    for (int v : {width, height})
        header += char(v & 0xff), header += char(v >> 8);
    header += QByteArray::fromHex("1820");
    return header + QByteArray(body, '\x55') + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18);
}

using TestUtils::encoded;

inline QByteArray svg(int width, int height, const QString &imageAddress = QString())
{
    QString text = QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' "
                                  "xmlns:xlink='http://www.w3.org/1999/xlink' width='%1' height='%2'>"
                                  "<rect width='%1' height='%2' fill='#0000ff'/>")
                       .arg(width)
                       .arg(height);
    if (!imageAddress.isEmpty())
        text += QStringLiteral("<image xlink:href='%1' width='%2' height='%3'/>")
                    .arg(imageAddress)
                    .arg(width)
                    .arg(height);
    return (text + QStringLiteral("</svg>")).toUtf8();
}

inline QList<Sample> samples()
{
    QRandomGenerator rng(7);
    const QImage picture = TestUtils::randomImage(rng, 24, 16);
    QList<Sample> files;
    for (const char *format : {"bmp", "cur", "icns", "ico", "jpg", "pbm", "pgm", "png", "ppm", "tiff", "wbmp",
                               "webp", "xbm", "xpm"}) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        if (picture.save(&buffer, format))
            files.append({QLatin1String(format), buffer.data()});
    }
    files.append(
        {QStringLiteral("gif"), QByteArray::fromHex("47494638396101000100800000ffffff00000021f9040100000000"
                                                    "2c00000000010001000002024401003b")});
    files.append({QStringLiteral("avif"), encodeAvif(picture, -1)}); // Qt has no AVIF writer
    files.append({QStringLiteral("tga"), tga(24, 16, 24 * 16 * 3)});
    files.append({QStringLiteral("svg"), svg(24, 16)});
    return files;
}

} // namespace HostileFiles

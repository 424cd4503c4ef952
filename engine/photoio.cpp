#include "photoio.h"
#include "pngtransparency.h"

#include "avifcodec.h"
#include "memorybudget.h"
#include "outputquality.h"
#include "reflection.h"
#include "svgguard.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSet>
#include <QSaveFile>

#include <cctype>
#include <cmath>
#include <limits>

namespace {

quint32 le16(const QByteArray &b, int at)
{
    return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8;
}

quint32 le32(const QByteArray &b, int at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

// The bytes a BMP of this header needs; 0 when the header does not tell
// (compressed rows, or fields a reader rejects by itself).
double bmpBytes(const QByteArray &h)
{
    if (h.size() < 30 || !h.startsWith("BM"))
        return 0;
    const quint32 infoSize = le32(h, 14);
    double width, height, bits, compression = 0;
    if (infoSize == 12) {
        width = le16(h, 18);
        height = le16(h, 20);
        bits = le16(h, 24);
    } else if (infoSize >= 40 && h.size() >= 34) {
        width = qint32(le32(h, 18));
        height = std::fabs(double(qint32(le32(h, 22))));
        bits = le16(h, 28);
        compression = le32(h, 30);
    } else {
        return 0;
    }
    // Plain rows, bit fields, bit fields with alpha: rows of a known size.
    if (width <= 0 || bits <= 0 || (compression != 0 && compression != 3 && compression != 6))
        return 0;
    const double offset = std::max<double>(le32(h, 10), 14.0 + infoSize);
    return offset + std::floor((width * bits + 31) / 32) * 4 * height;
}

// TGA has no signature; the caller knows it is one. RLE packets carry at
// most 128 pixels each, which gives run-length files a least size too.
double tgaBytes(const QByteArray &h)
{
    if (h.size() < 18)
        return 0;
    const double pixelBytes = (uchar(h[16]) + 7) / 8;
    const double colourMap = h[1] == 1 ? le16(h, 5) * double((uchar(h[7]) + 7) / 8) : 0;
    const double header = 18 + uchar(h[0]) + colourMap;
    const double pixels = double(le16(h, 12)) * le16(h, 14);
    switch (h[2]) {
    case 1:
    case 2:
    case 3:
        return header + pixels * pixelBytes;
    case 9:
    case 10:
    case 11:
        return header + std::ceil(pixels / 128) * (1 + pixelBytes);
    default:
        return 0;
    }
}

// PBM, PGM and PPM, plain (one character a value at the least, whitespace
// between the numbers) or raw.
double pnmBytes(const QByteArray &h)
{
    if (h.size() < 3 || h[0] != 'P' || h[1] < '1' || h[1] > '6')
        return 0;
    const int kind = h[1] - '0';
    const int fields = (kind == 1 || kind == 4) ? 2 : 3;
    double value[3] = {0, 0, 1};
    int at = 2;
    for (int f = 0; f < fields; ++f) {
        for (;;) { // whitespace and comments
            if (at >= h.size())
                return 0;
            if (h[at] == '#') {
                while (at < h.size() && h[at] != '\n')
                    ++at;
            } else if (QChar::isSpace(uchar(h[at]))) {
                ++at;
            } else {
                break;
            }
        }
        if (at >= h.size() || !std::isdigit(uchar(h[at])))
            return 0;
        for (value[f] = 0; at < h.size() && std::isdigit(uchar(h[at])); ++at)
            value[f] = value[f] * 10 + (h[at] - '0');
        if (at >= h.size())
            return 0; // the header goes on past what was looked at
    }
    const double pixels = value[0] * value[1];
    const double sampleBytes = value[2] > 255 ? 2 : 1;
    const double headerEnd = at + 1;
    switch (kind) {
    case 1:
        return headerEnd + pixels - 1; // digits may follow each other
    case 2:
    case 3: {
        const double values = pixels * (kind == 3 ? 3 : 1);
        return headerEnd + 2 * values - 2;
    }
    case 4:
        return headerEnd + std::ceil(value[0] / 8) * value[1];
    default:
        return headerEnd + pixels * sampleBytes * (kind == 6 ? 3 : 1);
    }
}

// Qt's readers decode as much as such a file has and leave the rest of
// the picture unwritten, slowly when the header claims millions of pixels.
QString cutShort(QIODevice &file, const QByteArray &format)
{
    const QByteArray head = file.peek(4096);
    const double needed = format == "tga" ? tgaBytes(head) : std::max(bmpBytes(head), pnmBytes(head));
    if (needed <= double(file.size()))
        return QString();
    return QStringLiteral("the file is cut short (%1 bytes; its header needs at least %2)")
        .arg(file.size())
        .arg(qint64(std::min(needed, 9e18)));
}

// Readers known to write every pixel of the picture or to fail; the others
// may stop early and leave rows as the memory held them.
bool fillsEveryPixel(const QByteArray &format)
{
    return format == "jpeg" || format == "jpg" || format == "png";
}

QString readFailure(const QImageReader &reader)
{
    switch (reader.error()) {
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("not a picture in a format this program reads");
    case QImageReader::InvalidDataError:
    case QImageReader::UnknownError:
        return QStringLiteral("the picture data is damaged or cut short");
    default:
        return reader.errorString();
    }
}

constexpr int QtDefaultAllocationLimitMB = 128;

// The longest side the libraries under Qt's plug-ins take; beyond it they
// give up without a reason Qt passes on.
int maxSide(const QByteArray &format)
{
    if (format == "png")
        return 1000000; // libpng's limit, for reading and writing
    if (format == "jpg" || format == "jpeg")
        return 65500;
    if (format == "webp")
        return 16383;
    if (format == "avif")
        return 65536; // AV1's largest frame
    return std::numeric_limits<int>::max();
}

QString tooLong(const QByteArray &format, const QSize &size)
{
    if (std::max(size.width(), size.height()) <= maxSide(format))
        return QString();
    return QStringLiteral("a %1 file holds at most %2 pixels a side; the picture is %3 x %4")
        .arg(QString::fromLatin1(format.toUpper()))
        .arg(maxSide(format))
        .arg(size.width())
        .arg(size.height());
}

// libavif encodes into memory and takes the photo information as blocks of
// its own.
bool writeAvif(const QImage &image, const WriteOptions &options, QSaveFile &file, QString *why)
{
    const PhotoMetadata::Blocks blocks = options.metadata.blocksFor(image.size(), options.metadataPolicy);
    const QByteArray bytes = encodeAvif(image, options.quality, blocks.exif, blocks.icc, why);
    if (bytes.isEmpty())
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        *why = file.errorString();
        return false;
    }
    return true;
}

// Largest SVG document read into memory to be checked.
constexpr qint64 MaxSvgBytes = qint64(64) << 20;

// The rules every picture goes through once its bytes can be read from
// `file`; `path` names the file it came from, empty for bytes in memory.
QImage readPicture(QIODevice &file, const QString &path, QString *errorString, const PhotoAdmission &admit,
                   const PhotoReduction &reduce = {})
{
    QString why;
    const auto fail = [&](const QString &reason) {
        if (errorString)
            *errorString = reason;
        return QImage();
    };
    if (file.size() == 0)
        return fail(path.isEmpty() ? QStringLiteral("there is no picture data")
                                   : QStringLiteral("the file is empty"));
    // Qt has no AVIF reader: the file's signature picks libavif's, whatever
    // the file is called.
    if (isAvif(file.peek(512)))
        return readAvif(file, admit ? admit : PhotoAdmission(defaultPhotoAdmission), errorString);

    // Qt's decode limit is process-wide, and its default of 128 MB stops at
    // about 33 megapixels. Raised here unless the program chose its own (the
    // command line sets it to its memory budget); only then, since Qt keeps
    // it in a plain int that readers on several threads must not all write.
    if (QImageReader::allocationLimit() == QtDefaultAllocationLimitMB)
        QImageReader::setAllocationLimit(PhotoAllocationLimitMB);
    QImageReader reader(&file);
    // Phones store upright photos sideways plus an orientation tag.
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        return fail(readFailure(reader));

    QBuffer svg;
    if (format.startsWith("svg")) {
        if (file.peek(2) == QByteArray("\x1f\x8b", 2))
            return fail(QStringLiteral("compressed SVG files are not read"));
        if (file.size() > MaxSvgBytes)
            return fail(QStringLiteral("the SVG document is larger than %1").arg(formatBytes(MaxSvgBytes)));
        const QByteArray safe =
            svgWithoutExternalImages(file.readAll(), qint64(QImageReader::allocationLimit()) << 20, &why);
        if (safe.isEmpty())
            return fail(why);
        svg.setData(safe);
        svg.open(QIODevice::ReadOnly);
        reader.setDevice(&svg);
        reader.setFormat("svg");
    } else {
        const QString cut = cutShort(file, format);
        if (!cut.isEmpty())
            return fail(cut);
    }

    const PhotoAdmission &allowed = admit ? admit : PhotoAdmission(defaultPhotoAdmission);
    QSize size = reader.size();
    if (!tooLong(format, size).isEmpty())
        return fail(tooLong(format, size));
    if (reduce && format == "jpeg" && size.isValid()) {
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        int factor = reduce(turned ? size.transposed() : size);
        // Qt's reader decodes at 1/factor only when the size it is asked
        // for is exactly that; otherwise it picks n/8 and smooths the rest.
        while (factor > 1 && (size.width() % factor != 0 || size.height() % factor != 0))
            factor /= 2;
        if (factor > 1) {
            size /= factor;
            reader.setScaledSize(size);
        }
    }
    if (size.isValid() && !allowed(size, &why))
        return fail(why);

    // Readers decode into a picture handed to them when its size and format
    // match; allocating it here lets a large photo use huge pages too, and
    // zeroes it where the reader may not write every pixel. The limit is
    // checked first, since a handed-in picture bypasses the reader's.
    QImage image;
    const QImage::Format pixelFormat = reader.imageFormat();
    if (size.isValid() && pixelFormat != QImage::Format_Invalid) {
        const qint64 bytes =
            qint64(size.width()) * size.height() * QImage::toPixelFormat(pixelFormat).bitsPerPixel() / 8;
        if (bytes <= qint64(QImageReader::allocationLimit()) << 20) {
            image = allocatePicture(size.width(), size.height(), pixelFormat);
            if (!fillsEveryPixel(format))
                image.fill(0);
        }
    }
    if (!reader.read(&image))
        return fail(readFailure(reader));
    if (!size.isValid() && !allowed(image.size(), &why))
        return fail(why);
    return path.isEmpty() ? image : withPngColourKey(path, std::move(image));
}

} // namespace

QImage readPhoto(const QString &path, QString *errorString, const PhotoAdmission &admit)
{
    return readPhoto(path, PhotoReduction(), errorString, admit);
}

QImage readPhoto(const QString &path, const PhotoReduction &reduce, QString *errorString,
                 const PhotoAdmission &admit)
{
    // A named pipe would block the read forever, a device never end.
    const QFileInfo info(path);
    QString why;
    if (info.isDir())
        why = QStringLiteral("it is a folder");
    else if (info.exists() && !info.isFile())
        why = QStringLiteral("not a regular file (a named pipe or a device)");
    QFile file(path);
    if (why.isEmpty() && !file.open(QIODevice::ReadOnly))
        why = file.errorString();
    if (why.isEmpty())
        return readPicture(file, path, errorString, admit, reduce);
    if (errorString)
        *errorString = why;
    return QImage();
}

bool defaultPhotoAdmission(const QSize &size, QString *why)
{
    ReflectionSettings largest;
    largest.size = 100;
    largest.interval = 100;
    const qint64 needed = conversionBytes(size, largest);
    const qint64 limit = DefaultMemoryLimitMB << 20;
    if (needed <= limit)
        return true;
    if (why)
        *why = memoryRefusal(needed, limit);
    return false;
}

QImage readPhotoData(const QByteArray &data, QString *errorString, const PhotoAdmission &admit)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return readPicture(buffer, QString(), errorString, admit);
}

QString outputTargetRefusal(const QString &path)
{
    // The save renames a new file over the old one: over a named pipe or a
    // device (also through a link) that would replace the node itself. A
    // link to nothing yet is written through, as cp does.
    const QFileInfo target(path);
    if (target.isDir())
        return QStringLiteral("it is a folder");
    if (target.exists() && !target.isFile())
        return QStringLiteral("not a regular file (a named pipe or a device); only files are replaced");
    if (!target.isSymLink() && !target.absoluteDir().exists())
        return QStringLiteral("the folder \"%1\" does not exist")
            .arg(QDir::toNativeSeparators(target.absolutePath()));
    return QString();
}

bool writePhoto(const QImage &image, const QString &path, QString *errorString, const WriteOptions &options)
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
    if (format != "avif" && !QImageWriter::supportedImageFormats().contains(format))
        return fail(QStringLiteral("no writer for the format \"%1\"").arg(QString::fromLatin1(format)));
    const QString refusal = outputTargetRefusal(path);
    if (!refusal.isEmpty())
        return fail(refusal);

    if (!tooLong(format, image.size()).isEmpty())
        return fail(tooLong(format, image.size()));
    // Qt's ICO writer would scale the picture down and say nothing.
    if (format == "ico" && (image.width() > 256 || image.height() > 256))
        return fail(QStringLiteral("ICO holds at most 256 x 256 pixels; the picture is %1 x %2")
                        .arg(image.width())
                        .arg(image.height()));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (format == "avif") {
        QString why;
        if (!writeAvif(image, options, file, &why)) {
            file.cancelWriting();
            return fail(why);
        }
        return file.commit() || fail(file.errorString());
    }
    // Encoded into memory first when photo information is to be added, so
    // that the file is still written in one go and replaced atomically.
    const bool addMetadata =
        !options.metadata.isEmpty() && options.metadataPolicy != MetadataPolicy::StripAll;
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QImageWriter writer(addMetadata ? static_cast<QIODevice *>(&encoded) : &file, format);
    writer.setQuality(writerQuality(format, options.quality));
    bool written = writer.write(image);
    if (written && addMetadata) {
        const QByteArray bytes = options.metadata.applyTo(encoded.data(), options.metadataPolicy);
        written = file.write(bytes) == bytes.size();
    }
    // Writers ignore a failed write of the device; the data goes out in the
    // flush, and only there does a full disk show.
    if (!written || !file.flush() || file.error() != QFileDevice::NoError) {
        // A full disk shows in the file's error; the writer then has none.
        const QString why =
            file.error() != QFileDevice::NoError ? file.errorString()
            : writer.error() == QImageWriter::UnknownError
                ? QStringLiteral("the %1 writer refused the picture (too large for the format?)")
                      .arg(QString::fromLatin1(format.toUpper()))
                : writer.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

namespace {

// Whether a picture in `format` can show every pixel of `picture`: a one-bit
// photo only black and white, a palette at most 256 colours, grey only grey.
bool formatHolds(QImage::Format format, const QImage &picture)
{
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
        const bool twoTone = format != QImage::Format_Indexed8;
        QSet<QRgb> colours;
        const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            for (int x = 0; x < argb.width(); ++x) {
                const QRgb c = line[x] | 0xff000000u;
                if (twoTone && c != 0xff000000u && c != 0xffffffffu)
                    return false;
                colours.insert(line[x]);
                if (colours.size() > 256)
                    return false;
            }
        }
        return true;
    }
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return picture.allGray();
    default:
        return true;
    }
}

// The distinct colours of a picture that formatHolds() let through.
QList<QRgb> paletteOf(const QImage &picture)
{
    QSet<QRgb> colours;
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        colours.unite(QSet<QRgb>(line, line + argb.width()));
    }
    return colours.values();
}

// Some pixel is not fully opaque.
bool hasTransparency(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return false;
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return true;
    }
    return false;
}

} // namespace

QImage outputPicture(QImage rendering, QImage::Format sourceFormat, bool transparent)
{
    if (transparent || rendering.format() == sourceFormat || sourceFormat == QImage::Format_Invalid)
        return rendering;
    if (!formatHolds(sourceFormat, rendering)) {
        // Grey photos have no alpha; a palette may have a transparent entry.
        const bool deep = rendering.depth() > 32;
        const bool alpha =
            !(sourceFormat == QImage::Format_Grayscale8 || sourceFormat == QImage::Format_Grayscale16) &&
            hasTransparency(rendering);
        const QImage::Format rgb = deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                                        : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        return std::move(rendering).convertToFormat(rgb);
    }
    if (sourceFormat == QImage::Format_Indexed8) // a palette of exactly the rendering's colours
        return rendering.convertToFormat(QImage::Format_Indexed8, paletteOf(rendering));
    return std::move(rendering).convertToFormat(sourceFormat);
}

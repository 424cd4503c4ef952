#include "pngbands.h"

#include "outputquality.h"

#include <QFile>
#include <QIODevice>

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// libpng reports errors through this, which must not return; it jumps back
// into the one small function that made the call, which holds no C++
// objects. The message is kept instead of printed.
struct Errors
{
    char message[256] = {};
    QIODevice *device = nullptr; // the writer's, whose own error wins
    bool deviceFailed = false;
};

extern "C" void pngError(png_structp png, png_const_charp message)
{
    auto *errors = static_cast<Errors *>(png_get_error_ptr(png));
    if (errors->message[0] == 0)
        std::snprintf(errors->message, sizeof errors->message, "%s", message);
    png_longjmp(png, 1);
}

extern "C" void pngWarning(png_structp, png_const_charp) {}

QString damaged(const Errors &errors)
{
    Q_UNUSED(errors);
    return QStringLiteral("the picture data is damaged or cut short");
}

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "bands are read in the byte order of Format_ARGB32");

} // namespace

struct PngBandReader::Data
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    FILE *file = nullptr;
    Errors errors;
    int rowsRead = 0;

    ~Data()
    {
        if (png)
            png_destroy_read_struct(&png, &info, nullptr);
        if (file)
            std::fclose(file);
    }
};

namespace {

bool readInfo(png_structp png, png_infop info, FILE *file)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    return true;
}

bool prepareRows(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_bgr(png);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB)
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    return true;
}

bool readRows(png_structp png, uchar *const *rows, int count)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (int y = 0; y < count; ++y)
        png_read_row(png, rows[y], nullptr);
    return true;
}

bool readEnd(png_structp png, png_infop info, int rowsLeft, uchar *scratch)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (int y = 0; y < rowsLeft; ++y)
        png_read_row(png, scratch, nullptr);
    png_read_end(png, info);
    return true;
}

} // namespace

PngBandReader::PngBandReader() : d(new Data) {}

PngBandReader::~PngBandReader() = default;

bool PngBandReader::open(const QString &path, QString *why)
{
    d->file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!d->file) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    d->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d->errors, pngError, pngWarning);
    d->info = d->png ? png_create_info_struct(d->png) : nullptr;
    if (!d->info || !readInfo(d->png, d->info, d->file) || (isCovered() && !prepareRows(d->png, d->info))) {
        *why = damaged(d->errors);
        return false;
    }
    return true;
}

QSize PngBandReader::size() const
{
    return QSize(int(png_get_image_width(d->png, d->info)), int(png_get_image_height(d->png, d->info)));
}

bool PngBandReader::isCovered() const
{
    const int type = png_get_color_type(d->png, d->info);
    return (type == PNG_COLOR_TYPE_RGB || type == PNG_COLOR_TYPE_RGB_ALPHA) &&
           png_get_bit_depth(d->png, d->info) == 8 &&
           png_get_interlace_type(d->png, d->info) == PNG_INTERLACE_NONE &&
           !png_get_valid(d->png, d->info, PNG_INFO_tRNS);
}

bool PngBandReader::hasAlpha() const
{
    return png_get_color_type(d->png, d->info) == PNG_COLOR_TYPE_RGB_ALPHA;
}

bool PngBandReader::read(QImage &band, QString *why)
{
    std::vector<uchar *> rows(size_t(band.height()));
    for (int y = 0; y < band.height(); ++y)
        rows[size_t(y)] = band.scanLine(y);
    if (!readRows(d->png, rows.data(), band.height())) {
        *why = damaged(d->errors);
        return false;
    }
    d->rowsRead += band.height();
    return true;
}

bool PngBandReader::finish(QString *why)
{
    QImage scratch(size().width(), 1, QImage::Format_ARGB32);
    if (!readEnd(d->png, d->info, size().height() - d->rowsRead, scratch.bits())) {
        *why = damaged(d->errors);
        return false;
    }
    return true;
}

struct PngBandWriter::Data
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    Errors errors;

    ~Data()
    {
        if (png)
            png_destroy_write_struct(&png, &info);
    }

    QString failure() const
    {
        return errors.deviceFailed ? errors.device->errorString() : QString::fromLocal8Bit(errors.message);
    }
};

namespace {

extern "C" void writeData(png_structp png, png_bytep data, size_t length)
{
    auto *errors = static_cast<Errors *>(png_get_error_ptr(png));
    if (errors->device->write(reinterpret_cast<const char *>(data), qint64(length)) != qint64(length)) {
        errors->deviceFailed = true;
        png_error(png, "write failed");
    }
}

extern "C" void flushData(png_structp) {}

// Qt's writer for a rendering: its quality's zlib level, a header, the
// density of a new QImage, and rows in Qt's byte order.
bool startWrite(png_structp png, png_infop info, const QSize &size, bool alpha, int level)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_benign_errors(png, 1);
    if (level >= 0)
        png_set_compression_level(png, level);
    png_set_write_fn(png, png_get_error_ptr(png), writeData, flushData);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 0, 0, 0);
    png_set_bgr(png);
    const QImage fresh(1, 1, QImage::Format_RGB32);
    if (fresh.dotsPerMeterX() > 0 || fresh.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, png_uint_32(fresh.dotsPerMeterX()), png_uint_32(fresh.dotsPerMeterY()),
                     PNG_RESOLUTION_METER);
    png_write_info(png, info);
    png_set_packing(png);
    if (!alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    return true;
}

bool writeRows(png_structp png, const uchar *const *rows, int count)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (int y = 0; y < count; ++y)
        png_write_row(png, rows[y]);
    return true;
}

bool writeEnd(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_end(png, info);
    return true;
}

} // namespace

PngBandWriter::PngBandWriter() : d(new Data) {}

PngBandWriter::~PngBandWriter() = default;

bool PngBandWriter::start(QIODevice *device, const QSize &size, bool alpha, int quality, QString *why)
{
    d->errors.device = device;
    d->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &d->errors, pngError, pngWarning);
    d->info = d->png ? png_create_info_struct(d->png) : nullptr;
    // Qt's mapping of a quality to zlib's level.
    const int q = writerQuality("png", quality);
    const int level = q >= 0 ? (100 - qMin(q, 100)) * 9 / 91 : -1;
    if (!d->info || !startWrite(d->png, d->info, size, alpha, level)) {
        *why = d->failure();
        return false;
    }
    return true;
}

bool PngBandWriter::write(const QImage &band, QString *why)
{
    std::vector<const uchar *> rows(size_t(band.height()));
    for (int y = 0; y < band.height(); ++y)
        rows[size_t(y)] = band.constScanLine(y);
    if (!writeRows(d->png, rows.data(), band.height())) {
        *why = d->failure();
        return false;
    }
    return true;
}

bool PngBandWriter::finish(QString *why)
{
    if (!writeEnd(d->png, d->info)) {
        *why = d->failure();
        return false;
    }
    return true;
}

#include "pngbands.h"

#include <QFile>

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

#include "pngtransparency.h"

#include <QFile>
#include <QSysInfo>

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace {

[[noreturn]] void stopReading(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// Decodes `file` into `image` when it is a 16-bit grey or RGB PNG with a
// colour key; false, with `image` untouched or partly written, otherwise.
// libpng reports errors by longjmp, so nothing created in here may need a
// destructor.
bool decodeKeyed(std::FILE *file, QImage *image)
{
    png_byte signature[8];
    if (std::fread(signature, 1, 8, file) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopReading, ignoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    volatile bool done = false; // kept across the longjmp
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_sig_bytes(png, 8);
        png_read_info(png, info);
        const int type = png_get_color_type(png, info);
        if (png_get_bit_depth(png, info) == 16 &&
            (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_RGB) &&
            png_get_valid(png, info, PNG_INFO_tRNS)) {
            png_set_tRNS_to_alpha(png);
            png_set_gray_to_rgb(png);
            if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
                png_set_swap(png); // PNG samples are big-endian
            const int passes = png_set_interlace_handling(png);
            png_read_update_info(png, info);
            const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
            if (w <= 0x7fffffff && h <= 0x7fffffff) // QImage refuses what it cannot hold
                *image = QImage(int(w), int(h), QImage::Format_RGBA64);
            if (!image->isNull() && png_get_rowbytes(png, info) == size_t(w) * 8) {
                for (int pass = 0; pass < passes; ++pass)
                    for (int y = 0; y < image->height(); ++y)
                        png_read_row(png, image->scanLine(y), nullptr);
                done = true;
            }
        }
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return done;
}

} // namespace

QImage withPngColourKey(const QString &path, QImage image)
{
    // Qt delivers such a PNG in one of these; anything else has no key to lose.
    const QImage::Format format = image.format();
    if (format != QImage::Format_Grayscale16 && format != QImage::Format_RGBX64 &&
        format != QImage::Format_RGBA64)
        return image;
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        return image;
    QImage decoded;
    const bool keyed = decodeKeyed(file, &decoded);
    std::fclose(file);
    return keyed ? decoded : image;
}

#include "jpegbands.h"

#include <QFile>
#include <QIODevice>

#include <cerrno>
#include <cstring>

#include <csetjmp>
#include <cstdio>
#include <vector>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace {

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back into the one small function that made the call. Those functions
// hold no C++ objects, so nothing is skipped that needed destroying.
struct ErrorManager : jpeg_error_mgr
{
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    bool cutShort = false;
};

extern "C" void errorExit(j_common_ptr info)
{
    auto *err = static_cast<ErrorManager *>(info->err);
    if (err->message[0] == 0)
        (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are ignored as Qt ignores them, but for data that ends before
// the rows do, at the end of the file or at a marker: libjpeg would make up
// the missing rows.
extern "C" void emitMessage(j_common_ptr info, int level)
{
    auto *err = static_cast<ErrorManager *>(info->err);
    if (level < 0 && (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER))
        err->cutShort = true;
}

void initErrors(ErrorManager &err)
{
    jpeg_std_error(&err);
    err.error_exit = errorExit;
    err.emit_message = emitMessage;
}

constexpr J_COLOR_SPACE BandColourSpace = JCS_EXT_BGRA; // Format_ARGB32's bytes on little-endian machines
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "bands are read in the byte order of Format_ARGB32");

} // namespace

struct JpegBandReader::Data
{
    jpeg_decompress_struct info{};
    ErrorManager err;
    FILE *file = nullptr;
    bool created = false;
    bool started = false;
    std::vector<JSAMPROW> rows;

    ~Data()
    {
        if (created)
            jpeg_destroy_decompress(&info);
        if (file)
            std::fclose(file);
    }

    QString failure() const
    {
        return err.cutShort ? QStringLiteral("the file is cut short") : QString::fromLocal8Bit(err.message);
    }
};

namespace {

bool readHeader(jpeg_decompress_struct *info, ErrorManager *err, FILE *file)
{
    if (setjmp(err->jump))
        return false;
    jpeg_create_decompress(info);
    jpeg_stdio_src(info, file);
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
        return false;
    // Qt's reader at its default quality: libjpeg's exact defaults.
    info->dct_method = JDCT_ISLOW;
    info->do_fancy_upsampling = TRUE;
    info->out_color_space = BandColourSpace;
    jpeg_calc_output_dimensions(info);
    return true;
}

bool readRows(jpeg_decompress_struct *info, ErrorManager *err, JSAMPROW *rows, int count, bool *started)
{
    if (setjmp(err->jump))
        return false;
    if (!*started) {
        jpeg_start_decompress(info);
        *started = true;
    }
    for (int done = 0; done < count && !err->cutShort;)
        done += int(jpeg_read_scanlines(info, rows + done, JDIMENSION(count - done)));
    return !err->cutShort;
}

} // namespace

JpegBandReader::JpegBandReader() : d(new Data) {}

JpegBandReader::~JpegBandReader() = default;

bool JpegBandReader::open(const QString &path, QString *why)
{
    d->file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!d->file) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    initErrors(d->err);
    d->info.err = &d->err;
    d->created = true;
    if (!readHeader(&d->info, &d->err, d->file)) {
        *why = d->failure();
        return false;
    }
    return true;
}

QSize JpegBandReader::size() const
{
    return QSize(int(d->info.output_width), int(d->info.output_height));
}

bool JpegBandReader::isCovered() const
{
    // A progressive file would have libjpeg hold the whole picture's
    // coefficients, more than the memory budget counts.
    return (d->info.jpeg_color_space == JCS_YCbCr || d->info.jpeg_color_space == JCS_RGB) &&
           !d->info.progressive_mode;
}

bool JpegBandReader::read(QImage &band, QString *why)
{
    d->rows.resize(size_t(band.height()));
    for (int y = 0; y < band.height(); ++y)
        d->rows[size_t(y)] = band.scanLine(y);
    if (!readRows(&d->info, &d->err, d->rows.data(), band.height(), &d->started)) {
        *why = d->failure();
        return false;
    }
    return true;
}

namespace {

constexpr size_t OutputBufferBytes = 64 * 1024;

struct Destination : jpeg_destination_mgr
{
    QIODevice *device = nullptr;
    JOCTET buffer[OutputBufferBytes];
    bool failed = false;
};

extern "C" void initDestination(j_compress_ptr) {}

bool flushTo(Destination *dest, size_t bytes)
{
    if (dest->device->write(reinterpret_cast<const char *>(dest->buffer), qint64(bytes)) == qint64(bytes))
        return true;
    dest->failed = true;
    return false;
}

extern "C" boolean emptyOutputBuffer(j_compress_ptr info)
{
    auto *dest = static_cast<Destination *>(info->dest);
    if (!flushTo(dest, OutputBufferBytes))
        ERREXIT(info, JERR_FILE_WRITE);
    dest->next_output_byte = dest->buffer;
    dest->free_in_buffer = OutputBufferBytes;
    return TRUE;
}

extern "C" void termDestination(j_compress_ptr info)
{
    auto *dest = static_cast<Destination *>(info->dest);
    if (!flushTo(dest, OutputBufferBytes - dest->free_in_buffer))
        ERREXIT(info, JERR_FILE_WRITE);
}

// Qt's writer stores the picture's density in whole dots per inch or per
// centimetre, whichever comes closer; a new QImage's is what it stores for
// a rendering.
void setDensity(jpeg_compress_struct *info)
{
    const QImage fresh(1, 1, QImage::Format_RGB32);
    const int x = fresh.dotsPerMeterX();
    const int y = fresh.dotsPerMeterY();
    const double diffInch =
        qAbs(x * 2.54 / 100. - qRound(x * 2.54 / 100.)) + qAbs(y * 2.54 / 100. - qRound(y * 2.54 / 100.));
    const double diffCm = (qAbs(x / 100. - qRound(x / 100.)) + qAbs(y / 100. - qRound(y / 100.))) * 2.54;
    if (diffInch < diffCm) {
        info->density_unit = 1;
        info->X_density = UINT16(qRound(x * 2.54 / 100.));
        info->Y_density = UINT16(qRound(y * 2.54 / 100.));
    } else {
        info->density_unit = 2;
        info->X_density = UINT16((x + 50) / 100);
        info->Y_density = UINT16((y + 50) / 100);
    }
}

} // namespace

struct JpegBandWriter::Data
{
    jpeg_compress_struct info{};
    ErrorManager err;
    Destination dest;
    bool created = false;
    std::vector<JSAMPROW> rows;

    ~Data()
    {
        if (created)
            jpeg_destroy_compress(&info);
    }

    QString failure() const
    {
        return dest.failed ? dest.device->errorString() : QString::fromLocal8Bit(err.message);
    }
};

namespace {

bool startCompress(jpeg_compress_struct *info, ErrorManager *err, Destination *dest, const QSize &size,
                   int quality, bool *created)
{
    if (setjmp(err->jump))
        return false;
    jpeg_create_compress(info);
    *created = true;
    info->dest = dest;
    info->image_width = JDIMENSION(size.width());
    info->image_height = JDIMENSION(size.height());
    info->input_components = 4;
    info->in_color_space = BandColourSpace;
    jpeg_set_defaults(info);
    setDensity(info);
    jpeg_set_quality(info, quality >= 0 ? qMin(quality, 100) : 75, TRUE);
    jpeg_start_compress(info, TRUE);
    return true;
}

bool writeRows(jpeg_compress_struct *info, ErrorManager *err, JSAMPROW *rows, int count)
{
    if (setjmp(err->jump))
        return false;
    for (int done = 0; done < count;)
        done += int(jpeg_write_scanlines(info, rows + done, JDIMENSION(count - done)));
    return true;
}

bool finishCompress(jpeg_compress_struct *info, ErrorManager *err)
{
    if (setjmp(err->jump))
        return false;
    jpeg_finish_compress(info);
    return true;
}

} // namespace

JpegBandWriter::JpegBandWriter() : d(new Data) {}

JpegBandWriter::~JpegBandWriter() = default;

bool JpegBandWriter::start(QIODevice *device, const QSize &size, bool, int quality, QString *why)
{
    initErrors(d->err);
    d->info.err = &d->err;
    d->dest.device = device;
    d->dest.init_destination = initDestination;
    d->dest.empty_output_buffer = emptyOutputBuffer;
    d->dest.term_destination = termDestination;
    d->dest.next_output_byte = d->dest.buffer;
    d->dest.free_in_buffer = OutputBufferBytes;
    if (!startCompress(&d->info, &d->err, &d->dest, size, quality, &d->created)) {
        *why = d->failure();
        return false;
    }
    return true;
}

bool JpegBandWriter::write(const QImage &band, QString *why)
{
    d->rows.resize(size_t(band.height()));
    for (int y = 0; y < band.height(); ++y)
        d->rows[size_t(y)] = const_cast<uchar *>(band.constScanLine(y)); // libjpeg only reads them
    if (!writeRows(&d->info, &d->err, d->rows.data(), band.height())) {
        *why = d->failure();
        return false;
    }
    return true;
}

bool JpegBandWriter::finish(QString *why)
{
    if (!finishCompress(&d->info, &d->err)) {
        *why = d->failure();
        return false;
    }
    return true;
}

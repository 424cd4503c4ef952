#include "jpegbands.h"
#include "jpegerrors.h"
#include "jpegrawdecoder.h"

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

extern "C" void errorExit(j_common_ptr info)
{
    auto *err = static_cast<JpegErrors *>(info->err);
    if (err->message[0] == 0)
        (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

extern "C" void emitMessage(j_common_ptr info, int level)
{
    auto *err = static_cast<JpegErrors *>(info->err);
    if (level < 0 && (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER))
        err->cutShort = true;
}

} // namespace

void initJpegErrors(JpegErrors &err)
{
    jpeg_std_error(&err);
    err.error_exit = errorExit;
    err.emit_message = emitMessage;
}

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "bands are read in the byte order of Format_ARGB32");

bool readJpegHeader(jpeg_decompress_struct *info, JpegErrors *err, FILE *file)
{
    if (setjmp(err->jump))
        return false;
    jpeg_create_decompress(info);
    jpeg_stdio_src(info, file);
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
        return false;
    info->dct_method = JDCT_ISLOW;
    info->do_fancy_upsampling = TRUE;
    info->out_color_space = BandColourSpace;
    jpeg_calc_output_dimensions(info);
    return true;
}

struct JpegBandReader::Data
{
    jpeg_decompress_struct info{};
    JpegErrors err;
    FILE *file = nullptr;
    bool created = false;
    bool started = false;
    std::vector<JSAMPROW> rows;
    std::unique_ptr<JpegRawDecoder> split; // the usual kind, decoded on two threads

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

bool readRows(jpeg_decompress_struct *info, JpegErrors *err, JSAMPROW *rows, int count, bool *started)
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
    initJpegErrors(d->err);
    d->info.err = &d->err;
    d->created = true;
    if (!readJpegHeader(&d->info, &d->err, d->file)) {
        *why = d->failure();
        return false;
    }
    if (JpegRawDecoder::takes(d->info)) {
        d->split = std::make_unique<JpegRawDecoder>();
        return d->split->start(path, why);
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

std::shared_ptr<HeldRows> JpegBandReader::keepRows(int first, int count, QString *why)
{
    if (!d->split)
        return BandReader::keepRows(first, count, why);
    return d->split->keep(first, count, why);
}

qint64 JpegBandReader::keptBytes(int first, int count) const
{
    return d->split ? d->split->keptBytes(first, count) : -1;
}

bool JpegBandReader::read(QImage &band, QString *why)
{
    d->rows.resize(size_t(band.height()));
    for (int y = 0; y < band.height(); ++y)
        d->rows[size_t(y)] = band.scanLine(y);
    if (d->split)
        return d->split->read(d->rows.data(), band.height(), why);
    if (!readRows(&d->info, &d->err, d->rows.data(), band.height(), &d->started)) {
        *why = d->failure();
        return false;
    }
    return true;
}

#include "jpegbands.h"
#include "bufferexchange.h"
#include "jpegerrors.h"

#include <QIODevice>

#include <cstring>
#include <thread>
#include <vector>

extern "C" {
#include <jerror.h>
#include <jpegint.h> // jpeg_entropy_encoder, the stage the coefficients are taken from
}

// A JPEG is encoded on two threads. The first runs libjpeg's own colour
// conversion, downsampling, DCT and quantization on the rows as they come,
// and takes the quantized blocks from it where its Huffman coder would have
// taken them. The second feeds those blocks, a row of MCUs at a time, to a
// second encoder in libjpeg's transcoding mode, which does only the Huffman
// coding and writes the file. Both stages are libjpeg's, with the same
// settings, so the bytes are those of one encoder working alone.

namespace {

constexpr size_t OutputBufferBytes = 64 * 1024;
constexpr int QueuedMcuRows = 3;

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

// The first stage's own headers go nowhere.
struct Discard : jpeg_destination_mgr
{
    JOCTET buffer[4096];
};

extern "C" void restartDiscard(j_compress_ptr info)
{
    auto *dest = static_cast<Discard *>(info->dest);
    dest->next_output_byte = dest->buffer;
    dest->free_in_buffer = sizeof dest->buffer;
}

extern "C" boolean emptyDiscard(j_compress_ptr info)
{
    restartDiscard(info);
    return TRUE;
}

extern "C" void termDiscard(j_compress_ptr) {}

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

// The settings of Qt's writer, on either stage.
void setUp(jpeg_compress_struct *info, const QSize &size, int quality)
{
    info->image_width = JDIMENSION(size.width());
    info->image_height = JDIMENSION(size.height());
    info->input_components = 4;
    info->in_color_space = BandColourSpace;
    jpeg_set_defaults(info);
    setDensity(info);
    jpeg_set_quality(info, quality >= 0 ? qMin(quality, 100) : 75, TRUE);
}

// One row of MCUs, quantized: for each component its rows of blocks.
struct McuRow
{
    std::vector<JCOEF> coefficients[MAX_COMPONENTS];
    std::vector<JBLOCKROW> rows[MAX_COMPONENTS];

    void allocate(const jpeg_compress_struct &info)
    {
        for (int ci = 0; ci < info.num_components; ++ci) {
            const jpeg_component_info &c = info.comp_info[ci];
            const size_t width = size_t(info.MCUs_per_row) * size_t(c.MCU_width);
            coefficients[ci].resize(width * size_t(c.MCU_height) * DCTSIZE2);
            rows[ci].resize(size_t(c.MCU_height));
            for (int y = 0; y < c.MCU_height; ++y)
                rows[ci][size_t(y)] =
                    reinterpret_cast<JBLOCKROW>(coefficients[ci].data() + size_t(y) * width * DCTSIZE2);
        }
    }
};

} // namespace

struct JpegBandWriter::Data
{
    // First stage: rows in, quantized blocks out.
    jpeg_compress_struct blocks{};
    JpegErrors blocksErr;
    Discard discard;
    bool blocksCreated = false;
    McuRow *filling = nullptr;
    JDIMENSION column = 0;
    std::vector<JSAMPROW> rows;

    // Second stage: blocks in, Huffman-coded file out.
    jpeg_compress_struct huffman{};
    JpegErrors huffmanErr;
    Destination dest;
    bool huffmanCreated = false;
    McuRow *reading = nullptr;
    JDIMENSION readingRow = 0;
    char components[MAX_COMPONENTS] = {}; // stand-ins for libjpeg's arrays of blocks
    bool huffmanOk = false;
    std::thread huffmanThread;

    // The rows of MCUs between the two stages, a few at a time.
    BufferExchange<McuRow> queue{QueuedMcuRows};

    ~Data()
    {
        if (huffmanThread.joinable()) {
            queue.stop();
            huffmanThread.join();
        }
        if (blocksCreated)
            jpeg_destroy_compress(&blocks);
        if (huffmanCreated)
            jpeg_destroy_compress(&huffman);
    }

    QString failure() const
    {
        if (dest.failed)
            return dest.device->errorString();
        return QString::fromLocal8Bit(huffmanErr.message[0] ? huffmanErr.message : blocksErr.message);
    }
};

namespace {

using Data = JpegBandWriter::Data;

// Where the first stage's Huffman coder would take an MCU: copied into the
// row being filled, which goes to the second stage once complete.
extern "C" boolean takeMcu(j_compress_ptr info, JBLOCKROW *mcu)
{
    auto *d = static_cast<Data *>(info->client_data);
    if (!d->filling && !(d->filling = d->queue.takeEmpty()))
        ERREXIT(info, JERR_FILE_WRITE); // the second stage gave up; its reason is the one given
    int block = 0;
    for (int ci = 0; ci < info->comps_in_scan; ++ci) {
        const jpeg_component_info &c = *info->cur_comp_info[ci];
        for (int y = 0; y < c.MCU_height; ++y) {
            JBLOCKROW row =
                d->filling->rows[c.component_index][size_t(y)] + d->column * JDIMENSION(c.MCU_width);
            for (int x = 0; x < c.MCU_width; ++x)
                std::memcpy(row + x, mcu[block++], sizeof(JBLOCK));
        }
    }
    if (++d->column == info->MCUs_per_row) {
        d->queue.putFull(d->filling);
        d->filling = nullptr;
        d->column = 0;
    }
    return TRUE;
}

// Where the second stage reads the blocks of a row of MCUs from its arrays:
// from the rows the first stage hands over, in order.
extern "C" JBLOCKARRAY giveMcuRow(j_common_ptr common, jvirt_barray_ptr array, JDIMENSION firstRow,
                                  JDIMENSION, boolean)
{
    auto *info = reinterpret_cast<j_compress_ptr>(common);
    auto *d = static_cast<Data *>(info->client_data);
    const int component = int(reinterpret_cast<char *>(array) - d->components);
    const JDIMENSION row = firstRow / JDIMENSION(info->comp_info[component].v_samp_factor);
    if (!d->reading || d->readingRow != row) {
        if (d->reading)
            d->queue.putEmpty(d->reading);
        d->reading = d->queue.takeFull();
        d->readingRow = row;
        if (!d->reading)
            ERREXIT(info, JERR_BAD_STATE); // the first stage stopped before its last row
    }
    return d->reading->rows[component].data();
}

bool startBlocks(Data *d, const QSize &size, int quality)
{
    jpeg_compress_struct *info = &d->blocks;
    if (setjmp(d->blocksErr.jump))
        return false;
    jpeg_create_compress(info);
    d->blocksCreated = true;
    info->client_data = d;
    d->discard.init_destination = restartDiscard;
    d->discard.empty_output_buffer = emptyDiscard;
    d->discard.term_destination = termDiscard;
    info->dest = &d->discard;
    setUp(info, size, quality);
    jpeg_start_compress(info, TRUE);
    info->entropy->encode_mcu = takeMcu;
    return true;
}

bool startHuffman(Data *d, const QSize &size, int quality)
{
    jpeg_compress_struct *info = &d->huffman;
    if (setjmp(d->huffmanErr.jump))
        return false;
    jpeg_create_compress(info);
    d->huffmanCreated = true;
    info->client_data = d;
    info->dest = &d->dest;
    setUp(info, size, quality);
    info->mem->access_virt_barray = giveMcuRow;
    return true;
}

bool encodeHuffman(Data *d)
{
    if (setjmp(d->huffmanErr.jump))
        return false;
    jvirt_barray_ptr arrays[MAX_COMPONENTS];
    for (int ci = 0; ci < MAX_COMPONENTS; ++ci)
        arrays[ci] = reinterpret_cast<jvirt_barray_ptr>(d->components + ci);
    jpeg_write_coefficients(&d->huffman, arrays);
    jpeg_finish_compress(&d->huffman);
    return true;
}

bool writeRows(Data *d, int count)
{
    if (setjmp(d->blocksErr.jump))
        return false;
    for (int done = 0; done < count;)
        done += int(jpeg_write_scanlines(&d->blocks, d->rows.data() + done, JDIMENSION(count - done)));
    return true;
}

} // namespace

JpegBandWriter::JpegBandWriter() : d(new Data) {}

JpegBandWriter::~JpegBandWriter() = default;

bool JpegBandWriter::start(QIODevice *device, const QSize &size, bool, int quality, QString *why)
{
    initJpegErrors(d->blocksErr);
    d->blocks.err = &d->blocksErr;
    initJpegErrors(d->huffmanErr);
    d->huffman.err = &d->huffmanErr;
    d->dest.device = device;
    d->dest.init_destination = initDestination;
    d->dest.empty_output_buffer = emptyOutputBuffer;
    d->dest.term_destination = termDestination;
    d->dest.next_output_byte = d->dest.buffer;
    d->dest.free_in_buffer = OutputBufferBytes;
    if (!startBlocks(d.get(), size, quality) || !startHuffman(d.get(), size, quality)) {
        *why = d->failure();
        return false;
    }
    for (McuRow &row : d->queue.all())
        row.allocate(d->blocks);
    d->huffmanThread = std::thread([this] {
        d->huffmanOk = encodeHuffman(d.get());
        if (!d->huffmanOk)
            d->queue.stop();
    });
    return true;
}

bool JpegBandWriter::write(const QImage &band, QString *why)
{
    d->rows.resize(size_t(band.height()));
    for (int y = 0; y < band.height(); ++y)
        d->rows[size_t(y)] = const_cast<uchar *>(band.constScanLine(y)); // libjpeg only reads them
    if (!writeRows(d.get(), band.height())) {
        d->queue.stop();
        d->huffmanThread.join();
        *why = d->failure();
        return false;
    }
    return true;
}

bool JpegBandWriter::finish(QString *why)
{
    // Every row of MCUs went to the second stage with the last rows written.
    jpeg_abort_compress(&d->blocks);
    d->queue.finish();
    d->huffmanThread.join();
    if (!d->huffmanOk) {
        *why = d->failure();
        return false;
    }
    return true;
}

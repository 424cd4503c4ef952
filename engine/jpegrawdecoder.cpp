#include "jpegrawdecoder.h"

#include "bufferexchange.h"
#include "jpegerrors.h"
#include "reflection.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <thread>
#include <vector>

extern "C" {
#include <jpegint.h> // jpeg_color_deconverter: libjpeg's own colour conversion
}

namespace {

constexpr int PlaneRowsBuffered = 5; // three in hand for the upsampling's neighbours, two on their way
constexpr int Batch = 16;            // rows converted at once
constexpr size_t Slack = 64;         // bytes past a row that vector code may touch

// One iMCU row of the three planes as jpeg_read_raw_data gives it: 16 luma
// rows and 8 of each chroma plane, each as wide as its blocks.
struct PlaneRows
{
    std::vector<JSAMPLE> samples[3];
    std::vector<JSAMPROW> rows[3];

    void allocate(const jpeg_decompress_struct &info)
    {
        for (int ci = 0; ci < 3; ++ci) {
            const jpeg_component_info &c = info.comp_info[ci];
            const size_t width = size_t(c.width_in_blocks) * DCTSIZE + Slack;
            const size_t count = size_t(c.v_samp_factor) * DCTSIZE;
            samples[ci].resize(width * count);
            rows[ci].resize(count);
            for (size_t y = 0; y < count; ++y)
                rows[ci][y] = samples[ci].data() + y * width;
        }
    }
};

// A header read as the band reader reads it, and decompression started, in
// planes or in pixels.
bool openDecompress(jpeg_decompress_struct *info, JpegErrors *err, FILE *file, bool raw)
{
    if (!readJpegHeader(info, err, file))
        return false;
    if (setjmp(err->jump))
        return false;
    info->raw_data_out = raw ? TRUE : FALSE;
    jpeg_start_decompress(info);
    return true;
}

// libjpeg's smooth 2 × 2 upsampling of one chroma row (jdsample.c,
// h2v2_fancy_upsample): each output sample is 9/16 of the nearest input
// sample, 3/16 of each of the two next nearest and 1/16 of the farthest,
// `near` being the chroma row the output row lies in and `far` the one
// above (for even rows) or below (for odd rows); the rounding alternates.
void upsampleRow(const JSAMPLE *near, const JSAMPLE *far, JSAMPLE *out, int width, qint16 *sums)
{
    for (int x = 0; x < width; ++x)
        sums[x] = qint16(near[x] * 3 + far[x]);
    out[0] = JSAMPLE((sums[0] * 4 + 8) >> 4);
    out[1] = JSAMPLE((sums[0] * 3 + sums[1] + 7) >> 4);
    for (int x = 1; x < width - 1; ++x) {
        out[2 * x] = JSAMPLE((sums[x] * 3 + sums[x - 1] + 8) >> 4);
        out[2 * x + 1] = JSAMPLE((sums[x] * 3 + sums[x + 1] + 7) >> 4);
    }
    const int last = width - 1;
    out[2 * last] = JSAMPLE((sums[last] * 3 + sums[last - 1] + 8) >> 4);
    out[2 * last + 1] = JSAMPLE((sums[last] * 4 + 7) >> 4);
}

// A decompressor of the same file that is never read from, for libjpeg's
// own colour conversion.
class ColourConverter
{
public:
    ColourConverter() = default;
    ColourConverter(const ColourConverter &) = delete;
    ColourConverter &operator=(const ColourConverter &) = delete;
    ~ColourConverter()
    {
        if (created)
            jpeg_destroy_decompress(&info);
        if (file)
            std::fclose(file);
    }

    bool open(const QByteArray &name, QString *why)
    {
        file = std::fopen(name.constData(), "rb");
        if (!file) {
            *why = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        initJpegErrors(err);
        info.err = &err;
        created = true;
        if (!openDecompress(&info, &err, file, false) || !JpegRawDecoder::takes(info)) {
            *why = err.message[0] ? QString::fromLocal8Bit(err.message)
                                  : QStringLiteral("the file changed while it was read");
            return false;
        }
        return true;
    }

    int height() const { return int(info.output_height); }

    // `rows` rows of the full-size planes into pixels.
    void convert(JSAMPIMAGE planes, JSAMPARRAY out, int rows)
    {
        info.cconvert->color_convert(&info, planes, 0, out, rows);
    }

private:
    jpeg_decompress_struct info{};
    JpegErrors err;
    FILE *file = nullptr;
    bool created = false;
};

// The mirrored rows of a photo kept as its planes are, luma at full size
// and chroma at a quarter, half the bytes of the pixels; turned into
// pixels again a row at a time when the reflection is written.
class PlanesHeld : public HeldRows
{
public:
    PlanesHeld(const jpeg_decompress_struct &info, int first, int count)
        : PlanesHeld(info, first, count, Measure{})
    {
        // The three planes in one block, not cleared (its pages are
        // touched only as rows come), in whole huge pages where the system
        // has them: a first touch of each small page costs more than the
        // copy into it.
        const size_t bytes = blockBytes();
        block.reset(static_cast<JSAMPLE *>(std::aligned_alloc(HugePage, bytes)));
        if (!block)
            throw std::bad_alloc();
        adviseHugePages(block.get(), bytes);
        luma = block.get();
        chroma[0] = luma + lumaStride * size_t(count);
        chroma[1] = chroma[0] + chromaBytes();
        for (std::vector<JSAMPLE> &row : upsampled)
            row.resize(2 * chromaStride);
        sums.resize(size_t(chromaWidth));
    }

    // What it holds for such rows: the block, the two upsampled rows and
    // the column sums.
    static qint64 bytesFor(const jpeg_decompress_struct &info, int first, int count)
    {
        const PlanesHeld layout(info, first, count, Measure{});
        return qint64(layout.blockBytes() + 2 * 2 * layout.chromaStride +
                      size_t(layout.chromaWidth) * sizeof(qint16));
    }

    bool open(const QByteArray &name, QString *why) { return colour.open(name, why); }

    // Copies what it keeps of luma row `y` and of the chroma rows at hand.
    template <typename RowOf>
    void take(int y, RowOf rowOf, int lastChromaAtHand)
    {
        if (y >= first && y < first + count)
            std::memcpy(luma + size_t(y - first) * lumaStride, rowOf(0, y), size_t(width));
        for (; nextChroma <= std::min(chromaLast, lastChromaAtHand); ++nextChroma)
            for (int ci = 0; ci < 2; ++ci)
                std::memcpy(chromaRow(ci, nextChroma), rowOf(ci + 1, nextChroma), size_t(chromaWidth));
    }

    const quint32 *row(int index, quint32 *scratch) override
    {
        const int y = first + index;
        const int c = y / 2;
        const int neighbour = std::clamp(y % 2 == 0 ? c - 1 : c + 1, 0, chromaHeight - 1);
        JSAMPROW planes[3] = {luma + size_t(index) * lumaStride, upsampled[0].data(), upsampled[1].data()};
        for (int ci = 0; ci < 2; ++ci)
            upsampleRow(chromaRow(ci, c), chromaRow(ci, neighbour), planes[ci + 1], chromaWidth, sums.data());
        JSAMPARRAY input[3] = {&planes[0], &planes[1], &planes[2]};
        JSAMPROW out = reinterpret_cast<JSAMPROW>(scratch);
        colour.convert(input, &out, 1);
        return scratch;
    }

    qint64 bytesPerRow() const override { return qint64(lumaStride) + qint64(chromaStride); }

private:
    struct Measure
    {
    };
    // The layout alone, nothing allocated.
    PlanesHeld(const jpeg_decompress_struct &info, int first, int count, Measure)
        : first(first), count(count), width(int(info.output_width)),
          chromaWidth(int(info.comp_info[1].downsampled_width)),
          chromaHeight(int(info.comp_info[1].downsampled_height)), chromaFirst(std::max(0, first / 2 - 1)),
          chromaLast(std::min(chromaHeight - 1, (first + count - 1) / 2 + 1)), nextChroma(chromaFirst),
          lumaStride(size_t(width) + Slack), chromaStride(size_t(chromaWidth) + Slack)
    {}

    static constexpr size_t HugePage = size_t(2) << 20;
    size_t chromaBytes() const { return chromaStride * size_t(chromaLast - chromaFirst + 1); }
    size_t blockBytes() const
    {
        return (lumaStride * size_t(count) + 2 * chromaBytes() + HugePage - 1) / HugePage * HugePage;
    }
    JSAMPLE *chromaRow(int ci, int c) { return chroma[ci] + size_t(c - chromaFirst) * chromaStride; }

    const int first, count, width, chromaWidth, chromaHeight;
    int chromaFirst, chromaLast, nextChroma;
    size_t lumaStride, chromaStride;
    struct Free
    {
        void operator()(JSAMPLE *p) const { std::free(p); }
    };
    std::unique_ptr<JSAMPLE, Free> block;
    JSAMPLE *luma = nullptr;
    JSAMPLE *chroma[2] = {};
    std::vector<JSAMPLE> upsampled[2];
    std::vector<qint16> sums;
    ColourConverter colour;
};

} // namespace

struct JpegRawDecoder::Data
{
    // Huffman decoding and inverse DCT, on a thread of its own.
    jpeg_decompress_struct raw{};
    JpegErrors rawErr;
    FILE *rawFile = nullptr;
    std::vector<char> readBuffer; // outlives rawFile, closed first
    bool rawCreated = false;
    QString rawWhy;
    std::thread thread;
    BufferExchange<PlaneRows> exchange{PlaneRowsBuffered};

    ColourConverter colour;
    std::shared_ptr<PlanesHeld> kept;

    std::deque<PlaneRows *> window; // the iMCU rows in hand, from windowFirst
    int windowFirst = 0;
    int nextRow = 0;
    std::vector<JSAMPLE> upsampled[2]; // Batch rows of each chroma plane
    std::vector<qint16> sums;          // a chroma row's column sums
    size_t upsampledWidth = 0;

    ~Data()
    {
        if (thread.joinable()) {
            exchange.stop();
            thread.join();
        }
        if (rawCreated)
            jpeg_destroy_decompress(&raw);
        if (rawFile)
            std::fclose(rawFile);
    }

    int height() const { return int(raw.output_height); }
    int rowsCount() const { return int(raw.total_iMCU_rows); }

    // Makes sure iMCU rows first..last are in hand, dropping those before.
    bool hold(int first, int last)
    {
        last = std::min(last, rowsCount() - 1);
        while (windowFirst + int(window.size()) <= last) {
            PlaneRows *rows = exchange.takeFull();
            if (!rows)
                return false;
            window.push_back(rows);
        }
        while (windowFirst < first) {
            exchange.putEmpty(window.front());
            window.pop_front();
            ++windowFirst;
        }
        return true;
    }

    JSAMPROW row(int component, int y) const
    {
        const int perRow = component == 0 ? 2 * DCTSIZE : DCTSIZE;
        return window[size_t(y / perRow - windowFirst)]->rows[component][size_t(y % perRow)];
    }
};

namespace {

bool decodeRaw(JpegRawDecoder::Data *d)
{
    if (setjmp(d->rawErr.jump))
        return false;
    const JDIMENSION lines = JDIMENSION(d->raw.max_v_samp_factor * DCTSIZE);
    while (d->raw.output_scanline < d->raw.output_height) {
        PlaneRows *rows = d->exchange.takeEmpty();
        if (!rows)
            return true; // the reading side gave up
        JSAMPARRAY planes[3] = {rows->rows[0].data(), rows->rows[1].data(), rows->rows[2].data()};
        if (jpeg_read_raw_data(&d->raw, planes, lines) != lines || d->rawErr.cutShort)
            return false;
        d->exchange.putFull(rows);
    }
    return true;
}

} // namespace

bool JpegRawDecoder::takes(const jpeg_decompress_struct &info)
{
    if (info.num_components != 3 || info.jpeg_color_space != JCS_YCbCr || info.progressive_mode ||
        info.out_color_space != BandColourSpace || info.output_width != info.image_width ||
        info.comp_info[0].h_samp_factor != 2 || info.comp_info[0].v_samp_factor != 2)
        return false;
    // Narrower chroma rows are upsampled plainly.
    for (int ci = 1; ci < 3; ++ci)
        if (info.comp_info[ci].h_samp_factor != 1 || info.comp_info[ci].v_samp_factor != 1 ||
            info.comp_info[ci].downsampled_width <= 2)
            return false;
    return true;
}

JpegRawDecoder::JpegRawDecoder() : d(new Data) {}

JpegRawDecoder::~JpegRawDecoder() = default;

bool JpegRawDecoder::start(const QString &path, QString *why)
{
    name = QFile::encodeName(path);
    d->rawFile = std::fopen(name.constData(), "rb");
    if (!d->rawFile) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // libjpeg asks for 4 KB at a time; a larger buffer saves most calls.
    d->readBuffer.resize(256 * 1024);
    std::setvbuf(d->rawFile, d->readBuffer.data(), _IOFBF, d->readBuffer.size());
    initJpegErrors(d->rawErr);
    d->raw.err = &d->rawErr;
    d->rawCreated = true;
    if (!openDecompress(&d->raw, &d->rawErr, d->rawFile, true)) {
        *why = QString::fromLocal8Bit(d->rawErr.message);
        return false;
    }
    if (!d->colour.open(name, why))
        return false;
    if (d->colour.height() != d->height()) {
        *why = QStringLiteral("the file changed while it was read");
        return false;
    }
    for (PlaneRows &rows : d->exchange.all())
        rows.allocate(d->raw);
    d->upsampledWidth = 2 * size_t(d->raw.comp_info[1].downsampled_width) + Slack;
    for (std::vector<JSAMPLE> &plane : d->upsampled)
        plane.resize(d->upsampledWidth * Batch);
    d->sums.resize(size_t(d->raw.comp_info[1].downsampled_width));
    d->thread = std::thread([d = d.get()] {
        if (!decodeRaw(d)) {
            d->rawWhy = d->rawErr.cutShort ? QStringLiteral("the file is cut short")
                                           : QString::fromLocal8Bit(d->rawErr.message);
            d->exchange.stop();
            return;
        }
        d->exchange.finish();
    });
    return true;
}

bool JpegRawDecoder::read(uchar *const *rows, int count, QString *why)
{
    const int chromaWidth = int(d->raw.comp_info[1].downsampled_width);
    const int chromaHeight = int(d->raw.comp_info[1].downsampled_height);
    for (int done = 0; done < count;) {
        const int y0 = d->nextRow;
        const int iMcuRow = y0 / (2 * DCTSIZE);
        // A run of rows within one iMCU row; its first and last chroma rows
        // may need their neighbours in the rows before and after.
        const int n = std::min({count - done, Batch, (iMcuRow + 1) * 2 * DCTSIZE - y0});
        if (y0 + n > d->height() || !d->hold(iMcuRow - 1, iMcuRow + 1)) {
            *why = d->rawWhy.isEmpty() ? QStringLiteral("the file is cut short") : d->rawWhy;
            return false;
        }
        JSAMPROW planes[3][Batch];
        for (int k = 0; k < n; ++k) {
            const int y = y0 + k;
            const int c = y / 2;
            const int neighbour = std::clamp(y % 2 == 0 ? c - 1 : c + 1, 0, chromaHeight - 1);
            planes[0][k] = d->row(0, y);
            for (int ci = 1; ci < 3; ++ci) {
                planes[ci][k] = d->upsampled[ci - 1].data() + size_t(k) * d->upsampledWidth;
                upsampleRow(d->row(ci, c), d->row(ci, neighbour), planes[ci][k], chromaWidth, d->sums.data());
            }
        }
        if (d->kept) {
            const int lastChromaAtHand = (d->windowFirst + int(d->window.size())) * DCTSIZE - 1;
            for (int k = 0; k < n; ++k)
                d->kept->take(
                    y0 + k, [&](int ci, int y) { return d->row(ci, y); }, lastChromaAtHand);
        }
        JSAMPARRAY input[3] = {planes[0], planes[1], planes[2]};
        d->colour.convert(input, const_cast<JSAMPARRAY>(rows + done), n);
        d->nextRow += n;
        done += n;
    }
    return true;
}

qint64 JpegRawDecoder::keptBytes(int first, int count) const
{
    return PlanesHeld::bytesFor(d->raw, first, count);
}

std::shared_ptr<HeldRows> JpegRawDecoder::keep(int first, int count, QString *why)
{
    if (d->nextRow > first) {
        *why = QStringLiteral("the rows are read already");
        return nullptr;
    }
    std::shared_ptr<PlanesHeld> kept;
    try {
        kept = std::make_shared<PlanesHeld>(d->raw, first, count);
    } catch (const std::bad_alloc &) {
        *why = QStringLiteral("not enough memory for the mirrored rows");
        return nullptr;
    }
    if (!kept->open(name, why))
        return nullptr;
    d->kept = kept;
    return kept;
}

#include "pngbands.h"
#include "bufferexchange.h"
#include "outputquality.h"

#include <QIODevice>

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

// A PNG is written on two threads. The first lays each row out as PNG
// stores it and filters it, choosing the filter as libpng 1.6 does; the
// second deflates the filtered rows with libpng's zlib settings, feeding
// zlib a row at a time as libpng does, and cuts the stream into IDAT chunks
// of libpng's size. The file is the one libpng writes alone with Qt's
// settings, byte for byte.

namespace {

// libpng's compression buffer, the size of every IDAT but the last.
constexpr uInt IdatBytes = 8192;
constexpr size_t OutputBlockBytes = 64 * 1024;
// Filtered rows between the two threads: about a band's worth, held in
// buffers of a few rows so that neither thread waits on the other's every row.
constexpr int QueuedBuffers = 4;
constexpr size_t BufferBytes = 128 * 1024;

enum Filter : uchar
{
    None,
    Sub,
    Up,
    Average,
    Paeth
};

void putUint32(uchar *to, quint32 value)
{
    to[0] = uchar(value >> 24);
    to[1] = uchar(value >> 16);
    to[2] = uchar(value >> 8);
    to[3] = uchar(value);
}

// The cost libpng gives a filtered byte: its distance from zero, the bytes
// from 128 up counting as negative.
inline unsigned cost(unsigned v)
{
    return v < 128 ? v : 256 - v;
}

inline int paethPredictor(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

template <Filter F>
inline unsigned predict(unsigned left, unsigned above, unsigned corner)
{
    if (F == Sub)
        return left;
    if (F == Up)
        return above;
    if (F == Average)
        return (left + above) / 2;
    return unsigned(paethPredictor(int(left), int(above), int(corner)));
}

// Filters `row` into `out` (the filter's byte first) and returns the
// row's cost, or some cost above `limit` as soon as it passes it: libpng
// stops there too, and such a filter is never chosen.
template <Filter F>
size_t filterRow(const uchar *row, const uchar *prev, size_t bytes, size_t bpp, size_t limit, uchar *out)
{
    constexpr size_t Stretch = 256; // bytes between looks at the limit
    out[0] = F;
    uchar *to = out + 1;
    size_t sum = 0;
    const size_t first = std::min(bpp, bytes); // the first pixel has nothing to its left
    for (size_t i = 0; i < first; ++i) {
        to[i] = uchar(row[i] - predict<F>(0, prev[i], 0));
        sum += cost(to[i]);
    }
    for (size_t start = first; start < bytes; start += Stretch) {
        const size_t end = std::min(bytes, start + Stretch);
        unsigned part = 0;
        for (size_t i = start; i < end; ++i) {
            const uchar v = uchar(row[i] - predict<F>(row[i - bpp], prev[i], prev[i - bpp]));
            to[i] = v;
            part += cost(v);
        }
        sum += part;
        if (sum > limit)
            break;
    }
    return sum;
}

// Rows of the picture filtered and ready to deflate, each its filter's
// byte and then its bytes.
struct FilteredRows
{
    std::vector<uchar> bytes;
    int rows = 0;
};

} // namespace

struct PngBandWriter::Data
{
    QIODevice *device = nullptr;
    QSize size;
    bool alpha = false;
    size_t rowBytes = 0; // without the filter's byte
    int rowsPerBuffer = 1;
    bool deviceFailed = false;
    QString zlibFailure;

    // First stage: rows in, filtered rows out. Sub, average and Paeth look
    // to the left, up, average and Paeth above.
    bool subAllowed = true;
    bool aboveAllowed = true;
    std::vector<uchar> current, previous, best, trial;
    FilteredRows *filling = nullptr;

    // Second stage: filtered rows in, IDAT chunks out.
    z_stream zlib{};
    bool zlibStarted = false;
    size_t imageBytes = 0; // libpng's image size, for the window of a small picture
    bool idatWritten = false;
    std::vector<uchar> output;  // zlib's, an IDAT's data
    std::vector<uchar> pending; // bytes for the file, less than a block
    bool deflateOk = false;
    std::thread deflateThread;

    BufferExchange<FilteredRows> queue{QueuedBuffers};

    ~Data()
    {
        if (deflateThread.joinable()) {
            queue.stop();
            deflateThread.join();
        }
        if (zlibStarted)
            deflateEnd(&zlib);
    }

    QString failure() const
    {
        if (deviceFailed)
            return device->errorString();
        return zlibFailure.isEmpty() ? QStringLiteral("the PNG could not be compressed") : zlibFailure;
    }

    // Into the file in whole blocks: larger than the device's own buffer,
    // they go straight to the file, whose error is then the one reported.
    bool writeBytes(const uchar *bytes, size_t length)
    {
        while (length > 0) {
            const size_t part = std::min(length, OutputBlockBytes - pending.size());
            pending.insert(pending.end(), bytes, bytes + part);
            bytes += part;
            length -= part;
            if (pending.size() == OutputBlockBytes && !flush())
                return false;
        }
        return true;
    }

    bool flush()
    {
        const qint64 length = qint64(pending.size());
        if (length > 0 && device->write(reinterpret_cast<const char *>(pending.data()), length) != length) {
            deviceFailed = true;
            return false;
        }
        pending.clear();
        return true;
    }

    bool writeChunk(const char *name, const uchar *data, size_t length)
    {
        uchar head[8], crc[4];
        putUint32(head, quint32(length));
        std::memcpy(head + 4, name, 4);
        uLong sum = crc32(0, head + 4, 4);
        if (length > 0) // zlib takes no data for a fresh start
            sum = crc32(sum, data, uInt(length));
        putUint32(crc, quint32(sum));
        return writeBytes(head, 8) && writeBytes(data, length) && writeBytes(crc, 4);
    }

    bool writeHeader();
    bool startZlib(int level);
    bool deflateRow(const uchar *input, size_t length, int mode);
    bool deflateAll();
    void filter(const uchar *line, uchar *out);
};

// Qt's writer for a rendering: the signature, the header, and the density
// of a new QImage, as libpng writes them.
bool PngBandWriter::Data::writeHeader()
{
    static const uchar signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    uchar header[13] = {};
    putUint32(header, quint32(size.width()));
    putUint32(header + 4, quint32(size.height()));
    header[8] = 8;
    header[9] = alpha ? 6 : 2;
    if (!writeBytes(signature, sizeof signature) || !writeChunk("IHDR", header, sizeof header))
        return false;
    const QImage fresh(1, 1, QImage::Format_RGB32);
    if (fresh.dotsPerMeterX() <= 0 && fresh.dotsPerMeterY() <= 0)
        return true;
    uchar density[9] = {};
    putUint32(density, quint32(fresh.dotsPerMeterX()));
    putUint32(density + 4, quint32(fresh.dotsPerMeterY()));
    density[8] = 1; // per metre
    return writeChunk("pHYs", density, sizeof density);
}

// libpng's zlib settings for the rows: a smaller window for a picture that
// does not fill the largest, and Z_FILTERED since the rows are filtered.
bool PngBandWriter::Data::startZlib(int level)
{
    imageBytes =
        rowBytes < 32768 && size.height() < 32768 ? (rowBytes + 1) * size_t(size.height()) : 0xffffffffU;
    int windowBits = 15;
    if (imageBytes <= 16384)
        for (unsigned half = 1U << (windowBits - 1); imageBytes + 262 <= half; half >>= 1)
            --windowBits;
    if (deflateInit2(&zlib, level, Z_DEFLATED, windowBits, 8, Z_FILTERED) != Z_OK) {
        zlibFailure = QString::fromLatin1(zlib.msg ? zlib.msg : "zlib could not start");
        return false;
    }
    zlibStarted = true;
    return true;
}

namespace {

// libpng tells readers of a small picture the smallest window that holds it,
// whatever window zlib wrote in the stream's first two bytes.
void narrowWindow(uchar *data, size_t imageBytes)
{
    if (imageBytes > 16384)
        return;
    unsigned cmf = data[0];
    if ((cmf & 0x0f) != 8 || (cmf & 0xf0) > 0x70)
        return;
    unsigned info = cmf >> 4;
    unsigned half = 1U << (info + 7);
    if (imageBytes > half)
        return;
    do {
        half >>= 1;
        --info;
    } while (info > 0 && imageBytes <= half);
    cmf = (cmf & 0x0f) | (info << 4);
    data[0] = uchar(cmf);
    unsigned flags = data[1] & 0xe0;
    flags += 0x1f - ((cmf << 8) + flags) % 0x1f;
    data[1] = uchar(flags);
}

} // namespace

// One call of libpng's for a row (or, with Z_FINISH, for the end): zlib is
// fed and emptied in the same steps, so that it makes the same stream.
bool PngBandWriter::Data::deflateRow(const uchar *input, size_t length, int mode)
{
    zlib.next_in = const_cast<uchar *>(input);
    for (;;) {
        const uInt avail = uInt(std::min<size_t>(length, UINT_MAX));
        zlib.avail_in = avail;
        length -= avail;
        const int ret = deflate(&zlib, length > 0 ? Z_NO_FLUSH : mode);
        length += zlib.avail_in;
        zlib.avail_in = 0;
        if (zlib.avail_out == 0) {
            if (!idatWritten)
                narrowWindow(output.data(), imageBytes);
            if (!writeChunk("IDAT", output.data(), IdatBytes))
                return false;
            idatWritten = true;
            zlib.next_out = output.data();
            zlib.avail_out = IdatBytes;
            if (ret == Z_OK && mode != Z_NO_FLUSH)
                continue;
        }
        if (ret == Z_OK && length == 0 && mode != Z_FINISH)
            return true;
        if (ret == Z_OK && length > 0)
            continue;
        if (ret == Z_STREAM_END && mode == Z_FINISH) {
            const size_t left = IdatBytes - zlib.avail_out;
            if (!idatWritten)
                narrowWindow(output.data(), imageBytes);
            return left == 0 || writeChunk("IDAT", output.data(), left);
        }
        zlibFailure = QString::fromLatin1(zlib.msg ? zlib.msg : "zlib failed");
        return false;
    }
}

// The second stage: every row as it comes, then the end of the stream and
// of the file.
bool PngBandWriter::Data::deflateAll()
{
    const size_t stride = rowBytes + 1;
    for (int done = 0; done < size.height();) {
        FilteredRows *rows = queue.takeFull();
        if (!rows)
            return false; // the first stage gave up
        for (int y = 0; y < rows->rows; ++y)
            if (!deflateRow(rows->bytes.data() + size_t(y) * stride, stride, Z_NO_FLUSH))
                return false;
        done += std::exchange(rows->rows, 0);
        queue.putEmpty(rows);
    }
    return deflateRow(nullptr, 0, Z_FINISH) && writeChunk("IEND", nullptr, 0) && flush();
}

// A row of the band in PNG's layout, filtered as libpng's default choice
// for 8-bit colour does: the filter whose bytes cost least, ties going to
// the one tried first (none, sub, up, average, Paeth); above the first row
// lies a row of zeros.
void PngBandWriter::Data::filter(const uchar *line, uchar *out)
{
    const int width = size.width();
    uchar *row = current.data();
    if (alpha) {
        for (int x = 0; x < width; ++x, line += 4, row += 4) {
            row[0] = line[2];
            row[1] = line[1];
            row[2] = line[0];
            row[3] = line[3];
        }
    } else {
        for (int x = 0; x < width; ++x, line += 4, row += 3) {
            row[0] = line[2];
            row[1] = line[1];
            row[2] = line[0];
        }
    }
    row = current.data();
    const uchar *prev = previous.data();
    const size_t bpp = alpha ? 4 : 3;
    const uchar *chosen = nullptr;
    if (subAllowed || aboveAllowed) {
        size_t least = 0;
        for (size_t i = 0; i < rowBytes; ++i)
            least += cost(row[i]);
        const auto consider = [&](size_t sum) {
            if (sum < least) {
                least = sum;
                std::swap(best, trial);
                chosen = best.data();
            }
        };
        if (subAllowed)
            consider(filterRow<Sub>(row, prev, rowBytes, bpp, least, trial.data()));
        if (aboveAllowed)
            consider(filterRow<Up>(row, prev, rowBytes, bpp, least, trial.data()));
        if (subAllowed && aboveAllowed) {
            consider(filterRow<Average>(row, prev, rowBytes, bpp, least, trial.data()));
            consider(filterRow<Paeth>(row, prev, rowBytes, bpp, least, trial.data()));
        }
    }
    if (chosen) {
        std::memcpy(out, chosen, rowBytes + 1);
    } else {
        out[0] = None;
        std::memcpy(out + 1, row, rowBytes);
    }
    std::swap(current, previous);
}

PngBandWriter::PngBandWriter() : d(new Data) {}

PngBandWriter::~PngBandWriter() = default;

bool PngBandWriter::start(QIODevice *device, const QSize &size, bool alpha, int quality, QString *why)
{
    d->device = device;
    d->size = size;
    d->alpha = alpha;
    d->pending.reserve(OutputBlockBytes);
    d->rowBytes = size_t(size.width()) * (alpha ? 4 : 3);
    // libpng leaves out the filters that look at a missing neighbour.
    d->subAllowed = size.width() > 1;
    d->aboveAllowed = size.height() > 1;
    // Qt's mapping of a quality to zlib's level.
    const int q = writerQuality("png", quality);
    const int level = q >= 0 ? (100 - qMin(q, 100)) * 9 / 91 : Z_DEFAULT_COMPRESSION;
    if (!d->writeHeader() || !d->startZlib(level)) {
        *why = d->failure();
        return false;
    }
    for (std::vector<uchar> *row : {&d->current, &d->previous, &d->best, &d->trial})
        row->assign(d->rowBytes + 1, 0);
    d->rowsPerBuffer = int(std::clamp<size_t>(BufferBytes / (d->rowBytes + 1), 1, size_t(size.height())));
    for (FilteredRows &rows : d->queue.all())
        rows.bytes.resize(size_t(d->rowsPerBuffer) * (d->rowBytes + 1));
    d->output.resize(IdatBytes);
    d->zlib.next_out = d->output.data();
    d->zlib.avail_out = IdatBytes;
    d->deflateThread = std::thread([this] {
        d->deflateOk = d->deflateAll();
        if (!d->deflateOk)
            d->queue.stop();
    });
    return true;
}

bool PngBandWriter::write(const QImage &band, QString *why)
{
    const size_t stride = d->rowBytes + 1;
    for (int y = 0; y < band.height(); ++y) {
        if (!d->filling && !(d->filling = d->queue.takeEmpty())) {
            // The second stage gave up; its reason is the one given.
            d->deflateThread.join();
            *why = d->failure();
            return false;
        }
        d->filter(band.constScanLine(y), d->filling->bytes.data() + size_t(d->filling->rows) * stride);
        if (++d->filling->rows == d->rowsPerBuffer) {
            d->queue.putFull(d->filling);
            d->filling = nullptr;
        }
    }
    return true;
}

bool PngBandWriter::finish(QString *why)
{
    if (d->filling && d->filling->rows > 0)
        d->queue.putFull(std::exchange(d->filling, nullptr));
    d->queue.finish();
    d->deflateThread.join();
    if (!d->deflateOk) {
        *why = d->failure();
        return false;
    }
    return true;
}

#include "tiffbands.h"

#include "memorybudget.h"

#include <QFile>
#include <QFileDevice>
#include <QIODevice>

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <vector>

namespace {

// The device libtiff reads or writes, and its messages, which go to the
// object that opened the file rather than to stderr; the first error is the
// one that explains the rest. A writer given up on has no device left, so
// that the close does not write the end of a file no one keeps.
struct Channel
{
    QIODevice *device = nullptr;
    QString error;
};

extern "C" int keepError(TIFF *, void *user, const char *, const char *format, va_list args)
{
    auto *channel = static_cast<Channel *>(user);
    if (channel->error.isEmpty())
        channel->error = QString::vasprintf(format, args);
    return 1;
}

extern "C" int dropWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

// The device procedures Qt's plug-in hands libtiff, with the same answers:
// where libtiff writes its directory and how it patches the header depend
// on them.
extern "C" tsize_t readDevice(thandle_t fd, tdata_t buf, tsize_t size)
{
    QIODevice *device = static_cast<Channel *>(fd)->device;
    return device && device->isReadable() ? device->read(static_cast<char *>(buf), size) : -1;
}

extern "C" tsize_t writeDevice(thandle_t fd, tdata_t buf, tsize_t size)
{
    QIODevice *device = static_cast<Channel *>(fd)->device;
    return device ? device->write(static_cast<char *>(buf), size) : -1;
}

extern "C" toff_t seekDevice(thandle_t fd, toff_t off, int whence)
{
    QIODevice *device = static_cast<Channel *>(fd)->device;
    if (!device)
        return toff_t(-1);
    switch (whence) {
    case SEEK_SET:
        device->seek(qint64(off));
        break;
    case SEEK_CUR:
        device->seek(device->pos() + qint64(off));
        break;
    case SEEK_END:
        device->seek(device->size() + qint64(off));
        break;
    }
    return toff_t(device->pos());
}

extern "C" int closeDevice(thandle_t)
{
    return 0;
}

extern "C" toff_t deviceSize(thandle_t fd)
{
    QIODevice *device = static_cast<Channel *>(fd)->device;
    return device ? toff_t(device->size()) : 0;
}

// Files are read through a map of them, as Qt's reader reads them, which
// is also how libtiff checks strips against the file's end.
extern "C" int mapDevice(thandle_t fd, void **base, toff_t *size)
{
    auto *file = qobject_cast<QFileDevice *>(static_cast<Channel *>(fd)->device);
    *base = file ? file->map(0, file->size()) : nullptr;
    if (!*base)
        return 0;
    *size = toff_t(file->size());
    return 1;
}

extern "C" void unmapDevice(thandle_t fd, void *base, toff_t)
{
    if (auto *file = qobject_cast<QFileDevice *>(static_cast<Channel *>(fd)->device))
        file->unmap(static_cast<uchar *>(base));
}

TIFF *openOn(Channel *channel, const char *mode)
{
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepError, channel);
    TIFFOpenOptionsSetWarningHandlerExtR(options, dropWarning, channel);
    TIFF *tiff = TIFFClientOpenExt("glassmere", mode, channel, readDevice, writeDevice, seekDevice,
                                   closeDevice, deviceSize, mapDevice, unmapDevice, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

QString damaged()
{
    return QStringLiteral("the picture data is damaged or cut short");
}

// Strips decoded at once; beyond it a file claiming huge strips is left to
// Qt's reader, which has its own limits.
constexpr tmsize_t MaxStripBytes = tmsize_t(32) << 20;

// The pixels a classic TIFF holds, with room for its header, directory and
// strip tables.
constexpr qint64 MaxTiffBytes = (qint64(1) << 32) - (qint64(16) << 20);

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "bands are written in the byte order of Format_ARGB32");

} // namespace

struct TiffBandReader::Data
{
    QFile file;
    Channel channel;
    TIFF *tiff = nullptr;
    bool covered = false;
    int width = 0;
    int height = 0;
    int samples = 0;
    bool planes = false; // one strip a sample
    uint32_t rowsPerStrip = 0;
    tmsize_t lineBytes = 0;
    // The strip of rows decoded last, one buffer a plane.
    std::vector<std::vector<uchar>> strip;
    int stripRow = -1; // its first row
    int nextRow = 0;

    ~Data()
    {
        if (tiff)
            TIFFClose(tiff);
    }

    // Decodes the strip holding row `y`, as libtiff's RGBA reading under Qt's
    // does: every plane, failing on any error.
    bool load(int y)
    {
        const uint32_t first = uint32_t(y) / rowsPerStrip * rowsPerStrip;
        if (stripRow == int(first))
            return true;
        const uint32_t index = TIFFComputeStrip(tiff, first, 0);
        const uint32_t perPlane = TIFFNumberOfStrips(tiff) / (planes ? uint32_t(samples) : 1);
        for (size_t p = 0; p < strip.size(); ++p) {
            std::fill(strip[p].begin(), strip[p].end(), uchar(0));
            if (TIFFReadEncodedStrip(tiff, index + uint32_t(p) * perPlane, strip[p].data(), -1) < 0)
                return false;
        }
        stripRow = int(first);
        return true;
    }
};

TiffBandReader::TiffBandReader() : d(new Data) {}

TiffBandReader::~TiffBandReader() = default;

bool TiffBandReader::open(const QString &path, QString *why)
{
    d->file.setFileName(path);
    if (!d->file.open(QIODevice::ReadOnly)) {
        *why = d->file.errorString();
        return false;
    }
    d->channel.device = &d->file;
    d->tiff = openOn(&d->channel, "r");
    if (!d->tiff) {
        *why = damaged();
        return false;
    }
    TIFF *tiff = d->tiff;
    uint32_t width = 0, height = 0;
    uint16_t photometric = 0, bits = 0, samples = 0, format = 0, planar = 0, compression = 0,
             orientation = ORIENTATION_TOPLEFT, predictor = PREDICTOR_NONE, extraCount = 0;
    uint16_t *extra = nullptr;
    // Qt's reader fails without these three.
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) ||
        !TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric))
        return true; // not covered
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetField(tiff, TIFFTAG_PREDICTOR, &predictor);
    const bool hasExtra = TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);

    const bool packing = compression == COMPRESSION_NONE || compression == COMPRESSION_LZW ||
                         compression == COMPRESSION_ADOBE_DEFLATE || compression == COMPRESSION_DEFLATE ||
                         compression == COMPRESSION_PACKBITS;
    // An alpha Qt reads as stored: one extra sample, explicitly unspecified.
    // Without the field Qt reads it as stored too, but whether libtiff does
    // depends on how it was built.
    const bool samplesOk =
        (samples == 3 && (!hasExtra || extraCount == 0)) ||
        (samples == 4 && hasExtra && extraCount == 1 && extra[0] == EXTRASAMPLE_UNSPECIFIED);
    d->width = int(qMin<uint32_t>(width, INT_MAX));
    d->height = int(qMin<uint32_t>(height, INT_MAX));
    d->samples = samples;
    d->planes = planar == PLANARCONFIG_SEPARATE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &d->rowsPerStrip);
    d->rowsPerStrip = qMin(d->rowsPerStrip, height);
    d->lineBytes = TIFFScanlineSize(tiff);
    const tmsize_t stripBytes = TIFFStripSize(tiff);
    d->covered = photometric == PHOTOMETRIC_RGB && bits == 8 && samplesOk && format == SAMPLEFORMAT_UINT &&
                 (planar == PLANARCONFIG_CONTIG || d->planes) && packing &&
                 (predictor == PREDICTOR_NONE || predictor == PREDICTOR_HORIZONTAL) &&
                 orientation == ORIENTATION_TOPLEFT && !TIFFIsTiled(tiff) && width > 0 && height > 0 &&
                 width <= INT_MAX / 4 && height <= INT_MAX && d->rowsPerStrip > 0 &&
                 d->lineBytes == tmsize_t(width) * (d->planes ? 1 : samples) && stripBytes > 0 &&
                 stripBytes <= MaxStripBytes &&
                 TIFFNumberOfStrips(tiff) ==
                     (height + d->rowsPerStrip - 1) / d->rowsPerStrip * (d->planes ? samples : 1);
    if (d->covered)
        d->strip.assign(d->planes ? samples : 1, std::vector<uchar>(size_t(stripBytes)));
    return true;
}

QSize TiffBandReader::size() const
{
    return QSize(d->width, d->height);
}

bool TiffBandReader::isCovered() const
{
    return d->covered;
}

bool TiffBandReader::hasAlpha() const
{
    return d->samples == 4;
}

bool TiffBandReader::read(QImage &band, QString *why)
{
    const int n = d->samples;
    for (int y = 0; y < band.height(); ++y, ++d->nextRow) {
        if (d->nextRow >= d->height || !d->load(d->nextRow)) {
            *why = damaged();
            return false;
        }
        const size_t offset = size_t(d->nextRow - d->stripRow) * size_t(d->lineBytes);
        uchar *out = band.scanLine(y);
        if (d->planes) {
            const uchar *r = d->strip[0].data() + offset, *g = d->strip[1].data() + offset,
                        *b = d->strip[2].data() + offset, *a = n == 4 ? d->strip[3].data() + offset : nullptr;
            for (int x = 0; x < d->width; ++x, out += 4) {
                out[0] = b[x];
                out[1] = g[x];
                out[2] = r[x];
                out[3] = a ? a[x] : 255;
            }
        } else {
            const uchar *in = d->strip[0].data() + offset;
            for (int x = 0; x < d->width; ++x, in += n, out += 4) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = n == 4 ? in[3] : 255;
            }
        }
    }
    return true;
}

bool TiffBandReader::finish(QString *why)
{
    // Qt's reader decodes every strip; a damaged one fails the picture.
    for (qint64 y = d->nextRow; y < d->height; y = qint64(d->stripRow) + d->rowsPerStrip) {
        if (!d->load(int(y))) {
            *why = damaged();
            return false;
        }
    }
    return true;
}

qint64 TiffBandReader::heldBytes() const
{
    qint64 bytes = 0;
    for (const std::vector<uchar> &plane : d->strip)
        bytes += qint64(plane.size());
    return bytes;
}

struct TiffBandWriter::Data
{
    Channel channel;
    TIFF *tiff = nullptr;
    bool alpha = false;
    int row = 0;
    std::vector<uchar> line;

    ~Data()
    {
        channel.device = nullptr; // given up on: the device may be gone
        if (tiff)
            TIFFClose(tiff);
    }

    // A failed write of a file says why in the file's error.
    QString failure() const
    {
        const auto *file = qobject_cast<const QFileDevice *>(channel.device);
        if (file && file->error() != QFileDevice::NoError)
            return file->errorString();
        return channel.error.isEmpty() ? QStringLiteral("the TIFF writer failed") : channel.error;
    }
};

TiffBandWriter::TiffBandWriter() : d(new Data) {}

TiffBandWriter::~TiffBandWriter() = default;

bool TiffBandWriter::start(QIODevice *device, const QSize &size, bool alpha, int quality, QString *why)
{
    Q_UNUSED(quality); // Qt's TIFF writer has no quality
    // Qt's writer makes classic TIFFs, whose offsets stop at 4 GB; libtiff
    // would notice only once that much is written.
    const qint64 bytes = qint64(size.width()) * size.height() * (alpha ? 4 : 3);
    if (bytes > MaxTiffBytes) {
        *why = QStringLiteral("a TIFF file holds at most 4 GB; the picture needs %1").arg(formatBytes(bytes));
        return false;
    }
    d->channel.device = device;
    d->alpha = alpha;
    d->tiff = openOn(&d->channel, "wB");
    TIFF *tiff = d->tiff;
    // The tags in the order Qt's writer sets them, for an ARGB32 rendering
    // with alpha and an RGB32 one without: a new QImage's density (not a
    // whole number of dots a centimetre, so in inches), upright, no colour
    // profile.
    const QImage fresh(1, 1, QImage::Format_RGB32);
    const bool centimetres = fresh.dotsPerMeterX() % 100 == 0 && fresh.dotsPerMeterY() % 100 == 0;
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    bool ok = tiff && TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, size.width()) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, size.height()) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (ok && centimetres)
        ok = TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER) &&
             TIFFSetField(tiff, TIFFTAG_XRESOLUTION, fresh.dotsPerMeterX() / 100.0) &&
             TIFFSetField(tiff, TIFFTAG_YRESOLUTION, fresh.dotsPerMeterY() / 100.0);
    else if (ok)
        ok = TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
             TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(fresh.logicalDpiX())) &&
             TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(fresh.logicalDpiY()));
    ok = ok && TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
         TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
         TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, alpha ? 4 : 3) &&
         TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
         (!alpha || TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra));
    if (ok) {
        // Qt's choice of strips: about 4 MB each.
        const qint64 lineBytes = qMax(qint64(1), qint64(TIFFScanlineSize(tiff)));
        const qint64 rows = (4 * 1024 * 1024) / lineBytes;
        const auto request = static_cast<quint32>(qBound(qint64(1), rows, qint64(UINT_MAX)));
        ok = TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, request));
    }
    if (!ok) {
        *why = d->failure();
        return false;
    }
    d->line.resize(size_t(size.width()) * (alpha ? 4 : 3));
    return true;
}

qint64 TiffBandWriter::heldBytes(const QSize &size, bool alpha) const
{
    // libtiff gathers a strip (about 4 MB, at least a row) before writing
    // it, in a buffer a tenth larger; and a row is laid out here.
    const qint64 row = qint64(size.width()) * (alpha ? 4 : 3);
    const qint64 strip = std::min(qint64(size.height()) * row, std::max(qint64(4) << 20, row));
    return strip + strip / 10 + row;
}

bool TiffBandWriter::write(const QImage &band, QString *why)
{
    const int n = d->alpha ? 4 : 3;
    for (int y = 0; y < band.height(); ++y, ++d->row) {
        const uchar *in = band.constScanLine(y);
        uchar *out = d->line.data();
        for (int x = 0; x < band.width(); ++x, in += 4, out += n) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (n == 4)
                out[3] = in[3];
        }
        if (TIFFWriteScanline(d->tiff, d->line.data(), uint32_t(d->row), 0) != 1) {
            *why = d->failure();
            return false;
        }
    }
    return true;
}

bool TiffBandWriter::finish(QString *why)
{
    // Closing writes the last strip and the directory; flushed first, as
    // the close itself does, to learn whether that worked.
    const bool ok = TIFFFlush(d->tiff) == 1;
    TIFFClose(d->tiff);
    d->tiff = nullptr;
    if (!ok)
        *why = d->failure();
    return ok;
}

#include "photometadata.h"

#include <QFile>
#include <QtEndian>

// Exiv2 0.27 hands images out in std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp> // not among exiv2.hpp's

#include <webp/mux.h>

#include <zlib.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <set>
#include <stdexcept>

namespace {

// Tags of the main picture that describe how its pixels are stored, not the
// photo: the writer sets its own, and a copy would contradict the new file.
// The colour profile, XMP, IPTC and Photoshop blocks of a TIFF are dropped
// here as well: the profile travels on its own path, the rest is not EXIF.
const std::set<uint16_t> &storageTags()
{
    static const std::set<uint16_t> tags = {0x00fe, 0x00ff, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x010a,
                                            0x0111, 0x0115, 0x0116, 0x0117, 0x011c, 0x013d, 0x0142, 0x0143,
                                            0x0144, 0x0145, 0x014a, 0x0152, 0x0153, 0x0201, 0x0202, 0x0211,
                                            0x0212, 0x02bc, 0x83bb, 0x8649, 0x8773};
    return tags;
}

constexpr uint16_t GpsPointerTag = 0x8825;
constexpr uint16_t IccTag = 0x8773;

// Exiv2 reports through a global log (muted: callers report for
// themselves) and its XMP toolkit must be set up once, with a lock, before
// images are opened on several threads.
void initialiseExiv2()
{
    static std::once_flag once;
    static std::mutex xmpMutex;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::enableBMFF(); // AVIF, read only: libavif writes its blocks
        Exiv2::XmpParser::initialize(
            [](void *mutex, bool lock) {
                if (lock)
                    static_cast<std::mutex *>(mutex)->lock();
                else
                    static_cast<std::mutex *>(mutex)->unlock();
            },
            &xmpMutex);
    });
}

// The header of an ICC profile starts with its own length; anything else is
// not a profile any reader would accept.
bool plausibleProfile(const QByteArray &icc)
{
    return icc.size() >= 128 && qFromBigEndian<quint32>(icc.constData()) == quint32(icc.size());
}

// Exiv2 0.27 writes a PNG's profile chunk with an empty name, which libpng
// (and so Qt and most viewers) refuses as a bad keyword. Names it.
void nameProfileChunk(QByteArray &png)
{
    static const QByteArray name = "ICC profile";
    for (int at = 8; at + 12 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        if (length > quint32(png.size() - at - 12))
            return;
        if (png.mid(at + 4, 4) == "iCCP" && length > 0 && png.at(at + 8) == '\0') {
            png.insert(at + 8, name);
            qToBigEndian(quint32(length + name.size()), png.data() + at);
            const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(png.constData() + at + 4),
                                              uInt(4 + length + name.size())));
            qToBigEndian(crc, png.data() + at + 8 + length + name.size());
            return;
        }
        at += int(length) + 12;
    }
}

// The EXIF worth carrying under `policy`.
Exiv2::ExifData carried(const Exiv2::ExifData &all, MetadataPolicy policy)
{
    Exiv2::ExifData exif;
    for (const Exiv2::Exifdatum &datum : all) {
        const bool gps =
            datum.groupName() == "GPSInfo" || (datum.groupName() == "Image" && datum.tag() == GpsPointerTag);
        if (!(gps && policy == MetadataPolicy::StripGps))
            exif.add(datum);
    }
    return exif;
}

// The pixels were turned on reading, and the output has its own size.
void describeOutput(Exiv2::ExifData &exif, uint32_t width, uint32_t height)
{
    const auto set = [&exif](const char *key, uint32_t value) {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        if (it != exif.end())
            it->setValue(std::to_string(value));
    };
    set("Exif.Image.Orientation", 1);
    set("Exif.Photo.PixelXDimension", width);
    set("Exif.Photo.PixelYDimension", height);
}

// exiv2 0.27 writes a WebP's colour profile under the wrong chunk name,
// which leaves a file no reader takes: libwebp's own muxer adds the blocks.
QByteArray webpWith(const QByteArray &webp, const PhotoMetadata &metadata, MetadataPolicy policy,
                    QString *warning)
{
    const WebPData data{reinterpret_cast<const uint8_t *>(webp.constData()), size_t(webp.size())};
    const std::unique_ptr<WebPMux, void (*)(WebPMux *)> mux(WebPMuxCreate(&data, 0), WebPMuxDelete);
    int width = 0, height = 0;
    if (!mux || WebPMuxGetCanvasSize(mux.get(), &width, &height) != WEBP_MUX_OK)
        throw std::runtime_error("libwebp cannot take the file apart");
    const PhotoMetadata::Blocks blocks = metadata.blocksFor(QSize(width, height), policy, warning);
    for (const auto &[name, block] : {std::pair{"ICCP", &blocks.icc}, std::pair{"EXIF", &blocks.exif}}) {
        const WebPData chunk{reinterpret_cast<const uint8_t *>(block->constData()), size_t(block->size())};
        if (!block->isEmpty() && WebPMuxSetChunk(mux.get(), name, &chunk, 0) != WEBP_MUX_OK)
            throw std::runtime_error("libwebp cannot add the photo information");
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        throw std::runtime_error("libwebp cannot put the file together");
    const QByteArray result(reinterpret_cast<const char *>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    return result;
}

QString reasonOf(const std::exception &e)
{
    return QString::fromLocal8Bit(e.what()).trimmed();
}

} // namespace

struct PhotoMetadata::Data
{
    Exiv2::ExifData exif; // only what is worth carrying, see read()
    QByteArray icc;
};

PhotoMetadata::PhotoMetadata() = default;

bool PhotoMetadata::isEmpty() const
{
    return !d || (d->exif.empty() && d->icc.isEmpty());
}

PhotoMetadata PhotoMetadata::read(const QString &path, QString *warning)
{
    PhotoMetadata result;
    try {
        initialiseExiv2();
        const std::string file = QFile::encodeName(path).toStdString();
        if (Exiv2::ImageFactory::getType(file) == Exiv2::ImageType::none)
            return result;
        auto image = Exiv2::ImageFactory::open(file);
        image->readMetadata();

        auto data = std::make_shared<Data>();
        for (const Exiv2::Exifdatum &datum : image->exifData()) {
            const std::string group = datum.groupName();
            const bool wanted = group == "Photo" || group == "GPSInfo" || group == "Iop" ||
                                group == "MakerNote" || Exiv2::ExifTags::isMakerGroup(group) ||
                                (group == "Image" && !storageTags().count(datum.tag()));
            if (wanted)
                data->exif.add(datum);
        }
        if (image->iccProfileDefined()) {
            const Exiv2::DataBuf *icc = image->iccProfile();
            data->icc = QByteArray(reinterpret_cast<const char *>(icc->pData_), int(icc->size_));
        } else {
            // TIFF keeps its profile as a tag.
            const auto it = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.InterColorProfile"));
            if (it != image->exifData().end() && it->tag() == IccTag) {
                QByteArray icc(int(it->size()), Qt::Uninitialized);
                it->copy(reinterpret_cast<Exiv2::byte *>(icc.data()), Exiv2::bigEndian);
                data->icc = icc;
            }
        }
        if (!plausibleProfile(data->icc))
            data->icc.clear();
        result.d = std::move(data);
    } catch (const std::exception &e) {
        if (warning)
            *warning = reasonOf(e);
        result.d.reset();
    } catch (...) {
        if (warning)
            *warning = QStringLiteral("unreadable photo information");
        result.d.reset();
    }
    return result;
}

QByteArray PhotoMetadata::applyTo(const QByteArray &encoded, MetadataPolicy policy, QString *warning) const
{
    if (policy == MetadataPolicy::StripAll || isEmpty())
        return encoded;
    try {
        initialiseExiv2();
        const auto *bytes = reinterpret_cast<const Exiv2::byte *>(encoded.constData());
        const int type = Exiv2::ImageFactory::getType(bytes, long(encoded.size()));
        if (type == Exiv2::ImageType::webp)
            return webpWith(encoded, *this, policy, warning);
        if (type != Exiv2::ImageType::jpeg && type != Exiv2::ImageType::png && type != Exiv2::ImageType::tiff)
            return encoded;
        auto image = Exiv2::ImageFactory::open(bytes, long(encoded.size()));
        image->readMetadata();

        Exiv2::ExifData exif = carried(d->exif, policy);
        if (!exif.empty()) {
            // What the writer put there itself (a TIFF's storage tags) stays.
            for (const Exiv2::Exifdatum &own : image->exifData())
                if (exif.findKey(Exiv2::ExifKey(own.key())) == exif.end())
                    exif.add(own);
            describeOutput(exif, uint32_t(image->pixelWidth()), uint32_t(image->pixelHeight()));
            image->setExifData(exif);
        }
        if (!d->icc.isEmpty()) {
            Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte *>(d->icc.constData()),
                               long(d->icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();

        Exiv2::BasicIo &io = image->io();
        if (io.open() != 0)
            throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, "memory", "");
        QByteArray result(int(io.size()), Qt::Uninitialized);
        const long got = io.read(reinterpret_cast<Exiv2::byte *>(result.data()), long(result.size()));
        io.close();
        if (got != long(result.size()))
            throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
        if (type == Exiv2::ImageType::png && !d->icc.isEmpty())
            nameProfileChunk(result);
        return result;
    } catch (const std::exception &e) {
        if (warning)
            *warning = reasonOf(e);
    } catch (...) {
        if (warning)
            *warning = QStringLiteral("cannot write the photo information");
    }
    return encoded;
}

PhotoMetadata::Blocks PhotoMetadata::blocksFor(const QSize &size, MetadataPolicy policy,
                                               QString *warning) const
{
    Blocks blocks;
    if (policy == MetadataPolicy::StripAll || isEmpty())
        return blocks;
    blocks.icc = d->icc;
    try {
        initialiseExiv2();
        Exiv2::ExifData exif = carried(d->exif, policy);
        if (exif.empty())
            return blocks;
        describeOutput(exif, uint32_t(size.width()), uint32_t(size.height()));
        Exiv2::Blob tiff;
        Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, exif);
        blocks.exif = QByteArray(reinterpret_cast<const char *>(tiff.data()), qsizetype(tiff.size()));
    } catch (const std::exception &e) {
        if (warning)
            *warning = reasonOf(e);
    } catch (...) {
        if (warning)
            *warning = QStringLiteral("cannot write the photo information");
    }
    return blocks;
}

#pragma GCC diagnostic pop

#include "avifcodec.h"

#include "reflection.h"

#include <QColorSpace>
#include <QFile>
#include <QLibrary>
#include <QThread>

#include <avif/avif.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <type_traits>

namespace {

// aom's speed 9 encodes a 24-megapixel photo in 3.6 s of processor time,
// about two seconds on two cores (bench_avifsave); speed 7 took twice as
// long for no smaller file.
constexpr int EncoderSpeed = 9;

// libavif and the codecs under it (aom, dav1d and more) are a score of
// libraries that every start of the program would map and relocate, a good
// part of a small photo's whole run; they are loaded the first time an AVIF
// is read or written. The functions, from the library the program was
// built against.
struct AvifLibrary
{
    decltype(&avifDecoderCreate) decoderCreate = nullptr;
    decltype(&avifDecoderDestroy) decoderDestroy = nullptr;
    decltype(&avifDecoderSetIOMemory) decoderSetIOMemory = nullptr;
    decltype(&avifDecoderParse) decoderParse = nullptr;
    decltype(&avifDecoderNextImage) decoderNextImage = nullptr;
    decltype(&avifEncoderCreate) encoderCreate = nullptr;
    decltype(&avifEncoderDestroy) encoderDestroy = nullptr;
    decltype(&avifEncoderWrite) encoderWrite = nullptr;
    decltype(&avifImageCreate) imageCreate = nullptr;
    decltype(&avifImageDestroy) imageDestroy = nullptr;
    decltype(&avifImageSetProfileICC) imageSetProfileICC = nullptr;
    decltype(&avifImageSetMetadataExif) imageSetMetadataExif = nullptr;
    decltype(&avifImageRGBToYUV) imageRGBToYUV = nullptr;
    decltype(&avifImageYUVToRGB) imageYUVToRGB = nullptr;
    decltype(&avifRGBImageSetDefaults) rgbImageSetDefaults = nullptr;
    decltype(&avifRWDataFree) rwDataFree = nullptr;
    decltype(&avifResultToString) resultToString = nullptr;
    decltype(&avifPeekCompatibleFileType) peekCompatibleFileType = nullptr;
};

// Null when libavif cannot be loaded.
const AvifLibrary *avifLibrary()
{
    static const AvifLibrary *const loaded = []() -> const AvifLibrary * {
        static QLibrary library;
        library.setFileNameAndVersion(QStringLiteral(GLASSMERE_AVIF_NAME), GLASSMERE_AVIF_VERSION);
        if (!library.load())
            return nullptr;
        static AvifLibrary functions;
        bool all = true;
        const auto resolve = [&](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            all = all && function;
        };
        resolve(functions.decoderCreate, "avifDecoderCreate");
        resolve(functions.decoderDestroy, "avifDecoderDestroy");
        resolve(functions.decoderSetIOMemory, "avifDecoderSetIOMemory");
        resolve(functions.decoderParse, "avifDecoderParse");
        resolve(functions.decoderNextImage, "avifDecoderNextImage");
        resolve(functions.encoderCreate, "avifEncoderCreate");
        resolve(functions.encoderDestroy, "avifEncoderDestroy");
        resolve(functions.encoderWrite, "avifEncoderWrite");
        resolve(functions.imageCreate, "avifImageCreate");
        resolve(functions.imageDestroy, "avifImageDestroy");
        resolve(functions.imageSetProfileICC, "avifImageSetProfileICC");
        resolve(functions.imageSetMetadataExif, "avifImageSetMetadataExif");
        resolve(functions.imageRGBToYUV, "avifImageRGBToYUV");
        resolve(functions.imageYUVToRGB, "avifImageYUVToRGB");
        resolve(functions.rgbImageSetDefaults, "avifRGBImageSetDefaults");
        resolve(functions.rwDataFree, "avifRWDataFree");
        resolve(functions.resultToString, "avifResultToString");
        resolve(functions.peekCompatibleFileType, "avifPeekCompatibleFileType");
        return all ? &functions : nullptr;
    }();
    return loaded;
}

QString missingLibrary()
{
    return QStringLiteral("AVIF needs libavif (%1.so.%2), which cannot be loaded")
        .arg(QStringLiteral("lib" GLASSMERE_AVIF_NAME))
        .arg(GLASSMERE_AVIF_VERSION);
}

struct AvifDeleter
{
    void operator()(avifDecoder *decoder) const { avifLibrary()->decoderDestroy(decoder); }
    void operator()(avifEncoder *encoder) const { avifLibrary()->encoderDestroy(encoder); }
    void operator()(avifImage *image) const { avifLibrary()->imageDestroy(image); }
};
template <typename T>
using AvifPointer = std::unique_ptr<T, AvifDeleter>;

QString failure(avifResult result, const avifDiagnostics &diag)
{
    if (result == AVIF_RESULT_TRUNCATED_DATA)
        return QStringLiteral("the file is cut short");
    const QString detail = QString::fromUtf8(diag.error).trimmed();
    return QStringLiteral("the AVIF data is damaged (%1)")
        .arg(detail.isEmpty() ? QString::fromUtf8(avifLibrary()->resultToString(result)) : detail);
}

// More than 8 bits a channel: these are written at 10 or 12 bits.
bool isDeep(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Grayscale16:
    case QImage::Format_BGR30:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_RGB30:
    case QImage::Format_A2RGB30_Premultiplied:
        return true;
    default:
        return QImage::toPixelFormat(format).bitsPerPixel() > 32;
    }
}

// Qt's 32-bit formats hold each pixel as one native 0xAARRGGBB word.
constexpr avifRGBFormat Argb32Order =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_ARGB;

bool hasTransparentPixel(const QImage &picture)
{
    const bool deep = picture.format() == QImage::Format_RGBA64;
    for (int y = 0; y < picture.height(); ++y) {
        if (deep) {
            const auto *line = reinterpret_cast<const QRgba64 *>(picture.constScanLine(y));
            if (std::any_of(line, line + picture.width(), [](QRgba64 p) { return !p.isOpaque(); }))
                return true;
        } else {
            const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            if (std::any_of(line, line + picture.width(), [](QRgb p) { return qAlpha(p) != 255; }))
                return true;
        }
    }
    return false;
}

// The picture as the file is meant to be shown: 'irot' turns it
// anticlockwise first, then 'imir' mirrors it.
QImage shownUpright(QImage image, const avifImage &avif)
{
    if ((avif.transformFlags & AVIF_TRANSFORM_IROT) && avif.irot.angle % 4 != 0)
        image = image.transformed(QTransform().rotate(-90.0 * (avif.irot.angle % 4)));
    if (avif.transformFlags & AVIF_TRANSFORM_IMIR)
        image = std::move(image).mirrored(avif.imir.mode == 1, avif.imir.mode == 0);
    return image;
}

quint64 bigEndian(const QByteArray &bytes, qsizetype at, int length)
{
    quint64 value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | uchar(bytes[at + i]);
    return value;
}

// The boxes from `from` to `to` of `meta`, into the property containers:
// keeps the largest size an 'ispe' box states.
void scanProperties(const QByteArray &meta, qsizetype from, qsizetype to, QSize *largest)
{
    while (from + 8 <= to) {
        const quint64 size = bigEndian(meta, from, 4);
        const QByteArray type = meta.mid(from + 4, 4);
        if (size < 8 || size > quint64(to - from))
            return;
        if (type == "iprp" || type == "ipco") {
            scanProperties(meta, from + 8, from + qsizetype(size), largest);
        } else if (type == "ispe" && size >= 20) {
            const auto side = [&](int at) {
                return int(std::min<quint64>(bigEndian(meta, from + at, 4), std::numeric_limits<int>::max()));
            };
            const QSize stated(side(12), side(16));
            if (!largest->isValid() ||
                qint64(stated.width()) * stated.height() > qint64(largest->width()) * largest->height())
                *largest = stated;
        }
        from += qsizetype(size);
    }
}

// Largest 'meta' box read; real ones take a few hundred bytes.
constexpr qint64 MaxMetaBytes = qint64(4) << 20;

// The size the file's header states, found without libavif, which refuses
// anything above its fixed limit without saying how large it is: the
// memory budget is to judge that, as for every other format. Invalid where
// the header states none.
QSize statedSize(QIODevice &file)
{
    QSize largest;
    for (qint64 at = 0; at + 8 <= file.size() && file.seek(at);) {
        const QByteArray head = file.read(16);
        quint64 size = head.size() >= 8 ? bigEndian(head, 0, 4) : 0;
        qint64 header = 8;
        if (size == 1 && head.size() == 16) {
            size = bigEndian(head, 8, 8);
            header = 16;
        } else if (size == 0) {
            size = quint64(file.size() - at);
        }
        if (size < quint64(header) || size > quint64(file.size() - at))
            break;
        if (head.mid(4, 4) == "meta") {
            if (!file.seek(at + header))
                break;
            const QByteArray meta = file.read(std::min<qint64>(qint64(size) - header, MaxMetaBytes));
            scanProperties(meta, 4, meta.size(), &largest); // after the version and flags
            break;
        }
        at += qint64(size);
    }
    return largest;
}

} // namespace

bool isAvif(const QByteArray &head)
{
    const avifROData data{reinterpret_cast<const uint8_t *>(head.constData()), size_t(head.size())};
    // Only an ISO media file (AVIF, HEIF, MP4) can be one: others are told
    // apart without loading libavif.
    if (head.mid(4, 4) != "ftyp")
        return false;
    const AvifLibrary *library = avifLibrary();
    return library && library->peekCompatibleFileType(&data);
}

QImage readAvif(QIODevice &device, const PhotoAdmission &admit, QString *why)
{
    const auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return QImage();
    };
    if (!avifLibrary())
        return fail(missingLibrary());
    AvifPointer<avifDecoder> decoder(avifLibrary()->decoderCreate());
    if (!decoder)
        return fail(QStringLiteral("out of memory"));
    decoder->maxThreads = QThread::idealThreadCount();
    decoder->ignoreXMP = AVIF_TRUE;
    // Read what browsers read: files from other writers often bend the
    // rules libavif checks by default (a missing 'pixi' box and the like).
    decoder->strictFlags = AVIF_STRICT_DISABLED;

    const QSize stated = statedSize(device);
    QString refusal;
    if (stated.isValid() && !admit(stated, &refusal))
        return fail(refusal);
    if (qint64(stated.width()) * stated.height() > qint64(decoder->imageSizeLimit))
        return fail(QStringLiteral("libavif reads at most %1 megapixels; the picture is %2 x %3")
                        .arg(decoder->imageSizeLimit / 1000000)
                        .arg(stated.width())
                        .arg(stated.height()));

    // Compressed, the file is small next to its pixels: read it whole, which
    // serves files and pasted bytes alike.
    device.seek(0);
    const QByteArray bytes = device.readAll();
    avifResult result = avifLibrary()->decoderSetIOMemory(
        decoder.get(), reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    if (result == AVIF_RESULT_OK)
        result = avifLibrary()->decoderParse(decoder.get());
    if (result != AVIF_RESULT_OK)
        return fail(failure(result, decoder->diag));
    const QSize size(int(decoder->image->width), int(decoder->image->height));
    if (!stated.isValid() && !admit(size, &refusal))
        return fail(refusal);
    result = avifLibrary()->decoderNextImage(decoder.get());
    if (result != AVIF_RESULT_OK)
        return fail(failure(result, decoder->diag));

    const avifImage &frame = *decoder->image;
    const bool deep = frame.depth > 8;
    const bool alpha = frame.alphaPlane != nullptr;
    const QImage::Format format = deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                                       : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QImage image = allocatePicture(size.width(), size.height(), format);
    if (image.isNull())
        return fail(
            QStringLiteral("not enough memory for a %1 x %2 picture").arg(size.width()).arg(size.height()));
    avifRGBImage rgb;
    avifLibrary()->rgbImageSetDefaults(&rgb, &frame);
    rgb.depth = deep ? 16 : 8;
    rgb.format = deep ? AVIF_RGB_FORMAT_RGBA : Argb32Order;
    rgb.pixels = image.bits();
    rgb.rowBytes = uint32_t(image.bytesPerLine());
    result = avifLibrary()->imageYUVToRGB(&frame, &rgb);
    if (result != AVIF_RESULT_OK)
        return fail(failure(result, decoder->diag));
    if (frame.icc.size > 0)
        image.setColorSpace(QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char *>(frame.icc.data), qsizetype(frame.icc.size))));
    return shownUpright(std::move(image), frame);
}

QByteArray encodeAvif(const QImage &source, int quality, const QByteArray &exif, const QByteArray &icc,
                      QString *why)
{
    const auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return QByteArray();
    };
    if (!avifLibrary())
        return fail(missingLibrary());
    quality = quality < 1 ? DefaultAvifQuality : std::min(quality, 100);
    const bool lossless = quality == 100;
    const bool deep = isDeep(source.format());
    QImage picture = source.convertToFormat(
        deep ? (source.hasAlphaChannel() ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
             : (source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32));
    const bool alpha = source.hasAlphaChannel() && hasTransparentPixel(picture);

    // Identity (RGB kept as it is) in full 4:4:4 is what makes quality 100
    // lossless; below that, 4:2:0 as photos on the web are, unless the
    // quality asks for the finest detail.
    const avifPixelFormat chroma = quality >= 90 ? AVIF_PIXEL_FORMAT_YUV444 : AVIF_PIXEL_FORMAT_YUV420;
    AvifPointer<avifImage> image(avifLibrary()->imageCreate(
        uint32_t(picture.width()), uint32_t(picture.height()), deep ? (lossless ? 12 : 10) : 8, chroma));
    if (!image)
        return fail(QStringLiteral("out of memory"));
    image->yuvRange = AVIF_RANGE_FULL;
    image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
    image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
    image->matrixCoefficients = lossless ? AVIF_MATRIX_COEFFICIENTS_IDENTITY : AVIF_MATRIX_COEFFICIENTS_BT601;
    if (!icc.isEmpty())
        avifLibrary()->imageSetProfileICC(image.get(), reinterpret_cast<const uint8_t *>(icc.constData()),
                                          size_t(icc.size()));
    if (!exif.isEmpty())
        avifLibrary()->imageSetMetadataExif(image.get(), reinterpret_cast<const uint8_t *>(exif.constData()),
                                            size_t(exif.size()));

    avifRGBImage rgb;
    avifLibrary()->rgbImageSetDefaults(&rgb, image.get());
    rgb.depth = deep ? 16 : 8;
    rgb.format = deep ? AVIF_RGB_FORMAT_RGBA : Argb32Order;
    rgb.ignoreAlpha = alpha ? AVIF_FALSE : AVIF_TRUE;
    // The one structure serves both directions; from RGB it only reads.
    rgb.pixels = const_cast<uint8_t *>(picture.constBits());
    rgb.rowBytes = uint32_t(picture.bytesPerLine());
    avifResult result = avifLibrary()->imageRGBToYUV(image.get(), &rgb);
    if (result != AVIF_RESULT_OK)
        return fail(QStringLiteral("the AVIF writer refused the picture (%1)")
                        .arg(QString::fromUtf8(avifLibrary()->resultToString(result))));
    picture = QImage(); // the planes hold it now

    AvifPointer<avifEncoder> encoder(avifLibrary()->encoderCreate());
    if (!encoder)
        return fail(QStringLiteral("out of memory"));
    encoder->codecChoice = AVIF_CODEC_CHOICE_AOM;
    encoder->maxThreads = QThread::idealThreadCount();
    encoder->speed = EncoderSpeed;
    encoder->autoTiling = AVIF_TRUE;
    // libavif's own mapping of a quality to the AV1 quantizer (0..63).
    const int quantizer = ((100 - quality) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
    encoder->minQuantizer = encoder->maxQuantizer = quantizer;
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = quantizer;
    avifRWData output = AVIF_DATA_EMPTY;
    result = avifLibrary()->encoderWrite(encoder.get(), image.get(), &output);
    if (result != AVIF_RESULT_OK) {
        avifLibrary()->rwDataFree(&output);
        const QString detail = QString::fromUtf8(encoder->diag.error).trimmed();
        return fail(
            QStringLiteral("the AVIF writer refused the picture (%1)")
                .arg(detail.isEmpty() ? QString::fromUtf8(avifLibrary()->resultToString(result)) : detail));
    }
    QByteArray bytes(reinterpret_cast<const char *>(output.data), qsizetype(output.size));
    avifLibrary()->rwDataFree(&output);
    return bytes;
}

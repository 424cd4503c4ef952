#include "pictureformats.h"

#include <algorithm>

const QList<PictureFormat> &pictureFormats()
{
    // BMP, JPG, JPEG, PNG, ICO, PPM, TIFF, XBM, XPM, WEBP, AVIF is the save
    // dialog's order. WebP and AVIF keep alpha and the photo information.
    static const QList<PictureFormat> formats = {
        {"BMP", "bmp", "BMP-Windows Bitmap(*.BMP)", 0, false},
        {"GIF", nullptr, nullptr, -1, false},
        {"JPG", "jpeg", "JPG-Joint Photographic Experts Group(*.JPG)", 1, false},
        {"JPEG", "jpeg", "JPEG-Joint Photographic Experts Group(*.JPEG)", 2, false},
        {"MNG", nullptr, nullptr, -1, false},
        {"PNG", "png", "PNG-Portable Network Graphics(*.PNG)", 3, true},
        {"PBM", "pbm", nullptr, -1, false},
        {"PGM", "pgm", nullptr, -1, false},
        {"PPM", "ppm", "Portable Pixmap(*.PPM)", 5, false},
        {"TIFF", "tiff", "Tagged Image File Format(*.TIFF)", 6, true},
        {"TIF", "tiff", nullptr, -1, true},
        {"XBM", "xbm", "XBM-X11 Bitmap(*.XBM)", 7, false},
        {"XPM", "xpm", "XPM-X11 Pixmap(*.XPM)", 8, false},
        {"SVG", nullptr, nullptr, -1, false},
        {"TGA", nullptr, nullptr, -1, false},
        {"ICO", "ico", "Microsoft Icon(*.ICO)", 4, true},
        {"WEBP", "webp", "WEBP-WebP Image(*.WEBP)", 9, true},
        {"AVIF", "avif", "AVIF-AV1 Image File Format(*.AVIF)", 10, true},
    };
    return formats;
}

const PictureFormat *formatForSuffix(const QString &suffix)
{
    for (const PictureFormat &format : pictureFormats())
        if (suffix.compare(QLatin1String(format.suffix), Qt::CaseInsensitive) == 0)
            return &format;
    return nullptr;
}

QStringList openPatterns()
{
    QStringList patterns;
    for (const PictureFormat &format : pictureFormats())
        patterns << QStringLiteral("*.") + QLatin1String(format.suffix);
    return patterns;
}

QString openFilter(const QString &caption)
{
    return caption + QLatin1Char('(') + openPatterns().join(QLatin1Char(' ')) + QStringLiteral(")\n");
}

namespace {

QList<const PictureFormat *> exportFormatsInOrder()
{
    QList<const PictureFormat *> offered;
    for (const PictureFormat &format : pictureFormats())
        if (format.exportFilter)
            offered << &format;
    std::sort(offered.begin(), offered.end(),
              [](const PictureFormat *a, const PictureFormat *b) { return a->exportOrder < b->exportOrder; });
    return offered;
}

} // namespace

QStringList exportFilters(bool alphaOnly)
{
    QStringList filters;
    for (const PictureFormat *format : exportFormatsInOrder())
        if (format->keepsAlpha || !alphaOnly)
            filters << QLatin1String(format->exportFilter);
    return filters;
}

QString exportFilterFor(const QString &suffix)
{
    const PictureFormat *format = formatForSuffix(suffix);
    if (!format || !format->writer)
        return QString();
    if (format->exportFilter)
        return QLatin1String(format->exportFilter);
    // A second name of an offered format (.tif for TIFF) preselects it.
    for (const PictureFormat *offered : exportFormatsInOrder())
        if (qstrcmp(offered->writer, format->writer) == 0)
            return QLatin1String(offered->exportFilter);
    return QString();
}

QStringList alphaExportSuffixes()
{
    QStringList suffixes;
    for (const PictureFormat *format : exportFormatsInOrder())
        if (format->keepsAlpha)
            suffixes << QLatin1String(format->suffix);
    return suffixes;
}

QStringList writableSuffixes()
{
    QStringList suffixes;
    for (const PictureFormat &format : pictureFormats())
        if (format.writer)
            suffixes << QLatin1String(format.suffix);
    return suffixes;
}

#include "svgguard.h"

#include <QBuffer>
#include <QImageReader>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

QStringView localPart(QStringView name)
{
    const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? name : name.mid(colon + 1);
}

// Inline data Qt decodes the way its SVG reader does (the text after the
// last "base64,"), and that is safe to decode: a raster picture, not another
// SVG with addresses of its own, of a size within the limit.
bool isSafeInlineImage(QStringView address, qint64 maxInlineBytes)
{
    if (!address.startsWith(QLatin1String("data:")))
        return false;
    const qsizetype base64 = address.lastIndexOf(QLatin1String("base64,"));
    if (base64 < 0)
        return true; // Qt decodes nothing else
    QByteArray payload = QByteArray::fromBase64(address.mid(base64 + 7).toLatin1());
    QBuffer buffer(&payload);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    return !reader.format().startsWith("svg") && size.isValid() &&
           qint64(size.width()) * size.height() * 4 <= maxInlineBytes;
}

bool loadsOnlyInlineData(const QXmlStreamAttributes &attributes, qint64 maxInlineBytes)
{
    for (const QXmlStreamAttribute &a : attributes)
        if (localPart(a.qualifiedName()).compare(QLatin1String("href"), Qt::CaseInsensitive) == 0 &&
            !isSafeInlineImage(a.value(), maxInlineBytes))
            return false;
    return true;
}

} // namespace

QByteArray svgWithoutExternalImages(const QByteArray &svg, qint64 maxInlineBytes, QString *why)
{
    QXmlStreamReader reader(svg);
    // As Qt's SVG reader does: names are taken as written, prefixes and all.
    reader.setNamespaceProcessing(false);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD: // its entities are already expanded in what follows
        case QXmlStreamReader::EntityReference:
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::Invalid:
            break;
        case QXmlStreamReader::StartElement:
            if (localPart(reader.qualifiedName()).compare(QLatin1String("image"), Qt::CaseInsensitive) == 0 &&
                !loadsOnlyInlineData(reader.attributes(), maxInlineBytes)) {
                reader.skipCurrentElement();
                break;
            }
            writer.writeCurrentToken(reader);
            break;
        default:
            writer.writeCurrentToken(reader);
        }
    }
    if (reader.hasError()) {
        if (why)
            *why = QStringLiteral("the SVG document is damaged: %1").arg(reader.errorString());
        return QByteArray();
    }
    return out;
}

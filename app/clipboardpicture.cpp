#include "clipboardpicture.h"

#include "photoio.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace {

// A local path from a file URL or a plain path, as file managers and
// terminals put a copied file on the clipboard as text.
QString localPath(const QString &text)
{
    const QString line = text.trimmed();
    if (line.isEmpty() || line.contains(QLatin1Char('\n')))
        return QString();
    const QUrl url(line);
    if (url.isLocalFile())
        return url.toLocalFile();
    return QFileInfo(line).isAbsolute() ? line : QString();
}

} // namespace

ClipboardPicture pictureOnClipboard(const QMimeData *data)
{
    ClipboardPicture found;
    found.why = QCoreApplication::translate("ClipboardPicture", "the clipboard holds no picture");
    if (!data)
        return found;
    const QList<QUrl> urls = data->hasUrls() ? data->urls() : QList<QUrl>();
    for (const QUrl &url : urls)
        if (url.isLocalFile())
            return {url.toLocalFile(), QImage(), QString()};

    // The encoded data first, so that a file claiming absurd dimensions is
    // refused before anything is decoded; PNG first, the usual choice.
    QStringList formats;
    for (const QString &format : data->formats())
        if (format.startsWith(QLatin1String("image/")))
            formats << format;
    std::stable_partition(formats.begin(), formats.end(),
                          [](const QString &f) { return f == QLatin1String("image/png"); });
    // Another format is tried only where this one could not even be told
    // apart: a picture that is damaged or too large is refused as it is.
    for (const QString &format : std::as_const(formats)) {
        const QByteArray bytes = data->data(format);
        if (bytes.isEmpty())
            continue;
        found.image = readPhotoData(bytes, &found.why);
        if (!found.image.isNull() || !found.why.startsWith(QLatin1String("not a picture")))
            return found;
    }
    // A picture handed over within this program holds no encoded data.
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull() && defaultPhotoAdmission(image.size(), &found.why))
            found.image = image;
        if (!image.isNull())
            return found;
    }
    if (data->hasText())
        found.file = localPath(data->text());
    return found;
}

QMimeData *clipboardDataFor(const QImage &picture)
{
    auto *data = new QMimeData;
    data->setImageData(picture);
    return data;
}

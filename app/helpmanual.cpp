#include "helpmanual.h"

#include "productinfo.h"

#include <QDir>
#include <QFileInfo>

QUrl helpManualUrl(const QString &helpPage, const QString &programDir)
{
    if (!helpPage.isEmpty())
        return QUrl(helpPage);

    for (const char *relative : {ProductInfo::installedManual, ProductInfo::builtManual}) {
        const QString path = QDir::cleanPath(programDir + QLatin1Char('/') + QString::fromUtf8(relative));
        if (QFileInfo(path).isFile())
            // fromLocalFile, not QUrl(path): a folder name may hold '#' or '?'.
            return QUrl::fromLocalFile(path);
    }
    return QUrl();
}

#include "helpmanual.h"

#include "productinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

QUrl helpManualUrl(const QString &helpPage, const QString &programDir, const QLocale &locale)
{
    if (!helpPage.isEmpty())
        return QUrl(helpPage);

    // "zh_CN" before "zh", and the untranslated manual last.
    const QString name = locale.name();
    QStringList infixes{QLatin1Char('.') + name};
    if (name.contains(QLatin1Char('_')))
        infixes << QLatin1Char('.') + name.section(QLatin1Char('_'), 0, 0);
    infixes << QString();

    for (const char *relative : {ProductInfo::installedManual, ProductInfo::builtManual}) {
        const QString english = QDir::cleanPath(programDir + QLatin1Char('/') + QString::fromUtf8(relative));
        for (const QString &infix : std::as_const(infixes)) {
            QString path = english;
            path.insert(path.size() - int(qstrlen(".html")), infix);
            if (QFileInfo(path).isFile())
                // fromLocalFile, not QUrl(path): a folder name may hold '#' or '?'.
                return QUrl::fromLocalFile(path);
        }
    }
    return QUrl();
}

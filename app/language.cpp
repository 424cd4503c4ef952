#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installTranslations(const QLocale &locale)
{
    // Owned by the application, so they stay installed for its whole life.
    auto *qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;

    auto *own = new QTranslator(QCoreApplication::instance());
    if (own->load(locale, QStringLiteral("glassmere"), QStringLiteral("_"),
                  QStringLiteral(":/Glassmere/i18n"))) {
        QCoreApplication::installTranslator(own);
        return true;
    }
    delete own;
    return false;
}

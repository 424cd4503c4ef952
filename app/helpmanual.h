#pragma once

#include <QLocale>
#include <QString>
#include <QUrl>

// Where F1 and "Help Manual" lead: the online help page when the product has
// one (helpPage, an absolute address), or else the manual shipped with the
// program, looked up from the program's folder: first where an installation
// puts it, then beside the program in the build tree. Of the manual, the
// translation for `locale` is taken where there is one (manual.de.html,
// manual.zh_CN.html beside manual.html), the English original otherwise.
// Empty when there is no manual at all.
QUrl helpManualUrl(const QString &helpPage, const QString &programDir, const QLocale &locale = QLocale());

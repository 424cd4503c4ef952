#pragma once

#include <QString>
#include <QUrl>

// Where F1 and "Help Manual" lead: the online help page when the product has
// one (helpPage, an absolute address), or else the manual shipped with the
// program, looked up from the program's folder: first where an installation
// puts it, then beside the program in the build tree. Empty when there is
// neither.
QUrl helpManualUrl(const QString &helpPage, const QString &programDir);

#pragma once

#include <QByteArray>
#include <QString>

// Turns the raw bytes of the skin resource into the style sheet the
// application installs: one byte per character (Latin-1) up to the first
// zero byte, with every "%currentPath%" replaced by `appDir`.
//
// Inside url(...) the directory is also put in double quotes, since an
// unquoted CSS url ends at the first blank and cannot hold parentheses; an
// application directory such as "/opt/My Photos (x)" would otherwise leave
// the frame images blank. Backslashes and double quotes in the directory are
// escaped for the CSS string.
QString expandSkin(const QByteArray &skin, const QString &appDir);

#pragma once

#include "reflectionsettings.h"

#include <QList>
#include <QString>

// The values of glassmere-reflect's options, each checked against its
// range; false (or an empty list) when the text is not such a value.

// The longest side any writer takes (PNG's); a larger limit is no limit.
constexpr int MaxSide = 1000000;

bool parseInt(const QString &text, int low, int high, int &value);
bool parseSide(const QString &text, int &direction);
// "#RRGGBB".
bool parseColour(const QString &text, _RGB &colour);
// --width: one width or several, comma separated, none twice; the reason in
// `why` otherwise.
QList<int> parseWidths(const QString &text, QString *why);

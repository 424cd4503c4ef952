#include "optionparsing.h"

#include "presets.h"

#include <QRegularExpression>
#include <QStringList>

bool parseInt(const QString &text, int low, int high, int &value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool parseSide(const QString &text, int &direction)
{
    const int side = sideFromName(text);
    if (side < 0)
        return false;
    direction = side;
    return true;
}

bool parseColour(const QString &text, _RGB &colour)
{
    static const QRegularExpression hex(
        QStringLiteral("^#([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})$"));
    const QRegularExpressionMatch m = hex.match(text);
    if (!m.hasMatch())
        return false;
    colour.r = m.captured(1).toInt(nullptr, 16);
    colour.g = m.captured(2).toInt(nullptr, 16);
    colour.b = m.captured(3).toInt(nullptr, 16);
    return true;
}

QList<int> parseWidths(const QString &text, QString *why)
{
    QList<int> widths;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &part : parts) {
        int width = 0;
        if (!parseInt(part.trimmed(), 1, MaxSide, width)) {
            *why = QStringLiteral("--width takes whole numbers from 1 to %1, separated by commas, not \"%2\"")
                       .arg(MaxSide)
                       .arg(text);
            return {};
        }
        if (widths.contains(width)) {
            *why = QStringLiteral("--width lists %1 twice, in \"%2\"; each width is written once")
                       .arg(width)
                       .arg(text);
            return {};
        }
        widths.append(width);
    }
    return widths;
}

#include "skin.h"

#include <QLatin1Char>
#include <QLatin1String>

namespace {

const QLatin1String token("%currentPath%");

// `dir` written inside a CSS string delimited by `quote`.
QString escapedFor(QString dir, QChar quote)
{
    dir.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return dir.replace(quote, QString(QLatin1Char('\\')) + quote);
}

// The argument of one url(...), with the token replaced and quoted.
QString expandUrlArgument(const QString &argument, const QString &appDir)
{
    if (!argument.contains(token))
        return argument;
    const QString trimmed = argument.trimmed();
    const QChar first = trimmed.isEmpty() ? QChar() : trimmed.front();
    if (first == QLatin1Char('"') || first == QLatin1Char('\'')) {
        QString quoted = argument;
        return quoted.replace(token, escapedFor(appDir, first));
    }
    const QChar quote = QLatin1Char('"');
    return quote + QString(trimmed).replace(token, escapedFor(appDir, quote)) + quote;
}

} // namespace

QString expandSkin(const QByteArray &skin, const QString &appDir)
{
    const QString text =
        QString::fromLatin1(skin.constData(), qsizetype(qstrnlen(skin.constData(), skin.size())));
    const auto plain = [&](qsizetype from, qsizetype to) {
        return text.mid(from, to - from).replace(token, appDir);
    };

    QString result;
    result.reserve(text.size() + 64 * appDir.size());
    const QLatin1String urlOpen("url(");
    const QLatin1String commentOpen("/*");
    const QLatin1String commentClose("*/");
    qsizetype pos = 0;
    for (;;) {
        const qsizetype url = text.indexOf(urlOpen, pos, Qt::CaseInsensitive);
        const qsizetype comment = text.indexOf(commentOpen, pos);
        if (comment >= 0 && (url < 0 || comment < url)) {
            // A "url(" inside a comment is prose, not a url to quote.
            const qsizetype close = text.indexOf(commentClose, comment + commentOpen.size());
            const qsizetype end = close < 0 ? text.size() : close + commentClose.size();
            result += plain(pos, end);
            pos = end;
            continue;
        }
        if (url < 0)
            break;
        const qsizetype argStart = url + urlOpen.size();
        const qsizetype close = text.indexOf(QLatin1Char(')'), argStart);
        if (close < 0)
            break;
        result += plain(pos, argStart);
        result += expandUrlArgument(text.mid(argStart, close - argStart), appDir);
        result += QLatin1Char(')');
        pos = close + 1;
    }
    result += plain(pos, text.size());
    return result;
}

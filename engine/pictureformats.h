#pragma once

#include <QString>
#include <QStringList>

// The one table of picture formats. The open filter, the export filters and
// their preselection, the batch listing and the command line's help are all
// derived from it, so a format is added or changed in one place.
struct PictureFormat
{
    const char *suffix;       // upper case, as the open and batch patterns write it
    const char *writer;       // QImageWriter's name for it; nullptr where Qt has no writer
    const char *exportFilter; // the save dialog's filter; nullptr where export does not offer it
    int exportOrder;          // place in the save dialog's list, -1 where not offered
    bool keepsAlpha;          // the written file keeps an alpha channel
};

// Every format, in the order of the open filter and the batch patterns.
const QList<PictureFormat> &pictureFormats();

// The row for a file suffix in any case ("jpg", "JPG"), or nullptr.
const PictureFormat *formatForSuffix(const QString &suffix);

// "*.BMP", "*.GIF", ... in table order. QDir matches them without regard to
// case.
QStringList openPatterns();

// The open dialog's filter: `caption` directly followed by the patterns in
// parentheses and a line feed.
QString openFilter(const QString &caption);

// The save dialog's filters in their listed order, only those that keep
// alpha when `alphaOnly`, and the one that names `suffix` (empty where none
// does).
QStringList exportFilters(bool alphaOnly = false);
QString exportFilterFor(const QString &suffix);

// The suffixes of the export formats that keep alpha, in export order
// ("PNG", "ICO", "TIFF"), for messages that name them.
QStringList alphaExportSuffixes();

// The suffixes of every format with a writer, in table order, for the
// batch's --format and its messages.
QStringList writableSuffixes();

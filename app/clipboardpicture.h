#pragma once

#include <QImage>
#include <QString>

QT_BEGIN_NAMESPACE
class QMimeData;
QT_END_NAMESPACE

// What the clipboard offers as a photo: a picture file that a file manager
// copied, or the picture data another program put there.
struct ClipboardPicture
{
    QString file; // a local file to load as any photo file is
    QImage image; // decoded picture data, when there was no file
    QString why;  // the refusal when it is neither
};

// Reads `data` by the rules of photo files: picture data passes the same
// readers and memory budget as a file does.
ClipboardPicture pictureOnClipboard(const QMimeData *data);

// The clipboard's content for `picture`: image data, which the platform
// offers as PNG too (with its alpha) for office programs to paste.
QMimeData *clipboardDataFor(const QImage &picture);

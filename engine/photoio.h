#pragma once

#include <QImage>
#include <QString>

// Photo input and output shared by the window, the batch and the command
// line, so that all three read and write files the same way.

// Largest picture a reader may decode, in megabytes of decoded pixels. Qt's
// default of 128 MB stops at about 33 megapixels; this lets photos of a few
// hundred megapixels through while still refusing a file that claims
// absurd dimensions.
constexpr int PhotoAllocationLimitMB = 2048;

// Reads the picture at `path` as the reader delivers it (its own pixel
// format), with the orientation the camera recorded applied. On failure
// returns a null image and, if `errorString` is given, the reader's reason.
QImage readPhoto(const QString &path, QString *errorString = nullptr);

// Writes `image` to `path` in the format its suffix names, replacing an
// existing file only once the new one is complete: a failed write leaves the
// old file as it was. Returns false with the reason in `errorString`.
bool writePhoto(const QImage &image, const QString &path, QString *errorString = nullptr);

// The picture to write for a rendering: in transparent mode the
// rendering itself, otherwise the rendering converted back to the pixel
// format the photo was delivered in.
// Pass the rendering as an rvalue where it is no longer needed: Qt then
// converts in place.
QImage outputPicture(QImage rendering, QImage::Format sourceFormat, bool transparent);

#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class QIODevice;

// JPEG read and written a band of rows at a time through libjpeg-turbo, with
// the settings Qt's own JPEG plug-in uses, so that a picture passed through
// these gives the very bytes QImageReader and QImageWriter would: slow exact
// DCT and smooth chroma upsampling on reading, and on writing the quality
// (75 when none is given), baseline tables, no optimised or progressive
// coding, and the density a new QImage carries.
//
// Bands are Format_ARGB32 pictures, the renderer's own format; rows are
// read from the top. Errors never leave the object: every call returns
// false with the reason instead.

class JpegBandReader
{
public:
    JpegBandReader();
    ~JpegBandReader();
    JpegBandReader(const JpegBandReader &) = delete;
    JpegBandReader &operator=(const JpegBandReader &) = delete;

    // Reads the header of the JPEG at `path`.
    bool open(const QString &path, QString *why);
    QSize size() const;
    // Three colour channels (not grey, not CMYK): the pictures read here.
    bool isColour() const;
    // Reads the next `band.height()` rows into `band`; a file that ends
    // before them is refused as cut short.
    bool read(QImage &band, QString *why);
    // Reads and drops `rows` rows.
    bool skip(int rows, QString *why);

private:
    struct Data;
    std::unique_ptr<Data> d;
};

class JpegBandWriter
{
public:
    JpegBandWriter();
    ~JpegBandWriter();
    JpegBandWriter(const JpegBandWriter &) = delete;
    JpegBandWriter &operator=(const JpegBandWriter &) = delete;

    // Starts a picture of `size` on `device`; `quality` 1..100 or -1.
    bool start(QIODevice *device, const QSize &size, int quality, QString *why);
    // Writes the rows of `band`, the next ones from the top.
    bool write(const QImage &band, QString *why);
    // Writes the end of the file once every row is written.
    bool finish(QString *why);

private:
    struct Data;
    std::unique_ptr<Data> d;
};

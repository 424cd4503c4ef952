#pragma once

#include "bandcodec.h"

#include <memory>

// JPEG read and written a band of rows at a time through libjpeg-turbo, with
// the settings Qt's own JPEG plug-in uses, so that a picture passed through
// these gives the very bytes QImageReader and QImageWriter would: slow exact
// DCT and smooth chroma upsampling on reading, and on writing the quality
// (75 when none is given), baseline tables, no optimised or progressive
// coding, and the density a new QImage carries.
//

class JpegBandReader : public BandReader
{
public:
    JpegBandReader();
    ~JpegBandReader() override;
    JpegBandReader(const JpegBandReader &) = delete;
    JpegBandReader &operator=(const JpegBandReader &) = delete;

    bool open(const QString &path, QString *why) override;
    QSize size() const override;
    // Three colour channels (not grey, not CMYK), baseline coding.
    bool isCovered() const override;
    bool hasAlpha() const override { return false; }
    // A file that ends before the rows is refused as cut short.
    bool read(QImage &band, QString *why) override;
    // The usual 4:2:0 kind keeps the planes, half the bytes of the pixels.
    std::shared_ptr<HeldRows> keepRows(int first, int count, QString *why) override;
    qint64 keptBytes(int first, int count) const override;
    // Qt's reader ignores what follows the rows.
    bool finish(QString *) override { return true; }

private:
    struct Data;
    std::unique_ptr<Data> d;
};

class JpegBandWriter : public BandWriter
{
public:
    JpegBandWriter();
    ~JpegBandWriter() override;
    JpegBandWriter(const JpegBandWriter &) = delete;
    JpegBandWriter &operator=(const JpegBandWriter &) = delete;

    bool start(QIODevice *device, const QSize &size, bool alpha, int quality, QString *why) override;
    bool write(const QImage &band, QString *why) override;
    bool finish(QString *why) override;

    // Opaque; named here so that libjpeg's callbacks can reach it.
    struct Data;

private:
    std::unique_ptr<Data> d;
};

#pragma once

#include "bandcodec.h"

#include <memory>

// PNG read and written a band of rows at a time as Qt's PNG plug-in reads
// and writes it through libpng: the same chunks (the header, the density a
// new QImage carries, the rows, the end), the same filters and zlib level
// for the same quality, so that both write the same bytes. The road reads
// 8-bit RGB and RGBA files without interlacing or a transparent colour key
// through libpng; the writer does libpng's work itself, on two threads
// (pngbandwriter.cpp).

class PngBandReader : public BandReader
{
public:
    PngBandReader();
    ~PngBandReader() override;
    PngBandReader(const PngBandReader &) = delete;
    PngBandReader &operator=(const PngBandReader &) = delete;

    bool open(const QString &path, QString *why) override;
    QSize size() const override;
    bool isCovered() const override;
    bool hasAlpha() const override;
    bool read(QImage &band, QString *why) override;
    bool finish(QString *why) override;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

class PngBandWriter : public BandWriter
{
public:
    PngBandWriter();
    ~PngBandWriter() override;
    PngBandWriter(const PngBandWriter &) = delete;
    PngBandWriter &operator=(const PngBandWriter &) = delete;

    bool start(QIODevice *device, const QSize &size, bool alpha, int quality, QString *why) override;
    bool write(const QImage &band, QString *why) override;
    bool finish(QString *why) override;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

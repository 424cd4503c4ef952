#pragma once

#include "bandcodec.h"

#include <memory>

// TIFF read and written a band of rows at a time through libtiff, the
// library under Qt's TIFF plug-in, calling it as the plug-in does so that
// both write the same bytes: the same tags, no compression, the strips of
// about 4 MB, the density a new QImage carries and the directory at the end.
//
// The road reads the first picture of 8-bit RGB files in strips, stored
// upright, whole or in planes, uncompressed or packed with LZW, Deflate or
// PackBits, with no alpha or an alpha the file leaves unspecified (which
// Qt reads as it stands). Associated and unassociated alpha Qt reads
// premultiplied: those files, like every other kind, are left to Qt.

class TiffBandReader : public BandReader
{
public:
    TiffBandReader();
    ~TiffBandReader() override;
    TiffBandReader(const TiffBandReader &) = delete;
    TiffBandReader &operator=(const TiffBandReader &) = delete;

    bool open(const QString &path, QString *why) override;
    QSize size() const override;
    bool isCovered() const override;
    bool hasAlpha() const override;
    bool read(QImage &band, QString *why) override;
    bool finish(QString *why) override;
    qint64 heldBytes() const override;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

class TiffBandWriter : public BandWriter
{
public:
    TiffBandWriter();
    ~TiffBandWriter() override;
    TiffBandWriter(const TiffBandWriter &) = delete;
    TiffBandWriter &operator=(const TiffBandWriter &) = delete;

    bool start(QIODevice *device, const QSize &size, bool alpha, int quality, QString *why) override;
    bool write(const QImage &band, QString *why) override;
    bool finish(QString *why) override;
    qint64 heldBytes(const QSize &size, bool alpha) const override;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

#pragma once

#include "bandcodec.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

struct jpeg_decompress_struct;

// A baseline 4:2:0 JPEG decoded on two threads. A thread of its own runs
// libjpeg's Huffman decoding and inverse DCT into rows of the three planes,
// the larger part of the work; the caller's thread makes the pixels from
// them: libjpeg's smooth chroma upsampling, done here with its very
// arithmetic, then libjpeg's own colour conversion. The pixels are those
// jpeg_read_scanlines gives with Qt's settings, and the decoding of a
// picture takes about the time of its slower half.
class JpegRawDecoder
{
public:
    // Whether this decodes the picture whose header `info` holds, read with
    // the settings of the band reader: three components, YCbCr, luma
    // sampled 2 × 2 and chroma 1 × 1, baseline, full size.
    static bool takes(const jpeg_decompress_struct &info);

    JpegRawDecoder();
    ~JpegRawDecoder();
    JpegRawDecoder(const JpegRawDecoder &) = delete;
    JpegRawDecoder &operator=(const JpegRawDecoder &) = delete;

    // Starts decoding the file at `path`.
    bool start(const QString &path, QString *why);
    // The next `count` rows, in Format_ARGB32, into `rows`.
    bool read(uchar *const *rows, int count, QString *why);
    // Keeps the planes of rows [first, first + count) as they are read;
    // null, with the reason, when it cannot.
    std::shared_ptr<HeldRows> keep(int first, int count, QString *why);
    // Bytes keep(first, count) holds.
    qint64 keptBytes(int first, int count) const;

    struct Data;

private:
    std::unique_ptr<Data> d;
    QByteArray name;
};

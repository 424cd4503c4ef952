#include "downscale.h"

#include <QColorSpace>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

QSize limitedSize(const QSize &size, const SizeLimit &limit)
{
    const qint64 w = size.width(), h = size.height();
    const qint64 W = limit.width > 0 ? limit.width : w;
    const qint64 H = limit.height > 0 ? limit.height : h;
    if (w <= 0 || h <= 0 || (W >= w && H >= h))
        return size;
    // The side whose limit is tighter binds: W / w against H / h.
    const auto rounded = [](qint64 num, qint64 den) {
        return int(std::max<qint64>(1, (2 * num + den) / (2 * den)));
    };
    if (W * h <= H * w)
        return QSize(int(W), rounded(h * W, w));
    return QSize(rounded(w * H, h), int(H));
}

namespace {

// Output rows filtered together: their source rows stay in cache between
// the two passes, and the bands are what the threads share out.
constexpr int BandRows = 32;

// The alpha channel's place among the four of a pixel in memory, for both
// 0xAARRGGBB words and QRgba64.
constexpr int AlphaIndex = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 3 : 0;

double lanczos3(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= 3.0)
        return 0.0;
    const double px = M_PI * x;
    return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

// For every output pixel of a line, its first source pixel and its weights,
// which add up to exactly 1 << bits.
struct Taps
{
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int32_t> weights; // `stride` per output pixel
    int stride = 0;
};

Taps makeTaps(int from, int to, int bits)
{
    const int32_t one = int32_t(1) << bits;
    const double scale = double(to) / double(from);
    const double support = 3.0 / scale;
    Taps taps;
    taps.stride = int(std::ceil(2 * support)) + 3;
    taps.first.resize(size_t(to));
    taps.count.resize(size_t(to));
    taps.weights.assign(size_t(to) * size_t(taps.stride), 0);
    std::vector<double> w;
    std::vector<int32_t> q;
    for (int i = 0; i < to; ++i) {
        // Pixel centres lie at half-pixels; taps outside the line are left
        // out and the rest normalised, so the edges keep their colour.
        const double centre = (i + 0.5) / scale;
        const int lo = std::max(0, int(std::floor(centre - support)));
        const int hi = std::min(from - 1, int(std::ceil(centre + support)));
        w.clear();
        double sum = 0;
        for (int j = lo; j <= hi; ++j) {
            w.push_back(lanczos3((j + 0.5 - centre) * scale));
            sum += w.back();
        }
        q.clear();
        int32_t total = 0;
        size_t largest = 0;
        for (size_t k = 0; k < w.size(); ++k) {
            q.push_back(int32_t(std::lround(w[k] / sum * one)));
            total += q.back();
            if (q[k] > q[largest])
                largest = k;
        }
        q[largest] += one - total; // flat areas stay exactly flat
        size_t begin = 0, end = q.size();
        while (begin + 1 < end && q[begin] == 0)
            ++begin;
        while (end - 1 > begin && q[end - 1] == 0)
            --end;
        taps.first[size_t(i)] = lo + int(begin);
        taps.count[size_t(i)] = int(end - begin);
        std::copy(q.begin() + qsizetype(begin), q.begin() + qsizetype(end),
                  taps.weights.begin() + qsizetype(i) * taps.stride);
    }
    return taps;
}

// The arithmetic of one channel depth. The weights have `WeightBits` bits,
// enough that their rounding moves no result by a whole unit; the first
// pass keeps `Extra` bits below the channel's unit so that the second
// rounds only once; neither clamps in between, since the lobes may
// overshoot and come back.
template <typename Channel>
struct Depth;

template <>
struct Depth<quint8>
{
    using Inter = int16_t; // up to 255 * 1.3 * 64, with sign
    using Acc = int32_t;
    static constexpr int WeightBits = 14;
    static constexpr int Extra = 6;
    static constexpr int Max = 255;
    static void premultiply(const uchar *in, quint8 *out, int width, bool premultiplied)
    {
        const auto *src = reinterpret_cast<const QRgb *>(in);
        auto *dst = reinterpret_cast<QRgb *>(out);
        for (int x = 0; x < width; ++x)
            dst[x] = premultiplied ? src[x] : qPremultiply(src[x]);
    }
    static void unpremultiply(uchar *line, int width)
    {
        auto *p = reinterpret_cast<QRgb *>(line);
        for (int x = 0; x < width; ++x)
            p[x] = qUnpremultiply(p[x]);
    }
};

template <>
struct Depth<quint16>
{
    using Inter = int32_t;
    using Acc = int64_t;
    static constexpr int WeightBits = 22;
    static constexpr int Extra = 2;
    static constexpr int Max = 65535;
    static void premultiply(const uchar *in, quint16 *out, int width, bool premultiplied)
    {
        const auto *src = reinterpret_cast<const QRgba64 *>(in);
        auto *dst = reinterpret_cast<QRgba64 *>(out);
        for (int x = 0; x < width; ++x)
            dst[x] = premultiplied ? src[x] : src[x].premultiplied();
    }
    static void unpremultiply(uchar *line, int width)
    {
        auto *p = reinterpret_cast<QRgba64 *>(line);
        for (int x = 0; x < width; ++x)
            p[x] = p[x].unpremultiplied();
    }
};

template <typename Channel>
void scaleBand(const QImage &src, QImage &dst, const Taps &across, const Taps &down, int y0, int y1,
               bool premultiplied, std::vector<Channel> &line,
               std::vector<typename Depth<Channel>::Inter> &rows,
               std::vector<typename Depth<Channel>::Acc> &sums)
{
    using D = Depth<Channel>;
    using Inter = typename D::Inter;
    using Acc = typename D::Acc;
    const int sw = src.width(), dw = dst.width();
    const size_t rowLength = size_t(dw) * 4;
    const int top = down.first[size_t(y0)];
    int bottom = top;
    for (int y = y0; y < y1; ++y)
        bottom = std::max(bottom, down.first[size_t(y)] + down.count[size_t(y)]);

    // First pass: each source row the band needs, premultiplied and reduced
    // across.
    line.resize(size_t(sw) * 4);
    rows.resize(size_t(bottom - top) * rowLength);
    constexpr int shift1 = D::WeightBits - D::Extra;
    for (int sy = top; sy < bottom; ++sy) {
        D::premultiply(src.constScanLine(sy), line.data(), sw, premultiplied);
        Inter *out = rows.data() + size_t(sy - top) * rowLength;
        for (int x = 0; x < dw; ++x) {
            const int32_t *w = across.weights.data() + size_t(x) * size_t(across.stride);
            const Channel *p = line.data() + size_t(across.first[size_t(x)]) * 4;
            Acc a0 = 0, a1 = 0, a2 = 0, a3 = 0;
            for (int k = 0, n = across.count[size_t(x)]; k < n; ++k, p += 4) {
                a0 += Acc(w[k]) * p[0];
                a1 += Acc(w[k]) * p[1];
                a2 += Acc(w[k]) * p[2];
                a3 += Acc(w[k]) * p[3];
            }
            constexpr Acc half = Acc(1) << (shift1 - 1);
            out[4 * x + 0] = Inter((a0 + half) >> shift1);
            out[4 * x + 1] = Inter((a1 + half) >> shift1);
            out[4 * x + 2] = Inter((a2 + half) >> shift1);
            out[4 * x + 3] = Inter((a3 + half) >> shift1);
        }
    }

    // Second pass: down the band's rows, rounded once, clamped to the range
    // and each colour to its alpha, as premultiplied colours must be.
    constexpr int shift2 = D::WeightBits + D::Extra;
    constexpr Acc half2 = Acc(1) << (shift2 - 1);
    sums.resize(rowLength);
    for (int y = y0; y < y1; ++y) {
        std::fill(sums.begin(), sums.end(), Acc(0));
        const int32_t *w = down.weights.data() + size_t(y) * size_t(down.stride);
        const int first = down.first[size_t(y)];
        for (int k = 0, n = down.count[size_t(y)]; k < n; ++k) {
            const Inter *in = rows.data() + size_t(first + k - top) * rowLength;
            const Acc weight = w[k];
            Acc *s = sums.data();
            for (size_t i = 0; i < rowLength; ++i)
                s[i] += weight * in[i];
        }
        auto *out = reinterpret_cast<Channel *>(dst.scanLine(y));
        for (int x = 0; x < dw; ++x) {
            Acc v[4];
            for (int c = 0; c < 4; ++c)
                v[c] = std::clamp<Acc>((sums[size_t(4 * x + c)] + half2) >> shift2, 0, D::Max);
            const Acc alpha = v[AlphaIndex];
            for (int c = 0; c < 4; ++c)
                out[4 * x + c] = Channel(std::min(v[c], alpha));
        }
        if (!premultiplied)
            D::unpremultiply(dst.scanLine(y), dw);
    }
}

template <typename Channel>
void scaleAll(const QImage &src, QImage &dst, bool premultiplied)
{
    const Taps across = makeTaps(src.width(), dst.width(), Depth<Channel>::WeightBits);
    const Taps down = makeTaps(src.height(), dst.height(), Depth<Channel>::WeightBits);
    const int bands = (dst.height() + BandRows - 1) / BandRows;
    std::atomic<int> nextBand{0};
    const auto work = [&] {
        std::vector<Channel> line;
        std::vector<typename Depth<Channel>::Inter> rows;
        std::vector<typename Depth<Channel>::Acc> sums;
        for (int b; (b = nextBand.fetch_add(1)) < bands;)
            scaleBand<Channel>(src, dst, across, down, b * BandRows,
                               std::min(dst.height(), (b + 1) * BandRows), premultiplied, line, rows, sums);
    };
    // The bands are independent and each writes its own rows, so the result
    // does not depend on how many threads share them.
    const int threads = std::clamp(QThread::idealThreadCount(), 1, std::max(bands, 1));
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread &helper : helpers)
        helper.join();
}

} // namespace

QImage downscaled(const QImage &image, const QSize &size)
{
    if (image.isNull() || size == image.size())
        return image;
    const QSize target(std::clamp(size.width(), 1, image.width()),
                       std::clamp(size.height(), 1, image.height()));
    if (target == image.size())
        return image;

    QImage src = image;
    switch (src.format()) {
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB32:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBX64:
        break;
    default:
        if (src.depth() > 32 || src.format() == QImage::Format_Grayscale16)
            src = src.convertToFormat(QImage::Format_RGBA64);
        else
            src = src.convertToFormat(src.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (src.isNull())
            return QImage();
        break;
    }
    QImage dst(target, src.format());
    if (dst.isNull())
        return QImage();
    dst.setColorSpace(src.colorSpace());
    // Opaque formats are their own premultiplied form.
    const bool premultiplied = src.format() != QImage::Format_ARGB32 && src.format() != QImage::Format_RGBA64;
    if (src.depth() == 64)
        scaleAll<quint16>(src, dst, premultiplied);
    else
        scaleAll<quint8>(src, dst, premultiplied);
    return dst;
}

#pragma once

// The fades of one reflection line, as the rule defines them: the opacity's
// move, then the level of the fade, for 8-bit and 16-bit channels, colour
// and transparent mode (inside the engine; not installed). Each works a
// pixel at a time; the kernels are the faster roads to the same values.

#include "reflectionrule.h"

#include <QRgba64>

#include <algorithm>
#include <array>
#include <type_traits>

// Fills t[d] = d * mult / F for d = 0..255 without dividing: the numerator
// grows by mult per step and, since mult <= F, the remainder overflows F at
// most once per step. All values are non-negative, so floor equals trunc.
inline void fillQuotients(std::array<int, 256> &t, int mult, int F)
{
    int q = 0;
    qint64 rem = 0;
    for (int d = 0; d < 256; ++d) {
        t[d] = q;
        rem += mult;
        while (rem >= F) { // runs at most once when mult <= F
            rem -= F;
            ++q;
        }
    }
}

// Colour fade of one level for 8-bit channels: each channel first moves
// (100 - opacity)/100 of the way towards its component of the colour, then
// k/F of the way, each step channel + (c - channel) * k / F truncated toward
// zero; alpha is kept. Tabulated per channel value, since all of it is fixed
// for a whole line.
struct ColourFade
{
    using Pixel = quint32; // one Format_ARGB32 word, 0xAARRGGBB
    uchar r[256], g[256], b[256];

    static uchar channel(int v, int c, int k, int F, const std::array<int, 256> &t, bool inRange)
    {
        if (!inRange) // colour outside 0..255: outside the contract, keep the exact formula
            return uchar(qint64(v) + (qint64(c) - v) * k / F);
        const int d = c - v;
        return uchar(v + (d >= 0 ? t[d] : -t[-d]));
    }

    static bool inRange(int c) { return c >= 0 && c <= 255; }

    // The opacity's move, the same for every line: done once per rendering.
    static void prepare(Plan &p)
    {
        std::array<int, 256> o;
        fillQuotients(o, 100 - p.opacity, 100);
        const int c[3] = {p.colour.r, p.colour.g, p.colour.b};
        for (size_t k = 0; k < 3; ++k)
            for (int v = 0; v < 256; ++v)
                p.moved[k][size_t(v)] = channel(v, c[k], 100 - p.opacity, 100, o, inRange(c[k]));
    }

    void set(const Plan &p, int k, int F)
    {
        std::array<int, 256> t;
        fillQuotients(t, k, F);
        const _RGB &c = p.colour;
        for (size_t v = 0; v < 256; ++v) {
            r[v] = channel(p.moved[0][v], c.r, k, F, t, inRange(c.r));
            g[v] = channel(p.moved[1][v], c.g, k, F, t, inRange(c.g));
            b[v] = channel(p.moved[2][v], c.b, k, F, t, inRange(c.b));
        }
    }

    Pixel operator()(Pixel p) const
    {
        return (p & 0xff000000u) | (Pixel(r[(p >> 16) & 0xff]) << 16) | (Pixel(g[(p >> 8) & 0xff]) << 8) |
               Pixel(b[p & 0xff]);
    }
};

// Transparent fade of one level for 8-bit channels: alpha * opacity / 100,
// then * i / F; the colour channels are kept.
struct AlphaFade
{
    using Pixel = quint32;
    uchar a[256];

    void set(const Plan &p, int i, int F)
    {
        std::array<int, 256> t;
        fillQuotients(t, i, F);
        for (int v = 0; v < 256; ++v)
            a[v] = uchar(t[v * p.opacity / 100]);
    }

    Pixel operator()(Pixel p) const { return (p & 0x00ffffffu) | (Pixel(a[p >> 24]) << 24); }
};

// 16-bit channels have too many values to tabulate per level. n * k / F for
// n <= 65535 and 0 <= k <= F < 2^32 is (n * ceil(k * 2^48 / F)) >> 48 exactly:
// the product overshoots n * k / F by less than n / 2^48 < 1 / F, the
// smallest distance of a non-whole quotient from the next whole number.
inline quint64 scale48(qint64 k, qint64 F)
{
    quint64 q = 0, rem = quint64(k);
    for (int part = 0; part < 3; ++part) { // 16 bits at a time: rem < F < 2^32 never overflows
        rem <<= 16;
        q = (q << 16) | (rem / quint64(F));
        rem %= quint64(F);
    }
    return q + (rem != 0);
}

inline int scaled(int n, quint64 m)
{
    return int((quint64(n) * m) >> 48);
}

// v + (c - v) * k / F truncated toward zero, with m = scale48(k, F).
inline int towards(int v, int c, quint64 m)
{
    return c >= v ? v + scaled(c - v, m) : v - scaled(v - c, m);
}

// k * 2^32 / F rounded up, for n * k / F = (n * m) >> 32 with n <= 65535:
// the product overshoots by less than 65535 / 2^32, below 1 / F while F
// is at most 65536. Zero where that does not hold, or where k = F, whose
// 2^32 does not fit.
inline quint32 scale32(qint64 k, qint64 F)
{
    if (F > 65536 || k >= F || k < 0)
        return 0;
    return quint32(((quint64(k) << 32) + quint64(F) - 1) / quint64(F));
}

// The colour fade for Format_RGBA64 words.
struct ColourFade16
{
    using Pixel = quint64;
    int c[3];
    quint64 opacityStep, levelStep;
    bool withOpacity;
    // The same steps for run(), and whether they hold.
    quint32 opacityStep32, levelStep32;
    bool runs;

    void set(const Plan &p, int k, int F)
    {
        const _RGB &colour = p.colour;
        const int opacity = p.opacity;
        // Outside 0..255 is outside the contract; clamped, the colour stays in 16 bits.
        c[0] = std::clamp(colour.r, 0, 255) * 257;
        c[1] = std::clamp(colour.g, 0, 255) * 257;
        c[2] = std::clamp(colour.b, 0, 255) * 257;
        opacityStep = scale48(100 - opacity, 100);
        levelStep = scale48(k, F);
        withOpacity = opacity != 100;
        opacityStep32 = scale32(100 - opacity, 100);
        levelStep32 = scale32(k, F);
        runs = (k == 0 || levelStep32 != 0) && (!withOpacity || opacityStep32 != 0);
    }

    // The fade of n pixels, two at a time; returns how many it did
    // (kernel_fade16.cpp).
    int run(const Pixel *s, Pixel *d, int n) const;

    Pixel operator()(Pixel word) const
    {
        const QRgba64 p = QRgba64::fromRgba64(word);
        int r = p.red(), g = p.green(), b = p.blue();
        if (withOpacity) {
            r = towards(r, c[0], opacityStep);
            g = towards(g, c[1], opacityStep);
            b = towards(b, c[2], opacityStep);
        }
        return QRgba64::fromRgba64(quint16(towards(r, c[0], levelStep)), quint16(towards(g, c[1], levelStep)),
                                   quint16(towards(b, c[2], levelStep)), p.alpha());
    }
};

// The transparent fade for Format_RGBA64 words.
struct AlphaFade16
{
    using Pixel = quint64;
    quint64 opacityStep, levelStep;

    void set(const Plan &p, int i, int F)
    {
        opacityStep = scale48(p.opacity, 100);
        levelStep = scale48(i, F);
    }

    Pixel operator()(Pixel word) const
    {
        QRgba64 p = QRgba64::fromRgba64(word);
        p.setAlpha(quint16(scaled(scaled(p.alpha(), opacityStep), levelStep)));
        return p;
    }
};

// Level of reflection line j (0 = next to the picture) within the fade.
// For m = j - (reflected - faded) in 0..faded-1 the colour fade moves m/faded
// towards the colour and the transparent fade scales alpha by
// (faded - 1 - m)/faded: the two modes differ by one line in where the fade
// starts and ends.
template <typename Fade>
void setLevel(Fade &fade, const Plan &p, int m)
{
    if constexpr (std::is_same_v<Fade, ColourFade> || std::is_same_v<Fade, ColourFade16>)
        fade.set(p, m, p.faded);
    else
        fade.set(p, p.faded - 1 - m, p.faded);
}

// The lines next to the picture that do not fade still take the opacity.
template <typename Fade>
void setUnfaded(Fade &fade, const Plan &p)
{
    if constexpr (std::is_same_v<Fade, ColourFade> || std::is_same_v<Fade, ColourFade16>)
        fade.set(p, 0, 1);
    else
        fade.set(p, 1, 1);
}

template <typename Pixel>
Pixel gapPixel(const Plan &p)
{
    // Transparent gap pixels get black colour channels so that a later save
    // without alpha shows a defined colour.
    if (p.transparent)
        return 0;
    if constexpr (sizeof(Pixel) == 8)
        return QRgba64::fromRgba64(quint16((p.colour.r & 0xff) * 257), quint16((p.colour.g & 0xff) * 257),
                                   quint16((p.colour.b & 0xff) * 257), 0xffff);
    else
        return 0xff000000u | (Pixel(p.colour.r & 0xff) << 16) | (Pixel(p.colour.g & 0xff) << 8) |
               Pixel(p.colour.b & 0xff);
}

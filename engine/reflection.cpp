#include "reflection.h"

#include <QRgba64>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

// The renderer is defined, and tested, as "turn the picture so the
// reflecting edge is at the bottom, trim, render the bottom reflection, turn
// back". Turning a 24-megapixel photo twice costs more than the rendering
// itself, so every side is rendered here directly into the output picture, in
// the orientation the caller asked for, by mapping each reflection line to the
// source line it mirrors. The result is bit-identical to the turned form; the
// randomized cross-check in the tests holds it to that.

namespace {

// Fills t[d] = d * mult / F for d = 0..255 without dividing: the numerator
// grows by mult per step and, since mult <= F, the remainder overflows F at
// most once per step. All values are non-negative, so floor equals trunc.
void fillQuotients(std::array<int, 256> &t, int mult, int F)
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

// What one rendering needs once the side and the trim are known. All counts
// are along the reflecting axis.
struct Plan
{
    bool vertical;  // reflection above or below (rows), else left or right (columns)
    bool nearStart; // reflection before the picture: top or left
    int kept;       // lines of the picture kept after trimming
    int reflected;  // reflection lines
    int gap;        // gap lines
    int faded;      // reflection lines that fade, the ones farthest from the picture
    _RGB colour;
    bool transparent;
    int opacity;
    int blur;
    // Each 8-bit colour channel value after the opacity's move towards the
    // colour, by channel: red, green, blue.
    std::array<std::array<uchar, 256>, 3> moved;
};

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
quint64 scale48(qint64 k, qint64 F)
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
quint32 scale32(qint64 k, qint64 F)
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

    // The fade of n pixels, two at a time; returns how many it did.
    int run(const Pixel *s, Pixel *d, int n) const
    {
        int x = 0;
#ifdef __SSE2__
        if (!runs)
            return 0;
        const __m128i none = _mm_setzero_si128();
        const __m128i alphaLanes = _mm_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1);
        const __m128i highHalves = _mm_set1_epi64x(qint64(0xffffffff00000000ull));
        const __m128i target = _mm_setr_epi16(short(c[0]), short(c[1]), short(c[2]), 0, short(c[0]),
                                              short(c[1]), short(c[2]), 0);
        const auto share = [&](__m128i four, __m128i m) { // (four * m) >> 32, lane by lane
            const __m128i even = _mm_srli_epi64(_mm_mul_epu32(four, m), 32);
            const __m128i odd = _mm_and_si128(_mm_mul_epu32(_mm_srli_epi64(four, 32), m), highHalves);
            return _mm_sub_epi32(_mm_or_si128(even, odd), _mm_set1_epi32(32768)); // ready for the signed pack
        };
        const auto step = [&](__m128i v, quint32 m32) { // v + (c - v) * k / F, toward zero
            const __m128i m = _mm_set1_epi32(int(m32));
            const __m128i up = _mm_subs_epu16(target, v), down = _mm_subs_epu16(v, target);
            const __m128i distance = _mm_or_si128(up, down);
            const __m128i q = _mm_add_epi16(_mm_packs_epi32(share(_mm_unpacklo_epi16(distance, none), m),
                                                            share(_mm_unpackhi_epi16(distance, none), m)),
                                            _mm_set1_epi16(short(0x8000)));
            const __m128i goesDown = _mm_cmpeq_epi16(up, none);
            const __m128i moved = _mm_or_si128(_mm_and_si128(goesDown, _mm_sub_epi16(v, q)),
                                               _mm_andnot_si128(goesDown, _mm_add_epi16(v, q)));
            return _mm_or_si128(_mm_andnot_si128(alphaLanes, moved), _mm_and_si128(alphaLanes, v));
        };
        for (; x + 2 <= n; x += 2) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + x));
            if (withOpacity)
                v = step(v, opacityStep32);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + x), step(v, levelStep32));
        }
#else
        Q_UNUSED(s);
        Q_UNUSED(d);
        Q_UNUSED(n);
#endif
        return x;
    }

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

// Channels of one pixel in the order alpha, red, green, blue.
inline void split(quint32 p, quint64 (&c)[4])
{
    c[0] = p >> 24;
    c[1] = (p >> 16) & 0xff;
    c[2] = (p >> 8) & 0xff;
    c[3] = p & 0xff;
}

inline void split(quint64 word, quint64 (&c)[4])
{
    const QRgba64 p = QRgba64::fromRgba64(word);
    c[0] = p.alpha();
    c[1] = p.red();
    c[2] = p.green();
    c[3] = p.blue();
}

template <typename Pixel>
Pixel join(const quint64 (&c)[4])
{
    if constexpr (sizeof(Pixel) == 8)
        return QRgba64::fromRgba64(quint16(c[1]), quint16(c[2]), quint16(c[3]), quint16(c[0]));
    else
        return Pixel((c[0] << 24) | (c[1] << 16) | (c[2] << 8) | c[3]);
}

// n / d truncated, by one multiplication where exact: with m = ceil(2^64 / d),
// the high half of n * m is n / d whenever n * d < 2^64 (the product
// overshoots n / d by less than n / 2^64). Otherwise, and for d = 1, it
// divides.
struct Divider
{
    quint64 d = 1, m = 0;

    void set(quint64 divisor, bool exact)
    {
        d = divisor;
        m = exact ? ~quint64(0) / d + 1 : 0; // wraps to 0 for d = 1
    }

    quint64 operator()(quint64 n) const
    {
#ifdef __SIZEOF_INT128__
        __extension__ using Wide = unsigned __int128;
        if (m != 0)
            return quint64((Wide(n) * m) >> 64);
#endif
        return n / d;
    }
};

// True when n * d < 2^64 for every n <= most * d.
bool fitsProduct(quint64 most, quint64 d)
{
    return d <= (quint64(1) << 32) && most * d < std::numeric_limits<quint64>::max() / d;
}

// The arithmetic of the blur for one pixel position: what a pixel adds to
// the running sums, and the average of a window's sums. Reg is the sums as
// the arithmetic works on them, Sums as they are stored. This plain form
// serves every pixel size and sum width, channels in the order alpha, red,
// green, blue; in transparent mode (Weighted) the colour is summed times
// alpha.
template <typename Pixel, typename Acc, bool Weighted>
struct PlainArithmetic
{
    static constexpr quint64 Most = sizeof(Pixel) == 8 ? 0xffff : 0xff;
    using Sums = std::array<Acc, 4>;
    using Reg = Sums;

    static Reg load(const Sums &s) { return s; }
    static void store(Sums &s, const Reg &r) { s = r; }
    static Reg zero() { return Reg{}; }

    static Reg plus(Reg a, const Reg &b)
    {
        for (size_t k = 0; k < 4; ++k)
            a[k] += b[k];
        return a;
    }

    static Reg minus(Reg a, const Reg &b)
    {
        for (size_t k = 0; k < 4; ++k)
            a[k] -= b[k];
        return a;
    }

    static Reg weighed(Pixel p)
    {
        quint64 c[4];
        split(p, c);
        if constexpr (Weighted) {
            c[1] *= c[0];
            c[2] *= c[0];
            c[3] *= c[0];
        }
        return {Acc(c[0]), Acc(c[1]), Acc(c[2]), Acc(c[3])};
    }

    // The window's average from its sums, over `count` pixels; `own` is the
    // pixel at the window's centre.
    static Pixel average(const Reg &sum, const Divider &count, Pixel own)
    {
        quint64 c[4];
        c[0] = count(sum[0]);
        if constexpr (!Weighted) {
            for (size_t k = 1; k < 4; ++k)
                c[k] = count(sum[k]);
        } else if (sum[0] == 0) { // nothing to weigh by: the pixel keeps its colour
            quint64 mine[4];
            split(own, mine);
            for (size_t k = 1; k < 4; ++k)
                c[k] = mine[k];
        } else {
            Divider weight;
            weight.set(sum[0], fitsProduct(Most, sum[0]));
            for (size_t k = 1; k < 4; ++k)
                c[k] = weight(sum[k]);
        }
        return join<Pixel>(c);
    }
};

#ifdef __SSE2__
// The same for 8-bit pixels with 32-bit sums, the common case, four
// channels at once: lanes in memory order blue, green, red, alpha. Colour
// times alpha fits 16 bits, so it is weighed before widening.
template <bool Weighted>
struct Sse2Arithmetic
{
    static constexpr quint64 Most = 0xff;
    struct alignas(16) Sums
    {
        quint32 lane[4];
    };
    using Reg = __m128i;

    static Reg load(const Sums &s) { return _mm_load_si128(reinterpret_cast<const __m128i *>(s.lane)); }
    static void store(Sums &s, Reg r) { _mm_store_si128(reinterpret_cast<__m128i *>(s.lane), r); }
    static Reg zero() { return _mm_setzero_si128(); }
    static Reg plus(Reg a, Reg b) { return _mm_add_epi32(a, b); }
    static Reg minus(Reg a, Reg b) { return _mm_sub_epi32(a, b); }

    static Reg weighed(quint32 p)
    {
        const __m128i none = _mm_setzero_si128();
        __m128i v = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(p)), none);
        if constexpr (Weighted) {
            const __m128i alpha = _mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 3, 3));
            const __m128i colourLanes = _mm_setr_epi16(-1, -1, -1, 0, 0, 0, 0, 0);
            const __m128i alphaOne = _mm_setr_epi16(0, 0, 0, 1, 0, 0, 0, 0);
            v = _mm_mullo_epi16(v, _mm_or_si128(_mm_and_si128(alpha, colourLanes), alphaOne));
        }
        return _mm_unpacklo_epi16(v, none);
    }

    static quint32 average(Reg sum, const Divider &count, quint32 own)
    {
        alignas(16) quint32 s[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(s), sum);
        quint32 c[4];
        c[3] = quint32(count(s[3]));
        if constexpr (!Weighted) {
            for (size_t k = 0; k < 3; ++k)
                c[k] = quint32(count(s[k]));
        } else if (s[3] == 0) { // nothing to weigh by: the pixel keeps its colour
            return own & 0x00ffffffu;
        } else {
            Divider weight;
            weight.set(s[3], fitsProduct(Most, s[3]));
            for (size_t k = 0; k < 3; ++k)
                c[k] = quint32(weight(s[k]));
        }
        return c[0] | (c[1] << 8) | (c[2] << 16) | (c[3] << 24);
    }
};
#endif

// The blur of the mirrored lines, one line at a time in order from the
// picture outwards: in[j] is reflection line j, `across` pixels long. The
// window's lines slide: both of its ends only ever move away from the
// picture, so every line enters the running column sums once and leaves
// once. Across, each line's sums are prefix sums, taken in the same pass
// as the last line's exchange. The cost per pixel does not depend on the
// radius. Sums are kept modulo 2^32 or 2^64 (Acc), which the differences
// of the prefix sums survive as long as a window's own sum fits.
template <typename Pixel, typename Arithmetic>
class LineBlur
{
public:
    LineBlur(std::vector<const Pixel *> lines, int across, int blur)
        : in(std::move(lines)), across(across), blur(blur), column(static_cast<size_t>(across)),
          prefix(size_t(across) + 1), blurred(static_cast<size_t>(across))
    {
        Arithmetic::store(prefix[0], Arithmetic::zero());
    }

    // Blurred line j; the lines are asked for in order, from 0.
    const Pixel *line(int j)
    {
        const int R = int(in.size());
        const int r = int(qint64(j) * blur / 400);
        const int newHi = std::min(R - 1, j + r), newLo = std::max(0, j - r);
        bool summed = false; // the prefix sums are up to date
        while (hi < newHi || lo < newLo) {
            const bool enter = hi < newHi, leave = lo < newLo;
            const Pixel *entering = enter ? in[size_t(++hi)] : nullptr;
            const Pixel *leaving = leave ? in[size_t(lo++)] : nullptr;
            summed = r > 0 && hi == newHi && lo == newLo; // the last exchange also sums across
            if (enter && leave)
                summed ? exchange<true, true, true>(entering, leaving)
                       : exchange<true, true, false>(entering, leaving);
            else if (enter)
                summed ? exchange<true, false, true>(entering, nullptr)
                       : exchange<true, false, false>(entering, nullptr);
            else
                summed ? exchange<false, true, true>(nullptr, leaving)
                       : exchange<false, true, false>(nullptr, leaving);
        }
        if (r == 0)
            return in[size_t(j)];
        if (!summed)
            exchange<false, false, true>(nullptr, nullptr);

        const quint64 lines = quint64(hi - lo + 1);
        const int widest = std::min(across, 2 * r + 1);
        const bool exact = fitsProduct(Arithmetic::Most, lines * quint64(widest));
        byWidth.resize(size_t(widest) + 1);
        for (int width = std::min(across, r + 1); width <= widest; ++width) // the only widths there are
            byWidth[size_t(width)].set(lines * quint64(width), exact);
        const Pixel *own = in[size_t(j)];
        const auto average = [&](int x, int from, int to) {
            const auto sum = Arithmetic::minus(Arithmetic::load(prefix[size_t(to) + 1]),
                                               Arithmetic::load(prefix[size_t(from)]));
            return Arithmetic::average(sum, byWidth[size_t(to - from + 1)], own[x]);
        };
        const int x0 = std::min(r, across), x1 = std::max(x0, across - r); // the full windows
        for (int x = 0; x < x0; ++x)
            blurred[size_t(x)] = average(x, 0, std::min(across - 1, x + r));
        for (int x = x0; x < x1; ++x)
            blurred[size_t(x)] = average(x, x - r, x + r);
        for (int x = x1; x < across; ++x)
            blurred[size_t(x)] = average(x, std::max(0, x - r), across - 1);
        return blurred.data();
    }

private:
    using Sums = typename Arithmetic::Sums;

    // Adds line `entering` to the column sums and takes `leaving` out; with
    // Sum, also takes the prefix sums across.
    template <bool Enter, bool Leave, bool Sum>
    void exchange(const Pixel *entering, const Pixel *leaving)
    {
        auto running = Arithmetic::zero();
        for (int x = 0; x < across; ++x) {
            Sums &s = column[size_t(x)];
            auto sums = Arithmetic::load(s);
            if constexpr (Enter)
                sums = Arithmetic::plus(sums, Arithmetic::weighed(entering[x]));
            if constexpr (Leave)
                sums = Arithmetic::minus(sums, Arithmetic::weighed(leaving[x]));
            if constexpr (Enter || Leave)
                Arithmetic::store(s, sums);
            if constexpr (Sum) {
                running = Arithmetic::plus(running, sums);
                Arithmetic::store(prefix[size_t(x) + 1], running);
            }
        }
    }

    std::vector<const Pixel *> in;
    int across, blur;
    int lo = 0, hi = -1; // the lines in the column sums
    std::vector<Sums> column, prefix;
    std::vector<Divider> byWidth; // by the window's width across
    std::vector<Pixel> blurred;
};

// Calls visit(blur) with the LineBlur that fits: sums in 32 bits where no
// window's sum can reach 2^32, which halves the memory they move.
template <typename Pixel, bool Weighted, typename Visit>
void withLineBlur(std::vector<const Pixel *> lines, int across, int blur, Visit visit)
{
    constexpr quint64 Most = sizeof(Pixel) == 8 ? 0xffff : 0xff;
    const quint64 R = lines.size();
    const quint64 window = R * std::min<quint64>(quint64(across), 2 * ((R - 1) * quint64(blur) / 400) + 1);
    if ((Weighted ? Most * Most : Most) * window <= std::numeric_limits<quint32>::max()) {
#ifdef __SSE2__
        if constexpr (sizeof(Pixel) == 4) {
            LineBlur<Pixel, Sse2Arithmetic<Weighted>> b(std::move(lines), across, blur);
            visit(b);
            return;
        }
#endif
        LineBlur<Pixel, PlainArithmetic<Pixel, quint32, Weighted>> b(std::move(lines), across, blur);
        visit(b);
    } else {
        LineBlur<Pixel, PlainArithmetic<Pixel, quint64, Weighted>> b(std::move(lines), across, blur);
        visit(b);
    }
}

// Copies `h` rows of `w` pixels at `from` turned about the diagonal to
// `to` (row k of `to` takes column k of `from`), tile by tile so that both
// sides stay in cache; 32-bit pixels go four rows by four columns at once.
template <typename Pixel>
void transpose(const uchar *from, qsizetype fromStride, uchar *to, qsizetype toStride, int w, int h)
{
    constexpr int Tile = 32;
    const auto source = [&](int y) { return reinterpret_cast<const Pixel *>(from + y * fromStride); };
    const auto target = [&](int y) { return reinterpret_cast<Pixel *>(to + y * toStride); };
    for (int i0 = 0; i0 < h; i0 += Tile)
        for (int k0 = 0; k0 < w; k0 += Tile) {
            const int i1 = std::min(h, i0 + Tile), k1 = std::min(w, k0 + Tile);
            int i = i0;
#ifdef __SSE2__
            if constexpr (sizeof(Pixel) == 4) {
                for (; i + 4 <= i1; i += 4) {
                    int k = k0;
                    for (; k + 4 <= k1; k += 4) {
                        __m128i r[4];
                        for (int t = 0; t < 4; ++t)
                            r[t] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source(i + t) + k));
                        const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]),
                                      t1 = _mm_unpacklo_epi32(r[2], r[3]);
                        const __m128i t2 = _mm_unpackhi_epi32(r[0], r[1]),
                                      t3 = _mm_unpackhi_epi32(r[2], r[3]);
                        const __m128i c[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                                              _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
                        for (int t = 0; t < 4; ++t)
                            _mm_storeu_si128(reinterpret_cast<__m128i *>(target(k + t) + i), c[t]);
                    }
                    for (; k < k1; ++k)
                        for (int t = 0; t < 4; ++t)
                            target(k)[i + t] = source(i + t)[k];
                }
            }
#endif
            for (; i < i1; ++i) {
                const Pixel *s = source(i);
                for (int k = k0; k < k1; ++k)
                    target(k)[i] = s[k];
            }
        }
}

// How a reflection line is written: copied, with the opacity only (the
// lines next to the picture), or at a level of the fade.
enum class LineFade
{
    Copy,
    Opacity,
    Level
};

// The opacity alone on 8-bit pixels, four at a time, exactly as the
// unfaded tables give it: colour mode moves each colour channel
// (100 - opacity)/100 of the way towards the colour, transparent mode
// scales alpha by opacity/100, both multiplying first and truncating. The
// product is at most 255 * 100, and x / 100 is (x * 5243) >> 19 for every
// x below 43699. With `reversed`, s[x] goes to d[n - 1 - x]. Returns how
// many pixels of `s`, from the start, it did.
int opacityRun(const quint32 *s, quint32 *d, int n, const Plan &p, bool reversed)
{
#ifdef __SSE2__
    const _RGB &c = p.colour;
    if (!p.transparent && !(ColourFade::inRange(c.r) && ColourFade::inRange(c.g) && ColourFade::inRange(c.b)))
        return 0;
    const __m128i none = _mm_setzero_si128();
    const __m128i alphaLanes = _mm_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1);
    const __m128i step = _mm_set1_epi16(short(p.transparent ? p.opacity : 100 - p.opacity));
    const __m128i reciprocal = _mm_set1_epi16(5243);
    const __m128i target =
        _mm_setr_epi16(short(c.b), short(c.g), short(c.r), 0, short(c.b), short(c.g), short(c.r), 0);
    const auto share = [&](__m128i x) { // x * step / 100
        return _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(x, step), reciprocal), 3);
    };
    const auto channels = [&](__m128i v) {
        if (p.transparent)
            return _mm_or_si128(_mm_andnot_si128(alphaLanes, v), _mm_and_si128(alphaLanes, share(v)));
        const __m128i toward = _mm_sub_epi16(target, v);
        const __m128i below = _mm_cmplt_epi16(toward, none);
        const __m128i distance = _mm_max_epi16(toward, _mm_sub_epi16(none, toward));
        const __m128i moved = _mm_add_epi16(v, _mm_sub_epi16(_mm_xor_si128(share(distance), below), below));
        return _mm_or_si128(_mm_andnot_si128(alphaLanes, moved), _mm_and_si128(alphaLanes, v));
    };
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + x));
        const __m128i low = channels(_mm_unpacklo_epi8(four, none));
        const __m128i high = channels(_mm_unpackhi_epi8(four, none));
        const __m128i done = _mm_packus_epi16(low, high);
        if (reversed)
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + n - 4 - x),
                             _mm_shuffle_epi32(done, _MM_SHUFFLE(0, 1, 2, 3)));
        else
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + x), done);
    }
    return x;
#else
    Q_UNUSED(s);
    Q_UNUSED(d);
    Q_UNUSED(n);
    Q_UNUSED(p);
    Q_UNUSED(reversed);
    return 0;
#endif
}

// Writes `n` pixels of line `s` to `d` as `kind` says, `f` being the
// line's fade; with `reversed` in reverse order, into a `d` apart from `s`.
template <typename Fade>
void fadeLine(const Fade &f, LineFade kind, const typename Fade::Pixel *s, typename Fade::Pixel *d, int n,
              const Plan &p, bool reversed = false)
{
    if (kind == LineFade::Copy) {
        if (reversed)
            std::reverse_copy(s, s + n, d);
        else
            std::memcpy(d, s, size_t(n) * sizeof(*s));
        return;
    }
    int x = 0;
    if constexpr (sizeof(*s) == 4) {
        if (kind == LineFade::Opacity)
            x = opacityRun(s, d, n, p, reversed);
    } else if constexpr (std::is_same_v<Fade, ColourFade16>) {
        if (!reversed)
            x = f.run(s, d, n);
    }
    for (; x < n; ++x)
        d[reversed ? n - 1 - x : x] = f(s[x]);
}

// The kind of reflection line j.
LineFade lineFade(const Plan &p, int j)
{
    if (j >= p.reflected - p.faded)
        return LineFade::Level;
    return p.opacity == 100 ? LineFade::Copy : LineFade::Opacity;
}

// Renders top and bottom; line(j) gives reflection line j's unfaded pixels
// and is called for j = 0, 1, 2, ... in order.
template <typename Fade, typename Lines>
void renderVertical(const QImage &src, Lines &&line, QImage &out, const Plan &p)
{
    using Pixel = typename Fade::Pixel;
    const int w = src.width();
    const int h = src.height();
    const size_t rowBytes = size_t(w) * sizeof(Pixel);
    // Top keeps the bottom rows of the photo, bottom keeps the top rows.
    const int srcFirst = p.nearStart ? h - p.kept : 0;
    const int picFirst = p.nearStart ? p.reflected + p.gap : 0;
    const int gapFirst = p.nearStart ? p.reflected : p.kept;

    for (int y = 0; y < p.kept; ++y)
        std::memcpy(out.scanLine(picFirst + y), src.constScanLine(srcFirst + y), rowBytes);

    const Pixel gap = gapPixel<Pixel>(p);
    for (int y = 0; y < p.gap; ++y) {
        Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(gapFirst + y));
        std::fill(d, d + w, gap);
    }

    Fade unfaded, fade;
    setUnfaded(unfaded, p);
    for (int j = 0; j < p.reflected; ++j) {
        const int dstRow = p.nearStart ? p.reflected - 1 - j : p.kept + p.gap + j;
        const Pixel *s = line(j);
        Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(dstRow));
        const LineFade kind = lineFade(p, j);
        if (kind == LineFade::Level)
            setLevel(fade, p, j - (p.reflected - p.faded));
        fadeLine(kind == LineFade::Level ? fade : unfaded, kind, s, d, w, p);
    }
}

// Renders left and right; without `withReflection` only the picture and
// the gap, for a reflection written by blurInto.
template <typename Fade, bool NearStart>
void renderHorizontal(const QImage &src, QImage &out, const Plan &p, bool withReflection)
{
    using Pixel = typename Fade::Pixel;
    const int w = src.width();
    const int h = src.height();
    // Left keeps the rightmost columns of the photo, right keeps the leftmost.
    const int srcFirst = NearStart ? w - p.kept : 0;
    const int picFirst = NearStart ? p.reflected + p.gap : 0;
    const int gapFirst = NearStart ? p.reflected : p.kept;
    const int exact = withReflection ? p.reflected - p.faded : 0;
    const int faded = withReflection ? p.faded : 0;
    const Pixel gap = gapPixel<Pixel>(p);

    // Reflection column j (0 next to the picture) mirrors the kept column j
    // away from the edge. Left: output column reflected - 1 - j takes source
    // column w - kept + j. Right: output column kept + gap + j takes source
    // column kept - 1 - j. Either way a run of reflection columns is a run
    // of source columns in reverse order.
    const auto srcColumn = [&](int j) { return NearStart ? w - p.kept + j : p.kept - 1 - j; };
    const auto dstColumn = [&](int j) { return NearStart ? p.reflected - 1 - j : p.kept + p.gap + j; };
    const auto mirrorRow = [&](int y) { return reinterpret_cast<const Pixel *>(src.constScanLine(y)); };

    // The fade level changes from column to column. The tables of all levels
    // are built once (faded * 768 bytes, small beside the picture) and applied
    // tile by tile: a band of rows at a time, a block of levels at a time, so
    // that the block's tables stay in cache for the whole band while the
    // rows are still read in order.
    constexpr int LevelBlock = 64;
    constexpr int RowBand = 32;
    std::vector<Fade> fades(static_cast<size_t>(faded));
    for (int m = 0; m < faded; ++m)
        setLevel(fades[size_t(m)], p, m);
    Fade unfaded;
    setUnfaded(unfaded, p);
    for (int y0 = 0; y0 < h; y0 += RowBand) {
        const int y1 = std::min(h, y0 + RowBand);
        // The plain part of the band first, while its rows are in cache.
        for (int y = y0; y < y1; ++y) {
            const Pixel *s = reinterpret_cast<const Pixel *>(src.constScanLine(y));
            Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(y));
            std::memcpy(d + picFirst, s + srcFirst, size_t(p.kept) * sizeof(Pixel));
            std::fill(d + gapFirst, d + gapFirst + p.gap, gap);
            if (exact > 0) {
                const Pixel *m = mirrorRow(y) + std::min(srcColumn(0), srcColumn(exact - 1));
                Pixel *to = d + std::min(dstColumn(0), dstColumn(exact - 1));
                fadeLine(unfaded, lineFade(p, 0), m, to, exact, p, true);
            }
        }
        for (int m0 = 0; m0 < faded; m0 += LevelBlock) {
            const int n = std::min(LevelBlock, faded - m0);
            const Fade *f = fades.data() + m0;
            const int j0 = exact + m0;
            const int sLo = std::min(srcColumn(j0), srcColumn(j0 + n - 1));
            const int dLo = std::min(dstColumn(j0), dstColumn(j0 + n - 1));
            for (int y = y0; y < y1; ++y) {
                const Pixel *s = mirrorRow(y) + sLo;
                Pixel *d = reinterpret_cast<Pixel *>(out.scanLine(y)) + dLo;
                // Level t sits at source offset t (left) or n - 1 - t (right)
                // within the block, and at the mirrored output offset.
                if (NearStart) {
                    for (int t = 0; t < n; ++t)
                        d[n - 1 - t] = f[t](s[t]);
                } else {
                    for (int t = n - 1; t >= 0; --t) // read the source upwards
                        d[t] = f[t](s[n - 1 - t]);
                }
            }
        }
    }
}

// Source line L (a row for top and bottom, a column for left and right)
// is reflection line j.
int mirroredLine(const Plan &p, int extent, int j)
{
    return p.nearStart ? extent - p.kept + j : p.kept - 1 - j;
}

template <typename Fade>
void renderTopOrBottom(const QImage &src, QImage &out, const Plan &p)
{
    using Pixel = typename Fade::Pixel;
    std::vector<const Pixel *> lines(static_cast<size_t>(p.reflected));
    for (int j = 0; j < p.reflected; ++j)
        lines[size_t(j)] =
            reinterpret_cast<const Pixel *>(src.constScanLine(mirroredLine(p, src.height(), j)));
    if (p.blur == 0) {
        renderVertical<Fade>(
            src, [&](int j) { return lines[size_t(j)]; }, out, p);
        return;
    }
    constexpr bool Weighted = std::is_same_v<Fade, AlphaFade> || std::is_same_v<Fade, AlphaFade16>;
    withLineBlur<Pixel, Weighted>(std::move(lines), src.width(), p.blur, [&](auto &blur) {
        renderVertical<Fade>(
            src, [&](int j) { return blur.line(j); }, out, p);
    });
}

// The blurred reflection of left and right, faded and written into its
// place in `out`; false when its working copy cannot be allocated. The
// mirrored columns are turned into rows, blurred and faded a line at a
// time, and written back as columns, a block of them at a time so that
// every row of the output gets a whole cache line.
template <typename Fade>
bool blurInto(const QImage &src, QImage &out, const Plan &p)
{
    using Pixel = typename Fade::Pixel;
    constexpr bool Weighted = std::is_same_v<Fade, AlphaFade> || std::is_same_v<Fade, AlphaFade16>;
    const int h = src.height();
    const int first = p.nearStart ? src.width() - p.kept : p.kept - p.reflected; // the strip's first column
    QImage rows = allocatePicture(h, p.reflected, src.format());
    if (rows.isNull())
        return false;
    transpose<Pixel>(src.constBits() + first * qsizetype(sizeof(Pixel)), src.bytesPerLine(), rows.bits(),
                     rows.bytesPerLine(), p.reflected, h);
    std::vector<const Pixel *> lines(static_cast<size_t>(p.reflected));
    for (int j = 0; j < p.reflected; ++j)
        lines[size_t(j)] =
            reinterpret_cast<const Pixel *>(rows.constScanLine(mirroredLine(p, src.width(), j) - first));
    const int exact = p.reflected - p.faded;
    Fade unfaded, fade;
    setUnfaded(unfaded, p);
    const auto dstColumn = [&](int j) { return p.nearStart ? p.reflected - 1 - j : p.kept + p.gap + j; };
    uchar *bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    constexpr int Block = 16; // lines written back at once, a cache line of 32-bit pixels per row
    std::vector<Pixel> block(size_t(Block) * size_t(h));
    withLineBlur<Pixel, Weighted>(std::move(lines), h, p.blur, [&](auto &blur) {
        for (int j0 = 0; j0 < p.reflected; j0 += Block) {
            const int n = std::min(Block, p.reflected - j0);
            for (int t = 0; t < n; ++t) {
                const LineFade kind = lineFade(p, j0 + t);
                if (kind == LineFade::Level)
                    setLevel(fade, p, j0 + t - exact);
                // The block's lines are neighbouring columns, in reverse order on the left.
                fadeLine(kind == LineFade::Level ? fade : unfaded, kind, blur.line(j0 + t),
                         block.data() + size_t(p.nearStart ? n - 1 - t : t) * size_t(h), h, p);
            }
            const int column = std::min(dstColumn(j0), dstColumn(j0 + n - 1));
            transpose<Pixel>(reinterpret_cast<const uchar *>(block.data()),
                             qsizetype(h) * qsizetype(sizeof(Pixel)),
                             bits + column * qsizetype(sizeof(Pixel)), stride, h, n);
        }
    });
    return true;
}

template <typename Fade>
bool renderLeftOrRight(const QImage &src, QImage &out, const Plan &p)
{
    const bool blurred = p.blur > 0 && p.reflected > 1;
    if (p.nearStart)
        renderHorizontal<Fade, true>(src, out, p, !blurred);
    else
        renderHorizontal<Fade, false>(src, out, p, !blurred);
    return !blurred || blurInto<Fade>(src, out, p);
}

template <typename ColourFadeT, typename AlphaFadeT>
bool renderInto(const QImage &src, QImage &out, const Plan &p)
{
    if (p.vertical) {
        if (p.transparent)
            renderTopOrBottom<AlphaFadeT>(src, out, p);
        else
            renderTopOrBottom<ColourFadeT>(src, out, p);
        return true;
    }
    return p.transparent ? renderLeftOrRight<AlphaFadeT>(src, out, p)
                         : renderLeftOrRight<ColourFadeT>(src, out, p);
}

// Renders `src` (in Format_ARGB32 or Format_RGBA64) by the plan.
QImage render(const QImage &src, const Plan &plan)
{
    const qint64 extent = qint64(plan.kept) + plan.reflected + plan.gap;
    if (plan.kept <= 0 || extent > std::numeric_limits<int>::max())
        return QImage();
    const int outW = plan.vertical ? src.width() : int(extent);
    const int outH = plan.vertical ? int(extent) : src.height();
    // QImage refuses sizes whose byte count overflows and returns a null
    // picture when the memory cannot be had; pass that on rather than write.
    QImage out = allocatePicture(outW, outH, src.format());
    if (out.isNull())
        return QImage();
    const bool done = src.format() == QImage::Format_RGBA64
                          ? renderInto<ColourFade16, AlphaFade16>(src, out, plan)
                          : renderInto<ColourFade, AlphaFade>(src, out, plan);
    return done ? out : QImage();
}

int normalisedDirection(int direction)
{
    switch (direction) {
    case ReflectionSettings::Top:
    case ReflectionSettings::Bottom:
    case ReflectionSettings::Left:
        return direction;
    default: // anything else is rendered to the right
        return ReflectionSettings::Right;
    }
}

} // namespace

QImage allocatePicture(int width, int height, QImage::Format format)
{
    QImage img(width, height, format);
#ifdef Q_OS_LINUX
    constexpr qsizetype Threshold = qsizetype(4) << 20;
    if (!img.isNull() && img.sizeInBytes() >= Threshold) {
        // Only whole pages inside the buffer may be advised.
        const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
        const uintptr_t begin = reinterpret_cast<uintptr_t>(img.bits());
        const uintptr_t first = (begin + page - 1) & ~(page - 1);
        const uintptr_t last = (begin + uintptr_t(img.sizeInBytes())) & ~(page - 1);
        if (last > first)
            madvise(reinterpret_cast<void *>(first), last - first,
                    MADV_HUGEPAGE); // advice only; may be refused
    }
#endif
    return img;
}

int percentOf(int x, int p)
{
    // In 64 bits so absurd inputs cannot overflow; for every real picture
    // this equals the 32-bit x * p / 100.
    return int(qint64(x) * p / 100);
}

QImage::Format renderingFormat(QImage::Format photoFormat)
{
    switch (photoFormat) {
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return QImage::Format_RGBA64;
    default:
        return QImage::Format_ARGB32;
    }
}

namespace {

// Line counts along the reflecting axis of a photo whose extent there is
// `full`.
struct Counts
{
    int kept, reflected, gap, faded;
};

Counts countsFor(int full, const ReflectionSettings &settings)
{
    Counts c;
    c.kept = settings.interval < 0 ? percentOf(full, settings.interval + 100) : full;
    c.reflected = percentOf(c.kept, settings.size);
    c.gap = percentOf(c.kept, std::max(settings.interval, 0));
    c.faded = percentOf(c.reflected, 100 - settings.depth);
    return c;
}

bool isVertical(int direction)
{
    return direction == ReflectionSettings::Top || direction == ReflectionSettings::Bottom;
}

} // namespace

QSize ReflectionSize(const QSize &photo, const ReflectionSettings &settings)
{
    if (photo.isEmpty())
        return QSize();
    const bool vertical = isVertical(normalisedDirection(settings.direction));
    const Counts c = countsFor(vertical ? photo.height() : photo.width(), settings);
    if (c.kept <= 0)
        return QSize();
    const int extent =
        int(std::min<qint64>(qint64(c.kept) + c.reflected + c.gap, std::numeric_limits<int>::max()));
    return vertical ? QSize(photo.width(), extent) : QSize(extent, photo.height());
}

void ComposeReflection(const QImage &source, QImage &destination, const ReflectionSettings &settings)
{
    if (source.isNull()) {
        destination = QImage();
        return;
    }
    const QImage::Format format = renderingFormat(source.format());
    const QImage src = source.format() == format ? source : source.convertToFormat(format);
    const int direction = normalisedDirection(settings.direction);
    const bool vertical = isVertical(direction);
    const Counts c = countsFor(vertical ? src.height() : src.width(), settings);
    const bool nearStart = direction == ReflectionSettings::Top || direction == ReflectionSettings::Left;
    // Out of range is outside the contract; clamped, the rules stay defined.
    Plan plan{vertical,
              nearStart,
              c.kept,
              c.reflected,
              c.gap,
              c.faded,
              settings.bgcolor,
              settings.transparent,
              std::clamp(settings.opacity, 0, 100),
              std::clamp(settings.blur, 0, 100),
              {}};
    ColourFade::prepare(plan);
    destination = render(src, plan);
}

// Must equal step 1 of the rule, the blur (renderReference,
// reflectionrule.cpp): on reflection line j with radius r = j * blur / 400,
// each channel is its sum over the square window of radius r, clipped to the
// reflection's lines and the picture's extent across, divided by the
// window's pixel count; in transparent mode each colour channel is the
// alpha-weighted sum divided by the alpha sum, and where that is 0 the pixel
// keeps its own colour.

#include "reflectionkernels.h"

#include <QRgba64>

#include <algorithm>
#include <array>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

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
class LineBlur final : public BlurredLines<Pixel>
{
public:
    LineBlur(std::vector<const Pixel *> lines, int across, int blur)
        : in(std::move(lines)), across(across), blur(blur), column(static_cast<size_t>(across)),
          prefix(size_t(across) + 1), blurred(static_cast<size_t>(across))
    {
        Arithmetic::store(prefix[0], Arithmetic::zero());
    }

    // Blurred line j; the lines are asked for in order, from 0.
    const Pixel *line(int j) override
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

} // namespace

template <typename Pixel>
std::unique_ptr<BlurredLines<Pixel>> blurLines(std::vector<const Pixel *> lines, int across, int blur,
                                               bool weighted)
{
    // Sums in 32 bits where no window's sum can reach 2^32, which halves the
    // memory they move.
    constexpr quint64 Most = sizeof(Pixel) == 8 ? 0xffff : 0xff;
    const quint64 R = lines.size();
    const quint64 window = R * std::min<quint64>(quint64(across), 2 * ((R - 1) * quint64(blur) / 400) + 1);
    const auto make = [&](auto weighing) -> std::unique_ptr<BlurredLines<Pixel>> {
        constexpr bool Weighted = decltype(weighing)::value;
        if ((Weighted ? Most * Most : Most) * window <= std::numeric_limits<quint32>::max()) {
#ifdef __SSE2__
            if constexpr (sizeof(Pixel) == 4)
                return std::make_unique<LineBlur<Pixel, Sse2Arithmetic<Weighted>>>(std::move(lines), across,
                                                                                   blur);
#endif
            return std::make_unique<LineBlur<Pixel, PlainArithmetic<Pixel, quint32, Weighted>>>(
                std::move(lines), across, blur);
        }
        return std::make_unique<LineBlur<Pixel, PlainArithmetic<Pixel, quint64, Weighted>>>(std::move(lines),
                                                                                            across, blur);
    };
    return weighted ? make(std::true_type()) : make(std::false_type());
}

template std::unique_ptr<BlurredLines<quint32>> blurLines(std::vector<const quint32 *>, int, int, bool);
template std::unique_ptr<BlurredLines<quint64>> blurLines(std::vector<const quint64 *>, int, int, bool);

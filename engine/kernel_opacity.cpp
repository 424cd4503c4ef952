// Must equal step 2 of the rule, the opacity, on the 8-bit lines that do not
// fade (renderReference, reflectionrule.cpp; the tables of ColourFade and
// AlphaFade): colour mode moves each colour channel v to
// v + (c - v) * (100 - opacity) / 100, transparent mode scales alpha to
// alpha * opacity / 100.

#include "reflectionfades.h"
#include "reflectionkernels.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Four pixels at a time. The product is at most 255 * 100, and x / 100 is
// (x * 5243) >> 19 for every x below 43699.
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

// Must equal ColourFade16's operator(), the rule's colour fade on 16-bit
// channels (reflectionfades.h): step 2, each colour channel v moved to
// v + (c - v) * (100 - opacity) / 100, then step 3, v + (c - v) * m / faded,
// both truncated toward zero, alpha kept. Two pixels at a time, with a
// 32-bit multiplier where that is exact (scale32).

#include "reflectionfades.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

int ColourFade16::run(const Pixel *s, Pixel *d, int n) const
{
    int x = 0;
#ifdef __SSE2__
    if (!runs)
        return 0;
    const __m128i none = _mm_setzero_si128();
    const __m128i alphaLanes = _mm_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1);
    const __m128i highHalves = _mm_set1_epi64x(qint64(0xffffffff00000000ull));
    const __m128i target =
        _mm_setr_epi16(short(c[0]), short(c[1]), short(c[2]), 0, short(c[0]), short(c[1]), short(c[2]), 0);
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

// Must equal the turn of the rule for left and right (renderReference,
// reflectionrule.cpp, turns the photo so that the reflecting edge is at the
// bottom and back): pixel (x, y) goes to (y, x), nothing else changes.

#include "reflectionkernels.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

template void transpose<quint32>(const uchar *, qsizetype, uchar *, qsizetype, int, int);
template void transpose<quint64>(const uchar *, qsizetype, uchar *, qsizetype, int, int);

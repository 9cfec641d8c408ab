// Hand-written pixel arithmetic for replaying ink, scalar and SSE2.
#include "annotation/InkBlend.h"

#include <algorithm>
#include <cstring>

namespace
{

#ifdef PODIVEX_INK_SSE2
// byteMul on four pixels; `a` holds each pixel's factor in both 16-bit halves of its lane. The
// 16-bit products stay below 2^16 through the rounding.
inline __m128i byteMul4(__m128i x, __m128i a)
{
    const __m128i low = _mm_set1_epi32(0x00ff00ff);
    const __m128i half = _mm_set1_epi16(0x80);
    __m128i rb = _mm_mullo_epi16(_mm_and_si128(x, low), a);
    __m128i ag = _mm_mullo_epi16(_mm_srli_epi16(x, 8), a);
    rb = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(rb, _mm_srli_epi16(rb, 8)), half), 8);
    ag = _mm_add_epi16(_mm_add_epi16(ag, _mm_srli_epi16(ag, 8)), half);
    return _mm_or_si128(_mm_andnot_si128(low, ag), rb);
}

// The first `count` of four coverage bytes, the others taken as none, laid out as byteMul4 takes
// its factors.
inline __m128i coverage4(const quint8 *coverage, int count = 4)
{
    static constexpr quint32 kFirst[] = {0, 0xff, 0xffff, 0xffffff, 0xffffffff};
    quint32 four;
    std::memcpy(&four, coverage, 4);
    four &= kFirst[count];
    const __m128i c = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(four)), _mm_setzero_si128());
    return _mm_unpacklo_epi16(c, c);
}

inline __m128i load4(const quint32 *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

inline void store4(quint32 *p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v);
}
#endif

} // namespace

InkBlend::Shades::Shades(quint32 premultiplied) : color(premultiplied)
{
    for (quint32 c = 0; c < 256; ++c) {
        ink[c] = byteMul(color, c);
        keep[c] = quint8(255 - (ink[c] >> 24));
    }
}

void InkBlend::sourceOver(quint32 *dst, int n, quint32 color)
{
    if ((color >> 24) == 255) {
        fill(dst, n, color);
        return;
    }
    const quint32 keep = 255 - (color >> 24);
    int i = 0;
#ifdef PODIVEX_INK_SSE2
    const __m128i keep4 = _mm_set1_epi16(short(keep));
    const __m128i ink = _mm_set1_epi32(int(color));
    for (; i + 4 <= n; i += 4)
        store4(dst + i, _mm_add_epi32(byteMul4(load4(dst + i), keep4), ink));
#endif
    for (; i < n; ++i)
        dst[i] = color + byteMul(dst[i], keep);
}

void InkBlend::sourceOverCoverageWide(quint32 *dst, const quint8 *coverage, int n,
                                      const Shades &shades, bool room)
{
    int i = 0;
#ifdef PODIVEX_INK_SSE2
    // The colour at each coverage, then what it leaves of the pixel: 255 minus its alpha.
    const __m128i color = _mm_set1_epi32(int(shades.color));
    const __m128i full = _mm_set1_epi16(255);
    const auto blend4 = [&](quint32 *p, __m128i c) {
        const __m128i ink = byteMul4(color, c);
        __m128i alpha = _mm_srli_epi32(ink, 24);
        alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 16));
        store4(p, _mm_add_epi32(byteMul4(load4(p), _mm_sub_epi16(full, alpha)), ink));
    };
    for (; i + 4 <= n; i += 4)
        blend4(dst + i, coverage4(coverage + i));
    // No coverage leaves a pixel exactly as it was.
    if (room && i < n)
        return blend4(dst + i, coverage4(coverage + i, n - i));
#endif
    for (; i < n; i += kWide - 1)
        sourceOverCoverage(dst + i, coverage + i, std::min(n - i, kWide - 1), shades);
}

void InkBlend::clearCoverageWide(quint32 *dst, const quint8 *coverage, int n, bool room)
{
    int i = 0;
#ifdef PODIVEX_INK_SSE2
    const __m128i full = _mm_set1_epi16(255);
    const auto clear4 = [&](quint32 *p, __m128i c) {
        store4(p, byteMul4(load4(p), _mm_sub_epi16(full, c)));
    };
    for (; i + 4 <= n; i += 4)
        clear4(dst + i, coverage4(coverage + i));
    if (room && i < n)
        return clear4(dst + i, coverage4(coverage + i, n - i));
#endif
    for (; i < n; i += kWide - 1)
        clearCoverage(dst + i, coverage + i, std::min(n - i, kWide - 1));
}

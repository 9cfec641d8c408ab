// Hand-written pixel arithmetic for replaying ink, scalar and SSE2.
#include "annotation/InkBlend.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PODIVEX_INK_SSE2 1
#endif

InkBlend::Shades::Shades(quint32 premultiplied) : color(premultiplied)
{
    for (quint32 c = 0; c < 256; ++c) {
        ink[c] = byteMul(color, c);
        keep[c] = quint8(255 - (ink[c] >> 24));
    }
}

void InkBlend::sourceOverScalar(quint32 *dst, int n, quint32 color)
{
    const quint32 keep = 255 - (color >> 24);
    for (int i = 0; i < n; ++i)
        dst[i] = color + byteMul(dst[i], keep);
}

void InkBlend::sourceOver(quint32 *dst, int n, quint32 color)
{
    if ((color >> 24) == 255) {
        std::fill_n(dst, n, color);
        return;
    }
#ifdef PODIVEX_INK_SSE2
    // Four pixels at a time: 16-bit lanes hold (x * a), which the rounding keeps below 2^16.
    const __m128i keep = _mm_set1_epi16(short(255 - (color >> 24)));
    const __m128i ink = _mm_set1_epi32(int(color));
    const __m128i low = _mm_set1_epi32(0x00ff00ff);
    const __m128i half = _mm_set1_epi16(0x80);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dst + i));
        __m128i rb = _mm_mullo_epi16(_mm_and_si128(d, low), keep);
        __m128i ag = _mm_mullo_epi16(_mm_srli_epi16(d, 8), keep);
        rb = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(rb, _mm_srli_epi16(rb, 8)), half), 8);
        ag = _mm_add_epi16(_mm_add_epi16(ag, _mm_srli_epi16(ag, 8)), half);
        const __m128i scaled = _mm_or_si128(_mm_andnot_si128(low, ag), rb);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_add_epi32(scaled, ink));
    }
    sourceOverScalar(dst + i, n - i, color);
#else
    sourceOverScalar(dst, n, color);
#endif
}

void InkBlend::sourceOverCoverage(quint32 *dst, const quint8 *coverage, int n, const Shades &shades)
{
    for (int i = 0; i < n; ++i) {
        const quint8 c = coverage[i];
        dst[i] = shades.ink[c] + byteMul(dst[i], shades.keep[c]);
    }
}

void InkBlend::clearCoverage(quint32 *dst, const quint8 *coverage, int n)
{
    for (int i = 0; i < n; ++i)
        dst[i] = byteMul(dst[i], 255u - coverage[i]);
}

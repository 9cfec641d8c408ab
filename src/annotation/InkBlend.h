// Hand-written pixel arithmetic for replaying ink into a premultiplied ARGB32 buffer, rounded
// exactly as the toolkit's raster engine rounds source-over and clear. A scalar path everywhere,
// and an SSE2 path on x86-64 for spans of four pixels or more, and for shorter ones where the
// caller has room past them. Leaves out where the coverage comes from.
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PODIVEX_INK_SSE2 1
#endif

namespace InkBlend
{

// x times a / 255 on every channel, rounded the toolkit's way.
inline quint32 byteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xff00ff) * a;
    t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return x | t;
}

// A colour as blended at every coverage: the colour scaled by the coverage, and what is left of
// the pixel under it.
struct Shades {
    explicit Shades(quint32 premultiplied);
    quint32 color;
    std::array<quint32, 256> ink;
    std::array<quint8, 256> keep;
};

#ifdef PODIVEX_INK_SSE2
namespace detail
{

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

// Calls op4(pixels, coverage) four pixels at a time over the first n; returns how many it took.
// With room it takes them all, the last few as four: the four pixels from there may be read and
// written, and four coverage bytes read. No coverage leaves a pixel exactly as it was.
template <typename Op4>
inline int byFours(quint32 *dst, const quint8 *coverage, int n, bool room, Op4 op4)
{
    int i = 0;
    if (room && n > 0) {
        do
            op4(dst + i, coverage4(coverage + i, std::min(4, n - i)));
        while ((i += 4) < n);
        return n;
    }
    for (; i + 4 <= n; i += 4)
        op4(dst + i, coverage4(coverage + i));
    return i;
}

} // namespace detail
#endif

// n pixels of one colour. Spans of four or more end with a store overlapping the one before it
// rather than with a loop over what is left.
inline void fill(quint32 *dst, int n, quint32 color)
{
#ifdef PODIVEX_INK_SSE2
    if (n >= 4) {
        const __m128i four = _mm_set1_epi32(int(color));
        if (n <= 16) {
            // Most runs: four stores that may overlap, and no loop to mispredict.
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), four);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + std::min(4, n - 4)), four);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + std::min(8, n - 4)), four);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + n - 4), four);
            return;
        }
        for (int i = 0; i < n - 4; i += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), four);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + n - 4), four);
        return;
    }
#endif
    std::fill_n(dst, n, color);
}

// Source-over of one colour at full coverage over n pixels.
void sourceOver(quint32 *dst, int n, quint32 color);

// Source-over of a colour at the given coverage of each pixel; see byFours for `room`.
inline void sourceOverCoverage(quint32 *dst, const quint8 *coverage, int n, const Shades &shades,
                               bool room = false)
{
    int i = 0;
#ifdef PODIVEX_INK_SSE2
    using namespace detail;
    // The colour at each coverage, then what it leaves of the pixel: 255 minus its alpha.
    const __m128i color = _mm_set1_epi32(int(shades.color));
    const __m128i full = _mm_set1_epi16(255);
    i = byFours(dst, coverage, n, room, [&](quint32 *p, __m128i c) {
        const __m128i ink = byteMul4(color, c);
        __m128i alpha = _mm_srli_epi32(ink, 24);
        alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 16));
        store4(p, _mm_add_epi32(byteMul4(load4(p), _mm_sub_epi16(full, alpha)), ink));
    });
#endif
    for (; i < n; ++i)
        dst[i] = shades.ink[coverage[i]] + byteMul(dst[i], shades.keep[coverage[i]]);
}

// Clear at the given coverage of each pixel (full coverage leaves nothing); see byFours for
// `room`.
inline void clearCoverage(quint32 *dst, const quint8 *coverage, int n, bool room = false)
{
    int i = 0;
#ifdef PODIVEX_INK_SSE2
    using namespace detail;
    const __m128i full = _mm_set1_epi16(255);
    i = byFours(dst, coverage, n, room, [&](quint32 *p, __m128i c) {
        store4(p, byteMul4(load4(p), _mm_sub_epi16(full, c)));
    });
#endif
    for (; i < n; ++i)
        dst[i] = byteMul(dst[i], 255u - coverage[i]);
}

} // namespace InkBlend

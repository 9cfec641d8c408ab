// Hand-written pixel arithmetic for replaying ink into a premultiplied ARGB32 buffer, rounded
// exactly as the toolkit's raster engine rounds source-over and clear. A scalar path everywhere,
// and an SSE2 path on x86-64 for spans of four pixels or more, and for shorter ones where the
// caller has room past them. Leaves out where the coverage comes from.
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <array>

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

// n pixels of one colour. Spans of four or more end with a store overlapping the one before it
// rather than with a loop over what is left.
inline void fill(quint32 *dst, int n, quint32 color)
{
#ifdef PODIVEX_INK_SSE2
    if (n >= 4) {
        const __m128i four = _mm_set1_epi32(int(color));
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

// The spans of the two below that are blended four pixels at a time. With room, the last few
// pixels are blended as four too: the four pixels from there may be read and written, and four
// coverage bytes read.
void sourceOverCoverageWide(quint32 *dst, const quint8 *coverage, int n, const Shades &shades,
                            bool room);
void clearCoverageWide(quint32 *dst, const quint8 *coverage, int n, bool room);

// Most edges are one to three pixels wide: without room, those are blended inline.
constexpr int kWide = 4;

// Source-over of a colour at the given coverage of each pixel.
inline void sourceOverCoverage(quint32 *dst, const quint8 *coverage, int n, const Shades &shades,
                               bool room = false)
{
    if (n >= kWide || (room && n > 0))
        return sourceOverCoverageWide(dst, coverage, n, shades, room);
    for (int i = 0; i < n; ++i)
        dst[i] = shades.ink[coverage[i]] + byteMul(dst[i], shades.keep[coverage[i]]);
}

// Clear at the given coverage of each pixel (full coverage leaves nothing).
inline void clearCoverage(quint32 *dst, const quint8 *coverage, int n, bool room = false)
{
    if (n >= kWide || (room && n > 0))
        return clearCoverageWide(dst, coverage, n, room);
    for (int i = 0; i < n; ++i)
        dst[i] = byteMul(dst[i], 255u - coverage[i]);
}

} // namespace InkBlend

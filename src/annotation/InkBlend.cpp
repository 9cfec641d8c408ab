// The per-colour tables, and source-over of one colour over long spans, scalar and SSE2.
#include "annotation/InkBlend.h"

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
    using namespace InkBlend::detail;
    const __m128i keep4 = _mm_set1_epi16(short(keep));
    const __m128i ink = _mm_set1_epi32(int(color));
    for (; i + 4 <= n; i += 4)
        store4(dst + i, _mm_add_epi32(byteMul4(load4(dst + i), keep4), ink));
#endif
    for (; i < n; ++i)
        dst[i] = color + byteMul(dst[i], keep);
}

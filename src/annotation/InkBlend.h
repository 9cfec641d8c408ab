// Hand-written pixel arithmetic for replaying ink into a premultiplied ARGB32 buffer, rounded
// exactly as the toolkit's raster engine rounds source-over and clear. A scalar path everywhere,
// and an SSE2 path for the long constant runs on x86-64. Leaves out where the coverage comes from.
#pragma once

#include <QtGlobal>

#include <array>

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

// Source-over of one colour at full coverage over n pixels.
void sourceOver(quint32 *dst, int n, quint32 color);
void sourceOverScalar(quint32 *dst, int n, quint32 color);
// Source-over of a colour at the given coverage of each pixel.
void sourceOverCoverage(quint32 *dst, const quint8 *coverage, int n, const Shades &shades);
// Clear at the given coverage of each pixel (full coverage leaves nothing).
void clearCoverage(quint32 *dst, const quint8 *coverage, int n);

} // namespace InkBlend

// An offscreen platform with two screens side by side, the second at device pixel ratio 2, so that
// one process can draw at both ratios. Call before the application object is created.
#pragma once

#include <QRect>

namespace OffscreenScreens
{

void use();
// A rectangle of the given size on the screen with the given device pixel ratio (1 or 2).
QRect on(int ratio, int width, int height);

} // namespace OffscreenScreens

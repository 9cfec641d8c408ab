// Pictures of a window as it paints itself, whatever lies over it on screen.
#pragma once

#include <QImage>

#include <windows.h>

namespace win
{

// The client area (no frame or title bar, as on X11) in physical pixels, opaque; null when the
// window is gone, minimized or does not paint into the picture.
QImage printWindow(HWND hwnd);

} // namespace win

// PrintWindow of the client area into a 32-bit top-down DIB section of its size. A window that
// paints nothing into the print gives no picture rather than a black one. Leaves out windows of
// other desktops.
#include "platform/win32/CaptureWin32.h"

#include <algorithm>

namespace win
{
namespace
{

// Asks the compositor for what DirectX or hardware-layered content shows too (Windows 8.1 on).
constexpr UINT kRenderFullContent = 0x2;
// What the section holds before the print: a window that leaves every pixel so painted nothing
// (Wine, for one, prints windows of other processes that way).
constexpr quint32 kUnpainted = 0x5a0a0b0c;

bool untouched(const quint32 *pixels, qsizetype count)
{
    return std::all_of(pixels, pixels + count, [](quint32 p) { return p == kUnpainted; });
}

} // namespace

QImage printWindow(HWND hwnd)
{
    RECT r;
    if (!hwnd || !IsWindow(hwnd) || IsIconic(hwnd) || !GetClientRect(hwnd, &r))
        return QImage();
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return QImage();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as QImage lays out its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    QImage image;
    if (dc && dib && bits) {
        const HGDIOBJ previous = SelectObject(dc, dib);
        quint32 *const pixels = static_cast<quint32 *>(bits);
        const qsizetype count = qsizetype(width) * height;
        std::fill(pixels, pixels + count, kUnpainted);
        // Older systems refuse the flag they do not know; a plain print still shows GDI content.
        const bool printed = PrintWindow(hwnd, dc, kRenderFullContent) || PrintWindow(hwnd, dc, 0);
        GdiFlush();
        // The alpha byte of GDI output is undefined; the conversion sets it and copies the pixels
        // out of the section.
        if (printed && !untouched(pixels, count))
            image = QImage(static_cast<const uchar *>(bits), width, height, width * 4,
                           QImage::Format_ARGB32)
                        .convertToFormat(QImage::Format_RGB32);
        SelectObject(dc, previous);
    }
    if (dib)
        DeleteObject(dib);
    if (dc)
        DeleteDC(dc);
    return image;
}

} // namespace win

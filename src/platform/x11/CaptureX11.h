// Pictures of a window's own content through the Composite extension. Only true-colour windows of
// 24 or 32 bits in the host's byte order are read; other pixel layouts give no picture.
#pragma once

#include "platform/x11/SharedImageX11.h"
#include "platform/x11/XcbConnectionX11.h"

#include <QImage>
#include <QSet>

#include <memory>
#include <optional>

namespace x11
{

class WindowCapture
{
public:
    // Without shared memory every picture streams through the connection, as for a remote server.
    explicit WindowCapture(const Connection &c, bool mayShareMemory = true);

    // Has the server keep the window's content in a pixmap of its own (automatic redirection:
    // the server still paints the screen itself, with or without a compositing manager). Once per
    // window; the redirection ends with the window or with this connection.
    void prepare(xcb_window_t w);
    // The window's content without its border or anything above it, opaque, at the window's size
    // of the moment; null when the window is gone, not shown or cannot be read. A window never
    // prepared is prepared first, so its first picture may hold whatever covered it on screen
    // until its program has repainted it.
    QImage capture(xcb_window_t w);

private:
    bool available();

    const Connection &c;
    std::optional<bool> supported;
    std::unique_ptr<SharedReader> shared;
    QSet<xcb_window_t> redirected;
};

} // namespace x11

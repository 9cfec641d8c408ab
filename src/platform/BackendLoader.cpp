// Picks the window-system backend: the native one for the running toolkit platform, else none (the
// caller falls back to the headless backend). The only place that knows which backends were built.
#include "platform/WindowBackend.h"

#include <QGuiApplication>

#ifdef _WIN32
#include "platform/win32/Win32Backend.h"
#else
#include "platform/x11/X11Backend.h"
#endif

namespace win
{

std::unique_ptr<Backend> makeNativeBackend()
{
#ifdef _WIN32
    // Without a GUI (one-shot commands) the desktop is still there to query; a non-native toolkit
    // platform (offscreen tests) gets the headless layer.
    if (qGuiApp && QGuiApplication::platformName() != QLatin1String("windows"))
        return nullptr;
    return makeWin32Backend();
#else
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    return makeX11Backend(QByteArray());
#endif
}

} // namespace win

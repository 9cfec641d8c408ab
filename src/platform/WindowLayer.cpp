// The win namespace's free functions: backend choice, forwarding, and the platform-free geometry
// rules.
#include "platform/WindowBackend.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace win
{
namespace
{

std::unique_ptr<Backend> &slot()
{
    static std::unique_ptr<Backend> current;
    return current;
}

// A screen's rectangle in physical pixels: it keeps the screen's origin and scales the size, which
// is how the toolkit maps between the two spaces.
QRect deviceRectOf(const QScreen *screen, qreal *ratio)
{
    const qreal d = screen->devicePixelRatio() > 0 ? screen->devicePixelRatio() : 1.0;
    const QRect g = screen->geometry();
    if (ratio)
        *ratio = d;
    return QRect(g.x(), g.y(), int(std::lround(g.width() * d)), int(std::lround(g.height() * d)));
}

// qGuiApp is a plain downcast: wrong (and undefined) under a console QCoreApplication.
const QGuiApplication *guiApp()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance());
}

} // namespace

Backend &backend()
{
    auto &current = slot();
    if (!current) {
        current = makeNativeBackend();
        if (!current)
            current = makeHeadlessBackend();
    }
    return *current;
}

std::unique_ptr<Backend> setBackend(std::unique_ptr<Backend> next)
{
    auto previous = std::move(slot());
    slot() = std::move(next);
    return previous;
}

QRect scaledRect(int left, int top, int right, int bottom)
{
    const QGuiApplication *app = guiApp();
    const qreal r = app ? app->devicePixelRatio() : 1.0;
    return QRect(int(left / r), int(top / r), int((right - left) / r), int((bottom - top) / r));
}

Handle foregroundWindow()
{
    return backend().foregroundWindow();
}
bool isWindowValid(Handle window)
{
    return window && backend().isWindowValid(window);
}
bool isMinimized(Handle window)
{
    return window && backend().isMinimized(window);
}
QString windowTitle(Handle window)
{
    return window ? backend().windowTitle(window) : QString();
}
QString classNameOf(Handle window)
{
    return window ? backend().classNameOf(window) : QString();
}
QRect windowRect(Handle window)
{
    return window ? backend().windowRect(window) : QRect();
}
QString processNameOf(unsigned pid)
{
    return pid ? backend().processNameOf(pid) : QString();
}
QRect monitorRectPhysical(Handle window)
{
    return backend().monitorRectPhysical(window);
}
QList<WindowInfo> enumTopLevelWindows()
{
    return backend().enumTopLevelWindows();
}

QRect monitorRect(Handle window)
{
    const QRect p = monitorRectPhysical(window);
    const QPoint c((p.left() + p.right()) / 2, (p.top() + p.bottom()) / 2);
    const QGuiApplication *app = guiApp();
    if (!app)
        return p;
    // The window rectangles are scaled by the application's ratio; undo that before asking which
    // screen holds the centre.
    const qreal r = app->devicePixelRatio();
    const QPoint physical(int(std::lround(c.x() * r)), int(std::lround(c.y() * r)));
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen && deviceRectOf(screen, nullptr).contains(physical))
            return screen->geometry();
    }
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        return primary->geometry();
    return p;
}

void setTopMost(Handle window, bool on)
{
    if (window)
        backend().setTopMost(window, on);
}
void setToolWindow(Handle window, bool on)
{
    if (window)
        backend().setToolWindow(window, on);
}
void setNoActivate(Handle window, bool on)
{
    if (window)
        backend().setNoActivate(window, on);
}
void setClickThrough(Handle window, bool on)
{
    if (window)
        backend().setClickThrough(window, on);
}
void raiseAbove(Handle w, Handle ref)
{
    if (w)
        backend().raiseAbove(w, ref);
}
bool forceForeground(Handle window)
{
    return window && backend().forceForeground(window);
}
void minimizeWindow(Handle window)
{
    if (window)
        backend().minimizeWindow(window);
}

bool injectKey(Key key)
{
    return backend().injectKey(key);
}
bool injectKeyTo(Handle target, Key key)
{
    return target && backend().injectKeyTo(target, key);
}

void installGlobalMouseHook(std::function<void(int, int)> callback)
{
    backend().installGlobalMouseHook(std::move(callback));
}
void uninstallGlobalMouseHook()
{
    backend().uninstallGlobalMouseHook();
}

void installGlobalKeyHook(std::function<void(Key)> callback)
{
    backend().installGlobalKeyHook(std::move(callback));
}
void uninstallGlobalKeyHook()
{
    backend().uninstallGlobalKeyHook();
}

QPoint mouseHookToLogical(int x, int y)
{
    if (!guiApp())
        return QPoint(x, y);
    const QPoint physical(x, y);
    const QScreen *chosen = nullptr;
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen && deviceRectOf(screen, nullptr).contains(physical)) {
            chosen = screen;
            break;
        }
    }
    if (!chosen)
        chosen = QGuiApplication::primaryScreen();
    if (!chosen)
        return physical;
    qreal d = 1.0;
    const QRect device = deviceRectOf(chosen, &d);
    // Keep the screen's origin: a pure division would move points on a second screen off every
    // screen.
    return QPoint(device.x() + int(std::lround((x - device.x()) / d)),
                  device.y() + int(std::lround((y - device.y()) / d)));
}

Handle topMostChangeTarget(const QByteArray &eventType, void *message)
{
    return message ? backend().topMostChangeTarget(eventType, message) : nullptr;
}
void restoreTopMost(Handle window)
{
    if (window)
        backend().restoreTopMost(window);
}

bool needsShapedWindows()
{
    return backend().needsShapedWindows();
}

void prepareCapture(Handle window)
{
    backend().prepareCapture(window);
}

QImage captureWindow(Handle window)
{
    return backend().captureWindow(window);
}

} // namespace win

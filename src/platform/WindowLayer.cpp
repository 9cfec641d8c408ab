// The win namespace's free functions: backend choice, forwarding, and the platform-free geometry rules.
#include "platform/WindowBackend.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace win {
namespace {

std::unique_ptr<Backend> &slot()
{
    static std::unique_ptr<Backend> current;
    return current;
}

// A screen's rectangle in physical pixels: it keeps the screen's origin and scales the size, which is
// how the toolkit maps between the two spaces.
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

HWND foregroundWindow() { return backend().foregroundWindow(); }
bool isWindowValid(HWND hwnd) { return hwnd && backend().isWindowValid(hwnd); }
bool isMinimized(HWND hwnd) { return hwnd && backend().isMinimized(hwnd); }
QString windowTitle(HWND hwnd) { return hwnd ? backend().windowTitle(hwnd) : QString(); }
QString classNameOf(HWND hwnd) { return hwnd ? backend().classNameOf(hwnd) : QString(); }
QRect windowRect(HWND hwnd) { return hwnd ? backend().windowRect(hwnd) : QRect(); }
QString processNameOf(unsigned pid) { return pid ? backend().processNameOf(pid) : QString(); }
QRect monitorRectPhysical(HWND hwnd) { return backend().monitorRectPhysical(hwnd); }
QList<WindowInfo> enumTopLevelWindows() { return backend().enumTopLevelWindows(); }

QRect monitorRect(HWND hwnd)
{
    const QRect p = monitorRectPhysical(hwnd);
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

void setTopMost(HWND hwnd, bool on) { if (hwnd) backend().setTopMost(hwnd, on); }
void setToolWindow(HWND hwnd, bool on) { if (hwnd) backend().setToolWindow(hwnd, on); }
void setNoActivate(HWND hwnd, bool on) { if (hwnd) backend().setNoActivate(hwnd, on); }
void setClickThrough(HWND hwnd, bool on) { if (hwnd) backend().setClickThrough(hwnd, on); }
void setLayeredAlpha(HWND hwnd, int alpha) { if (hwnd) backend().setLayeredAlpha(hwnd, alpha); }
void raiseAbove(HWND w, HWND ref) { if (w) backend().raiseAbove(w, ref); }
bool forceForeground(HWND hwnd) { return hwnd && backend().forceForeground(hwnd); }
void minimizeWindow(HWND hwnd) { if (hwnd) backend().minimizeWindow(hwnd); }

bool injectKey(int vk) { return backend().injectKey(vk); }
bool injectKeyTo(HWND target, int vk) { return target && backend().injectKeyTo(target, vk); }

void installGlobalMouseHook(std::function<void(int, int)> callback)
{
    backend().installGlobalMouseHook(std::move(callback));
}
void uninstallGlobalMouseHook() { backend().uninstallGlobalMouseHook(); }

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
    // Keep the screen's origin: a pure division would move points on a second screen off every screen.
    return QPoint(device.x() + int(std::lround((x - device.x()) / d)),
                  device.y() + int(std::lround((y - device.y()) / d)));
}

HWND topMostChangeTarget(const QByteArray &eventType, void *message)
{
    return message ? backend().topMostChangeTarget(eventType, message) : nullptr;
}
void restoreTopMost(HWND hwnd) { if (hwnd) backend().restoreTopMost(hwnd); }

bool needsShapedWindows() { return backend().needsShapedWindows(); }

} // namespace win

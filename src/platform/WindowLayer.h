// The window layer: every window-system operation the program needs, behind one set of free
// functions.
#pragma once

#include <QFlags>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include <functional>

class QByteArray;
class QImage;

namespace win
{

// A window's identity: opaque above this layer, each backend maps it to its own window ids. The
// program's own windows have one too (fromWinId).
struct WindowTag;
using Handle = WindowTag *;

// What the program needs to know of a window's kind; each backend fills them in from its own
// window styles or properties.
enum class WindowFlag : quint32 {
    Caption = 0x1,      // a title bar: slide shows have none
    TopMost = 0x2,      // kept above normal windows
    ToolWindow = 0x4,   // a palette, kept off the task bar
    NoActivate = 0x8,   // never takes the focus when clicked
    ClickThrough = 0x10 // presses fall through to what lies below
};
Q_DECLARE_FLAGS(WindowFlags, WindowFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(WindowFlags)

// Keys the program sends to a show, and the ones a presenter's keyboard or clicker moves it with.
enum class Key {
    Left,
    Right,
    Up,
    Down,
    PageUp,
    PageDown,
    Home,
    Space,
    Enter,
    Backspace,
    Escape,
    N,
    P
};

struct WindowInfo {
    Handle handle = nullptr;
    QString title;
    QString className;
    QString processName;
    quint32 pid = 0;
    QRect rect;
    bool visible = true;
    bool minimized = false;
    WindowFlags flags;
};

// Queries.
Handle foregroundWindow();
bool isWindowValid(Handle window);
bool isMinimized(Handle window);
QString windowTitle(Handle window);
QString classNameOf(Handle window);
QRect windowRect(Handle window);
QString processNameOf(unsigned pid);
QRect monitorRectPhysical(Handle window);
QRect monitorRect(Handle window);
QList<WindowInfo> enumTopLevelWindows();

// Styles and z-order.
void setTopMost(Handle window, bool on);
void setToolWindow(Handle window, bool on);
void setNoActivate(Handle window, bool on);
void setClickThrough(Handle window, bool on);
void raiseAbove(Handle window, Handle ref);
bool forceForeground(Handle window);
void minimizeWindow(Handle window);

// Synthetic keys.
bool injectKey(Key key);
bool injectKeyTo(Handle target, Key key);

// Global left presses, reported in physical screen coordinates on the GUI thread.
void installGlobalMouseHook(std::function<void(int, int)> callback);
void uninstallGlobalMouseHook();
QPoint mouseHookToLogical(int x, int y);

// Presses of the layer's keys on any keyboard, the program's own synthetic ones included,
// reported on the GUI thread; other keys are not reported.
void installGlobalKeyHook(std::function<void(Key)> callback);
void uninstallGlobalKeyHook();

// Top-most guarding: the window whose top-most state a native event may have taken away (null
// when the event is not such a change), and the repair that puts a window back on top.
Handle topMostChangeTarget(const QByteArray &eventType, void *message);
void restoreTopMost(Handle window);

// Where nothing composites translucent windows, they must be shaped to what they paint.
bool needsShapedWindows();

// Pictures of a followed window. prepareCapture runs once when the program starts following the
// window, before its own windows cover it, so that a backend can keep the window's pixels readable
// under other windows. captureWindow gives the window's own content (its client area, without a
// frame or title bar) in physical pixels, without anything that lies over it; null when that
// cannot be had.
void prepareCapture(Handle window);
QImage captureWindow(Handle window);

// The native handle of a toolkit window id.
inline Handle fromWinId(quintptr id)
{
    return reinterpret_cast<Handle>(id);
}

// The scaling rule: a physical rectangle (left, top, right, bottom) divided by the application's
// device pixel ratio.
QRect scaledRect(int left, int top, int right, int bottom);

} // namespace win

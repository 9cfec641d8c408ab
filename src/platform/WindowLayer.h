// The window layer: every window-system operation the program needs, behind one set of free functions.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include <functional>

#ifdef _WIN32
#include <windows.h>
#else
struct HWND__;
using HWND = HWND__ *; // opaque, pointer-sized; the backend maps it to its own window ids
#endif

class QByteArray;

namespace win {

// Win32 bit values, used on every platform so that detection reads the same bits.
constexpr quint32 kStyleCaption = 0x00C00000;   // WS_BORDER | WS_DLGFRAME
constexpr quint32 kExTopMost = 0x00000008;      // WS_EX_TOPMOST
constexpr quint32 kExTransparent = 0x00000020;  // WS_EX_TRANSPARENT
constexpr quint32 kExToolWindow = 0x00000080;   // WS_EX_TOOLWINDOW
constexpr quint32 kExLayered = 0x00080000;      // WS_EX_LAYERED
constexpr quint32 kExNoActivate = 0x08000000;   // WS_EX_NOACTIVATE

// Virtual-key codes of the keys the program sends.
constexpr int kVkLeft = 0x25;
constexpr int kVkRight = 0x27;
constexpr int kVkEscape = 0x1B;

struct WindowInfo {
    HWND hwnd = nullptr;
    QString title;
    QString className;
    QString processName;
    quint32 pid = 0;
    QRect rect;
    bool visible = true;
    bool minimized = false;
    qint32 style = 0;
    qint32 exStyle = 0;
};

// Queries.
HWND foregroundWindow();
bool isWindowValid(HWND hwnd);
bool isMinimized(HWND hwnd);
QString windowTitle(HWND hwnd);
QString classNameOf(HWND hwnd);
QRect windowRect(HWND hwnd);
QString processNameOf(unsigned pid);
QRect monitorRectPhysical(HWND hwnd);
QRect monitorRect(HWND hwnd);
QList<WindowInfo> enumTopLevelWindows();

// Styles and z-order.
void setTopMost(HWND hwnd, bool on);
void setToolWindow(HWND hwnd, bool on);
void setNoActivate(HWND hwnd, bool on);
void setClickThrough(HWND hwnd, bool on);
void setLayeredAlpha(HWND hwnd, int alpha);
void raiseAbove(HWND w, HWND ref);
bool forceForeground(HWND hwnd);
void minimizeWindow(HWND hwnd);

// Synthetic keys.
bool injectKey(int vk);
bool injectKeyTo(HWND target, int vk);

// Global left presses, reported in physical screen coordinates on the GUI thread.
void installGlobalMouseHook(std::function<void(int, int)> callback);
void uninstallGlobalMouseHook();
QPoint mouseHookToLogical(int x, int y);

// Top-most guarding: the window whose top-most state a native event may have taken away (null
// when the event is not such a change), and the repair that puts a window back on top.
HWND topMostChangeTarget(const QByteArray &eventType, void *message);
void restoreTopMost(HWND hwnd);

// Where nothing composites translucent windows, they must be shaped to what they paint.
bool needsShapedWindows();

// The native handle of a toolkit window id.
inline HWND fromWinId(quintptr id) { return reinterpret_cast<HWND>(id); }

// The scaling rule: a physical rectangle (left, top, right, bottom) divided by the application's
// device pixel ratio.
QRect scaledRect(int left, int top, int right, int bottom);

} // namespace win

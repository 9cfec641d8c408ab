// The Win32 backend of the window layer: queries, styles, z-order and activation; keys and the
// input hooks live in InputWin32.
#include "platform/win32/Win32Backend.h"
#include "platform/win32/CaptureWin32.h"
#include "platform/win32/InputWin32.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QThread>

#include <dwmapi.h>

namespace win
{
namespace
{

constexpr DWORD kDwmCloaked = 14;  // DWMWA_CLOAKED
constexpr int kTextBuffer = 512;   // window text and class name, NUL included
constexpr DWORD kPathBuffer = 260; // process image path
constexpr UINT kMoveFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;           // 0x13
constexpr UINT kFrameFlags = kMoveFlags | SWP_FRAMECHANGED;                     // 0x33
constexpr UINT kFrameInPlaceFlags = kFrameFlags | SWP_NOZORDER;                 // 0x37
constexpr UINT kRestoreFlags = kMoveFlags | SWP_NOOWNERZORDER | SWP_DEFERERASE; // 0x2213
constexpr UINT kForceMinimize = 11;                                             // SW_FORCEMINIMIZE

// Window text or class name: the getter fills a zeroed buffer; the result ends at the first NUL.
template <typename Getter> QString readText(HWND hwnd, Getter getter)
{
    wchar_t buffer[kTextBuffer] = {};
    // The count includes the terminating NUL, so a long text keeps 511 characters.
    if (getter(hwnd, buffer, kTextBuffer) <= 0)
        return QString();
    return QString::fromWCharArray(buffer);
}

QString titleOf(HWND hwnd)
{
    return readText(hwnd, GetWindowTextW);
}
QString classOf(HWND hwnd)
{
    return readText(hwnd, GetClassNameW);
}

QRect scaled(const RECT &r)
{
    return scaledRect(r.left, r.top, r.right, r.bottom);
}

QRect outerRect(HWND hwnd)
{
    RECT r;
    return GetWindowRect(hwnd, &r) ? scaled(r) : QRect();
}

QString imageName(DWORD pid)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return QString();
    wchar_t buffer[kPathBuffer] = {};
    DWORD size = kPathBuffer;
    const QString path = QueryFullProcessImageNameW(process, 0, buffer, &size)
                             ? QString::fromWCharArray(buffer)
                             : QString();
    CloseHandle(process);
    const int cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1).toUpper();
}

// DWM hides cloaked windows (other virtual desktops, suspended store apps) although they are
// "visible"; a failing query (no DWM) counts as not cloaked.
bool isCloaked(HWND hwnd)
{
    DWORD cloaked = 0;
    return SUCCEEDED(DwmGetWindowAttribute(hwnd, kDwmCloaked, &cloaked, sizeof(cloaked))) &&
           cloaked != 0;
}

WindowFlags flagsOf(LONG style, LONG exStyle)
{
    WindowFlags flags;
    flags.setFlag(WindowFlag::Caption, (style & WS_CAPTION) != 0);
    flags.setFlag(WindowFlag::TopMost, (exStyle & WS_EX_TOPMOST) != 0);
    flags.setFlag(WindowFlag::ToolWindow, (exStyle & WS_EX_TOOLWINDOW) != 0);
    flags.setFlag(WindowFlag::NoActivate, (exStyle & WS_EX_NOACTIVATE) != 0);
    flags.setFlag(WindowFlag::ClickThrough, (exStyle & WS_EX_TRANSPARENT) != 0);
    return flags;
}

BOOL CALLBACK EnumWindowsProc(HWND hwnd, LPARAM param)
{
    if (!IsWindowVisible(hwnd) || hwnd == GetShellWindow() || isCloaked(hwnd))
        return TRUE;
    WindowInfo info;
    info.handle = handleOf(hwnd);
    info.minimized = IsIconic(hwnd) != FALSE;
    info.title = titleOf(hwnd);
    info.className = classOf(hwnd);
    info.rect = outerRect(hwnd);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    info.pid = pid;
    info.processName = pid ? imageName(pid) : QString();
    info.flags = flagsOf(GetWindowLongW(hwnd, GWL_STYLE), GetWindowLongW(hwnd, GWL_EXSTYLE));
    reinterpret_cast<QList<WindowInfo> *>(param)->append(info);
    return TRUE;
}

bool hasExStyle(HWND hwnd, LONG_PTR bits)
{
    return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & bits) == bits;
}

// Rewrites the extended style; Windows may drop a window out of the top-most band when the style
// changes, so a window that was top-most is put back at once.
void changeExStyle(HWND hwnd, LONG_PTR add, LONG_PTR remove)
{
    const LONG_PTR before = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, (before | add) & ~remove);
    if (before & WS_EX_TOPMOST)
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, kFrameFlags);
}

void switchExStyle(HWND hwnd, LONG_PTR bits, bool on)
{
    changeExStyle(hwnd, on ? bits : 0, on ? 0 : bits);
}

// The lowest top-most window above ref, so that w can be slotted in just below it; HWND_TOPMOST
// when there is none or the walk meets w itself.
HWND insertAfterFor(HWND w, HWND ref)
{
    if (!ref || ref == w)
        return HWND_TOPMOST;
    for (HWND above = GetWindow(ref, GW_HWNDPREV); above && above != w;
         above = GetWindow(above, GW_HWNDPREV)) {
        if (hasExStyle(above, WS_EX_TOPMOST))
            return above;
    }
    return HWND_TOPMOST;
}

bool activate(HWND hwnd)
{
    if (!hwnd || !IsWindow(hwnd))
        return false;
    if (IsIconic(hwnd))
        ShowWindow(hwnd, SW_RESTORE);
    if (SetForegroundWindow(hwnd))
        return true;
    // The foreground lock lets only the thread owning the foreground hand it over: borrow its input
    // state for the call.
    const DWORD front = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD self = GetCurrentThreadId();
    if (front == 0 || front == self || !AttachThreadInput(self, front, TRUE))
        return SetForegroundWindow(hwnd) != FALSE;
    const bool done = SetForegroundWindow(hwnd) != FALSE;
    AttachThreadInput(self, front, FALSE);
    return done;
}

class Win32Backend final : public Backend
{
public:
    Handle foregroundWindow() override { return handleOf(GetForegroundWindow()); }
    bool isWindowValid(Handle window) override { return IsWindow(nativeOf(window)) != FALSE; }
    bool isMinimized(Handle window) override { return IsIconic(nativeOf(window)) != FALSE; }
    QString windowTitle(Handle window) override { return titleOf(nativeOf(window)); }
    QString classNameOf(Handle window) override { return classOf(nativeOf(window)); }
    QRect windowRect(Handle window) override { return outerRect(nativeOf(window)); }
    QString processNameOf(unsigned pid) override { return imageName(pid); }

    QRect monitorRectPhysical(Handle window) override
    {
        const HWND hwnd = nativeOf(window);
        const HMONITOR monitor =
            MonitorFromWindow(hwnd ? hwnd : GetDesktopWindow(), MONITOR_DEFAULTTOPRIMARY);
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (GetMonitorInfoW(monitor, &info))
            return scaled(info.rcMonitor);
        return QRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }

    QList<WindowInfo> enumTopLevelWindows() override
    {
        QList<WindowInfo> windows;
        EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(&windows));
        return windows;
    }

    void setTopMost(Handle window, bool on) override
    {
        const HWND hwnd = nativeOf(window);
        SetWindowPos(hwnd, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, kMoveFlags);
    }
    void setToolWindow(Handle window, bool on) override
    {
        switchExStyle(nativeOf(window), WS_EX_TOOLWINDOW, on);
    }
    void setNoActivate(Handle window, bool on) override
    {
        switchExStyle(nativeOf(window), WS_EX_NOACTIVATE, on);
    }

    void setClickThrough(Handle window, bool on) override
    {
        const HWND hwnd = nativeOf(window);
        // Layered either way: the overlay's translucency must survive switching click-through off.
        changeExStyle(hwnd, on ? WS_EX_TRANSPARENT | WS_EX_LAYERED : WS_EX_LAYERED,
                      on ? 0 : WS_EX_TRANSPARENT);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, kFrameInPlaceFlags);
    }
    void raiseAbove(Handle window, Handle ref) override
    {
        const HWND w = nativeOf(window);
        const HWND r = nativeOf(ref);
        // Already in place, top-most and right above ref (or on top of all): every move is a trip
        // through the window manager, and the stacking tick asks several times a second.
        const HWND above = GetWindow((r && r != w) ? r : w, GW_HWNDPREV);
        if (hasExStyle(w, WS_EX_TOPMOST) && above == ((r && r != w) ? w : nullptr))
            return;
        SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, kMoveFlags);
        SetWindowPos(w, insertAfterFor(w, r), 0, 0, 0, 0, kMoveFlags);
        if (!hasExStyle(w, WS_EX_TOPMOST))
            SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, kMoveFlags);
    }

    bool forceForeground(Handle window) override { return activate(nativeOf(window)); }

    void minimizeWindow(Handle window) override
    {
        const HWND hwnd = nativeOf(window);
        if (!IsWindow(hwnd))
            return;
        ShowWindow(hwnd, kForceMinimize);
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }

    bool injectKey(Key key) override { return sendKey(key); }

    bool injectKeyTo(Handle window, Key key) override
    {
        const HWND target = nativeOf(window);
        if (!target || !IsWindow(target))
            return false;
        if (target != GetForegroundWindow()) {
            activate(target);
            QThread::msleep(60); // let the activation settle before the keys arrive
        }
        return sendKey(key);
    }

    void installGlobalMouseHook(std::function<void(int, int)> callback) override
    {
        installMouseHook(std::move(callback));
    }
    void uninstallGlobalMouseHook() override { uninstallMouseHook(); }
    void installGlobalKeyHook(std::function<void(Key)> callback) override
    {
        installKeyHook(std::move(callback));
    }
    void uninstallGlobalKeyHook() override { uninstallKeyHook(); }

    Handle topMostChangeTarget(const QByteArray &eventType, void *message) override
    {
        // Every native message of the program passes here: two integer tests reject almost all.
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message != WM_STYLECHANGED || quint32(msg->wParam) != quint32(GWL_EXSTYLE))
            return nullptr;
        return eventType == "windows_generic_MSG" ? handleOf(msg->hwnd) : nullptr;
    }

    void restoreTopMost(Handle window) override
    {
        const HWND hwnd = nativeOf(window);
        if (!hasExStyle(hwnd, WS_EX_TOPMOST))
            SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, kRestoreFlags);
    }

    bool needsShapedWindows() override { return false; } // DWM composes translucent windows

    void prepareCapture(Handle) override {} // every window answers PrintWindow as it is
    QImage captureWindow(Handle hwnd) override { return printWindow(nativeOf(hwnd)); }
};

} // namespace

std::unique_ptr<Backend> makeWin32Backend()
{
    return std::make_unique<Win32Backend>();
}

} // namespace win

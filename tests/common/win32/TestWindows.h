// Plain Win32 test windows that log the keys and presses they receive.
#pragma once

#include <QList>
#include <QPair>
#include <QRect>
#include <QString>

#include "platform/win32/Win32Backend.h"

#include <windows.h>

namespace testwin
{

// (message, wParam) of every key and button message any test window received, oldest first.
inline QList<QPair<UINT, WPARAM>> &inputLog()
{
    static QList<QPair<UINT, WPARAM>> log;
    return log;
}

inline QList<QPair<UINT, WPARAM>> inputOf(UINT first, UINT last)
{
    QList<QPair<UINT, WPARAM>> picked = inputLog();
    picked.removeIf([=](const auto &entry) { return entry.first < first || entry.first > last; });
    return picked;
}

inline LRESULT CALLBACK loggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if ((msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
        (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEMOVE))
        inputLog().append({msg, wParam});
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A shown, captioned top-level window; exStyle may add WS_EX_TOPMOST and the like.
inline HWND create(const QString &title, const QRect &rect, DWORD exStyle = 0)
{
    static const ATOM windowClass = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = loggingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PodivexTestWindow";
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        return RegisterClassW(&wc);
    }();
    const HWND hwnd =
        CreateWindowExW(exStyle, MAKEINTATOM(windowClass), reinterpret_cast<LPCWSTR>(title.utf16()),
                        WS_OVERLAPPEDWINDOW, rect.x(), rect.y(), rect.width(), rect.height(),
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

inline LONG_PTR exStyleOf(HWND hwnd)
{
    return GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
}
inline bool isTopMost(HWND hwnd)
{
    return (exStyleOf(hwnd) & WS_EX_TOPMOST) != 0;
}

// Whether upper lies somewhere above lower in the z-order.
inline bool isAbove(HWND upper, HWND lower)
{
    HWND h = GetWindow(lower, GW_HWNDPREV);
    while (h && h != upper)
        h = GetWindow(h, GW_HWNDPREV);
    return h != nullptr;
}

} // namespace testwin

// The interface each window-system backend implements; the free functions of the win namespace
// forward to the one chosen at first use.
#pragma once

#include "platform/WindowLayer.h"

#include <memory>

namespace win {

class Backend
{
public:
    virtual ~Backend() = default;

    virtual HWND foregroundWindow() = 0;
    virtual bool isWindowValid(HWND hwnd) = 0;
    virtual bool isMinimized(HWND hwnd) = 0;
    virtual QString windowTitle(HWND hwnd) = 0;
    virtual QString classNameOf(HWND hwnd) = 0;
    virtual QRect windowRect(HWND hwnd) = 0;
    virtual QString processNameOf(unsigned pid) = 0;
    virtual QRect monitorRectPhysical(HWND hwnd) = 0;
    virtual QList<WindowInfo> enumTopLevelWindows() = 0;

    virtual void setTopMost(HWND hwnd, bool on) = 0;
    virtual void setToolWindow(HWND hwnd, bool on) = 0;
    virtual void setNoActivate(HWND hwnd, bool on) = 0;
    virtual void setClickThrough(HWND hwnd, bool on) = 0;
    virtual void setLayeredAlpha(HWND hwnd, int alpha) = 0;
    virtual void raiseAbove(HWND w, HWND ref) = 0;
    virtual bool forceForeground(HWND hwnd) = 0;
    virtual void minimizeWindow(HWND hwnd) = 0;

    virtual bool injectKey(int vk) = 0;
    virtual bool injectKeyTo(HWND target, int vk) = 0;

    virtual void installGlobalMouseHook(std::function<void(int, int)> callback) = 0;
    virtual void uninstallGlobalMouseHook() = 0;

    virtual HWND topMostChangeTarget(const QByteArray &eventType, void *message) = 0;
    virtual void restoreTopMost(HWND hwnd) = 0;

    virtual bool needsShapedWindows() = 0;
};

// Every query answers the neutral value, every operation does nothing.
std::unique_ptr<Backend> makeHeadlessBackend();
// The native backend of this system for the running toolkit platform, or null when there is none.
std::unique_ptr<Backend> makeNativeBackend();

// The backend in use; chosen once, at first use.
Backend &backend();
// Replaces the backend (tests inject fakes); returns the previous one.
std::unique_ptr<Backend> setBackend(std::unique_ptr<Backend> next);

} // namespace win

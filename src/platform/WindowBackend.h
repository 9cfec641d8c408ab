// The interface each window-system backend implements; the free functions of the win namespace
// forward to the one chosen at first use.
#pragma once

#include "platform/WindowLayer.h"

#include <QImage>

#include <memory>

namespace win
{

class Backend
{
public:
    virtual ~Backend() = default;

    virtual Handle foregroundWindow() = 0;
    virtual bool isWindowValid(Handle window) = 0;
    virtual bool isMinimized(Handle window) = 0;
    virtual QString windowTitle(Handle window) = 0;
    virtual QString classNameOf(Handle window) = 0;
    virtual QRect windowRect(Handle window) = 0;
    virtual QString processNameOf(unsigned pid) = 0;
    virtual QRect monitorRectPhysical(Handle window) = 0;
    virtual QList<WindowInfo> enumTopLevelWindows() = 0;

    virtual void setTopMost(Handle window, bool on) = 0;
    virtual void setToolWindow(Handle window, bool on) = 0;
    virtual void setNoActivate(Handle window, bool on) = 0;
    virtual void setClickThrough(Handle window, bool on) = 0;
    virtual void raiseAbove(Handle w, Handle ref) = 0;
    virtual bool forceForeground(Handle window) = 0;
    virtual void minimizeWindow(Handle window) = 0;

    virtual bool injectKey(Key key) = 0;
    virtual bool injectKeyTo(Handle target, Key key) = 0;

    virtual void installGlobalMouseHook(std::function<void(int, int)> callback) = 0;
    virtual void uninstallGlobalMouseHook() = 0;
    virtual void installGlobalKeyHook(std::function<void(Key)> callback) = 0;
    virtual void uninstallGlobalKeyHook() = 0;

    virtual Handle topMostChangeTarget(const QByteArray &eventType, void *message) = 0;
    virtual void restoreTopMost(Handle window) = 0;

    virtual bool needsShapedWindows() = 0;

    virtual void prepareCapture(Handle window) = 0;
    virtual QImage captureWindow(Handle window) = 0;
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

// A scriptable window layer for tests: hand-made windows, an injected monitor query, and a log of
// every operation the code under test asked for. It leaves out any real window system.
#pragma once

#include "platform/WindowBackend.h"

#include <QHash>
#include <QStringList>

#include <functional>

class FakeBackend : public win::Backend
{
public:
    // Installs a fresh fake as the backend; it stays until the next install.
    static FakeBackend &install()
    {
        auto fake = std::make_unique<FakeBackend>();
        FakeBackend &ref = *fake;
        win::setBackend(std::move(fake));
        return ref;
    }
    static win::Handle handle(quintptr id) { return reinterpret_cast<win::Handle>(id); }
    static QString name(win::Handle h)
    {
        return QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(h), 0, 16);
    }

    QList<win::WindowInfo> windows; // enumeration result, top of the stack first
    win::Handle foreground = nullptr;
    std::function<QRect(win::Handle)> monitorQuery; // else a 1920 x 1080 screen at the origin
    bool shaped = false;
    QStringList calls; // "injectKeyTo 0x1 1" (the key's number), "setTopMost 0x2 1", ...
    QHash<win::Handle, QImage> pictures; // what captureWindow answers (null when absent)
    std::function<void(int, int)> mouseHook;
    std::function<void(win::Key)> keyHook;

    win::Handle foregroundWindow() override { return foreground; }
    bool isWindowValid(win::Handle w) override { return find(w); }
    bool isMinimized(win::Handle w) override { return find(w) && find(w)->minimized; }
    QString windowTitle(win::Handle w) override { return find(w) ? find(w)->title : QString(); }
    QString classNameOf(win::Handle w) override { return find(w) ? find(w)->className : QString(); }
    QRect windowRect(win::Handle w) override { return find(w) ? find(w)->rect : QRect(); }
    QString processNameOf(unsigned pid) override
    {
        for (const win::WindowInfo &w : windows)
            if (w.pid == pid)
                return w.processName;
        return {};
    }
    QRect monitorRectPhysical(win::Handle w) override
    {
        return monitorQuery ? monitorQuery(w) : QRect(0, 0, 1920, 1080);
    }
    QList<win::WindowInfo> enumTopLevelWindows() override { return windows; }

    void setTopMost(win::Handle w, bool on) override { log("setTopMost", w, on); }
    void setToolWindow(win::Handle w, bool on) override { log("setToolWindow", w, on); }
    void setNoActivate(win::Handle w, bool on) override { log("setNoActivate", w, on); }
    void setClickThrough(win::Handle w, bool on) override { log("setClickThrough", w, on); }
    void raiseAbove(win::Handle w, win::Handle ref) override
    {
        calls << "raiseAbove " + name(w) + ' ' + name(ref);
    }
    bool forceForeground(win::Handle w) override
    {
        foreground = w;
        return log("forceForeground", w, 1);
    }
    void minimizeWindow(win::Handle w) override
    {
        log("minimizeWindow", w, 1);
        if (find(w))
            find(w)->minimized = true;
    }
    bool injectKey(win::Key key) override { return log("injectKey", nullptr, int(key)); }
    bool injectKeyTo(win::Handle w, win::Key key) override
    {
        return log("injectKeyTo", w, int(key));
    }

    void installGlobalMouseHook(std::function<void(int, int)> callback) override
    {
        mouseHook = std::move(callback);
    }
    void uninstallGlobalMouseHook() override { mouseHook = nullptr; }
    void installGlobalKeyHook(std::function<void(win::Key)> callback) override
    {
        keyHook = std::move(callback);
    }
    void uninstallGlobalKeyHook() override { keyHook = nullptr; }

    win::Handle topMostChangeTarget(const QByteArray &, void *) override { return nullptr; }
    void restoreTopMost(win::Handle w) override { log("restoreTopMost", w, 1); }
    bool needsShapedWindows() override { return shaped; }
    void prepareCapture(win::Handle w) override { log("prepareCapture", w, 1); }
    QImage captureWindow(win::Handle w) override { return pictures.value(w); }

private:
    win::WindowInfo *find(win::Handle w)
    {
        for (win::WindowInfo &info : windows)
            if (info.handle == w)
                return &info;
        return nullptr;
    }
    bool log(const char *op, win::Handle w, int value)
    {
        calls << QStringLiteral("%1 %2 %3").arg(QLatin1String(op), name(w)).arg(value);
        return true;
    }
};

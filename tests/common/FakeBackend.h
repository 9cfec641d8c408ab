// A scriptable window layer for tests: hand-made windows, an injected monitor query, and a log of
// every operation the code under test asked for.
#pragma once

#include "platform/WindowBackend.h"

#include <QHash>
#include <QStringList>

#include <functional>

class FakeBackend : public win::Backend
{
public:
    // Installs a fresh fake as the backend; it stays until the next install.
    static FakeBackend &install();

    QList<win::WindowInfo> windows; // enumeration result, top of the stack first
    win::Handle foreground = nullptr;
    std::function<QRect(win::Handle)>
        monitorQuery; // defaults to a 1920 x 1080 screen at the origin
    QSet<win::Handle> minimizedHandles;
    QSet<win::Handle> validHandles; // besides these, every enumerated handle is valid
    bool keysSucceed = true;
    bool shaped = false;
    QStringList calls; // "injectKeyTo 0x1 1" (the key's number), "setTopMost 0x2 1", ...
    int monitorQueries = 0;

    static win::Handle handle(quintptr id) { return reinterpret_cast<win::Handle>(id); }
    static QString name(win::Handle h);

    win::Handle foregroundWindow() override { return foreground; }
    bool isWindowValid(win::Handle w) override { return validHandles.contains(w) || find(w); }
    bool isMinimized(win::Handle w) override
    {
        return minimizedHandles.contains(w) || (find(w) && find(w)->minimized);
    }
    QString windowTitle(win::Handle w) override { return find(w) ? find(w)->title : QString(); }
    QString classNameOf(win::Handle w) override { return find(w) ? find(w)->className : QString(); }
    QRect windowRect(win::Handle w) override { return find(w) ? find(w)->rect : QRect(); }
    QString processNameOf(unsigned pid) override;
    QRect monitorRectPhysical(win::Handle window) override;
    QList<win::WindowInfo> enumTopLevelWindows() override { return windows; }

    void setTopMost(win::Handle window, bool on) override { log("setTopMost", window, on); }
    void setToolWindow(win::Handle window, bool on) override { log("setToolWindow", window, on); }
    void setNoActivate(win::Handle window, bool on) override { log("setNoActivate", window, on); }
    void setClickThrough(win::Handle w, bool on) override { log("setClickThrough", w, on); }
    void raiseAbove(win::Handle w, win::Handle ref) override
    {
        calls << QStringLiteral("raiseAbove %1 %2").arg(name(w), name(ref));
    }
    bool forceForeground(win::Handle window) override;
    void minimizeWindow(win::Handle window) override;

    bool injectKey(win::Key key) override;
    bool injectKeyTo(win::Handle t, win::Key key) override
    {
        return log("injectKeyTo", t, int(key));
    }

    void installGlobalMouseHook(std::function<void(int, int)> callback) override;
    void uninstallGlobalMouseHook() override;
    std::function<void(int, int)> mouseHook;
    void installGlobalKeyHook(std::function<void(win::Key)> callback) override
    {
        keyHook = std::move(callback);
    }
    void uninstallGlobalKeyHook() override { keyHook = nullptr; }
    std::function<void(win::Key)> keyHook;

    win::Handle topMostChangeTarget(const QByteArray &, void *) override { return nullptr; }
    void restoreTopMost(win::Handle window) override { log("restoreTopMost", window, 1); }

    bool needsShapedWindows() override { return shaped; }

    // What captureWindow answers for each window (null when absent).
    QHash<win::Handle, QImage> pictures;
    void prepareCapture(win::Handle window) override { log("prepareCapture", window, 1); }
    QImage captureWindow(win::Handle window) override { return pictures.value(window); }

    // How many logged calls start with the given prefix.
    int count(const QString &prefix) const;

private:
    const win::WindowInfo *find(win::Handle window) const;
    // Logs the call; answers whether keys succeed, for the key injections.
    bool log(const char *op, win::Handle window, int value);
};

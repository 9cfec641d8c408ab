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
    bool isWindowValid(win::Handle window) override;
    bool isMinimized(win::Handle window) override;
    QString windowTitle(win::Handle window) override;
    QString classNameOf(win::Handle window) override;
    QRect windowRect(win::Handle window) override;
    QString processNameOf(unsigned pid) override;
    QRect monitorRectPhysical(win::Handle window) override;
    QList<win::WindowInfo> enumTopLevelWindows() override { return windows; }

    void setTopMost(win::Handle window, bool on) override { log("setTopMost", window, on); }
    void setToolWindow(win::Handle window, bool on) override { log("setToolWindow", window, on); }
    void setNoActivate(win::Handle window, bool on) override { log("setNoActivate", window, on); }
    void setClickThrough(win::Handle window, bool on) override
    {
        log("setClickThrough", window, on);
    }
    void raiseAbove(win::Handle w, win::Handle ref) override;
    bool forceForeground(win::Handle window) override;
    void minimizeWindow(win::Handle window) override;

    bool injectKey(win::Key key) override;
    bool injectKeyTo(win::Handle target, win::Key key) override;

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
    void log(const char *op, win::Handle window, int value);
};

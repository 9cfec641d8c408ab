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

    QList<win::WindowInfo> windows;          // enumeration result, top of the stack first
    HWND foreground = nullptr;
    std::function<QRect(HWND)> monitorQuery; // defaults to a 1920 x 1080 screen at the origin
    QSet<HWND> minimizedHandles;
    QSet<HWND> validHandles;                 // besides these, every enumerated handle is valid
    bool keysSucceed = true;
    bool shaped = false;
    QStringList calls;                       // "injectKeyTo 0x1 39", "setTopMost 0x2 1", ...
    int monitorQueries = 0;

    static HWND handle(quintptr id) { return reinterpret_cast<HWND>(id); }
    static QString name(HWND h);

    HWND foregroundWindow() override { return foreground; }
    bool isWindowValid(HWND hwnd) override;
    bool isMinimized(HWND hwnd) override;
    QString windowTitle(HWND hwnd) override;
    QString classNameOf(HWND hwnd) override;
    QRect windowRect(HWND hwnd) override;
    QString processNameOf(unsigned pid) override;
    QRect monitorRectPhysical(HWND hwnd) override;
    QList<win::WindowInfo> enumTopLevelWindows() override { return windows; }

    void setTopMost(HWND hwnd, bool on) override { log("setTopMost", hwnd, on); }
    void setToolWindow(HWND hwnd, bool on) override { log("setToolWindow", hwnd, on); }
    void setNoActivate(HWND hwnd, bool on) override { log("setNoActivate", hwnd, on); }
    void setClickThrough(HWND hwnd, bool on) override { log("setClickThrough", hwnd, on); }
    void setLayeredAlpha(HWND hwnd, int alpha) override { log("setLayeredAlpha", hwnd, alpha); }
    void raiseAbove(HWND w, HWND ref) override;
    bool forceForeground(HWND hwnd) override;
    void minimizeWindow(HWND hwnd) override;

    bool injectKey(int vk) override;
    bool injectKeyTo(HWND target, int vk) override;

    void installGlobalMouseHook(std::function<void(int, int)> callback) override;
    void uninstallGlobalMouseHook() override;
    std::function<void(int, int)> mouseHook;

    HWND topMostChangeTarget(const QByteArray &, void *) override { return nullptr; }
    void restoreTopMost(HWND hwnd) override { log("restoreTopMost", hwnd, 1); }

    bool needsShapedWindows() override { return shaped; }

    // How many logged calls start with the given prefix.
    int count(const QString &prefix) const;

private:
    const win::WindowInfo *find(HWND hwnd) const;
    void log(const char *op, HWND hwnd, int value);
};

// The scriptable window layer used by the platform-free tests.
#include "FakeBackend.h"

#include <algorithm>

FakeBackend &FakeBackend::install()
{
    auto fake = std::make_unique<FakeBackend>();
    FakeBackend &ref = *fake;
    win::setBackend(std::move(fake));
    return ref;
}

QString FakeBackend::name(win::Handle h)
{
    return QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(h), 0, 16);
}

const win::WindowInfo *FakeBackend::find(win::Handle window) const
{
    const auto it = std::find_if(windows.begin(), windows.end(),
                                 [window](const win::WindowInfo &w) { return w.handle == window; });
    return it == windows.end() ? nullptr : &*it;
}

bool FakeBackend::log(const char *op, win::Handle window, int value)
{
    calls << QStringLiteral("%1 %2 %3").arg(QLatin1String(op), name(window)).arg(value);
    return keysSucceed;
}

int FakeBackend::count(const QString &prefix) const
{
    return int(std::count_if(calls.begin(), calls.end(),
                             [&](const QString &c) { return c.startsWith(prefix); }));
}

QString FakeBackend::processNameOf(unsigned pid)
{
    const auto it = std::find_if(windows.begin(), windows.end(),
                                 [pid](const win::WindowInfo &w) { return w.pid == pid; });
    return it == windows.end() ? QString() : it->processName;
}
QRect FakeBackend::monitorRectPhysical(win::Handle window)
{
    ++monitorQueries;
    return monitorQuery ? monitorQuery(window) : QRect(0, 0, 1920, 1080);
}

bool FakeBackend::forceForeground(win::Handle window)
{
    log("forceForeground", window, 1);
    foreground = window;
    return true;
}
void FakeBackend::minimizeWindow(win::Handle window)
{
    log("minimizeWindow", window, 1);
    minimizedHandles.insert(window);
}

bool FakeBackend::injectKey(win::Key key)
{
    calls << QStringLiteral("injectKey %1").arg(int(key));
    return keysSucceed;
}

void FakeBackend::installGlobalMouseHook(std::function<void(int, int)> callback)
{
    mouseHook = std::move(callback);
    calls << QStringLiteral("installGlobalMouseHook");
}
void FakeBackend::uninstallGlobalMouseHook()
{
    mouseHook = nullptr;
    calls << QStringLiteral("uninstallGlobalMouseHook");
}

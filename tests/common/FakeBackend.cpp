// The scriptable window layer used by the platform-free tests.
#include "FakeBackend.h"

FakeBackend &FakeBackend::install()
{
    auto fake = std::make_unique<FakeBackend>();
    FakeBackend &ref = *fake;
    win::setBackend(std::move(fake));
    return ref;
}

QString FakeBackend::name(HWND h)
{
    return QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(h), 0, 16);
}

const win::WindowInfo *FakeBackend::find(HWND hwnd) const
{
    for (const win::WindowInfo &w : windows) {
        if (w.hwnd == hwnd)
            return &w;
    }
    return nullptr;
}

void FakeBackend::log(const char *op, HWND hwnd, int value)
{
    calls << QStringLiteral("%1 %2 %3").arg(QLatin1String(op), name(hwnd)).arg(value);
}

int FakeBackend::count(const QString &prefix) const
{
    int n = 0;
    for (const QString &c : calls)
        n += c.startsWith(prefix) ? 1 : 0;
    return n;
}

bool FakeBackend::isWindowValid(HWND hwnd) { return validHandles.contains(hwnd) || find(hwnd); }
bool FakeBackend::isMinimized(HWND hwnd)
{
    const win::WindowInfo *w = find(hwnd);
    return minimizedHandles.contains(hwnd) || (w && w->minimized);
}
QString FakeBackend::windowTitle(HWND hwnd) { return find(hwnd) ? find(hwnd)->title : QString(); }
QString FakeBackend::classNameOf(HWND hwnd) { return find(hwnd) ? find(hwnd)->className : QString(); }
QRect FakeBackend::windowRect(HWND hwnd) { return find(hwnd) ? find(hwnd)->rect : QRect(); }

QString FakeBackend::processNameOf(unsigned pid)
{
    for (const win::WindowInfo &w : windows) {
        if (w.pid == pid)
            return w.processName;
    }
    return QString();
}

QRect FakeBackend::monitorRectPhysical(HWND hwnd)
{
    ++monitorQueries;
    return monitorQuery ? monitorQuery(hwnd) : QRect(0, 0, 1920, 1080);
}

void FakeBackend::raiseAbove(HWND w, HWND ref)
{
    calls << QStringLiteral("raiseAbove %1 %2").arg(name(w), name(ref));
}

bool FakeBackend::forceForeground(HWND hwnd)
{
    log("forceForeground", hwnd, 1);
    foreground = hwnd;
    return true;
}

void FakeBackend::minimizeWindow(HWND hwnd)
{
    log("minimizeWindow", hwnd, 1);
    minimizedHandles.insert(hwnd);
}

bool FakeBackend::injectKey(int vk)
{
    calls << QStringLiteral("injectKey %1").arg(vk);
    return keysSucceed;
}

bool FakeBackend::injectKeyTo(HWND target, int vk)
{
    log("injectKeyTo", target, vk);
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

// The headless backend: used where no window system is reachable (offscreen tests, one-shot commands).
#include "platform/WindowBackend.h"

namespace win {
namespace {

class HeadlessBackend final : public Backend
{
public:
    HWND foregroundWindow() override { return nullptr; }
    bool isWindowValid(HWND) override { return false; }
    bool isMinimized(HWND) override { return false; }
    QString windowTitle(HWND) override { return {}; }
    QString classNameOf(HWND) override { return {}; }
    QRect windowRect(HWND) override { return {}; }
    QString processNameOf(unsigned) override { return {}; }
    QRect monitorRectPhysical(HWND) override { return {}; }
    QList<WindowInfo> enumTopLevelWindows() override { return {}; }

    void setTopMost(HWND, bool) override {}
    void setToolWindow(HWND, bool) override {}
    void setNoActivate(HWND, bool) override {}
    void setClickThrough(HWND, bool) override {}
    void setLayeredAlpha(HWND, int) override {}
    void raiseAbove(HWND, HWND) override {}
    bool forceForeground(HWND) override { return false; }
    void minimizeWindow(HWND) override {}

    bool injectKey(int) override { return false; }
    bool injectKeyTo(HWND, int) override { return false; }

    void installGlobalMouseHook(std::function<void(int, int)>) override {}
    void uninstallGlobalMouseHook() override {}

    HWND topMostChangeTarget(const QByteArray &, void *) override { return nullptr; }
    void restoreTopMost(HWND) override {}

    bool needsShapedWindows() override { return false; }
};

} // namespace

std::unique_ptr<Backend> makeHeadlessBackend()
{
    return std::make_unique<HeadlessBackend>();
}

} // namespace win

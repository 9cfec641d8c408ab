// The headless backend: used where no window system is reachable (offscreen tests, one-shot
// commands).
#include "platform/WindowBackend.h"

namespace win
{
namespace
{

class HeadlessBackend final : public Backend
{
public:
    Handle foregroundWindow() override { return nullptr; }
    bool isWindowValid(Handle) override { return false; }
    bool isMinimized(Handle) override { return false; }
    QString windowTitle(Handle) override { return {}; }
    QString classNameOf(Handle) override { return {}; }
    QRect windowRect(Handle) override { return {}; }
    QString processNameOf(unsigned) override { return {}; }
    QRect monitorRectPhysical(Handle) override { return {}; }
    QList<WindowInfo> enumTopLevelWindows() override { return {}; }

    void setTopMost(Handle, bool) override {}
    void setToolWindow(Handle, bool) override {}
    void setNoActivate(Handle, bool) override {}
    void setClickThrough(Handle, bool) override {}
    void raiseAbove(Handle, Handle) override {}
    bool forceForeground(Handle) override { return false; }
    void minimizeWindow(Handle) override {}

    bool injectKey(Key) override { return false; }
    bool injectKeyTo(Handle, Key) override { return false; }

    void installGlobalMouseHook(std::function<void(int, int)>) override {}
    void uninstallGlobalMouseHook() override {}
    void installGlobalKeyHook(std::function<void(Key)>) override {}
    void uninstallGlobalKeyHook() override {}

    Handle topMostChangeTarget(const QByteArray &, void *) override { return nullptr; }
    void restoreTopMost(Handle) override {}

    bool needsShapedWindows() override { return false; }
    void prepareCapture(Handle) override {}
    QImage captureWindow(Handle) override { return {}; }
};

} // namespace

std::unique_ptr<Backend> makeHeadlessBackend()
{
    return std::make_unique<HeadlessBackend>();
}

} // namespace win

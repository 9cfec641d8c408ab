// Reading the show's position and slide count from a running COM automation server.
#include "control/SlideAutomation.h"
#include "platform/win32/ComDispatch.h"

#include <objbase.h>

namespace SlideAutomation
{
namespace
{

std::optional<int> readInt(const ComDispatch &value)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

Reading readShowOf(const QString &progId)
{
    // Only running servers: a refresh runs every second and must never start (and block on) a
    // program that is installed but not the one showing.
    const ComDispatch app = ComDispatch::fromRunningProgId(progId.toStdWString().c_str());
    const ComDispatch windows = app.prop(L"SlideShowWindows");
    if (readInt(windows.prop(L"Count")).value_or(0) <= 0)
        return {};
    const ComDispatch show = windows.item(0);
    return {readInt(show.prop(L"View").prop(L"CurrentShowPosition")),
            readInt(show.prop(L"Presentation").prop(L"Slides").prop(L"Count"))};
}

class ComAutomation : public Source
{
public:
    bool initialiseThread() override
    {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        return SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
    }

    Reading readRunningShow(const QStringList &ids) override
    {
        for (const QString &id : ids) {
            Reading r = readShowOf(id);
            if (r.position || r.slides)
                return r;
        }
        return {};
    }
};

} // namespace

std::unique_ptr<Source> makePlatformSource()
{
    return std::make_unique<ComAutomation>();
}

} // namespace SlideAutomation

// Without a COM runtime there is no automation: the controller counts the pages itself.
#include "control/SlideAutomation.h"

namespace SlideAutomation
{
namespace
{

class NoAutomation : public Source
{
public:
    bool initialiseThread() override { return false; }
    Reading readRunningShow(const QStringList &) override { return {}; }
};

} // namespace

std::unique_ptr<Source> makePlatformSource()
{
    return std::make_unique<NoAutomation>();
}

} // namespace SlideAutomation

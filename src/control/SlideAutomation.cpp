// The automation servers the slide reading asks, and the choice of the source that reads them.
#include "control/SlideAutomation.h"

namespace SlideAutomation
{
namespace
{

const QStringList kProgIds = {QStringLiteral("PowerPoint.Application"),
                              QStringLiteral("KWPP.Application"),
                              QStringLiteral("WPP.Application")};

QStringList &currentIds()
{
    static QStringList ids = kProgIds;
    return ids;
}

std::unique_ptr<Source> &slot()
{
    static std::unique_ptr<Source> current;
    return current;
}

} // namespace

Source &source()
{
    if (!slot())
        slot() = makePlatformSource();
    return *slot();
}

std::unique_ptr<Source> setSource(std::unique_ptr<Source> next)
{
    auto previous = std::move(slot());
    slot() = std::move(next);
    return previous;
}

QStringList progIds()
{
    return currentIds();
}
void setProgIds(const QStringList &ids)
{
    currentIds() = ids;
}

} // namespace SlideAutomation

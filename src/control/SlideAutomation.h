// Reading the running slide show's position from a presentation program's automation server.
#pragma once

#include <QStringList>

#include <memory>
#include <optional>

namespace SlideAutomation
{

// What the first running show reported; either number may be missing.
struct Reading {
    std::optional<int> position;
    std::optional<int> slides;
};

class Source
{
public:
    virtual ~Source() = default;
    // Opens automation on the calling thread; false where it cannot be used.
    virtual bool initialiseThread() = 0;
    // The first show of the first server, in the given order, that reports at least one number.
    // Only servers that are already running are asked. Empty when none does.
    virtual Reading readRunningShow(const QStringList &progIds) = 0;
};

// This system's source; one without automation where there is no COM.
std::unique_ptr<Source> makePlatformSource();

// The source in use, chosen at first use; tests replace it and get the previous one back.
Source &source();
std::unique_ptr<Source> setSource(std::unique_ptr<Source> next);

// The servers asked, in order; tests point them at their own.
QStringList progIds();
void setProgIds(const QStringList &ids);

} // namespace SlideAutomation

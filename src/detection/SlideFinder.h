// Slide-show detection: scores top-level windows for how much they look like a running show.
#pragma once

#include "platform/WindowLayer.h"

#include <QList>
#include <QSet>
#include <QString>

namespace SlideFinder
{

struct Result {
    win::Handle handle = nullptr;
    int score = 0;
    QString title;
    QString className;
    QString processName;
    QString hits;
};

// A result at or above this score is a slide show.
constexpr int kThreshold = 60;

Result find(const QSet<win::Handle> &excluded);
QList<Result> probeAll(const QSet<win::Handle> &excluded, int limit);
QString describe(const Result &r);
bool stillValid(win::Handle window);

} // namespace SlideFinder

// The window-identification report: every scored candidate written to probe.txt, and the verdict
// box.
#pragma once

#include "detection/SlideFinder.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace ProbeReport
{

// How many candidates the report lists.
constexpr int kLimit = 15;

QString reportText(const QList<SlideFinder::Result> &candidates, const QDateTime &now);
// Writes the report beside the executable; returns the file's path (also when it could not be
// written).
QString writeReport(const QString &text);
// The whole --probe command: report, verdict box, exit code.
int run();

} // namespace ProbeReport

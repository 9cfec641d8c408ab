// The console side of one update check: the first answer is printed and ends the event loop.
#pragma once

#include "update/Updater.h"

class UpdateConsole
{
public:
    // Connects to the updater's prompt and finished signals; status and progress stay silent.
    explicit UpdateConsole(Updater *updater);

    static QString updateLine(const Updater::Info &info, bool forced);
    static QString resultLine(bool ok, const QString &message);

private:
    void answer(const QString &line, int exitCode);

    bool m_printed = false;
};

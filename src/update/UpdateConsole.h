// The console side of one update check: the first answer is printed as one line and ends the
// event loop. Progress and notices stay silent.
#pragma once

#include "update/Updater.h"

class UpdateConsole
{
public:
    // Connects to the updater's prompt and finished signals; exit codes 0 ok, 1 failure, 3 update
    // offered.
    explicit UpdateConsole(Updater *updater);

    static QString updateLine(const Updater::Info &info, bool forced);
    static QString resultLine(bool ok, const QString &message);
    // The text with backslashes and control characters written as escapes, so that server text
    // can neither start a line of its own nor reach the terminal as a control sequence.
    static QString escaped(const QString &text);

private:
    void answer(const QString &line, int exitCode);

    bool m_printed = false;
};

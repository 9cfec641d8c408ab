// The one-shot commands: start at log-on, update mode, ink saving, version comparison, update
// check. The probe report and the tray mode are dispatched elsewhere.
#pragma once

#include <QStringList>

namespace Commands
{

// Whether the command line names one of the one-shot commands (they need no window system).
bool isOneShot(const QStringList &args);
// Runs the first one-shot command named in args (the program path first); false when there is none.
bool runOneShot(const QStringList &args, int *exitCode);

} // namespace Commands

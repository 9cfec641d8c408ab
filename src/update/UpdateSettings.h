// The updater's persistent settings: the update mode (one table of names and menu labels) and the
// one skipped version, kept in the "[Update]" section of a small INI-style file. The network side
// and the version order live elsewhere.
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace UpdateSettings
{

enum Mode { Silent = 0, Ask = 1, Off = 2 };

struct ModeEntry {
    Mode mode;
    QString name;  // as stored and as typed on the command line
    QString label; // the tray menu's entry
};

// The modes in menu order; the one place their names and labels are written.
const QList<ModeEntry> &modes();
const ModeEntry &entry(Mode mode);
std::optional<Mode> modeNamed(const QString &name);

// Queries read the file afresh; a missing or unreadable file gives the defaults (Ask, nothing
// skipped).
Mode mode();
bool isSkipped(const QString &version);
// Changes go through a lock file and replace the file only when it is complete; every other line
// of the file stays as it was. On failure *error (when given) says why.
bool setMode(Mode mode, QString *error = nullptr);
bool skip(const QString &version, QString *error = nullptr);

} // namespace UpdateSettings

// Start at log-on: the system's per-user start-up entry naming this executable. Nothing here knows
// about the tray menu or the command line that switch it.
#pragma once

// On: the entry names this executable; off: the entry is removed. False when the change could not
// be saved.
bool setAutoStart(bool on);
// True exactly when the entry exists and names this executable.
bool isAutoStartEnabled();

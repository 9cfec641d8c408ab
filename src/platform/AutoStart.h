// Start at log-on: the system's per-user start-up entry naming this executable.
#pragma once

// On: the entry names this executable; off: the entry is removed. Failures are not reported.
void setAutoStart(bool on);
// True exactly when the entry exists and names this executable.
bool isAutoStartEnabled();

// The updater in tray mode: notifications, the update dialog, the log line, the check timers.
// The decisions and the download are the engine's.
#pragma once

#include "update/Updater.h"

#include <QIcon>

#include <functional>

class QSystemTrayIcon;
class QTimer;

namespace UpdatePrompts
{

// Shows one transient notice for about timeoutMs milliseconds.
using Notify = std::function<void(const QString &text, int timeoutMs)>;

// Tray messages titled "Podivex" with the information icon.
Notify trayNotifier(QSystemTrayIcon *tray);
// "（约 1.5 MB）" for a known size, empty otherwise.
QString sizeText(qint64 size);
// Asks whether to install the offered update and acts on the answer; returns when it is answered.
void askToUpdate(Updater *updater, const Updater::Info &info, bool forced, const Notify &notify,
                 const QIcon &icon);
// Attaches the handlers of status, progress, prompt and finished.
void connectTray(Updater *updater, const Notify &notify, const QIcon &icon);
// The same on the tray icon: its messages, and its image in the dialog.
void connectTray(Updater *updater, QSystemTrayIcon *tray);
// The first automatic check after firstMs, then one every everyMs from a timer owned by owner.
QTimer *scheduleChecks(Updater *updater, QObject *owner, int firstMs = 60000,
                       int everyMs = 43200000);

} // namespace UpdatePrompts

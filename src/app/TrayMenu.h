// The tray icon with its menu, the updater behind it, the start-at-log-on and ink-saving switches
// and the about box.
#pragma once

#include <QIcon>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class Updater;

// The tray icon's image: a dark disc holding the annotate pictogram; drawn anew on every call.
QIcon makeTrayIcon();

class TrayMenu
{
public:
    TrayMenu(std::function<void()> toggleControls, std::function<void()> redetect);
    ~TrayMenu();

    // A short information message from the tray icon, titled like the tool tip. A click on it
    // opens folder, when given.
    void notify(const QString &text, const QString &folder = {});

    QMenu *menu() const { return m_menu.get(); }
    Updater *updater() const { return m_updater.get(); }

    static void showAbout();

private:
    void buildMenu(const std::function<void()> &toggleControls,
                   const std::function<void()> &redetect);

    QSystemTrayIcon *m_tray; // owned by the application object
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<QMenu> m_menu;
    QString m_messageFolder; // of the message shown last
};

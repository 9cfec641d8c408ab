// Tray notifications, the forced and optional update dialogs, and the automatic check timers. The
// tray menu's own entries live with the menu.
#include "update/UpdatePrompts.h"

#include "update/UpdateSettings.h"
#include "update/Version.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

namespace UpdatePrompts
{

Notify trayNotifier(QSystemTrayIcon *tray)
{
    return [tray](const QString &text, int timeoutMs) {
        tray->showMessage(QStringLiteral("Podivex"), text, QSystemTrayIcon::Information, timeoutMs);
    };
}

QString sizeText(qint64 size)
{
    if (size <= 0)
        return {};
    return QStringLiteral("（约 %1 MB）").arg(double(size) / 1048576.0, 0, 'f', 1);
}

void askToUpdate(Updater *updater, const Updater::Info &info, bool forced, const Notify &notify,
                 const QIcon &icon)
{
    const QString local = Version::local();
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("发现新版本"));
    box.setIconPixmap(icon.pixmap(48, 48));
    box.setInformativeText(QStringLiteral("更新内容：\n%1").arg(info.notes));
    QPushButton *update = box.addButton(QStringLiteral("立即更新"), QMessageBox::AcceptRole);
    if (forced) {
        box.setText(QStringLiteral("必须更新到 v%1 才能继续使用。\n当前版本 v%2 已不再受支持。")
                        .arg(info.version, local));
        box.addButton(QStringLiteral("退出程序"), QMessageBox::RejectRole);
    } else {
        box.setText(QStringLiteral("有新版本 v%1 %2\n当前版本 v%3")
                        .arg(info.version, sizeText(info.size), local));
        box.addButton(QStringLiteral("稍后提醒"), QMessageBox::RejectRole);
        box.addButton(QStringLiteral("跳过此版本"), QMessageBox::DestructiveRole);
        box.setDefaultButton(update);
    }
    box.exec();
    // Esc and the close button count as the reject-role button.
    const QMessageBox::ButtonRole role = box.buttonRole(box.clickedButton());
    if (role == QMessageBox::AcceptRole) {
        updater->apply(info);
    } else if (forced) {
        QCoreApplication::quit();
    } else if (role == QMessageBox::DestructiveRole) {
        QString error;
        if (UpdateSettings::skip(info.version, &error))
            notify(QStringLiteral("已跳过 v%1，下次更新版本会再提醒").arg(info.version), 2500);
        else
            notify(QStringLiteral("未能记住跳过的版本：%1").arg(error), 4000);
    }
}

void connectTray(Updater *updater, const Notify &notify, const QIcon &icon)
{
    QObject::connect(updater, &Updater::status, updater, notify);
    QObject::connect(updater, &Updater::progress, updater,
                     [notify](int, const QString &text) { notify(text, 1200); });
    QObject::connect(updater, &Updater::prompt, updater,
                     [updater, notify, icon](const Updater::Info &info, bool forced, bool) {
                         askToUpdate(updater, info, forced, notify, icon);
                     });
    QObject::connect(updater, &Updater::finished, updater, [](bool ok, const QString &message) {
        if (!ok)
            qWarning("更新检查失败: %s", message.toLocal8Bit().constData());
    });
}

void connectTray(Updater *updater, QSystemTrayIcon *tray)
{
    connectTray(updater, trayNotifier(tray), tray->icon());
}

QTimer *scheduleChecks(Updater *updater, QObject *owner, int firstMs, int everyMs)
{
    QTimer::singleShot(firstMs, Qt::CoarseTimer, updater, [updater] { updater->check(false); });
    auto *timer = new QTimer(owner);
    timer->setInterval(everyMs);
    QObject::connect(timer, &QTimer::timeout, updater, [updater] { updater->check(false); });
    timer->start();
    return timer;
}

} // namespace UpdatePrompts

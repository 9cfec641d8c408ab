// Tray icon and menu: toggles, re-detect, update mode, ink saving, manual check, start at log-on,
// about, quit.
#include "app/TrayMenu.h"

#include "annotation/InkArchive.h"
#include "controls/IconPainter.h"
#include "controls/Palette.h"
#include "platform/AutoStart.h"
#include "update/UpdatePrompts.h"
#include "update/UpdateSettings.h"
#include "update/Updater.h"

#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QUrl>

namespace
{

const QString kTrayTitle = QStringLiteral("演示悬浮工具栏");

} // namespace

QIcon makeTrayIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::kBackdrop);
    painter.drawEllipse(QRectF(2, 2, 60, 60));
    Icons::draw(painter, Icons::Id::Annotate, QRectF(14, 12, 36, 36), Qt::white);
    painter.end();
    return QIcon(pixmap);
}

TrayMenu::TrayMenu(std::function<void()> toggleControls, std::function<void()> redetect)
    : m_tray(new QSystemTrayIcon(makeTrayIcon(), qApp)), m_updater(std::make_unique<Updater>())
{
    m_tray->setToolTip(kTrayTitle);
    UpdatePrompts::connectTray(m_updater.get(), m_tray);
    buildMenu(toggleControls, redetect);
    m_tray->setContextMenu(m_menu.get());
    QObject::connect(m_tray, &QSystemTrayIcon::messageClicked, m_tray, [this] {
        if (!m_messageFolder.isEmpty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(m_messageFolder));
    });
    m_tray->show();
    UpdatePrompts::scheduleChecks(m_updater.get(), qApp);
}

TrayMenu::~TrayMenu()
{
    m_tray->setContextMenu(nullptr);
    m_menu.reset();
    m_updater.reset();
    delete m_tray;
}

void TrayMenu::notify(const QString &text, const QString &folder)
{
    m_messageFolder = folder;
    m_tray->showMessage(kTrayTitle, text, QSystemTrayIcon::Information, 2500);
}

void TrayMenu::buildMenu(const std::function<void()> &toggleControls,
                         const std::function<void()> &redetect)
{
    m_menu = std::make_unique<QMenu>();
    m_menu->addAction(QStringLiteral("显示 / 隐藏控件"), toggleControls);
    m_menu->addAction(QStringLiteral("重新检测放映窗口"), redetect);

    QMenu *settings = m_menu->addMenu(QStringLiteral("设置"));
    auto *modes = new QActionGroup(m_menu.get());
    modes->setExclusive(true);
    for (const UpdateSettings::ModeEntry &mode : UpdateSettings::modes()) {
        QAction *entry = settings->addAction(mode.label);
        entry->setCheckable(true);
        entry->setChecked(UpdateSettings::mode() == mode.mode);
        modes->addAction(entry);
        QObject::connect(entry, &QAction::triggered, m_tray, [this, entry, mode] {
            QString error;
            const bool saved = UpdateSettings::setMode(mode.mode, &error);
            entry->setChecked(true);
            m_tray->showMessage(QStringLiteral("Podivex"),
                                saved ? QStringLiteral("更新方式已设为：%1").arg(mode.label)
                                      : QStringLiteral("更新方式未能保存：%1").arg(error),
                                QSystemTrayIcon::Information, 2000);
        });
    }
    settings->addSeparator();
    QAction *saveInk = settings->addAction(QStringLiteral("保存批注页面"));
    saveInk->setCheckable(true);
    saveInk->setChecked(InkArchive::enabled());
    QObject::connect(saveInk, &QAction::triggered, m_tray, [this, saveInk](bool checked) {
        QString error;
        if (!InkArchive::setEnabled(checked, &error))
            notify(QStringLiteral("设置未能保存：%1").arg(error));
        saveInk->setChecked(InkArchive::enabled());
    });
    settings->addAction(QStringLiteral("检查更新"), m_updater.get(),
                        [this] { m_updater->check(true); });

    QAction *autoStart = m_menu->addAction(QStringLiteral("开机自动启动"));
    autoStart->setCheckable(true);
    autoStart->setChecked(isAutoStartEnabled());
    QObject::connect(autoStart, &QAction::triggered, m_tray, [this, autoStart](bool checked) {
        setAutoStart(checked);
        const bool enabled = isAutoStartEnabled();
        if (enabled != checked)
            autoStart->setChecked(enabled);
        m_tray->showMessage(kTrayTitle,
                            enabled ? QStringLiteral("已设置开机自动启动")
                                    : QStringLiteral("已取消开机自动启动"),
                            QSystemTrayIcon::Information, 2000);
    });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("关于 Podivex"), &TrayMenu::showAbout);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("退出"), qApp, &QCoreApplication::quit);
}

void TrayMenu::showAbout()
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("关于 Podivex"));
    box.setTextFormat(Qt::RichText);
    box.setText(QStringLiteral(
        "<h2 style='margin-bottom:2px'>Podivex</h2><div style='color:#7A7A88'>演示放映悬浮工具栏 · "
        "v" PODIVEX_VERSION
        "</div><hr><p>为 <b>Microsoft PowerPoint / Microsoft 365 / WPS 演示（WPS "
        "Office）</b> "
        "的全屏放映场景设计的触屏友好悬浮工具条。</"
        "p><p>支持批注（按页独立保存）、翻页、结束放映、最小化放映窗口，"
        "自动识别前台放映窗口并把操作定向到它。</p>"));
    box.setIconPixmap(makeTrayIcon().pixmap(48, 48));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

// The tray mode: creates the runtime objects, wires them, and follows a slide show on its own.
#pragma once

#include "platform/WindowLayer.h"

#include <QObject>
#include <QSet>

#include <memory>

class AnnotationOverlay;
class InkArchive;
class AnnotPanel;
class BottomBar;
class FloatToolBar;
class QTimer;
class SlideController;
class TopMostGuard;
class TrayMenu;

class TrayMode : public QObject
{
    Q_OBJECT

public:
    // Builds every object in start-up order; the first tracking tick runs before this returns.
    // withTray false leaves out the tray icon, its menu and the update schedule (tests).
    explicit TrayMode(bool withTray = true);
    ~TrayMode() override;

    void trackingTick();
    void stackingTick();
    // A left press anywhere: closes the pen menu unless it hit the program's own windows, and
    // follows a click that reaches the show.
    void leftPress(int x, int y);
    void toggleControls();
    void redetect();

    win::Handle currentTarget() const { return m_target; }
    bool controlsVisible() const { return m_controlsVisible; }
    SlideController *controller() const { return m_controller.get(); }
    AnnotationOverlay *overlay() const { return m_overlay.get(); }
    AnnotPanel *panel() const { return m_panel.get(); }
    FloatToolBar *toolBar() const { return m_toolBar.get(); }
    BottomBar *bottomBar() const { return m_bottomBar.get(); }
    TrayMenu *trayMenu() const { return m_tray.get(); }
    InkArchive *archive() const { return m_archive.get(); }
    QSet<win::Handle> ownWindows() const;

private:
    void applyPanelRule();
    void onAnnotateToggled(bool on);
    void onExpandToggled(bool on);
    void attach(win::Handle w);
    void detach();

    // Declared in creation order: members are destroyed in reverse.
    std::unique_ptr<SlideController> m_controller;
    std::unique_ptr<AnnotationOverlay> m_overlay;
    std::unique_ptr<InkArchive> m_archive;
    std::unique_ptr<AnnotPanel> m_panel;
    std::unique_ptr<FloatToolBar> m_toolBar;
    std::unique_ptr<BottomBar> m_bottomBar;
    std::unique_ptr<TopMostGuard> m_guard;
    std::unique_ptr<QTimer> m_trackingTimer;
    std::unique_ptr<QTimer> m_stackingTimer;
    std::unique_ptr<TrayMenu> m_tray;

    win::Handle m_target = nullptr;
    bool m_controlsVisible = true;
};

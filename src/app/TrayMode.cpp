// Start-up order, the tracking and stacking ticks, and the couplings between controls and overlay.
#include "app/TrayMode.h"

#include "annotation/AnnotPanel.h"
#include "annotation/AnnotationOverlay.h"
#include "annotation/InkArchive.h"
#include "app/TrayMenu.h"
#include "control/SlideController.h"
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"
#include "controls/Palette.h"
#include "detection/SlideFinder.h"
#include "platform/TopMostGuard.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <algorithm>

namespace
{

win::Handle handleOf(const QWidget *w)
{
    return win::fromWinId(w->winId());
}

} // namespace

TrayMode::TrayMode(bool withTray)
    : m_controller(std::make_unique<SlideController>(nullptr)),
      m_overlay(std::make_unique<AnnotationOverlay>()),
      m_archive(std::make_unique<InkArchive>(
          [overlay = m_overlay.get()](int page) { return overlay->strokes(page); })),
      m_panel(std::make_unique<AnnotPanel>()), m_toolBar(std::make_unique<FloatToolBar>()),
      m_bottomBar(std::make_unique<BottomBar>()), m_guard(std::make_unique<TopMostGuard>())
{
    QCoreApplication::instance()->installNativeEventFilter(m_guard.get());

    const win::Handle overlay = handleOf(m_overlay.get());
    win::setToolWindow(overlay, true);
    win::setNoActivate(overlay, true);
    win::setClickThrough(overlay, true);
    win::setTopMost(overlay, true);
    m_panel->applyNativeStyles();
    m_toolBar->setCompanion(m_panel.get());
    connect(m_toolBar.get(), &FloatToolBar::fadeChanged, m_panel.get(), &AnnotPanel::setFade);
    m_toolBar->applyNativeStyles();
    m_bottomBar->applyNativeStyles();
    for (const QWidget *w :
         {static_cast<QWidget *>(m_toolBar.get()), static_cast<QWidget *>(m_bottomBar.get()),
          static_cast<QWidget *>(m_overlay.get()), static_cast<QWidget *>(m_panel.get())})
        m_guard->guard(handleOf(w));

    m_trackingTimer = std::make_unique<QTimer>();
    m_trackingTimer->setInterval(1500);
    connect(m_trackingTimer.get(), &QTimer::timeout, this, &TrayMode::trackingTick);
    trackingTick();
    m_trackingTimer->start();
    m_stackingTimer = std::make_unique<QTimer>();
    m_stackingTimer->setInterval(800);
    connect(m_stackingTimer.get(), &QTimer::timeout, this, &TrayMode::stackingTick);
    m_stackingTimer->start();

    connect(m_controller.get(), &SlideController::infoChanged, this, [this](int current, int) {
        m_bottomBar->setPageText(m_controller->pageText());
        // Ink drawn while the page is unknown belongs to the first slide, not to a page that
        // vanishes once the real number arrives.
        m_overlay->setCurrentPage(m_target ? std::max(current, 1) : current);
    });
    connect(m_overlay.get(), &AnnotationOverlay::pageChanged, this,
            [this](int page) { m_panel->setPageStatus(page, m_overlay->strokeCount(page)); });
    connect(m_overlay.get(), &AnnotationOverlay::pageChanged, m_archive.get(),
            &InkArchive::pageShown);
    connect(m_overlay.get(), &AnnotationOverlay::inkEdited, m_archive.get(),
            &InkArchive::inkEdited);
    connect(m_overlay.get(), &AnnotationOverlay::strokesChanged, m_panel.get(),
            &AnnotPanel::setPageStatus);
    connect(m_bottomBar.get(), &BottomBar::prevClicked, this,
            [this] { m_controller->prevSlide(); });
    connect(m_bottomBar.get(), &BottomBar::nextClicked, this,
            [this] { m_controller->nextSlide(); });
    connect(m_bottomBar.get(), &BottomBar::endClicked, this, [this] { m_controller->endShow(); });
    connect(m_bottomBar.get(), &BottomBar::minimizeClicked, this,
            [this] { m_controller->minimizeShow(); });
    m_toolBar->setPenColor(Palette::kInitialPen);
    m_overlay->setColor(Palette::kInitialPen);
    connect(m_toolBar.get(), &FloatToolBar::annotateToggled, this, &TrayMode::onAnnotateToggled);
    connect(m_toolBar.get(), &FloatToolBar::expandToggled, this, &TrayMode::onExpandToggled);
    connect(m_panel.get(), &AnnotPanel::toolChanged, m_overlay.get(), &AnnotationOverlay::setTool);
    // The overlay lifts itself over everything when it changes; the bars go back on top at once,
    // not at the next stacking tick, or the next tap meant for them lands on the overlay.
    connect(m_overlay.get(), &AnnotationOverlay::raisedItself, this, &TrayMode::stackingTick);
    connect(m_panel.get(), &AnnotPanel::colorChanged, this, [this](const QColor &color) {
        m_overlay->setColor(color);
        m_toolBar->setPenColor(color);
    });
    connect(m_panel.get(), &AnnotPanel::widthChanged, m_overlay.get(),
            &AnnotationOverlay::setWidthLevel);
    connect(m_panel.get(), &AnnotPanel::clearRequested, m_overlay.get(), &AnnotationOverlay::clear);
    connect(m_panel.get(), &AnnotPanel::undoRequested, m_overlay.get(), &AnnotationOverlay::undo);
    connect(m_overlay.get(), &AnnotationOverlay::activity, m_toolBar.get(),
            &FloatToolBar::resetIdle);
    connect(m_panel.get(), &AnnotPanel::activity, m_toolBar.get(), &FloatToolBar::resetIdle);

    win::installGlobalMouseHook([this](int x, int y) { leftPress(x, y); });
    // Where nothing reports the show's position, its own keys tell where it went.
    win::installGlobalKeyHook([this](win::Key key) { m_controller->followKey(key); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [] {
        win::uninstallGlobalMouseHook();
        win::uninstallGlobalKeyHook();
    });

    if (withTray) {
        m_tray = std::make_unique<TrayMenu>([this] { toggleControls(); }, [this] { redetect(); });
        connect(
            m_archive.get(), &InkArchive::message, this,
            [this](const QString &text, const QString &folder) { m_tray->notify(text, folder); });
        // Without a tray host the grip is the only way to the menu.
        connect(m_toolBar.get(), &FloatToolBar::menuRequested, this,
                [this](const QPoint &at) { m_tray->menu()->popup(at); });
    }
}

TrayMode::~TrayMode()
{
    // Quitting leaves the page shown too; the archive's writer waits for its picture.
    m_archive->endShow();
    m_tray.reset();
    m_stackingTimer.reset();
    m_trackingTimer.reset();
    QCoreApplication::instance()->removeNativeEventFilter(m_guard.get());
    win::uninstallGlobalMouseHook();
    win::uninstallGlobalKeyHook();
}

QSet<win::Handle> TrayMode::ownWindows() const
{
    return {handleOf(m_toolBar.get()), handleOf(m_bottomBar.get()), handleOf(m_overlay.get()),
            handleOf(m_panel.get())};
}

void TrayMode::trackingTick()
{
    if (m_target && win::isWindowValid(m_target) && SlideFinder::stillValid(m_target))
        return;
    const win::Handle w = SlideFinder::find(ownWindows()).handle;
    if (w && w != m_target)
        attach(w);
    else if (!w && m_target)
        detach();
}

void TrayMode::attach(win::Handle w)
{
    // Before the program's windows cover the show, so that pictures of it can still be taken.
    win::prepareCapture(w);
    m_archive->endShow();
    m_target = w;
    // The overlay mirrors the controller's page; the reset below would leave it on page 0.
    const int page = std::max(m_overlay->currentPage(), 1);
    m_controller->setTarget(w);
    m_overlay->resetAll();
    m_panel->setPageStatus(0, 0);
    const QRect rect = win::monitorRect(w);
    m_overlay->attachTo(rect);
    m_archive->beginShow(w, rect);
    m_overlay->setCurrentPage(page);
    m_overlay->setOverlayActive(true);
    m_bottomBar->setScreenRect(rect);
    m_toolBar->setHasTarget(true);
    m_bottomBar->setHasTarget(true);
    stackingTick();
}

void TrayMode::detach()
{
    m_archive->endShow();
    m_target = nullptr;
    m_controller->setTarget(nullptr);
    m_toolBar->setAnnotating(false);
    m_toolBar->setExpanded(false);
    m_panel->setVisible(false);
    m_overlay->resetAll();
    m_panel->setPageStatus(0, 0);
    m_overlay->setAnnotating(false);
    m_overlay->setOverlayActive(false);
    m_toolBar->setHasTarget(false);
    m_bottomBar->setHasTarget(false);
}

void TrayMode::stackingTick()
{
    // Each visible window goes just above the one below it, starting from the show (or from the
    // top without one). A raise also makes a window top-most; hidden windows hold no place.
    win::Handle anchor = m_controller->target();
    for (const QWidget *w :
         {static_cast<QWidget *>(m_overlay.get()), static_cast<QWidget *>(m_panel.get()),
          static_cast<QWidget *>(m_bottomBar.get()), static_cast<QWidget *>(m_toolBar.get())}) {
        if (!w->isVisible())
            continue;
        win::raiseAbove(handleOf(w), anchor);
        anchor = handleOf(w);
    }
}

void TrayMode::leftPress(int x, int y)
{
    const QPoint p = win::mouseHookToLogical(x, y);
    // Presses on the program's own windows (bars, panel, menus, boxes) are theirs; the overlay
    // counts as the show.
    for (const QWidget *w : QApplication::topLevelWidgets()) {
        if (w != m_overlay.get() && w->isVisible() && w->geometry().contains(p))
            return;
    }
    if (m_panel->isVisible())
        m_toolBar->setExpanded(false);
    // A click that passes through to the show moves it on, as the show itself does.
    const bool passesThrough = !m_overlay->isOverlayActive() || !m_overlay->isAnnotating() ||
                               m_overlay->tool() == AnnotationOverlay::Pointer;
    if (m_target && passesThrough && win::windowRect(m_target).contains(p))
        m_controller->followClick();
}

void TrayMode::applyPanelRule()
{
    if (!m_overlay->isAnnotating()) {
        m_panel->setVisible(false);
        return;
    }
    const bool expanded = m_toolBar->isExpanded();
    m_panel->setVisible(expanded);
    if (expanded) {
        m_toolBar->placeCompanion();
        m_toolBar->resetIdle();
    }
}

void TrayMode::onAnnotateToggled(bool on)
{
    m_overlay->setAnnotating(on);
    if (on) {
        m_panel->syncTool(AnnotationOverlay::Pen);
    } else {
        m_toolBar->setExpanded(false);
        m_panel->syncTool(AnnotationOverlay::Pointer);
    }
    applyPanelRule();
}

void TrayMode::onExpandToggled(bool on)
{
    if (on && !m_overlay->isAnnotating())
        m_toolBar->setAnnotating(true);
    applyPanelRule();
}

void TrayMode::toggleControls()
{
    m_controlsVisible = !m_controlsVisible;
    m_toolBar->setUserVisible(m_controlsVisible);
    m_bottomBar->setUserVisible(m_controlsVisible);
    if (m_controlsVisible) {
        m_toolBar->applyNativeStyles();
        m_bottomBar->applyNativeStyles();
        if (m_target)
            m_overlay->setOverlayActive(true);
        if (m_overlay->isAnnotating() && m_toolBar->isExpanded())
            m_panel->setVisible(true);
    } else {
        m_toolBar->setAnnotating(false);
        m_toolBar->setExpanded(false);
        m_overlay->setAnnotating(false);
        m_panel->setVisible(false);
        m_overlay->setOverlayActive(false);
    }
}

void TrayMode::redetect()
{
    const win::Handle previous = m_target;
    m_target = nullptr;
    trackingTick();
    // Finding nothing is a lost target, or the controls would stay over whatever is left.
    if (previous && !m_target)
        detach();
    if (m_tray)
        m_tray->notify(SlideFinder::describe(SlideFinder::find({})));
}

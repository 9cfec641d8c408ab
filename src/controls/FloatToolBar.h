// The floating toolbar: a draggable card docked to a screen edge with the annotation and pen-menu
// switches; it keeps its companion, the annotation panel, beside itself. Leaves out what the
// switches and the grip's menu do, which the owner connects to the signals.
#pragma once

#include "controls/DockGeometry.h"
#include "controls/IconPainter.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

class IdleFade;
class QBoxLayout;
class QPropertyAnimation;
class QTimer;
class TouchButton;

class FloatToolBar : public QWidget
{
    Q_OBJECT

public:
    using Side = Dock::Side;
    // How long the grip must be held still to open the menu.
    static constexpr int kLongPressMs = 600;

    explicit FloatToolBar(QWidget *parent = nullptr);

    void setHasTarget(bool on);
    void setUserVisible(bool on);
    void setAnnotating(bool on);
    void setExpanded(bool on);
    bool isExpanded() const;
    void setPenColor(const QColor &color);
    // The companion is placed beside the bar and hidden with it; its fade follows fadeChanged.
    void setCompanion(QWidget *companion);
    void dockTo(Side side);
    void applyNativeStyles();
    void resetIdle();
    void fadeTo(double x);
    // Puts a live companion beside the bar.
    void placeCompanion();

    Side side() const { return m_side; }
    bool isCollapsed() const { return m_collapsed; }
    double fade() const;

signals:
    void annotateToggled(bool on);
    void expandToggled(bool on);
    // Every step of the idle fade, for the companion.
    void fadeChanged(double fade);
    // A right-click or a long press on the grip: the menu belongs at globalPos.
    void menuRequested(QPoint globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TouchButton *addSwitch(Icons::Id icon, const QColor &accent, const QString &toolTip);
    QRect screenGeom() const;
    void setCollapsed(bool collapsed);
    void relayout();
    // Docks to the current side of the given screen, measured before any change of size.
    void applyDock(bool animate, const QRect &screen);
    void updateVisibility();
    void beginPress(const QPointF &globalPos);
    // Follows the pointer once it has travelled far enough; true while the press is a drag.
    bool dragTo(const QPointF &globalPos);
    // Ends a drag by docking to the nearest edge; false when the press was no drag.
    bool finishDrag();
    // The grip's events: press, long press and right-click; true when the grip must not see it.
    bool gripEvent(QEvent *event);

    QBoxLayout *m_layout = nullptr;
    TouchButton *m_grip = nullptr;
    TouchButton *m_annotate = nullptr;
    TouchButton *m_expand = nullptr;
    QPointer<QWidget> m_companion;
    Side m_side = Dock::Right;
    bool m_collapsed = false;
    bool m_hasTarget = false;
    bool m_userVisible = true;
    bool m_pressed = false;
    bool m_dragged = false;
    // The press turned into a menu request: no drag, no click until the next press.
    bool m_menuShown = false;
    QPoint m_pressPoint;
    QPoint m_pressPos;
    IdleFade *m_fader;
    QTimer *m_longPress;
    QPointer<QPropertyAnimation> m_dockAnimation;
};

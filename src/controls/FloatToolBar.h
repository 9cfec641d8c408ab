// The floating toolbar: a draggable card docked to a screen edge with the annotation and pen-menu
// switches; it keeps its companion, the annotation panel, beside itself.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

class IdleFade;
class QBoxLayout;
class QPropertyAnimation;
class TouchButton;

class FloatToolBar : public QWidget
{
    Q_OBJECT

public:
    enum Side { Left = 0, Right = 1, Bottom = 2 };
    Q_ENUM(Side)

    explicit FloatToolBar(QWidget *parent = nullptr);

    void setHasTarget(bool on);
    void setUserVisible(bool on);
    void setAnnotating(bool on);
    void setExpanded(bool on);
    bool isExpanded() const;
    void setPenColor(const QColor &color);
    void setCompanion(QWidget *companion);
    void dockTo(Side side);
    void applyNativeStyles();
    // The bar's size for the current side, folded or not.
    QSize contentSize(bool collapsed) const;
    QRect screenGeom() const;
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
    void userActivity();
    void menuRequested(const QPoint &globalPos);

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
    TouchButton *addSwitch(const QString &icon, const QColor &accent, const QString &toolTip);
    void applyFade();
    void setCollapsed(bool collapsed);
    void relayout();
    // Docks to the current side of the given screen, measured before any change of size.
    void applyDock(bool animate, const QRect &screen);
    void updateVisibility();
    void positionCompanion();
    void beginPress(const QPointF &globalPos);
    // Follows the pointer once it has travelled far enough; true while the press is a drag.
    bool dragTo(const QPointF &globalPos);
    // Ends a drag by docking to the nearest edge; false when the press was no drag.
    bool finishDrag();

    QBoxLayout *m_layout = nullptr;
    TouchButton *m_grip = nullptr;
    TouchButton *m_annotate = nullptr;
    TouchButton *m_expand = nullptr;
    QPointer<QWidget> m_companion;
    Side m_side = Right;
    bool m_collapsed = false;
    bool m_hasTarget = false;
    bool m_userVisible = true;
    bool m_pressed = false;
    bool m_dragged = false;
    QPoint m_pressPoint;
    QPoint m_pressPos;
    IdleFade *m_fader;
    QPointer<QPropertyAnimation> m_dockAnimation;
};

// The bottom bar: show controls in one lower corner, navigation and page counter in the other.
// Leaves out what the buttons do to the show, which the owner connects to the signals.
#pragma once

#include "controls/IconPainter.h"

#include <QRect>
#include <QWidget>

#include <functional>

class BarGroup;
class IdleFade;
class PageLabel;
class QHBoxLayout;
class TouchButton;

class BottomBar : public QWidget
{
    Q_OBJECT

public:
    explicit BottomBar(QWidget *parent = nullptr);

    void setScreenRect(const QRect &rect);
    void setHasTarget(bool on);
    void setUserVisible(bool on);
    void setPageText(const QString &text);
    void applyNativeStyles();
    void resetIdle();
    void fadeTo(double x);

    double fade() const;
    QString pageText() const;

signals:
    void prevClicked();
    void nextClicked();
    void endClicked();
    void minimizeClicked();

protected:
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    BarGroup *addGroup();
    TouchButton *addButton(BarGroup *group, Icons::Id icon, const QString &toolTip,
                           const std::function<void()> &action);
    void swapGroups();
    void applyGeometry();
    void applyGroupOrder();
    void updateVisibility();
    void updateShape();

    QHBoxLayout *m_layout = nullptr;
    BarGroup *m_leftGroup = nullptr;
    BarGroup *m_rightGroup = nullptr;
    PageLabel *m_pageLabel = nullptr;
    QRect m_screenRect;
    bool m_hasTarget = false;
    bool m_userVisible = true;
    bool m_swapped = false;
    IdleFade *m_fader;
};

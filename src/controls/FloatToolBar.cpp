// Layout, folding, docking, visibility, fading and companion placement of the floating toolbar.
#include "controls/FloatToolBar.h"

#include "controls/BarChrome.h"
#include "controls/IdleFade.h"
#include "controls/TouchButton.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

namespace
{

constexpr int kDockMs = 220;
const QRect kFallbackScreen(QPoint(0, 0), QPoint(1919, 1079));
} // namespace

FloatToolBar::FloatToolBar(QWidget *parent)
    : QWidget(parent), m_fader(new IdleFade(this)), m_longPress(new QTimer(this))
{
    BarChrome::initFloatingWindow(this, QStringLiteral("Podivex"));

    m_layout = new QBoxLayout(QBoxLayout::TopToBottom, this);
    m_grip = new TouchButton(Icons::Id::Grip, this);
    m_grip->setToolTip(QStringLiteral("拖动可停靠到左/右/底边，单击折叠"));
    m_grip->installEventFilter(this);
    // A drag swallows its release, so only a plain click arrives here.
    connect(m_grip, &QAbstractButton::clicked, this, [this] {
        const QRect screen = screenGeom();
        setCollapsed(!m_collapsed);
        applyDock(true, screen);
    });
    m_layout->addWidget(m_grip);
    m_annotate = addSwitch(Icons::Id::Annotate, Palette::kInitialPen,
                           QStringLiteral("批注开关（开启后即可书写）"));
    connect(m_annotate, &QAbstractButton::toggled, this, &FloatToolBar::annotateToggled);
    m_expand = addSwitch(Icons::Id::Expand, Palette::kAccent, QStringLiteral("展开 / 收起 笔菜单"));
    connect(m_expand, &QAbstractButton::toggled, this, &FloatToolBar::expandToggled);

    m_longPress->setSingleShot(true);
    m_longPress->setInterval(kLongPressMs);
    connect(m_longPress, &QTimer::timeout, this, [this] {
        m_pressed = false;
        m_menuShown = true;
        m_grip->setDown(false); // the release will not reach it as a click
        emit menuRequested(m_pressPoint);
    });
    connect(m_fader, &IdleFade::changed, this, [this](double fade) {
        update();
        emit fadeChanged(fade);
    });
    relayout();
    applyDock(true, screenGeom());
    m_fader->fadeTo(1.0);
    m_fader->restartIdle();
}

TouchButton *FloatToolBar::addSwitch(Icons::Id icon, const QColor &accent, const QString &toolTip)
{
    auto *button = new TouchButton(icon, this);
    button->setCheckable(true);
    button->setAccent(accent);
    button->setPixelSize(72);
    button->setToolTip(toolTip);
    connect(button, &QAbstractButton::clicked, this, &FloatToolBar::resetIdle);
    m_layout->addWidget(button);
    return button;
}

void FloatToolBar::setHasTarget(bool on)
{
    if (on != m_hasTarget) {
        m_hasTarget = on;
        update();
    }
    updateVisibility();
}

void FloatToolBar::setUserVisible(bool on)
{
    m_userVisible = on;
    updateVisibility();
}

void FloatToolBar::setAnnotating(bool on)
{
    if (m_annotate->isChecked() != on)
        m_annotate->setChecked(on);
}

void FloatToolBar::setExpanded(bool on)
{
    if (m_expand->isChecked() != on)
        m_expand->setChecked(on);
}

bool FloatToolBar::isExpanded() const
{
    return m_expand->isChecked();
}

void FloatToolBar::setPenColor(const QColor &color)
{
    m_annotate->setAccent(color);
}

void FloatToolBar::setCompanion(QWidget *companion)
{
    m_companion = companion;
    placeCompanion();
}

void FloatToolBar::dockTo(Side side)
{
    const QRect screen = screenGeom();
    m_side = side;
    relayout();
    applyDock(true, screen);
}

void FloatToolBar::applyNativeStyles()
{
    BarChrome::applyNativeStyles(this);
}

QRect FloatToolBar::screenGeom() const
{
    if (const QScreen *s = screen())
        return s->geometry();
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        return primary->geometry();
    return kFallbackScreen;
}

double FloatToolBar::fade() const
{
    return m_fader->fade();
}

void FloatToolBar::resetIdle()
{
    m_fader->resetIdle();
}

void FloatToolBar::fadeTo(double x)
{
    m_fader->fadeTo(x);
}

void FloatToolBar::setCollapsed(bool collapsed)
{
    m_collapsed = collapsed;
    for (TouchButton *button : findChildren<TouchButton *>(Qt::FindDirectChildrenOnly)) {
        if (button != m_grip)
            button->setVisible(!collapsed);
    }
    const bool across = m_side == Dock::Bottom;
    QSize grip;
    if (collapsed) {
        m_layout->setDirection(QBoxLayout::TopToBottom);
        m_layout->setContentsMargins(10, 10, 10, 10);
        m_layout->setSpacing(0);
        grip = QSize(36, 120);
    } else {
        m_layout->setDirection(across ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
        m_layout->setContentsMargins(16, 16, 16, 16);
        m_layout->setSpacing(14);
        grip = QSize(72, 28);
    }
    m_grip->setFixedSize(across ? grip.transposed() : grip);
    setFixedSize(Dock::barSize(m_side, collapsed));
    update();
}

void FloatToolBar::relayout()
{
    m_layout->setDirection(m_side == Dock::Bottom ? QBoxLayout::LeftToRight
                                                  : QBoxLayout::TopToBottom);
    setCollapsed(m_collapsed);
}

void FloatToolBar::applyDock(bool animate, const QRect &s)
{
    const QRect target = Dock::dockedRect(s, m_side, Dock::barSize(m_side, m_collapsed));
    if (m_dockAnimation)
        m_dockAnimation->stop(); // a newer dock wins over one still under way
    if (animate && isVisible()) {
        m_dockAnimation = new QPropertyAnimation(this, "geometry", this);
        m_dockAnimation->setDuration(kDockMs);
        m_dockAnimation->setEasingCurve(QEasingCurve::OutCubic);
        m_dockAnimation->setStartValue(geometry());
        m_dockAnimation->setEndValue(target);
        m_dockAnimation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        setGeometry(target);
    }
    placeCompanion();
}

void FloatToolBar::updateVisibility()
{
    bool hidden = false;
    if (m_userVisible) {
        if (m_hasTarget == isVisible())
            return;
        setVisible(m_hasTarget);
        if (m_hasTarget) {
            applyNativeStyles();
            m_fader->resetIdle();
            return;
        }
        hidden = true;
    } else if (isVisible()) {
        hide();
        hidden = true;
    }
    if (hidden && m_companion)
        m_companion->hide();
}

void FloatToolBar::placeCompanion()
{
    if (m_companion)
        m_companion->move(
            Dock::companionPos(screenGeom(), geometry(), m_side, m_companion->sizeHint()));
}

void FloatToolBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(m_fader->fade());
    BarChrome::paintCard(p, rect());
    if (!m_hasTarget && !m_collapsed) {
        // A yellow dot: no slide show is being followed.
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::kNoTarget);
        p.drawEllipse(QRect((width() - 1) / 2 - 4, 48, 8, 8));
    }
}

void FloatToolBar::moveEvent(QMoveEvent *event)
{
    placeCompanion();
    QWidget::moveEvent(event);
}

void FloatToolBar::resizeEvent(QResizeEvent *event)
{
    placeCompanion();
    BarChrome::shapeTo(this, BarChrome::cardRegion(rect()));
    QWidget::resizeEvent(event);
}

void FloatToolBar::showEvent(QShowEvent *event)
{
    BarChrome::shapeTo(this, BarChrome::cardRegion(rect()));
    QWidget::showEvent(event);
}

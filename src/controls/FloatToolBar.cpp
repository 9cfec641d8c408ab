// Docking, dragging, folding, fading and companion placement of the floating toolbar.
#include "controls/FloatToolBar.h"

#include "controls/BarChrome.h"
#include "controls/IdleFade.h"
#include "controls/TouchButton.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

#include <climits>
#include <cstdlib>

namespace
{

constexpr int kDragThreshold = 7;
constexpr int kDockInset = 8;
constexpr int kDockClamp = 2;
constexpr int kCompanionGap = 12;
constexpr int kCompanionInset = 4;
constexpr int kDockMs = 220;
const QRect kFallbackScreen(QPoint(0, 0), QPoint(1919, 1079));

// A global pointer position rounded to whole pixels, clamped to the integer range.
QPoint roundedPoint(const QPointF &p)
{
    auto round = [](qreal v) {
        return int(qBound<qreal>(INT_MIN, qRound64(qBound<qreal>(-4e18, v, 4e18)), INT_MAX));
    };
    return QPoint(round(p.x()), round(p.y()));
}

int clampInto(qint64 v, qint64 low, qint64 high)
{
    return int(low < high ? qBound(low, v, high) : low);
}

} // namespace

FloatToolBar::FloatToolBar(QWidget *parent) : QWidget(parent), m_fader(new IdleFade(this))
{
    BarChrome::initFloatingWindow(this, QStringLiteral("Podivex"));

    m_layout = new QBoxLayout(QBoxLayout::TopToBottom, this);
    m_grip = new TouchButton(QStringLiteral("grip"), this);
    m_grip->setToolTip(QStringLiteral("拖动可停靠到左/右/底边，单击折叠"));
    m_grip->installEventFilter(this);
    // A drag swallows its release, so only a plain click arrives here.
    connect(m_grip, &QAbstractButton::clicked, this, [this] {
        const QRect screen = screenGeom();
        setCollapsed(!m_collapsed);
        applyDock(true, screen);
    });
    m_layout->addWidget(m_grip);
    m_annotate = addSwitch(QStringLiteral("annotate"), QColor(255, 59, 48),
                           QStringLiteral("批注开关（开启后即可书写）"));
    connect(m_annotate, &QAbstractButton::toggled, this, &FloatToolBar::annotateToggled);
    m_expand = addSwitch(QStringLiteral("expand"), QColor(76, 154, 255),
                         QStringLiteral("展开 / 收起 笔菜单"));
    connect(m_expand, &QAbstractButton::toggled, this, &FloatToolBar::expandToggled);

    connect(m_fader, &IdleFade::changed, this, [this] { applyFade(); });
    relayout();
    applyDock(true, screenGeom());
    m_fader->fadeTo(1.0);
    m_fader->restartIdle();
}

TouchButton *FloatToolBar::addSwitch(const QString &icon, const QColor &accent,
                                     const QString &toolTip)
{
    auto *button = new TouchButton(icon, this);
    button->setCheckable(true);
    button->setAccent(accent);
    button->setPixelSize(72);
    button->setToolTip(toolTip);
    connect(button, &QAbstractButton::clicked, this, [this] {
        resetIdle();
        emit userActivity();
    });
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

QSize FloatToolBar::contentSize(bool collapsed) const
{
    const QSize upright = collapsed ? QSize(56, 140) : QSize(104, 232);
    return m_side == Bottom ? upright.transposed() : upright;
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

void FloatToolBar::applyFade()
{
    const double fade = m_fader->fade();
    for (TouchButton *button : findChildren<TouchButton *>(Qt::FindDirectChildrenOnly))
        button->setFade(fade);
    if (m_companion) {
        const QMetaObject *meta = m_companion->metaObject();
        const int index = meta->indexOfMethod("setFade(double)");
        if (index >= 0)
            meta->method(index).invoke(m_companion, Qt::DirectConnection, Q_ARG(double, fade));
    }
    update();
}

void FloatToolBar::setCollapsed(bool collapsed)
{
    m_collapsed = collapsed;
    for (TouchButton *button : findChildren<TouchButton *>(Qt::FindDirectChildrenOnly)) {
        if (button != m_grip)
            button->setVisible(!collapsed);
    }
    const bool across = m_side == Bottom;
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
    setFixedSize(contentSize(collapsed));
    update();
}

void FloatToolBar::relayout()
{
    m_layout->setDirection(m_side == Bottom ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    setCollapsed(m_collapsed);
}

void FloatToolBar::applyDock(bool animate, const QRect &s)
{
    const QSize size = contentSize(m_collapsed);
    const qint64 w = size.width(), h = size.height();
    const qint64 left = s.left(), top = s.top(), right = s.right(), bottom = s.bottom();
    qint64 x = 0, y = 0;
    switch (m_side) {
    case Left:
        x = left + kDockInset;
        y = (top + bottom) / 2 - h / 2;
        break;
    case Right:
        x = right - w - kDockInset;
        y = (top + bottom) / 2 - h / 2;
        break;
    case Bottom:
        x = (left + right) / 2 - w / 2;
        y = bottom - h - kDockInset;
        break;
    }
    x = qMax(qMin(x, right - w - kDockClamp), left + kDockClamp);
    y = qMax(qMin(y, bottom - h - kDockClamp), top + kDockClamp);
    const QRect target(int(x), int(y), size.width(), size.height());

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
        positionCompanion();
}

void FloatToolBar::positionCompanion()
{
    const QSize p = m_companion->sizeHint();
    const QRect s = screenGeom();
    const qint64 minX = s.left() + kCompanionInset, minY = s.top() + kCompanionInset;
    const qint64 maxX = qint64(s.right()) - p.width() - kCompanionInset;
    const qint64 maxY = qint64(s.bottom()) - p.height() - kCompanionInset;
    const QRect bar = geometry();
    qint64 x = bar.x(), y = bar.y();
    switch (m_side) {
    case Right:
        x = qint64(bar.x()) - p.width() - kCompanionGap;
        break;
    case Bottom:
        y = qint64(bar.y()) - p.height() - kCompanionGap;
        break;
    case Left:
        x = qint64(bar.x()) + bar.width() + kCompanionGap;
        break;
    }
    m_companion->move(clampInto(x, minX, maxX), clampInto(y, minY, maxY));
}

void FloatToolBar::beginPress(const QPointF &globalPos)
{
    if (m_dockAnimation)
        m_dockAnimation->stop(); // the pointer takes over from a dock still under way
    m_pressed = true;
    m_dragged = false;
    m_pressPoint = roundedPoint(globalPos);
    m_pressPos = pos();
    m_fader->resetIdle();
}

bool FloatToolBar::dragTo(const QPointF &globalPos)
{
    const QPoint delta = roundedPoint(globalPos) - m_pressPoint;
    if (!m_dragged && std::abs(delta.x()) + std::abs(delta.y()) < kDragThreshold)
        return false;
    m_dragged = true;
    move(m_pressPos + delta);
    return true;
}

bool FloatToolBar::finishDrag()
{
    const bool dragged = m_dragged;
    m_pressed = false;
    m_dragged = false;
    if (!dragged)
        return false;
    const QRect r = geometry();
    // The screen is taken before the new size can push the bar's centre onto a neighbour.
    const QRect s = screenGeom();
    const qint64 cx = (qint64(r.left()) + r.right()) / 2;
    const qint64 cy = (qint64(r.top()) + r.bottom()) / 2;
    const qint64 dLeft = cx - s.left(), dRight = s.right() - cx, dBottom = s.bottom() - cy;
    if (dBottom < qMin(dLeft, dRight))
        m_side = Bottom;
    else
        m_side = dLeft >= dRight ? Right : Left; // a tie goes right
    relayout();
    applyDock(true, s);
    m_fader->resetIdle();
    return true;
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
        p.setBrush(QColor(255, 214, 0, 220));
        p.drawEllipse(QRect((width() - 1) / 2 - 4, 48, 8, 8));
    }
}

void FloatToolBar::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    beginPress(event->globalPosition());
    event->accept();
}

void FloatToolBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    dragTo(event->globalPosition());
    event->accept();
}

void FloatToolBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (finishDrag()) {
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
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

bool FloatToolBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_grip)
        return QWidget::eventFilter(watched, event);
    const auto globalPos = [event] { return static_cast<QMouseEvent *>(event)->globalPosition(); };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        beginPress(globalPos());
        return false; // the grip still shows its pressed look
    case QEvent::MouseMove:
        return m_pressed && dragTo(globalPos());
    case QEvent::MouseButtonRelease:
        if (!finishDrag())
            return false;       // the grip's click folds or unfolds the bar
        m_grip->setDown(false); // the swallowed release would leave it looking pressed
        return true;
    default:
        return false;
    }
}

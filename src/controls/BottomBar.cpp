// The bottom bar's layout, geometry, visibility and idle fade.
#include "controls/BottomBar.h"

#include "controls/BarChrome.h"
#include "controls/BarGroup.h"
#include "controls/IdleFade.h"
#include "controls/PageLabel.h"
#include "controls/TouchButton.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>

namespace
{

constexpr int kButtonSize = 72;
constexpr int kOuterMargin = 16;
constexpr int kSpacing = 14;
const QString kSwapTip = QStringLiteral("切换：交换左下/右下两组的位置");

} // namespace

BottomBar::BottomBar(QWidget *parent) : QWidget(parent), m_fader(new IdleFade(this))
{
    BarChrome::initFloatingWindow(this, QStringLiteral("Podivex-BottomBar"));
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        m_screenRect = primary->geometry();
    buildUi();
    applyGroupOrder();
    applyGeometry();
    m_fader->fadeTo(1.0);
    m_fader->restartIdle();
}

void BottomBar::buildUi()
{
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(kOuterMargin, kOuterMargin, kOuterMargin, kOuterMargin);
    m_layout->setSpacing(kSpacing);

    m_leftGroup = addGroup();
    addButton(m_leftGroup, Icons::Id::Power, QStringLiteral("关闭放映"), [this] {
        emit endClicked();
    })->setAccent(Palette::kDanger);
    addButton(m_leftGroup, Icons::Id::Minimize, QStringLiteral("最小化放映窗口"),
              [this] { emit minimizeClicked(); });
    addButton(m_leftGroup, Icons::Id::Swap, kSwapTip, [this] { swapGroups(); });

    m_rightGroup = addGroup();
    addButton(m_rightGroup, Icons::Id::Prev, QStringLiteral("上一页"),
              [this] { emit prevClicked(); });
    m_pageLabel = new PageLabel(m_rightGroup);
    m_rightGroup->row()->addWidget(m_pageLabel);
    addButton(m_rightGroup, Icons::Id::Next, QStringLiteral("下一页"),
              [this] { emit nextClicked(); });
    addButton(m_rightGroup, Icons::Id::Swap, kSwapTip, [this] { swapGroups(); });
}

BarGroup *BottomBar::addGroup()
{
    auto *group = new BarGroup(this);
    group->installEventFilter(this); // its moves and resizes reshape the window
    return group;
}

TouchButton *BottomBar::addButton(BarGroup *group, Icons::Id icon, const QString &toolTip,
                                  const std::function<void()> &action)
{
    auto *button = new TouchButton(icon, group);
    button->setPixelSize(kButtonSize);
    button->setToolTip(toolTip);
    connect(button, &QAbstractButton::clicked, this, [this, action] {
        resetIdle();
        action();
    });
    group->row()->addWidget(button);
    return button;
}

void BottomBar::setScreenRect(const QRect &rect)
{
    if (rect == m_screenRect)
        return;
    m_screenRect = rect;
    applyGeometry();
}

void BottomBar::setHasTarget(bool on)
{
    if (on == m_hasTarget)
        return;
    m_hasTarget = on;
    updateVisibility();
}

void BottomBar::setUserVisible(bool on)
{
    if (on == m_userVisible)
        return;
    m_userVisible = on;
    updateVisibility();
}

void BottomBar::setPageText(const QString &text)
{
    if (!m_pageLabel)
        return;
    QString spaced = text;
    m_pageLabel->setText(spaced.replace(QLatin1Char('/'), QStringLiteral(" / ")));
}

QString BottomBar::pageText() const
{
    return m_pageLabel ? m_pageLabel->text() : QString();
}

double BottomBar::fade() const
{
    return m_fader->fade();
}

void BottomBar::applyNativeStyles()
{
    BarChrome::applyNativeStyles(this);
}

void BottomBar::resetIdle()
{
    m_fader->resetIdle();
}

void BottomBar::fadeTo(double x)
{
    m_fader->fadeTo(x);
}

void BottomBar::swapGroups()
{
    m_swapped = !m_swapped;
    applyGroupOrder();
    m_fader->resetIdle();
}

void BottomBar::applyGeometry()
{
    // Full width, 124 high, ending 9 pixels above the bottom row of the screen.
    const QRect &s = m_screenRect;
    setGeometry(QRect(QPoint(s.left(), s.bottom() - 132), QPoint(s.right(), s.bottom() - 9)));
}

void BottomBar::applyGroupOrder()
{
    while (QLayoutItem *item = m_layout->takeAt(0)) {
        if (QWidget *w = item->widget())
            w->hide();
        delete item;
    }
    BarGroup *first = m_swapped ? m_rightGroup : m_leftGroup;
    BarGroup *second = m_swapped ? m_leftGroup : m_rightGroup;
    m_layout->addWidget(first, 0, Qt::AlignLeft | Qt::AlignVCenter);
    m_layout->addStretch(1);
    m_layout->addWidget(second, 0, Qt::AlignRight | Qt::AlignVCenter);
    first->show();
    second->show();
    updateGeometry();
}

void BottomBar::updateVisibility()
{
    const bool wanted = m_userVisible && m_hasTarget;
    if (wanted == isVisible())
        return;
    setVisible(wanted);
    if (!wanted)
        return;
    applyGeometry();
    m_fader->resetIdle();
}

void BottomBar::updateShape()
{
    QRegion cards;
    for (const BarGroup *group : {m_leftGroup, m_rightGroup}) {
        if (group && !group->isHidden())
            cards += BarChrome::cardRegion(group->geometry());
    }
    BarChrome::shapeTo(this, cards);
}

void BottomBar::moveEvent(QMoveEvent *event)
{
    update();
    QWidget::moveEvent(event);
}

void BottomBar::showEvent(QShowEvent *event)
{
    updateShape();
    QWidget::showEvent(event);
}

bool BottomBar::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        updateShape();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

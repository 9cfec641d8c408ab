// The bottom bar's layout, geometry, visibility and idle fade.
#include "controls/BottomBar.h"

#include "controls/BarChrome.h"
#include "controls/IdleFade.h"
#include "controls/TouchButton.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace
{

constexpr int kButtonSize = 72;
constexpr int kOuterMargin = 16;
constexpr int kGroupMargin = 10;
constexpr int kSpacing = 14;
const QString kSwapTip = QStringLiteral("切换：交换左下/右下两组的位置");

} // namespace

BarGroup::BarGroup(QWidget *parent) : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    m_layout->setSpacing(kSpacing);
}

void BarGroup::setFade(double fade)
{
    if (fade == m_fade)
        return;
    m_fade = fade;
    update();
}

void BarGroup::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(m_fade);
    BarChrome::paintCard(p, rect());
}

PageLabel::PageLabel(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void PageLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void PageLabel::setFade(double fade)
{
    if (fade == m_fade)
        return;
    m_fade = fade;
    update();
}

QSize PageLabel::sizeHint() const
{
    return QSize(m_size, m_size);
}

int PageLabel::textPixelSize(int length)
{
    if (length < 8)
        return 22;
    return length <= 9 ? 18 : 15;
}

void PageLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(m_fade);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 20));
    p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 16, 16);
    QFont font = p.font();
    font.setPixelSize(textPixelSize(int(m_text.size())));
    font.setWeight(QFont::Bold);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, m_text);
}

BottomBar::BottomBar(QWidget *parent) : QWidget(parent), m_fader(new IdleFade(this))
{
    BarChrome::initFloatingWindow(this, QStringLiteral("Podivex-BottomBar"));
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        m_screenRect = primary->geometry();
    buildUi();
    connect(m_fader, &IdleFade::changed, this, [this] { applyFade(); });
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
    addButton(m_leftGroup, "power", QStringLiteral("关闭放映"), [this] { emit endClicked(); });
    m_buttons.last()->setAccent(QColor(255, 89, 72));
    addButton(m_leftGroup, "minimize", QStringLiteral("最小化放映窗口"),
              [this] { emit minimizeClicked(); });
    addButton(m_leftGroup, "swap", kSwapTip, [this] { swapGroups(); });

    m_rightGroup = addGroup();
    addButton(m_rightGroup, "prev", QStringLiteral("上一页"), [this] { emit prevClicked(); });
    m_pageLabel = new PageLabel(m_rightGroup);
    m_rightGroup->row()->addWidget(m_pageLabel);
    addButton(m_rightGroup, "next", QStringLiteral("下一页"), [this] { emit nextClicked(); });
    addButton(m_rightGroup, "swap", kSwapTip, [this] { swapGroups(); });
}

BarGroup *BottomBar::addGroup()
{
    auto *group = new BarGroup(this);
    group->installEventFilter(this); // its moves and resizes reshape the window
    return group;
}

void BottomBar::addButton(BarGroup *group, const QString &icon, const QString &toolTip,
                          const std::function<void()> &action)
{
    auto *button = new TouchButton(icon, group);
    button->setPixelSize(kButtonSize);
    button->setToolTip(toolTip);
    m_buttons << button;
    connect(button, &QAbstractButton::clicked, this, [this, action] {
        resetIdle();
        emit userActivity();
        action();
    });
    group->row()->addWidget(button);
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

void BottomBar::applyFade()
{
    const double fade = m_fader->fade();
    for (TouchButton *button : std::as_const(m_buttons))
        button->setFade(fade);
    m_leftGroup->setFade(fade);
    m_rightGroup->setFade(fade);
    m_pageLabel->setFade(fade);
    update();
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

// The card behind a row of buttons.
#include "controls/BarGroup.h"

#include "controls/BarChrome.h"

#include <QHBoxLayout>
#include <QPainter>

namespace
{

constexpr int kGroupMargin = 10;
constexpr int kSpacing = 14;

} // namespace

BarGroup::BarGroup(QWidget *parent) : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    m_layout->setSpacing(kSpacing);
}

void BarGroup::setFade(double fade)
{
    if (storeFade(fade))
        update();
}

void BarGroup::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(fade());
    BarChrome::paintCard(p, rect());
}

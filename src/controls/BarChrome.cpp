// Window setup, card painting and card-shaped masks of the floating bars.
#include "controls/BarChrome.h"

#include "platform/WindowLayer.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace BarChrome
{

void initFloatingWindow(QWidget *window, const QString &title)
{
    window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_NoSystemBackground);
    window->setWindowTitle(title);
}

void applyNativeStyles(QWidget *window)
{
    const win::Handle handle = win::fromWinId(window->winId());
    win::setToolWindow(handle, true);
    win::setNoActivate(handle, true);
    win::setTopMost(handle, true);
}

void paintCard(QPainter &p, const QRectF &rect, const Palette::Card &card)
{
    const QRectF r = rect.adjusted(1, 1, -1, -1);
    p.setPen(Qt::NoPen);
    p.setBrush(card.fill);
    p.drawRoundedRect(r, card.radius, card.radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(card.outline, 1.2));
    p.drawRoundedRect(r, card.radius, card.radius);
}

QRegion cardRegion(const QRect &rect)
{
    // The whole rectangle's rounded outline: the card's antialiased rim stays inside.
    QPainterPath path;
    const qreal radius = Palette::kBarCard.radius;
    path.addRoundedRect(QRectF(rect), radius, radius);
    return QRegion(path.toFillPolygon().toPolygon());
}

void shapeTo(QWidget *window, const QRegion &cards)
{
    if (win::needsShapedWindows())
        window->setMask(cards);
    else if (!window->mask().isEmpty())
        window->clearMask();
}

} // namespace BarChrome

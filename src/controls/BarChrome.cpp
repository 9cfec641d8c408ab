// Window setup, card painting and card-shaped masks of the floating bars.
#include "controls/BarChrome.h"

#include "platform/WindowLayer.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace
{

constexpr qreal kCardRadius = 22;

} // namespace

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
    const win::Handle hwnd = win::fromWinId(window->winId());
    win::setToolWindow(hwnd, true);
    win::setNoActivate(hwnd, true);
    win::setTopMost(hwnd, true);
}

void paintCard(QPainter &p, const QRectF &rect)
{
    const QRectF card = rect.adjusted(1, 1, -1, -1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(18, 18, 22, 200));
    p.drawRoundedRect(card, kCardRadius, kCardRadius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1.2));
    p.drawRoundedRect(card, kCardRadius, kCardRadius);
}

QRegion cardRegion(const QRect &rect)
{
    // The whole rectangle's rounded outline: the card's antialiased rim stays inside.
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), kCardRadius, kCardRadius);
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

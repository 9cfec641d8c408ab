// The screens of the display and the one that holds a window.
#include "platform/x11/ScreensX11.h"

#include <QGuiApplication>
#include <QScreen>

namespace x11
{
namespace
{

QList<QRect> physicalScreens(const Connection &c, bool toolkitScreens, QRect *primary)
{
    QList<QRect> screens;
    if (toolkitScreens) {
        for (const QScreen *screen : QGuiApplication::screens()) {
            const qreal d = screen->devicePixelRatio() > 0 ? screen->devicePixelRatio() : 1.0;
            const QRect g = screen->geometry();
            const QRect device(g.x(), g.y(), qRound(g.width() * d), qRound(g.height() * d));
            screens.append(device);
            if (screen == QGuiApplication::primaryScreen())
                *primary = device;
        }
    }
    if (screens.isEmpty()) {
        *primary = c.rootRect();
        screens.append(*primary);
    }
    return screens;
}

} // namespace

QRect screenOf(const Connection &c, const QRect &frame, bool toolkitScreens)
{
    QRect primary;
    const QList<QRect> screens = physicalScreens(c, toolkitScreens, &primary);
    QRect best = primary;
    qint64 bestArea = 0;
    for (const QRect &screen : screens) {
        const QRect overlap = screen.intersected(frame);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = screen;
        }
    }
    return best;
}

} // namespace x11

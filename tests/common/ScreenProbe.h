// What the X11 suites do to the real screen: xdotool presses and keys, and reading pixels back.
#pragma once

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QProcess>
#include <QScreen>

namespace ScreenProbe
{

inline bool clickAt(const QPoint &at, int button = 1)
{
    return QProcess::execute(QStringLiteral("xdotool"),
                             {QStringLiteral("mousemove"), QString::number(at.x()),
                              QString::number(at.y()), QStringLiteral("click"),
                              QString::number(button)}) == 0;
}

// Keys by their X names ("Next", "Left"), typed into whatever has the focus.
inline bool typeKey(const QString &name)
{
    return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), name}) == 0;
}

inline QImage screenImage()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}

inline QColor screenColour(const QPoint &at)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixelColor(0, 0)
                  : QColor();
}

} // namespace ScreenProbe

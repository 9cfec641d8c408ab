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

inline bool xdotool(const QStringList &args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}
inline bool clickAt(const QPoint &at, int button = 1)
{
    return xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                    QString::number(button)});
}
// Keys by their X names ("Next", "Left"), typed into whatever has the focus.
inline bool typeKey(const QString &name)
{
    return xdotool({"key", name});
}

inline QColor screenColour(const QPoint &at)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixelColor(0, 0)
                  : QColor();
}
// Whether the colours differ by at most `tolerance`, summed over red, green and blue.
inline bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) <=
           tolerance;
}

} // namespace ScreenProbe

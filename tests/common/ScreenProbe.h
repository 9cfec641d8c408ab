// What the X11 suites do to the real screen: xdotool presses and keys, and reading pixels back.
// It leaves out waiting: callers poll with QTRY_*.
#pragma once

#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>

namespace ScreenProbe
{

inline bool clickAt(const QPoint &at, int button = 1)
{
    const QStringList args{"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                           QString::number(button)};
    return QProcess::execute("xdotool", args) == 0;
}
// Keys by their X names ("Next", "Left"), typed into whatever has the focus.
inline bool typeKey(const QString &name)
{
    return QProcess::execute("xdotool", {"key", name}) == 0;
}

inline QColor screenColour(const QPoint &at)
{
    const QPixmap pixel = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1, 1);
    return pixel.toImage().pixelColor(0, 0);
}
// Whether the colours differ by at most `tolerance`, summed over red, green and blue.
inline bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) <=
           tolerance;
}

} // namespace ScreenProbe

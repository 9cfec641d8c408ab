// Offscreen screens of chosen sizes, ratios and scale factors, set up before the application
// exists. Leaves out any other platform.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>

namespace OffscreenScreen
{

struct Screen {
    QRect geometry;
    double dpr = 1.0;
    int percent = 100; // the system's scale factor: 150 % is 144 DPI
};

// Selects the offscreen platform with these screens; the first is the primary.
inline void configure(const QList<Screen> &screens)
{
    QJsonArray list;
    for (const Screen &s : screens) {
        const QRect &r = s.geometry;
        list.append(QJsonObject{{"name", QStringLiteral("Screen%1").arg(list.size())},
                                {"x", r.x()},
                                {"y", r.y()},
                                {"width", r.width()},
                                {"height", r.height()},
                                {"logicalDpi", 96 * s.percent / 100},
                                {"dpr", s.dpr}});
    }
    // In the working folder: the platform splits its arguments at colons, as in "C:\".
    static const QString name =
        QStringLiteral("podivex-offscreen-%1.json").arg(QCoreApplication::applicationPid());
    QFile file(name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(QJsonObject{{"screens", list}}).toJson());
    qAddPostRoutine([] { QFile::remove(name); });
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + name.toUtf8());
}

// A normal screen and a double-density one to its right, so that one process draws at both ratios.
inline QList<Screen> bothRatios()
{
    return {{QRect(0, 0, 3840, 2160), 1.0}, {QRect(3840, 0, 1920, 1080), 2.0}};
}

// A rectangle of the given size on the bothRatios() screen with that ratio (1 or 2).
inline QRect on(int ratio, int width, int height)
{
    return QRect(bothRatios().at(ratio == 2 ? 1 : 0).geometry.topLeft(), QSize(width, height));
}

} // namespace OffscreenScreen

// Writes the offscreen platform's screen configuration and selects it.
#include "OffscreenScreen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace OffscreenScreen
{

void configure(const QList<QRect> &screens, double dpr)
{
    QJsonArray list;
    for (const QRect &r : screens) {
        list.append(QJsonObject{{"name", QStringLiteral("Screen%1").arg(list.size())},
                                {"x", r.x()},
                                {"y", r.y()},
                                {"width", r.width()},
                                {"height", r.height()},
                                {"logicalDpi", 96},
                                {"logicalBaseDpi", 96},
                                {"dpr", dpr}});
    }
    const QString path = QDir::temp().filePath(
        QStringLiteral("podivex-offscreen-%1.json").arg(QCoreApplication::applicationPid()));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(QJsonObject{{"screens", list}}).toJson());
    qputenv("QT_QPA_PLATFORM", QStringLiteral("offscreen:configfile=%1").arg(path).toUtf8());
}

} // namespace OffscreenScreen

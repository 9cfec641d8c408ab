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

void configure(int width, int height, double dpr)
{
    const QJsonObject screen{{"name", "Screen0"},    {"x", 0},           {"y", 0},
                             {"width", width},       {"height", height}, {"logicalDpi", 96},
                             {"logicalBaseDpi", 96}, {"dpr", dpr}};
    const QString path = QDir::temp().filePath(QStringLiteral("podivex-offscreen-%1x%2-%3-%4.json")
                                                   .arg(width)
                                                   .arg(height)
                                                   .arg(dpr)
                                                   .arg(QCoreApplication::applicationPid()));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(QJsonObject{{"screens", QJsonArray{screen}}}).toJson());
    qputenv("QT_QPA_PLATFORM", QStringLiteral("offscreen:configfile=%1").arg(path).toUtf8());
}

} // namespace OffscreenScreen

// Parsing and checking the manifest's fields. Not here: the request, its timeout and its cap.
#include "update/Manifest.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace
{

// JSON numbers are doubles; one outside the 64-bit range reads as no size.
qint64 sizeValue(const QJsonValue &value)
{
    const double d = value.toDouble();
    const bool inRange = d > -9.2e18 && d < 9.2e18;
    return value.toInteger(inRange ? qint64(d) : 0);
}

} // namespace

namespace Manifest
{

bool parse(const QByteArray &body, const QUrl &base, UpdateInfo *info, QString *error)
{
    // A body that does not parse reads as a null document.
    const QJsonDocument doc =
        body.size() > kMaxBytes ? QJsonDocument() : QJsonDocument::fromJson(body);
    if (!doc.isObject()) {
        *error = QStringLiteral("更新清单格式错误");
        return false;
    }
    const QJsonObject o = doc.object();
    info->version = o.value(QLatin1String("version")).toString();
    info->url = o.value(QLatin1String("url")).toString();
    info->sha256 = o.value(QLatin1String("sha256")).toString().toLower();
    info->size = sizeValue(o.value(QLatin1String("size")));
    info->min = o.value(QLatin1String("min")).toString();
    info->notes = o.value(QLatin1String("notes")).toString();
    if (info->version.isEmpty() || info->url.isEmpty() || info->sha256.size() != 64) {
        *error = QStringLiteral("更新清单缺少必要字段（version/url/sha256）");
        return false;
    }
    const QUrl url = base.resolved(QUrl(info->url, QUrl::TolerantMode));
    if (!isWebUrl(url)) {
        *error = QStringLiteral("更新清单中的下载地址无效：%1").arg(info->url);
        return false;
    }
    info->url = url.toString();
    return true;
}

qint64 downloadCap(const UpdateInfo &info)
{
    return info.size > 0 ? info.size : kMaxInstallerBytes;
}

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

} // namespace Manifest

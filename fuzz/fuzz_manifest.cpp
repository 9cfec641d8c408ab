// Fuzzes the manifest reader: a body is rejected with a known message or yields usable fields with
// an absolute web address.
#include "update/Manifest.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QUrl base(QStringLiteral("https://example.com/downloads/version.json"));
    UpdateInfo info;
    QString error;
    const bool accepted =
        Manifest::parse(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)),
                        base, &info, &error);
    if (accepted) {
        if (info.version.isEmpty() || info.sha256.size() != 64 ||
            info.sha256 != info.sha256.toLower() || !error.isEmpty() ||
            !Manifest::isWebUrl(QUrl(info.url)) || Manifest::downloadCap(info) <= 0)
            std::abort();
    } else if (error != QStringLiteral("更新清单格式错误") &&
               error != QStringLiteral("更新清单缺少必要字段（version/url/sha256）") &&
               !error.startsWith(QStringLiteral("更新清单中的下载地址无效："))) {
        std::abort();
    }
    return 0;
}

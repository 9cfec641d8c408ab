// Fuzzes the manifest reader: a body is rejected with a known message or yields usable fields.
#include "update/Updater.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Updater::Info info;
    QString error;
    const bool accepted = Updater::parseManifest(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)), &info, &error);
    if (accepted) {
        if (info.version.isEmpty() || info.url.isEmpty() || info.sha256.size() != 64 ||
            info.sha256 != info.sha256.toLower() || !error.isEmpty())
            std::abort();
    } else if (error != QStringLiteral("更新清单格式错误") &&
               error != QStringLiteral("更新清单缺少必要字段（version/url/sha256）")) {
        std::abort();
    }
    return 0;
}

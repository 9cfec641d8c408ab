// Fuzzes the settings reader: trimmed entries that read back the same once rewritten.
#include "update/Updater.h"

#include <QTextStream>

#include <cstdlib>

namespace
{

QMap<QString, QString> parse(QString text)
{
    QTextStream in(&text);
    return Updater::parseSettings(in);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QMap<QString, QString> map =
        parse(QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)));
    QString rewritten = QStringLiteral("[Update]\n");
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.key().isEmpty() || it.key() != it.key().trimmed() ||
            it.value() != it.value().trimmed() || it.key().contains(QLatin1Char('=')))
            std::abort();
        rewritten += it.key() + QLatin1Char('=') + it.value() + QLatin1Char('\n');
    }
    if (parse(rewritten) != map)
        std::abort();
    return 0;
}

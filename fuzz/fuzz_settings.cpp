// Fuzzes the settings file: setting one key reads back that value and leaves every other entry of
// the section as it was. The input is "value|file text".
#include "update/UpdateSettings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const int split = input.indexOf(QLatin1Char('|'));
    const QString value = split < 0 ? QString() : input.left(split);
    const QString text = split < 0 ? input : input.mid(split + 1);
    const QString key = QStringLiteral("skipped");

    QMap<QString, QString> expected = UpdateSettings::parseSection(text);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        if (it.key().isEmpty() || it.key() != it.key().trimmed() ||
            it.value() != it.value().trimmed() || it.key().contains(QLatin1Char('=')))
            std::abort();
    const QString written = UpdateSettings::withValue(text, key, value);
    const QMap<QString, QString> read = UpdateSettings::parseSection(written);
    QString flat = value;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    expected[key] = flat.trimmed();
    if (read != expected || !written.endsWith(QLatin1Char('\n')))
        std::abort();
    return 0;
}

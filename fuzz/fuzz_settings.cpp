// Fuzzes the settings file: setting one key reads back that value and leaves every other entry of
// the section, and every other section, as it was. The input is "value|file text".
#include "platform/SettingsFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const int split = input.indexOf(QLatin1Char('|'));
    const QString value = split < 0 ? QString() : input.left(split);
    const QString text = split < 0 ? input : input.mid(split + 1);
    const QString key = QStringLiteral("skipped");
    const QString section = QStringLiteral("[Update]");
    const QString other = QStringLiteral("[Annotation]");

    QMap<QString, QString> expected = SettingsFile::parseSection(text, section);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        if (it.key().isEmpty() || it.key() != it.key().trimmed() ||
            it.value() != it.value().trimmed() || it.key().contains(QLatin1Char('=')))
            std::abort();
    const QString written = SettingsFile::withValue(text, section, key, value);
    const QMap<QString, QString> read = SettingsFile::parseSection(written, section);
    QString flat = value;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    expected[key] = flat.trimmed();
    if (read != expected || !written.endsWith(QLatin1Char('\n')) ||
        SettingsFile::parseSection(written, other) != SettingsFile::parseSection(text, other))
        std::abort();
    return 0;
}

// The updater's keys in the settings file. Not here: the file's reading and writing
// (SettingsFile), what the modes mean to the update engine.
#include "update/UpdateSettings.h"

#include "platform/SettingsFile.h"

namespace
{

const QString kCfgSection = QStringLiteral("[Update]");
const QString kModeKey = QStringLiteral("mode");
const QString kSkippedKey = QStringLiteral("skipped");

} // namespace

namespace UpdateSettings
{

const QList<ModeEntry> &modes()
{
    static const QList<ModeEntry> table{
        {Silent, QStringLiteral("silent"), QStringLiteral("静默更新")},
        {Ask, QStringLiteral("ask"), QStringLiteral("弹窗询问")},
        {Off, QStringLiteral("off"), QStringLiteral("不自动更新")},
    };
    return table;
}

const ModeEntry &entry(Mode mode)
{
    for (const ModeEntry &e : modes())
        if (e.mode == mode)
            return e;
    return entry(Ask);
}

std::optional<Mode> modeNamed(const QString &name)
{
    for (const ModeEntry &e : modes())
        if (e.name == name)
            return e.mode;
    return std::nullopt;
}

Mode mode()
{
    return modeNamed(SettingsFile::value(kCfgSection, kModeKey)).value_or(Ask);
}

bool setMode(Mode mode, QString *error)
{
    return SettingsFile::setValue(kCfgSection, kModeKey, entry(mode).name, error);
}

bool skip(const QString &version, QString *error)
{
    return SettingsFile::setValue(kCfgSection, kSkippedKey, version, error);
}

bool isSkipped(const QString &version)
{
    return SettingsFile::value(kCfgSection, kSkippedKey) == version;
}

} // namespace UpdateSettings

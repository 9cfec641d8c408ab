// The one-shot commands: each prints one line on standard output and yields an exit code; a
// change that could not be saved prints an error line and exits with 1. No window is involved.
#include "app/Commands.h"

#include "annotation/InkArchive.h"
#include "platform/AutoStart.h"
#include "update/UpdateConsole.h"
#include "update/UpdateSettings.h"
#include "update/Updater.h"
#include "update/Version.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace
{

const QString kAutoStart = QStringLiteral("--autostart");
const QString kCompareVersions = QStringLiteral("--compare-versions");
const QString kUpdateMode = QStringLiteral("--update-mode");
const QString kSaveInk = QStringLiteral("--save-ink");
const QString kCheckUpdate = QStringLiteral("--check-update");
const QString kUpdateUrl = QStringLiteral("--update-url");

int print(const QString &line, int exitCode)
{
    const QByteArray bytes = UpdateConsole::escaped(line).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
    return exitCode;
}

int usage(const char *line)
{
    return print(QStringLiteral("usage: Podivex.exe %1").arg(QLatin1String(line)), 1);
}

int error(const QString &message)
{
    return print(QStringLiteral("error: %1").arg(message), 1);
}

int autoStart(const QString &value)
{
    if (value == QLatin1String("on") || value == QLatin1String("off")) {
        const bool on = value == QLatin1String("on");
        if (!setAutoStart(on) || isAutoStartEnabled() != on)
            return error(QStringLiteral("cannot turn start at log-on %1").arg(value));
    } else if (value != QLatin1String("status")) {
        return usage("--autostart on|off|status");
    }
    return print(
        QStringLiteral("autostart=%1").arg(QLatin1String(isAutoStartEnabled() ? "on" : "off")), 0);
}

int compareVersions(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return usage("--compare-versions <a> <b>");
    return print(QString::number(Version::compare(a, b)), 0);
}

int updateMode(const QString &value)
{
    const std::optional<UpdateSettings::Mode> mode = UpdateSettings::modeNamed(value);
    QString message;
    if (mode && !UpdateSettings::setMode(*mode, &message))
        return error(message);
    if (!mode && value != QLatin1String("status"))
        return usage("--update-mode silent|ask|off|status");
    return print(
        QStringLiteral("update-mode=") + UpdateSettings::entry(UpdateSettings::mode()).name, 0);
}

int saveInk(const QString &value)
{
    QString message;
    if (value == QLatin1String("on") || value == QLatin1String("off")) {
        if (!InkArchive::setEnabled(value == QLatin1String("on"), &message))
            return error(message);
    } else if (value != QLatin1String("status")) {
        return usage("--save-ink on|off|status");
    }
    return print(
        QStringLiteral("save-ink=%1").arg(QLatin1String(InkArchive::enabled() ? "on" : "off")), 0);
}

// In silent mode the check goes on to download, verify and start the installer; the line then
// reports how that ended.
int checkUpdate(const QStringList &args)
{
    Updater updater;
    const int option = args.indexOf(kUpdateUrl);
    if (option >= 0) {
        const QString url = args.value(option + 1);
        if (option + 1 >= args.size() || url.startsWith(QLatin1String("--")))
            return usage("--check-update [--update-url <url>]");
        updater.setManifestUrl(url);
    }
    UpdateConsole console(&updater);
    QTimer::singleShot(0, &updater, [&updater] { updater.check(true); });
    return QCoreApplication::exec();
}

} // namespace

namespace Commands
{

bool isOneShot(const QStringList &args)
{
    return args.contains(kAutoStart) || args.contains(kCompareVersions) ||
           args.contains(kUpdateMode) || args.contains(kSaveInk) || args.contains(kCheckUpdate);
}

bool runOneShot(const QStringList &args, int *exitCode)
{
    // A value beyond the end of the list reads as empty.
    const auto value = [&args](const QString &option, int offset) {
        return args.value(args.indexOf(option) + offset);
    };
    if (args.contains(kAutoStart))
        *exitCode = autoStart(value(kAutoStart, 1).toLower());
    else if (args.contains(kCompareVersions))
        *exitCode = compareVersions(value(kCompareVersions, 1), value(kCompareVersions, 2));
    else if (args.contains(kUpdateMode))
        *exitCode = updateMode(value(kUpdateMode, 1).toLower());
    else if (args.contains(kSaveInk))
        *exitCode = saveInk(value(kSaveInk, 1).toLower());
    else if (args.contains(kCheckUpdate))
        *exitCode = checkUpdate(args);
    else
        return false;
    return true;
}

} // namespace Commands

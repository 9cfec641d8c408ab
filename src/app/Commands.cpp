// The one-shot commands: each prints at most one line on standard output and yields an exit code.
#include "app/Commands.h"

#include "platform/AutoStart.h"
#include "update/UpdateConsole.h"
#include "update/Updater.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace
{

const QString kAutoStart = QStringLiteral("--autostart");
const QString kCompareVersions = QStringLiteral("--compare-versions");
const QString kUpdateMode = QStringLiteral("--update-mode");
const QString kCheckUpdate = QStringLiteral("--check-update");
const QString kUpdateUrl = QStringLiteral("--update-url");

int usage(const char *line)
{
    std::printf("usage: Podivex.exe %s\n", line);
    std::fflush(stdout);
    return 1;
}

int autoStart(const QString &value)
{
    if (value == QLatin1String("on") || value == QLatin1String("off"))
        setAutoStart(value == QLatin1String("on"));
    else if (value != QLatin1String("status"))
        return usage("--autostart on|off|status");
    std::printf("autostart=%s\n", isAutoStartEnabled() ? "on" : "off");
    std::fflush(stdout);
    return 0;
}

int compareVersions(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return usage("--compare-versions <a> <b>");
    std::printf("%d\n", Updater::compareVersions(a, b));
    std::fflush(stdout);
    return 0;
}

int updateMode(const QString &value)
{
    static const QMap<QString, Updater::Mode> kModes = {{QStringLiteral("silent"), Updater::Silent},
                                                        {QStringLiteral("ask"), Updater::Ask},
                                                        {QStringLiteral("off"), Updater::Off}};
    if (kModes.contains(value))
        Updater::setMode(kModes.value(value));
    else if (value != QLatin1String("status"))
        return usage("--update-mode silent|ask|off|status");
    std::printf("update-mode=%s\n", qPrintable(kModes.key(Updater::mode())));
    std::fflush(stdout);
    return 0;
}

int checkUpdate(const QStringList &args)
{
    Updater updater;
    const int url = args.indexOf(kUpdateUrl);
    if (url >= 0)
        updater.setManifestUrl(args.value(url + 1));
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
           args.contains(kUpdateMode) || args.contains(kCheckUpdate);
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
    else if (args.contains(kCheckUpdate))
        *exitCode = checkUpdate(args);
    else
        return false;
    return true;
}

} // namespace Commands

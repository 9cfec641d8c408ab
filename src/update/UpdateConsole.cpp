// Update-check lines for standard output; exit codes 0 ok, 1 failure, 3 update offered.
#include "update/UpdateConsole.h"

#include <QCoreApplication>

#include <cstdio>

UpdateConsole::UpdateConsole(Updater *updater)
{
    QObject::connect(updater, &Updater::prompt, updater,
                     [this](const Updater::Info &info, bool forced, bool) {
                         answer(updateLine(info, forced), 3);
                     });
    QObject::connect(updater, &Updater::finished, updater, [this](bool ok, const QString &message) {
        answer(resultLine(ok, message), ok ? 0 : 1);
    });
}

QString UpdateConsole::updateLine(const Updater::Info &info, bool forced)
{
    return QStringLiteral("update=available version=%1 url=%2 sha256=%3 size=%4 min=%5 forced=%6 "
                          "notes=%7")
        .arg(info.version, info.url, info.sha256.toLower(), QString::number(info.size), info.min,
             QLatin1String(forced ? "yes" : "no"), info.notes);
}

QString UpdateConsole::resultLine(bool ok, const QString &message)
{
    return QStringLiteral("result=%1 %2").arg(QLatin1String(ok ? "ok" : "error"), message);
}

void UpdateConsole::answer(const QString &line, int exitCode)
{
    if (m_printed)
        return;
    m_printed = true;
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
    QCoreApplication::exit(exitCode);
}

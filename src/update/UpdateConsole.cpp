// Update-check lines for standard output. The lines carry manifest text, which is escaped here;
// the one-shot commands' own lines are written by the commands.
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

QString UpdateConsole::escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0) || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void UpdateConsole::answer(const QString &line, int exitCode)
{
    if (m_printed)
        return;
    m_printed = true;
    const QByteArray bytes = escaped(line).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
    QCoreApplication::exit(exitCode);
}

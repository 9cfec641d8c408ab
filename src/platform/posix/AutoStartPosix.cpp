// Start at log-on on Linux desktops: an XDG autostart entry whose Exec line names this executable.
// Other desktop-entry keys are neither read nor kept.
#include "platform/AutoStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace
{

const QString kGroup = QStringLiteral("[Desktop Entry]");

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/Podivex.desktop");
}

// The executable as the Exec key spells it: one quoted argument, with the escapes of the desktop
// entry format applied on top (a path may hold blanks, quotes, '%' or backslashes).
QString execValue()
{
    QString quoted;
    for (const QChar c : QCoreApplication::applicationFilePath()) {
        if (QStringLiteral("\"`$\\").contains(c))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted.replace(QLatin1Char('%'), QStringLiteral("%%")) +
             QLatin1Char('"');
    return quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"));
}

QString storedExec()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inGroup = false;
    QString line;
    while (in.readLineInto(&line)) {
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line.trimmed() == kGroup;
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0 && line.left(eq).trimmed() == QLatin1String("Exec"))
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

} // namespace

bool setAutoStart(bool on)
{
    const QString path = entryPath();
    if (!on)
        return QFile::remove(path) || !QFileInfo::exists(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QByteArray entry = (kGroup + QStringLiteral("\nType=Application\nName=Podivex\nExec=") +
                              execValue() + QStringLiteral("\nX-GNOME-Autostart-enabled=true\n"))
                                 .toUtf8();
    return file.write(entry) == entry.size() && file.commit();
}

bool isAutoStartEnabled()
{
    return storedExec() == execValue();
}

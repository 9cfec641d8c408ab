// Start at log-on on Windows: the "Podivex" value under the current user's Run key. The value is
// written quoted, because an unquoted path with a blank may start another program; both forms read
// back as on, since older versions wrote it unquoted. An installer's clean-up is not done here.
#include "platform/AutoStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace
{

const QString kRunKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kValueName = QStringLiteral("Podivex");

QString executablePath()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString unquoted(const QString &value)
{
    const QString trimmed = value.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith(QLatin1Char('"')) &&
        trimmed.endsWith(QLatin1Char('"')))
        return trimmed.mid(1, trimmed.size() - 2);
    return trimmed;
}

} // namespace

bool setAutoStart(bool on)
{
    QSettings run(kRunKey, QSettings::NativeFormat);
    if (on)
        run.setValue(kValueName, QLatin1Char('"') + executablePath() + QLatin1Char('"'));
    else
        run.remove(kValueName);
    run.sync();
    return run.status() == QSettings::NoError;
}

bool isAutoStartEnabled()
{
    const QSettings run(kRunKey, QSettings::NativeFormat);
    const QVariant value = run.value(kValueName);
    return value.isValid() &&
           unquoted(value.toString()).compare(executablePath(), Qt::CaseInsensitive) == 0;
}

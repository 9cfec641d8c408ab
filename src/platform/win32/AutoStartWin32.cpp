// Start at log-on on Windows: the "Podivex" value under the current user's Run key.
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

} // namespace

void setAutoStart(bool on)
{
    QSettings run(kRunKey, QSettings::NativeFormat);
    if (on)
        run.setValue(kValueName, executablePath());
    else
        run.remove(kValueName);
    run.sync();
}

bool isAutoStartEnabled()
{
    const QSettings run(kRunKey, QSettings::NativeFormat);
    const QVariant value = run.value(kValueName);
    return value.isValid() && value.toString().compare(executablePath(), Qt::CaseInsensitive) == 0;
}

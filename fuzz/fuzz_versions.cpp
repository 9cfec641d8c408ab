// Fuzzes version comparison (a consistent order) and the installer's file name made from a
// version. The input is "a|b|c".
#include "update/InstallerFile.h"
#include "update/Version.h"

#include <QStringList>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList parts =
        QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)).split(QLatin1Char('|'));
    const QString a = parts.value(0);
    const QString b = parts.value(1);
    const QString c = parts.value(2);
    const int ab = Version::compare(a, b);
    if (ab < -1 || ab > 1 || Version::compare(b, a) != -ab || Version::compare(a, a) != 0)
        std::abort();
    // The order is transitive.
    if (ab <= 0 && Version::compare(b, c) <= 0 && Version::compare(a, c) > 0)
        std::abort();

    const QString name = InstallerFile::fileName(a);
    if (!name.startsWith(QLatin1String("Podivex-")) ||
        !name.endsWith(QLatin1String("-Setup.exe")) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
        std::abort();
    return 0;
}

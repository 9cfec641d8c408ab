// Fuzzes version comparison (a consistent order) and the installer name made from a version.
#include "update/Updater.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>

namespace
{

Updater *g_updater = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    static Updater updater;
    g_updater = &updater;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const int split = text.indexOf(QLatin1Char('|'));
    const QString a = split < 0 ? text : text.left(split);
    const QString b = split < 0 ? QString() : text.mid(split + 1);
    const int ab = Updater::compareVersions(a, b);
    if (ab < -1 || ab > 1 || Updater::compareVersions(b, a) != -ab ||
        Updater::compareVersions(a, a) != 0 || Updater::isNewer(a, b) != (ab > 0))
        std::abort();

    const QFileInfo path(g_updater->tempSetupPath(a));
    const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    if (path.absolutePath() != QDir(temp).absolutePath() ||
        !path.fileName().startsWith(QLatin1String("Podivex-")) ||
        !path.fileName().endsWith(QLatin1String("-Setup.exe")) ||
        path.fileName().contains(QLatin1String(":")) || path.fileName().contains(QLatin1Char('\\')))
        std::abort();
    return 0;
}

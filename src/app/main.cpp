// The entry: application identity, then the command line picks a one-shot command or the tray.
#include "app/Commands.h"
#include "app/ProbeReport.h"
#include "app/TrayMenu.h"
#include "app/TrayMode.h"
#include "update/Updater.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    QStringList rawArgs;
    for (int i = 0; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    // One-shot commands show nothing: a core application needs no display or window system.
    const bool oneShot =
        !rawArgs.contains(QStringLiteral("--probe")) && Commands::isOneShot(rawArgs);
    const std::unique_ptr<QCoreApplication> app(oneShot ? new QCoreApplication(argc, argv)
                                                        : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("Podivex"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PODIVEX_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--probe")))
        return ProbeReport::run();
    int exitCode = 0;
    if (Commands::runOneShot(args, &exitCode))
        return exitCode;
    TrayMode tray;
    // Lets a publisher try a release against a staging manifest before publishing it.
    const int url = args.indexOf(QStringLiteral("--update-url"));
    if (url >= 0)
        tray.trayMenu()->updater()->setManifestUrl(args.value(url + 1));
    return app->exec();
}

// The entry: application identity, then the command line decides between a one-shot command and the tray.
#include "ProbeReport.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Podivex"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--probe")))
        return ProbeReport::run();
    return app.exec();
}

// Starts a real LibreOffice Impress show for the end-to-end scripts and keeps it until standard
// input closes. Arguments: the slide colours. Prints "ready <pid> <window>" once the first slide
// is on screen, or "failed". It leaves out any checking: the scripts do that.
#include "ImpressShow.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList colours = app.arguments().mid(1);
    ImpressShow show(colours);
    QTextStream out(stdout);
    if (!show.start()) {
        out << "failed" << Qt::endl;
        return 1;
    }
    out << "ready " << show.pid() << ' ' << quintptr(show.showWindow()) << Qt::endl;
    QSocketNotifier input(fileno(stdin), QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[64];
        if (std::fread(buffer, 1, 1, stdin) == 0)
            app.quit();
    });
    const int rc = app.exec();
    show.stop();
    return rc;
}

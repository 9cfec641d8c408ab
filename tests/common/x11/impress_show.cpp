// Starts a real LibreOffice Impress show for the end-to-end scripts and keeps it until standard
// input closes. Arguments: the slide colours. Prints "ready <pid> <window>" once the first slide
// is on screen, or "failed". It leaves out any checking: the scripts do that.
#include "ImpressShow.h"

#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    ImpressShow show(app.arguments().mid(1)); // ended when it goes out of scope
    QTextStream out(stdout);
    if (!show.start()) {
        out << "failed" << Qt::endl;
        return 1;
    }
    out << "ready " << show.pid() << ' ' << quintptr(show.showWindow()) << Qt::endl;
    QSocketNotifier input(fileno(stdin), QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char byte;
        if (std::fread(&byte, 1, 1, stdin) == 0)
            app.quit();
    });
    return app.exec();
}

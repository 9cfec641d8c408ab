// Starts Xvfb on a free display number (-displayfd), optionally openbox, and makes raw windows
// there.
#include "PrivateDisplayX11.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>

PrivateDisplay::PrivateDisplay(bool withWindowManager, const QByteArray &screen)
{
    if (!startServer(screen))
        return;
    conn = std::make_unique<x11::Connection>(displayName);
    if (!conn->isOpen() || (withWindowManager && !startWindowManager()))
        conn.reset();
}

PrivateDisplay::~PrivateDisplay()
{
    conn.reset();
    for (QProcess *p : {&windowManager, &server}) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished();
        }
    }
}

bool PrivateDisplay::startServer(const QByteArray &screen)
{
    QTemporaryFile number;
    if (!number.open())
        return false;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.start("sh", {"-c", "exec Xvfb -displayfd 3 -screen 0 " + QString::fromLatin1(screen) +
                                  " -nolisten tcp 3>" + number.fileName() + " 2>/dev/null"});
    if (!server.waitForStarted())
        return false;
    for (int i = 0; i < 200 && QFileInfo(number.fileName()).size() == 0; ++i)
        QThread::msleep(25);
    const QByteArray digits = number.readAll().trimmed();
    displayName = ":" + digits;
    return !digits.isEmpty();
}

bool PrivateDisplay::startWindowManager()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromLatin1(displayName));
    windowManager.setProcessEnvironment(env);
    // Nobody reads their output: a full pipe would stop them.
    windowManager.setStandardOutputFile(QProcess::nullDevice());
    windowManager.setStandardErrorFile(QProcess::nullDevice());
    windowManager.start("openbox", {"--sm-disable"});
    if (!windowManager.waitForStarted())
        return false;
    // openbox announces itself early but drops map requests until it has loaded its theme.
    const xcb_atom_t theme = conn->intern("_OB_THEME");
    for (int i = 0; i < 200; ++i, QThread::msleep(25)) {
        if (!conn->takeProperty(conn->requestProperty(conn->root(), theme, XCB_ATOM_ANY, 1))
                 .data.isEmpty())
            return true;
    }
    return false;
}

win::Handle PrivateDisplay::createWindow(const QByteArray &title, const QRect &geometry, bool map,
                                         bool overrideRedirect)
{
    if (!conn)
        return nullptr;
    xcb_connection_t *c = conn->get();
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t override = overrideRedirect;
    const QRect &r = geometry;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, conn->root(), int16_t(r.x()), int16_t(r.y()),
                      uint16_t(r.width()), uint16_t(r.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &override);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        uint32_t(title.size()), title.constData());
    static const char wmClass[] = "raw\0RawClass";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    const uint32_t pid = uint32_t(QCoreApplication::applicationPid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, conn->atom(x11::NetWmPid), XCB_ATOM_CARDINAL,
                        32, 1, &pid);
    if (map)
        xcb_map_window(c, w);
    xcb_flush(c);
    return win::fromWinId(w);
}

void PrivateDisplay::sync() const
{
    if (conn)
        std::free(
            xcb_get_input_focus_reply(conn->get(), xcb_get_input_focus(conn->get()), nullptr));
}

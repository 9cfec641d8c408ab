// Starts Xvfb on a free display number (-displayfd), optionally openbox, and makes raw windows
// there.
#include "PrivateDisplayX11.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>

#include <cstdlib>

namespace
{

constexpr int kStartPolls = 200;
constexpr unsigned long kPollMs = 25;

xcb_atom_t intern(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

} // namespace

PrivateDisplay::PrivateDisplay(bool withWindowManager, const QByteArray &screen)
{
    if (!startServer(screen))
        return;
    conn = xcb_connect(displayName.constData(), nullptr);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        conn = nullptr;
        return;
    }
    if (withWindowManager && !startWindowManager()) {
        xcb_disconnect(conn);
        conn = nullptr;
    }
}

PrivateDisplay::~PrivateDisplay()
{
    if (conn)
        xcb_disconnect(conn);
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
    server.setProgram("sh");
    server.setArguments({"-c", "exec Xvfb -displayfd 3 -screen 0 " + QString::fromLatin1(screen) +
                                   " -nolisten tcp 3>" + number.fileName() + " 2>/dev/null"});
    server.start();
    if (!server.waitForStarted())
        return false;
    for (int i = 0; i < kStartPolls && QFileInfo(number.fileName()).size() == 0; ++i)
        QThread::msleep(kPollMs);
    const QByteArray digits = number.readAll().trimmed();
    if (digits.isEmpty())
        return false;
    displayName = ":" + digits;
    return true;
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
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    // openbox announces itself early but drops map requests until it has loaded its theme.
    const xcb_atom_t check = intern(conn, "_OB_THEME");
    for (int i = 0; i < kStartPolls; ++i) {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, root, check, XCB_ATOM_ANY, 0, 1), nullptr);
        const bool ready = reply && xcb_get_property_value_length(reply) > 0;
        std::free(reply);
        if (ready)
            return true;
        QThread::msleep(kPollMs);
    }
    return false;
}

HWND PrivateDisplay::createWindow(const QByteArray &title, const QRect &geometry, bool map,
                                  bool overrideRedirect, const QByteArray &className)
{
    if (!conn)
        return nullptr;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    const xcb_window_t w = xcb_generate_id(conn);
    const uint32_t values[] = {overrideRedirect ? 1u : 0u};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, w, root, int16_t(geometry.x()),
                      int16_t(geometry.y()), uint16_t(geometry.width()),
                      uint16_t(geometry.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        uint32_t(title.size()), title.constData());
    const QByteArray wmClass = "raw" + QByteArray(1, '\0') + className + QByteArray(1, '\0');
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        uint32_t(wmClass.size()), wmClass.constData());
    const uint32_t pid = uint32_t(QCoreApplication::applicationPid());
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, w, intern(conn, "_NET_WM_PID"),
                        XCB_ATOM_CARDINAL, 32, 1, &pid);
    if (map)
        xcb_map_window(conn, w);
    xcb_flush(conn);
    return win::fromWinId(w);
}

void PrivateDisplay::sync() const
{
    if (conn)
        std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
}

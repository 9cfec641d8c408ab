// A private X server on a free display number (optionally with openbox managing it) and raw
// windows on it, for tests and benchmarks. Nothing here draws into the windows.
#pragma once

#include "platform/WindowLayer.h"
#include "platform/x11/XcbConnectionX11.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QRect>
#include <QThread>

#include <memory>

class PrivateDisplay
{
public:
    explicit PrivateDisplay(bool withWindowManager, const QByteArray &screen = "800x600x24")
    {
        // Xvfb writes the number it chose to the descriptor given, here its standard output.
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start("Xvfb", {"-displayfd", "1", "-screen", "0", QString::fromLatin1(screen),
                              "-nolisten", "tcp"});
        if (!server.waitForReadyRead(5000))
            return;
        displayName = ":" + server.readLine().trimmed();
        conn = std::make_unique<x11::Connection>(displayName);
        if (!conn->isOpen() || (withWindowManager && !startWindowManager()))
            conn.reset();
    }
    ~PrivateDisplay()
    {
        for (QProcess *p : {&windowManager, &server}) {
            p->terminate(); // Xvfb then removes its lock file; ~QProcess kills what is left
            p->waitForFinished(3000);
        }
    }

    bool isUp() const { return conn != nullptr; }
    QByteArray name() const { return displayName; } // ":N", usable as DISPLAY

    // A plain client window with WM_NAME, WM_CLASS ("raw", "RawClass") and this process's pid.
    win::Handle createWindow(const QByteArray &title, const QRect &r, bool map = true,
                             bool overrideRedirect = false)
    {
        if (!conn)
            return nullptr;
        xcb_connection_t *c = conn->get();
        const xcb_window_t w = xcb_generate_id(c);
        const uint32_t override = overrideRedirect;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, conn->root(), int16_t(r.x()), int16_t(r.y()),
                          uint16_t(r.width()), uint16_t(r.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, &override);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            uint32_t(title.size()), title.constData());
        static const char wmClass[] = "raw\0RawClass";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            sizeof wmClass, wmClass);
        const uint32_t pid = uint32_t(QCoreApplication::applicationPid());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, conn->atom(x11::NetWmPid),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
        if (map)
            xcb_map_window(c, w);
        xcb_flush(c);
        return win::fromWinId(w);
    }

    // Returns once the server has handled every request sent so far.
    void sync() const
    {
        if (conn)
            conn->windowExists(conn->root()); // a round trip
    }

    // Starts openbox now (it adopts the windows made before); false when it did not come up.
    bool startWindowManager()
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

private:
    QProcess server;
    QProcess windowManager;
    QByteArray displayName;
    std::unique_ptr<x11::Connection> conn;
};

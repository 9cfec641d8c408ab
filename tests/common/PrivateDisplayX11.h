// A private X server (optionally with a window manager) and raw windows on it, for tests and
// benchmarks.
#pragma once

#include "platform/WindowLayer.h"
#include "platform/x11/XcbConnectionX11.h"

#include <QByteArray>
#include <QProcess>
#include <QRect>

#include <memory>

class PrivateDisplay
{
public:
    explicit PrivateDisplay(bool withWindowManager, const QByteArray &screen = "800x600x24");
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay &) = delete;
    PrivateDisplay &operator=(const PrivateDisplay &) = delete;

    bool isUp() const { return conn != nullptr; }
    QByteArray name() const { return displayName; } // ":N", usable as DISPLAY
    // A plain client window with WM_NAME, WM_CLASS ("raw", "RawClass") and this process's
    // _NET_WM_PID.
    win::Handle createWindow(const QByteArray &title, const QRect &geometry, bool map = true,
                             bool overrideRedirect = false);
    // Returns once the server has handled every request sent so far.
    void sync() const;
    // Starts openbox now (windows made before are adopted at its start); false when it did not
    // come up.
    bool startWindowManager();

private:
    bool startServer(const QByteArray &screen);

    QProcess server;
    QProcess windowManager;
    QByteArray displayName;
    std::unique_ptr<x11::Connection> conn;
};

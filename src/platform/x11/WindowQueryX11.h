// Reading what the window layer needs to know about X windows, pipelined over many windows at once.
#pragma once

#include "platform/WindowLayer.h"
#include "platform/x11/XcbConnectionX11.h"

#include <QVector>

namespace x11
{

win::Handle toHandle(xcb_window_t w);
xcb_window_t toWindow(win::Handle h);

// The EWMH states the layer cares about.
struct States {
    bool above = false;
    bool hidden = false;
    bool fullscreen = false;
    bool skipTaskbar = false;
};
States statesOf(const Connection &c, const QList<quint32> &atoms);

// The window's title: _NET_WM_NAME, else WM_NAME, cut as Windows cuts window texts.
QString titleOf(const Connection &c, xcb_window_t w);
// The class part of WM_CLASS.
QString classOf(const Connection &c, xcb_window_t w);
// The outer frame (decorations included) in physical root coordinates; null when the window is
// gone.
QRect frameOf(const Connection &c, xcb_window_t w);
// Upper-cased file name of the process executable, empty when it cannot be read.
QString processName(unsigned pid);

// One record per listed window that is shown (mapped, or iconified), in the given order.
QList<win::WindowInfo> describe(const Connection &c, const QVector<xcb_window_t> &windows);

} // namespace x11

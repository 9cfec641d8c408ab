// The program's floating windows kept out of the window manager's hands, so that no layer it keeps
// (a focused full-screen window sits above every always-on-top one) can cover them.
#pragma once

#include "platform/x11/XcbConnectionX11.h"

class QWindow;

namespace x11
{

// The toolkit's window for w when it is a frameless, never-focused tool window of this process
// (only such a window may bypass the window manager: it needs no frame and takes no focus), else
// null. Asks the toolkit, so only meaningful when the toolkit runs on the same display.
QWindow *ownFloatingWindow(xcb_window_t w);

// Whether the window manager leaves w alone (override-redirect).
bool bypassesManager(const Connection &c, xcb_window_t w);

// Makes w override-redirect and unframed (on) or managed again (off); a window under the manager's
// care is withdrawn and changed at the same place. It ends up mapped when shown.
void setBypassesManager(const Connection &c, xcb_window_t w, bool on, bool shown);

// Restacks an override-redirect w directly above ref's top-level frame, but below the first mapped
// override-redirect window above that frame: the band of such windows lies above every managed
// window, so w never leaves it. floor is the window the window manager stacks its windows under
// (its check window; none without one): w always stays above it. With no ref (or ref == w) w goes
// to the very top.
// Restacks w directly: relative to sibling with the given stack mode, or to the top without one.
void restack(const Connection &c, xcb_window_t w, xcb_window_t sibling, uint32_t mode);

void raiseUnmanagedAbove(const Connection &c, xcb_window_t w, xcb_window_t ref, xcb_window_t floor);

} // namespace x11

// Synthetic key strokes on X11: the layer's keys mapped to keysyms, typed through XTest.
#pragma once

#include "platform/WindowLayer.h"
#include "platform/x11/XcbConnectionX11.h"

namespace x11
{

quint32 keysymOf(win::Key key);
// Presses and releases the key as if typed (XSendEvent keys are ignored by most programs); false
// when the key has no keycode on this keyboard or the server refuses the request.
bool fakeKeyStroke(const Connection &c, win::Key key);

} // namespace x11

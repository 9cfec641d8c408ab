// Synthetic key strokes on X11: the layer's keys mapped to keysyms, typed through XTest.
#pragma once

#include "platform/WindowLayer.h"
#include "platform/x11/XcbConnectionX11.h"

#include <QHash>

namespace x11
{

quint32 keysymOf(win::Key key);
// Every keycode of this keyboard that types one of the layer's keys.
QHash<uint32_t, win::Key> keyCodes(const Connection &c);
// Presses and releases the key as if typed (XSendEvent keys are ignored by most programs); false
// when the key has no keycode on this keyboard or the server refuses the request.
bool fakeKeyStroke(const Connection &c, win::Key key);

} // namespace x11

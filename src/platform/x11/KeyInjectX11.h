// Synthetic key strokes on X11: Windows virtual-key codes mapped to keysyms, typed through XTest.
#pragma once

#include "platform/x11/XcbConnectionX11.h"

namespace x11
{

// The keysym for a Windows virtual-key code, 0 when the key has none here.
quint32 keysymOfVirtualKey(int vk);
// Presses and releases the key as if typed (XSendEvent keys are ignored by most programs); false
// when the key has no keycode on this keyboard or the server refuses the request.
bool fakeKeyStroke(const Connection &c, int vk);

} // namespace x11

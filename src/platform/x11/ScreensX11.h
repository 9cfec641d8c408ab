// Which screen a window is on, in physical pixels. Leaves out the scaling rule: the caller scales.
#pragma once

#include "platform/x11/XcbConnectionX11.h"

#include <QRect>

namespace x11
{

// The screen holding most of the frame, else the primary one. The toolkit's screens are used when
// the connection is the toolkit's display; otherwise the root window is the one screen.
QRect screenOf(const Connection &c, const QRect &frame, bool toolkitScreens);

} // namespace x11

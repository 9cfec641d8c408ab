// The X11 backend, also reachable for a given display (tests and benchmarks use private displays).
#pragma once

#include "platform/WindowBackend.h"

#include <QByteArray>

namespace win
{

// The backend for the named X display (empty: $DISPLAY), or null when it cannot be opened.
std::unique_ptr<Backend> makeX11Backend(const QByteArray &display);

} // namespace win

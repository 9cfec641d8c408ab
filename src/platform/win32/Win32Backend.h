// The Win32 backend of the window layer.
#pragma once

#include "platform/WindowBackend.h"

namespace win {

std::unique_ptr<Backend> makeWin32Backend();

} // namespace win

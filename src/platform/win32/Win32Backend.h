// The Win32 backend of the window layer.
#pragma once

#include "platform/WindowBackend.h"

#include <windows.h>

namespace win
{

std::unique_ptr<Backend> makeWin32Backend();

// The layer's handle is the native one, kept opaque above the layer.
inline HWND nativeOf(Handle window)
{
    return reinterpret_cast<HWND>(window);
}
inline Handle handleOf(HWND window)
{
    return reinterpret_cast<Handle>(window);
}

} // namespace win

// Synthetic keys and the global input hooks on Windows, for the Win32 backend.
#pragma once

#include "platform/WindowLayer.h"

#include <functional>

#include <windows.h>

namespace win
{

// Presses and releases the key through SendInput; false when the system refused it.
bool sendKey(Key key);
void installMouseHook(std::function<void(int, int)> callback);
void uninstallMouseHook();
void installKeyHook(std::function<void(Key)> callback);
void uninstallKeyHook();

} // namespace win

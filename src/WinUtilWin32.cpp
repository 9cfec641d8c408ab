// The Win32 backend of the window layer.
#include "WinBackend.h"

namespace win {

std::unique_ptr<Backend> makeNativeBackend()
{
    return nullptr; // TODO(win32): the real backend
}

} // namespace win

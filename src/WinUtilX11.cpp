// The X11 backend of the window layer (EWMH window list, XTest keys, XInput2 presses).
#include "WinBackend.h"

namespace win {

std::unique_ptr<Backend> makeNativeBackend()
{
    return nullptr; // TODO(x11): the real backend
}

} // namespace win

// The X11 counterpart of a global low-level mouse hook: raw XInput2 left presses on the whole
// screen.
#pragma once

#include "platform/x11/XcbConnectionX11.h"

#include <functional>
#include <memory>

class QSocketNotifier;

namespace x11
{

class MouseHook
{
public:
    // Reports each left press with the pointer position in root (physical) coordinates, on the
    // thread that runs the toolkit's event loop.
    MouseHook(const QByteArray &display, std::function<void(int, int)> report);
    ~MouseHook();
    MouseHook(const MouseHook &) = delete;
    MouseHook &operator=(const MouseHook &) = delete;

    bool isActive() const { return notifier != nullptr; }

private:
    bool selectRawPresses();
    void dispatch();

    Connection conn;
    uint8_t xinputOpcode = 0;
    std::function<void(int, int)> report;
    std::unique_ptr<QSocketNotifier> notifier;
};

} // namespace x11

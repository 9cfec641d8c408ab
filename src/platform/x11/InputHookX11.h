// The X11 counterpart of the global low-level mouse and keyboard hooks: raw XInput2 left presses
// and key presses on the whole screen, on one connection of its own. It leaves deciding what a
// press means to its callers.
#pragma once

#include "platform/WindowLayer.h"
#include "platform/x11/XcbConnectionX11.h"

#include <QHash>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace x11
{

class InputHook
{
public:
    // Listens on the display; the callbacks of a previous hook, if given, carry over.
    InputHook(const QByteArray &display, const InputHook *previous = nullptr);
    ~InputHook();
    InputHook(const InputHook &) = delete;
    InputHook &operator=(const InputHook &) = delete;

    bool isActive() const { return notifier != nullptr; }

    // Each left press with the pointer position in root (physical) coordinates, and each press of
    // one of the layer's keys, on the thread that runs the toolkit's event loop; either may be
    // empty, and either may be replaced while it runs.
    std::function<void(int, int)> onPress;
    std::function<void(win::Key)> onKey;

private:
    bool selectRawEvents();
    void dispatch();

    Connection conn;
    uint8_t xinputOpcode = 0;
    QHash<uint32_t, win::Key> keys; // keycode to key, read once from the keyboard mapping
    std::unique_ptr<QSocketNotifier> notifier;
};

} // namespace x11

// Raw XInput2 button and key presses, read on a connection of their own whose socket the event
// loop watches.
#include "platform/x11/InputHookX11.h"

#include "platform/x11/KeyInjectX11.h"

#include <QSocketNotifier>
#include <QVector>

#include <xcb/xinput.h>

#include <variant>

namespace x11
{

InputHook::InputHook(const QByteArray &display, const InputHook *previous) : conn(display)
{
    if (previous) {
        onPress = previous->onPress;
        onKey = previous->onKey;
    }
    if (!conn.isOpen() || !selectRawEvents())
        return;
    keys = keyCodes(conn);
    notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn.get()),
                                                 QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { dispatch(); });
}

InputHook::~InputHook() = default;

bool InputHook::selectRawEvents()
{
    xcb_connection_t *c = conn.get();
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(c, &xcb_input_id);
    if (!extension || !extension->present)
        return false;
    xinputOpcode = extension->major_opcode;
    // The server sends XInput2 events only to clients that announced the version they speak.
    Reply<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!version || version->major_version < 2)
        return false;

    struct {
        xcb_input_event_mask_t head;
        uint32_t bits;
    } mask;
    mask.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER; // masters only: one event per press
    mask.head.mask_len = 1;
    mask.bits = XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS;
    Reply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_input_xi_select_events_checked(c, conn.root(), 1, &mask.head)));
    return !error;
}

void InputHook::dispatch()
{
    xcb_connection_t *c = conn.get();
    QVector<std::variant<QPoint, win::Key>> inputs; // in the order they came
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
            continue;
        const auto *generic = reinterpret_cast<const xcb_ge_generic_event_t *>(event.get());
        if (generic->extension != xinputOpcode)
            continue;
        // Button and key raw events share one layout; detail is the button or the keycode.
        const auto *raw = reinterpret_cast<const xcb_input_raw_button_press_event_t *>(event.get());
        if (generic->event_type == XCB_INPUT_RAW_KEY_PRESS) {
            const auto key = keys.constFind(raw->detail);
            if (key != keys.constEnd())
                inputs.append(*key);
        } else if (generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS && raw->detail == 1) {
            // Raw events carry no position; the pointer has not moved since the press was queued.
            Reply<xcb_query_pointer_reply_t> pointer(
                xcb_query_pointer_reply(c, xcb_query_pointer(c, conn.root()), nullptr));
            if (pointer)
                inputs.append(QPoint(pointer->root_x, pointer->root_y));
        }
    }
    if (xcb_connection_has_error(c)) {
        notifier->setEnabled(false); // the display is gone; keep the loop from spinning
        return;
    }
    // A callback may remove the hook, and with it this object: use only locals from here on.
    const std::function<void(int, int)> press = onPress;
    const std::function<void(win::Key)> key = onKey;
    for (const auto &input : inputs) {
        if (const QPoint *p = std::get_if<QPoint>(&input)) {
            if (press)
                press(p->x(), p->y());
        } else if (key) {
            key(std::get<win::Key>(input));
        }
    }
}

} // namespace x11

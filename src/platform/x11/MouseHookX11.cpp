// Raw XInput2 button presses, read on a connection of their own whose socket the event loop
// watches.
#include "platform/x11/MouseHookX11.h"

#include <QSocketNotifier>
#include <QVector>

#include <xcb/xinput.h>

namespace x11
{
namespace
{

} // namespace

MouseHook::MouseHook(const QByteArray &display, std::function<void(int, int)> reportPress)
    : conn(display), report(std::move(reportPress))
{
    if (!conn.isOpen() || !selectRawPresses())
        return;
    notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn.get()),
                                                 QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { dispatch(); });
}

MouseHook::~MouseHook() = default;

bool MouseHook::selectRawPresses()
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
    mask.bits = XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS;
    Reply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_input_xi_select_events_checked(c, conn.root(), 1, &mask.head)));
    return !error;
}

void MouseHook::dispatch()
{
    xcb_connection_t *c = conn.get();
    QVector<QPoint> presses;
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
            continue;
        const auto *generic = reinterpret_cast<const xcb_ge_generic_event_t *>(event.get());
        if (generic->extension != xinputOpcode || generic->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
            continue;
        const auto *press =
            reinterpret_cast<const xcb_input_raw_button_press_event_t *>(event.get());
        if (press->detail != 1)
            continue;
        // Raw events carry no position; the pointer has not moved since the press was queued.
        Reply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, conn.root()), nullptr));
        if (pointer)
            presses.append(QPoint(pointer->root_x, pointer->root_y));
    }
    if (xcb_connection_has_error(c)) {
        notifier->setEnabled(false); // the display is gone; keep the loop from spinning
        return;
    }
    // The callback may remove the hook, and with it this object: use only locals from here on.
    const std::function<void(int, int)> call = report;
    for (const QPoint &p : presses)
        call(p.x(), p.y());
}

} // namespace x11

// The window layer's xcb connection: opening, atoms, property reads and fire-and-forget requests.
#include "platform/x11/XcbConnectionX11.h"

#include <cstring>

namespace x11
{
namespace
{

const char *const kAtomNames[AtomCount] = {"_NET_CLIENT_LIST_STACKING",
                                           "_NET_ACTIVE_WINDOW",
                                           "_NET_SUPPORTING_WM_CHECK",
                                           "_NET_WM_NAME",
                                           "UTF8_STRING",
                                           "_NET_WM_PID",
                                           "_NET_WM_STATE",
                                           "_NET_WM_STATE_ABOVE",
                                           "_NET_WM_STATE_HIDDEN",
                                           "_NET_WM_STATE_FULLSCREEN",
                                           "_NET_WM_STATE_SKIP_TASKBAR",
                                           "_NET_WM_STATE_SKIP_PAGER",
                                           "_NET_WM_WINDOW_TYPE",
                                           "_NET_WM_WINDOW_TYPE_UTILITY",
                                           "_NET_WM_WINDOW_TYPE_DOCK",
                                           "_NET_WM_WINDOW_TYPE_DESKTOP",
                                           "_NET_WM_WINDOW_TYPE_SPLASH",
                                           "_NET_FRAME_EXTENTS",
                                           "_NET_WM_WINDOW_OPACITY",
                                           "_NET_WM_USER_TIME",
                                           "_NET_RESTACK_WINDOW",
                                           "_MOTIF_WM_HINTS",
                                           "WM_STATE",
                                           "WM_CHANGE_STATE"};

template <typename T> Reply<T> owned(T *reply)
{
    return Reply<T>(reply);
}

} // namespace

Connection::Connection(const QByteArray &display)
{
    conn = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNo);
    if (xcb_connection_has_error(conn))
        return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; it.rem && i < screenNo; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return;
    screen = it.data;

    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies;
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(conn, 0, uint16_t(std::strlen(kAtomNames[i])), kAtomNames[i]);
    for (int i = 0; i < AtomCount; ++i) {
        auto reply = owned(xcb_intern_atom_reply(conn, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : XCB_NONE;
    }
}

Connection::~Connection()
{
    xcb_disconnect(conn);
}

QRect Connection::rootRect() const
{
    return screen ? QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels) : QRect();
}

xcb_atom_t Connection::intern(const char *name) const
{
    auto reply = owned(xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

xcb_get_property_cookie_t Connection::requestProperty(xcb_window_t w, Atom a, xcb_atom_t type,
                                                      uint32_t longs) const
{
    return requestProperty(w, atoms[a], type, longs);
}

xcb_get_property_cookie_t Connection::requestProperty(xcb_window_t w, xcb_atom_t a, xcb_atom_t type,
                                                      uint32_t longs) const
{
    return xcb_get_property(conn, 0, w, a, type, 0, longs);
}

Property Connection::takeProperty(xcb_get_property_cookie_t cookie) const
{
    auto reply = owned(xcb_get_property_reply(conn, cookie, nullptr));
    if (!reply || reply->type == XCB_NONE)
        return {};
    const int length = xcb_get_property_value_length(reply.get());
    return {reply->type,
            QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())), length)};
}

QList<quint32> Connection::takeNumbers(xcb_get_property_cookie_t cookie) const
{
    auto reply = owned(xcb_get_property_reply(conn, cookie, nullptr));
    QList<quint32> values;
    if (!reply || reply->format != 32)
        return values;
    const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    values.reserve(count);
    for (int i = 0; i < count; ++i)
        values.append(data[i]);
    return values;
}

QList<quint32> Connection::numbers(xcb_window_t w, Atom a) const
{
    return takeNumbers(requestProperty(w, a));
}

bool Connection::windowExists(xcb_window_t w) const
{
    if (w == XCB_NONE)
        return false;
    return bool(
        owned(xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, w), nullptr)));
}

void Connection::sendToRoot(xcb_window_t w, xcb_atom_t type,
                            const std::array<uint32_t, 5> &data) const
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = w;
    event.type = type;
    for (size_t i = 0; i < data.size(); ++i)
        event.data.data32[i] = data[i];
    xcb_send_event(conn, 0, root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
}

void Connection::flush() const
{
    xcb_flush(conn);
    // Nothing is selected on this connection, so whatever arrives is an error of a request on a
    // window that has gone meanwhile.
    while (xcb_generic_event_t *event = xcb_poll_for_event(conn))
        std::free(event);
}

} // namespace x11

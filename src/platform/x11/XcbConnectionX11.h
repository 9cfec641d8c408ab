// One xcb connection of the window layer: its screen, the atoms it needs and property helpers.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>

#include <array>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace x11
{

// The atoms the window layer reads and writes, interned once per connection.
enum Atom {
    NetClientListStacking,
    NetActiveWindow,
    NetSupportingWmCheck,
    NetWmName,
    Utf8String,
    NetWmPid,
    NetWmState,
    NetWmStateAbove,
    NetWmStateHidden,
    NetWmStateFullscreen,
    NetWmStateSkipTaskbar,
    NetWmStateSkipPager,
    NetWmWindowType,
    NetWmWindowTypeUtility,
    NetWmWindowTypeDock,
    NetWmWindowTypeDesktop,
    NetWmWindowTypeSplash,
    NetFrameExtents,
    NetWmWindowOpacity,
    NetWmUserTime,
    NetRestackWindow,
    MotifWmHints,
    WmState,
    WmChangeState,
    AtomCount
};

// xcb replies are malloc'ed and released with free().
struct FreeReply {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

struct Property {
    xcb_atom_t type = XCB_NONE;
    QByteArray data;
};

class Connection
{
public:
    // An empty name means $DISPLAY.
    explicit Connection(const QByteArray &display = QByteArray());
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool isOpen() const { return screen != nullptr; }
    xcb_connection_t *get() const { return conn; }
    xcb_window_t root() const { return screen ? screen->root : XCB_NONE; }
    int screenNumber() const { return screenNo; }
    QRect rootRect() const;
    xcb_atom_t atom(Atom a) const { return atoms[a]; }
    xcb_atom_t intern(const char *name) const;

    // Requests are sent at once and answered on take, so callers can pipeline many of them.
    xcb_get_property_cookie_t requestProperty(xcb_window_t w, Atom a,
                                              xcb_atom_t type = XCB_ATOM_ANY,
                                              uint32_t longs = 2048) const;
    xcb_get_property_cookie_t requestProperty(xcb_window_t w, xcb_atom_t a, xcb_atom_t type,
                                              uint32_t longs) const;
    Property takeProperty(xcb_get_property_cookie_t cookie) const;
    // A 32-bit property (CARDINAL, ATOM, WINDOW) as numbers; empty when missing.
    QList<quint32> takeNumbers(xcb_get_property_cookie_t cookie) const;
    QList<quint32> numbers(xcb_window_t w, Atom a) const;

    bool windowExists(xcb_window_t w) const;
    // A client message to the root window, as EWMH asks window-manager requests to be sent.
    void sendToRoot(xcb_window_t w, xcb_atom_t type, const std::array<uint32_t, 5> &data) const;
    // Sends what is queued and drops the errors of earlier requests that nobody waits for.
    void flush() const;

private:
    xcb_connection_t *conn = nullptr;
    xcb_screen_t *screen = nullptr;
    int screenNo = 0;
    std::array<xcb_atom_t, AtomCount> atoms{};
};

} // namespace x11

// The keysyms of the layer's keys and the XTest press and release.
#include "platform/x11/KeyInjectX11.h"

#include <xcb/xtest.h>

namespace x11
{
namespace
{

// The keyboard mapping: keysyms per keycode, from the first keycode on.
struct Mapping {
    Reply<xcb_get_keyboard_mapping_reply_t> reply;
    int first = 0;

    explicit Mapping(const Connection &c)
    {
        const xcb_setup_t *setup = xcb_get_setup(c.get());
        first = setup->min_keycode;
        const int count = setup->max_keycode - first + 1;
        reply.reset(xcb_get_keyboard_mapping_reply(
            c.get(), xcb_get_keyboard_mapping(c.get(), xcb_keycode_t(first), uint8_t(count)),
            nullptr));
    }
    // Calls found(keycode, keysym) for every entry, in keycode order.
    template <typename F> void forEach(F found) const
    {
        if (!reply || reply->keysyms_per_keycode == 0)
            return;
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        const int total = xcb_get_keyboard_mapping_keysyms_length(reply.get());
        for (int i = 0; i < total; ++i) {
            if (found(xcb_keycode_t(first + i / reply->keysyms_per_keycode), syms[i]))
                return;
        }
    }
};

// The first keycode whose mapping lists the keysym, 0 when none does.
xcb_keycode_t keycodeOf(const Connection &c, quint32 keysym)
{
    xcb_keycode_t code = 0;
    Mapping(c).forEach([&](xcb_keycode_t k, xcb_keysym_t sym) {
        code = sym == keysym ? k : 0;
        return code != 0;
    });
    return code;
}

bool fake(const Connection &c, uint8_t type, xcb_keycode_t code)
{
    const xcb_void_cookie_t cookie =
        xcb_test_fake_input_checked(c.get(), type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    const Reply<xcb_generic_error_t> error(xcb_request_check(c.get(), cookie));
    return !error;
}

} // namespace

quint32 keysymOf(win::Key key)
{
    using win::Key;
    switch (key) {
    case Key::Left:
        return 0xff51;
    case Key::Right:
        return 0xff53;
    case Key::Up:
        return 0xff52;
    case Key::Down:
        return 0xff54;
    case Key::PageUp:
        return 0xff55;
    case Key::PageDown:
        return 0xff56;
    case Key::Home:
        return 0xff50;
    case Key::Space:
        return 0x0020;
    case Key::Enter:
        return 0xff0d;
    case Key::Backspace:
        return 0xff08;
    case Key::Escape:
        return 0xff1b;
    case Key::N:
        return 'n';
    case Key::P:
        return 'p';
    }
    return 0;
}

QHash<uint32_t, win::Key> keyCodes(const Connection &c)
{
    QHash<quint32, win::Key> byKeysym;
    for (int k = 0; k <= int(win::Key::P); ++k) // P is the last of the layer's keys
        byKeysym.insert(keysymOf(win::Key(k)), win::Key(k));
    byKeysym.insert(0xff8d, win::Key::Enter); // the keypad's Enter moves a show as well
    QHash<uint32_t, win::Key> codes;
    Mapping(c).forEach([&](xcb_keycode_t code, xcb_keysym_t sym) {
        const auto key = byKeysym.constFind(sym);
        if (key != byKeysym.constEnd() && !codes.contains(code))
            codes.insert(code, *key);
        return false;
    });
    return codes;
}

bool fakeKeyStroke(const Connection &c, win::Key key)
{
    const quint32 keysym = keysymOf(key);
    const xcb_keycode_t code = keysym ? keycodeOf(c, keysym) : 0;
    if (code == 0)
        return false;
    const bool pressed = fake(c, XCB_KEY_PRESS, code);
    // Release even after a failed press, so that no key is left down.
    const bool released = fake(c, XCB_KEY_RELEASE, code);
    c.flush();
    return pressed && released;
}

} // namespace x11

// The keysyms of the layer's keys and the XTest press and release.
#include "platform/x11/KeyInjectX11.h"

#include <xcb/xtest.h>

namespace x11
{
namespace
{

// The first keycode whose mapping lists the keysym, 0 when none does.
xcb_keycode_t keycodeOf(const Connection &c, quint32 keysym)
{
    const xcb_setup_t *setup = xcb_get_setup(c.get());
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    const Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        c.get(), xcb_get_keyboard_mapping(c.get(), xcb_keycode_t(first), uint8_t(count)), nullptr));
    if (!mapping || mapping->keysyms_per_keycode == 0)
        return 0;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perCode = mapping->keysyms_per_keycode;
    const int total = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    for (int i = 0; i < total; ++i) {
        if (syms[i] == keysym)
            return xcb_keycode_t(first + i / perCode);
    }
    return 0;
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

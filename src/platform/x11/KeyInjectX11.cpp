// Virtual-key to keysym table and the XTest press and release.
#include "platform/x11/KeyInjectX11.h"

#include <xcb/xtest.h>

namespace x11
{
namespace
{

struct KeyPair {
    int vk;
    quint32 keysym;
};

// Keys outside the letter, digit and function-key ranges.
constexpr KeyPair kKeys[] = {
    {0x08, 0xff08}, // Back
    {0x09, 0xff09}, // Tab
    {0x0D, 0xff0d}, // Return
    {0x1B, 0xff1b}, // Escape
    {0x20, 0x0020}, // Space
    {0x21, 0xff55}, // Prior (Page Up)
    {0x22, 0xff56}, // Next (Page Down)
    {0x23, 0xff57}, // End
    {0x24, 0xff50}, // Home
    {0x25, 0xff51}, // Left
    {0x26, 0xff52}, // Up
    {0x27, 0xff53}, // Right
    {0x28, 0xff54}, // Down
    {0x2D, 0xff63}, // Insert
    {0x2E, 0xffff}, // Delete
};

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

quint32 keysymOfVirtualKey(int vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return quint32(vk - 'A' + 'a'); // the unshifted letter, as a Windows key is
    if (vk >= '0' && vk <= '9')
        return quint32(vk);
    if (vk >= 0x70 && vk <= 0x87) // F1 to F24
        return quint32(0xffbe + vk - 0x70);
    for (const KeyPair &pair : kKeys) {
        if (pair.vk == vk)
            return pair.keysym;
    }
    return 0;
}

bool fakeKeyStroke(const Connection &c, int vk)
{
    const quint32 keysym = keysymOfVirtualKey(vk);
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

// Synthetic keys and the low-level mouse and keyboard hooks of the Win32 backend. Both hooks run on
// the GUI thread through its message loop and pass every event on unchanged. Leaves out activation:
// the backend brings the target to the front before it sends.
#include "platform/win32/InputWin32.h"

namespace win
{
namespace
{

// The hooks' state: the one callback and the installed hook of each.
std::function<void(int, int)> g_onLeftDown;
HHOOK g_mouseHook = nullptr;
std::function<void(Key)> g_onKey;
HHOOK g_keyboardHook = nullptr;

WORD virtualKeyOf(Key key)
{
    switch (key) {
    case Key::Left:
        return VK_LEFT;
    case Key::Right:
        return VK_RIGHT;
    case Key::Up:
        return VK_UP;
    case Key::Down:
        return VK_DOWN;
    case Key::PageUp:
        return VK_PRIOR;
    case Key::PageDown:
        return VK_NEXT;
    case Key::Home:
        return VK_HOME;
    case Key::Space:
        return VK_SPACE;
    case Key::Enter:
        return VK_RETURN;
    case Key::Backspace:
        return VK_BACK;
    case Key::Escape:
        return VK_ESCAPE;
    case Key::N:
        return 'N';
    case Key::P:
        return 'P';
    }
    return 0;
}

INPUT keyRecord(WORD vk, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = WORD(MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    return input;
}

} // namespace

bool sendKey(Key key)
{
    const WORD vk = virtualKeyOf(key);
    static_assert(sizeof(void *) != 8 || sizeof(INPUT) == 40, "INPUT record layout");
    INPUT records[2] = {keyRecord(vk, 0), keyRecord(vk, KEYEVENTF_KEYUP)};
    return SendInput(2, records, int(sizeof(INPUT))) == 2;
}

namespace
{

// Runs on the GUI thread through its message loop; the press always travels on unchanged.
LRESULT CALLBACK lowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode >= 0 && wParam == WM_LBUTTONDOWN && g_onLeftDown && lParam) {
        const auto *info = reinterpret_cast<const MSLLHOOKSTRUCT *>(lParam);
        g_onLeftDown(int(info->pt.x), int(info->pt.y));
    }
    return CallNextHookEx(g_mouseHook, nCode, wParam, lParam);
}

// The layer's key a virtual-key code types; false for any other key.
bool keyOfVirtualKey(DWORD vk, Key *key)
{
    for (int k = 0; k <= int(Key::P); ++k) { // P is the last of the layer's keys
        if (virtualKeyOf(Key(k)) == vk) {
            *key = Key(k);
            return true;
        }
    }
    return false;
}

// Like the mouse hook: on the GUI thread, and the key always travels on unchanged.
LRESULT CALLBACK lowLevelKeyboardProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    Key key;
    if (nCode >= 0 && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN) && g_onKey && lParam &&
        keyOfVirtualKey(reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam)->vkCode, &key)) {
        const std::function<void(Key)> call = g_onKey; // may be replaced while it runs
        call(key);
    }
    return CallNextHookEx(g_keyboardHook, nCode, wParam, lParam);
}

} // namespace

void installMouseHook(std::function<void(int, int)> callback)
{
    g_onLeftDown = std::move(callback);
    if (!g_mouseHook)
        g_mouseHook = SetWindowsHookExW(WH_MOUSE_LL, lowLevelMouseProc, nullptr, 0);
}

void uninstallMouseHook()
{
    if (g_mouseHook) {
        UnhookWindowsHookEx(g_mouseHook);
        g_mouseHook = nullptr;
    }
    g_onLeftDown = nullptr;
}

void installKeyHook(std::function<void(Key)> callback)
{
    g_onKey = std::move(callback);
    if (!g_keyboardHook)
        g_keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, lowLevelKeyboardProc, nullptr, 0);
}

void uninstallKeyHook()
{
    if (g_keyboardHook) {
        UnhookWindowsHookEx(g_keyboardHook);
        g_keyboardHook = nullptr;
    }
    g_onKey = nullptr;
}

} // namespace win

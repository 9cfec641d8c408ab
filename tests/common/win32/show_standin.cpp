// A stand-in slide show: one full-screen window of a presentation program's show class and title,
// painted in one colour per page, on screen and into a print. Keys that move a show move its page;
// given a file name, it writes each key it receives there as "key <vk>". It closes on WM_CLOSE, or
// by itself after a few minutes so that a failed test leaves nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace
{

FILE *g_keyLog = nullptr;
int g_page = 0;
// Page colours (0xRRGGBB); the first is unlike the controls' dark cards.
constexpr unsigned kPageColours[] = {0x20a020, 0xc82828, 0x283cd2};
constexpr int kPages = int(std::size(kPageColours));

// +1 for the keys that move a show forward, -1 for those that move it back.
int pageStep(WPARAM key)
{
    static const WPARAM forward[] = {VK_RIGHT, VK_DOWN, VK_NEXT, VK_SPACE, VK_RETURN, 'N'};
    static const WPARAM back[] = {VK_LEFT, VK_UP, VK_PRIOR, VK_BACK, 'P'};
    const auto among = [key](const auto &keys) {
        return std::find(std::begin(keys), std::end(keys), key) != std::end(keys);
    };
    return among(forward) ? 1 : among(back) ? -1 : 0;
}

LRESULT CALLBACK showProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEYDOWN && g_keyLog) {
        std::fprintf(g_keyLog, "key %u\n", unsigned(wParam));
        std::fflush(g_keyLog);
    }
    if (msg == WM_KEYDOWN && pageStep(wParam) != 0) {
        g_page = (g_page + pageStep(wParam) + kPages) % kPages;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    if (msg == WM_PAINT || msg == WM_PRINTCLIENT) {
        PAINTSTRUCT ps;
        const HDC dc = msg == WM_PAINT ? BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wParam);
        const unsigned c = kPageColours[g_page];
        const HBRUSH brush = CreateSolidBrush(RGB(c >> 16, (c >> 8) & 0xff, c & 0xff));
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        if (msg == WM_PAINT)
            EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_DESTROY || msg == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1)
        g_keyLog = std::fopen(argv[1], "w");
    WNDCLASSW wc = {};
    wc.lpfnWndProc = showProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"screenClass";
    RegisterClassW(&wc);
    const HWND show =
        CreateWindowExW(0, wc.lpszClassName, L"PowerPoint Slide Show - deck.pptx",
                        WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance, nullptr);
    if (!show)
        return 1;
    SetForegroundWindow(show);
    SetTimer(show, 1, 300000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (g_keyLog)
        std::fclose(g_keyLog);
    return 0;
}

// A stand-in slide show: one full-screen window of a presentation program's show class and title,
// painted in one colour. Given a file name, it writes each key it receives there as "key <vk>".
// It closes on WM_CLOSE, or by itself after a few minutes so that a failed test leaves nothing.
#include <windows.h>

#include <cstdio>

namespace
{

FILE *g_keyLog = nullptr;

LRESULT CALLBACK showProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEYDOWN && g_keyLog) {
        std::fprintf(g_keyLog, "key %u\n", unsigned(wParam));
        std::fflush(g_keyLog);
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
    wc.hbrBackground = CreateSolidBrush(RGB(32, 160, 32)); // unlike the controls' dark cards
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

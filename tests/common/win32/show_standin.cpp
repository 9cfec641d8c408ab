// A stand-in slide show: one full-screen window of a presentation program's show class and title.
// It closes on WM_CLOSE, or by itself after a minute so that a failed test leaves nothing behind.
#include <windows.h>

namespace
{

LRESULT CALLBACK showProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY || msg == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

} // namespace

int main()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = showProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"screenClass";
    RegisterClassW(&wc);
    const HWND show =
        CreateWindowExW(0, wc.lpszClassName, L"PowerPoint Slide Show - deck.pptx",
                        WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance, nullptr);
    if (!show)
        return 1;
    SetForegroundWindow(show);
    SetTimer(show, 1, 60000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

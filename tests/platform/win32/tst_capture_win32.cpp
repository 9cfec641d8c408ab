// Pictures of a window of this process under a top-most one.
#include "TestWindows.h"
#include "platform/WindowLayer.h"

#include <QtTest>

namespace
{

QColor g_colour;

// Paints the client area in g_colour, on screen and into prints; nothing when it is invalid.
LRESULT CALLBACK paintingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_ERASEBKGND && msg != WM_PRINTCLIENT)
        return testwin::loggingProc(hwnd, msg, wParam, lParam);
    if (!g_colour.isValid())
        return 1;
    RECT r;
    GetClientRect(hwnd, &r);
    const HBRUSH brush = CreateSolidBrush(RGB(g_colour.red(), g_colour.green(), g_colour.blue()));
    FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
    DeleteObject(brush);
    return 1;
}

} // namespace

class TestCaptureWin32 : public QObject
{
    Q_OBJECT

private slots:
    void ownContentUnderCover()
    {
        const HWND show = testwin::create("show", QRect(100, 100, 400, 300));
        SetWindowLongPtrW(show, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(paintingProc));
        const HWND cover = testwin::create("cover", QRect(150, 150, 400, 300), WS_EX_TOPMOST);
        RECT client;
        GetClientRect(show, &client);
        QImage expected(client.right, client.bottom, QImage::Format_RGB32);
        for (QColor colour : {QColor(20, 160, 40), QColor(200, 40, 30)}) {
            g_colour = colour;
            expected.fill(colour);
            QCOMPARE(win::captureWindow(win::handleOf(show)), expected);
        }
        g_colour = QColor(); // a print left unpainted is no picture, not a black one
        QVERIFY(win::captureWindow(win::handleOf(show)).isNull());
        DestroyWindow(cover);
        DestroyWindow(show);
        QVERIFY(win::captureWindow(win::handleOf(show)).isNull()); // gone
        QVERIFY(win::captureWindow(nullptr).isNull());
    }
};

QTEST_MAIN(TestCaptureWin32)
#include "tst_capture_win32.moc"

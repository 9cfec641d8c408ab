// Pictures of toolkit windows, which repaint on exposure as a slide show does, on the test's X
// server with a window manager, with and without a compositor.
#include "Columns.h"
#include "platform/x11/CaptureX11.h"
#include "platform/x11/X11Backend.h"

#include <QProcess>
#include <QWidget>
#include <QtTest>

namespace
{

std::unique_ptr<QWidget> shown(QColor colour, const QRect &geometry, Qt::WindowFlags flags = {})
{
    auto w = std::make_unique<QWidget>(nullptr, flags);
    w->setPalette(colour);
    w->setAutoFillBackground(true);
    w->setGeometry(geometry);
    w->show();
    return w;
}

QImage filled(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TstCaptureX11 : public QObject
{
    Q_OBJECT

private slots:
    void ownContentUnderCover_data()
    {
        columns<bool, bool>("composited", "preparedFirst");
        QTest::newRow("plain server, prepared before the cover") << false << true;
        QTest::newRow("plain server, prepared under the cover") << false << false;
        QTest::newRow("xcompmgr, prepared before the cover") << true << true;
        QTest::newRow("xcompmgr, prepared under the cover") << true << false;
    }
    void ownContentUnderCover()
    {
        QFETCH(bool, composited);
        QFETCH(bool, preparedFirst);
        const auto backend = win::makeX11Backend(qgetenv("DISPLAY"));
        QProcess compositor;
        if (composited)
            compositor.start("xcompmgr", {});
        QTRY_COMPARE_WITH_TIMEOUT(backend->needsShapedWindows(), !composited, 5000);
        const auto show = shown(Qt::darkRed, QRect(100, 100, 300, 200));
        const win::Handle handle = win::fromWinId(show->winId());
        QVERIFY(QTest::qWaitForWindowExposed(show.get())); // placed wherever the manager likes
        if (preparedFirst)
            backend->prepareCapture(handle);
        const auto cover = shown(Qt::blue, show->frameGeometry().translated(50, 50),
                                 Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        QVERIFY(QTest::qWaitForWindowExposed(cover.get()));
        backend->prepareCapture(handle); // a second time changes nothing
        QTRY_COMPARE(backend->captureWindow(handle), filled(300, 200, Qt::darkRed));
        show->setPalette(QColor(Qt::darkGreen)); // later painting under the cover shows too
        QTRY_COMPARE(backend->captureWindow(handle), filled(300, 200, Qt::darkGreen));
        compositor.terminate();
        compositor.waitForFinished();
    }

    void pictureUntilTheWindowGoes_data()
    {
        columns<bool, int>("sharedMemory", "change"); // 0 destroyed, 1 hidden, 2 resized
        QTest::newRow("destroyed, shared memory") << true << 0;
        QTest::newRow("destroyed, over the socket") << false << 0;
        QTest::newRow("hidden") << true << 1;
        QTest::newRow("resized, shared memory") << true << 2;
        QTest::newRow("resized, over the socket") << false << 2;
    }
    void pictureUntilTheWindowGoes()
    {
        QFETCH(bool, sharedMemory);
        QFETCH(int, change);
        auto w = shown(Qt::darkMagenta, QRect(0, 0, 50, 40), Qt::X11BypassWindowManagerHint);
        const xcb_window_t id = xcb_window_t(w->winId());
        const x11::Connection c; // apart from the toolkit's
        x11::WindowCapture capture(c, sharedMemory);
        QTRY_COMPARE(capture.capture(id), filled(50, 40, Qt::darkMagenta));
        if (change == 2)
            w->resize(70, 60);
        else
            change == 0 ? w.reset() : w->hide();
        QTRY_COMPARE(capture.capture(id), change == 2 ? filled(70, 60, Qt::darkMagenta) : QImage());
        // Every failure was answered to its request: nothing waits in the connection's queue.
        xcb_generic_event_t *left = xcb_poll_for_event(c.get());
        std::free(left);
        QVERIFY(!left);
    }

    // The pixmap starts as a copy of the screen, software cursor and covers included: the
    // window's program is asked to paint all of it again.
    void preparingAsksForARepaint()
    {
        const x11::Connection owner, c;
        const xcb_window_t w = xcb_generate_id(owner.get());
        const uint32_t values[] = {1, XCB_EVENT_MASK_EXPOSURE};
        xcb_create_window(owner.get(), 0, w, owner.root(), 0, 0, 80, 60, 0, 1, 0,
                          XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_map_window(owner.get(), w);
        QVERIFY(owner.windowExists(w)); // a round trip: mapped, and the map's exposures are in
        owner.flush();                  // and dropped
        x11::WindowCapture(c).prepare(w);
        xcb_generic_event_t *event = nullptr;
        QTRY_VERIFY(event || (event = xcb_poll_for_event(owner.get())));
        const auto expose = *reinterpret_cast<xcb_expose_event_t *>(event);
        std::free(event);
        QCOMPARE(QRect(expose.x, expose.y, expose.width, expose.height), QRect(0, 0, 80, 60));
    }
};

QTEST_MAIN(TstCaptureX11)
#include "tst_capture_x11.moc"

// Pictures of raw windows on the test's X server with a window manager, with and without a
// compositing manager.
#include "platform/x11/CaptureX11.h"
#include "platform/x11/WindowQueryX11.h"
#include "platform/x11/X11Backend.h"

#include <QProcess>
#include <QtTest>

namespace
{

// Windows without a background that fill themselves with their colour on every exposure, as a
// slide show repaints.
struct Painter {
    const x11::Connection c;
    const xcb_gcontext_t gc = xcb_generate_id(c.get());
    QHash<xcb_window_t, QRgb> colours;

    explicit Painter(const QByteArray &display) : c(display) {}
    xcb_window_t make(const QRect &r, QRgb colour, uint32_t overrideRedirect)
    {
        const xcb_window_t w = xcb_generate_id(c.get());
        const uint32_t values[] = {overrideRedirect, XCB_EVENT_MASK_EXPOSURE};
        xcb_create_window(c.get(), XCB_COPY_FROM_PARENT, w, c.root(), r.x(), r.y(), r.width(),
                          r.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        if (colours.isEmpty())
            xcb_create_gc(c.get(), gc, w, 0, nullptr);
        colours.insert(w, colour);
        xcb_map_window(c.get(), w);
        xcb_flush(c.get());
        return w;
    }
    void paint(xcb_window_t w, QRgb colour)
    {
        const uint32_t pixel = colour & 0xffffff;
        const xcb_rectangle_t all{0, 0, 0xffff, 0xffff};
        xcb_change_gc(c.get(), gc, XCB_GC_FOREGROUND, &pixel);
        xcb_poly_fill_rectangle(c.get(), w, gc, 1, &all);
        xcb_flush(c.get());
        colours.insert(w, colour);
    }
    // Answers exposures; then whether the window is mapped.
    bool viewable(xcb_window_t w)
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c.get())) {
            const auto *expose = reinterpret_cast<xcb_expose_event_t *>(event);
            if ((event->response_type & 0x7f) == XCB_EXPOSE)
                paint(expose->window, colours.value(expose->window));
            std::free(event);
        }
        x11::Reply<xcb_get_window_attributes_reply_t> a(xcb_get_window_attributes_reply(
            c.get(), xcb_get_window_attributes(c.get(), w), nullptr));
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    }
};

QImage filled(const QSize &size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
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
        QTest::addColumn<bool>("composited");
        QTest::addColumn<bool>("preparedFirst");
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
        if (composited) {
            compositor.start("xcompmgr", {});
            QVERIFY(compositor.waitForStarted());
        }
        QTRY_COMPARE_WITH_TIMEOUT(backend->needsShapedWindows(), !composited, 5000);
        Painter p(qgetenv("DISPLAY"));
        const QSize size(300, 200);
        const xcb_window_t show = p.make(QRect(QPoint(100, 100), size), qRgb(200, 30, 30), 0);
        const auto picture = [&] {
            p.viewable(show);
            return backend->captureWindow(x11::toHandle(show));
        };
        QTRY_VERIFY(p.viewable(show)); // placed by the window manager wherever it likes
        if (preparedFirst)
            backend->prepareCapture(x11::toHandle(show));
        const QRect frame = x11::frameOf(p.c, show);
        const xcb_window_t cover = p.make(frame.adjusted(50, 50, 50, 50), qRgb(20, 40, 220), 1);
        QTRY_VERIFY(p.viewable(cover));
        if (!preparedFirst)
            backend->prepareCapture(x11::toHandle(show));
        QTRY_COMPARE(picture(), filled(size, qRgb(200, 30, 30)));

        // Later painting under the cover shows too: nothing is kept from an earlier picture.
        p.paint(show, qRgb(30, 160, 60));
        QTRY_COMPARE(picture(), filled(size, qRgb(30, 160, 60)));
        compositor.kill();
        compositor.waitForFinished();
    }

    void noPictureWithoutAWindow_data()
    {
        QTest::addColumn<bool>("prepared");
        QTest::addColumn<bool>("destroyed");
        QTest::newRow("destroyed after prepare") << true << true;
        QTest::newRow("destroyed, never prepared") << false << true;
        QTest::newRow("unmapped") << true << false;
    }
    void noPictureWithoutAWindow()
    {
        QFETCH(bool, prepared);
        QFETCH(bool, destroyed);
        Painter p(qgetenv("DISPLAY"));
        const xcb_window_t w = p.make(QRect(0, 0, 50, 50), qRgb(0, 0, 0), 1);
        QTRY_VERIFY(p.viewable(w));
        const x11::Connection c; // apart from the painter's, whose exposures wait in its queue
        x11::WindowCapture capture(c);
        if (prepared)
            QVERIFY(!capture.capture(w).isNull());
        (destroyed ? xcb_destroy_window : xcb_unmap_window)(c.get(),
                                                            w); // ordered before the capture
        QVERIFY(capture.capture(w).isNull());
        // Every failure was answered to its request: nothing waits in the connection's queue.
        xcb_generic_event_t *left = xcb_poll_for_event(c.get());
        std::free(left);
        QVERIFY(!left);
    }
};

QTEST_GUILESS_MAIN(TstCaptureX11)
#include "tst_capture_x11.moc"

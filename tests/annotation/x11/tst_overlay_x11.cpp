// The overlay on a real X display, with and without a compositing manager: no window without ink
// where nothing composites, ink over a full-screen window that stays in sight, clicks through.
#include "Columns.h"
#include "ScreenProbe.h"
#include "annotation/AnnotationOverlay.h"
#include "platform/WindowLayer.h"

#include <QPainter>
#include <QtTest>

// Stands in for the slide show: one colour, and a count of the presses that reach it.
struct ShowWindow : QWidget {
    QColor color{40, 160, 90};
    int presses = 0;
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), color); }
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

static bool shows(QPoint p, const QColor &c)
{
    return ScreenProbe::near(ScreenProbe::screenColour(p), c, 36);
}

class TestOverlayX11 : public QObject
{
    Q_OBJECT

private slots:
    // Also a clicker turning the slide while the user draws: the show repaints when it gets to it.
    void inkOverTheShow_data()
    {
        columns<bool, bool, int>("composited", "pageChange", "repaintAfterMs");
        QTest::newRow("xcompmgr") << true << true << 350;
        QTest::newRow("no compositor, show repaints at once") << false << true << 0;
        QTest::newRow("no compositor, show repaints late") << false << true << 350;
        QTest::newRow("no compositor, told of the show") << false << false << 350;
    }
    void inkOverTheShow()
    {
        QFETCH(bool, composited);
        QFETCH(bool, pageChange);
        QFETCH(int, repaintAfterMs);
        QProcess compositor; // ended with the test
        if (composited)
            compositor.start(QStringLiteral("xcompmgr"), QStringList());
        QTRY_COMPARE(win::needsShapedWindows(), !composited);
        // Unfocused: a focused full-screen window may go above every layer, which is not ours.
        ShowWindow show;
        show.setWindowFlag(Qt::WindowDoesNotAcceptFocus);
        show.showFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&show));
        AnnotationOverlay overlay;
        overlay.attachTo(show.screen()->geometry());
        overlay.setOverlayActive(true);
        QCoreApplication::processEvents();
        QCOMPARE(overlay.isVisible(), composited); // without composition, only ink is shown
        overlay.setWidthLevel(2);
        overlay.setAnnotating(true);
        QTRY_VERIFY(overlay.isVisible());
        for (int page : {1, 0}) { // the same ink on both pages
            overlay.setCurrentPage(page);
            QTest::mousePress(&overlay, Qt::LeftButton, {}, QPoint(400, 500));
            QTest::mouseMove(&overlay, QPoint(1400, 500));
            QTest::mouseRelease(&overlay, Qt::LeftButton, {}, QPoint(1400, 500));
        }
        // Drawing: the show stays in sight (blended, or as a picture), presses land on the ink.
        QTRY_VERIFY(shows({900, 500}, overlay.color()));
        QTRY_VERIFY(shows({900, 300}, show.color));
        ScreenProbe::clickAt(QPoint(300, 800));
        QTRY_COMPARE(overlay.strokeCount(0), 2);
        QCOMPARE(show.presses, 0);
        const QColor next(30, 60, 200);
        QTimer::singleShot(repaintAfterMs, &show, [&] {
            show.color = next;
            show.update();
        });
        if (pageChange)
            overlay.setCurrentPage(1);
        else
            overlay.showUnderChanged();
        QTRY_VERIFY(shows({900, 300}, next));
        QTRY_VERIFY(shows({900, 500}, overlay.color()));
        QTest::qWait(700); // and no stale picture comes back
        QVERIFY(shows({900, 300}, next));
        // Pointer mode: the ink stays, the rest is the show, and clicks reach it, also on the ink.
        overlay.setAnnotating(false);
        QTRY_VERIFY(shows({900, 500}, overlay.color()));
        for (QPoint p : {QPoint(900, 530), QPoint(20, 20), QPoint(1900, 1060)})
            QTRY_VERIFY(shows(p, next));
        ScreenProbe::clickAt(QPoint(900, 300));
        QTRY_COMPARE(show.presses, 1);
        ScreenProbe::clickAt(QPoint(900, 500));
        QTRY_COMPARE(show.presses, 2);
    }
};

QTEST_MAIN(TestOverlayX11)
#include "tst_overlay_x11.moc"

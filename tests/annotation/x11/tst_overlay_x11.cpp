// The overlay on a real X display, with and without a compositing manager: ink over a coloured
// full-screen window that stays visible around it, clicks that fall through to that window, and
// without composition the picture under the ink following the window when it changes.
#include "annotation/AnnotationOverlay.h"
#include "platform/WindowLayer.h"

#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QtTest>

#include <memory>

namespace
{

const QColor kInk(255, 59, 48);

// Stands in for the slide show: one colour, and a count of the presses that reach it.
class ShowWindow : public QWidget
{
public:
    QColor color{40, 160, 90};
    int presses = 0;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), color); }
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

QColor onScreen(QPoint p)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, p.x(), p.y(), 1, 1)
        .toImage()
        .pixelColor(0, 0);
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 12 && qAbs(a.green() - b.green()) <= 12 &&
           qAbs(a.blue() - b.blue()) <= 12;
}

void clickAt(QPoint p)
{
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()),
                       QStringLiteral("click"), QStringLiteral("1")});
}

void drawLine(AnnotationOverlay &overlay, int y)
{
    QTest::mousePress(&overlay, Qt::LeftButton, {}, QPoint(400, y));
    QTest::mouseMove(&overlay, QPoint(900, y));
    QTest::mouseMove(&overlay, QPoint(1400, y));
    QTest::mouseRelease(&overlay, Qt::LeftButton, {}, QPoint(1400, y));
}

} // namespace

class TestOverlayX11 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QProcess> compositor;
    std::unique_ptr<ShowWindow> show;
    std::unique_ptr<AnnotationOverlay> overlay;

    // Full screen, but without the focus: a window manager may stack a focused full-screen
    // window above every other layer, which is the stacking's business, not the overlay's.
    void drawingOverShow()
    {
        show = std::make_unique<ShowWindow>();
        show->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
        show->showFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(show.get()));
        overlay = std::make_unique<AnnotationOverlay>();
        overlay->attachTo(show->screen()->geometry());
        overlay->setWidthLevel(2);
        overlay->setAnnotating(true);
        QTRY_VERIFY(overlay->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(overlay.get()));
    }

private slots:
    void cleanup()
    {
        overlay.reset();
        show.reset();
        if (compositor) {
            compositor->kill();
            compositor->waitForFinished();
            compositor.reset();
        }
    }

    void inkOverTheShow_data()
    {
        QTest::addColumn<bool>("composited");
        QTest::newRow("no compositing manager") << false;
        QTest::newRow("xcompmgr") << true;
    }
    void inkOverTheShow()
    {
        QFETCH(bool, composited);
        if (composited) {
            compositor = std::make_unique<QProcess>();
            compositor->start(QStringLiteral("xcompmgr"), QStringList());
            QVERIFY(compositor->waitForStarted());
            QTRY_VERIFY(!win::needsShapedWindows());
        } else {
            QVERIFY(win::needsShapedWindows());
        }
        drawingOverShow();
        drawLine(*overlay, 500);
        QCOMPARE(overlay->strokeCount(0), 1);

        // Drawing: the show stays in sight (blended, or as a picture), presses land on the ink.
        QTRY_VERIFY(near(onScreen({900, 500}), kInk));
        QTRY_VERIFY(near(onScreen({900, 300}), show->color));
        clickAt(QPoint(300, 800));
        QTRY_COMPARE(overlay->strokeCount(0), 2);
        QCOMPARE(show->presses, 0);

        // Pointer mode: the ink stays, the rest is the show, and clicks reach it, also on the ink.
        overlay->setAnnotating(false);
        QTRY_VERIFY(near(onScreen({900, 500}), kInk));
        for (QPoint p : {QPoint(900, 300), QPoint(900, 530), QPoint(20, 20), QPoint(1900, 1060)})
            QTRY_VERIFY2(near(onScreen(p), show->color), qPrintable(onScreen(p).name()));
        clickAt(QPoint(900, 300));
        QTRY_COMPARE(show->presses, 1);
        clickAt(QPoint(900, 500));
        QTRY_COMPARE(show->presses, 2);
        QCOMPARE(overlay->strokeCount(0), 2);
    }

    // A clicker turns the slide while the user draws: the show repaints when it gets to it.
    void pictureFollowsTheShow_data()
    {
        QTest::addColumn<bool>("pageChange");
        QTest::addColumn<int>("repaintAfterMs");
        QTest::newRow("page change, show repaints at once") << true << 0;
        QTest::newRow("page change, show repaints late") << true << 350;
        QTest::newRow("told of the show, repaints late") << false << 350;
    }
    void pictureFollowsTheShow()
    {
        QFETCH(bool, pageChange);
        QFETCH(int, repaintAfterMs);
        QVERIFY(win::needsShapedWindows());
        drawingOverShow();
        for (int page : {1, 0}) { // the same ink on both pages
            overlay->setCurrentPage(page);
            drawLine(*overlay, 500);
        }
        QTRY_VERIFY(near(onScreen({900, 300}), show->color));
        const QColor next(30, 60, 200);
        QTimer::singleShot(repaintAfterMs, show.get(), [&] {
            show->color = next;
            show->update();
        });
        if (pageChange)
            overlay->setCurrentPage(1);
        else
            overlay->showUnderChanged();
        QTRY_VERIFY2(near(onScreen({900, 300}), next), qPrintable(onScreen({900, 300}).name()));
        QTRY_VERIFY(near(onScreen({900, 500}), kInk));
        // And it stays so: no stale picture comes back.
        QTest::qWait(700);
        QVERIFY(near(onScreen({900, 300}), next));
        QVERIFY(near(onScreen({900, 500}), kInk));
    }
};

QTEST_MAIN(TestOverlayX11)
#include "tst_overlay_x11.moc"

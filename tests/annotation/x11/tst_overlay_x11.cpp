// The overlay on a real X display, with and without a compositing manager: ink over a coloured
// full-screen window that stays visible around it, and clicks that fall through to that window.
#include "annotation/AnnotationOverlay.h"
#include "platform/WindowLayer.h"

#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QtTest>

#include <memory>

namespace
{

const QColor kShowColor(40, 160, 90);
const QColor kInk(255, 59, 48);

// Stands in for the slide show: one colour, and a count of the presses that reach it.
class ShowWindow : public QWidget
{
public:
    int presses = 0;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), kShowColor); }
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 12 && qAbs(a.green() - b.green()) <= 12 &&
           qAbs(a.blue() - b.blue()) <= 12;
}

QImage screenshot()
{
    QTest::qWait(300); // the server, and a compositor, catch up with the last change
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

void clickAt(QPoint p)
{
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()),
                       QStringLiteral("click"), QStringLiteral("1")});
}

} // namespace

class TestOverlayX11 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QProcess> compositor;

private slots:
    void cleanup()
    {
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

        // Full screen, but without the focus: a window manager may stack a focused full-screen
        // window above every other layer, which is the stacking's business, not the overlay's.
        ShowWindow show;
        show.setWindowFlag(Qt::WindowDoesNotAcceptFocus);
        show.showFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&show));
        const QRect area = show.screen()->geometry();

        AnnotationOverlay overlay;
        overlay.attachTo(area);
        overlay.setWidthLevel(2);
        overlay.setAnnotating(true);
        QTRY_VERIFY(overlay.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&overlay));
        QTest::mousePress(&overlay, Qt::LeftButton, {}, QPoint(400, 500));
        QTest::mouseMove(&overlay, QPoint(900, 500));
        QTest::mouseMove(&overlay, QPoint(1400, 500));
        QTest::mouseRelease(&overlay, Qt::LeftButton, {}, QPoint(1400, 500));
        QCOMPARE(overlay.strokeCount(0), 1);

        // Drawing: the show stays in sight (blended, or as a picture), presses land on the ink
        // layer.
        QImage shot = screenshot();
        QVERIFY(near(shot.pixelColor(900, 500), kInk));
        QVERIFY2(near(shot.pixelColor(900, 300), kShowColor),
                 qPrintable(shot.pixelColor(900, 300).name()));
        clickAt(QPoint(300, 800));
        QTRY_COMPARE(overlay.strokeCount(0), 2);
        QCOMPARE(show.presses, 0);

        // Pointer mode: the ink stays, the rest is the show, and clicks reach it, also on the ink.
        overlay.setAnnotating(false);
        shot = screenshot();
        QVERIFY(near(shot.pixelColor(900, 500), kInk));
        for (QPoint p : {QPoint(900, 300), QPoint(900, 530), QPoint(20, 20), QPoint(1900, 1060)})
            QVERIFY2(near(shot.pixelColor(p), kShowColor), qPrintable(shot.pixelColor(p).name()));
        clickAt(QPoint(900, 300));
        QTRY_COMPARE(show.presses, 1);
        clickAt(QPoint(900, 500));
        QTRY_COMPARE(show.presses, 2);
        QCOMPARE(overlay.strokeCount(0), 2);
    }
};

QTEST_MAIN(TestOverlayX11)
#include "tst_overlay_x11.moc"

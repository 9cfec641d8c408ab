// The slide controller driving a real LibreOffice Impress show, checked on the screen's pixels.
#include "BottomBar.h"
#include "ImpressShow.h"
#include "SlideController.h"

#include <QScreen>
#include <QWidget>
#include <QtTest>

namespace
{

const QStringList kSlideColors = {"#d02020", "#20a020", "#2040d0"};

// Away from the centre, inside the slide for 4:3 and 16:9 decks alike.
const QRect kSample(300, 20, 100, 60);

int colourDistance(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

QColor screenPixel(const QPoint &at)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), 1, 1)
        .toImage()
        .pixelColor(0, 0);
}

// The slide (1-based) whose colour fills the sample region of the screen, 0 when none does.
int slideOnScreen()
{
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(kSample);
    long r = 0, g = 0, b = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
        }
    }
    const long n = long(shot.width()) * shot.height();
    if (n == 0)
        return 0;
    const QColor average(int(r / n), int(g / n), int(b / n));
    for (int i = 0; i < kSlideColors.size(); ++i) {
        if (colourDistance(average, QColor(kSlideColors[i])) < 40)
            return i + 1;
    }
    return 0;
}

} // namespace

class TestSlideControlImpress : public QObject
{
    Q_OBJECT

private:
    ImpressShow impress{kSlideColors};
    SlideController controller;
    HWND show = nullptr;

    void expectSlide(int slide)
    {
        QTRY_COMPARE_WITH_TIMEOUT(slideOnScreen(), slide, 5000);
        QCOMPARE(controller.pageText(), QStringLiteral("%1/?").arg(slide));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(impress.start());
        show = impress.showWindow();
        QVERIFY(show);
        controller.setTarget(show);
        QTRY_COMPARE(controller.pageText(), QStringLiteral("1/?")); // the first refresh counts
        QTRY_COMPARE_WITH_TIMEOUT(slideOnScreen(), 1, 10000);
    }

    void cleanupTestCase() { impress.stop(); }

    void nextAndPreviousMoveTheShow()
    {
        controller.nextSlide();
        expectSlide(2);
        controller.nextSlide();
        expectSlide(3);
        controller.prevSlide();
        expectSlide(2);
    }

    // The focused full-screen show must not cover the program's bars.
    void bottomBarShowsOverTheShow()
    {
        QCOMPARE(win::foregroundWindow(), show);
        BottomBar bar;
        bar.setScreenRect(QGuiApplication::primaryScreen()->geometry());
        bar.setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        bar.applyNativeStyles();
        const HWND barHandle = win::fromWinId(bar.winId());
        win::raiseAbove(barHandle, show);
        // Where the server has the bar: the toolkit's idea of it can lag behind here.
        const QPoint origin = win::windowRect(barHandle).topLeft();
        const QList<BarGroup *> groups = bar.findChildren<BarGroup *>();
        QVERIFY(!groups.isEmpty());
        for (const BarGroup *group : groups) {
            const QPoint card = origin + group->mapTo(&bar, QPoint(5, group->height() / 2));
            QTRY_VERIFY_WITH_TIMEOUT(
                colourDistance(screenPixel(card), QColor(kSlideColors[1])) > 40, 3000);
        }
        QCOMPARE(win::foregroundWindow(), show);
        expectSlide(2); // the bar covers only its own strip
    }

    void commandsReachTheShowBehindAnotherWindow()
    {
        QWidget front;
        front.setWindowTitle("front");
        front.setGeometry(700, 400, 500, 300); // clear of the sample region
        front.show();
        QVERIFY(QTest::qWaitForWindowExposed(&front));
        const HWND frontHandle = win::fromWinId(front.winId());
        win::forceForeground(frontHandle);
        QTRY_COMPARE(win::foregroundWindow(), frontHandle);

        controller.nextSlide();
        expectSlide(3);
        QCOMPARE(win::foregroundWindow(), show);
    }

    void minimizeIconifiesTheShow()
    {
        controller.minimizeShow();
        QTRY_VERIFY(win::isMinimized(show));
        QCOMPARE(controller.pageText(), QStringLiteral("3/?"));
    }

    // Last: it ends the show.
    void endShowEndsIt()
    {
        controller.endShow();
        QCOMPARE(controller.pageText(), QStringLiteral("?/?"));
        QTRY_VERIFY_WITH_TIMEOUT(!win::isWindowValid(show), 10000);
    }
};

QTEST_MAIN(TestSlideControlImpress)
#include "tst_slidecontrol_impress.moc"

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
    for (int i = 0; i < kSlideColors.size(); ++i) {
        const QColor want(kSlideColors[i]);
        const long d = std::abs(r / n - want.red()) + std::abs(g / n - want.green()) +
                       std::abs(b / n - want.blue());
        if (d < 40)
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
        win::raiseAbove(win::fromWinId(bar.winId()), show);
        const QList<BarGroup *> groups = bar.findChildren<BarGroup *>();
        QVERIFY(!groups.isEmpty());
        for (const BarGroup *group : groups) {
            const QPoint card = group->mapToGlobal(QPoint(5, group->height() / 2));
            const QColor slide(kSlideColors[1]);
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    const QColor seen = QGuiApplication::primaryScreen()
                                            ->grabWindow(0, card.x(), card.y(), 1, 1)
                                            .toImage()
                                            .pixelColor(0, 0);
                    return std::abs(seen.red() - slide.red()) +
                               std::abs(seen.green() - slide.green()) +
                               std::abs(seen.blue() - slide.blue()) >
                           40;
                }(),
                3000);
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

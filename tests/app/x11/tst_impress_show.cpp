// The tray mode against a real LibreOffice Impress show, following it however it is moved:
// checked on the screen's pixels, the page label and the page of new ink.
#include "ImpressShow.h"
#include "annotation/AnnotationOverlay.h"
#include "app/TrayMode.h"
#include "controls/BottomBar.h"
#include "controls/TouchButton.h"

#include <QProcess>
#include <QtTest>

#include <memory>

namespace
{

int colourDistance(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

bool xdotool(const QStringList &args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

} // namespace

class TstImpressShow : public QObject
{
    Q_OBJECT

    ImpressShow impress{{"#20a020", "#2040d0", "#d0c020", "#8020a0"}};
    std::unique_ptr<TrayMode> tray;

    // The slide (1-based) whose colour the screen shows clear of the controls; 0 when none.
    int slideOnScreen() const
    {
        const QColor seen = ImpressShow::screenColour(QPoint(350, 50));
        const QStringList colours = impress.slideColors();
        for (int i = 0; i < colours.size(); ++i) {
            if (colourDistance(seen, QColor(colours.at(i))) < 40)
                return i + 1;
        }
        return 0;
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("LibreOffice is not installed");
        QVERIFY2(impress.start(), "the slide show did not appear");
    }

    // Whatever moves the show, the label and the page of new ink move with it. (This show does
    // not move on N and P; the controller's suite covers them.)
    void followsTheShow_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("slide");
        QTest::newRow("next on the bar") << "next" << 2;
        QTest::newRow("PageDown") << "Next" << 3;
        QTest::newRow("Left") << "Left" << 2;
        QTest::newRow("Space") << "space" << 3;
        QTest::newRow("Home") << "Home" << 1;
        QTest::newRow("Enter") << "Return" << 2;
        QTest::newRow("Right") << "Right" << 3;
        QTest::newRow("Up") << "Up" << 2;
        QTest::newRow("Backspace") << "BackSpace" << 1;
        QTest::newRow("a click on the show") << "click" << 2;
        QTest::newRow("PageUp") << "Prior" << 1;
    }

    void followsTheShow()
    {
        QFETCH(QString, action);
        QFETCH(int, slide);
        if (!tray) {
            tray = std::make_unique<TrayMode>(false);
            QCOMPARE(tray->currentTarget(), impress.showWindow());
            QCOMPARE(tray->overlay()->currentPage(), 1);
            QTRY_COMPARE(tray->bottomBar()->pageText(), QStringLiteral("1 / ?"));
            QCOMPARE(win::foregroundWindow(), impress.showWindow()); // attaching takes no focus
        }
        if (action == "next") { // a tap on the bar's fifth button: end, minimise, swap, prev, next
            const QWidget *next = tray->bottomBar()->findChildren<TouchButton *>().value(4);
            QVERIFY(next);
            const QPoint at = next->mapToGlobal(next->rect().center());
            QVERIFY(xdotool(
                {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}));
        } else if (action == "click")
            QVERIFY(xdotool({"mousemove", "700", "300", "click", "1"}));
        else
            QVERIFY(xdotool({"key", action}));
        QTRY_COMPARE_WITH_TIMEOUT(slideOnScreen(), slide, 20000);
        QTRY_COMPARE(tray->bottomBar()->pageText(), QStringLiteral("%1 / ?").arg(slide));
        QCOMPARE(tray->overlay()->currentPage(), slide);
        QCOMPARE(win::foregroundWindow(), impress.showWindow());
        QTest::qWait(500); // the show drops a key that comes while it still changes slides
    }
};

QTEST_MAIN(TstImpressShow)
#include "tst_impress_show.moc"

// The tray mode against a real LibreOffice Impress show, following it however it is moved:
// checked on the screen's pixels, the page label and the page of new ink. The bar's buttons,
// PageDown and Left are the end-to-end script's.
#include "Columns.h"
#include "ImpressShow.h"
#include "ScreenProbe.h"
#include "annotation/AnnotationOverlay.h"
#include "app/TrayMode.h"
#include "controls/BottomBar.h"

#include <QtTest>

class TstImpressShow : public QObject
{
    Q_OBJECT

    ImpressShow impress{{"#20a020", "#2040d0", "#d0c020", "#8020a0"}};
    std::unique_ptr<TrayMode> tray;

    // The slide (1-based) whose colour the screen shows clear of the controls; 0 when none.
    int slideOnScreen() const
    {
        const QColor seen = ScreenProbe::screenColour(QPoint(350, 50));
        for (int i = 0; i < impress.slideColors().size(); ++i) {
            if (ScreenProbe::near(seen, QColor(impress.slideColors().at(i)), 39))
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
        tray = std::make_unique<TrayMode>(false);
        QCOMPARE(tray->currentTarget(), impress.showWindow());
        QTRY_COMPARE(tray->bottomBar()->pageText(), QStringLiteral("1 / ?"));
        QCOMPARE(win::foregroundWindow(), impress.showWindow()); // attaching takes no focus
    }

    // Whatever moves the show, the label and the page of new ink move with it.
    void followsTheShow_data()
    {
        columns<QString, int>("action", "slide");
        QTest::newRow("Space") << "space" << 2;
        QTest::newRow("Home") << "Home" << 1;
        QTest::newRow("a click on the show") << "click" << 2;
        QTest::newRow("PageUp") << "Prior" << 1;
        QTest::newRow("Right") << "Right" << 2;
        QTest::newRow("Backspace") << "BackSpace" << 1;
    }
    void followsTheShow()
    {
        QFETCH(QString, action);
        QFETCH(int, slide);
        QVERIFY(action == "click" ? ScreenProbe::clickAt(QPoint(700, 300))
                                  : ScreenProbe::typeKey(action));
        QTRY_COMPARE_WITH_TIMEOUT(slideOnScreen(), slide, 20000);
        QTRY_COMPARE(tray->bottomBar()->pageText(), QStringLiteral("%1 / ?").arg(slide));
        QCOMPARE(tray->overlay()->currentPage(), slide);
        QCOMPARE(win::foregroundWindow(), impress.showWindow());
        QTest::qWait(500); // the show drops a key that comes while it still changes slides
    }
};

QTEST_MAIN(TstImpressShow)
#include "tst_impress_show.moc"

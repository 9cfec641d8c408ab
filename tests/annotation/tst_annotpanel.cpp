// The pen menu: what its clicks emit and check, the status line's states, and its fade.
#include "annotation/AnnotPanel.h"
#include "controls/TouchButton.h"

#include <QLabel>
#include <QtTest>

namespace
{

using Tool = AnnotationOverlay::Tool;

// The index of the only checked button, or -1.
int checkedIndex(const QList<TouchButton *> &buttons)
{
    int found = -1;
    for (int i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->isChecked())
            found = found < 0 ? i : -2;
    }
    return found;
}

} // namespace

class TestAnnotPanel : public QObject
{
    Q_OBJECT

    AnnotPanel panel;

private slots:
    void initTestCase()
    {
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
    }

    void clicksEmitAndCheckOne()
    {
        QSignalSpy tools(&panel, &AnnotPanel::toolChanged),
            colors(&panel, &AnnotPanel::colorChanged), widths(&panel, &AnnotPanel::widthChanged),
            activity(&panel, &AnnotPanel::activity);
        for (int i : {1, 3, 3, 0}) { // the active tool clicked again stays chosen
            QTest::mouseClick(panel.toolButtons()[i], Qt::LeftButton);
            QCOMPARE(tools.takeFirst().first().value<Tool>(), Tool(i));
            QCOMPARE(checkedIndex(panel.toolButtons()), i);
        }
        for (int j : {3, 5, 5}) {
            QTest::mouseClick(panel.swatches()[j], Qt::LeftButton);
            QCOMPARE(colors.takeFirst().first().value<QColor>(), Palette::kPenColors[j]);
            QCOMPARE(checkedIndex(panel.swatches()), j);
        }
        for (int k : {2, 0}) {
            QTest::mouseClick(panel.widthButtons()[k], Qt::LeftButton);
            QCOMPARE(widths.takeFirst().first().toInt(), k);
            QCOMPARE(checkedIndex(panel.widthButtons()), k);
        }
        QCOMPARE(activity.count(), 9);
        // Following the overlay's tool is silent and leaves undo and clear alone.
        panel.setPageStatus(1, 1);
        panel.syncTool(AnnotationOverlay::Highlighter);
        QCOMPARE(checkedIndex(panel.toolButtons()), 2);
        QVERIFY(panel.undoButton()->isEnabled() && tools.isEmpty() && activity.count() == 9);
    }

    void status_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("nothing known") << 0 << 0 << QStringList();
        QTest::newRow("page 3, no ink") << 3 << 0 << QStringList{"3"};
        QTest::newRow("page 3, five strokes") << 3 << 5 << QStringList{"3", "5"};
        QTest::newRow("no page, two strokes") << 0 << 2 << QStringList{"?", "2"};
        QTest::newRow("negative count") << 7 << -4 << QStringList{"7"};
    }
    void status()
    {
        QFETCH(int, page);
        QFETCH(int, count);
        QFETCH(QStringList, shown);
        panel.setPageStatus(5, 9); // from the other state
        panel.setPageStatus(page, count);
        const QString text = panel.statusLabel()->text();
        for (const QString &part : shown)
            QVERIFY2(text.contains(part), qPrintable(text));
        QVERIFY2(!text.contains("-") && !text.contains("9"), qPrintable(text));
        QSignalSpy undo(&panel, &AnnotPanel::undoRequested),
            clear(&panel, &AnnotPanel::clearRequested);
        QTest::mouseClick(panel.undoButton(), Qt::LeftButton);
        QTest::mouseClick(panel.clearButton(), Qt::LeftButton);
        QCOMPARE(undo.count() + clear.count(), count > 0 ? 2 : 0);
    }

    void fadeReachesButtonsCardAndText()
    {
        panel.setPageStatus(4, 2);
        const QPoint card(6, panel.height() / 2);
        const int full = panel.grab().toImage().pixelColor(card).alpha();
        const QString style = panel.statusLabel()->styleSheet();
        panel.setFade(0.32);
        QVERIFY(qAbs(panel.grab().toImage().pixelColor(card).alpha() - 0.32 * full) <= 2);
        for (const TouchButton *b : panel.findChildren<TouchButton *>())
            QCOMPARE(b->fade(), 0.32);
        QVERIFY(panel.statusLabel()->styleSheet() != style);
        panel.setFade(1.0);
        QCOMPARE(panel.statusLabel()->styleSheet(), style);
    }
};

QTEST_MAIN(TestAnnotPanel)
#include "tst_annotpanel.moc"

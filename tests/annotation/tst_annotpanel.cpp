// The pen menu: what its clicks emit and check, and the status line's numbers. Its fade is the
// bars' (one spreading of the fade for every floating control).
#include "annotation/AnnotPanel.h"
#include "controls/TouchButton.h"

#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

class TestAnnotPanel : public QObject
{
    Q_OBJECT

    AnnotPanel panel;

    // Clicks button i of the list and checks that it alone is checked afterwards.
    void choose(const QList<TouchButton *> &buttons, int i)
    {
        QTest::mouseClick(buttons[i], Qt::LeftButton);
        for (const TouchButton *b : buttons)
            QCOMPARE(b->isChecked(), b == buttons[i]);
    }

private slots:
    void clicksEmitAndCheckOne()
    {
        QSignalSpy tools(&panel, &AnnotPanel::toolChanged),
            colors(&panel, &AnnotPanel::colorChanged), widths(&panel, &AnnotPanel::widthChanged),
            activity(&panel, &AnnotPanel::activity);
        for (int i : {1, 3, 3, 0}) { // the active tool clicked again stays chosen
            choose(panel.toolButtons().mid(0, 4), i);
            QCOMPARE(tools.takeFirst().first().value<AnnotationOverlay::Tool>(), i);
        }
        for (int j : {3, 5}) {
            choose(panel.swatches(), j);
            QCOMPARE(colors.takeFirst().first().value<QColor>(), Palette::kPenColors[j]);
        }
        choose(panel.widthButtons(), 2);
        QCOMPARE(widths.takeFirst().first().toInt(), 2);
        QCOMPARE(activity.count(), 7);
        // Following the overlay's tool is silent and leaves undo and clear alone.
        panel.setPageStatus(1, 1);
        panel.syncTool(AnnotationOverlay::Highlighter);
        QVERIFY(panel.toolButtons()[2]->isChecked() && !panel.toolButtons()[0]->isChecked());
        QVERIFY(panel.undoButton()->isEnabled() && tools.isEmpty() && activity.count() == 7);
    }

    // The numbers shown, from another state; undo and clear only with ink.
    void statusShowsPageAndCount()
    {
        for (const auto &[page, count, numbers] :
             QList<std::tuple<int, int, QString>>{{3, 0, "3"}, {0, 2, "?2"}, {7, -4, "7"}}) {
            panel.setPageStatus(5, 9);
            panel.setPageStatus(page, count);
            QCOMPARE(panel.statusLabel()->text().remove(QRegularExpression("[^0-9?-]")), numbers);
            QCOMPARE(panel.undoButton()->isEnabled() + panel.clearButton()->isEnabled(),
                     count > 0 ? 2 : 0);
        }
    }
};

QTEST_MAIN(TestAnnotPanel)
#include "tst_annotpanel.moc"

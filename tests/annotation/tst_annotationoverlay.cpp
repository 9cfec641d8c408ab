// The overlay: ink per page, cap and undo, replays equal to what was drawn, abandoned strokes and
// click-through; the pen menu's clicks and status. Shaping is the X11 suite's, fades the bars'.
#include "Columns.h"
#include "FakeBackend.h"
#include "OffscreenScreen.h"
#include "annotation/AnnotPanel.h"
#include "annotation/AnnotationOverlay.h"
#include "controls/TouchButton.h"

#include <QtTest>

using Tool = AnnotationOverlay::Tool;

class TestAnnotationOverlay : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    std::unique_ptr<AnnotationOverlay> o;

    void drawingOverlay(int ratio = 1)
    {
        fake = &FakeBackend::install();
        o = std::make_unique<AnnotationOverlay>();
        o->attachTo(OffscreenScreen::on(ratio, 400, 300));
        o->setAnnotating(true);
        QCoreApplication::processEvents();
        o->attachTo(OffscreenScreen::on(ratio, 400, 300)); // now on its screen's ratio
    }
    void stroke(const QList<QPoint> &points)
    {
        QTest::mousePress(o.get(), Qt::LeftButton, {}, points.first());
        for (const QPoint &p : points.mid(1))
            QTest::mouseMove(o.get(), p);
        QTest::mouseRelease(o.get(), Qt::LeftButton, {}, points.last());
    }
    int alpha(QPoint p) const { return o->buffer().pixelColor(p).alpha(); } // at ratio 1
    void expectReplayed() // the buffer equals a replay of the page from scratch
    {
        const QImage before = o->buffer();
        o->attachTo(o->geometry());
        QCOMPARE(before, o->buffer());
    }

public:
    static void initMain() { OffscreenScreen::configure(OffscreenScreen::bothRatios()); }

private slots:
    void inkPerPageWithCapAndUndo()
    {
        drawingOverlay();
        QSignalSpy strokes(o.get(), &AnnotationOverlay::strokesChanged);
        o->undo(); // nothing to undo: nothing at all
        QCOMPARE(strokes.size(), 0);
        for (int i = 0; i <= StrokeStore::kMaxStrokesPerPage; ++i)
            stroke({{10 + i % 30 * 12, 10 + i / 30 * 12}});
        QCOMPARE(strokes.last(), (QList<QVariant>{0, StrokeStore::kMaxStrokesPerPage}));
        QVERIFY(alpha({10, 10}) > 0); // the pushed-out dot stays until its area is replayed
        o->undo();
        QCOMPARE(alpha({10, 10}) + alpha({130, 166}), 0); // pushed out, and undone
        o->setCurrentPage(3);
        QCOMPARE(strokes.last(), (QList<QVariant>{3, 0}));
        stroke({{20, 250}, {120, 250}});
        for (int page = 4; page < 10; ++page) // pages enough for the canvas to forget page 0
            o->setCurrentPage(page);
        o->setCurrentPage(-5); // a negative page is page 0
        QCOMPARE(strokes.last(), (QList<QVariant>{0, StrokeStore::kMaxStrokesPerPage - 1}));
        QVERIFY(alpha({22, 10}) > 0 && alpha({70, 250}) == 0);
        o->clear();
        o->setCurrentPage(3);
        QCOMPARE(alpha({70, 250}) + o->strokeCount(0), 255);
    }

    void replaysMatchWhatWasDrawn_data()
    {
        columns<int, Tool>("ratio", "last");
        for (int ratio : {1, 2})
            for (Tool t : {Tool::Pen, Tool::Highlighter, Tool::Eraser})
                QTest::addRow("%d %d", ratio, t) << ratio << t;
    }
    void replaysMatchWhatWasDrawn()
    {
        QFETCH(int, ratio);
        QFETCH(Tool, last);
        drawingOverlay(ratio);
        for (Tool tool : {Tool::Pen, Tool::Highlighter, Tool::Eraser, last}) {
            o->setTool(tool);
            stroke({{20 + 40 * tool, 40}, {200, 120 + tool}, {380, 60 * tool}});
        }
        stroke({{380, 280}});
        for (int i = 0; i < 3; ++i) { // the first replays live ink, the others the removed area
            o->undo();
            expectReplayed();
        }
        const QImage page0 = o->buffer();
        o->setCurrentPage(1);
        stroke({{20, 40}, {200, 40}}); // live ink on the page put aside next
        o->setCurrentPage(0);
        QCOMPARE(o->buffer(), page0);
        o->setCurrentPage(1);
        expectReplayed();
    }

    void modesAbandonStrokesAndSetClickThrough_data()
    {
        using F = std::function<void(AnnotationOverlay &)>;
        columns<F, bool>("change", "through");
        QTest::newRow("pointer") << F([](auto &o) { o.setTool(Tool::Pointer); }) << true;
        QTest::newRow("eraser") << F([](auto &o) { o.setTool(Tool::Eraser); }) << false;
        QTest::newRow("drawing off") << F([](auto &o) { o.setAnnotating(false); }) << true;
        QTest::newRow("page") << F([](auto &o) { o.setCurrentPage(1); }) << false;
        QTest::newRow("clear") << F([](auto &o) { o.clear(); }) << false;
        QTest::newRow("reset") << F([](auto &o) { o.resetAll(); }) << false;
    }
    void modesAbandonStrokesAndSetClickThrough()
    {
        QFETCH(std::function<void(AnnotationOverlay &)>, change);
        QFETCH(bool, through);
        drawingOverlay();
        QSignalSpy raised(o.get(), &AnnotationOverlay::raisedItself);
        QTest::mousePress(o.get(), Qt::LeftButton, {}, QPoint(20, 50));
        QTest::mouseMove(o.get(), QPoint(80, 50));
        change(*o);
        QSignalSpy strokes(o.get(), &AnnotationOverlay::strokesChanged);
        QTest::mouseRelease(o.get(), Qt::LeftButton, {}, QPoint(80, 50));
        QCOMPARE(strokes.size() + o->strokeCount(0) + o->strokeCount(1), 0);
        const QString call = "setClickThrough " + FakeBackend::name(win::fromWinId(o->winId()));
        QCOMPARE(fake->calls.filter(call).last(), call + (through ? " 1" : " 0"));
        QVERIFY(!through || !raised.isEmpty()); // reported, so that the others are restacked
        QTest::mousePress(o.get(), Qt::RightButton, {}, QPoint(20, 50)); // draws nothing
        stroke({{20, 60}});
        QCOMPARE(o->strokeCount(o->currentPage()), through ? 0 : 1);
    }

    // A click checks its button alone and sends its choice; the chosen tool clicked again stays.
    void clicksEmitAndCheckOne()
    {
        AnnotPanel panel;
        QSignalSpy tools(&panel, &AnnotPanel::toolChanged),
            colors(&panel, &AnnotPanel::colorChanged), widths(&panel, &AnnotPanel::widthChanged),
            activity(&panel, &AnnotPanel::activity);
        const auto choose = [](const QList<TouchButton *> &buttons, int i, QSignalSpy &spy,
                               const QVariant &sent) {
            QTest::mouseClick(buttons[i], Qt::LeftButton);
            for (const TouchButton *b : buttons)
                QCOMPARE(b->isChecked(), b == buttons[i]);
            QCOMPARE(spy.takeFirst().first(), sent);
        };
        for (int i : {1, 3, 3, 0})
            choose(panel.toolButtons().mid(0, 4), i, tools, QVariant::fromValue(Tool(i)));
        for (int j : {3, 5})
            choose(panel.swatches(), j, colors, Palette::kPenColors[j]);
        choose(panel.widthButtons(), 2, widths, 2);
        QCOMPARE(activity.count(), 7);
        panel.syncTool(Tool::Highlighter); // following the overlay's tool is silent
        QVERIFY(panel.toolButtons()[2]->isChecked() && !panel.toolButtons()[0]->isChecked());
        QVERIFY(tools.isEmpty() && activity.count() == 7);
        for (int count : {2, 0, 3, -4}) { // undo and clear only with ink, from either state
            panel.setPageStatus(7, count);
            QCOMPARE(panel.undoButton()->isEnabled() + panel.clearButton()->isEnabled(),
                     count > 0 ? 2 : 0);
        }
    }
};

QTEST_MAIN(TestAnnotationOverlay)
#include "tst_annotationoverlay.moc"

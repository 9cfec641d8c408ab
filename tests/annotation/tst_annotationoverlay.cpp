// The overlay: ink per page, cap and undo, replays equal to what was drawn and to the painter,
// abandoned strokes, click-through, and no window over the show without composition or ink.
#include "FakeBackend.h"
#include "OffscreenScreen.h"
#include "annotation/AnnotationOverlay.h"
#include "annotation/StrokePainter.h"

#include <QRandomGenerator>
#include <QtTest>

using Tool = AnnotationOverlay::Tool;

namespace
{

// Pen, highlighter over itself, eraser, dots, translucent ink and strokes leaving every edge of
// a 300 x 200 page, then random strokes of every tool.
QList<Ink::Stroke> mixedPage(quint32 seed)
{
    QList<Ink::Stroke> page = {
        {Ink::Pen, QColor(255, 59, 48), 6, {{-20, 30}, {150, 60}, {320, 20}}, 0},
        {Ink::Highlighter, QColor(255, 214, 0), 32, {{10, 50}, {200, 52}, {190, 70}, {20, 66}}, 0},
        {Ink::Pen, QColor(52, 199, 89, 200), 12, {{150, -30}, {160, 100}, {140, 230}}, 0},
        {Ink::Eraser, Qt::black, 24, {{100, 0}, {110, 120}}, 0},
        {Ink::Pen, QColor(76, 154, 255), 3, {{77.3, 91.7}}, 0},
        {Ink::Pen, Qt::black, 70, {{290, 190}, {330, 230}}, 0},
    };
    QRandomGenerator random(seed);
    for (int s = 0; s < 40; ++s) {
        const auto tool = Ink::Tool(1 + random.bounded(3));
        Ink::Stroke stroke{tool, QColor::fromRgb(random.generate()), 0, {}, 0};
        stroke.width = Ink::penWidth(tool, random.bounded(3));
        for (int i = 0, n = 1 + random.bounded(30); i < n; ++i)
            stroke.points << QPointF(random.bounded(360.0) - 30, random.bounded(260.0) - 30);
        page << stroke;
    }
    return page;
}

} // namespace

class TestAnnotationOverlay : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    std::unique_ptr<AnnotationOverlay> o;

    void drawingOverlay(int ratio = 1)
    {
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

private slots:
    void init() { fake = &FakeBackend::install(); }

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
        QTest::addColumn<int>("ratio");
        QTest::addColumn<Tool>("last");
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
        QTest::addColumn<std::function<void(AnnotationOverlay &)>>("change");
        QTest::addColumn<bool>("through");
        using F = std::function<void(AnnotationOverlay &)>;
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

    void noWindowOverTheShowWithoutCompositionUntilThereIsInk()
    {
        fake->shaped = true;
        o = std::make_unique<AnnotationOverlay>();
        o->attachTo(QRect(0, 0, 400, 300));
        o->setOverlayActive(true);
        QCoreApplication::processEvents();
        QVERIFY(!o->isVisible());
    }

    // Replays blend kept coverage by hand: the same pixels as the toolkit's painter, bit for bit.
    void sameAsThePainter_data()
    {
        QTest::addColumn<qreal>("dpr");
        for (qreal dpr : {1.0, 1.5, 2.0})
            QTest::addRow("scale %g", dpr) << dpr;
    }
    void sameAsThePainter()
    {
        QFETCH(qreal, dpr);
        QList<Ink::Stroke> page = mixedPage(int(dpr * 2));
        StrokeStore store;
        for (const Ink::Stroke &s : page)
            store.append(s);
        InkCanvas canvas(store);
        canvas.rebuild(QSize(300, 200), dpr);
        canvas.replay(0);
        for (bool undone : {false, true}) { // a partial replay after undo too
            InkCanvas painted(store);       // drawn stroke by stroke with the painter
            painted.rebuild(QSize(300, 200), dpr);
            for (const Ink::Stroke &s : page)
                painted.drawLive(s);
            QCOMPARE(canvas.image(), painted.image());
            if (!undone)
                canvas.replayArea(0, StrokePainter::reach(*store.takeLast(0)));
            page.removeLast();
        }
    }
};

PODIVEX_TEST_MAIN_SCREENS(TestAnnotationOverlay, OffscreenScreen::bothRatios())
#include "tst_annotationoverlay.moc"

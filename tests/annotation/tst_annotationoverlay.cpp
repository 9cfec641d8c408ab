// The annotation overlay: the per-page store and its signals, the ink in the buffer, and the modes.
#include "FakeBackend.h"
#include "OffscreenScreen.h"
#include "annotation/AnnotationOverlay.h"
#include "annotation/StrokePainter.h"

#include <QtTest>

#include <memory>

namespace
{

using Tool = AnnotationOverlay::Tool;
const QColor kRed(0xFF, 0x3B, 0x30);

// Records the region of every paint the overlay receives.
class PaintLog : public QObject
{
public:
    QList<QRect> boxes;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            boxes << static_cast<QPaintEvent *>(event)->region().boundingRect();
        return false;
    }
};

// Device pixels of column x between rows y0 and y1 with at least half the strongest alpha there.
int thickness(const QImage &image, int x, int y0, int y1)
{
    int strongest = 0, n = 0;
    for (int y = y0; y < y1; ++y)
        strongest = std::max(strongest, image.pixelColor(x, y).alpha());
    for (int y = y0; y < y1; ++y)
        n += strongest > 0 && image.pixelColor(x, y).alpha() * 2 >= strongest ? 1 : 0;
    return n;
}

} // namespace

class TestAnnotationOverlay : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    std::unique_ptr<AnnotationOverlay> overlay;

    // A drawing overlay of 400 x 300 logical pixels on the screen of the given ratio.
    void drawingOverlay(int ratio = 1)
    {
        overlay = std::make_unique<AnnotationOverlay>();
        overlay->attachTo(OffscreenScreen::on(ratio, 400, 300));
        overlay->setAnnotating(true);
        QCoreApplication::processEvents();
        overlay->attachTo(OffscreenScreen::on(ratio, 400, 300)); // now on its screen's ratio
        QCoreApplication::processEvents();
    }

    void stroke(const QList<QPoint> &points, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(overlay.get(), button, {}, points.first());
        for (const QPoint &p : points.mid(1))
            QTest::mouseMove(overlay.get(), p);
        QTest::mouseRelease(overlay.get(), button, {}, points.last());
    }

    void tap(QPoint p) { stroke({p}); }

    QColor pixel(QPoint logical) const
    {
        const qreal r = overlay->devicePixelRatio();
        return overlay->buffer().pixelColor(int(logical.x() * r), int(logical.y() * r));
    }

    // The click-through state last asked of the window layer for the overlay: "1", "0" or "".
    QString lastClickThrough() const
    {
        const QString call =
            "setClickThrough " + FakeBackend::name(win::fromWinId(overlay->winId())) + ' ';
        for (auto it = fake->calls.crbegin(); it != fake->calls.crend(); ++it) {
            if (it->startsWith(call))
                return it->mid(call.size());
        }
        return {};
    }

private slots:
    void init() { fake = &FakeBackend::install(); }
    void cleanup() { overlay.reset(); }

    void penWidths_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<int>("level");
        QTest::addColumn<double>("width");
        QTest::newRow("pen thin") << AnnotationOverlay::Pen << 0 << 3.0;
        QTest::newRow("pen default") << AnnotationOverlay::Pen << 1 << 6.0;
        QTest::newRow("pen above range") << AnnotationOverlay::Pen << 7 << 12.0;
        QTest::newRow("highlighter below range") << AnnotationOverlay::Highlighter << -1 << 14.0;
        QTest::newRow("highlighter medium") << AnnotationOverlay::Highlighter << 1 << 22.0;
        QTest::newRow("highlighter thick") << AnnotationOverlay::Highlighter << 2 << 32.0;
        QTest::newRow("eraser thin") << AnnotationOverlay::Eraser << 0 << 24.0;
        QTest::newRow("eraser thick") << AnnotationOverlay::Eraser << 2 << 70.0;
        QTest::newRow("pointer") << AnnotationOverlay::Pointer << 2 << 6.0;
    }
    void penWidths()
    {
        QFETCH(Tool, tool);
        QFETCH(int, level);
        QFETCH(double, width);
        AnnotationOverlay o;
        o.setTool(tool);
        o.setWidthLevel(level);
        QCOMPARE(o.penWidth(), width);
        QCOMPARE(o.widthLevel(), std::clamp(level, 0, 2));
    }

    void smoothPath()
    {
        QVERIFY(StrokePainter::smoothPath({}).isEmpty());
        QCOMPARE(StrokePainter::smoothPath({QPointF(10, 20)}).boundingRect(),
                 QRectF(9.4, 19.4, 1.2, 1.2));
        // Quadratic pieces end on the midpoints, the last piece is a straight line to the end.
        const QPainterPath curve = StrokePainter::smoothPath(
            {QPointF(0, 0), QPointF(10, 10), QPointF(20, 0), QPointF(30, 10)});
        QCOMPARE(curve.elementCount(), 1 + 3 + 3 + 1);
        QCOMPARE(QPointF(curve.elementAt(3)), QPointF(15, 5));
        QCOMPARE(QPointF(curve.elementAt(6)), QPointF(25, 5));
        QVERIFY(curve.elementAt(7).isLineTo());
        QCOMPARE(QPointF(curve.elementAt(7)), QPointF(30, 10));
    }

    void strokesArePerPage()
    {
        drawingOverlay();
        QSignalSpy strokes(overlay.get(), &AnnotationOverlay::strokesChanged);
        QSignalSpy pages(overlay.get(), &AnnotationOverlay::pageChanged);
        stroke({{20, 50}, {120, 50}});
        tap({200, 200});
        QCOMPARE(strokes.last(), (QList<QVariant>{0, 2}));
        overlay->setCurrentPage(3);
        QCOMPARE(pages.takeFirst(), QList<QVariant>{3});
        QCOMPARE(strokes.last(), (QList<QVariant>{3, 0}));
        QCOMPARE(pixel({70, 50}).alpha(), 0);
        stroke({{20, 80}, {120, 80}});
        QCOMPARE(overlay->strokes(3).first().page, 3);

        strokes.clear();
        overlay->setCurrentPage(-5); // a negative page is page 0
        QCOMPARE(pages.takeFirst(), QList<QVariant>{0});
        QCOMPARE(strokes.takeFirst(), (QList<QVariant>{0, 2}));
        QCOMPARE(pixel({70, 50}), kRed);
        QCOMPARE(pixel({70, 80}).alpha(), 0);
        overlay->setCurrentPage(0); // the same page: no signals
        QCOMPARE(pages.size() + strokes.size(), 0);
        QCOMPARE(overlay->strokeCount(3), 1);
        QCOMPARE(overlay->strokeCount(-1), 0);
        QCOMPARE(overlay->strokeCount(0), 2);
    }

    void pageHoldsAtMost400Strokes()
    {
        drawingOverlay();
        QSignalSpy strokes(overlay.get(), &AnnotationOverlay::strokesChanged);
        for (int i = 0; i < StrokeStore::kMaxStrokesPerPage; ++i)
            tap({10 + i % 30 * 12, 10 + i / 30 * 12});
        overlay->attachTo(overlay->geometry()); // a replay: no live ink left in the buffer
        stroke({{50, 250}, {250, 250}});
        QCOMPARE(strokes.last(), (QList<QVariant>{0, 400}));
        const QList<AnnotationOverlay::Stroke> kept = overlay->strokes(0);
        QCOMPARE(kept.size(), 400);
        QCOMPARE(kept.first().points, QList<QPointF>{QPointF(22, 10)});
        QCOMPARE(kept.last().points.size(), 2);
        // The pushed-out dot stays in the buffer until the next full redraw.
        QVERIFY(pixel({10, 10}).alpha() > 0);
        overlay->undo();
        QCOMPARE(pixel({10, 10}).alpha(), 0);
        QVERIFY(pixel({22, 10}).alpha() > 0);
    }

    void undoClearReset()
    {
        drawingOverlay();
        QSignalSpy strokes(overlay.get(), &AnnotationOverlay::strokesChanged);
        QSignalSpy pages(overlay.get(), &AnnotationOverlay::pageChanged);
        QSignalSpy activity(overlay.get(), &AnnotationOverlay::activity);
        overlay->undo(); // nothing to undo: nothing at all
        QCOMPARE(strokes.size() + activity.size(), 0);
        overlay->clear(); // clearing an empty page still reports
        QCOMPARE(strokes.takeFirst(), (QList<QVariant>{0, 0}));
        QCOMPARE(activity.takeFirst(), QList<QVariant>());

        stroke({{20, 50}, {120, 50}});
        tap({200, 200});
        activity.clear();
        strokes.clear();
        overlay->undo();
        QCOMPARE(strokes.takeFirst(), (QList<QVariant>{0, 1}));
        QCOMPARE(activity.size(), 1);
        QCOMPARE(pixel({200, 200}).alpha(), 0);
        QCOMPARE(pixel({70, 50}), kRed);
        overlay->clear();
        QCOMPARE(strokes.takeFirst(), (QList<QVariant>{0, 0}));
        QCOMPARE(pixel({70, 50}).alpha(), 0);

        tap({30, 30});
        overlay->setCurrentPage(2);
        tap({30, 30});
        pages.clear();
        strokes.clear();
        overlay->resetAll();
        QCOMPARE(pages.takeFirst(), QList<QVariant>{0});
        QCOMPARE(strokes.takeFirst(), (QList<QVariant>{0, 0}));
        QCOMPARE(overlay->strokeCount(2), 0);
        QCOMPARE(pixel({30, 30}).alpha(), 0);
    }

    void abandonedStroke_data()
    {
        QTest::addColumn<int>("action");
        int i = 0;
        for (const char *name : {"tool change", "page change", "annotation off", "overlay inactive",
                                 "undo", "clear", "reset"})
            QTest::newRow(name) << i++;
    }
    void abandonedStroke()
    {
        QFETCH(int, action);
        drawingOverlay();
        tap({10, 10});
        QTest::mousePress(overlay.get(), Qt::LeftButton, {}, QPoint(20, 50));
        QTest::mouseMove(overlay.get(), QPoint(80, 50));
        const QList<std::function<void()>> actions = {
            [&] { overlay->setTool(AnnotationOverlay::Highlighter); },
            [&] { overlay->setCurrentPage(1); },
            [&] { overlay->setAnnotating(false); },
            [&] { overlay->setOverlayActive(false); },
            [&] { overlay->undo(); },
            [&] { overlay->clear(); },
            [&] { overlay->resetAll(); },
        };
        actions[action]();
        const int after = overlay->strokeCount(0);
        QVERIFY(after <= 1);
        QSignalSpy strokes(overlay.get(), &AnnotationOverlay::strokesChanged);
        QTest::mouseMove(overlay.get(), QPoint(120, 50));
        QTest::mouseRelease(overlay.get(), Qt::LeftButton, {}, QPoint(120, 50));
        QCOMPARE(strokes.size(), 0);
        QCOMPARE(overlay->strokeCount(0), after);
        QCOMPARE(overlay->strokeCount(1), 0);
        // A page switch replays the page: what the abandoned stroke drew is gone.
        overlay->setCurrentPage(5);
        overlay->setCurrentPage(0);
        QCOMPARE(pixel({50, 50}).alpha(), 0);
    }

    void partialRedrawsMatchAFullReplay_data()
    {
        QTest::addColumn<int>("ratio");
        QTest::addColumn<Tool>("last");
        for (int ratio : {1, 2}) {
            for (Tool t : {AnnotationOverlay::Pen, AnnotationOverlay::Highlighter,
                           AnnotationOverlay::Eraser})
                QTest::addRow("%d %s", ratio, QMetaEnum::fromType<Tool>().valueToKey(t))
                    << ratio << t;
        }
    }
    void partialRedrawsMatchAFullReplay()
    {
        QFETCH(int, ratio);
        QFETCH(Tool, last);
        drawingOverlay(ratio);
        stroke({{20, 40}, {200, 120}, {380, 60}});
        overlay->setTool(AnnotationOverlay::Highlighter);
        stroke({{40, 100}, {300, 110}});
        overlay->setTool(AnnotationOverlay::Eraser);
        stroke({{150, 20}, {160, 200}});
        overlay->setTool(AnnotationOverlay::Pen);
        overlay->setColor(Qt::blue);
        tap({155, 90});
        overlay->setTool(last);
        overlay->setWidthLevel(2);
        stroke({{100, 30}, {140, 95}, {190, 140}});
        tap({380, 280});
        // The first undo replays fully (live ink in the buffer), the others the removed area only.
        for (int i = 0; i < 3; ++i) {
            overlay->undo();
            const QImage partial = overlay->buffer();
            overlay->attachTo(overlay->geometry());
            QCOMPARE(partial, overlay->buffer());
        }
        // Going back to a page shows its ink as a replay would.
        const QImage page0 = overlay->buffer();
        QCOMPARE(pixel({20, 40}), kRed);
        overlay->setCurrentPage(1);
        QCOMPARE(pixel({20, 40}).alpha(), 0);
        overlay->setCurrentPage(0);
        QCOMPARE(overlay->buffer(), page0);
    }

    void colourAndWidthTakenAtStrokeStart()
    {
        drawingOverlay();
        QTest::mousePress(overlay.get(), Qt::LeftButton, {}, QPoint(20, 50));
        overlay->setColor(Qt::blue);
        overlay->setWidthLevel(2);
        QTest::mouseMove(overlay.get(), QPoint(60, 50));
        QTest::mouseMove(overlay.get(), QPoint(60, 50)); // closer than a pixel: dropped
        QTest::mouseMove(overlay.get(), QPoint(60, 51)); // exactly one pixel: kept
        QTest::mouseRelease(overlay.get(), Qt::LeftButton, {}, QPoint(60, 51));
        tap({200, 200});
        const QList<AnnotationOverlay::Stroke> list = overlay->strokes(0);
        QCOMPARE(list[0].color, kRed);
        QCOMPARE(list[0].width, 6.0);
        QCOMPARE(list[0].points, (QList<QPointF>{{20, 50}, {60, 50}, {60, 51}}));
        QCOMPARE(list[1].width, 12.0);
        QCOMPARE(pixel({40, 50}), kRed);
        QCOMPARE(pixel({200, 200}), QColor(Qt::blue));
    }

    void highlighterAndEraserPixels()
    {
        drawingOverlay();
        overlay->setColor(QColor(255, 214, 0));
        overlay->setTool(AnnotationOverlay::Highlighter);
        stroke({{20, 150}, {380, 150}});
        const QColor band = pixel({200, 150});
        QCOMPARE(band.alpha(), StrokePainter::kHighlighterAlpha);
        QCOMPARE(band.alpha(), 110);
        QCOMPARE(band.red(), 255);
        QVERIFY(qAbs(band.green() - 214) <= 1); // premultiplied rounding

        overlay->setTool(AnnotationOverlay::Pen);
        overlay->setColor(kRed);
        stroke({{20, 100}, {380, 100}});
        const QImage withInk = overlay->buffer();
        overlay->setTool(AnnotationOverlay::Eraser);
        stroke({{200, 20}, {200, 280}});
        QCOMPARE(pixel({200, 100}).alpha(), 0);
        QCOMPARE(pixel({200, 150}).alpha(), 0);
        QCOMPARE(pixel({100, 100}), kRed);
        overlay->undo(); // the replay brings the erased ink back
        QCOMPARE(pixel({200, 100}), kRed);
        QCOMPARE(pixel({200, 150}).alpha(), 110);
        // Replayed as one path the band is even where the live segments overlapped.
        QCOMPARE(overlay->buffer().pixelColor(100, 150), withInk.pixelColor(100, 150));
    }

    void tapIsARoundDot()
    {
        drawingOverlay();
        tap({100, 100});
        // A filled disc of diameter 7.2 around the corner point (100, 100).
        for (QPoint p : {QPoint(100, 100), QPoint(101, 101), QPoint(98, 98), QPoint(99, 102)})
            QCOMPARE(pixel(p), kRed);
        QCOMPARE(pixel({103, 103}).alpha(), 0);
        QCOMPARE(pixel({100, 104}).alpha(), 0);
        const QImage live = overlay->buffer();
        overlay->setCurrentPage(1);
        overlay->setCurrentPage(0);
        QCOMPARE(overlay->buffer(), live);
    }

    void widthsAreLogical_data()
    {
        QTest::addColumn<int>("ratio");
        QTest::newRow("ratio 1") << 1;
        QTest::newRow("ratio 2") << 2;
    }
    void widthsAreLogical()
    {
        QFETCH(int, ratio);
        drawingOverlay(ratio);
        QCOMPARE(overlay->buffer().size(), QSize(400, 300) * ratio);
        QCOMPARE(overlay->buffer().devicePixelRatio(), 1.0);
        overlay->setWidthLevel(2);
        stroke({{20, 100}, {380, 100}});
        overlay->setTool(AnnotationOverlay::Highlighter);
        overlay->setWidthLevel(0);
        stroke({{20, 200}, {380, 200}});
        tap({100, 250});
        const QImage &ink = overlay->buffer();
        QCOMPARE(thickness(ink, 200 * ratio, 50 * ratio, 150 * ratio), 12 * ratio);
        QCOMPARE(thickness(ink, 200 * ratio, 150 * ratio, 250 * ratio), 14 * ratio);
        const int dot = thickness(ink, 100 * ratio, 225 * ratio, 275 * ratio);
        QVERIFY2(dot >= 15 * ratio && dot <= 16 * ratio, qPrintable(QString::number(dot)));
    }

    void moveInvalidatesOnlyItsBox()
    {
        drawingOverlay();
        PaintLog log;
        overlay->installEventFilter(&log);
        QTest::mousePress(overlay.get(), Qt::LeftButton, {}, QPoint(100, 100));
        QCoreApplication::processEvents();
        QTest::mouseMove(overlay.get(), QPoint(140, 120));
        QCoreApplication::processEvents();
        QCOMPARE(log.boxes, (QList<QRect>{{94, 94, 13, 13}, {94, 94, 53, 33}}));
        QTest::mouseRelease(overlay.get(), Qt::LeftButton, {}, QPoint(140, 120));
    }

    void paintsInkAndAlmostTransparentBackground()
    {
        drawingOverlay();
        tap({50, 50});
        for (bool drawing : {true, false}) {
            overlay->setTool(drawing ? AnnotationOverlay::Pen : AnnotationOverlay::Pointer);
            QImage image(overlay->size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            overlay->render(&image);
            QCOMPARE(image.pixelColor(50, 50), kRed); // the ink stays visible
            QCOMPARE(image.pixelColor(300, 200).alpha(), drawing ? 1 : 0);
        }
    }

    void clickThroughFollowsTheMode()
    {
        overlay = std::make_unique<AnnotationOverlay>();
        overlay->attachTo(QRect(0, 0, 400, 300));
        QVERIFY(!overlay->isVisible());
        overlay->setOverlayActive(true);
        QVERIFY(overlay->isVisible());
        QCOMPARE(lastClickThrough(), QString("1"));
        QVERIFY(fake->calls.contains("raiseAbove " +
                                     FakeBackend::name(win::fromWinId(overlay->winId())) + " 0x0"));
        const QList<std::tuple<std::function<void()>, Tool, bool>> steps = {
            {[&] { overlay->setAnnotating(true); }, AnnotationOverlay::Pen, false},
            {[&] { overlay->setTool(AnnotationOverlay::Pointer); }, AnnotationOverlay::Pointer,
             true},
            {[&] { overlay->setTool(AnnotationOverlay::Eraser); }, AnnotationOverlay::Eraser,
             false},
            {[&] { overlay->setAnnotating(false); }, AnnotationOverlay::Pointer, true},
            {[&] { overlay->setTool(AnnotationOverlay::Highlighter); },
             AnnotationOverlay::Highlighter, true},
            {[&] { overlay->setAnnotating(true); }, AnnotationOverlay::Pen, false},
            {[&] { overlay->setOverlayActive(false); }, AnnotationOverlay::Pen, false},
        };
        for (const auto &[act, tool, through] : steps) {
            act();
            QCOMPARE(overlay->tool(), tool);
            QCOMPARE(lastClickThrough(), QString(through ? "1" : "0"));
            QCOMPARE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents), through);
        }
        QVERIFY(!overlay->isVisible());
        overlay->setAnnotating(false);
        overlay->setAnnotating(true); // drawing mode shows the overlay by itself
        QVERIFY(overlay->isOverlayActive() && overlay->isVisible());
    }

    void onlyTheLeftButtonDrawsAndOnlyInDrawingMode()
    {
        drawingOverlay();
        QSignalSpy activity(overlay.get(), &AnnotationOverlay::activity);
        const QImage blank = overlay->buffer();
        stroke({{20, 50}, {120, 50}}, Qt::RightButton);
        overlay->setTool(AnnotationOverlay::Pointer);
        stroke({{20, 60}, {120, 60}});
        overlay->setAnnotating(false);
        stroke({{20, 70}, {120, 70}});
        QCOMPARE(activity.size() + overlay->strokeCount(0), 0);
        QCOMPARE(overlay->buffer(), blank);
        overlay->setAnnotating(true);
        stroke({{20, 80}, {120, 80}});
        QCOMPARE(activity.size(), 1);
        QCOMPARE(overlay->strokeCount(0), 1);
    }

    void attachedWithoutInkStaysUnmappedWithoutComposition()
    {
        // The tray mode attaches a fresh overlay to a show: without composition it must not
        // cover the show while it has nothing to show.
        fake->shaped = true;
        overlay = std::make_unique<AnnotationOverlay>();
        overlay->attachTo(QRect(0, 0, 400, 300));
        overlay->setOverlayActive(true);
        QCoreApplication::processEvents();
        QVERIFY(overlay->isOverlayActive());
        QVERIFY(!overlay->isVisible());
        QVERIFY(!overlay->windowHandle() || !overlay->windowHandle()->isVisible());
    }

    void shapedToItsInkWithoutComposition()
    {
        fake->shaped = true;
        drawingOverlay();
        // Drawing shows the whole area once the picture of the screen under it is taken.
        QTRY_VERIFY(overlay->isVisible());
        QVERIFY(overlay->mask().isEmpty());
        stroke({{20, 50}, {120, 50}});
        overlay->setAnnotating(false);
        QVERIFY(overlay->isVisible());
        const QRegion mask = overlay->mask();
        QVERIFY(mask.contains(QPoint(70, 50)));
        QVERIFY(!mask.contains(QPoint(70, 60)));
        QVERIFY(mask.boundingRect().width() < 120);
        overlay->setCurrentPage(1); // no ink: nothing shown at all
        QVERIFY(overlay->isOverlayActive());
        QVERIFY(!overlay->isVisible());
        overlay->setCurrentPage(0);
        QVERIFY(overlay->isVisible());
        overlay->setAnnotating(true); // drawing takes the whole area again
        QVERIFY(!overlay->isVisible());
        QTRY_VERIFY(overlay->isVisible());
        QVERIFY(overlay->mask().isEmpty());
        fake->shaped = false;
        overlay->setAnnotating(false);
        QVERIFY(overlay->mask().isEmpty());
    }
};

PODIVEX_TEST_MAIN_SCREENS(TestAnnotationOverlay, OffscreenScreen::bothRatios())
#include "tst_annotationoverlay.moc"

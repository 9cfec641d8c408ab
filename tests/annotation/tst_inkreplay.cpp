// Replays from kept coverage against the toolkit's painter, bit for bit: whole pages, areas after
// undo, pages switched in and out of reused buffers, and the hand-written blending on every span
// length. Leaves the overlay window to tst_annotationoverlay.
#include "annotation/InkBlend.h"
#include "annotation/InkCanvas.h"
#include "annotation/StrokePainter.h"

#include <QRandomGenerator>
#include <QtTest>

namespace
{

const QSize kPage(300, 200);

// Pen, highlighter over itself, translucent ink, eraser, a dot and strokes leaving every edge,
// then random strokes of every tool, all moved by `shift`.
QList<Ink::Stroke> mixedPage(quint32 seed, int page, QPointF shift = {})
{
    using P = QList<QPointF>;
    QList<Ink::Stroke> strokes = {
        {Ink::Pen, QColor(255, 59, 48), 6, P{{-20, 30}, {150, 60}, {320, 20}}, page},
        {Ink::Highlighter, Qt::yellow, 32, P{{10, 50}, {200, 52}, {190, 70}, {20, 66}}, page},
        {Ink::Pen, QColor(52, 199, 89, 200), 12, P{{150, -30}, {160, 100}, {140, 230}}, page},
        {Ink::Eraser, Qt::black, 24, P{{100, 0}, {110, 120}}, page},
        {Ink::Pen, QColor(76, 154, 255), 3, P{{77.3, 91.7}}, page},
        {Ink::Pen, Qt::black, 70, P{{290, 190}, {330, 230}}, page},
    };
    QRandomGenerator random(seed);
    for (int s = 0; s < 40; ++s) {
        const auto tool = Ink::Tool(1 + random.bounded(3));
        Ink::Stroke stroke{tool, QColor::fromRgb(random.generate()), 0, {}, page};
        stroke.width = Ink::penWidth(tool, random.bounded(3));
        for (int i = 0, n = 1 + random.bounded(30); i < n; ++i)
            stroke.points << QPointF(random.bounded(360.0) - 30, random.bounded(260.0) - 30);
        strokes << stroke;
    }
    for (Ink::Stroke &stroke : strokes)
        stroke.points = QPolygonF(stroke.points).translated(shift);
    return strokes;
}

// The strokes drawn one by one with the painter.
QImage painted(const QList<Ink::Stroke> &strokes, qreal dpr)
{
    StrokeStore none;
    InkCanvas canvas(none);
    canvas.rebuild(kPage, dpr);
    for (const Ink::Stroke &s : strokes)
        canvas.drawLive(s);
    return canvas.image();
}

} // namespace

class TestInkReplay : public QObject
{
    Q_OBJECT

private slots:
    void sameAsThePainter_data()
    {
        QTest::addColumn<qreal>("dpr");
        for (qreal dpr : {1.0, 1.5, 2.0})
            QTest::addRow("scale %g", dpr) << dpr;
    }
    void sameAsThePainter()
    {
        QFETCH(qreal, dpr);
        // A full page, then one with ink in the top left corner only and one in the bottom right.
        const QList<QList<Ink::Stroke>> pages = {
            mixedPage(int(dpr * 2), 0), mixedPage(9, 1, {-200, -150}), mixedPage(5, 2, {200, 150})};
        StrokeStore store;
        for (const QList<Ink::Stroke> &page : pages)
            for (const Ink::Stroke &s : page)
                store.append(s);
        InkCanvas canvas(store);
        canvas.rebuild(kPage, dpr);
        canvas.replay(0);
        QCOMPARE(canvas.image(), painted(pages[0], dpr));
        // New buffers, buffers holding another page's ink, and the page kept.
        int from = 0;
        for (int to : {1, 2, 1, 0, 2}) {
            const QImage before = canvas.image();
            const QRegion changed = canvas.switchPage(from, to);
            const QImage &after = canvas.image();
            QCOMPARE(after, painted(pages[to], dpr));
            for (int y = 0; y < after.height(); ++y) // the window is repainted where pixels differ
                for (int x = 0; x < after.width(); ++x)
                    QVERIFY(before.pixel(x, y) == after.pixel(x, y) ||
                            changed.contains(QPoint(int(x / dpr), int(y / dpr))));
            if (from + to == 3) // between the corners, not the whole window
                QVERIFY(!changed.contains(QPoint(kPage.width() - 1, 0)) &&
                        !changed.contains(QPoint(0, kPage.height() - 1)));
            from = to;
        }
        // Undo, a partial replay: of wide opaque strokes across the ink of page 2, which hid
        // runs and edges of the strokes under them, then of a random stroke.
        for (Ink::Tool tool : {Ink::Pen, Ink::Eraser}) {
            const Ink::Stroke cover{tool, Qt::black, 40, {{150, 200}, {220, 130}, {300, 170}}, 2};
            store.append(cover);
            canvas.learn(store.page(2).last());
        }
        canvas.replay(2);
        QCOMPARE(canvas.image(), painted(store.strokes(2), dpr));
        for (int undo = 0; undo < 3; ++undo) {
            canvas.replayArea(2, StrokePainter::reach(*store.takeLast(2)));
            QCOMPARE(canvas.image(), painted(store.strokes(2), dpr));
        }
    }

    // The wide paths work four pixels at a time: every length, with and without room for a last
    // four past the span, against the pixel-by-pixel path; fills past sixteen pixels loop.
    void blendingSpans_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("room");
        for (bool room : {false, true})
            for (int n = 1; n <= 19; ++n)
                QTest::addRow("%d pixels%s", n, room ? ", room" : "") << n << room;
    }
    void blendingSpans()
    {
        QFETCH(int, n);
        QFETCH(bool, room);
        QRandomGenerator random(n);
        std::vector<quint32> under(size_t(n + 4));
        std::vector<quint8> coverage(size_t(n + 3)); // what lies past the span must not count
        for (quint32 &p : under)
            p = qPremultiply(random.generate());
        for (quint8 &c : coverage)
            c = quint8(1 + random.bounded(255));
        const quint32 color = qPremultiply(qRgba(200, 30, 90, 110));
        const InkBlend::Shades shades(color);
        auto wide = under, single = under;
        InkBlend::sourceOver(wide.data(), n, color);
        InkBlend::sourceOverCoverage(wide.data(), coverage.data(), n, shades, room);
        InkBlend::clearCoverage(wide.data(), coverage.data(), n, room);
        for (int i = 0; i < n; ++i) {
            InkBlend::sourceOver(&single[size_t(i)], 1, color);
            InkBlend::sourceOverCoverage(&single[size_t(i)], &coverage[size_t(i)], 1, shades);
            InkBlend::clearCoverage(&single[size_t(i)], &coverage[size_t(i)], 1);
        }
        QCOMPARE(wide, single); // the pixels after the span untouched too
        InkBlend::fill(wide.data(), n, color);
        std::fill_n(single.begin(), n, color);
        QCOMPARE(wide, single);
    }
};

QTEST_GUILESS_MAIN(TestInkReplay)
#include "tst_inkreplay.moc"

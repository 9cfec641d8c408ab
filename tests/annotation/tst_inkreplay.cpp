// Replays from kept coverage against the toolkit's own painter: the same pixels, bit for bit.
#include "annotation/InkBlend.h"
#include "annotation/InkCanvas.h"
#include "annotation/StrokePainter.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

namespace
{

const QSize kArea(300, 200);

Ink::Stroke stroke(Ink::Tool tool, QColor color, double width, QList<QPointF> points)
{
    return Ink::Stroke{tool, color, width, points, 0};
}

// Pen, highlighter over itself, eraser, dots, translucent ink and strokes leaving every edge,
// then random strokes of every tool.
QList<Ink::Stroke> mixedPage(quint32 seed)
{
    QList<Ink::Stroke> page = {
        stroke(Ink::Pen, QColor(255, 59, 48), 6, {{-20, 30}, {150, 60}, {320, 20}}),
        stroke(Ink::Highlighter, QColor(255, 214, 0), 32,
               {{10, 50}, {200, 52}, {190, 70}, {20, 66}, {40, 40}}),
        stroke(Ink::Pen, QColor(52, 199, 89, 200), 12, {{150, -30}, {160, 100}, {140, 230}}),
        stroke(Ink::Eraser, Qt::black, 24, {{100, 0}, {110, 120}}),
        stroke(Ink::Pen, QColor(76, 154, 255), 3, {{77.3, 91.7}}),
        stroke(Ink::Highlighter, QColor(175, 82, 222), 14, {{-5, -5}}),
        stroke(Ink::Pen, Qt::black, 70, {{290, 190}, {330, 230}}),
        stroke(Ink::Eraser, Qt::black, 42, {{250.5, 150.25}}),
    };
    QRandomGenerator random(seed);
    for (int s = 0; s < 40; ++s) {
        QList<QPointF> points;
        for (int i = 0, n = 1 + random.bounded(30); i < n; ++i)
            points << QPointF(random.bounded(360.0) - 30, random.bounded(260.0) - 30);
        const auto tool = Ink::Tool(1 + random.bounded(3));
        page << stroke(tool, QColor::fromRgb(random.generate() | 0xff000000),
                       Ink::penWidth(tool, random.bounded(3)), points);
    }
    return page;
}

QImage painterReplay(const QList<Ink::Stroke> &page, const QSize &device, qreal dpr)
{
    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(dpr, dpr);
    for (const Ink::Stroke &s : page)
        StrokePainter::draw(painter, s);
    return image;
}

} // namespace

class TestInkReplay : public QObject
{
    Q_OBJECT

private slots:
    void sameAsThePainter_data()
    {
        QTest::addColumn<qreal>("dpr");
        QTest::addColumn<quint32>("seed");
        for (qreal dpr : {1.0, 1.5, 2.0}) {
            for (quint32 seed : {1u, 2u})
                QTest::addRow("scale %g, page %u", dpr, seed) << dpr << seed;
        }
    }
    void sameAsThePainter()
    {
        QFETCH(qreal, dpr);
        QFETCH(quint32, seed);
        const QList<Ink::Stroke> page = mixedPage(seed);
        StrokeStore store;
        for (const Ink::Stroke &s : page)
            store.append(s);
        InkCanvas canvas(store);
        canvas.rebuild(kArea, dpr);
        canvas.replay(0);
        QCOMPARE(canvas.image(), painterReplay(page, canvas.image().size(), dpr));
        // A partial replay, after undo, matches a full one of what is left.
        const std::optional<Ink::Stroke> last = store.takeLast(0);
        canvas.replayArea(0, StrokePainter::reach(*last));
        QCOMPARE(canvas.image(),
                 painterReplay(page.mid(0, page.size() - 1), canvas.image().size(), dpr));
    }

    void simdMatchesScalar_data()
    {
        QTest::addColumn<quint32>("color");
        QTest::newRow("opaque") << 0xffff3b30u;
        QTest::newRow("highlighter") << 0x6e6e5c00u;
        QTest::newRow("faint") << 0x01010101u;
        QTest::newRow("transparent") << 0u;
    }
    void simdMatchesScalar()
    {
        QFETCH(quint32, color);
        QRandomGenerator random(3);
        std::vector<quint32> pixels(1027); // not a multiple of the vector width
        for (quint32 &p : pixels) {
            const quint32 a = random.bounded(256);
            const quint32 c = random.bounded(a + 1);
            p = a << 24 | c << 16 | (c / 2) << 8 | (a - c / 3); // premultiplied: channels <= a
        }
        std::vector<quint32> scalar = pixels;
        InkBlend::sourceOver(pixels.data(), int(pixels.size()), color);
        InkBlend::sourceOverScalar(scalar.data(), int(scalar.size()), color);
        QVERIFY(pixels == scalar);
    }
};

QTEST_MAIN(TestInkReplay)
#include "tst_inkreplay.moc"

// The vector icon set: bounds, ids, the underline's painter side effect, band alphas, scaling.
#include "controls/IconPainter.h"

#include <QPainter>
#include <QtTest>

namespace
{

const QStringList kIds = {"pen",   "annotate", "highlighter", "eraser",   "pointer",
                          "clear", "undo",     "minimize",    "prev",     "next",
                          "swap",  "grip",     "expand",      "collapse", "power"};

QImage blank(int w = 200, int h = 200)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QImage paint(const QString &id, const QRectF &box, const QColor &color)
{
    QImage img = blank();
    QPainter p(&img);
    Icons::draw(p, id, box, color);
    return img;
}

// Bounding rectangle of the pixels whose alpha exceeds the threshold.
QRect inkBounds(const QImage &img, int threshold = 0)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(img.pixel(x, y)) > threshold)
                r |= QRect(x, y, 1, 1);
        }
    }
    return r;
}

int maxAlpha(const QImage &img)
{
    int m = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x)
            m = qMax(m, qAlpha(img.pixel(x, y)));
    }
    return m;
}

int alphaAt(const QImage &img, qreal fx, qreal fy, const QRectF &box)
{
    return qAlpha(img.pixel(int(box.x() + fx * box.width()), int(box.y() + fy * box.height())));
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private slots:
    void paintsInsideItsBox_data()
    {
        QTest::addColumn<QString>("id");
        for (const QString &id : kIds)
            QTest::newRow(qPrintable(id)) << id;
    }
    void paintsInsideItsBox()
    {
        QFETCH(QString, id);
        const QRectF box(37.5, 41, 120, 120);
        const QImage img = paint(id, box, Qt::white);
        const QRect ink = inkBounds(img);
        QVERIFY(!ink.isEmpty());
        QVERIFY(box.adjusted(-1, -1, 1, 1).contains(QRectF(ink)));
        // Every icon fills a good part of its box rather than a corner of it.
        QVERIFY(ink.width() > box.width() / 2 || ink.height() > box.height() / 2);
    }

    void unknownIdsPaintNothing_data()
    {
        QTest::addColumn<QString>("id");
        for (const char *id : {"", "Pen", "POWER", "pe", "pens", "undo ", "settings"})
            QTest::addRow("'%s'", id) << QString::fromLatin1(id);
    }
    void unknownIdsPaintNothing()
    {
        QFETCH(QString, id);
        QImage img = blank();
        QPainter p(&img);
        const QPen pen(Qt::red, 3);
        p.setPen(pen);
        p.setBrush(Qt::green);
        Icons::draw(p, id, QRectF(0, 0, 200, 200), Qt::white);
        QCOMPARE(p.pen(), pen);
        QCOMPARE(p.brush(), QBrush(Qt::green));
        p.end();
        QCOMPARE(maxAlpha(img), 0);
    }

    void annotateAddsUnderlineWithCallersPen()
    {
        const QRectF box(0, 0, 100, 100);
        const QColor blue(0, 0, 255);
        QImage pen = blank(120, 120);
        QImage annotate = blank(120, 120);
        {
            QPainter p(&pen);
            p.setPen(QPen(Qt::red, 4));
            Icons::draw(p, "pen", box, blue);
            QCOMPARE(p.brush().style(), Qt::NoBrush); // "pen" leaves the caller's painter alone
        }
        {
            QPainter p(&annotate);
            p.setPen(QPen(Qt::red, 4));
            Icons::draw(p, "annotate", box, blue);
            QCOMPARE(p.brush(), QBrush(blue));
        }
        // Above the underline both paint the same pen.
        QCOMPARE(pen.copy(0, 0, 120, 80), annotate.copy(0, 0, 120, 80));
        // The underline sits at 0.86..0.93 of the box, filled blue, outlined by the caller's pen.
        QCOMPARE(qAlpha(pen.pixel(75, 89)), 0);
        QCOMPARE(QColor(annotate.pixel(75, 90)), blue);
        const QColor edge(annotate.pixel(50, 86));
        QVERIFY2(edge.red() > 200 && edge.blue() < 60, qPrintable(edge.name()));
    }

    void bandsUseFixedAlpha_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("alpha");
        QTest::newRow("highlighter") << "highlighter" << 110;
        QTest::newRow("eraser") << "eraser" << 90;
    }
    void bandsUseFixedAlpha()
    {
        QFETCH(QString, id);
        QFETCH(int, alpha);
        // With a fully transparent colour only the fixed-alpha band shows.
        const QImage img = paint(id, QRectF(0, 0, 200, 200), QColor(255, 255, 255, 0));
        QVERIFY(qAbs(maxAlpha(img) - alpha) <= 1);
    }

    void ownAlphaKeptOutsideBands()
    {
        const QRectF box(0, 0, 200, 200);
        const QImage img = paint("highlighter", box, QColor(255, 255, 255, 200));
        QVERIFY(qAbs(alphaAt(img, 0.54, 0.54, box) - 200) <= 1);   // body, on the centre line
        QVERIFY(qAbs(alphaAt(img, 0.776, 0.776, box) - 110) <= 1); // band, below the body
        const QImage opaque = paint("eraser", box, Qt::white);
        // Over an opaque body the eraser band adds nothing visible.
        QCOMPARE(alphaAt(opaque, 0.5, 0.56, box), 255);
    }

    void toolsPointToTheLowerLeft()
    {
        const QRectF box(0, 0, 200, 200);
        for (const char *id : {"pen", "highlighter"}) {
            const QImage img = paint(id, box, Qt::white);
            QVERIFY2(alphaAt(img, 0.27, 0.78, box) > 128, id);
            QCOMPARE(alphaAt(img, 0.86, 0.86, box), 0);
            QVERIFY2(alphaAt(img, 0.68, 0.40, box) > 128, id);
        }
    }

    void powerGapIsRightOfTheLine()
    {
        const QRectF box(0, 0, 200, 200);
        const QImage img = paint("power", box, Qt::white);
        // The arc is centred at (0.5, 0.52) with radius 0.34; its gap runs from 45 to 125 degrees.
        auto onArc = [&](qreal degrees) {
            const qreal a = qDegreesToRadians(degrees);
            return alphaAt(img, 0.5 + 0.34 * qCos(a), 0.52 - 0.34 * qSin(a), box);
        };
        for (qreal degrees : {65, 110})
            QCOMPARE(onArc(degrees), 0);
        for (qreal degrees : {30, 145, 270})
            QCOMPARE(onArc(degrees), 255);
        QCOMPARE(alphaAt(img, 0.5, 0.3, box), 255); // the vertical line
    }

    void wideBoxes_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("rotated");
        for (const char *id : {"prev", "next", "swap", "grip", "minimize", "clear", "pointer"})
            QTest::newRow(id) << QString::fromLatin1(id) << false;
        for (const char *id : {"pen", "highlighter", "eraser"})
            QTest::newRow(id) << QString::fromLatin1(id) << true;
    }
    void wideBoxes()
    {
        QFETCH(QString, id);
        QFETCH(bool, rotated);
        if (rotated) {
            // A 200 x 100 box and a 200 x 200 box with the same centre give the same drawing.
            const QImage wide = paint(id, QRectF(0, 50, 200, 100), Qt::white);
            QCOMPARE(wide, paint(id, QRectF(0, 0, 200, 200), Qt::white));
            QVERIFY(inkBounds(wide).height() > 100);
            return;
        }
        // The others stretch with the box.
        const QRect square = inkBounds(paint(id, QRectF(0, 0, 100, 100), Qt::white), 127);
        const QRect wide = inkBounds(paint(id, QRectF(0, 0, 200, 100), Qt::white), 127);
        QVERIFY(qAbs(wide.left() - 2 * square.left()) <= 2);
        QVERIFY(qAbs(wide.width() - 2 * square.width()) <= 2);
        QVERIFY(qAbs(wide.top() - square.top()) <= 2);
        QVERIFY(qAbs(wide.height() - square.height()) <= 2);
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"

// The toolbar's dock arithmetic: edges, ties, screens away from the origin and too small screens.
#include "controls/DockGeometry.h"

#include <QtTest>

const QRect kPrimary(0, 0, 1920, 1080), kSecond(1920, 0, 1281, 1440);

class TestDockGeometry : public QObject
{
    Q_OBJECT

private slots:
    // A bar released with its centre there docks to the nearest edge of that screen.
    void dropDocksToTheNearestEdge_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<QRect>("docked");
        const auto row = [](const char *name, QRect screen, QPoint centre, QRect docked) {
            QTest::newRow(name) << screen << centre << docked;
        };
        row("bottom as near as left", kPrimary, {200, 879}, {8, 423, 104, 232});
        row("bottom one nearer", kPrimary, {200, 880}, {843, 967, 232, 104});
        row("halfway goes right", kSecond, {2560, 700}, {3088, 603, 104, 232});
        row("one left of halfway", kSecond, {2559, 700}, {1928, 603, 104, 232});
        row("halfway, negative origin", {-1281, -500, 1281, 1000}, {-641, -200},
            {-113, -116, 104, 232});
        row("edges past the int range", {2'000'000'000, 0, 100'000'000, 1000}, {2'050'000'000, 900},
            {2'049'999'883, 887, 232, 104});
        row("screen smaller than the bar", {0, 0, 99, 99}, {90, 20}, {2, 2, 104, 232});
    }
    void dropDocksToTheNearestEdge()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, centre);
        QFETCH(QRect, docked);
        const Dock::Side side =
            Dock::nearestSide(screen, QRect(centre, centre).adjusted(-51, -115, 51, 115));
        QCOMPARE(Dock::dockedRect(screen, side, Dock::barSize(side, false)), docked);
    }

    void companion_data()
    {
        QTest::addColumn<Dock::Side>("side");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("right: to its left") << Dock::Right << QSize(300, 400) << QPoint(1495, 423);
        QTest::newRow("too tall: pushed up") << Dock::Left << QSize(300, 900) << QPoint(124, 175);
        QTest::newRow("too wide: left edge") << Dock::Right << QSize(2000, 400) << QPoint(4, 423);
    }
    void companion()
    {
        QFETCH(Dock::Side, side);
        QFETCH(QSize, size);
        QFETCH(QPoint, expected);
        const QRect bar = Dock::dockedRect(kPrimary, side, Dock::barSize(side, false));
        QCOMPARE(Dock::companionPos(kPrimary, bar, side, size), expected);
    }
};

QTEST_GUILESS_MAIN(TestDockGeometry)
#include "tst_dockgeometry.moc"

// The toolbar's dock arithmetic: edges, ties, screens away from the origin and too small screens.
#include "controls/DockGeometry.h"

#include <QtTest>

namespace
{

const QRect kPrimary(0, 0, 1920, 1080), kSecond(1920, 0, 1281, 1440);
const QRect kLeftOfPrimary(-1281, -500, 1281, 1000);
// A screen whose edges add up past the integer range.
const QRect kFar(2'000'000'000, 0, 100'000'000, 1000);

// A bar whose inclusive corners centre exactly on c.
QRect barAround(QPoint c)
{
    return QRect(c - QPoint(51, 115), c + QPoint(51, 115));
}

} // namespace

class TestDockGeometry : public QObject
{
    Q_OBJECT

private slots:
    void docked_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<Dock::Side>("side");
        QTest::addColumn<bool>("collapsed");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("right") << kPrimary << Dock::Right << false << QRect(1807, 423, 104, 232);
        QTest::newRow("bottom") << kPrimary << Dock::Bottom << false << QRect(843, 967, 232, 104);
        QTest::newRow("left folded") << kPrimary << Dock::Left << true << QRect(8, 469, 56, 140);
        QTest::newRow("second screen")
            << kSecond << Dock::Right << false << QRect(3088, 603, 104, 232);
        QTest::newRow("negative origin")
            << kLeftOfPrimary << Dock::Right << false << QRect(-113, -116, 104, 232);
        QTest::newRow("too small: the top left wins")
            << QRect(0, 0, 100, 100) << Dock::Right << false << QRect(2, 2, 104, 232);
        QTest::newRow("far from the origin")
            << kFar << Dock::Bottom << false << QRect(2'049'999'883, 887, 232, 104);
    }
    void docked()
    {
        QFETCH(QRect, screen);
        QFETCH(Dock::Side, side);
        QFETCH(bool, collapsed);
        QFETCH(QRect, expected);
        QCOMPARE(Dock::dockedRect(screen, side, Dock::barSize(side, collapsed)), expected);
    }

    void nearestSide_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<Dock::Side>("side");
        QTest::newRow("near left") << kPrimary << QPoint(300, 540) << Dock::Left;
        QTest::newRow("near right") << kPrimary << QPoint(1700, 200) << Dock::Right;
        QTest::newRow("bottom as near as left") << kPrimary << QPoint(200, 879) << Dock::Left;
        QTest::newRow("bottom one nearer") << kPrimary << QPoint(200, 880) << Dock::Bottom;
        QTest::newRow("halfway goes right") << kSecond << QPoint(2560, 700) << Dock::Right;
        QTest::newRow("one left of halfway") << kSecond << QPoint(2559, 700) << Dock::Left;
        QTest::newRow("halfway, negative origin")
            << kLeftOfPrimary << QPoint(-641, -200) << Dock::Right;
        QTest::newRow("far from the origin") << kFar << QPoint(2'000'000'100, 100) << Dock::Left;
    }
    void nearestSide()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, centre);
        QFETCH(Dock::Side, side);
        QCOMPARE(Dock::nearestSide(screen, barAround(centre)), side);
    }

    void companion_data()
    {
        QTest::addColumn<Dock::Side>("side");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("docked right: to its left")
            << Dock::Right << QSize(300, 400) << QPoint(1495, 423);
        QTest::newRow("docked left: to its right")
            << Dock::Left << QSize(300, 400) << QPoint(124, 423);
        QTest::newRow("docked bottom: above")
            << Dock::Bottom << QSize(300, 400) << QPoint(843, 555);
        QTest::newRow("too tall: pushed up") << Dock::Right << QSize(300, 900) << QPoint(1495, 175);
        QTest::newRow("wider than the screen") << Dock::Right << QSize(2000, 400) << QPoint(4, 423);
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

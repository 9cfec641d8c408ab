// Physical-to-logical conversions on one and on two screens of different scale factors, checked
// against the toolkit's own placement of the screens.
#include "Columns.h"
#include "FakeBackend.h"
#include "OffscreenScreen.h"
#include "platform/WindowLayer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include <functional>

namespace
{

// Screens by name in physical pixels, with their scale factors in percent.
const QHash<QString, std::pair<QRect, int>> kScreens = {
    {"laptop", {{0, 0, 2880, 1800}, 150}},
    {"projector right", {{2880, 0, 1920, 1080}, 100}},
    {"projector", {{0, 0, 1920, 1080}, 100}},
    {"laptop right", {{1920, 0, 2880, 1800}, 150}},
    {"projector left", {{-1920, 0, 1920, 1080}, 100}}};

// Runs body in an application whose offscreen screens are the named ones, the first primary.
void withScreens(const QString &names, const std::function<void()> &body)
{
    QList<OffscreenScreen::Screen> screens;
    for (const QString &name : names.split(", "))
        screens.append({kScreens.value(name).first, 1.0, kScreens.value(name).second});
    OffscreenScreen::configure(screens);
    static int argc = 1;
    static char program[] = "tst_coordinates";
    static char *argv[] = {program, nullptr};
    QGuiApplication app(argc, argv);
    body();
}

} // namespace

class TestCoordinates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                                 "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_ENABLE_HIGHDPI_SCALING"})
            qunsetenv(name);
    }

    // A press on a screen lands on that same screen's logical rectangle; outside every screen
    // the primary's ratio holds.
    void mouseHookToLogical_data()
    {
        columns<QString, QPoint, QPoint>("screens", "physical", "logical");
        const auto row = [](const char *screens, QPoint physical, QPoint logical) {
            QTest::addRow("%s %d,%d", screens, physical.x(), physical.y())
                << QString(screens) << physical << logical;
        };
        row("laptop", {300, 150}, {200, 100});
        row("laptop", {5000, -300}, {3333, -200});
        row("laptop, projector right", {2879, 1799}, {1919, 1199});
        row("laptop, projector right", {2980, 50}, {2980, 50});
        row("projector, laptop right", {100, 50}, {100, 50});
        row("projector, laptop right", {2221, 151}, {2121, 101});
        row("projector, laptop right", {1920, 0}, {1920, 0});
        row("laptop, projector left", {-1000, 500}, {-1000, 500});
        row("laptop, projector left", {300, 150}, {200, 100});
    }
    void mouseHookToLogical()
    {
        QFETCH(QString, screens);
        QFETCH(QPoint, physical);
        withScreens(screens, [&] {
            const QPoint result = win::mouseHookToLogical(physical.x(), physical.y());
            QTEST(result, "logical");
            for (const QScreen *s : QGuiApplication::screens()) {
                const QRect device(s->geometry().topLeft(),
                                   s->geometry().size() * s->devicePixelRatio());
                QVERIFY(!device.contains(physical) || s->geometry().contains(result));
            }
        });
    }

    // One-shot commands run on a console application: nothing is scaled there.
    void withoutApplicationNothingChanges()
    {
        QVERIFY(!qGuiApp);
        FakeBackend::install().monitorQuery = [](win::Handle) { return QRect(0, 0, 1280, 720); };
        QCOMPARE(win::mouseHookToLogical(301, -151), QPoint(301, -151));
        QCOMPARE(win::scaledRect(10, 20, 110, 220), QRect(10, 20, 100, 200));
        QCOMPARE(win::monitorRect(nullptr), QRect(0, 0, 1280, 720));
    }

    // monitorRect gets the monitor as the scaling rule left it (divided by the highest ratio) and
    // must still name the toolkit's rectangle of that monitor.
    void monitorRect_data()
    {
        columns<QString, QString>("screens", "monitor");
        for (const char *screens :
             {"laptop, projector right", "projector, laptop right", "laptop, projector left"}) {
            for (const QString &monitor : QString(screens).split(", "))
                QTest::addRow("%s: %s", screens, qPrintable(monitor)) << screens << monitor;
        }
    }
    void monitorRect()
    {
        QFETCH(QString, screens);
        QFETCH(QString, monitor);
        withScreens(screens, [&] {
            const QRect m = kScreens.value(monitor).first;
            FakeBackend::install().monitorQuery = [m](win::Handle) {
                return win::scaledRect(m.left(), m.top(), m.right() + 1, m.bottom() + 1);
            };
            const QScreen *s =
                QGuiApplication::screens().value(screens.split(", ").indexOf(monitor));
            QVERIFY(s);
            QCOMPARE(win::monitorRect(FakeBackend::handle(1)), s->geometry());
        });
    }
};

QTEST_APPLESS_MAIN(TestCoordinates)
#include "tst_coordinates.moc"

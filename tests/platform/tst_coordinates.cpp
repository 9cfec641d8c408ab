// Physical-to-logical conversions on one and on two screens of different scale factors, checked
// against the toolkit's own placement of the screens.
#include "FakeBackend.h"
#include "platform/WindowLayer.h"

#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>

namespace
{

// A screen in physical pixels at a scale factor, as the system reports it (150 % = 144 dpi).
QJsonObject screen(const char *name, QRect native, int percent)
{
    return QJsonObject{{"name", name},
                       {"x", native.x()},
                       {"y", native.y()},
                       {"width", native.width()},
                       {"height", native.height()},
                       {"logicalDpi", 96 * percent / 100},
                       {"logicalBaseDpi", 96}};
}

const QRect kLaptop(0, 0, 2880, 1800);
const QRect kProjectorRight(2880, 0, 1920, 1080);
const QRect kProjectorAtOrigin(0, 0, 1920, 1080);
const QRect kLaptopRight(1920, 0, 2880, 1800);
const QRect kProjectorNegative(-1920, 0, 1920, 1080);

// Arrangements by name; the first screen is the primary one.
QJsonArray layout(const QString &name)
{
    if (name == QLatin1String("single"))
        return {screen("laptop", kLaptop, 150)};
    if (name == QLatin1String("laptop left"))
        return {screen("laptop", kLaptop, 150), screen("projector", kProjectorRight, 100)};
    if (name == QLatin1String("projector left"))
        return {screen("projector", kProjectorAtOrigin, 100), screen("laptop", kLaptopRight, 150)};
    return {screen("laptop", kLaptop, 150), screen("projector", kProjectorNegative, 100)};
}

// Runs body inside an application whose offscreen screens are the named layout.
void withScreens(const QString &name, const std::function<void()> &body)
{
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QJsonDocument(QJsonObject{{"screens", layout(name)}}).toJson());
    config.close();
    // A relative path: the platform argument list is split at colons, which a drive letter has.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=screens.json");
    static int argc = 1;
    static char program[] = "tst_coordinates";
    static char *argv[] = {program, nullptr};
    QGuiApplication app(argc, argv);
    QDir::setCurrent(previous);
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

    void mouseHookToLogical_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QPoint>("physical");
        QTest::addColumn<QPoint>("logical");
        const auto row = [](const char *layout, QPoint physical, QPoint logical) {
            QTest::addRow("%s %d,%d", layout, physical.x(), physical.y())
                << QString::fromLatin1(layout) << physical << logical;
        };
        row("single", {300, 150}, {200, 100});
        row("single", {5000, -300}, {3333, -200}); // outside: the primary's ratio
        row("laptop left", {2879, 1799}, {1919, 1199});
        row("laptop left", {2980, 50}, {2980, 50});
        row("projector left", {100, 50}, {100, 50});
        row("projector left", {2221, 151}, {2121, 101});
        row("projector left", {1920, 0}, {1920, 0});
        row("projector left of primary", {-1000, 500}, {-1000, 500});
        row("projector left of primary", {300, 150}, {200, 100});
    }

    void mouseHookToLogical()
    {
        QFETCH(QString, layout);
        QFETCH(QPoint, physical);
        QFETCH(QPoint, logical);
        withScreens(layout, [&] {
            const QPoint result = win::mouseHookToLogical(physical.x(), physical.y());
            QCOMPARE(result, logical);
            // A press on a screen lands on that same screen's logical rectangle.
            for (const QScreen *s : QGuiApplication::screens()) {
                const QRect device(s->geometry().topLeft(),
                                   s->geometry().size() * s->devicePixelRatio());
                if (device.contains(physical))
                    QVERIFY(s->geometry().contains(result));
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
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("monitor"); // physical
        QTest::newRow("laptop left: projector") << "laptop left"
                                                << "projector" << kProjectorRight;
        QTest::newRow("projector left: projector") << "projector left"
                                                   << "projector" << kProjectorAtOrigin;
        QTest::newRow("projector left: laptop") << "projector left"
                                                << "laptop" << kLaptopRight;
        QTest::newRow("negative origin: projector") << "projector left of primary"
                                                    << "projector" << kProjectorNegative;
    }

    void monitorRect()
    {
        QFETCH(QString, layout);
        QFETCH(QString, name);
        QFETCH(QRect, monitor);
        withScreens(layout, [&] {
            FakeBackend::install().monitorQuery = [monitor](win::Handle) {
                return win::scaledRect(monitor.left(), monitor.top(), monitor.right() + 1,
                                       monitor.bottom() + 1);
            };
            const auto screens = QGuiApplication::screens();
            const auto s = std::find_if(screens.begin(), screens.end(),
                                        [&](QScreen *s) { return s->name() == name; });
            QVERIFY(s != screens.end());
            QCOMPARE(win::monitorRect(FakeBackend::handle(1)), (*s)->geometry());
        });
    }
};

QTEST_APPLESS_MAIN(TestCoordinates)
#include "tst_coordinates.moc"

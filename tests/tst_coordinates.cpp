// Physical-to-logical conversions on one and on two screens of different scale factors, checked
// against the toolkit's own placement of the screens.
#include "FakeBackend.h"
#include "WinUtil.h"

#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

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

const QRect kLaptopAtOrigin(0, 0, 2880, 1800);

// Arrangements by name; the first screen is the primary one.
QJsonArray layout(const QString &name)
{
    if (name == QLatin1String("single"))
        return {screen("laptop", kLaptopAtOrigin, 150)};
    if (name == QLatin1String("laptop left"))
        return {screen("laptop", kLaptopAtOrigin, 150),
                screen("projector", QRect(2880, 0, 1920, 1080), 100)};
    if (name == QLatin1String("projector left"))
        return {screen("projector", QRect(0, 0, 1920, 1080), 100),
                screen("laptop", QRect(1920, 0, 2880, 1800), 150)};
    if (name == QLatin1String("projector left of primary"))
        return {screen("laptop", kLaptopAtOrigin, 150),
                screen("projector", QRect(-1920, 0, 1920, 1080), 100)};
    return {};
}

// Runs body inside an application whose offscreen screens are the named layout.
void withScreens(const QString &name, const std::function<void()> &body)
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QJsonDocument(QJsonObject{{"screens", layout(name)}}).toJson());
    config.close();
    // A relative path: the platform argument list is split at colons, which a drive letter has.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=screens.json");
    {
        static int argc = 1;
        static char program[] = "tst_coordinates";
        static char *argv[] = {program, nullptr};
        QGuiApplication app(argc, argv);
        QDir::setCurrent(previous);
        body();
    }
    QDir::setCurrent(previous);
}

QScreen *screenNamed(const QString &name)
{
    for (QScreen *s : QGuiApplication::screens()) {
        if (s->name() == name)
            return s;
    }
    return nullptr;
}

} // namespace

class TestCoordinates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qunsetenv("QT_SCALE_FACTOR");
        qunsetenv("QT_SCREEN_SCALE_FACTORS");
        qunsetenv("QT_SCALE_FACTOR_ROUNDING_POLICY");
        qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
    }

    // The rule the conversions rest on: a screen's logical rectangle starts where its physical one
    // does, and only its size is divided by its ratio.
    void toolkitKeepsScreenOrigins_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("logical");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("laptop left: laptop") << "laptop left"
                                             << "laptop" << QRect(0, 0, 1920, 1200) << 1.5;
        QTest::newRow("laptop left: projector") << "laptop left"
                                                << "projector" << QRect(2880, 0, 1920, 1080) << 1.0;
        QTest::newRow("projector left: laptop") << "projector left"
                                                << "laptop" << QRect(1920, 0, 1920, 1200) << 1.5;
        QTest::newRow("negative origin: projector")
            << "projector left of primary"
            << "projector" << QRect(-1920, 0, 1920, 1080) << 1.0;
    }

    void toolkitKeepsScreenOrigins()
    {
        QFETCH(QString, layout);
        QFETCH(QString, name);
        QFETCH(QRect, logical);
        QFETCH(qreal, ratio);
        withScreens(layout, [&] {
            const QScreen *s = screenNamed(name);
            QVERIFY(s);
            QCOMPARE(s->geometry(), logical);
            QCOMPARE(s->devicePixelRatio(), ratio);
        });
    }

    void mouseHookToLogical_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QPoint>("physical");
        QTest::addColumn<QPoint>("logical");
        QTest::newRow("single, exact") << "single" << QPoint(300, 150) << QPoint(200, 100);
        QTest::newRow("single, rounded") << "single" << QPoint(301, 151) << QPoint(201, 101);
        QTest::newRow("single, outside: primary ratio")
            << "single" << QPoint(5000, -300) << QPoint(3333, -200);
        QTest::newRow("laptop left: on laptop")
            << "laptop left" << QPoint(301, 151) << QPoint(201, 101);
        QTest::newRow("laptop left: laptop's last pixel")
            << "laptop left" << QPoint(2879, 1799) << QPoint(1919, 1199);
        QTest::newRow("laptop left: on projector")
            << "laptop left" << QPoint(2980, 50) << QPoint(2980, 50);
        QTest::newRow("laptop left: projector's last pixel")
            << "laptop left" << QPoint(4799, 1079) << QPoint(4799, 1079);
        QTest::newRow("projector left: on projector")
            << "projector left" << QPoint(100, 50) << QPoint(100, 50);
        QTest::newRow("projector left: on laptop")
            << "projector left" << QPoint(2220, 150) << QPoint(2120, 100);
        QTest::newRow("projector left: laptop, rounded")
            << "projector left" << QPoint(2221, 151) << QPoint(2121, 101);
        QTest::newRow("projector left: laptop's first pixel")
            << "projector left" << QPoint(1920, 0) << QPoint(1920, 0);
        QTest::newRow("negative origin: on projector")
            << "projector left of primary" << QPoint(-1000, 500) << QPoint(-1000, 500);
        QTest::newRow("negative origin: on laptop")
            << "projector left of primary" << QPoint(300, 150) << QPoint(200, 100);
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

    void withoutApplicationNothingChanges()
    {
        QVERIFY(!qGuiApp);
        QCOMPARE(win::mouseHookToLogical(301, -151), QPoint(301, -151));
    }

    // monitorRect gets the monitor as the scaling rule left it (divided by the highest ratio) and
    // must still name the toolkit's rectangle of that monitor.
    void monitorRect_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("monitor"); // physical
        QTest::newRow("single") << "single"
                                << "laptop" << kLaptopAtOrigin;
        QTest::newRow("laptop left: laptop") << "laptop left"
                                             << "laptop" << kLaptopAtOrigin;
        QTest::newRow("laptop left: projector") << "laptop left"
                                                << "projector" << QRect(2880, 0, 1920, 1080);
        QTest::newRow("projector left: projector") << "projector left"
                                                   << "projector" << QRect(0, 0, 1920, 1080);
        QTest::newRow("projector left: laptop") << "projector left"
                                                << "laptop" << QRect(1920, 0, 2880, 1800);
        QTest::newRow("negative origin: projector") << "projector left of primary"
                                                    << "projector" << QRect(-1920, 0, 1920, 1080);
    }

    void monitorRect()
    {
        QFETCH(QString, layout);
        QFETCH(QString, name);
        QFETCH(QRect, monitor);
        withScreens(layout, [&] {
            FakeBackend &fake = FakeBackend::install();
            fake.monitorQuery = [monitor](HWND) {
                return win::scaledRect(monitor.left(), monitor.top(), monitor.right() + 1,
                                       monitor.bottom() + 1);
            };
            const QScreen *s = screenNamed(name);
            QVERIFY(s);
            QCOMPARE(win::monitorRect(FakeBackend::handle(1)), s->geometry());
        });
    }

    void scalingRuleUsesTheHighestRatio()
    {
        withScreens(QStringLiteral("laptop left"), [] {
            QCOMPARE(qGuiApp->devicePixelRatio(), 1.5);
            // The projector's own ratio is 1, yet its rectangle is divided by 1.5 like every other.
            QCOMPARE(win::scaledRect(2880, 0, 4800, 1080), QRect(1920, 0, 1280, 720));
            QCOMPARE(win::scaledRect(-301, 0, 1, 151), QRect(-200, 0, 201, 100));
        });
    }
};

QTEST_APPLESS_MAIN(TestCoordinates)
#include "tst_coordinates.moc"

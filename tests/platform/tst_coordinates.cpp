// Physical-to-logical conversions on one and on two screens of different scale factors, checked
// against the toolkit's own placement of the screens. Scale factors forced from the environment
// are left out.
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
    // A press on a screen lands on that same screen's logical rectangle; outside every screen the
    // primary's ratio holds. monitorRect gets each monitor as the scaling rule left it (divided by
    // the highest ratio) and must still name the toolkit's rectangle of that monitor.
    void toLogical_data()
    {
        columns<QString, QPoint, QPoint>("screens", "physical", "logical");
        const auto row = [](const char *screens, QPoint physical, QPoint logical) {
            QTest::addRow("%s %d,%d", screens, physical.x(), physical.y())
                << QString(screens) << physical << logical;
        };
        row("laptop", {300, 150}, {200, 100});
        row("laptop, projector right", {5000, -300}, {3333, -200});
        row("laptop, projector right", {2879, 1799}, {1919, 1199});
        row("laptop, projector right", {2980, 50}, {2980, 50});
        row("projector, laptop right", {100, 50}, {100, 50});
        row("projector, laptop right", {2221, 151}, {2121, 101});
        row("projector, laptop right", {1920, 0}, {1920, 0});
        row("laptop, projector left", {-1000, 500}, {-1000, 500});
        row("laptop, projector left", {300, 150}, {200, 100});
    }
    void toLogical()
    {
        QFETCH(QString, screens);
        QFETCH(QPoint, physical);
        withScreens(screens, [&] {
            const QPoint result = win::mouseHookToLogical(physical.x(), physical.y());
            QTEST(result, "logical");
            const QStringList names = screens.split(", ");
            QCOMPARE(QGuiApplication::screens().size(), names.size());
            for (int i = 0; i < names.size(); ++i) {
                const QRect m = kScreens.value(names.at(i)).first;
                const QRect logical = QGuiApplication::screens().at(i)->geometry();
                QVERIFY(!m.contains(physical) || logical.contains(result));
                FakeBackend::install().monitorQuery = [m](win::Handle) {
                    return win::scaledRect(m.left(), m.top(), m.right() + 1, m.bottom() + 1);
                };
                QCOMPARE(win::monitorRect(FakeBackend::handle(1)), logical);
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
};

QTEST_APPLESS_MAIN(TestCoordinates)
#include "tst_coordinates.moc"

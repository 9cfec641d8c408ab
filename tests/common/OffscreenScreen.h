// Offscreen screens of chosen sizes, ratios and scale factors; set up before the application
// exists.
#pragma once

#include <QList>
#include <QRect>

namespace OffscreenScreen
{

struct Screen {
    Screen(QRect geometry, double dpr = 1.0, int percent = 100)
        : geometry(geometry), dpr(dpr), percent(percent)
    {
    }
    QRect geometry;
    double dpr;
    int percent; // the system's scale factor: 150 % is 144 DPI
};

// Selects the offscreen platform with these screens; the first is the primary.
void configure(const QList<Screen> &screens);
// A normal screen and a double-density one to its right, so that one process draws at both ratios.
QList<Screen> bothRatios();
// A rectangle of the given size on the bothRatios() screen with that ratio (1 or 2).
QRect on(int ratio, int width, int height);

} // namespace OffscreenScreen

// A QTEST_MAIN that runs on the given offscreen screens.
#define PODIVEX_TEST_MAIN_SCREENS(TestObject, ...)                                                 \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        OffscreenScreen::configure(__VA_ARGS__);                                                   \
        QApplication app(argc, argv);                                                              \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

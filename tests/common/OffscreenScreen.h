// Gives the offscreen platform one screen of a chosen size; call before the application exists.
#pragma once

#include <QString>

namespace OffscreenScreen
{

// Selects the offscreen platform with one screen of width by height at the origin and ratio dpr.
void configure(int width, int height, double dpr = 1.0);

} // namespace OffscreenScreen

// A QTEST_MAIN that runs on a 1920 x 1080 offscreen screen.
#define PODIVEX_TEST_MAIN_1080P(TestObject)                                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        OffscreenScreen::configure(1920, 1080);                                                    \
        QApplication app(argc, argv);                                                              \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// Gives the offscreen platform screens of chosen sizes; call before the application exists.
#pragma once

#include <QList>
#include <QRect>

namespace OffscreenScreen
{

// Selects the offscreen platform with these screens (the first is the primary) at ratio dpr.
void configure(const QList<QRect> &screens, double dpr = 1.0);

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

// A QTEST_MAIN that runs on one 1920 x 1080 offscreen screen.
#define PODIVEX_TEST_MAIN_1080P(TestObject)                                                        \
    PODIVEX_TEST_MAIN_SCREENS(TestObject, {QRect(0, 0, 1920, 1080)})

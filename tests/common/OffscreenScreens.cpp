// An offscreen platform with a normal and a double-density screen.
#include "OffscreenScreens.h"

#include <QByteArray>

namespace OffscreenScreens
{

void use()
{
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=" PODIVEX_SOURCE_DIR
                                          "/tests/common/offscreen-screens.json"));
}

QRect on(int ratio, int width, int height)
{
    return QRect(ratio == 2 ? 3840 : 0, 0, width, height);
}

} // namespace OffscreenScreens

// The guard's filter: the window layer recognises a style change; the guard decides whether to
// repair.
#include "platform/TopMostGuard.h"

TopMostGuard::~TopMostGuard() = default;

bool TopMostGuard::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    const win::Handle target = win::topMostChangeTarget(eventType, message);
    if (target && guarded.contains(target))
        win::restoreTopMost(target);
    return false; // never consumed: the toolkit handles the message as usual
}

void TopMostGuard::guard(win::Handle window)
{
    if (window)
        guarded.insert(window);
}

void TopMostGuard::unguard(win::Handle window)
{
    guarded.remove(window);
}

// The guard's filter: the window layer recognises a style change; the guard decides whether to repair.
#include "platform/TopMostGuard.h"

TopMostGuard::~TopMostGuard() = default;

bool TopMostGuard::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    const HWND target = win::topMostChangeTarget(eventType, message);
    if (target && guarded.contains(target))
        win::restoreTopMost(target);
    return false; // never consumed: the toolkit handles the message as usual
}

void TopMostGuard::guard(HWND hwnd)
{
    if (hwnd)
        guarded.insert(hwnd);
}

void TopMostGuard::unguard(HWND hwnd) { guarded.remove(hwnd); }

void TopMostGuard::clear() { guarded.clear(); }

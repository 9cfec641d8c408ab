// Puts the program's own windows back into the top-most band the moment something takes them out.
#pragma once

#include "platform/WindowLayer.h"

#include <QAbstractNativeEventFilter>
#include <QSet>

class TopMostGuard : public QAbstractNativeEventFilter
{
public:
    ~TopMostGuard() override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    void guard(win::Handle window);
    void unguard(win::Handle window);

private:
    QSet<win::Handle> guarded;
};

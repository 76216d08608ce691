#include "iCalSync.h"

#include "MainQueue.h"

#include <QDebug>

std::atomic<bool> iCalSyncBusy{false};

bool iCalSync::waitUntilIdle(double seconds)
{
    if (MainQueue::waitWhile([] { return iCalSyncBusy.load(); }, seconds)) return true;
    qWarning() << "The calendar-store sync did not end within" << seconds << "s";
    return false;
}

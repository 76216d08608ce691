#pragma once

#include <QCoreApplication>
#include <QEvent>

// What the event loop does between two turns of a benchmark: every posted
// event delivered, then the deferred deletions (which a plain
// sendPostedEvents leaves queued). Delivering only the deletions lets the
// other posted events pile up, and Qt's posted-event list then costs more at
// each turn, so a figure would grow through its own run.
inline void deliverPostedEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

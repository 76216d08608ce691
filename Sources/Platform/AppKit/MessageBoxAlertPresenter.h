#pragma once

#include "AlertPresenter.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

// Posted through the default NotificationCenter on the main thread each time
// an alert of the presenter ends, once it no longer counts as running; the
// object is the answer's button code (qint64). Views hold their rebuilds
// while an alert runs (QTimers keep firing inside its loop) and catch up on
// this notification.
inline const QString kAlertDidEndNotification = QStringLiteral("AlertDidEndNotification");

// The presenter the shell installs: a QMessageBox with the request's buttons
// (one "OK" when it has none), its do-not-ask-again box and, when the request
// has choices, a pop-up of them under the texts. The answer is the button
// pressed, whatever order the style lays the buttons out in.
//
// An attached request hangs from Application::mainWindow() when that window
// is on screen: a child window of it, modal to it alone, centred on it
// horizontally with its top at the top of the window's content (just under
// the title bar). Otherwise, and for requests that are not attached, the
// alert is a plain one centred on the screen and modal to the whole program.
//
// Alerts run on the main thread. Asked from another thread, the alert runs
// there while the caller waits for its answer; the caller must then hold
// nothing the main thread may be waiting for. Needs a QApplication.
class MessageBoxAlertPresenter : public AlertPresenter {
public:
    AlertResponse runModal(const AlertRequest& request) override;

    // Ends the innermost running alert, which answers AlertResponse::stopped.
    // Nothing happens when none runs. From another thread the stop is sent
    // to the main thread and this returns at once.
    static void stopModal();
    // Ends every running alert, innermost first, each answering
    // AlertResponse::stopped: the program is quitting and no alert may hold
    // it or be taken as answered. Main thread only.
    static void stopAll();

    // Whether an alert of this presenter is open; any thread may ask.
    static bool isRunning();

    // Where an attached alert of the given size goes, in our coordinates,
    // for the main window's content frame (also in ours).
    static QRectF attachedFrame(const QRectF& windowFrame, const QSizeF& alertSize);
    // The button Escape presses among buttons of these titles (at least
    // one): the one titled with the cancel text, else the last.
    static qsizetype escapeButtonIndex(const QStringList& titles);
};

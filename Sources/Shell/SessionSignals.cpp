#include "SessionSignals.h"

#include "ZoravelAppDelegate.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void quitOnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void quitCleanlyOnSignals(ZoravelAppDelegate* delegate)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, delegate);
    QObject::connect(notifier, &QSocketNotifier::activated, delegate, [delegate] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        delegate->closeApp();
        // The session is ending: a window that refused to close does not
        // keep the program running (the loops end; the shut-down still runs).
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = quitOnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

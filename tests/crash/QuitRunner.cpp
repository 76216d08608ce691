// A program that quits while a worker waits in MainQueue::sync for a job the
// main thread never ran: the job goes with the application, and the worker
// must then go on. It exits 0 when the worker returned, 1 when it still
// waits (the test that starts it reads a hang as that). A second
// application then takes hand-offs as the first did.
#include "MainQueue.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace {

bool workerReturnsAfterTheApplicationGoes(int argc, char** argv)
{
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    std::atomic<bool> ran{false};
    std::promise<void> calling;
    std::promise<void> returned;
    std::thread worker([&] {
        calling.set_value();
        MainQueue::sync([&ran] { ran = true; });
        returned.set_value();
    });
    calling.get_future().wait();
    // Long enough for the job to be queued; the main thread never runs its loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    app.reset();
    if (returned.get_future().wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        std::fputs("the worker still waits after the application went\n", stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    worker.join();
    return !ran;
}

bool aNewApplicationRunsHandOffs(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::atomic<bool> ran{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        MainQueue::sync([&ran] { ran = true; });
        returned = true;
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!returned && std::chrono::steady_clock::now() < until) QCoreApplication::processEvents();
    if (!returned) {
        std::fputs("a new application does not run the worker's job\n", stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    worker.join();
    return ran;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!workerReturnsAfterTheApplicationGoes(argc, argv)) return 2;
    if (!aNewApplicationRunsHandOffs(argc, argv)) return 3;
    return 0;
}

#pragma once

#include "ScheduledTimer.h"

#include <functional>

// Work for the main thread, where every view and observer runs.
//
// Without an application object there is no event loop to hop to: every
// thread then counts as the main one and work runs at once on the caller.
class MainQueue {
public:
    static bool isMainThread();

    // Runs the job later on the main thread, even when called there.
    static void async(std::function<void()> job);
    // Runs the job on the main thread and returns when it is done; directly
    // when called on the main thread.
    static void sync(const std::function<void()>& job);
    // Runs the job on the main thread after the delay, through the current
    // Scheduler (so tests move it with the clock).
    static ScheduledTimer after(double seconds, std::function<void()> job);

    // Waits while busy() holds, at most `seconds` (wall time); answers
    // whether it stopped holding. On the main thread the wait keeps
    // delivering what other threads queue for it, so a worker that posts on
    // the main thread as it finishes is not stuck behind the wait.
    static bool waitWhile(const std::function<bool()>& busy, double seconds);
    // Runs, on the main thread, the jobs other threads have queued for it,
    // without delivering anything else: for a main thread that must block
    // on a worker (a queue's end) while the worker may be handing it a job.
    static void runWaitingJobs();
};

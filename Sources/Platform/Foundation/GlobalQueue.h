#pragma once

#include <functional>

class QThreadPool;

// Independent background work on the process's shared thread pool.
class GlobalQueue {
public:
    static void async(std::function<void()> job);
    // The job on that pool (the global one's rules: run once, then freed).
    static void startOn(QThreadPool& pool, std::function<void()> job);
};

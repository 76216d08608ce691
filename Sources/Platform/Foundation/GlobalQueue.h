#pragma once

#include <functional>

// Independent background work on the process's shared thread pool.
class GlobalQueue {
public:
    static void async(std::function<void()> job);
};

#include "MainViewAccess.h"

#include <atomic>

namespace {
std::atomic<MainViewAccess*> installed{nullptr};
}

MainViewAccess::~MainViewAccess()
{
    MainViewAccess* self = this;
    installed.compare_exchange_strong(self, nullptr);
}

MainViewAccess* MainViewAccess::current()
{
    return installed.load();
}

void MainViewAccess::setCurrent(MainViewAccess* access)
{
    installed.store(access);
}

#include "Scheduler.h"

#include "CurrentInstance.h"
#include "QTimerScheduler.h"

namespace {

CurrentInstance<Scheduler>& installed()
{
    static QTimerScheduler real;
    static CurrentInstance<Scheduler> instance(real);
    return instance;
}

}  // namespace

Scheduler::~Scheduler() = default;

Scheduler& Scheduler::current()
{
    return installed().get();
}

void Scheduler::setCurrent(Scheduler* scheduler)
{
    installed().set(scheduler);
}

#include "Scheduler.h"

#include "CurrentInstance.h"
#include "QTimerScheduler.h"

namespace {

CurrentInstance<Scheduler>& installedScheduler()
{
    static QTimerScheduler real;
    static CurrentInstance<Scheduler> instance(real);
    return instance;
}

}  // namespace

Scheduler::~Scheduler() = default;

Scheduler& Scheduler::current()
{
    return installedScheduler().get();
}

void Scheduler::setCurrent(Scheduler* scheduler)
{
    installedScheduler().set(scheduler);
}

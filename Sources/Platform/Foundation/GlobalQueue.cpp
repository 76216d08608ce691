#include "GlobalQueue.h"

#include <QThreadPool>

void GlobalQueue::async(std::function<void()> job)
{
    QThreadPool::globalInstance()->start(std::move(job));
}

#include "TaskListState.h"

#include "CurrentInstance.h"

namespace {

class NoTaskList : public TaskListState {
public:
    qint64 todayTaskFilterIndex() const override { return 0; }
    qint64 typeViewSelectedTag() const override { return 0; }
    qint64 filterIndex() const override { return 0; }
};

CurrentInstance<const TaskListState>& installedTaskList()
{
    static const NoTaskList none{};
    static CurrentInstance<const TaskListState> instance(none);
    return instance;
}

}  // namespace

TaskListState::~TaskListState() = default;

const TaskListState& TaskListState::current()
{
    return installedTaskList().get();
}

void TaskListState::setCurrent(const TaskListState* state)
{
    installedTaskList().set(state);
}

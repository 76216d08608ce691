// The read side of the data manager's item queries.
#include "CoreData.h"

qint64 CoreData::getMaxOrderOfTasks() const
{
    return queryInt64("SELECT max(taskOrder) FROM Tasks");
}

// The write side of the data manager's item commands.
#include "CoreData.h"
#include "Task.h"

// For now this only stores the item and lists it where the views show it.
// The full add command (alerts, system calendar, web push, the questions
// about repeating items) replaces this body; its callers stay as they are.
void CoreData::addNewTask()
{
    if (const TaskPtr item = modifyingTask()) item->insertAndDehydrate();
}

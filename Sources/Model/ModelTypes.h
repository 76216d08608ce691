#pragma once

#include <QList>
#include <QtGlobal>

#include <memory>

// Records are shared objects with counted references.
class Task;
class Calendar;
class Setting;
class Tag;
class Link;
class ZVComment;

using TaskPtr = std::shared_ptr<Task>;
using CalendarPtr = std::shared_ptr<Calendar>;
using SettingPtr = std::shared_ptr<Setting>;
using TagPtr = std::shared_ptr<Tag>;
using LinkPtr = std::shared_ptr<Link>;
using ZVCommentPtr = std::shared_ptr<ZVComment>;

using TaskList = QList<TaskPtr>;
using CalendarList = QList<CalendarPtr>;
using TagList = QList<TagPtr>;
using LinkList = QList<LinkPtr>;
using ZVCommentList = QList<ZVCommentPtr>;

// What a Task row holds, by the taskType stored in it.
namespace ItemKind {
enum Value : qint64 { Event = 0, Task = 1, ChecklistItem = 2, Note = 3 };
}

// What a category holds, by the projectType stored in it.
namespace CategoryKind {
enum Value : qint64 { Ordinary = 0, Checklist = 1 };
}

// What doWithAllTasksEventsAdes and doWithCalendarList do with the list they
// are given.
namespace ListAction {
enum Value : qint64 { Add = 0, Remove = 1, Replace = 2 };
}

#pragma once

#include <QList>

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

#pragma once

#include "AllOrNothing.h"
#include "ConversionTestFixture.h"
#include "LocalNotification.h"
#include "Notifications.h"

#include <QStringList>

#include <functional>

// Answers every alert with the same button: a command run once per failing
// step asks its question each time.
class SameAnswerPresenter : public AlertPresenter {
public:
    explicit SameAnswerPresenter(int button, bool suppressed = false)
        : m_previous(&AlertPresenter::current()), m_answer{button, suppressed}
    {
        AlertPresenter::setCurrent(this);
    }
    ~SameAnswerPresenter() override { AlertPresenter::setCurrent(m_previous); }
    SameAnswerPresenter(const SameAnswerPresenter&) = delete;
    SameAnswerPresenter& operator=(const SameAnswerPresenter&) = delete;

    AlertResponse runModal(const AlertRequest&) override
    {
        ++m_asked;
        return m_answer;
    }
    int asked() const { return m_asked; }

private:
    AlertPresenter* m_previous;
    AlertResponse m_answer;
    int m_asked = 0;
};

// The conversion fixture with what the loop tests of the data manager's
// commands share: items as the views hold them (listed, with alarms, known to
// the web service), a series with a changed and a deleted occurrence, and the
// descriptions of what the store state leaves out.
class CommandUnitTest : public ConversionTest {
protected:
    // Every notification a command of the data manager posts.
    const QStringList anyPost{kAllTasksEventsAdesChanged, kCalendarListChanged,  kTaskChanged,
                              kTaskOrderChanged,          kAutoSyncNotification, kUnLinkNotification,
                              kShareItemChangedStatusNotification};

    TaskPtr listed(const TaskPtr& item)
    {
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }

    // A task the web service knows, due at that time with an alarm ten
    // minutes before, in the working list.
    TaskPtr webTask(const QString& name, qint64 webId, const Date& due)
    {
        const TaskPtr item = task(name);
        item->setZvwID(webId);
        item->setHasDue(1);
        item->setDueEnd(due);
        item->setStartTime(due.dateByAddingTimeInterval(-3600));
        item->setAlertValues(QStringLiteral("/1|-600|Glass"));
        EXPECT_TRUE(item->dehydrate());
        return listed(item);
    }

    // The daily series from Monday 13 January with its 14th changed into a
    // detached row (web id 7002) and its 16th deleted.
    struct Series {
        TaskPtr root;
        TaskPtr detached;
    };
    Series seriesWithExceptions(const QString& name)
    {
        Series series;
        series.root = dailySeries(name);
        const Date changed = localDate(2014, 1, 14, 9, 0);
        series.root->addRepeatException(changed, Task::RepeatException::Changed);
        series.root->addRepeatException(localDate(2014, 1, 16, 9, 0), Task::RepeatException::Deleted);
        EXPECT_TRUE(series.root->dehydrate());
        auto detached = std::make_shared<Task>();
        detached->setTaskName(name + QStringLiteral(" moved"));
        detached->setTaskType(0);
        detached->setParentId(series.root->primaryKey());
        detached->setOccurrence(changed);
        detached->setStartTime(changed.dateByAddingTimeInterval(3600));
        detached->setEndTime(changed.dateByAddingTimeInterval(7200));
        detached->setZvwID(7002);
        detached->setICalUID(series.root->iCalUID());
        series.detached = stored(detached);
        return series;
    }

    // A category of its own holding the tasks given.
    CalendarPtr categoryWith(const TaskList& items, qint64 webId = 0)
    {
        const CalendarPtr category = addCategory();
        category->setZvwProjectId(webId);
        EXPECT_TRUE(category->dehydrate());
        for (const TaskPtr& item : items) {
            item->setCalendarId(category->primaryKey());
            EXPECT_TRUE(item->dehydrate());
        }
        return category;
    }

    // The calls of these operations the calendar store was asked for, in
    // order: the part of the outside world the command under test answers for
    // itself. Calls about the items left to other commands are not counted.
    std::function<QString()> storeCallsOf(const QStringList& operations, const TaskList& leftToOthers = {})
    {
        QList<qint64> otherKeys;
        for (const TaskPtr& item : leftToOthers) otherKeys.append(item->primaryKey());
        return [this, operations, otherKeys] {
            QStringList made;
            for (const RecordingICalSync::Call& call : calendarStore().calls()) {
                const bool others = !call.items.isEmpty() && otherKeys.contains(call.items.first()->primaryKey());
                if (operations.contains(call.operation) && !others) made.append(call.operation);
            }
            return made.join(QLatin1Char(' '));
        };
    }

    // Records outside the lists, by content.
    static QString describe(const TaskPtr& item)
    {
        return item ? allornothing::describe(*item) : QStringLiteral("none");
    }
    QString sharedObjects()
    {
        return QStringLiteral("modifying %1\npreview %2")
            .arg(describe(dataManager().modifyingTask()), describe(dataManager().quickAddItemInPreview()));
    }

    QString webDeletions() { return setting().zvwDeletedTasks(); }
    qint64 linkCount(const QString& condition = QStringLiteral("1"))
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Links WHERE %1").arg(condition));
    }
};

#pragma once

#include "Calendar.h"
#include "CoreData.h"
#include "Link.h"
#include "LocalNotification.h"
#include "NotificationCenter.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Tag.h"
#include "Task.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

// What a failed command must leave exactly as it found it: every row of every
// table, and the data manager's lists with the content of each record in them.
struct StoreState {
    QStringList rows;
    QStringList lists;
    bool operator==(const StoreState&) const = default;
};

inline void PrintTo(const StoreState& state, std::ostream* os)
{
    *os << (state.rows + state.lists).join(QLatin1Char('\n')).toStdString();
}

namespace allornothing {

inline QString seconds(const Date& date)
{
    return date ? QString::number(date.timeIntervalSince1970(), 'f', 3) : QStringLiteral("nil");
}

inline QString describe(const Task& t)
{
    return QStringList{QString::number(t.primaryKey()), QString::number(t.taskType()), t.taskName(),
                       seconds(t.startTime()), seconds(t.endTime()), seconds(t.dueEnd()), seconds(t.completedDate()),
                       seconds(t.dateUpdate()), QString::number(t.status()), QString::number(t.calendarId()),
                       QString::number(t.parentId()), QString::number(t.repeatType()), t.repeatOptions(),
                       t.repeatExceptions(), seconds(t.repeatStartDate()), seconds(t.repeatEndDate()),
                       seconds(t.occurrence()), QString::number(t.taskOrder()), t.alertValues(), t.tagList(),
                       t.notes(), QString::number(t.zvwID()), QString::number(t.hasChanges()),
                       QString::number(t.isPinned()), QString::number(t.isADE()), QString::number(t.tz()),
                       QString::number(t.isSheduledTask()), QString::number(t.hasDue()),
                       QString::number(t.dirty())}
        .join(QLatin1Char('|'));
}

inline QString describe(const Calendar& c)
{
    return QStringList{QString::number(c.primaryKey()), c.calendarName(), QString::number(c.calendarOrder()),
                       QString::number(c.inVisible()), QString::number(c.projectType()),
                       QString::number(c.zvwProjectId()), c.tagList(), QString::number(c.hasChanges()),
                       QString::number(c.dirty())}
        .join(QLatin1Char('|'));
}

inline QString describe(const Tag& t)
{
    return QStringList{QString::number(t.primaryKey()), t.tagName(), QString::number(t.zvwKey()),
                       QString::number(t.dirty())}
        .join(QLatin1Char('|'));
}

inline QString describe(const Link& l)
{
    return QStringList{QString::number(l.primaryKey()), QString::number(l.rootId()), QString::number(l.targetId()),
                       QString::number(l.status()), QString::number(l.zvwKey()), seconds(l.updatedDate()),
                       QString::number(l.dirty())}
        .join(QLatin1Char('|'));
}

inline QString describe(const Setting& s)
{
    return QStringList{QStringLiteral("setting"), s.zvwDeletedTasks(), s.zvwDeletedProjects(), s.zvwDeletedTag(),
                       QString::number(s.calendarDefID()), QString::number(s.lastUpdateWork()),
                       QString::number(s.dirty())}
        .join(QLatin1Char('|'));
}

// Every row of every table of ours, in key order, one line each.
inline QStringList dumpRows(sqlite3* db)
{
    QStringList tables;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY name",
                       -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        tables.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
    sqlite3_finalize(statement);
    QStringList rows;
    for (const QString& table : tables) {
        const QByteArray sql = "SELECT * FROM \"" + table.toUtf8() + "\" ORDER BY rowid";
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) continue;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns{table};
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                columns.append(text ? QString::fromUtf8(text) : QStringLiteral("NULL"));
            }
            rows.append(columns.join(QLatin1Char('|')));
        }
        sqlite3_finalize(statement);
    }
    return rows;
}

}  // namespace allornothing

inline StoreState captureStoreState(sqlite3* db)
{
    using namespace allornothing;
    StoreState state;
    state.rows = dumpRows(db);
    const CoreData* dataManager = CoreData::shared();
    if (!dataManager) return state;
    for (const TaskPtr& item : dataManager->allTasksEventsAdes()) state.lists.append(QStringLiteral("item ") + describe(*item));
    for (const CalendarPtr& category : dataManager->calendarList())
        state.lists.append(QStringLiteral("category ") + describe(*category));
    for (const TagPtr& tag : dataManager->tagList()) state.lists.append(QStringLiteral("tag ") + describe(*tag));
    for (const LinkPtr& link : dataManager->linkList()) state.lists.append(QStringLiteral("link ") + describe(*link));
    for (const auto& alarm : dataManager->allAlert())
        state.lists.append(QStringLiteral("alarm ") + QString::number(alarm->task() ? alarm->task()->primaryKey() : 0)
                           + QLatin1Char('@') + seconds(alarm->dateFire()));
    if (const SettingPtr setting = dataManager->currentSetting()) state.lists.append(describe(*setting));
    if (const TaskPtr copied = dataManager->copiedItem()) state.lists.append(QStringLiteral("copied ") + describe(*copied));
    return state;
}

// Every main-thread post made while it lives.
class AnyPost {
public:
    explicit AnyPost(const QStringList& names)
    {
        for (const QString& name : names)
            NotificationCenter::defaultCenter().addObserver(&m_observer, name, nullptr,
                                                            [this](const Notification& n) { m_names.append(n.name()); });
    }
    QStringList names() const { return m_names; }

private:
    QObject m_observer;
    QStringList m_names;
};

// Runs the command with its first step failing, then its second, and so on,
// until it runs through without reaching the failing step. Each failed run
// must answer failure, post none of the names, and leave the rows, the lists
// and the records (as far as `extra` describes them) exactly as before. The
// same call is made each time: what a failed run leaves is the state it
// started from. Answers how many steps the command took; the last run, which
// succeeded, is left in place.
inline int expectAllOrNothing(sqlite3* db, const std::function<bool()>& command, const QStringList& postNames,
                              const std::function<QString()>& extra = {})
{
    constexpr int mostSteps = 2000;
    for (int failing = 1; failing <= mostSteps; ++failing) {
        const StoreState before = captureStoreState(db);
        const QString extraBefore = extra ? extra() : QString();
        AnyPost posts(postNames);
        RecordStore::failStep(failing);
        const bool succeeded = command();
        const bool reached = !RecordStore::stepFailurePending();
        RecordStore::failStep(0);
        if (!reached) {
            EXPECT_TRUE(succeeded) << "the command failed without any failing step";
            return failing - 1;
        }
        EXPECT_FALSE(succeeded) << "step " << failing << " failed, yet the command answered success";
        EXPECT_EQ(captureStoreState(db), before) << "after a failure at step " << failing;
        if (extra) {
            EXPECT_EQ(extra(), extraBefore) << "after a failure at step " << failing;
        }
        EXPECT_TRUE(posts.names().isEmpty()) << "step " << failing << " failed, yet it posted "
                                             << posts.names().join(QLatin1Char(',')).toStdString();
        if (::testing::Test::HasFailure()) return failing;
    }
    ADD_FAILURE() << "the command never ran through";
    return mostSteps;
}

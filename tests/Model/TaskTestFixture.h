#pragma once

#include "../Utilities/DateTestSupport.h"
#include "Calendar.h"
#include "Clock.h"
#include "ModelTestFixture.h"
#include "Setting.h"
#include "Task.h"
#include "Utilities.h"

#include <QVariant>

// A fresh database, a data manager holding a settings record with known
// defaults and the template's category, and the clock pinned to Wednesday
// 15 January 2014, 10:07 in Paris.
class TaskTest : public ModelTest {
protected:
    static constexpr qint64 taskMinutes = 30;
    static constexpr qint64 eventMinutes = 60;
    static constexpr qint64 defaultZone = 7;
    // Wednesday's working hours end at 18:30; every other day at 17:00.
    static constexpr qint64 wednesdayEndMinutes = 18 * 60 + 30;

    void SetUp() override
    {
        ModelTest::SetUp();
        Clock::setFixed(now());
        m_setting = std::make_shared<Setting>();
        m_setting->setDurationDefTaskVal(taskMinutes);
        m_setting->setDurationDefEventVal(eventMinutes);
        m_setting->setCalendarDefID(1);
        m_setting->setCurrentTZ(defaultZone);
        QVariantMap hours;
        for (const QString& key : Setting::dayManagerKeys())
            hours.insert(key, key.endsWith(QStringLiteral("EndTime")) ? 17 * 60 : 9 * 60);
        hours.insert(QStringLiteral("WednesdayEndTime"), wednesdayEndMinutes);
        m_setting->setDayManagers(hours);
        dataManager().setCurrentSetting(m_setting);
        dataManager().doWithCalendarList(CalendarList{Calendar::initWithPrimaryKey(1, db())}, 0);
    }

    void TearDown() override
    {
        Clock::reset();
        ModelTest::TearDown();
    }

    static Date now() { return localDate(2014, 1, 15, 10, 7); }

    Setting& setting() { return *m_setting; }

    // A new item inserted and written, then clean and unmarked, as the web
    // sync leaves an item it has sent.
    TaskPtr storedItem(const QString& name, qint64 type = 1)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(type);
        EXPECT_TRUE(item->insertIntoDatabase());
        item->setHasChanges(0);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    // A category of its own in the category list.
    CalendarPtr addCategory(qint64 projectType = 0, qint64 inVisible = 0, const QString& tags = QStringLiteral(""))
    {
        auto category = std::make_shared<Calendar>();
        category->setCalendarName(QStringLiteral("Category"));
        category->setProjectType(projectType);
        category->setInVisible(inVisible);
        category->setTagList(tags);
        EXPECT_TRUE(category->insertIntoDatabase(db()));
        EXPECT_TRUE(category->dehydrate());
        dataManager().doWithCalendarList(CalendarList{category}, 0);
        return category;
    }

    // One column of a row as SQLite holds it: integers and texts as they are,
    // reals as doubles, NULL as an invalid value.
    QVariant storedColumn(qint64 key, const QString& column)
    {
        sqlite3_stmt* statement = nullptr;
        const QByteArray sql = QStringLiteral("SELECT %1 FROM Tasks WHERE primaryKey=?").arg(column).toUtf8();
        EXPECT_EQ(sqlite3_prepare_v2(db(), sql.constData(), -1, &statement, nullptr), SQLITE_OK) << column.toStdString();
        sqlite3_bind_int64(statement, 1, key);
        QVariant value;
        if (sqlite3_step(statement) == SQLITE_ROW) {
            switch (sqlite3_column_type(statement, 0)) {
            case SQLITE_INTEGER: value = qint64(sqlite3_column_int64(statement, 0)); break;
            case SQLITE_FLOAT: value = sqlite3_column_double(statement, 0); break;
            case SQLITE_TEXT:
                value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
                break;
            default: break;
            }
        }
        sqlite3_finalize(statement);
        return value;
    }

    static double storedSeconds(const Date& date) { return Utilities::toDBDate(date).timeIntervalSince1970(); }

    QString databasePath() const { return dataFolder() + QStringLiteral("/Database.sql"); }

private:
    SettingPtr m_setting;
};

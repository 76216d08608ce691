#pragma once

// A started data manager on the real database of a fresh data folder, a
// main view, a fixed clock and zone, the login item's folder inside the
// test's own, scripted questions, and a record of what the panes post.
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MainView.h"
#include "ManualScheduler.h"
#include "NetworkStatus.h"
#include "NotificationCenter.h"
#include "RecordStore.h"
#include "RecordingICalSync.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "TextTable.h"
#include "Window.h"
#include "ZVWSync.h"


#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = std::make_unique<ScopedDataHome>();
        ASSERT_TRUE(m_home->isValid());
        m_previousConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (m_home->path() + QStringLiteral("/config")).toUtf8());
        NetworkStatus::instance().setOverride(0);
        Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 15, 9, 0, 0));
        Scheduler::setCurrent(&scheduler);
        Window::setAnimationDurationScale(0);
        manager = std::make_unique<CoreData>();
        CoreData::setShared(manager.get());
        manager->setICalSync(std::make_unique<RecordingICalSync>());
        ASSERT_TRUE(manager->init());
        settings().setStartUpWizard(0);
        ASSERT_TRUE(settings().dehydrate());
        view = std::make_unique<MainView>(QRectF(0, 0, 310, 600));
        MainView::setCurrent(view.get());
        for (const QString& name : {kAutoSyncNotification, kAllTasksEventsAdesChanged, kCalendarListChanged,
                                    QStringLiteral("turn on off timezone")})
            NotificationCenter::defaultCenter().addObserver(&m_listener, name, nullptr,
                                                            [this](const Notification& n) { posted.append(n.name()); });
    }

    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&m_listener);
        MainView::setCurrent(nullptr);
        view.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        CoreData::setShared(nullptr);
        manager.reset();
        Window::setAnimationDurationScale(1);
        Scheduler::setCurrent(nullptr);
        Clock::reset();
        NetworkStatus::instance().setOverride(std::nullopt);
        m_home.reset();
        restore("XDG_CONFIG_HOME", m_previousConfig);
    }

    Setting& settings() { return *manager->currentSetting(); }

    static QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

    // The web-sync object remade as a program started with this service
    // address makes it (none when empty): it reads the address only then.
    void useServiceAddress(const QString& address)
    {
        if (address.isEmpty())
            qunsetenv("ZORAVEL_SERVICE_URL");
        else
            qputenv("ZORAVEL_SERVICE_URL", address.toUtf8());
        manager->setZVWSync(std::make_unique<ZVWSync>());
    }
    // The alert's text when no address is set: it names the configuration file.
    static QString noServiceAddressText()
    {
        return text("noServiceAddressMessage")
            .arg(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Zoravel/Zoravel.conf"));
    }

    // A category in the database and the data manager's list.
    CalendarPtr category(const QString& name, qint64 projectType = 0, bool hidden = false, bool shared = false)
    {
        auto made = std::make_shared<Calendar>();
        made->setCalendarName(name);
        made->setProjectType(projectType);
        made->setInVisible(hidden ? 1 : 0);
        made->setExtraStatus(shared ? 1 : 0);
        EXPECT_TRUE(made->insertIntoDatabase(RecordStore::sharedDatabase()));
        EXPECT_TRUE(made->dehydrate());
        manager->doWithCalendarList(CalendarList{made}, 0);
        return made;
    }

    TaskPtr item(const QString& name, qint64 type, const QString& notes = QString())
    {
        auto made = std::make_shared<Task>();
        made->setTaskName(name);
        made->setTaskType(type);
        made->setNotes(notes);
        const Date start = GregorianCalendar::dateFromFields(2014, 1, 16, 10, 0, 0);
        made->setStartTime(start);
        made->setEndTime(start.dateByAddingTimeInterval(3600));
        EXPECT_TRUE(made->insertIntoDatabase());
        EXPECT_TRUE(made->dehydrate());
        return made;
    }

    static void execute(const QString& sql)
    {
        char* error = nullptr;
        const int rc = sqlite3_exec(RecordStore::sharedDatabase(), sql.toUtf8().constData(), nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
    }

    static QList<qint64> storedKeys()
    {
        QList<qint64> keys;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(RecordStore::sharedDatabase(), "SELECT primaryKey FROM Tasks ORDER BY primaryKey", -1,
                           &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) keys.append(sqlite3_column_int64(statement, 0));
        sqlite3_finalize(statement);
        return keys;
    }

    ManualScheduler scheduler;
    std::unique_ptr<CoreData> manager;
    std::unique_ptr<MainView> view;
    ScriptedAlertPresenter alerts;
    QStringList posted;

private:
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    std::unique_ptr<ScopedDataHome> m_home;
    QByteArray m_previousConfig;
    QObject m_listener;
};

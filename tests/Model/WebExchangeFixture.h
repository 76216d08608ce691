#pragma once

#include "ModelTestFixture.h"

#include "Calendar.h"
#include "Clock.h"
#include "GregorianCalendar.h"
#include "HttpSession.h"
#include "LoopbackService.h"
#include "PostedNotifications.h"
#include "RecordingICalSync.h"
#include "Setting.h"
#include "Tag.h"
#include "ZVWSync.h"

#include <QJsonObject>

// A signed-in account on a loopback service, a sync object pointed at it and
// a data manager whose lists are loaded from the test database; the steps of
// a full pass run on this thread in the pass's order.
class WebExchangeTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(1357725600));
        HttpSession::setDefaultTimeouts(HttpTimeouts{1.0, 0.5, 0.5});
        m_setting = Setting::initWithPrimaryKey(1, db());
        dataManager().setCurrentSetting(m_setting);
        dataManager().loadTimeZones();
        auto recorder = std::make_unique<RecordingICalSync>();
        m_ical = recorder.get();
        dataManager().setICalSync(std::move(recorder));
        reloadLists();
        m_service.addAccount(account, QStringLiteral("secret"));
        m_setting->setZvwUserName(account);
        m_setting->setZvwPassword(QStringLiteral("secret"));
        qputenv("ZORAVEL_SERVICE_URL", m_service.baseAddress().toUtf8());
        m_sync = std::make_unique<ZVWSync>();
    }
    void TearDown() override
    {
        m_sync.reset();
        qunsetenv("ZORAVEL_SERVICE_URL");
        HttpSession::setDefaultTimeouts(HttpTimeouts{});
        webSyncBusy = false;
        Clock::reset();
        ModelTest::TearDown();
    }

    void reloadLists()
    {
        dataManager().doWithCalendarList(dataManager().getCalendarList(), 2);
        dataManager().getTagList();
    }

    // A new pass: the token and the request key first.
    void startPass()
    {
        m_sync->setErrorDescription(QString());
        m_sync->refreshToken();
        ASSERT_TRUE(m_sync->makeZvwKeyAPI()) << m_sync->errorDescription().toStdString();
    }
    // Every step of the full pass that this exchange covers, in order.
    void runPass()
    {
        startPass();
        m_sync->getSettingFromZVW();
        m_sync->getTagsFromZVW();
        m_sync->syncTagsWithZVW();
        m_sync->getProjectsFromZVW();
        m_sync->syncProjectsWithZVW();
        m_sync->syncSettingWithZVW(nullptr);
    }

    // A stored, listed category.
    CalendarPtr addLocalCategory(const QString& name, qint64 zvwId = 0, qint64 stamp = 0, qint64 kind = 0)
    {
        auto calendar = std::make_shared<Calendar>();
        calendar->setCalendarName(name);
        calendar->setProjectType(kind);
        EXPECT_TRUE(dataManager().addCalendarToCalendarList(calendar, false, false));
        calendar->setZvwProjectId(zvwId);
        calendar->setLastUpdate(stamp);
        calendar->setHasChanges(false);
        EXPECT_TRUE(calendar->dehydrate());
        return calendar;
    }
    // A weekly event on Mondays and Fridays whose first occurrence is on
    // another weekday (the service's copy reads back with its start moved
    // onto a Monday or Friday), `weekday` 1 (Sunday) to 7 of March 2027.
    static void makeSeriesOffItsWeekdays(Task& item, int weekday)
    {
        const Date start = GregorianCalendar::dateFromFields(2027, 2, 27 + weekday, 9, 30, 0);
        item.setTaskType(0);
        item.setStartTime(start);
        item.setEndTime(start.dateByAddingTimeInterval(3600));
        item.setDuration(60);
        item.setRepeatType(2);
        item.setRepeatOptions(QStringLiteral("1/2|6/0"));
        item.setRepeatStartDate(start);
        item.setIsRepeatForever(1);
    }
    TagPtr addLocalTag(const QString& name, qint64 zvwKey = 0)
    {
        EXPECT_TRUE(dataManager().insertTagIfNA(name, zvwKey));
        return findTag(name);
    }
    TagPtr findTag(const QString& name)
    {
        for (const TagPtr& tag : dataManager().tagList())
            if (tag->tagName() == name) return tag;
        return nullptr;
    }
    CalendarPtr storedCategory(const QString& name)
    {
        for (const CalendarPtr& calendar : dataManager().getCalendarList())
            if (calendar->calendarName() == name) return calendar;
        return nullptr;
    }
    QStringList storedCategoryNames()
    {
        QStringList names;
        for (const CalendarPtr& calendar : dataManager().getCalendarList()) names.append(calendar->calendarName());
        names.sort();
        return names;
    }
    QStringList storedTagNames()
    {
        QStringList names;
        for (const TagPtr& tag : dataManager().tagList()) names.append(tag->tagName());
        names.sort();
        return names;
    }
    int requestsTo(const QString& method, const QString& pathStart)
    {
        return int(m_service.requestsStartingWith(method, pathStart).size());
    }
    QList<ServiceRequest> requestsOf(const QString& method, const QString& pathStart)
    {
        return m_service.requestsStartingWith(method, pathStart);
    }
    static ServiceFault body(const QByteArray& text)
    {
        ServiceFault fault;
        fault.kind = ServiceFault::Body;
        fault.body = text;
        return fault;
    }
    static ServiceFault status(int code)
    {
        ServiceFault fault;
        fault.status = code;
        return fault;
    }

    const QString account = QStringLiteral("ann@example.com");
    LoopbackService m_service;
    SettingPtr m_setting;
    RecordingICalSync* m_ical = nullptr;
    std::unique_ptr<ZVWSync> m_sync;
};

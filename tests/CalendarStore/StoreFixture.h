#pragma once

#include "CalCalendarStore.h"
#include "GregorianCalendar.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A store on a folder of its own, installed as the default store, with
// helpers that act as "another program": they write the folders directly.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        store = CalCalendarStore::create(folder.path());
        CalCalendarStore::setDefaultCalendarStore(store);
    }
    void TearDown() override { CalCalendarStore::setDefaultCalendarStore(nullptr); }

    QString root() const { return folder.path(); }

    // A calendar folder as another program makes it.
    QString makeCalendarFolder(const QString& uid, const QString& title, bool editable = true)
    {
        const QString path = root() + QLatin1Char('/') + uid + QStringLiteral(".calendar");
        QDir().mkpath(path + QStringLiteral("/Events"));
        QDir().mkpath(path + QStringLiteral("/Tasks"));
        QVariantMap info{{QStringLiteral("Title"), title},
                         {QStringLiteral("Type"), QStringLiteral("Local")},
                         {QStringLiteral("EventContainer"), qint64(1)},
                         {QStringLiteral("TaskContainer"), qint64(1)}};
        if (!editable) info.insert(QStringLiteral("Editable"), false);
        EXPECT_EQ(PropertyList::writeFile(path + QStringLiteral("/Info.plist"), info), PropertyList::Error::None);
        return path;
    }

    static QByteArray fixture(const QString& name)
    {
        QFile file(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray readBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static Date paris(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
    {
        return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second);
    }

    static Date utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
    {
        return GregorianCalendar::dateFromFields(year, month, day, hour, minute, second, QTimeZone::utc());
    }

    CalCalendarPtr newCalendar(const QString& title)
    {
        auto calendar = CalCalendar::calendar();
        calendar->setTitle(title);
        CalError error;
        EXPECT_TRUE(store->saveCalendar(calendar, &error)) << error.text.toStdString();
        return calendar;
    }

    CalEventList eventsBetween(const Date& from, const Date& to, CalError* error = nullptr)
    {
        return store->eventsWithPredicate(
            CalCalendarStore::eventPredicateWithStartDate(from, to, store->calendars()), error);
    }

    QTemporaryDir folder;
    std::shared_ptr<CalCalendarStore> store;
};

// Records the store's notices, as the sync's observers will receive them.
struct NoticeRecorder {
    struct Notice {
        QString name;
        QStringList inserted;
        QStringList updated;
        QStringList deleted;
    };

    explicit NoticeRecorder(const CalCalendarStore* store)
    {
        for (const QString& name : {CalCalendarsChangedExternallyNotification, CalEventsChangedExternallyNotification,
                                    CalTasksChangedExternallyNotification})
            NotificationCenter::defaultCenter().addObserver(
                &observer, name, NotificationPayload::identityOf(store), [this](const Notification& n) {
                    notices.append({n.name(), n.userInfo().value(CalInsertedRecordsKey).toStringList(),
                                    n.userInfo().value(CalUpdatedRecordsKey).toStringList(),
                                    n.userInfo().value(CalDeletedRecordsKey).toStringList()});
                });
    }

    QList<Notice> named(const QString& name) const
    {
        QList<Notice> found;
        for (const Notice& notice : notices)
            if (notice.name == name) found << notice;
        return found;
    }

    QObject observer;
    QList<Notice> notices;
};

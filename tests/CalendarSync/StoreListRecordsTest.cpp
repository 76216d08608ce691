// A new category's calendar is made by the store's worker; the link reaches
// the listed category on the main thread only, and a delete before the
// calendar is made removes it after.
#include "ExportsFixture.h"

#include <QElapsedTimer>
#include <QThread>

namespace StoreListRecordsTests {

class StoreListRecordsTest : public ExportsTest {
protected:
    // Waits, without serving the main thread, until the store holds that many calendars.
    bool storeHolds(qsizetype count)
    {
        QElapsedTimer waited;
        waited.start();
        while (store->calendars().size() != count && waited.elapsed() < 10000) QThread::msleep(5);
        return store->calendars().size() == count;
    }
};

TEST_F(StoreListRecordsTest, ANewCategorysCalendarIsLinkedOnTheMainThreadAndGoesWithAnEarlyDelete)
{
    struct Case {
        const char* name;
        bool deletedFirst;  // deleted before the worker made its calendar
    };
    const Case cases[] = {{"kept", false}, {"deleted before its calendar is made", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype calendarsBefore = store->calendars().size();
        auto made = std::make_shared<Calendar>();
        made->setCalendarName(QString::fromLatin1(c.name));
        iCalSyncBusy = true;  // the worker waits for the flag
        ASSERT_TRUE(dataManager().addCalendarToCalendarList(made, true, false));
        const CalendarPtr listed = dataManager().calendarWithPrimaryKey(made->primaryKey());
        ASSERT_TRUE(listed);
        const QString reserved = listed->iCalUID();
        ASSERT_TRUE(reserved.startsWith(pendingStoreCopyMark)) << "the calendar's uid is stored with the category";
        const QString uid = reserved.mid(pendingStoreCopyMark.size());
        if (c.deletedFirst) {
            ASSERT_TRUE(dataManager().doDeleteCalendar(listed, true, false));
        }
        iCalSyncBusy = false;

        if (!c.deletedFirst) {
            ASSERT_TRUE(storeHolds(calendarsBefore + 1));
            QThread::msleep(50);
            EXPECT_EQ(listed->iCalUID(), reserved) << "the worker wrote into the listed category";
        }
        settle();
        if (c.deletedFirst) {
            EXPECT_FALSE(store->calendarWithUID(uid)) << "the early delete removed the calendar made after it";
            EXPECT_EQ(store->calendars().size(), calendarsBefore);
            EXPECT_TRUE(iCalSync::storeCalendarRemovalsDue().isEmpty()) << "the done removal is unrecorded";
        } else {
            EXPECT_EQ(listed->iCalUID(), uid);
            EXPECT_EQ(Calendar::initWithPrimaryKey(made->primaryKey(), db())->iCalUID(), uid);
            ASSERT_TRUE(store->calendarWithUID(uid));
            EXPECT_EQ(store->calendarWithUID(uid)->title(), QString::fromLatin1(c.name));
            EXPECT_FALSE(listed->directory().isEmpty());
        }
    }
}

}  // namespace StoreListRecordsTests

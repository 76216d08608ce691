#include "ModelTestFixture.h"

#include "Clock.h"
#include "GregorianCalendar.h"
#include "Setting.h"
#include "Task.h"

namespace CoreDataTimeZoneTests {

namespace {

constexpr qint64 reykjavik = 42624;  // GMT all year
constexpr qint64 dhaka = 32432;      // GMT+6 all year

class CoreDataTimeZoneTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(1357725600));  // 9 January 2013
        dataManager().loadTimeZones();
        m_setting = Setting::initWithPrimaryKey(1, db());
        m_setting->setTzSupport(true);
        m_setting->setCurrentTZ(dhaka);
        dataManager().setCurrentSetting(m_setting);
    }
    void TearDown() override
    {
        Clock::reset();
        ModelTest::TearDown();
    }

    static TaskPtr eventAt(const Date& start, qint64 zone, qint64 type = 0)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(3600));
        item->setTz(zone);
        return item;
    }

    SettingPtr m_setting;
};

}  // namespace

TEST_F(CoreDataTimeZoneTest, AnEventSixHoursBehindShowsSixHoursLaterAndSavesBack)
{
    ScopedTimeZone systemZone("Asia/Tokyo");  // no daylight saving anywhere in this test
    const Date start = GregorianCalendar::dateFromFields(2013, 7, 2, 9, 0, 0);
    TaskPtr event = eventAt(start, reykjavik);
    dataManager().recalculateTimeWithTimezoneSupport(event);
    EXPECT_EQ(event->tzStartTime(), start.dateByAddingTimeInterval(6 * 3600));
    EXPECT_EQ(event->tzEndTime(), start.dateByAddingTimeInterval(7 * 3600));

    // An edit made in the display zone is stored back in the event's own zone.
    event->setStartTime(event->tzStartTime());
    event->setEndTime(event->tzEndTime());
    dataManager().recalculateSaveTimeWithTimezoneSupport(event);
    EXPECT_EQ(event->startTime(), start);
}

TEST_F(CoreDataTimeZoneTest, DisplayTimesAreCopiesWhereNoConversionApplies)
{
    const Date start = GregorianCalendar::dateFromFields(2013, 7, 2, 9, 0, 0);
    const struct {
        const char* why;
        qint64 type;
        qint64 zone;
        bool support;
    } cases[] = {
        {"a task", 1, reykjavik, true},
        {"floating", 0, 0, true},
        {"same zone as shown", 0, dhaka, true},
        {"unknown zone id", 0, 777, true},
        {"support off", 0, reykjavik, false},
    };
    for (const auto& c : cases) {
        m_setting->setTzSupport(c.support);
        TaskPtr item = eventAt(start, c.zone, c.type);
        dataManager().recalculateTimeWithTimezoneSupport(item);
        EXPECT_EQ(item->tzStartTime(), item->startTime()) << c.why;
        EXPECT_EQ(item->tzEndTime(), item->endTime()) << c.why;
    }
}

// Each zone takes its offset of the event's day, not of today: a 9:00 event
// shows at the hour of that instant in the display zone, whatever the clock's
// season, and the shown times saved give 9:00 back.
TEST_F(CoreDataTimeZoneTest, ShownAndSavedTimesTakeEachZonesOffsetOfTheirDay)
{
    ScopedTimeZone systemZone("Europe/Paris");
    dataManager().loadTimeZones();
    const struct {
        const char *display, *own;
        int clockMonth, month, day, shownHour;
        int hour = 9, minute = 0;
        // The shown start as an instant, where its clock time is one of two.
        qint64 shownInstant = 0;
    } cases[] = {
        {"Europe/Paris", "America/New_York", 1, 7, 17, 15},
        {"Europe/Paris", "America/New_York", 4, 1, 17, 15},
        {"Europe/Paris", "America/New_York", 1, 3, 20, 14},  // only New York has changed its clocks
        {"Europe/Paris", "America/New_York", 7, 10, 30, 14}, // only Paris has changed them back
        {"America/New_York", "Europe/Paris", 1, 7, 17, 3},
        {"America/New_York", "Europe/Paris", 7, 3, 20, 4},
        {"Asia/Tokyo", "America/New_York", 1, 7, 17, 22},
        {"Asia/Tokyo", "America/New_York", 7, 1, 17, 23},
        // 20:30 in New York is the first 2:30 of Paris's repeated hour, 21:30 the second.
        {"Europe/Paris", "America/New_York", 7, 10, 26, 2, 20, 30, 1729989000},
    };
    for (const auto& c : cases) {
        const std::string name = std::string(c.own) + " in " + c.display + ", day " + std::to_string(c.month) + "/"
                                 + std::to_string(c.day) + ", clock in month " + std::to_string(c.clockMonth);
        Clock::setFixed(GregorianCalendar::dateFromFields(2024, c.clockMonth, 10, 10, 0, 0));
        m_setting->setCurrentTZ(dataManager().getTimeZoneId(QString::fromLatin1(c.display)));
        const Date start = GregorianCalendar::dateFromFields(2024, c.month, c.day, c.hour, c.minute, 0);
        const TaskPtr event = eventAt(start, dataManager().getTimeZoneId(QString::fromLatin1(c.own)));
        dataManager().recalculateTimeWithTimezoneSupport(event);
        const Date shown = c.shownInstant ? Date::dateWithTimeIntervalSince1970(double(c.shownInstant))
                                          : GregorianCalendar::dateFromFields(2024, c.month, c.day, c.shownHour, 0, 0);
        EXPECT_EQ(event->tzStartTime(), shown) << name;
        EXPECT_EQ(event->tzEndTime(), event->tzStartTime().dateByAddingTimeInterval(3600)) << name;
        event->setStartTime(event->tzStartTime());
        event->setEndTime(event->tzEndTime());
        dataManager().recalculateSaveTimeWithTimezoneSupport(event);
        EXPECT_EQ(event->startTime(), start) << name;
    }
}

// The table's offsets are read only when a look-up needs them: the answers
// given before are those the labelled table gives afterwards.
TEST_F(CoreDataTimeZoneTest, LookUpsBeforeTheOffsetsAreReadAnswerAsTheLabelledTable)
{
    const struct {
        const char* systemZone;
        qint64 expected;  // the start's own zone: the system's, or the first with its offset
    } zones[] = {
        {"Europe/Paris", 53392},
        {"Asia/Dhaka", dhaka},
        {"Etc/UTC", reykjavik},  // not listed: the first zone at +00:00
        {"GMT", 0},              // "GMT" is in every label: the first one, the floating zone
        {"Europe/Busingen", -1}, // not listed: the first zone at +01:00, whichever it is
    };
    const QString texts[] = {QStringLiteral("europe/PARIS"), QStringLiteral("Reykjavik"), QStringLiteral("Floating"),
                             QStringLiteral("(GMT+06:00)"),  QStringLiteral("GMT+0"),     QStringLiteral("Nowhere/Atlantis"),
                             QStringLiteral(") Asia"),       QStringLiteral("")};
    for (const auto& z : zones) {
        SCOPED_TRACE(z.systemZone);
        ScopedTimeZone systemZone(z.systemZone);
        dataManager().loadTimeZones();
        const qint64 lazyDefault = dataManager().getDefaultTimezone();
        QList<qint64> lazyIds;
        for (const QString& text : texts) lazyIds << dataManager().getTimeZoneId(text);
        dataManager().loadTimeZones();
        ASSERT_EQ(dataManager().tzList().zones().size(), 419);  // labelled now
        EXPECT_EQ(lazyDefault, dataManager().getDefaultTimezone());
        if (z.expected >= 0) {
            EXPECT_EQ(lazyDefault, z.expected);
        }
        for (qsizetype i = 0; i < lazyIds.size(); ++i)
            EXPECT_EQ(lazyIds[i], dataManager().getTimeZoneId(texts[i])) << texts[i].toStdString();
    }
    ScopedTimeZone winter("Europe/Busingen");
    dataManager().loadTimeZones();
    ASSERT_TRUE(dataManager().getTimeZone(dataManager().getDefaultTimezone()));
    EXPECT_TRUE(dataManager().getTimeZone(dataManager().getDefaultTimezone())->tzName.startsWith(QStringLiteral("(GMT+01:00)")));
}


}  // namespace CoreDataTimeZoneTests

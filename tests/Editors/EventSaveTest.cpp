#include "EventFormFixture.h"

#include "../Model/PostedNotifications.h"
#include "CoreData.h"
#include "CustomNSTextField.h"
#include "GregorianCalendar.h"
#include "LogCapture.h"
#include "Popover.h"
#include "RecordingMainView.h"
#include "ScriptedAlertPresenter.h"
#include "Tag.h"
#include "TestEnvironment.h"
#include "TextTable.h"

#include <QDateTimeEdit>

#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

namespace EventSaveTests {

namespace {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

TEST(EventSavingRulesTest, AWeeklyStartMovesToTheEarliestChosenWeekday)
{
    struct Case {
        const char* what;
        Date start;
        QString weekdays;
        qint64 interval;
        Date expected;
    };
    // September 2014 begins on a Monday, January 2014 on a Wednesday.
    const Case cases[] = {
        {"Mon+Wed from Thu 11th, every week", localDate(2014, 9, 11, 10, 30), "2|4", 1, localDate(2014, 9, 15, 10, 30)},
        {"every 2 weeks", localDate(2014, 9, 11, 10, 30), "2|4", 2, localDate(2014, 9, 15, 10, 30)},
        {"every 3 weeks", localDate(2014, 9, 11, 10, 30), "2|4", 3, localDate(2014, 9, 22, 10, 30)},
        {"Mon from Thu 9 January: the later Monday", localDate(2014, 1, 9, 9, 0), "2", 1, localDate(2014, 1, 13, 9, 0)},
        {"Tue+Thu from Wed 1 January", localDate(2014, 1, 1, 9, 0), "3|5", 1, localDate(2014, 1, 2, 9, 0)},
        {"Mon+Thu from Tue 7 January", localDate(2014, 1, 7, 9, 0), "2|5", 1, localDate(2014, 1, 9, 9, 0)},
        {"order of the text does not matter", localDate(2014, 1, 7, 9, 0), "5|2", 1, localDate(2014, 1, 9, 9, 0)},
        {"the start's weekday chosen", localDate(2014, 1, 9, 9, 0), "2|5", 1, localDate(2014, 1, 9, 9, 0)},
        {"none chosen", localDate(2014, 1, 9, 9, 0), "", 1, localDate(2014, 1, 9, 9, 0)},
        {"numbers outside the week ignored", localDate(2014, 1, 9, 9, 0), "0|9|x", 1, localDate(2014, 1, 9, 9, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(EventSaving::adjustedWeeklyStart(c.start, c.weekdays, c.interval), c.expected);
    }
}

TEST(EventSavingRulesTest, TheTagListKeepsTheItemsOwnTagsOnceAndReportsThem)
{
    struct Case {
        const char* what;
        QStringList names;
        QString categoryTags;
        QString expected;
    };
    const Case cases[] = {
        {"category tags left out", {"work", "urgent", "home"}, "/work/home", "/urgent"},
        {"a tag typed twice", {"a", "b", "a"}, "", "/a/b"},
        {"only category tags", {"work"}, "/work", ""},
        {"empty", {}, "/work", ""},
        {"a token holding slashes is the tags between them", {"a/b", "/c/", "a"}, "", "/a/b/c"},
        {"blank tokens and blank parts dropped", {" ", "", "x// ", " y "}, "", "/x/y"},
        {"a slashed token against the category's tags", {"work/site"}, "/work", "/site"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList told;
        EXPECT_EQ(EventSaving::tagListFor(c.names, c.categoryTags, [&](const QString& name) { told.append(name); }),
                  c.expected);
        EXPECT_EQ(told, EventDetailView::tagNames(c.expected));
    }
}

// The edit form over a real database; saving posts are recorded, questions
// answered from a script.
class EventSaveTest : public EventFormTest {
protected:
    void SetUp() override
    {
        EventFormTest::SetUp();
        m_mainView = std::make_unique<RecordingMainView>();
        m_posts = std::make_unique<PostedNotifications>(
            QStringList{Popover::shouldCloseNotification, kTaskChanged});
    }
    void TearDown() override
    {
        m_posts.reset();
        m_mainView.reset();
        EventFormTest::TearDown();
    }

    TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey()); }
    qint64 count(const QString& where)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE ") + where);
    }

    // A daily series at 09:00 from Monday 13 January 2014.
    TaskPtr dailySeries(bool allDay = false, bool scheduled = false)
    {
        auto root = std::make_shared<Task>();
        root->setTaskType(0);
        root->setTaskName(QStringLiteral("stand-up"));
        root->setCalendarId(1);
        const Date start = allDay ? localDate(2014, 1, 13) : localDate(2014, 1, 13, 9, 0);
        const Date end = allDay ? localDate(2014, 1, 13, 23, 59, 59) : localDate(2014, 1, 13, 9, 30);
        root->setStartTime(start);
        root->setEndTime(end);
        root->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
        root->setIsADE(allDay);
        root->setIsSheduledTask(scheduled);
        root->setRepeatStartDate(start);
        root->setRepeatType(1);
        root->setRepeatOptions(QStringLiteral("1//0"));
        root->setIsRepeatForever(1);
        root->setTz(defaultZone);
        EXPECT_TRUE(root->insertAndDehydrate());
        return root;
    }

    TaskPtr occurrenceOf(const TaskPtr& root, int day)
    {
        const Date at = Utilities::newDateOnDate(localDate(2014, 1, day), root->startTime());
        TaskList instances;
        dataManager().fillRepeatEventInstances({reread(root)}, instances, Utilities::today(at),
                                               Utilities::newDateOnDate(Utilities::today(at), 23, 59));
        for (const TaskPtr& instance : instances)
            if (Utilities::compareDateNoTime(instance->occurrence(), at) == 0) return instance;
        ADD_FAILURE() << "no occurrence on day " << day;
        return nullptr;
    }

    std::unique_ptr<RecordingMainView> m_mainView;
    std::unique_ptr<PostedNotifications> m_posts;
};

TEST_F(EventSaveTest, DoneWithNothingChangedWritesNothingAndClosesThenTellsTheChange)
{
    const TaskPtr item = storedEvent(localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 11));
    const QVariant updated = storedColumn(item->primaryKey(), QStringLiteral("dateUpdate"));
    EventDetailView& form = editForm(item);
    form.doneEdit();
    EXPECT_EQ(m_posts->names(), (QStringList{Popover::shouldCloseNotification, kTaskChanged}));
    EXPECT_EQ(storedColumn(item->primaryKey(), QStringLiteral("dateUpdate")), updated);
    EXPECT_EQ(reread(item)->taskName(), QStringLiteral("Meeting"));
}

TEST_F(EventSaveTest, AnEmptyTitleIsStoredUntitledAndSavingItAgainChangesNoName)
{
    const TaskPtr item = storedEvent(localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 11));
    EventDetailView& form = editForm(item);
    form.title()->setString(QString());
    form.showRevert();
    form.doneEdit();
    EXPECT_EQ(reread(item)->taskName(), text("untitledText"));

    EventDetailView& again = editForm(reread(item));
    again.checkChangeInfo();
    EXPECT_FALSE(again.otherRulesChanged());
    again.title()->setString(QString());
    again.checkChangeInfo();
    EXPECT_FALSE(again.otherRulesChanged()) << "an empty title stands for the untitled name";
}

TEST_F(EventSaveTest, TimesAreWrittenAsTheKindOfEventWants)
{
    struct Case {
        const char* what;
        bool allDay;
        Date start, end;
        Date storedStart, storedEnd;
        qint64 duration;
        qint64 zone = defaultZone;  // the event's own, kept
        Date openedEnd = localDate(2014, 1, 15, 11);  // from 10:00
        bool zones = false;
        QTime typed = QTime();  // typed into the start field instead: refused with an alert
        Date openedStart = localDate(2014, 1, 15, 10);
    };
    // 02:30 summer time and 02:30 winter time on the night Paris's clocks go back.
    const Date firstHalfPastTwo = Date::dateWithTimeIntervalSince1970(1824942600);
    const Date secondHalfPastTwo = firstHalfPastTwo.dateByAddingTimeInterval(3600);
    const qint64 newYork = -21536;
    const Case cases[] = {
        {"one all-day day", true, localDate(2014, 1, 16, 10), localDate(2014, 1, 16, 11), localDate(2014, 1, 16),
         localDate(2014, 1, 16, 23, 59, 59), 1439},
        {"two all-day days", true, localDate(2014, 1, 16, 10, 30), localDate(2014, 1, 17, 9), localDate(2014, 1, 16),
         localDate(2014, 1, 17, 23, 59, 59), 2879},
        {"a timed event of no length gets the default", false, localDate(2014, 1, 16, 10),
         localDate(2014, 1, 16, 10), localDate(2014, 1, 16, 10), localDate(2014, 1, 16, 11), eventMinutes},
        {"a timed event stored without length keeps none", false, localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 10),
         localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 10), 0, defaultZone, localDate(2014, 1, 15, 10)},
        // Without zone support it shows at its own times: given the display
        // zone, those would become that zone's.
        {"an event of another zone without zone support", false, localDate(2014, 1, 15, 14), localDate(2014, 1, 15, 15),
         localDate(2014, 1, 15, 14), localDate(2014, 1, 15, 15), 60, newYork},
        // 02:30 New York on the night the machine's clocks in Paris skip
        // 02:00 to 03:00: held as Paris's clock, it would be saved at 03:30.
        {"a New York time the machine's clock skips", false, localDate(2027, 3, 28, 1), localDate(2027, 3, 28, 4),
         localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 11), 60, newYork, localDate(2014, 1, 15, 11), true,
         QTime(2, 30)},
        // Held in UTC from 00:30 to 01:30, shown unchanged from one 02:30 to the other.
        {"an hour across the repeated autumn hour, shown unchanged", false, firstHalfPastTwo, secondHalfPastTwo,
         localDate(2027, 10, 31, 0, 30), localDate(2027, 10, 31, 1, 30), 60, CoreData::utcZoneId,
         localDate(2027, 10, 31, 1, 30), false, QTime(), localDate(2027, 10, 31, 0, 30)},
        {"from the first 02:30 of the machine's repeated hour, shown unchanged", false, firstHalfPastTwo,
         localDate(2027, 10, 31, 3, 30), firstHalfPastTwo, localDate(2027, 10, 31, 3, 30), 120, defaultZone,
         localDate(2027, 10, 31, 3, 30), true, QTime(), firstHalfPastTwo},
        {"an hour in 1965, shown unchanged", false, localDate(1965, 4, 23, 10), localDate(1965, 4, 23, 11),
         localDate(1965, 4, 23, 10), localDate(1965, 4, 23, 11), 60, defaultZone, localDate(1965, 4, 23, 11), false,
         QTime(), localDate(1965, 4, 23, 10)},
        {"all day on 31 December 1969", true, localDate(1969, 12, 31, 10), localDate(1969, 12, 31, 11),
         localDate(1969, 12, 31), localDate(1969, 12, 31, 23, 59, 59), 1439, defaultZone, localDate(1969, 12, 31, 11),
         false, QTime(), localDate(1969, 12, 31, 10)},
        // Other programs write seconds; the fields show whole minutes.
        {"from 10:00:30 to 11:00:30, shown unchanged", false, localDate(2027, 9, 14, 10, 0, 30),
         localDate(2027, 9, 14, 11, 0, 30), localDate(2027, 9, 14, 10, 0, 30), localDate(2027, 9, 14, 11, 0, 30), 60,
         defaultZone, localDate(2027, 9, 14, 11, 0, 30), false, QTime(), localDate(2027, 9, 14, 10, 0, 30)},
        {"from 10:00:30 moved to 10:15, on whole minutes", false, localDate(2027, 9, 14, 10, 15),
         localDate(2027, 9, 14, 11, 15), localDate(2027, 9, 14, 10, 15), localDate(2027, 9, 14, 11, 15), 60,
         defaultZone, localDate(2027, 9, 14, 11, 0, 30), false, QTime(), localDate(2027, 9, 14, 10, 0, 30)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setting().setTzSupport(c.zones);
        const TaskPtr item = storedEvent(c.openedStart, c.openedEnd);
        item->setTz(c.zone);
        ASSERT_TRUE(item->dehydrate());
        EventDetailView& form = editForm(item);
        form.allDayBtn()->setState(c.allDay ? 1 : 0);
        form.startTextField()->setDateValue(c.start);
        form.endTextField()->setMinDate(Date());
        form.endTextField()->setDateValue(c.end);
        if (c.typed.isValid())
            form.startTextField()->editor()->setTime(c.typed);
        ScriptedAlertPresenter alerts;
        if (c.typed.isValid()) alerts.scriptButton(AlertResponse::firstButton);
        form.showRevert();
        form.doneEdit();
        EXPECT_EQ(alerts.requests().size(), c.typed.isValid() ? 1 : 0);
        const TaskPtr stored = reread(item);
        EXPECT_EQ(stored->startTime(), c.storedStart);
        EXPECT_EQ(stored->endTime(), c.storedEnd);
        EXPECT_EQ(stored->duration(), c.duration);
        EXPECT_EQ(stored->isADE(), c.allDay);
        EXPECT_EQ(stored->tz(), c.zone);
    }
}

TEST_F(EventSaveTest, WhatChangedElsewhereWhileTheFormWasOpenIsKept)
{
    // Another program's change reaches the row while the form is open (as
    // the store's import writes it); Done writes what the person changed.
    struct Case {
        const char* what;
        std::function<void(Task&)> elsewhere;
        std::function<void(EventDetailView&)> here;
        QString title, location;
        Date start, end;
        bool told;
        // Opened on the generated occurrence of 15 January of a daily series
        // at 09:00 that is changed elsewhere, saved for this occurrence only.
        bool occurrence = false;
    };
    const Date at15 = localDate(2014, 1, 15, 15), at16 = localDate(2014, 1, 15, 16);
    const Date at9 = localDate(2014, 1, 15, 9), at930 = localDate(2014, 1, 15, 9, 30);
    const Date at1530 = localDate(2014, 1, 15, 15, 30), at1630 = localDate(2014, 1, 15, 16, 30);
    const auto moveRow = [&](Task& row) {
        row.setStartTime(at1530);
        row.setEndTime(at1630);
    };
    const auto retitle = [](EventDetailView& form) { form.title()->setString(QStringLiteral("Review")); };
    const auto moveForm = [&](EventDetailView& form) {
        form.startTextField()->setDateValue(at1530);
        form.endTextField()->setDateValue(at1630);
    };
    const Case cases[] = {
        {"moved elsewhere, retitled here", moveRow, retitle, "Review", "", at1530, at1630, false},
        {"retitled on both sides: the person's title, and told",
         [](Task& row) { row.setTaskName(QStringLiteral("Sync")); }, retitle, "Review", "", at15, at16, true},
        {"a place given elsewhere, moved here", [](Task& row) { row.setTaskLocation(QStringLiteral("Room 4")); },
         moveForm, "Meeting", "Room 4", at1530, at1630, false},
        {"an occurrence: the series retitled elsewhere, this one moved here",
         [](Task& row) { row.setTaskName(QStringLiteral("Sync")); }, moveForm, "Sync", "", at1530, at1630, false, true},
        {"an occurrence retitled here, its series elsewhere: the person's title, and told",
         [](Task& row) { row.setTaskName(QStringLiteral("Sync")); }, retitle, "Review", "", at9, at930, true, true},
        {"an occurrence retitled here, a place given to its series elsewhere",
         [](Task& row) { row.setTaskLocation(QStringLiteral("Room 4")); }, retitle, "Review", "Room 4", at9, at930, false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedAlertPresenter alerts;
        const TaskPtr root = c.occurrence ? dailySeries() : storedEvent(at15, at16);
        const TaskPtr item = c.occurrence ? occurrenceOf(root, 15) : root;
        EventDetailView& form = editForm(item);
        const TaskPtr row = reread(root);
        c.elsewhere(*row);
        ASSERT_TRUE(row->dehydrate());
        c.here(form);
        form.showRevert();
        if (c.told) alerts.scriptButton(AlertResponse::firstButton);
        if (c.occurrence) alerts.scriptButton(AlertResponse::firstButton);  // only this occurrence
        form.doneEdit();
        const TaskPtr stored =
            c.occurrence ? Task::initWithPrimaryKey(queryInt(QStringLiteral("SELECT primaryKey FROM Tasks WHERE parentId = %1")
                                                                 .arg(root->primaryKey())))
                         : reread(item);
        EXPECT_EQ(stored->taskName(), c.title);
        EXPECT_EQ(stored->taskLocation(), c.location);
        EXPECT_EQ(stored->startTime(), c.start);
        EXPECT_EQ(stored->endTime(), c.end);
        EXPECT_EQ(alerts.requests().size(), (c.told ? 1 : 0) + (c.occurrence ? 1 : 0));
        if (c.told && !alerts.requests().isEmpty())
            EXPECT_EQ(alerts.requests().first().messageText, text("editedElsewhereText").arg(QStringLiteral("Review")));
    }
}

TEST_F(EventSaveTest, RepeatRulesAreStoredAsTheirOptionsTextAndEndOfDay)
{
    struct Case {
        const char* what;
        Date start;
        int repeatTag;
        QString every;
        QList<int> weekdaySegments;  // 0 Sunday
        int byTag;
        QString options;
        Date storedStart;
        // Weekly already, held in that zone on a machine in New York without
        // zone support: shown and chosen on New York's days.
        const char* heldIn = nullptr;
        const char* storedWeekly = nullptr;  // weekly already, on these options
    };
    const QTimeZone newYork = GregorianCalendar::zoneNamed(QStringLiteral("America/New_York"));
    const Case cases[] = {
        {"weekly, no weekday, from a Wednesday", localDate(2014, 1, 15, 10), RepeatRuleRows::weeklyTag, "1", {}, 1,
         "1/4/0", localDate(2014, 1, 15, 10)},
        {"weekly every 2 on Monday and Wednesday", localDate(2014, 1, 15, 10), RepeatRuleRows::weeklyTag, "2", {1, 3},
         1, "2/2|4/0", localDate(2014, 1, 15, 10)},
        {"weekly on Monday from Thursday 9th", localDate(2014, 1, 9, 10), RepeatRuleRows::weeklyTag, "1", {1}, 1,
         "1/2/0", localDate(2014, 1, 13, 10)},
        {"monthly by day of week", localDate(2014, 1, 15, 10), RepeatRuleRows::monthlyTag, "1", {}, 2, "1//1",
         localDate(2014, 1, 15, 10)},
        {"daily every 3", localDate(2014, 1, 15, 10), RepeatRuleRows::dailyTag, "3", {}, 1, "3//0",
         localDate(2014, 1, 15, 10)},
        // Mondays 09:00 in Tokyo are Sunday evenings in New York: Sundays
        // and Wednesdays there are Tokyo's Mondays and Thursdays.
        {"weekly in Tokyo on New York's Sunday and Wednesday", GregorianCalendar::dateFromFields(2027, 3, 1, 9, 0, 0, newYork),
         RepeatRuleRows::weeklyTag, "1", {0, 3}, 1, "1/2|5/0", GregorianCalendar::dateFromFields(2027, 3, 1, 9, 0, 0, newYork),
         "Asia/Tokyo"},
        // Other programs start a series off its weekdays: it keeps that start
        // until the start or the weekdays change.
        {"weekly on Tuesday as stored, from Friday 10th", localDate(2014, 1, 10, 10), RepeatRuleRows::weeklyTag, "1", {2}, 1,
         "1/3/0", localDate(2014, 1, 10, 10), nullptr, "1/3/0"},
        {"weekly on Tuesday as stored, Thursday chosen, from Friday 10th", localDate(2014, 1, 10, 10),
         RepeatRuleRows::weeklyTag, "1", {4}, 1, "1/5/0", localDate(2014, 1, 16, 10), nullptr, "1/3/0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<ScopedTimeZone> machine;
        const TaskPtr item = storedEvent(c.start, c.start.dateByAddingTimeInterval(5400));
        if (c.heldIn) {
            machine.emplace("America/New_York");
            dataManager().loadTimeZones();
            setting().setTzSupport(false);
            item->setTz(dataManager().getTimeZoneId(QString::fromLatin1(c.heldIn)));
            item->setHeldInFileZone(true);
        }
        if (c.heldIn || c.storedWeekly) {
            item->setRepeatType(2);
            item->setRepeatOptions(QString::fromLatin1(c.storedWeekly ? c.storedWeekly : "1/2/0"));
            item->setRepeatStartDate(c.start);
            ASSERT_TRUE(item->dehydrate());
        }
        EventDetailView& form = editForm(item);
        RepeatRuleRows& rules = form.repeatRules();
        if (c.heldIn)
            EXPECT_TRUE(rules.repeatSegmentedDayControl()->isSelectedForSegment(
                int(Utilities::getWeekday(form.startTextField()->dateValue())) - 1));
        choose(rules.repeatBtn(), c.repeatTag);
        rules.repeatEveryTextField()->setStringValue(c.every);
        SegmentedControl* days = rules.repeatSegmentedDayControl();
        for (int segment = 0; segment < days->segmentCount(); ++segment)
            days->setSelected(c.weekdaySegments.contains(segment), segment);
        if (c.repeatTag == RepeatRuleRows::monthlyTag) choose(rules.repeatByBtn(), c.byTag);
        choose(rules.repeatUntilBtn(), 2);
        const Date until = c.heldIn ? c.start.dateByAddingTimeInterval(20 * 86400.0) : localDate(2014, 1, 20, 8, 15);
        rules.untilDateTextField()->setDateValue(until);
        form.showRevert();
        ScriptedAlertPresenter alerts;
        if (c.heldIn) alerts.scriptButton(AlertResponse::secondButton);  // all occurrences
        form.doneEdit();
        const TaskPtr stored = reread(item);
        EXPECT_EQ(stored->repeatType(), c.repeatTag - 1);
        EXPECT_EQ(stored->repeatOptions(), c.options);
        EXPECT_EQ(stored->startTime(), c.storedStart);
        EXPECT_EQ(stored->duration(), 90);
        EXPECT_EQ(stored->endTime(), c.storedStart.dateByAddingTimeInterval(5400)) << "the end keeps the duration";
        // The day chosen ends at midnight of the clock shown: a Tokyo Monday
        // 09:00 on New York's last Sunday is kept.
        const Date shownEnd = Utilities::newDateOnDate(until, 23, 59);
        EXPECT_EQ(stored->repeatEndDate(),
                  c.heldIn ? GregorianCalendar::wallTimeInZone(shownEnd, newYork,
                                                               GregorianCalendar::zoneNamed(QString::fromLatin1(c.heldIn)))
                           : shownEnd);
        EXPECT_FALSE(stored->isRepeatForever());
    }
}

TEST_F(EventSaveTest, CategoryTagsStayOffTheEventAndNewNamesBecomeTags)
{
    const CalendarPtr category = addCategory(0, 0, QStringLiteral("/work"));
    const TaskPtr item = storedEvent(localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 11));
    EventDetailView& form = editForm(item);
    choose(form.calendarBtn(), int(category->primaryKey()));
    form.tagDetailView()->setObjectValue({QStringLiteral("work"), QStringLiteral("fresh"), QStringLiteral("fresh")});
    form.showRevert();
    form.doneEdit();
    const TaskPtr stored = reread(item);
    EXPECT_EQ(stored->calendarId(), category->primaryKey());
    EXPECT_EQ(stored->tagList(), QStringLiteral("/fresh"));
    const TagList tags = dataManager().tagList();
    EXPECT_EQ(std::count_if(tags.cbegin(), tags.cend(),
                            [](const TagPtr& tag) { return tag->tagName() == QStringLiteral("fresh"); }),
              1);
}

TEST_F(EventSaveTest, TheFirstOccurrenceWithOnlyTheRuleChangedAsksNothingAndDropsItsExceptions)
{
    ScriptedAlertPresenter alerts;
    const TaskPtr root = dailySeries();
    auto detached = std::make_shared<Task>();
    detached->setTaskType(0);
    detached->setParentId(root->primaryKey());
    detached->setOccurrence(localDate(2014, 1, 15, 9));
    detached->setStartTime(localDate(2014, 1, 15, 11));
    detached->setEndTime(localDate(2014, 1, 15, 12));
    ASSERT_TRUE(detached->insertAndDehydrate());
    root->addRepeatException(localDate(2014, 1, 15, 9), Task::RepeatException::Changed);
    ASSERT_TRUE(root->dehydrate());

    EventDetailView& form = editForm(reread(root));
    form.repeatRules().repeatEveryTextField()->setStringValue(QStringLiteral("2"));
    form.showRevert();
    form.doneEdit();
    EXPECT_TRUE(alerts.requests().isEmpty());
    const TaskPtr stored = reread(root);
    EXPECT_EQ(stored->repeatOptions(), QStringLiteral("2//0"));
    EXPECT_EQ(stored->repeatExceptions(), QString());
    EXPECT_EQ(count(QStringLiteral("parentId=%1").arg(root->primaryKey())), 0);
    EXPECT_EQ(m_posts->names(), (QStringList{Popover::shouldCloseNotification, kTaskChanged}));
}

TEST_F(EventSaveTest, ALaterOccurrenceWithOnlyTheCategoryChangedMovesTheWholeSeriesWithoutAQuestion)
{
    ScriptedAlertPresenter alerts;
    const CalendarPtr category = addCategory();
    const TaskPtr root = dailySeries();
    EventDetailView& form = editForm(occurrenceOf(root, 16));
    choose(form.calendarBtn(), int(category->primaryKey()));
    form.desc()->setString(QStringLiteral("bring slides"));
    form.showRevert();
    form.doneEdit();
    EXPECT_TRUE(alerts.requests().isEmpty());
    const TaskPtr stored = reread(root);
    EXPECT_EQ(stored->calendarId(), category->primaryKey());
    EXPECT_EQ(stored->notes(), QStringLiteral("bring slides")) << "edited notes go with the change";
    EXPECT_EQ(stored->startTime(), localDate(2014, 1, 13, 9)) << "the series keeps its start";
    EXPECT_EQ(form.task()->primaryKey(), root->primaryKey()) << "the editor now holds the root";
}

TEST_F(EventSaveTest, TheScopeQuestionsReadAsTheRecordAndChangeAsk)
{
    struct Case {
        const char* what;
        bool allDay;
        bool scheduled;
        int day;  // 13 is the first occurrence
        std::function<void(EventDetailView&)> change;
        QString message;
        QString informative;
        QStringList buttons;
    };
    const auto retitle = [](EventDetailView& form) { form.title()->setString(QStringLiteral("retro")); };
    const auto switchAllDay = [](EventDetailView& form) { form.allDayBtn()->setState(form.allDayBtn()->state() ? 0 : 1); };
    const auto everyTwo = [](EventDetailView& form) {
        form.repeatRules().repeatEveryTextField()->setStringValue(QStringLiteral("2"));
    };
    const Case cases[] = {
        {"first, all-day switched", false, false, 13, switchAllDay, text("editingEventText"),
         text("editingAllEventToADEText"), {text("allText"), text("cancelText")}},
        {"first all-day, all-day switched", true, false, 13, switchAllDay, text("editingADEText"),
         text("editingAllADEMessageText"), {text("allText"), text("cancelText")}},
        {"first, new title", false, false, 13, retitle, text("editingEventText"), text("editingAllMessageText"),
         {text("onlyThisEventText"), text("allText"), text("cancelText")}},
        {"first all-day, new title", true, false, 13, retitle, text("editingADEText"),
         text("editingAllMessageText") + "\n" + text("warningRADEExceptionText"),
         {text("onlyThisEventText"), text("allText"), text("cancelText")}},
        {"first scheduled task, new title", false, true, 13, retitle, text("editingSTaskText"),
         text("editingAllSTaskMessageText"), {text("onlyThisSTaskText"), text("allText"), text("cancelText")}},
        {"later, all-day switched", false, false, 16, switchAllDay, text("editingEventText"),
         text("editingAllFutureEventToADEText"), {text("allFutureEventsText"), text("cancelText")}},
        {"later, new title", false, false, 16, retitle, text("editingEventText"), text("editingAllFutureMessageText"),
         {text("onlyThisEventText"), text("allFutureEventsText"), text("cancelText")}},
        {"later scheduled task, new title", false, true, 16, retitle, text("editingSTaskText"),
         text("editingAllSTaskFutureMessageText"),
         {text("onlyThisSTaskText"), text("allFutureSTasksText"), text("cancelText")}},
        {"later, rule changed", false, false, 16, everyTwo, text("editingEventText"),
         text("editingAllFutureMessageText"), {text("allFutureEventsText"), text("cancelText")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedAlertPresenter alerts;
        const TaskPtr root = dailySeries(c.allDay, c.scheduled);
        const QVariant updated = storedColumn(root->primaryKey(), QStringLiteral("dateUpdate"));
        const qint64 rows = count(QStringLiteral("1"));
        EventDetailView& form = editForm(c.day == 13 ? reread(root) : occurrenceOf(root, c.day));
        c.change(form);
        form.showRevert();
        alerts.scriptButton(AlertResponse::firstButton + int(c.buttons.size()) - 1);  // Cancel
        const int postsBefore = int(m_posts->names().size());
        form.doneEdit();
        ASSERT_EQ(alerts.requests().size(), 1);
        const AlertRequest asked = alerts.requests().first();
        EXPECT_EQ(asked.style, AlertStyle::Warning);
        EXPECT_EQ(asked.messageText, c.message);
        EXPECT_EQ(asked.informativeText, c.informative);
        EXPECT_EQ(asked.buttonTitles, c.buttons);
        // Cancel stores nothing and closes without telling a change.
        EXPECT_EQ(storedColumn(root->primaryKey(), QStringLiteral("dateUpdate")), updated);
        EXPECT_EQ(reread(root)->taskName(), QStringLiteral("stand-up"));
        EXPECT_EQ(count(QStringLiteral("1")), rows);
        EXPECT_EQ(m_posts->names().mid(postsBefore), QStringList{Popover::shouldCloseNotification});
        EXPECT_FALSE(form.isRevertShown());
    }
}

TEST_F(EventSaveTest, ALaterOccurrenceRetitledOnlyThisOrAllFuture)
{
    for (const bool onlyThis : {true, false}) {
        SCOPED_TRACE(onlyThis ? "only this" : "all future");
        ScriptedAlertPresenter alerts;
        const TaskPtr root = dailySeries();
        EventDetailView& form = editForm(occurrenceOf(root, 16));
        form.title()->setString(QStringLiteral("retro"));
        form.showRevert();
        alerts.scriptButton(onlyThis ? AlertResponse::firstButton : AlertResponse::secondButton);
        form.doneEdit();
        const TaskPtr storedRoot = reread(root);
        EXPECT_EQ(storedRoot->taskName(), QStringLiteral("stand-up"));
        if (onlyThis) {
            EXPECT_EQ(count(QStringLiteral("parentId=%1 AND taskName='retro'").arg(root->primaryKey())), 1);
            EXPECT_TRUE(storedRoot->repeatExceptions().contains(
                QString::number(qint64(storedSeconds(localDate(2014, 1, 16, 9))))));
        } else {
            EXPECT_EQ(count(QStringLiteral("parentId=-1 AND taskName='retro' AND repeatType=1")), 1);
            EXPECT_FALSE(storedRoot->isRepeatForever()) << "the old series ends before the occurrence";
        }
        EXPECT_EQ(m_posts->names().mid(m_posts->names().size() - 2),
                  (QStringList{Popover::shouldCloseNotification, kTaskChanged}));
    }
}

// A weekly series' start moved to the next day, its weekdays left as they
// were, moves every occurrence it saves (a Saturday series to Sundays).
TEST_F(EventSaveTest, AWeeklySeriesMovedToTheNextDayMovesItsLaterOccurrences)
{
    const struct {
        const char* what;
        int day;  // 11 is the first occurrence; the answer is the second button (all, all future)
        QList<int> days;
        int lastDay = 0;  // the series ends at its start that day (else at the close of 1 February)
    } cases[] = {
        {"the first, all", 11, {2, 12, 19, 26}},
        {"a later one, all future", 18, {2, 11, 19, 26}},
        {"the first, all, ending at its last start", 11, {12, 19, 26}, 25},
        {"a later one, all future, ending at its last start", 18, {11, 19, 26}, 25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedAlertPresenter alerts;
        const TaskPtr root = storedEvent(localDate(2014, 1, 11, 10), localDate(2014, 1, 11, 11), QStringLiteral("Market"));
        root->setRepeatType(2);
        root->setRepeatOptions(QStringLiteral("1/7/0"));
        root->setRepeatStartDate(root->startTime());
        root->setIsRepeatForever(0);
        root->setRepeatEndDate(c.lastDay ? localDate(2014, 1, c.lastDay, 10) : localDate(2014, 2, 1, 23, 59));
        root->setDuration(60);
        root->setTz(defaultZone);
        ASSERT_TRUE(root->dehydrate());
        const TaskPtr shown = c.day == 11 ? reread(root) : occurrenceOf(root, c.day);
        ASSERT_TRUE(shown);
        EventDetailView& form = editForm(shown);
        form.startTextField()->setDateValue(localDate(2014, 1, c.day + 1, 10));
        form.endTextField()->setDateValue(localDate(2014, 1, c.day + 1, 11));
        form.showRevert();
        alerts.scriptButton(AlertResponse::secondButton);
        form.doneEdit();
        QList<int> days;
        QList<qint64> roots{root->primaryKey()};
        if (dataManager().modifyingTask()->primaryKey() != root->primaryKey()) roots << dataManager().modifyingTask()->primaryKey();
        for (const qint64 key : roots) {
            TaskList instances;
            dataManager().fillRepeatEventInstances({Task::initWithPrimaryKey(key)}, instances, localDate(2014, 1, 1),
                                                   localDate(2014, 2, 28));
            for (const TaskPtr& instance : instances) {
                days << int(Utilities::getDay(instance->startTime()));
                EXPECT_EQ(Utilities::getHour(instance->startTime()), 10);
            }
        }
        std::sort(days.begin(), days.end());
        EXPECT_EQ(days, c.days);
    }
}

TEST_F(EventSaveTest, ASeriesGoneMeanwhileStoresNothingAndStillCloses)
{
    LogCapture log;
    const TaskPtr root = dailySeries();
    EventDetailView& form = editForm(occurrenceOf(root, 16));
    exec(QStringLiteral("DELETE FROM Tasks WHERE primaryKey=%1").arg(root->primaryKey()));
    form.desc()->setString(QStringLiteral("lost"));
    form.showRevert();
    const qint64 rows = count(QStringLiteral("1"));
    form.doneEdit();
    EXPECT_EQ(count(QStringLiteral("1")), rows);
    EXPECT_EQ(m_posts->names(), (QStringList{Popover::shouldCloseNotification, kTaskChanged}));
}

// A quick-add field that takes what the add form builds.
class RecordingQuickAdd : public View, public QuickAddHost {
public:
    RecordingQuickAdd() : View(QRectF(0, 0, 300, 400)) {}
    void addNewTask(const TaskPtr& item) override { added.append(item); }
    void resetData() override { ++resets; }
    QList<TaskPtr> added;
    int resets = 0;
};

TEST_F(EventSaveTest, AddHandsANewEventToTheQuickAddFieldOnlyInAddMode)
{
    RecordingQuickAdd field;
    auto* panel = new RecordingAddHost;
    panel->setParent(&field);
    EventDetailView& form = addForm(panel);
    form.startTextField()->setDateValue(localDate(2014, 1, 16, 14));
    form.endTextField()->setDateValue(localDate(2014, 1, 16, 15));
    form.addEvent();
    ASSERT_EQ(field.added.size(), 1);
    const TaskPtr made = field.added.first();
    EXPECT_EQ(made->taskType(), 0);
    EXPECT_EQ(made->builtIn(), 0);
    EXPECT_EQ(made->startTime(), localDate(2014, 1, 16, 14));
    EXPECT_EQ(made->repeatStartDate(), made->startTime());
    EXPECT_EQ(made->duration(), 60);
    EXPECT_EQ(made->calendarId(), 1);
    form.cancelAdd();
    EXPECT_EQ(field.resets, 1);

    const TaskPtr item = storedEvent(localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 11));
    EventDetailView& edit = editForm(item);
    edit.setParentView(panel);
    edit.addEvent();
    edit.cancelAdd();
    EXPECT_EQ(field.added.size(), 1) << "in edit mode the built event is dropped";
    EXPECT_EQ(field.resets, 1);
    m_form.reset();
}

TEST_F(EventSaveTest, AddLinkSavesWithoutClosingAndAsksForAReload)
{
    const TaskPtr item = storedEvent(localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 11));
    EventDetailView& form = editForm(item);
    form.title()->setString(QStringLiteral("Planning"));
    form.showRevert();
    form.addNewLink();
    EXPECT_EQ(reread(item)->taskName(), QStringLiteral("Planning"));
    EXPECT_TRUE(m_posts->names().isEmpty()) << "no close, no change told";
    const QString key = QString::number(item->primaryKey());
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(key)));
    EXPECT_FALSE(form.isRevertShown());
}

}  // namespace

}  // namespace EventSaveTests

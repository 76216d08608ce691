#include "EventFormFixture.h"

#include "CoreData.h"
#include "TextTable.h"
#include "Utilities.h"

#include <gtest/gtest.h>

namespace {

class RepeatRuleRowsTest : public EventFormTest {
protected:
    RepeatRuleRows& rules() { return m_form->repeatRules(); }
    bool listed(DetailRow* row) { return m_form->allRowView().contains(row); }
    static QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

    TaskPtr storedSeries(qint64 repeatType, const QString& options)
    {
        // Wednesday 15 January 2014, 09:00.
        const TaskPtr item = storedEvent(localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10));
        item->setRepeatType(repeatType);
        item->setRepeatOptions(options);
        item->setIsRepeatForever(1);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }
    std::vector<int> selectedWeekdayTags()
    {
        std::vector<int> tags;
        SegmentedControl* days = rules().repeatSegmentedDayControl();
        for (int i = 0; i < days->segmentCount(); ++i)
            if (days->isSelectedForSegment(i)) tags.push_back(days->tagForSegment(i));
        return tags;
    }
};

}  // namespace

TEST_F(RepeatRuleRowsTest, EachRepeatKindShowsItsRows)
{
    addForm();
    struct Case {
        RepeatRuleRows::RepeatTag tag;
        bool every;
        bool on;
        const char* unit;  // read after "Every [n]"
        const char* onLabelKey;
    };
    const Case cases[] = {
        {RepeatRuleRows::dailyTag, true, false, "Day(s)", nullptr},
        {RepeatRuleRows::weeklyTag, true, true, "Week(s)", "repeatOnText"},
        {RepeatRuleRows::monthlyTag, true, true, "Month(s)", "repeatByText"},
        {RepeatRuleRows::yearlyTag, true, false, "Year(s)", nullptr},
        {RepeatRuleRows::noneTag, false, false, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        choose(rules().repeatBtn(), c.tag);
        const QList<DetailRow*>& rows = m_form->allRowView();
        const qsizetype repeatAt = rows.indexOf(rules().repeatRow());
        EXPECT_EQ(listed(rules().repeatUntilRow()), c.every) << c.tag;
        EXPECT_EQ(listed(rules().repeatEveryRow()), c.every) << c.tag;
        EXPECT_EQ(listed(rules().repeatOnRow()), c.on) << c.tag;
        if (!c.every) continue;
        EXPECT_EQ(rows.indexOf(rules().repeatUntilRow()), repeatAt + 1) << c.tag;
        EXPECT_EQ(rows.indexOf(rules().repeatEveryRow()), repeatAt + 2) << c.tag;
        EXPECT_EQ(rules().repeatEveryRow()->label()->stringValue(), QStringLiteral("Every")) << c.tag;
        EXPECT_EQ(rules().repeatEveryTypeTextField()->stringValue(), QString::fromLatin1(c.unit)) << c.tag;
        EXPECT_EQ(selectedTag(rules().repeatUntilBtn()), 1) << "each choice starts at forever";
        if (c.on) {
            EXPECT_EQ(rules().repeatOnRow()->label()->stringValue(), text(c.onLabelKey)) << c.tag;
        }
    }
    EXPECT_FALSE(rules().repeatEveryRow()->isVisible());
}

TEST_F(RepeatRuleRowsTest, WeeklySelectsTheWeekdayOfTheStart)
{
    addForm();
    ASSERT_EQ(Utilities::getWeekday(m_form->startTextField()->dateValue()), 4) << "a Wednesday";
    choose(rules().repeatBtn(), RepeatRuleRows::weeklyTag);
    EXPECT_EQ(selectedWeekdayTags(), std::vector<int>{4});
    EXPECT_EQ(rules().repeatOptions(), QStringLiteral("1/4/0"));
}

TEST_F(RepeatRuleRowsTest, UntilADaySetsTomorrowAtTheNextQuarterHourAndForeverHidesIt)
{
    addForm();
    choose(rules().repeatBtn(), RepeatRuleRows::dailyTag);
    choose(rules().repeatUntilBtn(), 2);
    EXPECT_FALSE(rules().untilDateTextField()->isHidden());
    EXPECT_EQ(rules().untilDateTextField()->dateValue(), localDate(2014, 1, 16, 10, 15));
    choose(rules().repeatUntilBtn(), 1);
    EXPECT_TRUE(rules().untilDateTextField()->isHidden());
}

TEST_F(RepeatRuleRowsTest, TheUntilPickerStartsNoEarlierThanTheStart)
{
    addForm();
    choose(rules().repeatBtn(), RepeatRuleRows::dailyTag);
    choose(rules().repeatUntilBtn(), 2);
    rules().untilDateTextField()->setDateValue(localDate(2014, 1, 1, 9));
    EXPECT_GE(rules().untilDateTextField()->dateValue(), m_form->startTextField()->dateValue());
}

TEST_F(RepeatRuleRowsTest, StoredRulesLoadIntoTheRows)
{
    struct Case {
        const char* name;
        qint64 repeatType;
        const char* options;
        const char* count;
        std::vector<int> weekdays;
        int byTag;
        // Held in UTC (a store file's "Z" times), ending at its last start
        // on the 19th: its end shows on the machine's clock as its start does.
        bool inUTC = false;
    };
    const Case cases[] = {
        {"weekly on Monday and Wednesday every 2", 2, "2/2|4/0", "2", {2, 4}, 1},
        {"monthly by day of week", 3, "1//1", "1", {}, 2},
        {"daily with options missing", 1, "", "1", {}, 1},
        {"weekly with weekdays out of range", 2, "1/0|8|x/0", "1", {}, 1},
        {"daily in UTC until its last start", 1, "1//0", "1", {}, 1, true},
    };
    for (const Case& c : cases) {
        const TaskPtr item = storedSeries(c.repeatType, QString::fromLatin1(c.options));
        if (c.inUTC) {
            item->setTz(CoreData::utcZoneId);
            item->setIsRepeatForever(0);
            item->setRepeatEndDate(localDate(2014, 1, 19, 9));
            ASSERT_TRUE(item->dehydrate());
        }
        editForm(item);
        if (c.inUTC) {
            EXPECT_EQ(m_form->startTextField()->dateValue(), localDate(2014, 1, 15, 10)) << c.name;
            EXPECT_EQ(rules().untilDateTextField()->dateValue(), localDate(2014, 1, 19, 10)) << c.name;
        }
        EXPECT_EQ(rules().repeatTag(), c.repeatType + 1) << c.name;
        EXPECT_EQ(rules().repeatEveryTextField()->stringValue(), QString::fromLatin1(c.count)) << c.name;
        if (c.repeatType == 2) {
            EXPECT_EQ(selectedWeekdayTags(), c.weekdays) << c.name;
        }
        if (c.repeatType == 3) {
            EXPECT_EQ(selectedTag(rules().repeatByBtn()), c.byTag) << c.name;
        }
        EXPECT_TRUE(m_form->revertBtn()->isHidden()) << c.name;
    }
}

TEST_F(RepeatRuleRowsTest, ChangedRulesShowRevert)
{
    {
        const TaskPtr item = storedSeries(2, QStringLiteral("2/2|4/0"));
        editForm(item);
        typeInto(rules().repeatEveryTextField(), QStringLiteral("3"));
        EXPECT_FALSE(m_form->revertBtn()->isHidden()) << "every 3 instead of 2";
        typeInto(rules().repeatEveryTextField(), QStringLiteral("2"));
        EXPECT_FALSE(m_form->revertBtn()->isHidden()) << "typing 2 again leaves it shown";
    }
    {
        const TaskPtr item = storedSeries(3, QStringLiteral("1//1"));
        editForm(item);
        choose(rules().repeatByBtn(), 1);
        EXPECT_FALSE(m_form->revertBtn()->isHidden()) << "by day of month instead of day of week";
    }
    {
        const TaskPtr item = storedSeries(1, QStringLiteral("1//0"));
        editForm(item);
        choose(rules().repeatBtn(), RepeatRuleRows::yearlyTag);
        EXPECT_FALSE(m_form->revertBtn()->isHidden()) << "another kind";
    }
}

TEST_F(RepeatRuleRowsTest, WeekdayChoicesShowRevertUnlessTheSameDays)
{
    struct Case {
        const char* name;
        std::vector<int> segments;
        bool revert;
    };
    const Case cases[] = {
        {"Monday only", {1}, true},
        {"Monday, Wednesday and Friday", {1, 3, 5}, true},
        {"exactly Monday and Wednesday", {1, 3}, false},
    };
    for (const Case& c : cases) {
        editForm(storedSeries(2, QStringLiteral("1/2|4/0")));
        SegmentedControl* days = rules().repeatSegmentedDayControl();
        for (int i = 0; i < 7; ++i) days->setSelected(false, i);
        for (int segment : c.segments) days->setSelected(true, segment);
        rules().selectDay();
        EXPECT_EQ(!m_form->revertBtn()->isHidden(), c.revert) << c.name;
    }
}

TEST_F(RepeatRuleRowsTest, OptionsTextFollowsTheRepeatKind)
{
    using R = RepeatRuleRows;
    EXPECT_EQ(R::repeatOptionsText(R::noneTag, 5, QStringLiteral("2"), 2), QStringLiteral("1//0"));
    EXPECT_EQ(R::repeatOptionsText(R::dailyTag, 3, QStringLiteral("2"), 2), QStringLiteral("3//0"));
    EXPECT_EQ(R::repeatOptionsText(R::weeklyTag, 2, QStringLiteral("2|4"), 2), QStringLiteral("2/2|4/0"));
    EXPECT_EQ(R::repeatOptionsText(R::monthlyTag, 1, QStringLiteral("2"), 2), QStringLiteral("1//1"));
    EXPECT_EQ(R::repeatOptionsText(R::yearlyTag, 4, QString(), 1), QStringLiteral("4//0"));

    const R::StoredOptions none = R::storedOptions(QString());
    EXPECT_EQ(none.interval, -1);
    EXPECT_EQ(none.flag, -1);
    EXPECT_FALSE(none.weekdays.has_value());
    const R::StoredOptions weekly = R::storedOptions(QStringLiteral("2/2|4/0"));
    EXPECT_EQ(weekly.interval, 2);
    EXPECT_EQ(weekly.weekdays, QStringLiteral("2|4"));
    EXPECT_EQ(weekly.flag, 0);
}

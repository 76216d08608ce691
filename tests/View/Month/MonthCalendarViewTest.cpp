#include "MonthCalendarView.h"
#include "MonthView.h"

#include "../../Model/ModelTestFixture.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "RecordingMainView.h"

#include <gtest/gtest.h>

namespace {

Date day(int year, int month, int dayOfMonth)
{
    return GregorianCalendar::dateFromFields(year, month, dayOfMonth, 0, 0, 0);
}

class MonthCalendarViewTest : public ModelTest {};

}  // namespace

TEST_F(MonthCalendarViewTest, SelectingADayReloadsTheDayPaneOnlyWithinTheMonthShown)
{
    RecordingMainView mainView;
    MonthView monthView(QRectF(0, 0, 280, 243));
    MonthCalendarView* grid = monthView.monthCalendarView();

    // The first day shown: its month is new, so the caller reloads.
    EXPECT_TRUE(grid->setCurrentDay(day(2026, 12, 7)));
    EXPECT_EQ(grid->currentDay(), day(2026, 12, 7));
    EXPECT_EQ(dataManager().currentSelectedDay(), day(2026, 12, 7));
    EXPECT_TRUE(mainView.calls().isEmpty());

    // Another day of the same month: the day pane reloads here.
    EXPECT_FALSE(grid->setCurrentDay(day(2026, 12, 8)));
    EXPECT_EQ(mainView.calls(), QStringList{QStringLiteral("reloadDay")});

    // Into the next month: the month follows and the answer says so.
    EXPECT_TRUE(grid->setCurrentDay(day(2027, 1, 1)));
    EXPECT_EQ(grid->monthDate(), day(2027, 1, 1));
    EXPECT_EQ(mainView.calls().size(), 1);

    // While a planner fills the window the day pane is left alone.
    mainView.plannerExpand = true;
    EXPECT_FALSE(grid->setCurrentDay(day(2027, 1, 2)));
    EXPECT_EQ(mainView.calls().size(), 1);

    // Without a reload only the selection moves; the null day changes nothing.
    EXPECT_TRUE(grid->setCurrentDay(day(2027, 3, 5), false));
    EXPECT_EQ(grid->monthDate(), day(2027, 1, 2)) << "unchanged since the last reload";
    EXPECT_TRUE(grid->setCurrentDay(Date()));
    EXPECT_EQ(grid->currentDay(), day(2027, 3, 5));
}

TEST_F(MonthCalendarViewTest, MonthChangesAreCountedByMonthAndYear)
{
    MonthCalendarView grid;
    EXPECT_TRUE(grid.setMonthDate(day(2026, 5, 1)));
    EXPECT_FALSE(grid.setMonthDate(day(2026, 5, 31)));
    EXPECT_TRUE(grid.setMonthDate(day(2027, 5, 1))) << "same month, other year";
    EXPECT_FALSE(grid.setMonthDate(Date()));
    EXPECT_TRUE(grid.monthDate().isNull());

    EXPECT_FALSE(MonthView::preferredLang().isEmpty());
    EXPECT_FALSE(MonthView::preferredLang().contains(QLatin1Char('-')));
}

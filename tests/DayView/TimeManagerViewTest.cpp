// The working-hours band over the day grid: the hours it loads, the clock
// it follows, its edge drags and what they save, and the new events made by
// a double click or a sketch.
#include "TaskViewTestFixture.h"

#include "../SharedUI/Notifications.h"
#include "Clock.h"
#include "ImageView.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "TimeManagerView.h"

#include <QApplication>

namespace {

// The y of a time of day in the band (and the document): 46 points an hour.
double bandY(double hour)
{
    return (hour + 0.5) * 46;
}

class TimeManagerViewTest : public TaskViewTest {
protected:
    void SetUp() override
    {
        TaskViewTest::SetUp();
        m_grid->scrollView()->scrollToPoint(QPointF(0, 0));
    }

    TimeManagerView& band() { return *m_grid->timeManagerView(); }

    void show(const Date& day)
    {
        m_monthView->monthCalendarView()->setCurrentDay(day, false);
        m_grid->reloadData();
    }

    // Presses at a point of the band, drags by dy and releases.
    void dragInBand(const QPointF& from, double dy)
    {
        Pointer mouse(&band());
        mouse.press(from, ++m_clickTime * 1000);
        mouse.dragBy(dy);
        mouse.release();
    }

    TaskPtr lastMadeEvent() { return dataManager().modifyingTask(); }

    ulong m_clickTime = 100;
};

}  // namespace

TEST_F(TimeManagerViewTest, OnTodayTheStartNeverLiesBeforeTheClockAndFollowsIt)
{
    Clock::setFixed(at(14, 20));
    show(shownDay());
    ASSERT_TRUE(band().isActive());
    EXPECT_NEAR(band().startTime(), 14 + 20 / 60.0, 1e-9) << "the stored 9:00 shows as 14:20";
    EXPECT_NEAR(band().endTime(), 18.5, 1e-9) << "Wednesday's end";
    EXPECT_DOUBLE_EQ(band().minStart(), bandY(14 + 20 / 60.0));
    EXPECT_DOUBLE_EQ(band().maxEnd(), 1126.08);

    // The start cannot be dragged above the 14:20 line.
    dragInBand(QPointF(100, band().startEdge() - 2), -100);
    EXPECT_DOUBLE_EQ(band().startEdge(), band().minStart());
    EXPECT_EQ(setting().dayManagers().value(QStringLiteral("WednesdayStartTime")).toLongLong(), 14 * 60 + 20);

    // A minute later the start follows the clock.
    m_scheduler.advance(60);
    EXPECT_NEAR(band().startTime(), 14 + 21 / 60.0, 1e-9);
    EXPECT_DOUBLE_EQ(band().minStart(), bandY(14 + 21 / 60.0));
}

TEST_F(TimeManagerViewTest, EdgesStayApartAndWithinTheDay)
{
    Clock::setFixed(at(7, 0));
    show(shownDay());
    // The start dragged down past the end stops 2 points above it.
    dragInBand(QPointF(100, band().startEdge() - 2), 900);
    EXPECT_DOUBLE_EQ(band().startEdge(), band().endEdge() - 2);
    // The end dragged far down stops at 23:58.8.
    dragInBand(QPointF(100, band().endEdge() + 2), 900);
    EXPECT_DOUBLE_EQ(band().endEdge(), 1126.08);
    // And dragged up past the start stops 2 points below it.
    dragInBand(QPointF(100, band().endEdge() + 2), -1100);
    EXPECT_DOUBLE_EQ(band().endEdge(), band().startEdge() + 2);
}

TEST_F(TimeManagerViewTest, AMovedEdgeIsSavedForItsWeekdayAndAnnounced)
{
    int announcements = 0;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(&observer, kTimeManagerChanged, nullptr,
                                                    [&](const Notification&) { ++announcements; });
    const Date monday = at(0, 0, 5);  // 20 January 2014, within the week of plans
    show(monday);
    ASSERT_TRUE(band().isActive());
    EXPECT_NEAR(band().endTime(), 17, 1e-9);
    dragInBand(QPointF(100, band().endEdge() + 2), bandY(18.5) - bandY(17));
    EXPECT_EQ(setting().dayManagers().value(QStringLiteral("MondayEndTime")).toLongLong(), 1110);
    EXPECT_EQ(setting().dayManagers().value(QStringLiteral("WednesdayEndTime")).toLongLong(), wednesdayEndMinutes)
        << "other weekdays keep theirs";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(announcements, 1);
    EXPECT_FALSE(band().isEndTimeMoving());

    // Shown again, the Monday has the new end.
    show(shownDay());
    show(monday);
    EXPECT_NEAR(band().endTime(), 18.5, 1e-9);
    NotificationCenter::defaultCenter().removeObserver(&observer);
}

TEST_F(TimeManagerViewTest, MissingOrUnusableHoursFallBackToTheDefaults)
{
    Clock::setFixed(at(7, 0));
    QVariantMap hours = setting().dayManagers();
    hours.remove(QStringLiteral("WednesdayStartTime"));
    hours.insert(QStringLiteral("WednesdayEndTime"), QStringLiteral("late"));
    setting().setDayManagers(hours);
    show(shownDay());
    EXPECT_NEAR(band().startTime(), 8, 1e-9) << "not a band at 0:00";
    EXPECT_NEAR(band().endTime(), 18, 1e-9);

    // A start stored after the end: the end shows 2 minutes after it.
    hours.insert(QStringLiteral("WednesdayStartTime"), 16 * 60);
    hours.insert(QStringLiteral("WednesdayEndTime"), 12 * 60);
    setting().setDayManagers(hours);
    show(shownDay());
    EXPECT_NEAR(band().endTime(), 16 + 0.0333333, 1e-6);
}

TEST_F(TimeManagerViewTest, OutsideTheWeekOfPlansTheBandHidesAndItsStripsAreOrdinaryPresses)
{
    show(at(0, 0, 10));
    EXPECT_FALSE(band().isActive());
    EXPECT_TRUE(band().startImageView()->isHidden());
    EXPECT_TRUE(band().endImageView()->isHidden());
    Pointer mouse(&band());
    mouse.press(QPointF(100, band().startEdge() - 2));
    EXPECT_FALSE(band().isStartTimeMoving());
    mouse.release();
    show(at(0, 0, -1));
    EXPECT_FALSE(band().isActive()) << "yesterday";
}

TEST_F(TimeManagerViewTest, TheBandShadesTheHoursOutsideAndPlacesItsHandles)
{
    Clock::setFixed(at(7, 0));
    show(shownDay());
    const QColor shade = TimeManagerView::shadeColor();
    EXPECT_EQ(shade.red(), 175);
    EXPECT_EQ(shade.green(), 175);
    EXPECT_EQ(shade.blue(), 175);
    EXPECT_NEAR(shade.alphaF(), 0.7, 0.01);
    const double width = band().bounds().width();
    EXPECT_EQ(band().startImageView()->frame(), QRectF(width - 20, bandY(9) - 8, 10, 6));
    EXPECT_EQ(band().endImageView()->frame(), QRectF(width - 20, bandY(18.5) + 3, 10, 6));
    EXPECT_FALSE(band().startImageView()->isHidden());

    const QImage picture = band().snapshot();
    EXPECT_EQ(picture.pixelColor(20, int(bandY(9)) - 20).red(), picture.pixelColor(20, int(bandY(20))).red());
    EXPECT_LT(picture.pixelColor(20, int(bandY(9)) - 20).alpha(), 255) << "translucent";
    EXPECT_GT(picture.pixelColor(20, int(bandY(9)) - 20).alpha(), 150);
    EXPECT_EQ(picture.pixelColor(20, int(bandY(12))).alpha(), 0) << "working hours are clear";
}

TEST_F(TimeManagerViewTest, ANewDayReloadsTheMainViewOnceEvenWhileTheBandIsInactive)
{
    Clock::setFixed(at(23, 58));
    show(shownDay());
    ASSERT_TRUE(band().isClockTimerRunning());
    show(at(0, 0, 10));  // inactive; its clock keeps going
    const auto reloads = [&] { return m_mainView->calls().count(QStringLiteral("reload")); };
    const int before = reloads();
    m_scheduler.advance(60 * 5);
    EXPECT_EQ(reloads(), before + 1) << "once at the new day, not at every tick";
    EXPECT_EQ(Utilities::today(band().today()), Utilities::today(at(0, 0, 1)));
}

TEST_F(TimeManagerViewTest, ADoubleClickMakesAnEventAtTheQuarterHourWithTheShownZone)
{
    Clock::setFixed(at(7, 0));
    show(shownDay());
    Pointer mouse(&band());
    const QPointF point(100, 23 + 46 * 9.6);
    mouse.press(point, 5000);
    mouse.release();
    mouse.press(point, 5100);
    mouse.release();
    const TaskPtr made = lastMadeEvent();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->taskType(), 0);
    EXPECT_EQ(made->startTime(), at(9, 30));
    EXPECT_EQ(made->duration(), eventMinutes);
    EXPECT_EQ(made->endTime(), at(9, 30).dateByAddingTimeInterval(eventMinutes * 60));
    EXPECT_EQ(made->tz(), defaultZone);
    EXPECT_EQ(made->prevtz(), defaultZone);
    EXPECT_EQ(made->localStartDate(), made->startTime());
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("loadingItem %1").arg(made->primaryKey())));
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("loadingView CalendarView")));

    // Above the 0:00 line: 23:xx of the day before.
    mouse.press(QPointF(100, 10), 9000);
    mouse.release();
    mouse.press(QPointF(100, 10), 9100);
    mouse.release();
    EXPECT_EQ(lastMadeEvent()->startTime(), at(23, 30, -1));
}

TEST_F(TimeManagerViewTest, ASketchMakesAnEventFromTheUpperToTheLowerQuarterHour)
{
    Clock::setFixed(at(7, 0));
    show(shownDay());
    Pointer mouse(&band());
    mouse.press(QPointF(100, 11 * 46 + 23 + 1), 1000);
    mouse.dragBy((9.25 * 46 + 23 + 1) - (11 * 46 + 23 + 1));
    EXPECT_TRUE(band().drawEvent());
    ImageView* sketch = m_grid->imageEventView();
    EXPECT_FALSE(sketch->isHidden());
    EXPECT_EQ(sketch->frame(), QRectF(55, std::lround(9.25 * 46 + 23), 187, 80)) << "105 minutes, from 9:15";
    m_grid->show();
    QApplication::processEvents();
    EXPECT_FALSE(saveScreenshot(m_grid.get(), QStringLiteral("day-grid-band-sketch")).isEmpty());
    mouse.release();
    EXPECT_TRUE(sketch->isHidden());
    const TaskPtr made = lastMadeEvent();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->startTime(), at(9, 15));
    EXPECT_EQ(made->endTime(), at(11));
    EXPECT_EQ(made->duration(), 105);
    // Like a double-clicked one, it carries the shown zone.
    EXPECT_EQ(made->tz(), defaultZone);
    EXPECT_EQ(made->prevtz(), defaultZone);
    EXPECT_EQ(made->localStartDate(), at(9, 15));
    EXPECT_EQ(made->localEndDate(), at(11));

    // Within one quarter hour: an event of no length, its preview 23 points high.
    mouse.press(QPointF(100, 14 * 46 + 23 + 1), 3000);
    mouse.dragBy(5);
    EXPECT_EQ(sketch->frame().height(), 23);
    mouse.release();
    EXPECT_EQ(lastMadeEvent()->duration(), 0);
    EXPECT_EQ(lastMadeEvent()->startTime(), at(14));
}

TEST_F(TimeManagerViewTest, ScreenshotsOfTheBandOnTodayAndDuringAnEdgeDrag)
{
    Clock::setFixed(at(14, 20));
    storedEvent(QStringLiteral("Review"), at(15), at(16));
    show(shownDay());
    m_grid->refreshTimeLine(14 + 20 / 60.0);
    m_grid->scrollView()->scrollToPoint(QPointF(0, 10 * 46));
    m_grid->show();
    QApplication::processEvents();
    EXPECT_FALSE(saveScreenshot(m_grid.get(), QStringLiteral("day-grid-band-today")).isEmpty());

    Pointer mouse(&band());
    mouse.press(QPointF(100, band().endEdge() + 2), 1000);
    mouse.dragBy(30);
    EXPECT_TRUE(band().isEndTimeMoving());
    QApplication::processEvents();
    EXPECT_FALSE(saveScreenshot(m_grid.get(), QStringLiteral("day-grid-band-edge-drag")).isEmpty());
    mouse.release();
}

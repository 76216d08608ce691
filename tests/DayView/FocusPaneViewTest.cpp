// The focus pane: its layout, how the list grows, collapses and scrolls,
// the day title, the help button and drops of tasks and notes.
#include "FocusPaneTestFixture.h"

#include "Button.h"
#include "CalendarView.h"
#include "GuruViewController.h"
#include "CustomNSView.h"
#include "DragSource.h"
#include "KeyedArchive.h"
#include "NotificationCenter.h"
#include "ResizeView.h"
#include "ScrollView.h"
#include "TextField.h"

#include <QMimeData>

namespace {

std::unique_ptr<QMimeData> dragOf(const TaskPtr& item)
{
    auto data = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*data, TaskList{item});
    return data;
}

class PostCounter : public QObject {
public:
    explicit PostCounter(const QString& name)
    {
        NotificationCenter::defaultCenter().addObserver(this, name, nullptr, [this](const Notification& note) {
            ++posts;
            lastObject = note.objectAs<QObject*>();
        });
    }
    ~PostCounter() override { NotificationCenter::defaultCenter().removeObserver(this); }
    int posts = 0;
    QObject* lastObject = nullptr;
};

}  // namespace

TEST_F(FocusPaneTest, ThePaneLaysOutItsHeaderListAndHandle)
{
    FocusPaneView& view = pane();
    EXPECT_EQ(view.frame(), QRectF(0, paneHeight - 166, paneWidth, 166)) << "126 + 30 + 10 at every start";
    EXPECT_EQ(view.maximizeBtn()->frame(), QRectF(5, 5, 20, 20));
    EXPECT_EQ(view.maximizeBtn()->buttonType(), ButtonType::Toggle);
    EXPECT_EQ(view.maximizeBtn()->state(), 0);
    EXPECT_EQ(view.dayLabel()->frame(), QRectF(28, 6, 230, 30));
    EXPECT_DOUBLE_EQ(view.dayLabel()->textFont().pixelSize(), 16);
    EXPECT_TRUE(view.dayLabel()->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(view.guruBtn()->frame(), QRectF(paneWidth - 25, 5, 20, 20));
    EXPECT_TRUE(view.guruBtn()->isHidden());
    EXPECT_EQ(view.pointerView()->frame(), QRectF(paneWidth / 2, 30, 1, 1));
    EXPECT_EQ(view.contentScrollView()->frame(), QRectF(1, 30, paneWidth - 2, 126));
    EXPECT_EQ(view.focusPaneResizeView()->frame(), QRectF(0, 156, paneWidth, 10));
    EXPECT_EQ(view.guruRect(), QRectF(20, 0, paneWidth, 30));
    EXPECT_DOUBLE_EQ(list().rowHeight(), 16);
    EXPECT_DOUBLE_EQ(list().rowPitch(), 18);
    EXPECT_EQ(m_dayPane->calendarView()->frame().height(), paneHeight - 166);
}

TEST_F(FocusPaneTest, TheListTakesItsRowsAndCollapsesToTheHeader)
{
    // An empty day: no toggle, the handle right under the header.
    reload();
    EXPECT_TRUE(pane().maximizeBtn()->isHidden());
    EXPECT_DOUBLE_EQ(DayCalendarView::focusPaneListHeight(), 0);
    EXPECT_DOUBLE_EQ(pane().focusPaneResizeView()->frame().y(), 30);
    EXPECT_DOUBLE_EQ(pane().frame().height(), 40);
    EXPECT_DOUBLE_EQ(m_dayPane->calendarView()->frame().height(), paneHeight - 40);

    dueTask(QStringLiteral("Call"));
    note(QStringLiteral("Idea"));
    doneTask(QStringLiteral("Report"));
    reload();
    EXPECT_FALSE(pane().maximizeBtn()->isHidden());
    EXPECT_DOUBLE_EQ(DayCalendarView::focusPaneListHeight(), 3 * 18);
    EXPECT_DOUBLE_EQ(pane().focusPaneResizeView()->frame().y(), 30 + 54);
    EXPECT_DOUBLE_EQ(pane().contentScrollView()->frame().height(), 54);

    pane().maximizeBtn()->performClick();
    EXPECT_EQ(pane().maximizeBtn()->state(), 1);
    EXPECT_DOUBLE_EQ(DayCalendarView::focusPaneListHeight(), 0) << "collapsed to the header";
    reload();
    EXPECT_DOUBLE_EQ(DayCalendarView::focusPaneListHeight(), 0) << "the toggle survives a reload";
    pane().maximizeBtn()->performClick();
    EXPECT_DOUBLE_EQ(DayCalendarView::focusPaneListHeight(), 54) << "and lets the list grow back";
}

TEST_F(FocusPaneTest, MoreRowsThanFitFillTheDayPaneAndScroll)
{
    for (int i = 0; i < 60; ++i) dueTask(QStringLiteral("Task %1").arg(i));
    reload();
    EXPECT_EQ(list().numberOfRows(), 60);
    EXPECT_DOUBLE_EQ(DayCalendarView::focusPaneListHeight(), paneHeight - 40);
    EXPECT_DOUBLE_EQ(pane().frame().height(), paneHeight);
    EXPECT_DOUBLE_EQ(pane().contentView()->frame().height(), 60 * 18);
    EXPECT_GT(pane().contentScrollView()->maximumScrollOffset(), 0) << "the list scrolls";
    list().scrollRowToVisible(59);
    const auto [first, count] = list().visibleRows();
    EXPECT_EQ(first + count, 60);
}

TEST_F(FocusPaneTest, TheTitleNamesTheSelectedDay)
{
    const Date wednesday = localDate(2014, 1, 15);
    const Date february = localDate(2014, 2, 1);
    const struct {
        Date day, month;
        const char* language;
        const char* title;
    } cases[] = {
        {wednesday, wednesday, "en", "Wed Jan 15, 2014"},
        {wednesday, february, "de", "Wed Jan 15, 2014"},
        // Year and month from the month on display, day and weekday from the day.
        {wednesday, february, "ja", "2014Year(s)February15DayWed"},
        {Date(), february, "en", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FocusPaneView::dayTitle(c.day, c.month, QString::fromLatin1(c.language)), QString::fromUtf8(c.title))
            << c.language;

    reload();
    EXPECT_FALSE(pane().dayLabel()->stringValue().isEmpty());
    EXPECT_TRUE(pane().dayLabel()->stringValue().contains(QStringLiteral("15")));
}

TEST_F(FocusPaneTest, TheHelpButtonShowsOverTheHeaderAndOpensTheDayTip)
{
    Event entered;
    entered.type = EventType::MouseEntered;
    entered.locationInWindow = pane().convertPointToWindow(QPointF(200, 10));
    pane().mouseEntered(entered);
    EXPECT_FALSE(pane().guruBtn()->isHidden());
    pane().mouseExited(entered);
    EXPECT_TRUE(pane().guruBtn()->isHidden());

    entered.locationInWindow = pane().convertPointToWindow(QPointF(10, 10));  // left of the strip
    pane().mouseEntered(entered);
    EXPECT_TRUE(pane().guruBtn()->isHidden());

    pane().guruBtn()->performClick();
    ASSERT_NE(pane().guruViewController(), nullptr);
    EXPECT_EQ(pane().guruViewController()->shownType(), 1);
    GuruViewController* first = pane().guruViewController();
    pane().guru();
    EXPECT_EQ(pane().guruViewController(), first) << "made once and kept";
}

TEST_F(FocusPaneTest, DropsOfAnythingButOwnTasksAndNotesAreRefused)
{
    const TaskPtr event = add(0, QStringLiteral("Meeting"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 20, 9));
        t.setEndTime(localDate(2014, 1, 20, 10));
    });
    const TaskPtr checklistItem = add(2, QStringLiteral("Step"));
    const TaskPtr shared = add(1, QStringLiteral("Shared"), [](Task& t) { t.setIsShared(true); });
    const TaskPtr task = add(1, QStringLiteral("Loose task"));
    PostCounter changes(kTaskChanged);

    for (const TaskPtr& refused : {event, checklistItem, shared}) {
        const auto data = dragOf(refused);
        EXPECT_EQ(pane().draggingEntered(*data, true), DragOperationNone) << refused->taskName().toStdString();
        EXPECT_FALSE(pane().performDragOperation(*data, true)) << refused->taskName().toStdString();
    }
    const auto fromOutside = dragOf(task);
    EXPECT_EQ(pane().draggingEntered(*fromOutside, false), DragOperationNone);
    EXPECT_FALSE(pane().performDragOperation(*fromOutside, false));
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    EXPECT_FALSE(pane().performDragOperation(text, true));

    EXPECT_EQ(changes.posts, 0);
    EXPECT_EQ(Task::initWithPrimaryKey(task->primaryKey())->hasDue(), 0) << "nothing changed";
    EXPECT_EQ(Task::initWithPrimaryKey(event->primaryKey())->startTime(), localDate(2014, 1, 20, 9));
}

TEST_F(FocusPaneTest, ADroppedTaskFallsDueAtTheEndOfTheWorkingDay)
{
    const TaskPtr task = add(1, QStringLiteral("Loose task"));
    PostCounter changes(kTaskChanged);
    const auto data = dragOf(task);
    EXPECT_EQ(pane().draggingEntered(*data, true), DragOperationGeneric);
    ASSERT_TRUE(pane().performDragOperation(*data, true));
    const TaskPtr stored = Task::initWithPrimaryKey(task->primaryKey());
    EXPECT_EQ(stored->hasDue(), 1);
    EXPECT_EQ(stored->dueEnd(), localDate(2014, 1, 15, 18, 30)) << "Wednesday's stored end";
    EXPECT_EQ(changes.posts, 1);
    EXPECT_EQ(changes.lastObject, &pane());

    // The end of each weekday as stored, 18:00 where none is.
    QVariantMap hours;
    hours.insert(QStringLiteral("WednesdayEndTime"), 1050);
    hours.insert(QStringLiteral("ThusdayEndTime"), QStringLiteral("late"));
    EXPECT_EQ(Setting::workingEndOnDay(localDate(2014, 1, 15), hours), localDate(2014, 1, 15, 17, 30));
    EXPECT_EQ(Setting::workingEndOnDay(localDate(2014, 1, 16), hours), localDate(2014, 1, 16, 18, 0));
    EXPECT_EQ(Setting::workingEndOnDay(localDate(2014, 1, 19), hours), localDate(2014, 1, 19, 18, 0));
}

TEST_F(FocusPaneTest, ADroppedNoteMovesToTheDayAtItsOwnTime)
{
    const TaskPtr moved = add(3, QStringLiteral("Idea"), [](Task& t) { t.setStartTime(localDate(2014, 1, 3, 14, 45)); });
    const auto data = dragOf(moved);
    ASSERT_TRUE(pane().performDragOperation(*data, true));
    EXPECT_EQ(Task::initWithPrimaryKey(moved->primaryKey())->startTime(), localDate(2014, 1, 15, 14, 45));
}

TEST_F(FocusPaneTest, QtDropEventsAskWhetherTheDragIsOurs)
{
    const TaskPtr task = add(1, QStringLiteral("Loose task"));
    const auto data = dragOf(task);
    // No drag of this program runs: a drop from elsewhere.
    QDropEvent drop(QPointF(50, 50), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&pane(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(Task::initWithPrimaryKey(task->primaryKey())->hasDue(), 0);
}

// The focus pane's list: which of the day's items it shows and in what
// order, the badges and the drawing of its rows, clicks, the context menu,
// finding a row for the editor or a reveal, and patching rows after edits.
#include "FocusPaneTestFixture.h"

#include "Color.h"
#include "DetailViewController.h"
#include "TextTable.h"
#include "TextField.h"
#include "UIUtilities.h"

#include <QPainter>

namespace {

QStringList menuActions(const Menu& menu)
{
    QStringList titles;
    for (const MenuItem& item : menu.items()) titles << item.title;
    return titles;
}

}  // namespace

TEST_F(FocusPaneTest, TheDayListsAllDayEventsDueTasksDoneTasksThenNotes)
{
    note(QStringLiteral("Note"));
    doneTask(QStringLiteral("Done"));
    dueTask(QStringLiteral("Due"));
    allDayEvent(QStringLiteral("Holiday"));
    add(1, QStringLiteral("Due tomorrow"), [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 16, 12));
    });
    reload();
    EXPECT_EQ(rowNames(), (QStringList{"Holiday", "Due", "Done", "Note"}));
    EXPECT_EQ(list().date(), shownDay());
    EXPECT_EQ(row(QStringLiteral("Due"))->frame(), QRectF(0, 18, list().bounds().width(), 16));
}

TEST_F(FocusPaneTest, DelegatedTasksShowByTheSharingRules)
{
    // The account user is me@example.com; addresses compare without case.
    const struct {
        const char* name;
        const char* assignee;
        qint64 delegateStatus;
        bool shared;
        bool done;
        bool listed;
        const char* badge;
    } cases[] = {
        {"mine, given to me", "ME@Example.COM", 0, false, false, false, ""},
        {"given to another", "you@example.com", 0, false, false, true, "ss_assignbyme"},
        {"asked of me, unshared", "me@example.com", 1, false, false, false, ""},
        {"asked of me, shared", "me@example.com", 1, true, false, true, "ss_assigntome"},
        {"shared, asked of another", "you@example.com", 1, true, false, true, "ss_assignbyme"},
        {"plain", "", 0, false, false, true, ""},
        {"done, handed on", "you@example.com", 0, false, true, false, ""},
        {"done, asked of me", "me@example.com", 1, false, true, true, "ss_assigntome"},
        {"done, plain", "", 0, false, true, true, ""},
    };
    for (const auto& c : cases) {
        const auto shape = [&c](Task& t) {
            t.setAssigneeEmail(QString::fromUtf8(c.assignee));
            t.setDelegateStatus(c.delegateStatus);
            t.setIsShared(c.shared);
        };
        if (c.done)
            doneTask(QString::fromUtf8(c.name), shape);
        else
            dueTask(QString::fromUtf8(c.name), shape);
    }
    reload();
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        ASSERT_EQ(rowOf(name) >= 0, c.listed) << c.name;
        if (c.listed) {
            EXPECT_EQ(row(name)->badgeName(), QString::fromUtf8(c.badge)) << c.name;
        }
    }
}

TEST_F(FocusPaneTest, EachGroupRunsBySharingRankKeepingTheDataManagersOrder)
{
    const auto ranked = [](bool shared, qint64 delegateStatus) {
        return [=](Task& t) {
            t.setIsShared(shared);
            t.setDelegateStatus(delegateStatus);
            if (delegateStatus == 1) t.setAssigneeEmail(QStringLiteral("you@example.com"));
        };
    };
    // Due times give the data manager's order: a before b within a rank.
    dueTask(QStringLiteral("999"), ranked(false, 5), 9);
    dueTask(QStringLiteral("3"), ranked(true, 0), 10);
    dueTask(QStringLiteral("0b"), ranked(false, 0), 12);
    dueTask(QStringLiteral("1"), ranked(true, 1), 13);
    dueTask(QStringLiteral("0a"), ranked(false, 0), 11);
    // An unshared task asked of someone is skipped; this one ranks 2 as done.
    doneTask(QStringLiteral("done 2"), ranked(false, 1));
    doneTask(QStringLiteral("done 0"), ranked(false, 0));
    reload();
    EXPECT_EQ(rowNames(), (QStringList{"0a", "0b", "1", "3", "999", "done 0", "done 2"}));
}

TEST_F(FocusPaneTest, RowsPlaceTheirLabelsByKind)
{
    using Kind = FocusPaneItemView::Kind;
    const struct {
        Kind kind;
        bool badge;
        QRectF frame;
    } cases[] = {
        {Kind::AllDayEvent, false, QRectF(5, -2, 288, 18)},
        {Kind::Note, false, QRectF(18, -2, 280, 18)},
        {Kind::Other, false, QRectF(18, -2, 280, 18)},
        {Kind::Other, true, QRectF(18, -2, 260, 18)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FocusPaneItemView::labelFrameFor(c.kind, 300, 16, c.badge), c.frame) << int(c.kind) << c.badge;

    allDayEvent(QStringLiteral("Holiday"));
    dueTask(QStringLiteral("Handed on"), [](Task& t) { t.setAssigneeEmail(QStringLiteral("you@example.com")); });
    doneTask(QStringLiteral("Done"));
    reload();
    const double width = list().bounds().width();
    EXPECT_EQ(row(QStringLiteral("Holiday"))->taskLabel()->frame(), QRectF(5, -2, width - 12, 18));
    EXPECT_EQ(row(QStringLiteral("Handed on"))->taskLabel()->frame(), QRectF(18, -2, width - 40, 18));
    EXPECT_EQ(row(QStringLiteral("Holiday"))->taskLabel()->textColor(), Color::white());
    EXPECT_EQ(row(QStringLiteral("Done"))->taskLabel()->textColor(), Color::gray());
}

TEST_F(FocusPaneTest, AllDayRowsDrawAFlatBandInTheirCategorysColour)
{
    allDayEvent(QStringLiteral("Holiday"));
    allDayEvent(QStringLiteral("Lost category"), [](Task& t) { t.setCalendarId(999); });
    reload();
    const auto bandPixel = [](FocusPaneItemView* view, const QPoint& at) {
        QImage image(view->bounds().size().toSize(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        view->drawSeparatorInRect(painter, view->bounds());
        painter.end();
        return image.pixelColor(at);
    };
    const double width = list().bounds().width();
    FocusPaneItemView* lost = row(QStringLiteral("Lost category"));
    const QImage expected = UIUtilities::getTaskBackgroundImageNoGradient(Utilities::colorInGroup(0, 0), 1,
                                                                          QSizeF(width - 5, 13), 6);
    EXPECT_EQ(bandPixel(lost, QPoint(int(width / 2), 7)), expected.pixelColor(int(width / 2) - 1, 6))
        << "a missing category draws in group 0, colour 0";
    EXPECT_EQ(bandPixel(lost, QPoint(int(width) - 2, 7)), QColor(Qt::white)) << "the band stops 4 points short";
    EXPECT_EQ(bandPixel(lost, QPoint(int(width / 2), 15)), QColor(Qt::white)) << "and 2 short of the bottom";
}

TEST_F(FocusPaneTest, TwoQuickClicksOpenTheEditorOnceAndOneNever)
{
    dueTask(QStringLiteral("Call"));
    note(QStringLiteral("Idea"));
    reload();
    click(QStringLiteral("Call"));
    EXPECT_EQ(list().selectedRow(), 0);
    EXPECT_EQ(list().selectedItem(), row(QStringLiteral("Call")));
    EXPECT_EQ(list().detailViewController(), nullptr) << "a single click opens nothing";
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("clearHighlight FocusPaneDetailView")));
    m_scheduler.advance(1);
    EXPECT_EQ(list().lastMouseDown(), 0) << "the waiting click expired";
    EXPECT_EQ(list().detailViewController(), nullptr);

    click(QStringLiteral("Idea"));
    click(QStringLiteral("Idea"));  // the clock has not moved: within the interval
    ASSERT_NE(list().detailViewController(), nullptr);
    EXPECT_EQ(list().detailViewController()->lastRequest().request, DetailViewController::Request::NoteEditor);
    EXPECT_EQ(list().detailViewController()->lastRequest().item->taskName(), QStringLiteral("Idea"));
    EXPECT_EQ(list().lastMouseDown(), 0);
    m_scheduler.advance(1);
    click(QStringLiteral("Call"));
    EXPECT_EQ(list().detailViewController()->lastRequest().request, DetailViewController::Request::NoteEditor)
        << "the editor opened once";
}

TEST_F(FocusPaneTest, AClickOnTheSelectedRowCountsAndAClickElsewhereClears)
{
    dueTask(QStringLiteral("Call"));
    reload();
    click(QStringLiteral("Call"));
    EXPECT_EQ(list().selectedCount(), 0);
    m_scheduler.advance(1);
    click(QStringLiteral("Call"));
    EXPECT_EQ(list().selectedCount(), 1) << "a second, slow click on the selected row";
    m_scheduler.advance(1);

    Event outside;
    outside.type = EventType::LeftMouseDown;
    outside.clickCount = 1;
    outside.locationInWindow = list().convertPointToWindow(QPointF(30, 100));
    list().mouseDown(outside);
    EXPECT_EQ(list().selectedItem(), nullptr);
    EXPECT_EQ(list().selectedRow(), -1);
}

TEST_F(FocusPaneTest, TheContextMenuSelectsItsRowAndFitsTheKind)
{
    dueTask(QStringLiteral("Call"));
    note(QStringLiteral("Idea"));
    reload();
    const Menu taskMenu = list().menuForEvent(rightClickOn(0));
    EXPECT_EQ(list().selectedRow(), 0);
    EXPECT_EQ(list().selectedItem(), row(QStringLiteral("Call")));
    EXPECT_TRUE(menuActions(taskMenu).contains(TextTable::localizedString(QStringLiteral("menuDone"))));

    const Menu noteMenu = list().menuForEvent(rightClickOn(1));
    EXPECT_EQ(list().selectedRowIndexes(), std::vector<int>{1});
    EXPECT_TRUE(menuActions(noteMenu).contains(TextTable::localizedString(QStringLiteral("convertNote2TaskText"))));
    EXPECT_TRUE(list().menuForEvent(rightClickOn(5)).items().empty()) << "no menu outside the rows";
}

TEST_F(FocusPaneTest, RevealAnswersForEventsOnlyAndTheEditorRuleFindsInstances)
{
    const TaskPtr task = dueTask(QStringLiteral("Call"));
    const TaskPtr idea = note(QStringLiteral("Idea"));
    const TaskPtr series = dailyAllDaySeries(QStringLiteral("Standup"), 13);
    reload();
    ASSERT_EQ(rowNames(), (QStringList{"Standup", "Call", "Idea"}));
    const TaskPtr instance = row(QStringLiteral("Standup"))->task();
    ASSERT_LT(instance->primaryKey(), -1);

    EXPECT_FALSE(list().revealToEvent(task));
    EXPECT_FALSE(list().revealToEvent(idea));
    EXPECT_EQ(list().selectedRow(), -1) << "nothing changed";

    list().selectRowIndexes({2}, false);
    EXPECT_TRUE(list().revealToEvent(series)) << "the series finds its occurrence";
    EXPECT_EQ(list().selectedRowIndexes(), std::vector<int>{0});
    EXPECT_EQ(list().detailViewController(), nullptr) << "a reveal opens no editor";

    // Another occurrence of the series: the editor rule matches by parent,
    // the reveal rule does not.
    TaskPtr sibling = instance->copy();
    sibling->setPrimaryKey(instance->primaryKey() - 7);
    EXPECT_FALSE(list().revealToEvent(sibling));
    EXPECT_TRUE(list().showPopupEditDetail(sibling));
    EXPECT_EQ(list().detailViewController()->lastRequest().request, DetailViewController::Request::EventEditor);
}

TEST_F(FocusPaneTest, ARefreshedOccurrenceStaysTheOccurrenceOfTheDayShown)
{
    const TaskPtr series = dailyAllDaySeries(QStringLiteral("Standup"), 13);
    reload();
    const TaskPtr before = row(QStringLiteral("Standup"))->task();
    ASSERT_LT(before->primaryKey(), -1);

    exec(QStringLiteral("UPDATE Tasks SET taskName='Daily standup' WHERE primaryKey=%1").arg(series->primaryKey()));
    list().reloadData(QHash<QString, QVariant>{{QString::number(series->primaryKey()), 1}});
    const TaskPtr after = list().arrayOfTasks()[0]->task();
    EXPECT_EQ(after->taskName(), QStringLiteral("Daily standup")) << "the series' new content";
    EXPECT_EQ(after->primaryKey(), before->primaryKey()) << "its own key";
    EXPECT_EQ(after->occurrence(), before->occurrence());
    EXPECT_EQ(after->startTime(), before->startTime());
    EXPECT_FALSE(FocusPaneDetailView::isFirstOccurrence(*after)) << "still the 15th, not the series' first day";

    // Keys not in the table leave rows alone.
    list().reloadData(QHash<QString, QVariant>{{QStringLiteral("424242"), 1}});
    EXPECT_EQ(list().arrayOfTasks()[0]->task(), after);
}

TEST_F(FocusPaneTest, MoveToTopDropsATaskThatLostItsDueDateAndAddsANewOne)
{
    const TaskPtr call = dueTask(QStringLiteral("Call"));
    note(QStringLiteral("Idea"));
    reload();
    call->setHasDue(0);
    list().moveToTop(call);
    EXPECT_EQ(rowNames(), QStringList{"Idea"});

    const TaskPtr late = add(1, QStringLiteral("Late addition"), [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 15, 16));
    });
    list().moveToTop(late);
    EXPECT_EQ(rowNames(), (QStringList{"Idea", "Late addition"}));
    EXPECT_NE(list().arrayOfTasks()[1]->task(), late) << "read afresh from the database";
    EXPECT_EQ(list().arrayOfTasks()[1]->frame().y(), 18);
    EXPECT_GE(list().frame().height(), 200);

    const TaskPtr undated = add(1, QStringLiteral("Undated"));
    list().moveToTop(undated);
    EXPECT_EQ(list().numberOfRows(), 2) << "an item without a due date is not added";
}

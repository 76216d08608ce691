// The main window on a real X server over a day of use: a task dropped on
// another day in the month planner makes that day the selected day of every
// view, and Reveal from an item's Links page shows the linked item in the
// month planner or in its project's panel instead of calling it hidden.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Model/ModelTestFixture.h"

#include "Button.h"
#include "CategoryDetailPanel.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "Clock.h"
#include "CoreData.h"
#include "DayCalendarView.h"
#include "DetailViewController.h"
#include "DragSource.h"
#include "FocusPaneView.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "Link.h"
#include "LinkDetailView.h"
#include "LinkListTableView.h"
#include "ListModuleView.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "MonthCalendarView.h"
#include "MonthCellView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "PlannerBaseItem.h"
#include "PlannerCellView.h"
#include "PlannerMonthView.h"
#include "QuickAddView.h"
#include "RecordStore.h"
#include "Screen.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "ShellHost.h"
#include "Task.h"
#include "TextField.h"
#include "WindowController.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>

#include <memory>

namespace SelectedDayAndRevealOnScreenTests {

using namespace RealWindows;

namespace {

Date day(int dayOfDecember, int hour = 0)
{
    return GregorianCalendar::dateFromFields(2026, 12, dayOfDecember, hour, 0, 0);
}

class ScreenHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override
    {
        return (fullFrame ? Screen::mainFrame() : Screen::mainVisibleFrame()).size();
    }
    QPointF statusItemPosition() const override { return QPointF(700, Screen::mainFrame().height() - 24); }
    void statusItemNeedsDisplay() override {}
    void activateIgnoringOtherApps() override {}
};

class Database : public ModelTest {
public:
    void TestBody() override {}
    void open() { SetUp(); }
    void close() { TearDown(); }
};

class SelectedDayOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        Clock::setFixed(day(9, 10));
        database.open();
        CoreData* data = CoreData::shared();
        data->loadTimeZones();
        data->getSettingList();
        ASSERT_NE(setting(), nullptr);
        data->doWithCalendarList(data->getCalendarList(), 2);
        savedHeight = mainViewHeight;
        mainViewHeight = mainViewHeightForVisibleHeight(Screen::mainVisibleFrame().height());
    }
    void TearDown() override
    {
        controller.reset();
        MainView::setCurrent(nullptr);
        mainView.reset();
        mainViewHeight = savedHeight;
        if (CoreData::shared()) database.close();
        Clock::reset();
        RealWindowTest::TearDown();
    }
    static SettingPtr setting() { return CoreData::shared()->currentSetting(); }

    TaskPtr stored(qint64 type, const QString& name, const std::function<void(Task&)>& more = {})
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setCalendarId(setting()->calendarDefID());
        if (more) more(*item);
        EXPECT_TRUE(item->insertAndDehydrate());  // it joins the working list too
        return item;
    }

    void openMainWindow()
    {
        mainView = std::make_unique<MainView>(QRectF(0, 0, 620, double(mainViewHeight)));
        MainView::setCurrent(mainView.get());
        mainView->showHideBtn()->setState(setting()->hasRightPage() ? 1 : 0);
        mainView->showHide();
        controller = WindowController::initWithRootApp(&host);
        ASSERT_TRUE(controller->popoverWindow());
        mainView->setOpenWindowHandler([this] { controller->openWindow(); });
        controller->setActive(true);
        ASSERT_TRUE(shownOnScreen(*controller->popoverWindow()));
    }
    // Until the reloads a change asked for have run.
    void settle()
    {
        QElapsedTimer least;
        least.start();
        EXPECT_TRUE(waitUntil([&] {
            return least.elapsed() > 300 && !mainView->isReloadPending() && !mainView->isItemListReloadPending();
        }));
    }
    void picture(const QString& name)
    {
        settle();
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(screen.save(QDir(screenshotFolder()).filePath(name + QStringLiteral(".png"))));
    }
    MonthCalendarView& miniMonth() { return *mainView->monthView()->monthCalendarView(); }
    // The day a month grid's frame stands on; null when it shows none.
    static Date framedDay(MonthCalendarView& grid)
    {
        if (!grid.isCurrentDateShown()) return Date();
        const QPointF centre = grid.currentDateImgView()->frame().center();
        for (MonthCellView* cell : grid.monthCellList())
            if (cell->type() == 0 && cell->frame().contains(centre)) return cell->cellDate();
        return Date();
    }
    // The days the navigator's months frame, top to bottom.
    QList<Date> navigatorFrames()
    {
        QList<Date> days;
        for (MonthView* panel : mainView->monthNav()->monthList())
            if (const Date framed = framedDay(*panel->monthCalendarView())) days.append(framed);
        return days;
    }

    Database database;
    quint64 savedHeight = 0;
    ScreenHost host;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;
};

}  // namespace

TEST_F(SelectedDayOnScreen, ATaskDroppedInTheMonthPlannerSelectsItsDayInEveryView)
{
    setting()->setShowWarningChangeDeadlineTask(1);
    const TaskPtr task = stored(1, QStringLiteral("Order cabinets"), [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(day(10, 17));
    });
    openMainWindow();
    mainView->monthPlannerShowHide();
    PlannerMonthView* planner = mainView->monthPlannerView();
    ASSERT_TRUE(waitUntil([&] { return planner->isVisible(); }));
    settle();
    PlannerCellView* target = nullptr;
    for (int i = 0; i < PlannerMonthView::cellCount && !target; ++i)
        if (planner->cell(i) && planner->cell(i)->cellDate() == day(23)) target = planner->cell(i);
    ASSERT_NE(target, nullptr);
    View* chip = nullptr;
    for (const QPointer<View>& view : planner->taskList())
        if (auto* item = qobject_cast<PlannerBaseItem*>(view.data()); item && item->task() &&
                                                                       item->task()->primaryKey() == task->primaryKey())
            chip = item;
    ASSERT_NE(chip, nullptr) << "the task stands in the planner on its due day";

    // The chip is dragged onto the 23rd and the deadline question answered.
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{task});
    bool dropped = false;
    DragSource::setRunner([&](DragSource::Drag& running) {
        const QPoint at = QRectF(target->rect()).center().toPoint();
        QDragEnterEvent enter(at, Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(at), Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        dropped = drop.isAccepted();
        return DragSource::Outcome{dropped ? DragOperationGeneric : DragOperationNone, {}};
    });
    struct Ending : DraggingSource {
        void draggingEnded(const QPointF&, unsigned) override {}
    } ending;
    Event press;
    press.type = EventType::LeftMouseDown;
    press.clickCount = 1;
    QImage image(20, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    DragSource::beginDrag(chip, &ending, std::move(payload), image, QPointF(0, 10), press, DragOperationGeneric);
    DragSource::setRunner({});
    ASSERT_TRUE(dropped);
    ASSERT_EQ(alerts.requests().size(), 1) << "the deadline question";
    EXPECT_EQ(Task::initWithPrimaryKey(task->primaryKey(), RecordStore::sharedDatabase())->dueEnd(), day(23, 17));
    settle();
    EXPECT_EQ(navigatorFrames(), QList<Date>{day(23)}) << "one frame in the navigator, on the 23rd";
    picture(QStringLiteral("selected-day-month-planner-after-drop"));

    // Back at the day size the mini month, its title, the day pane and the
    // quick-add bar all take the 23rd.
    mainView->dayShowHide();
    settle();
    EXPECT_EQ(framedDay(miniMonth()), day(23)) << "the mini month frames the day dropped on";
    EXPECT_EQ(mainView->monthView()->dayLabel()->stringValue(), QStringLiteral("23"));
    EXPECT_EQ(miniMonth().currentDay(), day(23));
    EXPECT_EQ(mainView->dayCalendarView()->focusPaneView()->dayLabel()->stringValue(),
              FocusPaneView::dayTitle(day(23), day(23), MonthView::preferredLang()))
        << "the day pane shows the 23rd";
    QLineEdit* field = mainView->quickAddView()->searchAndAdd()->editor();
    field->setFocus(Qt::MouseFocusReason);
    for (const QChar ch : QStringLiteral("Measure")) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(field, &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    settle();
    TaskPtr added;
    for (const TaskPtr& item : CoreData::shared()->allTasksEventsAdes())
        if (item->taskName() == QStringLiteral("Measure")) added = item;
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(GregorianCalendar::fields(added->startTime()).day, 23) << "quick add puts it on the selected day";
    picture(QStringLiteral("selected-day-back-at-day-size"));
}

TEST_F(SelectedDayOnScreen, RevealFromALinksPageShowsTheItemInThePlannerOrItsProject)
{
    setting()->setHasRightPage(0);
    const TaskPtr root = stored(1, QStringLiteral("Kitchen"));
    const TaskPtr visit = stored(0, QStringLiteral("Plumber visit"), [](Task& t) {
        t.setStartTime(day(16, 10));
        t.setEndTime(day(16, 11));
        t.setDuration(60);
    });
    const TaskPtr tiles = stored(1, QStringLiteral("Remove tiles"));
    for (const TaskPtr& item : {visit, tiles}) {
        auto link = std::make_shared<Link>();
        link->setRootId(root->primaryKey());
        link->setTargetId(item->primaryKey());
        ASSERT_TRUE(CoreData::shared()->insertLink(link));
    }
    openMainWindow();
    CategoryListTableView* projects = mainView->listModuleView()->categoryListView()->categoryListTableView();

    std::vector<std::unique_ptr<DetailViewController>> controllers;
    struct Case {
        const char* name;
        TaskPtr item;
        bool monthPlanner;
    } cases[] = {{"revealed-in-month-planner", visit, true}, {"revealed-in-project-panel", tiles, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.monthPlanner)
            mainView->monthPlannerShowHide();
        else
            mainView->dayShowHide();
        settle();
        ASSERT_TRUE(shownOnScreen(*controller->popoverWindow()));
        // Kept, as the view that opened the page keeps its controller.
        DetailViewController& detail = *controllers.emplace_back(std::make_unique<DetailViewController>());
        detail.detailLink(root, mainView.get());
        auto* page = qobject_cast<LinkDetailView*>(detail.customView());
        ASSERT_NE(page, nullptr);
        LinkListTableView* list = page->linkListTableView();
        int row = 0;
        while (row < int(list->arrayOfLinks().size()) &&
               !(LinkListTableView::itemOfRow(list->arrayOfLinks()[size_t(row)]) &&
                 LinkListTableView::itemOfRow(list->arrayOfLinks()[size_t(row)])->primaryKey() == c.item->primaryKey()))
            ++row;
        ASSERT_LT(row, int(list->arrayOfLinks().size()));
        Event click;
        click.type = EventType::LeftMouseDown;
        click.clickCount = 1;
        click.timestamp = 10;
        click.locationInWindow = list->convertPointToWindow(list->rectOfRow(row).center());
        list->mouseDown(click);
        click.type = EventType::LeftMouseUp;
        list->mouseUp(click);

        ScriptedAlertPresenter alerts;  // the hidden-link alert would fail here
        list->reveal();
        EXPECT_TRUE(alerts.requests().isEmpty()) << "no hidden-link alert";
        if (c.monthPlanner) {
            PlannerBaseItem* selected = mainView->monthPlannerView()->selectedItem();
            ASSERT_NE(selected, nullptr);
            EXPECT_EQ(selected->task()->primaryKey(), visit->primaryKey());
        } else {
            ASSERT_NE(projects->categoryDetailPanel(), nullptr);
            EXPECT_TRUE(waitUntil([&] { return projects->categoryDetailPanel()->isVisible(); }))
                << "the project's panel shows the task";
        }
        picture(QStringLiteral("selected-day-") + QString::fromLatin1(c.name));
        if (projects->categoryDetailPanel()) projects->categoryDetailPanel()->orderOut();
    }
}

}  // namespace SelectedDayAndRevealOnScreenTests

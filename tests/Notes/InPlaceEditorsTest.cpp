// The note detail page, opened by the real popover controller from a note's
// text pane, and the in-place event and task rows hosted in a real link
// list on a real Links page, over a test database.
#include "../TaskList/TaskListTestFixture.h"

#include "Button.h"
#include "Calendar.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "DetailRow.h"
#include "DetailViewController.h"
#include "EventLinkDetailView.h"
#include "HourAndMinute.h"
#include "Link.h"
#include "LinkDetailView.h"
#include "LinkListTableView.h"
#include "LinkRules.h"
#include "NoteContentView.h"
#include "NoteDetailView.h"
#include "NoteLinkPages.h"
#include "NoteView.h"
#include "AddLinkView.h"
#include "Notifications.h"
#include "PopUpButton.h"
#include "RecordingICalSync.h"
#include "Screenshot.h"
#include "Setting.h"
#include "Task.h"
#include "TaskLinkDetailView.h"
#include "TextTable.h"
#include "Utilities.h"
#include "Window.h"

namespace InPlaceEditorsTests {

class InPlaceEditorsTest : public TaskListTest {
protected:
    void SetUp() override
    {
        TaskListTest::SetUp();
        Clock::setFixed(localDate(2014, 1, 15, 9, 31));
        Window::setAnimationDurationScale(0);
        NotePages::setCurrent(&NoteLinkPages::shared());
        m_window = std::make_unique<Window>(QRectF(100, 100, 500, 300), BorderlessWindowMask);
        m_anchor = new View(QRectF(10, 10, 200, 55));
        m_window->contentView()->addSubview(m_anchor);
        m_window->orderFront();
        auto store = std::make_unique<RecordingICalSync>();
        m_store = store.get();
        dataManager().setICalSync(std::move(store));
        NotificationCenter& center = NotificationCenter::defaultCenter();
        center.addObserver(&m_observer, kAutoSyncNotification, nullptr,
                           [this](const Notification& n) { m_posts << QStringLiteral("sync %1").arg(n.objectAs<qint64>()); });
        for (const QString& name : {kPopoverShouldClose, kTaskChanged})
            center.addObserver(&m_observer, name, nullptr, [this, name](const Notification&) { m_posts << name; });
        setting().setAutoZVWSync(1);
        setting().setDeskTimeNDStart(480);
        setting().setDeskTimeNDEnd(1080);
        m_root = task(QStringLiteral("Root task"));
    }
    void TearDown() override
    {
        m_controller.reset();
        m_window.reset();
        dataManager().setICalSync(nullptr);
        NotePages::setCurrent(nullptr);
        TaskListTest::TearDown();
    }

    std::vector<QString> posts() const { return std::vector<QString>(m_posts.begin(), m_posts.end()); }
    TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey(), db()); }

    // The detail page as the controller shows it from the note's text pane.
    NoteDetailView* openDetail(const TaskPtr& note)
    {
        auto* pane = new NoteContentView(QRectF(0, 0, 200, 55), QString(), m_anchor);
        pane->setContent(note);
        pane->setRootView(m_anchor);
        m_controller = std::make_unique<DetailViewController>();
        m_controller->editNote(note, pane, m_anchor);
        return qobject_cast<NoteDetailView*>(m_controller->customView());
    }
    // The Links page of the root item with the item's plain row replaced by
    // the in-place row.
    template <class Row>
    Row* hostRow(const TaskPtr& item, bool reloadAfterDone)
    {
        auto made = std::make_shared<Link>();
        made->setRootId(LinkRules::linkKey(*m_root));
        made->setTargetId(LinkRules::linkKey(*item));
        EXPECT_TRUE(dataManager().insertLink(made));
        m_controller = std::make_unique<DetailViewController>();
        m_controller->detailLink(m_root, m_anchor);
        auto* page = qobject_cast<LinkDetailView*>(m_controller->customView());
        LinkListTableView& list = *page->linkListTableView();
        int at = -1;
        for (int i = 0; i < list.numberOfRows(); ++i)
            if (LinkListTableView::itemOfRow(list.rowViewForRow(i)) &&
                LinkListTableView::itemOfRow(list.rowViewForRow(i))->primaryKey() == item->primaryKey())
                at = i;
        auto* row = new Row(QRectF(0, 0, list.bounds().width(), LinkListTableView::inlineItemRowHeight));
        row->setParentView(&list);
        row->setIsPopoverReloadAfterDoAction(reloadAfterDone);
        load(row, item);
        list.setInPlaceRow(at, row);
        page->updateView();
        m_list = &list;
        m_posts.clear();
        return row;
    }
    TaskPtr dailySeries(const QString& name)
    {
        auto root = std::make_shared<Task>();
        root->setTaskType(0);
        root->setTaskName(name);
        root->setCalendarId(1);
        root->setStartTime(localDate(2014, 1, 13, 9, 0));
        root->setEndTime(localDate(2014, 1, 13, 9, 30));
        root->setDuration(30);
        root->setRepeatStartDate(root->startTime());
        root->setRepeatType(1);
        root->setRepeatOptions(QStringLiteral("1//0"));
        root->setIsRepeatForever(1);
        root->setTz(defaultZone);
        EXPECT_TRUE(root->insertAndDehydrate());
        return root;
    }
    TaskPtr occurrenceOn(const TaskPtr& root, int day)
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
    qint64 countNamed(const QString& name)
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), "SELECT COUNT(*) FROM Tasks WHERE taskName=?", -1, &statement, nullptr),
                  SQLITE_OK);
        const QByteArray text = name.toUtf8();
        sqlite3_bind_text(statement, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        const qint64 count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
        sqlite3_finalize(statement);
        return count;
    }
    void deleteEvents()
    {
        ASSERT_EQ(sqlite3_exec(db(), "DELETE FROM Tasks WHERE taskType=0", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    static void load(EventLinkDetailView* row, const TaskPtr& item) { row->loadDataFromEvent(item); }
    static void load(TaskLinkDetailView* row, const TaskPtr& item) { row->loadDataFromTask(item); }

    std::unique_ptr<Window> m_window;
    View* m_anchor = nullptr;
    std::unique_ptr<DetailViewController> m_controller;
    LinkListTableView* m_list = nullptr;
    RecordingICalSync* m_store = nullptr;
    TaskPtr m_root;
    QStringList m_posts;
};

TEST_F(InPlaceEditorsTest, DetailPageStoresItsThreeFieldsOnTheNoteAsStoredNow)
{
    CalendarPtr home = addCategory(0, 0, QStringLiteral("/home/garden"));
    home->setCalendarName(QStringLiteral("Home"));
    ASSERT_TRUE(home->dehydrate());
    struct Case {
        const char* name;
        bool chooseHome;
        QStringList extraTokens;
        QString storedTags;
        std::vector<QString> posts;
    } cases[] = {
        {"unchanged", false, {}, QStringLiteral("/mine"), {QStringLiteral("sync 2"), kPopoverShouldClose, kTaskChanged}},
        {"other-category", true, {}, QString(), {QStringLiteral("sync 2"), kPopoverShouldClose, kTaskChanged}},
        {"other-category-plus-own", true, {QStringLiteral("fresh")}, QStringLiteral("/fresh"),
         {QStringLiteral("sync 4"), QStringLiteral("sync 2"), kPopoverShouldClose, kTaskChanged}},
    };
    dataManager().insertTagIfNA(QStringLiteral("mine"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TaskPtr note = add(3, QStringLiteral("Shopping"), [](Task& t) {
            t.setNotes(QStringLiteral("Shopping\nmilk"));
            t.setTagList(QStringLiteral("/mine"));
            t.setStartTime(localDate(2014, 1, 10, 8));
        });
        NoteDetailView* page = openDetail(note);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->tagDetailView()->objectValue(), QStringList{QStringLiteral("mine")});
        if (c.chooseHome) {
            PopUpButton* chooser = page->calendarBtn();
            int index = -1;
            for (int i = 0; i < chooser->numberOfItems(); ++i)
                if (chooser->itemAtIndex(i)->tag == home->primaryKey()) index = i;
            ASSERT_TRUE(chooser->performClickOnItem(index));
            EXPECT_EQ(page->tagDetailView()->objectValue(), (QStringList{QStringLiteral("home"), QStringLiteral("garden")}));
            page->tagDetailView()->setObjectValue(page->tagDetailView()->objectValue() + c.extraTokens);
        }
        if (std::string(c.name) == "unchanged") saveScreenshot(page, QStringLiteral("note-detail-page"));
        // Text saved meanwhile from the note's text pane.
        const TaskPtr meanwhile = reread(note);
        meanwhile->setNotes(QStringLiteral("Shopping\nmilk\neggs"));
        ASSERT_TRUE(meanwhile->dehydrate());
        m_posts.clear();
        page->doneBtn()->performClick();
        EXPECT_EQ(posts(), c.posts);
        const TaskPtr stored = reread(note);
        EXPECT_EQ(stored->notes(), QStringLiteral("Shopping\nmilk\neggs"));
        EXPECT_EQ(stored->tagList(), c.storedTags);
        EXPECT_EQ(stored->calendarId(), c.chooseHome ? home->primaryKey() : 1);
        EXPECT_EQ(stored->startTime(), localDate(2014, 1, 10, 8));
    }
}

TEST_F(InPlaceEditorsTest, DetailPageLayoutAndItsWaysOutThatStoreNothing)
{
    enum class Way { Back, AddLink, DoneOnDeleted };
    for (Way way : {Way::Back, Way::AddLink, Way::DoneOnDeleted}) {
        const QString name = QStringLiteral("Plan %1").arg(int(way));
        const TaskPtr item = add(3, name, [&](Task& t) { t.setNotes(name); });
        NoteDetailView* page = openDetail(item);
        ASSERT_NE(page, nullptr);
        std::vector<double> rowYs;
        for (DetailRow* row : page->allRowView()) rowYs.push_back(row->frame().y());
        EXPECT_EQ(rowYs, (std::vector<double>{8, 33, 58}));
        const double width = page->frame().width();
        const double bottom = page->frame().height();
        EXPECT_EQ(page->backBtn()->frame().x(), 5);
        EXPECT_EQ(page->addLinkBtn()->frame().x(), 75);
        EXPECT_EQ(page->doneBtn()->frame().right(), width - 5);
        for (Button* button : {page->backBtn(), page->addLinkBtn(), page->doneBtn()}) {
            EXPECT_EQ(button->frame().height(), 24);
            EXPECT_EQ(button->frame().bottom(), bottom - NoteDetailView::buttonBottomGap);
        }
        const QString before = reread(item)->notes();
        page->createTextField()->setDateValue(localDate(2014, 3, 1, 8));
        m_posts.clear();
        if (way == Way::Back) {
            page->backBtn()->performClick();
            EXPECT_NE(qobject_cast<NoteView*>(m_controller->customView()), nullptr);
        } else if (way == Way::AddLink) {
            page->addLinkBtn()->performClick();
            EXPECT_NE(qobject_cast<AddLinkView*>(m_controller->customView()), nullptr);
        } else {
            ASSERT_TRUE(reread(item)->deleteFromDatabase());
            m_posts.clear();
            page->doneBtn()->performClick();
            EXPECT_EQ(posts(), std::vector<QString>{kPopoverShouldClose});
            EXPECT_EQ(countNamed(name), 0) << "no row is made again";
            continue;
        }
        EXPECT_EQ(reread(item)->startTime(), item->startTime());
        EXPECT_EQ(reread(item)->notes(), before);
    }
}

TEST_F(InPlaceEditorsTest, EventRowPickersKeepTheEndAfterTheStart)
{
    const TaskPtr allDay = event(QStringLiteral("Fair"), localDate(2014, 1, 16), localDate(2014, 1, 16, 23, 59, 59),
                                 [](Task& t) { t.setIsADE(1); });
    auto* row = hostRow<EventLinkDetailView>(allDay, false);
    EXPECT_EQ(m_list->heightOfRow(1), 110.8);
    saveScreenshot(row, QStringLiteral("event-row-all-day"));
    row->allDayBtn()->performClick();
    EXPECT_EQ(row->startTextField()->dateValue(), localDate(2014, 1, 16, 8));
    EXPECT_EQ(row->endTextField()->dateValue(), localDate(2014, 1, 16, 18));
    row->startTextField()->setDateValue(localDate(2014, 1, 16, 8, 30));
    NotificationCenter::defaultCenter().postNotificationName(kTextFieldHasChangedNotification,
                                                             NotificationPayload::identityOf(row->startTextField()));
    EXPECT_EQ(row->endTextField()->dateValue(), localDate(2014, 1, 16, 18, 30));
    EXPECT_EQ(row->endTextField()->minDate(), localDate(2014, 1, 16, 8, 30));
    row->endTextField()->setDateValue(localDate(2014, 1, 16, 7));
    EXPECT_EQ(row->endTextField()->dateValue(), localDate(2014, 1, 16, 8, 30)) << "no end before the start";
    saveScreenshot(row, QStringLiteral("event-row-timed"));

    const TaskPtr series = dailySeries(QStringLiteral("Stand-up"));
    auto detached = std::make_shared<Task>();
    detached->setTaskType(0);
    detached->setTaskName(QStringLiteral("Moved stand-up"));
    detached->setParentId(series->primaryKey());
    detached->setOccurrence(localDate(2014, 1, 15, 9));
    detached->setStartTime(localDate(2014, 1, 15, 11));
    detached->setEndTime(localDate(2014, 1, 15, 12));
    ASSERT_TRUE(detached->insertAndDehydrate());
    auto* detachedRow = hostRow<EventLinkDetailView>(detached, false);
    EXPECT_FALSE(detachedRow->allDayBtn()->isEnabled());
}

TEST_F(InPlaceEditorsTest, EventDoneChoosesItsScopeFromTheOccurrence)
{
    struct Case {
        const char* name;
        int day;  // 0: a single event; 13: the series' first day
        QString title;
        bool reload;
        qint64 namedRowsAfter;
        std::vector<QString> posts;
    } cases[] = {
        {"single", 0, QStringLiteral("Dentist"), false, 1,
         {QStringLiteral("sync 2"), kPopoverShouldClose, kTaskChanged}},
        {"single-empty-title", 0, QString(), true, 1, {QStringLiteral("sync 2")}},
        {"first-day", 13, QStringLiteral("Daily sync"), false, 1,
         {QStringLiteral("sync 2"), kPopoverShouldClose, kTaskChanged}},
        {"later-day", 16, QStringLiteral("Daily sync"), false, 1,
         {QStringLiteral("sync 2"), kPopoverShouldClose, kTaskChanged}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TaskPtr series = c.day ? dailySeries(QStringLiteral("Stand-up")) : TaskPtr();
        const TaskPtr item = c.day ? occurrenceOn(series, c.day)
                                   : event(QStringLiteral("Check-up"), localDate(2014, 1, 17, 10), localDate(2014, 1, 17, 10));
        ASSERT_NE(item, nullptr);
        auto* row = hostRow<EventLinkDetailView>(c.day ? series : item, c.reload);
        row->loadDataFromEvent(item);
        m_mainView->clearCalls();
        row->title()->setStringValue(c.title);
        row->doneBtn()->performClick();
        EXPECT_EQ(posts(), c.posts);
        const QString expectedName =
            c.title.isEmpty() ? TextTable::localizedString(QStringLiteral("untitledText")) : c.title;
        EXPECT_EQ(countNamed(expectedName), c.namedRowsAfter);
        if (c.day == 0) {
            const TaskPtr stored = reread(item);
            EXPECT_EQ(stored->endTime().timeIntervalSinceDate(stored->startTime()),
                      double(setting().durationDefEventVal()) * 60)
                << "a start equal to the end gets the default duration";
        }
        if (c.day == 13) {
            EXPECT_EQ(reread(series)->taskName(), c.title) << "the whole series";
        }
        if (c.day == 16) {
            EXPECT_EQ(reread(series)->taskName(), QStringLiteral("Stand-up")) << "the series before it stays";
            EXPECT_EQ(Utilities::compareDateNoTime(reread(series)->repeatEndDate(), localDate(2014, 1, 15)), 0);
        }
        if (c.reload) {
            const QString key = QString::number(item->primaryKey());
            EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(key)));
        }
        deleteEvents();
        m_posts.clear();
    }
}

TEST_F(InPlaceEditorsTest, TaskRowDurationsDueDatesAndTheSystemCalendar)
{
    CalendarPtr eventsOnly = addCategory();
    eventsOnly->setTaskOrEvent(2);
    ASSERT_TRUE(eventsOnly->dehydrate());
    struct Case {
        const char* name;
        qint64 storedDuration;  // 0: none
        int chooseIndex;        // -1 keeps what the row opened on
        qint64 hours, minutes;
        bool dueOn;
        qint64 category;
        QString uid;
        qint64 hasDurationAfter, durationAfter;
        QString storeCall;
    } cases[] = {
        {"opens-custom", 100, -1, -1, -1, true, 1, QString(), 1, 100, QStringLiteral("insertTask")},
        {"custom-1h45", 30, 8, 1, 45, false, 1, QStringLiteral("uid-1"), 1, 105, QStringLiteral("updateTask")},
        {"custom-zero", 30, 8, 0, 0, false, 1, QString(), 1, 15, QStringLiteral("insertTask")},
        {"none", 60, 0, -1, -1, false, -1, QStringLiteral("uid-2"), 0, 15, QStringLiteral("deleteTask")},
    };
    setting().setDurationDefTaskVal(15);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qint64 category = c.category < 0 ? eventsOnly->primaryKey() : c.category;
        const TaskPtr item = task(QStringLiteral("Report"), [&](Task& t) {
            t.setStartTime(localDate(2014, 1, 15, 9));
            t.setDueEnd(localDate(2014, 1, 17, 18));
            t.setHasDue(1);
            t.setHasDuration(c.storedDuration ? 1 : 0);
            t.setDuration(c.storedDuration ? c.storedDuration : 15);
            t.setCalendarId(category);
            t.setICalUID(c.uid);
        });
        auto* row = hostRow<TaskLinkDetailView>(item, true);
        if (c.storedDuration == 100) {
            EXPECT_EQ(row->durationBtn()->indexOfSelectedItem(), 8);
            EXPECT_FALSE(row->durationOther()->isHidden());
            EXPECT_EQ(row->durationOther()->getHours(), 1);
            EXPECT_EQ(row->durationOther()->getMinutes(), 40);
            saveScreenshot(row, QStringLiteral("task-row-custom-duration-due"));
        }
        if (c.chooseIndex >= 0) {
            ASSERT_TRUE(row->durationBtn()->performClickOnItem(c.chooseIndex));
        }
        if (c.hours >= 0) {
            row->durationOther()->setHours(c.hours);
            row->durationOther()->setMins(c.minutes);
        }
        if (!c.dueOn) row->hasDueBtn()->performClick();
        m_store->clearCalls();
        m_mainView->clearCalls();
        row->doneBtn()->performClick();
        const TaskPtr stored = reread(item);
        EXPECT_EQ(stored->hasDuration(), c.hasDurationAfter);
        EXPECT_EQ(stored->duration(), c.durationAfter);
        EXPECT_EQ(stored->hasDue(), c.dueOn ? 1 : 0);
        EXPECT_EQ(stored->dueEnd(), c.dueOn ? localDate(2014, 1, 17, 18) : stored->startTime());
        ASSERT_FALSE(m_store->calls().isEmpty());
        EXPECT_EQ(m_store->calls().last().operation, c.storeCall);
        if (c.storeCall == QStringLiteral("deleteTask")) {
            EXPECT_TRUE(stored->iCalUID().isEmpty());
        }
        const QString key = QString::number(item->primaryKey());
        EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("moveToTop %1").arg(key)));
        EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(key)));
        EXPECT_EQ(posts(), std::vector<QString>{QStringLiteral("sync 2")});
    }
}

TEST_F(InPlaceEditorsTest, RevealAndDoneOnAGoneItemBringNoAlertAndStoreNothing)
{
    const TaskPtr hidden = task(QStringLiteral("Hidden"));
    auto* row = hostRow<TaskLinkDetailView>(hidden, false);
    row->revealBtn()->performClick();
    EXPECT_TRUE(m_alerts.requests().isEmpty());
    EXPECT_EQ(posts(), std::vector<QString>{kPopoverShouldClose});
    EXPECT_EQ(m_mainView->calls().filter(QStringLiteral("reveal")),
              (QStringList{QStringLiteral("reveal taskList %1").arg(hidden->primaryKey()),
                           QStringLiteral("reveal categoryList %1").arg(hidden->primaryKey())}));

    // The link list's own reveal tells a deleted item by its missing row.
    EXPECT_TRUE(LinkListTableView::isItemReachable(hidden));
    ASSERT_TRUE(reread(hidden)->deleteFromDatabase());
    EXPECT_FALSE(LinkListTableView::isItemReachable(hidden));

    auto* again = hostRow<TaskLinkDetailView>(task(QStringLiteral("Gone")), false);
    const TaskPtr gone = again->task();
    ASSERT_TRUE(reread(gone)->deleteFromDatabase());
    QCoreApplication::processEvents();
    m_posts.clear();
    again->doneBtn()->performClick();
    EXPECT_EQ(countNamed(QStringLiteral("Gone")), 0);
    EXPECT_TRUE(posts().empty()) << m_posts.join(QLatin1Char(',')).toStdString();
}

}  // namespace InPlaceEditorsTests

// The category list over a real data manager: the groups by kind, the rows'
// progress and share state, their placement and drawing, the share buttons
// and the show/hide box, opening, the menu, deleting, and the panel's frame.
#include "CategoriesTestFixture.h"
#include "../Model/PostedNotifications.h"
#include "../../Sources/Model/Notifications.h"
#include "Button.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailView.h"
#include "CategoryListItemView.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "CoreData.h"
#include "InfoListItemView.h"
#include "NotificationCenter.h"
#include "RecordingZVWSync.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "SegmentedControl.h"
#include "TextField.h"
#include "TextTable.h"
#include "ZVWService.h"
#include "Utilities.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

namespace CategoryListTests {
namespace {

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

struct Kind {
    const char* name;
    qint64 taskOrEvent = 0, order = 0, projectType = 0, inVisible = 0;
};

class CategoryListTest : public CategoriesViewTest {
protected:
    void SetUp() override
    {
        CategoriesViewTest::SetUp();
        home = dataManager().calendarList().front();
        home->setCalendarName(QStringLiteral("Home"));
        setting().setCalendarDefID(home->primaryKey());
        auto sync = std::make_unique<RecordingZVWSync>();
        recorder = sync.get();
        dataManager().setZVWSync(std::move(sync));
        reachable = internetReachable.load();
        panel = std::make_unique<CategoryListView>(QRectF(0, 0, 300, 400));
        window->contentView()->addSubview(panel.get());
    }
    void TearDown() override
    {
        internetReachable = reachable;
        panel.reset();
        CategoriesViewTest::TearDown();
    }

    CalendarPtr category(const Kind& kind)
    {
        auto made = std::make_shared<Calendar>();
        made->setCalendarName(QString::fromLatin1(kind.name));
        EXPECT_TRUE(made->insertIntoDatabase(db()));
        made->setTaskOrEvent(kind.taskOrEvent);
        made->setCalendarOrder(kind.order);
        made->setProjectType(kind.projectType);
        made->setInVisible(kind.inVisible);
        EXPECT_TRUE(made->dehydrate());
        dataManager().doWithCalendarList(CalendarList{made}, 0);
        return made;
    }
    CalendarPtr shared(const char* name, qint64 status)
    {
        CalendarPtr made = category({name});
        made->setExtraStatus(1);
        made->setSharedStatus(status);
        made->setOwnerName(QStringLiteral("Ann"));
        return made;
    }
    // exception 1: a stored occurrence its own exception list names (never
    // shown, so not counted); 2: one whose list names another day.
    void task(const CalendarPtr& in, qint64 type, qint64 minutes, bool done, int exception = 0)
    {
        TaskPtr item = itemIn(in, QStringLiteral("t"));
        item->setTaskType(type);
        item->setHasDuration(minutes > 0 ? 1 : 0);
        item->setDuration(minutes);
        item->setStatus(done ? 1 : 0);
        if (exception != 0) {
            item->setOccurrence(now());
            item->setRepeatExceptions(QStringLiteral("|%1(2)").arg(
                Task::storedDateText(exception == 1 ? now() : now().dateByAddingTimeInterval(86400))));
        }
        ASSERT_TRUE(item->dehydrate());
    }

    CategoryListTableView& table() { return *panel->categoryListTableView(); }
    // Each row as its text: "#" and a header's title, or a category's name.
    QStringList rowTexts()
    {
        QStringList texts;
        for (TableRowView* row : table().arrayOfCategories()) {
            auto* header = qobject_cast<InfoListItemView*>(row);
            texts << (header ? QLatin1Char('#') + header->leftTextField()->stringValue()
                             : static_cast<CategoryListItemView*>(row)->calendar()->calendarName());
        }
        return texts;
    }
    int rowOf(const CalendarPtr& wanted)
    {
        const auto& rows = table().arrayOfCategories();
        for (int row = 0; row < int(rows.size()); ++row) {
            auto* item = qobject_cast<CategoryListItemView*>(rows[std::size_t(row)]);
            if (item && item->calendar() == wanted) return row;
        }
        return -1;
    }
    Event eventAt(EventType type, int row, double timestamp = 0)
    {
        Event event;
        event.type = type;
        event.timestamp = timestamp;
        event.locationInWindow = table().convertPointToWindow(table().rectOfRow(row).center());
        return event;
    }

    CalendarPtr home;
    RecordingZVWSync* recorder = nullptr;
    bool reachable = false;
    std::unique_ptr<CategoryListView> panel;
};

TEST_F(CategoryListTest, CategoriesStandInTheirKindsGroupInOrderAndTheCountIsTheirRows)
{
    const struct {
        std::vector<Kind> kinds;
        QStringList rows;
    } cases[] = {
        {{{"T1", 1, 1}, {"E5", 2, 5}, {"M9", 0, 9}, {"E2", 2, 2}, {"Hidden", 0, 3, 0, 1}, {"List", 0, 1, 1}},
         {"#" + text("groupZoravelText"), "Home", "M9", "#" + text("groupEventOnlyText"), "E2", "E5",
          "#" + text("groupTaskOnlyText"), "T1"}},
        {{{"T7", 1, 7}, {"T3", 1, 3}, {"Odd", 5, 4}},
         {"#" + text("groupZoravelText"), "Home", "Odd", "#" + text("groupTaskOnlyText"), "T3", "T7"}},
    };
    for (const auto& c : cases) {
        dataManager().doWithCalendarList(CalendarList{home}, 2);
        for (const Kind& kind : c.kinds) category(kind);
        panel->reloadData();
        EXPECT_EQ(rowTexts(), c.rows);
        EXPECT_EQ(dataManager().numberOfActiveProject(), c.rows.size() - c.rows.filter(QStringLiteral("#")).size());
    }
    // Headers are short and never selected.
    EXPECT_EQ(std::make_pair(table().heightOfRow(0), table().heightOfRow(1)), std::make_pair(18.0, 55.0));
    EXPECT_FALSE(table().shouldSelectRow(0));
    EXPECT_EQ(table().yPositionPastLastRow(), 2 * 18 + 4 * 55);
}

TEST_F(CategoryListTest, ProgressReadsDoneAndTotalWithHoursRoundedAwayFromZero)
{
    struct Stored {
        qint64 minutes;  // 0: no duration
        bool done;
        int exception = 0;
    };
    const struct {
        std::vector<Stored> tasks;
        const char *first, *second;
    } cases[] = {
        {{{45, false}, {35, true}}, "1/2 - 1.4 hrs", "44%"},
        {{{60, false}, {30, true}, {45, false}}, "1/3 - 2.3 hrs", "22%"},
        {{{0, false}, {0, true}}, "1/2 - 0 hrs", ""},
        {{{66, false}}, "0/1 - 1.1 hrs", "0%"},
        {{{60, true}}, "1/1 - 1 hrs", "100%"},
        {{}, "0/0 - 0 hrs", ""},
        {{{45, false}, {30, true, 1}, {20, true, 2}}, "1/2 - 1.1 hrs", "31%"},
    };
    for (const auto& c : cases) {
        CalendarPtr project = category({"P"});
        for (const Stored& stored : c.tasks) task(project, 1, stored.minutes, stored.done, stored.exception);
        CategoryListItemView row;
        row.setCalendar(project);
        EXPECT_EQ(row.firstRow()->stringValue() + QLatin1Char('|') + row.secondRow()->stringValue(),
                  QString::fromLatin1(c.first) + QLatin1Char('|') + QString::fromLatin1(c.second));
    }
    // A checklist counts its check items, in a larger face, on one line.
    CalendarPtr checklist = category({"C", 0, 0, 1});
    for (bool done : {true, false, false, false}) task(checklist, 2, 0, done);
    CategoryListItemView row;
    row.setCalendar(checklist);
    EXPECT_EQ(row.firstRow()->stringValue(), QStringLiteral("1/4"));
    EXPECT_EQ(row.firstRow()->textFont().pixelSize(), 13);
    EXPECT_TRUE(row.secondRow()->isHidden());
}

// The main window's list is loaded by its opening, with the counts read
// ahead while the window waited: a count read before a task was written
// must not be what the row shows.
TEST_F(CategoryListTest, TheFirstLoadComesWhenAskedAndTakesOnlyCountsStillTrue)
{
    const struct {
        const char* name;
        CategoryListView::FirstLoad firstLoad;
        bool readAhead;
        bool taskAddedAfterwards;
        std::size_t rowsBeforeReload;
        const char* shown;
    } cases[] = {
        {"loaded when built", CategoryListView::FirstLoad::Now, false, false, 3, "1/2 - 1.4 hrs"},
        {"loaded at the first reload", CategoryListView::FirstLoad::AtFirstReload, false, false, 0, "1/2 - 1.4 hrs"},
        {"counts read ahead", CategoryListView::FirstLoad::AtFirstReload, true, false, 0, "1/2 - 1.4 hrs"},
        {"a task added after the read", CategoryListView::FirstLoad::AtFirstReload, true, true, 0, "2/3 - 2.4 hrs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dataManager().doWithCalendarList(CalendarList{home}, 2);
        const CalendarPtr project = category({"P", 0, 0});
        task(project, 1, 45, false);
        task(project, 1, 35, true);
        CategoryListView list(QRectF(0, 0, 300, 400), nullptr, c.firstLoad);
        CategoryListTableView& rows = *list.categoryListTableView();
        EXPECT_EQ(rows.arrayOfCategories().size(), c.rowsBeforeReload);
        if (c.readAhead) {
            rows.prepareNextLoad();
            while (rows.isPreparingLoad()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        if (c.taskAddedAfterwards) task(project, 1, 60, true);
        list.reloadData();
        const CategoryListItemView* shown = nullptr;
        for (TableRowView* row : rows.arrayOfCategories())
            if (auto* item = qobject_cast<CategoryListItemView*>(row); item && item->calendar() == project) shown = item;
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->firstRow()->stringValue(), QString::fromLatin1(c.shown));
    }
}

// What a shared row shows in each binding is in the pictures.
TEST_F(CategoryListTest, AcceptGoesToTheWebSyncOnlyWithANetwork)
{
    const struct {
        bool up, addressSet;
        QStringList told;  // message, informative text, button; empty: sent
    } cases[] = {
        {false, true, {text("noInternetText"), text("noInternetMessage"), text("tryAgainText")}},
        {true, true, {}},
        // Without an address of its own the service is out of reach whatever the network.
        {true, false, {text("noServiceAddressText"),
                       text("noServiceAddressMessage").arg(QDir::toNativeSeparators(ZVWService::configurationFilePath())),
                       text("okText")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told.isEmpty() ? "sent" : c.told.front().toStdString());
        // The sync object reads the address when it is made.
        if (c.addressSet) qputenv("ZORAVEL_SERVICE_URL", "https://sync.example.com");
        auto sync = std::make_unique<RecordingZVWSync>();
        recorder = sync.get();
        dataManager().setZVWSync(std::move(sync));
        qunsetenv("ZORAVEL_SERVICE_URL");
        CategoryListItemView row;
        const CalendarPtr pending = shared("S", 0);
        row.setCalendar(pending);
        internetReachable = c.up;
        const bool sent = c.told.isEmpty();
        if (!sent) alerts.scriptButton(AlertResponse::firstButton);
        const qsizetype asked = alerts.requests().size();
        row.acceptRejectBtn()->setSelectedSegment(0);
        row.selectSharedStatus();
        EXPECT_EQ(row.acceptRejectBtn()->selectedSegment(), -1);
        EXPECT_EQ(std::make_tuple(row.acceptRejectBtn()->isEnabled(), pending->sharedStatus(),
                                  recorder->categoryStatusChanges().size()),
                  std::make_tuple(!sent, qint64(sent ? 1 : 0), qsizetype(sent ? 1 : 0)));
        ASSERT_EQ(alerts.requests().size(), asked + (sent ? 0 : 1));
        if (sent) continue;
        const AlertRequest told = alerts.requests().back();
        EXPECT_EQ(told.style, AlertStyle::Informational);
        EXPECT_EQ(QStringList({told.messageText, told.informativeText}) + told.buttonTitles, c.told);
    }
}

TEST_F(CategoryListTest, TheBoxHidesAndShowsACategoryButNeverTheDefault)
{
    setting().setAutoZVWSync(0);
    const CalendarPtr work = category({"Work"});
    itemIn(work, QStringLiteral("w1"));
    dataManager().addTasksToListFromCalendarId(work->primaryKey());
    PostedNotifications posts({kAutoSyncNotification});
    CategoryListItemView row, defaultRow;
    row.setCalendarWithoutInfo(work);
    for (const int state : {0, 1}) {
        row.hideBtn()->setState(state);
        row.selectHideCategory();
        EXPECT_EQ(Calendar::initWithPrimaryKey(work->primaryKey(), db())->inVisible(), 1 - state);
        EXPECT_EQ(listedNames().contains(QStringLiteral("w1")), state == 1);
    }
    EXPECT_EQ(posts.autoSyncRequests(), (QList<qint64>{1, 1})) << "with automatic web sync off too";
    defaultRow.setCalendarWithoutInfo(home);
    defaultRow.hideBtn()->setState(0);
    defaultRow.selectHideCategory();
    EXPECT_EQ(home->inVisible(), 0);
    EXPECT_EQ(defaultRow.hideBtn()->state(), 1) << "a refused toggle shows the box checked again";
    EXPECT_EQ(posts.autoSyncRequests().size(), 2);
}

TEST_F(CategoryListTest, RowsPlaceTheirFieldsOnResizeAndAgainWhenDrawn)
{
    CalendarPtr odd = category({"Odd"});
    odd->setColorGroupId(9);
    odd->setColorNameId(-3);
    CategoryListItemView row;
    row.setCalendar(odd);
    row.setFrame(QRectF(0, 0, 300, 55));
    EXPECT_EQ(QList<QRectF>({row.firstRow()->frame(), row.secondRow()->frame(), row.categoryName()->frame()}),
              QList<QRectF>({{195, 0, 95, 18}, {210, 19, 80, 18}, {56, 16, 150, 20}}));
    row.grab();
    EXPECT_EQ(row.categoryName()->frame(), QRectF(25, 13, 230, 20));
    EXPECT_EQ(row.projectColor(), Utilities::getColorInGroupID(0, 0, 0)) << "outside the palette: its first colour";
    EXPECT_EQ(row.categoryName()->textColor(), row.projectColor());
}

TEST_F(CategoryListTest, DeleteAsksRefusesTheLastOwnDefaultAndIgnoresShared)
{
    const QStringList question{text("deleteText"), text("cancelText")};
    const struct {
        const char* name;
        bool secondOwn, selectShared;
        int answer;  // -1: no alert
        QStringList buttons;
        const char* message;
        bool deleted;
    } cases[] = {
        {"only own default", false, false, 1000, {text("okText")}, "deleteCalendarErrorMessage", false},
        {"shared", false, true, -1, {}, "", false},
        {"cancelled", true, false, 1001, question, "deleteCalendarMessage", false},
        {"deleted", true, false, 1000, question, "deleteCalendarMessage", true},
    };
    const CalendarPtr share = shared("S", 1);  // never counted as another own category
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.secondOwn && dataManager().calendarList().size() < 3) category({"Second"});
        panel->reloadData();
        const CalendarPtr chosen = c.selectShared ? share : home;
        table().mouseDown(eventAt(EventType::LeftMouseDown, rowOf(chosen)));
        const int asked = int(alerts.requests().size());
        if (c.answer >= 0) alerts.scriptButton(c.answer);
        Event del;
        del.type = EventType::KeyDown;
        del.charactersIgnoringModifiers = QString(QChar(KeyCharacter::Delete));
        table().keyDown(del);
        ASSERT_EQ(int(alerts.requests().size()) - asked, c.answer >= 0 ? 1 : 0);
        if (c.answer >= 0) {
            const AlertRequest request = alerts.requests().back();
            EXPECT_EQ(QStringList({request.messageText, request.informativeText}) + request.buttonTitles,
                      QStringList({text("deleteCalendarText"), text(c.message)}) + c.buttons);
        }
        EXPECT_EQ(dataManager().calendarWithPrimaryKey(chosen->primaryKey()) == nullptr, c.deleted);
    }
}

TEST_F(CategoryListTest, RightClicksOpenTheRowsMenuAndADoubleClickOpensThePanel)
{
    const CalendarPtr other = shared("S", 1);
    const CalendarPtr hidden = category({"Hidden", 0, 0, 0, 1});
    panel->reloadData();
    const struct {
        CalendarPtr clicked;
        QStringList titles;
        bool deleteActs;
    } cases[] = {{home, {text("menuEdit"), text("menuDelete")}, true},
                 {other, {text("menuView"), text("menuDelete")}, false}};
    for (const auto& c : cases) {
        const Menu menu = table().menuForEvent(eventAt(EventType::RightMouseDown, rowOf(c.clicked)));
        EXPECT_EQ(table().selectedRow(), rowOf(c.clicked)) << "selected before the menu opens";
        ASSERT_EQ(menu.items().size(), 2u);
        EXPECT_EQ(QStringList({menu.items()[0].title, menu.items()[1].title}), c.titles);
        EXPECT_EQ(bool(menu.items()[1].action), c.deleteActs);
    }
    EXPECT_TRUE(table().menuForEvent(eventAt(EventType::RightMouseDown, 0)).items().empty());
    EXPECT_EQ(table().selectedRow(), rowOf(other)) << "a header keeps the selection";

    table().mouseDown(eventAt(EventType::LeftMouseDown, rowOf(home), 10.0));
    EXPECT_EQ(table().categoryDetailPanel(), nullptr) << "one click opens nothing";
    table().mouseDown(eventAt(EventType::LeftMouseDown, rowOf(home), 10.1));
    ASSERT_NE(table().categoryDetailPanel(), nullptr);
    EXPECT_EQ(table().categoryDetailPanel()->categoryDetailView()->calendar(), home);
    EXPECT_EQ(table().categoryDetailPanel()->parentWindow(), window.get());
    EXPECT_TRUE(main.calls().contains(QStringLiteral("setFocusListModule:3")));
    const TaskPtr item = itemIn(hidden, QStringLiteral("h"));
    EXPECT_FALSE(table().revealToTask(item));
    EXPECT_FALSE(table().showPopupEditDetail(item));
    EXPECT_EQ(table().categoryDetailPanel()->categoryDetailView()->calendar(), home);
}

TEST_F(CategoryListTest, OnlyACategorysAcceptedOrPendingStatusRebuildsTheList)
{
    const CalendarPtr share = shared("S", 0);
    const struct {
        NotificationPayload object;
        qint64 status;
        bool rebuilds;
    } cases[] = {{itemIn(home, QStringLiteral("t")), 0, false}, {share, 2, false}, {share, 0, true}, {share, 1, true}};
    for (const auto& c : cases) {
        share->setSharedStatus(c.status);
        const QPointer<TableRowView> first = table().arrayOfCategories().front();
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kShareItemChangedStatusNotification, c.object);
        EXPECT_EQ(table().arrayOfCategories().front() != first.data(), c.rebuilds) << c.status;
    }
}

TEST_F(CategoryListTest, ThePanelScrollsInsideItsBorderAndPictures)
{
    dataManager().doWithCalendarList(std::nullopt, 1);
    CategoryListView empty(QRectF(0, 0, 280, 300));
    EXPECT_EQ(empty.tableScrollView()->frame(), QRectF(2, 1, 276, 297));
    EXPECT_TRUE(empty.categoryListTableView()->arrayOfCategories().empty());
    empty.setFrameSize(QSizeF(280, 350));
    EXPECT_EQ(empty.tableScrollView()->frame(), QRectF(2, 1, 276, 348));
    saveScreenshot(&empty, QStringLiteral("category-list-empty"));

    // Every group, the default's flag, a pending and an accepted share, a
    // selected row; then show/hide rows (one hidden, a pending share: its
    // box, no buttons) and a checklist.
    dataManager().doWithCalendarList(CalendarList{home}, 0);
    category({"Errands", 1, 2});
    const CalendarPtr meetings = category({"Meetings", 2, 1});
    meetings->setColorGroupId(2);
    shared("Team plan", 0)->setColorNameId(5);
    shared("Book club", 1)->setColorGroupId(1);
    task(home, 1, 45, false);
    task(home, 1, 35, true);
    const CalendarPtr checklist = category({"Packing", 0, 4, 1});
    task(checklist, 2, 0, true);
    panel->setFrameSize(QSizeF(300, 500));
    panel->reloadData();
    table().selectRowIndexes({rowOf(meetings)}, false);
    saveScreenshot(panel.get(), QStringLiteral("category-list"));

    View rows(QRectF(0, 0, 300, 220));
    rows.setFlipped(true);
    int y = 0;
    for (const CalendarPtr& shown : {home, category({"Archive", 0, 9, 0, 1}), shared("Pending", 0), checklist}) {
        auto* row = new CategoryListItemView;
        shown == checklist ? row->setCalendar(shown) : row->setCalendarWithoutInfo(shown);
        row->setFrame(QRectF(0, y, 300, 55));
        rows.addSubview(row);
        y += 55;
    }
    saveScreenshot(&rows, QStringLiteral("category-showhide-rows"));
}

}  // namespace
}  // namespace CategoryListTests

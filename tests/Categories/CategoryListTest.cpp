// The category list over a real data manager: the groups by kind, the rows'
// progress and share state, their placement and drawing, the share buttons
// and the show/hide box, opening, the menu, deleting, and the panel's frame.
#include "CategoriesTestFixture.h"
#include "Button.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailView.h"
#include "CategoryListItemView.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "CoreData.h"
#include "InfoListItemView.h"
#include "NotificationCenter.h"
#include "../Model/PostedNotifications.h"
#include "RecordingZVWSync.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "SegmentedControl.h"
#include "TextField.h"
#include "TextTable.h"
#include "Utilities.h"
#include "ZVWSync.h"
#include "../../Sources/Model/Notifications.h"

#include <gtest/gtest.h>

namespace CategoryListTests {
namespace {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

struct Kind {
    const char* name;
    qint64 taskOrEvent = 0;
    qint64 order = 0;
    qint64 projectType = 0;
    qint64 inVisible = 0;
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

    void task(const CalendarPtr& in, qint64 type, qint64 minutes, bool done)
    {
        TaskPtr item = itemIn(in, QStringLiteral("t"));
        item->setTaskType(type);
        item->setHasDuration(minutes > 0 ? 1 : 0);
        item->setDuration(minutes);
        item->setStatus(done ? 1 : 0);
        ASSERT_TRUE(item->dehydrate());
    }

    CategoryListView& list()
    {
        if (!panel) {
            panel = std::make_unique<CategoryListView>(QRectF(0, 0, 300, 400));
            window->contentView()->addSubview(panel.get());
        }
        return *panel;
    }
    CategoryListTableView& table() { return *list().categoryListTableView(); }

    // Each row as its text: a header's title, or "name" for a category row.
    QStringList rowTexts()
    {
        QStringList texts;
        for (TableRowView* row : table().arrayOfCategories()) {
            if (auto* header = qobject_cast<InfoListItemView*>(row))
                texts << QLatin1Char('#') + header->leftTextField()->stringValue();
            else
                texts << static_cast<CategoryListItemView*>(row)->calendar()->calendarName();
        }
        return texts;
    }

    int rowOf(const CalendarPtr& wanted)
    {
        const auto& rows = table().arrayOfCategories();
        for (int row = 0; row < int(rows.size()); ++row)
            if (auto* item = qobject_cast<CategoryListItemView*>(rows[std::size_t(row)]))
                if (item->calendar() == wanted) return row;
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

    void pressDelete()
    {
        Event del;
        del.type = EventType::KeyDown;
        del.charactersIgnoringModifiers = QString(QChar(KeyCharacter::Delete));
        table().keyDown(del);
    }

    CalendarPtr home;
    RecordingZVWSync* recorder = nullptr;
    bool reachable = false;
    std::unique_ptr<CategoryListView> panel;
};

TEST_F(CategoryListTest, CategoriesStandInTheirKindsGroupInOrderAndTheCountIsTheirRows)
{
    struct Case {
        std::vector<Kind> kinds;
        QStringList rows;
    };
    const Case cases[] = {
        {{{"T1", 1, 1}, {"E5", 2, 5}, {"M9", 0, 9}, {"E2", 2, 2}, {"Hidden", 0, 3, 0, 1}, {"List", 0, 1, 1}},
         {"#" + text("groupZoravelText"), "Home", "M9", "#" + text("groupEventOnlyText"), "E2", "E5",
          "#" + text("groupTaskOnlyText"), "T1"}},
        {{{"T7", 1, 7}, {"T3", 1, 3}, {"Odd", 5, 4}},
         {"#" + text("groupZoravelText"), "Home", "Odd", "#" + text("groupTaskOnlyText"), "T3", "T7"}},
    };
    for (const Case& c : cases) {
        dataManager().doWithCalendarList(CalendarList{home}, 2);
        for (const Kind& kind : c.kinds) category(kind);
        list().reloadData();
        EXPECT_EQ(rowTexts(), c.rows);
        EXPECT_EQ(dataManager().numberOfActiveProject(), c.rows.size() - c.rows.filter(QStringLiteral("#")).size());
    }
    // Headers are short, not selectable and never opened.
    EXPECT_EQ(table().heightOfRow(0), 18);
    EXPECT_EQ(table().heightOfRow(1), 55);
    EXPECT_FALSE(table().shouldSelectRow(0));
    EXPECT_TRUE(table().shouldSelectRow(1));
    EXPECT_EQ(table().yPositionPastLastRow(), 2 * 18 + 4 * 55);
}

TEST_F(CategoryListTest, ProgressReadsDoneAndTotalWithHoursRoundedAwayFromZero)
{
    struct Case {
        std::vector<std::pair<qint64, bool>> tasks;  // minutes (0: no duration), done
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {{{45, false}, {35, true}}, "1/2 - 1.4 hrs", "44%"},
        {{{60, false}, {30, true}, {45, false}}, "1/3 - 2.3 hrs", "22%"},
        {{{0, false}, {0, true}}, "1/2 - 0 hrs", ""},
        {{{66, false}}, "0/1 - 1.1 hrs", "0%"},
        {{{60, true}}, "1/1 - 1 hrs", "100%"},
        {{}, "0/0 - 0 hrs", ""},
    };
    for (const Case& c : cases) {
        CalendarPtr project = category({"P"});
        for (const auto& [minutes, done] : c.tasks) task(project, 1, minutes, done);
        CategoryListItemView row;
        row.setCalendar(project);
        EXPECT_EQ(row.firstRow()->stringValue(), QString::fromLatin1(c.first));
        EXPECT_EQ(row.secondRow()->stringValue(), QString::fromLatin1(c.second));
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

TEST_F(CategoryListTest, SharedRowsShowTheirOwnerAndButtonsOnlyInTheListWhilePending)
{
    struct Case {
        qint64 status;
        bool withInfo;
        bool buttons, progress, box;
    };
    const Case cases[] = {
        {0, true, true, false, false},
        {1, true, false, true, false},
        {0, false, false, false, true},
    };
    for (const Case& c : cases) {
        CategoryListItemView row;
        if (c.withInfo)
            row.setCalendar(shared("S", c.status));
        else
            row.setCalendarWithoutInfo(shared("S", c.status));
        EXPECT_EQ(row.shareInfoField()->stringValue(), text("sharedByText") + QStringLiteral(" Ann"));
        EXPECT_FALSE(row.shareInfoField()->isHidden());
        EXPECT_EQ(!row.acceptRejectBtn()->isHidden(), c.buttons);
        EXPECT_EQ(!row.firstRow()->isHidden(), c.progress);
        EXPECT_EQ(!row.hideBtn()->isHidden(), c.box);
    }
}

TEST_F(CategoryListTest, AcceptGoesToTheWebSyncOnlyWithANetwork)
{
    for (const bool up : {false, true}) {
        CategoryListItemView row;
        const CalendarPtr pending = shared("S", 0);
        row.setCalendar(pending);
        internetReachable = up;
        if (!up) alerts.scriptButton(AlertResponse::firstButton);
        row.acceptRejectBtn()->setSelectedSegment(0);
        row.selectSharedStatus();
        EXPECT_EQ(row.acceptRejectBtn()->selectedSegment(), -1);
        EXPECT_EQ(row.acceptRejectBtn()->isEnabled(), !up);
        EXPECT_EQ(pending->sharedStatus(), up ? 1 : 0);
        EXPECT_EQ(recorder->categoryStatusChanges().size(), up ? 1 : 0);
    }
    ASSERT_EQ(alerts.requests().size(), 1);
    const AlertRequest offline = alerts.requests().front();
    EXPECT_EQ(offline.style, AlertStyle::Informational);
    EXPECT_EQ(offline.messageText, text("noInternetText"));
    EXPECT_EQ(offline.informativeText, text("noInternetMessage"));
    EXPECT_EQ(offline.buttonTitles, QStringList{text("tryAgainText")});
}

TEST_F(CategoryListTest, TheBoxHidesAndShowsACategoryButNeverTheDefault)
{
    setting().setAutoZVWSync(0);
    const CalendarPtr work = category({"Work"});
    itemIn(work, QStringLiteral("w1"));
    dataManager().addTasksToListFromCalendarId(work->primaryKey());
    PostedNotifications posts({kAutoSyncNotification});
    CategoryListItemView row;
    row.setCalendarWithoutInfo(work);
    row.hideBtn()->setState(0);
    row.selectHideCategory();
    EXPECT_EQ(Calendar::initWithPrimaryKey(work->primaryKey(), db())->inVisible(), 1);
    EXPECT_FALSE(listedNames().contains(QStringLiteral("w1")));
    row.hideBtn()->setState(1);
    row.selectHideCategory();
    EXPECT_EQ(work->inVisible(), 0);
    EXPECT_TRUE(listedNames().contains(QStringLiteral("w1")));
    EXPECT_EQ(posts.autoSyncRequests(), (QList<qint64>{1, 1})) << "with automatic web sync off too";

    CategoryListItemView defaultRow;
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
    EXPECT_EQ(row.firstRow()->frame(), QRectF(195, 0, 95, 18));
    EXPECT_EQ(row.secondRow()->frame(), QRectF(210, 19, 80, 18));
    EXPECT_EQ(row.categoryName()->frame(), QRectF(56, 16, 150, 20));
    row.grab();
    EXPECT_EQ(row.categoryName()->frame(), QRectF(25, 13, 230, 20));
    EXPECT_EQ(row.projectColor(), Utilities::getColorInGroupID(0, 0, 0)) << "outside the palette: its first colour";
    EXPECT_EQ(row.categoryName()->textColor(), row.projectColor());
}

TEST_F(CategoryListTest, DeleteAsksRefusesTheLastOwnDefaultAndIgnoresShared)
{
    struct Case {
        const char* name;
        bool secondOwn;
        bool selectShared;
        int answer;  // -1: no alert
        QStringList buttons;
        const char* message;
        bool deleted;
    };
    const Case cases[] = {
        {"only own default", false, false, AlertResponse::firstButton, {text("okText")}, "deleteCalendarErrorMessage",
         false},
        {"shared", false, true, -1, {}, "", false},
        {"cancelled", true, false, AlertResponse::secondButton, {text("deleteText"), text("cancelText")},
         "deleteCalendarMessage", false},
        {"deleted", true, false, AlertResponse::firstButton, {text("deleteText"), text("cancelText")},
         "deleteCalendarMessage", true},
    };
    shared("S", 1);  // never counted as another own category
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.secondOwn && rowOf(home) >= 0 && dataManager().calendarList().size() < 3) category({"Second"});
        list().reloadData();
        const CalendarPtr chosen = c.selectShared ? dataManager().calendarList().at(1) : home;
        table().mouseDown(eventAt(EventType::LeftMouseDown, rowOf(chosen)));
        const int asked = int(alerts.requests().size());
        if (c.answer >= 0) alerts.scriptButton(c.answer);
        pressDelete();
        ASSERT_EQ(int(alerts.requests().size()) - asked, c.answer >= 0 ? 1 : 0);
        if (c.answer >= 0) {
            const AlertRequest request = alerts.requests().back();
            EXPECT_EQ(request.messageText, text("deleteCalendarText"));
            EXPECT_EQ(request.informativeText, text(c.message));
            EXPECT_EQ(request.buttonTitles, c.buttons);
        }
        EXPECT_EQ(dataManager().calendarWithPrimaryKey(chosen->primaryKey()) == nullptr, c.deleted);
    }
}

TEST_F(CategoryListTest, RightClicksSelectTheRowAndOpenItsMenuButNotOnHeaders)
{
    const CalendarPtr other = shared("S", 1);
    list().reloadData();
    struct Case {
        CalendarPtr clicked;
        QStringList titles;
        bool deleteActs;
    };
    const Case cases[] = {
        {home, {text("menuEdit"), text("menuDelete")}, true},
        {other, {text("menuView"), text("menuDelete")}, false},
    };
    for (const Case& c : cases) {
        const Menu menu = table().menuForEvent(eventAt(EventType::RightMouseDown, rowOf(c.clicked)));
        EXPECT_EQ(table().selectedRow(), rowOf(c.clicked));
        ASSERT_EQ(menu.items().size(), 2u);
        EXPECT_EQ(QStringList({menu.items()[0].title, menu.items()[1].title}), c.titles);
        EXPECT_EQ(bool(menu.items()[1].action), c.deleteActs);
    }
    EXPECT_TRUE(table().menuForEvent(eventAt(EventType::RightMouseDown, 0)).items().empty());
    EXPECT_EQ(table().selectedRow(), rowOf(other)) << "a header keeps the selection";
}

TEST_F(CategoryListTest, ADoubleClickOpensThePanelAndHiddenCategoriesOpenNothing)
{
    const CalendarPtr hidden = category({"Hidden", 0, 0, 0, 1});
    list().reloadData();
    table().mouseDown(eventAt(EventType::LeftMouseDown, 1, 10.0));
    EXPECT_EQ(table().categoryDetailPanel(), nullptr) << "one click opens nothing";
    table().mouseDown(eventAt(EventType::LeftMouseDown, 1, 10.1));
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
    list().reloadData();
    const CalendarPtr category2 = shared("S", 0);
    struct Case {
        NotificationPayload object;
        qint64 status;
        bool rebuilds;
    };
    const Case cases[] = {
        {itemIn(home, QStringLiteral("t")), 0, false},
        {category2, 2, false},
        {category2, 0, true},
        {category2, 1, true},
    };
    for (const Case& c : cases) {
        category2->setSharedStatus(c.status);
        const QPointer<TableRowView> first = table().arrayOfCategories().front();
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kShareItemChangedStatusNotification, c.object);
        EXPECT_EQ(table().arrayOfCategories().front() != first.data(), c.rebuilds) << c.status;
    }
}

TEST_F(CategoryListTest, ThePanelScrollsInsideItsBorderAndFillsOnReload)
{
    dataManager().doWithCalendarList(std::nullopt, 1);
    CategoryListView empty(QRectF(0, 0, 280, 300));
    EXPECT_EQ(empty.tableScrollView()->frame(), QRectF(2, 1, 276, 297));
    EXPECT_TRUE(empty.categoryListTableView()->arrayOfCategories().empty());
    empty.setFrameSize(QSizeF(280, 350));
    EXPECT_EQ(empty.tableScrollView()->frame(), QRectF(2, 1, 276, 348));
    saveScreenshot(&empty, QStringLiteral("category-list-empty"));
    dataManager().doWithCalendarList(CalendarList{home}, 0);
    empty.reloadData();
    EXPECT_EQ(empty.categoryListTableView()->arrayOfCategories().size(), 2u);
}

TEST_F(CategoryListTest, PicturesOfTheListAndOfTheShowHideRows)
{
    category({"Errands", 1, 2});
    const CalendarPtr meetings = category({"Meetings", 2, 1});
    meetings->setColorGroupId(2);
    CalendarPtr checklist = category({"Packing", 0, 4, 1});
    task(checklist, 2, 0, true);
    task(checklist, 2, 0, false);
    shared("Team plan", 0)->setColorNameId(5);
    shared("Book club", 1)->setColorGroupId(1);
    task(home, 1, 45, false);
    task(home, 1, 35, true);
    list().setFrameSize(QSizeF(300, 500));
    list().reloadData();
    table().selectRowIndexes({rowOf(meetings)}, false);
    saveScreenshot(&list(), QStringLiteral("category-list"));

    // The show/hide binding of the default and a hidden category, and a
    // checklist as the list binds it.
    View rows(QRectF(0, 0, 300, 165));
    rows.setFlipped(true);
    const CalendarPtr hidden = category({"Archive", 0, 9, 0, 1});
    int y = 0;
    for (const CalendarPtr& shown : {home, hidden, checklist}) {
        auto* row = new CategoryListItemView;
        if (shown == checklist)
            row->setCalendar(shown);
        else
            row->setCalendarWithoutInfo(shown);
        row->setFrame(QRectF(0, y, 300, 55));
        rows.addSubview(row);
        y += 55;
    }
    saveScreenshot(&rows, QStringLiteral("category-showhide-rows"));
}

}  // namespace
}  // namespace CategoryListTests

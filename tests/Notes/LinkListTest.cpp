// An item's Links page opened through the real popover controller over a
// test database: its rows, saves, clicks, reveals and the in-place rows.
#include "../TaskList/TaskListTestFixture.h"

#include "Button.h"
#include "CustomTextView.h"
#include "DetailViewController.h"
#include "Event.h"
#include "Link.h"
#include "LinkDetailView.h"
#include "LinkListTableView.h"
#include "NoteLinkDetailView.h"
#include "NoteLinkPages.h"
#include "NoteListItemView.h"
#include "Notifications.h"
#include "QuickAddNewNote.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "Window.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace LinkListTests {

class LinkListTest : public TaskListTest {
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
        NotificationCenter& center = NotificationCenter::defaultCenter();
        center.addObserver(&m_observer, kAutoSyncNotification, nullptr,
                           [this](const Notification& n) { m_autoSyncs << n.objectAs<qint64>(); });
        center.addObserver(&m_observer, kPopoverShouldClose, nullptr, [this](const Notification&) { ++m_closes; });
        m_root = task(QStringLiteral("Root task"));
    }
    void TearDown() override
    {
        m_controller.reset();
        m_window.reset();
        NotePages::setCurrent(nullptr);
        TaskListTest::TearDown();
    }

    void link(const TaskPtr& a, const TaskPtr& b)
    {
        auto row = std::make_shared<Link>();
        row->setRootId(a->primaryKey());
        row->setTargetId(b->primaryKey());
        row->setCreatedDate(Clock::now());
        row->setUpdatedDate(Clock::now());
        ASSERT_TRUE(dataManager().insertLink(row));
    }
    LinkDetailView* open(const TaskPtr& item)
    {
        m_controller = std::make_unique<DetailViewController>();
        m_controller->detailLink(item, m_anchor);
        return qobject_cast<LinkDetailView*>(m_controller->customView());
    }
    static LinkListTableView& listOf(LinkDetailView* page) { return *page->linkListTableView(); }
    static QString kinds(LinkListTableView& list)
    {
        QStringList names;
        for (TableRowView* row : list.arrayOfLinks())
            names << QStringLiteral("%1:%2").arg(QString::fromLatin1(row->metaObject()->className())).arg(
                list.heightOfRow(int(names.size())));
        return names.join(QLatin1Char(' '));
    }
    static void click(LinkListTableView& list, int row, int count = 1)
    {
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = count;
        press.timestamp = 10 + count * 0.1;
        press.locationInWindow = list.convertPointToWindow(list.rectOfRow(row).center());
        list.mouseDown(press);
        press.type = EventType::LeftMouseUp;
        list.mouseUp(press);
    }

    std::unique_ptr<Window> m_window;
    View* m_anchor = nullptr;
    std::unique_ptr<DetailViewController> m_controller;
    TaskPtr m_root;
    QList<qint64> m_autoSyncs;
    int m_closes = 0;
};

TEST_F(LinkListTest, RowsAndListAreaByTheLinksAnItemHas)
{
    struct Case {
        const char* name;
        int notes, openTasks, doneTasks;
        QString rows;
        bool noteFirst;
        double listArea;
    } cases[] = {
        {"note-open-above-tasks", 1, 1, 1,
         "NoteLinkDetailView:346 TaskListItemView:55 TaskListItemView:55", true, 289 + 3 * 57},
        {"quick-add-on-top", 0, 2, 0, "QuickAddNewNote:213 TaskListItemView:55 TaskListItemView:55", false, 329},
        {"no-links", 0, 0, 0, "QuickAddNewNote:213", false, 158 + 57},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_root = task(QStringLiteral("Item %1").arg(QString::fromLatin1(c.name)));
        for (int i = 0; i < c.openTasks; ++i) link(m_root, task(QStringLiteral("Open task")));
        for (int i = 0; i < c.doneTasks; ++i) link(m_root, task(QStringLiteral("Done task"), [](Task& t) { t.setStatus(1); }));
        for (int i = 0; i < c.notes; ++i) link(m_root, add(3, QStringLiteral("A note"), [](Task& t) { t.setNotes(QStringLiteral("A note\nline")); }));
        LinkDetailView* page = open(m_root);
        ASSERT_NE(page, nullptr);
        LinkListTableView& list = listOf(page);
        EXPECT_EQ(kinds(list), c.rows);
        EXPECT_EQ(list.arrayOfLinks()[0]->superview(), &list) << "the first row is placed as the page opens";
        EXPECT_FALSE(list.arrayOfLinks()[0]->frame().isEmpty());
        EXPECT_EQ(list.isNoteFirst(), c.noteFirst);
        EXPECT_EQ(page->linksScrollView()->frame().height(), c.listArea);
        EXPECT_EQ(page->titleScrollView()->frame().height(), 18 + 5) << "one line of 18 and its margin";
        if (c.doneTasks) {
            EXPECT_EQ(static_cast<TaskListItemView*>(list.arrayOfLinks()[1])->task()->status(), 1);
        }
        if (c.noteFirst) {
            EXPECT_EQ(list.selectedIndex(), 0);
        }
        saveScreenshot(page, QStringLiteral("links-page-%1").arg(QString::fromLatin1(c.name)));
    }
}

TEST_F(LinkListTest, DoneSavesOnlyTogglesThatDifferFromTheirTask)
{
    setting().setAutoZVWSync(1);
    struct Case {
        bool clickDone, clickStar;
        QList<qint64> autoSyncs;
    } cases[] = {{true, false, {10}}, {false, true, {10}}, {true, true, {10}}, {false, false, {}}};
    for (const Case& c : cases) {
        m_root = task(QStringLiteral("Item"));
        const TaskPtr linked = task(QStringLiteral("Linked"));
        link(m_root, linked);
        LinkListTableView& list = listOf(open(m_root));
        auto* row = static_cast<TaskListItemView*>(list.arrayOfLinks()[1]);
        if (c.clickDone) row->doneBtn()->performClick();
        if (c.clickStar) row->starBtn()->performClick();
        m_autoSyncs.clear();
        int changed = 0;
        QObject watcher;
        NotificationCenter::defaultCenter().addObserver(&watcher, kTaskChanged, nullptr,
                                                        [&changed](const Notification&) { ++changed; });
        static_cast<LinkDetailView*>(list.parentView())->done();
        // As vectors: Qt compares two empty lists with a null pointer, which
        // the undefined-behaviour checks stop.
        EXPECT_EQ(std::vector<qint64>(m_autoSyncs.begin(), m_autoSyncs.end()),
                  std::vector<qint64>(c.autoSyncs.begin(), c.autoSyncs.end()));
        EXPECT_EQ(changed, 1);
        const TaskPtr stored = Task::initWithPrimaryKey(linked->primaryKey(), db());
        EXPECT_EQ(stored->status(), c.clickDone ? 1 : 0);
        EXPECT_EQ(stored->isPinned(), c.clickStar ? 1 : 0);
        if (c.clickDone) {
            EXPECT_EQ(stored->completedDate(), Clock::now());
        }
        if (c.clickDone && !c.clickStar) saveScreenshot(list.parentView(), QStringLiteral("links-page-task-done"));
    }
}

TEST_F(LinkListTest, ClicksGrowThePageAndSwapTheOpenNoteWithoutRemakingOtherRows)
{
    const TaskPtr first = add(3, QStringLiteral("First note"));
    const TaskPtr second = add(3, QStringLiteral("Second note"));
    const TaskPtr linkedTask = task(QStringLiteral("Linked task"));
    for (const TaskPtr& item : {first, second, linkedTask}) link(m_root, item);
    LinkDetailView* page = open(m_root);
    LinkListTableView& list = listOf(page);
    ASSERT_EQ(kinds(list), QStringLiteral("NoteLinkDetailView:346 NoteListItemView:55 TaskListItemView:55"));
    const auto before = list.arrayOfLinks();

    click(list, 2);
    EXPECT_EQ(page->linksScrollView()->frame().height(), 289 + 3 * 57);
    EXPECT_EQ(list.arrayOfLinks(), before) << "a task row's click makes no row anew";
    saveScreenshot(page, QStringLiteral("links-page-after-task-click"));

    const double taskTop = list.arrayOfLinks()[2]->frame().top();
    click(list, 1);
    const auto after = list.arrayOfLinks();
    EXPECT_EQ(kinds(list), QStringLiteral("NoteListItemView:55 NoteLinkDetailView:346 TaskListItemView:55"));
    EXPECT_EQ(after[2], before[2]) << "the task row is kept";
    EXPECT_EQ(after[0]->frame().top(), 0);
    EXPECT_EQ(after[2]->frame().top(), taskTop) << "the rows below moved by the growth of the one above";
    EXPECT_EQ(static_cast<NoteLinkDetailView*>(after[1])->note()->primaryKey(), second->primaryKey());
    EXPECT_EQ(after[1]->superview(), &list);
    EXPECT_EQ(after[1]->frame(), list.rectOfRow(1)) << "the editor stands in the clicked row's place";
    EXPECT_EQ(after[0]->frame().height(), 55);
    saveScreenshot(page, QStringLiteral("links-page-other-note-opened"));
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("scrollNote %1").arg(second->primaryKey())));

    m_mainView->clearCalls();
    click(list, 2, 2);
    EXPECT_EQ(m_closes, 1);
    EXPECT_EQ(m_mainView->calls(), QStringList{QStringLiteral("showItemDetail %1 2").arg(linkedTask->primaryKey())});
}

TEST_F(LinkListTest, RevealFollowsTheChainByKindAndClosesThePopover)
{
    const TaskPtr listed = task(QStringLiteral("Listed"));
    const TaskPtr ade = add(0, QStringLiteral("All day"), [](Task& t) {
        t.setIsADE(1);
        t.setStartTime(localDate(2014, 1, 10, 0));
        t.setOccurrence(localDate(2014, 1, 17, 0));
    });
    struct Case {
        TaskPtr item;
        bool rightPage;
        QStringList revealing;
        QStringList calls;
        int alerts;
    } cases[] = {
        {listed, true, {"taskList"}, {"reveal taskList %1"}, 0},
        {listed, false, {}, {"reveal categoryList %1"}, 1},
        {ade, false, {"focusPane"},
         {QStringLiteral("miniMonth %1").arg(qint64(localDate(2014, 1, 17, 0).timeIntervalSince1970())),
          "reveal focusPane %1"}, 0},
    };
    for (const Case& c : cases) {
        setting().setHasRightPage(c.rightPage);
        m_mainView->revealingPanes = c.revealing;
        LinkListTableView list(QRectF(0, 0, 260, 200));
        list.setCurrentItem(m_root);
        link(m_root, c.item);
        list.loadCurrentLinks();
        int row = 0;
        while (LinkListTableView::itemOfRow(list.arrayOfLinks()[row])->primaryKey() != c.item->primaryKey()) ++row;
        click(list, row);
        m_mainView->clearCalls();
        for (int i = 0; i < c.alerts; ++i) m_alerts.scriptButton(1000);
        m_closes = 0;
        list.reveal();
        QStringList expected;
        for (const QString& call : c.calls) expected << call.arg(c.item->primaryKey());
        EXPECT_EQ(m_mainView->calls(), expected);
        EXPECT_EQ(m_closes, 1);
        EXPECT_TRUE(dataManager().unLink(m_root->primaryKey(), c.item->primaryKey()));
    }
}

TEST_F(LinkListTest, UnlinkOfTheOpenNoteOpensTheNextAndReloadsBothKeys)
{
    setting().setAutoZVWSync(1);
    const auto text = [](const char* name) { return [name](Task& t) { t.setNotes(QString::fromLatin1(name)); }; };
    const TaskPtr first = add(3, QStringLiteral("First"), text("First"));
    const TaskPtr second = add(3, QStringLiteral("Second"), text("Second"));
    link(m_root, first);
    link(m_root, second);
    LinkListTableView& list = listOf(open(m_root));
    auto* editor = static_cast<NoteLinkDetailView*>(list.arrayOfLinks()[0]);
    const qint64 openKey = editor->note()->primaryKey();
    m_mainView->clearCalls();
    editor->unlinkBtn()->performClick();
    EXPECT_EQ(dataManager().getAlreadyLink(m_root->primaryKey(), openKey)->status(), 1);
    ASSERT_EQ(kinds(list), QStringLiteral("NoteLinkDetailView:346"));
    EXPECT_NE(static_cast<NoteLinkDetailView*>(list.arrayOfLinks()[0])->note()->primaryKey(), openKey);
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(openKey)));
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(m_root->primaryKey())));
    EXPECT_EQ(m_autoSyncs, QList<qint64>{8});
}

TEST_F(LinkListTest, InPlaceNoteAndQuickAddSaveOnceBeforeTheirRowsGo)
{
    const TaskPtr note = add(3, QStringLiteral("Old"), [](Task& t) { t.setNotes(QStringLiteral("Old")); });
    const TaskPtr other = add(3, QStringLiteral("Other"));
    link(m_root, note);
    link(m_root, other);
    LinkDetailView* page = open(m_root);
    LinkListTableView& list = listOf(page);
    auto* editor = static_cast<NoteLinkDetailView*>(list.arrayOfLinks()[0]);
    const qint64 openKey = editor->note()->primaryKey();
    editor->contentView()->setContentText(QStringLiteral("\nNew title\nbody"));
    // A click on the other note: no end of editing, the text is kept all the same.
    click(list, 1);
    const TaskPtr stored = Task::initWithPrimaryKey(openKey, db());
    EXPECT_EQ(stored->taskName(), QStringLiteral("New title"));
    EXPECT_EQ(stored->notes(), QStringLiteral("\nNew title\nbody"));

    // An emptied note keeps its text.
    auto* reopened = static_cast<NoteLinkDetailView*>(list.arrayOfLinks()[1]);
    reopened->contentView()->setContentText(QString());
    reopened->saveChanges();
    EXPECT_FALSE(Task::initWithPrimaryKey(reopened->note()->primaryKey(), db())->taskName().isEmpty());

    // The quick-add row of an item without notes.
    const TaskPtr bare = task(QStringLiteral("Bare"));
    struct Case {
        QString text;
        bool makes;
    } cases[] = {{QString(), false}, {QStringLiteral("\n  \n"), false}, {QStringLiteral("Fresh\nnote"), true}};
    for (const Case& c : cases) {
        LinkDetailView* barePage = open(bare);
        auto* quickAdd = qobject_cast<QuickAddNewNote*>(listOf(barePage).arrayOfLinks()[0]);
        ASSERT_NE(quickAdd, nullptr);
        quickAdd->setNoteContentText(c.text);
        EXPECT_EQ(quickAdd->saveChanges(false), c.makes);
        EXPECT_FALSE(quickAdd->saveChanges(false)) << "a row makes one note at most";
        if (!c.makes) continue;
        const TaskPtr made = quickAdd->madeNote();
        EXPECT_EQ(made->taskName(), QStringLiteral("Fresh"));
        EXPECT_EQ(made->startTime(), localDate(2014, 1, 15, 9, 45));
        EXPECT_EQ(made->calendarId(), bare->calendarId());
        EXPECT_EQ(dataManager().quickAddItemInPreview(), made);
        EXPECT_EQ(dataManager().getAlreadyLink(bare->primaryKey(), made->primaryKey())->rootId(), bare->primaryKey());
        barePage->done();
        EXPECT_EQ(dataManager().quickAddItemInPreview(), nullptr);
    }

    // A click on the page's background reloads the list: the typed text is
    // made a linked note first, and shows open in the reloaded list.
    const TaskPtr other2 = task(QStringLiteral("Another"));
    LinkDetailView* otherPage = open(other2);
    qobject_cast<QuickAddNewNote*>(listOf(otherPage).arrayOfLinks()[0])->setNoteContentText(QStringLiteral("Typed"));
    otherPage->mouseUp(Event());
    EXPECT_EQ(kinds(listOf(otherPage)), QStringLiteral("NoteLinkDetailView:346"));
    otherPage->done();
    EXPECT_EQ(dataManager().getCurrentLinks(other2).size(), 1);
}

}  // namespace LinkListTests

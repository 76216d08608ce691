// The note editor, the add-link page and the editors' links section, opened
// through the real popover controller over a test database.
#include "../TaskList/TaskListTestFixture.h"

#include "AddLinkView.h"
#include "Button.h"
#include "Calendar.h"
#include "ConversationTableView.h"
#include "CustomNSTextField.h"
#include "CustomTextView.h"
#include "DetailViewController.h"
#include "EventDetailView.h"
#include "ImageSegmentedControl.h"
#include "Link.h"
#include "LinkConversationSection.h"
#include "LinkDetailView.h"
#include "LinkRules.h"
#include "LinkSearchResultView.h"
#include "NoteLinkPages.h"
#include "NoteView.h"
#include "Notifications.h"
#include "PopUpButton.h"
#include "Popover.h"
#include "Screenshot.h"
#include "Setting.h"
#include "Task.h"
#include "TaskDetailView.h"
#include "TextField.h"
#include "Window.h"
#include "ZVComment.h"

#include <QApplication>
#include <QLineEdit>
#include <QTextEdit>

namespace NoteEditorTests {

class NoteEditorTest : public TaskListTest {
protected:
    void SetUp() override
    {
        TaskListTest::SetUp();
        Clock::setFixed(localDate(2014, 1, 15, 9, 31));
        Window::setAnimationDurationScale(0);
        NotePages::setCurrent(&NoteLinkPages::shared());
        LinkConversationSection::install();
        EditorPages::setTaskEditorMaker([](const TaskPtr& item, View* positioningView) {
            return EditorContent{makeTaskDetailView(item, positioningView), {}};
        });
        m_window = std::make_unique<Window>(QRectF(100, 100, 500, 300), BorderlessWindowMask);
        m_anchor = new View(QRectF(10, 10, 200, 55));
        m_window->contentView()->addSubview(m_anchor);
        m_window->orderFront();
        NotificationCenter& center = NotificationCenter::defaultCenter();
        center.addObserver(&m_observer, kAutoSyncNotification, nullptr,
                           [this](const Notification& n) { m_posts << QStringLiteral("sync %1").arg(n.objectAs<qint64>()); });
        for (const QString& name : {kPopoverShouldClose, kTaskChanged, kRefreshCommentCount})
            center.addObserver(&m_observer, name, nullptr, [this, name](const Notification&) { m_posts << name; });
        setting().setAutoZVWSync(1);
    }
    void TearDown() override
    {
        m_controller.reset();
        m_window.reset();
        LinkSection::setFactory(nullptr);
        EditorPages::setTaskEditorMaker(nullptr);
        NotePages::setCurrent(nullptr);
        TaskListTest::TearDown();
    }

    DetailViewController& controller()
    {
        if (!m_controller) m_controller = std::make_unique<DetailViewController>();
        return *m_controller;
    }
    NoteView* openNote(const TaskPtr& note)
    {
        controller().editNote(note, m_anchor, m_anchor);
        return qobject_cast<NoteView*>(controller().customView());
    }
    AddLinkView* openAddLink(const TaskPtr& item, int previousType = 3)
    {
        controller().addLink(item, m_anchor, previousType);
        return qobject_cast<AddLinkView*>(controller().customView());
    }
    TaskPtr note(const QString& text, const std::function<void(Task&)>& shape = {})
    {
        return add(3, text.section(QLatin1Char('\n'), 0, 0), [&](Task& t) {
            t.setNotes(text);
            t.setStartTime(localDate(2014, 1, 10, 8));
            if (shape) shape(t);
        });
    }
    CalendarPtr category(const QString& name, const QString& tags, const std::function<void(Calendar&)>& shape = {})
    {
        CalendarPtr made = addCategory(0, 0, tags);
        made->setCalendarName(name);
        if (shape) shape(*made);
        EXPECT_TRUE(made->dehydrate());
        return made;
    }
    LinkPtr link(const TaskPtr& a, const TaskPtr& b, qint64 status = 0, qint64 webKey = 0)
    {
        auto row = std::make_shared<Link>();
        row->setRootId(LinkRules::linkKey(*a));
        row->setTargetId(LinkRules::linkKey(*b));
        row->setZvwKey(webKey);
        EXPECT_TRUE(dataManager().insertLink(row));
        if (status != 0) {
            row->setStatus(status);
            EXPECT_TRUE(row->dehydrate());
            dataManager().getValidLinks();
        }
        return row;
    }
    void comment(qint64 itemKey, const QString& text)
    {
        auto made = std::make_shared<ZVComment>();
        made->setItemKey(itemKey);
        made->setType(ConversationTableView::itemComments);
        made->setCreatedDate(localDate(2014, 1, 12, 8));
        made->setUpdatedDate(localDate(2014, 1, 12, 8));
        made->setContent(text);
        made->setFirstName(QStringLiteral("Ann"));
        made->setZvwKey(700 + itemKey);
        ASSERT_TRUE(made->insertIntoDatabase(db()).has_value());
    }
    QList<qint64> column(const char* sql, qint64 key)
    {
        QList<qint64> values;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), sql, -1, &statement, nullptr), SQLITE_OK) << sql;
        sqlite3_bind_int64(statement, 1, key);
        while (sqlite3_step(statement) == SQLITE_ROW) values << sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return values;
    }
    TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey(), db()); }

    // Types into the search box as the user does, one key at a time.
    static void typeSearch(AddLinkView* page, const QString& text)
    {
        QLineEdit* editor = page->searchBox()->editor();
        editor->setFocus(Qt::OtherFocusReason);
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key(c.toUpper().unicode()), Qt::NoModifier, QString(c));
            QApplication::sendEvent(editor, &press);
        }
    }
    static QStringList resultNames(AddLinkView* page)
    {
        QStringList names;
        for (const TaskPtr& item : page->searchResultListView()->results()) names << item->taskName();
        return names;
    }
    static void tick(AddLinkView* page, const QString& name)
    {
        LinkSearchResultView* list = page->searchResultListView();
        for (int i = 0; i < list->numberOfRows(); ++i)
            if (list->results().at(i)->taskName() == name) list->itemAt(i)->selectBtn()->performClick();
    }
    std::vector<QString> posts() const { return std::vector<QString>(m_posts.begin(), m_posts.end()); }

    std::unique_ptr<Window> m_window;
    View* m_anchor = nullptr;
    std::unique_ptr<DetailViewController> m_controller;
    QStringList m_posts;
};

// A generated occurrence of the stored series, as the data manager makes them.
TaskPtr occurrenceOf(const TaskPtr& series, qint64 key)
{
    TaskPtr occurrence = series->copy();
    occurrence->setPrimaryKey(key);
    occurrence->setParentId(series->primaryKey());
    return occurrence;
}

TEST_F(NoteEditorTest, SearchListsItemsByNameLessThoseThatCannotOrAreLinked)
{
    const TaskPtr page = task(QStringLiteral("Page abc"));
    const TaskPtr series = event(QStringLiteral("Weekly abc"), localDate(2014, 1, 6, 9), localDate(2014, 1, 6, 10),
                                 [](Task& t) { t.setRepeatType(2); });
    const TaskPtr linkedSeries = event(QStringLiteral("Linked abc"), localDate(2014, 1, 6, 9), localDate(2014, 1, 6, 10),
                                       [](Task& t) { t.setRepeatType(2); });
    TaskList working = dataManager().allTasksEventsAdes();
    working << occurrenceOf(series, -2) << occurrenceOf(series, -3) << occurrenceOf(linkedSeries, -4);
    const TaskPtr match = task(QStringLiteral("xABCy"));
    const TaskPtr shared = task(QStringLiteral("shared abc"), [](Task& t) { t.setIsShared(true); });
    const TaskPtr literal = task(QStringLiteral("a.b*c(d[e"));
    auto checklistItem = std::make_shared<Task>();
    checklistItem->setTaskType(ItemKind::ChecklistItem);
    checklistItem->setTaskName(QStringLiteral("item abc"));
    working << match << shared << literal << checklistItem;
    const QString notes = QStringLiteral("abc in the text only");
    working << note(QStringLiteral("Plain note\n") + notes);

    struct Case {
        const char* name;
        TaskPtr pageItem;
        TaskList currentLinks;
        QString text;
        QStringList expected;
    } cases[] = {
        {"case-aside-names-only", page, {}, QStringLiteral("abc"),
         {"Weekly abc", "Linked abc", "Weekly abc", "Weekly abc", "Linked abc", "xABCy"}},
        {"series-and-its-occurrences-left-out", occurrenceOf(series, -3), {}, QStringLiteral("abc"),
         {"Page abc", "Linked abc", "Linked abc", "xABCy"}},
        {"a-linked-series-is-left-out-by-every-occurrence", page, {occurrenceOf(linkedSeries, -9)},
         QStringLiteral("abc"), {"Weekly abc", "Weekly abc", "Weekly abc", "xABCy"}},
        {"pattern-characters-match-literally", page, {}, QStringLiteral(".b*c(d["), {"a.b*c(d[e"}},
        {"no-wildcard-match", page, {}, QStringLiteral("a*c"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList names;
        for (const TaskPtr& item : LinkRules::searchResults(working, c.text, *c.pageItem, c.currentLinks))
            names << item->taskName();
        EXPECT_EQ(std::vector<QString>(names.begin(), names.end()),
                  std::vector<QString>(c.expected.begin(), c.expected.end()));
    }
}

TEST_F(NoteEditorTest, AddStoresEachPairOnceByLinkKeyAndRefreshesBothSides)
{
    enum class Before { Nothing, Unlinked, LinkedMeanwhile };
    struct Case {
        const char* name;
        bool onOccurrence;
        Before before;
        int newRows;
        std::vector<QString> posts;
    } cases[] = {
        {"new-pair", false, Before::Nothing, 1, {QStringLiteral("sync 8")}},
        {"occurrence-page-links-its-series", true, Before::Nothing, 1, {QStringLiteral("sync 8")}},
        {"unlinked-pair-revives-its-row", false, Before::Unlinked, 0, {QStringLiteral("sync 8")}},
        {"linked-meanwhile-changes-nothing", false, Before::LinkedMeanwhile, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_posts.clear();
        const TaskPtr series = event(QStringLiteral("Standup"), localDate(2014, 1, 6, 9), localDate(2014, 1, 6, 10),
                                     [](Task& t) { t.setRepeatType(1); });
        const TaskPtr pageItem = c.onOccurrence ? occurrenceOf(series, -2) : task(QStringLiteral("Page"));
        const TaskPtr pick = task(QStringLiteral("Pick %1").arg(QString::fromLatin1(c.name)));
        LinkPtr earlier;
        if (c.before == Before::Unlinked) earlier = link(pageItem, pick, 1, 4242);
        AddLinkView* page = openAddLink(pageItem);
        ASSERT_NE(page, nullptr);
        typeSearch(page, QStringLiteral("pick ") + QString::fromLatin1(c.name));
        ASSERT_EQ(resultNames(page).size(), 1);
        EXPECT_FALSE(page->addBtn()->isEnabled()) << "nothing ticked yet";
        tick(page, pick->taskName());
        EXPECT_TRUE(page->addBtn()->isEnabled());
        if (c.before == Before::LinkedMeanwhile) link(pick, pageItem);
        const qint64 rowsBefore = column("SELECT COUNT(*) FROM Links WHERE primaryKey>?", 0).value(0, -1);
        m_mainView->clearCalls();
        page->addBtn()->performClick();

        const qint64 pageKey = c.onOccurrence ? series->primaryKey() : pageItem->primaryKey();
        EXPECT_EQ(column("SELECT COUNT(*) FROM Links WHERE primaryKey>?", 0).value(0) - rowsBefore, c.newRows);
        EXPECT_EQ(posts(), c.posts);
        EXPECT_TRUE(resultNames(page).isEmpty()) << "the search ran again and the pick left the results";
        if (c.before == Before::LinkedMeanwhile) {
            EXPECT_EQ(page->currentLinkListTableView()->numberOfRows(), 1) << "the link made elsewhere, once";
            continue;
        }
        const LinkPtr stored = dataManager().getLink(pageKey, pick->primaryKey());
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(stored->status(), 0);
        EXPECT_EQ(stored->rootId(), earlier ? earlier->rootId() : pageKey);
        EXPECT_EQ(stored->targetId(), pick->primaryKey());
        if (earlier) {
            EXPECT_EQ(stored->primaryKey(), earlier->primaryKey());
            EXPECT_EQ(stored->zvwKey(), 4242) << "the web service still knows the revived link";
        } else {
            EXPECT_EQ(stored->zvwKey(), 0);
        }
        EXPECT_EQ(page->currentLinkListTableView()->numberOfRows(), 1);
        const QString a = QString::number(pageKey);
        const QString b = QString::number(pick->primaryKey());
        EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(a)));
        EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(b)));
    }
}

TEST_F(NoteEditorTest, NoteEditorStoresWhatItsControlsHold)
{
    const CalendarPtr work = category(QStringLiteral("Work"), QStringLiteral("/Office"));
    const CalendarPtr home = category(QStringLiteral("Home"), QStringLiteral("/House/Garden"));
    struct Case {
        const char* name;
        std::function<void(NoteView&)> edit;
        bool done;
        QString notes, taskName, tagList;
        qint64 categoryKey;
        std::vector<QString> posts;
        QStringList fieldAfter;
    } cases[] = {
        {"done-without-change-writes-nothing", [](NoteView&) {}, true, "Buy milk\nand bread", "Buy milk", "/Own",
         work->primaryKey(), {kPopoverShouldClose, kTaskChanged}, {"Office", "Own"}},
        {"end-of-text-editing-saves-without-closing",
         [](NoteView& v) {
             v.contentView()->setContentText(QStringLiteral("\u274e \n\u274e first"));
             v.visibleRevertButton();
             v.saveChangesManualReload();
         },
         // "Own" enters the tag table (a push of tags, 4) as it is written.
         false, "\u274e \n\u274e first", " ", "/Own", work->primaryKey(),
         {QStringLiteral("sync 4"), QStringLiteral("sync 2")},
         {"Office", "Own"}},
        {"category-tag-typed-is-not-stored-twice",
         [](NoteView& v) {
             v.tagDetailView()->setObjectValue({"Office", "Own", "New", "New", " "});
             v.tagChanged();
         },
         true, "Buy milk\nand bread", "Buy milk", "/Own/New", work->primaryKey(),
         {QStringLiteral("sync 4"), QStringLiteral("sync 2"), kPopoverShouldClose, kTaskChanged},
         {"Office", "Own", "New", "New"}},
        {"emptied-text-keeps-stored-text",
         [](NoteView& v) {
             v.contentView()->setContentText(QString());
             v.visibleRevertButton();
         },
         true, "Buy milk\nand bread", "Buy milk", "/Own", work->primaryKey(),
         {QStringLiteral("sync 2"), kPopoverShouldClose, kTaskChanged}, {"Office", "Own"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TaskPtr stored = note(QStringLiteral("Buy milk\nand bread"), [&](Task& t) {
            t.setCalendarId(work->primaryKey());
            t.setTagList(QStringLiteral("/Own"));
        });
        NoteView* view = openNote(stored);
        ASSERT_NE(view, nullptr);
        EXPECT_FALSE(view->isRevertShown());
        m_posts.clear();
        m_mainView->clearCalls();
        c.edit(*view);
        if (c.done) view->doneBtn()->performClick();
        const TaskPtr after = reread(stored);
        EXPECT_EQ(after->notes(), c.notes);
        EXPECT_EQ(after->taskName(), c.taskName);
        EXPECT_EQ(after->tagList(), c.tagList);
        EXPECT_EQ(after->calendarId(), c.categoryKey);
        EXPECT_EQ(posts(), c.posts);
        const QStringList field = view->tagDetailView()->objectValue();
        EXPECT_EQ(std::vector<QString>(field.begin(), field.end()),
                  std::vector<QString>(c.fieldAfter.begin(), c.fieldAfter.end()));
        const QString key = QString::number(stored->primaryKey());
        EXPECT_EQ(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(key)), !c.done);
        if (!c.done) {
            EXPECT_FALSE(view->isRevertShown());
        }
        m_controller.reset();
    }

    // Choosing another category shows Revert and refills the field.
    const TaskPtr stored = note(QStringLiteral("Plan\n\u274e seeds"), [&](Task& t) {
        t.setCalendarId(work->primaryKey());
        t.setTagList(QStringLiteral("/Own"));
    });
    NoteView* view = openNote(stored);
    ASSERT_NE(view, nullptr);
    link(stored, task(QStringLiteral("Sow tomatoes")));
    link(stored, task(QStringLiteral("Order pots")));
    view->currentLinkSection()->loadCurrentLinks(stored);
    PopUpButton* chooser = view->calendarBtn();
    for (int i = 0; i < chooser->numberOfItems(); ++i)
        if (chooser->itemAtIndex(i)->tag == home->primaryKey()) chooser->performClickOnItem(i);
    EXPECT_TRUE(view->isRevertShown());
    const QStringList field = view->tagDetailView()->objectValue();
    EXPECT_EQ(std::vector<QString>(field.begin(), field.end()), (std::vector<QString>{"House", "Garden", "Own"}));
    view->updateView();
    saveScreenshot(view, QStringLiteral("note-editor-checklist-revert"));
}

TEST_F(NoteEditorTest, CategoryIsFoundByKeyAndKeptWhenNotOffered)
{
    const CalendarPtr twinA = category(QStringLiteral("Twin"), QString());
    const CalendarPtr twinB = category(QStringLiteral("Twin"), QStringLiteral("/B"));
    const CalendarPtr hidden = category(QStringLiteral("Hidden"), QString(), [](Calendar& c) { c.setInVisible(1); });
    const CalendarPtr project = category(QStringLiteral("Project"), QString(), [](Calendar& c) { c.setProjectType(2); });
    const CalendarPtr sharedCategory = category(QStringLiteral("Shared"), QString());
    struct Case {
        const char* name;
        CalendarPtr category;
        bool shared;
        bool onTop;
    } cases[] = {
        {"same-name-second-category", twinB, false, false},
        {"hidden-category", hidden, false, true},
        {"project", project, false, true},
        {"shared-note", sharedCategory, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_posts.clear();
        const TaskPtr stored = note(QStringLiteral("Note in %1").arg(QString::fromLatin1(c.name)), [&](Task& t) {
            t.setCalendarId(c.category->primaryKey());
            t.setIsShared(c.shared);
        });
        NoteView* view = openNote(stored);
        ASSERT_NE(view, nullptr);
        PopUpButton* chooser = view->calendarBtn();
        EXPECT_EQ(chooser->selectedItem()->tag, c.category->primaryKey());
        EXPECT_EQ(chooser->indexOfSelectedItem() == 0, c.onTop);
        EXPECT_FALSE(view->isRevertShown()) << "the note's own category is no change";
        EXPECT_EQ(view->addLinkBtn()->isHidden(), c.shared);
        EXPECT_EQ(chooser->isEnabled(), !c.shared);
        EXPECT_EQ(view->tagDetailView()->isEnabled(), !c.shared);
        if (c.shared) {
            saveScreenshot(view, QStringLiteral("note-editor-shared"));
            continue;
        }
        view->contentView()->setContentText(QStringLiteral("Edited"));
        view->visibleRevertButton();
        view->doneEdit();
        EXPECT_EQ(reread(stored)->calendarId(), c.category->primaryKey());
        m_controller.reset();
    }

    // A category deleted while the editor is open: the note goes to the
    // default one.
    const CalendarPtr doomed = category(QStringLiteral("Doomed"), QString());
    const TaskPtr stored = note(QStringLiteral("Orphan"), [&](Task& t) { t.setCalendarId(doomed->primaryKey()); });
    NoteView* view = openNote(stored);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(doomed->deleteFromDatabase());
    dataManager().doWithCalendarList(CalendarList{doomed}, 1);
    view->contentView()->setContentText(QStringLiteral("Orphan kept"));
    view->visibleRevertButton();
    view->doneEdit();
    EXPECT_EQ(reread(stored)->calendarId(), setting().calendarDefID());
}

TEST_F(NoteEditorTest, RevertAndCloseRestoreTheEditorsOwnCopy)
{
    const TaskPtr stored = note(QStringLiteral("Original"));
    NoteView* view = openNote(stored);
    ASSERT_NE(view, nullptr);
    view->note()->setNotes(QStringLiteral("changed in memory"));
    view->visibleRevertButton();
    // Another editor and the web sync set the data manager's copy meanwhile.
    dataManager().setModifyingTask(task(QStringLiteral("Someone else")));
    view->revertBtn()->performClick();
    EXPECT_EQ(stored->notes(), QStringLiteral("Original"));
    EXPECT_FALSE(view->isRevertShown());

    stored->setTaskName(QStringLiteral("renamed in memory"));
    view->visibleRevertButton();
    dataManager().setModifyingTask(task(QStringLiteral("Another one")));
    controller().popover()->close();
    EXPECT_EQ(stored->taskName(), QStringLiteral("Original"));
}

TEST_F(NoteEditorTest, AddLinkFromAnEditorSavesFirstAndBackReturnsToIt)
{
    struct Case {
        const char* name;
        qint64 type;
        int previousType;
        DetailViewController::Request backTo;
        bool asksReload;
    } cases[] = {
        {"note-editor", 3, 5, DetailViewController::Request::NoteEditor, false},
        {"task-editor", 1, 2, DetailViewController::Request::TaskEditor, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_posts.clear();
        m_mainView->clearCalls();
        const TaskPtr item = c.type == 3 ? note(QStringLiteral("Draft")) : task(QStringLiteral("Report"));
        DetailViewController* linkController = nullptr;
        if (c.type == 3) {
            NoteView* view = openNote(item);
            ASSERT_NE(view, nullptr);
            view->contentView()->setContentText(QStringLiteral("Draft two"));
            view->visibleRevertButton();
            view->addLinkBtn()->performClick();
            EXPECT_FALSE(view->isRevertShown());
            EXPECT_EQ(reread(item)->notes(), QStringLiteral("Draft two")) << "stored before the page opens";
            linkController = &controller();
        } else {
            controller().editTask(item, m_anchor);
            auto* form = qobject_cast<TaskDetailView*>(controller().customView());
            ASSERT_NE(form, nullptr);
            form->addNewLink();
            linkController = &controller();
        }
        // The note's edit asks for a push; neither closes nor tells a change.
        EXPECT_EQ(posts(), c.type == 3 ? std::vector<QString>{QStringLiteral("sync 2")} : std::vector<QString>{});
        const QString key = QString::number(item->primaryKey());
        EXPECT_EQ(m_mainView->calls().contains(QStringLiteral("reload %1=%1").arg(key)), c.asksReload);
        ASSERT_NE(linkController, nullptr);
        EXPECT_EQ(linkController->lastRequest().request, DetailViewController::Request::AddLink);
        auto* page = qobject_cast<AddLinkView*>(linkController->customView());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->previousViewType(), c.previousType);
        EXPECT_EQ(controller().popover()->contentView(), page) << "the page replaced the editor in its popover";
        page->backBtn()->performClick();
        // The pages replace each other in the one popover.
        DetailViewController* backController = &controller();
        EXPECT_EQ(backController->lastRequest().request, c.backTo);
        EXPECT_NE(backController->customView(), nullptr);
        m_controller.reset();
    }
}

TEST_F(NoteEditorTest, LinkSectionFitsItsListsAndShowsTheConversationOfSharedItems)
{
    enum class Sharing { None, ByMe, WithMe };
    struct Case {
        const char* name;
        Sharing sharing;
        int links, comments, askedTab;
        double height;
        int shownPage;
        bool tabsShown, labelShown, marksRead;
    } cases[] = {
        {"no-links-no-comments", Sharing::None, 0, 0, 2, 71, 2, false, true, false},
        {"one-link", Sharing::None, 1, 0, 2, 109, 2, false, true, false},
        {"four-links-scroll", Sharing::None, 4, 0, 2, 223, 2, false, true, false},
        {"unshared-asked-conversation", Sharing::None, 0, 0, 1, 71, 1, false, true, true},
        {"shared-by-me-both-tabs", Sharing::ByMe, 1, 3, 2, 223, 2, true, false, false},
        {"shared-with-me-conversation-whatever-asked", Sharing::WithMe, 2, 1, 2, 166, 1, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_posts.clear();
        const CalendarPtr holder = category(QStringLiteral("Team"), QString(), [&](Calendar& cal) {
            cal.setHasShared(c.sharing == Sharing::ByMe);
        });
        const TaskPtr item = event(QStringLiteral("Review"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10),
                                   [&](Task& t) {
                                       t.setCalendarId(holder->primaryKey());
                                       t.setIsShared(c.sharing == Sharing::WithMe);
                                   });
        for (int i = 0; i < c.links; ++i) link(item, task(QStringLiteral("Linked %1").arg(i)));
        for (int i = 0; i < c.comments; ++i) comment(item->primaryKey(), QStringLiteral("Comment %1").arg(i));
        m_mainView->contentTab = c.askedTab;
        auto* section = qobject_cast<LinkConversationSection*>(LinkSection::create(QRectF(0, 0, 330, 100)));
        ASSERT_NE(section, nullptr) << "the installed factory makes the real section";
        std::unique_ptr<LinkSection> owner(section);
        section->loadCurrentLinks(item);
        section->updateFrameHeight();
        EXPECT_EQ(section->frame().height(), c.height);
        EXPECT_EQ(section->shownPage(), c.shownPage);
        EXPECT_EQ(!section->tabsView()->isHidden(), c.tabsShown);
        EXPECT_EQ(!section->linkLabel()->isHidden(), c.labelShown);
        const QList<qint64> statuses = column("SELECT status FROM Comments WHERE itemId=?", item->primaryKey());
        for (qint64 status : statuses) EXPECT_EQ(status, c.marksRead ? 1 : 0);
        EXPECT_EQ(m_posts.count(kRefreshCommentCount), c.marksRead ? 1 : 0);
        if (c.links + c.comments == 0) {
            EXPECT_EQ(section->noLinkText()->stringValue(),
                      c.shownPage == 2 ? QStringLiteral("No linked items yet") : QStringLiteral("No comments yet"));
        }
        m_posts.clear();
        EXPECT_FALSE(section->saveChanges());
        EXPECT_TRUE(m_posts.isEmpty()) << "nothing changed in the list, nothing posted";
        if (c.sharing == Sharing::WithMe) saveScreenshot(section, QStringLiteral("link-section-shared-conversation"));
    }

    // An instance of a repeating item shows its series' comments.
    const TaskPtr series = event(QStringLiteral("Weekly"), localDate(2014, 1, 6, 9), localDate(2014, 1, 6, 10),
                                 [](Task& t) { t.setRepeatType(2); });
    comment(series->primaryKey(), QStringLiteral("On the series"));
    std::unique_ptr<LinkSection> section(LinkSection::create(QRectF(0, 0, 330, 100)));
    section->loadCurrentLinks(occurrenceOf(series, -2));
    EXPECT_EQ(static_cast<LinkConversationSection*>(section.get())->commentListView()->numberOfRows(), 1);
}

TEST_F(NoteEditorTest, PicturesOfTheAddLinkPageAndTheEventEditorsSection)
{
    const TaskPtr item = event(QStringLiteral("Planning"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10));
    link(item, note(QStringLiteral("Agenda\nfirst point")));
    link(item, task(QStringLiteral("Send invites")));
    link(item, task(QStringLiteral("Book room"), [](Task& t) { t.setStatus(1); }));
    task(QStringLiteral("Plan budget"));
    task(QStringLiteral("Planned leave"), [](Task& t) { t.setStatus(1); });
    AddLinkView* page = openAddLink(item);
    ASSERT_NE(page, nullptr);
    typeSearch(page, QStringLiteral("plan"));
    EXPECT_EQ(resultNames(page), (QStringList{"Plan budget", "Planned leave"}));
    tick(page, QStringLiteral("Plan budget"));
    EXPECT_EQ(page->currentLinkListTableView()->numberOfRows(), 3);
    EXPECT_EQ(page->frame().height(), AddLinkView::layoutFor(280, 2, 3).height);
    saveScreenshot(page, QStringLiteral("add-link-page"));
    m_controller.reset();

    controller().editTask(item, m_anchor);
    auto* editor = qobject_cast<EventDetailView*>(controller().customView());
    ASSERT_NE(editor, nullptr);
    saveScreenshot(editor, QStringLiteral("event-editor-link-section"));
}

}  // namespace NoteEditorTests

// The category detail panel over a real data manager and database: sizes,
// tabs, OK, Cancel, the close button, Delete, the default question and the
// info box, driven by constructed clicks; questions are scripted and the
// calendar-store and web pushes recorded.
#include "CategoriesTestFixture.h"
#include "Box.h"
#include "Button.h"
#include "CategoryBoxDetailView.h"
#include "CategoryDetailListItemView.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailView.h"
#include "ColorView.h"
#include "ColorViewController.h"
#include "CommentItemView.h"
#include "ConversationTableView.h"
#include "ImageSegmentedControl.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "ListModuleView.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "Matrix.h"
#include "Popover.h"
#include "RecordingICalSync.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "Tag.h"
#include "TextField.h"
#include "TextTable.h"
#include "ZVComment.h"
#include "../Model/PostedNotifications.h"
#include "../../Sources/SharedUI/Notifications.h"

#include <gtest/gtest.h>

namespace CategoryDetailTests {
namespace {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

class CategoryDetailTest : public CategoriesViewTest {
protected:
    void SetUp() override
    {
        CategoriesViewTest::SetUp();
        mainViewHeight = 700;
        auto recording = std::make_unique<RecordingICalSync>();
        ical = recording.get();
        dataManager().setICalSync(std::move(recording));
        panel = std::make_unique<CategoryDetailPanel>();
    }
    void TearDown() override
    {
        panel.reset();
        CategoriesViewTest::TearDown();
    }

    CalendarPtr category(const QString& name, qint64 projectType = 0, bool shared = false, bool hasShares = false,
                         qint64 hidden = 0)
    {
        CalendarPtr made = addCategory(projectType, hidden);
        made->setCalendarName(name);
        made->setExtraStatus(shared ? 1 : 0);
        made->setHasShared(hasShares);
        EXPECT_TRUE(made->dehydrate());
        return made;
    }
    void comment(const CalendarPtr& on, const QString& content)
    {
        auto stored = std::make_shared<ZVComment>();
        stored->setItemKey(on->primaryKey());
        stored->setType(ConversationTableView::categoryComments);
        stored->setContent(content);
        stored->setFirstName(QStringLiteral("Ann"));
        stored->setLastName(QStringLiteral("Lee"));
        stored->setZvwKey(700 + ++m_comments);
        ASSERT_TRUE(stored->insertIntoDatabase(db()).has_value());
    }
    // One task and two notes: an outline 233 high.
    void fillOutline(const CalendarPtr& on)
    {
        itemIn(on, QStringLiteral("Task"));
        for (const char* name : {"Note one", "Note two"}) {
            TaskPtr note = itemIn(on, QString::fromLatin1(name));
            note->setTaskType(ItemKind::Note);
            ASSERT_TRUE(note->dehydrate());
        }
    }
    // Shown and attached, as the category list opens it.
    CategoryDetailView* open(const CalendarPtr& shown)
    {
        view()->setCalendar(shown);
        window->addChildWindow(panel.get(), Window::Ordering::Above);
        panel->orderFront();
        QApplication::processEvents();
        return view();
    }
    CategoryDetailView* view() const { return panel->categoryDetailView(); }
    CategoryBoxDetailView* box() const { return view()->boxView(); }
    void click(View* control)
    {
        Clicks::click(control->window(), Clicks::inWindow(control, control->bounds().center()));
    }
    void typeName(const QString& name) { box()->categoryNameTextField()->setStringValue(name); }
    QString storedName(const CalendarPtr& stored)
    {
        return Calendar::initWithPrimaryKey(stored->primaryKey(), db())->calendarName();
    }
    qint64 storedColor(const CalendarPtr& stored)
    {
        const CalendarPtr row = Calendar::initWithPrimaryKey(stored->primaryKey(), db());
        return row->colorGroupId() * 8 + row->colorNameId();
    }
    void pickColor(int group, int colour)
    {
        click(box()->colorBtn());
        ColorViewController* picker = box()->colorViewController();
        ASSERT_TRUE(picker && picker->popover());
        Matrix* matrix = static_cast<ColorView*>(picker->customView())->matrix();
        Clicks::click(picker->popover()->window(), Clicks::inWindow(matrix, matrix->cellFrameAtRow(group, colour).center()));
    }
    int updatesToStore() const
    {
        int count = 0;
        for (const RecordingICalSync::Call& call : ical->calls()) count += call.operation == QLatin1String("updateCalendar");
        return count;
    }
    double topEdge() const { return panel->frame().top() + panel->frame().height(); }

    std::unique_ptr<CategoryDetailPanel> panel;
    RecordingICalSync* ical = nullptr;

private:
    qint64 m_comments = 0;
};

}  // namespace

TEST_F(CategoryDetailTest, ThePanelAndTheViewTakeTheSizeOfWhatTheyShow)
{
    EXPECT_EQ(panel->frame().size(), QSizeF(350, 400));
    EXPECT_EQ(panel->minSize(), QSizeF(350, 170));
    EXPECT_EQ(panel->maxSize(), QSizeF(350, 700));
    EXPECT_EQ(panel->windowTitle(), text("categoryInfoText"));

    // A project with nothing in it has no group rows; an ordinary category
    // always has its task group with the quick-add row.
    const CalendarPtr empty = category(QStringLiteral("Empty"), 1);
    const CalendarPtr ordinary = category(QStringLiteral("Ordinary"));
    const CalendarPtr sharing = category(QStringLiteral("Sharing"), 0, false, true);
    const CalendarPtr talked = category(QStringLiteral("Talked"), 1, true);
    fillOutline(ordinary);
    fillOutline(sharing);
    comment(talked, QStringLiteral("First"));
    comment(talked, QStringLiteral("Second"));
    // More talk than the panel's room: the list scrolls.
    const CalendarPtr talkative = category(QStringLiteral("Talkative"), 1, true);
    for (int index = 0; index < 12; ++index)
        comment(talkative, QStringLiteral("A remark long enough to wrap onto a second line, number %1").arg(index));

    struct Case {
        CalendarPtr shown;
        bool scroll;
        bool strip;
        double height;  // 0: the comments' rows with their gaps + strip + the list's top (201)
    };
    const Case cases[] = {
        {empty, false, false, 214}, {ordinary, true, false, 434}, {sharing, true, true, 479},
        {talked, true, true, 0},    {empty, false, false, 214},   {ordinary, true, false, 434},
        {talkative, true, true, 675},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.shown->calendarName().toStdString());
        const double top = topEdge();
        CategoryDetailView* shown = open(test.shown);
        if (test.shown == ordinary) {
            ASSERT_EQ(shown->detailView()->totalHeight(), 233);
        }
        const double expected =
            test.height > 0 ? test.height : shown->commentListView()->yPositionPastLastRow() + 45 + 201;
        // The panel takes whole pixels.
        EXPECT_NEAR(shown->frame().height(), expected, 0.5);
        EXPECT_NEAR(panel->frame().height(), expected, 0.5);
        EXPECT_DOUBLE_EQ(topEdge(), top) << "the panel keeps its top edge";
        // The box's content (tag field + 165) and the list under its titled frame.
        EXPECT_EQ(shown->infoBoxHeight(), 184);
        EXPECT_EQ(shown->tabAreaTop(), 201);
        EXPECT_EQ(shown->tabView()->isVisible(), test.scroll);
        EXPECT_EQ(shown->tabsView()->isVisible(), test.strip);
        if (test.scroll) {
            EXPECT_EQ(shown->tabView()->frame().y(), shown->tabAreaTop() + (test.strip ? 45 : 0));
            EXPECT_GE(shown->tabAreaTop(), shown->boxView()->frame().height());
            EXPECT_LE(shown->tabView()->frame().bottom(), shown->frame().height());
            // Scrolled to its end, each tab's list shows its last row whole.
            for (int tab : {CategoryDetailView::contentTab, CategoryDetailView::conversationTab}) {
                shown->setFocusTab(tab);
                auto* list = qobject_cast<TableView*>(shown->scrollView()->documentView());
                if (!list || shown->scrollView()->isHidden() || list->numberOfRows() == 0) continue;
                shown->scrollView()->scrollToPoint(QPointF(0, list->frame().height()));
                EXPECT_TRUE(shown->scrollView()->documentVisibleRect().contains(list->rectOfRow(list->numberOfRows() - 1)))
                    << "tab " << tab;
            }
        }
        EXPECT_EQ(panel->minSize(), QSizeF(350, 201 + 28));
        saveScreenshot(panel.get(), QStringLiteral("category-detail-") + test.shown->calendarName().toLower());
    }
}

TEST_F(CategoryDetailTest, OkStoresNameTagsAndSwitchesAndAsksForThePushes)
{
    setting().setAutoICalSync(1);
    const CalendarPtr home = category(QStringLiteral("Errands"));
    category(QStringLiteral("HOME"));
    category(QStringLiteral("Home_1"));
    // A shared category's name is no clash.
    category(QStringLiteral("Home_2"), 0, true);

    struct Case {
        QString typed;
        QString stored;
        bool pushedToStore;
        qint64 picked = -1;  // a colour picked in the box (group * 8 + colour)
    };
    // The store's calendar carries the name and the colour.
    const Case cases[] = {
        {QStringLiteral("Home"), QStringLiteral("Home_2"), true},
        {QStringLiteral("   "), QStringLiteral("Home_2"), false},
        {QString(), QStringLiteral("Home_2"), false},
        {QStringLiteral("Errands"), QStringLiteral("Errands"), true},
        {QStringLiteral("Errands"), QStringLiteral("Errands"), true, 19},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.typed.toStdString());
        ical->clearCalls();
        PostedNotifications posts({kAutoSyncNotification});
        open(home);
        typeName(test.typed);
        if (test.picked >= 0) pickColor(int(test.picked / 8), int(test.picked % 8));
        click(box()->okBtn());
        EXPECT_EQ(storedName(home), test.stored);
        if (test.picked >= 0) {
            EXPECT_EQ(storedColor(home), test.picked);
        }
        EXPECT_EQ(updatesToStore(), test.pushedToStore ? 1 : 0);
        const QList<qint64> requests = posts.autoSyncRequests();
        EXPECT_EQ(std::vector<qint64>(requests.begin(), requests.end()), std::vector<qint64>{33});
        EXPECT_FALSE(panel->isVisible());
        EXPECT_EQ(view()->calendar(), nullptr);
    }

    // Tags: each once, taken off the category's items as whole entries; the
    // transparent switch change nothing in the store.
    const TaskPtr work = itemIn(home, QStringLiteral("Work item"), QStringLiteral("/Gym/Work"));
    const TaskPtr longer = itemIn(home, QStringLiteral("Longer"), QStringLiteral("/Gymnastics"));
    const TaskPtr both = itemIn(home, QStringLiteral("Both"), QStringLiteral("/home/Gym"));
    ical->clearCalls();
    open(home);
    box()->tagDetailView()->setObjectValue({QStringLiteral("Gym"), QStringLiteral("Home"), QStringLiteral("gym")});
    click(box()->transparentBtn());
    click(box()->okBtn());
    const CalendarPtr stored = Calendar::initWithPrimaryKey(home->primaryKey(), db());
    EXPECT_EQ(stored->tagList(), QStringLiteral("/Gym/Home"));
    EXPECT_TRUE(stored->isTransparent());
    EXPECT_EQ(storedColumn(work->primaryKey(), QStringLiteral("tagList")).toString(), QStringLiteral("/Work"));
    EXPECT_EQ(storedColumn(longer->primaryKey(), QStringLiteral("tagList")).toString(), QStringLiteral("/Gymnastics"));
    EXPECT_EQ(storedColumn(both->primaryKey(), QStringLiteral("tagList")).toString(), QString());
    EXPECT_EQ(updatesToStore(), 0);
    QStringList tags;
    for (const TagPtr& tag : dataManager().tagList()) tags << tag->tagName();
    EXPECT_TRUE(tags.contains(QStringLiteral("Gym")) && tags.contains(QStringLiteral("Home")));

    // Shown again, the box reads the stored tags back.
    open(home);
    EXPECT_EQ(box()->tagDetailView()->objectValue(), QStringList({QStringLiteral("Gym"), QStringLiteral("Home")}));
}

TEST_F(CategoryDetailTest, TheColourShowsAtOnceAndCancelOrTheCloseButtonPutsItBack)
{
    const CalendarPtr home = category(QStringLiteral("Home"));
    home->setColorGroupId(0);
    home->setColorNameId(5);
    ASSERT_TRUE(home->dehydrate());
    for (const bool byCloseButton : {false, true}) {
        SCOPED_TRACE(byCloseButton ? "close button" : "Cancel");
        open(home);
        typeName(QStringLiteral("Renamed"));
        pickColor(1, 2);
        EXPECT_EQ(storedColor(home), 10) << "written before OK";
        EXPECT_EQ(dataManager().calendarWithPrimaryKey(home->primaryKey())->colorNameId(), 2);
        EXPECT_EQ(box()->colorBtn()->image(), box()->arrayOfColorImg()[10]);
        if (!byCloseButton) {
            click(box()->colorBtn());
            saveScreenshot(box()->colorViewController()->popover()->window(), QStringLiteral("category-detail-picker"));
            saveScreenshot(panel.get(), QStringLiteral("category-detail-picked"));
            box()->colorViewController()->popover()->close();
        }
        if (byCloseButton) {
            EXPECT_TRUE(panel->performClose());
        } else {
            click(box()->cancelBtn());
        }
        EXPECT_EQ(storedColor(home), 5);
        EXPECT_EQ(storedName(home), QStringLiteral("Home"));
        EXPECT_FALSE(panel->isVisible());
        EXPECT_EQ(panel->parentWindow(), nullptr);
    }
}

TEST_F(CategoryDetailTest, TheDefaultSwitchOnAHiddenCategoryAsksFirst)
{
    const CalendarPtr hidden = category(QStringLiteral("Hidden"), 0, false, false, 1);
    itemIn(hidden, QStringLiteral("Hidden task"));
    dataManager().removeAllTasksBelongCalendar(hidden->primaryKey());
    setting().setShowWarningSetDefault(1);
    ASSERT_TRUE(setting().dehydrate());

    struct Case {
        int button;
        bool shown;
    };
    for (const Case& test : {Case{AlertResponse::firstButton, true}, Case{AlertResponse::firstButton + 1, false}}) {
        SCOPED_TRACE(test.shown ? "Continue" : "Cancel");
        setting().setCalendarDefID(1);
        hidden->setInVisible(1);
        ASSERT_TRUE(hidden->dehydrate());
        open(hidden);
        alerts.scriptButton(test.button);
        PostedNotifications posts({kAutoSyncNotification});
        const int asked = int(alerts.requests().size());
        click(box()->defaultBtn());
        ASSERT_EQ(int(alerts.requests().size()), asked + 1);
        const AlertRequest question = alerts.requests().last();
        EXPECT_EQ(question.messageText, text("setDefaultInvisibleCategoryText"));
        EXPECT_EQ(question.buttonTitles, QStringList({text("continueText"), text("cancelText")}));
        EXPECT_EQ(Calendar::initWithPrimaryKey(hidden->primaryKey(), db())->inVisible(), test.shown ? 0 : 1);
        EXPECT_EQ(box()->defaultBtn()->state(), test.shown ? 1 : 0);
        EXPECT_EQ(listedNames().contains(QStringLiteral("Hidden task")), test.shown);
        const QList<qint64> requests = posts.autoSyncRequests();
        EXPECT_EQ(std::vector<qint64>(requests.begin(), requests.end()), std::vector<qint64>{32});
        EXPECT_NE(setting().calendarDefID(), hidden->primaryKey()) << "stored only by OK";
        click(box()->okBtn());
        EXPECT_EQ(setting().calendarDefID() == hidden->primaryKey(), test.shown);
        dataManager().removeAllTasksBelongCalendar(hidden->primaryKey());
    }
}

TEST_F(CategoryDetailTest, DeleteIsRefusedForTheLastDefaultAndOtherwiseAsked)
{
    const CalendarPtr defaultOne = dataManager().calendarWithPrimaryKey(1);
    ASSERT_TRUE(defaultOne);
    setting().setCalendarDefID(1);
    const CalendarPtr project = category(QStringLiteral("Project"), 1);
    const TaskPtr inProject = itemIn(project, QStringLiteral("In project"));

    struct Case {
        CalendarPtr shown;
        int button;
        QStringList buttons;
        bool deleted;
    };
    const QStringList askButtons{text("deleteText"), text("cancelText")};
    const Case cases[] = {
        {defaultOne, AlertResponse::firstButton, {text("okText")}, false},
        {project, AlertResponse::firstButton + 1, askButtons, false},
        {project, AlertResponse::firstButton, askButtons, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.shown->calendarName().toStdString());
        open(test.shown);
        alerts.scriptButton(test.button);
        click(box()->delBtn());
        const AlertRequest question = alerts.requests().last();
        EXPECT_EQ(question.messageText, text("deleteCalendarText"));
        EXPECT_EQ(question.buttonTitles, test.buttons);
        EXPECT_EQ(dataManager().calendarWithPrimaryKey(test.shown->primaryKey()) == nullptr, test.deleted);
        EXPECT_EQ(panel->isVisible(), !test.deleted);
    }
    EXPECT_FALSE(storedColumn(inProject->primaryKey(), QStringLiteral("taskName")).isValid());
    EXPECT_TRUE(dataManager().calendarWithPrimaryKey(1));
}

TEST_F(CategoryDetailTest, TabsShowCommentsMarkThemReadOrSayThereIsNothing)
{
    // A project with comments and nothing in its outline; an ordinary
    // category with an item and no comments.
    const CalendarPtr talked = category(QStringLiteral("Talked"), 1, false, true);
    const CalendarPtr quiet = category(QStringLiteral("Quiet"), 0, false, true);
    comment(talked, QStringLiteral("Hello"));
    comment(talked, QStringLiteral("Again"));
    itemIn(quiet, QStringLiteral("Only item"));

    const struct {
        CalendarPtr shown;
        int tab;
        const char* label;  // null: the list shows
    } cases[] = {{talked, 1, nullptr}, {talked, 0, "noCurrentLinksText"}, {quiet, 1, "noConversationText"}, {quiet, 0, nullptr}};
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << test.shown->calendarName().toStdString() << " tab " << test.tab);
        CategoryDetailView* shown = open(test.shown);
        PostedNotifications posts({kRefreshCommentCount});
        shown->tabsView()->selectSegmentWithTag(test.tab);
        shown->switchTabs();
        EXPECT_EQ(shown->noDataLabel()->isVisible(), test.label != nullptr);
        EXPECT_EQ(shown->scrollView()->isVisible(), test.label == nullptr);
        if (test.label) {
            EXPECT_EQ(shown->noDataLabel()->stringValue(), text(test.label));
        } else {
            EXPECT_EQ(shown->scrollView()->documentView(),
                      test.tab == 1 ? static_cast<View*>(shown->commentListView()) : shown->detailView());
        }
        EXPECT_EQ(int(posts.names().size()), test.tab) << "the conversation tab asks for a new count";
        if (test.tab == 1)
            saveScreenshot(panel.get(), QStringLiteral("category-detail-conversation-") + test.shown->calendarName().toLower());
    }
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Comments WHERE status=0")), 0);
}

TEST_F(CategoryDetailTest, ThePanelClosesWhenItsCategoryGoesAndWritesNothing)
{
    const CalendarPtr going = category(QStringLiteral("Going"));
    open(going);
    typeName(QStringLiteral("Never stored"));
    dataManager().doWithCalendarList(CalendarList{going}, 1);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(view()->calendar(), nullptr);
    EXPECT_EQ(storedName(going), QStringLiteral("Going"));
}

TEST_F(CategoryDetailTest, TheInfoBoxFollowsTheCategoryAndItsTagField)
{
    // A new box shows the first swatch; the switches follow the tag field.
    CategoryBoxDetailView fresh(QRectF(0, 0, 330, 116));
    EXPECT_EQ(fresh.posOfColor(), 0);
    EXPECT_EQ(fresh.colorBtn()->image(), fresh.arrayOfColorImg()[0]);
    fresh.setFrameSize(QSizeF(330, 154));
    EXPECT_EQ(fresh.defaultBtn()->frame().y(), 87);
    EXPECT_EQ(fresh.transparentBtn()->frame().y(), 114);
    // The borderless name field casts a soft shadow just below its bottom edge.
    const QRectF name = fresh.categoryNameTextField()->frame();
    const QImage shot = fresh.grab().toImage();
    const qreal scale = shot.devicePixelRatio();
    const QColor above = shot.pixelColor(QPointF((name.x() + 20) * scale, (name.y() - 4) * scale).toPoint());
    const QColor under = shot.pixelColor(QPointF((name.x() + 20) * scale, (name.bottom() + 0.5) * scale).toPoint());
    EXPECT_LT(under.lightness() + 10, above.lightness()) << "a shadow under the field";
    saveScreenshot(&fresh, QStringLiteral("category-detail-info-box"));

    setting().setCalendarDefID(1);
    const CalendarPtr shared = category(QStringLiteral("Shared"), 0, true);
    struct Case {
        CalendarPtr shown;
        bool editable;
        bool defaultOn;
    };
    for (const Case& test : {Case{dataManager().calendarWithPrimaryKey(1), true, true}, Case{shared, false, false}}) {
        SCOPED_TRACE(test.shown->calendarName().toStdString());
        open(test.shown);
        box()->setEnable(test.editable);
        for (View* control : std::initializer_list<View*>{box()->categoryNameTextField(), box()->colorBtn(),
                                                          box()->transparentBtn(), box()->tagDetailView()}) {
            EXPECT_EQ(control->isEnabled(), test.editable);
        }
        EXPECT_EQ(box()->defaultBtn()->state(), test.defaultOn ? 1 : 0);
        EXPECT_FALSE(box()->defaultBtn()->isEnabled());
        EXPECT_EQ(box()->cancelBtn()->isVisible(), test.editable);
        EXPECT_EQ(box()->delBtn()->isVisible(), test.editable);
        EXPECT_EQ(box()->okBtn()->title(), text(test.editable ? "okText" : "closeText"));
    }
    saveScreenshot(panel.get(), QStringLiteral("category-detail-shared"));
    typeName(QStringLiteral("Not stored"));
    click(box()->okBtn());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(storedName(shared), QStringLiteral("Shared"));

    // Two lines of tags: the box grows to the field's 38 + 165, the view by 19.
    const CalendarPtr tagged = category(QStringLiteral("Tagged"));
    open(tagged);
    const double before = view()->frame().height();
    box()->tagDetailView()->setObjectValue({QStringLiteral("Alpha"), QStringLiteral("Bravo"), QStringLiteral("Charlie"),
                                             QStringLiteral("Delta"), QStringLiteral("Echo"), QStringLiteral("Foxtrot")});
    box()->tagDetailView()->resizeTokenField();
    ASSERT_EQ(box()->tagDetailView()->frame().height(), 38);
    EXPECT_EQ(view()->infoBoxHeight(), 203);
    EXPECT_EQ(view()->frame().height(), before + 19);
    EXPECT_EQ(box()->defaultBtn()->frame().y(), 63 + 38 + 5);
}

TEST_F(CategoryDetailTest, TheMainViewOpensAVisibleCategoryOnItsConversation)
{
    const CalendarPtr talked = category(QStringLiteral("Talked"), 0, false, true);
    comment(talked, QStringLiteral("Hi"));
    Window mainWindow(QRectF(100, 100, 900, 700));
    auto* mainView = new MainView(mainWindow.contentView()->bounds());
    mainWindow.contentView()->addSubview(mainView);
    mainWindow.orderFront();
    mainView->showCalendarDetail(talked, 1);
    CategoryDetailPanel* opened =
        mainView->listModuleView()->categoryListView()->categoryListTableView()->categoryDetailPanel();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->categoryDetailView()->calendar(), talked);
    EXPECT_EQ(opened->categoryDetailView()->selectedTabIdentifier(), QStringLiteral("conversation"));
    EXPECT_EQ(opened->parentWindow(), &mainWindow);
}

}  // namespace CategoryDetailTests

// A category's detail over a real database on a real X server: the panel is
// a key child window above the list's window that keeps its top edge as it
// fits each category, the colour picker opens from its info box as a
// popover of the panel, and the title bar's close (through the window
// manager) puts the colour back and closes it.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../PlatformWindows/WindowManagerSupport.h"
#include "../Model/ModelTestFixture.h"

#include "Box.h"
#include "Button.h"
#include "InfoListItemView.h"
#include "Calendar.h"
#include "CategoryBoxDetailView.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailListItemView.h"
#include "CategoryDetailView.h"
#include "Clicks.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "ColorView.h"
#include "ColorViewController.h"
#include "CoreData.h"
#include "Matrix.h"
#include "Popover.h"
#include "Screen.h"
#include "ScrollView.h"
#include "Screenshot.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWindow>

namespace CategoryDetailOnScreenTests {

using namespace RealWindows;

namespace {

class DetailDatabase : public ModelTest {
public:
    void TestBody() override {}
    void open() { SetUp(); }
    void close() { TearDown(); }
    sqlite3* handle() const { return db(); }
};

void pressAndRelease(QWidget* view, const QPointF& local)
{
    QWidget* window = view->window();
    const QPoint at = view->mapTo(window, local.toPoint());
    QWidget* target = window->childAt(at) ? window->childAt(at) : window;
    const QPointF inTarget = target->mapFrom(window, at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, inTarget, target->mapToGlobal(inTarget), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

// Keys as the server delivers them: to the window holding the focus.
void typeIntoFocus(const QString& text)
{
    for (const QChar character : text) {
        QWindow* focus = QGuiApplication::focusWindow();
        ASSERT_NE(focus, nullptr) << "no window of ours has the keyboard";
        const bool isReturn = character == QLatin1Char('\r');
        QKeyEvent press(QEvent::KeyPress, isReturn ? Qt::Key_Return : 0, Qt::NoModifier, QString(character));
        QGuiApplication::sendEvent(focus, &press);
        QKeyEvent release(QEvent::KeyRelease, isReturn ? Qt::Key_Return : 0, Qt::NoModifier, QString(character));
        QGuiApplication::sendEvent(focus, &release);
    }
}

class CategoryDetailOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        database.open();
        CoreData* data = CoreData::shared();
        data->getSettingList();
        ASSERT_NE(data->currentSetting(), nullptr);
        data->doWithCalendarList(data->getCalendarList(), 2);
    }
    void TearDown() override
    {
        if (CoreData::shared()) database.close();
        RealWindowTest::TearDown();
    }
    CalendarPtr stored(const QString& name, qint64 projectType, int items)
    {
        auto category = std::make_shared<Calendar>();
        category->setCalendarName(name);
        category->setProjectType(projectType);
        EXPECT_TRUE(category->insertIntoDatabase(database.handle()));
        CoreData::shared()->doWithCalendarList(CalendarList{category}, 0);
        for (int index = 0; index < items; ++index) {
            auto task = std::make_shared<Task>();
            task->setTaskName(QStringLiteral("Task %1").arg(index));
            task->setCalendarId(category->primaryKey());
            EXPECT_TRUE(task->insertAndDehydrate());
        }
        return category;
    }
    // The category list's window: beside the screen's middle, below its top.
    static QRectF listWindowFrame()
    {
        const QRectF visible = Screen::mainVisibleFrame();
        return QRectF(visible.center().x(), visible.top() + 100, 300, 500);
    }
    // The category list in the window, shown on the screen; null when the
    // window did not show.
    static CategoryListView* showList(Window& main)
    {
        auto* list = new CategoryListView(QRectF(0, 0, 300, 500));
        main.setContentView(list);
        main.makeKeyAndOrderFront();
        return shownOnScreen(main) ? list : nullptr;
    }

    DetailDatabase database;
};

}  // namespace

TEST_F(CategoryDetailOnScreen, ThePanelFitsEachCategoryUnderItsTopEdgeAndItsCloseButtonReverts)
{
    const CalendarPtr full = stored(QStringLiteral("Full"), 0, 3);
    const CalendarPtr empty = stored(QStringLiteral("Empty project"), 1, 0);
    Window main(listWindowFrame(), TitledWindowMask);
    CategoryListView* list = showList(main);
    ASSERT_TRUE(list);

    CategoryListTableView* table = list->categoryListTableView();
    ASSERT_TRUE(table->showPopupCalendarEditDetail(full));
    CategoryDetailPanel* panel = table->categoryDetailPanel();
    ASSERT_TRUE(panel && shownOnScreen(*panel));
    EXPECT_EQ(panel->parentWindow(), &main);
    EXPECT_TRUE(waitUntil([&] { return panel->isKeyWindow(); }));
    const double top = panel->frame().top() + panel->frame().height();
    const double fullHeight = panel->frame().height();

    // Another category in the same panel: shorter, the top edge kept.
    ASSERT_TRUE(table->showPopupCalendarEditDetail(empty));
    ASSERT_TRUE(shownOnScreen(*panel));
    EXPECT_TRUE(waitUntil([&] { return panel->frame().height() < fullHeight; }));
    EXPECT_NEAR(panel->frame().top() + panel->frame().height(), top, 1);
    EXPECT_EQ(panel->categoryDetailView()->frame().height(), 214) << "the info box (184) and the room under it";

    // The colour picker: a popover whose window belongs to the panel.
    ASSERT_TRUE(table->showPopupCalendarEditDetail(full));
    CategoryBoxDetailView* box = panel->categoryDetailView()->boxView();
    pressAndRelease(box->colorBtn(), box->colorBtn()->bounds().center());
    ColorViewController* picker = box->colorViewController();
    ASSERT_TRUE(picker && picker->popover());
    EXPECT_TRUE(waitUntil([&] { return picker->popover()->isShown() && picker->popover()->window()->isVisible(); }));
    const QWindow* pickerWindow = picker->popover()->window()->windowHandle();
    ASSERT_NE(pickerWindow, nullptr);
    EXPECT_EQ(pickerWindow->transientParent(), panel->windowHandle());
    saveScreenshot(panel, QStringLiteral("category-detail-on-screen"));
    Matrix* matrix = static_cast<ColorView*>(picker->customView())->matrix();
    pressAndRelease(matrix, matrix->cellFrameAtRow(3, 6).center());
    EXPECT_EQ(full->colorGroupId() * 8 + full->colorNameId(), 30);

    // The title bar's close, through the window manager: the colour goes back.
    WindowManager::askToClose(panel->windowHandle());
    EXPECT_TRUE(waitUntil([&] { return !panel->isVisible(); }));
    EXPECT_EQ(panel->parentWindow(), nullptr);
    const CalendarPtr reread = Calendar::initWithPrimaryKey(full->primaryKey(), database.handle());
    EXPECT_EQ(reread->colorGroupId() * 8 + reread->colorNameId(), 0);
    EXPECT_EQ(panel->categoryDetailView()->calendar(), nullptr);
}

// Where a widget is on the screen, in Qt's coordinates.
QRect onScreen(const QWidget* widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); }

TEST_F(CategoryDetailOnScreen, TasksTypedOneAfterAnotherInTheQuickAddRowAreEachMadeAndTheNameIsLeftAlone)
{
    const CalendarPtr kitchen = stored(QStringLiteral("Kitchen"), 0, 0);
    const CalendarPtr bathroom = stored(QStringLiteral("Bathroom"), 0, 2);
    Window main(listWindowFrame(), TitledWindowMask);
    CategoryListView* list = showList(main);
    ASSERT_TRUE(list);
    // Kitchen twice: the first add after every opening lost the keyboard.
    for (const CalendarPtr& category : {kitchen, bathroom, kitchen}) {
        SCOPED_TRACE(category->calendarName().toStdString());
        ASSERT_TRUE(list->categoryListTableView()->showPopupCalendarEditDetail(category));
        CategoryDetailPanel* panel = list->categoryListTableView()->categoryDetailPanel();
        ASSERT_TRUE(panel && shownOnScreen(*panel) && waitUntil([&] { return panel->isKeyWindow(); }));
        CategoryDetailListItemView* outline = panel->categoryDetailView()->detailView();
        QLineEdit* row = outline->quickAddField()->editor();
        row->setFocus(Qt::MouseFocusReason);  // what a real press gives first
        Clicks::click(panel, Clicks::inWindow(row, QPointF(20, row->height() / 2.0)));
        const qsizetype before = CoreData::shared()->getTaskBelongToCalendarId(category->primaryKey()).size();
        for (const QString& task : {QStringLiteral("Measure"), QStringLiteral("Order cabinets"), QStringLiteral("Paint")}) {
            typeIntoFocus(task + QLatin1Char('\r'));
            // The next line is typed once the row shows ready, as a person would.
            ASSERT_TRUE(waitUntil([&] {
                QLineEdit* now = outline->quickAddField() ? outline->quickAddField()->editor() : nullptr;
                return now && now->hasFocus() && now->text().isEmpty();
            })) << "the quick-add row lost the keyboard after " << task.toStdString();
        }
        EXPECT_EQ(CoreData::shared()->getTaskBelongToCalendarId(category->primaryKey()).size(), before + 3);
        EXPECT_EQ(panel->categoryDetailView()->boxView()->categoryNameTextField()->stringValue(),
                  category->calendarName());
        panel->performClose();
        ASSERT_TRUE(waitUntil([&] { return !panel->isVisible(); }));
    }
}

TEST_F(CategoryDetailOnScreen, ThePanelOpensLevelWithTheMainWindowOnTheScreenWithEverythingShownAndGrowsDownward)
{
    // The main window as the program hangs it: at the right, under the strip.
    const QRectF visible = Screen::mainVisibleFrame();
    const QRectF mainFrame(visible.right() - 400, visible.y() + 20, 380, visible.height() - 20);
    Window main(mainFrame, TitledWindowMask);
    auto* list = new CategoryListView(QRectF(QPointF(), mainFrame.size()));
    main.setContentView(list);
    main.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(main));
    const QRectF inside = visible.adjusted(-1, -1, 1, 1);
    for (int tasks : {0, 12}) {
        SCOPED_TRACE(tasks);
        ASSERT_TRUE(list->categoryListTableView()->showPopupCalendarEditDetail(stored(QStringLiteral("P"), 0, tasks)));
        CategoryDetailPanel* panel = list->categoryListTableView()->categoryDetailPanel();
        ASSERT_TRUE(panel && shownOnScreen(*panel));
        // Level with the main window's top, or lower by the title bar the
        // manager puts above it where that would reach above the usable area.
        ASSERT_TRUE(waitUntil([&] {
            return !panel->windowHandle()->frameMargins().isNull() &&
                   WindowManager::workArea().contains(panel->frameGeometry());
        }));
        const double titleBar = panel->windowHandle()->frameMargins().top();
        EXPECT_NEAR(panel->frame().y() + panel->frame().height(),
                    std::min(mainFrame.y() + mainFrame.height(), visible.y() + visible.height() - titleBar), 1);
        EXPECT_TRUE(inside.contains(panel->frame()));
        EXPECT_TRUE(waitUntil([&] { return panel->categoryDetailView()->hasFocus(); })) << "not the name";
        CategoryDetailView* view = panel->categoryDetailView();
        CategoryDetailListItemView* outline = view->detailView();
        const QRect shown = onScreen(panel).intersected(onScreen(view->scrollView()));
        EXPECT_GE(shown.top(), onScreen(view->categoryInfoBox()).bottom()) << "the info box is whole";
        EXPECT_LE(onScreen(view->boxView()->transparentBtn()).bottom(), onScreen(view->boxView()->okBtn()).top() - 8);
        EXPECT_LE(onScreen(outline->rootItems().front()->showHide()).right(), shown.right()) << "Hide done is whole";
        EXPECT_TRUE(shown.contains(onScreen(outline->quickAddField()))) << "the outline shows";
        saveScreenshot(panel, QStringLiteral("category-detail-panel-%1x%2-%3-tasks")
                                  .arg(Screen::mainFrame().width()).arg(Screen::mainFrame().height()).arg(tasks));
        // A task added: "Add a task" stays under the pointer.
        const QPoint row = onScreen(outline->quickAddField()).topLeft();
        outline->quickAddField()->setStringValue(QStringLiteral("One more"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(outline->quickAddField()->editor(), &enter);
        EXPECT_TRUE(waitUntil([&] {
            return outline->quickAddField() && outline->quickAddField()->stringValue().isEmpty() &&
                   onScreen(outline->quickAddField()).topLeft() == row && inside.contains(panel->frame());
        }));
        panel->performClose();
        ASSERT_TRUE(waitUntil([&] { return !panel->isVisible(); }));
    }
}

}  // namespace CategoryDetailOnScreenTests

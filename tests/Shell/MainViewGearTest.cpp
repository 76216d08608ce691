// The gear menu of the main window: its rows, its key equivalents as
// shortcuts of the window, the hidden add commands, the preferences, the
// user guide and the About panel.
#include "GearSyncFixture.h"

#include "AboutUsPanel.h"
#include "AddView.h"
#include "Button.h"
#include "EditorPages.h"
#include "Task.h"
#include "TaskDetailView.h"
#include "FakeFilePicker.h"
#include "Menu.h"
#include "PopUpButton.h"
#include "Preferences.h"
#include "QuickAddView.h"
#include "Screen.h"
#include "SegmentedControl.h"
#include "TextTable.h"

#include <QFileInfo>

#include <cmath>
#include <gtest/gtest.h>

#include <functional>

namespace MainViewGearTests {

namespace {

class MainViewGearTest : public GearSyncTest {
protected:
    AddView& addView() { return *m_view->quickAddView()->addView(); }

    // The rows of a menu as "title|key", separators as "-", submenus as
    // "title>" followed by their rows and "<".
    static QStringList outline(const Menu& menu)
    {
        QStringList rows;
        for (const MenuItem& item : menu.items()) {
            if (item.separator) {
                rows << QStringLiteral("-");
            } else if (item.submenu) {
                rows << item.title + QLatin1Char('>');
                rows << outline(*item.submenu);
                rows << QStringLiteral("<");
            } else {
                rows << item.title + QLatin1Char('|') + item.keyEquivalent;
            }
        }
        return rows;
    }
};

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

}  // namespace

TEST_F(MainViewGearTest, TheGearSitsAtTheLeftOfTheBottomBarWithItsSubmenusInOrder)
{
    MainView& view = openMainView(false);
    PopUpButton* gear = view.settingBtn();
    ASSERT_NE(gear, nullptr);
    EXPECT_EQ(gear->superview(), &view);
    EXPECT_EQ(gear->frame(), QRectF(7, H - 40, 38, 40));
    EXPECT_TRUE(gear->pullsDown());
    EXPECT_FALSE(gear->shownItem()->image.isNull()) << "the face is the gear picture";
    ASSERT_NE(gear->pullDownMenu(), nullptr);
    EXPECT_EQ(gear->choicesMenu().title(), QStringLiteral("Setting"));

    const QString left{QChar(KeyCharacter::LeftArrow)}, right{QChar(KeyCharacter::RightArrow)},
        up{QChar(KeyCharacter::UpArrow)};
    const QStringList expected = {
        text("actionShorcutsText") + ">",
        text("newEventText") + "|n", text("newTaskText") + "|k", text("newNoteText") + "|o",
        text("newProjText") + "|/", "-", text("backupText") + "|b", text("restoreText") + "|r",
        text("syncText") + "|s", "<", "-",
        text("viewingShorcutsText") + ">",
        text("showhideListText") + "|l", text("showhideMonthNavText") + "|.", "-", text("dayViewText") + "|d",
        text("weekViewText") + "|w", text("monthViewText") + "|m", "-", text("inscreaseFontSizeText") + "|+",
        text("descreaseFontSizeText") + "|-", "<", "-",
        text("popdownPositionText") + ">",
        text("dockedToLeftSideOfScreenText") + "|" + left, text("dockedToRightSideOfScreenText") + "|" + right,
        text("nodockedText") + "|" + up, "<", "-",
        text("preferenceText") + "|,", text("onlineHelpText") + "|h", text("aboutText") + "|", "-",
        text("quitText") + "|q"};
    EXPECT_EQ(outline(*gear->pullDownMenu()), expected);

    // Every row uses Ctrl alone, and each submenu is titled like its row.
    std::function<void(const Menu&)> check = [&check](const Menu& menu) {
        for (const MenuItem& item : menu.items()) {
            if (item.submenu) {
                EXPECT_EQ(item.submenu->title(), item.title);
                check(*item.submenu);
            } else if (!item.separator) {
                EXPECT_EQ(item.keyEquivalentModifierMask, unsigned(CommandKeyMask)) << item.title.toStdString();
                EXPECT_EQ(item.state, int(OffState));
            }
        }
    };
    check(*gear->pullDownMenu());
}

TEST_F(MainViewGearTest, TheAddShortcutsOpenTheAddFormOnTheirEditor)
{
    struct Case {
        Qt::Key key;
        int editor;
        bool setsQuickAdd;
    };
    const Case cases[] = {
        {Qt::Key_N, AddView::EventEditor, true},
        {Qt::Key_K, AddView::TaskEditor, true},
        {Qt::Key_O, AddView::NoteEditor, false},
        {Qt::Key_Slash, AddView::ProjectEditor, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.editor);
        openMainView();
        QuickAddView& bar = *m_view->quickAddView();
        pressKey(c.key);
        EXPECT_FALSE(addView().isHidden());
        EXPECT_EQ(addView().shownEditor(), c.editor);
        EXPECT_EQ(addView().menuSegmentedControl()->selectedSegment(), c.editor);
        EXPECT_EQ(bar.isQuickAdd(), c.setsQuickAdd);
        EXPECT_TRUE(bar.isAdding());
        if (c.setsQuickAdd) {
            EXPECT_EQ(bar.frame().height(), double(mainViewHeight) - 35);
        }
    }

    // The note command leaves the flag as another command set it.
    pressKey(Qt::Key_K);
    pressKey(Qt::Key_O);
    EXPECT_EQ(addView().shownEditor(), AddView::NoteEditor);
    EXPECT_TRUE(m_view->quickAddView()->isQuickAdd());
}

TEST_F(MainViewGearTest, TheViewAndWindowShortcutsRunTheirCommands)
{
    MainView& view = openMainView();
    int reopened = 0;
    view.setOpenWindowHandler([&reopened] { ++reopened; });

    const bool listShown = view.showHideBtn()->state() == 1;
    pressKey(Qt::Key_L);
    EXPECT_EQ(view.showHideBtn()->state() == 1, !listShown);

    const bool navShowing = setting().navShowing();
    pressKey(Qt::Key_Period);
    EXPECT_EQ(setting().navShowing(), !navShowing);

    setting().setCurrentFontSize(13);
    pressKey(Qt::Key_Plus);
    EXPECT_FLOAT_EQ(setting().currentFontSize(), 13.5f);
    pressKey(Qt::Key_Minus);
    pressKey(Qt::Key_Minus);
    EXPECT_FLOAT_EQ(setting().currentFontSize(), 12.5f);

    pressKey(Qt::Key_Left);
    EXPECT_TRUE(view.isDockedLeft());
    pressKey(Qt::Key_Right);
    EXPECT_TRUE(view.isDockedRight());
    pressKey(Qt::Key_Up);
    EXPECT_FALSE(view.isDockedLeft() || view.isDockedRight());
    EXPECT_FALSE(view.isPinned());

    pressKey(Qt::Key_W);
    EXPECT_EQ(setting().isWeekPlannerPinned(), 1);
    EXPECT_TRUE(view.isPlannerExpand());
    pressKey(Qt::Key_M);
    EXPECT_EQ(setting().isMonthPlannerPinned(), 1);
    EXPECT_EQ(setting().isWeekPlannerPinned(), 0);
    pressKey(Qt::Key_D);
    EXPECT_FALSE(view.isPlannerExpand());
    EXPECT_EQ(setting().isMonthPlannerPinned(), 0);

    // A bare letter is typing, not a shortcut.
    pressKey(Qt::Key_W, Qt::NoModifier);
    EXPECT_FALSE(view.isPlannerExpand());

    // Back Up asks where to save, Restore which file to open.
    FakeFilePicker picker;
    picker.scriptCancel();
    picker.scriptCancel();
    pressKey(Qt::Key_B);
    pressKey(Qt::Key_R);
    ASSERT_EQ(picker.shown().size(), 2);
    EXPECT_TRUE(picker.shown()[0].save);
    EXPECT_FALSE(picker.shown()[1].save);
}

TEST_F(MainViewGearTest, UndockingWhileAPlannerIsPinnedChangesNothing)
{
    MainView& view = openMainView();
    int reopened = 0;
    view.setOpenWindowHandler([&reopened] { ++reopened; });
    pressKey(Qt::Key_M);  // the month planner docks the window on the right
    ASSERT_TRUE(view.isPlannerExpand());
    view.dockRight();
    const int opened = reopened;
    const qint64 dockStatus = setting().dockStatus();

    pressKey(Qt::Key_Up);
    EXPECT_TRUE(view.isDockedRight());
    EXPECT_TRUE(view.isPinned());
    EXPECT_EQ(setting().dockStatus(), dockStatus);
    EXPECT_EQ(reopened, opened);
}

TEST_F(MainViewGearTest, ASecondPreferenceReusesTheWindowAndGoesBackToGeneral)
{
    MainView& view = openMainView();
    EXPECT_EQ(view.pref(), nullptr) << "made on first use only";
    pressKey(Qt::Key_Comma);
    Preferences* first = view.pref();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->selectedItemIdentifier(), text("generalText"));
    EXPECT_TRUE(first->isVisible());

    first->sync(nullptr);
    first->hide();
    view.preference();
    EXPECT_EQ(view.pref(), first);
    EXPECT_EQ(first->selectedItemIdentifier(), text("generalText"));
    EXPECT_TRUE(first->isVisible());
}

TEST_F(MainViewGearTest, TheGuideIsThePagesOwnFileOpenedInTheBrowser)
{
    openMainView();
    const QUrl guide = MainView::onlineGuideAddress();
    ASSERT_TRUE(guide.isLocalFile());
    EXPECT_TRUE(QFileInfo(guide.toLocalFile()).isFile()) << "the guide ships with the program";
    EXPECT_TRUE(UrlOpener::isOpenable(guide));

    pressKey(Qt::Key_H);
    EXPECT_EQ(pages.openedUrls(), QList<QUrl>({guide}));
    EXPECT_TRUE(alerts.requests().isEmpty());

    // A desktop that cannot open it (no browser): the person is told, with
    // the file to open by other means.
    pages.setDesktopFails(true);
    alerts.scriptButton(1000);
    m_view->help();
    EXPECT_EQ(pages.openedUrls().size(), 2);
    ASSERT_EQ(alerts.requests().size(), 1);
    const AlertRequest told = alerts.requests().front();
    EXPECT_EQ(told.messageText, text("guideNotOpenedText"));
    EXPECT_EQ(told.informativeText, text("guideNotOpenedMessage").arg(guide.toLocalFile()));
    EXPECT_EQ(told.buttonTitles, QStringList{text("okText")});
}

TEST_F(MainViewGearTest, TheAboutPanelMovesOnlySidewaysToTheMainWindowsCentre)
{
    MainView& view = openMainView(true, QPointF(200, 40));
    view.about();
    AboutUsPanel* panel = view.aboutPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->parentWindow(), m_window.get()) << "a child window of the main window";
    const QRectF main = m_window->frame();
    const QRectF placed = panel->frame();
    EXPECT_NEAR(placed.center().x(), main.center().x(), 1.0);
    // Its own height: its lower edge 100 points below the screen's middle,
    // not the bottom edge.
    const QRectF visible = Screen::mainVisibleFrame();
    const QRectF screen = Screen::mainFrame();
    EXPECT_NEAR(placed.y(), screen.y() + std::round((screen.height() - 200) / 2), 1.0);

    // Moved up and aside by the user, it comes back across, at its own height.
    panel->setFrameOrigin(QPointF(10, placed.y() + 37));
    view.about();
    EXPECT_EQ(view.aboutPanel(), panel) << "made once and kept";
    EXPECT_NEAR(panel->frame().center().x(), main.center().x(), 1.0);
    EXPECT_NEAR(panel->frame().y(), placed.y() + 37, 1.0);

    // Beside a main window at the screen's edge it stays on the screen.
    m_window->setFrameOrigin(QPointF(visible.right() - 100, main.y()));
    view.about();
    EXPECT_TRUE(visible.contains(panel->frame()));
}

TEST_F(MainViewGearTest, TheMainViewLetsThePopoverControllerOpenTasksInTheTaskEditor)
{
    EditorPages::setTaskEditorMaker({});
    openMainView(false);
    ASSERT_TRUE(EditorPages::taskEditorMaker());
    auto task = std::make_shared<Task>();
    task->setTaskName(QStringLiteral("Call the plumber"));
    View anchor(QRectF(0, 0, 50, 20));
    const EditorContent content = EditorPages::taskEditorMaker()(task, &anchor);
    auto* form = qobject_cast<TaskDetailView*>(content.view);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->frame().width(), 280);
    EXPECT_TRUE(content.revertInfo);
    content.revertInfo();
    delete content.view;
    EditorPages::setTaskEditorMaker({});
}

}  // namespace MainViewGearTests

// The tag filter popover and its tag table over a real data manager:
// creating, checking, applying and deleting tags with constructed events.
#include "CategoriesTestFixture.h"
#include "Button.h"
#include "CustomNSTextField_Background.h"
#include "Event.h"
#include "Menu.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Popover.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Tag.h"
#include "TagItemView.h"
#include "TagTableView.h"
#include "TagTokenDetailView.h"
#include "TagView.h"
#include "TagViewController.h"
#include "TestEnvironment.h"
#include "TextTable.h"
#include "../Model/PostedNotifications.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace TagFilterTests {
namespace {

class TagFilterTest : public CategoriesViewTest {
protected:
    void addTags(const QStringList& names)
    {
        for (const QString& name : names) dataManager().insertTagIfNA(name, 0);
    }

    // Opens the popover at the anchor, as the main view's button does.
    TagView* open()
    {
        controller.tagViewPopOverAtPositionView(anchor);
        return qobject_cast<TagView*>(controller.customView());
    }

    QStringList tagNames()
    {
        QStringList names;
        for (const TagPtr& tag : dataManager().tagList()) names << tag->tagName();
        return names;
    }

    // Types the text into the entry field and leaves it with Return.
    static void typeAndLeave(TextField* field, const QString& text)
    {
        QLineEdit* editor = field->editor();
        editor->setFocus();
        for (const QChar ch : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(editor, &key);
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(editor, &enter);
    }

    static void click(Button* button) { Clicks::click(button->window(), Clicks::inWindow(button, QPointF(8, 8))); }

    static void pressKey(QWidget* widget, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    }

    static QList<int> boxes(TagView* view)
    {
        QList<int> states;
        for (int row = 0; row < int(view->tagTableView()->tags().size()); ++row)
            states << view->tagTableView()->rowAt(row)->showHideBtn()->state();
        return states;
    }

    TagViewController controller;
};

TEST_F(TagFilterTest, TheViewGrowsWithItsTagsUpToTenRowsThenScrolls)
{
    struct Case {
        int tags;
        double viewHeight, scrollHeight;
    };
    for (const Case c : {Case{0, 88, 0}, Case{3, 172, 84}, Case{12, 368, 280}}) {
        SCOPED_TRACE(c.tags);
        while (dataManager().tagList().size() < c.tags)
            dataManager().insertTagIfNA(QStringLiteral("tag %1").arg(dataManager().tagList().size()), 0);
        TagView* view = open();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->tagTableView()->verticalSpacing(), 2) << "the platform's row spacing is kept";
        EXPECT_EQ(view->frame().size(), QSizeF(230, c.viewHeight));
        EXPECT_EQ(view->tagScrollView()->frame().height(), c.scrollHeight);
        EXPECT_EQ(view->applyBtn()->frame(), QRectF(230 - 93, c.viewHeight - 24, 90, 24)) << "on the bottom edge";
        EXPECT_EQ(controller.popover()->window()->height(), int(c.viewHeight) + 2);
        EXPECT_EQ(view->tagTableView()->heightOfAllRows() > view->tagScrollView()->contentSize().height(),
                  c.tags > TagView::maximumVisibleRows);
        if (c.tags > TagView::maximumVisibleRows)
            EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("tag-popover-many")).isEmpty());
    }
}

TEST_F(TagFilterTest, RowsOutOfViewKeepTheirTagsFlagsWhenTheFilterIsApplied)
{
    for (int i = 0; i < 12; ++i) dataManager().insertTagIfNA(QStringLiteral("t%1").arg(i), 0);
    dataManager().tagList()[11]->setIsHidden(true);
    TagView* view = open();
    ASSERT_NE(view, nullptr);
    click(view->tagTableView()->rowAt(0)->showHideBtn());
    click(view->applyBtn());
    QStringList shown;
    for (int i = 1; i <= 10; ++i) shown << QStringLiteral("t%1").arg(i);
    EXPECT_EQ(dataManager().getShowTag(), shown);
}

TEST_F(TagFilterTest, LeavingTheEntryFieldCreatesATagOnlyForANewVisibleName)
{
    struct Case {
        const char* typed;
        QStringList tagsAfter;
        QList<qint64> syncRequests;
        qint64 autoSync;
    };
    const Case cases[] = {
        {"Gym", {"Gym"}, {4}, 0},
        {"GYM", {"Gym"}, {}, 1},
        {" g y m ", {"Gym"}, {}, 0},
        {"   ", {"Gym"}, {}, 0},
        {" Run ", {"Gym", " Run "}, {4}, 1},  // stored as typed
    };
    TagView* view = open();
    ASSERT_NE(view, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        setting().setAutoZVWSync(c.autoSync);
        PostedNotifications posted({kAutoSyncNotification});
        typeAndLeave(view->addNewTag(), QString::fromLatin1(c.typed));
        EXPECT_EQ(tagNames(), c.tagsAfter);
        EXPECT_EQ(posted.autoSyncRequests(), c.syncRequests) << "whether automatic sync is on or not";
        EXPECT_TRUE(view->addNewTag()->stringValue().isEmpty()) << "the field empties";
        EXPECT_EQ(view->tagTableView()->tags().size(), c.tagsAfter.size()) << "the table is reloaded";
        EXPECT_TRUE(controller.popover()->isShown());
    }
}

TEST_F(TagFilterTest, AllAndNoneChangeTheBoxesOnlyAndApplyAndNoFilterRebuildTheLists)
{
    addTags({"Work", "Home", "Garden"});
    const CalendarPtr tagged = addCategory(0, 0, QStringLiteral("/Work"));
    const CalendarPtr plain = addCategory(0, 0, QString());
    itemIn(tagged, QStringLiteral("a1"), QStringLiteral("/Home"));
    itemIn(tagged, QStringLiteral("a2"));
    itemIn(plain, QStringLiteral("b1"), QStringLiteral("/Homework"));
    itemIn(plain, QStringLiteral("b2"), QStringLiteral("/Garden"));
    itemIn(plain, QStringLiteral("b3"));
    const QStringList everything{"a1", "a2", "b1", "b2", "b3"};
    dataManager().addTasksToListFromCalendarList({tagged->primaryKey(), plain->primaryKey()});
    ASSERT_EQ(listedNames(), everything);

    struct Case {
        const char* name;
        QList<int> ticks;  // Work, Home, Garden
        QStringList listed;
    };
    const Case cases[] = {
        {"none ticked", {0, 0, 0}, {"b3"}},
        {"a category's tag", {1, 0, 0}, {"a1", "a2", "b1"}},  // "Work" also passes "Homework"
        {"all ticked", {1, 1, 1}, {"a1", "a2", "b1", "b2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        main.tagButtonState = 1;
        TagView* view = open();
        ASSERT_NE(view, nullptr);
        const QStringList before = listedNames();
        const bool appliedBefore = dataManager().isAppliedTagFilter();
        click(view->showNoneBtn());
        EXPECT_EQ(boxes(view), (QList<int>{0, 0, 0}));
        click(view->showAllBtn());
        EXPECT_EQ(boxes(view), (QList<int>{1, 1, 1}));
        EXPECT_EQ(listedNames(), before) << "All and None leave the lists";
        EXPECT_EQ(dataManager().isAppliedTagFilter(), appliedBefore);
        for (int row = 0; row < 3; ++row)
            if (c.ticks[row] == 0) click(view->tagTableView()->rowAt(row)->showHideBtn());
        EXPECT_EQ(boxes(view), c.ticks);
        if (c.ticks == QList<int>{1, 0, 0}) {
            view->tagTableView()->selectRowIndexes({1}, false);
            EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("tag-popover")).isEmpty());
        }

        PostedNotifications posted({kAutoSyncNotification});
        click(view->applyBtn());
        EXPECT_EQ(listedNames(), c.listed);
        EXPECT_EQ(main.tagButtonImage, QStringLiteral("tag_selected"));
        EXPECT_TRUE(dataManager().isAppliedTagFilter());
        EXPECT_EQ(controller.popover(), nullptr) << "the popover closed";
        EXPECT_FALSE(main.hasPopupFlag);
        EXPECT_TRUE(posted.autoSyncRequests().isEmpty()) << "the filter asks for no sync";
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(dataManager().tagList()[row]->isHidden(), c.ticks[row] == 0);
    }

    TagView* view = open();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(boxes(view), (QList<int>{1, 1, 1}));
    click(view->showNoneBtn());
    click(view->nofilterBtn());
    EXPECT_EQ(listedNames(), everything);
    EXPECT_EQ(dataManager().getShowTag(), (QStringList{"Work", "Home", "Garden"})) << "every tag shown again";
    EXPECT_EQ(main.tagButtonImage, QStringLiteral("tag_normal"));
    EXPECT_FALSE(dataManager().isAppliedTagFilter());
    EXPECT_EQ(controller.popover(), nullptr);
}

TEST_F(TagFilterTest, TheDeleteKeyAndTheMenuDeleteTheSelectedTagAfterTheQuestionWhileItIsWanted)
{
    struct Case {
        const char* name;
        qint64 warning;
        bool answer;            // whether a question is scripted
        int button;
        bool suppressed;
        bool deleted;
        qint64 warningAfter;
        bool byMenu;
    };
    const Case cases[] = {
        {"no warning", 0, false, 0, false, true, 0, false},
        {"OK", 1, true, AlertResponse::firstButton, false, true, 1, false},
        {"Cancel with the box", 1, true, AlertResponse::firstButton + 1, true, false, 0, false},
        {"OK with the box, from the menu", 1, true, AlertResponse::firstButton, true, true, 0, true},
    };
    const CalendarPtr category = addCategory();
    const TaskPtr item = itemIn(category, QStringLiteral("carrier"), QStringLiteral("/Old"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        addTags({"Keep", "Old"});
        setting().setShowWarningDeleteTag(c.warning);
        TagView* view = open();
        ASSERT_NE(view, nullptr);
        TagTableView* table = view->tagTableView();
        if (c.answer) alerts.scriptButton(c.button, c.suppressed);
        const int before = int(alerts.requests().size());
        if (c.byMenu) {
            Event right;
            right.type = EventType::RightMouseDown;
            right.locationInWindow = table->convertPointToWindow(table->rectOfRow(1).center());
            const Menu menu = table->menuForEvent(right);
            EXPECT_EQ(table->selectedRow(), 1) << "the row under the pointer is selected alone";
            ASSERT_EQ(menu.numberOfItems(), 1);
            EXPECT_EQ(menu.title(), QStringLiteral("RightClick"));
            EXPECT_EQ(menu.items()[0].title, TextTable::localizedString(QStringLiteral("menuDelete")));
            menu.items()[0].action();
        } else {
            table->selectRowIndexes({1}, false);
            pressKey(table, Qt::Key_Backspace);
        }
        if (c.answer) {
            ASSERT_EQ(alerts.requests().size(), before + 1);
            const AlertRequest& question = alerts.requests().last();
            EXPECT_EQ(question.messageText, TextTable::localizedString(QStringLiteral("deleteTagText")));
            EXPECT_EQ(question.informativeText, TextTable::localizedString(QStringLiteral("deleteTagMessage")));
            EXPECT_EQ(question.buttonTitles, (QStringList{TextTable::localizedString(QStringLiteral("okText")),
                                                          TextTable::localizedString(QStringLiteral("cancelText"))}));
            EXPECT_TRUE(question.showsSuppressionButton);
        } else {
            EXPECT_EQ(alerts.requests().size(), before);
        }
        EXPECT_EQ(tagNames(), c.deleted ? QStringList{"Keep"} : (QStringList{"Keep", "Old"}));
        EXPECT_EQ(table->tags().size(), tagNames().size());
        EXPECT_EQ(setting().showWarningDeleteTag(), c.warningAfter);
        if (c.answer)
            EXPECT_EQ(queryInt(QStringLiteral("SELECT showWarningDeleteTag FROM Settings")), c.warningAfter)
                << "the settings are saved after either answer";
        EXPECT_TRUE(setting().zvwDeletedTag().isEmpty()) << "the tag was never on the web service";
        EXPECT_EQ(item->tagList(), QStringLiteral("/Old")) << "items keep the name";
        EXPECT_EQ(TagTokenDetailView::completionsForSubstring(QStringLiteral("Ol")).isEmpty(), c.deleted);
        controller.shouldClose();
    }
}

TEST_F(TagFilterTest, DeleteWithoutASelectionOrARightClickBelowTheRowsDoesNothing)
{
    addTags({"Keep"});
    setting().setShowWarningDeleteTag(0);
    TagView* view = open();
    TagTableView* table = view->tagTableView();
    pressKey(table, Qt::Key_Backspace);
    Event right;
    right.type = EventType::RightMouseDown;
    right.locationInWindow = table->convertPointToWindow(QPointF(20, table->yPositionPastLastRow() + 30));
    EXPECT_EQ(table->menuForEvent(right).numberOfItems(), 0);
    table->selectRowIndexes({0}, false);
    pressKey(table, Qt::Key_Down);
    EXPECT_EQ(table->selectedRow(), 0) << "arrows are ignored";
    EXPECT_EQ(tagNames(), QStringList{"Keep"});
    // A selected row is filled in the list's yellow.
    const QImage row = table->rowAt(0)->grab().toImage();
    EXPECT_EQ(row.pixelColor(row.width() - 3, 3).toRgb(), TagItemView::selectionColor().toRgb());
}

TEST_F(TagFilterTest, NoRowLeavesWhileAnotherQuestionIsStillOpen)
{
    addTags({"Keep", "Old"});
    setting().setShowWarningDeleteTag(0);
    TagView* view = open();
    TagTableView* table = view->tagTableView();
    table->selectRowIndexes({1}, false);
    // The delete is asked for from inside a question the user has not answered yet.
    alerts.scriptButton(AlertResponse::firstButton);
    bool asked = false;
    alerts.setWhileRunning([&] {
        if (asked) return;
        asked = true;
        table->applyDelete();
        EXPECT_EQ(table->tags().size(), 2) << "the rows stay while the question is up";
    });
    AlertRequest outer;
    outer.messageText = QStringLiteral("another question");
    AlertPresenter::current().runModal(outer);
    EXPECT_TRUE(processEventsUntil([&] { return tagNames() == QStringList{"Keep"}; }));
    EXPECT_EQ(table->tags().size(), 1);
}

TEST_F(TagFilterTest, TheTipButtonShowsOnlyWhileThePointerIsOverTheTopStrip)
{
    TagView* view = open();
    ASSERT_NE(view, nullptr);
    struct Case {
        double y;
        bool shown;
    };
    for (const Case c : {Case{10, true}, Case{40, false}, Case{19, true}, Case{70, false}}) {
        SCOPED_TRACE(c.y);
        const QPoint at = Clicks::inWindow(view, view->toQt(QPointF(60, c.y)));
        QMouseEvent move(QEvent::MouseMove, view->mapFrom(view->window(), at), view->window()->mapToGlobal(at),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        EXPECT_EQ(!view->guruBtn()->isHidden(), c.shown);
    }
    view->guruBtn()->setHidden(false);
    click(view->guruBtn());
    ASSERT_NE(view->guruViewController(), nullptr);
    EXPECT_EQ(view->guruViewController()->shownType(), 4);
}

}  // namespace
}  // namespace TagFilterTests

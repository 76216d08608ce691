// The tag filter popover and its tag table over a real data manager:
// creating, ticking, applying and deleting tags with constructed events.
#include "CategoriesTestFixture.h"
#include "Button.h"
#include "CustomNSTextField_Background.h"
#include "Event.h"
#include "Menu.h"
#include "Popover.h"
#include "Screenshot.h"
#include "ScrollView.h"
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
    // Opened at the anchor, as the main view's button does.
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
    static void press(QWidget* widget, int key, const QString& text = QString())
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(widget, &event);
    }
    static void click(Button* button) { Clicks::click(button->window(), Clicks::inWindow(button, QPointF(8, 8))); }
    static QList<int> boxes(TagView* view)
    {
        QList<int> states;
        for (int row = 0; row < int(view->tagTableView()->tags().size()); ++row)
            states << view->tagTableView()->rowAt(row)->showHideBtn()->state();
        return states;
    }
    static Event rightClickAt(TagTableView* table, const QPointF& point)
    {
        Event event;
        event.type = EventType::RightMouseDown;
        event.locationInWindow = table->convertPointToWindow(point);
        return event;
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
        while (dataManager().tagList().size() < c.tags) addTags({QStringLiteral("tag %1").arg(dataManager().tagList().size())});
        TagView* view = open();
        EXPECT_EQ(view->frame().size(), QSizeF(230, c.viewHeight));
        EXPECT_EQ(view->tagScrollView()->frame().height(), c.scrollHeight);
        EXPECT_EQ(view->applyBtn()->frame(), QRectF(230 - 93, c.viewHeight - 24, 90, 24)) << "on the bottom edge";
        EXPECT_EQ(controller.popover()->window()->height(), int(c.viewHeight) + 2);
        EXPECT_EQ(view->tagTableView()->heightOfAllRows() > c.scrollHeight, c.tags > TagView::maximumVisibleRows);
    }
    EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("tag-popover-many")).isEmpty());
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
        {"Gym", {"Gym"}, {4}, 0},          {"GYM", {"Gym"}, {}, 1}, {" g y m ", {"Gym"}, {}, 0},
        {"   ", {"Gym"}, {}, 0},           {" Run ", {"Gym", " Run "}, {4}, 1},  // stored as typed
    };
    TagView* view = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        setting().setAutoZVWSync(c.autoSync);
        PostedNotifications posted({kAutoSyncNotification});
        for (const QChar ch : QString::fromLatin1(c.typed)) press(view->addNewTag()->editor(), 0, QString(ch));
        press(view->addNewTag()->editor(), Qt::Key_Return);
        EXPECT_EQ(tagNames(), c.tagsAfter);
        EXPECT_EQ(posted.autoSyncRequests(), c.syncRequests) << "whether automatic sync is on or not";
        EXPECT_TRUE(view->addNewTag()->stringValue().isEmpty()) << "the field empties";
        EXPECT_EQ(view->tagTableView()->tags().size(), c.tagsAfter.size()) << "the table is reloaded";
    }
}

TEST_F(TagFilterTest, AllAndNoneChangeTheBoxesOnlyAndApplyAndNoFilterRebuildTheLists)
{
    addTags({"Work", "Home", "Garden"});
    const CalendarPtr tagged = addCategory(0, 0, QStringLiteral("/Work"));
    const CalendarPtr plain = addCategory();
    itemIn(tagged, QStringLiteral("a1"), QStringLiteral("/Home"));
    itemIn(tagged, QStringLiteral("a2"));
    itemIn(plain, QStringLiteral("b1"), QStringLiteral("/Homework"));
    itemIn(plain, QStringLiteral("b2"), QStringLiteral("/Garden"));
    itemIn(plain, QStringLiteral("b3"));
    const QStringList everything{"a1", "a2", "b1", "b2", "b3"};
    dataManager().addTasksToListFromCalendarList({tagged->primaryKey(), plain->primaryKey()});
    struct Case {
        QList<int> ticks;  // Work, Home, Garden
        QStringList listed;
    };
    const Case cases[] = {
        {{0, 0, 0}, {"b3"}},                     // untagged items of untagged categories
        {{1, 0, 0}, {"a1", "a2", "b1"}},         // the whole Work category; "Homework" passes "Work"
        {{1, 1, 1}, {"a1", "a2", "b1", "b2"}},   // not the same as no filter
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listed.join(QLatin1Char(',')).toStdString());
        TagView* view = open();
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
        view->tagTableView()->selectRowIndexes({1}, false);
        saveScreenshot(controller.popover()->window(), QStringLiteral("tag-popover"));

        PostedNotifications posted({kAutoSyncNotification});
        click(view->applyBtn());
        EXPECT_EQ(listedNames(), c.listed);
        EXPECT_EQ(main.tagButtonImage, QStringLiteral("tag_selected"));
        EXPECT_TRUE(dataManager().isAppliedTagFilter());
        EXPECT_EQ(controller.popover(), nullptr) << "the popover closed";
        EXPECT_TRUE(posted.autoSyncRequests().isEmpty()) << "the filter asks for no sync";
    }
    TagView* view = open();
    click(view->showNoneBtn());
    click(view->nofilterBtn());
    EXPECT_EQ(listedNames(), everything);
    EXPECT_EQ(dataManager().getShowTag(), (QStringList{"Work", "Home", "Garden"})) << "every tag shown again";
    EXPECT_EQ(main.tagButtonImage, QStringLiteral("tag_normal"));
    EXPECT_FALSE(dataManager().isAppliedTagFilter());
    EXPECT_EQ(controller.popover(), nullptr);
}

TEST_F(TagFilterTest, RowsOutOfViewKeepTheirTagsFlagsWhenTheFilterIsApplied)
{
    for (int i = 0; i < 12; ++i) addTags({QStringLiteral("t%1").arg(i)});
    dataManager().tagList()[11]->setIsHidden(true);
    TagView* view = open();
    click(view->tagTableView()->rowAt(0)->showHideBtn());
    click(view->applyBtn());
    QStringList shown;
    for (int i = 1; i <= 10; ++i) shown << QStringLiteral("t%1").arg(i);
    EXPECT_EQ(dataManager().getShowTag(), shown);
}

TEST_F(TagFilterTest, TheDeleteKeyAndTheMenuDeleteTheSelectedTagAfterTheQuestionWhileItIsWanted)
{
    struct Case {
        qint64 warning;
        int button;  // 0: no question
        bool suppressed, deleted, byMenu;
        qint64 warningAfter;
    };
    const int ok = AlertResponse::firstButton, cancel = ok + 1;
    const Case cases[] = {{0, 0, false, true, false, 0},
                          {1, ok, false, true, false, 1},
                          {1, cancel, true, false, false, 0},  // off for later deletes all the same
                          {1, ok, true, true, true, 0}};
    const TaskPtr item = itemIn(addCategory(), QStringLiteral("carrier"), QStringLiteral("/Old"));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.warning << " " << c.button << " " << c.byMenu);
        addTags({"Keep", "Old"});
        setting().setShowWarningDeleteTag(c.warning);
        TagTableView* table = open()->tagTableView();
        if (c.button) alerts.scriptButton(c.button, c.suppressed);
        const qsizetype asked = alerts.requests().size();
        if (c.byMenu) {
            // A right click on a row that is not selected selects it alone.
            const Menu menu = table->menuForEvent(rightClickAt(table, table->rectOfRow(1).center()));
            EXPECT_EQ(table->selectedRow(), 1);
            ASSERT_EQ(menu.numberOfItems(), 1);
            EXPECT_EQ(menu.title(), QStringLiteral("RightClick"));
            EXPECT_EQ(menu.items()[0].title, TextTable::localizedString(QStringLiteral("menuDelete")));
            menu.items()[0].action();
        } else {
            table->selectRowIndexes({1}, false);
            press(table, Qt::Key_Backspace);
        }
        ASSERT_EQ(alerts.requests().size(), asked + (c.button ? 1 : 0));
        if (c.button) {
            const AlertRequest question = alerts.requests().last();
            EXPECT_EQ(question.messageText, TextTable::localizedString(QStringLiteral("deleteTagText")));
            EXPECT_EQ(question.informativeText, TextTable::localizedString(QStringLiteral("deleteTagMessage")));
            EXPECT_EQ(question.buttonTitles, (QStringList{TextTable::localizedString(QStringLiteral("okText")),
                                                          TextTable::localizedString(QStringLiteral("cancelText"))}));
            EXPECT_TRUE(question.showsSuppressionButton);
            EXPECT_EQ(queryInt(QStringLiteral("SELECT showWarningDeleteTag FROM Settings")), c.warningAfter)
                << "saved after either answer";
        }
        EXPECT_EQ(tagNames(), c.deleted ? QStringList{"Keep"} : (QStringList{"Keep", "Old"}));
        EXPECT_EQ(table->tags().size(), tagNames().size());
        EXPECT_EQ(setting().showWarningDeleteTag(), c.warningAfter);
        EXPECT_TRUE(setting().zvwDeletedTag().isEmpty()) << "the tag was never on the web service";
        EXPECT_EQ(item->tagList(), QStringLiteral("/Old")) << "items keep the name";
        EXPECT_EQ(TagTokenDetailView::completionsForSubstring(QStringLiteral("Ol")).isEmpty(), c.deleted);
        controller.shouldClose();
    }
}

TEST_F(TagFilterTest, WithoutARowTheKeyAndTheMenuDoNothingAndARowWaitsForAQuestionStillOpen)
{
    addTags({"Keep", "Old"});
    setting().setShowWarningDeleteTag(0);
    TagTableView* table = open()->tagTableView();
    press(table, Qt::Key_Backspace);
    EXPECT_EQ(table->menuForEvent(rightClickAt(table, QPointF(20, table->yPositionPastLastRow() + 30))).numberOfItems(), 0);
    EXPECT_EQ(tagNames(), (QStringList{"Keep", "Old"}));
    table->selectRowIndexes({1}, false);
    const QImage row = table->rowAt(1)->grab().toImage();
    EXPECT_EQ(row.pixelColor(row.width() - 3, 3).rgb(), TagItemView::selectionColor().rgb()) << "a selected row's fill";

    // The delete comes from inside a question the user has not answered yet.
    bool asked = false;
    alerts.scriptButton(AlertResponse::firstButton);
    alerts.setWhileRunning([&] {
        if (asked) return;
        asked = true;
        table->applyDelete();
        EXPECT_EQ(table->tags().size(), 2) << "the rows stay while the question is up";
    });
    AlertPresenter::current().runModal(AlertRequest());
    EXPECT_TRUE(processEventsUntil([&] { return tagNames() == QStringList{"Keep"}; }));
    EXPECT_EQ(table->tags().size(), 1);
}

TEST_F(TagFilterTest, TheTipButtonShowsOnlyWhileThePointerIsOverTheTopStrip)
{
    TagView* view = open();
    for (const double y : {10.0, 40.0, 19.0, 70.0}) {
        SCOPED_TRACE(y);
        const QPoint at = Clicks::inWindow(view, QPointF(60, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(60, y), view->window()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        EXPECT_EQ(!view->guruBtn()->isHidden(), y < TagView::guruStripHeight);
    }
    view->guruBtn()->setHidden(false);
    click(view->guruBtn());
    ASSERT_NE(view->guruViewController(), nullptr);
    EXPECT_EQ(view->guruViewController()->shownType(), 4);
}

}  // namespace
}  // namespace TagFilterTests

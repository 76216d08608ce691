// The tag filter popover over the real main view on a real X server: a tool
// window at its button that its own alert leaves open and a press elsewhere
// in the main window closes; and a popover opened from a transient one,
// whose presses count as inside it.
#include "../PlatformWindows/RealWindowSupport.h"

#include "Button.h"
#include "CoreData.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "MessageBoxAlertPresenter.h"
#include "Popover.h"
#include "Screenshot.h"
#include "Setting.h"
#include "Tag.h"
#include "TagTableView.h"
#include "TagView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

namespace TagPopoverOnScreenTests {

using namespace RealWindows;

namespace {

// A press and a release where a user's would land: the deepest widget there.
void clickAt(QWidget* window, const QPoint& at)
{
    QWidget* target = window->childAt(at) ? window->childAt(at) : window;
    const QPointF local = target->mapFrom(window, at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

void clickView(QWidget* view) { clickAt(view->window(), view->mapTo(view->window(), view->rect().center())); }

class TagPopoverOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        CoreData::setShared(&manager);
        manager.setCurrentSetting(std::make_shared<Setting>());
        manager.currentSetting()->setShowWarningDeleteTag(1);
        manager.currentSetting()->setHasRightPage(1);  // the list column shown, as the start reads it
        TagList tags;
        for (const char* name : {"Work", "Home"}) {
            tags.append(std::make_shared<Tag>());
            tags.last()->setTagName(QString::fromLatin1(name));
        }
        manager.setTagList(tags);
        AlertPresenter::setCurrent(&presenter);
        mainView = new MainView(QRectF(0, 0, 900, double(mainViewHeight)));
        mainView->showHideBtn()->setState(1);  // the list column shown, as at start-up
        mainView->showHide();
        window.setContentView(mainView);
        MainView::setCurrent(mainView);
        window.makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(window));
    }
    void TearDown() override
    {
        AlertPresenter::setCurrent(nullptr);
        MainView::setCurrent(nullptr);
        window.orderOut();
        CoreData::setShared(nullptr);
        RealWindowTest::TearDown();
    }
    Popover* shownPopover() const
    {
        for (Popover* popover : mainView->findChildren<Popover*>())
            if (popover->isShown()) return popover;
        return nullptr;
    }

    CoreData manager;
    MessageBoxAlertPresenter presenter;
    // As high as the main view lays its bar out for.
    Window window{QRectF(Screen::mainVisibleFrame().topLeft(), QSizeF(900, double(mainViewHeight))),
                  BorderlessWindowMask};
    MainView* mainView = nullptr;
};

}  // namespace

TEST_F(TagPopoverOnScreen, TheTagButtonOpensAToolWindowThatItsAlertLeavesOpenAndAPressElsewhereCloses)
{
    Button* button = mainView->tagShowHideBtn();
    saveScreenshot(button, QStringLiteral("tag-button-normal"));
    clickView(button);
    Popover* popover = shownPopover();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(mainView->hasPopup());
    auto* tags = qobject_cast<TagView*>(popover->contentView());
    ASSERT_NE(tags, nullptr);
    auto* tool = static_cast<Window*>(popover->window());
    ASSERT_TRUE(shownOnScreen(*tool));
    EXPECT_EQ(tool->windowHandle()->type(), Qt::Tool);
    // Above its button, which sits in the bar at the bottom of the window.
    const QRect at(button->mapToGlobal(QPoint(0, 0)), button->size());
    EXPECT_TRUE(waitUntil([&] { return tool->geometry().bottom() < at.top(); }));
    EXPECT_NEAR(tool->geometry().center().x(), at.center().x(), 1);

    // A press in the delete question and its answer leave the popover open.
    tags->tagTableView()->selectRowIndexes({0}, false);
    bool openWhileAsked = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(waitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(alert, nullptr);
        clickAt(alert, QPoint(10, 10));
        openWhileAsked = popover->isShown();
        saveScreenshot(alert, QStringLiteral("tag-delete-question-on-screen"));
        for (QAbstractButton* answer : alert->buttons())
            if (answer->text() == QStringLiteral("Cancel")) answer->click();
    });
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(tags->tagTableView(), &backspace);
    EXPECT_TRUE(openWhileAsked);
    EXPECT_TRUE(popover->isShown());
    EXPECT_EQ(manager.tagList().size(), 2) << "cancelled";

    clickView(tags->applyBtn());
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(mainView->tagShowHideBtnImage(), QStringLiteral("tag_selected"));
    EXPECT_EQ(button->state(), 0) << "the next click opens the popover again";
    saveScreenshot(button, QStringLiteral("tag-button-selected"));
    clickView(button);
    Popover* again = shownPopover();
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(shownOnScreen(*static_cast<Window*>(again->window())));
    clickAt(&window, QPoint(450, 200));
    EXPECT_FALSE(again->isShown());
    EXPECT_EQ(button->state(), 0) << "the button turns off with the popover";
    EXPECT_FALSE(mainView->hasPopup());
}

TEST_F(TagPopoverOnScreen, APopoverOpenedFromATransientOneTakesPressesWithoutClosingIt)
{
    Popover outer, inner;
    outer.setBehavior(PopoverBehavior::Transient);
    outer.setContentView(new View(QRectF(0, 0, 200, 120)));
    auto* opener = new View(QRectF(80, 50, 40, 20), outer.contentView());
    outer.showRelativeToRect(QRectF(), mainView->tagShowHideBtn(), RectEdge::MinY);
    inner.setContentView(new View(QRectF(0, 0, 120, 60)));
    inner.showRelativeToRect(QRectF(), opener, RectEdge::MaxY);
    ASSERT_TRUE(shownOnScreen(*static_cast<Window*>(inner.window())));
    clickAt(inner.window(), QPoint(60, 30));
    EXPECT_TRUE(outer.isShown()) << "a press in a popover opened from it is a press inside";
    clickAt(&window, QPoint(450, 200));
    EXPECT_FALSE(outer.isShown());
}

}  // namespace TagPopoverOnScreenTests

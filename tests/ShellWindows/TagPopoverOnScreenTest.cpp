// The tag filter popover over the real main view on a real X server: a tool
// window at its button that an alert of its own table leaves open and a
// press elsewhere in the main window closes; and popovers opened from a
// transient popover, which count as inside it.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Model/ModelTestFixture.h"

#include "Button.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "MessageBoxAlertPresenter.h"
#include "Popover.h"
#include "Screen.h"
#include "Screenshot.h"
#include "Setting.h"
#include "TagItemView.h"
#include "TagTableView.h"
#include "TagView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace TagPopoverOnScreenTests {

using namespace RealWindows;

namespace {

// A press and a release where a user's would land: the deepest widget there.
void clickAt(QWidget* window, const QPoint& inWindow)
{
    QWidget* target = window->childAt(inWindow);
    if (!target) target = window;
    const QPointF local = target->mapFrom(window, inWindow);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

void clickView(View* view)
{
    clickAt(view->window(), view->mapTo(view->window(), QPoint(view->width() / 2, view->height() / 2)));
}

class TagPopoverOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_EQ(sqlite3_open((m_dir.path() + QStringLiteral("/Database.sql")).toUtf8().constData(), &m_db),
                  SQLITE_OK);
        QFile schema(Paths::resourcesFolder() + QStringLiteral("/Database/Template.sql"));
        ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
        for (const QString& sql : QStringList{QString::fromUtf8(schema.readAll())} + DatabaseSchema::allUpgrades())
            ASSERT_EQ(sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        RecordStore::setSharedDatabase(m_db);
        databaseOpen = true;
        manager = std::make_unique<CoreData>();
        CoreData::setShared(manager.get());
        manager->setCurrentSetting(Setting::initWithPrimaryKey(1, m_db));
        manager->currentSetting()->setShowWarningDeleteTag(1);
        manager->insertTagIfNA(QStringLiteral("Work"), 0);
        manager->insertTagIfNA(QStringLiteral("Home"), 0);
        AlertPresenter::setCurrent(&presenter);

        const QRectF visible = Screen::mainVisibleFrame();
        savedHeight = mainViewHeight;
        mainViewHeight = 600;
        window = std::make_unique<Window>(QRectF(visible.left() + 40, visible.top() + 40, 900, 600),
                                          BorderlessWindowMask);
        mainView = new MainView(QRectF(0, 0, 900, 600));
        // The list column shown, as start-up lays the window out.
        mainView->showHideBtn()->setState(1);
        mainView->showHide();
        window->setContentView(mainView);
        MainView::setCurrent(mainView);
        window->makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(*window));
    }

    void TearDown() override
    {
        AlertPresenter::setCurrent(nullptr);
        MainView::setCurrent(nullptr);
        window.reset();
        mainViewHeight = savedHeight;
        CoreData::setShared(nullptr);
        manager.reset();
        RecordStore::finalizeAllStatements();
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        if (m_db) sqlite3_close(m_db);
        RealWindowTest::TearDown();
    }

    MessageBoxAlertPresenter presenter;
    std::unique_ptr<CoreData> manager;
    std::unique_ptr<Window> window;
    MainView* mainView = nullptr;
    quint64 savedHeight = 0;

private:
    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
};

}  // namespace

TEST_F(TagPopoverOnScreen, TheTagButtonOpensAToolWindowThatItsAlertLeavesOpenAndAPressElsewhereCloses)
{
    Button* button = mainView->tagShowHideBtn();
    saveScreenshot(button, QStringLiteral("tag-button-normal"));
    clickView(button);
    ASSERT_EQ(button->state(), 1);
    EXPECT_TRUE(mainView->hasPopup());
    Popover* popover = nullptr;
    for (Popover* candidate : mainView->findChildren<Popover*>())
        if (candidate->isShown()) popover = candidate;
    ASSERT_NE(popover, nullptr);
    auto* tags = qobject_cast<TagView*>(popover->contentView());
    ASSERT_NE(tags, nullptr);
    auto* tool = static_cast<Window*>(popover->window());
    ASSERT_TRUE(shownOnScreen(*tool));
    EXPECT_EQ(tool->windowHandle()->type(), Qt::Tool);
    // At its button: above it, the bar being at the bottom of the window.
    const QRect at(button->mapToGlobal(QPoint(0, 0)), button->size());
    EXPECT_TRUE(waitUntil([&] { return tool->geometry().bottom() < at.top(); }));
    EXPECT_NEAR(tool->geometry().center().x(), at.center().x(), 1);
    EXPECT_EQ(tags->tagTableView()->tags().size(), 2);

    // Deleting a tag asks first; presses in the alert keep the popover, and
    // so does the answer.
    tags->tagTableView()->selectRowIndexes({0}, false);
    bool askedWhileOpen = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(waitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(alert, nullptr);
        clickAt(alert, QPoint(10, 10));
        askedWhileOpen = popover->isShown();
        saveScreenshot(alert, QStringLiteral("tag-delete-question-on-screen"));
        for (QAbstractButton* answer : alert->buttons())
            if (answer->text() == QStringLiteral("Cancel")) answer->click();
    });
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(tags->tagTableView(), &backspace);
    EXPECT_TRUE(askedWhileOpen);
    EXPECT_TRUE(popover->isShown()) << "the question leaves the popover open";
    EXPECT_EQ(manager->tagList().size(), 2) << "cancelled";

    // Apply turns the button's image; open again and press elsewhere.
    clickView(tags->applyBtn());
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(mainView->tagShowHideBtnImage(), QStringLiteral("tag_selected"));
    button->setState(0);
    saveScreenshot(button, QStringLiteral("tag-button-selected"));
    clickView(button);
    Popover* again = nullptr;
    for (Popover* candidate : mainView->findChildren<Popover*>())
        if (candidate->isShown()) again = candidate;
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(shownOnScreen(*static_cast<Window*>(again->window())));
    clickAt(window.get(), QPoint(450, 200));
    EXPECT_FALSE(again->isShown());
    EXPECT_EQ(button->state(), 0) << "the button turns off with the popover";
    EXPECT_FALSE(mainView->hasPopup());
}

TEST_F(TagPopoverOnScreen, APopoverOpenedFromATransientOneTakesPressesWithoutClosingIt)
{
    Popover outer;
    outer.setBehavior(PopoverBehavior::Transient);
    auto* outerContent = new View(QRectF(0, 0, 200, 120));
    auto* opener = new View(QRectF(80, 50, 40, 20));
    outerContent->addSubview(opener);
    outer.setContentView(outerContent);
    View* anchor = mainView->tagShowHideBtn();
    outer.showRelativeToRect(QRectF(), anchor, RectEdge::MinY);
    ASSERT_TRUE(shownOnScreen(*static_cast<Window*>(outer.window())));

    Popover inner;
    inner.setBehavior(PopoverBehavior::Semitransient);
    inner.setContentView(new View(QRectF(0, 0, 120, 60)));
    inner.showRelativeToRect(QRectF(), opener, RectEdge::MaxY);
    ASSERT_TRUE(shownOnScreen(*static_cast<Window*>(inner.window())));

    clickAt(inner.window(), QPoint(60, 30));
    EXPECT_TRUE(outer.isShown()) << "a press in a popover opened from it is a press inside";
    EXPECT_TRUE(inner.isShown());
    clickAt(window.get(), QPoint(450, 200));
    EXPECT_FALSE(outer.isShown());
}

}  // namespace TagPopoverOnScreenTests

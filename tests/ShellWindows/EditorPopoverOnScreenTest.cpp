// The event editor's popover on a real X server: a double click's open on a
// box of the main window's day grid shows the editor beside it, and a press
// elsewhere in the main window closes it.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Model/ModelTestFixture.h"

#include "CalendarView.h"
#include "CoreData.h"
#include "CustomTextView.h"
#include "DayCalendarView.h"
#include "DetailViewController.h"
#include "EventDetailView.h"
#include "MAAttachedWindow.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "Button.h"
#include "MessageBoxAlertPresenter.h"
#include "RecordStore.h"
#include "TextTable.h"
#include "Popover.h"
#include "Screen.h"
#include "Screenshot.h"
#include "Setting.h"
#include "ShellHost.h"
#include "Task.h"
#include "TaskView.h"
#include "Utilities.h"
#include "WindowController.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <memory>

namespace EditorPopoverOnScreenTests {

using namespace RealWindows;

namespace {

class ScreenHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override
    {
        return (fullFrame ? Screen::mainFrame() : Screen::mainVisibleFrame()).size();
    }
    QPointF statusItemPosition() const override { return QPointF(420, Screen::mainFrame().height() - 24); }
    void statusItemNeedsDisplay() override {}
    void activateIgnoringOtherApps() override {}
};

class Database : public ModelTest {
public:
    void TestBody() override {}
    void open() { SetUp(); }
    void close() { TearDown(); }
    sqlite3* handle() const { return db(); }
};

class EditorPopoverOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        database.open();
        CoreData::shared()->loadTimeZones();
        CoreData::shared()->setCurrentSetting(Setting::initWithPrimaryKey(1, database.handle()));
        ASSERT_NE(CoreData::shared()->currentSetting(), nullptr);
        CoreData::shared()->doWithCalendarList(CoreData::shared()->getCalendarList(), 2);
        savedHeight = mainViewHeight;
        mainViewHeight = mainViewHeightForVisibleHeight(Screen::mainVisibleFrame().height());
    }
    void TearDown() override
    {
        controller.reset();
        MainView::setCurrent(nullptr);
        mainView.reset();
        mainViewHeight = savedHeight;
        if (CoreData::shared()) database.close();
        RealWindowTest::TearDown();
    }

    TaskPtr todaysEvent(const QString& name, int hour, bool repeating)
    {
        const Date today = Utilities::today(Utilities::getCompleteDate());
        auto item = std::make_shared<Task>();
        item->setTaskType(0);
        item->setTaskName(name);
        item->setTaskLocation(QStringLiteral("Room 4"));
        item->setCalendarId(CoreData::shared()->currentSetting()->calendarDefID());
        item->setStartTime(Utilities::newDateOnDate(today, hour, 0));
        item->setEndTime(Utilities::newDateOnDate(today, hour + 1, 30));
        item->setDuration(90);
        item->setTz(CoreData::shared()->currentSetting()->currentTZ());
        if (repeating) {
            item->setRepeatType(2);
            item->setRepeatOptions(QStringLiteral("1/2|4/0"));
            item->setIsRepeatForever(1);
            item->setRepeatStartDate(item->startTime());
            item->setAlertValues(QStringLiteral("/1|-600|/1|-3600|"));
        }
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }

    void openMainViewWith(const TaskPtr& item)
    {
        CoreData::shared()->doWithAllTasksEventsAdes(TaskList{item}, 0);
        mainView = std::make_unique<MainView>(QRectF(0, 0, 620, double(mainViewHeight)));
        MainView::setCurrent(mainView.get());
        // Laid out as at start-up, with the list column: the window behind
        // the editor is the one a person has open.
        CoreData::shared()->currentSetting()->setHasRightPage(1);
        mainView->showHideBtn()->setState(1);
        mainView->showHide();
        controller = WindowController::initWithRootApp(&host);
        ASSERT_TRUE(controller->popoverWindow());
        controller->setActive(true);
        ASSERT_TRUE(shownOnScreen(*controller->popoverWindow()));
        mainView->reloadDataDayCalendar();
    }

    TaskView* boxOf(const TaskPtr& item)
    {
        mainView->dayCalendarView()->calendarView()->revealToEvent(item);
        TaskView* found = nullptr;
        waitUntil([&] {
            for (TaskView* box : mainView->dayCalendarView()->calendarView()->findChildren<TaskView*>()) {
                if (box->isVisible() && box->task() && (box->task()->primaryKey() == item->primaryKey() || box->task()->parentId() == item->primaryKey()))
                    found = box;
            }
            return found != nullptr;
        });
        return found;
    }

    void saveScreen(const QString& name) const
    {
        QElapsedTimer settle;
        settle.start();
        waitUntil([&] { return settle.elapsed() > 300; });
        const QImage picture = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(name + QStringLiteral(".png"))));
    }

    QString databasePath() const { return QString::fromUtf8(sqlite3_db_filename(database.handle(), "main")); }

    Database database;
    quint64 savedHeight = 0;
    ScreenHost host;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;
};

}  // namespace

TEST_F(EditorPopoverOnScreen, ADoubleClickedBoxOpensTheEditorBesideItAndAPressElsewhereClosesIt)
{
    struct Case {
        const char* picture;
        bool repeating;
    };
    for (const Case c : {Case{"editor-popover-timed-event", false}, Case{"editor-popover-repeating-event", true}}) {
        SCOPED_TRACE(c.picture);
        const TaskPtr item = todaysEvent(c.repeating ? QStringLiteral("Design review") : QStringLiteral("Dentist"),
                                         c.repeating ? 14 : 10, c.repeating);
        openMainViewWith(item);
        TaskView* box = boxOf(item);
        ASSERT_NE(box, nullptr);
        box->popupEditDetail();
        DetailViewController* detail = box->detailViewController();
        ASSERT_NE(detail, nullptr);
        ASSERT_NE(detail->popover(), nullptr);
        QWidget* popoverWindow = detail->popover()->window();
        ASSERT_TRUE(waitUntil([&] { return popoverWindow->isVisible(); }));
        EXPECT_TRUE(mainView->hasPopup());
        EXPECT_EQ(mainView->popover(), detail->popover());
        // Beside the box, on its right.
        const QRectF anchor = detail->popover()->anchorScreenRect();
        const QRect shown = popoverWindow->frameGeometry();
        EXPECT_GE(shown.left(), Screen::toQt(anchor).toRect().right() - 1);
        auto* editor = qobject_cast<EventDetailView*>(detail->customView());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->frame().width(), DetailViewController::eventEditorWidth);
        saveScreen(QString::fromLatin1(c.picture));

        // The editor has the keyboard: what is typed replaces the selected
        // title (Return starts no second line, pasted line breaks are
        // spaces), and the main window stays key (the popover is its child).
        ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == popoverWindow->windowHandle(); }));
        EXPECT_TRUE(controller->popoverWindow()->isKeyWindow());
        for (const QChar character : QStringLiteral("Check\rup")) {
            QKeyEvent press(QEvent::KeyPress, character == u'\r' ? Qt::Key_Return : 0, Qt::NoModifier, QString(character));
            QGuiApplication::sendEvent(QGuiApplication::focusWindow(), &press);
        }
        // (A title has no checklist: a mark in it is a character like any other.)
        QApplication::clipboard()->setText(QStringLiteral(" at\r\nten\nsharp \u2705"));
        QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
        QGuiApplication::sendEvent(QGuiApplication::focusWindow(), &paste);
        EXPECT_EQ(editor->title()->string(), QStringLiteral("Checkup at ten sharp \u2705"));

        // A press elsewhere in the main window closes it.
        QWidget* target = mainView.get();
        const QPointF at(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &release);
        EXPECT_TRUE(waitUntil([&] { return !mainView->hasPopup(); }));
        EXPECT_TRUE(mainView->canRefreshData());
        EXPECT_TRUE(waitUntil([&] {
            return QGuiApplication::focusWindow() == controller->popoverWindow()->windowHandle();
        })) << "the keyboard is back with the main window";

        controller.reset();
        MainView::setCurrent(nullptr);
        mainView.reset();
    }
}

// Another program holds the database while the person clicks Done: the
// editor stays open with the new title, the alert says why, and nothing
// changed in the row or the shown record.
TEST_F(EditorPopoverOnScreen, DoneWhileAnotherProgramHoldsTheDatabaseKeepsTheEditorOpenAndSaysWhy)
{
    const TaskPtr item = todaysEvent(QStringLiteral("Dentist"), 10, false);
    openMainViewWith(item);
    TaskView* box = boxOf(item);
    ASSERT_NE(box, nullptr);
    box->popupEditDetail();
    DetailViewController* detail = box->detailViewController();
    ASSERT_NE(detail, nullptr);
    auto* editor = qobject_cast<EventDetailView*>(detail->customView());
    ASSERT_NE(editor, nullptr);
    QWidget* popoverWindow = detail->popover()->window();
    ASSERT_TRUE(waitUntil([&] { return popoverWindow->isVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == popoverWindow->windowHandle(); }));
    for (const QChar character : QStringLiteral("Checkup")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QGuiApplication::sendEvent(QGuiApplication::focusWindow(), &press);
    }
    ASSERT_EQ(editor->title()->string(), QStringLiteral("Checkup"));

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(databasePath().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::chrono::milliseconds usualWait = RecordStore::busyTimeout();
    RecordStore::setBusyTimeout(std::chrono::milliseconds(300));
    MessageBoxAlertPresenter presenter;
    AlertPresenter* scripted = &AlertPresenter::current();
    AlertPresenter::setCurrent(&presenter);
    QString told;
    bool openDuringAlert = false;
    QTimer::singleShot(0, [&] {
        waitUntil([] { return QApplication::activeModalWidget() != nullptr; }, 10000);
        QWidget* alert = QApplication::activeModalWidget();
        if (!alert) return;
        waitUntil([&] { return alert->windowHandle() && alert->windowHandle()->isExposed(); });
        QThread::msleep(100);
        QCoreApplication::processEvents();
        for (const QLabel* label : alert->findChildren<QLabel*>()) told += label->text();
        openDuringAlert = popoverWindow->isVisible();
        saveScreen(QStringLiteral("editor-save-refused-database-busy"));
        MessageBoxAlertPresenter::stopModal();
    });
    editor->doneBtn()->performClick();
    AlertPresenter::setCurrent(scripted);
    RecordStore::setBusyTimeout(usualWait);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_TRUE(told.contains(TextTable::localizedString(QStringLiteral("changeNotSavedText")).section(QLatin1Char(':'), 0, 0)))
        << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("database is locked"))) << told.toStdString();
    EXPECT_TRUE(openDuringAlert);
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 200; });
    EXPECT_TRUE(popoverWindow->isVisible()) << "the editor stays open";
    EXPECT_EQ(editor->title()->string(), QStringLiteral("Checkup")) << "with what was typed";
    EXPECT_EQ(item->taskName(), QStringLiteral("Dentist")) << "the shown record is as before";
    EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey(), database.handle())->taskName(), QStringLiteral("Dentist"));
}

}  // namespace EditorPopoverOnScreenTests

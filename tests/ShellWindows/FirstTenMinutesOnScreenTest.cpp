// A new user's first ten minutes on a real X server, from a fresh data
// folder: the welcome panel, the main window, an event, a task and a note
// from the quick-add bar, the two editors, a done box, a backup restored
// from the list, and a pinned window clicked after another window was in
// front. Each step checks what is stored and what the window shows, and
// leaves a picture of the screen (first-ten-minutes-*.png). Presses go to
// the widget under the point as X would send them (tests/support/Clicks.h);
// the typing goes to the focused field's editor directly, so the steps do
// not hang on which window the window manager (if any) gives the keyboard.
#include "ZoravelAppDelegate.h"

#include "../PlatformWindows/RealWindowSupport.h"
#include "Application.h"
#include "BackupFileTableView.h"
#include "Button.h"
#include "CalendarView.h"
#include "Clicks.h"
#include "Clock.h"
#include "CoreData.h"
#include "CustomTextView.h"
#include "DayCalendarView.h"
#include "DetailViewController.h"
#include "EventDetailView.h"
#include "GregorianCalendar.h"
#include "ListModuleView.h"
#include "MainView.h"
#include "NetworkStatus.h"
#include "NotificationCenter.h"
#include "Popover.h"
#include "PopUpButton.h"
#include "PrefBackupView.h"
#include "Preferences.h"
#include "QuickAddView.h"
#include "RecordStore.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "StartUpWizardPanel.h"
#include "StartUpWizardView.h"
#include "Task.h"
#include "TaskDetailView.h"
#include "TaskListItemView.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TaskView.h"
#include "TextField.h"
#include "UserLoginView.h"
#include "Utilities.h"
#include "Window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include <sqlite3.h>

using namespace RealWindows;

namespace {

void typeInto(QWidget* editor, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor, &press);
    }
}

void pressKey(QWidget* editor, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(editor, &release);
}

class FirstTenMinutes : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        ASSERT_TRUE(m_home.isValid());
        m_previousHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        NetworkStatus::instance().setOverride(0);
        // Today at 10:20: new items start at 10:30, in the day grid's view.
        const Date today = Utilities::today(Clock::now());
        Clock::setFixed(Utilities::newDateOnDate(today, 10, 20));
    }

    void TearDown() override
    {
        if (delegate && databaseOpen) delegate->finalizeDataBeforeShutdown();
        delegate.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        internetReachable = false;
        Clock::reset();
        NetworkStatus::instance().setOverride(std::nullopt);
        if (!m_previousHome.isNull()) qputenv("XDG_DATA_HOME", m_previousHome);
        RealWindowTest::TearDown();
    }

    // Until the reloads a change asked for have run, as a user reading the
    // window would wait: a reload rebuilds the boxes and rows.
    void settle()
    {
        QElapsedTimer least;
        least.start();
        EXPECT_TRUE(waitUntil([&] {
            return least.elapsed() > 300 && !view().isReloadPending() && !view().isItemListReloadPending();
        }));
    }

    // The screen as the user sees it, once painting has settled.
    void picture(const QString& name)
    {
        QElapsedTimer settle;
        settle.start();
        waitUntil([&] { return settle.elapsed() > 250; });
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(screen.save(QDir(screenshotFolder()).filePath(QStringLiteral("first-ten-minutes-") + name +
                                                                   QStringLiteral(".png"))));
    }

    CoreData& data() { return *CoreData::shared(); }
    MainView& view() { return *delegate->mainView(); }
    QWidget* mainWindow() { return delegate->mainWindow(); }
    TaskListTableView& taskList() { return *view().listModuleView()->taskListView()->taskListTableView(); }

    // The stored item of that name, read back from the database.
    TaskPtr stored(const QString& name)
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(RecordStore::sharedDatabase(), "SELECT primaryKey FROM Tasks WHERE taskName = ?", -1,
                           &statement, nullptr);
        const QByteArray utf8 = name.toUtf8();
        sqlite3_bind_text(statement, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        qint64 key = 0;
        if (sqlite3_step(statement) == SQLITE_ROW) key = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return key > 0 ? Task::initWithPrimaryKey(key, RecordStore::sharedDatabase()) : nullptr;
    }

    // The day grid's box showing that title, once the grid shows it (the
    // box's item may have the new name before the box is drawn again).
    TaskView* boxNamed(const QString& name)
    {
        TaskView* found = nullptr;
        waitUntil([&] {
            found = nullptr;
            for (TaskView* box : view().dayCalendarView()->calendarView()->findChildren<TaskView*>())
                if (box->isVisible() && box->taskNameLabel() && box->taskNameLabel()->stringValue() == name) found = box;
            return found != nullptr;
        });
        return found;
    }

    // The task list's row showing that title, once the list shows it.
    TaskListItemView* rowNamed(const QString& name, int* index = nullptr)
    {
        TaskListItemView* found = nullptr;
        waitUntil([&] {
            found = nullptr;
            for (int row = 0; row < taskList().numberOfRows() && !found; ++row)
                if (auto* item = qobject_cast<TaskListItemView*>(taskList().itemAtRow(row));
                    item && item->taskName()->stringValue() == name) {
                    found = item;
                    if (index) *index = row;
                }
            return found != nullptr;
        });
        return found;
    }

    void addFromTheBar(const QString& line)
    {
        QLineEdit* field = view().quickAddView()->searchAndAdd()->editor();
        Clicks::click(mainWindow(), Clicks::inWindow(field, QRectF(field->rect()).center()));
        typeInto(field, line);
        pressKey(field, Qt::Key_Return);
    }

    // The editor a double click opened, once its popover is on screen.
    template <class Editor>
    Editor* openedEditor(const std::function<DetailViewController*()>& controller)
    {
        Editor* editor = nullptr;
        waitUntil([&] {
            DetailViewController* detail = controller();
            editor = detail ? qobject_cast<Editor*>(detail->customView()) : nullptr;
            return editor && detail->popover() && detail->popover()->window()->isVisible();
        });
        return editor;
    }

    // The popover's window is given the keyboard here, as the user's click
    // in it would; the keys then go to the title's editor itself.
    static void retitle(CustomTextView* title, const QString& text)
    {
        QTextEdit* editor = title->editor();
        editor->window()->activateWindow();
        editor->setFocus(Qt::MouseFocusReason);
        EXPECT_TRUE(waitUntil([&] { return editor->hasFocus(); })) << "the editor's title takes the keyboard";
        pressKey(editor, Qt::Key_A, Qt::ControlModifier);
        typeInto(editor, text);
    }

    ScriptedAlertPresenter alerts;
    std::unique_ptr<ZoravelAppDelegate> delegate;

private:
    QTemporaryDir m_home;
    QByteArray m_previousHome;
};

}  // namespace

TEST_F(FirstTenMinutes, ANewUsersFirstStepsAllShowWhereTheyWereMade)
{
    // ---- the first start: the welcome panel, then the main window.
    delegate = std::make_unique<ZoravelAppDelegate>();
    delegate->setInstallsAlertsAndSounds(false);
    ASSERT_TRUE(delegate->applicationDidFinishLaunching());
    StartUpWizardPanel* welcome = delegate->wizardPanel();
    ASSERT_NE(welcome, nullptr) << "a first start shows the welcome panel";
    ASSERT_TRUE(shownOnScreen(*welcome));
    picture(QStringLiteral("1-welcome"));
    // Centred on the usable area and key: its account fields take typing.
    const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((welcome->geometry().center() - middle).manhattanLength(), 2);
    EXPECT_TRUE(waitUntil([&] { return welcome->isKeyWindow() && welcome->isActiveWindow(); }));
    Button* jump = welcome->wizard()->zvoButton();
    Clicks::click(welcome, Clicks::inWindow(jump, QRectF(jump->rect()).center()));
    TextField* userName = welcome->wizard()->loginView()->userName();
    userName->editor()->setFocus(Qt::MouseFocusReason);  // a constructed click gives none
    for (const QChar ch : QStringLiteral("ann@example.com")) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(QApplication::focusWidget(), &key);
    }
    EXPECT_EQ(userName->stringValue(), QStringLiteral("ann@example.com"));
    picture(QStringLiteral("1-wizard-account"));
    Button* start = welcome->startButton();
    Clicks::click(welcome, Clicks::inWindow(start, QRectF(start->rect()).center()));
    ASSERT_TRUE(waitUntil([&] { return delegate->mainWindow() && delegate->mainWindow()->isVisible(); }, 8000));
    ASSERT_TRUE(waitUntil([&] { return mainWindow()->windowHandle() && mainWindow()->windowHandle()->isExposed(); }));
    EXPECT_EQ(data().currentSetting()->startUpWizard(), 0);
    picture(QStringLiteral("2-main-window"));

    // ---- an event, a task and a note from the quick-add bar.
    addFromTheBar(QStringLiteral("Lunch"));
    const TaskPtr lunch = stored(QStringLiteral("Lunch"));
    ASSERT_NE(lunch, nullptr);
    EXPECT_EQ(lunch->taskType(), 0);
    EXPECT_EQ(lunch->startTime(), Utilities::newDateOnDate(Clock::now(), 10, 30));
    ASSERT_NE(boxNamed(QStringLiteral("Lunch")), nullptr) << "the day grid shows the new event";
    addFromTheBar(QStringLiteral("#tCall Anna"));
    ASSERT_NE(stored(QStringLiteral("Call Anna")), nullptr);
    EXPECT_NE(rowNamed(QStringLiteral("Call Anna")), nullptr) << "the task list shows the new task";
    addFromTheBar(QStringLiteral("#nMilk"));
    const TaskPtr milk = stored(QStringLiteral("Milk"));
    ASSERT_NE(milk, nullptr);
    EXPECT_EQ(milk->taskType(), 3);
    EXPECT_EQ(view().currentListModule(), 2) << "the notes module comes forward";
    picture(QStringLiteral("3-quick-added"));
    // A backup of this state, as the automatic one makes.
    view().saveAutoBackupFile();

    // ---- the event editor: a double click on the box, a new title, Done.
    settle();
    TaskView* box = boxNamed(QStringLiteral("Lunch"));
    ASSERT_NE(box, nullptr);
    Clicks::doubleClick(mainWindow(), Clicks::inWindow(box, QRectF(box->rect()).center()));
    auto* eventEditor = openedEditor<EventDetailView>([box] { return box->detailViewController(); });
    ASSERT_NE(eventEditor, nullptr) << "a double click on the box opens its editor";
    retitle(eventEditor->title(), QStringLiteral("Team lunch"));
    EXPECT_EQ(eventEditor->title()->string(), QStringLiteral("Team lunch"));
    picture(QStringLiteral("4-event-editor-retitled"));
    Button* done = eventEditor->doneBtn();
    Clicks::click(done->window(), Clicks::inWindow(done, QRectF(done->rect()).center()));
    EXPECT_TRUE(waitUntil([&] { return stored(QStringLiteral("Team lunch")) != nullptr; }));
    EXPECT_NE(boxNamed(QStringLiteral("Team lunch")), nullptr) << "the day grid shows the new title";
    picture(QStringLiteral("5-event-retitled"));

    // ---- the task editor from the task list's first row.
    view().setFocusListModule(1);
    settle();
    int row = -1;
    TaskListItemView* taskRow = rowNamed(QStringLiteral("Call Anna"), &row);
    ASSERT_NE(taskRow, nullptr);
    for (int above = 0; above < row; ++above)
        EXPECT_EQ(qobject_cast<TaskListItemView*>(taskList().itemAtRow(above)), nullptr) << "the first item row";
    const QPoint onFirstRow = Clicks::inWindow(taskRow, QPointF(taskRow->width() * 0.5, taskRow->height() * 0.5));
    Clicks::doubleClick(mainWindow(), onFirstRow);
    auto* taskEditor = openedEditor<TaskDetailView>([this] { return taskList().detailViewController(); });
    ASSERT_NE(taskEditor, nullptr) << "a double click on the first row opens its editor";
    retitle(taskEditor->title(), QStringLiteral("Call Anna back"));
    picture(QStringLiteral("6-task-editor"));
    taskEditor->doneEdit();
    EXPECT_TRUE(waitUntil([&] { return stored(QStringLiteral("Call Anna back")) != nullptr; }));
    taskRow = rowNamed(QStringLiteral("Call Anna back"));
    EXPECT_NE(taskRow, nullptr) << "the list shows the new title after Done";
    picture(QStringLiteral("7-task-saved"));

    // ---- the row's done box.
    settle();
    taskRow = rowNamed(QStringLiteral("Call Anna back"));
    ASSERT_NE(taskRow, nullptr);
    const int reloads = view().listModuleView()->taskListView()->reloadCount();
    Button* doneBox = taskRow->doneBtn();
    Clicks::click(mainWindow(), Clicks::inWindow(doneBox, QRectF(doneBox->rect()).center()));
    EXPECT_TRUE(waitUntil([&] {
        const TaskPtr task = stored(QStringLiteral("Call Anna back"));
        return task && task->status() == 1;
    }));
    EXPECT_TRUE(waitUntil([&] { return view().listModuleView()->taskListView()->reloadCount() > reloads; }))
        << "the task list shows the change";
    picture(QStringLiteral("8-task-done"));

    // ---- a backup restored from the list with one click.
    view().preference();
    Preferences* preferences = view().pref();
    ASSERT_NE(preferences, nullptr);
    ASSERT_TRUE(waitUntil([&] { return preferences->isVisible(); }));
    preferences->backups(nullptr);  // the window opens on General
    BackupFileTableView* backups = preferences->backupView()->fileListView();
    backups->loadData();
    ASSERT_EQ(backups->numberOfRows(), 1);
    alerts.scriptButton(AlertResponse::firstButton);  // restore it
    Clicks::click(backups->window(), Clicks::inWindow(backups, backups->rectOfRow(0).center()));
    ASSERT_EQ(alerts.requests().size(), 1u) << "one click asks once";
    EXPECT_TRUE(waitUntil([&] { return stored(QStringLiteral("Lunch")) != nullptr; }, 8000))
        << "the backup's event is back";
    EXPECT_EQ(stored(QStringLiteral("Team lunch")), nullptr);
    EXPECT_NE(rowNamed(QStringLiteral("Call Anna")), nullptr) << "the list shows the restored task";
    picture(QStringLiteral("9-restored"));
    preferences->close();
    // The preferences took the keyboard from the unpinned window, which
    // closed as it does whenever the focus leaves it; the tray item's click
    // opens it again.
    EXPECT_TRUE(waitUntil([&] { return !mainWindow()->isVisible(); }));
    delegate->toggleWindow();
    ASSERT_TRUE(waitUntil([&] { return mainWindow()->isVisible(); }));

    // ---- the pinned window, clicked after another window was in front.
    view().togglePin();
    ASSERT_TRUE(view().isPinned());
    Window other(QRectF(40, 40, 300, 200), TitledWindowMask);
    other.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(other));
    const WId native = mainWindow()->winId();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotificationName(kApplicationWillResignActiveNotification, Application::shared());
    center.postNotificationName(kApplicationWillBecomeActiveNotification, Application::shared());
    EXPECT_EQ(mainWindow()->winId(), native) << "the same native window";
    EXPECT_TRUE(mainWindow()->isVisible());
    PopUpButton* gear = view().settingBtn();
    bool menuOpened = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        menuOpened = menu && waitUntil([&] { return menu->isVisible(); });
        if (menuOpened) picture(QStringLiteral("10-pinned-gear-menu"));
        if (menu) menu->close();
    });
    Clicks::click(mainWindow(), Clicks::inWindow(gear, QPointF(gear->width() * 0.5, gear->height() * 0.5)));
    EXPECT_TRUE(menuOpened) << "the first click on the pinned window opens the gear menu";
}

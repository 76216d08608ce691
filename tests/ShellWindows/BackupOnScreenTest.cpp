// The restore's progress sheet over the real main window, painting while the
// restore runs, and the save panel as Qt's own file dialog, typed into.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../PlatformWindows/WindowManagerSupport.h"

#include "Application.h"
#include "BackupFile.h"
#include "Clock.h"
#include "CoreData.h"
#include "FileWriter.h"
#include "MAAttachedWindow.h"
#include "Button.h"
#include "MainView.h"
#include "NetworkStatus.h"
#include "ProgressIndicator.h"
#include "ProgressView.h"
#include "RecordStore.h"
#include "Screen.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "ShellHost.h"
#include "TestEnvironment.h"
#include "WindowController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <memory>
#include <thread>

#include <sqlite3.h>

namespace BackupOnScreenTests {

using namespace RealWindows;

namespace {

class ScreenHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override
    {
        return (fullFrame ? Screen::mainFrame() : Screen::mainVisibleFrame()).size();
    }
    QPointF statusItemPosition() const override { return QPointF(700, Screen::mainFrame().height() - 24); }
    void statusItemNeedsDisplay() override {}
    void activateIgnoringOtherApps() override {}
};

// The real writer, slowed down: the restore's copy takes long enough for
// the test to look at the panel while it runs.
class SlowWriter : public FileWriter {
public:
    SlowWriter() { FileWriter::setCurrent(this); }
    ~SlowWriter() override { FileWriter::setCurrent(nullptr); }
    bool writeAtomically(const QString& path, const QByteArray& content) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        FileWriter::setCurrent(nullptr);
        const bool written = FileWriter::current().writeAtomically(path, content);
        FileWriter::setCurrent(this);
        return written;
    }
};

class BackupOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        m_home = std::make_unique<ScopedDataHome>();
        ASSERT_TRUE(m_home->isValid());
        NetworkStatus::instance().setOverride(0);
        manager = std::make_unique<CoreData>();
        CoreData::setShared(manager.get());
        ASSERT_TRUE(manager->init());
        manager->currentSetting()->setStartUpWizard(0);
        ASSERT_TRUE(manager->currentSetting()->dehydrate());
        mainView = std::make_unique<MainView>(QRectF(0, 0, 310, 600));
        // Laid out as start-up lays it out: one column, its panes placed.
        mainView->showHideBtn()->setState(0);
        mainView->showHide();
        MainView::setCurrent(mainView.get());
        controller = WindowController::initWithRootApp(&host);
        mainView->setOpenWindowHandler([this] { controller->setActive(true); });
    }
    void TearDown() override
    {
        controller.reset();
        MainView::setCurrent(nullptr);
        mainView.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        CoreData::setShared(nullptr);
        manager.reset();
        NetworkStatus::instance().setOverride(std::nullopt);
        m_home.reset();
        RealWindowTest::TearDown();
    }

    QString scratch(const QString& name) const { return testDataRoot() + QLatin1Char('/') + name; }

    ScreenHost host;
    std::unique_ptr<CoreData> manager;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;

private:
    std::unique_ptr<ScopedDataHome> m_home;
};

// Types the text into the widget key by key, then Return.
void type(QWidget* widget, const QString& text)
{
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QApplication::sendEvent(widget, &release);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
}

}  // namespace

TEST_F(BackupOnScreen, TheRestoreSheetHangsOverTheMainWindowAndPaintsWhileTheRestoreRuns)
{
    const QString path = scratch(QStringLiteral("screen.bkzvm"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray backup = BackupFile::encode(BackupFile::databaseSnapshot().value(),
                                                     QString::fromLatin1(BackupFile::manualBackupKeyText))
                                      .value();
        ASSERT_EQ(file.write(backup), backup.size());
    }
    SlowWriter slow;
    ScriptedAlertPresenter alerts;

    bool looked = false;
    bool attached = false;
    bool barOnScreen = false;
    int framesAtFirstLook = -1;
    int framesAtSecondLook = -1;
    QRectF sheetFrame;
    QRectF windowFrame;
    // The restore runs inside restoreFile; these look at the screen meanwhile.
    QTimer::singleShot(500, [&] {
        Window* main = controller->popoverWindow();
        Window* sheet = mainView->progressWindow();
        if (!main || !sheet) return;
        looked = true;
        attached = main->attachedSheet() == sheet && sheet->isVisible();
        sheetFrame = sheet->frame();
        windowFrame = main->frame();
        auto* progress = static_cast<ProgressView*>(sheet->contentView());
        framesAtFirstLook = progress->progessIndicator()->animationFrame();
        const QRect grab = Screen::toQt(windowFrame.united(sheetFrame)).toRect().adjusted(-10, -10, 10, 10);
        const QImage picture =
            QGuiApplication::primaryScreen()->grabWindow(0, grab.x(), grab.y(), grab.width(), grab.height()).toImage();
        picture.save(QDir(screenshotFolder()).filePath(QStringLiteral("restore-sheet-over-main-window.png")));
    });
    // The bar's middle, in screen pixels, shows one of its two blues. A busy
    // X server may show the sheet's first frame late, so the screen is asked
    // again while the restore still runs.
    const auto lookAtTheBar = [&] {
        Window* sheet = mainView->progressWindow();
        if (barOnScreen || !sheet) return;
        auto* progress = static_cast<ProgressView*>(sheet->contentView());
        const QPointF barMiddle = progress->progessIndicator()->convertPointToWindow(
            progress->progessIndicator()->bounds().center());
        const QPoint onScreen =
            Screen::toQt(QPointF(sheet->frame().x() + barMiddle.x(), sheet->frame().y() + barMiddle.y())).toPoint();
        const QColor seen = colourOnScreenAt(onScreen);
        barOnScreen = seen.blue() > seen.red() + 60;
    };
    QObject looks;  // the looks end with the test, whenever the restore ends
    for (const int at : {520, 650, 780, 1000}) QTimer::singleShot(at, &looks, lookAtTheBar);
    QTimer::singleShot(900, [&] {
        if (Window* sheet = mainView->progressWindow())
            framesAtSecondLook =
                static_cast<ProgressView*>(sheet->contentView())->progessIndicator()->animationFrame();
    });

    EXPECT_TRUE(mainView->restoreFile(path, QString::fromLatin1(BackupFile::manualBackupKeyText)));
    ASSERT_TRUE(looked) << "the panel was up while the restore ran";
    EXPECT_TRUE(attached);
    EXPECT_TRUE(barOnScreen) << "the bar is painted on the screen";
    EXPECT_GT(framesAtSecondLook, framesAtFirstLook) << "the bar moves while the restore runs";
    // Centred on the main window, 30 points lower than a sheet hangs, and
    // never wider than the window (410 where it has the room).
    EXPECT_NEAR(sheetFrame.center().x(), windowFrame.center().x(), 1);
    EXPECT_EQ(sheetFrame.size(), QSizeF(std::min(410.0, windowFrame.width()), 150));
    EXPECT_NEAR(sheetFrame.y(), Window::sheetFrame(windowFrame, QSizeF(410, 150)).y() - 30, 1);
    EXPECT_FALSE(mainView->progressWindow()->isVisible()) << "put away at the end";
}

// From the open main window: the panel starts in the home folder (there is
// no Downloads folder), and after the save the main window is still open
// and has the keyboard again.
TEST_F(BackupOnScreen, TheSavePanelIsQtsOwnDialogAndTakesATypedPath)
{
    const QString typed = scratch(QStringLiteral("typed-backup"));
    QFile::remove(typed + QStringLiteral(".bkzvm"));
    const QByteArray oldHome = qgetenv("HOME");
    const QString home = scratch(QStringLiteral("home-without-downloads"));
    ASSERT_TRUE(QDir().mkpath(home));
    qputenv("HOME", home.toUtf8());
    controller->setActive(true);
    Window* main = controller->popoverWindow();
    Application::setMainWindow(main);  // as the start-up sets it
    ASSERT_TRUE(waitUntil([&] { return main->isVisible() && main->isKeyWindow(); }));
    QString startedIn;
    bool sawDialog = false;
    QString proposedName;
    // The dialog is looked for until it shows: a busy X server may map it
    // late. A dialog still open after a minute is closed, so the test cannot hang.
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    poll.setInterval(100);
    bool typedIn = false;
    qint64 firstSeen = -1;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            if (!dialog || !dialog->isVisible()) continue;
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name || waited.elapsed() > 60000) {
                dialog->reject();
                return;
            }
            // The dialog sets its own name and focus as it settles: type
            // only once it has been up for a while.
            if (firstSeen < 0) firstSeen = waited.elapsed();
            if (typedIn || waited.elapsed() - firstSeen < 300) return;
            typedIn = true;
            startedIn = dialog->directory().absolutePath();
            sawDialog = dialog->testOption(QFileDialog::DontUseNativeDialog);
            proposedName = name->text();
            name->setFocus();
            name->selectAll();
            type(name, typed);
            return;
        }
    });
    poll.start();
    ScriptedAlertPresenter alerts;
    mainView->backup(nullptr);
    qputenv("HOME", oldHome);
    Application::setMainWindow(nullptr);
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(proposedName, QStringLiteral("Database"));
    EXPECT_EQ(startedIn, home);
    QElapsedTimer settle;  // longer than a window that lost the focus takes to close
    settle.start();
    while (settle.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(main->isVisible() && main->isKeyWindow()) << "the main window stays open with the keyboard";
    const QRect grab = Screen::toQt(main->frame()).toRect().adjusted(-10, -10, 10, 10);
    QGuiApplication::primaryScreen()->grabWindow(0, grab.x(), grab.y(), grab.width(), grab.height())
        .save(QDir(screenshotFolder()).filePath(QStringLiteral("main-window-after-backup.png")));
    QFile file(typed + QStringLiteral(".bkzvm"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the allowed extension is added to the typed name";
    const std::optional<QByteArray> database =
        BackupFile::decode(file.readAll(), QString::fromLatin1(BackupFile::manualBackupKeyText));
    ASSERT_TRUE(database);
    EXPECT_TRUE(BackupFile::hasSQLiteHeader(*database));
}

namespace {

// Where the window manager puts the keyboard when a panel closes.
enum class HandedTo { ManagersOwnWindow, AnotherWindow };

// Accepts the first file dialog that shows (typing the path into its name
// field, then Return), and at once hands the keyboard elsewhere, as a
// window manager may when the dialog goes.
class PanelAnswerer {
public:
    PanelAnswerer(QString path, HandedTo handedTo, QWidget* stranger)
        : m_path(std::move(path)), m_handedTo(handedTo), m_stranger(stranger)
    {
        m_poll.setInterval(50);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { look(); });
        m_poll.start();
    }
    bool answered() const { return m_answered; }

private:
    void look()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            if (!dialog || !dialog->isVisible() || m_answered) continue;
            if (!m_seen.isValid()) m_seen.start();
            if (m_seen.elapsed() < 300) return;  // it settles its own name and focus first
            m_answered = true;
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name) {
                dialog->reject();
                return;
            }
            // Typed key by key: the name's completions pop up under the
            // field once a file of the folder matches, as for a person.
            name->setFocus();
            name->selectAll();
            type(name, m_path);
            handOver();
            return;
        }
    }
    void handOver()
    {
        if (m_handedTo == HandedTo::AnotherWindow) {
            m_stranger->activateWindow();
            return;
        }
        const QList<quint32> check = WindowManager::cardinals(WindowManager::rootWindow(),
                                                              "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW);
        if (check.isEmpty()) return;
        xcb_set_input_focus(WindowManager::connection(), XCB_INPUT_FOCUS_POINTER_ROOT, check.first(),
                            XCB_CURRENT_TIME);
        xcb_flush(WindowManager::connection());
    }

    QString m_path;
    HandedTo m_handedTo;
    QWidget* m_stranger;
    QTimer m_poll;
    QElapsedTimer m_seen;
    bool m_answered = false;
};

}  // namespace

// A backup or a restore through its panel keeps the main window open, with
// the keyboard, whichever window the manager hands the keyboard to as the
// panel closes.
TEST_F(BackupOnScreen, TheMainWindowStaysOpenWithTheKeyboardAfterItsPanelsClose)
{
    struct Case {
        const char* name;
        bool restore;
        HandedTo handedTo;
    };
    const Case cases[] = {
        {"backup, keyboard to the manager's window", false, HandedTo::ManagersOwnWindow},
        {"backup, keyboard to another window", false, HandedTo::AnotherWindow},
        {"restore, keyboard to the manager's window", true, HandedTo::ManagersOwnWindow},
        {"restore, keyboard to another window", true, HandedTo::AnotherWindow},
    };
    ASSERT_FALSE(WindowManager::name().isEmpty()) << "needs the display's window manager";
    QWidget stranger;  // a window of someone else's, as far as the main window knows
    stranger.setGeometry(100, 400, 200, 100);
    stranger.show();
    ScriptedAlertPresenter alerts;
    const QString saved = scratch(QStringLiteral("kept.bkzvm"));
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller->setActive(true);
        Window* main = controller->popoverWindow();
        Application::setMainWindow(main);
        ASSERT_TRUE(waitUntil([&] { return main->isVisible() && main->isKeyWindow() && focusIn(main); }));
        const QString path = c.restore ? saved : scratch(QStringLiteral("kept-%1.bkzvm").arg(index++));
        if (!c.restore) QFile::remove(path);
        PanelAnswerer answerer(path, c.handedTo, &stranger);
        if (c.restore) mainView->restore(nullptr);
        else mainView->backup(nullptr);
        EXPECT_TRUE(answerer.answered());
        if (!c.restore) QFile::copy(path, saved);
        QElapsedTimer settle;  // longer than a window that lost the keyboard takes to close
        settle.start();
        while (settle.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_TRUE(controller->isActive());
        EXPECT_TRUE(main->isVisible()) << "the main window stays open";
        EXPECT_TRUE(waitUntil([&] { return main->isKeyWindow() && focusIn(main); }))
            << "and has the keyboard back";
    }
    Application::setMainWindow(nullptr);
    EXPECT_TRUE(QFile::exists(saved));
}

}  // namespace BackupOnScreenTests

// The preferences window on a real X server: its tabs' frames as the window
// manager places them, the removal sheet over the General pane, the
// time-zone question hanging from the window, and the panes in other locales.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Preferences/PreferencesTestFixture.h"

#include "Button.h"
#include "DatePicker.h"
#include "MessageBoxAlertPresenter.h"
#include "PrefGeneralView.h"
#include "RecordGuard.h"
#include "PrefTaskView.h"
#include "Preferences.h"
#include "Screen.h"
#include "Screenshot.h"
#include "WorkingHourSettingItem.h"

#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QTimer>

namespace PreferencesOnScreenTests {

using namespace RealWindows;

namespace {

class PreferencesOnScreen : public PreferencesTest {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            if (qgetenv("ZORAVEL_NO_DISPLAY_TESTS") == "1") GTEST_SKIP() << "no display";
            FAIL() << "run under scripts/with-display.sh";
        }
        PreferencesTest::SetUp();
    }
};

// What the screen shows, for pictures that take in more than one window.
void pictureOfScreen(const QString& name)
{
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    EXPECT_TRUE(screen.save(screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png")));
}

}  // namespace

TEST_F(PreferencesOnScreen, TabsKeepTheWindowsLeftAndTopEdgesOnScreen)
{
    settings().setZvwUserName(QStringLiteral("ann"));
    settings().setZvwPassword(QStringLiteral("secret"));
    Preferences window;
    window.general(nullptr);
    window.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(window));
    pictureOfScreen(QStringLiteral("preferences-on-screen-general"));

    const std::array<std::tuple<void (Preferences::*)(QObject*), QSizeF, const char*>, 4> tabs{{
        // The sync pane, signed in, gives the window the height of its account box.
        {&Preferences::sync, QSizeF(570, 590), "preferences-on-screen-sync"},
        {&Preferences::backups, QSizeF(510, 325), "preferences-on-screen-backup"},
        {&Preferences::tasks, QSizeF(510, 565), "preferences-on-screen-tasks"},
        {&Preferences::general, QSizeF(510, 600), "preferences-on-screen-general-again"},
    }};
    for (const auto& [tab, size, name] : tabs) {
        SCOPED_TRACE(name);
        const QRect before = window.geometry();
        (window.*tab)(nullptr);
        ASSERT_TRUE(waitUntil([&, size = size] { return window.geometry().size() == size.toSize(); }));
        EXPECT_EQ(window.geometry().topLeft(), before.topLeft()) << "left and top edges stay";
        // The grown part is painted too: the bottom corner shows the pane.
        const QPoint corner(8, window.height() - 8);
        const QColor pane = window.grab().toImage().pixelColor(corner);
        EXPECT_TRUE(screenShows(window.mapToGlobal(corner), pane));
        pictureOfScreen(QString::fromLatin1(name));
    }
}

TEST_F(PreferencesOnScreen, TheRemovalSheetHangsOverTheGeneralPaneUntilCancelled)
{
    item(QStringLiteral("Pay rent"), 1);
    item(QStringLiteral("Pay rent"), 1);
    Preferences window;
    window.general(nullptr);
    window.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(window));
    alerts.scriptButton(AlertResponse::secondButton);
    // The database held by this thread: the job waits at its first read
    // while the sheet is looked at.
    std::optional<RecordGuard> holdDatabase(std::in_place);
    window.generalView()->removeDuplicate();
    Window* sheet = window.generalView()->progressWindow();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(shownOnScreen(*sheet));
    EXPECT_EQ(sheet->geometry().size(), QSize(410, 150));
    EXPECT_GE(sheet->geometry().top(), window.geometry().top()) << "hangs inside the window";
    pictureOfScreen(QStringLiteral("preferences-removal-sheet"));
    window.generalView()->progressCancelButton()->performClick();
    holdDatabase.reset();
    ASSERT_TRUE(waitUntil([&] { return !window.generalView()->isRemoving(); }, 10000));
    EXPECT_EQ(storedKeys().size(), 2) << "cancelled before the first deletion";
    EXPECT_FALSE(sheet->isVisible());
}

TEST_F(PreferencesOnScreen, TheTimeZoneQuestionHangsFromThePreferencesWindow)
{
    MessageBoxAlertPresenter presenter;
    AlertPresenter* scripted = &AlertPresenter::current();
    AlertPresenter::setCurrent(&presenter);
    Preferences window;
    window.general(nullptr);
    window.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(window));
    QRect questionFrame;
    QTimer::singleShot(0, [&] {
        waitUntil([] { return QApplication::activeModalWidget() != nullptr; });
        QWidget* box = QApplication::activeModalWidget();
        waitUntil([&] { return box->windowHandle() && box->windowHandle()->isExposed(); });
        QThread::msleep(100);
        QCoreApplication::processEvents();
        questionFrame = box->frameGeometry();
        pictureOfScreen(QStringLiteral("preferences-timezone-question"));
        MessageBoxAlertPresenter::stopModal();
    });
    window.generalView()->tzSupportBtn()->performClick();
    AlertPresenter::setCurrent(scripted);
    ASSERT_FALSE(questionFrame.isEmpty());
    EXPECT_NEAR(questionFrame.center().x(), window.frameGeometry().center().x(), 2) << "centred over the window";
    EXPECT_FALSE(settings().tzSupport());
    EXPECT_EQ(window.generalView()->tzSupportBtn()->state(), OffState);
}

TEST_F(PreferencesOnScreen, PanesInOtherLocalesAndClockForms)
{
    const QLocale previous;
    struct Case {
        const char* locale;
        bool general;
        const char* picture;
        QString shownEnd;  // what Friday's end picker reads, for the Tasks pane
    };
    const std::vector<Case> cases{
        {"de_DE", true, "preferences-general-de_DE", {}},
        {"en_US", false, "preferences-tasks-12-hour", QStringLiteral("6:00 PM")},
        {"en_GB", false, "preferences-tasks-24-hour", QStringLiteral("18:00")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        Preferences window;
        c.general ? window.general(nullptr) : window.tasks(nullptr);
        window.makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(window));
        if (!c.general) {
            const QString shown = window.taskView()->sevenDaysWorkingHours()[5]->workingEndTime()->editor()->text();
            EXPECT_EQ(shown.toUpper(), c.shownEnd.toUpper());
        }
        EXPECT_FALSE(saveScreenshot(&window, QString::fromLatin1(c.picture)).isEmpty());
    }
    QLocale::setDefault(previous);
}

}  // namespace PreferencesOnScreenTests

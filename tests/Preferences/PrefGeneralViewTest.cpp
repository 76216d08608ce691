// The General pane: what each control stores and posts, the category
// pop-up, the time-zone switch, the start at login and the duplicate removal.
#include "PreferencesTestFixture.h"

#include "Button.h"
#include "LoginItem.h"
#include "PopUpButton.h"
#include "PrefGeneralView.h"
#include "Preferences.h"
#include "RadioMatrix.h"
#include "Screenshot.h"
#include "TextField.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <ranges>

namespace PrefGeneralViewTests {

namespace {

int indexOfTag(const PopUpButton& popUp, qint64 tag)
{
    for (int i = 0; i < popUp.numberOfItems(); ++i)
        if (popUp.itemAtIndex(i)->isSelectable() && popUp.itemAtIndex(i)->tag == tag) return i;
    return -1;
}

void choose(PopUpButton* popUp, qint64 tag)
{
    ASSERT_TRUE(popUp->performClickOnItem(indexOfTag(*popUp, tag))) << "no item tagged " << tag;
}

QList<qint64> offeredKeys(const PopUpButton& popUp)
{
    QList<qint64> keys;
    for (const PopUpItem& item : popUp.items())
        if (item.isSelectable() && item.enabled) keys.append(item.tag);
    return keys;
}

int selectedTag(const PopUpButton& popUp)
{
    const PopUpItem* item = popUp.selectedItem();
    return item ? item->tag : -1;
}

const QString kPush = QStringLiteral("com.qrb.zvm.AutoSyncNotification");
const QString kList = QStringLiteral("Array of allTasksEventsAdes has changed");
const QString kCategories = QStringLiteral("Array of calendarList has changed");

}  // namespace

using PrefGeneralViewTest = PreferencesTest;

TEST_F(PrefGeneralViewTest, EachControlStoresItsValueAndOnlyTheSyncedOnesAskForAPush)
{
    struct Case {
        const char* what;
        std::function<void(PrefGeneralView&)> act;
        std::function<bool(Setting&)> stored;
        QStringList posts;  // with automatic web sync on
    };
    const std::vector<Case> cases{
        {"duration", [](PrefGeneralView& p) { choose(p.durationBtn(), 90); },
         [](Setting& s) { return s.durationDefEventVal() == 90; }, {kPush}},
        {"week on Monday", [](PrefGeneralView& p) { p.weekStartMatrix()->performClickOnCell(1); },
         [](Setting& s) { return s.weekStartDay() == 1; }, {kList, kPush}},
        {"week on Sunday", [](PrefGeneralView& p) { p.weekStartMatrix()->performClickOnCell(0); },
         [](Setting& s) { return s.weekStartDay() == 0; }, {kList, kPush}},
        {"snooze", [](PrefGeneralView& p) { choose(p.snoozeBtn(), 900); },
         [](Setting& s) { return s.snoozeDefVal() == 900; }, {}},
        {"15-minute alert", [](PrefGeneralView& p) { choose(p.defaultAlertBtn(), 900); },
         [](Setting& s) { return s.defaultEventAlert() == QStringLiteral("/1|-900|"); }, {kPush}},
        {"1-day alert", [](PrefGeneralView& p) { choose(p.defaultAlertBtn(), 86400); },
         [](Setting& s) { return s.defaultEventAlert() == QStringLiteral("/1|-86400|"); }, {kPush}},
        {"no alert", [](PrefGeneralView& p) { choose(p.defaultAlertBtn(), 0); },
         [](Setting& s) { return s.defaultEventAlert().isEmpty(); }, {kPush}},
        {"warn before deleting", [](PrefGeneralView& p) { p.warnBeforeDeleteBtn()->performClick(); },
         [](Setting& s) { return s.isWarningForDeleting() == 1; }, {kPush}},
        {"start at login", [](PrefGeneralView& p) { p.startUpAtLoginBtn()->performClick(); },
         [](Setting&) { return LoginItem().appIsPresentInLoginItems(); }, {}},
    };
    for (const bool autoSync : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (autoSync ? " with web sync" : " without web sync"));
            settings().setAutoZVWSync(autoSync ? 1 : 0);
            settings().setIsWarningForDeleting(0);
            settings().setDefaultEventAlert(QStringLiteral("/1|-1800|"));
            LoginItem().disableLoginItem();
            PrefGeneralView pane(QRectF(0, 0, 510, 542));
            posted.clear();
            c.act(pane);
            EXPECT_TRUE(c.stored(settings()));
            QStringList expected = c.posts;
            if (!autoSync) expected.removeAll(kPush);
            EXPECT_EQ(posted, expected);
        }
    }
}

TEST_F(PrefGeneralViewTest, StoredValuesShowAndValuesOutsideTheMenusShowNoItem)
{
    struct Case {
        const char* what;
        qint64 duration, snooze;
        QString alert;
        int shownDuration, shownSnooze, shownAlert;  // -1: no item
    };
    const std::vector<Case> cases{
        {"menu values", 120, 1800, QStringLiteral("/1|-3600|"), 120, 1800, 3600},
        {"alert none after a reload", 60, 300, QString(), 60, 300, 0},
        {"values outside the menus", 45, 7, QStringLiteral("/1|-120|"), -1, -1, -1},
        {"an alert text without an alert", 30, 900, QStringLiteral("garbage"), 30, 900, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings().setDurationDefEventVal(c.duration);
        settings().setSnoozeDefVal(c.snooze);
        settings().setDefaultEventAlert(c.alert);
        PrefGeneralView pane(QRectF(0, 0, 510, 542));
        choose(pane.defaultAlertBtn(), 1800);  // the pop-up shows something else before the reload
        settings().setDefaultEventAlert(c.alert);
        pane.loadData();
        EXPECT_EQ(selectedTag(*pane.durationBtn()), c.shownDuration);
        EXPECT_EQ(selectedTag(*pane.snoozeBtn()), c.shownSnooze);
        EXPECT_EQ(selectedTag(*pane.defaultAlertBtn()), c.shownAlert);
        // Shown is not stored: the values stay until the user chooses.
        EXPECT_EQ(settings().durationDefEventVal(), c.duration);
        EXPECT_EQ(settings().defaultEventAlert(), c.alert);
    }
}

TEST_F(PrefGeneralViewTest, TheCategoryPopUpOffersOwnShownOrdinaryCategoriesAndSelectsTheDefaultByKey)
{
    const CalendarPtr home = category(QStringLiteral("Home"));
    const CalendarPtr twin = category(QStringLiteral("Home"));
    const CalendarPtr hidden = category(QStringLiteral("Attic"), 0, true);
    const CalendarPtr shared = category(QStringLiteral("Team"), 0, false, true);
    const CalendarPtr project = category(QStringLiteral("Launch"), 1);
    settings().setCalendarDefID(twin->primaryKey());
    settings().setAutoZVWSync(1);
    PrefGeneralView pane(QRectF(0, 0, 510, 542));

    const QList<qint64> offered = offeredKeys(*pane.calendarBtn());
    EXPECT_TRUE(offered.contains(home->primaryKey()));
    EXPECT_TRUE(offered.contains(twin->primaryKey()));
    for (const CalendarPtr& left : {hidden, shared, project}) EXPECT_FALSE(offered.contains(left->primaryKey()));
    EXPECT_EQ(selectedTag(*pane.calendarBtn()), twin->primaryKey()) << "the second of two alike names";

    posted.clear();
    choose(pane.calendarBtn(), home->primaryKey());
    EXPECT_EQ(settings().calendarDefID(), home->primaryKey());
    EXPECT_EQ(posted, (QStringList{kCategories, kPush}));

    // Hidden in the main window after the pop-up was built, then chosen.
    home->setInVisible(1);
    ASSERT_TRUE(home->dehydrate());
    choose(pane.calendarBtn(), home->primaryKey());
    EXPECT_EQ(Calendar::initWithPrimaryKey(home->primaryKey(), RecordStore::sharedDatabase())->inVisible(), 0);
    EXPECT_EQ(manager->calendarWithPrimaryKey(home->primaryKey())->inVisible(), 0);
}

TEST_F(PrefGeneralViewTest, TimeZoneSupportAsksOnlyWhenTurnedOnAndCancelChangesNothing)
{
    struct Case {
        const char* what;
        bool wasOn;
        std::optional<int> answer;  // none: no question expected
        bool on;
        QStringList posts;
        const char* machineZone = "Europe/Paris";
        qint64 zone = 53392;  // what the settings take when the box changes
    };
    const std::vector<Case> cases{
        {"cancelled", false, AlertResponse::secondButton, false, {}},
        {"confirmed", false, AlertResponse::firstButton, true,
         {QStringLiteral("turn on off timezone"), kList, kPush}},
        {"turned off", true, std::nullopt, false, {kList, kPush}},
        // Not a zone of the table by its name: the table's UTC, not floating.
        {"confirmed on UTC", false, AlertResponse::firstButton, true,
         {QStringLiteral("turn on off timezone"), kList, kPush}, "UTC", CoreData::utcZoneId},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTimeZone machine(c.machineZone);
        settings().setAutoZVWSync(1);
        settings().setTzSupport(c.wasOn);
        settings().setLastUpdate(5);
        settings().setCurrentTZ(-7);
        settings().setHasChanges(0);
        auto& store = static_cast<RecordingICalSync&>(*manager->icalSync());
        store.clearCalls();
        Preferences window;
        window.general(nullptr);
        PrefGeneralView& pane = *window.generalView();
        const qsizetype asked = alerts.requests().size();
        if (c.answer) alerts.scriptButton(*c.answer);
        posted.clear();
        pane.tzSupportBtn()->performClick();

        ASSERT_EQ(alerts.requests().size() - asked, c.answer ? 1 : 0);
        if (c.answer) {
            const AlertRequest question = alerts.requests().last();
            EXPECT_EQ(question.messageText, text("timezoneEnableWarningHeaderText"));
            EXPECT_EQ(question.informativeText, text("timezoneEnableWarningText"));
            EXPECT_EQ(question.buttonTitles, (QStringList{text("okText"), text("cancelText")}));
            EXPECT_EQ(question.attachedTo.data(), &window) << "hangs from the preferences window";
        }
        EXPECT_EQ(settings().tzSupport(), c.on);
        EXPECT_EQ(pane.tzSupportBtn()->state(), c.on ? OnState : OffState) << "the box shows the setting at once";
        EXPECT_EQ(posted, c.posts);
        const bool changed = c.on != c.wasOn;
        EXPECT_EQ(settings().hasChanges(), changed ? 1 : 0);
        EXPECT_EQ(settings().lastUpdate(), changed ? 1 : 5);
        // The store's items are read again under the new setting, as a
        // start reads them: held as the old one had them, a New York event
        // showed at its own clock time in Paris, and a drag wrote that instant.
        QStringList readAgain;
        for (const RecordingICalSync::Call& call : store.calls()) readAgain << call.operation;
        EXPECT_EQ(readAgain, changed ? QStringList{QStringLiteral("fullSync")} : QStringList());
        if (changed) {
            EXPECT_EQ(manager->appRootTZ(), manager->getDefaultTimezone());
            EXPECT_EQ(settings().currentTZ(), c.zone);
        } else {
            EXPECT_EQ(settings().currentTZ(), -7);
        }
    }
}

TEST_F(PrefGeneralViewTest, AFailedLoginChangeLeavesTheBoxOnWhatIsReallyThere)
{
    // A file where the autostart folder should be: the entry cannot be written.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_TRUE(QDir().mkpath(config));
    QFile blocker(config + QStringLiteral("/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    PrefGeneralView pane(QRectF(0, 0, 510, 542));
    ASSERT_EQ(pane.startUpAtLoginBtn()->state(), OffState);
    alerts.scriptButton(AlertResponse::firstButton);
    pane.startUpAtLoginBtn()->performClick();
    EXPECT_FALSE(LoginItem().appIsPresentInLoginItems());
    EXPECT_EQ(pane.startUpAtLoginBtn()->state(), OffState);
    EXPECT_FALSE(alerts.requests().isEmpty()) << "the login item said why";
}

TEST_F(PrefGeneralViewTest, DuplicateRemovalKeepsTheOldestOfEachGroupAndEndsWithTheResult)
{
    struct Case {
        const char* what;
        bool proceed;
        bool cancelOnSheet;
        bool withDuplicates;
        QList<qint64> left;
        bool resultAlert;
    };
    const std::vector<Case> cases{
        {"question cancelled", false, false, true, {5, 7, 9, 12, 20, 21}, false},
        {"removed", true, false, true, {5, 7, 20, 21}, true},
        {"sheet cancelled before the first deletion", true, true, true, {5, 7, 9, 12, 20, 21}, false},
        {"nothing alike", true, false, false, {5, 7}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        execute(QStringLiteral("DELETE FROM Tasks"));
        // Three alike tasks, an event of their name, and two notes that only
        // begin alike.
        const QList<std::pair<qint64, TaskPtr>> rows{
            {5, item(QStringLiteral("Pay rent"), 1)}, {7, item(QStringLiteral("Pay rent"), 0)},
            {9, item(QStringLiteral("Pay rent"), 1)}, {12, item(QStringLiteral("Pay rent"), 1)},
            {20, item(QStringLiteral("Ideas"), 3, QStringLiteral("Ideas\nboat"))},
            {21, item(QStringLiteral("Ideas"), 3, QStringLiteral("Ideas\ngarden"))}};
        // From the last: the new keys are above every key in use.
        for (auto it = rows.crbegin(); it != rows.crend(); ++it)
            execute(QStringLiteral("UPDATE Tasks SET primaryKey=%1 WHERE primaryKey=%2").arg(it->first).arg(it->second->primaryKey()));
        if (!c.withDuplicates) execute(QStringLiteral("DELETE FROM Tasks WHERE primaryKey IN (9, 12, 20, 21)"));

        Preferences window;
        window.general(nullptr);
        PrefGeneralView& pane = *window.generalView();
        const qsizetype asked = alerts.requests().size();
        alerts.scriptButton(c.proceed ? AlertResponse::secondButton : AlertResponse::firstButton);
        if (c.resultAlert) alerts.scriptButton(AlertResponse::firstButton);
        pane.removeDuplicateBtn()->performClick();
        const AlertRequest question = alerts.requests().at(asked);
        EXPECT_EQ(question.buttonTitles, (QStringList{text("cancelText"), text("proceedText")}));
        EXPECT_EQ(question.messageText, text("deleteDupTitleText"));
        EXPECT_EQ(question.informativeText, text("deleteDupMsg"));
        EXPECT_EQ(pane.isRemoving(), c.proceed) << "the sheet shows only after proceed";
        if (c.proceed) {
            ASSERT_NE(pane.progressWindow(), nullptr);
            EXPECT_EQ(pane.progressWindow()->frame().size(), QSizeF(410, 150));
            EXPECT_EQ(pane.progressCancelButton()->frame(), QRectF(410 - 20 - 75, 150 - 10 - 24, 75, 24));
        }
        // The deletions wait for the main thread, which presses Cancel first.
        if (c.cancelOnSheet) pane.progressCancelButton()->performClick();
        ASSERT_TRUE(processEventsUntil([&] { return !pane.isRemoving(); }, 10000));
        EXPECT_EQ(storedKeys(), c.left);
        EXPECT_EQ(alerts.requests().size() - asked, c.resultAlert ? 2 : 1);
        if (c.resultAlert) {
            EXPECT_EQ(alerts.requests().last().informativeText, text("removeSuspectedDuplicatesDoneMessage"));
        }
    }
}

TEST_F(PrefGeneralViewTest, TheDurationLabelHasTwoLinesOutsideAmericanEnglishAndStandsLevelWithItsPopUp)
{
    const QLocale previous;
    for (const auto& [locale, lines] : {std::pair{"en_US", 1}, std::pair{"de_DE", 2}, std::pair{"C", 2}}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        PrefGeneralView pane(QRectF(0, 0, 510, 542));
        TextField* label = pane.durationLabel();
        EXPECT_EQ(label->frame().height(), lines == 2 ? 38 : 19) << locale << ": twice the ordinary label";
        EXPECT_EQ(label->frame().x() == 0, lines == 2) << locale;
        // The ink of the text is level with the pop-up's middle, not above it.
        const QImage shot = label->grab().toImage();
        std::vector<int> inked;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixelColor(x, y).alpha() > 128 && shot.pixelColor(x, y).lightness() < 128) inked.push_back(y);
        ASSERT_FALSE(inked.empty());
        const double middle = label->frame().y() + (inked.front() + inked.back() + 1) / 2.0 / shot.devicePixelRatio();
        EXPECT_NEAR(middle, pane.durationBtn()->frame().center().y(), 4) << locale;
        if (lines == 2) saveScreenshot(&pane, QStringLiteral("pref-general-duration-not-english"));
    }
    QLocale::setDefault(previous);
}

}  // namespace PrefGeneralViewTests

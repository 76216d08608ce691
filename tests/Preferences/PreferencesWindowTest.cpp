// The preferences window: its toolbar, the tabs' frames with the left and
// top edges kept, and which panes reload when.
#include "PreferencesTestFixture.h"

#include "PopUpButton.h"
#include "PrefBackupView.h"
#include "PrefGeneralView.h"
#include "PrefPaneSupport.h"
#include "PrefTaskView.h"
#include "Preferences.h"
#include "Toolbar.h"

namespace PreferencesWindowTests {

using PreferencesWindowTest = PreferencesTest;

TEST_F(PreferencesWindowTest, EachTabGivesItsFrameKeepingTheLeftAndTopEdges)
{
    struct Case {
        const char* key;
        bool account;
        QSizeF size;
    };
    const std::vector<Case> cases{
        {"generalText", false, QSizeF(510, 600)}, {"tasksText", false, QSizeF(510, 565)},
        // The sync pane, loaded, sizes the window for its account box.
        {"syncText", true, QSizeF(570, 590)},     {"syncText", false, QSizeF(570, 465)},
        {"backupText", false, QSizeF(510, 325)},
    };
    Preferences window;
    const std::array<void (Preferences::*)(QObject*), 4> actions{&Preferences::general, &Preferences::tasks,
                                                                   &Preferences::sync, &Preferences::backups};
    const QStringList keys{QStringLiteral("generalText"), QStringLiteral("tasksText"), QStringLiteral("syncText"),
                           QStringLiteral("backupText")};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + (c.account ? " with an account" : ""));
        settings().setZvwUserName(QStringLiteral("ann"));  // a name alone is no account
        settings().setZvwPassword(c.account ? QStringLiteral("secret") : QString());
        const QRectF before = window.frame();
        (window.*actions[size_t(keys.indexOf(QString::fromLatin1(c.key)))])(nullptr);
        const QRectF after = window.frame();
        EXPECT_EQ(after.size(), c.size);
        EXPECT_EQ(after.left(), before.left());
        EXPECT_EQ(after.top() + after.height(), before.top() + before.height()) << "the top edge stays";
        EXPECT_EQ(window.windowTitle(), text(c.key));
        EXPECT_EQ(window.selectedItemIdentifier(), text(c.key));
        EXPECT_EQ(window.contentView()->frame().size(), QSizeF(c.size.width(), c.size.height() - Toolbar::height));
    }
    // From Sync at 570 x 510 to Backup, as the plain arithmetic says.
    EXPECT_EQ(Preferences::frameKeepingTopLeft(QRectF(100, 200, 570, 510.6), QSizeF(510, 325)),
              QRectF(100, 385, 510, 325));
}

TEST_F(PreferencesWindowTest, TheToolbarHoldsTheFourTabsAndNoOtherIdentifier)
{
    Preferences window;
    const QStringList four{text("generalText"), text("tasksText"), text("syncText"), text("backupText")};
    EXPECT_EQ(Preferences::toolbarDefaultItemIdentifiers(), four);
    EXPECT_EQ(window.toolBar()->selectableItemIdentifiers(), four);
    EXPECT_EQ(window.toolBar()->identifier(), QStringLiteral("Preference"));
    for (const QString& other : {QStringLiteral("generalText"), QStringLiteral("Preferences"), QString()})
        EXPECT_FALSE(window.itemForItemIdentifier(other).has_value()) << other.toStdString();
    // A click on an item runs its tab.
    window.toolBar()->items()[1].action();
    EXPECT_EQ(window.contentView(), static_cast<View*>(window.taskView()));
    EXPECT_EQ(window.selectedItemIdentifier(), text("tasksText"));
}

TEST_F(PreferencesWindowTest, TheGearMenuAlwaysOpensOnGeneralAndOnlyGeneralReloadsOnBecomingKey)
{
    view->preference();
    Preferences& window = *view->pref();
    window.tasks(nullptr);
    window.backups(nullptr);
    view->preference();
    EXPECT_EQ(window.contentView(), static_cast<View*>(window.generalView()));
    EXPECT_EQ(window.selectedItemIdentifier(), text("generalText"));

    struct Case {
        void (Preferences::*tab)(QObject*);
        bool reloads;
    };
    for (const Case& c : {Case{&Preferences::general, true}, Case{&Preferences::tasks, false},
                          Case{&Preferences::sync, false}, Case{&Preferences::backups, false}}) {
        (window.*c.tab)(nullptr);
        const CalendarPtr added = category(QStringLiteral("Added %1").arg(manager->calendarList().size()));
        settings().setDurationDefTaskVal(180);
        window.windowDidBecomeKey(&window);
        bool offered = false;
        for (const PopUpItem& item : window.generalView()->calendarBtn()->items())
            offered = offered || (item.isSelectable() && item.tag == added->primaryKey());
        EXPECT_EQ(offered, c.reloads);
        EXPECT_NE(window.taskView()->durationBtn()->selectedItem()->tag, 180) << "the Tasks pane is left as it was";
        settings().setDurationDefTaskVal(60);
        window.tasks(nullptr);
    }
}

TEST_F(PreferencesWindowTest, PaneHelpersReadWorkingMinutesAndAlertsAsStored)
{
    struct MinutesCase {
        QVariant value;
        std::optional<int> minutes;
    };
    const std::vector<MinutesCase> minutes{
        {QVariant(), std::nullopt},     {QVariant(510), 510},          {QVariant(QStringLiteral("480")), 480},
        {QVariant(0), 0},               {QVariant(1439), 1439},        {QVariant(1440), std::nullopt},
        {QVariant(-1), std::nullopt},   {QVariant(510.5), std::nullopt}, {QVariant(QStringLiteral("x")), std::nullopt},
    };
    for (const MinutesCase& c : minutes) {
        QVariantMap hours;
        if (c.value.isValid()) hours.insert(QStringLiteral("MondayStartTime"), c.value);
        EXPECT_EQ(PrefPanes::workingMinutesOf(hours, QStringLiteral("MondayStartTime")), c.minutes)
            << c.value.toString().toStdString();
    }
    EXPECT_EQ(PrefPanes::timeOfMinutes(1065), QTime(17, 45));
    EXPECT_EQ(PrefPanes::minutesOfTime(QTime(8, 30)), 510);

    struct AlertCase {
        qint64 tag;
        QString stored;
    };
    for (const AlertCase& c : {AlertCase{0, QString()}, AlertCase{900, QStringLiteral("/1|-900|")},
                               AlertCase{86400, QStringLiteral("/1|-86400|")}}) {
        EXPECT_EQ(PrefPanes::alertListForTag(c.tag), c.stored);
        EXPECT_EQ(PrefPanes::alertTagOfList(c.stored), c.tag);
    }
    EXPECT_EQ(PrefPanes::alertTagOfList(QStringLiteral("nothing")), std::nullopt);
    EXPECT_EQ(PrefPanes::workingStartKey(2), QStringLiteral("TuedayStartTime"));
    EXPECT_EQ(PrefPanes::workingEndKey(4), QStringLiteral("ThusdayEndTime"));
}

}  // namespace PreferencesWindowTests

#include "MainView.h"

#include "../Model/ModelTestFixture.h"
#include "Clock.h"
#include "CoreData.h"
#include "../../Sources/Model/Notifications.h"
#include "MainViewHeight.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "RecordingICalSync.h"
#include "Setting.h"
#include "SystemTimeZoneWatcher.h"
#include "TimezoneSearchView.h"
#include "ZVWSync.h"

#include <QLineEdit>
#include <QObject>

#include <gtest/gtest.h>

namespace MainViewTimeZoneTests {

namespace {

constexpr qint64 paris = 53392;
constexpr qint64 tokyo = 40264;

// The real zone table and the template's settings row.
class MainViewTimeZoneTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(1357725600));  // 9 January 2013
        dataManager().loadTimeZones();
        dataManager().setCurrentSetting(Setting::initWithPrimaryKey(1, db()));
        ASSERT_TRUE(dataManager().currentSetting());
    }
    void TearDown() override
    {
        Clock::reset();
        ModelTest::TearDown();
    }
    Setting& setting() { return *dataManager().currentSetting(); }
    static qint64 idOfCity(const QString& city)
    {
        for (const TimezoneObj& zone : CoreData::shared()->tzList().zones())
            if (zone.cityName == city) return zone.tzId;
        return -1;
    }
};

// Counts the posts of some names.
class PostCounter : public QObject {
public:
    explicit PostCounter(const QStringList& names)
    {
        for (const QString& name : names)
            NotificationCenter::defaultCenter().addObserver(this, name, nullptr, [this](const Notification& n) {
                posts.append(n.name());
                if (n.name() == kAutoSyncNotification) bits.append(n.objectAs<qint64>());
            });
    }
    QStringList posts;
    QList<qint64> bits;
};

}  // namespace

TEST_F(MainViewTimeZoneTest, TheControlSitsInTheBarAndLeavesFloatingZonesOut)
{
    const double W = 800;
    const double H = 700;
    MainView view(QRectF(0, 0, W, H));
    TimezoneSearchView* control = view.timezoneView();
    ASSERT_TRUE(control);
    // 253 wide: its globe button ends where the pin button begins.
    EXPECT_EQ(control->frame(), QRectF(W - 620 + 17, H - 30, 253, 20));
    EXPECT_EQ(control->searchField()->frame().x(), 170);
    EXPECT_TRUE(control->excludeFloatingTZ());
    EXPECT_EQ(control->delegate(), &view);
    EXPECT_EQ(control->items().size(), dataManager().tzList().zones().size());
    control->search();
    EXPECT_EQ(control->filteredItems().size(), dataManager().tzList().zones().size() - 1);
    for (const TimezoneItemView* row : control->filteredItems()) EXPECT_NE(row->obj().cityName, QStringLiteral("Floating"));

    // The layout moves it to the bar's left, in either mode.
    const double h = mainViewHeight > 0 ? double(mainViewHeight) : H;
    view.toggleViewSize();
    EXPECT_EQ(control->frame(), QRectF(7, h - 28, 253, 20));
    setting().setIsWeekPlannerPinned(1);
    view.setIsPlannerExpand(true);
    view.toggleViewSize();
    EXPECT_EQ(control->frame(), QRectF(7, h - 28, 253, 20));
}

TEST_F(MainViewTimeZoneTest, ShownOnlyWithTimeZoneSupport)
{
    setting().setTzSupport(false);
    MainView view(QRectF(0, 0, 620, 700));
    EXPECT_TRUE(view.timezoneView()->isHidden());
    setting().setTzSupport(true);
    view.refreshUI();
    EXPECT_FALSE(view.timezoneView()->isHidden());
}

TEST_F(MainViewTimeZoneTest, TheSettingsZoneReachesTheControlAndAZoneTheTableLacksChangesNothing)
{
    setting().setCurrentTZ(paris);
    MainView view(QRectF(0, 0, 620, 700));
    ASSERT_TRUE(view.timezoneView()->currentTZ());
    EXPECT_EQ(view.timezoneView()->currentTZ()->tzId, paris);
    EXPECT_EQ(view.timezoneView()->searchField()->stringValue(), QStringLiteral("Paris"));

    for (qint64 unknown : {qint64(123456789), qint64(-1)}) {
        setting().setCurrentTZ(unknown);
        view.turnOnTimeZone();
        view.settingTimezoneChangedWhenSync();
        EXPECT_EQ(view.timezoneView()->currentTZ()->tzId, paris) << unknown;
        EXPECT_EQ(view.timezoneView()->searchField()->stringValue(), QStringLiteral("Paris")) << unknown;
    }

    // A sync's new settings reach the control through their notification.
    setting().setCurrentTZ(tokyo);
    NotificationCenter::defaultCenter().postNotificationName(kSettingChangedBySync);
    EXPECT_EQ(view.timezoneView()->currentTZ()->tzId, tokyo);
    EXPECT_EQ(view.timezoneView()->searchField()->stringValue(), QStringLiteral("Tokyo"));
}

TEST_F(MainViewTimeZoneTest, AChoiceIsSavedAndToldToTheItemsAndTheSync)
{
    setting().setCurrentTZ(paris);
    MainView view(QRectF(0, 0, 620, 700));
    for (const bool autoSync : {false, true}) {
        setting().setAutoZVWSync(autoSync ? 1 : 0);
        PostCounter counter({kAllTasksEventsAdesChanged, kAutoSyncNotification});
        TimezoneObj zone = *dataManager().getTimeZone(tokyo);
        view.changeItemTo(zone);
        EXPECT_EQ(setting().currentTZ(), tokyo);
        EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->currentTZ(), tokyo) << "saved";
        EXPECT_EQ(counter.posts.count(kAllTasksEventsAdesChanged), 1) << autoSync;
        EXPECT_EQ(counter.bits, autoSync ? QList<qint64>{AutoSync::settings} : QList<qint64>{}) << autoSync;
        setting().setCurrentTZ(paris);
    }
}

TEST_F(MainViewTimeZoneTest, ChoosingInThePickerChangesTheSettingsZone)
{
    setting().setCurrentTZ(paris);
    MainView view(QRectF(0, 0, 620, 700));
    TimezoneSearchView* control = view.timezoneView();
    control->searchField()->editor()->setText(QStringLiteral("tokyo"));
    Q_EMIT control->searchField()->editor()->textEdited(QStringLiteral("tokyo"));
    ASSERT_EQ(control->filteredItems().size(), 1);
    control->makeListViewBecomFirstResponder(0);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTimeZoneListCloseNotification);
    EXPECT_EQ(setting().currentTZ(), tokyo);
    EXPECT_EQ(idOfCity(QStringLiteral("Tokyo")), tokyo);
}

// The machine's zone changes while the program runs. Without zone support
// the display zone follows it, and the store's events, held in the
// machine's clock when of the former display zone, are read again as the
// next start reads them; with support the display zone is the person's
// choice and the items hold their own zones' clocks.
TEST_F(MainViewTimeZoneTest, AMachineZoneChangeWithoutZoneSupportReadsTheStoresEventsAgain)
{
    constexpr qint64 newYork = -21536;
    const struct {
        const char* name;
        bool support;
        const char* machine;  // after the change
        qint64 shown;
        bool readAgain;
    } cases[] = {
        {"without zone support, to New York", false, "America/New_York", newYork, true},
        {"without zone support, to the same zone", false, "Europe/Paris", paris, false},
        {"with zone support, to New York", true, "America/New_York", paris, false},
    };
    auto recording = std::make_unique<RecordingICalSync>();
    RecordingICalSync& store = *recording;
    dataManager().setICalSync(std::move(recording));
    MainView view(QRectF(0, 0, 620, 700));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedTimeZone before("Europe/Paris");
        setting().setTzSupport(c.support);
        setting().setCurrentTZ(paris);
        store.clearCalls();
        ScopedTimeZone machine(c.machine);
        NotificationCenter::defaultCenter().postNotificationName(kSystemTimeZoneDidChangeNotification);
        EXPECT_EQ(setting().currentTZ(), c.shown);
        QStringList calls;
        for (const RecordingICalSync::Call& call : store.calls()) calls << call.operation;
        EXPECT_EQ(calls, c.readAgain ? QStringList{QStringLiteral("fullSync")} : QStringList());
    }
    dataManager().setICalSync(nullptr);
}

}  // namespace MainViewTimeZoneTests

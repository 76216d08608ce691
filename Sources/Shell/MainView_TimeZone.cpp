// The main view's time-zone control: the picker in the bottom bar and what
// follows a choice.
#include "MainView.h"

#include "CoreData.h"
#include "../Model/Notifications.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Setting.h"
#include "TimezoneSearchView.h"
#include "ZVWSync.h"

#include <QDebug>

namespace {

// The control's place at set-up; the layout moves it to the bar's left, 7
// points in. 253 wide, its globe button ends where the pin button begins:
// 7 points wider, the globe lay over the pin and took its clicks.
constexpr double controlWidth = 253;
constexpr double controlHeight = 20;
constexpr double controlIndent = 170;

}  // namespace

void MainView::setUpTimezoneView(double x1, double H)
{
    m_timezoneView = new TimezoneSearchView(QRectF(x1, H - 30, controlWidth, controlHeight), controlIndent);
    // Labelled when the control is first searched, not while the launch
    // builds the window.
    m_timezoneView->setItemsSource([] {
        const CoreData* manager = CoreData::shared();
        return manager ? manager->tzList().zones() : QList<TimezoneObj>();
    });
    m_timezoneView->setDelegate(this);
    // A floating zone follows whatever zone the machine is in: not a zone to
    // show the planner in.
    m_timezoneView->setExcludeFloatingTZ(true);
    addSubview(m_timezoneView);
    timezoneSelection();
}

void MainView::timezoneSelection()
{
    turnOnTimeZone();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotificationOnMainThreadName(kAllTasksEventsAdesChanged, static_cast<QObject*>(this));
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : SettingPtr();
    if (setting && setting->autoZVWSync() != 0) center.postNotificationOnMainThreadName(kAutoSyncNotification, AutoSync::settings);
}

void MainView::turnOnTimeZone()
{
    heardChange();
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : SettingPtr();
    if (!manager || !setting) return;
    // A zone the table lacks (an old or hand-edited row) leaves everything as
    // it is.
    const std::optional<TimezoneObj> zone = manager->getTimeZone(setting->currentTZ());
    if (!zone) {
        qWarning() << "The settings' time zone" << setting->currentTZ() << "is not in the zone table; kept as shown";
        return;
    }
    if (m_timezoneView) m_timezoneView->setCurrentTZ(zone);
    m_monthView->goToday();
    // Midnight comes at another hour in the new zone.
    armDayChangeTimer();
    recalculateTaskTimeZone();
    reloadPlannerView(true);
}

void MainView::settingTimezoneChangedWhenSync()
{
    heardChange();
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : SettingPtr();
    if (!manager || !setting || !m_timezoneView) return;
    const std::optional<TimezoneObj> zone = manager->getTimeZone(setting->currentTZ());
    if (zone) m_timezoneView->setCurrentTZ(zone);
}

void MainView::changeItemTo(const TimezoneObj& zone)
{
    CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : SettingPtr();
    if (!setting) {
        qWarning() << "No settings to keep the chosen time zone in";
        return;
    }
    if (!manager->saveSettingFromView([&](Setting& kept) { kept.setCurrentTZ(zone.tzId); })) qWarning() << "The chosen time zone could not be saved in the settings";
    timezoneSelection();
}

void MainView::refreshUI()
{
    if (!m_timezoneView) return;
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : SettingPtr();
    m_timezoneView->setHidden(!(setting && setting->tzSupport() != 0));
}

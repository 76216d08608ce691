#include "WorkingHourSettingItem.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "DatePicker.h"
#include "NotificationCenter.h"
#include "PrefPaneSupport.h"
#include "Setting.h"
#include "TextField.h"
#include "TextTable.h"

#include <QLocale>

namespace {

DatePicker* makeTimePicker(const QRectF& frame, bool uses24HourClock)
{
    auto* picker = new DatePicker(frame, nullptr, DatePickerElements::HourMinute);
    picker->setUses24HourClock(uses24HourClock);
    picker->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    return picker;
}

}  // namespace

WorkingHourSettingItem::WorkingHourSettingItem(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const bool uses24HourClock = localeUses24HourClock();
    const double pickerWidth = uses24HourClock ? 70 : 90;
    m_dayNameLabel = TextField::labelWithString(QString(), QRectF(0, 3, 110, 19));
    m_dayNameLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    addSubview(m_dayNameLabel);

    m_workingStartTime = makeTimePicker(QRectF(110, 1, pickerWidth, 22), uses24HourClock);
    m_workingStartTime->setTarget(this, [this](DatePicker*) { workingStartChanged(); });
    addSubview(m_workingStartTime);

    TextField* dash = TextField::labelWithString(QStringLiteral("-"), QRectF(110 + pickerWidth, 3, 16, 19));
    dash->setAlignment(Qt::AlignCenter);
    addSubview(dash);

    m_workingEndTime = makeTimePicker(QRectF(126 + pickerWidth, 1, pickerWidth, 22), uses24HourClock);
    m_workingEndTime->setTarget(this, [this](DatePicker*) { workingEndChanged(); });
    addSubview(m_workingEndTime);
}

WorkingHourSettingItem::~WorkingHourSettingItem() = default;

bool WorkingHourSettingItem::localeUses24HourClock()
{
    return !QLocale().timeFormat(QLocale::ShortFormat).contains(QLatin1String("ap"), Qt::CaseInsensitive);
}

void WorkingHourSettingItem::setData(int weekDay, QTime startTime, QTime endTime)
{
    m_weekDay = weekDay;
    m_startTime = startTime;
    m_endTime = endTime;
    m_dayNameLabel->setStringValue(PrefPanes::dayName(weekDay));
    m_workingStartTime->setTimeOfDay(startTime);
    // The minimum first: the end is never shown before the start.
    m_workingEndTime->setMinTimeOfDay(m_workingStartTime->timeOfDay());
    m_workingEndTime->setTimeOfDay(endTime);
}

void WorkingHourSettingItem::workingStartChanged()
{
    const QTime start = m_workingStartTime->timeOfDay();
    // Moving the start past the end moves the end picker along, but the
    // stored end stays until the end picker itself is changed.
    m_workingEndTime->setMinTimeOfDay(start);
    m_startTime = start;
    storeWorkingMinutes(PrefPanes::workingStartKey(m_weekDay), PrefPanes::minutesOfTime(start));
}

void WorkingHourSettingItem::workingEndChanged()
{
    m_endTime = m_workingEndTime->timeOfDay();
    storeWorkingMinutes(PrefPanes::workingEndKey(m_weekDay), PrefPanes::minutesOfTime(m_endTime));
}

void WorkingHourSettingItem::storeWorkingMinutes(const QString& key, int minutes)
{
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    if (!setting) return;
    QVariantMap hours = setting->dayManagers();
    hours.insert(key, minutes);
    setting->setDayManagers(hours);
    if (!setting->saveDayManagerDictionary()) {
        AlertRequest alert;
        alert.style = AlertStyle::Critical;
        alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        alert.messageText = TextTable::localizedString(QStringLiteral("workingHoursNotSavedText"));
        alert.informativeText = TextTable::localizedString(QStringLiteral("workingHoursNotSavedMessage"));
        alert.attachedTo = window();
        AlertPresenter::current().runModal(alert);
    }
    PrefPanes::postSettingsPush();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAllTasksEventsAdesChanged,
                                                                         static_cast<QObject*>(this));
}

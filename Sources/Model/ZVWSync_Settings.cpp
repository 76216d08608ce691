// The settings record exchanged with the web service.
#include "ZVWSync.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "RecordStore.h"
#include "Setting.h"
#include "TextTable.h"
#include "ZVWReply.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QJsonArray>

namespace {

void saveSetting(const SettingPtr& setting)
{
    if (!setting->dehydrate()) qWarning() << "The web sync could not save the settings";
}

QString exchangedValues(const Setting& s)
{
    return QStringLiteral("confirm_delete=%1 week_start=%2 working_hours=%3-%4 default_category=%5 show_task=%6 "
                          "durations=%7/%8 hide_future=%9 hide_done=%10 zone=%11 zone_support=%12")
        .arg(s.isWarningForDeleting())
        .arg(s.weekStartDay())
        .arg(s.deskTimeNDStart())
        .arg(s.deskTimeNDEnd())
        .arg(s.calendarDefID())
        .arg(s.showTask())
        .arg(s.durationDefEventVal())
        .arg(s.durationDefTaskVal())
        .arg(s.showActiveTaskOnly())
        .arg(s.hideTodayDoneTask())
        .arg(s.currentTZ())
        .arg(s.tzSupport() ? 1 : 0);
}

}  // namespace

void ZVWSync::getSettingFromZVW()
{
    m_hasSettingsRecord = false;
    if (!errorDescription().isEmpty()) return;
    const HttpReply reply = sendRequest("GET", dataAddress(QStringLiteral("settings.json")), true);
    const ZVWReply::Settings settings = ZVWReply::settings(reply);
    switch (settings.kind) {
    case ZVWReply::Kind::TransportFailure: reportServerError(reply.errorText); return;
    case ZVWReply::Kind::BadStatus:
    case ZVWReply::Kind::NotADictionary:
        // Nothing stored: the decision then exchanges nothing.
        qWarning().nospace() << "Web service reply to settings not usable (status " << reply.status << ", "
                             << reply.body.size() << " bytes)";
        return;
    case ZVWReply::Kind::Dictionary: break;
    }
    const ZVWReply::SettingsRecord& r = settings.record;
    if (r.hasError) {
        fireErrorWhenSync(*ZVWReply::dictionary(reply.body));
        return;
    }
    const SettingPtr server = zvwSetting();
    if (r.confirmDelete) server->setIsWarningForDeleting(*r.confirmDelete);
    if (r.weekStart) server->setWeekStartDay(*r.weekStart);
    if (r.workingHourStart) server->setDeskTimeNDStart(*r.workingHourStart);
    if (r.workingHourEnd) server->setDeskTimeNDEnd(*r.workingHourEnd);
    if (r.defaultCategoryId) server->setCalendarDefID(*r.defaultCategoryId);
    if (r.showTask) server->setShowTask(*r.showTask);
    if (r.defaultEventDuration) server->setDurationDefEventVal(*r.defaultEventDuration);
    if (r.defaultTaskDuration) server->setDurationDefTaskVal(*r.defaultTaskDuration);
    if (r.hideFutureTask) server->setShowActiveTaskOnly(*r.hideFutureTask);
    if (r.hideDoneTask) server->setHideTodayDoneTask(*r.hideDoneTask);
    if (r.timezoneSupport) server->setTzSupport(*r.timezoneSupport != 0);
    if (r.timeZone) {
        CoreData* dataManager = CoreData::shared();
        server->setCurrentTZ(dataManager ? dataManager->getTimeZoneId(*r.timeZone) : 0);
    }
    if (r.lastUpdateSetting) {
        server->setLastUpdate(*r.lastUpdateSetting);
        // A local stamp of 1 asks to adopt the service's stamp, so that the
        // decision sees equal stamps and sends the local change.
        const SettingPtr local = localSetting();
        if (local && local->lastUpdate() == 1) local->setLastUpdate(*r.lastUpdateSetting);
    }
    if (r.lastUpdateTask) server->setLastUpdateWork(*r.lastUpdateTask);
    m_hasSettingsRecord = true;
}

QJsonObject ZVWSync::settingsRecord(const Setting& local) const
{
    CoreData* dataManager = CoreData::shared();
    qint64 defaultCategory = 0;
    if (dataManager)
        if (const CalendarPtr calendar = dataManager->calendarWithPrimaryKey(local.calendarDefID()))
            defaultCategory = calendar->zvwProjectId();
    QJsonObject record{
        {QStringLiteral("confirm_delete"), local.isWarningForDeleting()},
        {QStringLiteral("week_start"), local.weekStartDay() == 1 ? QStringLiteral("mon") : QStringLiteral("sun")},
        {QStringLiteral("working_hour_start"), local.deskTimeNDStart()},
        {QStringLiteral("working_hour_end"), local.deskTimeNDEnd()},
        {QStringLiteral("default_category_id"), defaultCategory},
        {QStringLiteral("show_task"), local.showTask()},
        {QStringLiteral("default_eve_dur"), local.durationDefEventVal()},
        {QStringLiteral("default_task_dur"), local.durationDefTaskVal()},
        {QStringLiteral("hide_future_task"), local.showActiveTaskOnly()},
        {QStringLiteral("hide_done_task"), local.hideTodayDoneTask()},
        {QStringLiteral("timezone_key"), local.currentTZ()},
        {QStringLiteral("timezone_support"), local.tzSupport() ? 1 : 0},
    };
    const QString zone = dataManager ? dataManager->getTimeZoneName(local.currentTZ()) : QString();
    if (!zone.isEmpty()) record.insert(QStringLiteral("time_zone"), zone);
    return record;
}

void ZVWSync::updateSettingFromLocalToZVW()
{
    const SettingPtr local = localSetting();
    if (!local) return;
    const HttpReply reply =
        sendJson("PUT", dataAddress(QStringLiteral("settings/updates.json")), QJsonArray{settingsRecord(*local)});
    const ZVWReply::Settings answer = ZVWReply::settings(reply);
    if (answer.kind != ZVWReply::Kind::Dictionary) {
        if (answer.kind != ZVWReply::Kind::TransportFailure)
            qWarning().nospace() << "Web service reply to settings upload not usable (status " << reply.status << ")";
        return;
    }
    if (answer.record.hasError) {
        // Kept as changed: the next exchange sends them again.
        qWarning() << "The web service refused the settings upload, code"
                   << answer.record.errorCode.value_or(-1) << "; they stay marked changed";
        fireErrorWhenSync(*ZVWReply::dictionary(reply.body));
        return;
    }
    if (answer.record.lastUpdate) local->setLastUpdate(*answer.record.lastUpdate);
    local->setHasChanges(0);
    saveSetting(local);
}

void ZVWSync::updateSettingFromZVWToLocal()
{
    const SettingPtr local = localSetting();
    CoreData* dataManager = CoreData::shared();
    if (!local || !dataManager) return;
    const SettingPtr server = zvwSetting();
    if (local->hasChanges())
        qWarning().noquote() << "The web service's newer settings replace local changes: settings (key"
                             << local->primaryKey() << "):" << exchangedValues(*local);
    local->setIsWarningForDeleting(server->isWarningForDeleting());
    local->setWeekStartDay(server->weekStartDay());
    local->setDeskTimeNDStart(server->deskTimeNDStart());
    local->setDeskTimeNDEnd(server->deskTimeNDEnd());
    if (server->calendarDefID() > 0) {
        const CalendarPtr calendar = dataManager->calendarWithZvwID(server->calendarDefID());
        local->setCalendarDefID(calendar ? calendar->primaryKey() : 0);
    }
    local->setShowTask(server->showTask());
    local->setDurationDefEventVal(server->durationDefEventVal());
    local->setDurationDefTaskVal(server->durationDefTaskVal());
    local->setShowActiveTaskOnly(server->showActiveTaskOnly());
    local->setHideTodayDoneTask(server->hideTodayDoneTask());
    local->setLastUpdate(server->lastUpdate());
    local->setHasChanges(0);
    // These two mark the settings changed again when they differ, so that a
    // changed zone goes back up at the next exchange.
    // A record without a zone gives none (0, "Floating"): the default zone
    // takes its place, as at every start, so items never show floating
    // until the next start.
    const qint64 zone = server->currentTZ();
    local->setCurrentTZ(zone == 0 || zone == -1 ? dataManager->appRootTZ() : zone);
    local->setTzSupport(server->tzSupport());
    saveSetting(local);
}

void ZVWSync::syncSettingWithZVW(QObject* sender)
{
    if (!errorDescription().isEmpty()) return;
    // A decision whose write failed ends the pass: the closing actions would
    // mark as synced what the database does not hold.
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    const SettingPtr local = localSetting();
    CoreData* dataManager = CoreData::shared();
    if (!m_hasSettingsRecord) {
        qWarning() << "No settings record came from the web service in this pass; the settings are not exchanged";
    } else if (local && dataManager) {
        const SettingPtr server = zvwSetting();
        if (!dataManager->calendarWithZvwID(server->calendarDefID())) server->setCalendarDefID(-1);
        if (local->lastUpdate() == server->lastUpdate()) {
            if (local->hasChanges() || server->calendarDefID() == -1) updateSettingFromLocalToZVW();
        } else if (server->calendarDefID() == 0) {
            updateSettingFromLocalToZVW();
        } else if (server->lastUpdate() > local->lastUpdate()) {
            updateSettingFromZVWToLocal();
            if (server->calendarDefID() == -1) updateSettingFromLocalToZVW();
        } else if (server->calendarDefID() != local->calendarDefID()) {
            if (const CalendarPtr calendar = dataManager->calendarWithZvwID(server->calendarDefID())) {
                local->setCalendarDefID(calendar->primaryKey());
                saveSetting(local);
            }
        }
    }
    if (stopOnWriteFailure(failuresBefore)) return;
    closeFullPass(sender);
}

void ZVWSync::oneWayAutoSyncSettings()
{
    if (!errorDescription().isEmpty()) return;
    const SettingPtr local = localSetting();
    if (local && makeZvwKeyAPI()) {
        if (local->hasChanges()) updateSettingFromLocalToZVW();
        local->setZvwSyncTime(Clock::now());
        saveSetting(local);
    } else if (local) {
        qWarning() << "No web service token: the settings are not pushed";
    }
    webSyncBusy = false;
}

// Categories exchanged with the web service.
#include "ZVWSync.h"

#include "Calendar.h"
#include "CoreData.h"
#include "Setting.h"
#include "TextTable.h"
#include "Utilities.h"
#include "ZVWReply.h"
#include "iCalSync.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QJsonArray>
#include <QSet>

#include <algorithm>

namespace {

void saveCategory(const CalendarPtr& calendar)
{
    if (!calendar->dehydrate()) qWarning() << "The web sync could not save category" << calendar->primaryKey();
}

// The service's copy wins: the local category takes its values.
void takeServerValues(Calendar& local, const Calendar& server, bool withId)
{
    if (local.hasChanges())
        qWarning().noquote() << QStringLiteral("The web service's newer copy replaces local changes of category %1 "
                                               "\"%2\": colour %3/%4, tags \"%5\", hidden %6, transparent %7")
                                    .arg(local.primaryKey())
                                    .arg(local.calendarName())
                                    .arg(local.colorGroupId())
                                    .arg(local.colorNameId())
                                    .arg(local.tagList())
                                    .arg(local.inVisible())
                                    .arg(local.isTransparent() ? 1 : 0);
    local.setCalendarName(server.calendarName());
    local.setColorGroupId(server.colorGroupId());
    local.setColorNameId(server.colorNameId());
    local.setTagList(server.tagList());
    local.setInVisible(server.inVisible());
    local.setLastUpdate(server.lastUpdate());
    if (withId) local.setZvwProjectId(server.zvwProjectId());
    local.setHasChanges(false);
    local.setIsTransparent(server.isTransparent());
    local.setHasShared(server.hasShared());
    local.setOwnerName(server.ownerName());
    local.setSharedStatus(server.sharedStatus());
    // The setters above mark web-kept fields changed; the service's copy is
    // not a local change.
    local.setHasChanges(false);
}

bool isOrdinaryUnshared(const Calendar& calendar)
{
    return calendar.projectType() == CategoryKind::Ordinary && !calendar.isShared();
}

}  // namespace

void ZVWSync::getProjectsFromZVW()
{
    m_projectDownloadIncomplete = false;
    if (!errorDescription().isEmpty()) return;
    const HttpReply reply =
        sendRequest("GET", dataAddress(QStringLiteral("categories.json"), QStringLiteral("&category_type=0&get_share=1")),
                    true);
    setZvwProjectList({});
    const ZVWReply::Records list = ZVWReply::records(reply);
    if (!acceptDownload(TextTable::localizedString(QStringLiteral("zvwCategoriesDownloadErrorText")), reply, list))
        return;
    CalendarList categories;
    for (const QJsonObject& record : list.records) categories.append(ZVWReply::category(record));
    if (list.refused > 0) {
        setIsError(true);
        m_projectDownloadIncomplete = true;
        qWarning() << "The categories download held" << list.refused
                   << "refused records; no category is deleted in this pass";
    }
    setZvwProjectList(categories);
}

void ZVWSync::syncProjectsWithZVW()
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting) return;
    const bool restoring = setting->doRestore() != 0;
    CalendarList local = dataManager->getCalendarList();

    const bool anySynced =
        std::any_of(local.cbegin(), local.cend(), [](const CalendarPtr& c) { return c->zvwProjectId() > 0; });
    if (zvwProjectList().isEmpty() && !m_projectDownloadIncomplete && anySynced && !restoring) {
        reportServerError(TextTable::localizedString(QStringLiteral("zvwCategoriesEmptyText")));
        return;
    }

    CalendarList inserted, updated, deleted;

    // 1. Pending deletions go first; their categories leave the server list.
    deleteProject();
    CalendarList server = zvwProjectList();

    // 2. Matching by server id.
    QHash<qint64, qsizetype> byId;
    for (qsizetype i = server.size() - 1; i >= 0; --i) byId.insert(server[i]->zvwProjectId(), i);
    QList<bool> taken(server.size(), false);
    CalendarList unmatched;
    for (const CalendarPtr& calendar : std::as_const(local)) {
        const auto found = calendar->zvwProjectId() >= 1 ? byId.constFind(calendar->zvwProjectId()) : byId.constEnd();
        if (found == byId.constEnd() || taken[*found]) {
            unmatched.append(calendar);
            continue;
        }
        const CalendarPtr& copy = server[*found];
        taken[*found] = true;
        // A kind is never changed on the service (a change record has no key
        // for it): a checklist turned here stays one there, and its turn goes
        // up once as the change it marked. The kind is kept here.
        if (calendar->lastUpdate() < copy->lastUpdate()) {
            // The store's calendar carries the name and the colour.
            const bool sameLooks = calendar->calendarName() == copy->calendarName()
                && calendar->colorGroupId() == copy->colorGroupId() && calendar->colorNameId() == copy->colorNameId();
            takeServerValues(*calendar, *copy, false);
            saveCategory(calendar);
            if (!sameLooks && isOrdinaryUnshared(*calendar)) updated.append(calendar);
        } else if (calendar->hasChanges()) {
            updateProject(calendar);
        } else {
            calendar->setOwnerName(copy->ownerName());
            saveCategory(calendar);
        }
    }
    local = unmatched;

    // 3. Matching by name, kind and sharing; every matching server copy is
    // applied in turn, so the last one in the service's order wins.
    unmatched.clear();
    for (const CalendarPtr& calendar : std::as_const(local)) {
        const QString key = matchKey(calendar->calendarName());
        bool matched = false;
        for (qsizetype i = 0; i < server.size(); ++i) {
            if (taken[i]) continue;
            const CalendarPtr& copy = server[i];
            if (matchKey(copy->calendarName()) != key || copy->projectType() != calendar->projectType()
                || copy->isShared() != calendar->isShared())
                continue;
            takeServerValues(*calendar, *copy, true);
            saveCategory(calendar);
            taken[i] = true;
            matched = true;
        }
        if (!matched) unmatched.append(calendar);
    }
    local = unmatched;

    // 4. Uploads: the categories the service lacks; in restore mode also
    // those it no longer lists (not after an incomplete download, when it
    // may still hold them).
    unmatched.clear();
    for (const CalendarPtr& calendar : std::as_const(local)) {
        const bool lost = calendar->zvwProjectId() >= 1;
        if (calendar->zvwProjectId() == 0 || (lost && restoring && !m_projectDownloadIncomplete)) {
            if (lost) calendar->setZvwProjectId(0);
            addProject(calendar);
            calendar->setHasChanges(false);
            saveCategory(calendar);
        } else {
            unmatched.append(calendar);
        }
    }
    local = unmatched;

    // 5. Local deletions of the categories the service no longer lists. The
    // deletion queues their ids for the service; those entries are taken
    // back afterwards, since the service has them no more.
    QStringList deletedHere;
    for (const CalendarPtr& calendar : std::as_const(local)) {
        if (calendar->zvwProjectId() < 1) continue;  // a shared category never uploaded
        if (m_projectDownloadIncomplete) {
            qWarning() << "Category" << calendar->primaryKey()
                       << "is missing from an incomplete download; it is kept";
            continue;
        }
        const QString id = QString::number(calendar->zvwProjectId());
        if (!dataManager->doDeleteCalendar(calendar, false, false)) {
            qWarning() << "The web sync could not delete category" << calendar->primaryKey();
            continue;
        }
        deletedHere.append(id);
        if (isOrdinaryUnshared(*calendar)) deleted.append(calendar);
    }

    // 6. The service's new categories.
    for (qsizetype i = 0; i < server.size(); ++i) {
        if (taken[i]) continue;
        const CalendarPtr& calendar = server[i];
        calendar->setBuiltIn(2);
        if (!dataManager->addCalendarToCalendarList(calendar, false, false)) {
            qWarning() << "The web sync could not add the service's category" << calendar->zvwProjectId();
            continue;
        }
        calendar->setHasChanges(false);
        saveCategory(calendar);
        if (isOrdinaryUnshared(*calendar)) inserted.append(calendar);
    }
    setZvwProjectList({});
    setting->setZvwDeletedProjects(withoutPendingIds(setting->zvwDeletedProjects(), deletedHere));
    if (!setting->dehydrate()) qWarning() << "The web sync could not save the pending category deletions";

    if (iCalSync* sync = dataManager->icalSync()) sync->backgroundOneWaySyncInsertToICalList(inserted, updated, deleted);

    // 7. An ordinary category always exists.
    if (dataManager->getCalendarWithType(CategoryKind::Ordinary, dataManager->getCalendarList()).isEmpty()) {
        if (const CalendarPtr calendar = dataManager->createDefaultCategoryAutoSyncZVW(false)) {
            addProject(calendar);
            calendar->setHasChanges(false);
            saveCategory(calendar);
        }
    }
}

QJsonObject ZVWSync::categoryRecord(const Calendar& calendar)
{
    return QJsonObject{
        {QStringLiteral("color"), Utilities::getHexColor(calendar.colorGroupId(), calendar.colorNameId())},
        {QStringLiteral("name"), calendar.calendarName()},
        {QStringLiteral("invisible"), calendar.inVisible()},
        {QStringLiteral("tags"), ZVWReply::serviceTagList(calendar.tagList())},
        {QStringLiteral("category_type"), calendar.projectType()},
        {QStringLiteral("is_transparent"), calendar.isTransparent() ? 1 : 0},
    };
}

QJsonObject ZVWSync::categoryChangeRecord(const Calendar& calendar)
{
    QJsonObject record = categoryRecord(calendar);
    record.remove(QStringLiteral("category_type"));
    record.insert(QStringLiteral("id"), calendar.zvwProjectId());
    return record;
}

void ZVWSync::addProject(const CalendarPtr& calendar)
{
    if (!calendar || calendar->isShared()) return;
    setParseKey(5);
    const HttpReply reply =
        sendJson("POST", dataAddress(QStringLiteral("categories.json")), QJsonArray{categoryRecord(*calendar)});
    const ZVWReply::Records answer = ZVWReply::records(reply);
    if (answer.kind == ZVWReply::ListKind::Array) {
        setParseKey(4);
        for (const QJsonValue& element : answer.elements) {
            const QJsonObject object = element.toObject();
            if (const auto id = ZVWReply::integer32(object, QStringLiteral("id"))) calendar->setZvwProjectId(*id);
            if (const auto stamp = ZVWReply::integer32(object, QStringLiteral("last_update")))
                calendar->setLastUpdate(*stamp);
        }
        const SettingPtr setting = localSetting();
        if (setting && calendar->primaryKey() == setting->calendarDefID()) setCanSyncSettingAfterSyncProjectDefault(true);
    } else if (answer.kind != ZVWReply::ListKind::TransportFailure) {
        qWarning() << "Web service reply to a category upload not usable, status" << reply.status;
    }
    setParseKey(parseKeyNone);
}

void ZVWSync::updateProject(const CalendarPtr& calendar)
{
    if (!calendar) return;
    setParseKey(4);
    const HttpReply reply = sendJson("PUT", dataAddress(QStringLiteral("categories/updates.json")),
                                     QJsonArray{categoryChangeRecord(*calendar)});
    const ZVWReply::Records answer = ZVWReply::records(reply);
    if (answer.kind == ZVWReply::ListKind::Array) {
        for (const QJsonValue& element : answer.elements) {
            const auto stamp = ZVWReply::integer32(element.toObject(), QStringLiteral("last_update"));
            if (!stamp) continue;
            calendar->setLastUpdate(*stamp);
            calendar->setHasChanges(false);
            saveCategory(calendar);
        }
    }
    setParseKey(parseKeyNone);
}

void ZVWSync::deleteProject()
{
    const SettingPtr setting = localSetting();
    if (!setting) return;
    QStringList ids = setting->zvwDeletedProjects().split(QLatin1Char(','));
    if (ids.size() < 2) return;
    ids.removeFirst();

    // The categories deleted here stay out of the merge, sent or not.
    CalendarList server = zvwProjectList();
    for (const QString& id : std::as_const(ids)) {
        const qint64 value = ZVWReply::positiveId(id);
        if (value <= 0) continue;
        const auto found = std::find_if(server.begin(), server.end(),
                                        [value](const CalendarPtr& c) { return c->zvwProjectId() == value; });
        if (found != server.end()) server.erase(found);
    }
    setZvwProjectList(server);

    QStringList dropped;
    while (!ids.isEmpty()) {
        QStringList batch;
        while (!ids.isEmpty() && batch.size() < batchSize) {
            const QString id = ids.takeFirst();
            if (ZVWReply::positiveId(id) > 0)
                batch.append(id);
            else
                dropped.append(id);
        }
        if (!batch.isEmpty()) deleteProject(batch.join(QLatin1Char(',')), false);
    }
    if (!dropped.isEmpty()) {
        setting->setZvwDeletedProjects(withoutPendingIds(setting->zvwDeletedProjects(), dropped));
        if (!setting->dehydrate()) qWarning() << "The web sync could not save the pending category deletions";
    }
}

bool ZVWSync::deleteProject(const QString& ids, bool isPersonal)
{
    if (!ZVWReply::isDeletionIdList(ids)) {
        qWarning() << "Not a list of category ids, nothing is deleted:" << ids.left(80);
        return false;
    }
    setCurrentUsingProjects({});
    const HttpReply reply =
        sendRequest("DELETE",
                    dataAddress(QStringLiteral("categories/%1.json").arg(ids),
                                isPersonal ? QStringLiteral("&del_personal_proj=1") : QString()),
                    true);
    setParseKey(3);
    if (reply.transportFailed() || !reply.hasSuccessStatus()) {
        qWarning() << "A categories deletion failed; its ids stay pending (status" << reply.status << ")";
        setParseKey(parseKeyNone);
        return false;
    }
    // An error object with a success status is no answer either.
    if (ZVWReply::records(reply).kind != ZVWReply::ListKind::Array) {
        qWarning() << "A categories deletion was not answered with a list; its ids stay pending";
        setParseKey(parseKeyNone);
        return false;
    }
    const QStringList answered = ZVWReply::answeredIds(reply);
    setCurrentUsingProjects(answered);
    if (const SettingPtr setting = localSetting(); setting && !answered.isEmpty()) {
        setting->setZvwDeletedProjects(withoutPendingIds(setting->zvwDeletedProjects(), answered));
        if (!setting->dehydrate()) qWarning() << "The web sync could not save the pending category deletions";
    }
    setCurrentUsingProjects({});
    setParseKey(parseKeyNone);
    return true;
}

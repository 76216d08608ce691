#include "WebExchangeFixture.h"

#include "LogCapture.h"
#include "Utilities.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <tuple>

namespace {

class ZVWSyncCategoriesTest : public WebExchangeTest {
protected:
    void mergeCategories()
    {
        startPass();
        m_sync->getProjectsFromZVW();
        m_sync->syncProjectsWithZVW();
    }
    QJsonObject serviceCategory(qint64 id)
    {
        for (const QJsonObject& record : m_service.categoriesOf(account))
            if (record.value("id").toInteger() == id) return record;
        return {};
    }
    qint64 itemsIn(qint64 key) { return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE calendarId = %1").arg(key)); }
    QList<CalendarList> handedLists()
    {
        for (const RecordingICalSync::Call& call : m_ical->calls())
            if (call.operation == QStringLiteral("calendarLists")) return call.calendarLists;
        return {};
    }
    static QStringList names(const CalendarList& list)
    {
        QStringList result;
        for (const CalendarPtr& calendar : list) result.append(calendar->calendarName());
        return result;
    }
    // The template's own category, synced with the service.
    void syncTemplateCategory()
    {
        const qint64 id = m_service.addCategory(account, {{"name", "Zoravel"}, {"category_type", 0}});
        const CalendarPtr calendar = storedCategory("Zoravel");
        calendar->setZvwProjectId(id);
        calendar->setLastUpdate(serviceCategory(id).value("last_update").toInteger());
        calendar->setHasChanges(false);
        ASSERT_TRUE(calendar->dehydrate());
    }
};

}  // namespace

TEST_F(ZVWSyncCategoriesTest, AnUnsyncedCategoryIsJoinedToTheServicesOfTheSameNameKindAndSharing)
{
    syncTemplateCategory();
    const qint64 blue = Utilities::getHexColor(1, 3);
    const qint64 id = m_service.addCategory(
        account, {{"name", " myWORK ,"}, {"color", blue}, {"tags", "a,b"}, {"invisible", 1}, {"category_type", 0}});
    m_service.addCategory(account, {{"name", "My Work"}, {"category_type", 1}});  // a checklist: another kind
    const CalendarPtr local = addLocalCategory(QStringLiteral("My Work"));

    mergeCategories();

    const CalendarPtr joined = storedCategory("myWORK");
    ASSERT_TRUE(joined) << storedCategoryNames().join(",").toStdString();
    EXPECT_EQ(joined->primaryKey(), local->primaryKey());
    EXPECT_EQ(joined->zvwProjectId(), id);
    EXPECT_EQ(joined->colorGroupId(), 1);
    EXPECT_EQ(joined->colorNameId(), 3);
    EXPECT_EQ(joined->tagList(), QStringLiteral("/a/b"));
    EXPECT_EQ(joined->inVisible(), 1);
    EXPECT_EQ(joined->lastUpdate(), serviceCategory(id).value("last_update").toInteger());
    EXPECT_FALSE(joined->hasChanges());
    EXPECT_EQ(requestsTo("POST", "/api/categories.json"), 0) << "no second category goes up";
    EXPECT_EQ(m_service.categoriesOf(account).size(), 3);
    EXPECT_TRUE(storedCategory("My Work_1")) << "the checklist came in under a free name";
}

TEST_F(ZVWSyncCategoriesTest, TheNewerSideWinsAndEqualStampsSendOnlyALocalChange)
{
    syncTemplateCategory();
    const qint64 renamed = m_service.addCategory(account, {{"name", "Work"}, {"category_type", 0}});
    const qint64 same = m_service.addCategory(account, {{"name", "Home"}, {"category_type", 0}});
    const qint64 quiet = m_service.addCategory(account, {{"name", "Quiet"}, {"category_type", 0}});
    const CalendarPtr work = addLocalCategory("Work", renamed, serviceCategory(renamed).value("last_update").toInteger());
    const CalendarPtr home = addLocalCategory("Home", same, serviceCategory(same).value("last_update").toInteger());
    addLocalCategory("Quiet", quiet, serviceCategory(quiet).value("last_update").toInteger());
    home->setTagList("/x");  // a local change waiting to go up
    ASSERT_TRUE(home->dehydrate());
    ASSERT_TRUE(m_service.changeCategory(account, renamed, {{"name", "Office"}}));
    ASSERT_TRUE(m_service.changeCategory(account, quiet, {{"color", Utilities::getHexColor(1, 3)}}));
    work->setInVisible(1);  // replaced by the service's newer copy, and logged
    ASSERT_TRUE(work->dehydrate());

    LogCapture log;
    mergeCategories();
    EXPECT_TRUE(log.contains(QStringLiteral("replaces local changes of category %1 \"Work\"").arg(work->primaryKey())));
    EXPECT_EQ(storedCategory("Office")->inVisible(), 0);

    EXPECT_TRUE(storedCategory("Office")) << "the service's newer copy wins";
    EXPECT_EQ(storedCategory("Office")->primaryKey(), work->primaryKey());
    EXPECT_EQ(serviceCategory(same).value("tags").toString(), QStringLiteral("x")) << "the local change went up";
    EXPECT_FALSE(storedCategory("Home")->hasChanges());
    EXPECT_EQ(storedCategory("Home")->lastUpdate(), serviceCategory(same).value("last_update").toInteger());
    const QList<ServiceRequest> changes = requestsOf("PUT", "/api/categories/updates.json");
    ASSERT_EQ(changes.size(), 1) << "only the changed category is sent";
    const QJsonObject sent = QJsonDocument::fromJson(changes.first().body).array().first().toObject();
    EXPECT_EQ(sent.keys(), (QStringList{"color", "id", "invisible", "is_transparent", "name", "tags"}));
    const QList<CalendarList> lists = handedLists();
    ASSERT_EQ(lists.size(), 3);
    EXPECT_EQ(names(lists[0]), QStringList{});
    EXPECT_EQ(names(lists[1]), (QStringList{"Office", "Quiet"})) << "a renamed or recoloured category goes to the calendar store";
    EXPECT_EQ(names(lists[2]), QStringList{});
}

TEST_F(ZVWSyncCategoriesTest, ACategoryDeletedHereIsNotInsertedAgainWhileItsDeletionIsPending)
{
    syncTemplateCategory();
    const qint64 id = m_service.addCategory(account, {{"name", "Old"}, {"category_type", 0}});
    m_setting->setZvwDeletedProjects(QStringLiteral(",%1").arg(id));
    m_service.setFault("DELETE", QStringLiteral("/api/categories/%1.json").arg(id), status(500));

    mergeCategories();
    EXPECT_FALSE(storedCategory("Old"));
    EXPECT_EQ(m_setting->zvwDeletedProjects(), QStringLiteral(",%1").arg(id)) << "unconfirmed: still pending";

    m_service.clearFaults();
    mergeCategories();
    EXPECT_FALSE(storedCategory("Old"));
    EXPECT_EQ(m_setting->zvwDeletedProjects(), QString());
    EXPECT_TRUE(serviceCategory(id).isEmpty()) << "the deletion went again and was taken";
}

TEST_F(ZVWSyncCategoriesTest, ACategoryTheServiceDroppedGoesWithItsItemsOrIsUploadedAgainAfterARestore)
{
    for (const bool restoring : {false, true}) {
        SCOPED_TRACE(restoring);
        exec(QStringLiteral("DELETE FROM Calendars WHERE calendarName <> 'Zoravel'"));
        exec(QStringLiteral("DELETE FROM Tasks"));
        reloadLists();
        m_setting->setZvwDeletedProjects(QString());
        syncTemplateCategory();
        const CalendarPtr dropped = addLocalCategory("Dropped", 5555, 10);
        exec(QStringLiteral("INSERT INTO Tasks (taskType, calendarId) VALUES (1, %1), (0, %1)").arg(dropped->primaryKey()));
        m_setting->setDoRestore(restoring ? 1 : 0);

        mergeCategories();

        if (!restoring) {
            EXPECT_FALSE(storedCategory("Dropped"));
            EXPECT_EQ(itemsIn(dropped->primaryKey()), 0) << "its items went with it";
            EXPECT_EQ(m_setting->zvwDeletedProjects(), QString()) << "the service no longer has it: nothing to send";
            EXPECT_EQ(names(handedLists().value(2)), QStringList{"Dropped"});
        } else {
            ASSERT_TRUE(storedCategory("Dropped"));
            EXPECT_EQ(itemsIn(dropped->primaryKey()), 2);
            const qint64 newId = storedCategory("Dropped")->zvwProjectId();
            EXPECT_GT(newId, 0);
            EXPECT_NE(newId, 5555);
            EXPECT_EQ(serviceCategory(newId).value("name").toString(), QStringLiteral("Dropped"));
        }
        m_ical->clearCalls();
    }
}

TEST_F(ZVWSyncCategoriesTest, ASharedCategoryIsListedWithItsOwnerAndNeverUploaded)
{
    syncTemplateCategory();
    m_service.addAccount("bob@example.com", "pw");
    m_service.setOwnerName("bob@example.com", "Bob", "Stone");
    const qint64 bobs = m_service.addCategory("bob@example.com", {{"name", "Team"}, {"category_type", 0}});
    m_service.shareCategory("bob@example.com", bobs, account, 2);
    const CalendarPtr sharedHere = addLocalCategory("Others");
    sharedHere->setExtraStatus(1);
    ASSERT_TRUE(sharedHere->dehydrate());

    mergeCategories();

    const CalendarPtr team = storedCategory("Team");
    ASSERT_TRUE(team);
    EXPECT_TRUE(team->isShared());
    EXPECT_EQ(team->ownerName(), QStringLiteral("Bob Stone"));
    EXPECT_EQ(team->sharedStatus(), 2);
    EXPECT_EQ(team->builtIn(), 2);
    EXPECT_EQ(storedCategory("Others")->zvwProjectId(), 0);
    EXPECT_EQ(requestsTo("POST", "/api/categories.json"), 0) << "a shared category never goes up";
    EXPECT_EQ(names(handedLists().value(0)), QStringList{}) << "shared categories are not handed over";
}

TEST_F(ZVWSyncCategoriesTest, UploadsCarryTheRecordAndANameClashGetsAFreeNumberHereOnly)
{
    syncTemplateCategory();
    const CalendarPtr fresh = addLocalCategory("Garden");
    fresh->setTagList(QStringLiteral("/a/b"));
    fresh->setColorGroupId(2);
    fresh->setColorNameId(5);
    ASSERT_TRUE(fresh->dehydrate());
    addLocalCategory("No Tags");
    const qint64 clash = m_service.addCategory(account, {{"name", "zoravel"}, {"category_type", 1}});

    mergeCategories();

    QMap<QString, QJsonObject> sent;
    for (const ServiceRequest& request : requestsOf("POST", "/api/categories.json")) {
        const QJsonObject record = QJsonDocument::fromJson(request.body).array().first().toObject();
        sent.insert(record.value("name").toString(), record);
    }
    ASSERT_EQ(sent.keys(), (QStringList{"Garden", "No Tags"}));
    EXPECT_EQ(sent["Garden"].value("tags").toString(), QStringLiteral("a,b"));
    EXPECT_EQ(sent["Garden"].value("color").toInteger(), Utilities::getHexColor(2, 5));
    EXPECT_EQ(sent["Garden"].value("category_type").toInteger(), 0);
    EXPECT_EQ(sent["No Tags"].value("tags").toString(), QString()) << "an empty tags text stays empty";
    EXPECT_EQ(storedCategory("Garden")->zvwProjectId(), serviceCategory(storedCategory("Garden")->zvwProjectId()).value("id").toInteger());
    EXPECT_GT(storedCategory("Garden")->zvwProjectId(), 0);

    const CalendarPtr inserted = storedCategory("zoravel_1");
    ASSERT_TRUE(inserted) << storedCategoryNames().join(",").toStdString();
    EXPECT_EQ(inserted->zvwProjectId(), clash);
    EXPECT_FALSE(inserted->hasChanges());
    EXPECT_EQ(serviceCategory(clash).value("name").toString(), QStringLiteral("zoravel")) << "not renamed there";
    EXPECT_EQ(requestsTo("PUT", "/api/categories/updates.json"), 0);
}

TEST_F(ZVWSyncCategoriesTest, WithoutAnOrdinaryCategoryTheDefaultIsCreatedAndUploaded)
{
    exec(QStringLiteral("UPDATE Calendars SET projectType = 1, zvwProjectId = 0"));
    reloadLists();
    mergeCategories();
    const CalendarList ordinary =
        dataManager().getCalendarWithType(CategoryKind::Ordinary, dataManager().getCalendarList());
    ASSERT_EQ(ordinary.size(), 1);
    EXPECT_GT(ordinary.first()->zvwProjectId(), 0);
    EXPECT_EQ(m_setting->calendarDefID(), ordinary.first()->primaryKey());
    EXPECT_TRUE(m_sync->canSyncSettingAfterSyncProjectDefault());
}

TEST_F(ZVWSyncCategoriesTest, AFailedDownloadDeletesNoCategoryAndNoItem)
{
    syncTemplateCategory();
    const qint64 id = m_service.addCategory(account, {{"name", "Work"}, {"category_type", 0}});
    const CalendarPtr work = addLocalCategory("Work", id, 1);
    exec(QStringLiteral("INSERT INTO Tasks (taskType, calendarId) VALUES (1, %1)").arg(work->primaryKey()));

    struct Case {
        const char* name;
        ServiceFault fault;
    };
    for (const Case& c : {Case{"status 500", status(500)}, Case{"not JSON", body("{oops")},
                          Case{"error object", body(R"({"error":1})")}, Case{"empty list", body("[]")}}) {
        SCOPED_TRACE(c.name);
        m_service.setFault("GET", "/api/categories.json", c.fault);
        PostedNotifications posts({kServerErrorNotification});
        mergeCategories();
        EXPECT_EQ(posts.names().size(), 1);
        EXPECT_TRUE(m_sync->errorDescription().contains(QStringLiteral("categories")));
        EXPECT_EQ(storedCategoryNames(), (QStringList{"Work", "Zoravel"}));
        EXPECT_EQ(itemsIn(work->primaryKey()), 1);
        EXPECT_TRUE(m_ical->calls().isEmpty());
    }
    // Refused records make the list incomplete: its good records still count.
    m_service.setFault("GET", "/api/categories.json", body(R"([{"id": 77, "name": "New"}, {"error": 1}])"));
    mergeCategories();
    EXPECT_TRUE(m_sync->errorDescription().isEmpty());
    EXPECT_EQ(storedCategoryNames(), (QStringList{"New", "Work", "Zoravel"}));
    EXPECT_EQ(itemsIn(work->primaryKey()), 1);
}

TEST_F(ZVWSyncCategoriesTest, DeletionRequestsCarryOnlyPositiveIdsAndConfirmWholeEntries)
{
    startPass();
    const qint64 twelve = m_service.addCategory(account, {{"name", "x"}});
    const qint64 other = m_service.addCategory(account, {{"name", "y"}});
    const QString a = QString::number(twelve);
    const QString b = QString::number(other);
    m_setting->setZvwDeletedProjects(u',' + a + u",-3,abc," + b + a + u',' + b);
    m_sync->deleteProject();
    const QList<ServiceRequest> deletions = requestsOf("DELETE", "/api/categories/");
    ASSERT_EQ(deletions.size(), 1);
    EXPECT_EQ(deletions.first().path, u"/api/categories/" + a + u',' + b + a + u',' + b + u".json");
    EXPECT_EQ(m_setting->zvwDeletedProjects(), QString()) << "every id was answered, the bad ones dropped";

    // Whole entries only: confirming a leaves the entry b+a pending.
    m_setting->setZvwDeletedProjects(u',' + b + a + u',' + a);
    m_service.setFault("DELETE", u"/api/categories/" + b + a + u',' + a + u".json",
                       body(QByteArray("[{\"success\": \"") + a.toUtf8() + " deleted\"}]"));
    m_sync->deleteProject();
    EXPECT_EQ(m_setting->zvwDeletedProjects(), u',' + b + a);
    m_service.clearFaults();
    m_service.clearRequests();

    m_sync->deleteProject(QStringLiteral("1;DROP"), true);
    m_sync->deleteProject(QStringLiteral("../x"), false);
    EXPECT_EQ(requestsOf("DELETE", "/api/categories/").size(), 0) << "no other text reaches an address";

    const qint64 withItems = m_service.addCategory(account, {{"name", "z"}});
    m_service.addItem(account, withItems);
    m_sync->deleteProject(QStringLiteral("0"), true);
    EXPECT_TRUE(m_service.categoriesOf(account).isEmpty());
    EXPECT_TRUE(m_service.itemsOf(account, withItems).isEmpty()) << "a personal category's items go with it";
}

// A checklist turned into an ordinary category here keeps its kind on the
// service (a change has no key for it): its change goes up once, with the
// keys of a change, unless the service's newer copy wins; later passes send
// nothing for it.
TEST_F(ZVWSyncCategoriesTest, ATurnedChecklistSendsItsChangeOnceAndSettles)
{
    syncTemplateCategory();
    for (const auto& [name, serviceNewer, changesSent] : {std::tuple{"Groceries", false, 1}, std::tuple{"Chores", true, 0}}) {
        SCOPED_TRACE(name);
        m_service.clearRequests();
        const qint64 id = m_service.addCategory(account, {{"name", name}, {"category_type", 1}});
        const CalendarPtr turned = addLocalCategory(name, id, serviceCategory(id).value("last_update").toInteger());
        turned->setHasChanges(true);  // as the turn marks it
        ASSERT_TRUE(turned->dehydrate());
        if (serviceNewer) {
            ASSERT_TRUE(m_service.changeCategory(account, id, {{"invisible", 1}}));
        }
        for (int pass = 0; pass < 3; ++pass) mergeCategories();

        const QList<ServiceRequest> changes = requestsOf("PUT", "/api/categories/updates.json");
        ASSERT_EQ(changes.size(), changesSent);
        for (const ServiceRequest& change : changes)
            EXPECT_FALSE(QJsonDocument::fromJson(change.body).array().first().toObject().contains("category_type"));
        EXPECT_FALSE(storedCategory(name)->hasChanges());
        EXPECT_EQ(storedCategory(name)->projectType(), 0);
        EXPECT_EQ(storedCategory(name)->lastUpdate(), serviceCategory(id).value("last_update").toInteger());
        EXPECT_EQ(serviceCategory(id).value("category_type").toInteger(), 1);
    }
}

#include "WebExchangeFixture.h"

#include "TextTable.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

class ZVWSyncTagsTest : public WebExchangeTest {
protected:
    void mergeTags()
    {
        startPass();
        m_sync->getTagsFromZVW();
        m_sync->syncTagsWithZVW();
    }
};

}  // namespace

TEST_F(ZVWSyncTagsTest, NamesMatchWithoutBlanksAndCaseAndNewTagsTravelBothWays)
{
    const qint64 todo = m_service.addTag(account, QStringLiteral("todo"));
    const qint64 home = m_service.addTag(account, QStringLiteral("Home"));
    const TagPtr local = addLocalTag(QStringLiteral("To Do"));
    addLocalTag(QStringLiteral("Errands"));

    mergeTags();

    EXPECT_EQ(findTag(QStringLiteral("To Do"))->zvwKey(), todo) << "the local tag takes the service's id";
    EXPECT_EQ(findTag(QStringLiteral("Home"))->zvwKey(), home) << "a new service tag is stored here";
    ASSERT_TRUE(findTag(QStringLiteral("Errands")));
    EXPECT_GT(findTag(QStringLiteral("Errands"))->zvwKey(), 0) << "a local tag went up and took its id";
    EXPECT_EQ(storedTagNames(), (QStringList{"Errands", "Home", "To Do"})) << "no second To Do";
    QStringList serviceNames;
    for (const QJsonObject& tag : m_service.tagsOf(account)) serviceNames.append(tag.value("name").toString());
    serviceNames.sort();
    EXPECT_EQ(serviceNames, (QStringList{"Errands", "Home", "todo"}));
    const QList<ServiceRequest> uploads = requestsOf("POST", "/api/tags.json");
    ASSERT_EQ(uploads.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(uploads.first().body).array(),
              (QJsonArray{QJsonObject{{"name", "Errands"}}}));
    EXPECT_EQ(uploads.first().contentType, QStringLiteral("application/json"));
    EXPECT_EQ(queryInt("SELECT zvwKey FROM Tag WHERE tagName = 'To Do'"), todo) << "saved";
}

TEST_F(ZVWSyncTagsTest, ATagTheServiceDroppedIsDeletedHereExceptAfterARestore)
{
    for (const bool restoring : {false, true}) {
        SCOPED_TRACE(restoring);
        exec(QStringLiteral("DELETE FROM Tag"));
        reloadLists();
        m_service.addTag(account, QStringLiteral("kept"));  // the list is not empty
        addLocalTag(QStringLiteral("gone"), 987654);
        m_setting->setDoRestore(restoring ? 1 : 0);

        mergeTags();

        const TagPtr gone = findTag(QStringLiteral("gone"));
        if (!restoring) {
            EXPECT_FALSE(gone);
            EXPECT_EQ(queryInt("SELECT count(*) FROM Tag WHERE tagName = 'gone'"), 0);
        } else {
            ASSERT_TRUE(gone);
            EXPECT_GT(gone->zvwKey(), 0);
            EXPECT_NE(gone->zvwKey(), 987654) << "uploaded again as a new tag";
        }
        EXPECT_TRUE(m_sync->errorDescription().isEmpty());
    }
}

TEST_F(ZVWSyncTagsTest, NewTagsGoUpInBatchesOfFiftyAndTakeTheirIdsByPosition)
{
    for (int i = 0; i < 120; ++i) addLocalTag(QStringLiteral("tag %1").arg(i));
    mergeTags();

    QList<int> sizes;
    for (const ServiceRequest& request : requestsOf("POST", "/api/tags.json"))
        sizes.append(QJsonDocument::fromJson(request.body).array().size());
    EXPECT_EQ(sizes, (QList<int>{50, 50, 20}));
    QMap<QString, qint64> serviceIds;
    for (const QJsonObject& tag : m_service.tagsOf(account))
        serviceIds.insert(tag.value("name").toString(), tag.value("id").toInteger());
    ASSERT_EQ(serviceIds.size(), 120);
    for (const TagPtr& tag : dataManager().tagList())
        EXPECT_EQ(tag->zvwKey(), serviceIds.value(tag->tagName(), -1)) << tag->tagName().toStdString();
}

TEST_F(ZVWSyncTagsTest, AnUploadRefusedForOneTagLeavesThatTagForTheNextExchange)
{
    addLocalTag(QStringLiteral("a"));
    addLocalTag(QStringLiteral("b"));
    m_service.setFault("POST", "/api/tags.json", body(R"([{"id": 41}, {"error": "refused"}, {"id": 99}])"));
    mergeTags();
    EXPECT_EQ(findTag("a")->zvwKey(), 41);
    EXPECT_EQ(findTag("b")->zvwKey(), 0) << "an error element leaves its tag as it was";
}

TEST_F(ZVWSyncTagsTest, PendingDeletionsAreSentAndClearedOnlyWhenTheServiceAnswered)
{
    const qint64 deleted = m_service.addTag(account, QStringLiteral("old"));
    const qint64 other = m_service.addTag(account, QStringLiteral("other"));
    addLocalTag(QStringLiteral("other"), other);

    struct Case {
        const char* name;
        std::optional<ServiceFault> fault;
        bool cleared;
    };
    for (const Case& c : {Case{"status 500", status(500), false}, Case{"answered", std::nullopt, true}}) {
        SCOPED_TRACE(c.name);
        m_setting->setZvwDeletedTag(QStringLiteral(",0,abc,%1").arg(deleted));
        m_service.clearFaults();
        m_service.clearRequests();
        if (c.fault) m_service.setFault("DELETE", QStringLiteral("/api/tags/%1.json").arg(deleted), *c.fault);

        mergeTags();

        const QList<ServiceRequest> deletions = requestsOf("DELETE", "/api/tags/");
        ASSERT_EQ(deletions.size(), 1) << "0 and abc are skipped, one request goes";
        EXPECT_EQ(deletions.first().path, QStringLiteral("/api/tags/%1.json").arg(deleted));
        EXPECT_FALSE(findTag(QStringLiteral("old"))) << "a tag deleted here is not brought back";
        EXPECT_EQ(m_setting->zvwDeletedTag(), c.cleared ? QString() : QStringLiteral(",%1").arg(deleted));
    }
    EXPECT_EQ(m_service.tagsOf(account).size(), 1);
}

TEST_F(ZVWSyncTagsTest, AStopRequestKeepsTheUnsentDeletionsAndUploads)
{
    m_setting->setZvwDeletedTag(QStringLiteral(",5,6"));
    TagList tags{std::make_shared<Tag>()};
    startPass();
    m_sync->setIsBreak(true);
    m_sync->deleteTag();
    m_sync->addTag(tags);
    EXPECT_EQ(m_service.requests().size(), m_service.requestsTo("/api/token.json").size()) << "nothing sent";
    EXPECT_EQ(m_setting->zvwDeletedTag(), QStringLiteral(",5,6"));
}

TEST_F(ZVWSyncTagsTest, ADownloadThatIsNoListOfTagsStopsThePassAndChangesNothing)
{
    const qint64 synced = m_service.addTag(account, QStringLiteral("synced"));
    addLocalTag(QStringLiteral("synced"), synced);
    addLocalTag(QStringLiteral("local only"));

    struct Case {
        const char* name;
        ServiceFault fault;
        bool accountInvalid;
    };
    for (const Case& c : {Case{"status 500", status(500), false}, Case{"not JSON", body("<html>"), false},
                          Case{"error object", body(R"({"error": 1})"), false},
                          Case{"refused account", body(R"({"error": 2})"), true},
                          // A data call's 4 refuses the token only (renewed once, refused again here).
                          Case{"refused token", body(R"({"error": 4})"), false},
                          Case{"empty list", body("[]"), false}}) {
        SCOPED_TRACE(c.name);
        m_service.clearRequests();
        m_service.setFault("GET", "/api/tags.json", c.fault);
        PostedNotifications posts({kServerErrorNotification, kZVWAccountInvalidNotification});

        mergeTags();

        EXPECT_TRUE(m_sync->errorDescription().contains(QStringLiteral("tags"))) << "the text names the step";
        EXPECT_EQ(posts.names().count(kServerErrorNotification), 1);
        EXPECT_EQ(posts.names().contains(kZVWAccountInvalidNotification), c.accountInvalid);
        EXPECT_EQ(storedTagNames(), (QStringList{"local only", "synced"}));
        EXPECT_EQ(findTag("synced")->zvwKey(), synced);
        EXPECT_EQ(requestsTo("POST", "/api/tags.json"), 0) << "the later steps do not run";
    }
    EXPECT_EQ(m_sync->errorDescription(), TextTable::localizedString("zvwTagsEmptyText"));
}

TEST_F(ZVWSyncTagsTest, AnIncompleteDownloadMergesItsGoodRecordsAndDeletesNothing)
{
    addLocalTag(QStringLiteral("missing"), 777);
    m_service.setFault("GET", "/api/tags.json", body(R"([{"id": 12, "name": "good"}, {"error": "hidden"}, 7])"));
    mergeTags();
    EXPECT_TRUE(m_sync->errorDescription().isEmpty());
    EXPECT_TRUE(m_sync->isError());
    EXPECT_EQ(storedTagNames(), (QStringList{"good", "missing"}));
    EXPECT_EQ(findTag("good")->zvwKey(), 12);
    EXPECT_EQ(findTag("missing")->zvwKey(), 777);
}

TEST_F(ZVWSyncTagsTest, TheAutomaticPushSendsNewTagsAndPendingDeletions)
{
    const qint64 old = m_service.addTag(account, QStringLiteral("old"));
    addLocalTag(QStringLiteral("fresh"));
    m_setting->setZvwDeletedTag(QStringLiteral(",%1").arg(old));
    m_sync->refreshToken();
    webSyncBusy = true;
    m_sync->oneWayAutoSyncTags();
    EXPECT_FALSE(webSyncBusy);
    ASSERT_EQ(m_service.tagsOf(account).size(), 1);
    EXPECT_EQ(m_service.tagsOf(account).first().value("name").toString(), QStringLiteral("fresh"));
    EXPECT_GT(findTag("fresh")->zvwKey(), 0);
    EXPECT_EQ(m_setting->zvwDeletedTag(), QString());
    EXPECT_EQ(m_setting->zvwSyncTime(), Clock::now());
}

#include "WebExchangeFixture.h"

#include "CoreData.h"
#include "Link.h"
#include "LogCapture.h"
#include "Task.h"
#include "Utilities.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <sys/stat.h>

namespace {

// Stored-form seconds of the exception texts.
constexpr qint64 d1 = 1357804800;
constexpr qint64 d2 = d1 + 86400;
constexpr qint64 d3 = d2 + 86400;

QString pieces(std::initializer_list<std::pair<qint64, int>> entries)
{
    QString text;
    for (const auto& [seconds, marker] : entries)
        text += QStringLiteral("|%1").arg(seconds) + (marker ? QStringLiteral("(%1)").arg(marker) : QString());
    return text;
}

TaskPtr serverOccurrence(qint64 zvwId, qint64 startSeconds)
{
    auto item = std::make_shared<Task>();
    item->setZvwID(zvwId);
    item->setStartTime(Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(startSeconds))));
    return item;
}

TaskPtr localOccurrence(qint64 zvwId, qint64 occurrenceSeconds)
{
    auto item = std::make_shared<Task>();
    item->setZvwID(zvwId);
    item->setOccurrence(Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(occurrenceSeconds))));
    return item;
}

class ZVWSyncMergeTest : public WebExchangeTest {
protected:
    TaskPtr addLocalItem(const QString& name, qint64 zvwId, qint64 stamp, qint64 type = 1)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setTaskType(type);
        EXPECT_TRUE(item->insertAndDehydrate());
        item->setZvwID(zvwId);
        item->setLastUpdate(stamp);
        item->setHasChanges(0);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }
    void mergeItems()
    {
        startPass();
        m_sync->getSettingFromZVW();
        m_sync->getItemsFromZVW();
        m_sync->syncItemsWithZVW();
    }
    void syncLinks()
    {
        startPass();
        m_sync->getLinksFromZVW();
        m_sync->syncLinksWithZVW();
    }
    QStringList storedNames()
    {
        QStringList names;
        for (const TaskPtr& item : dataManager().getAllTasksInDB()) names.append(item->taskName());
        return names;
    }
    LinkPtr newLocalLink(qint64 root, qint64 target)
    {
        auto link = std::make_shared<Link>();
        link->setRootId(root);
        link->setTargetId(target);
        EXPECT_TRUE(dataManager().insertLink(link));
        return link;
    }

    // A daily event series starting at d1 on the service, its exception
    // dates at d1's time of day; `end` 0 for a series that goes on.
    qint64 addServerSeries(const QString& title, const QList<qint64>& exceptionDates, qint64 end = 0)
    {
        QJsonArray exceptions;
        for (const qint64 date : exceptionDates) exceptions.append(QJsonObject{{"exception_date", date}});
        return m_service.addItemRecord(
            account, {{"title", title},
                      {"task_type", 3},
                      {"group_id", 0},
                      {"start_time", d1},
                      {"end_time", d1 + 3600},
                      {"repeat", QJsonObject{{"repeat_type", "D"}, {"repeat_interval", 1}, {"repeat_end", end},
                                             {"repeat_exceptions", exceptions}}}});
    }
    // The same series stored here under the server id, with an older stamp.
    TaskPtr addLocalSeries(const QString& title, qint64 zvwId, const QString& exceptions)
    {
        const TaskPtr root = addLocalItem(title, zvwId, 1, 0);
        root->setStartTime(at(d1));
        root->setEndTime(at(d1 + 3600));
        root->setRepeatType(1);
        root->setRepeatStartDate(at(d1));
        root->setRepeatOptions(QStringLiteral("1//0"));
        root->setIsRepeatForever(1);
        root->setRepeatExceptions(exceptions);
        root->setHasChanges(0);
        EXPECT_TRUE(root->dehydrate());
        return root;
    }
    // A changed occurrence of `root` stored here for the date `occurrence`.
    TaskPtr addLocalOccurrence(const TaskPtr& root, qint64 occurrence, qint64 zvwId)
    {
        const TaskPtr item = addLocalItem(root->taskName() + QStringLiteral(", moved"), zvwId, 1, 0);
        item->setParentId(root->primaryKey());
        item->setOccurrence(at(occurrence));
        item->setStartTime(at(occurrence + 5 * 3600));
        item->setEndTime(at(occurrence + 6 * 3600));
        item->setHasChanges(0);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }
    bool isStored(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey = %1").arg(item->primaryKey())) == 1;
    }
    static Date at(qint64 storedSeconds)
    {
        return Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(storedSeconds)));
    }
    // The items handed to the calendar sync at the end of the last merge.
    TaskList calendarInserts() const
    {
        const QList<RecordingICalSync::Call> calls = m_ical->calls();
        for (auto call = calls.crbegin(); call != calls.crend(); ++call)
            if (call->operation == QStringLiteral("webItemLists") && !call->itemLists.isEmpty()) return call->itemLists[0];
        return {};
    }
};

}  // namespace

// ---- exception texts, over plain values -------------------------------------------

TEST(ExceptionMergeTest, MergedTextsFollowTheServerDatesAndTheLocalPieces)
{
    const TaskPtr uploaded = localOccurrence(77, d1);
    const struct {
        const char* name;
        QString serverText, localText;
        TaskList serverExceptions;
        TaskPtr storedOccurrence;
        QString expected;
    } rows[] = {
        {"a deleted local date stays deleted", pieces({{d1, 0}}), pieces({{d1, 2}}), {}, nullptr, pieces({{d1, 2}})},
        {"a longer local number does not match", QStringLiteral("|12345"), QStringLiteral("|112345(2)"), {}, nullptr,
         QStringLiteral("|12345(2)")},
        {"a changed server date is not also deleted", pieces({{d1, 0}, {d2, 0}}), QString(),
         {serverOccurrence(9, d1)}, nullptr, pieces({{d1, 1}, {d2, 2}})},
        {"an uploaded occurrence the service lost is deleted", pieces({{d1, 0}}), pieces({{d1, 1}}), {}, uploaded,
         pieces({{d1, 2}})},
        {"every deleted date is written beyond the server's exceptions", pieces({{d1, 0}, {d2, 0}, {d3, 0}}),
         pieces({{d1, 2}, {d2, 2}, {d3, 2}}), {serverOccurrence(9, d3 + 86400)}, nullptr,
         pieces({{d1, 2}, {d2, 2}, {d3, 2}})},
        {"a changed piece without its occurrence gives its date to the server's", pieces({{d1, 0}}), pieces({{d1, 1}}),
         {serverOccurrence(9, d3 + 86400)}, nullptr, pieces({{d1, 1}})},
        {"a changed piece without its occurrence and no server's is deleted", pieces({{d1, 0}}), pieces({{d1, 1}}), {},
         nullptr, pieces({{d1, 2}})},
        {"malformed pieces are passed over", QStringLiteral("|abc|(1)||") + QString::number(d1), QString(), {}, nullptr,
         pieces({{d1, 2}})},
    };
    for (const auto& row : rows) {
        ZVWSync::ExceptionMergeInput input;
        input.serverText = row.serverText;
        input.localText = row.localText;
        input.serverExceptions = row.serverExceptions;
        const TaskPtr stored = row.storedOccurrence;
        input.localOccurrence = [stored](const Date&) { return stored; };
        const ZVWSync::ExceptionMergeResult result = ZVWSync::mergeExceptions(input);
        EXPECT_EQ(result.text, row.expected) << row.name;
    }
}

TEST(ExceptionMergeTest, EffectsNameTheItemsToDeletePairAndDate)
{
    ZVWSync::ExceptionMergeInput input;
    input.serverText = pieces({{d1, 0}, {d2, 0}, {d3, 0}});
    input.localText = pieces({{d1, 2}, {d2, 2}, {d3, 2}});
    input.serverExceptions = {serverOccurrence(9, d3 + 86400)};
    ZVWSync::ExceptionMergeResult result = ZVWSync::mergeExceptions(input);
    EXPECT_EQ(result.queuedDeletions, QList<qint64>{9});

    const TaskPtr uploaded = localOccurrence(77, d1);
    input.serverText = pieces({{d1, 0}});
    input.localText = pieces({{d1, 1}});
    input.serverExceptions = {};
    input.localOccurrence = [uploaded](const Date&) { return uploaded; };
    result = ZVWSync::mergeExceptions(input);
    ASSERT_EQ(result.deleteLocal.size(), 1);
    EXPECT_EQ(result.deleteLocal[0], uploaded);

    const TaskPtr unsent = localOccurrence(0, d2);
    input.serverText = pieces({{d2, 0}});
    input.localText = pieces({{d2, 1}});
    input.serverExceptions = {serverOccurrence(31, d3)};
    input.localOccurrence = [unsent](const Date&) { return unsent; };
    result = ZVWSync::mergeExceptions(input);
    ASSERT_EQ(result.paired.size(), 1);
    EXPECT_EQ(result.paired[0].first, unsent);
    EXPECT_EQ(result.paired[0].second, 31);
    EXPECT_EQ(result.text, pieces({{d2, 1}}));
}

// Each changed occurrence takes the date nearest to its start; equal
// distances keep the service's order.
TEST(ExceptionMergeTest, ANewRootPairsEachOccurrenceWithTheNearestDate)
{
    struct Case {
        const char* name;
        TaskList occurrences;
        QString text;
        QList<qint64> dates;  // taken, per occurrence
    };
    const QList<Case> cases = {
        {"moved within its day", {serverOccurrence(5, d3 + 3600)}, pieces({{d1, 2}, {d2, 2}, {d3, 1}}), {d3}},
        {"moved to the eve of a later date", {serverOccurrence(5, d2 - 3600)}, pieces({{d1, 2}, {d2, 1}, {d3, 2}}), {d2}},
        {"halfway", {serverOccurrence(5, d1 + 43200)}, pieces({{d1, 1}, {d2, 2}, {d3, 2}}), {d1}},
        {"two on one date", {serverOccurrence(5, d2), serverOccurrence(6, d2)}, pieces({{d1, 1}, {d2, 1}, {d3, 2}}),
         {d2, d1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ZVWSync::NewRootExceptions result = ZVWSync::newRootExceptions(pieces({{d1, 0}, {d2, 0}, {d3, 0}}), c.occurrences);
        EXPECT_EQ(result.text.toStdString(), c.text.toStdString());
        ASSERT_EQ(result.occurrences.size(), c.dates.size());
        for (qsizetype index = 0; index < c.dates.size(); ++index) {
            EXPECT_EQ(result.occurrences[index].first, c.occurrences[index]->zvwID());
            EXPECT_EQ(Utilities::toDBDate(result.occurrences[index].second).timeIntervalSince1970(), double(c.dates[index]));
        }
    }
}

// ---- the item merge against the loopback service ---------------------------------------

TEST_F(ZVWSyncMergeTest, NewServerItemsAreStoredInOrderAndNothingGoesUp)
{
    for (const char* title : {"First", "Second", "Third"}) m_service.addItemRecord(account, {{"title", title}});
    mergeItems();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();
    EXPECT_EQ(storedNames(), (QStringList{"First", "Second", "Third"}));
    EXPECT_EQ(requestsTo("POST", "/api/tasks.json"), 0);
    EXPECT_EQ(requestsTo("PUT", "/api/tasks/update.json"), 0);
}

TEST_F(ZVWSyncMergeTest, StampsDecideWhichSideWins)
{
    const qint64 newer = m_service.addItemRecord(account, {{"title", "Service title"}});
    const qint64 older = m_service.addItemRecord(account, {{"title", "Old service title"}});
    const qint64 equal = m_service.addItemRecord(account, {{"title", "Same stamp"}});
    qint64 equalStamp = 0;
    for (const QJsonObject& record : m_service.itemRecordsOf(account))
        if (record.value("id").toInteger() == equal) equalStamp = record.value("last_update").toInteger();
    const TaskPtr overwritten = addLocalItem("Local title", newer, 1);
    overwritten->setTaskName("Unsent change");
    ASSERT_TRUE(overwritten->dehydrate());
    const TaskPtr kept = addLocalItem("Kept", older, 999999);
    const TaskPtr pending = addLocalItem("Pending", equal, equalStamp);
    pending->setTaskName("Pending change");
    ASSERT_TRUE(pending->dehydrate());
    mergeItems();

    EXPECT_EQ(Task::initWithPrimaryKey(overwritten->primaryKey())->taskName(), QStringLiteral("Service title"));
    EXPECT_EQ(Task::initWithPrimaryKey(kept->primaryKey())->taskName(), QStringLiteral("Kept"));
    int sentPending = 0, sentOthers = 0;
    for (const ServiceRequest& update : requestsOf("PUT", "/api/tasks/update.json")) {
        sentPending += update.body.contains("Pending change");
        sentOthers += update.body.contains("title");
    }
    EXPECT_EQ(sentPending, 1);
    EXPECT_EQ(sentOthers, 1) << "only the pending item's record goes up (the order upload carries no titles)";
    bool taken = false;
    for (const QJsonObject& record : m_service.itemRecordsOf(account))
        taken |= record.value("id").toInteger() == equal && record.value("title") == "Pending change";
    EXPECT_TRUE(taken);
    EXPECT_EQ(storedNames().size(), 3) << "nothing stored twice";
}

TEST_F(ZVWSyncMergeTest, AnItemTheServiceNoLongerListsIsDeletedOrUploadedInRestoreMode)
{
    m_service.addItemRecord(account, {{"title", "Listed"}});
    addLocalItem("Gone", 5000, 1);
    mergeItems();
    EXPECT_FALSE(storedNames().contains("Gone"));

    addLocalItem("Restored", 5001, 1);
    m_setting->setDoRestore(1);
    mergeItems();
    EXPECT_TRUE(storedNames().contains("Restored"));
    bool uploaded = false;
    for (const QJsonObject& record : m_service.itemRecordsOf(account)) uploaded |= record.value("title") == "Restored";
    EXPECT_TRUE(uploaded);
}

// The store hears of the merge after it; what the merge changed or deleted
// in the store is owed from its own unit, so a kill in between leaves it to
// the next start (the recording sync here writes nothing, as a kill would).
TEST_F(ZVWSyncMergeTest, WhatTheMergeOwesTheStoreIsRecordedWithTheChange)
{
    const TaskPtr changed = addLocalItem("Local title", m_service.addItemRecord(account, {{"title", "Service title"}}), 1);
    const TaskPtr gone = addLocalItem("Gone", 5000, 1);
    for (const TaskPtr& item : {changed, gone}) {
        item->setICalUID(QStringLiteral("UID-") + item->taskName());
        ASSERT_TRUE(item->dehydrate());
    }
    mergeItems();
    ASSERT_EQ(Task::initWithPrimaryKey(changed->primaryKey())->taskName(), QStringLiteral("Service title"));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM StoreItemWrites WHERE itemKey = %1").arg(changed->primaryKey())), 1);
    EXPECT_EQ(queryInt("SELECT count(*) FROM StoreRemovals WHERE uid = 'UID-Gone' AND kind = 2"), 1);
}

TEST_F(ZVWSyncMergeTest, NothingIsDeletedAfterADownloadWithRefusedRecords)
{
    m_service.addItemRecord(account, {{"title", "Refused"}});
    addLocalItem("Absent", 5000, 1);
    m_service.setRefusedTitle("Refused");
    mergeItems();
    EXPECT_TRUE(storedNames().contains("Absent"));
}

TEST_F(ZVWSyncMergeTest, TheCalendarSyncReceivesTheNewItems)
{
    m_service.addItemRecord(account, {{"title", "Meeting"}, {"task_type", 3}});
    mergeItems();
    EXPECT_FALSE(m_ical->calls().isEmpty());
}

// ---- links -------------------------------------------------------------------------------

TEST_F(ZVWSyncMergeTest, ALinkDeletedOnTheWebDisappearsAndAnUnsentOneIsNotDuplicated)
{
    const TaskPtr first = addLocalItem("First", 0, 0);
    const TaskPtr second = addLocalItem("Second", 0, 0);
    const TaskPtr third = addLocalItem("Third", 0, 0);
    mergeItems();  // the three go up and take server ids
    const qint64 a = dataManager().getZVWId(first->primaryKey());
    const qint64 b = dataManager().getZVWId(second->primaryKey());
    const qint64 c = dataManager().getZVWId(third->primaryKey());
    ASSERT_GT(a, 0);
    newLocalLink(first->primaryKey(), second->primaryKey());
    newLocalLink(second->primaryKey(), third->primaryKey());
    m_service.addLinkRecord(account, b, a);  // the same two items, swapped
    m_service.addLinkRecord(account, b, c);  // the same two items, in the same order
    syncLinks();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();
    EXPECT_EQ(dataManager().getAllLinks().size(), 2);
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 2);
    for (const LinkPtr& link : dataManager().getAllLinks()) EXPECT_GT(link->zvwKey(), 0);

    // Deleted on the web: the link between second and third.
    for (const QJsonObject& record : m_service.linkRecordsOf(account))
        if (record.value("root_id").toInteger() == b && record.value("target_id").toInteger() == c)
            m_service.removeLinkRecord(account, record.value("id").toInteger());
    syncLinks();
    ASSERT_EQ(dataManager().getAllLinks().size(), 1);
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 1);
}

TEST_F(ZVWSyncMergeTest, LinksGoUpInBatchesOfFifty)
{
    QList<TaskPtr> items;
    for (int i = 0; i < 16; ++i) items.append(addLocalItem(QStringLiteral("Item %1").arg(i), 0, 0));
    mergeItems();
    for (int i = 0; i < 16; ++i)
        for (int j = i + 1; j < 16; ++j) newLocalLink(items[i]->primaryKey(), items[j]->primaryKey());
    ASSERT_EQ(dataManager().getAllLinks().size(), 120);
    syncLinks();
    QList<qsizetype> sizes;
    for (const ServiceRequest& request : requestsOf("POST", "/api/hyperlinks.json"))
        sizes.append(QJsonDocument::fromJson(request.body).array().size());
    EXPECT_EQ(sizes, (QList<qsizetype>{50, 50, 20}));
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 120);

    // A stop request: nothing more goes up.
    m_sync->setIsBreak(true);
    dataManager().getValidLinks();
    LinkList copies;
    for (const LinkPtr& link : dataManager().linkList()) copies.append(std::make_shared<Link>(*link));
    const int before = requestsTo("POST", "/api/hyperlinks.json");
    m_sync->addLink(copies);
    EXPECT_EQ(requestsTo("POST", "/api/hyperlinks.json"), before);
}

TEST_F(ZVWSyncMergeTest, AStopBetweenTwoLinkBatchesLeavesTheRestUnsent)
{
    QList<TaskPtr> items;
    for (int i = 0; i < 16; ++i) items.append(addLocalItem(QStringLiteral("Item %1").arg(i), 0, 0));
    mergeItems();
    for (int i = 0; i < 16; ++i)
        for (int j = i + 1; j < 16; ++j) newLocalLink(items[i]->primaryKey(), items[j]->primaryKey());
    // The stop comes while the first batch's answer is on its way.
    ZVWSync* sync = m_sync.get();
    m_service.setRequestHook([sync](const ServiceRequest& request) {
        if (request.method == "POST" && request.path == "/api/hyperlinks.json") sync->setIsBreak(true);
    });
    syncLinks();
    m_service.setRequestHook({});

    ASSERT_EQ(requestsTo("POST", "/api/hyperlinks.json"), 1);
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 50);
    int keyed = 0, unsent = 0;
    for (const LinkPtr& link : dataManager().getAllLinks()) {
        EXPECT_EQ(link->status(), 0);
        (link->zvwKey() > 0 ? keyed : unsent) += 1;
    }
    EXPECT_EQ(keyed, 50) << "the answered batch keeps its keys";
    EXPECT_EQ(unsent, 70) << "the rest waits, unsent and active";

    m_sync->setIsBreak(false);
    syncLinks();
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 120);
    for (const LinkPtr& link : dataManager().getAllLinks()) EXPECT_GT(link->zvwKey(), 0);
}

TEST_F(ZVWSyncMergeTest, ALinkWithAnUnsentItemIsLeftOutAndTheKeysGoToTheLinksSent)
{
    const TaskPtr a = addLocalItem("A", 0, 0);
    const TaskPtr b = addLocalItem("B", 0, 0);
    const TaskPtr c = addLocalItem("C", 0, 0);
    mergeItems();
    const TaskPtr unsent = addLocalItem("Unsent", 0, 0);  // no server id
    newLocalLink(a->primaryKey(), b->primaryKey());
    const LinkPtr middle = newLocalLink(a->primaryKey(), unsent->primaryKey());
    newLocalLink(b->primaryKey(), c->primaryKey());
    syncLinks();

    const QList<QJsonObject> records = m_service.linkRecordsOf(account);
    ASSERT_EQ(records.size(), 2);
    QHash<qint64, QPair<qint64, qint64>> byKey;
    for (const QJsonObject& record : records)
        byKey.insert(record.value("id").toInteger(),
                     {record.value("root_id").toInteger(), record.value("target_id").toInteger()});
    for (const LinkPtr& link : dataManager().getAllLinks()) {
        if (link->primaryKey() == middle->primaryKey()) {
            EXPECT_EQ(link->zvwKey(), 0);
            continue;
        }
        ASSERT_TRUE(byKey.contains(link->zvwKey()));
        EXPECT_EQ(byKey.value(link->zvwKey()).first, dataManager().getZVWId(link->rootId()));
        EXPECT_EQ(byKey.value(link->zvwKey()).second, dataManager().getZVWId(link->targetId()));
    }
}

TEST_F(ZVWSyncMergeTest, AFailedUploadAfterTheWipeLeavesTheLinksUnsentAndActive)
{
    const TaskPtr first = addLocalItem("First", 0, 0);
    const TaskPtr second = addLocalItem("Second", 0, 0);
    mergeItems();
    newLocalLink(first->primaryKey(), second->primaryKey());
    syncLinks();
    ASSERT_EQ(m_service.linkRecordsOf(account).size(), 1);

    m_service.setFault("POST", "/api/hyperlinks.json", status(500));
    syncLinks();
    const LinkList links = dataManager().getAllLinks();
    ASSERT_EQ(links.size(), 1);
    EXPECT_EQ(links[0]->zvwKey(), 0);
    EXPECT_EQ(links[0]->status(), 0);

    // The next push's links step sends it.
    m_service.clearFaults();
    m_service.clearRequests();
    m_sync->oneWayAutoSyncLinks();
    EXPECT_EQ(requestsTo("POST", "/api/hyperlinks.json"), 1);
    ASSERT_EQ(m_service.linkRecordsOf(account).size(), 1);
    const QJsonObject sent = m_service.linkRecordsOf(account).first();
    EXPECT_EQ(sent.value("root_id").toInteger(), dataManager().getZVWId(first->primaryKey()));
    EXPECT_EQ(sent.value("target_id").toInteger(), dataManager().getZVWId(second->primaryKey()));
    ASSERT_EQ(dataManager().getAllLinks().size(), 1);
    EXPECT_EQ(dataManager().getAllLinks()[0]->zvwKey(), sent.value("id").toInteger());

    syncLinks();
    EXPECT_EQ(dataManager().getAllLinks().size(), 1) << "not taken for deleted on the web";
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 1);
}

TEST_F(ZVWSyncMergeTest, ALinksDownloadThatIsNotAListFailsTheStep)
{
    const TaskPtr first = addLocalItem("First", 0, 0);
    const TaskPtr second = addLocalItem("Second", 0, 0);
    mergeItems();
    newLocalLink(first->primaryKey(), second->primaryKey());
    syncLinks();
    for (const QByteArray& text : {QByteArray(R"({"error":1})"), QByteArray("<html>"), QByteArray("[]")}) {
        m_service.setFault("GET", "/api/hyperlinks.json", body(text));
        syncLinks();
        EXPECT_FALSE(m_sync->errorDescription().isEmpty()) << text.constData();
        ASSERT_EQ(dataManager().getAllLinks().size(), 1) << text.constData();
        EXPECT_EQ(dataManager().getAllLinks()[0]->status(), 0) << text.constData();
        m_service.clearFaults();
    }
}

TEST_F(ZVWSyncMergeTest, ALinksDownloadWithRefusedRecordsUnlinksNothing)
{
    const TaskPtr a = addLocalItem("A", 0, 0);
    const TaskPtr b = addLocalItem("B", 0, 0);
    const TaskPtr c = addLocalItem("C", 0, 0);
    mergeItems();
    newLocalLink(a->primaryKey(), b->primaryKey());
    newLocalLink(b->primaryKey(), c->primaryKey());
    syncLinks();
    const QList<QJsonObject> onService = m_service.linkRecordsOf(account);
    ASSERT_EQ(onService.size(), 2);
    // The download lists one link and a refused record in place of the other.
    QJsonObject listed = onService.first();
    const QByteArray partial =
        QJsonDocument(QJsonArray{listed, QJsonObject{{"error", "temporarily unavailable"}}}).toJson(QJsonDocument::Compact);

    m_service.setFault("GET", "/api/hyperlinks.json", body(partial));
    syncLinks();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();
    EXPECT_TRUE(dataManager().getUnlinks().isEmpty()) << "an incomplete list unlinks nothing";
    ASSERT_EQ(dataManager().getAllLinks().size(), 2);
    for (const LinkPtr& link : dataManager().getAllLinks()) EXPECT_EQ(link->status(), 0);
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 2) << "both go up again after the wipe";

    // The same list without the refused record: the missing link was deleted on the web.
    listed = m_service.linkRecordsOf(account).first();
    m_service.setFault("GET", "/api/hyperlinks.json",
                       body(QJsonDocument(QJsonArray{listed}).toJson(QJsonDocument::Compact)));
    syncLinks();
    EXPECT_EQ(dataManager().getAllLinks().size(), 1);
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 1);
}

TEST_F(ZVWSyncMergeTest, AFailedLinkWipeUploadsAndPurgesNothing)
{
    const TaskPtr a = addLocalItem("A", 0, 0);
    const TaskPtr b = addLocalItem("B", 0, 0);
    const TaskPtr c = addLocalItem("C", 0, 0);
    mergeItems();
    newLocalLink(a->primaryKey(), b->primaryKey());
    syncLinks();
    ASSERT_EQ(m_service.linkRecordsOf(account).size(), 1);
    const qint64 keyBefore = dataManager().getAllLinks().first()->zvwKey();
    ASSERT_GT(keyBefore, 0);
    // An unlinked row, and a new link that waits for its upload.
    ASSERT_TRUE(dataManager().unLink(a->primaryKey(), b->primaryKey()));
    newLocalLink(b->primaryKey(), c->primaryKey());
    m_service.clearRequests();

    m_service.setFault("DELETE", "/api/hyperlinks/0.json", status(500));
    syncLinks();
    EXPECT_EQ(requestsTo("DELETE", "/api/hyperlinks/0.json"), 1);
    EXPECT_EQ(requestsTo("POST", "/api/hyperlinks.json"), 0) << "nothing goes up over links not wiped";
    ASSERT_EQ(dataManager().getUnlinks().size(), 1) << "the unlinked row is not purged";
    EXPECT_EQ(dataManager().getUnlinks().first()->zvwKey(), keyBefore) << "it keeps its key for its deletion";
    int unsent = 0;
    for (const LinkPtr& link : dataManager().getAllLinks()) unsent += link->status() == 0 && link->zvwKey() == 0;
    EXPECT_EQ(unsent, 1) << "the new link still waits";
    EXPECT_EQ(m_service.linkRecordsOf(account).size(), 1);

    m_service.clearFaults();
    syncLinks();
    EXPECT_TRUE(dataManager().getUnlinks().isEmpty());
    ASSERT_EQ(m_service.linkRecordsOf(account).size(), 1);
    EXPECT_EQ(m_service.linkRecordsOf(account).first().value("root_id").toInteger(), dataManager().getZVWId(b->primaryKey()));
}

TEST_F(ZVWSyncMergeTest, LinkRecordsWithUnknownItemsAreStoredWithMinusOne)
{
    const ZVWSync::LinkRecords read = ZVWSync::linksFromRecords(
        QJsonDocument::fromJson(R"([{"root_id":0,"target_id":-4,"id":"12"},{"error":"x"},3])").array(), Date::null());
    EXPECT_EQ(read.refused, 2);
    ASSERT_EQ(read.links.size(), 1);
    EXPECT_EQ(read.links[0]->zvwKey(), 12);

    m_service.addLinkRecord(account, 0, 999);
    syncLinks();
    const LinkList links = dataManager().getAllLinks();
    ASSERT_EQ(links.size(), 1);
    EXPECT_EQ(links[0]->rootId(), -1);
    EXPECT_EQ(links[0]->targetId(), -1);
    EXPECT_TRUE(m_service.linkRecordsOf(account).isEmpty()) << "never uploaded with an unknown end";

    // A record without a root: one end known here, the other not.
    const ZVWSync::LinkRecords rootless =
        ZVWSync::linksFromRecords(QJsonDocument::fromJson(R"([{"target_id":5,"id":13}])").array(), Date::null());
    ASSERT_EQ(rootless.links.size(), 1);
    EXPECT_EQ(rootless.links[0]->rootId(), 0);
    const TaskPtr known = addLocalItem("Known", 0, 0);
    mergeItems();
    const qint64 knownId = dataManager().getZVWId(known->primaryKey());
    ASSERT_GT(knownId, 0);
    m_service.setFault("GET", "/api/hyperlinks.json", body(QStringLiteral(R"([{"target_id":%1,"id":13}])").arg(knownId).toUtf8()));
    m_service.clearRequests();
    syncLinks();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();
    bool stored = false;
    for (const LinkPtr& link : dataManager().getAllLinks())
        stored |= link->rootId() == -1 && link->targetId() == known->primaryKey();
    EXPECT_TRUE(stored) << "stored with -1 for the missing end";
    EXPECT_EQ(requestsTo("POST", "/api/hyperlinks.json"), 0) << "never uploaded while one end is unknown";
}

// ---- orders and finished series ------------------------------------------------------------

TEST_F(ZVWSyncMergeTest, ANewerLocalOrderGoesUpInRequestsOfFifty)
{
    for (int i = 0; i < 120; ++i) addLocalItem(QStringLiteral("Task %1").arg(i), 0, 0);
    mergeItems();
    ASSERT_TRUE(m_sync->willUpdateRemoteOrder()) << "the local order stamp is the newer";
    QList<qsizetype> sizes;
    for (const ServiceRequest& request : requestsOf("PUT", "/api/tasks/update.json")) {
        const QJsonArray records = QJsonDocument::fromJson(request.body).array();
        if (!records.isEmpty() && !records[0].toObject().contains("title")) sizes.append(records.size());
    }
    EXPECT_EQ(sizes, (QList<qsizetype>{50, 50, 20}));
}

TEST_F(ZVWSyncMergeTest, NewTasksTakeTheServiceOrderUnlessTheLocalOrderIsNewer)
{
    const auto ordersOf = [this](const QStringList& names) {
        QList<qint64> orders;
        for (const QString& name : names)
            for (const TaskPtr& item : dataManager().getAllTasksInDB())
                if (item->taskName() == name) orders.append(item->taskOrder());
        return orders;
    };
    for (const auto& [title, order] : {std::pair{"Seventh", 7}, std::pair{"Third", 3}, std::pair{"Fifth", 5}})
        m_service.addItemRecord(account, {{"title", title}, {"task_type", 2}, {"order_number", order}});
    m_setting->setLastUpdateWork(0);  // the service's order is the newer
    mergeItems();
    ASSERT_FALSE(m_sync->willUpdateRemoteOrder());
    EXPECT_EQ(ordersOf({"Seventh", "Third", "Fifth"}), (QList<qint64>{7, 3, 5}));

    for (const auto& [title, order] : {std::pair{"Seventieth", 70}, std::pair{"Thirtieth", 30}})
        m_service.addItemRecord(account, {{"title", title}, {"task_type", 2}, {"order_number", order}});
    m_setting->setLastUpdateWork(m_service.stamp() + 1000);  // the local order is the newer
    mergeItems();
    ASSERT_TRUE(m_sync->willUpdateRemoteOrder());
    const QList<qint64> local = ordersOf({"Seventieth", "Thirtieth"});
    ASSERT_EQ(local.size(), 2);
    EXPECT_GT(local[0], 7) << "placed after the tasks here, not at the service's 70";
    EXPECT_GT(local[1], local[0]) << "in list order, not at the service's 30";
    EXPECT_EQ(ordersOf({"Seventh", "Third", "Fifth"}), (QList<qint64>{7, 3, 5})) << "the stored ones keep theirs";
}

TEST_F(ZVWSyncMergeTest, EqualStampsGiveAnUnchangedTaskTheServiceOrderWithoutMarkingIt)
{
    const qint64 id = m_service.addItemRecord(account, {{"title", "Ordered"}, {"order_number", 7}});
    qint64 stamp = 0;
    for (const QJsonObject& record : m_service.itemRecordsOf(account)) stamp = record.value("last_update").toInteger();
    const TaskPtr local = addLocalItem("Ordered", id, stamp);
    local->setTaskOrder(3);
    local->setHasChanges(0);
    ASSERT_TRUE(local->dehydrate());
    m_setting->setLastUpdateWork(0);  // the service's order is not older
    mergeItems();
    ASSERT_FALSE(m_sync->willUpdateRemoteOrder());
    EXPECT_EQ(Task::initWithPrimaryKey(local->primaryKey())->taskOrder(), 7);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT hasChanges FROM Tasks WHERE primaryKey = %1").arg(local->primaryKey())), 0);
    EXPECT_EQ(requestsTo("PUT", "/api/tasks/update.json"), 0);
}

// Items stored from the service wait for no upload, so the next merge with
// nothing new sends none of them back; the settings saved at its end leave
// the side files as they are (each rewrite would flush the disk).
TEST_F(ZVWSyncMergeTest, AMergeThatBringsNothingNewSendsNoItemAndReplacesNoSideFile)
{
    for (int i = 0; i < 3; ++i) m_service.addItemRecord(account, {{"title", QStringLiteral("Item %1").arg(i)}});
    mergeItems();
    ASSERT_EQ(storedNames().size(), 3);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE hasChanges != 0")), 0)
        << "the service's items are no local change";
    const auto inodeOf = [](const char* name) -> ino_t {
        struct stat info {};
        const QByteArray path = QFile::encodeName(Setting::dataFilePath(QString::fromLatin1(name)));
        return ::stat(path.constData(), &info) == 0 ? info.st_ino : 0;
    };
    const ino_t local = inodeOf("local.settings");
    const ino_t hours = inodeOf("DayManager.dat");
    ASSERT_NE(local, 0u);
    ASSERT_NE(hours, 0u);

    m_service.clearRequests();
    mergeItems();
    EXPECT_TRUE(m_sync->zvwWorkList().isEmpty());
    EXPECT_EQ(storedNames().size(), 3);
    EXPECT_EQ(requestsTo("POST", "/api/tasks.json"), 0);
    for (const ServiceRequest& request : requestsOf("PUT", "/api/tasks/update.json"))
        for (const QJsonValue& record : QJsonDocument::fromJson(request.body).array())
            EXPECT_FALSE(record.toObject().contains("title")) << "an item the service gave went back to it";
    EXPECT_EQ(inodeOf("local.settings"), local);
    EXPECT_EQ(inodeOf("DayManager.dat"), hours);
}

TEST(SeriesEndTest, AFinishedSeriesIsOverOnlyWhenEveryOccurrenceIsDeleted)
{
    const Date start = Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(d1) + 9 * 3600));
    auto root = std::make_shared<Task>();
    root->setTaskType(0);
    root->setStartTime(start);
    root->setEndTime(start.dateByAddingTimeInterval(3600));
    root->setRepeatType(1);
    root->setRepeatStartDate(start);
    root->setIsRepeatForever(0);
    root->setRepeatEndDate(start.dateByAddingTimeInterval(2 * 86400 + 3600));
    QString all;
    for (int day = 0; day < 3; ++day)
        all += QStringLiteral("|%1(2)").arg(Task::storedDateText(start.dateByAddingTimeInterval(day * 86400)));
    root->setRepeatExceptions(all);
    EXPECT_TRUE(ZVWSync::isSeriesWhollyDeleted(*root));

    root->setRepeatExceptions(all.section(QLatin1Char('|'), 0, 2));  // the third occurrence is left
    EXPECT_FALSE(ZVWSync::isSeriesWhollyDeleted(*root));
    root->setRepeatExceptions(all);
    root->setIsRepeatForever(1);
    EXPECT_FALSE(ZVWSync::isSeriesWhollyDeleted(*root));
}

// ---- a repeating root changed on the service meets local exceptions -----------------------

TEST_F(ZVWSyncMergeTest, ARepeatingRootChangedOnTheServiceSettlesItsLocalOccurrences)
{
    // The service: the root with three exception dates and one changed
    // occurrence of its own; here: d1 changed and uploaded before (the
    // service lost it), d2 changed and not yet sent.
    const qint64 serverRoot = addServerSeries(QStringLiteral("Standup"), {d1, d2, d3});
    const qint64 serverChanged = m_service.addItemRecord(
        account, {{"title", "Standup, later"}, {"task_type", 3}, {"group_id", serverRoot},
                  {"start_time", d2 + 7 * 3600}, {"end_time", d2 + 8 * 3600}});
    const TaskPtr root = addLocalSeries(QStringLiteral("Standup"), serverRoot, pieces({{d1, 1}, {d2, 1}}));
    const TaskPtr lost = addLocalOccurrence(root, d1, 9999);
    const TaskPtr unsent = addLocalOccurrence(root, d2, 0);

    mergeItems();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();

    EXPECT_FALSE(isStored(lost)) << "the lost occurrence is deleted here";
    ASSERT_TRUE(isStored(unsent));
    EXPECT_EQ(Task::initWithPrimaryKey(unsent->primaryKey())->zvwID(), serverChanged) << "the unsent occurrence takes the server's id";
    ASSERT_TRUE(isStored(root));
    EXPECT_EQ(Task::initWithPrimaryKey(root->primaryKey())->repeatExceptions(), pieces({{d1, 2}, {d2, 1}, {d3, 2}}));
    EXPECT_EQ(storedNames().size(), 2) << "the root and its one changed occurrence, none stored twice";
    EXPECT_EQ(requestsTo("POST", "/api/tasks.json"), 0) << "the paired occurrence is not sent as a new item";
    EXPECT_EQ(m_service.itemRecordsOf(account).size(), 2);
}

TEST_F(ZVWSyncMergeTest, AFinishedSeriesIsDeletedOnlyWhenNoOccurrenceIsLeft)
{
    // Both series end after their third day; the one here has gone past its end.
    const qint64 end = d3 + 3600;
    const qint64 allGone = addServerSeries(QStringLiteral("Course"), {d1, d2, d3}, end);
    const qint64 oneLeft = addServerSeries(QStringLiteral("Workshop"), {d1, d2}, end);
    const TaskPtr finished = addLocalSeries(QStringLiteral("Course"), allGone, pieces({{d1, 2}, {d2, 2}, {d3, 2}}));
    const TaskPtr kept = addLocalSeries(QStringLiteral("Workshop"), oneLeft, pieces({{d1, 2}, {d2, 2}}));
    for (const TaskPtr& root : {finished, kept}) {
        root->setOccurrence(at(d3 + 86400));
        root->setHasChanges(0);
        ASSERT_TRUE(root->dehydrate());
    }
    // The deletion stays queued where the test can read it.
    m_service.setFault("DELETE", QStringLiteral("/api/tasks/%1.json").arg(allGone), status(500));
    m_ical->clearCalls();

    mergeItems();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();

    EXPECT_FALSE(isStored(finished));
    EXPECT_TRUE(m_setting->zvwDeletedTasks().split(',').contains(QString::number(allGone)))
        << m_setting->zvwDeletedTasks().toStdString();
    EXPECT_EQ(requestsTo("DELETE", QStringLiteral("/api/tasks/%1.json").arg(allGone)), 1) << "and asked of the service";
    EXPECT_FALSE(m_setting->zvwDeletedTasks().split(',').contains(QString::number(oneLeft)));

    ASSERT_TRUE(isStored(kept)) << "one occurrence is left: the series stays";
    EXPECT_EQ(Task::initWithPrimaryKey(kept->primaryKey())->repeatExceptions(), pieces({{d1, 2}, {d2, 2}}));
    bool handedOn = false;
    for (const TaskPtr& item : calendarInserts()) {
        EXPECT_NE(item->primaryKey(), finished->primaryKey());
        handedOn |= item->primaryKey() == kept->primaryKey();
    }
    EXPECT_TRUE(handedOn) << "the series that goes on is passed to the calendar sync";
}

TEST_F(ZVWSyncMergeTest, MalformedExceptionPiecesAreLoggedAndSkippedAndTheMergeGoesOn)
{
    const qint64 serverRoot = addServerSeries(QStringLiteral("Yoga"), {d1, d2});
    const TaskPtr root = addLocalSeries(QStringLiteral("Yoga"), serverRoot,
                                        QStringLiteral("|abc|(2)||") + QString::number(d2) + QStringLiteral("(2)"));
    const qint64 plain = m_service.addItemRecord(account, {{"title", "After the series"}});

    LogCapture log;
    const qsizetype earlier = log.messages().size();  // another test's capture may still collect
    mergeItems();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();

    // The three bad pieces are passed over one by one; the good one counts.
    EXPECT_EQ(Task::initWithPrimaryKey(root->primaryKey())->repeatExceptions(), pieces({{d2, 2}, {d1, 2}}));
    const QStringList messages = log.messages().mid(earlier);
    QStringList warned;
    for (const QString& message : messages)
        if (message.contains(QStringLiteral("is malformed and passed over"))) warned.append(message);
    ASSERT_EQ(warned.size(), 3) << messages.join('\n').toStdString();
    EXPECT_TRUE(warned[0].contains(QStringLiteral("\"abc\"")));
    EXPECT_TRUE(warned[1].contains(QStringLiteral("\"(2)\"")));
    EXPECT_TRUE(warned[2].contains(QStringLiteral("\"\"")));
    bool stored = false;
    for (const TaskPtr& item : dataManager().getAllTasksInDB()) stored |= item->zvwID() == plain;
    EXPECT_TRUE(stored) << "the items after the series are merged as well";
}

// ---- the log of local changes the merge gives up ---------------------------------------------

TEST_F(ZVWSyncMergeTest, LocalChangesTheMergeOverwritesOrDeletesAreLoggedWithKeyNameAndStamps)
{
    const qint64 newer = m_service.addItemRecord(account, {{"title", "Service title"}});
    qint64 serviceStamp = 0;
    for (const QJsonObject& record : m_service.itemRecordsOf(account))
        if (record.value("id").toInteger() == newer) serviceStamp = record.value("last_update").toInteger();
    const TaskPtr overwritten = addLocalItem("Local title", newer, 3);
    overwritten->setTaskName("Unsent rename");
    ASSERT_TRUE(overwritten->dehydrate());
    const TaskPtr gone = addLocalItem("Deleted elsewhere", 5000, 4);
    gone->setTaskName("Edited here");
    ASSERT_TRUE(gone->dehydrate());
    const TaskPtr untouched = addLocalItem("Quiet", 5001, 5);  // deleted too, but without changes

    LogCapture log;
    const qsizetype earlier = log.messages().size();  // another test's capture may still collect
    mergeItems();

    QStringList replaced, deleted;
    for (const QString& message : log.messages().mid(earlier)) {
        if (message.contains(QStringLiteral("newer copy replaces unsent local changes"))) replaced.append(message);
        if (message.contains(QStringLiteral("with unsent changes is deleted"))) deleted.append(message);
    }
    ASSERT_EQ(replaced.size(), 1) << log.messages().join('\n').toStdString();
    EXPECT_TRUE(replaced[0].contains(QStringLiteral("Item %1 ").arg(overwritten->primaryKey())));
    EXPECT_TRUE(replaced[0].contains(QStringLiteral("\"Unsent rename\"")));
    EXPECT_TRUE(replaced[0].contains(QStringLiteral("local stamp 3")));
    EXPECT_TRUE(replaced[0].contains(QStringLiteral("service stamp %1").arg(serviceStamp)));
    ASSERT_EQ(deleted.size(), 1) << "an item without changes goes quietly";
    EXPECT_TRUE(deleted[0].contains(QStringLiteral("Item %1 ").arg(gone->primaryKey())));
    EXPECT_TRUE(deleted[0].contains(QStringLiteral("\"Edited here\"")));
    EXPECT_TRUE(deleted[0].contains(QStringLiteral("local stamp 4")));
    EXPECT_FALSE(isStored(untouched));
    EXPECT_EQ(Task::initWithPrimaryKey(overwritten->primaryKey())->taskName(), QStringLiteral("Service title"))
        << "the rule itself stands";
    EXPECT_FALSE(isStored(gone));
}

// ---- odd lists from the service -------------------------------------------------------------

TEST_F(ZVWSyncMergeTest, OddServerListsAreMergedByTheRules)
{
    // A changed occurrence listed before its root is stored as a root of its own.
    const qint64 root = m_service.addItemRecord(account, {{"title", "Standup"}, {"task_type", 3}, {"group_id", 0},
                                                          {"repeat", QJsonObject{{"repeat_type", "D"}}}});
    m_service.addItemRecord(account, {{"title", "Moved standup"}, {"task_type", 3}, {"group_id", root}});
    // A changed occurrence whose root the service does not list at all.
    m_service.addItemRecord(account, {{"title", "Orphan occurrence"}, {"task_type", 3}, {"group_id", 987654}});
    m_service.setChildrenFirst(true);
    mergeItems();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty());
    bool childAsRoot = false, orphanAsRoot = false;
    for (const TaskPtr& item : dataManager().getAllTasksInDB()) {
        if (item->taskName() == "Moved standup") childAsRoot = item->parentId() == 0;
        if (item->taskName() == "Orphan occurrence") orphanAsRoot = item->parentId() == 0;
    }
    EXPECT_TRUE(childAsRoot);
    EXPECT_TRUE(orphanAsRoot);
    EXPECT_EQ(storedNames().size(), 3);

    // The next merge takes them for the service's own: nothing stored twice or sent.
    m_service.clearRequests();
    mergeItems();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty());
    EXPECT_EQ(storedNames().size(), 3);
    EXPECT_EQ(requestsTo("POST", "/api/tasks.json"), 0);
    EXPECT_EQ(m_service.itemRecordsOf(account).size(), 3);
}

TEST_F(ZVWSyncMergeTest, AnItemWhoseTypeChangedIsStoredAnew)
{
    const qint64 id = m_service.addItemRecord(account, {{"title", "Now a task"}});
    addLocalItem("A note", id, 1, 3);
    mergeItems();
    EXPECT_EQ(storedNames(), QStringList{"Now a task"});
    const TaskList stored = dataManager().getAllTasksInDB();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0]->taskType(), 1) << "the note is gone, the task stored";
    EXPECT_EQ(stored[0]->zvwID(), id);
}

// One download, one row per id: the newer of two copies is the one merged.
TEST_F(ZVWSyncMergeTest, TwoServerItemsWithOneIdGiveOneRowTheNewerCopy)
{
    const TaskPtr local = addLocalItem("Local", 50, 5);
    m_service.setFault("GET", "/api/tasks.json",
                       body(R"([{"id":50,"title":"First","last_update":5},{"id":50,"title":"Second","last_update":9}])"));
    mergeItems();
    ASSERT_TRUE(m_sync->errorDescription().isEmpty());
    EXPECT_EQ(storedNames(), QStringList{"Second"});
    EXPECT_EQ(Task::initWithPrimaryKey(local->primaryKey())->taskName(), QStringLiteral("Second"));
}

TEST_F(ZVWSyncMergeTest, UnlinkedRowsArePurgedOnlyOnceTheServiceAnsweredTheirDeletion)
{
    const TaskPtr a = addLocalItem("A", 0, 0);
    const TaskPtr b = addLocalItem("B", 0, 0);
    const TaskPtr c = addLocalItem("C", 0, 0);
    mergeItems();
    newLocalLink(a->primaryKey(), b->primaryKey());
    newLocalLink(b->primaryKey(), c->primaryKey());
    syncLinks();
    QStringList keys;
    for (const LinkPtr& link : dataManager().getAllLinks()) keys.append(QString::number(link->zvwKey()));
    ASSERT_TRUE(dataManager().unLink(a->primaryKey(), b->primaryKey()));
    ASSERT_TRUE(dataManager().unLink(b->primaryKey(), c->primaryKey()));
    // Made and unlinked here before it ever went up: nothing to ask of the service.
    const LinkPtr neverSent = newLocalLink(a->primaryKey(), c->primaryKey());
    ASSERT_TRUE(dataManager().unLink(a->primaryKey(), c->primaryKey()));
    ASSERT_EQ(dataManager().getUnlinks().size(), 3);
    const QString path = QStringLiteral("/api/hyperlinks/%1.json").arg(keys.join(','));

    m_service.setFault("DELETE", path, status(500));
    m_service.clearRequests();
    m_sync->deleteUnlinks();
    EXPECT_EQ(dataManager().getUnlinks().size(), 2) << "not answered: they stay marked and go again";
    for (const LinkPtr& link : dataManager().getUnlinks())
        EXPECT_NE(link->primaryKey(), neverSent->primaryKey()) << "the row that never had a key is purged";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Links WHERE primaryKey = %1").arg(neverSent->primaryKey())), 0);
    EXPECT_EQ(requestsTo("DELETE", "/api/hyperlinks/"), 1) << "one request, with the two keys only";

    m_service.clearFaults();
    m_sync->deleteUnlinks();
    EXPECT_TRUE(dataManager().getUnlinks().isEmpty());
    EXPECT_EQ(requestsTo("DELETE", path), 2) << "one request with both keys, each time";
    EXPECT_TRUE(m_service.linkRecordsOf(account).isEmpty());
}

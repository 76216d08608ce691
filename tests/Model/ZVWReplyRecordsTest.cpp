#include "Calendar.h"
#include "Tag.h"
#include "Utilities.h"
#include "ZVWReply.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

HttpReply replyWith(const QByteArray& body, int status = 200)
{
    HttpReply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

}  // namespace

TEST(ZVWReplyRecordsTest, AListReplyIsJudgedBeforeItsRecordsAreRead)
{
    struct Case {
        QByteArray body;
        int status;
        ZVWReply::ListKind kind;
        qsizetype records;
        qsizetype refused;
    };
    for (const Case& c : {Case{"[{\"id\":1},{\"error\":2},3,{}]", 200, ZVWReply::ListKind::Array, 2, 2},
                          Case{"[]", 500, ZVWReply::ListKind::BadStatus, 0, 0},
                          Case{"{\"error\":4}", 403, ZVWReply::ListKind::ErrorObject, 0, 0},
                          Case{"{\"error\":\"x\"}", 200, ZVWReply::ListKind::ErrorObject, 0, 0},
                          Case{"{\"id\":1}", 200, ZVWReply::ListKind::NotAnArray, 0, 0},
                          Case{"[1,", 200, ZVWReply::ListKind::NotAnArray, 0, 0},
                          Case{"", 200, ZVWReply::ListKind::NotAnArray, 0, 0}}) {
        const ZVWReply::Records list = ZVWReply::records(replyWith(c.body, c.status));
        EXPECT_EQ(list.kind, c.kind) << c.body.constData();
        EXPECT_EQ(list.records.size(), c.records) << c.body.constData();
        EXPECT_EQ(list.refused, c.refused) << c.body.constData();
    }
    HttpReply failed;
    failed.failure = HttpFailure::CannotConnect;
    EXPECT_EQ(ZVWReply::records(failed).kind, ZVWReply::ListKind::TransportFailure);
    EXPECT_EQ(ZVWReply::records(replyWith("{\"error\":4}", 403)).errorCode, 4);
}

TEST(ZVWReplyRecordsTest, ACategoryRecordTakesWhatItCanAndDefaultsTheRest)
{
    const qint64 color = Utilities::getHexColor(3, 6);
    const CalendarPtr full = ZVWReply::category(QJsonObject{
        {"name", " , Work ,"}, {"id", "42"}, {"color", color}, {"category_type", 1}, {"last_update", 99},
        {"invisible", 1}, {"tags", ", a,b ,"}, {"is_transparent", true}, {"shared", 1}, {"has_shared", 1},
        {"owner", QJsonObject{{"oFirstName", "Bob"}}}, {"shared_status", 2}});
    EXPECT_EQ(full->calendarName(), QStringLiteral("Work"));
    EXPECT_EQ(full->zvwProjectId(), 42);
    EXPECT_EQ(full->colorGroupId(), 3);
    EXPECT_EQ(full->colorNameId(), 6);
    EXPECT_EQ(full->projectType(), 1);
    EXPECT_EQ(full->lastUpdate(), 99);
    EXPECT_EQ(full->inVisible(), 1);
    EXPECT_EQ(full->tagList(), QStringLiteral("/a/b"));
    EXPECT_TRUE(full->isTransparent());
    EXPECT_TRUE(full->isShared());
    EXPECT_TRUE(full->hasShared());
    EXPECT_EQ(full->ownerName(), QStringLiteral("Bob ")) << "a missing last name counts as empty";
    EXPECT_EQ(full->sharedStatus(), 2);
    EXPECT_FALSE(full->hasChanges());

    const CalendarPtr odd = ZVWReply::category(object(
        R"({"name": 7, "id": 1e12, "color": 123, "tags": ["a"], "owner": "Bob", "shared": 1, "shared_status": 3,
            "last_update": null, "category_type": "x"})"));
    EXPECT_EQ(odd->calendarName(), QString());
    EXPECT_EQ(odd->zvwProjectId(), 0) << "beyond 32 bits counts as absent";
    EXPECT_EQ(odd->colorGroupId(), 0);
    EXPECT_EQ(odd->colorNameId(), 0) << "a colour outside the palette";
    EXPECT_EQ(odd->tagList(), QString());
    EXPECT_EQ(odd->ownerName(), QString()) << "an owner that is no object";
    EXPECT_EQ(odd->lastUpdate(), 0);
    EXPECT_EQ(odd->projectType(), 0);

    const CalendarPtr personal = ZVWReply::category(object(R"({"owner": {"oFirstName": "A", "oLastName": "B"}})"));
    EXPECT_EQ(personal->ownerName(), QString()) << "only a shared category reads its owner";
}

TEST(ZVWReplyRecordsTest, TagTextsAndIdsConvertBothWays)
{
    struct Case {
        const char* service;
        const char* stored;
        const char* back;
    };
    for (const Case& c : {Case{"a,b", "/a/b", "a,b"}, Case{"", "", ""}, Case{" ,a, ", "/a", "a"},
                          Case{"x", "/x", "x"}}) {
        EXPECT_EQ(ZVWReply::storedTagList(QString::fromUtf8(c.service)), QString::fromUtf8(c.stored)) << c.service;
        EXPECT_EQ(ZVWReply::serviceTagList(QString::fromUtf8(c.stored)), QString::fromUtf8(c.back)) << c.stored;
    }
    const TagPtr tag = ZVWReply::tag(object(R"({"id": "17", "name": "Home"})"));
    EXPECT_EQ(tag->tagName(), QStringLiteral("Home"));
    EXPECT_EQ(tag->zvwKey(), 17);
    EXPECT_EQ(ZVWReply::tag(object(R"({"id": true, "name": null})"))->zvwKey(), 0);
}

TEST(ZVWReplyRecordsTest, OnlyPositiveDecimalIdsMakeADeletionAddress)
{
    struct Case {
        const char* ids;
        bool accepted;
    };
    for (const Case& c : {Case{"0", true}, Case{"12", true}, Case{"12,34", true}, Case{"", false},
                          Case{"12,", false}, Case{"-1", false}, Case{"0,5", false}, Case{"1 2", false},
                          Case{"../1", false}, Case{"1e3", false}, Case{"+4", false},
                          Case{"99999999999999999999", false}}) {
        EXPECT_EQ(ZVWReply::isDeletionIdList(QString::fromUtf8(c.ids)), c.accepted) << c.ids;
    }
}

TEST(ZVWReplyRecordsTest, ADeletionReplyAnswersForTheFirstWordOfEachLine)
{
    EXPECT_EQ(ZVWReply::answeredIds(replyWith(
                  R"([{"success": "12 deleted"}, {"error": " 34 not found"}, {"error": ""}, {"success": 5}, "7"])")),
              (QStringList{"12", "34"}));
    EXPECT_TRUE(ZVWReply::answeredIds(replyWith(R"([{"success": "12 deleted"}])", 500)).isEmpty());
}

TEST(ZVWReplyRecordsTest, TheSettingsRecordReadsItsKeysAndItsStamps)
{
    const ZVWReply::Settings settings = ZVWReply::settings(replyWith(
        R"({"week_start": "mon", "confirm_delete": "1", "timezone_support": 1, "time_zone": "Paris",
            "working_hour_end": "late", "last_updates": {"lastupdatesetting": 50, "lastupdatetask": "60"}})"));
    ASSERT_EQ(settings.kind, ZVWReply::Kind::Dictionary);
    EXPECT_EQ(settings.record.weekStart, 1);
    EXPECT_EQ(settings.record.confirmDelete, 1);
    EXPECT_EQ(settings.record.timezoneSupport, 1);
    EXPECT_EQ(settings.record.timeZone, QStringLiteral("Paris"));
    EXPECT_FALSE(settings.record.workingHourEnd);
    EXPECT_EQ(settings.record.lastUpdateSetting, 50);
    EXPECT_EQ(settings.record.lastUpdateTask, 60);
    EXPECT_FALSE(settings.record.hasError);
    EXPECT_TRUE(ZVWReply::settings(replyWith(R"({"error": "x"})")).record.hasError);
    EXPECT_EQ(ZVWReply::settings(replyWith(R"({"last_updates": 5})")).record.lastUpdateSetting, std::nullopt);
}

// The token check looks at the first byte before it parses: it must never
// pass over a body the parser reads as an object, and it spares the parse of
// a list.
TEST(ZVWReplyRecordsTest, OnlyABodyThatMayBeAnObjectIsParsedForARefusal)
{
    const struct {
        QByteArray body;
        bool mayBeObject;
    } cases[] = {
        {R"({"error":4})", true},   {" \r\n\t{\"error\":4}", true}, {"\xEF\xBB\xBF{\"error\":4}", true},
        {"\xEF\xBB\xBF [1]", false}, {R"([{"error":4}])", false},     {"  [ ]", false},
        {"4", false},               {"", false},                     {"   ", false},
        {"\v{}", false},            {"{not json", true},
    };
    for (const auto& [body, mayBeObject] : cases) {
        SCOPED_TRACE(body.toStdString());
        EXPECT_EQ(ZVWReply::mayBeDictionary(body), mayBeObject);
        if (ZVWReply::dictionary(body)) {
            EXPECT_TRUE(ZVWReply::mayBeDictionary(body));
        }
    }
}

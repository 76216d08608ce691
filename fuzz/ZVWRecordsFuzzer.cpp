// Replies of the web service to the settings, tags and categories calls: the
// first byte picks the status, the rest is the body. Every reader runs on it.
#include "Calendar.h"
#include "FuzzSupport.h"
#include "Tag.h"
#include "ZVWReply.h"

#include <limits>

namespace {

bool isTrimmed(const QString& text)
{
    const auto trimmable = [](QChar c) { return c.isSpace() || c == QLatin1Char(','); };
    return text.isEmpty() || (!trimmable(text.front()) && !trimmable(text.back()));
}

bool fits32(qint64 value)
{
    return value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static const int statuses[] = {200, 201, 204, 299, 300, 400, 401, 403, 404, 500, 502, 503};
    HttpReply reply;
    reply.status = statuses[data[0] % (sizeof statuses / sizeof statuses[0])];
    reply.body = Fuzz::bytes(data + 1, size - 1);

    const ZVWReply::Records list = ZVWReply::records(reply);
    Fuzz::require(list.kind == ZVWReply::ListKind::Array || (list.records.isEmpty() && list.refused == 0),
                  "only a list carries records");
    Fuzz::require(list.kind != ZVWReply::ListKind::Array || reply.hasSuccessStatus(),
                  "a failed status gives no list");
    Fuzz::require(list.records.size() + list.refused == list.elements.size(), "every element is counted once");
    for (const QJsonObject& record : list.records) {
        Fuzz::require(!record.contains(QStringLiteral("error")), "a refused record is not taken");
        const CalendarPtr category = ZVWReply::category(record);
        Fuzz::require(category->colorGroupId() >= 0 && category->colorGroupId() < 4, "a palette group");
        Fuzz::require(category->colorNameId() >= 0 && category->colorNameId() < 8, "a palette colour");
        Fuzz::require(fits32(category->zvwProjectId()) && fits32(category->lastUpdate()), "32-bit values");
        Fuzz::require(isTrimmed(category->calendarName()), "a trimmed name");
        Fuzz::require(category->tagList().isEmpty() || category->tagList().startsWith(QLatin1Char('/')),
                      "a stored tags text starts with /");
        Fuzz::require(!category->tagList().contains(QLatin1Char(',')), "no comma is stored");
        Fuzz::require(!category->hasChanges(), "a downloaded category is no local change");
        Fuzz::require(category->extraStatus() > 0 || category->ownerName().isEmpty(), "only a shared category has an owner");
        const TagPtr tag = ZVWReply::tag(record);
        Fuzz::require(fits32(tag->zvwKey()), "a 32-bit tag id");
    }
    for (const QString& id : ZVWReply::answeredIds(reply))
        Fuzz::require(!id.isEmpty() && !id.contains(QLatin1Char(' ')), "an answered id is one word");

    const ZVWReply::Settings settings = ZVWReply::settings(reply);
    Fuzz::require(settings.kind == ZVWReply::Kind::Dictionary || !settings.record.weekStart,
                  "only a dictionary carries settings");
    Fuzz::require(!settings.record.weekStart || *settings.record.weekStart == 0 || *settings.record.weekStart == 1,
                  "a week starts on Sunday or Monday");
    Fuzz::require(!settings.record.hasError || !settings.record.weekStart, "an error reply stores nothing");

    const QString ids = Fuzz::latin1Text(data + 1, size - 1);
    if (ZVWReply::isDeletionIdList(ids))
        for (const QChar c : ids)
            Fuzz::require(c.isDigit() || c == QLatin1Char(','), "a deletion address holds digits and commas only");
    return 0;
}

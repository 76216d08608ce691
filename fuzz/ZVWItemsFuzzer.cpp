// Replies of the web service to the items download and the item uploads: the
// first byte picks the status, the rest is the body. The records are read
// into items and written back out; nothing may be stored.
#include "FuzzDatabase.h"
#include "FuzzSupport.h"
#include "Task.h"
#include "ZVWReply.h"
#include "ZVWSync.h"

namespace {

bool isRepeatOptionsText(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    bool ok = false;
    return parts.size() == 3 && parts[0].toLongLong(&ok) >= 1 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    Fuzz::openTemplateDatabase({Fuzz::repeatingItemRow()});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static const int statuses[] = {200, 201, 299, 400, 404, 500};
    HttpReply reply;
    reply.status = statuses[data[0] % (sizeof statuses / sizeof statuses[0])];
    reply.body = Fuzz::bytes(data + 1, size - 1);
    const int changesBefore = sqlite3_total_changes(RecordStore::sharedDatabase());

    const ZVWReply::Records list = ZVWReply::records(reply);
    ZVWSync::ItemReading reading;
    reading.categoryKeys.insert(1, 1);
    reading.userName = QStringLiteral("ann@example.com");
    reading.defaultTaskDuration = 30;
    const ZVWSync::ItemRecords read = ZVWSync::itemsFromRecords(list.elements, reading);
    Fuzz::require(read.items.size() + read.refused == list.elements.size(), "every record is an item or refused");
    for (const TaskPtr& item : read.items) {
        Fuzz::checkDateFromOutside(item->startTime());
        Fuzz::checkDateFromOutside(item->endTime());
        Fuzz::checkDateFromOutside(item->repeatEndDate());
        Fuzz::checkDateFromOutside(item->completedDate());
        Fuzz::checkDateFromOutside(item->delegateDate());
        Fuzz::require(item->taskType() >= ItemKind::Event && item->taskType() <= ItemKind::Note, "a known kind");
        Fuzz::require(item->repeatType() >= 0 && item->repeatType() <= 4, "a known repeat");
        Fuzz::require(isRepeatOptionsText(item->repeatOptions()), "repeat options of three fields, interval >= 1");
        Fuzz::require(item->tagList().isEmpty() || item->tagList().startsWith(QLatin1Char('/')), "a stored tags text");
        Fuzz::require(item->primaryKey() == -1, "a downloaded item is not stored");
        // What would go back up is built without a fault either.
        const QJsonObject record = ZVWSync::itemCreateRecord(*item, 1, 0, true);
        Fuzz::require(record.value(QStringLiteral("repeat")).isObject(), "a repeat object always goes");
        for (const QJsonValue& exception : ZVWSync::exceptionRecords(item->repeatExceptions()))
            Fuzz::require(!exception.toObject().value(QStringLiteral("exception_date")).toString().contains(QLatin1Char('(')),
                          "no kind marker goes up");
    }
    Fuzz::require(sqlite3_total_changes(RecordStore::sharedDatabase()) == changesBefore, "reading stores nothing");
    return 0;
}

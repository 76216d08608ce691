// Replies of the web service to the comments download: the first byte picks
// the status, the rest is the body. Reading them stores nothing.
#include "FuzzDatabase.h"
#include "FuzzSupport.h"
#include "ZVComment.h"
#include "ZVWReply.h"
#include "ZVWSync.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    Fuzz::openTemplateDatabase({});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static const int statuses[] = {200, 204, 401, 500};
    HttpReply reply;
    reply.status = statuses[data[0] % (sizeof statuses / sizeof statuses[0])];
    reply.body = Fuzz::bytes(data + 1, size - 1);
    const int changesBefore = sqlite3_total_changes(RecordStore::sharedDatabase());

    const ZVWReply::Records list = ZVWReply::records(reply);
    const auto localKey = [](qint64 type, qint64) -> qint64 { return type == 1 ? 7 : -1; };
    const ZVWSync::CommentRecords read = ZVWSync::commentsFromRecords(list.elements, 100, localKey);
    Fuzz::require(read.comments.size() + read.refused == list.elements.size(), "every record is a comment or refused");
    Fuzz::require(read.latestStamp >= 100, "the latest stamp only grows");
    for (const ZVCommentPtr& comment : read.comments) {
        Fuzz::require(comment->status() == 0 || comment->status() == 1, "read or unread");
        Fuzz::require(comment->itemKey() == 0 || comment->itemKey() == 7 || comment->itemKey() == -1, "a looked-up key");
        Fuzz::checkDateFromOutside(comment->createdDate());
        Fuzz::checkDateFromOutside(comment->updatedDate());
    }
    Fuzz::require(sqlite3_total_changes(RecordStore::sharedDatabase()) == changesBefore, "reading stores nothing");
    return 0;
}

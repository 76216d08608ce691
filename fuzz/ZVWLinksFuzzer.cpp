// Replies of the web service to the links download: the first byte picks the
// status, the rest is the body. Reading them stores nothing.
#include "FuzzDatabase.h"
#include "FuzzSupport.h"
#include "Link.h"
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
    const ZVWSync::LinkRecords read = ZVWSync::linksFromRecords(list.elements, Date::dateWithTimeIntervalSince1970(1e9));
    Fuzz::require(read.links.size() + read.refused == list.elements.size(), "every record is a link or refused");
    for (const LinkPtr& link : read.links) {
        Fuzz::require(link->status() == 0, "a downloaded link is active");
        Fuzz::checkDateFromOutside(link->updatedDate());
    }
    Fuzz::require(sqlite3_total_changes(RecordStore::sharedDatabase()) == changesBefore, "reading stores nothing");
    return 0;
}

// Tag commands and queries of the data manager.
#include "CoreData.h"
#include "Notifications.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Tag.h"
#include "Transaction.h"

#include <algorithm>

void CoreData::getTagList()
{
    if (!databaseOpen) return;
    TagList tags;
    {
        RecordGuard guard;
        QueryStatement query("SELECT primaryKey FROM Tag");
        for (const qint64 key : query.int64Column())
            tags.append(Tag::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
    }
    setTagList(tags);
}

namespace {
// Inserting adds the tag to the tag list; the name reaches the row with the
// save that follows, in the same unit, so no nameless tag is ever kept.
bool insertTag(const QString& name, qint64 zvwKey)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    auto tag = std::make_shared<Tag>();
    tag->setTagName(name);
    tag->setZvwKey(zvwKey);
    return tag->insertIntoDatabase(RecordStore::sharedDatabase()) && tag->dehydrate() && transaction.commit();
}
}  // namespace

bool CoreData::hasTagMatching(const QString& name) const
{
    const TagList tags = tagList();
    const QString wanted = comparableName(name);
    return std::any_of(tags.cbegin(), tags.cend(),
                       [&wanted](const TagPtr& tag) { return comparableName(tag->tagName()) == wanted; });
}

bool CoreData::insertTagIfNA(const QString& name)
{
    if (hasTagMatching(name)) return true;
    if (!insertTag(name, 0)) return false;
    postAutoSyncRequest(AutoSync::tags);
    return true;
}

bool CoreData::insertTagIfNA(const QString& name, qint64 zvwKey)
{
    return hasTagMatching(name) || insertTag(name, zvwKey);
}

void CoreData::setShowAllTag()
{
    for (const TagPtr& tag : tagList()) tag->setIsHidden(false);
}

void CoreData::setShowNoneTag()
{
    for (const TagPtr& tag : tagList()) tag->setIsHidden(true);
}

QStringList CoreData::getShowTag() const
{
    QStringList names;
    for (const TagPtr& tag : tagList())
        if (!tag->isHidden()) names.append(tag->tagName());
    return names;
}

// Tag queries of the data manager.
#include "CoreData.h"
#include "Tag.h"

QStringList CoreData::getShowTag() const
{
    QStringList names;
    for (const TagPtr& tag : tagList())
        if (!tag->isHidden()) names.append(tag->tagName());
    return names;
}

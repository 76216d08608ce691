// Tag-list texts of items and categories (also sent by the web service),
// matched against the shown tags as the tag filter does.
#include "CoreData.h"
#include "FuzzSupport.h"
#include "Utilities.h"

#include <QStringList>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Three texts split at NUL bytes: the category's tags, the item's, and the shown names.
    const QList<QByteArray> parts = Fuzz::bytes(data, size).split('\0');
    const QString categoryTags = QString::fromUtf8(parts.value(0));
    const QString itemTags = QString::fromUtf8(parts.value(1));
    const QStringList shown = QString::fromUtf8(parts.value(2)).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const bool matches = Utilities::isTagList(itemTags, shown);
    const bool passes = CoreData::passesTagFilter(categoryTags, itemTags, shown);
    Fuzz::require(!matches || passes, "an item whose tags match passes the filter");
    return 0;
}

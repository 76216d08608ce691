#include "OwnTagList.h"

namespace {

// Every name of the list, each split at "/", trimmed, blanks dropped.
QStringList splitTagNames(const QStringList& list)
{
    QStringList names;
    for (const QString& entry : list) {
        for (const QString& part : entry.split(QLatin1Char('/'))) {
            const QString name = part.trimmed();
            if (!name.isEmpty()) names.append(name);
        }
    }
    return names;
}

}  // namespace

QString EventSaving::tagListFor(const QStringList& names, const QString& categoryTags,
                                const std::function<void(const QString&)>& newTag)
{
    const QStringList given = splitTagNames({categoryTags});
    QStringList taken;
    QString list;
    for (const QString& name : splitTagNames(names)) {
        if (given.contains(name) || taken.contains(name)) continue;
        taken.append(name);
        list += QLatin1Char('/') + name;
        if (newTag) newTag(name);
    }
    return list;
}

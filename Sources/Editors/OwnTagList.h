#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace EventSaving {
// An item's own tags as stored: the field's names that the category does
// not carry, once each, each led by "/". The stored text parts tags at "/",
// so a name holding one stands for the tags between the slashes; blank
// names are dropped. newTag is told every name written, in order.
QString tagListFor(const QStringList& names, const QString& categoryTags,
                   const std::function<void(const QString&)>& newTag = {});
}  // namespace EventSaving

// Property lists: the side files, and the account file once decrypted.
#include "FuzzSupport.h"
#include "PropertyList.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>

namespace {

// Dates of a list become item dates and stamps: each must be safe to compute with.
void walk(const QVariant& value, int depth)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        for (const QVariant& entry : value.toMap()) walk(entry, depth + 1);
        break;
    case QMetaType::QVariantList:
        for (const QVariant& entry : value.toList()) walk(entry, depth + 1);
        break;
    case QMetaType::QDateTime:
        Fuzz::exerciseCalendar(Date::dateFromOutside(double(value.toDateTime().toSecsSinceEpoch()), "a fuzzed list"));
        break;
    case QMetaType::Double:
        Fuzz::exerciseCalendar(Date::dateFromOutside(value.toDouble(), "a fuzzed list"));
        break;
    default:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const PropertyList::Result read = PropertyList::fromData(Fuzz::bytes(data, size));
    Fuzz::require(read.ok() == read.errorText.isEmpty(), "a failed read says why, a good one says nothing");
    if (!read.ok()) return 0;
    walk(read.value, 0);
    // What was read can be written back (the side files keep unknown keys).
    Fuzz::require(PropertyList::toData(read.value).has_value(), "every value read can be written");
    return 0;
}

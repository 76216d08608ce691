// The keyed archive of items: the pasteboard and drops, which any program can fill.
#include "FuzzSupport.h"
#include "KeyedArchive.h"

#include <QDateTime>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QVariantMap> records = KeyedArchive::unarchiveRecords(Fuzz::archiveBytes(data, size));
    for (const QVariantMap& record : records) {
        for (const QVariant& value : record) {
            const int type = value.typeId();
            Fuzz::require(type == QMetaType::LongLong || type == QMetaType::Double || type == QMetaType::QDateTime
                              || type == QMetaType::QString,
                          "an archive holds only whole numbers, reals, dates and texts");
            if (type == QMetaType::QDateTime)
                Fuzz::checkDateFromOutside(Date::dateWithTimeIntervalSince1970(
                    double(value.toDateTime().toMSecsSinceEpoch()) / 1000));
        }
    }
    // What was read writes back to an archive that reads the same.
    if (!records.isEmpty())
        Fuzz::require(KeyedArchive::unarchiveRecords(KeyedArchive::archivedDataWithRecords(records)) == records,
                      "records read from an archive round-trip");
    return 0;
}

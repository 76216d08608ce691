#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QVariantMap>

class QMimeData;

// Items on the pasteboard and in drags: a list of records, each a
// QVariantMap of its archived fields, under our private MIME type. The
// archive carries a format version and a checksum; anything that is not a
// whole archive of ours decodes to an empty list.
class KeyedArchive {
public:
    static constexpr QLatin1String mimeType{"application/x-zoravel-items"};

    static QByteArray archivedDataWithRecords(const QList<QVariantMap>& records);
    static QList<QVariantMap> unarchiveRecords(const QByteArray& data);

    static void setRecords(QMimeData& mimeData, const QList<QVariantMap>& records);
    static bool hasRecords(const QMimeData& mimeData);
    static QList<QVariantMap> records(const QMimeData& mimeData);
};

#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QVariantMap>

class QMimeData;

// Items on the pasteboard and in drags: a list of records, each a
// QVariantMap of its archived fields, under our private MIME type. Any
// program may put bytes there, so a record holds only whole numbers (read
// back as qint64), reals, dates (QDateTime, UTC) and texts: the writer leaves
// out a value of any other type, and the reader refuses the whole archive for
// one. The archive carries a format version and a checksum; anything that is
// not a whole archive of this version decodes to an empty list, with a log
// line when it claims to be ours. A real that is not finite and a date
// outside the years 1 to 9999 count as damage too.
class KeyedArchive {
public:
    static constexpr QLatin1String mimeType{"application/x-zoravel-items"};

    static QByteArray archivedDataWithRecords(const QList<QVariantMap>& records);
    static QList<QVariantMap> unarchiveRecords(const QByteArray& data);

    static void setRecords(QMimeData& mimeData, const QList<QVariantMap>& records);
    static bool hasRecords(const QMimeData& mimeData);
    static QList<QVariantMap> records(const QMimeData& mimeData);
};

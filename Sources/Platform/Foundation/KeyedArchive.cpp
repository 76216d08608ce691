#include "KeyedArchive.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

#include <new>

namespace {

constexpr quint32 archiveMagic = 0x5a564b41;  // "ZVKA"
constexpr quint16 archiveVersion = 1;
// Fixed, so an archive reads the same whichever Qt wrote it.
constexpr QDataStream::Version streamVersion = QDataStream::Qt_6_4;

QByteArray encodeRecords(const QList<QVariantMap>& records)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << quint32(records.size());
    for (const QVariantMap& record : records) out << record;
    return payload;
}

QList<QVariantMap> decodeRecords(const QByteArray& payload)
{
    QDataStream in(payload);
    in.setVersion(streamVersion);
    quint32 count = 0;
    in >> count;
    QList<QVariantMap> records;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QVariantMap record;
        in >> record;
        records.append(std::move(record));
    }
    if (in.status() != QDataStream::Ok || !in.atEnd()) return {};
    return records;
}

}  // namespace

QByteArray KeyedArchive::archivedDataWithRecords(const QList<QVariantMap>& records)
{
    const QByteArray payload = encodeRecords(records);
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << archiveMagic << archiveVersion << quint16(qChecksum(payload)) << payload;
    return data;
}

QList<QVariantMap> KeyedArchive::unarchiveRecords(const QByteArray& data)
{
    QDataStream in(data);
    in.setVersion(streamVersion);
    quint32 magic = 0;
    quint16 version = 0;
    quint16 checksum = 0;
    QByteArray payload;
    in >> magic >> version >> checksum >> payload;
    if (in.status() != QDataStream::Ok || !in.atEnd() || magic != archiveMagic || version != archiveVersion
        || checksum != qChecksum(payload))
        return {};
    // A damaged count inside a well-formed archive could still ask for an
    // absurd allocation; that is a bad archive, not a reason to stop.
    try {
        return decodeRecords(payload);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

void KeyedArchive::setRecords(QMimeData& mimeData, const QList<QVariantMap>& records)
{
    mimeData.setData(mimeType, archivedDataWithRecords(records));
}

bool KeyedArchive::hasRecords(const QMimeData& mimeData)
{
    return mimeData.hasFormat(mimeType);
}

QList<QVariantMap> KeyedArchive::records(const QMimeData& mimeData)
{
    return unarchiveRecords(mimeData.data(mimeType));
}

#include "KeyedArchive.h"

#include "Date.h"

#include <QDateTime>
#include <QMimeData>
#include <QTimeZone>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <optional>

// The archive, every number big-endian:
//   magic "ZVKA" (4 bytes), format version (2), checksum of the payload (2),
//   payload length (4), payload.
// The payload: a record count (4), then per record an entry count (4) and per
// entry a key (text) and a value: a one-byte type code of ours and its bytes.
//   whole number  code 1, 8 bytes two's complement
//   real          code 2, 8 bytes IEEE 754
//   date          code 3, 8 bytes: milliseconds since 1970, UTC
//   text          code 4, a byte length (4) and that many bytes of UTF-8
// The decoder builds nothing but these four types, and checks every count and
// length against the bytes left before it allocates anything. Archives of an
// earlier format carried any variant the bytes named; they are refused whole.
namespace {

constexpr quint32 archiveMagic = 0x5a564b41;  // "ZVKA"
constexpr quint16 archiveVersion = 2;

enum class ValueCode : quint8 { WholeNumber = 1, Real = 2, Date = 3, Text = 4 };

// The fewest bytes an entry can take: an empty key and a whole number.
constexpr qsizetype smallestEntry = 4 + 1 + 8;

class Writer {
public:
    void putUInt8(quint8 value) { m_bytes.append(char(value)); }
    void putUInt16(quint16 value) { putBigEndian(value); }
    void putUInt32(quint32 value) { putBigEndian(value); }
    void putInt64(qint64 value) { putBigEndian(value); }
    void putReal(double value)
    {
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        putBigEndian(bits);
    }
    void putText(const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        putUInt32(quint32(utf8.size()));
        m_bytes.append(utf8);
    }
    void putBytes(const QByteArray& bytes) { m_bytes.append(bytes); }
    const QByteArray& bytes() const { return m_bytes; }

private:
    template <typename T>
    void putBigEndian(T value)
    {
        char buffer[sizeof(T)];
        qToBigEndian(value, buffer);
        m_bytes.append(buffer, sizeof(T));
    }

    QByteArray m_bytes;
};

// Reads from a span of bytes; every read checks what is left first, and the
// first failure sticks, so callers test once at the end of a step.
class ArchiveReader {
public:
    explicit ArchiveReader(QByteArrayView bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }
    qsizetype left() const { return m_bytes.size() - m_at; }
    bool atEnd() const { return m_ok && m_at == m_bytes.size(); }
    void fail() { m_ok = false; }

    quint8 uint8() { return bigEndian<quint8>(); }
    quint16 uint16() { return bigEndian<quint16>(); }
    quint32 uint32() { return bigEndian<quint32>(); }
    qint64 int64() { return bigEndian<qint64>(); }
    double real()
    {
        const quint64 bits = bigEndian<quint64>();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    QByteArrayView bytes(quint32 size)
    {
        if (!take(size)) return {};
        return m_bytes.sliced(m_at - size, size);
    }
    std::optional<QString> text()
    {
        const quint32 size = uint32();
        const QByteArrayView utf8 = bytes(size);
        if (!m_ok) return std::nullopt;
        return QString::fromUtf8(utf8);
    }

private:
    bool take(qsizetype size)
    {
        if (!m_ok || size > left()) {
            m_ok = false;
            return false;
        }
        m_at += size;
        return true;
    }

    template <typename T>
    T bigEndian()
    {
        if (!take(sizeof(T))) return T(0);
        return qFromBigEndian<T>(m_bytes.data() + m_at - sizeof(T));
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

// A value we can write, or false for any other type (lists, colours, fonts...).
bool writeValue(Writer& out, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        out.putUInt8(quint8(ValueCode::WholeNumber));
        out.putInt64(value.toLongLong());
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        out.putUInt8(quint8(ValueCode::Real));
        out.putReal(value.toDouble());
        return true;
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid()) return false;
        out.putUInt8(quint8(ValueCode::Date));
        out.putInt64(date.toMSecsSinceEpoch());
        return true;
    }
    case QMetaType::QString:
        out.putUInt8(quint8(ValueCode::Text));
        out.putText(value.toString());
        return true;
    default:
        return false;
    }
}

QByteArray encodeRecords(const QList<QVariantMap>& records)
{
    Writer out;
    out.putUInt32(quint32(records.size()));
    for (const QVariantMap& record : records) {
        Writer entries;
        quint32 count = 0;
        for (auto it = record.constBegin(); it != record.constEnd(); ++it) {
            Writer entry;
            entry.putText(it.key());
            if (!writeValue(entry, it.value())) {
                qWarning("Not archiving \"%s\" of an item: a value of type %s has no place on the pasteboard.",
                         qPrintable(it.key()), it.value().typeName() ? it.value().typeName() : "none");
                continue;
            }
            entries.putBytes(entry.bytes());
            ++count;
        }
        out.putUInt32(count);
        out.putBytes(entries.bytes());
    }
    return out.bytes();
}

// The value of one entry; nothing, with the reason, for a code we do not know
// or a number that is no value of a record.
std::optional<QVariant> readValue(ArchiveReader& in, const char*& problem)
{
    const quint8 code = in.uint8();
    switch (ValueCode(code)) {
    case ValueCode::WholeNumber:
        return QVariant(in.int64());
    case ValueCode::Real: {
        const double real = in.real();
        if (in.ok() && !std::isfinite(real)) {
            problem = "a real that is not finite";
            return std::nullopt;
        }
        return QVariant(real);
    }
    case ValueCode::Date: {
        const qint64 milliseconds = in.int64();
        if (in.ok() && !Date::isWithinCalendar(double(milliseconds) / 1000)) {
            problem = "a date outside the years 1 to 9999";
            return std::nullopt;
        }
        return QVariant(QDateTime::fromMSecsSinceEpoch(milliseconds, QTimeZone::utc()));
    }
    case ValueCode::Text: {
        std::optional<QString> text = in.text();
        if (!text) return std::nullopt;
        return QVariant(std::move(*text));
    }
    }
    problem = "a value of an unknown type";
    return std::nullopt;
}

// The records of a payload, or nothing with the reason: the whole archive is
// refused for any fault, never half read.
std::optional<QList<QVariantMap>> decodeRecords(QByteArrayView payload, const char*& problem)
{
    ArchiveReader in(payload);
    const quint32 recordCount = in.uint32();
    // Every record takes at least its entry count.
    if (!in.ok() || recordCount > in.left() / 4) {
        problem = "more records than bytes";
        return std::nullopt;
    }
    QList<QVariantMap> records;
    records.reserve(recordCount);
    for (quint32 r = 0; r < recordCount; ++r) {
        const quint32 entryCount = in.uint32();
        if (!in.ok() || entryCount > in.left() / smallestEntry) {
            problem = "more entries than bytes";
            return std::nullopt;
        }
        QVariantMap record;
        for (quint32 e = 0; e < entryCount; ++e) {
            const std::optional<QString> key = in.text();
            std::optional<QVariant> value = key ? readValue(in, problem) : std::nullopt;
            if (!value || !in.ok()) {
                if (!in.ok()) problem = "an entry cut short";
                return std::nullopt;
            }
            record.insert(*key, std::move(*value));
        }
        records.append(std::move(record));
    }
    if (!in.atEnd()) {
        problem = "bytes after the last record";
        return std::nullopt;
    }
    return records;
}

QList<QVariantMap> refused(const char* problem)
{
    qWarning("Ignoring the items on the pasteboard: %s.", problem);
    return {};
}

}  // namespace

QByteArray KeyedArchive::archivedDataWithRecords(const QList<QVariantMap>& records)
{
    const QByteArray payload = encodeRecords(records);
    Writer out;
    out.putUInt32(archiveMagic);
    out.putUInt16(archiveVersion);
    out.putUInt16(qChecksum(payload));
    out.putUInt32(quint32(payload.size()));
    out.putBytes(payload);
    return out.bytes();
}

QList<QVariantMap> KeyedArchive::unarchiveRecords(const QByteArray& data)
{
    // Bytes that are not an archive of ours at all (another program's, or
    // none) are simply no items; anything that claims to be ours and is not
    // right is logged.
    if (data.size() < 4 || qFromBigEndian<quint32>(data.constData()) != archiveMagic) return {};
    ArchiveReader in(data);
    in.uint32();
    const quint16 version = in.uint16();
    const quint16 checksum = in.uint16();
    const quint32 payloadSize = in.uint32();
    if (!in.ok()) return refused("the archive is cut short");
    if (version != archiveVersion) return refused("the archive is of another format version");
    if (payloadSize != in.left()) return refused("the archive's length does not match its bytes");
    const QByteArrayView payload = in.bytes(payloadSize);
    if (qChecksum(payload) != checksum) return refused("the archive's checksum does not match");
    const char* problem = "the archive is damaged";
    std::optional<QList<QVariantMap>> records = decodeRecords(payload, problem);
    if (!records) return refused(problem);
    return std::move(*records);
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

#include "PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>


namespace {

// Deep enough for any list we write, shallow enough that a hostile file
// cannot run the reader out of stack.
constexpr int plistMaximumDepth = 256;

const QString plistDateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ssZ");

bool writePlistValue(QXmlStreamWriter& xml, const QVariant& value);

void writeDict(QXmlStreamWriter& xml, const QVariantMap& map, bool& ok)
{
    xml.writeStartElement(QStringLiteral("dict"));
    for (auto it = map.constBegin(); ok && it != map.constEnd(); ++it) {
        xml.writeTextElement(QStringLiteral("key"), it.key());
        ok = writePlistValue(xml, it.value());
    }
    xml.writeEndElement();
}

void writeArray(QXmlStreamWriter& xml, const QVariantList& list, bool& ok)
{
    xml.writeStartElement(QStringLiteral("array"));
    for (auto it = list.constBegin(); ok && it != list.constEnd(); ++it) ok = writePlistValue(xml, *it);
    xml.writeEndElement();
}

bool writePlistValue(QXmlStreamWriter& xml, const QVariant& value)
{
    bool ok = true;
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        writeDict(xml, value.toMap(), ok);
        break;
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        QVariantMap sorted;
        for (auto it = hash.constBegin(); it != hash.constEnd(); ++it) sorted.insert(it.key(), it.value());
        writeDict(xml, sorted, ok);
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        writeArray(xml, value.toList(), ok);
        break;
    case QMetaType::QString:
        xml.writeTextElement(QStringLiteral("string"), value.toString());
        break;
    case QMetaType::Bool:
        xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        xml.writeTextElement(QStringLiteral("integer"), value.toString());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        xml.writeTextElement(QStringLiteral("real"),
                             QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
        break;
    case QMetaType::QDateTime:
        xml.writeTextElement(QStringLiteral("date"), value.toDateTime().toUTC().toString(plistDateFormat));
        break;
    case QMetaType::QByteArray:
        xml.writeTextElement(QStringLiteral("data"), QString::fromLatin1(value.toByteArray().toBase64()));
        break;
    default:
        return false;
    }
    return ok;
}

class PlistReader {
public:
    explicit PlistReader(const QByteArray& data) : m_xml(data) {}

    PropertyList::Result read()
    {
        if (!m_xml.readNextStartElement()) return failure(QStringLiteral("no property list"));
        const bool wrapped = m_xml.name() == QLatin1String("plist");
        if (wrapped && !m_xml.readNextStartElement()) return failure(QStringLiteral("empty property list"));
        std::optional<QVariant> value = readValue(0);
        if (!value) return failure(m_problem);
        if (wrapped && m_xml.readNextStartElement()) return failure(QStringLiteral("more than one root value"));
        while (!m_xml.atEnd()) m_xml.readNext();
        if (m_xml.hasError()) return failure(m_xml.errorString());
        return {std::move(*value), PropertyList::Error::None, QString()};
    }

private:
    PropertyList::Result failure(const QString& problem) const
    {
        const QString reason = m_xml.hasError() ? m_xml.errorString() : problem;
        return {QVariant(), PropertyList::Error::Malformed,
                QStringLiteral("Malformed property list (line %1): %2").arg(m_xml.lineNumber()).arg(reason)};
    }

    std::optional<QVariant> fail(const QString& problem)
    {
        m_problem = problem;
        return std::nullopt;
    }

    // Called on a start element; leaves the reader on its end element.
    std::optional<QVariant> readValue(int depth)
    {
        if (depth > plistMaximumDepth) return fail(QStringLiteral("nested too deeply"));
        const QStringView name = m_xml.name();
        if (name == QLatin1String("dict")) return readDict(depth);
        if (name == QLatin1String("array")) return readArray(depth);
        const QString kind = name.toString();
        const QString text = m_xml.readElementText();
        if (m_xml.hasError()) return std::nullopt;
        if (kind == QLatin1String("string")) return QVariant(text);
        if (kind == QLatin1String("true") || kind == QLatin1String("false")) return readBool(kind, text);
        if (kind == QLatin1String("integer")) return readInteger(text.trimmed());
        if (kind == QLatin1String("real")) return readReal(text.trimmed());
        if (kind == QLatin1String("date")) return readDate(text.trimmed());
        if (kind == QLatin1String("data")) return readData(text);
        return fail(QStringLiteral("unknown element <%1>").arg(kind));
    }

    std::optional<QVariant> readDict(int depth)
    {
        QVariantMap map;
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != QLatin1String("key")) return fail(QStringLiteral("dict entry without a key"));
            const QString key = m_xml.readElementText();
            if (!m_xml.readNextStartElement()) return fail(QStringLiteral("key \"%1\" without a value").arg(key));
            std::optional<QVariant> value = readValue(depth + 1);
            if (!value) return std::nullopt;
            map.insert(key, std::move(*value));
        }
        if (m_xml.hasError()) return std::nullopt;
        return QVariant(map);
    }

    std::optional<QVariant> readArray(int depth)
    {
        QVariantList list;
        while (m_xml.readNextStartElement()) {
            std::optional<QVariant> value = readValue(depth + 1);
            if (!value) return std::nullopt;
            list.append(std::move(*value));
        }
        if (m_xml.hasError()) return std::nullopt;
        return QVariant(list);
    }

    std::optional<QVariant> readBool(const QString& kind, const QString& text)
    {
        if (!text.trimmed().isEmpty()) return fail(QStringLiteral("content inside <%1/>").arg(kind));
        return QVariant(kind == QLatin1String("true"));
    }

    std::optional<QVariant> readInteger(const QString& text)
    {
        bool ok = false;
        const qint64 value = text.toLongLong(&ok);
        if (ok) return QVariant(value);
        const quint64 large = text.toULongLong(&ok);
        if (ok) return QVariant(large);
        return fail(QStringLiteral("bad integer \"%1\"").arg(text));
    }

    std::optional<QVariant> readReal(const QString& text)
    {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok) return fail(QStringLiteral("bad real \"%1\"").arg(text));
        return QVariant(value);
    }

    std::optional<QVariant> readDate(const QString& text)
    {
        QDateTime date = QDateTime::fromString(text, Qt::ISODate);
        if (!date.isValid()) return fail(QStringLiteral("bad date \"%1\"").arg(text));
        return QVariant(date.toUTC());
    }

    std::optional<QVariant> readData(const QString& text)
    {
        QByteArray base64 = text.toLatin1();
        base64.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
        auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return fail(QStringLiteral("bad data"));
        return QVariant(*decoded);
    }

    QXmlStreamReader m_xml;
    QString m_problem;
};

}  // namespace

PropertyList::Result PropertyList::fromData(const QByteArray& data)
{
    return PlistReader(data).read();
}

PropertyList::Result PropertyList::readFile(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {QVariant(), Error::FileMissing, QStringLiteral("No property list at %1").arg(path)};
    if (!file.open(QIODevice::ReadOnly))
        return {QVariant(), Error::CannotRead, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString())};
    Result result = fromData(file.readAll());
    if (!result.ok()) result.errorText = path + QStringLiteral(": ") + result.errorText;
    return result;
}

std::optional<QByteArray> PropertyList::toData(const QVariant& value)
{
    QByteArray data;
    QXmlStreamWriter xml(&data);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    if (!writePlistValue(xml, value)) return std::nullopt;
    xml.writeEndElement();
    xml.writeEndDocument();
    return data;
}

PropertyList::Error PropertyList::writeFile(const QString& path, const QVariant& value)
{
    const std::optional<QByteArray> data = toData(value);
    if (!data) return Error::UnsupportedValue;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return Error::CannotWrite;
    // The flush is ours: a full disk refuses the bytes only when they leave
    // the buffer, and commit() alone then still answers success over an
    // empty file.
    if (file.write(*data) != data->size() || !file.flush()) {
        file.cancelWriting();
        return Error::CannotWrite;
    }
    return file.commit() ? Error::None : Error::CannotWrite;
}

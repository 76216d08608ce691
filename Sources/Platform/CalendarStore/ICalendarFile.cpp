#include "ICalendarFile.h"
#include "ICalendarFileShared.h"

#include "GregorianCalendar.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <mutex>

using namespace ICalendarFileShared;

namespace {

// libical reads a physical line in a time that grows with the square of its
// length (5 MB of notes on one line took seconds), folded lines at the pace
// of the file. Folding is no part of the text (the reader joins it away), so
// a long line is folded before libical sees it, never inside a UTF-8 sequence.
constexpr qsizetype longestParsedLine = 4096;

QByteArray withLongLinesFolded(const QByteArray& bytes)
{
    QByteArray out;
    qsizetype copied = 0;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        qsizetype contentEnd = end;
        if (contentEnd > start && bytes[contentEnd - 1] == '\r') --contentEnd;
        if (contentEnd - start > longestParsedLine) {
            if (out.isEmpty()) out.reserve(bytes.size() + bytes.size() / longestParsedLine * 2 + 16);
            out.append(bytes.constData() + copied, start - copied);
            qsizetype at = start;
            while (contentEnd - at > longestParsedLine) {
                qsizetype cut = at + longestParsedLine;
                while (cut > at + 1 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
                out.append(bytes.constData() + at, cut - at);
                out.append("\n ");
                at = cut;
            }
            copied = at;
        }
        start = end + 1;
    }
    if (copied == 0) return bytes;
    out.append(bytes.constData() + copied, bytes.size() - copied);
    return out;
}

// Hands libical one line at a time, as fgets would. libical's own string
// reader looks for each line's end with strchr over the rest of the text,
// which a checking C library (and the sanitizers' strict string checks)
// walks to the text's end: a time that grows with the square of the file.
struct LineFeed {
    const char* at;
    const char* end;
};

char* nextLine(char* out, size_t room, void* data)
{
    auto* feed = static_cast<LineFeed*>(data);
    if (feed->at == feed->end || room == 0) return nullptr;
    const auto left = static_cast<size_t>(feed->end - feed->at);
    const void* newline = std::memchr(feed->at, '\n', left);
    size_t size = newline ? static_cast<size_t>(static_cast<const char*>(newline) - feed->at) + 1 : left;
    size = std::min(size, room - 1);
    std::memcpy(out, feed->at, size);
    out[size] = '\0';
    feed->at += size;
    return out;
}

// Some programs begin a file with a UTF-8 byte-order mark. It is no part of
// the text: the file is read without it (and written without it).
QByteArray withoutByteOrderMark(const QByteArray& bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
}

// The bytes of a file as they are read: without a byte-order mark and NULs
// (no character of the format, a stray byte of another program's text).
// The spellings a write puts back come from these too, so a write never
// brings back what the reading left out.
QByteArray textAsRead(const QByteArray& bytes)
{
    QByteArray text = withoutByteOrderMark(bytes);
    if (text.contains('\0')) text.removeIf([](char c) { return c == '\0'; });
    return text;
}

// A control character the format forbids in a text (the tab it allows;
// line ends end the line).
bool forbiddenControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7f;
}

// A UID made of nothing but escaped control characters (a backslash before
// one, an escape the format does not have) and blanks: libical reads each
// such escape as a blank, so the uid would read as none and its event be
// lost, while other readers take the backslash as it stands and show the
// event. Such a uid is read as theirs without the control characters: the
// line is given to libical with each escape spelt as an escaped backslash.
// A uid with anything else in it reads as before (the escapes as blanks,
// dropped at its ends), so no uid that reads as something changes.
QByteArray withLoneUidEscapesRead(const QByteArray& text)
{
    if (!text.contains('\\')) return text;
    QByteArray out;
    qsizetype copied = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0) end = text.size();
        qsizetype contentEnd = end;
        if (contentEnd > start && text[contentEnd - 1] == '\r') --contentEnd;
        const QByteArrayView line(text.constData() + start, contentEnd - start);
        const bool folded = end + 1 < text.size() && (text[end + 1] == ' ' || text[end + 1] == '\t');
        const bool uidLine = line.size() > 3 && line.first(3).compare("UID", Qt::CaseInsensitive) == 0
                             && (line[3] == ':' || line[3] == ';');
        qsizetype colon = -1;
        if (uidLine && !folded) {
            bool quoted = false;
            for (qsizetype i = 3; i < line.size() && colon < 0; ++i) {
                if (line[i] == '"') quoted = !quoted;
                else if (line[i] == ':' && !quoted) colon = i;
            }
        }
        bool lone = colon >= 0;
        int escapes = 0;
        for (qsizetype i = colon + 1; lone && i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && forbiddenControl(line[i + 1])) {
                ++escapes;
                ++i;
            } else {
                lone = line[i] == ' ' || line[i] == '\t';
            }
        }
        if (lone && escapes > 0) {
            out.append(text.constData() + copied, start + colon + 1 - copied);
            for (qsizetype i = colon + 1; i < line.size(); ++i) {
                if (line[i] == '\\') {
                    out.append("\\\\");
                    ++i;
                } else {
                    out.append(line[i]);
                }
            }
            copied = contentEnd;
        }
        start = end + 1;
    }
    if (copied == 0) return text;
    out.append(text.constData() + copied, text.size() - copied);
    return out;
}

}  // namespace

namespace ICalendarFileShared {

// libical may be built to abort on its own errors; a file from another
// program must never end the process.
// Done once before any use, on whichever thread comes first: libical fills
// its list of built-in zones and its UTC zone lazily and without a lock,
// so two store helpers asking for a zone at once could walk the list while
// the other was still growing it (a crash seen while writing files).
void prepareLibical()
{
    static std::once_flag once;
    std::call_once(once, [] {
        icalerror_set_errors_are_fatal(0);
        icaltimezone_get_builtin_timezones();
        icaltimezone_get_utc_timezone();
    });
}

// The component of iCalendar text; null when libical makes none of it.
icalcomponent* parseText(const QByteArray& bytes)
{
    const QByteArray folded = withLongLinesFolded(withLoneUidEscapesRead(textAsRead(bytes)));
    if (folded.trimmed().isEmpty()) return nullptr;
    LineFeed feed{folded.constData(), folded.constData() + folded.size()};
    icalparser* parser = icalparser_new();
    icalparser_set_gen_data(parser, &feed);
    icalcomponent* component = icalparser_parse(parser, nextLine);
    icalparser_free(parser);
    return component;
}

icalcomponent* firstCalendarOrSelf(icalcomponent* root)
{
    if (icalcomponent_isa(root) == ICAL_XROOT_COMPONENT)
        return icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT);
    return root;
}

// The calendar objects of a parsed text: RFC 5545 lets a file be a stream
// of several VCALENDARs (libical then puts them under one root), each with
// its own zone definitions. Without a VCALENDAR, the component itself.
QList<icalcomponent*> calendarsOf(icalcomponent* root)
{
    QList<icalcomponent*> calendars;
    if (root && icalcomponent_isa(root) == ICAL_XROOT_COMPONENT) {
        for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
            calendars << c;
    } else if (root) {
        calendars << root;
    }
    return calendars;
}

// The uid a file is read as: its first master's (a VEVENT without
// RECURRENCE-ID), else its first event's.
QString ownUidOf(const QList<icalcomponent*>& events)
{
    QString first;
    for (icalcomponent* event : events) {
        const QString uid = propertyText(event, ICAL_UID_PROPERTY);
        if (uid.isEmpty()) continue;
        if (!icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) return uid;
        if (first.isEmpty()) first = uid;
    }
    return first;
}

// The components of a kind in every calendar object of the file, in file order.
QList<icalcomponent*> componentsOf(icalcomponent* root, icalcomponent_kind kind)
{
    QList<icalcomponent*> found;
    for (icalcomponent* calendar : calendarsOf(root)) {
        if (icalcomponent_isa(calendar) == kind) {
            found << calendar;
            continue;
        }
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, kind); c;
             c = icalcomponent_get_next_component(calendar, kind))
            found << c;
    }
    return found;
}

// A uid without the blanks and tabs at its ends. libical reads an escape
// it does not know (a backslash before a control character) as a blank, and
// drops the blanks a value begins with: a uid with such ends would read
// back otherwise than it was written. They are no part of what names the
// event (a uid of such escapes alone is read as other readers read it, see
// withLoneUidEscapesRead).
QString uidText(const QString& uid)
{
    qsizetype from = 0, to = uid.size();
    const auto blank = [&uid](qsizetype at) { return uid.at(at) == QLatin1Char(' ') || uid.at(at) == QLatin1Char('\t'); };
    while (from < to && blank(from)) ++from;
    while (to > from && blank(to - 1)) --to;
    return from == 0 && to == uid.size() ? uid : uid.mid(from, to - from);
}

QString propertyText(icalcomponent* component, icalproperty_kind kind)
{
    icalproperty* property = icalcomponent_get_first_property(component, kind);
    if (!property) return QString();
    const icalvalue* value = icalproperty_get_value(property);
    if (!value) return QString();
    switch (kind) {
    case ICAL_SUMMARY_PROPERTY: return text(icalproperty_get_summary(property));
    case ICAL_LOCATION_PROPERTY: return text(icalproperty_get_location(property));
    case ICAL_DESCRIPTION_PROPERTY: return text(icalproperty_get_description(property));
    case ICAL_URL_PROPERTY: return text(icalproperty_get_url(property));
    case ICAL_UID_PROPERTY: return uidText(text(icalproperty_get_uid(property)));
    default: return QString();
    }
}

// A uid names files and is written back as it was read: one with line breaks
// or other control characters would break the line structure of the file.
bool usableUid(const QString& uid)
{
    return std::none_of(uid.begin(), uid.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

}  // namespace ICalendarFileShared

QString ICalendarFile::storableText(const QString& text, bool lineBreaks)
{
    const auto allowed = [](QChar c) { return c.unicode() >= 0x20 ? c.unicode() != 0x7F : c == QLatin1Char('\t'); };
    // The reader drops the blanks and tabs at either end of a value.
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    const auto withoutEdgeBlanks = [&blank](QString kept) {
        qsizetype from = 0, to = kept.size();
        while (from < to && blank(kept.at(from))) ++from;
        while (to > from && blank(kept.at(to - 1))) --to;
        return from == 0 && to == kept.size() ? kept : kept.mid(from, to - from);
    };
    if (std::all_of(text.cbegin(), text.cend(), allowed)) return withoutEdgeBlanks(text);
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (allowed(c)) {
            clean += c;
        } else if (lineBreaks && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
            clean += QLatin1Char('\n');
        }
    }
    return withoutEdgeBlanks(clean);
}

QString ICalendarFile::uidWhenNoneOf(const QString& path)
{
    return QFileInfo(path).completeBaseName();
}

bool ICalendarFile::canWrite(const Date& date)
{
    if (!date) return false;
    const DateFields utc = GregorianCalendar::fields(date, QTimeZone::utc());
    const DateFields local = GregorianCalendar::fields(date);
    return utc.year >= 2 && utc.year < latestWritableYear && local.year >= 2 && local.year < latestWritableYear;
}

ICalendarFile::ICalendarFile(icalcomponent_impl* root) : m_root(root) {}

ICalendarFile::~ICalendarFile()
{
    icalcomponent_free(m_root);
}

std::unique_ptr<ICalendarFile> ICalendarFile::parse(const QByteArray& bytes, const QString& uidWhenNone)
{
    prepareLibical();
    icalcomponent* root = parseText(bytes);
    if (!root) return nullptr;
    icalcomponent* calendar = firstCalendarOrSelf(root);
    if (!calendar || icalcomponent_isa(calendar) != ICAL_VCALENDAR_COMPONENT) {
        icalcomponent_free(root);
        return nullptr;
    }
    // A stream of several calendar objects stays whole: an edit of one
    // event must not drop the others (only what is no VCALENDAR goes).
    if (calendar != root && calendarsOf(root).size() == 1) {
        icalcomponent_remove_component(root, calendar);
        icalcomponent_free(root);
        root = calendar;
    }
    if (!uidWhenNone.isEmpty())
        for (icalcomponent* event : componentsOf(root, ICAL_VEVENT_COMPONENT))
            if (!icalcomponent_get_first_property(event, ICAL_UID_PROPERTY))
                icalcomponent_add_property(event, icalproperty_new_uid(uidWhenNone.toUtf8().constData()));
    std::unique_ptr<ICalendarFile> document(new ICalendarFile(root));
    document->m_original = textAsRead(bytes);
    document->m_uid = ownUidOf(componentsOf(root, ICAL_VEVENT_COMPONENT));
    return document;
}

std::unique_ptr<ICalendarFile> ICalendarFile::newCalendar()
{
    prepareLibical();
    icalcomponent* calendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid(ownProductId));
    return std::unique_ptr<ICalendarFile>(new ICalendarFile(calendar));
}

#include "ICalendarFile.h"
#include "ICalendarFileShared.h"

#include <QHash>
#include <QSet>

#include <algorithm>

using namespace ICalendarFileShared;

namespace {

QByteArray bytesOf(icalcomponent* component)
{
    char* written = icalcomponent_as_ical_string_r(component);
    QByteArray bytes(written ? written : "");
    icalmemory_free_buffer(written);
    return bytes;
}

// The content lines of iCalendar text, unfolded, without their line ends.
QList<QByteArray> contentLinesOf(const QByteArray& text)
{
    QList<QByteArray> lines;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (!lines.isEmpty() && (line.startsWith(' ') || line.startsWith('\t')))
            lines.last() += line.mid(1);
        else if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

// A content line folded at 75 octets, never inside a UTF-8 sequence, with CRLF.
QByteArray foldedLine(const QByteArray& line)
{
    QByteArray out;
    qsizetype at = 0;
    qsizetype room = 75;
    while (line.size() - at > room) {
        qsizetype cut = at + room;
        while (cut > at + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out += line.mid(at, cut - at);
        out += "\r\n ";
        at = cut;
        room = 74;
    }
    out += line.mid(at);
    out += "\r\n";
    return out;
}

// The lines libical writes for one line of a file (several for a list
// that it splits, an error note for an empty value).
QList<QByteArray> normalisedLines(const QByteArray& line)
{
    QList<QByteArray> lines;
    const QByteArray wrapped = "BEGIN:VEVENT\r\n" + line + "\r\nEND:VEVENT\r\n";
    icalcomponent* component = parseText(wrapped);
    if (!component) return lines;
    if (icalcomponent_isa(component) == ICAL_VEVENT_COMPONENT) {
        for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
            char* written = icalproperty_as_ical_string_r(p);
            lines += contentLinesOf(QByteArray(written ? written : ""));
            icalmemory_free_buffer(written);
        }
    }
    icalcomponent_free(component);
    return lines;
}

// The file as libical writes it, each line libical spells otherwise than the
// file did put back as the file had it. `ownEvents` says, VEVENT by VEVENT in
// the written order, which are the organizer's own.
QByteArray withOriginalSpelling(const QByteArray& written, const QByteArray& original, const QList<bool>& ownEvents)
{
    const QList<QByteArray> out = contentLinesOf(written);
    const QSet<QByteArray> present(out.cbegin(), out.cend());
    // A spelling holding a control character (but the tab), which the format
    // forbids and libical writes without, says something else than the line
    // written: it is put back in the components of other uids only, never in
    // the organizer's own (a uid with a carriage return put back over the
    // organizer's uid hid its event).
    const auto holdsControl = [](const QByteArray& line) {
        return std::any_of(line.cbegin(), line.cend(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte < 0x20 && byte != '\t') || byte == 0x7f;
        });
    };
    struct Spelling {
        QList<QByteArray> normal;
        QByteArray line;
        bool control;
    };
    // Only the lines libical does not write as they stand are looked at.
    QHash<QByteArray, QList<Spelling>> spellings;
    for (const QByteArray& line : contentLinesOf(original)) {
        if (present.contains(line) || line.startsWith("BEGIN:") || line.startsWith("END:")) continue;
        const QList<QByteArray> normal = normalisedLines(line);
        if (normal.isEmpty()) continue;
        spellings[normal.first()].append({normal, line, holdsControl(line)});
    }
    QByteArray result;
    result.reserve(written.size());
    qsizetype event = -1;
    bool inOwnEvent = false;
    // Only the calendar's own VEVENTs are counted: one nested in another (a
    // broken file's missing END) belongs with the one around it.
    int depth = 0;
    for (qsizetype i = 0; i < out.size();) {
        if (out[i].startsWith("BEGIN:")) {
            if (depth == 1 && out[i] == "BEGIN:VEVENT") {
                ++event;
                inOwnEvent = event < ownEvents.size() && ownEvents[event];
            }
            ++depth;
        } else if (out[i].startsWith("END:")) {
            if (--depth == 1) inOwnEvent = false;
        }
        qsizetype taken = 0;
        const auto found = spellings.constFind(out[i]);
        if (found != spellings.constEnd()) {
            for (const Spelling& spelling : *found) {
                if (spelling.control && inOwnEvent) continue;
                const QList<QByteArray>& normal = spelling.normal;
                if (i + normal.size() > out.size() || !std::equal(normal.cbegin(), normal.cend(), out.cbegin() + i)) continue;
                result += foldedLine(spelling.line);
                taken = normal.size();
                break;
            }
        }
        if (taken) {
            i += taken;
            continue;
        }
        if (!out[i].startsWith("X-LIC-ERROR")) result += foldedLine(out[i]);
        ++i;
    }
    return result;
}

}  // namespace

QByteArray ICalendarFile::toBytes() const
{
    // Each calendar object of the file in turn, as the file had them.
    QByteArray written;
    QList<bool> ownEvents;
    for (icalcomponent* calendar : calendarsOf(m_root)) {
        written += bytesOf(calendar);
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
            ownEvents << (propertyText(c, ICAL_UID_PROPERTY) == m_uid);
    }
    if (m_original.isEmpty()) return written;
    return withOriginalSpelling(written, m_original, ownEvents);
}

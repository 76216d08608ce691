#include "ICalendarFile.h"
#include "ICalendarFileShared.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

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

// A uid as libical holds it, with what the reader leaves out of it.
QByteArray heldUid(icalproperty* property)
{
    const icalvalue* value = icalproperty_get_value(property);
    const char* uid = value ? icalproperty_get_uid(property) : nullptr;
    return QByteArray(uid ? uid : "");
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
// that it splits, an error note for an empty value), and for a UID line the
// uid as libical holds it.
struct Normalised {
    QList<QByteArray> lines;
    std::optional<QByteArray> uid;
};

Normalised normalisedLines(const QByteArray& line)
{
    Normalised normal;
    const QByteArray wrapped = "BEGIN:VEVENT\r\n" + line + "\r\nEND:VEVENT\r\n";
    icalcomponent* component = parseText(wrapped);
    if (!component) return normal;
    if (icalcomponent_isa(component) == ICAL_VEVENT_COMPONENT) {
        for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
            if (icalproperty_isa(p) == ICAL_UID_PROPERTY && !normal.uid) normal.uid = heldUid(p);
            char* written = icalproperty_as_ical_string_r(p);
            normal.lines += contentLinesOf(QByteArray(written ? written : ""));
            icalmemory_free_buffer(written);
        }
    }
    icalcomponent_free(component);
    return normal;
}

// A component as libical writes it: its BEGIN line, the uids it holds, in
// order, and whether it is one of the organizer's own VEVENTs. A component
// of a name libical does not know (X-) may be written or not, depending on
// its version; `size` counts it with those inside it.
struct WrittenComponent {
    QByteArray begin;
    QList<QByteArray> uids;
    bool own = false;
    bool unknownName = false;
    qsizetype size = 1;
};

// The file as libical writes it, each line libical spells otherwise than the
// file did put back as the file had it. `components` lists the components
// in the order they are written (each before the ones inside it).
QByteArray withOriginalSpelling(const QByteArray& written, const QByteArray& original,
                                const QList<WrittenComponent>& components)
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
        Normalised normal;
        QByteArray line;
        bool control;
        bool used = false;
    };
    // Only the lines libical does not write as they stand are looked at.
    QHash<QByteArray, QList<Spelling>> spellings;
    for (const QByteArray& line : contentLinesOf(original)) {
        if (present.contains(line) || line.startsWith("BEGIN:") || line.startsWith("END:")) continue;
        Normalised normal = normalisedLines(line);
        if (normal.lines.isEmpty()) continue;
        const QByteArray first = normal.lines.first();
        spellings[first].append({std::move(normal), line, holdsControl(line), false});
    }
    QByteArray result;
    result.reserve(written.size());
    // The components the lines are in: a uid is put back only in the
    // spelling that holds the very uid written there. Lines that libical
    // writes alike may hold different uids (one with a carriage return,
    // which libical writes without, and one without its colon): the wrong
    // one made the changed occurrences of another uid the organizer's.
    struct Open {
        qsizetype component;
        qsizetype uidsWritten;
        bool own;
    };
    QList<Open> open;
    qsizetype next = 0;
    for (qsizetype i = 0; i < out.size();) {
        const QByteArray& line = out[i];
        const bool own = !open.isEmpty() && open.last().own;
        const bool uidLine = line.startsWith("UID:") || line.startsWith("UID;");
        std::optional<QByteArray> heldUid;
        if (line.startsWith("BEGIN:")) {
            // (Should the lines stray from the components, the uids of the
            // rest are unknown and none is put back.)
            qsizetype index = -1;
            while (next < components.size() && index < 0) {
                const WrittenComponent& component = components[next];
                if (component.begin == line || (component.unknownName && line.startsWith("BEGIN:X-")))
                    index = next++;
                else if (component.unknownName)
                    next += component.size;
                else
                    next = components.size();
            }
            open.append({index, 0, own || (index >= 0 && components[index].own)});
        } else if (line.startsWith("END:")) {
            if (!open.isEmpty()) open.removeLast();
        } else if (uidLine && !open.isEmpty()) {
            Open& in = open.last();
            const qsizetype uid = in.uidsWritten++;
            if (in.component >= 0 && uid < components[in.component].uids.size())
                heldUid = components[in.component].uids[uid];
        }
        qsizetype taken = 0;
        const auto found = spellings.find(line);
        if (found != spellings.end()) {
            // Lines libical writes alike (two properties it cannot read
            // become two equal error notes) take the file's spellings in
            // turn: the first one put back for each would write one
            // property twice and lose the other.
            Spelling* chosen = nullptr;
            for (Spelling& spelling : *found) {
                if (spelling.control && own) continue;
                if (uidLine && (!heldUid || spelling.normal.uid != heldUid)) continue;
                const QList<QByteArray>& normal = spelling.normal.lines;
                if (i + normal.size() > out.size() || !std::equal(normal.cbegin(), normal.cend(), out.cbegin() + i)) continue;
                if (!chosen) chosen = &spelling;
                if (!spelling.used) {
                    chosen = &spelling;
                    break;
                }
            }
            if (chosen) {
                chosen->used = true;
                result += foldedLine(chosen->line);
                taken = chosen->normal.lines.size();
            }
        }
        if (taken) {
            i += taken;
            continue;
        }
        if (!line.startsWith("X-LIC-ERROR")) result += foldedLine(line);
        ++i;
    }
    return result;
}

// The components of a calendar object in the order libical writes them:
// each one, then the ones inside it (libical writes none of a kind it has
// no name for, such as a broken BEGIN line's, nor what is inside). The organizer's own VEVENTs are those
// of its uid right in the calendar object (one nested in another, a broken
// file's missing END, belongs with the one around it).
void addWrittenComponents(icalcomponent* component, const QString& ownUid, bool inCalendar,
                          QList<WrittenComponent>* components)
{
    const char* kind = icalcomponent_kind_to_string(icalcomponent_isa(component));
    if (!kind) return;
    WrittenComponent written;
    written.begin = QByteArray("BEGIN:") + kind;
    written.unknownName = icalcomponent_isa(component) == ICAL_X_COMPONENT;
    written.own = inCalendar && icalcomponent_isa(component) == ICAL_VEVENT_COMPONENT
                  && propertyText(component, ICAL_UID_PROPERTY) == ownUid;
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_UID_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_UID_PROPERTY))
        written.uids << heldUid(p);
    const qsizetype at = components->size();
    components->append(written);
    QList<icalcomponent*> inside;
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        inside << c;
    const bool calendar = icalcomponent_isa(component) == ICAL_VCALENDAR_COMPONENT;
    for (icalcomponent* c : inside) addWrittenComponents(c, ownUid, calendar, components);
    (*components)[at].size = components->size() - at;
}

}  // namespace

namespace {

void removeStamps(icalcomponent* component)
{
    QList<icalproperty*> stamps;
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_DTSTAMP_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_DTSTAMP_PROPERTY))
        stamps << p;
    for (icalproperty* p : stamps) {
        icalcomponent_remove_property(component, p);
        icalproperty_free(p);
    }
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        removeStamps(c);
}

}  // namespace

QByteArray ICalendarFile::textWithoutStamps() const
{
    icalcomponent* copy = icalcomponent_new_clone(m_root);
    removeStamps(copy);
    const QByteArray text = bytesOf(copy);
    icalcomponent_free(copy);
    return text;
}

QByteArray ICalendarFile::toBytes() const
{
    // Each calendar object of the file in turn, as the file had them.
    QByteArray written;
    QList<WrittenComponent> components;
    for (icalcomponent* calendar : calendarsOf(m_root)) {
        written += bytesOf(calendar);
        addWrittenComponents(calendar, m_uid, false, &components);
    }
    if (m_original.isEmpty()) return written;
    return withOriginalSpelling(written, m_original, components);
}

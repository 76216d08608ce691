#include "ICalendarFile.h"
#include "ICalendarFileShared.h"

#include "GregorianCalendar.h"

#include <QHash>

#include <mutex>

using namespace ICalendarFileShared;

thread_local ICalForeignZone::ReadMemo* ICalForeignZone::ReadMemo::current = nullptr;

namespace {

// The IANA zone a TZID stands for: the name itself, a Windows zone id
// ("Pacific Standard Time"), or a name with a producer's prefix
// ("/vendor.example/20070129_1/Asia/Tokyo") by its IANA tail. Empty when none.
QString ianaNameOf(const QString& name)
{
    if (name == QLatin1String("Floating")) return QString();
    if (GregorianCalendar::isZoneKnown(name)) return name;
    const QByteArray windows = QTimeZone::windowsIdToDefaultIanaId(name.trimmed().toUtf8());
    if (!windows.isEmpty() && GregorianCalendar::isZoneKnown(QString::fromUtf8(windows))) return QString::fromUtf8(windows);
    for (qsizetype slash = name.indexOf(QLatin1Char('/')); slash >= 0; slash = name.indexOf(QLatin1Char('/'), slash + 1)) {
        const QString tail = name.mid(slash + 1);
        if (tail.contains(QLatin1Char('/')) && GregorianCalendar::isZoneKnown(tail)) return tail;
    }
    return QString();
}

struct NamedZone {
    QTimeZone zone;
    QString iana;
};

// A zone name resolved once per name: the answer reads the zoneinfo files,
// and a store holds the same few names thousands of times.
NamedZone namedZone(const QString& name)
{
    static std::mutex mutex;
    static QHash<QString, NamedZone> zones;
    std::lock_guard lock(mutex);
    auto found = zones.constFind(name);
    if (found == zones.constEnd()) {
        NamedZone resolved;
        resolved.iana = ianaNameOf(name);
        if (!resolved.iana.isEmpty()) resolved.zone = GregorianCalendar::zoneNamed(resolved.iana);
        if (!resolved.zone.isValid()) resolved.iana.clear();
        found = zones.insert(name, resolved);
    }
    return *found;
}

// The VTIMEZONE of that TZID in the calendar the property belongs to.
icalcomponent* zoneDefinitionFor(icalproperty* property, const QString& tzid)
{
    icalcomponent* component = property ? icalproperty_get_parent(property) : nullptr;
    icalcomponent* calendar = component ? icalcomponent_get_parent(component) : nullptr;
    if (!calendar) return nullptr;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
        if (id && text(icalproperty_get_tzid(id)) == tzid) return c;
    }
    return nullptr;
}

// Zone rules as zones have them: a few observances that change yearly at
// most. Anything else (an hourly change, thousands of observances) would
// have libical build an endless table of changes.
bool usableZoneDefinition(icalcomponent* definition)
{
    int observances = 0;
    for (icalcomponent* c = icalcomponent_get_first_component(definition, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(definition, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT) continue;
        if (++observances > 500) return false;
        if (!icalcomponent_get_first_property(c, ICAL_TZOFFSETTO_PROPERTY)) return false;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY))
            if (icalproperty_get_rrule(p).freq != ICAL_YEARLY_RECURRENCE) return false;
    }
    return observances > 0;
}

}  // namespace

namespace ICalendarFileShared {

// Whether a zone name is usable; the system zone stands in when not.
QTimeZone zoneOfName(const QString& name, bool* known)
{
    const NamedZone named = namedZone(name);
    *known = named.zone.isValid();
    return named.zone.isValid() ? named.zone : GregorianCalendar::systemZone();
}

FileZone fileZoneOf(icalproperty* property, const QString& tzid)
{
    FileZone resolved;
    const NamedZone named = namedZone(tzid);
    if (named.zone.isValid()) {
        resolved.zone = named.zone;
        resolved.iana = named.iana;
        return resolved;
    }
    icalcomponent* definition = zoneDefinitionFor(property, tzid);
    if (!definition) return resolved;
    for (icalproperty* p = icalcomponent_get_first_property(definition, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(definition, ICAL_X_PROPERTY)) {
        if (qstrcmp(icalproperty_get_x_name(p), "X-LIC-LOCATION") != 0) continue;
        const NamedZone location = namedZone(text(icalproperty_get_x(p)).trimmed());
        if (location.zone.isValid()) {
            resolved.zone = location.zone;
            resolved.iana = location.iana;
            return resolved;
        }
    }
    if (usableZoneDefinition(definition)) resolved.foreign = ICalForeignZone::of(definition);
    return resolved;
}

// The TZID of a time as the file means it. RFC 5545 quotes a parameter
// value that holds a comma, and a bare comma ends the value (as in a list),
// but libical keeps either whole: a name with a comma that names no zone
// as a whole, known here or defined by the file, is read up to its comma.
QString tzidOf(icalproperty* property, icalparameter* parameter)
{
    const QString name = text(icalparameter_get_tzid(parameter));
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma < 0 || namedZone(name).zone.isValid() || zoneDefinitionFor(property, name)) return name;
    return name.left(comma);
}

}  // namespace ICalendarFileShared

#!/usr/bin/env python3
"""Reads an iCalendar file with an independent parser and compares its occurrences with a list.

    check_ics.py < CHECKS

CHECKS holds one block per file: a line "FILE <from> <to> <path>", FROM and TO in seconds since
1970 (UTC), then one line per occurrence the organizer has in that window: "<start> <end>",
each a number of seconds since 1970 for a timed occurrence or YYYYMMDD for the days of an
all-day one (the end being the day after its last day), and any lines "FIELD <NAME> <text>":
the text the file's first event or task (not a changed occurrence) holds in that property
(empty when it has none; a date as the occurrences give it). The occurrences of every calendar
object of the file count. Floating times are read in the
zone of the TZ variable. A byte-order mark before the file's text is no part of it. Exit
status: 0 when every file agrees, 1 when one does not or does not parse
(what was found is printed), 3 when the reader's modules are missing.
"""
import datetime
import sys

try:
    import icalendar
    import recurring_ical_events
except ImportError as missing:  # the caller skips its check and says why
    print(f"missing module: {missing.name}", file=sys.stderr)
    sys.exit(3)


def token(value):
    if isinstance(value, datetime.datetime):
        # A floating time is the local wall-clock time of this process's zone.
        return str(int(value.timestamp()))
    return value.strftime("%Y%m%d")


def occurrences(calendar, start, end):
    found = []
    for event in recurring_ical_events.of(calendar).between(start, end):
        begin = event["DTSTART"].dt
        finish = event["DTEND"].dt if "DTEND" in event else None
        if finish is None:
            duration = event["DURATION"].dt if "DURATION" in event else None
            if duration is not None:
                finish = begin + duration
            elif isinstance(begin, datetime.datetime):
                finish = begin
            else:
                finish = begin + datetime.timedelta(days=1)
        if not isinstance(begin, datetime.datetime) and finish <= begin:
            finish = begin + datetime.timedelta(days=1)  # a DATE event lasts its day (RFC 5545)
        found.append(f"{token(begin)} {token(finish)}")
    return sorted(found)


def fields(calendar, names):
    items = [c for c in calendar.walk() if c.name in ("VEVENT", "VTODO") and "RECURRENCE-ID" not in c]
    found = []
    for name in names:
        value = items[0].get(name) if items else None
        if value is None:
            text = ""
        elif hasattr(value, "dt"):
            text = token(value.dt)
        else:
            text = str(value)
        found.append(f"FIELD {name} {text}")
    return found


def check(path, low, high, expected):
    """The disagreement of one file, or None."""
    wanted = sorted(line for line in expected if not line.startswith("FIELD "))
    fields_wanted = [line for line in expected if line.startswith("FIELD ")]
    try:
        with open(path, "rb") as handle:
            text = handle.read()
        if text.startswith(b"\xef\xbb\xbf"):
            text = text[3:]
        # A file may be a stream of several calendar objects (RFC 5545).
        calendars = icalendar.Calendar.from_ical(text, multiple=True)
        start = datetime.datetime.fromtimestamp(low, datetime.timezone.utc)
        end = datetime.datetime.fromtimestamp(high, datetime.timezone.utc)
        read = sorted(sum((occurrences(calendar, start, end) for calendar in calendars), []))
        calendar = next((c for c in calendars if c.walk("VEVENT") or c.walk("VTODO")), calendars[0])
        fields_read = fields(calendar, [line.split(" ", 2)[1] for line in fields_wanted])
    except Exception as error:  # any failure to read is the file's fault
        return f"{path}: cannot be read: {error!r}"
    expected = wanted + fields_wanted
    read = read + fields_read
    if read == expected:
        return None
    return "\n".join([f"{path}: the independent reader finds"] + [f"  {line}" for line in read]
                     + ["where the organizer has"] + [f"  {line}" for line in expected])


def main():
    checks = []
    for line in sys.stdin:
        line = line.strip()
        if line.startswith("FILE "):
            _, low, high, path = line.split(" ", 3)
            checks.append((path, int(low), int(high), []))
        elif line.startswith("FIELD ") and checks:
            checks[-1][3].append(line if line.count(" ") > 1 else line + " ")
        elif line and checks:
            checks[-1][3].append(line)
    failures = [problem for problem in (check(*c) for c in checks) if problem]
    for problem in failures:
        print(problem, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

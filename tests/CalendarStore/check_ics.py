#!/usr/bin/env python3
"""Reads an iCalendar file with an independent parser and compares its occurrences with a list.

    check_ics.py < CHECKS

CHECKS holds one block per file: a line "FILE <from> <to> <path>", FROM and TO in seconds since
1970 (UTC), then one line per occurrence the organizer has in that window: "<start> <end>",
each a number of seconds since 1970 for a timed occurrence or YYYYMMDD for the days of an
all-day one (the end being the day after its last day), and any lines "FIELD <NAME> <text>":
the text the file's first event or task (not a changed occurrence) holds in that property
(empty when it has none; a date as the occurrences give it), a line "TITLES <a>|<b>|..." with
the titles (SUMMARY) of the occurrences in the order of their starts, and a line "KHAL" when khal's
reader must find the same occurrences as well (listed with a configuration of its own over a
folder holding a copy of the file). The occurrences of every calendar object of the file
count; a cancelled one (STATUS:CANCELLED) is none. Floating times are read in the
zone of the TZ variable. A byte-order mark before the file's text is no part of it. Exit
status: 0 when every file agrees, 1 when one does not or does not parse
(what was found is printed), 3 when the reader's modules are missing.
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import zoneinfo

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
        if str(event.get("STATUS", "")).upper() == "CANCELLED":
            continue  # called off: no occurrence a day shows
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


def titles(calendar, start, end):
    """The titles of the occurrences, in the order of their starts."""
    found = []
    for event in recurring_ical_events.of(calendar).between(start, end):
        if str(event.get("STATUS", "")).upper() != "CANCELLED":
            found.append((token(event["DTSTART"].dt), str(event.get("SUMMARY", ""))))
    return [title for _, title in sorted(found)]


def local_zone():
    """The zone floating times are read in: TZ's, else the system's."""
    name = os.environ.get("TZ", "").lstrip(":")
    if not name and os.path.exists("/etc/timezone"):
        with open("/etc/timezone") as handle:
            name = handle.read().strip()
    return name or "UTC"


def khal_occurrences(text, low, high):
    """The occurrences khal lists of the file between low and high, in the tokens of token()."""
    zone_name = local_zone()
    zone = zoneinfo.ZoneInfo(zone_name)
    stamp = "%Y-%m-%dT%H:%M:%S"
    with tempfile.TemporaryDirectory() as folder:
        calendar = os.path.join(folder, "calendar")
        os.mkdir(calendar)
        with open(os.path.join(calendar, "event.ics"), "wb") as handle:
            handle.write(text)
        config = os.path.join(folder, "config")
        with open(config, "w") as handle:
            handle.write(f"""[calendars]
[[checked]]
path = {calendar}
[locale]
timeformat = %H:%M
dateformat = %Y%m%d
longdateformat = %Y%m%d
datetimeformat = {stamp}
longdatetimeformat = {stamp}
local_timezone = {zone_name}
default_timezone = {zone_name}
[sqlite]
path = {os.path.join(folder, "cache.db")}
""")
        window = [datetime.datetime.fromtimestamp(t, zone).strftime(stamp) for t in (low, high)]
        listed = subprocess.run(["khal", "-c", config, "list", "--format", "{start-long} {end-long} {all-day}",
                                 "--day-format", "DAY", *window], capture_output=True, text=True, timeout=60)
    if listed.returncode != 0 or listed.stderr.strip():
        raise RuntimeError(f"khal: {listed.stderr.strip()} (exit {listed.returncode})")
    # An event is listed on every day it spans, a doubled one twice on its day.
    most = {}
    for day in listed.stdout.split("DAY\n"):
        seen = {}
        for line in day.splitlines():
            if not line.strip():
                continue
            begin, finish, all_day = line.split(" ")
            if all_day == "True":
                last = datetime.datetime.strptime(finish, "%Y%m%d") + datetime.timedelta(days=1)
                key = f"{begin} {last.strftime('%Y%m%d')}"  # khal names the last day, not the day after
            else:
                key = " ".join(str(int(datetime.datetime.strptime(t, stamp).replace(tzinfo=zone).timestamp()))
                               for t in (begin, finish))
            seen[key] = seen.get(key, 0) + 1
        for key, count in seen.items():
            most[key] = max(most.get(key, 0), count)
    return sorted(key for key, count in most.items() for _ in range(count))


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
    with_khal = "KHAL" in expected
    expected = [line for line in expected if line != "KHAL"]
    wanted = sorted(line for line in expected if not line.startswith("FIELD "))
    fields_wanted = [line for line in expected if line.startswith("FIELD ")]
    titles_wanted = [line[len("TITLES "):] for line in expected if line.startswith("TITLES ")]
    wanted = [line for line in wanted if not line.startswith("TITLES ")]
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
        titles_read = "|".join(sum((titles(c, start, end) for c in calendars), []))
    except Exception as error:  # any failure to read is the file's fault
        return f"{path}: cannot be read: {error!r}"
    problems = []
    if read + fields_read != wanted + fields_wanted:
        problems += [f"{path}: the independent reader finds"] + [f"  {line}" for line in read + fields_read] \
            + ["where the organizer has"] + [f"  {line}" for line in wanted + fields_wanted]
    if titles_wanted and titles_read != titles_wanted[0]:
        problems += [f"{path}: the independent reader finds the titles", f"  {titles_read}",
                     "where the organizer has", f"  {titles_wanted[0]}"]
    if with_khal:
        try:
            listed = khal_occurrences(text, low, high)
        except Exception as error:
            listed = [f"cannot be read: {error}"]
        if listed != wanted:
            problems += [f"{path}: khal lists"] + [f"  {line}" for line in listed] \
                + ["where the organizer has"] + [f"  {line}" for line in wanted]
    return "\n".join(problems) if problems else None


def main():
    checks = []
    for line in sys.stdin:
        line = line.strip()
        if line.startswith("FILE "):
            _, low, high, path = line.split(" ", 3)
            checks.append((path, int(low), int(high), []))
        elif (line == "TITLES" or line.startswith("TITLES ")) and checks:
            checks[-1][3].append(line + " " if line == "TITLES" else line)
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

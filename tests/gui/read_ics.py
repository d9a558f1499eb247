#!/usr/bin/python3
"""Reads an iCalendar file with Python's icalendar package and prints what a
calendar program would take from it, in the lines ics_reader prints:

  ERROR <text>
  EVENT <uid> <start> <end> <summary>     start and end in UTC, "YYYY-MM-DD HH:MM"
  DESC <uid> <description>                line ends as \\n

Each time is converted twice: through the zone database by the event's TZID,
and through the file's own VTIMEZONE (the last onset before the wall-clock
time gives the offset); an ERROR line tells when the two disagree.
"""
import datetime
import sys

import icalendar


def one_line(text):
    return str(text).replace("\n", "\\n")


def utc_text(moment):
    return moment.astimezone(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M")


def onsets(calendar):
    """TZID -> [(onset as wall-clock time, offset after it)], in time order."""
    zones = {}
    for zone in calendar.walk("VTIMEZONE"):
        rules = []
        for part in zone.subcomponents:
            rules.append((part.decoded("DTSTART"), part.decoded("TZOFFSETTO")))
        zones[str(zone["TZID"])] = sorted(rules, key=lambda rule: rule[0])
    return zones


def by_own_zone(zones, prop):
    """The UTC text of a DTSTART or DTEND by the file's own VTIMEZONE."""
    wall = prop.dt
    if not isinstance(wall, datetime.datetime):
        return wall.strftime("%Y-%m-%d 00:00")
    tzid = prop.params.get("TZID")
    if tzid is None:
        return utc_text(wall)
    rules = zones.get(str(tzid))
    if not rules:
        return None
    naive = wall.replace(tzinfo=None)
    offset = rules[0][1]
    for onset, after in rules:
        if onset <= naive:
            offset = after
    return (naive - offset).strftime("%Y-%m-%d %H:%M")


def main():
    with open(sys.argv[1], "rb") as handle:
        data = handle.read()
    calendar = icalendar.Calendar.from_ical(data)
    zones = onsets(calendar)
    for event in calendar.walk("VEVENT"):
        uid = str(event["UID"])
        times = []
        for name in ("DTSTART", "DTEND"):
            prop = event.get(name) or event.get("DTSTART")
            moment = prop.dt
            if isinstance(moment, datetime.datetime):
                by_database = utc_text(moment)
            else:
                by_database = moment.strftime("%Y-%m-%d 00:00")
            own = by_own_zone(zones, prop)
            if own != by_database:
                print("ERROR %s %s: %s by the zone database, %s by the file's VTIMEZONE"
                      % (uid, name, by_database, own))
            times.append(by_database)
        print("EVENT %s %s %s %s" % (uid, times[0], times[1], one_line(event.get("SUMMARY", ""))))
        print("DESC %s %s" % (uid, one_line(event.get("DESCRIPTION", ""))))


if __name__ == "__main__":
    main()

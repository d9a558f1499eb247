// iCalendar text (RFC 5545) of a teacher's lessons, for phone and desktop
// calendars: the school's local time zone as a VTIMEZONE, one VEVENT per
// lesson, lines folded at 75 octets without splitting a UTF-8 character.
//
//   ical::Calendar cal;
//   cal.name = "Tom Hale";
//   cal.zoneId = ical::localZoneName();            // "Pacific/Auckland"
//   ical::Event e;
//   e.uid = "lesson-42@<database identity>";
//   e.startDate = "2014-03-31"; e.startTime = "09:00"; e.endTime = "09:50";
//   cal.events.push_back(e);
//   std::string text = ical::write(cal, dates::now());
//
// Times of lessons are written as the wall-clock times they were planned
// at, tied to the zone; the zone's rules are read from the C library's local
// time, so the file says what the calendar window shows.
#ifndef PLENWICK_ICALENDAR_H
#define PLENWICK_ICALENDAR_H

#include <fx.h>

#include <string>
#include <vector>

namespace ical {

struct Event {
    std::string uid;
    std::string summary, description;  // UTF-8 as stored
    // 'YYYY-MM-DD' and 'HH:MM'.  Without a start time the event takes whole
    // days from startDate to lastDate.
    std::string startDate, lastDate, startTime, endTime;
    // 0: once, or every school day (Monday to Friday) from startDate to
    // lastDate; 1-5: weekly on that weekday (1 Monday) in those dates.
    int weekday = 0;
};

struct Calendar {
    std::string name;    // X-WR-CALNAME
    std::string zoneId;  // TZID of the local zone
    std::string product;
    // The period the VTIMEZONE must cover: its rules from a year before to a
    // year after.
    FX::FXlong from = 0, to = 0;
    std::vector<Event> events;
};

// The whole file, CRLF line ends; `stamp` is the DTSTAMP of every event.
std::string write(const Calendar& cal, FX::FXlong stamp);

// The local zone's name: TZ, /etc/timezone or the zone /etc/localtime
// points to; "Local" when none of them says.
std::string localZoneName();

// The pieces, for their own tests.
// A content line folded at 75 octets: CRLF and a space before each
// continuation, never inside a UTF-8 character.
std::string fold(const std::string& line);
// A TEXT value: backslash, semicolon and comma escaped, line ends as \n.
std::string escapeText(const std::string& text);
// The VTIMEZONE of the local zone with every change of its offset between
// a year before `from` and a year after `to`.
std::string timeZone(const std::string& zoneId, FX::FXlong from, FX::FXlong to);

}  // namespace ical

#endif

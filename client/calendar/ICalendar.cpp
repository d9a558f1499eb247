// iCalendar text of lessons: see ICalendar.h.
#include "calendar/ICalendar.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "data/Dates.h"

using namespace FX;

namespace ical {

namespace {

const char* const crlf = "\r\n";

// The UTC text of a moment: 20140331T080000Z.
std::string utcText(FXlong moment) {
    time_t t = (time_t)moment;
    struct tm tm;
    gmtime_r(&t, &tm);
    char buffer[32];
    strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &tm);
    return buffer;
}

// 'YYYY-MM-DD' and 'HH:MM' as a local date-time value: 20140331T090000.
std::string wallText(const std::string& date, const std::string& time) {
    std::string text = date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2);
    if (!time.empty()) text += "T" + time.substr(0, 2) + time.substr(3, 2) + "00";
    return text;
}

int hourOf(const std::string& time) { return atoi(time.substr(0, 2).c_str()); }
int minuteOf(const std::string& time) { return time.size() >= 5 ? atoi(time.substr(3, 2).c_str()) : 0; }

// Weekday of an ISO date, 1 Monday ... 7 Sunday.
int isoWeekday(const std::string& date) {
    const FXint d = dates::weekday(dates::localMoment(date.c_str(), 12, 0));
    return d == 0 ? 7 : d;
}

std::string nextDay(const std::string& date) { return dates::addDays(FXString(date.c_str()), 1).text(); }

const char* const dayCodes[] = {"", "MO", "TU", "WE", "TH", "FR", "SA", "SU"};

// The zone's offset as +HHMM.
std::string offsetText(long seconds) {
    char buffer[64];
    const long a = seconds < 0 ? -seconds : seconds;
    if (a % 60)
        snprintf(buffer, sizeof buffer, "%c%02ld%02ld%02ld", seconds < 0 ? '-' : '+', a / 3600, a / 60 % 60, a % 60);
    else
        snprintf(buffer, sizeof buffer, "%c%02ld%02ld", seconds < 0 ? '-' : '+', a / 3600, a / 60 % 60);
    return buffer;
}

struct LocalState {
    long offset = 0;
    bool daylight = false;
    std::string name;
    bool operator!=(const LocalState& o) const {
        return offset != o.offset || daylight != o.daylight || name != o.name;
    }
};

LocalState stateAt(FXlong moment) {
    time_t t = (time_t)moment;
    struct tm tm;
    localtime_r(&t, &tm);
    LocalState s;
    s.offset = tm.tm_gmtoff;
    s.daylight = tm.tm_isdst > 0;
    s.name = tm.tm_zone ? tm.tm_zone : "";
    return s;
}

std::string component(const LocalState& before, const LocalState& after, const std::string& start) {
    const char* kind = after.daylight ? "DAYLIGHT" : "STANDARD";
    std::string text = std::string("BEGIN:") + kind + crlf;
    text += "DTSTART:" + start + crlf;
    text += "TZOFFSETFROM:" + offsetText(before.offset) + crlf;
    text += "TZOFFSETTO:" + offsetText(after.offset) + crlf;
    if (!after.name.empty()) text += fold("TZNAME:" + escapeText(after.name)) + crlf;
    text += std::string("END:") + kind + crlf;
    return text;
}

// A parameter value: quoted when it holds a character a parameter cannot.
std::string paramValue(const std::string& value) {
    if (value.find_first_of(";:,") == std::string::npos) return value;
    std::string quoted;
    for (char c : value)
        if (c != '"') quoted += c;
    return "\"" + quoted + "\"";
}

std::string line(const std::string& name, const std::string& value) { return fold(name + ":" + value) + crlf; }

// One event; none when its dates hold no day it is held on.
std::string event(const Calendar& cal, const Event& e, const std::string& stamp) {
    const std::string last = e.lastDate.empty() ? e.startDate : e.lastDate;
    std::string first = e.startDate;
    // The first day the lesson is held: its weekday, or a school day.
    bool held = false;
    for (int i = 0; i < 7 && first <= last && !held; ++i) {
        const int d = isoWeekday(first);
        held = e.weekday ? d == e.weekday : d <= 5 || first == last;
        if (!held) first = nextDay(first);
    }
    if (!held) return "";
    const std::string tz = ";TZID=" + paramValue(cal.zoneId);
    std::string text = std::string("BEGIN:VEVENT") + crlf;
    text += line("UID", escapeText(e.uid));
    text += line("DTSTAMP", stamp);
    if (e.startTime.empty()) {
        text += line("DTSTART;VALUE=DATE", wallText(first, ""));
        text += line("DTEND;VALUE=DATE", wallText(nextDay(first), ""));
    } else {
        text += line("DTSTART" + tz, wallText(first, e.startTime));
        if (!e.endTime.empty() && e.endTime > e.startTime) text += line("DTEND" + tz, wallText(first, e.endTime));
    }
    if (e.weekday || first != last) {
        // UNTIL in UTC, as a start tied to a zone needs: the last day's start.
        const FXlong until = e.startTime.empty()
                                 ? dates::localMoment(last.c_str(), 0, 0)
                                 : dates::localMoment(last.c_str(), hourOf(e.startTime), minuteOf(e.startTime));
        text += line("RRULE", std::string(e.weekday ? "FREQ=WEEKLY;BYDAY=" : "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR") +
                                  (e.weekday ? dayCodes[e.weekday] : "") +
                                  ";UNTIL=" + (e.startTime.empty() ? wallText(last, "") : utcText(until)));
    }
    text += line("SUMMARY", escapeText(e.summary));
    if (!e.description.empty()) text += line("DESCRIPTION", escapeText(e.description));
    text += line("TRANSP", "OPAQUE");
    text += std::string("END:VEVENT") + crlf;
    return text;
}

}  // namespace

std::string fold(const std::string& line) {
    std::string out;
    size_t used = 0;  // octets on the current physical line
    const size_t limit = 75;
    for (size_t i = 0; i < line.size();) {
        // One character: a lead byte and its continuation bytes.
        size_t n = 1;
        while (i + n < line.size() && ((unsigned char)line[i + n] & 0xC0) == 0x80 && n < 4) ++n;
        if (used + n > limit) {
            out += "\r\n ";
            used = 1;
        }
        out.append(line, i, n);
        used += n;
        i += n;
    }
    return out;
}

std::string escapeText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case ';':
                out += "\\;";
                break;
            case ',':
                out += "\\,";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') break;
                out += "\\n";
                break;
            default:
                // Other control characters are not allowed in a value.
                if ((unsigned char)c < 0x20 && c != '\t') break;
                out += c;
        }
    }
    return out;
}

std::string timeZone(const std::string& zoneId, FXlong from, FXlong to) {
    std::string text = std::string("BEGIN:VTIMEZONE") + crlf;
    text += line("TZID", zoneId);
    const FXlong step = 6 * 3600;
    const FXlong begin = from - 366 * 86400LL, end = to + 366 * 86400LL;
    int changes = 0;
    LocalState previous = stateAt(begin);
    for (FXlong t = begin; t < end; t += step) {
        const LocalState next = stateAt(t + step);
        if (!(next != previous)) continue;
        // The first second of the new state.
        FXlong lo = t, hi = t + step;
        while (hi - lo > 1) {
            const FXlong mid = lo + (hi - lo) / 2;
            (stateAt(mid) != previous ? hi : lo) = mid;
        }
        const LocalState after = stateAt(hi);
        // The onset as the wall clock showed it before the change.
        text += component(previous, after, utcText(hi + previous.offset).substr(0, 15));
        previous = after;
        ++changes;
    }
    // A zone without changes in the period: its one offset, since ever.
    if (changes == 0) text += component(previous, previous, "19700101T000000");
    text += std::string("END:VTIMEZONE") + crlf;
    return text;
}

std::string localZoneName() {
    std::string name;
    if (const char* tz = getenv("TZ")) name = tz;
    if (!name.empty() && name[0] == ':') name.erase(0, 1);
    if (name.empty()) {
        std::ifstream file("/etc/timezone");
        std::getline(file, name);
    }
    if (name.empty()) {
        char target[512];
        const ssize_t n = readlink("/etc/localtime", target, sizeof target - 1);
        if (n > 0) name.assign(target, (size_t)n);
    }
    const size_t at = name.find("zoneinfo/");
    if (at != std::string::npos) name.erase(0, at + 9);
    while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
    return name.empty() ? "Local" : name;
}

std::string write(const Calendar& cal, FXlong stamp) {
    const std::string when = utcText(stamp);
    std::string text = std::string("BEGIN:VCALENDAR") + crlf;
    text += line("VERSION", "2.0");
    text += line("PRODID", cal.product.empty() ? "-//Brellmoor//Plenwick//EN" : cal.product);
    text += line("CALSCALE", "GREGORIAN");
    text += line("METHOD", "PUBLISH");
    if (!cal.name.empty()) text += line("X-WR-CALNAME", escapeText(cal.name));
    text += line("X-WR-TIMEZONE", cal.zoneId);
    text += timeZone(cal.zoneId, cal.from, cal.to);
    for (const Event& e : cal.events) text += event(cal, e, when);
    text += std::string("END:VCALENDAR") + crlf;
    return text;
}

}  // namespace ical

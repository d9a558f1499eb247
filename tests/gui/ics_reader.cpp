// Reads an iCalendar file with libical's parser and prints what a calendar
// program would take from it, one line each, for the export tests:
//
//   ERROR <text>                            a property libical could not read
//   EVENT <uid> <start> <end> <summary>     start and end in UTC, "YYYY-MM-DD HH:MM"
//   DESC <uid> <description>                line ends as \n
//   AT <uid> <start>                        each occurrence of a repeating event
//
// The times are converted with the VTIMEZONE the file holds itself (the
// event's TZID looked up in the file), not with the system's zone files.
#include <libical/ical.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string utc(time_t t) {
    struct tm tm;
    gmtime_r(&t, &tm);
    char buffer[32];
    strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &tm);
    return buffer;
}

std::string oneLine(const char* text) {
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) out += *p == '\n' ? std::string("\\n") : std::string(1, *p);
    return out;
}

// The moment of a DTSTART or DTEND property, by the file's own zone.
time_t moment(icalcomponent* root, icalproperty* prop, bool& ok) {
    icaltimetype t = icalproperty_get_datetime_with_component(prop, nullptr);
    icalparameter* tzid = icalproperty_get_first_parameter(prop, ICAL_TZID_PARAMETER);
    icaltimezone* zone = nullptr;
    if (tzid) {
        zone = icalcomponent_get_timezone(root, icalparameter_get_tzid(tzid));
        if (!zone) {
            printf("ERROR no VTIMEZONE for %s\n", icalparameter_get_tzid(tzid));
            ok = false;
        }
    }
    if (!tzid && !icaltime_is_utc(t) && !icaltime_is_date(t)) zone = icaltimezone_get_utc_timezone();
    if (icaltime_is_date(t)) zone = icaltimezone_get_utc_timezone();
    return icaltime_as_timet_with_zone(t, zone);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: ics_reader FILE.ics\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    std::stringstream buffer;
    buffer << file.rdbuf();
    const std::string text = buffer.str();
    icalcomponent* root = icalparser_parse_string(text.c_str());
    if (!root || icalcomponent_isa(root) != ICAL_VCALENDAR_COMPONENT) {
        printf("ERROR not a calendar\n");
        return 1;
    }
    // libical marks what it could not read with X-LIC-ERROR properties.
    for (icalcomponent* c = root; c;) {
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY))
            printf("ERROR %s\n", icalproperty_get_xlicerror(p));
        c = c == root ? icalcomponent_get_first_component(root, ICAL_ANY_COMPONENT)
                      : icalcomponent_get_next_component(root, ICAL_ANY_COMPONENT);
    }
    for (icalcomponent* sub = icalcomponent_get_first_component(root, ICAL_VTIMEZONE_COMPONENT); sub;
         sub = icalcomponent_get_next_component(root, ICAL_VTIMEZONE_COMPONENT))
        for (icalcomponent* part = icalcomponent_get_first_component(sub, ICAL_ANY_COMPONENT); part;
             part = icalcomponent_get_next_component(sub, ICAL_ANY_COMPONENT))
            for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_XLICERROR_PROPERTY); p;
                 p = icalcomponent_get_next_property(part, ICAL_XLICERROR_PROPERTY))
                printf("ERROR %s\n", icalproperty_get_xlicerror(p));

    bool ok = true;
    for (icalcomponent* ev = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); ev;
         ev = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
        for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_XLICERROR_PROPERTY); p;
             p = icalcomponent_get_next_property(ev, ICAL_XLICERROR_PROPERTY))
            printf("ERROR %s\n", icalproperty_get_xlicerror(p));
        const char* uid = icalcomponent_get_uid(ev);
        icalproperty* start = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
        icalproperty* end = icalcomponent_get_first_property(ev, ICAL_DTEND_PROPERTY);
        if (!uid || !start) {
            printf("ERROR an event without UID or DTSTART\n");
            ok = false;
            continue;
        }
        const time_t s = moment(root, start, ok);
        const time_t e = end ? moment(root, end, ok) : s;
        printf("EVENT %s %s %s %s\n", uid, utc(s).c_str(), utc(e).c_str(),
               oneLine(icalcomponent_get_summary(ev)).c_str());
        printf("DESC %s %s\n", uid, oneLine(icalcomponent_get_description(ev)).c_str());
        icalproperty* rule = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY);
        if (!rule) continue;
        // Each occurrence: the wall-clock start repeated, converted by the zone.
        icaltimetype first = icalproperty_get_datetime_with_component(start, nullptr);
        icalparameter* tzid = icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER);
        icaltimezone* zone =
            tzid ? icalcomponent_get_timezone(root, icalparameter_get_tzid(tzid)) : icaltimezone_get_utc_timezone();
        icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(rule), first);
        int n = 0;
        for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t) && n < 5000;
             t = icalrecur_iterator_next(it), ++n)
            printf("AT %s %s\n", uid, utc(icaltime_as_timet_with_zone(t, zone)).c_str());
        icalrecur_iterator_free(it);
    }
    icalcomponent_free(root);
    return ok ? 0 : 1;
}

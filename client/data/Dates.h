// Dates and times of the client, in one place.
//
// A moment is a signed 64-bit count of seconds of the C library's clock; a
// date in SQL text is 'YYYY-MM-DD'; a date shown to the user is MM/DD/YY
// with appState.americanDate, else DD/MM/YY; a time of day is HH:MM.  "Today" is the
// clock plus appState.dateOffset: the moment the calendar shows.
//
//   dates::today()                                 '2014-03-12'
//   dates::localMoment("2014-03-10", 8, 45)        Monday at school start
//   dates::addDays(moment, 1)                      the next day, same clock time
//   appState.dateOffset = dates::offsetShowing("2014-03-10")  the calendar shows that week
//
// Local time throughout: adding days keeps the wall-clock time across a
// daylight-saving change (a day is then 23 or 25 hours long); counting
// weeks counts calendar weeks.  Spans of time within a day (a period of the
// timetable, "a week ago" as 604800 seconds) are plain seconds.
//
// Year2000, DisplayDate and DateIsLater are the data layer's date
// operations on text: typed dates to ISO dates, ISO dates to shown dates,
// and the comparison of two ISO dates.
#ifndef PLENWICK_DATES_H
#define PLENWICK_DATES_H

#include <fx.h>

#include <map>

namespace dates {

constexpr FX::FXlong oneDay = 86400;
constexpr FX::FXlong oneWeek = 7 * oneDay;
constexpr FX::FXlong oneYear = 365 * oneDay;  // the calendar's year step

// Makes the C library keep the computer's time zone for the life of the
// program: without TZ it looks at /etc/localtime again (a file-system call)
// on every conversion to and from the clock time, and a week's drawing
// converts some five hundred times.  TZ is set to the zone file that
// /etc/localtime names; a TZ set already, or an /etc/localtime that names
// no file, is left as it is.  A change of the computer's zone is then seen
// at the program's next start.
void keepLocalZone();

// The clock, and the clock plus appState.dateOffset.
FX::FXlong now();
FX::FXlong shownNow();

// A moment in local time through strftime ("%H:%M", "%Y-%m-%d").
FX::FXString localText(FX::FXlong moment, const char* format);
// 'YYYY-MM-DD' of a moment.
FX::FXString isoDate(FX::FXlong moment);
// 'YYYY-MM-DD' of today (the clock plus appState.dateOffset).
FX::FXString today();
// A moment's date as the user types and reads it: MM/DD/YY or DD/MM/YY;
// the same without the year (MM/DD or DD/MM), where room is short.
FX::FXString shownDate(FX::FXlong moment);
FX::FXString shownDayMonth(FX::FXlong moment);
// A moment's time of day: HH:MM.
FX::FXString shownTime(FX::FXlong moment);
// Day of the week of a moment: 0 Sunday ... 6 Saturday; its local hour.
FX::FXint weekday(FX::FXlong moment);
FX::FXint hourOf(FX::FXlong moment);

// The local moment of a day at hour:minute (month 1-12; a day beyond the
// month's end goes on into the next).  The daylight-saving state is that of
// the day itself.
FX::FXlong localMoment(FX::FXint year, FX::FXint month, FX::FXint day, FX::FXint hour = 0, FX::FXint minute = 0);
// The same for a date written 'YYYY-MM-DD' (a longer text, such as a
// timestamp, is read by its first ten characters).
FX::FXlong localMoment(const FX::FXString& isoDate, FX::FXint hour, FX::FXint minute);
// The moment's calendar day at hour:minute.
FX::FXlong sameDayAt(FX::FXlong moment, FX::FXint hour, FX::FXint minute);

// sameDayAt for many moments of a few days: each day's answers are kept,
// so that a drawing asking thousands of times converts each day and time
// once.  A new object forgets them.
class SameDayTimes {
public:
    FX::FXlong at(FX::FXlong moment, FX::FXint hour, FX::FXint minute);

private:
    // The last two moments asked for and their days (a drawing asks for a
    // slot's start and end in turn).
    struct Day {
        FX::FXlong moment = -1;
        FX::FXint year = 0, yday = 0;
    } days_[2];
    FX::FXint older_ = 0;                    // the entry to replace next
    std::map<long long, FX::FXlong> known_;  // (day, hh:mm) -> moment
};

// `days` calendar days later (earlier when negative), at the same clock time.
FX::FXlong addDays(FX::FXlong moment, FX::FXint days);
FX::FXString addDays(const FX::FXString& isoDate, FX::FXint days);
// Calendar days from one ISO date to another (negative when `to` is
// earlier), whatever the clocks did between them.
FX::FXint daysBetween(const FX::FXString& from, const FX::FXString& to);
// Whole calendar weeks from `from` to `to` (the C library's division:
// towards zero), by the clock time each shows.
FX::FXlong weeksBetween(FX::FXlong from, FX::FXlong to);

// The appState.dateOffset that makes the shown moment `moment`.
FX::FXlong offsetFor(FX::FXlong moment);
// The appState.dateOffset that makes the calendar show the day after an ISO date at
// the start of the school day (appState.schoolHour:appState.schoolMinute): the week of that
// date, even on a Friday.
FX::FXlong offsetShowing(const FX::FXString& isoDate);

}  // namespace dates

// Typed date (D/M/YY, DDMMYY, a day alone, ...) to 'YYYY-MM-DD'.  On
// failure returns the message for the user and sets error to 1.
FX::FXString Year2000(const FX::FXString& text, FX::FXint& error);
// 'YYYY-MM-DD[ time]' to DD/MM/YY (MM/DD/YY with appState.americanDate); a time to
// HH:MM; None unchanged.
FX::FXString DisplayDate(const FX::FXString& value);
// True when ISO date a is later than ISO date b.
FX::FXbool DateIsLater(const FX::FXString& a, const FX::FXString& b);

#endif

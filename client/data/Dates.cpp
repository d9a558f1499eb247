// Dates: the local-time helpers of the whole client, and the date
// operations of the data layer on text (typed dates, shown dates, ISO date
// comparison).
#include "data/Dates.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "data/AppState.h"

using namespace FX;

namespace {

// Character i of s, or NUL past either end: malformed dates must never read
// outside the text.
inline FXchar at(const FXString& s, FXint i) { return (i >= 0 && i < s.length()) ? s[i] : '\0'; }
inline bool digit(FXchar c) { return c >= '0' && c <= '9'; }

// The value of the leading decimal digits (0 when none).
FXint leadingValue(const FXString& s) {
    FXint v = 0;
    for (FXint i = 0; i < s.length() && digit(s[i]) && v < 100000000; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

const char* const americanFormats =
    "IsectRecordset::Year2000 - Invalid date provided.\n\nAllowed formats are:        \n\n"
    "MM-DD-YY\nM-DD-YY\nMM-D-YY\nM-D-YY\nMM/DD/YY\nM/DD/YY\nMM/D/YY\nM/D/YY\nMMDDYY\nMDDYY\nMMDYY\nMDYY";
const char* const englishFormats =
    "IsectRecordset::Year2000 - Invalid date provided.\n\nAllowed formats are:        \n\n"
    "DD-MM-YY\nDD-M-YY\nD-MM-YY\nD-M-YY\nDD/MM/YY\nDD/M/YY\nD/MM/YY\nD/M/YY\nDDMMYY\nDDMYY\nDMMYY\nDMYY";

}  // namespace

namespace dates {

void keepLocalZone() {
    if (getenv("TZ")) return;
    char target[1024];
    const ssize_t n = readlink("/etc/localtime", target, sizeof target - 1);
    if (n <= 0) return;
    target[n] = '\0';
    const std::string file = target[0] == '/' ? std::string(target) : "/etc/" + std::string(target);
    if (access(file.c_str(), R_OK) != 0) return;
    setenv("TZ", (":" + file).c_str(), 0);
    tzset();
}

FXlong now() { return (FXlong)time(nullptr); }

FXlong shownNow() { return now() + appState.dateOffset; }

FXString localText(FXlong moment, const char* format) {
    time_t t = (time_t)moment;
    struct tm local;
    localtime_r(&t, &local);
    char text[64];
    strftime(text, sizeof text, format, &local);
    return text;
}

FXString isoDate(FXlong moment) { return localText(moment, "%Y-%m-%d"); }

FXString today() { return isoDate(shownNow()); }

FXString shownDate(FXlong moment) { return localText(moment, appState.americanDate ? "%m/%d/%y" : "%d/%m/%y"); }

FXString shownDayMonth(FXlong moment) { return localText(moment, appState.americanDate ? "%m/%d" : "%d/%m"); }

FXString shownTime(FXlong moment) { return localText(moment, "%H:%M"); }

FXint weekday(FXlong moment) {
    time_t t = (time_t)moment;
    struct tm local;
    localtime_r(&t, &local);
    return local.tm_wday;
}

FXint hourOf(FXlong moment) {
    time_t t = (time_t)moment;
    struct tm local;
    localtime_r(&t, &local);
    return local.tm_hour;
}

FXlong localMoment(FXint year, FXint month, FXint day, FXint hour, FXint minute) {
    struct tm local = {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;  // whatever holds on that day
    return (FXlong)mktime(&local);
}

FXlong localMoment(const FXString& iso, FXint hour, FXint minute) {
    return localMoment(leadingValue(iso.mid(0, 4)), leadingValue(iso.mid(5, 2)), leadingValue(iso.mid(8, 2)), hour,
                       minute);
}

FXlong sameDayAt(FXlong moment, FXint hour, FXint minute) {
    time_t t = (time_t)moment;
    struct tm local;
    localtime_r(&t, &local);
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    return (FXlong)mktime(&local);
}

FXlong SameDayTimes::at(FXlong moment, FXint hour, FXint minute) {
    const Day* day = days_[0].moment == moment ? &days_[0] : days_[1].moment == moment ? &days_[1] : nullptr;
    if (!day) {
        time_t t = (time_t)moment;
        struct tm local;
        localtime_r(&t, &local);
        Day& replaced = days_[older_];
        older_ = 1 - older_;
        replaced.moment = moment;
        replaced.year = local.tm_year;
        replaced.yday = local.tm_yday;
        day = &replaced;
    }
    const long long key = ((long long)day->year * 400 + day->yday) * 1440 + hour * 60 + minute;
    auto found = known_.find(key);
    if (found != known_.end()) return found->second;
    const FXlong result = sameDayAt(moment, hour, minute);
    known_[key] = result;
    return result;
}

FXlong addDays(FXlong moment, FXint days) {
    time_t t = (time_t)moment;
    struct tm local;
    localtime_r(&t, &local);
    local.tm_mday += days;
    local.tm_isdst = -1;  // the clock time stays, whatever the new day's offset
    return (FXlong)mktime(&local);
}

FXString addDays(const FXString& iso, FXint days) { return isoDate(addDays(localMoment(iso, 12, 0), days)); }

namespace {
// The moment as the local clock reads it, in seconds.
FXlong wallClock(FXlong moment) {
    time_t t = (time_t)moment;
    struct tm local;
    localtime_r(&t, &local);
    return moment + (FXlong)local.tm_gmtoff;
}
}  // namespace

FXlong weeksBetween(FXlong from, FXlong to) { return (wallClock(to) - wallClock(from)) / oneWeek; }

FXint daysBetween(const FXString& from, const FXString& to) {
    // Noon to noon: a day of 23 or 25 hours still rounds to one.
    const FXlong span = wallClock(localMoment(to, 12, 0)) - wallClock(localMoment(from, 12, 0));
    return (FXint)((span + (span < 0 ? -oneDay / 2 : oneDay / 2)) / oneDay);
}

FXlong offsetFor(FXlong moment) { return moment - now(); }

FXlong offsetShowing(const FXString& iso) {
    return offsetFor(addDays(localMoment(iso, appState.schoolHour, appState.schoolMinute), 1));
}

}  // namespace dates

// ---------------------------------------------------------------------------
// Dates as text

FXString Year2000(const FXString& text, FXint& error) {
    error = 1;
    FXString s = text;
    s.trim();
    if (s.empty()) return "IsectRecordset::Year2000 - Empty date provided.";

    // A day alone: this month of this year ("today" includes the date offset).
    if (s.length() <= 2) {
        FXString monthYear = dates::localText(dates::shownNow(), "%m%Y");
        FXString mm = monthYear.left(2), yy = monthYear.right(2);
        FXString day = s.length() == 1 ? "0" + s : s;
        s = appState.americanDate ? mm + day + yy : day + mm + yy;
    }
    if (s.length() > 8) return appState.americanDate ? americanFormats : englishFormats;

    // 00-35 are 2000-2035, 36-99 are 1936-1999; a four-digit year keeps its last two digits.
    FXString yy = s.right(2);
    FXString year = (leadingValue(yy) < 36 ? "20" : "19") + yy;

    // Length of the day-and-month part.
    FXString lastFour = s.right(4);
    FXString century = lastFour.left(2);
    FXint n = (century == "19" || century == "20") ? s.length() - 4 : s.length() - 2;

    FXString dm;
    if (n == 1 || n == 2) {
        dm = FXString("0") + at(s, 0) + "0" + at(s, 1);
    } else if (n == 3) {
        if (leadingValue(s.left(2)) > 29)
            dm = FXString("0") + at(s, 0) + s.mid(1, 2);
        else
            dm = s.left(2) + "0" + at(s, 2);
    } else {
        dm = s.left(n > 0 ? n : 0);
    }
    s = dm + year;

    FXString first, second;
    bool allDigits = true;
    for (FXint i = 0; i < s.length(); ++i) allDigits = allDigits && digit(s[i]);
    if (allDigits) {
        first = s.mid(0, 2);
        second = s.mid(2, 2);
    } else {
        if (!digit(at(s, 1))) s.prepend('0');
        if (!digit(at(s, 4))) s.insert(3 <= s.length() ? 3 : s.length(), '0');
        first = s.mid(0, 2);
        second = s.mid(3, 2);
    }
    FXString day = appState.americanDate ? second : first;
    FXString month = appState.americanDate ? first : second;
    FXint dayValue = leadingValue(day);
    if (dayValue < 1 || dayValue > 31) return "IsectRecordset::Year2000 - Invalid day provided.";
    error = 0;
    return year + "-" + month + "-" + day;
}

FXString DisplayDate(const FXString& value) {
    if (value.find("None") >= 0) return value;
    if (at(value, 2) == ':') return value.left(5);
    FXString yy = value.mid(2, 2), mm = value.mid(5, 2), dd = value.mid(8, 2);
    return appState.americanDate ? mm + "/" + dd + "/" + yy : dd + "/" + mm + "/" + yy;
}

namespace {
// YYYYMMDD as a number, from characters 0-3, 5-6 and the last two.
FXlong dateNumber(const FXString& iso) {
    FXString digits = iso.mid(0, 4) + iso.mid(5, 2) + iso.right(2);
    return leadingValue(digits);
}
}  // namespace

FXbool DateIsLater(const FXString& a, const FXString& b) { return dateNumber(a) > dateNumber(b); }

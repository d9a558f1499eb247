#include "data/InputChecks.h"

#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/IsectRecordset.h"

using namespace FX;

namespace {

const char* const monthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};

bool leapYear(FXint year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

FXint daysIn(FXint month, FXint year) {
    static const FXint days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

bool allDigits(const FXString& s) {
    for (FXint i = 0; i < s.length(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return !s.empty();
}

FXint number(const FXString& digits) {
    FXint v = 0;
    for (FXint i = 0; i < digits.length() && v < 100000; ++i) v = v * 10 + (digits[i] - '0');
    return v;
}

// What is wrong with a day, month and year, or "" when they make a date.
FXString dateProblem(FXint year, FXint month, FXint day) {
    if (month < 1 || month > 12) {
        FXString order = appState.americanDate ? "the month comes first" : "the month comes second";
        return "there is no month " + FXStringVal(month) + " (" + order + ")";
    }
    if (day < 1 || day > 31) return "there is no day " + FXStringVal(day);
    if (day > daysIn(month, year))
        return FXString(monthNames[month - 1]) + " " + FXStringVal(year) + " has only " +
               FXStringVal(daysIn(month, year)) + " days";
    return FXString::null;
}

FXString iso(FXint year, FXint month, FXint day) { return FXStringFormat("%04d-%02d-%02d", year, month, day); }

// Year, month and day of an ISO text that Year2000 gave; false when it is
// not of that shape.
bool splitIso(const FXString& s, FXint& year, FXint& month, FXint& day) {
    if (s.length() != 10 || s[4] != '-' || s[7] != '-') return false;
    FXString y = s.mid(0, 4), m = s.mid(5, 2), d = s.mid(8, 2);
    if (!allDigits(y) || !allDigits(m) || !allDigits(d)) return false;
    year = number(y);
    month = number(m);
    day = number(d);
    return true;
}

FXString howToTypeDates() {
    const FXString example = dates::shownDate(dates::now());
    return appState.americanDate ? "\n\nType dates month first, as MM/DD/YY (for example " + example + ")."
                                 : "\n\nType dates day first, as DD/MM/YY (for example " + example + ").";
}

[[noreturn]] void refuseDate(const FXString& field, const FXString& typed, const FXString& problem) {
    throw FXTextException(field + " \"" + typed + "\" is not a date: " + problem + "." + howToTypeDates());
}

}  // namespace

namespace checks {

FXString date(const FXString& field, const FXString& typed) {
    FXString t = typed;
    t.trim();
    if (t.empty()) throw FXTextException(field + " is empty." + howToTypeDates());

    // Parts between separators; a letter or another sign is no date at all.
    std::vector<FXString> parts;
    FXString part;
    for (FXint i = 0; i <= t.length(); ++i) {
        const FXchar c = i < t.length() ? t[i] : '/';
        if (c >= '0' && c <= '9') {
            part.append(c);
        } else if (c == '/' || c == '-' || c == '.' || c == ' ') {
            if (!part.empty()) parts.push_back(part);
            part = FXString::null;
        } else {
            refuseDate(field, t, "it holds \"" + FXString(c, 1) + "\"");
        }
    }
    FXint year = 0, month = 0, day = 0;
    if (parts.size() == 2) refuseDate(field, t, "the year is missing");
    if (parts.size() == 3) {
        const FXString& y = parts[2];
        if (y.length() != 2 && y.length() != 4)
            refuseDate(field, t, "the year has " + FXStringVal(y.length()) + " digits");
        // Two digits as Year2000 reads them (00-35 are 2000-2035); four as typed.
        year = y.length() == 4 ? number(y) : number(y) + (number(y) < 36 ? 2000 : 1900);
        month = number(appState.americanDate ? parts[0] : parts[1]);
        day = number(appState.americanDate ? parts[1] : parts[0]);
        const FXString problem = dateProblem(year, month, day);
        if (problem.empty()) return iso(year, month, day);
        refuseDate(field, t, problem);
    }
    // Digits alone (a day, DDMMYY, DMYY, ...): as Year2000 splits them.
    if (parts.size() == 1) {
        FXint error = 0;
        const FXString result = Year2000(t, error);
        if (!error && splitIso(result, year, month, day)) {
            const FXString problem = dateProblem(year, month, day);
            if (problem.empty()) return result;
            refuseDate(field, t, problem);
        }
    }
    refuseDate(field, t, "it is not in a form this program reads");
}

FXString timeOfDay(const FXString& field, const FXString& typed) {
    FXString t = typed;
    t.trim();
    if (t.empty()) return FXString::null;
    const FXString howTo = "\n\nType times as HH:MM, for example 09:00 or 13:30; leave the field empty for no time.";
    const FXint colon = t.find(':');
    const FXString hours = colon < 0 ? FXString::null : t.left(colon);
    const FXString minutes = colon < 0 ? FXString::null : t.mid(colon + 1, t.length());
    if (!allDigits(hours) || hours.length() > 2 || !allDigits(minutes) || minutes.length() != 2)
        throw FXTextException(field + " \"" + t + "\" is not a time of day." + howTo);
    const FXint h = number(hours), m = number(minutes);
    if (h > 23)
        throw FXTextException(field + " \"" + t + "\" is not a time of day: there is no hour " + FXStringVal(h) + "." +
                              howTo);
    if (m > 59)
        throw FXTextException(field + " \"" + t + "\" is not a time of day: an hour has only 60 minutes." + howTo);
    return FXStringFormat("%02d:%02d", h, m);
}

FXString timeLiteral(const FXString& checkedTime) {
    return checkedTime.empty() ? FXString("NULL") : "'" + checkedTime + "'";
}

FXint storedLength(const FXString& text) { return EscapeText(text).length(); }

void fits(const FXString& field, const FXString& text, FXint width) {
    const FXint stored = storedLength(text);
    if (stored <= width) return;
    FXString message = field + " is " + FXStringVal(stored - width) +
                       (stored - width == 1 ? " character" : " characters") + " too long: it holds " +
                       FXStringVal(width) + " characters";
    if (stored != text.length()) message += ", and each ' , or \\ in it takes four of them";
    throw FXTextException(message + ".");
}

}  // namespace checks

#include "data/TeachingDays.h"

#include "data/Dates.h"
#include "data/Numbers.h"

using namespace FX;

namespace {

FXint weekdayOf(const FXString& iso) { return dates::weekday(dates::localMoment(iso, 12, 0)); }

}  // namespace

bool TeachingDays::load(IsectRecordset& rs, const FXString& from) {
    closures_.clear();
    terms_.clear();
    if (!rs.OpenRecordset("Select Id, FirstDay, LastDay, Name from NonTeachingDay" +
                          (from.empty() ? FXString() : " Where LastDay >= '" + from + "'") + " Order By FirstDay, Id"))
        return false;
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
        Closure c;
        c.id = decimalValue(rs.rows.GetField(0));
        c.firstDay = rs.rows.GetField(1).left(10);
        c.lastDay = rs.rows.GetField(2).left(10);
        c.name = rs.rows.GetField(3);  // the parser gives back what EscapeText stored
        closures_.push_back(c);
    }
    if (!rs.OpenRecordset("Select FirstDay, SchoolWeeks from TermDate Order By FirstDay")) return false;
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
        Term t;
        t.firstDay = rs.rows.GetField(0).left(10);
        t.lastDay = dates::addDays(t.firstDay, 7 * decimalValue(rs.rows.GetField(1)) - 3);
        terms_.push_back(t);
    }
    return true;
}

FXString TeachingDays::closedOn(const FXString& isoDate) const {
    FXString names;
    // ISO dates compare as text.
    for (const Closure& c : closures_)
        if (c.firstDay <= isoDate && isoDate <= c.lastDay) names += (names.empty() ? "" : ", ") + c.name;
    return names;
}

bool TeachingDays::anyBetween(const FXString& from, const FXString& to) const {
    for (const Closure& c : closures_)
        if (c.firstDay <= to && from <= c.lastDay) return true;
    return false;
}

bool TeachingDays::inTerm(const FXString& isoDate) const {
    for (const Term& t : terms_)
        if (t.firstDay <= isoDate && isoDate <= t.lastDay) return true;
    return false;
}

FXString TeachingDays::lastTermDay() const {
    FXString last;
    for (const Term& t : terms_)
        if (t.lastDay > last) last = t.lastDay;
    return last;
}

bool TeachingDays::teaching(const FXString& isoDate, bool breaksCount) const {
    const FXint w = weekdayOf(isoDate);
    if (w == 0 || w == 6) return false;
    if (!closedOn(isoDate).empty()) return false;
    return breaksCount || inTerm(isoDate);
}

FXString TeachingDays::step(const FXString& isoDate, FXint count, bool breaksCount) const {
    const FXint direction = count < 0 ? -1 : 1;
    FXString day = isoDate;
    for (FXint left = count < 0 ? -count : count; left > 0; --left) {
        FXint tries = 0;
        do {
            day = dates::addDays(day, direction);
            if (++tries > 366) return FXString();
        } while (!teaching(day, breaksCount));
    }
    return day;
}

FXlong TeachingDays::shoveLanding(FXlong moment) const {
    for (FXint tries = 0; tries < 3660 && !closedOn(dates::isoDate(moment)).empty(); ++tries) {
        moment = dates::addDays(moment, 1);
        while (dates::weekday(moment) == 0 || dates::weekday(moment) == 6) moment = dates::addDays(moment, 1);
    }
    return moment;
}

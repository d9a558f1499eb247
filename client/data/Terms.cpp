#include "data/Terms.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Numbers.h"

#include <algorithm>

using namespace FX;

namespace terms {

FXbool step(IsectRecordset& rs, FXbool forwards) {
    const FXString today = dates::today();
    const FXString sql = forwards ? "Select FirstDay from TermDate Where FirstDay > '" + today + "'"
                                  : "Select FirstDay from TermDate Where FirstDay <= '" + today + "'";
    if (!rs.OpenRecordset(sql)) return false;
    rs.rows.MoveFirst();
    if (rs.rows.eof) return false;
    if (!forwards) {
        rs.rows.MoveLast();
        rs.rows.MovePrevious();
    }
    // The term's first day is read raw (YYYY-MM-DD), with the daylight-saving
    // state of that day.
    appState.dateOffset = dates::offsetShowing(rs.rows.GetField(0));
    return true;
}

FXString Term::monday() const {
    return dates::addDays(firstDay, -((dates::weekday(dates::localMoment(firstDay, 12, 0)) + 6) % 7));
}

FXString Term::lastDay() const { return dates::addDays(monday(), 7 * weeks - 3); }

FXbool load(IsectRecordset& rs, std::vector<Term>& terms) {
    terms.clear();
    if (!rs.OpenRecordset(
            "Select Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm from TermDate Order By FirstDay, Id"))
        return false;
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
        Term t;
        t.id = decimalValue(rs.rows.GetField(0));
        t.firstDay = rs.rows.GetField(1).left(10);
        t.weeks = decimalValue(rs.rows.GetField(2));
        t.year = decimalValue(rs.rows.GetField(3));
        t.number = decimalValue(rs.rows.GetField(4));
        terms.push_back(t);
    }
    return true;
}

std::vector<FXint> years(const std::vector<Term>& terms) {
    std::vector<FXint> found;
    for (const Term& t : terms)
        if (std::find(found.begin(), found.end(), t.year) == found.end()) found.push_back(t.year);
    std::sort(found.begin(), found.end());
    return found;
}

const Term* find(const std::vector<Term>& terms, FXint year, FXint number) {
    for (const Term& t : terms)
        if (t.year == year && t.number == number) return &t;
    return nullptr;
}

}  // namespace terms

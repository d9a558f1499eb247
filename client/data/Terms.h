// School terms: the table TermDate (FirstDay, SchoolWeeks, SchoolYear,
// SchoolTerm), one row a term.  The calendar and the long-term view step
// by terms the same way:
//
//   if (terms::step(recordset, true)) ...   // appState.dateOffset: the next term
//
// and a year's terms are found by their year and number:
//
//   std::vector<terms::Term> all;
//   if (!terms::load(recordset, all)) return;           // lost connection
//   const terms::Term* t = terms::find(all, 2027, 2);   // term 2 of 2027
#ifndef PLENWICK_TERMS_H
#define PLENWICK_TERMS_H

#include <fx.h>

#include "data/IsectRecordset.h"

#include <vector>

namespace terms {

// Moves appState.dateOffset to one day after the first day of the next
// term (forwards) or of the term before the shown one, at the start of the
// school day.  "Before" is the second-last term starting on or before the
// shown date, or the last one when it is the only one; the rows come in the
// database's order.  Without such a term, or without the middleware (a
// lost connection, for the command to tell), the offset stays and the
// result is false.
// A database error is thrown as FXException.
FX::FXbool step(IsectRecordset& rs, FX::FXbool forwards);

// One row of TermDate.
struct Term {
    FX::FXint id = 0;
    FX::FXString firstDay;  // YYYY-MM-DD, as School Setup stored it
    FX::FXint weeks = 0;
    FX::FXint year = 0, number = 0;
    // The Monday of the week holding the first day: the weeks of the term
    // count from it.
    FX::FXString monday() const;
    // The Friday of its last week.
    FX::FXString lastDay() const;
};

// Every term, by first day.  False when the connection was lost; a
// database error is thrown as FXException.
FX::FXbool load(IsectRecordset& rs, std::vector<Term>& terms);
// The school years that have terms, in order.
std::vector<FX::FXint> years(const std::vector<Term>& terms);
// Term `number` of school year `year`, or null.
const Term* find(const std::vector<Term>& terms, FX::FXint year, FX::FXint number);

}  // namespace terms

#endif

// School terms: the table TermDate (FirstDay, SchoolWeeks, SchoolYear,
// SchoolTerm), one row a term.  The calendar and the long-term view step
// by terms the same way:
//
//   if (terms::step(recordset, true)) ...   // appState.dateOffset: the next term
#ifndef PLENWICK_TERMS_H
#define PLENWICK_TERMS_H

#include <fx.h>

#include "data/IsectRecordset.h"

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

}  // namespace terms

#endif

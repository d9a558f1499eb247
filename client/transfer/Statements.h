// Running the statements of an operation on plan data (the plan editor's
// operations, writing and reading transfer files, storing and reading
// attachments, the calendar's exports).
//
//   transfer::query(rs, "Select * from UnitPlan where Id = " + id);
//   FXString start = transfer::rawField(rs, "DateStart");   // '2014-03-10'
//
// A database error throws FXException (from the recordset layer); a
// middleware that cannot be reached has already been reported in the
// recordset layer's warning box, and query ends the operation with
// PlanEditAbort, which the operation's failure scope ends silently.
#ifndef PLENWICK_STATEMENTS_H
#define PLENWICK_STATEMENTS_H

#include <fx.h>

#include "data/IsectRecordset.h"

// The operation ended because the middleware could not be reached; the
// warning box has already said so.
struct PlanEditAbort {};

namespace transfer {

// OpenRecordset, or PlanEditAbort when the middleware cannot be reached.
void query(IsectRecordset& rs, const FX::FXString& sql);

// Raw text of a column of the current row (dates as YYYY-MM-DD, times as
// HH:MM:SS...), without the display conversion of GetField.
FX::FXString rawField(IsectRecordset& rs, const FX::FXString& name);

}  // namespace transfer

#endif

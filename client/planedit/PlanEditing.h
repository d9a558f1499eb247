// What every part of the plan editor shares: the failure scope its
// operations run in, the busy cursor, and small helpers for texts, dates
// and the rows it reads.
//
//   planedit::failureScope(this, "Database Error", [&] {
//       if (blank(name)) throw FXTextException("Cannot have empty Unit plan name.");
//       query(rs, "Select * from MakeUnitPlan(...)");
//   });
//
// The failure scope: a recordset exception, a date error or an input check
// ends the operation with an error box over the editor, in plain words
// (ui/Failures, as every window tells) under the caption given ("Database
// Error", or "Empty Dates" for the date and time buttons); a lost middleware
// (PlanEditAbort) ends it with the one warning of the command.  Lists and fields keep
// what they held.
#ifndef PLENWICK_PLANEDITING_H
#define PLENWICK_PLANEDITING_H

#include <fx.h>

#include <functional>

#include "data/IsectRecordset.h"
#include "data/RowVersions.h"
#include "transfer/Statements.h"
#include "ui/RowConflict.h"

namespace planedit {

using transfer::query;
using transfer::rawField;

// Runs body inside the failure scope of the editor that `owner` stands in;
// false when it failed.
bool failureScope(FX::FXWindow* owner, const FX::FXString& caption, const std::function<void()>& body);
// The busy cursor on the editor that `owner` stands in, or the normal one.
void busy(FX::FXWindow* owner, bool on);

// True for a text of nothing but white space.
bool blank(const FX::FXString& s);
FX::FXString trimmed(const FX::FXString& s);
inline FX::FXString text(FX::FXint value) { return FX::FXStringVal(value); }

// A syndicate leader: the current teacher is the syndicate.
bool isLeader();

// A column of the current row as shown (GetField), with NULL dates and
// times as empty text instead of "None".
FX::FXString shownValue(IsectRecordset& rs, const FX::FXString& name);
// The date typed in a field, checked (data/InputChecks.h) and as
// 'YYYY-MM-DD'; with `optional` a blank field is "" (no date).
FX::FXString checkedDate(const FX::FXString& field, const FX::FXTextField* control, bool optional = false);
// The SQL literal of a checked date: 'YYYY-MM-DD', or NULL for no date.
FX::FXString dateLiteral(const FX::FXString& iso);

// Reads row `key` of `table` again into `rs` for a write-back (fromTable
// set, no where clause); a row that is gone ends the operation with the
// plain words of vanishedText(what).
void rereadRow(IsectRecordset& rs, const FX::FXString& table, const FX::FXString& key, const FX::FXString& what);

// An edit of a row the user was shown, stored only while the row is still
// as shown (ui/RowConflict.h).
using CheckedEdit = rowconflict::Edit;
using rowconflict::checkedEdit;

// Plain words for a row that vanished, and for a database without a school
// term yet.
FX::FXString vanishedText(const FX::FXString& what);
FX::FXString noTermText();

}  // namespace planedit

#endif

// Checked writes: a row a user read is written back only while it is still
// as it was read, so that two teachers at work on one plan lose nothing
// unseen.
//
// Every table a user edits carries three columns (database/schema.sql):
// RowVersion, counted up by the database on each change; ChangedBy, the
// teacher of the last checked write; ReadVersion, never stored.  A checked
// write names the version it read in ReadVersion, and the database refuses
// it (ROW_CHANGED) when the row has changed since.
//
//   ReadRow shown = ReadRow::of(rs);          // when the row is shown
//   ...                                       // the user types
//   rs.OpenRecordset("Select * from LessonPlan where Id = 12");   // on Edit
//   RowChange change = shown.compare(rs, columns);   // the columns the edit writes
//   if (change.changed()) ... ask: reload, overwrite or cancel ...
//   rowversions::markChecked(rs, "12");       // then WriteRecordset()
//
// A literal UPDATE adds rowversions::checkedAssignments(rs) to its SET list.
#ifndef PLENWICK_ROWVERSIONS_H
#define PLENWICK_ROWVERSIONS_H

#include <fx.h>

#include <utility>
#include <vector>

#include "data/IsectRecordset.h"

// What changed in a row since a user read it.
struct RowChange {
    bool deleted = false;
    // The columns asked about whose stored values differ from those read.
    std::vector<FX::FXString> columns;
    // The teacher whose checked write changed the row last ("" when not
    // known: another kind of write, or none recorded).
    FX::FXString changedBy;
    bool changed() const { return deleted || !columns.empty(); }
};

// One row as a user read it: its columns' values (GetField) and version.
class ReadRow {
public:
    // The current row of `rs` (nothing when it has none).
    static ReadRow of(IsectRecordset& rs);
    bool empty() const { return values.empty(); }
    const FX::FXString& version() const { return rowVersion; }
    // The value read of a column (any case); "" when not read.
    FX::FXString value(const FX::FXString& column) const;

    // Compares with the row as `now` holds it (its current row; none: the
    // row was deleted), for the columns named (any case).  A column that
    // was not read counts as unchanged.
    RowChange compare(IsectRecordset& now, const std::vector<FX::FXString>& columns) const;
    // After a write of this window's own that was not a checked one (a
    // shove of the lesson's dates): the columns `rs` holds of its current
    // row are taken as read, so that they do not count as someone else's.
    void takeOwnChange(IsectRecordset& rs);

private:
    std::vector<std::pair<FX::FXString, FX::FXString>> values;  // upper-case name, value
    FX::FXString rowVersion;
};

namespace rowversions {

// Marks the row of `key` in `rs` (read again just now) for a checked write
// by the current teacher: its ReadVersion is the version read, its
// ChangedBy the teacher.  `rs` must have read the three columns.
void markChecked(IsectRecordset& rs, const FX::FXString& key);
// The same for a literal UPDATE: ", ReadVersion = 7, ChangedBy = 2" for
// the current row of `rs`.
FX::FXString checkedAssignments(IsectRecordset& rs);
// True for the database's refusal of a checked write (ROW_CHANGED).
bool isRowChanged(const FX::FXString& text);
// The name of teacher `id` ("" when there is none).  Throws the
// recordset's failures.
FX::FXString teacherName(const FX::FXString& id);

}  // namespace rowversions

#endif

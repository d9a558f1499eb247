// Failures a teacher meets in everyday use, in plain words: another
// teacher's open change holding a row (the worker waits a few seconds for
// it, then gives up with Firebird's lock texts), a row that vanished
// while it was being read (the recordset's "Recordset is empty."), and the
// database refusing to delete a long-term plan that holds the unit plans of
// more than one teacher (its exception LONG_TERM_PLAN_SHARED).
//
//   catch (const FXException& e) {
//       FXString caption = "Database Error";
//       Prompter::get().error(this, caption, messages::plain(e.what(), caption));
//   }
#ifndef PLENWICK_DATABASEMESSAGES_H
#define PLENWICK_DATABASEMESSAGES_H

#include <fx.h>

namespace messages {

// True for the worker's texts of a row held by another transaction: a lock
// wait that ran out, a deadlock, or an update conflict.
bool isLockConflict(const FX::FXString& text);

// The text to show for a failure: plain words (and a caption of their own)
// for the failures above, the text itself and the caption unchanged for
// every other failure.
FX::FXString plain(const FX::FXString& text, FX::FXString& caption);

}  // namespace messages

#endif

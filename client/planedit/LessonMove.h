// Moving one lesson by whole days and timetable rows, as a drag on the week
// grid does: start and end by the same amount, with the checks the lesson
// editor makes, stored with its undo step in one transaction.
//
//   if (lessonmove::move(calendar, 42, 1, -2)) redraw();   // a day on, two rows earlier
#ifndef PLENWICK_LESSONMOVE_H
#define PLENWICK_LESSONMOVE_H

#include <fx.h>

namespace lessonmove {

// Moves lesson `lessonId` `days` calendar days and `rows` periods of the
// timetable (appState.schoolPeriod).  A routine lesson keeps its dates and
// goes to another weekday; a non-contact entry moves only in time.  The
// lesson editor's checks: a lesson in the past is moved only when the user
// does not abandon it; the teacher's own long-term plan is stretched to
// the new end, a syndicate's plan is only reported.  Failures are told over
// `owner`; true when the move was stored.
bool move(FX::FXWindow* owner, FX::FXint lessonId, FX::FXint days, FX::FXint rows);

// The question of the past-lessons guard.
extern const char* const retrospectiveText;

}  // namespace lessonmove

#endif

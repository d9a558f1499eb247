// The lesson-dialog-opened flag: set when the first lesson dialog ("Print
// Lessons") is created and never cleared.  The search report and the
// long-term summary report print only once it is set.
//
//   if (!lessons::requireLessonDialogOpened(this)) return;   // told the user
#ifndef PLENWICK_LESSONDIALOGOPENED_H
#define PLENWICK_LESSONDIALOGOPENED_H

#include <fx.h>

namespace lessons {

FX::FXbool lessonDialogOpened();
// Set by LessonDialog::create; tests put it back.
void setLessonDialogOpened(FX::FXbool opened);

// True when the flag is set; otherwise shows the information box
// "Printing device context not yet initialised." / "Please open and close
// the Print Lessons screen and try again." (through Prompter) and returns false.
FX::FXbool requireLessonDialogOpened(FX::FXWindow* owner);

}  // namespace lessons

#endif

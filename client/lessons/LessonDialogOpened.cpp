#include "lessons/LessonDialogOpened.h"

#include "ui/Prompter.h"

using namespace FX;

namespace lessons {
namespace {
FXbool opened = FALSE;
}  // namespace

FXbool lessonDialogOpened() { return opened; }

void setLessonDialogOpened(FXbool value) { opened = value; }

FXbool requireLessonDialogOpened(FXWindow* owner) {
    if (opened) return TRUE;
    Prompter::get().information(owner, "Printing device context not yet initialised.",
                                "Please open and close the Print Lessons screen and try again.");
    return FALSE;
}

}  // namespace lessons

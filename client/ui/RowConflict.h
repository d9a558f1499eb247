// What a window does when a row the user edited was changed or deleted by
// someone else since it was shown (data/RowVersions.h finds out): the user
// is told what changed and by whom, and chooses.
//
//   switch (rowconflict::ask(this, "lesson plan", "Halves", change, {{"LessonES", "Essential Skills"}})) {
//       case rowconflict::RELOAD:    show the stored row; rowconflict::keep(...) what was typed
//       case rowconflict::OVERWRITE: write what was typed over the other change
//       case rowconflict::CANCEL:    nothing
//   }
//
// keep() opens a small window holding the typed texts for copying, so
// that Reload loses nothing either.
#ifndef PLENWICK_ROWCONFLICT_H
#define PLENWICK_ROWCONFLICT_H

#include <fx.h>

#include <functional>
#include <vector>

#include "data/RowVersions.h"

namespace rowconflict {

// A value of the edit: the column it is written to, its name for the user
// ("Essential Skills") and what the user typed or chose.
struct Field {
    FX::FXString column;
    FX::FXString label;
    FX::FXString typed;
};

enum Choice { RELOAD, OVERWRITE, CANCEL };

// The question for a changed row (not a deleted one): "Reload",
// "Overwrite", "Cancel", under the caption "<What> Changed".
Choice ask(FX::FXWindow* owner, const FX::FXString& what, const FX::FXString& name, const RowChange& change,
           const std::vector<Field>& fields);
// The words for a row that was deleted since it was shown.
FX::FXString deletedText(const FX::FXString& what, const FX::FXString& name);

// The fields the user changed (typed text other than `shown` had) whose
// text differs from the stored row `stored` holds (its current row), as
// "Label:\n<text>" paragraphs; "" when there are none.
FX::FXString typedText(const ReadRow& shown, IsectRecordset& stored, const std::vector<Field>& fields);
// Opens the window of typed text kept for copying (a modeless window of
// its own, closed by the user); none for an empty text.  Returns it.
FX::FXDialogBox* keep(FX::FXWindow* owner, const FX::FXString& what, const FX::FXString& text);

// The title of the kept-text window.
extern const char* const keptTitle;

// An edit of a row the user was shown, stored only while the row is still
// as shown:
//
//   rowconflict::Edit edit{"lesson plan", shownName, fields};
//   edit.reread = [&] { ...the row into rs again... };
//   edit.reload = [&] { ...the stored row shown... };
//   edit.write = [&] { ...the write, marked checked (RowVersions.h)... };
//   if (rowconflict::checkedEdit(this, rs, shownRow, edit)) ...written...
//
// When the row changed since it was shown in one of the fields edited, the
// user is asked (ask()): Reload shows the stored row and keeps the typed
// texts in a window for copying, Overwrite writes, Cancel does nothing.  A
// row that was deleted ends the edit with FXException saying so.  A change
// that comes between the reading and the writing is refused by the
// database and asked about in the same way.  A lambda that finds the
// connection lost throws Lost: the edit ends, unwritten (the recordset
// layer has counted the loss for the window's failure telling).
struct Edit {
    Edit(const FX::FXString& what, const FX::FXString& name, const std::vector<Field>& fields)
        : what(what), name(name), fields(fields) {}
    FX::FXString what;  // "lesson plan"
    FX::FXString name;  // the row's name as shown
    std::vector<Field> fields;
    std::function<void()> reread;
    std::function<void()> reload;
    std::function<void()> write;
};
struct Lost {};
// True when written.  Throws the failures of its statements, and the
// deleted row's words.
bool checkedEdit(FX::FXWindow* owner, IsectRecordset& rs, const ReadRow& shown, const Edit& edit);

}  // namespace rowconflict

#endif

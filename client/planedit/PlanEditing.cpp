#include "planedit/PlanEditing.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/InputChecks.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/Prompter.h"

using namespace FX;

namespace planedit {

bool failureScope(FXWindow* owner, const FXString& caption, const std::function<void()>& body) {
    // A lost middleware ends the operation as PlanEditAbort: its warning is
    // the shared failure telling's, once per command.
    bool aborted = false;
    const bool finished = failures::run(owner->getShell(), caption, [&] {
        try {
            body();
        } catch (const PlanEditAbort&) {
            aborted = true;
        }
    });
    if (!finished || aborted) busy(owner, false);
    return finished && !aborted;
}

void busy(FXWindow* owner, bool on) {
    FXCursor* cursor = on ? busyCursor : normalCursor;
    if (cursor) owner->getShell()->setDefaultCursor(cursor);
}

bool blank(const FXString& s) { return trimmed(s).empty(); }

FXString trimmed(const FXString& s) {
    FXString t = s;
    return t.trim();
}

bool isLeader() { return FXIntVal(appState.currentUserId) == FXIntVal(appState.currentSyndicate); }

FXString shownValue(IsectRecordset& rs, const FXString& name) {
    const FXString value = rs.GetField(name);
    return value == "None" && rs.FieldOrdinal(name).type == "d" ? FXString::null : value;
}

FXString checkedDate(const FXString& field, const FXTextField* control, bool optional) {
    if (optional && blank(control->getText())) return FXString::null;
    return checks::date(field, control->getText());
}

FXString dateLiteral(const FXString& iso) { return iso.empty() ? FXString("NULL") : "'" + iso + "'"; }

void rereadRow(IsectRecordset& rs, const FXString& table, const FXString& key, const FXString& what) {
    rs.fromTable = table;
    rs.whereClause = FXString::null;
    query(rs, "Select * from " + table + " where Id = " + key);
    if (rs.rows.IsEmpty()) throw FXTextException(vanishedText(what));
}

FXString vanishedText(const FXString& what) {
    return "This " + what +
           " is no longer in the database: someone may have just deleted it.\n\n"
           "Choose again from the lists; everything you typed is still here.";
}

FXString noTermText() {
    return "No school term has begun by " + dates::shownDate(dates::shownNow()) +
           ".\n\nAdd the school terms in School Setup (Options menu of the calendar); until then only the "
           "plans marked \"Ignore Start and End Dates\" are listed.";
}

}  // namespace planedit

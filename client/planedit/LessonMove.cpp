#include "planedit/LessonMove.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/RowVersions.h"
#include "data/UndoJournal.h"
#include "planedit/PlanEditing.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

namespace lessonmove {

const char* const retrospectiveText =
    "It's NOT a good idea to edit or delete lesson plans that end in the past, unless you are just\n"
    "doing minor tweaks to them, because if you change their dates to reuse them, your historical record\n"
    "is destroyed. A better idea is to export and import entire Unit Plans for reuse since lessons\n"
    "that have just been imported can be edited or deleted regardless of their start and end dates.\n\n"
    "Do you want to abandon this edit or delete?";

namespace {

// A stored time (HH:MM...) moved by `seconds`, kept within the day; no
// time stays none.
FXString movedTime(const FXString& stored, FXlong seconds) {
    if (stored.empty() || stored == "None") return FXString();
    FXlong minutes = FXIntVal(stored.left(2)) * 60 + FXIntVal(stored.mid(3, 2)) + seconds / 60;
    minutes = FXCLAMP(0, minutes, 23 * 60 + 59);
    return FXStringFormat("%02d:%02d", (FXint)(minutes / 60), (FXint)(minutes % 60));
}

FXString timeLiteral(const FXString& time) { return time.empty() ? FXString("NULL") : "'" + time + "'"; }

}  // namespace

bool move(FXWindow* owner, FXint lessonId, FXint days, FXint rows) {
    if (days == 0 && rows == 0) return false;
    bool stored = false;
    failureScope(owner, "Database Error", [&] {
        IsectRecordset rs;
        query(rs,
              "Select LessonPlan.Id, LessonName, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay, "
              "LessonPlan.RowVersion, UnitPlan.UnitType, UnitPlan.Transfer, UnitPlan.FKLongTerm, LongTerm.PlanEnd, "
              "LongTerm.FKSyndicate from LessonPlan, UnitPlan, LongTerm where LessonPlan.FKUnitPlan = UnitPlan.Id "
              "and UnitPlan.FKLongTerm = LongTerm.Id and LessonPlan.Id = " +
                  text(lessonId));
        if (rs.rows.IsEmpty()) throw FXTextException(vanishedText("Lesson plan"));
        rs.MoveFirst();
        const FXString name = rs.GetField("LessonName");
        const FXString start = rawField(rs, "DateStart").left(10), end = rawField(rs, "DateEnd").left(10);
        const FXint unitType = FXIntVal(rs.GetField("UnitType"));
        const bool imported = FXIntVal(rs.GetField("Transfer")) < 0;
        const FXString plan = trimmed(rs.GetField("FKLongTerm"));
        const FXString planEnd = rawField(rs, "PlanEnd").left(10);
        const bool ownPlan = trimmed(rs.GetField("FKSyndicate")) == trimmed(appState.currentUserId);

        // The guard of lessons in the past, as the editor asks it.
        const FXlong weekAgo = dates::now() - dates::oneWeek;
        if (!imported && start != "None" && end != "None" &&
            (dates::localMoment(start, 0, 0) < weekAgo || dates::localMoment(end, 23, 59) < weekAgo) &&
            Prompter::get().question(owner, "Retrospective Planning Not Allowed", retrospectiveText))
            return;

        const FXlong seconds = (FXlong)rows * appState.schoolPeriod;
        FXString set = "TimeStart = " + timeLiteral(movedTime(rawField(rs, "TimeStart"), seconds)) +
                       ", TimeEnd = " + timeLiteral(movedTime(rawField(rs, "TimeEnd"), seconds));
        FXString newEnd;
        if (unitType == 1 && days != 0 && start != "None" && end != "None") {
            newEnd = dates::addDays(end, days);
            set += ", DateStart = '" + dates::addDays(start, days) + "', DateEnd = '" + newEnd + "'";
        } else if (unitType == 2 && days != 0) {
            set += ", RoutineDay = " + text(FXCLAMP(1, FXIntVal(rs.GetField("RoutineDay")) + days, 5));
        }
        const bool pastPlan = !newEnd.empty() && planEnd != "None" && DateIsLater(newEnd, planEnd);

        IsectRecordset::Transaction transaction(rs);
        undo::Step step("Move of lesson " + name);
        step.before("LessonPlan", "Id = " + text(lessonId));
        step.before("LongTerm", "Id = " + plan);
        query(rs,
              "Update LessonPlan Set " + set + rowversions::checkedAssignments(rs) + " Where Id = " + text(lessonId));
        if (pastPlan && ownPlan) query(rs, "Update LongTerm Set PlanEnd = '" + newEnd + "' Where Id = " + plan);
        step.finish();
        transaction.commit();
        stored = true;
        if (pastPlan && !ownPlan)
            Prompter::get().information(owner, "Syndicate Wide Plan Exceeded",
                                        "Your unit plan has overrun your syndicate wide Long Term Plan.");
    });
    return stored;
}

}  // namespace lessonmove

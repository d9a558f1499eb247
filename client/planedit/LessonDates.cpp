// LessonPane: the date and time buttons of the objective tab.  +Day, +Week,
// Up, Down and Bump change only the shown fields of the panel of the unit's
// type (nothing is stored until Edit or Add); Shove stores the moved lessons
// after asking, and stretches the teacher's own long-term plan to the
// unit's last lesson.
#include "data/AppState.h"
#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/InputChecks.h"
#include "data/TeachingDays.h"
#include "data/UndoJournal.h"
#include "planedit/LessonPane.h"
#include "planedit/PlanEditing.h"
#include "planedit/RescheduleDialog.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

namespace {

// A time (checked, or as stored): hours are its first two characters,
// minutes its last two; no time is midnight.
FXint typedHour(const FXString& time) { return FXIntVal(time.left(2)); }
FXint typedMinute(const FXString& time) { return FXIntVal(time.right(2)); }

// One day on from a stored date at an hour; a Saturday landing goes on to
// Monday, a landing on a non-teaching day on to the next teaching day.
FXlong nextSchoolDay(const FXString& iso, FXint hour, const TeachingDays& schoolDays) {
    FXlong t = dates::addDays(dates::localMoment(iso, hour, 0), 1);
    if (dates::weekday(t) == 6) t = dates::addDays(t, 2);
    return schoolDays.shoveLanding(t);
}

// The start and the end date of a panel, each with its time: the date must
// be there and valid; `shift` gets the checked date and time.
void eachDate(FXTextField* startDate, FXTextField* startTime, FXTextField* endDate, FXTextField* endTime,
              const std::function<void(FXTextField*, const FXString&, const char*, FXTextField*)>& shift) {
    auto one = [&](const char* field, FXTextField* dateField, const char* timeName, FXTextField* timeField,
                   const char* emptyMessage) {
        if (blank(dateField->getText())) throw FXTextException(emptyMessage);
        const FXString iso = checkedDate(field, dateField);
        shift(dateField, iso, timeName, timeField);
    };
    one("Start Date", startDate, "Start Time", startTime, "Cannot have empty start date.");
    one("End Date", endDate, "End Time", endTime, "Cannot have empty end date.");
}

}  // namespace

long LessonPane::onCmdPlusDay(FXObject*, FXSelector, void*) {
    shiftDates(1);
    return 1;
}

long LessonPane::onCmdPlusWeek(FXObject*, FXSelector, void*) {
    shiftDates(7);
    return 1;
}

long LessonPane::onCmdPeriodUp(FXObject*, FXSelector, void*) {
    shiftTimes(-(FXlong)appState.schoolPeriod);
    return 1;
}

long LessonPane::onCmdPeriodDown(FXObject*, FXSelector, void*) {
    shiftTimes((FXlong)appState.schoolPeriod);
    return 1;
}

long LessonPane::onCmdBump(FXObject*, FXSelector, void*) {
    bumpLesson();
    return 1;
}

long LessonPane::onCmdShove(FXObject*, FXSelector, void*) {
    shoveLessons();
    return 1;
}

// +Day and +Week: the shown dates move by calendar days.
void LessonPane::shiftDates(FXint days) {
    failureScope("Empty Dates", [&] {
        TimePanel& p = currentPanel();
        eachDate(p.startDate, p.startTime, p.endDate, p.endTime,
                 [&](FXTextField* dateField, const FXString& iso, const char* timeName, FXTextField* timeField) {
                     const FXString time = checks::timeOfDay(timeName, timeField->getText());
                     const FXlong moment = dates::localMoment(iso, typedHour(time), typedMinute(time));
                     dateField->setText(dates::shownDate(dates::addDays(moment, days)));
                 });
    });
}

// Up and Down: the shown times move by a period, read on today's date (the
// clock's); the dates must be there and valid all the same.
void LessonPane::shiftTimes(FXlong seconds) {
    failureScope("Empty Dates", [&] {
        TimePanel& p = currentPanel();
        eachDate(p.startDate, p.startTime, p.endDate, p.endTime,
                 [&](FXTextField*, const FXString&, const char* timeName, FXTextField* timeField) {
                     const FXString time = checks::timeOfDay(timeName, timeField->getText());
                     if (time.empty())
                         throw FXTextException(FXString(timeName) + " is empty: type a time for Up and Down to move.");
                     const FXlong moment =
                         dates::localMoment(dates::isoDate(dates::now()), typedHour(time), typedMinute(time)) + seconds;
                     timeField->setText(dates::localText(moment, "%H:%M"));
                 });
    });
}

// The lesson Bump and Shove act on: the one chosen in the lesson list of the
// unit shown (the shown lesson is forgotten when the unit or the plan
// changes).
FXint LessonPane::chosenLesson(const FXString& caption, const FXString& action) {
    const FXint lessonId = lists().shownLesson();
    const FXint index = lists::findItem(lists().days(), lessonId);
    if (lessonId <= 0 || index < 0 || !lists().days()->isItemSelected(index)) {
        Prompter::get().error(owner(), caption,
                              "Choose a lesson of the unit shown in the Lesson Plan list first: " + action + ".");
        return -1;
    }
    return index;
}

// The next lesson of the unit (by start) lends its dates and times.
void LessonPane::bumpLesson() {
    if (chosenLesson("Bump Lesson", "Bump gives it the time slot of the unit's next lesson") < 0) return;
    const FXint lessonId = lists().shownLesson();
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs,
              "Select Id, DateStart, DateEnd, TimeStart,TimeEnd from LessonPlan Where FKUnitPlan = "
              "(Select FKUnitPlan from LessonPlan Where LessonPlan.Id = " +
                  text(lessonId) + ") Order By DateStart, TimeStart");
        if (rs.rows.IsEmpty()) throw FXTextException(vanishedText("Lesson plan"));
        bool next = false;
        for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
            if (next) {
                TimePanel& panel = currentPanel();
                panel.startDate->setText(shownValue(rs, "DateStart"));
                panel.endDate->setText(shownValue(rs, "DateEnd"));
                panel.startTime->setText(shownValue(rs, "TimeStart"));
                panel.endTime->setText(shownValue(rs, "TimeEnd"));
                return;
            }
            if (FXIntVal(rs.GetField("Id")) == lessonId) next = true;
        }
    });
}

// Moves the chosen lesson's end and every later lesson of the unit on by
// shoveDays school days, passing by the non-teaching days.
void LessonPane::shoveLessons() {
    const FXint lessonIndex =
        chosenLesson("Shove Lessons", "Shove moves that lesson and the unit's later lessons forward");
    if (lessonIndex < 0) return;
    const FXString lessonShown = lists().lessons()->getItemText(lessonIndex);
    const FXList* units = lists().units();
    const FXString unitShown =
        units->getCurrentItem() >= 0 ? units->getItemText(units->getCurrentItem()) : FXString::null;
    failureScope("Database Error", [&] {
        const FXint days = FXCLAMP(1, shoveDays, 30);
        IsectRecordset rs;
        query(rs, "Select FKUnitPlan from LessonPlan Where LessonPlan.Id = " + text(lists().shownLesson()));
        if (rs.rows.IsEmpty()) throw FXTextException(vanishedText("Lesson plan"));
        const FXString unit = trimmed(rs.GetField("FKUnitPlan"));

        IsectRecordset lessons;
        lessons.fromTable = "LessonPlan";
        // The non-teaching days from the unit's first lesson on.
        TeachingDays schoolDays;
        query(rs, "Select Min(DateStart) from LessonPlan Where FKUnitPlan = " + unit);
        if (!schoolDays.load(rs, rs.rows.IsEmpty() ? FXString() : FXString(rs.rows.GetField(0)).left(10)))
            throw PlanEditAbort();
        query(lessons, "Select Id, DateStart, DateEnd, TimeStart, TimeEnd from LessonPlan Where FKUnitPlan = " + unit +
                           " Order By DateStart, TimeStart");
        const FXlong shownEnd = shove(lessons, days, schoolDays);
        if (!Prompter::get().question(owner(), "Confirm shove lessons",
                                      "Do you want to shove the lesson \"" + lessonShown +
                                          "\" and \nall subsequent "
                                          "lessons in the unit \"" +
                                          unitShown + "\" forward by " + text(days) + (days == 1 ? " day?" : " days?")))
            return;
        busy(true);
        // The moved lessons and the stretched plan are stored, with their
        // undo step, in one transaction.
        IsectRecordset::Transaction transaction(rs);
        FXint moved = 0;
        bool reached = false;
        for (lessons.MoveFirst(); !lessons.eof(); lessons.MoveNext())
            moved += (reached |= FXIntVal(lessons.rows.GetField(0)) == lists().shownLesson());
        undo::Step step(FXStringFormat("Shove of %d lesson%s", moved, moved == 1 ? "" : "s"));
        step.before("LessonPlan", "FKUnitPlan = " + unit);
        step.before("LongTerm", "Id = (Select FKLongTerm from UnitPlan where Id = " + unit + ")");
        if (!lessons.WriteRecordset()) throw PlanEditAbort();
        stretchPlan(unit);
        step.finish();
        transaction.commit();
        // The shown lesson's new dates are this window's own change.
        for (lessons.MoveFirst(); !lessons.eof(); lessons.MoveNext())
            if (FXIntVal(lessons.rows.GetField(0)) == lists().shownLesson()) shownRow.takeOwnChange(lessons);
        busy(false);
        // Shown once stored: a No leaves the fields as they were.
        if (shownEnd) {
            currentPanel().endDate->setText(dates::shownDate(shownEnd));
            keptTimes[1] = currentPanel().endDate->getText();
        }
        tell(SEL_CHANGED, &lessons);
    });
}

// Reschedule from the chosen lesson's start: its unit chosen, the window's
// preview first; the lessons moved are shown as stored.
long LessonPane::onCmdReschedule(FXObject*, FXSelector, void*) {
    if (chosenLesson("Reschedule", "Reschedule moves it and the later lessons by teaching days") < 0) return 1;
    const FXint lessonId = lists().shownLesson();
    FXString start, time, unit;
    if (!failureScope("Database Error", [&] {
            IsectRecordset rs;
            query(rs, "Select DateStart, TimeStart, FKUnitPlan from LessonPlan Where Id = " + text(lessonId));
            if (rs.rows.IsEmpty()) throw FXTextException(vanishedText("Lesson plan"));
            rs.MoveFirst();
            start = rawField(rs, "DateStart").left(10);
            time = shownValue(rs, "TimeStart");
            unit = trimmed(rs.GetField("FKUnitPlan"));
        }))
        return 1;
    RescheduleDialog dialog(owner(), start, time, FXIntVal(unit));
    dialog.create();
    if (!dialog.execute(PLACEMENT_OWNER)) return 1;
    failureScope("Database Error", [&] {
        IsectRecordset lessons;
        query(lessons, "Select Id, DateStart from LessonPlan Where FKUnitPlan = " + unit);
        tell(SEL_CHANGED, &lessons);
        show(lessonId);
    });
    return 1;
}

// Each of the `days` passes walks all rows from the first, using the values
// the previous pass set: the rows before the shown lesson stay, its end
// moves, every later lesson's start and end move.
FXlong LessonPane::shove(IsectRecordset& lessons, FXint days, const TeachingDays& schoolDays) {
    const FXint lessonId = lists().shownLesson();
    FXlong shownEnd = 0;
    for (FXint pass = 0; pass < days; ++pass) {
        bool reached = false;
        for (lessons.MoveFirst(); !lessons.eof(); lessons.MoveNext()) {
            const FXString key = lessons.rows.GetField(0);
            const FXString dateStart = rawField(lessons, "DateStart").left(10);
            const FXString dateEnd = rawField(lessons, "DateEnd").left(10);
            const FXint startHour = typedHour(rawField(lessons, "TimeStart"));
            const FXint endHour = typedHour(rawField(lessons, "TimeEnd"));
            if (!reached) {
                if (FXIntVal(key) != lessonId) continue;
                reached = true;
                shownEnd = nextSchoolDay(dateEnd, endHour, schoolDays);
                lessons.SetFieldByKey(key, "DateEnd", dates::isoDate(shownEnd));
                continue;
            }
            lessons.SetFieldByKey(key, "DateStart", dates::isoDate(nextSchoolDay(dateStart, startHour, schoolDays)));
            lessons.SetFieldByKey(key, "DateEnd", dates::isoDate(nextSchoolDay(dateEnd, endHour, schoolDays)));
        }
    }
    return shownEnd;
}

// The long-term plan must reach the unit's last lesson: the teacher's own
// plan is stretched, a syndicate-wide one only reported.
void LessonPane::stretchPlan(const FXString& unit) {
    IsectRecordset rs;
    query(rs, "Select First 1 DateEnd from LessonPlan where FKUnitPlan = " + unit + " Order By DateEnd Desc");
    const FXString lastEnd = rawField(rs, "DateEnd").left(10);
    IsectRecordset plan;
    plan.fromTable = "LongTerm";
    query(plan,
          "Select LongTerm.Id, PlanEnd, FKSyndicate from LongTerm, UnitPlan where LongTerm.Id = "
          "UnitPlan.FKLongTerm and UnitPlan.Id = " +
              unit);
    if (plan.rows.IsEmpty()) return;
    plan.MoveFirst();
    const FXString planEnd = rawField(plan, "PlanEnd").left(10);
    // A plan without an end date (listed in every term) has nothing to stretch.
    if (planEnd == "None" || !DateIsLater(lastEnd, planEnd)) return;
    if (FXIntVal(plan.GetField("FKSyndicate")) == FXIntVal(appState.currentUserId)) {
        plan.SetFieldByKey(plan.rows.GetField(0), "PlanEnd", lastEnd);
        if (!plan.WriteRecordset()) throw PlanEditAbort();
    } else {
        Prompter::get().information(owner(), "Syndicate Wide Plan Exceeded",
                                    "Your unit plan has overrun your syndicate wide Long Term Plan.");
    }
}

// UnitPlanDialog: lesson plans (tabs "&Lesson Objective", "Le&sson Detail",
// "Lesson E&valuation"): showing, adding, editing and deleting lessons, the
// retrospective-planning rule, and the date and time buttons.
#include "data/AppState.h"
#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/InputChecks.h"
#include "ui/Prompter.h"
#include "planedit/PlanEditText.h"
#include "planedit/UnitPlanDialog.h"
#include "ui/ListItems.h"

using namespace FX;
using planedit::blank;
using planedit::trimmed;
using planedit::text;

namespace {

// A time (checked, or as stored): hours are its first two characters,
// minutes its last two; no time is midnight.
FXint typedHour(const FXString& time) { return FXIntVal(time.left(2)); }
FXint typedMinute(const FXString& time) { return FXIntVal(time.right(2)); }

// One day on from a stored date at an hour; a Saturday landing goes on to Monday.
FXlong nextSchoolDay(const FXString& iso, FXint hour) {
    FXlong t = dates::addDays(dates::localMoment(iso, hour, 0), 1);
    if (dates::weekday(t) == 6) t = dates::addDays(t, 2);
    return t;
}

const char* const lessonColumns =
    "Select Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev,     LessonClose, LessonTest, "
    "LessonResource, LessonReflect, LessonEval, LessonAssess, LessonNotTaught,     DateStart, DateEnd, TimeStart, "
    "TimeEnd, RoutineDay, FKUnitPlan from LessonPlan where Id = ";

}  // namespace

void UnitPlanDialog::readLesson(FXint lessonId) {
    recordset.fromTable = "LessonPlan";
    recordset.whereClause = FXString::null;
    query(recordset, lessonColumns + text(lessonId));
}

void UnitPlanDialog::onLessonSelected(FXint index) {
    if (index < 0 || index >= dayList->getNumItems()) return;
    failureScope("Database Error", [&] {
        const FXint lessonId = lists::itemId(dayList, index);
        currentLessonId = lessonId;
        lists::selectItem(dayList, index);
        lists::selectItem(lessonList, index);
        readLesson(lessonId);
        if (!recordset.rows.IsEmpty()) {
            recordset.MoveFirst();
            lessonName->setText(recordset.GetField("LessonName"));
            essentialSkills->setText(recordset.GetField("LessonES"));
            achievementObjectives->setText(recordset.GetField("LessonAO"));
            learningOutcomes->setText(recordset.GetField("LessonSLO"));
            lessonIntro->setText(recordset.GetField("LessonIntro"));
            lessonDevelopment->setText(recordset.GetField("LessonDev"));
            lessonClosure->setText(recordset.GetField("LessonClose"));
            lessonTest->setText(recordset.GetField("LessonTest"));
            lessonResources->setText(recordset.GetField("LessonResource"));
            lessonReflection->setText(recordset.GetField("LessonReflect"));
            evaluation = FXIntVal(recordset.GetField("LessonEval"));
            assessment = FXIntVal(recordset.GetField("LessonAssess"));
            notTaught = FXIntVal(recordset.GetField("LessonNotTaught"));
            TimePanel& panel = currentPanel();
            panel.startDate->setText(shownValue(recordset, "DateStart"));
            panel.endDate->setText(shownValue(recordset, "DateEnd"));
            panel.startTime->setText(shownValue(recordset, "TimeStart"));
            panel.endTime->setText(shownValue(recordset, "TimeEnd"));
            FXint day = FXIntVal(recordset.GetField("RoutineDay"));
            if (storedUnitType != 2)
                routineDayCombo->setCurrentItem(0);
            else
                routineDayCombo->setCurrentItem(day >= 1 && day <= 5 ? day - 1 : -1);

            // The calendar shows the day after the lesson's start.
            FXString start = rawField(recordset, "DateStart");
            if (start.length() >= 10 && start != "None") {
                appState.dateOffset = dates::offsetShowing(start.left(10));
                tellDateShown();
            }
        }
        showTab(TAB_OBJECTIVE);
    });
}

// Every typed value of the lesson tabs, checked before anything is sent:
// the name, the lengths of the texts, the dates (start not after end) and
// the times.  `texts` false leaves out the texts that a new record empties.
UnitPlanDialog::CheckedLesson UnitPlanDialog::checkLessonFields(bool texts) {
    if (blank(lessonName->getText())) throw FXTextException("Cannot have empty Lesson plan name.");
    checks::fits("Name", lessonName->getText(), checks::nameWidth);
    if (texts) {
        const std::pair<const char*, FXText*> areas[] = {
            {"Essential Skills", essentialSkills}, {"Achievement Objectives", achievementObjectives},
            {"Specific Learning Outcomes", learningOutcomes}, {"Introduction", lessonIntro},
            {"Development", lessonDevelopment}, {"Closure", lessonClosure}, {"Assessment", lessonTest},
            {"Resources", lessonResources}, {"Reflection", lessonReflection}};
        for (const auto& area : areas) checks::fits(area.first, area.second->getText(), checks::textWidth);
    }
    TimePanel& panel = currentPanel();
    CheckedLesson checked;
    checked.start = checkedDate("Start Date", panel.startDate);
    checked.end = checkedDate("End Date", panel.endDate);
    if (DateIsLater(checked.start, checked.end)) throw FXTextException("Cannot have start date after end date.");
    checked.startTime = checks::timeOfDay("Start Time", panel.startTime->getText());
    checked.endTime = checks::timeOfDay("End Time", panel.endTime->getText());
    return checked;
}

bool UnitPlanDialog::checkRetrospective(bool forEdit, const CheckedLesson* shown) {
    // The lesson row is the one readLesson put into the shared recordset.
    recordset.MoveFirst();
    IsectRecordset unit;
    query(unit, "Select Transfer from UnitPlan where Id = " + trimmed(recordset.GetField("FKUnitPlan")));
    if (!unit.rows.IsEmpty() && FXIntVal(unit.GetField("Transfer")) < 0) return true;  // imported: anything goes

    const FXString storedStart = rawField(recordset, "DateStart").left(10);
    const FXString storedEnd = rawField(recordset, "DateEnd").left(10);
    const FXlong storedStartMoment = dates::localMoment(storedStart, 0, 0);
    const FXlong storedEndMoment = dates::localMoment(storedEnd, 23, 59);
    const FXlong weekAgo = dates::now() - dates::oneWeek;

    // Minor tweaks of a lesson that ended within the last week.
    if (forEdit && shown && dates::localMoment(shown->end, 23, 59) > weekAgo) {
        if (shown->startTime == shownValue(recordset, "TimeStart") &&
            shown->endTime == shownValue(recordset, "TimeEnd") && shown->start == storedStart)
            return true;
    }
    if (storedStartMoment >= weekAgo && storedEndMoment >= weekAgo) return true;
    return !Prompter::get().question(
        this, "Retrospective Planning Not Allowed",
        "It's NOT a good idea to edit or delete lesson plans that end in the past, unless you are just\n"
        "doing minor tweaks to them, because if you change their dates to reuse them, your historical record\n"
        "is destroyed. A better idea is to export and import entire Unit Plans for reuse since lessons\n"
        "that have just been imported can be edited or deleted regardless of their start and end dates.\n\n"
        "Do you want to abandon this edit or delete?");
}

void UnitPlanDialog::editLessonQuery() {
    if (dayList->getNumItems() == 0) return;
    const FXint index = dayList->getCurrentItem();
    if (index < 0) return;
    const FXint lessonId = lists::itemId(dayList, index);
    bool written = false;
    failureScope("Database Error", [&] {
        const CheckedLesson checked = checkLessonFields(true);
        readLesson(lessonId);
        if (recordset.rows.IsEmpty()) throw FXTextException(vanishedText("Lesson plan"));
        if (!checkRetrospective(true, &checked)) return;
        busy(true);
        const FXString key = text(lessonId);
        recordset.SetFieldByKey(key, "LessonName", lessonName->getText());
        recordset.SetFieldByKey(key, "LessonES", essentialSkills->getText());
        recordset.SetFieldByKey(key, "LessonAO", achievementObjectives->getText());
        recordset.SetFieldByKey(key, "LessonSLO", learningOutcomes->getText());
        recordset.SetFieldByKey(key, "LessonIntro", lessonIntro->getText());
        recordset.SetFieldByKey(key, "LessonDev", lessonDevelopment->getText());
        recordset.SetFieldByKey(key, "LessonClose", lessonClosure->getText());
        recordset.SetFieldByKey(key, "LessonTest", lessonTest->getText());
        recordset.SetFieldByKey(key, "LessonResource", lessonResources->getText());
        recordset.SetFieldByKey(key, "LessonReflect", lessonReflection->getText());
        recordset.SetFieldByKey(key, "LessonEval", text(evaluation));
        recordset.SetFieldByKey(key, "LessonAssess", text(assessment));
        recordset.SetFieldByKey(key, "LessonNotTaught", text(notTaught));
        recordset.SetFieldByKey(key, "DateStart", checked.start);
        recordset.SetFieldByKey(key, "DateEnd", checked.end);
        // An empty time is written as NULL: no time.
        recordset.SetFieldByKey(key, "TimeStart", checked.startTime);
        recordset.SetFieldByKey(key, "TimeEnd", checked.endTime);
        recordset.SetFieldByKey(key, "RoutineDay", text(storedUnitType == 2 ? routineDayCombo->getCurrentItem() + 1 : 0));
        if (!recordset.WriteRecordset()) throw PlanEditAbort();
        busy(false);
        written = true;
    });
    if (!written) return;
    const FXint tab = tabBook->getCurrent();
    onLessonSelected(index);
    tabBook->setCurrent(tab);
}

void UnitPlanDialog::addLessonQuery() {
    const FXint unitIndex = unitList->getCurrentItem();
    if (unitList->getNumItems() == 0 || unitIndex < 0 || lists::itemId(unitList, unitIndex) < 0) {
        Prompter::get().error(this, "Add Lesson Plan Error", "No Unit Plan available to add lesson to.");
        return;
    }
    // The name, dates and times are checked before the question, so that a
    // refused value leaves every text as it was.
    CheckedLesson checked;
    if (!failureScope("Database Error", [&] { checked = checkLessonFields(false); })) return;
    if (Prompter::get().question(this, "New record or Copy existing?", "Is this a new record?")) {
        FXText* texts[] = {essentialSkills, achievementObjectives, learningOutcomes, lessonIntro, lessonDevelopment,
                           lessonClosure, lessonResources, lessonReflection, lessonTest};
        for (FXText* t : texts) t->setText(FXString::null);
    }
    FXint newId = 0;
    bool added = failureScope("Database Error", [&] {
        checkLessonFields(true);  // the texts a copy keeps
        busy(true);
        IsectRecordset rs;
        query(rs, "Select * from MakeLessonPlan('" + EscapeText(lessonName->getText()) + "','" +
                      EscapeText(essentialSkills->getText()) + "','" + EscapeText(achievementObjectives->getText()) +
                      "','" + EscapeText(learningOutcomes->getText()) + "','" + EscapeText(lessonIntro->getText()) +
                      "','" + EscapeText(lessonDevelopment->getText()) + "','" +
                      EscapeText(lessonClosure->getText()) + "','" + EscapeText(lessonResources->getText()) + "','" +
                      EscapeText(lessonReflection->getText()) + "','" + EscapeText(lessonTest->getText()) + "','" +
                      checked.start + "','" + checked.end + "'," + text(lists::itemId(unitList, unitIndex)) + "," +
                      checks::timeLiteral(checked.startTime) + "," + checks::timeLiteral(checked.endTime) + "," +
                      text(storedUnitType == 2 ? routineDayCombo->getCurrentItem() + 1 : 0) + ")");
        newId = FXIntVal(rs.GetField("0"));
        busy(false);
    });
    if (!added) return;
    onUnitSelected(unitIndex);
    onLessonSelected(lists::findItem(dayList, newId));
}

void UnitPlanDialog::deleteLessonQuery() {
    const FXint index = dayList->getCurrentItem();
    if (index < 0 || !dayList->isItemSelected(index)) return;
    const FXint lessonId = lists::itemId(dayList, index);
    bool deleted = false;
    failureScope("Database Error", [&] {
        readLesson(lessonId);
        if (recordset.rows.IsEmpty()) throw FXTextException(vanishedText("Lesson plan"));
        if (!checkRetrospective(false, nullptr)) return;
        if (!Prompter::get().question(this, "Confirm delete lesson", "Do you want to delete this lesson?")) return;
        IsectRecordset rs;
        query(rs, "Delete from LessonPlan where ID = " + text(lessonId));
        deleted = true;
    });
    if (!deleted) return;
    dayList->clearItems();
    lessonList->clearItems();
    onUnitSelected(unitList->getCurrentItem());
}

// +Day and +Week: the shown dates of the current panel move by calendar
// days; nothing is stored until Edit or Add.
void UnitPlanDialog::shiftDates(FXint days) {
    failureScope("Empty Dates", [&] {
        TimePanel& panel = currentPanel();
        auto shift = [&](const char* field, FXTextField* dateField, const char* timeName, FXTextField* timeField,
                         const char* emptyMessage) {
            if (blank(dateField->getText())) throw FXTextException(emptyMessage);
            const FXString iso = checkedDate(field, dateField);
            const FXString time = checks::timeOfDay(timeName, timeField->getText());
            const FXlong moment = dates::localMoment(iso, typedHour(time), typedMinute(time));
            dateField->setText(dates::shownDate(dates::addDays(moment, days)));
        };
        shift("Start Date", panel.startDate, "Start Time", panel.startTime, "Cannot have empty start date.");
        shift("End Date", panel.endDate, "End Time", panel.endTime, "Cannot have empty end date.");
    });
}

// Up and Down: the shown times move by a period, read on today's date (the
// clock's); the dates must be there and valid all the same.
void UnitPlanDialog::shiftTimes(FXlong seconds) {
    failureScope("Empty Dates", [&] {
        TimePanel& panel = currentPanel();
        auto shift = [&](const char* field, FXTextField* dateField, const char* timeName, FXTextField* timeField,
                         const char* emptyMessage) {
            if (blank(dateField->getText())) throw FXTextException(emptyMessage);
            checkedDate(field, dateField);
            const FXString time = checks::timeOfDay(timeName, timeField->getText());
            if (time.empty())
                throw FXTextException(FXString(timeName) + " is empty: type a time for Up and Down to move.");
            const FXlong moment =
                dates::localMoment(dates::isoDate(dates::now()), typedHour(time), typedMinute(time)) + seconds;
            timeField->setText(dates::localText(moment, "%H:%M"));
        };
        shift("Start Date", panel.startDate, "Start Time", panel.startTime, "Cannot have empty start date.");
        shift("End Date", panel.endDate, "End Time", panel.endTime, "Cannot have empty end date.");
    });
}

// The lesson Bump and Shove act on: the one chosen in the lesson list of the
// unit shown (the current lesson is forgotten when the unit or the plan
// changes).  -1 after telling the user to choose one.
FXint UnitPlanDialog::chosenLesson(const FXString& caption, const FXString& action) {
    const FXint index = lists::findItem(dayList, currentLessonId);
    if (currentLessonId <= 0 || index < 0 || !dayList->isItemSelected(index)) {
        Prompter::get().error(this, caption,
                              "Choose a lesson of the unit shown in the Lesson Plan list first: " + action + ".");
        return -1;
    }
    return index;
}

// The next lesson of the unit (by start) lends its dates and times.
void UnitPlanDialog::bumpLesson() {
    if (chosenLesson("Bump Lesson", "Bump gives it the time slot of the unit's next lesson") < 0) return;
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Select Id, DateStart, DateEnd, TimeStart,TimeEnd from LessonPlan Where FKUnitPlan = "
                  "(Select FKUnitPlan from LessonPlan Where LessonPlan.Id = " + text(currentLessonId) +
                      ") Order By DateStart, TimeStart");
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
            if (FXIntVal(rs.GetField("Id")) == currentLessonId) next = true;
        }
    });
}

// Moves the chosen lesson's end and every later lesson of the unit on by
// shoveDays school days, and stretches the teacher's own long-term plan to
// the unit's last lesson.
void UnitPlanDialog::shoveLessons() {
    const FXint lessonIndex =
        chosenLesson("Shove Lessons", "Shove moves that lesson and the unit's later lessons forward");
    if (lessonIndex < 0) return;
    const FXString lessonShown = lessonList->getItemText(lessonIndex);
    const FXString unitShown = unitList->getCurrentItem() >= 0 ? unitList->getItemText(unitList->getCurrentItem())
                                                               : FXString::null;
    failureScope("Database Error", [&] {
        const FXint days = FXCLAMP(1, shoveDays, 30);
        IsectRecordset rs;
        query(rs, "Select FKUnitPlan from LessonPlan Where LessonPlan.Id = " + text(currentLessonId));
        if (rs.rows.IsEmpty()) throw FXTextException(vanishedText("Lesson plan"));
        const FXString unit = trimmed(rs.GetField("FKUnitPlan"));

        IsectRecordset lessons;
        lessons.fromTable = "LessonPlan";
        query(lessons, "Select Id, DateStart, DateEnd, TimeStart, TimeEnd from LessonPlan Where FKUnitPlan = " + unit +
                           " Order By DateStart, TimeStart");
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
                    if (FXIntVal(key) != currentLessonId) continue;
                    reached = true;
                    shownEnd = nextSchoolDay(dateEnd, endHour);
                    lessons.SetFieldByKey(key, "DateEnd", dates::isoDate(shownEnd));
                    continue;
                }
                lessons.SetFieldByKey(key, "DateStart", dates::isoDate(nextSchoolDay(dateStart, startHour)));
                lessons.SetFieldByKey(key, "DateEnd", dates::isoDate(nextSchoolDay(dateEnd, endHour)));
            }
        }
        if (!Prompter::get().question(this, "Confirm shove lessons",
                                      "Do you want to shove the lesson \"" + lessonShown + "\" and \nall subsequent "
                                      "lessons in the unit \"" + unitShown + "\" forward by " + text(days) +
                                      (days == 1 ? " day?" : " days?")))
            return;
        busy(true);
        if (!lessons.WriteRecordset()) throw PlanEditAbort();
        busy(false);
        // Shown once stored: a No leaves the fields as they were.
        if (shownEnd) currentPanel().endDate->setText(dates::shownDate(shownEnd));
        refreshShownDates(lessons);

        // The long-term plan must reach the unit's last lesson.
        query(rs, "Select First 1 DateEnd from LessonPlan where FKUnitPlan = " + unit + " Order By DateEnd Desc");
        const FXString lastEnd = rawField(rs, "DateEnd").left(10);
        IsectRecordset plan;
        plan.fromTable = "LongTerm";
        query(plan, "Select LongTerm.Id, PlanEnd, FKSyndicate from LongTerm, UnitPlan where LongTerm.Id = "
                    "UnitPlan.FKLongTerm and UnitPlan.Id = " + unit);
        if (plan.rows.IsEmpty()) return;
        plan.MoveFirst();
        const FXString planEnd = rawField(plan, "PlanEnd").left(10);
        // A plan without an end date (listed in every term) has nothing to stretch.
        if (planEnd == "None" || !DateIsLater(lastEnd, planEnd)) return;
        if (FXIntVal(plan.GetField("FKSyndicate")) == FXIntVal(appState.currentUserId)) {
            plan.SetFieldByKey(plan.rows.GetField(0), "PlanEnd", lastEnd);
            if (!plan.WriteRecordset()) throw PlanEditAbort();
        } else {
            Prompter::get().information(this, "Syndicate Wide Plan Exceeded",
                                        "Your unit plan has overrun your syndicate wide Long Term Plan.");
        }
    });
}

// The day list of a dated unit shows each lesson's start: after a shove the
// entries take their stored starts again, and nothing else is re-read.
void UnitPlanDialog::refreshShownDates(IsectRecordset& lessons) {
    if (storedUnitType != 1) return;
    for (lessons.MoveFirst(); !lessons.eof(); lessons.MoveNext()) {
        const FXint index = lists::findItem(dayList, FXIntVal(lessons.rows.GetField(0)));
        if (index >= 0) dayList->setItemText(index, shownValue(lessons, "DateStart"));
    }
}

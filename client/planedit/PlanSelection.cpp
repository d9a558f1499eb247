// UnitPlanDialog: the plan lists on the left.  selectQuery lists the
// long-term plans of the current term; choosing a plan lists its units (and
// the transfer files waiting), choosing a unit its lessons, choosing a
// lesson shows it; the panes show the chosen row.  The dialog opened with a
// plan or a lesson chooses it (showLongTerm, showLesson).
#include <algorithm>
#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Files.h"
#include "planedit/AttachmentPane.h"
#include "planedit/LessonPane.h"
#include "planedit/LongTermPane.h"
#include "planedit/PlanEditing.h"
#include "planedit/SubjectsPane.h"
#include "planedit/UnitPane.h"
#include "planedit/UnitPlanDialog.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

namespace {

const char* const weekdays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};

// The terms begun by today, of which the current one is the last.
FXString termQuery() {
    return "Select SchoolWeeks,FirstDay,SchoolYear,SchoolTerm from TermDate Where FirstDay <= '" + dates::today() + "'";
}

// The long-term plans' date test for the current term, from `terms` as
// termQuery read them.  Before the first term only the persistent plans
// are listed, and the teacher is told why.
FXString termClause(FXWindow* owner, IsectRecordset& terms) {
    if (terms.rows.IsEmpty()) {
        Prompter::get().error(owner, "No School Term", noTermText());
        return "(Persistant = 1)";
    }
    terms.MoveLast();
    const FXString termStart = rawField(terms, "FirstDay").left(10);
    const FXString termEnd = dates::addDays(termStart, FXIntVal(terms.GetField("SchoolWeeks")) * 7);
    return "((PlanEnd >= '" + termStart + "' and PlanEnd < '" + termEnd + "' or PlanStart <= '" + termEnd +
           "' and PlanEnd >= '" + termEnd + "') or (Persistant = 1))";
}

}  // namespace

void UnitPlanDialog::clearPlanLists() {
    lists.longTermList->clearItems();
    lists.unitList->clearItems();
    lists.dayList->clearItems();
    lists.lessonList->clearItems();
}

// ---------------------------------------------------------------- the term's plans

FXint UnitPlanDialog::selectQuery() {
    if (appState.currentUserId.empty()) {
        Prompter::get().error(this, "UnitPlanDialog", "You must choose a user name to add long term plans.");
        closeDialog();
        return 0;
    }
    FXint result = 0;
    failureScope(this, "Database Error", [&] {
        showTabsOf(isLeader());
        clearPlanLists();
        // The years, the subjects and the term need nothing of each other:
        // read together; the plans need the term.
        IsectRecordset years, subjects, terms;
        IsectRecordset::Reads reads;
        reads.Add(years, LongTermPane::yearsQuery);
        reads.Add(subjects, SubjectsPane::currentQuery());
        reads.Add(terms, termQuery());
        if (!reads.Run()) throw PlanEditAbort();
        longTermPane->listYears(years);
        longTermPane->listSubjects(subjects);
        subjectsPane->list(subjects, 0);
        const FXString inTerm = termClause(this, terms);
        IsectRecordset plans;
        query(plans, "Select Id, PlanName, Persistant from LongTerm Where (FKSyndicate = " + appState.currentSyndicate +
                         " or FKSyndicate = " + appState.currentUserId + ") and " + inTerm + " Order by PlanName");
        // No plans yet (a new teacher, a new term): the lists stay empty,
        // and the long-term tab is there to add the first.
        if (plans.rows.IsEmpty()) return;
        for (plans.MoveFirst(); !plans.eof(); plans.MoveNext()) {
            FXIcon* icon = FXIntVal(plans.GetField("Persistant")) != 0 ? planIcons.persistent : nullptr;
            lists.longTermList->appendItem(plans.GetField("PlanName"), icon,
                                           (void*)(FXival)FXIntVal(plans.GetField("Id")));
        }
        lists::noCurrentItem(lists.longTermList);
        result = 1;
    });
    return result;
}

// The subjects list and the long-term tab's Subject box, both from the
// current subjects.
void UnitPlanDialog::refreshSubjects(FXint id) {
    IsectRecordset subjects;
    SubjectsPane::readCurrent(subjects);
    longTermPane->listSubjects(subjects);
    subjectsPane->list(subjects, id);
}

// ---------------------------------------------------------------- choosing a plan, unit, lesson

void UnitPlanDialog::onLongTermSelected(FXint index) {
    if (index < 0 || index >= lists.longTermList->getNumItems()) {
        Prompter::get().error(this, "LongTermPlanEdit::onLongTermSelected", "Long Term Plan not found in this term.");
        return;
    }
    failureScope(this, "Database Error", [&] {
        lists::selectItem(lists.longTermList, index);
        // Another plan: no lesson is current until one of its units' is chosen.
        lists.lessonId = 0;
        lists.unitList->clearItems();
        lists.dayList->clearItems();
        lists.lessonList->clearItems();
        const FXint planId = lists::itemId(lists.longTermList, index);
        listUnits(text(planId));
        longTermPane->show(planId);
        showTab(TAB_LONGTERM);
    });
}

// The teacher's units of the plan, then the transfer files waiting to be
// imported.
void UnitPlanDialog::listUnits(const FXString& longTermId) {
    IsectRecordset units;
    query(units, "Select * from UnitPlan where FKLongTerm = " + longTermId +
                     " and FKTeacher = " + appState.currentUserId + " Order By UnitName");
    for (units.MoveFirst(); !units.eof(); units.MoveNext()) {
        const FXint transfer = FXIntVal(units.GetField("Transfer"));
        FXIcon* icon = transfer > 0 ? planIcons.exported : transfer < 0 ? planIcons.imported : nullptr;
        lists.unitList->appendItem(units.GetField("UnitName"), icon, (void*)(FXival)FXIntVal(units.GetField("Id")));
    }
    FXString* files = nullptr;
    const FXint count = FXDir::listFiles(files, localPath("..\\Transfer"), "*.dat", FXDir::NoDirs);
    std::vector<FXString> names(files, files + FXMAX(count, 0));
    delete[] files;
    std::sort(names.begin(), names.end(), [](const FXString& a, const FXString& b) { return compare(a, b) < 0; });
    for (const FXString& name : names) lists.unitList->appendItem(name, planIcons.transferFile, (void*)(FXival)-1);
    lists::noCurrentItem(lists.unitList);
}

void UnitPlanDialog::onUnitSelected(FXint index) {
    if (index < 0 || index >= lists.unitList->getNumItems()) return;
    const FXint unitId = lists::itemId(lists.unitList, index);
    failureScope(this, "Database Error", [&] {
        attachmentPane->list(unitId);
        lists::selectItem(lists.unitList, index);
        lists.dayList->clearItems();
        lists.lessonList->clearItems();
        // Another unit: no lesson is current until one of its own is chosen.
        lists.lessonId = 0;
        const FXint type = unitPane->show(unitId);
        if (type) lists.storedUnitType = type;
        listLessons(text(unitId));
        lessonPane->showPanel();
        showTab(TAB_UNIT);
    });
}

// The unit's lessons, newest first: a routine unit's by weekday, a
// non-contact unit's as "Daily", the others' by their start.
void UnitPlanDialog::listLessons(const FXString& unitId) {
    IsectRecordset lessons;
    query(lessons, "Select * from LessonPlan where FKUnitPlan = " + unitId +
                       " Order By DateStart Desc, RoutineDay Asc, TimeStart Desc");
    for (lessons.MoveFirst(); !lessons.eof(); lessons.MoveNext()) {
        void* lessonId = (void*)(FXival)FXIntVal(lessons.GetField("Id"));
        FXString day;
        if (lists.storedUnitType == 2) {
            const FXint routineDay = FXIntVal(lessons.GetField("RoutineDay"));
            day = routineDay >= 1 && routineDay <= 5 ? weekdays[routineDay - 1] : "Invalid day";
        } else if (lists.storedUnitType == 3) {
            day = "Daily";
        } else {
            day = shownValue(lessons, "DateStart");
        }
        lists.dayList->appendItem(day, nullptr, lessonId);
        lists.lessonList->appendItem(lessons.GetField("LessonName"), nullptr, lessonId);
    }
    lists::noCurrentItem(lists.dayList);
    lists::noCurrentItem(lists.lessonList);
}

// Selecting a lesson moves the calendar to the day after the lesson's start.
void UnitPlanDialog::onLessonSelected(FXint index) {
    if (index < 0 || index >= lists.dayList->getNumItems()) return;
    failureScope(this, "Database Error", [&] {
        const FXint lessonId = lists::itemId(lists.dayList, index);
        lists.lessonId = lessonId;
        lists::selectItem(lists.dayList, index);
        lists::selectItem(lists.lessonList, index);
        const FXString start = lessonPane->show(lessonId);
        if (start.length() >= 10 && start != "None") {
            appState.dateOffset = dates::offsetShowing(start.left(10));
            tellDateShown();
        }
        showTab(TAB_OBJECTIVE);
    });
}

// ---------------------------------------------------------------- opened with a plan or a lesson

FXint UnitPlanDialog::showLongTerm(FXint longTermId) {
    if (lists.longTermList->getNumItems() == 0) return 0;
    const FXint index = lists::findItem(lists.longTermList, longTermId);
    if (index < 0) {
        Prompter::get().error(this, "UnitPlanDialog::getUnitIndex",
                              "The Long Term Plan this Lesson Plan belongs to is not available.\n"
                              "This could be because the Lesson Plan belongs to another user or\n"
                              "that the Long Term Plan begins after the start date of the Lesson Plan");
        return 0;
    }
    onLongTermSelected(index);
    return 1;
}

FXint UnitPlanDialog::showLesson(FXint lessonId) {
    FXint unitId = 0, longTermId = 0;
    const bool found = failureScope(this, "Database Error", [&] {
        IsectRecordset rs;
        query(rs,
              "Select FKUnitPlan, FKLongTerm from LessonPlan,UnitPlan Where FKUnitPlan = UnitPlan.Id"
              " and LessonPlan.Id = " +
                  text(lessonId));
        unitId = FXIntVal(rs.GetField("FKUnitPlan"));
        longTermId = FXIntVal(rs.GetField("FKLongTerm"));
    });
    if (!found || !showLongTerm(longTermId)) return 0;
    const FXint unitIndex = lists::findItem(lists.unitList, unitId);
    if (unitIndex < 0) {
        Prompter::get().error(this, "UnitPlanDialog::getLessonIndex",
                              "The Unit Plan this Lesson Plan belongs to is not available\n"
                              "because this Lesson Plan belongs to another user.");
        return 0;
    }
    onUnitSelected(unitIndex);
    if (lists.lessonList->getNumItems() > 0) {
        lists.lessonId = lessonId;
        const FXint lessonIndex = lists::findItem(lists.lessonList, lessonId);
        if (lessonIndex >= 0) onLessonSelected(lessonIndex);
    }
    return 1;
}

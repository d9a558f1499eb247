// UnitPlanDialog: the Search tab.  "&Search" finds lesson plans of every
// teacher by name or by their evaluation marks and lists them in four
// parallel lists (date, teacher, unit, lesson); choosing a row ticks it and
// shows its date and lesson in the dialog, or unticks it; "Se&lect" and
// "&Unselect" tick and untick every row; "&Print" prints the ticked lessons
// as a report.
#include "planedit/UnitPlanDialog.h"

#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "ui/Prompter.h"
#include "lessons/LessonSearch.h"
#include "ui/AppResources.h"
#include "ui/ListItems.h"

using namespace FX;

namespace {
FXString trimmed(FXString text) { return text.trim(); }
}  // namespace

void UnitPlanDialog::searchLessons() {
    busy(true);
    SearchCriteria criteria;
    criteria.text = trimmed(searchText->getText());
    criteria.byEvaluation = searchEvaluation->getCheck() == TRUE;
    criteria.byAssessment = searchAssessment->getCheck() == TRUE;
    criteria.byNotTaught = searchNotTaught->getCheck() == TRUE;
    criteria.evaluation = evaluation;
    criteria.assessment = assessment;
    criteria.notTaught = notTaught;
    if (criteria.text.count() < 2 && !criteria.byMarks()) {
        busy(false);
        Prompter::get().information(this, "Search String Too Short",
                                    "You must have at least two characters in your search string.");
        return;
    }
    FXList* results[] = {searchDateList, searchTeacherList, searchUnitList, searchLessonList};
    for (FXList* list : results) list->clearItems();
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, searchStatement(criteria));
        for (rs.MoveFirst(); !rs.rows.IsEmpty() && !rs.eof(); rs.MoveNext()) {
            const FXlong offset = dates::offsetShowing(rawField(rs, "DateStart").left(10));
            searchDateList->appendItem(rs.GetField("DateStart"), nullptr, (void*)(FXival)offset);
            searchTeacherList->appendItem(rs.GetField("Teacher"));
            searchUnitList->appendItem(rs.GetField("UnitName"));
            searchLessonList->appendItem(rs.GetField("LessonName"), nullptr,
                                         (void*)(FXival)FXIntVal(rs.GetField("Id")));
        }
        for (FXList* list : results) lists::noCurrentItem(list);
    });
    busy(false);
}

bool UnitPlanDialog::isResultTicked(FXint index) const {
    return index >= 0 && index < searchLessonList->getNumItems() && searchLessonList->getItemIcon(index) == tickIcon;
}

void UnitPlanDialog::tickResult(FXint index, bool ticked) {
    for (FXList* list : {searchDateList, searchTeacherList, searchUnitList, searchLessonList})
        if (index < list->getNumItems()) list->setItemIcon(index, ticked ? tickIcon : nullptr);
}

void UnitPlanDialog::tickAllResults(bool ticked) {
    busy(true);
    for (FXint i = 0; i < searchLessonList->getNumItems(); ++i) tickResult(i, ticked);
    busy(false);
}

void UnitPlanDialog::chooseSearchResult(FXint index) {
    if (index < 0 || index >= searchLessonList->getNumItems()) return;
    busy(true);
    for (FXList* list : {searchDateList, searchTeacherList, searchUnitList, searchLessonList})
        lists::selectItem(list, index);
    if (isResultTicked(index)) {
        tickResult(index, false);
        busy(false);
        return;
    }
    tickResult(index, true);
    failureScope("Database Error", [&] {
        currentLessonId = lists::itemId(searchLessonList, index);
        appState.dateOffset = (FXlong)(FXival)searchDateList->getItemData(index);
        if (selectQuery()) getLessonIndex();
        tellDateShown();
    });
    busy(false);
}

void UnitPlanDialog::printTickedLessons() {
    std::vector<FXint> ids;
    for (FXint i = 0; i < searchLessonList->getNumItems(); ++i)
        if (isResultTicked(i)) ids.push_back(lists::itemId(searchLessonList, i));
    printSearchReport(this, trimmed(searchText->getText()), ids);
}

long UnitPlanDialog::onCmdSearch(FXObject*, FXSelector, void*) {
    searchLessons();
    return 1;
}

long UnitPlanDialog::onCmdSearchResult(FXObject*, FXSelector, void* ptr) {
    chooseSearchResult((FXint)(FXival)ptr);
    return 1;
}

long UnitPlanDialog::onCmdSearchSelect(FXObject*, FXSelector, void*) {
    tickAllResults(true);
    return 1;
}

long UnitPlanDialog::onCmdSearchUnselect(FXObject*, FXSelector, void*) {
    tickAllResults(false);
    return 1;
}

long UnitPlanDialog::onCmdSearchPrint(FXObject*, FXSelector, void*) {
    printTickedLessons();
    return 1;
}

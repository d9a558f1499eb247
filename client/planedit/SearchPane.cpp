#include "planedit/SearchPane.h"

#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "lessons/LessonSearch.h"
#include "planedit/PlanEditing.h"
#include "planedit/PlanWidgets.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

FXDEFMAP(SearchPane)
SearchPaneMap[] = {
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_SEARCH, SearchPane::onCmdSearch),
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_SELECT, SearchPane::onCmdSelect),
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_UNSELECT, SearchPane::onCmdUnselect),
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_PRINT, SearchPane::onCmdPrint),
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_RESULT, SearchPane::onCmdResult),
    FXMAPFUNC(SEL_CHANGED, SearchPane::ID_TEXT, SearchPane::onChgText),
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_CHECK, SearchPane::onCmdCheck),
};

FXIMPLEMENT(SearchPane, PlanPane, SearchPaneMap, ARRAYNUMBER(SearchPaneMap))

SearchPane::SearchPane(FXComposite* page, const LessonMarks& lessonMarks, const PaneShared& shared, FXObject* tgt,
                       FXSelector sel)
    : PlanPane(page, shared, tgt, sel), marks(&lessonMarks) {
    const char* titles[] = {"Date", "Teacher", "Unit Name", "Lesson Plan Name"};
    const FXint widths[] = {73, 130, 145, 277};
    const FXSelector sels[] = {ID_RESULT, ID_RESULT, ID_RESULT, ID_RESULT};
    listGroup(this, titles, widths, COLUMNS, results, this, sels, LAYOUT_FILL_X | LAYOUT_FILL_Y);

    FXHorizontalFrame* row = new FXHorizontalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0);
    new FXLabel(row, "Search String:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
    searchField = new FXTextField(row, 52, this, ID_TEXT, TEXTFIELD_NORMAL);
    FXGroupBox* group = new FXGroupBox(this, "Lesson Evaluation", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    FXHorizontalFrame* checks = new FXHorizontalFrame(group, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    byEvaluation = new FXCheckButton(checks, "Evaluation\tSearch on Excellent, Good or Bad", this, ID_CHECK);
    byAssessment = new FXCheckButton(checks, "Assessment\tSearch on Assessment Yes or No", this, ID_CHECK);
    byNotTaught = new FXCheckButton(checks, "Lesson Not Taught\tSearch on Not Taught Yes or No", this, ID_CHECK);

    FXHorizontalFrame* buttons = buttonRow(this);
    button(buttons,
           "&Search\tSearch across all teachers for Lesson Plan Names that contain the search string provided.", this,
           ID_SEARCH);
    button(buttons, "Se&lect\tSelect all lessons displayed.", this, ID_SELECT);
    button(buttons, "&Unselect\tUnselect all lessons displayed.", this, ID_UNSELECT);
    button(buttons, "&Print\tPrint selected lessons.", this, ID_PRINT);
    closeButton(buttons);
}

// ---------------------------------------------------------------- handlers

long SearchPane::onCmdSearch(FXObject*, FXSelector, void*) {
    searchLessons();
    return 1;
}

long SearchPane::onCmdSelect(FXObject*, FXSelector, void*) {
    tickAll(true);
    return 1;
}

long SearchPane::onCmdUnselect(FXObject*, FXSelector, void*) {
    tickAll(false);
    return 1;
}

long SearchPane::onCmdPrint(FXObject*, FXSelector, void*) {
    printTicked();
    return 1;
}

long SearchPane::onCmdResult(FXObject*, FXSelector, void* ptr) {
    chooseResult((FXint)(FXival)ptr);
    return 1;
}

// The search text and the evaluation checks exclude each other: checking
// one empties the text, typing clears the checks.
long SearchPane::onChgText(FXObject*, FXSelector, void*) {
    for (FXCheckButton* check : {byEvaluation, byAssessment, byNotTaught}) check->setCheck(FALSE);
    return 1;
}

long SearchPane::onCmdCheck(FXObject*, FXSelector, void*) {
    const bool checksOn =
        byEvaluation->getCheck() == TRUE || byAssessment->getCheck() == TRUE || byNotTaught->getCheck() == TRUE;
    if (checksOn && !searchField->getText().empty()) searchField->setText(FXString::null);
    return 1;
}

// ---------------------------------------------------------------- operations

void SearchPane::searchLessons() {
    busy(true);
    SearchCriteria criteria;
    criteria.text = trimmed(searchField->getText());
    criteria.byEvaluation = byEvaluation->getCheck() == TRUE;
    criteria.byAssessment = byAssessment->getCheck() == TRUE;
    criteria.byNotTaught = byNotTaught->getCheck() == TRUE;
    criteria.evaluation = marks->evaluation;
    criteria.assessment = marks->assessment;
    criteria.notTaught = marks->notTaught;
    if (criteria.text.count() < 2 && !criteria.byMarks()) {
        busy(false);
        Prompter::get().information(owner(), "Search String Too Short",
                                    "You must have at least two characters in your search string.");
        return;
    }
    for (FXList* list : results) list->clearItems();
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, searchStatement(criteria));
        for (rs.MoveFirst(); !rs.rows.IsEmpty() && !rs.eof(); rs.MoveNext()) {
            const FXlong offset = dates::offsetShowing(rawField(rs, "DateStart").left(10));
            results[DATE]->appendItem(rs.GetField("DateStart"), nullptr, (void*)(FXival)offset);
            results[TEACHER]->appendItem(rs.GetField("Teacher"));
            results[UNIT]->appendItem(rs.GetField("UnitName"));
            results[LESSON]->appendItem(rs.GetField("LessonName"), nullptr, (void*)(FXival)FXIntVal(rs.GetField("Id")));
        }
        for (FXList* list : results) lists::noCurrentItem(list);
    });
    busy(false);
}

bool SearchPane::isTicked(FXint index) const {
    return index >= 0 && index < results[LESSON]->getNumItems() && results[LESSON]->getItemIcon(index) == icons().tick;
}

void SearchPane::tick(FXint index, bool ticked) {
    for (FXList* list : results)
        if (index < list->getNumItems()) list->setItemIcon(index, ticked ? icons().tick : nullptr);
}

void SearchPane::tickAll(bool ticked) {
    busy(true);
    for (FXint i = 0; i < results[LESSON]->getNumItems(); ++i) tick(i, ticked);
    busy(false);
}

void SearchPane::chooseResult(FXint index) {
    if (index < 0 || index >= results[LESSON]->getNumItems()) return;
    busy(true);
    for (FXList* list : results) lists::selectItem(list, index);
    if (isTicked(index)) {
        tick(index, false);
        busy(false);
        return;
    }
    tick(index, true);
    appState.dateOffset = (FXlong)(FXival)results[DATE]->getItemData(index);
    tell(SEL_SELECTED, (void*)(FXival)lists::itemId(results[LESSON], index));
    busy(false);
}

void SearchPane::printTicked() {
    std::vector<FXint> ids;
    for (FXint i = 0; i < results[LESSON]->getNumItems(); ++i)
        if (isTicked(i)) ids.push_back(lists::itemId(results[LESSON], i));
    printSearchReport(owner(), trimmed(searchField->getText()), ids);
}

// The "Searc&h" tab: "&Search" finds lesson plans of every teacher by name
// or by their marks (lessons/LessonSearch.h) and lists them in four
// parallel lists (date, teacher, unit, lesson); choosing a row ticks it and
// has the dialog show its date and lesson, or unticks it; "Se&lect" and
// "&Unselect" tick and untick every row; "&Print" prints the ticked lessons
// as a report.
//
// Tells its target:
//   SEL_SELECTED  a result was ticked: appState.dateOffset now shows its
//                 date; data the lesson's Id (the dialog lists the term
//                 again and shows that lesson)
#ifndef PLENWICK_SEARCHPANE_H
#define PLENWICK_SEARCHPANE_H

#include "planedit/LessonPane.h"
#include "planedit/PlanPane.h"

class SearchPane : public PlanPane {
    FXDECLARE(SearchPane)
public:
    // `marks` are the lesson tab's marks, which the mark searches look for.
    SearchPane(FX::FXComposite* page, const LessonMarks& marks, const PaneShared& shared, FX::FXObject* tgt,
               FX::FXSelector sel);

    enum {
        ID_SEARCH = FX::FXVerticalFrame::ID_LAST,
        ID_SELECT,
        ID_UNSELECT,
        ID_PRINT,
        ID_RESULT,  // a row of the four result lists chosen
        ID_TEXT,    // the search text typed in
        ID_CHECK,   // one of the three "Lesson Evaluation" checks clicked
        ID_LAST
    };
    long onCmdSearch(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSelect(FX::FXObject*, FX::FXSelector, void*);
    long onCmdUnselect(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrint(FX::FXObject*, FX::FXSelector, void*);
    long onCmdResult(FX::FXObject*, FX::FXSelector, void*);
    long onChgText(FX::FXObject*, FX::FXSelector, void*);
    long onCmdCheck(FX::FXObject*, FX::FXSelector, void*);

protected:
    SearchPane() : marks(nullptr) {}

private:
    const LessonMarks* marks;
    enum Column { DATE, TEACHER, UNIT, LESSON, COLUMNS };
    // Row i of each list belongs to the same result: the date list's data
    // is the appState.dateOffset that shows the lesson's date, the lesson
    // list's the lesson's Id.
    FX::FXList* results[COLUMNS] = {};
    FX::FXTextField* searchField = nullptr;
    FX::FXCheckButton* byEvaluation = nullptr;
    FX::FXCheckButton* byAssessment = nullptr;
    FX::FXCheckButton* byNotTaught = nullptr;

    void searchLessons();
    // Result row `index` chosen: untick a ticked row; tick another and have
    // the dialog show its date and lesson.
    void chooseResult(FX::FXint index);
    bool isTicked(FX::FXint index) const;
    void tick(FX::FXint index, bool ticked);
    void tickAll(bool ticked);
    void printTicked();
};

#endif

// The "Searc&h" tab: "&Search" finds lesson plans of every teacher by name
// or by their marks (lessons/LessonSearch.h) and lists them in four
// parallel lists (date, teacher, unit, lesson); choosing a row ticks it and
// has the dialog show its date and lesson, or unticks it; "Se&lect" and
// "&Unselect" tick and untick every row; "&Print" prints the ticked lessons
// as a report.
//
// Beside it the "All text" search (data/TextSearch.h): words typed as in a
// web search, over every text of lessons, units, long-term plans and
// attachments, in the teacher's own plans, the syndicate's or the whole
// school's.  Its results, 20 a page, take the place of the four lists while
// shown: kind, teacher, date and what was found, with the chosen result's
// snippet under them, its matched words marked.  A lesson result ticks and
// moves the dialog as a name search's row does; ticks of every page are
// printed by "&Print".  A unit, plan or attachment result is opened.
//
// Tells its target:
//   SEL_SELECTED  a result was ticked: appState.dateOffset now shows its
//                 date; data the lesson's Id (the dialog lists the term
//                 again and shows that lesson)
//   SEL_OPENED    an "All text" unit, plan or attachment result was chosen;
//                 data the const TextSearch::Hit* (the dialog opens the
//                 plan, or the unit on the tab that lists its attachments)
#ifndef PLENWICK_SEARCHPANE_H
#define PLENWICK_SEARCHPANE_H

#include <vector>

#include "data/TextSearch.h"
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
        ID_FIND,    // "All text": "&Find", or Enter in its words
        ID_PREVIOUS,
        ID_NEXT,
        ID_FOUND,  // a row of the "All text" result lists chosen
        ID_LAST
    };
    long onCmdSearch(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSelect(FX::FXObject*, FX::FXSelector, void*);
    long onCmdUnselect(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrint(FX::FXObject*, FX::FXSelector, void*);
    long onCmdResult(FX::FXObject*, FX::FXSelector, void*);
    long onChgText(FX::FXObject*, FX::FXSelector, void*);
    long onCmdCheck(FX::FXObject*, FX::FXSelector, void*);
    long onCmdFind(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrevious(FX::FXObject*, FX::FXSelector, void*);
    long onCmdNext(FX::FXObject*, FX::FXSelector, void*);
    long onCmdFound(FX::FXObject*, FX::FXSelector, void*);
    long onUpdPrevious(FX::FXObject*, FX::FXSelector, void*);
    long onUpdNext(FX::FXObject*, FX::FXSelector, void*);

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

    // ---- "All text"
    enum FoundColumn { KIND, WHOSE, DATED, FOUND, MATCHED, FOUND_COLUMNS };
    // The name search's lists (0) or the "All text" results (1).
    FX::FXSwitcher* views = nullptr;
    // Row i of each list is hits[i].
    FX::FXList* found[FOUND_COLUMNS] = {};
    FX::FXText* snippet = nullptr;
    FX::FXTextField* wordsField = nullptr;
    FX::FXComboBox* scopeBox = nullptr;
    FX::FXLabel* pageLabel = nullptr;
    std::vector<TextSearch::Hit> hits;
    FX::FXString searchedWords;  // the words of the pages shown
    TextSearch::Scope searchedScope = TextSearch::MINE;
    FX::FXint page = 1;
    FX::FXlong total = 0;
    // The lessons ticked among the "All text" results, of every page, in
    // the order they were ticked.
    std::vector<FX::FXint> tickedLessons;

    void searchLessons();
    // Result row `index` chosen: untick a ticked row; tick another and have
    // the dialog show its date and lesson.
    void chooseResult(FX::FXint index);
    bool isTicked(FX::FXint index) const;
    void tick(FX::FXint index, bool ticked);
    void tickAll(bool ticked);
    void printTicked();

    bool allTextShown() const;
    // Page `page` of the search for `searchedWords`.
    void findPage(FX::FXint page);
    void showSnippet(const FX::FXString& text);
    void chooseFound(FX::FXint index);
    bool foundTicked(FX::FXint index) const;
    void tickFound(FX::FXint index, bool ticked);
};

#endif

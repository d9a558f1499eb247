#include "planedit/SearchPane.h"

#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Files.h"
#include "data/TextSearch.h"
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
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_FIND, SearchPane::onCmdFind),
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_PREVIOUS, SearchPane::onCmdPrevious),
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_NEXT, SearchPane::onCmdNext),
    FXMAPFUNC(SEL_COMMAND, SearchPane::ID_FOUND, SearchPane::onCmdFound),
    FXMAPFUNC(SEL_UPDATE, SearchPane::ID_PREVIOUS, SearchPane::onUpdPrevious),
    FXMAPFUNC(SEL_UPDATE, SearchPane::ID_NEXT, SearchPane::onUpdNext),
};

FXIMPLEMENT(SearchPane, PlanPane, SearchPaneMap, ARRAYNUMBER(SearchPaneMap))

SearchPane::SearchPane(FXComposite* page, const LessonMarks& lessonMarks, const PaneShared& shared, FXObject* tgt,
                       FXSelector sel)
    : PlanPane(page, shared, tgt, sel), marks(&lessonMarks) {
    // The name search's four lists, or the "All text" results in their place.
    views = new FXSwitcher(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    FXVerticalFrame* byName = new FXVerticalFrame(views, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    const char* titles[] = {"Date", "Teacher", "Unit Name", "Lesson Plan Name"};
    const FXint widths[] = {73, 130, 145, 277};
    const FXSelector sels[] = {ID_RESULT, ID_RESULT, ID_RESULT, ID_RESULT};
    listGroup(byName, titles, widths, COLUMNS, results, this, sels, LAYOUT_FILL_X | LAYOUT_FILL_Y);

    FXVerticalFrame* byText = new FXVerticalFrame(views, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2);
    const char* foundTitles[] = {"Kind", "Planned By", "Dated", "Found", "Matched Text"};
    const FXint foundWidths[] = {82, 105, 65, 140, 233};
    const FXSelector foundSels[] = {ID_FOUND, ID_FOUND, ID_FOUND, ID_FOUND, ID_FOUND};
    listGroup(byText, foundTitles, foundWidths, FOUND_COLUMNS, found, this, foundSels, LAYOUT_FILL_X, 360);
    snippet = stretchText(byText, 48);
    snippet->setEditable(FALSE);
    snippet->setStyled(TRUE);
    // Style 1: a matched word, bold on yellow.
    static FXHiliteStyle marked[1];
    marked[0] = {snippet->getTextColor(),       FXRGB(255, 236, 140),
                 snippet->getSelTextColor(),    snippet->getSelBackColor(),
                 snippet->getHiliteTextColor(), snippet->getHiliteBackColor(),
                 snippet->getActiveBackColor(), FXText::STYLE_BOLD};
    snippet->setHiliteStyles(marked);

    FXHorizontalFrame* row = new FXHorizontalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0);
    new FXLabel(row, "Search String:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
    searchField = new FXTextField(row, 52, this, ID_TEXT, TEXTFIELD_NORMAL);
    FXGroupBox* group = new FXGroupBox(this, "Lesson Evaluation", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    FXHorizontalFrame* checks = new FXHorizontalFrame(group, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    byEvaluation = new FXCheckButton(checks, "Evaluation\tSearch on Excellent, Good or Bad", this, ID_CHECK);
    byAssessment = new FXCheckButton(checks, "Assessment\tSearch on Assessment Yes or No", this, ID_CHECK);
    byNotTaught = new FXCheckButton(checks, "Lesson Not Taught\tSearch on Not Taught Yes or No", this, ID_CHECK);

    FXGroupBox* allText = new FXGroupBox(this, "All Text", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    FXHorizontalFrame* words = new FXHorizontalFrame(allText, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    new FXLabel(words, "Words:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
    wordsField = new FXTextField(words, 20, this, ID_FIND, TEXTFIELD_NORMAL | TEXTFIELD_ENTER_ONLY | LAYOUT_FILL_X);
    wordsField->setTipText("Words as in a web search: fractions halves, a \"quoted phrase\", -word to leave out");
    new FXLabel(words, "In:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
    scopeBox = new FXComboBox(words, 14, nullptr, 0, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK | LAYOUT_CENTER_Y);
    scopeBox->appendItem("My plans");
    scopeBox->appendItem("My syndicate's");
    scopeBox->appendItem("The whole school");
    scopeBox->setNumVisible(3);
    scopeBox->setCurrentItem(TextSearch::SCHOOL);
    button(words, "&Find\tSearch every text of lessons, units, plans and attachments for these words.", this, ID_FIND);
    button(words, "Pr&evious\tThe previous page of results.", this, ID_PREVIOUS);
    button(words, "Ne&xt\tThe next page of results.", this, ID_NEXT);

    FXHorizontalFrame* buttons = buttonRow(this);
    // Which page of "All text" results is shown, left of the buttons.
    pageLabel = new FXLabel(static_cast<FXComposite*>(buttons->getParent()), FXString::null, nullptr,
                            LABEL_NORMAL | LAYOUT_LEFT | LAYOUT_CENTER_Y);
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
    views->setCurrent(0);
    searchLessons();
    return 1;
}

long SearchPane::onCmdFind(FXObject*, FXSelector, void*) {
    searchedWords = TextSearch::CleanWords(wordsField->getText());
    searchedScope = (TextSearch::Scope)FXMAX(0, scopeBox->getCurrentItem());
    tickedLessons.clear();
    findPage(1);
    return 1;
}

long SearchPane::onCmdPrevious(FXObject*, FXSelector, void*) {
    if (page > 1) findPage(page - 1);
    return 1;
}

long SearchPane::onCmdNext(FXObject*, FXSelector, void*) {
    if ((FXlong)page * TextSearch::PageSize < total) findPage(page + 1);
    return 1;
}

long SearchPane::onCmdFound(FXObject*, FXSelector, void* ptr) {
    chooseFound((FXint)(FXival)ptr);
    return 1;
}

long SearchPane::onUpdPrevious(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, allTextShown() && page > 1 ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

long SearchPane::onUpdNext(FXObject* sender, FXSelector, void*) {
    const bool more = allTextShown() && (FXlong)page * TextSearch::PageSize < total;
    sender->handle(this, FXSEL(SEL_COMMAND, more ? ID_ENABLE : ID_DISABLE), nullptr);
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
    if (allTextShown()) {
        for (FXint i = 0; i < (FXint)hits.size(); ++i) tickFound(i, ticked);
    } else {
        for (FXint i = 0; i < results[LESSON]->getNumItems(); ++i) tick(i, ticked);
    }
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
    if (allTextShown()) {
        printSearchReport(owner(), searchedWords, tickedLessons);
        return;
    }
    std::vector<FXint> ids;
    for (FXint i = 0; i < results[LESSON]->getNumItems(); ++i)
        if (isTicked(i)) ids.push_back(lists::itemId(results[LESSON], i));
    printSearchReport(owner(), trimmed(searchField->getText()), ids);
}

// ---------------------------------------------------------------- "All text"

bool SearchPane::allTextShown() const { return views->getCurrent() == 1; }

void SearchPane::findPage(FXint wanted) {
    busy(true);
    views->setCurrent(1);
    const TextSearch::Outcome outcome = TextSearch::Find(searchedWords, searchedScope, wanted);
    busy(false);
    if (!outcome.message.empty()) {
        // The page shown stays as it was: the words may be mended and tried again.
        Prompter::get().information(owner(), "All Text Search", outcome.message);
        return;
    }
    page = wanted;
    total = outcome.total;
    hits = outcome.hits;
    for (FXList* list : found) list->clearItems();
    for (const TextSearch::Hit& hit : hits) {
        FXString matched = hit.snippet;
        matched.substitute('\n', ' ');
        found[KIND]->appendItem(TextSearch::KindName(hit.kind));
        found[WHOSE]->appendItem(hit.teacher);
        // A row without a date keeps a blank: an empty entry is drawn lower
        // than the rows beside it.
        found[DATED]->appendItem(hit.date.empty() ? FXString(" ") : DisplayDate(hit.date));
        // An attachment's title is the file's name as imported, with its folders.
        found[FOUND]->appendItem(hit.kind == "attachment" ? LastPathComponent(hit.title) : hit.title);
        found[MATCHED]->appendItem(matched);
    }
    for (FXint i = 0; i < (FXint)hits.size(); ++i)
        if (hits[i].kind == "lesson")
            for (FXint id : tickedLessons)
                if (id == hits[i].id) tickFound(i, true);
    for (FXList* list : found) lists::noCurrentItem(list);
    if (hits.empty() && page == 1) {
        pageLabel->setText("Nothing found.");
        showSnippet(FXString::null);
    } else {
        const FXlong pages = (total + TextSearch::PageSize - 1) / TextSearch::PageSize;
        pageLabel->setText(FXStringFormat("Page %d of %lld (%lld found)", page, (long long)FXMAX(pages, (FXlong)page),
                                          (long long)total));
        showSnippet(hits.empty() ? FXString::null : hits[0].snippet);
    }
}

// The snippet with its matched words (between TextSearch::MarkOpen and
// MarkClose) bold on yellow, the marks themselves left out.
void SearchPane::showSnippet(const FXString& text) {
    snippet->setText(FXString::null);
    const FXString open = TextSearch::MarkOpen, close = TextSearch::MarkClose;
    FXint at = 0;
    while (at < text.length()) {
        const FXint start = text.find(open, at);
        if (start < 0) {
            snippet->appendStyledText(text.mid(at, text.length() - at), 0);
            break;
        }
        snippet->appendStyledText(text.mid(at, start - at), 0);
        const FXint from = start + open.length();
        FXint end = text.find(close, from);
        if (end < 0) end = text.length();
        snippet->appendStyledText(text.mid(from, end - from), 1);
        at = end + close.length();
    }
}

bool SearchPane::foundTicked(FXint index) const {
    return index >= 0 && index < found[KIND]->getNumItems() && found[KIND]->getItemIcon(index) == icons().tick;
}

// Only lessons are ticked: they are what "&Print" prints.
void SearchPane::tickFound(FXint index, bool ticked) {
    if (index < 0 || index >= (FXint)hits.size() || hits[index].kind != "lesson") return;
    for (FXList* list : found)
        if (index < list->getNumItems()) list->setItemIcon(index, ticked ? icons().tick : nullptr);
    const FXint id = hits[index].id;
    std::vector<FXint> kept;
    for (FXint other : tickedLessons)
        if (other != id) kept.push_back(other);
    if (ticked) kept.push_back(id);
    tickedLessons.swap(kept);
}

void SearchPane::chooseFound(FXint index) {
    if (index < 0 || index >= (FXint)hits.size()) return;
    for (FXList* list : found) lists::selectItem(list, index);
    const TextSearch::Hit hit = hits[index];
    showSnippet(hit.snippet);
    if (hit.kind != "lesson") {
        busy(true);
        tell(SEL_OPENED, (void*)&hit);
        busy(false);
        return;
    }
    if (foundTicked(index)) {
        tickFound(index, false);
        return;
    }
    busy(true);
    tickFound(index, true);
    if (!hit.date.empty()) appState.dateOffset = dates::offsetShowing(hit.date);
    tell(SEL_SELECTED, (void*)(FXival)hit.id);
    busy(false);
}

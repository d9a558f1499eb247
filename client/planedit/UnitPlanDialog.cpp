// UnitPlanDialog: construction and layout, the message map with the panes'
// events, geometry and closing, the tabs shown, the Alt keys.  The plan
// lists are filled in PlanSelection.cpp; each tab's operations are in its
// pane (UnitPlanDialog.h).
#include "planedit/UnitPlanDialog.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/TextSearch.h"
#include "planedit/AttachmentPane.h"
#include "planedit/LessonPane.h"
#include "planedit/LongTermPane.h"
#include "planedit/PlanEditing.h"
#include "planedit/PlanWidgets.h"
#include "planedit/SearchPane.h"
#include "planedit/SubjectsPane.h"
#include "planedit/UnitPane.h"
#include "ui/AppResources.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"
#include "ui/WindowPlace.h"

using namespace FX;

FXDEFMAP(UnitPlanDialog)
UnitPlanDialogMap[] = {
    FXMAPFUNC(SEL_TIMEOUT, UnitPlanDialog::ID_SELECTQUERY, UnitPlanDialog::onTimerSelectQuery),
    FXMAPFUNC(SEL_TIMEOUT, UnitPlanDialog::ID_PRESELECT, UnitPlanDialog::onTimerPreselect),
    FXMAPFUNC(SEL_CHORE, UnitPlanDialog::ID_DESTROY, UnitPlanDialog::onChoreDestroy),
    FXMAPFUNC(SEL_COMMAND, FXDialogBox::ID_CANCEL, UnitPlanDialog::onCmdClose),  // "&Close" on every tab
    FXMAPFUNC(SEL_CLOSE, 0, UnitPlanDialog::onCmdClose),
    // The plan lists on the left.
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_LONGTERMLIST, UnitPlanDialog::onCmdLongTermList),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_UNITLIST, UnitPlanDialog::onCmdUnitList),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_LESSONLIST, UnitPlanDialog::onCmdLessonList),
    // What the panes tell.
    FXMAPFUNC(SEL_INSERTED, UnitPlanDialog::ID_LONGTERM, UnitPlanDialog::onLongTermAdded),
    FXMAPFUNC(SEL_REPLACED, UnitPlanDialog::ID_LONGTERM, UnitPlanDialog::onLongTermEdited),
    FXMAPFUNC(SEL_DELETED, UnitPlanDialog::ID_LONGTERM, UnitPlanDialog::onLongTermDeleted),
    FXMAPFUNC(SEL_CHANGED, UnitPlanDialog::ID_SUBJECTS, UnitPlanDialog::onSubjectsChanged),
    FXMAPFUNC(SEL_INSERTED, UnitPlanDialog::ID_UNIT, UnitPlanDialog::onUnitAdded),
    FXMAPFUNC(SEL_REPLACED, UnitPlanDialog::ID_UNIT, UnitPlanDialog::onUnitEdited),
    FXMAPFUNC(SEL_DELETED, UnitPlanDialog::ID_UNIT, UnitPlanDialog::onUnitDeleted),
    FXMAPFUNC(SEL_INSERTED, UnitPlanDialog::ID_LESSON, UnitPlanDialog::onLessonAdded),
    FXMAPFUNC(SEL_REPLACED, UnitPlanDialog::ID_LESSON, UnitPlanDialog::onLessonEdited),
    FXMAPFUNC(SEL_DELETED, UnitPlanDialog::ID_LESSON, UnitPlanDialog::onLessonDeleted),
    FXMAPFUNC(SEL_CHANGED, UnitPlanDialog::ID_LESSON, UnitPlanDialog::onLessonsMoved),
    FXMAPFUNC(SEL_SELECTED, UnitPlanDialog::ID_SEARCH, UnitPlanDialog::onSearchResultChosen),
    FXMAPFUNC(SEL_OPENED, UnitPlanDialog::ID_SEARCH, UnitPlanDialog::onSearchPlanOpened),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_UNDO, UnitPlanDialog::onCmdUndo),
    FXMAPFUNC(SEL_UPDATE, UnitPlanDialog::ID_UNDO, UnitPlanDialog::onUpdUndo),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_REDO, UnitPlanDialog::onCmdRedo),
    FXMAPFUNC(SEL_UPDATE, UnitPlanDialog::ID_REDO, UnitPlanDialog::onUpdRedo),
};

FXIMPLEMENT(UnitPlanDialog, FXDialogBox, UnitPlanDialogMap, ARRAYNUMBER(UnitPlanDialogMap))

FXint UnitPlanDialog::liveCount = 0;

namespace {

const char* const settingsSection = "UNITPLANDIALOG";

FXint indexOf(void* ptr) { return (FXint)(FXival)ptr; }

// The tab book tells the dialog whenever the shown tab changes, however it
// changed (a click, a tab's Alt key, the program).
class PlanTabBook : public FXTabBook {
public:
    PlanTabBook(FXComposite* p, UnitPlanDialog* d)
        : FXTabBook(p, nullptr, 0, TABBOOK_NORMAL | LAYOUT_FILL_X | LAYOUT_FILL_Y), dialog(d) {}
    void setCurrent(FXint panel, FXbool notify = FALSE) override {
        FXTabBook::setCurrent(panel, notify);
        dialog->activateShortcuts();
    }

private:
    UnitPlanDialog* dialog;
};

}  // namespace

// ---------------------------------------------------------------- construction

UnitPlanDialog::UnitPlanDialog(FXApp* app, FXint longTermId, FXint lessonId, FXObject* tgt, FXSelector sel)
    : FXDialogBox(app, "Edit Unit Plans", DECOR_ALL, 0, 0, defaultWidth, defaultHeight, 4, 4, 4, 4, 4, 4),
      planIcons(app),
      shared{recordset, lists, planIcons} {
    setTarget(tgt);
    setSelector(sel);
    ++liveCount;
    if (appIcon) {
        setIcon(appIcon);
        setMiniIcon(appIcon);
    }
    buildLayout();

    app->addTimeout(this, ID_SELECTQUERY, 100);
    if (longTermId >= 1) {
        preselectLongTerm = longTermId;
        app->addTimeout(this, ID_PRESELECT, 150);
    } else if (lessonId >= 1) {
        preselectLesson = lessonId;
        app->addTimeout(this, ID_PRESELECT, 150);
    }
}

UnitPlanDialog::~UnitPlanDialog() {
    getApp()->removeTimeout(this, ID_SELECTQUERY);
    getApp()->removeTimeout(this, ID_PRESELECT);
    getApp()->removeChore(this, ID_DESTROY);
    // The widgets go before the icons they show.
    while (getFirst()) delete getFirst();
    --liveCount;
}

// A horizontal frame holds the four plan lists on the left and the tab book
// on the right; each tab's page holds its pane.
void UnitPlanDialog::buildLayout() {
    FXMenuBar* menuBar = new FXMenuBar(this, LAYOUT_SIDE_TOP | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    editMenu.build(menuBar, this, this, ID_UNDO, ID_REDO);
    FXHorizontalFrame* outer = new FXHorizontalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
    buildLists(new FXVerticalFrame(outer, LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4));

    tabBook = new PlanTabBook(outer, this);
    const char* tabTitles[TAB_COUNT] = {"L&ong Term Plans",   "Unit &Plans", "&Lesson Objective", "Le&sson Detail",
                                        "Lesson E&valuation", "Searc&h",     "Sub&jects"};
    for (FXint i = 0; i < TAB_COUNT; ++i) {
        tabItems[i] = new FXTabItem(tabBook, tabTitles[i]);
        pages[i] = new FXVerticalFrame(tabBook, FRAME_RAISED | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0,
                                       6, 6, 6, 6, 2, 2);
    }
    longTermPane = new LongTermPane(pages[TAB_LONGTERM], shared, this, ID_LONGTERM);
    unitPane = new UnitPane(pages[TAB_UNIT], shared, this, ID_UNIT);
    attachmentPane = new AttachmentPane(pages[TAB_UNIT], shared, this, ID_ATTACHMENTS);
    lessonPane =
        new LessonPane(pages[TAB_OBJECTIVE], pages[TAB_DETAIL], pages[TAB_EVALUATION], shared, this, ID_LESSON);
    searchPane = new SearchPane(pages[TAB_SEARCH], lessonPane->marks(), shared, this, ID_SEARCH);
    subjectsPane = new SubjectsPane(pages[TAB_SUBJECTS], shared, this, ID_SUBJECTS);
    collectShortcuts();
}

// Long-term and unit lists above, day and lesson lists below.
void UnitPlanDialog::buildLists(FXComposite* left) {
    FXList* plans[2];
    const char* planTitles[] = {"Long Term Plan", "Unit Plan"};
    const FXint planWidths[] = {planListWidth, planListWidth};
    const FXSelector planSels[] = {ID_LONGTERMLIST, ID_UNITLIST};
    planedit::listGroup(left, planTitles, planWidths, 2, plans, this, planSels, LAYOUT_FILL_Y);
    lists.longTermList = plans[0];
    lists.unitList = plans[1];

    FXList* lessons[2];
    const char* lessonTitles[] = {"Day or Date", "Lesson Plan"};
    const FXint lessonWidths[] = {dayListWidth, 2 * planListWidth - dayListWidth};
    const FXSelector lessonSels[] = {ID_LESSONLIST, ID_LESSONLIST};
    planedit::listGroup(left, lessonTitles, lessonWidths, 2, lessons, this, lessonSels, LAYOUT_FILL_Y);
    lists.dayList = lessons[0];
    lists.lessonList = lessons[1];
}

// Saved geometry, shown.
void UnitPlanDialog::create() {
    const bool created = id() != 0;
    FXDialogBox::create();
    if (created) return;
    planIcons.create();

    FXRegistry& reg = getApp()->reg();
    WindowPlace place =
        WindowPlace::read(reg, settingsSection, defaultWidth, defaultHeight, minimumWidth, minimumHeight);
    place.keepOnScreen(getRoot()->getWidth(), getRoot()->getHeight());
    position(place.x, place.y, place.width, place.height);
    show();
    placementDx = getX() - place.x;
    placementDy = getY() - place.y;
}

// ---------------------------------------------------------------- closing

void UnitPlanDialog::closeDialog() {
    if (closing) return;
    closing = true;
    FXRegistry& reg = getApp()->reg();
    WindowPlace{getX() - placementDx, getY() - placementDy, getWidth(), getHeight()}.write(reg, settingsSection);
    getApp()->removeTimeout(this, ID_SELECTQUERY);
    getApp()->removeTimeout(this, ID_PRESELECT);
    hide();
    // Deleted once the handler that closed it has returned.
    getApp()->addChore(this, ID_DESTROY);
}

long UnitPlanDialog::onCmdClose(FXObject*, FXSelector, void*) {
    if (settleChanges(PLAN_LEVEL)) closeDialog();
    return 1;
}

// ---------------------------------------------------------------- unstored changes

bool UnitPlanDialog::settleChanges(Level level) {
    struct Shown {
        bool unstored;
        const char* what;
        FXString name;
        std::function<bool()> store;
    };
    const Shown shown[] = {
        {lessonPane->unstored(), "lesson", lessonPane->shownName(), [&] { return lessonPane->storeShown(); }},
        {level >= UNIT_LEVEL && unitPane->unstored(), "unit plan", unitPane->shownName(),
         [&] { return unitPane->storeShown(); }},
        {level >= PLAN_LEVEL && longTermPane->unstored(), "long term plan", longTermPane->shownName(),
         [&] { return longTermPane->storeShown(); }},
    };
    for (const Shown& s : shown) {
        if (!s.unstored) continue;
        const FXint answer = Prompter::get().choose(this, "Unstored Changes",
                                                    FXString("Store the changes to ") + s.what + " \"" + s.name + "\"?",
                                                    {"Store", "Discard", "Cancel"});
        if (answer == 2) return false;
        if (answer == 0 && !s.store()) return false;
        // The calendar shows what was stored (a lesson's new day, a name).
        if (answer == 0) tellDateShown();
    }
    return true;
}

bool UnitPlanDialog::settleAll(FXApp* app) {
    for (FXWindow* w = app->getRootWindow()->getFirst(); w; w = w->getNext())
        if (UnitPlanDialog* dialog = dynamic_cast<UnitPlanDialog*>(w))
            if (!dialog->closing && !dialog->settleChanges(PLAN_LEVEL)) return false;
    return true;
}

void UnitPlanDialog::keepShown(FXList* list, FXint id) {
    const FXint index = lists::findItem(list, id);
    if (index >= 0)
        lists::selectItem(list, index);
    else
        lists::noCurrentItem(list);
}

long UnitPlanDialog::onChoreDestroy(FXObject*, FXSelector, void*) {
    delete this;
    return 1;
}

// ---------------------------------------------------------------- timers and list selections

long UnitPlanDialog::onTimerSelectQuery(FXObject*, FXSelector, void*) {
    selectQuery();
    return 1;
}

long UnitPlanDialog::onTimerPreselect(FXObject*, FXSelector, void*) {
    if (closing) return 1;
    if (preselectLongTerm)
        showLongTerm(preselectLongTerm);
    else if (preselectLesson)
        showLesson(preselectLesson);
    return 1;
}

// A click beside the entries (no entry) selects nothing and says nothing.
// A choice in the lists first settles what was typed and not stored; a
// Cancel leaves the shown entries current.
long UnitPlanDialog::onCmdLongTermList(FXObject*, FXSelector, void* ptr) {
    if (indexOf(ptr) < 0) return 1;
    if (!settleChanges(PLAN_LEVEL)) {
        keepShown(lists.longTermList, longTermPane->shownId());
        return 1;
    }
    onLongTermSelected(indexOf(ptr));
    return 1;
}

// A transfer file listed among the units is offered for import.
long UnitPlanDialog::onCmdUnitList(FXObject*, FXSelector, void* ptr) {
    const FXint index = indexOf(ptr);
    if (index < 0 || index >= lists.unitList->getNumItems()) return 1;
    if (!settleChanges(UNIT_LEVEL)) {
        keepShown(lists.unitList, unitPane->shownId());
        return 1;
    }
    if (lists::itemId(lists.unitList, index) < 0)
        unitPane->importUnitPlan(index);
    else
        onUnitSelected(index);
    return 1;
}

long UnitPlanDialog::onCmdLessonList(FXObject*, FXSelector, void* ptr) {
    if (indexOf(ptr) < 0) return 1;
    if (!settleChanges(LESSON_LEVEL)) {
        keepShown(lists.dayList, lists.lessonId);
        keepShown(lists.lessonList, lists.lessonId);
        return 1;
    }
    onLessonSelected(indexOf(ptr));
    return 1;
}

// ---------------------------------------------------------------- the panes' events

long UnitPlanDialog::onLongTermAdded(FXObject*, FXSelector, void* ptr) {
    clearPlanLists();
    if (selectQuery()) onLongTermSelected(lists::findItem(lists.longTermList, indexOf(ptr)));
    return 1;
}

long UnitPlanDialog::onLongTermEdited(FXObject* sender, FXSelector sel, void* ptr) {
    return onLongTermAdded(sender, sel, ptr);
}

long UnitPlanDialog::onLongTermDeleted(FXObject*, FXSelector, void*) {
    clearPlanLists();
    selectQuery();
    return 1;
}

long UnitPlanDialog::onSubjectsChanged(FXObject*, FXSelector, void* ptr) {
    refreshSubjects(indexOf(ptr));
    return 1;
}

long UnitPlanDialog::onUnitAdded(FXObject*, FXSelector, void* ptr) {
    onLongTermSelected(lists.longTermList->getCurrentItem());
    onUnitSelected(lists::findItem(lists.unitList, indexOf(ptr)));
    return 1;
}

long UnitPlanDialog::onUnitEdited(FXObject*, FXSelector, void* ptr) {
    onLongTermSelected(lists.longTermList->getCurrentItem());
    onUnitSelected(indexOf(ptr));
    return 1;
}

long UnitPlanDialog::onUnitDeleted(FXObject*, FXSelector, void*) {
    lists.dayList->clearItems();
    lists.lessonList->clearItems();
    onLongTermSelected(lists.longTermList->getCurrentItem());
    return 1;
}

long UnitPlanDialog::onLessonAdded(FXObject*, FXSelector, void* ptr) {
    onUnitSelected(lists.unitList->getCurrentItem());
    onLessonSelected(lists::findItem(lists.dayList, indexOf(ptr)));
    return 1;
}

// The lesson is shown again from the database, on the tab it was edited on.
long UnitPlanDialog::onLessonEdited(FXObject*, FXSelector, void* ptr) {
    const FXint tab = tabBook->getCurrent();
    onLessonSelected(indexOf(ptr));
    tabBook->setCurrent(tab);
    return 1;
}

long UnitPlanDialog::onLessonDeleted(FXObject*, FXSelector, void*) {
    lists.dayList->clearItems();
    lists.lessonList->clearItems();
    onUnitSelected(lists.unitList->getCurrentItem());
    return 1;
}

// The day list of a dated unit shows each lesson's start: after a shove the
// entries take their stored starts again, and nothing else is re-read.
long UnitPlanDialog::onLessonsMoved(FXObject*, FXSelector, void* ptr) {
    if (lists.storedUnitType != 1) return 1;
    IsectRecordset& lessons = *static_cast<IsectRecordset*>(ptr);
    for (lessons.MoveFirst(); !lessons.eof(); lessons.MoveNext()) {
        const FXint index = lists::findItem(lists.dayList, FXIntVal(lessons.rows.GetField(0)));
        if (index >= 0) lists.dayList->setItemText(index, planedit::shownValue(lessons, "DateStart"));
    }
    return 1;
}

// appState.dateOffset shows the result's date already.
long UnitPlanDialog::onSearchResultChosen(FXObject*, FXSelector, void* ptr) {
    planedit::failureScope(this, "Database Error", [&] {
        if (selectQuery()) showLesson(indexOf(ptr));
        tellDateShown();
    });
    return 1;
}

// An "All text" result that is not a lesson: the long-term plan, or the
// unit on the tab that lists its attachments.  The dialog moves to the term
// of the plan (a unit's: its long-term plan's) so that it is listed.
long UnitPlanDialog::onSearchPlanOpened(FXObject*, FXSelector, void* ptr) {
    const TextSearch::Hit& hit = *static_cast<const TextSearch::Hit*>(ptr);
    planedit::failureScope(this, "Database Error", [&] {
        IsectRecordset rs;
        const bool plan = hit.kind == "plan";
        query(rs, plan ? "Select Id, PlanStart from LongTerm Where Id = " + FXStringVal(hit.id)
                       : "Select LongTerm.Id, PlanStart from LongTerm, UnitPlan Where LongTerm.Id = FKLongTerm and "
                         "UnitPlan.Id = " +
                             FXStringVal(hit.unit));
        if (rs.rows.IsEmpty()) {
            Prompter::get().error(this, "UnitPlanDialog::onSearchPlanOpened",
                                  "That plan is no longer in the database: it may have been deleted since the search.");
            return;
        }
        const FXint longTermId = FXIntVal(rs.GetField("Id"));
        appState.dateOffset = dates::offsetShowing(planedit::rawField(rs, "PlanStart").left(10));
        tellDateShown();
        if (!selectQuery() || !showLongTerm(longTermId) || plan) return;
        const FXint unitIndex = lists::findItem(lists.unitList, hit.unit);
        if (unitIndex < 0) {
            Prompter::get().error(this, "UnitPlanDialog::onSearchPlanOpened",
                                  "The Unit Plan is not available\nbecause it belongs to another user.");
            return;
        }
        onUnitSelected(unitIndex);
    });
    return 1;
}

// appState.dateOffset moved: the target (the calendar) shows the new week.
// ---------------------------------------------------------------- undo and redo

// What is typed and not stored, in any plan editor, is settled first: the
// lists of every editor are filled again afterwards.
long UnitPlanDialog::onCmdUndo(FXObject*, FXSelector, void*) {
    if (settleAll(getApp()) && undocommands::run(this, true)) {
        showAllAgain(getApp());
        tellDateShown();
    }
    return 1;
}

long UnitPlanDialog::onUpdUndo(FXObject* sender, FXSelector, void*) { return undocommands::enable(sender, this, true); }

long UnitPlanDialog::onCmdRedo(FXObject*, FXSelector, void*) {
    if (settleAll(getApp()) && undocommands::run(this, false)) {
        showAllAgain(getApp());
        tellDateShown();
    }
    return 1;
}

long UnitPlanDialog::onUpdRedo(FXObject* sender, FXSelector, void*) {
    return undocommands::enable(sender, this, false);
}

void UnitPlanDialog::showAllAgain(FXApp* app) {
    for (FXWindow* w = app->getRootWindow()->getFirst(); w; w = w->getNext())
        if (UnitPlanDialog* dialog = dynamic_cast<UnitPlanDialog*>(w))
            if (!dialog->closing) dialog->showAgain();
}

// The lists as stored now, and the lesson shown before where it still is.
void UnitPlanDialog::showAgain() {
    const FXint lesson = currentLesson();
    clearPlanLists();
    if (!selectQuery() || lesson <= 0) return;
    bool there = false;
    planedit::failureScope(this, "Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Select Id from LessonPlan where Id = " + FXStringVal(lesson));
        there = !rs.rows.IsEmpty();
    });
    if (there) showLesson(lesson);
}

void UnitPlanDialog::tellDateShown() {
    if (target) target->tryHandle(this, FXSEL(SEL_COMMAND, message), nullptr);
}

// ---------------------------------------------------------------- tabs

// A tab hidden from this user (a leader's unit and lesson tabs) is not brought up.
void UnitPlanDialog::showTab(Tab tab) {
    if (tabItems[tab]->shown()) tabBook->setCurrent(tab);
    activateShortcuts();
}

void UnitPlanDialog::showTabsOf(bool leader) {
    for (FXint i = TAB_UNIT; i <= TAB_SEARCH; ++i) {
        if (leader) {
            tabItems[i]->hide();
            pages[i]->hide();
        } else {
            tabItems[i]->show();
        }
    }
    if (leader) {
        tabItems[TAB_SUBJECTS]->show();
        longTermPane->showLeaderNote(true);
        showTab(TAB_LONGTERM);
    } else {
        tabItems[TAB_SUBJECTS]->hide();
        pages[TAB_SUBJECTS]->hide();
        longTermPane->showLeaderNote(false);
        if (tabBook->getCurrent() == TAB_SUBJECTS) showTab(TAB_LONGTERM);
    }
    tabBook->recalc();
    activateShortcuts();
}

// ---------------------------------------------------------------- Alt keys
//
// FOX registers every button's and tab name's Alt key with the dialog when
// the widget is made, the last one made winning; so Alt+A would press the
// Subjects tab's Add from any tab.  The dialog keeps the list of them and
// makes active only those of the tab shown and the names of the tabs shown.

namespace {

// The Alt key FOX parsed from a label's "&" (0 when it has none).
struct LabelKey : FXLabel {
    static FXHotKey of(FXLabel* label) { return label->*(&LabelKey::hotkey); }
};

template <class Shortcut>
void collect(FXWindow* window, FXint tab, std::vector<Shortcut>& out) {
    for (FXWindow* child = window->getFirst(); child; child = child->getNext()) {
        if (child->isMemberOf(FXMETACLASS(FXLabel))) {
            FXHotKey key = LabelKey::of(static_cast<FXLabel*>(child));
            if (key) out.push_back({child, key, tab});
        }
        collect(child, tab, out);
    }
}

// A control counts when it stands on `page` and is shown there; inside a
// switcher (the lesson's date and time panels) only the switcher's current
// panel is shown.
bool onScreen(FXWindow* w, FXWindow* page) {
    for (; w && w != page; w = w->getParent()) {
        FXWindow* parent = w->getParent();
        if (parent && parent->isMemberOf(FXMETACLASS(FXSwitcher))) {
            if (static_cast<FXSwitcher*>(parent)->indexOfChild(w) != static_cast<FXSwitcher*>(parent)->getCurrent())
                return false;
        } else if (!w->shown()) {
            return false;
        }
    }
    return w != nullptr;
}

}  // namespace

void UnitPlanDialog::collectShortcuts() {
    shortcuts.clear();
    for (FXint i = 0; i < TAB_COUNT; ++i) {
        FXHotKey key = LabelKey::of(tabItems[i]);
        if (key) shortcuts.push_back({tabItems[i], key, -1});
    }
    for (FXint i = 0; i < TAB_COUNT; ++i) collect(pages[i], i, shortcuts);
    activateShortcuts();
}

void UnitPlanDialog::activateShortcuts() {
    if (shortcuts.empty()) return;
    for (const Shortcut& s : shortcuts) s.widget->remHotKey(s.key);
    const FXint current = tabBook->getCurrent();
    const bool currentShown = current >= 0 && current < TAB_COUNT && tabItems[current]->shown();
    for (const Shortcut& s : shortcuts)
        if (s.tab < 0 && s.widget->shown()) s.widget->addHotKey(s.key);
    if (!currentShown) return;
    for (const Shortcut& s : shortcuts)
        if (s.tab == current && onScreen(s.widget, pages[current])) s.widget->addHotKey(s.key);
}

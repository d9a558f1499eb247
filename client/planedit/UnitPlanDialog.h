// The plan editor: one modeless dialog in which a teacher edits long-term
// plans, the unit plans under them and the lesson plans of a unit, and in
// which a syndicate leader keeps the syndicate's subject list.
//
// On the left the four plan lists (PlanLists.h): the long-term plan, unit
// and lesson chosen there are what the tabs on the right act on.  Each tab
// is a pane of its own, with its widgets, its SQL and its message map:
//
//   tab                   pane
//   L&ong Term Plans      LongTermPane      LongTermPane.cpp
//   Unit &Plans           UnitPane          UnitPane.cpp, UnitImport.cpp
//                         AttachmentPane    AttachmentPane.cpp
//   &Lesson Objective,    LessonPane        LessonPane.cpp, LessonDates.cpp
//   Le&sson Detail,
//   Lesson E&valuation
//   Searc&h               SearchPane        SearchPane.cpp
//   Sub&jects             SubjectsPane      SubjectsPane.cpp
//
// The dialog keeps what they share: the shared recordset, the plan lists
// and the queries that fill them, the tabs shown (a leader's or a
// teacher's), the Alt keys, the geometry and closing.
//
//   UnitPlanDialog.cpp   construction, the message map and the panes'
//                        events, geometry, closing, tabs and Alt keys
//   PlanSelection.cpp    the plan lists: selectQuery and the choice of a
//                        plan, unit or lesson, the preselection
//   PlanEditing.cpp      the failure scope every pane's operations run in
//   PlanWidgets.cpp      the widgets the panes are built of
#ifndef PLENWICK_UNITPLANDIALOG_H
#define PLENWICK_UNITPLANDIALOG_H

#include <fx.h>

#include <vector>

#include "data/IsectRecordset.h"
#include "planedit/PlanIcons.h"
#include "planedit/PlanLists.h"
#include "planedit/PlanPane.h"
#include "planedit/UndoCommands.h"
#include "transfer/Statements.h"

class LongTermPane;
class SubjectsPane;
class UnitPane;
class AttachmentPane;
class LessonPane;
class SearchPane;

class UnitPlanDialog : public FX::FXDialogBox {
    FXDECLARE(UnitPlanDialog)
public:
    // Sizes, in pixels: the dialog opens at the default size and never
    // smaller than the minimum; both fit a 1024 x 768 screen with every
    // control of every tab visible.  The plan lists on the left are
    // planListWidth wide (two side by side), the day list dayListWidth.
    static constexpr FX::FXint defaultWidth = 940;
    static constexpr FX::FXint defaultHeight = 710;
    static constexpr FX::FXint minimumWidth = 940;
    static constexpr FX::FXint minimumHeight = 640;
    static constexpr FX::FXint planListWidth = 140;
    static constexpr FX::FXint dayListWidth = 90;

    // Live dialogs of the process (each closes and deletes itself).
    static FX::FXint liveCount;

    // A longTermId or lessonId of 1 or more (the first Id the database
    // gives) selects that plan or lesson once the lists are filled; 0 means
    // none.  The target (tgt, sel) is told when selecting a lesson moved
    // appState.dateOffset: SEL_COMMAND with the dialog's message and no data.
    UnitPlanDialog(FX::FXApp* app, FX::FXint longTermId, FX::FXint lessonId, FX::FXObject* tgt = nullptr,
                   FX::FXSelector sel = 0);
    ~UnitPlanDialog() override;
    // Reads the saved geometry and shows the dialog.
    void create() override;

    // Lists the long-term plans of the current term (run 100 ms after
    // opening, and again after a plan changed); 1 when any are listed.
    FX::FXint selectQuery();
    // Chooses the plan of Id `longTermId`, or the plan, unit and lesson of
    // lesson `lessonId`: 1, or 0 after telling why it is not available.
    FX::FXint showLongTerm(FX::FXint longTermId);
    FX::FXint showLesson(FX::FXint lessonId);
    // The long-term plan the dialog was opened with, 0 for none.
    FX::FXint openedOnLongTerm() const { return preselectLongTerm; }
    // The lesson shown on the lesson tabs, 0 for none.
    FX::FXint currentLesson() const { return lists.shownLesson(); }
    const PlanIcons& icons() const { return planIcons; }
    // Stores the geometry and closes; the dialog deletes itself soon after.
    void closeDialog();

    // Typed changes not stored yet, in the lesson, the unit or the long-term
    // plan shown: for each, from the lesson up to `level`, the user is asked
    // "Store the changes to lesson "X"?" with Store, Discard and Cancel.
    // False when the user chose Cancel, or a Store was not written: what
    // was about to happen (closing, another choice in the lists) does not.
    enum Level { LESSON_LEVEL, UNIT_LEVEL, PLAN_LEVEL };
    bool settleChanges(Level level);
    // The same for every open plan editor (before the program ends).
    static bool settleAll(FX::FXApp* app);
    // After an undo or redo: every open plan editor lists its plans again
    // and shows the lesson it showed, as now stored.
    static void showAllAgain(FX::FXApp* app);
    void showAgain();

    // OpenRecordset that ends the operation when the middleware cannot be
    // reached (for the windows that run plan statements: the calendar's
    // exports); see transfer/Statements.h.
    static void query(IsectRecordset& rs, const FX::FXString& sql) { transfer::query(rs, sql); }

    enum Tab { TAB_LONGTERM, TAB_UNIT, TAB_OBJECTIVE, TAB_DETAIL, TAB_EVALUATION, TAB_SEARCH, TAB_SUBJECTS, TAB_COUNT };

    enum {
        ID_SELECTQUERY = FX::FXDialogBox::ID_LAST,  // timer: fill the lists
        ID_PRESELECT,                               // timer: select the plan or lesson opened with
        ID_DESTROY,                                 // chore: delete the closed dialog
        ID_LONGTERMLIST,
        ID_UNITLIST,
        ID_LESSONLIST,  // the day list or the lesson list
        ID_LONGTERM,    // the panes (their events: PlanPane.h)
        ID_SUBJECTS,
        ID_UNIT,
        ID_ATTACHMENTS,
        ID_LESSON,
        ID_SEARCH,
        ID_UNDO,  // Edit, Undo (Ctrl+Z)
        ID_REDO,  // Edit, Redo (Ctrl+Shift+Z)
        ID_LAST
    };

    long onTimerSelectQuery(FX::FXObject*, FX::FXSelector, void*);
    long onTimerPreselect(FX::FXObject*, FX::FXSelector, void*);
    long onChoreDestroy(FX::FXObject*, FX::FXSelector, void*);
    long onCmdClose(FX::FXObject*, FX::FXSelector, void*);
    long onCmdLongTermList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdUnitList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdLessonList(FX::FXObject*, FX::FXSelector, void*);
    long onLongTermAdded(FX::FXObject*, FX::FXSelector, void*);
    long onLongTermEdited(FX::FXObject*, FX::FXSelector, void*);
    long onLongTermDeleted(FX::FXObject*, FX::FXSelector, void*);
    long onSubjectsChanged(FX::FXObject*, FX::FXSelector, void*);
    long onUnitAdded(FX::FXObject*, FX::FXSelector, void*);
    long onUnitEdited(FX::FXObject*, FX::FXSelector, void*);
    long onUnitDeleted(FX::FXObject*, FX::FXSelector, void*);
    long onLessonAdded(FX::FXObject*, FX::FXSelector, void*);
    long onLessonEdited(FX::FXObject*, FX::FXSelector, void*);
    long onLessonDeleted(FX::FXObject*, FX::FXSelector, void*);
    long onLessonsMoved(FX::FXObject*, FX::FXSelector, void*);
    long onSearchResultChosen(FX::FXObject*, FX::FXSelector, void*);
    long onSearchPlanOpened(FX::FXObject*, FX::FXSelector, void*);
    long onCmdUndo(FX::FXObject*, FX::FXSelector, void*);
    long onUpdUndo(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRedo(FX::FXObject*, FX::FXSelector, void*);
    long onUpdRedo(FX::FXObject*, FX::FXSelector, void*);

    // Makes the Alt keys of the tab shown, and of the tab names shown, the
    // active ones (the shown tab's controls win over a tab name with the
    // same key).  Run whenever the shown tab, the tabs shown or the lesson
    // panel change.
    void activateShortcuts();

protected:
    UnitPlanDialog() : planIcons(nullptr), shared{recordset, lists, planIcons} {}

private:
    // Every query of the dialog and its panes that has no local recordset.
    IsectRecordset recordset;
    PlanLists lists;
    PlanIcons planIcons;
    PaneShared shared;

    FX::FXTabBook* tabBook = nullptr;
    FX::FXTabItem* tabItems[TAB_COUNT] = {};
    FX::FXVerticalFrame* pages[TAB_COUNT] = {};
    LongTermPane* longTermPane = nullptr;
    SubjectsPane* subjectsPane = nullptr;
    UnitPane* unitPane = nullptr;
    AttachmentPane* attachmentPane = nullptr;
    LessonPane* lessonPane = nullptr;
    SearchPane* searchPane = nullptr;
    undocommands::EditMenu editMenu;

    // The Alt-key shortcuts of the dialog's buttons and tab names; only those
    // of the tab shown (and the names of the tabs shown) are active.
    struct Shortcut {
        FX::FXWindow* widget;
        FX::FXHotKey key;
        FX::FXint tab;  // the tab the widget is on; -1 for a tab name
    };
    std::vector<Shortcut> shortcuts;

    // Where the platform put the dialog against where it was asked to.
    FX::FXint placementDx = 0;
    FX::FXint placementDy = 0;
    FX::FXint preselectLongTerm = 0;
    FX::FXint preselectLesson = 0;
    bool closing = false;

    // ---- layout and tabs (UnitPlanDialog.cpp)
    void buildLayout();
    void buildLists(FX::FXComposite* left);
    void collectShortcuts();
    void showTab(Tab tab);
    // A leader sees the long-term and subjects tabs, a teacher every other.
    void showTabsOf(bool leader);
    void tellDateShown();

    // The list entries of what is shown, made current again after a Cancel.
    void keepShown(FX::FXList* list, FX::FXint id);

    // ---- the plan lists (PlanSelection.cpp)
    void clearPlanLists();
    void refreshSubjects(FX::FXint id);
    void listUnits(const FX::FXString& longTermId);
    void listLessons(const FX::FXString& unitId);
    void onLongTermSelected(FX::FXint index);
    void onUnitSelected(FX::FXint index);
    void onLessonSelected(FX::FXint index);
};

#endif

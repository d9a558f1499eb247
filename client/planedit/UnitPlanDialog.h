// The plan editor: one modeless dialog in which a teacher edits long-term
// plans, the unit plans under them and the lesson plans of a unit, and in
// which a syndicate leader keeps the syndicate's subject list.
//
//   UnitPlanLayout.cpp   the widgets and their layout
//   UnitPlanDialog.cpp   the message map and its handlers, opening
//                        (selectQuery, fillCombos, the timed preselection),
//                        long-term selection, enable rules, geometry,
//                        closing, the failure scope
//   LongTermEdit.cpp     long-term plans (tab 1) and subjects (tab 7)
//   UnitPlanEdit.cpp     unit plans (tab 2) and the unit list
//   LessonPlanEdit.cpp   lesson plans (tabs 3 to 5): add, edit, delete, the
//                        retrospective-planning rule, +Day, +Week, Up, Down,
//                        Bump and Shove
//   AttachmentEdit.cpp   the unit's file attachments (tab 2): list, notes,
//                        import with progress and Cancel, export, remove
//   UnitImport.cpp       importing a transfer file (transfer/TransferFile.h) into the
//                        selected long-term plan
//   LessonSearchTab.cpp  the Search tab: search, ticks, choosing a result,
//                        printing the ticked lessons
//   PlanIcons.cpp        the small list icons
//
// Every operation started by a button or a list selection runs inside one
// failure scope: a recordset exception, a date error or an input check ends
// it with an error box captioned "Database Error" ("Empty Dates" for the
// date and time buttons); lists and fields keep what they held.
#ifndef PLENWICK_UNITPLANDIALOG_H
#define PLENWICK_UNITPLANDIALOG_H

#include <fx.h>

#include <functional>
#include <vector>

#include "data/IsectRecordset.h"
#include "transfer/Statements.h"
#include "ui/ListItems.h"

class UnitPlanDialog : public FX::FXDialogBox {
    FXDECLARE(UnitPlanDialog)
public:
    // Shared recordset: every query that has no local recordset of its own.
    IsectRecordset recordset;
    // At opening the long-term plan or lesson to select; later the shown lesson.
    FX::FXint currentLessonId = 0;

    // Values bound to their controls through data targets.
    FX::FXint syndicateWide = 0;  // "Syndicate Wide Plan"
    FX::FXint persistent = 0;     // "Ignore Start and End Dates" (LongTerm.Persistant)
    FX::FXint unitType = 1;       // 1 unit plan, 2 routine lesson, 3 non-contact time
    // The shown unit's type as stored: its lessons' date and time panel and
    // their routine day follow it, not a radio clicked but not yet saved.
    FX::FXint storedUnitType = 1;
    FX::FXint exportMark = 0;     // UnitPlan.Transfer: 1 marked, 0 ordinary, -1 imported
    // "Mark for export to disk" as shown: checked only for a unit marked for
    // export; an imported unit is not.  Checking or clearing it sets the mark
    // to 1 or 0, an imported unit left alone keeps -1.
    FX::FXint exportChecked = 0;
    FX::FXint rotate = 0;         // "Rotating plan"
    FX::FXint shoveDays = 1;      // 1..30
    FX::FXint evaluation = 0;     // 1 excellent, 0 good, -1 bad
    FX::FXint assessment = 0;     // 1 yes, 0 no
    FX::FXint notTaught = 0;      // 1 yes, 0 no

    FX::FXDataTarget syndicateWideTarget;
    FX::FXDataTarget persistentTarget;
    FX::FXDataTarget unitTypeTarget;
    FX::FXDataTarget exportMarkTarget;
    FX::FXDataTarget rotateTarget;
    FX::FXDataTarget shoveDaysTarget;
    FX::FXDataTarget evaluationTarget;
    FX::FXDataTarget assessmentTarget;
    FX::FXDataTarget notTaughtTarget;

    // ---- widgets
    FX::FXList* longTermList = nullptr;
    FX::FXList* unitList = nullptr;
    FX::FXList* dayList = nullptr;
    FX::FXList* lessonList = nullptr;
    FX::FXTabBook* tabBook = nullptr;
    enum Tab { TAB_LONGTERM, TAB_UNIT, TAB_OBJECTIVE, TAB_DETAIL, TAB_EVALUATION, TAB_SEARCH, TAB_SUBJECTS, TAB_COUNT };
    FX::FXTabItem* tabItems[TAB_COUNT] = {};
    FX::FXVerticalFrame* tabPanes[TAB_COUNT] = {};

    // Tab 1: long-term plans.
    FX::FXComboBox* childYearCombo = nullptr;
    FX::FXComboBox* subjectCombo = nullptr;
    FX::FXTextField* longTermName = nullptr;
    FX::FXText* longTermDescription = nullptr;
    FX::FXTextField* longTermStart = nullptr;
    FX::FXTextField* longTermEnd = nullptr;
    FX::FXCheckButton* syndicateWideCheck = nullptr;
    FX::FXCheckButton* persistentCheck = nullptr;
    FX::FXLabel* leaderLabel = nullptr;

    // Tab 2: unit plans and their attachments.
    FX::FXTextField* unitName = nullptr;
    FX::FXText* unitDescription = nullptr;
    FX::FXRadioButton* unitTypeRadio[3] = {};
    FX::FXCheckButton* rotateCheck = nullptr;
    FX::FXCheckButton* exportCheck = nullptr;
    FX::FXList* attachmentList = nullptr;
    FX::FXList* attachmentSizeList = nullptr;
    FX::FXText* attachmentNotes = nullptr;

    // Tab 3: lesson objective and the date and time panels, one per unit type.
    FX::FXTextField* lessonName = nullptr;
    FX::FXText* essentialSkills = nullptr;
    FX::FXText* achievementObjectives = nullptr;
    FX::FXText* learningOutcomes = nullptr;
    FX::FXSwitcher* timeSwitcher = nullptr;
    struct TimePanel {
        FX::FXTextField* startDate = nullptr;
        FX::FXTextField* endDate = nullptr;
        FX::FXTextField* startTime = nullptr;
        FX::FXTextField* endTime = nullptr;
    };
    TimePanel panels[3];
    FX::FXComboBox* routineDayCombo = nullptr;
    FX::FX7Segment* shoveReadout = nullptr;
    FX::FXSlider* shoveSlider = nullptr;

    // Tab 4: lesson detail.
    FX::FXText* lessonIntro = nullptr;
    FX::FXText* lessonDevelopment = nullptr;
    FX::FXText* lessonClosure = nullptr;

    // Tab 5: lesson evaluation.
    FX::FXText* lessonTest = nullptr;
    FX::FXText* lessonResources = nullptr;
    FX::FXText* lessonReflection = nullptr;

    // Tab 6: search.
    FX::FXList* searchDateList = nullptr;
    FX::FXList* searchTeacherList = nullptr;
    FX::FXList* searchUnitList = nullptr;
    FX::FXList* searchLessonList = nullptr;
    FX::FXTextField* searchText = nullptr;
    FX::FXCheckButton* searchEvaluation = nullptr;
    FX::FXCheckButton* searchAssessment = nullptr;
    FX::FXCheckButton* searchNotTaught = nullptr;

    // Tab 7: subjects.
    FX::FXList* subjectList = nullptr;
    FX::FXTextField* subjectText = nullptr;

    // The tick of a search result row chosen for printing.
    FX::FXIcon* tickIcon = nullptr;

    // The four list icons: always shown, marked for export, imported, transfer file.
    FX::FXIcon* persistentIcon = nullptr;
    FX::FXIcon* exportIcon = nullptr;
    FX::FXIcon* importedIcon = nullptr;
    FX::FXIcon* transferFileIcon = nullptr;

    // The Alt-key shortcuts of the dialog's buttons and tab names; only those
    // of the tab shown (and the names of the tabs shown) are active.
    struct Shortcut {
        FX::FXWindow* widget;
        FX::FXHotKey key;
        FX::FXint tab;  // the tab the widget is on; -1 for a tab name
    };
    std::vector<Shortcut> shortcuts;

    // Sizes, in pixels: the dialog opens at the default size and never
    // smaller than the minimum; both fit a 1024 x 768 screen with every
    // control of every tab visible.  The plan lists on the left are
    // planListWidth wide (two side by side), the day list dayListWidth.
    static constexpr FX::FXint defaultWidth = 940;
    static constexpr FX::FXint defaultHeight = 690;
    static constexpr FX::FXint minimumWidth = 940;
    static constexpr FX::FXint minimumHeight = 620;
    static constexpr FX::FXint planListWidth = 140;
    static constexpr FX::FXint dayListWidth = 90;

    // Where the platform put the dialog against where it was asked to.
    FX::FXint placementDx = 0;
    FX::FXint placementDy = 0;

    // Live dialogs of the process (each closes and deletes itself).
    static FX::FXint liveCount;

public:
    enum {
        ID_SELECTQUERY = FX::FXDialogBox::ID_LAST,  // timer: fill the lists
        ID_PRESELECT,                               // timer: select the plan or lesson opened with
        ID_DESTROY,                                 // chore: delete the closed dialog
        ID_CLOSE,
        ID_LONGTERMLIST,
        ID_UNITLIST,
        ID_DAYLIST,
        ID_LESSONLIST,
        ID_ATTACHMENTLIST,
        ID_SUBJECTLIST,
        ID_PERSISTENT,        // the persistent flag changed
        ID_PERSISTENT_FIELD,  // the controls the persistent flag disables
        ID_EXPORT_MARK,       // "Mark for export to disk" checked or cleared
        ID_SEARCHTEXT,
        ID_SEARCHRESULT,       // a row of the four search result lists chosen
        ID_SEARCH_EVALUATION,  // the three "Lesson Evaluation" checks of the search
        ID_SEARCH_ASSESSMENT,
        ID_SEARCH_NOTTAUGHT,
        ID_TIMESWITCHER,
        ID_ADD_LONGTERM,
        ID_EDIT_LONGTERM,
        ID_DELETE_LONGTERM,
        ID_ADD_UNIT,
        ID_EDIT_UNIT,
        ID_DELETE_UNIT,
        ID_ADD_LESSON,
        ID_EDIT_LESSON,
        ID_DELETE_LESSON,
        ID_PLUS_DAY,
        ID_PLUS_WEEK,
        ID_PERIOD_UP,
        ID_PERIOD_DOWN,
        ID_BUMP,
        ID_SHOVE,
        ID_ADD_SUBJECT,
        ID_RENAME_SUBJECT,
        ID_RETIRE_SUBJECT,
        ID_SUBJECT_UP,
        ID_SUBJECT_DOWN,
        ID_ATTACH_IMPORT,
        ID_ATTACH_EDIT,
        ID_ATTACH_EXPORT,
        ID_ATTACH_REMOVE,
        ID_SEARCH,
        ID_SEARCH_SELECT,
        ID_SEARCH_UNSELECT,
        ID_SEARCH_PRINT,
        ID_LAST
    };

    // A longTermId or lessonId of 1 or more (the first Id the database
    // gives) selects that plan or lesson once the lists are filled; 0 means
    // none.  The target (tgt, sel) is
    // told when selecting a lesson moved appState.dateOffset: SEL_COMMAND with the
    // dialog's message and no data.
    UnitPlanDialog(FX::FXApp* app, FX::FXint longTermId, FX::FXint lessonId, FX::FXObject* tgt = nullptr,
                   FX::FXSelector sel = 0);
    ~UnitPlanDialog() override;
    // Reads the saved geometry and shows the dialog.
    void create() override;

    // ---- opening and the long-term list (UnitPlanDialog.cpp)
    FX::FXint selectQuery();
    void fillCombos();
    void onLongTermSelected(FX::FXint index);
    FX::FXint getUnitIndex();
    FX::FXint getLessonIndex();
    void clearPlanLists();
    // Stores the geometry and closes; the dialog deletes itself soon after.
    void closeDialog();
    bool isLeader() const;
    void showTab(Tab tab);
    // Makes the Alt keys of the tab shown, and of the tab names shown, the
    // active ones (the shown tab's controls win over a tab name with the
    // same key).  Run whenever the shown tab, the tabs shown or the lesson
    // panel change.
    void activateShortcuts();
    // The persistent flag enables or disables the subject and the dates.
    void enableDateFields();
    // The search string is emptied while an evaluation check is on.
    bool searchChecksOn() const;
    void keepSearchTextEmpty();

    // ---- lesson search (LessonSearchTab.cpp)
    void searchLessons();
    // Result row `index` chosen: untick a ticked row; tick another and show
    // its date and lesson.
    void chooseSearchResult(FXint index);
    bool isResultTicked(FXint index) const;
    void tickResult(FXint index, bool ticked);
    void tickAllResults(bool ticked);
    void printTickedLessons();

    // ---- long-term plans and subjects (LongTermEdit.cpp)
    void addLongTermQuery();
    void checkLongTermFields();
    void editLongTermQuery();
    void deleteLongTermQuery();
    void refreshSubjects(FX::FXint id);
    void addSubject();
    void renameSubject();
    void retireSubject();
    void moveSubject(bool up);
    void onSubjectSelected(FX::FXint index);

    // ---- unit plans (UnitPlanEdit.cpp)
    void onUnitSelected(FX::FXint index);
    void addUnitQuery();
    void checkUnitFields();
    void editUnitQuery();
    void deleteUnitQuery();
    void importUnitPlan(FX::FXint index);

    // ---- file attachments (AttachmentEdit.cpp)
    void listAttachments(FX::FXint unitId);
    void onAttachmentSelected(FX::FXint index);
    void importAttachment();
    void exportAttachment();
    void saveAttachmentNotes();
    void removeAttachment();
    // The name list's entry that is current and selected, or -1.
    FX::FXint chosenAttachment() const;
    // The unit of the current unit entry, or -1 (none, or a transfer file).
    FX::FXint attachmentUnit() const;

    // ---- lesson plans (LessonPlanEdit.cpp)
    void onLessonSelected(FX::FXint index);
    void addLessonQuery();
    void editLessonQuery();
    void deleteLessonQuery();
    // The lesson's typed dates ('YYYY-MM-DD') and times ("HH:MM", or ""
    // for none), checked.
    struct CheckedLesson {
        FX::FXString start, end, startTime, endTime;
    };
    CheckedLesson checkLessonFields(bool texts);
    // true: go on; false: the user chose to abandon.  `shown` holds the
    // checked values of an edit.
    bool checkRetrospective(bool forEdit, const CheckedLesson* shown);
    // +Day and +Week move the shown dates by calendar days, Up and Down the
    // shown times by seconds; nothing is stored.
    void shiftDates(FX::FXint days);
    void shiftTimes(FX::FXlong seconds);
    // Reads one lesson row into the shared recordset (fromTable LessonPlan).
    void readLesson(FX::FXint lessonId);
    void bumpLesson();
    void shoveLessons();
    FX::FXint chosenLesson(const FX::FXString& caption, const FX::FXString& action);
    void refreshShownDates(IsectRecordset& lessons);
    // The panel of the shown unit's stored type, and its index (0 to 2).
    TimePanel& currentPanel();
    FX::FXint lessonPanel() const;

    // ---- message handlers
    long onTimerSelectQuery(FX::FXObject*, FX::FXSelector, void*);
    long onTimerPreselect(FX::FXObject*, FX::FXSelector, void*);
    long onChoreDestroy(FX::FXObject*, FX::FXSelector, void*);
    long onCmdClose(FX::FXObject*, FX::FXSelector, void*);
    long onCmdLongTermList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdUnitList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdLessonList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAttachmentList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSubjectList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPersistent(FX::FXObject*, FX::FXSelector, void*);
    long onUpdPersistentField(FX::FXObject*, FX::FXSelector, void*);
    long onCmdExportMark(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSearchCheck(FX::FXObject*, FX::FXSelector, void*);
    long onChgSearchText(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSearchResult(FX::FXObject*, FX::FXSelector, void*);
    long onUpdTimeSwitcher(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAddLongTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEditLongTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDeleteLongTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAddUnit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEditUnit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDeleteUnit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAddLesson(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEditLesson(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDeleteLesson(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPlusDay(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPlusWeek(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPeriodUp(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPeriodDown(FX::FXObject*, FX::FXSelector, void*);
    long onCmdBump(FX::FXObject*, FX::FXSelector, void*);
    long onCmdShove(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAddSubject(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRenameSubject(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRetireSubject(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSubjectUp(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSubjectDown(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAttachImport(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAttachEdit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAttachExport(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAttachRemove(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSearch(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSearchSelect(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSearchUnselect(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSearchPrint(FX::FXObject*, FX::FXSelector, void*);

    // ---- helpers shared by the operation files
    // Runs body inside the failure scope; false when it failed.
    bool failureScope(const FX::FXString& caption, const std::function<void()>& body);
    // OpenRecordset that ends the operation when the middleware cannot be
    // reached (the recordset layer has already shown its warning box).
    static void query(IsectRecordset& rs, const FX::FXString& sql);
    // Raw text of a column of the current row (dates as YYYY-MM-DD, times
    // as HH:MM:SS...), without the display conversion of GetField.
    static FX::FXString rawField(IsectRecordset& rs, const FX::FXString& name);
    // A column of the current row as shown (GetField), with NULL dates and
    // times as empty text instead of "None".
    static FX::FXString shownValue(IsectRecordset& rs, const FX::FXString& name);
    // The date typed in a field, checked (data/InputChecks.h) and as
    // 'YYYY-MM-DD'; with `optional` a blank field is "" (no date).
    static FX::FXString checkedDate(const FX::FXString& field, FX::FXTextField* control, bool optional = false);
    // The SQL literal of a checked date: 'YYYY-MM-DD', or NULL for no date.
    static FX::FXString dateLiteral(const FX::FXString& iso);
    // Plain words for a row that vanished, and for a database without a
    // school term yet.
    static FX::FXString vanishedText(const FX::FXString& what);
    static FX::FXString noTermText();
    void busy(bool on);

protected:
    UnitPlanDialog() {}
    void buildLayout();
    void buildLongTermTab(FX::FXComposite* pane);
    void buildUnitTab(FX::FXComposite* pane);
    void buildObjectiveTab(FX::FXComposite* pane);
    void buildDetailTab(FX::FXComposite* pane);
    void buildEvaluationTab(FX::FXComposite* pane);
    void buildSearchTab(FX::FXComposite* pane);
    void buildSubjectsTab(FX::FXComposite* pane);
    void collectShortcuts();
    void tellDateShown();
    FX::FXint preselectLongTerm = 0;
    FX::FXint preselectLesson = 0;
    bool closing = false;
};

#endif

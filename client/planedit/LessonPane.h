// The three lesson tabs, "&Lesson Objective", "Le&sson Detail" and "Lesson
// E&valuation": one lesson plan of the chosen unit, shown and written as
// one row, with Add (new or copied), Edit, Delete, the retrospective-
// planning rule, and the date and time buttons.
//
//   LessonPane.cpp    the widgets of the three tabs, showing a lesson, add,
//                     edit, delete, the retrospective-planning rule
//   LessonDates.cpp   +Day, +Week, Up, Down, Bump and Shove
//
// The pane fills the objective tab and builds the detail and evaluation
// tabs into the pages it is given.  The objective tab's date and time
// fields stand in three panels, one per unit type; the panel of the shown
// unit's stored type (PlanLists::unitType) is the one shown, read and
// written.
//
// Tells its target:
//   SEL_INSERTED  a lesson was added; data its Id (the dialog lists the
//                 unit's lessons again and shows it)
//   SEL_REPLACED  the shown lesson was edited; data its index in the day
//                 list (the dialog shows it again, staying on the tab shown)
//   SEL_DELETED   the chosen lesson was deleted (the dialog lists the
//                 unit's lessons again)
//   SEL_CHANGED   a shove moved lessons; data an IsectRecordset* of their
//                 rows (Id, DateStart, ...), so that the day list shows their
//                 new starts
#ifndef PLENWICK_LESSONPANE_H
#define PLENWICK_LESSONPANE_H

#include <vector>

#include "data/RowVersions.h"
#include "planedit/PlanPane.h"
#include "ui/RowConflict.h"

// A lesson's marks, as set on the evaluation tab; the Search tab searches
// for them.
struct LessonMarks {
    FX::FXint evaluation = 0;  // 1 excellent, 0 good, -1 bad
    FX::FXint assessment = 0;  // 1 yes, 0 no
    FX::FXint notTaught = 0;   // 1 yes, 0 no
};

class TeachingDays;

class LessonPane : public PlanPane {
    FXDECLARE(LessonPane)
public:
    LessonPane(FX::FXComposite* objectivePage, FX::FXComposite* detailPage, FX::FXComposite* evaluationPage,
               const PaneShared& shared, FX::FXObject* tgt, FX::FXSelector sel);
    ~LessonPane() override;

    const LessonMarks& marks() const { return lessonMarks; }
    // Shows lesson `lessonId` (its row read into the shared recordset); its
    // DateStart as stored ('YYYY-MM-DD...'), "" when the row is gone.
    // Throws the recordset's failures.
    FX::FXString show(FX::FXint lessonId);
    // Brings up the date and time panel of the shown unit's type.
    void showPanel();
    // True when the shown lesson's texts (its name and the texts of the
    // three tabs) were changed and not stored.
    bool unstored() const;
    FX::FXString shownName() const;
    // Stores the shown lesson as Edit does (checked first); true when it
    // was written.
    bool storeShown();

    enum {
        ID_ADD = FX::FXVerticalFrame::ID_LAST,
        ID_EDIT,
        ID_DELETE,
        ID_PLUS_DAY,
        ID_PLUS_WEEK,
        ID_PERIOD_UP,
        ID_PERIOD_DOWN,
        ID_BUMP,
        ID_SHOVE,
        ID_RESCHEDULE,
        ID_TIMESWITCHER,  // update: the panel of the unit's type
        ID_LAST
    };
    long onCmdAdd(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEdit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDelete(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPlusDay(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPlusWeek(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPeriodUp(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPeriodDown(FX::FXObject*, FX::FXSelector, void*);
    long onCmdBump(FX::FXObject*, FX::FXSelector, void*);
    long onCmdShove(FX::FXObject*, FX::FXSelector, void*);
    long onCmdReschedule(FX::FXObject*, FX::FXSelector, void*);
    long onUpdTimeSwitcher(FX::FXObject*, FX::FXSelector, void*);

protected:
    LessonPane() {}

private:
    LessonMarks lessonMarks;
    // The shown lesson as read, against which an edit is checked.
    ReadRow shownRow;
    FX::FXint shoveDays = 1;  // 1..30
    FX::FXDataTarget evaluationTarget;
    FX::FXDataTarget assessmentTarget;
    FX::FXDataTarget notTaughtTarget;
    FX::FXDataTarget shoveDaysTarget;
    FX::FXComposite* otherPages[2] = {};  // the detail and evaluation tabs

    // The fields of the lesson row, in the order of its texts (LessonES ...).
    FX::FXTextField* nameField = nullptr;
    enum Text { SKILLS, OBJECTIVES, OUTCOMES, INTRO, DEVELOPMENT, CLOSURE, TEST, RESOURCES, REFLECTION, TEXT_COUNT };
    FX::FXText* texts[TEXT_COUNT] = {};
    FX::FXSwitcher* timeSwitcher = nullptr;
    struct TimePanel {
        FX::FXTextField* startDate = nullptr;
        FX::FXTextField* endDate = nullptr;
        FX::FXTextField* startTime = nullptr;
        FX::FXTextField* endTime = nullptr;
    };
    TimePanel panels[3];
    FX::FXComboBox* routineDayCombo = nullptr;
    // The date, time and day fields as last shown or stored: +Day, +Week
    // and Bump change only the fields, which then count as unstored.
    FX::FXString keptTimes[4];
    FX::FXint keptDay = -1;
    void keepShownTimes();
    bool timesChanged() const;

    // ---- building (LessonPane.cpp)
    void buildObjective();
    void buildTimePanels();
    void buildDetail(FX::FXComposite* page);
    void buildEvaluation(FX::FXComposite* page);

    // ---- add, edit, delete (LessonPane.cpp)
    // The lesson's typed dates ('YYYY-MM-DD') and times ("HH:MM", or "" for
    // none), checked.
    struct CheckedLesson {
        FX::FXString start, end, startTime, endTime;
    };
    // Every typed value checked before anything is sent; `withTexts` false
    // leaves out the texts that a new record empties.
    CheckedLesson checkFields(bool withTexts);
    // true: go on; false: the user chose to abandon.  `shown` holds the
    // checked values of an edit.
    bool checkRetrospective(bool forEdit, const CheckedLesson* shown);
    void readLesson(FX::FXint lessonId);
    bool writeShown(FX::FXint lessonId);
    std::vector<rowconflict::Field> editedFields() const;
    void writeLesson(FX::FXint lessonId, const CheckedLesson& checked);
    void addLesson();
    void editLesson();
    void deleteLesson();
    // RoutineDay as written: the "Day:" box for a routine unit, 0 otherwise.
    FX::FXString routineDay() const;

    // ---- the date and time buttons (LessonDates.cpp)
    // +Day and +Week move the shown dates by calendar days, Up and Down the
    // shown times by seconds; nothing is stored.
    void shiftDates(FX::FXint days);
    void shiftTimes(FX::FXlong seconds);
    void bumpLesson();
    void shoveLessons();
    // Moves the lessons' ends (and the later lessons' starts) on by `days`
    // school days in `lessons`; the shown lesson's new end.
    FX::FXlong shove(IsectRecordset& lessons, FX::FXint days, const TeachingDays& schoolDays);
    // Stretches the teacher's own long-term plan to the unit's last lesson.
    void stretchPlan(const FX::FXString& unit);
    // The index in the day list of the lesson Bump and Shove act on, or -1
    // after telling the user to choose one.
    FX::FXint chosenLesson(const FX::FXString& caption, const FX::FXString& action);

    // The panel of the shown unit's stored type, and its index (0 to 2).
    TimePanel& currentPanel() { return panels[panelIndex()]; }
    FX::FXint panelIndex() const;
};

#endif

// School Setup: what a school needs before its teachers can plan, kept
// without SQL.  Four tabs:
//
//   Terms        the school terms (TermDate: first day, weeks, year, term
//                number); add, edit, delete; terms may not overlap
//   Year Levels  the children's year levels (ChildYear) that long-term
//                plans are for
//   Non-Teaching Days  public holidays, teacher-only days, school events
//                (NonTeachingDay: a name and a first and last date); the
//                week grid shades them, Shove and Reschedule pass them by
//   Timetable    the Settings rows SchoolHour, SchoolMinute, SchoolPeriod
//                and SchoolTimes that the week grid is drawn with
//
// A modal dialog; the calendar opens it from its Options menu and redraws
// when it returns.  Saving the timetable also sets the application's
// timetable (appState) at once.
//
//   SchoolSetupWindow setup(calendar);
//   setup.create();              // fills the lists from the database
//   setup.execute(PLACEMENT_OWNER);
#ifndef PLENWICK_SCHOOLSETUPWINDOW_H
#define PLENWICK_SCHOOLSETUPWINDOW_H

#include <fx.h>

#include <functional>
#include <vector>

#include "data/IsectRecordset.h"
#include "data/RowVersions.h"
#include "ui/RowConflict.h"

class SchoolSetupWindow : public FX::FXDialogBox {
    FXDECLARE(SchoolSetupWindow)
protected:
    FX::FXTabBook* tabs = nullptr;
    // Terms: the list (item data: TermDate Id, in date order) and the fields.
    FX::FXList* termList = nullptr;
    FX::FXLabel* firstDayLabel = nullptr;
    FX::FXTextField* firstDayField = nullptr;
    FX::FXSpinner* weeksSpinner = nullptr;
    FX::FXSpinner* yearSpinner = nullptr;
    FX::FXSpinner* termSpinner = nullptr;
    // Year levels: the list (item data: ChildYear Id) and the name field.
    FX::FXList* yearList = nullptr;
    FX::FXTextField* yearField = nullptr;
    // Non-teaching days: the list (item data: NonTeachingDay Id, in date
    // order) and the fields.
    FX::FXList* closedList = nullptr;
    FX::FXTextField* closedNameField = nullptr;
    FX::FXLabel* closedFirstLabel = nullptr;
    FX::FXLabel* closedLastLabel = nullptr;
    FX::FXTextField* closedFirstField = nullptr;
    FX::FXTextField* closedLastField = nullptr;
    // Timetable.
    FX::FXSpinner* hourSpinner = nullptr;
    FX::FXSpinner* minuteSpinner = nullptr;
    FX::FXSpinner* periodSpinner = nullptr;
    FX::FXSpinner* rowsSpinner = nullptr;
    FX::FXLabel* dayEndsLabel = nullptr;
    IsectRecordset recordset;
    // The chosen term and year level as read, against which an edit is
    // checked.
    ReadRow shownTerm, shownYear, shownClosed;
    // The timetable's four Settings rows as read when the window opened.
    ReadRow shownTimetable[4];
    // Reads the Settings row of `key` into the recordset; false when the
    // connection was lost.
    bool readSetting(const FX::FXString& key);
    bool timetableStillShown();
    // An edit of the chosen term or year level: its row `id` of `table`
    // read with `columns`, written by `update` (an UPDATE's SET list) only
    // while it is as shown; true when written.
    bool checkedUpdate(const FX::FXString& what, const FX::FXString& name, const FX::FXString& table,
                       const FX::FXString& columns, FX::FXint id, const FX::FXString& update, ReadRow& shown,
                       const std::vector<rowconflict::Field>& fields, const std::function<void()>& reload);

    SchoolSetupWindow() {}

public:
    enum {
        ID_TERMLIST = FX::FXDialogBox::ID_LAST,
        ID_ADDTERM,
        ID_EDITTERM,
        ID_DELETETERM,
        ID_YEARLIST,
        ID_ADDYEAR,
        ID_EDITYEAR,
        ID_DELETEYEAR,
        ID_CLOSEDLIST,
        ID_ADDCLOSED,
        ID_EDITCLOSED,
        ID_DELETECLOSED,
        ID_TIMETABLE,  // a timetable spinner changed: the end of the day is shown again
        ID_SAVETIMETABLE,
        ID_CLOSE,
        ID_LAST
    };

    explicit SchoolSetupWindow(FX::FXWindow* owner);
    ~SchoolSetupWindow() override;
    void create() override;

    // Reads terms, year levels and the timetable from the database.
    // The tabs' controls.
    void buildTermsTab();
    void buildYearsTab();
    void buildClosedTab();
    void buildTimetableTab();
    void load();

    FX::FXTabBook* getTabs() const { return tabs; }
    FX::FXList* getTermList() const { return termList; }
    FX::FXTextField* getFirstDayField() const { return firstDayField; }
    FX::FXSpinner* getWeeksSpinner() const { return weeksSpinner; }
    FX::FXSpinner* getYearSpinner() const { return yearSpinner; }
    FX::FXSpinner* getTermSpinner() const { return termSpinner; }
    FX::FXList* getYearList() const { return yearList; }
    FX::FXTextField* getYearField() const { return yearField; }
    FX::FXList* getClosedList() const { return closedList; }
    FX::FXTextField* getClosedNameField() const { return closedNameField; }
    FX::FXTextField* getClosedFirstField() const { return closedFirstField; }
    FX::FXTextField* getClosedLastField() const { return closedLastField; }
    FX::FXSpinner* getHourSpinner() const { return hourSpinner; }
    FX::FXSpinner* getMinuteSpinner() const { return minuteSpinner; }
    FX::FXSpinner* getPeriodSpinner() const { return periodSpinner; }
    FX::FXSpinner* getRowsSpinner() const { return rowsSpinner; }
    FX::FXString getDayEndsText() const { return dayEndsLabel->getText(); }

    long onCmdTermList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAddTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEditTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDeleteTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdYearList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAddYear(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEditYear(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDeleteYear(FX::FXObject*, FX::FXSelector, void*);
    long onCmdClosedList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAddClosed(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEditClosed(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDeleteClosed(FX::FXObject*, FX::FXSelector, void*);
    long onCmdTimetable(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSaveTimetable(FX::FXObject*, FX::FXSelector, void*);
    long onCmdClose(FX::FXObject*, FX::FXSelector, void*);

protected:
    // One term as the fields give it; false (after the error box with the
    // caption) when a field is wrong.
    struct Term {
        FX::FXString firstDay;  // YYYY-MM-DD, a Monday
        FX::FXint weeks = 0, year = 0, number = 0;
    };
    bool readTermFields(const FX::FXString& caption, Term& term);
    // False (after the error box) when `term` overlaps a stored term other
    // than `exceptId`.
    bool checkOverlap(const FX::FXString& caption, const Term& term, FX::FXint exceptId);
    // The year level's name as typed, trimmed; false (after the error box)
    // when it is empty, too long or already there (other than `exceptId`).
    bool readYearField(const FX::FXString& caption, FX::FXString& name, FX::FXint exceptId);
    void loadTerms(FX::FXint selectId = 0);
    void loadYears(FX::FXint selectId = 0);
    // One non-teaching day as the fields give it; false (after the error
    // box with the caption) when a field is wrong.
    struct Closed {
        FX::FXString name, firstDay, lastDay;  // the name as typed, trimmed; YYYY-MM-DD
    };
    bool readClosedFields(const FX::FXString& caption, Closed& closed);
    void loadClosed(FX::FXint selectId = 0);
    void loadTimetable();
    void showDayEnd();
};

#endif

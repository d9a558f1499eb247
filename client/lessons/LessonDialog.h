// The lesson dialog "Print Lessons": the lessons of one day of the week the
// calendar showed, as tabs; a preview of the chosen lesson as its printed
// page; and the five print commands: this lesson, the day's lessons, the
// lesson's whole unit (each lesson on a page of its own, or as one verbose
// listing), and summary tables of the day or of the unit.
//
//   LessonDialog* dialog = new LessonDialog(app, weekStart, 0, calendar->planColourList);
//   dialog->create();           // shows itself; deletes itself when closed
//
// The caller hands over the week (the moment of its Monday) and its plan
// list, in the calendar's form: one row per lesson drawn that week with the
// lesson's Id in field 0, its unit's UnitType in field 4 (2 routine, 3
// non-contact), "Junk" and ",d" for each weekday d it is drawn on in field 5,
// and Rotate in field 6.  The dialog keeps its own copy.
//
// Message map rows: the preview's paint, the tab bar, the start-up timer,
// the five print commands, the day list, "&Close" and the window's close.
#ifndef PLENWICK_LESSONDIALOG_H
#define PLENWICK_LESSONDIALOG_H

#include <fx.h>

#include <vector>

#include "data/FXStringRecordset.h"
#include "data/IsectRecordset.h"
#include "lessons/LessonPage.h"

class FXDCNativePrinter;

class LessonDialog : public FX::FXDialogBox {
    FXDECLARE(LessonDialog)
public:
    // One lesson of the week as the calendar drew it.
    struct WeekLesson {
        FX::FXint id = 0;
        FX::FXint unitType = 0;
        FX::FXString days;  // "Junk,1,3": the weekdays it is drawn on
        FX::FXint rotate = 0;
    };

    // The print commands, as the buttons name them.
    enum Command { PRINT_LESSON, PRINT_ALL, PRINT_UNIT, PRINT_SUMMARY, PRINT_UNIT_SUMMARY, PRINT_WEEK };

    enum {
        ID_PREVIEW = FX::FXDialogBox::ID_LAST,
        ID_TABS,
        ID_START,  // timer, 100 ms after construction
        ID_PRINT,
        ID_PRINT_ALL,
        ID_PRINT_UNIT,
        ID_PRINT_SUMMARY,
        ID_PRINT_UNIT_SUMMARY,
        ID_PRINT_WEEK,
        ID_DAYS,
        ID_CLOSE,
        ID_DESTROY,  // chore: delete the closed dialog
        ID_LAST
    };

    // `weekStart`: the moment of the shown week's Monday; `unused` is not
    // read; `planColourList`: the calendar's list of the week's plans.
    LessonDialog(FX::FXApp* app, FX::FXlong weekStart, FX::FXint unused, const FXStringRecordset& planColourList);
    ~LessonDialog() override;
    // Restores the saved geometry, sets the lesson-dialog-opened flag, shows
    // the dialog.
    void create() override;

    // The four options, bound to their check buttons (0 or 1).
    FX::FXint routinePlans = 0;
    FX::FXint nonContactTime = 0;
    FX::FXint rotatingPlans = 0;
    FX::FXint verboseFormat = 0;

    // ---- steps
    // The start-up step: the preview's size from the chosen paper, the five
    // days; false after the missing-paper warning.
    FX::FXbool start();
    // Day `index` (0 Monday ... 4 Friday) chosen: its lessons as tabs, the
    // first shown.
    void chooseDay(FX::FXint index);
    // Tab `index` chosen: its lesson in the preview.
    void chooseTab(FX::FXint index);
    // One of the five print commands.
    void printCommand(Command command);
    // The unit of the current lesson into the unit recordset (the unit
    // commands' lessons); its number of lessons.
    FX::FXint loadUnit();
    // The pages the command would print on the preview's paper (0 when unknown).
    FX::FXuint countPages(Command command, const std::vector<FX::FXint>& ids);
    // What a print command draws onto the job: lesson pages, the verbose
    // listing or a summary of the lessons `ids`.
    void printJob(FXDCNativePrinter& dc, Command command, const std::vector<FX::FXint>& ids);

    // Draws lesson `lessonId` as a page W x H for `command` (the date is
    // empty for "Print &Unit", else the chosen day).
    void drawLessonPage(FX::FXDC& dc, FX::FXint W, FX::FXint H, FX::FXint lessonId, Command command,
                        LessonRest* rest = nullptr);
    // Draws the preview image again from the current lesson.
    void drawPreview();

    // The lessons the command prints, in order.
    std::vector<FX::FXint> lessonsOf(Command command);
    // For "Print &Week": the day (0 Monday ... 4 Friday) of each lesson that
    // lessonsOf(PRINT_WEEK) gave, in the same order.
    std::vector<FX::FXint> weekDays;
    // The statements of a lesson: the whole lesson (pages, verbose
    // listings) and the summary row.
    static FX::FXString lessonStatement(FX::FXint lessonId);
    static FX::FXString summaryStatement(FX::FXint lessonId);
    // The weekday name and date text of the chosen day ("Monday 03/02/30"),
    // empty when none is chosen.
    FX::FXString dayText() const;
    // The weekday name and date of the day `index` (0 Monday ... 4 Friday).
    FX::FXString dayTextOf(FX::FXint index) const;

    // Stores the geometry and closes; the dialog deletes itself soon after.
    void closeDialog();

    // ---- state and widgets, for the tests
    FX::FXlong weekStart;
    std::vector<WeekLesson> weekLessons;
    FX::FXint chosenDay = -1;      // 0 Monday ... 4 Friday, -1 none
    FXStringRecordset dayLessons;  // one row per tab: the lesson Id
    FX::FXint currentLesson = 0;
    IsectRecordset lessonRecordset;
    IsectRecordset unitRecordset;
    FX::FXList* dayList = nullptr;
    FX::FXTabBar* tabBar = nullptr;
    FX::FXCanvas* preview = nullptr;
    FX::FXImage* image = nullptr;
    enum RedrawState { NO_IMAGE, DIRTY, CLEAN };
    RedrawState redrawState = NO_IMAGE;
    FX::FXCheckButton* optionChecks[4] = {};
    FX::FXButton* printButtons[7] = {};  // the six commands and "&Close"
    // The paper the preview shows, from the print settings: media width and
    // height and margins in points.
    FX::FXdouble paperWidth = 0, paperHeight = 0;
    FX::FXdouble leftMargin = 0, rightMargin = 0, topMargin = 0, bottomMargin = 0;
    FX::FXint placementDx = 0;
    FX::FXint placementDy = 0;
    // Live dialogs of the process (each deletes itself when closed).
    static FX::FXint liveCount;

    long onPaintPreview(FX::FXObject*, FX::FXSelector, void*);
    long onCmdTabs(FX::FXObject*, FX::FXSelector, void*);
    long onTimerStart(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrint(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintAll(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintUnit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintSummary(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintUnitSummary(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintWeek(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDays(FX::FXObject*, FX::FXSelector, void*);
    long onCmdClose(FX::FXObject*, FX::FXSelector, void*);
    long onChoreDestroy(FX::FXObject*, FX::FXSelector, void*);

protected:
    LessonDialog() {}

private:
    FX::FXDataTarget optionTargets[4];
    FX::FXbool closing = FALSE;

    void busy(FX::FXbool on);
    // Lesson pages, one a page; or the verbose listing of the lessons.
    void printPages(FXDCNativePrinter& dc, const std::vector<FX::FXint>& ids, Command command);
    void printVerbose(FXDCNativePrinter& dc, const std::vector<FX::FXint>& ids);
    void printSummary(FXDCNativePrinter& dc, const std::vector<FX::FXint>& ids, Command command);
};

#endif

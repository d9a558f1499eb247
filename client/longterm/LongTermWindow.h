// The long-term view: one school term of the current teacher's and the
// teacher's syndicate's long-term plans, one row per current subject, one
// column per school week, each plan a coloured band over the weeks it
// covers.  From it the user steps by term and year (the same shown moment
// as the calendar's), opens the plan editor on a clicked plan, opens
// description windows beside the plans and prints the view or a summary.
//
//   LongTermWindow.cpp    layout, geometry, commands, the pop-up menu, the
//                         description window table
//   LongTermPlan.cpp      the term drawing (loadTerm, drawPlan), the canvas
//                         paint and the click test (onMouseDown)
//   LongTermPrint.cpp     "Print Long Term" and "Print Long Term Summary Report"
//   LongDialogDesc.h      the description window
//
// The window tells its owner (tgt, sel) with SEL_COMMAND whenever it moved
// appState.dateOffset, so that the owner can show the same moment.
#ifndef PLENWICK_LONGTERMWINDOW_H
#define PLENWICK_LONGTERMWINDOW_H

#include <fx.h>

#include <vector>

#include "data/FXStringRecordset.h"
#include "data/IsectRecordset.h"

class FXDCNativePrinter;
class LongDialogDesc;

class LongTermWindow : public FX::FXMainWindow {
    FXDECLARE(LongTermWindow)
protected:
    IsectRecordset subjectRecordset;  // the subjects of the term
    IsectRecordset workRecordset;     // the teacher, the term, then the plans
public:
    // One row per plan of the last drawing, in the order the drawing first
    // met them: plan Id, fill colour, text colour (signed decimal), and the
    // number of week cells in which its name was counted.
    FXStringRecordset planColours;
    // One row per open description window: plan Id, text, x, y, w, h, owner
    // x, y, width, height (decimal).
    FXStringRecordset descriptionWindows;
    // The term of the last drawing, as read from TermDate (untrimmed).
    FX::FXString schoolTerm, schoolYear;

protected:
    FX::FXVerticalFrame* outerFrame = nullptr;
    FX::FXHorizontalFrame* navigationFrame = nullptr;
    FX::FXVerticalFrame* canvasFrame = nullptr;
    FX::FXCanvas* canvas = nullptr;
    FX::FXHorizontalFrame* buttonFrame = nullptr;
    FX::FXMenuPane* popupMenu = nullptr;

    // The off-screen image the canvas is painted from.
    enum RepaintState { NO_IMAGE, DIRTY, CLEAN };
    RepaintState repaintState = NO_IMAGE;
    FX::FXImage* image = nullptr;
    FX::FXint imageWidth = 0, imageHeight = 0;
    // "Refresh with Descriptions": open description windows in the next drawing.
    FX::FXbool withDescriptions = false;

    FX::FXint placementDx = 0, placementDy = 0;
    FX::FXbool closing = false;
    // The description windows this window opened (it deletes them).
    std::vector<LongDialogDesc*> descriptionDialogs;
    // Drawings begun (on any device) since the window was made: each one
    // rebuilt planColours.
    FX::FXuint drawings = 0;
    // The long-term plan the last click chose ("0" when none was drawn).
    FX::FXString chosenPlan;

    LongTermWindow() {}

public:
    enum {
        ID_CANVAS = FX::FXMainWindow::ID_LAST,
        ID_PREV_YEAR,
        ID_PREV_TERM,
        ID_THIS_TERM,
        ID_NEXT_TERM,
        ID_NEXT_YEAR,
        ID_REFRESH,
        ID_REFRESH_DESCRIPTIONS,
        ID_DESCRIPTION_REPORT,  // ptr: const LongDialogDesc::Report*
        ID_EDIT,
        ID_MOREOPTIONS,
        ID_PRINT_LONGTERM,
        ID_PRINT_SUMMARY,
        ID_CLOSE,
        ID_SHOWDATE,  // a plan editor opened here moved appState.dateOffset
        ID_DESTROY,   // chore: delete the closed window
        ID_LAST
    };

    explicit LongTermWindow(FX::FXApp* app, FX::FXObject* tgt = nullptr, FX::FXSelector sel = 0);
    ~LongTermWindow() override;
    // Places the window where it was last closed and shows it.
    void create() override;

    // Draws the term view on any device, w x h.  Without the middleware (a
    // lost connection, for the command to tell) it draws nothing and returns false; a
    // database error is thrown (FXException) before anything is drawn.
    FX::FXbool drawPlan(FX::FXDC& dc, FX::FXint w, FX::FXint h);
    // Redraw: a new image at the next paint, which runs at once.
    void redraw();

    // "Print Long Term" on a job: the term view 100 units inside the
    // printable area, then the description windows on page 2.  Without the
    // middleware throws PrintAbandoned (print/PrintRoutine.h).
    void printLongTerm(FXDCNativePrinter& dc);
    // Page 2 (b x a): each row of the description window table as a box
    // with its whole text at the printed size, in two columns in the order
    // of the windows on the screen (sw x sh, the screen's size).
    void drawDescriptionPage(FX::FXDC& dc, FX::FXint b, FX::FXint a, FX::FXint sw, FX::FXint sh);
    // The summary report's definition (the term of the last drawing) and the
    // statement of one plan's row.
    void summaryDefinition(FXStringRecordset& definition) const;
    static FX::FXString summaryStatement(const FX::FXString& planId);

    FX::FXCanvas* getCanvas() const { return canvas; }
    FX::FXImage* getImage() const { return image; }
    FX::FXMenuPane* getPopupMenu() const { return popupMenu; }
    const FX::FXString& getChosenPlan() const { return chosenPlan; }
    const std::vector<LongDialogDesc*>& getDescriptionDialogs() const { return descriptionDialogs; }
    FX::FXbool isClosing() const { return closing; }

    long onPaint(FX::FXObject*, FX::FXSelector, void*);
    long onMouseDown(FX::FXObject*, FX::FXSelector, void*);
    long onRightDown(FX::FXObject*, FX::FXSelector, void*);
    long onRightUp(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrevYear(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrevTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdThisTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdNextTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdNextYear(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRefresh(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRefreshDescriptions(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDescriptionReport(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEdit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdMoreOptions(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintLongTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintSummary(FX::FXObject*, FX::FXSelector, void*);
    long onCmdClose(FX::FXObject*, FX::FXSelector, void*);
    long onCmdShowDate(FX::FXObject*, FX::FXSelector, void*);
    long onChoreDestroy(FX::FXObject*, FX::FXSelector, void*);

protected:
    // What one drawing reads from the database (loadTerm), drawn by drawTerm.
    struct Subject {
        FX::FXint id = 0;
        FX::FXString name;
    };
    struct Plan {
        FX::FXString id, name, description;
        FX::FXint subject = 0, owner = 0;
        FX::FXlong start = 0, end = 0;  // PlanStart and PlanEnd at noon
    };
    struct Term {
        enum Outcome { NO_USER, NO_PLANS, NO_TERM, TERM } outcome = NO_USER;
        FX::FXString shownDay;  // the viewed date, YYYY-MM-DD
        FX::FXString teacher, schoolYear, schoolTerm, firstDay;
        FX::FXString firstTermDay;  // NO_TERM: the first stored term's FirstDay (empty: none)
        FX::FXint weeks = 0;
        // The non-teaching days of week i (from 1), their names joined;
        // "" for a week without one.
        std::vector<FX::FXString> closedInWeek;
        std::vector<Subject> subjects;
        std::vector<Plan> plans;
    };
    // The term's grid on a drawing: the measures (A the width of the grid,
    // u the column unit, ch and lh the row and line heights, cw a week
    // column's width), each week's start, and the plans (indices into
    // Term::plans) in each cell, rows by subject and columns by week.
    struct TermGrid {
        FX::FXint C = 0, R = 0, A = 0, u = 0, ch = 0, lh = 0, cw = 0;
        std::vector<FX::FXlong> weekStart;
        std::vector<std::vector<std::vector<FX::FXint>>> cells;
        FX::FXint x(FX::FXint i) const { return i == 0 ? 3 : 3 + 2 * u + (i - 1) * cw; }
        FX::FXint width(FX::FXint i) const { return i == 0 ? 2 * u : cw; }
    };
    // Each plan's fill and text colour, by index into Term::plans.
    struct PlanInk {
        std::vector<FX::FXColor> fill, text;
    };
    // Runs the drawing's queries; false without the middleware.
    FX::FXbool loadTerm(Term& term);
    static TermGrid layOut(FX::FXint w, FX::FXint h, const Term& term);
    void drawTerm(FX::FXDC& dc, FX::FXint w, FX::FXint h, const Term& term);
    void listPlans(FX::FXDC& dc, const TermGrid& g, const Term& term);
    void drawBands(FX::FXDC& dc, const TermGrid& g, const Term& term, const PlanInk& ink);
    void drawNames(FX::FXDC& dc, const TermGrid& g, const Term& term, const PlanInk& ink,
                   std::vector<FX::FXint>& counter);
    static void drawFooter(FX::FXDC& dc, FX::FXint A, FX::FXint h);
    void drawNoTerm(FX::FXDC& dc, FX::FXint w, FX::FXint h, const Term& term);
    void openDescription(const Plan& plan, FX::FXint x, FX::FXint y);
    void placeDescription(LongDialogDesc* dialog, FX::FXint x, FX::FXint y);
    void deleteClosedDescriptions();

    // Steps, then redraws and tells the owner.
    void moved();
    void openUnitPlanDialog(FX::FXint longTermId);
    void popupAt(FX::FXint x, FX::FXint y);
    FX::FXColor canvasPixel(FX::FXint x, FX::FXint y);
    void closeWindow();
};

#endif

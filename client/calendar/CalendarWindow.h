// The main window: one school week of the current teacher's lesson plans on
// a grid, navigation by week, term and year, and the place from which every
// other window and command is reached.  Closing it ends the program.
//
//   CalendarWindow.cpp   layout, settings load and save, commands, menus
//   CalendarPlan.cpp     the week drawing (drawPlan, slotTest), the canvas
//                        paint and the click test (onMouseDown)
//   CalendarExport.cpp   "Export Unit Plans" (transfer files) and "Export
//                        Database" (a tree of HTML pages and attachment files)
//   CalendarICalendar.cpp  "Export iCalendar..." (an .ics file of the lessons)
#ifndef PLENWICK_CALENDARWINDOW_H
#define PLENWICK_CALENDARWINDOW_H

#include <fx.h>

#include <vector>

#include "data/Dates.h"
#include "data/FXStringRecordset.h"
#include "data/IsectRecordset.h"
#include "planedit/UndoCommands.h"

class FXDCNativePrinter;

class CalendarWindow : public FX::FXMainWindow {
    FXDECLARE(CalendarWindow)
protected:
    IsectRecordset settingsRecordset;  // settings load, term navigation, exports
    IsectRecordset drawRecordset;      // the week drawing
public:
    // One row per lesson plan of the last drawing: Id, cell colour, label
    // colour, cells drawn, UnitType, "Junk" + ",day" per cell, Rotate.
    FXStringRecordset planColourList;

protected:
    FX::FXTextField* userText = nullptr;
    FX::FXVerticalFrame* outerFrame = nullptr;
    FX::FXHorizontalFrame* navigationFrame = nullptr;
    FX::FXVerticalFrame* canvasFrame = nullptr;
    FX::FXCanvas* canvas = nullptr;
    FX::FXHorizontalFrame* buttonFrame = nullptr;
    FX::FXint placementDx = 0;
    FX::FXint placementDy = 0;

public:
    FX::FXlong weekStart = 0;  // start of the shown week, set by the drawing
    // The day (YYYY-MM-DD) and the time of the row (HH:MM, "" outside the
    // rows) the pop-up menu was called on, for "Reschedule...".
    FX::FXString menuDay, menuTime;
    void pointAt(FX::FXint x, FX::FXint y);

protected:
    FX::FXint redrawState = 0;  // 0 no image yet, 1 redraw requested, -1 image up to date
    FX::FXint imageWidth = 0;
    FX::FXint imageHeight = 0;
    FX::FXImage* image = nullptr;
    FX::FXMenuPane* popupMenu = nullptr;
    FX::FXMenuBar* menuBar = nullptr;
    FX::FXMenuPane* helpMenu = nullptr;
    FX::FXMenuPane* optionsMenu = nullptr;
    undocommands::EditMenu editMenu;  // Undo and Redo

    // One lesson row of the drawing's lesson query, read once per drawing so
    // that the three passes over the grid need not parse its text again.
    struct LessonRow {
        FX::FXString id, unitId, name, unitTypeText, rotateText;
        FX::FXint unitType = 0, routineDay = 0, rotate = 0;
        FX::FXint notTaught = 0, assess = 0, eval = 0;
        FX::FXlong startDay = 0, endDay = 0;  // DateStart 00:00, DateEnd 23:59
        FX::FXint startHour = 0, startMinute = 0, endHour = 0, endMinute = 0;
        bool onClosedDay = false;  // reported as planned on a non-teaching day
    };
    std::vector<LessonRow> lessons;
    // The statement of the HTML file's table of the drawn week's lessons
    // (empty when no week was drawn).
    FX::FXString weekTableText;
    // The first day (ISO) of the term of the last week drawn: the next
    // drawing asks for that term's week with its first queries.
    FX::FXString lastTermStart;
    size_t currentLesson = 0;  // the row slotTest looks at

    // slotTest asks for "that slot's day at hh:mm" for every lesson in every
    // slot, for a handful of days and times: the answers are remembered for
    // the drawing.
    mutable dates::SameDayTimes dayTimes;
    // The lesson rows each slot holds (row p, day column d at p * 6 + d), in
    // the query's order: found once per drawing (indexSlots), walked by the
    // three passes over the grid.
    std::vector<std::vector<size_t>> slotLessons;

    // A plan as the drawing lists it, one per lesson Id (planOf gives each
    // lesson row the entry of its Id), written to planColourList once the
    // drawing is done.  listOrder holds the listed entries in the list's
    // order: a plan taken out and listed again as an overlap goes last.
    struct PlanEntry {
        bool listed = false;
        size_t lesson = 0;  // the lesson row that listed it
        FX::FXColor cell = 0, label = 0;
        FX::FXint cells = 0;  // cells drawn
        FX::FXString days;    // ",day" per cell drawn
    };
    std::vector<PlanEntry> plans;
    std::vector<size_t> planOf;
    std::vector<size_t> listOrder;

    // What one drawing reads (loadWeek), drawn by drawHeading and drawGrid.
    struct Week {
        enum Outcome { LOST, NO_TEACHER, NO_PLANS, NO_TERM, WEEK } outcome = LOST;
        FX::FXString notice;  // NO_TEACHER, NO_TERM: what the canvas says
        FX::FXString teacherName, schoolYear, schoolTerm;
        FX::FXlong termBase = 0;  // a week before the term's first day at school start
        FX::FXlong N = 0;         // the shown week's number in the term
        // The names of the non-teaching days on Monday to Friday ("" for a
        // school day).
        FX::FXString closedNames[5];
    };
    // The grid's measures for a drawing W wide: row height L, column unit C,
    // day column width K.
    struct Grid {
        FX::FXint W = 0, L = 0, C = 0, K = 0;
        FX::FXFont* timeFont = nullptr;
        const FX::FXString* closedNames = nullptr;  // the week's, Monday first
    };

    // The lesson plan the last click chose ("0" when the list was empty).
    FX::FXString chosenLessonPlan;

    // A lesson pressed on the grid: a click without movement opens the
    // editor; dragged, an outline follows the pointer from cell to cell and
    // the release moves the lesson there; Escape cancels.
    struct Drag {
        bool pressed = false, moving = false;
        FX::FXString lessonId;
        FX::FXint pressX = 0, pressY = 0;
        FX::FXint fromDay = 0, fromRow = 0;  // the cell pressed
        FX::FXint toDay = 0, toRow = 0;      // the cell under the pointer
        FX::FXint firstRow = 0, rows = 1;    // the lesson's rows on the pressed day
    } drag;
    // The day column (1 to 5) and time row (1 to schoolTimes - 1) of a point
    // of the canvas, the nearest cell for a point outside the grid; false
    // when the grid has no cells.
    bool cellAt(FX::FXint x, FX::FXint y, FX::FXint& d, FX::FXint& p) const;
    // The rows the lesson fills on the grid.
    void lessonRows(const FX::FXString& lessonId, FX::FXint& firstRow, FX::FXint& rows) const;
    void drawDragOutline();
    void endDrag();

    // Whether the teacher and the timetable have been read from the
    // database: not when the service could not be reached at start; then
    // the next redraw that reaches it reads them.
    bool databaseLoaded = false;
    // The stored user that was no longer in Teachers at start, until the
    // current user is set again; empty when there was none.
    FX::FXString missingUserId;
    // What the canvas says when it shows no week (empty when it shows one).
    FX::FXString canvasNotice;

    CalendarWindow() {}

public:
    enum {
        ID_PREV_YEAR = FX::FXMainWindow::ID_LAST,
        ID_PREV_TERM,
        ID_PREV_WEEK,
        ID_THIS_WEEK,
        ID_NEXT_WEEK,
        ID_NEXT_TERM,
        ID_NEXT_YEAR,
        ID_REFRESH,
        ID_TEACHERS,
        ID_UNITPLAN,
        ID_LONGTERM,
        ID_PRINTLESSONS,
        ID_MOREOPTIONS,
        ID_PRINTCALENDAR,
        ID_PRINTWEEK,
        ID_EXPORTUNITPLANS,
        ID_EXPORTDATABASE,
        ID_EXPORTICALENDAR,
        ID_SETUSERTEXT,  // ptr: FXString* with the text for the current-user field
        ID_SHOWDATE,     // dateOffset was moved by another window: redraw
        ID_QUIT,
        ID_ABOUT,
        ID_AMERICAN,
        ID_ENGLISH,
        ID_FILEREGISTRY,
        ID_WINDOWSREGISTRY,
        ID_SCHOOLSETUP,
        ID_ROLLOVER,    // "Roll Over Year...": this year's plans copied into another year
        ID_RESCHEDULE,  // "Reschedule..." from the day (and row) the pop-up menu was called on
        ID_UNDO,        // Edit, Undo (Ctrl+Z): the teacher's last change taken back
        ID_REDO,        // Edit, Redo (Ctrl+Shift+Z)
        ID_CANVAS,
        ID_LAST
    };

    explicit CalendarWindow(FX::FXApp* app);
    ~CalendarWindow() override;
    void create() override;

    // Settings store: loaded when the window is created, saved at Quit.
    void loadSettings();
    void saveSettings();
    // The part of the settings load that reads the database: the current
    // teacher (its Id stored per service) and the school timetable.
    void loadDatabaseSettings();
    // Logs in when not logged in (the warning box when that fails) and reads
    // what the start could not; false without the database.
    bool reachDatabase();
    // The version check of the start against the database's version, with
    // its boxes: the upgrade's failure, then the message about the versions.
    void reportVersion(const FX::FXString& databaseVersion);

    // Appended to the warning when the service cannot be reached.
    static const char* const tryAgainHint;

    // Draws the shown week on any device, W x H pixels.
    void drawPlan(FX::FXDC& dc, FX::FXint W, FX::FXint H);
    // Whether the current lesson row occupies the slot of row p and day
    // column d whose day starts at s.
    bool slotTest(FX::FXlong s, FX::FXint p, FX::FXint d) const;
    // Redraw: a new image at the next paint, which runs at once.
    void redraw();
    // The shown week as one page of a print job ("Print Calendar").
    void printWeek(FXDCNativePrinter& dc);

    // The exports of the pop-up menu (CalendarExport.cpp).
    void exportUnitPlans();
    void exportDatabase();
    // "Export iCalendar...": the teacher's lessons of the shown term, or of
    // the weeks chosen, as Transfer/<teacher>.ics (CalendarICalendar.cpp).
    void exportICalendar();

    // The About box, built but not run.
    FX::FXDialogBox* makeAboutBox();

    FX::FXCanvas* getCanvas() const { return canvas; }
    FX::FXImage* getImage() const { return image; }
    FX::FXString getUserText() const { return userText->getText(); }
    const FX::FXString& getCanvasNotice() const { return canvasNotice; }
    // What the canvas says while a syndicate leader is the current user.
    static const char* const leaderText;
    const FX::FXString& getChosenLessonPlan() const { return chosenLessonPlan; }
    bool dragging() const { return drag.moving; }
    FX::FXMenuPane* getPopupMenu() const { return popupMenu; }

    long onPaint(FX::FXObject*, FX::FXSelector, void*);
    long onMouseDown(FX::FXObject*, FX::FXSelector, void*);
    long onMouseMove(FX::FXObject*, FX::FXSelector, void*);
    long onMouseUp(FX::FXObject*, FX::FXSelector, void*);
    long onCanvasKeyPress(FX::FXObject*, FX::FXSelector, void*);
    long onRightDown(FX::FXObject*, FX::FXSelector, void*);
    long onRightUp(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrevYear(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrevTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrevWeek(FX::FXObject*, FX::FXSelector, void*);
    long onCmdThisWeek(FX::FXObject*, FX::FXSelector, void*);
    long onCmdNextWeek(FX::FXObject*, FX::FXSelector, void*);
    long onCmdNextTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdNextYear(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRefresh(FX::FXObject*, FX::FXSelector, void*);
    long onCmdTeachers(FX::FXObject*, FX::FXSelector, void*);
    long onCmdUnitPlan(FX::FXObject*, FX::FXSelector, void*);
    long onCmdLongTerm(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintLessons(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintWeek(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintCalendar(FX::FXObject*, FX::FXSelector, void*);
    long onCmdExportUnitPlans(FX::FXObject*, FX::FXSelector, void*);
    long onCmdExportDatabase(FX::FXObject*, FX::FXSelector, void*);
    long onCmdExportICalendar(FX::FXObject*, FX::FXSelector, void*);
    long onCmdReschedule(FX::FXObject*, FX::FXSelector, void*);
    long onCmdUndo(FX::FXObject*, FX::FXSelector, void*);
    long onUpdUndo(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRedo(FX::FXObject*, FX::FXSelector, void*);
    long onUpdRedo(FX::FXObject*, FX::FXSelector, void*);
    long onCmdMoreOptions(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSetUserText(FX::FXObject*, FX::FXSelector, void*);
    long onCmdShowDate(FX::FXObject*, FX::FXSelector, void*);
    long onCmdQuit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAbout(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAmerican(FX::FXObject*, FX::FXSelector, void*);
    long onUpdAmerican(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEnglish(FX::FXObject*, FX::FXSelector, void*);
    long onUpdEnglish(FX::FXObject*, FX::FXSelector, void*);
    long onCmdFileRegistry(FX::FXObject*, FX::FXSelector, void*);
    long onUpdFileRegistry(FX::FXObject*, FX::FXSelector, void*);
    long onCmdWindowsRegistry(FX::FXObject*, FX::FXSelector, void*);
    long onUpdWindowsRegistry(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSchoolSetup(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRollover(FX::FXObject*, FX::FXSelector, void*);

protected:
    bool termNavigation(bool forwards);
    // After an undo or redo: the week, the open plan editors and long-term
    // views again.
    void showUndone();
    void showUser(const FX::FXString& name);
    void openUnitPlanDialog(const FX::FXString& lessonPlanId);
    FX::FXColor canvasPixel(FX::FXint x, FX::FXint y);
    // The exports' work, inside the commands' failure handling; throw
    // PlanEditAbort when they stop short.
    void writeMarkedUnits();
    void writeDatabaseTree();
    // What the database export wrote, for its index.html: one entry a page
    // or file, its depth in the index (0 a plan, 1 a unit, 2 a lesson or an
    // attachment), its text and its path below the export's top directory.
    struct ExportEntry {
        FX::FXint depth;
        FX::FXString text;
        FX::FXString path;
    };
    std::vector<ExportEntry> exportIndex;
    FX::FXString exportTop;
    // The pages written are added to `written` (their Name and path below
    // the top); each page links back to the index.
    bool writeRecordPages(IsectRecordset& rs, const FX::FXString& directory,
                          std::vector<ExportEntry>* written = nullptr);
    void writeTablePage(IsectRecordset& rs, const FX::FXString& directory, std::vector<ExportEntry>* written = nullptr);
    void exportAttachments(const FX::FXString& directory, IsectRecordset& present, IsectRecordset& notes);
    void writeExportIndex(const FX::FXString& teacher);
    void writeICalendar();
    // The database's own identity, made on first use (Settings
    // 'DatabaseIdentity'): it keeps calendar events of two schools apart.
    FX::FXString databaseIdentity(IsectRecordset& rs);
    // Why no week can be drawn: the words on the canvas, and (unless only
    // the canvas should say it) in an error box with the caption.
    void cannotDraw(FX::FXDC& dc, FX::FXint W, FX::FXint H, const FX::FXString& caption, const FX::FXString& text);
    // The message for a drawing without a current teacher (empty when the
    // connection was lost while asking what the database holds).
    FX::FXString noTeacherText();
    // The week drawing, in its steps.
    void loadWeek(Week& week);
    FX::FXString addWeekReads(IsectRecordset::Reads& reads, IsectRecordset& closed, const FX::FXString& D0,
                              const FX::FXString& D6);
    void readLessons();
    void drawHeading(FX::FXDC& dc, FX::FXint W, FX::FXint H, const Week& week);
    void drawGrid(FX::FXDC& dc, FX::FXint W, FX::FXint H, const Week& week);
    void indexSlots(FX::FXlong mondayStart);
    void drawSlot(FX::FXDC& dc, const Grid& grid, int pass, FX::FXint x, FX::FXint y, FX::FXint p, FX::FXint d);
    void listPlan(FX::FXDC& dc, const Grid& grid, size_t lesson, bool coloured);
    void unlistPlan(size_t plan);
    void writePlanList();
    static void drawMarkers(FX::FXDC& dc, const LessonRow& lesson, FX::FXint x0, FX::FXint y, FX::FXint K, FX::FXint L);
    void drawCellFrame(FX::FXDC& dc, const Grid& grid, FX::FXint x, FX::FXint y, FX::FXlong monday, FX::FXlong dstFix,
                       FX::FXint p, FX::FXint d);
    // A non-teaching day's column: each cell shaded before its lessons, its
    // name beside or under the day's in the top cell.
    static void shadeClosedCell(FX::FXDC& dc, const Grid& grid, FX::FXint x, FX::FXint y);
    static void nameClosedDay(FX::FXDC& dc, const Grid& grid, FX::FXint x, FX::FXint y, FX::FXint d, FX::FXlong monday,
                              const FX::FXString& name);
    // The canvas paint: the image drawn when needed and copied to the
    // canvas; after a failure, a white canvas and no plans to click.
    void paintImage();
    void blankCanvas();
};

#endif

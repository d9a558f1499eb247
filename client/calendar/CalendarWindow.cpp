// CalendarWindow: layout, settings load and save, commands and menus.  The
// week drawing, the canvas paint and the click test are in CalendarPlan.cpp.
#include "calendar/CalendarWindow.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Files.h"
#include "data/Numbers.h"
#include "data/Terms.h"
#include "data/VersionCheck.h"
#include "lessons/LessonDialog.h"
#include "longterm/LongTermWindow.h"
#include "planedit/RescheduleDialog.h"
#include "planedit/RolloverDialog.h"
#include "planedit/UnitPlanDialog.h"
#include "print/FXDCNativePrinter.h"
#include "print/PrintCommand.h"
#include "setup/SchoolSetupWindow.h"
#include "teachers/TeachersWindow.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/Prompter.h"
#include "ui/WindowPlace.h"

using namespace FX;

FXDEFMAP(CalendarWindow)
CalendarWindowMap[] = {
    FXMAPFUNC(SEL_PAINT, CalendarWindow::ID_CANVAS, CalendarWindow::onPaint),
    FXMAPFUNC(SEL_LEFTBUTTONPRESS, CalendarWindow::ID_CANVAS, CalendarWindow::onMouseDown),
    FXMAPFUNC(SEL_MOTION, CalendarWindow::ID_CANVAS, CalendarWindow::onMouseMove),
    FXMAPFUNC(SEL_LEFTBUTTONRELEASE, CalendarWindow::ID_CANVAS, CalendarWindow::onMouseUp),
    FXMAPFUNC(SEL_KEYPRESS, CalendarWindow::ID_CANVAS, CalendarWindow::onCanvasKeyPress),
    FXMAPFUNC(SEL_RIGHTBUTTONPRESS, CalendarWindow::ID_CANVAS, CalendarWindow::onRightDown),
    FXMAPFUNC(SEL_RIGHTBUTTONRELEASE, CalendarWindow::ID_CANVAS, CalendarWindow::onRightUp),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_PREV_YEAR, CalendarWindow::onCmdPrevYear),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_PREV_TERM, CalendarWindow::onCmdPrevTerm),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_PREV_WEEK, CalendarWindow::onCmdPrevWeek),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_THIS_WEEK, CalendarWindow::onCmdThisWeek),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_NEXT_WEEK, CalendarWindow::onCmdNextWeek),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_NEXT_TERM, CalendarWindow::onCmdNextTerm),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_NEXT_YEAR, CalendarWindow::onCmdNextYear),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_REFRESH, CalendarWindow::onCmdRefresh),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_TEACHERS, CalendarWindow::onCmdTeachers),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_UNITPLAN, CalendarWindow::onCmdUnitPlan),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_LONGTERM, CalendarWindow::onCmdLongTerm),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_PRINTLESSONS, CalendarWindow::onCmdPrintLessons),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_PRINTCALENDAR, CalendarWindow::onCmdPrintCalendar),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_PRINTWEEK, CalendarWindow::onCmdPrintWeek),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_EXPORTUNITPLANS, CalendarWindow::onCmdExportUnitPlans),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_EXPORTDATABASE, CalendarWindow::onCmdExportDatabase),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_EXPORTICALENDAR, CalendarWindow::onCmdExportICalendar),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_MOREOPTIONS, CalendarWindow::onCmdMoreOptions),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_SETUSERTEXT, CalendarWindow::onCmdSetUserText),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_SHOWDATE, CalendarWindow::onCmdShowDate),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_QUIT, CalendarWindow::onCmdQuit),
    FXMAPFUNC(SEL_CLOSE, 0, CalendarWindow::onCmdQuit),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_ABOUT, CalendarWindow::onCmdAbout),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_AMERICAN, CalendarWindow::onCmdAmerican),
    FXMAPFUNC(SEL_UPDATE, CalendarWindow::ID_AMERICAN, CalendarWindow::onUpdAmerican),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_ENGLISH, CalendarWindow::onCmdEnglish),
    FXMAPFUNC(SEL_UPDATE, CalendarWindow::ID_ENGLISH, CalendarWindow::onUpdEnglish),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_FILEREGISTRY, CalendarWindow::onCmdFileRegistry),
    FXMAPFUNC(SEL_UPDATE, CalendarWindow::ID_FILEREGISTRY, CalendarWindow::onUpdFileRegistry),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_WINDOWSREGISTRY, CalendarWindow::onCmdWindowsRegistry),
    FXMAPFUNC(SEL_UPDATE, CalendarWindow::ID_WINDOWSREGISTRY, CalendarWindow::onUpdWindowsRegistry),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_SCHOOLSETUP, CalendarWindow::onCmdSchoolSetup),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_ROLLOVER, CalendarWindow::onCmdRollover),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_RESCHEDULE, CalendarWindow::onCmdReschedule),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_UNDO, CalendarWindow::onCmdUndo),
    FXMAPFUNC(SEL_UPDATE, CalendarWindow::ID_UNDO, CalendarWindow::onUpdUndo),
    FXMAPFUNC(SEL_COMMAND, CalendarWindow::ID_REDO, CalendarWindow::onCmdRedo),
    FXMAPFUNC(SEL_UPDATE, CalendarWindow::ID_REDO, CalendarWindow::onUpdRedo),
};

FXIMPLEMENT(CalendarWindow, FXMainWindow, CalendarWindowMap, ARRAYNUMBER(CalendarWindowMap))

namespace {
const FXuint bigButton = FRAME_RAISED | FRAME_THICK | LAYOUT_FIX_WIDTH;

// Sizes on a 1024 x 768 screen: the window opens at the default size and is
// never restored smaller than the minimum, at which every button, the
// current user's name and the week grid (26 rows with readable times) show.
const FXint defaultWidth = 980, defaultHeight = 690;
const FXint minimumWidth = 940, minimumHeight = 600;

// Buttons are 100 wide, or as wide as their text needs.
void fitButtons(FXComposite* frame) {
    for (FXWindow* child = frame->getFirst(); child; child = child->getNext())
        if (child->isMemberOf(FXMETACLASS(FXButton))) child->setWidth(FXMAX(100, child->getDefaultWidth()));
}
}  // namespace

using dates::oneWeek;
using dates::oneYear;

const char* const CalendarWindow::tryAgainHint =
    "\n\nPlenwick goes on without the database: press F5 in the calendar to try again once the service is up.";

CalendarWindow::CalendarWindow(FXApp* app)
    : FXMainWindow(app, "Calendar", appIcon, appIcon, DECOR_ALL, 0, 0, defaultWidth, defaultHeight, 1, 1, 1, 1, 0, 0) {
    // Menu bar: edit, options and help.
    menuBar = new FXMenuBar(this, LAYOUT_SIDE_TOP | LAYOUT_FILL_X);
    editMenu.build(menuBar, this, this, ID_UNDO, ID_REDO);
    optionsMenu = new FXMenuPane(this);
    new FXMenuRadio(optionsMenu, "American dates mm/dd/yy", this, ID_AMERICAN);
    new FXMenuRadio(optionsMenu, "English dates dd/mm/yy", this, ID_ENGLISH);
    new FXMenuSeparator(optionsMenu);
    new FXMenuRadio(optionsMenu, "Settings in Registry.ini", this, ID_FILEREGISTRY);
    // The platform's store of the toolkit's settings: the registry on
    // Windows, the toolkit's own settings files elsewhere.
#ifdef WIN32
    new FXMenuRadio(optionsMenu, "Settings in the Windows registry", this, ID_WINDOWSREGISTRY);
#else
    new FXMenuRadio(optionsMenu, "Settings in the toolkit's settings store (~/.foxrc)", this, ID_WINDOWSREGISTRY);
#endif
    new FXMenuSeparator(optionsMenu);
    new FXMenuCommand(optionsMenu, "&School Setup...", nullptr, this, ID_SCHOOLSETUP);
    new FXMenuCommand(optionsMenu, "&Roll Over Year...", nullptr, this, ID_ROLLOVER);
    new FXMenuTitle(menuBar, "&Options", nullptr, optionsMenu);
    helpMenu = new FXMenuPane(this);
    new FXMenuCommand(helpMenu, "&About Plenwick...", nullptr, this, ID_ABOUT);
    new FXMenuTitle(menuBar, "&Help", nullptr, helpMenu);

    outerFrame = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

    // Navigation by year, term and week.
    navigationFrame = new FXHorizontalFrame(outerFrame, FRAME_SUNKEN | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    const FXuint navButton = bigButton | BUTTON_DEFAULT | LAYOUT_CENTER_X | JUSTIFY_CENTER_X;
    new FXButton(navigationFrame, "< Year", nullptr, this, ID_PREV_YEAR, navButton, 0, 0, 100, 0, 10, 10, 5, 5);
    new FXButton(navigationFrame, "< Term", nullptr, this, ID_PREV_TERM, navButton, 0, 0, 100, 0, 10, 10, 5, 5);
    new FXButton(navigationFrame, "< Week", nullptr, this, ID_PREV_WEEK, navButton, 0, 0, 100, 0, 10, 10, 5, 5);
    FXButton* thisWeek = new FXButton(navigationFrame, "This Week\tUse function key F7", nullptr, this, ID_THIS_WEEK,
                                      navButton, 0, 0, 100, 0, 10, 10, 5, 5);
    thisWeek->setFont(labelFont);
    new FXButton(navigationFrame, "Week >", nullptr, this, ID_NEXT_WEEK, navButton, 0, 0, 100, 0, 10, 10, 5, 5);
    new FXButton(navigationFrame, "Term >", nullptr, this, ID_NEXT_TERM, navButton, 0, 0, 100, 0, 10, 10, 5, 5);
    new FXButton(navigationFrame, "Year >", nullptr, this, ID_NEXT_YEAR, navButton, 0, 0, 100, 0, 10, 10, 5, 5);

    // The week canvas, with a sunken thick border.
    canvasFrame = new FXVerticalFrame(outerFrame, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 10, 10, 10, 10, 4, 4);
    FXVerticalFrame* border = new FXVerticalFrame(
        canvasFrame, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    canvas = new FXCanvas(border, this, ID_CANVAS, LAYOUT_FILL_X | LAYOUT_FILL_Y);

    // Lower buttons, placed from the right edge, and the current user.
    buttonFrame = new FXHorizontalFrame(outerFrame, FRAME_SUNKEN | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    const char* lower[] = {"&Quit", "&Teachers", "&Unit Plan", "&Long Term", "&Print Lessons", "&More Options"};
    const FXSelector lowerIds[] = {ID_QUIT, ID_TEACHERS, ID_UNITPLAN, ID_LONGTERM, ID_PRINTLESSONS, ID_MOREOPTIONS};
    for (int i = 0; i < 6; ++i) {
        FXButton* b = new FXButton(buttonFrame, lower[i], nullptr, this, lowerIds[i], bigButton | LAYOUT_RIGHT, 0, 0,
                                   100, 0, 10, 10, 5, 5);
        b->setFont(labelFont);
    }
    new FXLabel(buttonFrame, "Current User:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y, 0, 0, 0, 0, 2, 2, 2, 2);
    // Room for a typical name; a longer one scrolls in the field.
    userText = new FXTextField(buttonFrame, 16, nullptr, 0,
                               TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_CENTER_Y, 0, 0, 0,
                               0, 2, 2, 2, 2);
    userText->setText("No current user.");

    // The pop-up menu of "More Options" and the right mouse button.
    popupMenu = new FXMenuPane(this);
    new FXMenuCommand(popupMenu, "Refresh\tF5", nullptr, this, ID_REFRESH);
    new FXMenuSeparator(popupMenu);
    new FXMenuCommand(popupMenu, "Reschedule...", nullptr, this, ID_RESCHEDULE);
    new FXMenuSeparator(popupMenu);
    new FXMenuCommand(popupMenu, "Print Calendar", nullptr, this, ID_PRINTCALENDAR);
    new FXMenuCommand(popupMenu, "Print Lessons", nullptr, this, ID_PRINTLESSONS);
    new FXMenuCommand(popupMenu, "Print Week", nullptr, this, ID_PRINTWEEK);
    new FXMenuSeparator(popupMenu);
    new FXMenuCommand(popupMenu, "Export Unit Plans", nullptr, this, ID_EXPORTUNITPLANS);
    new FXMenuSeparator(popupMenu);
    new FXMenuCommand(popupMenu, "Export Database", nullptr, this, ID_EXPORTDATABASE);
    new FXMenuCommand(popupMenu, "Export iCalendar...", nullptr, this, ID_EXPORTICALENDAR);

    // F5 refreshes, F7 goes back to this week.
    getAccelTable()->addAccel(parseAccel("F5"), this, FXSEL(SEL_COMMAND, ID_REFRESH));
    getAccelTable()->addAccel(parseAccel("F7"), this, FXSEL(SEL_COMMAND, ID_THIS_WEEK));
}

CalendarWindow::~CalendarWindow() {
    delete image;
    delete popupMenu;
    delete optionsMenu;
    delete helpMenu;
}

void CalendarWindow::create() {
    // The grid's fonts are used only by drawing, so no widget creates them.
    smallFont->create();
    labelFont->create();
    textFont->create();
    getApp()->getNormalFont()->create();
    fitButtons(navigationFrame);
    fitButtons(buttonFrame);
    loadSettings();
    FXMainWindow::create();
    popupMenu->create();
    FXint rememberedX = getX(), rememberedY = getY();
    show(PLACEMENT_DEFAULT);
    placementDx = getX() - rememberedX;
    placementDy = getY() - rememberedY;
}

// ---------------------------------------------------------------------------
// Settings store

void CalendarWindow::loadSettings() {
    FXRegistry& reg = getApp()->reg();

    // The file first; in registry mode the platform registry again on top.
    reg.setAsciiMode(true);
    reg.parseFile(registryFileName(), true);
    appState.registryTarget = reg.readIntEntry("SETTINGS", "RegistryTarget", 1);
    if (appState.registryTarget == 0) {
        reg.setAsciiMode(false);
        reg.read();
    }

    // Without the database service the calendar opens all the same; the
    // teacher and the timetable are read when it is reached.
    if (IsectRecordset::Connect()) loadDatabaseSettings();

    appState.americanDate = reg.readIntEntry("SETTINGS", "AmericanDate", 1);

    // At least the minimum, or what the buttons and fields need with this
    // machine's fonts; never larger than the screen.
    const FXint needWidth = FXMAX(minimumWidth, getDefaultWidth());
    WindowPlace place =
        WindowPlace::read(reg, "CALENDAR", FXMAX(defaultWidth, needWidth), defaultHeight, needWidth, minimumHeight);
    place.keepOnScreen(getRoot()->getWidth(), getRoot()->getHeight());
    position(place.x, place.y, place.width, place.height);
}

void CalendarWindow::loadDatabaseSettings() {
    FXRegistry& reg = getApp()->reg();
    databaseLoaded = true;
    missingUserId = FXString();
    appState.currentUserId = reg.readStringEntry(("SERVICE: " + databaseService).text(), "userid", "0");

    failures::run(this, "Database Error", "teacher", [&] {
        // The current teacher: the stored one, or the one added last.
        bool answered;
        if (appState.currentUserId == "0") {
            answered =
                settingsRecordset.OpenRecordset("Select First 1 Id, Teacher, Syndicate from Teachers Order By Id Desc");
            appState.dateOffset = 0;
        } else {
            answered = settingsRecordset.OpenRecordset("Select Id, Teacher, Syndicate from Teachers where Id = " +
                                                       appState.currentUserId);
            appState.dateOffset = (FXlong)(FXint)reg.readIntEntry("SETTINGS", "DateOffset", 0);
        }
        settingsRecordset.rows.MoveFirst();
        if (!answered || settingsRecordset.rows.eof) {
            if (answered && appState.currentUserId != "0") missingUserId = appState.currentUserId;
            appState.currentUserId = "0";
            appState.currentSyndicate = "0";
            appState.dateOffset = 0;
        } else {
            appState.currentUserId = settingsRecordset.GetField("Id");
            showUser(settingsRecordset.GetField("Teacher"));
            appState.currentSyndicate = settingsRecordset.GetField("Syndicate");
        }

        // The school timetable, where the database has it.
        const char* keys[] = {"SchoolPeriod", "SchoolTimes", "SchoolHour", "SchoolMinute"};
        FXint* values[] = {&appState.schoolPeriod, &appState.schoolTimes, &appState.schoolHour, &appState.schoolMinute};
        for (int i = 0; i < 4; ++i) {
            if (!settingsRecordset.OpenRecordset(FXString("Select StringValue from Settings Where StringKey = '") +
                                                 keys[i] + "'"))
                return;
            settingsRecordset.rows.MoveFirst();
            if (!settingsRecordset.rows.eof) *values[i] = decimalValue(settingsRecordset.GetField("0"));
        }
    });
}

bool CalendarWindow::reachDatabase() {
    if (!IsectRecordset::Connected() && !IsectRecordset::Connect()) {
        Prompter::get().warning(this, getApp()->getAppName(), IsectRecordset::ConnectionProblem() + tryAgainHint);
        return false;
    }
    if (!databaseLoaded) {
        loadDatabaseSettings();
        FXString version;
        if (failures::run(this, "Database Error", "database", [&] { version = DatabaseVersion(); }))
            reportVersion(version);
    }
    return true;
}

// The version check, its upgrade's failure first (the error box), then its
// message (the warning box).
void CalendarWindow::reportVersion(const FXString& databaseVersion) {
    FXString message;
    messages::Message failure;
    const failures::Mark mark;
    const FXbool show = CheckVersion(getApp(), message, appState.softwareVersion, databaseVersion, failure);
    if (!failures::tellLost(this, mark) && !failure.text.empty()) failures::tell(this, failure);
    if (show) Prompter::get().warning(this, getApp()->getAppName(), message);
}

void CalendarWindow::saveSettings() {
    FXRegistry& reg = getApp()->reg();
    WindowPlace{getX() - placementDx, getY() - placementDy, getWidth(), getHeight()}.write(reg, "CALENDAR");
    // Without the database this session chose no teacher: the stored one stays.
    if (databaseLoaded) {
        reg.writeStringEntry(("SERVICE: " + databaseService).text(), "userid", appState.currentUserId.text());
        reg.writeIntEntry("SETTINGS", "DateOffset", (FXint)(FXuint)(appState.dateOffset & 0xffffffff));
    }
    reg.writeIntEntry("SETTINGS", "AmericanDate", appState.americanDate);
    if (appState.registryTarget == 1) {
        reg.writeIntEntry("SETTINGS", "RegistryTarget", 1);
        reg.unparseFile(registryFileName());
    } else {
        // Everything to the platform registry; the file keeps only the switch.
        reg.setAsciiMode(false);
        reg.write();
        reg.clear();
        reg.writeIntEntry("SETTINGS", "RegistryTarget", 0);
        reg.unparseFile(registryFileName());
    }
    reg.setModified(false);
}

// ---------------------------------------------------------------------------
// Commands

// Navigation: each command moves the shown moment and redraws.  A year is
// 365 days, a week 604800 seconds, as the date offset has always counted.
long CalendarWindow::onCmdPrevYear(FXObject*, FXSelector, void*) {
    appState.dateOffset -= oneYear;
    redraw();
    return 1;
}

long CalendarWindow::onCmdPrevTerm(FXObject*, FXSelector, void*) {
    if (termNavigation(false)) redraw();
    return 1;
}

long CalendarWindow::onCmdPrevWeek(FXObject*, FXSelector, void*) {
    appState.dateOffset -= oneWeek;
    redraw();
    return 1;
}

long CalendarWindow::onCmdThisWeek(FXObject*, FXSelector, void*) {
    appState.dateOffset = 0;
    redraw();
    return 1;
}

long CalendarWindow::onCmdNextWeek(FXObject*, FXSelector, void*) {
    appState.dateOffset += oneWeek;
    redraw();
    return 1;
}

long CalendarWindow::onCmdNextTerm(FXObject*, FXSelector, void*) {
    if (termNavigation(true)) redraw();
    return 1;
}

long CalendarWindow::onCmdNextYear(FXObject*, FXSelector, void*) {
    appState.dateOffset += oneYear;
    redraw();
    return 1;
}

// Moves the shown moment to the previous or next term (data/Terms.h);
// without such a term the shown week stays.  False when the connection was
// lost: its warning has been shown, and a drawing would only say it again.
bool CalendarWindow::termNavigation(bool forwards) {
    const failures::Mark mark;
    failures::run(this, "Database Error", "term", [&] { terms::step(settingsRecordset, forwards); });
    return !mark.lost();
}

long CalendarWindow::onCmdRefresh(FXObject*, FXSelector, void*) {
    redraw();
    return 1;
}

long CalendarWindow::onCmdTeachers(FXObject*, FXSelector, void*) {
    // Hide every main window but the oldest one, the calendar.
    FXint count = 0;
    for (FXWindow* w = getRoot()->getFirst(); w; w = w->getNext())
        if (w->isMemberOf(FXMETACLASS(FXMainWindow))) ++count;
    for (FXWindow* w = getRoot()->getLast(); w && count > 1; w = w->getPrev()) {
        if (!w->isMemberOf(FXMETACLASS(FXMainWindow))) continue;
        w->handle(this, FXSEL(SEL_COMMAND, FXWindow::ID_HIDE), nullptr);
        --count;
    }
    TeachersWindow dialog(this, this, ID_SETUSERTEXT);
    dialog.create();
    dialog.move(getX() + 80, getY() + 80);
    dialog.execute(PLACEMENT_DEFAULT);
    // The week of whoever was chosen, and no click on the previous one's plans.
    redraw();
    return 1;
}

// Options, School Setup: terms, year levels and the timetable; the week is
// drawn again with what was saved.
long CalendarWindow::onCmdSchoolSetup(FXObject*, FXSelector, void*) {
    if (!reachDatabase()) return 1;
    SchoolSetupWindow setup(this);
    setup.create();
    setup.execute(PLACEMENT_DEFAULT);
    redraw();
    return 1;
}

// Options, Roll Over Year: the current teacher's plans of one school year
// copied into another; the week is drawn again when they were.
long CalendarWindow::onCmdRollover(FXObject*, FXSelector, void*) {
    if (!reachDatabase()) return 1;
    RolloverDialog dialog(this);
    dialog.create();
    if (dialog.execute(PLACEMENT_OWNER)) redraw();
    return 1;
}

// "&Unit Plan": a new plan editor with no plan chosen.
long CalendarWindow::onCmdUnitPlan(FXObject*, FXSelector, void*) {
    openUnitPlanDialog("0");
    return 1;
}

// "&Long Term": a new long-term window each time; it tells the calendar when
// it moved the shown moment.
long CalendarWindow::onCmdLongTerm(FXObject*, FXSelector, void*) {
    LongTermWindow* window = new LongTermWindow(getApp(), this, ID_SHOWDATE);
    window->create();
    return 1;
}

// "&Print Lessons": a new lesson dialog for the shown week; it shows itself
// and lives until it is closed.
long CalendarWindow::onCmdPrintLessons(FXObject*, FXSelector, void*) {
    LessonDialog* dialog = new LessonDialog(getApp(), weekStart, 0, planColourList);
    dialog->create();
    return 1;
}

// "Print Week": the lesson dialog for the shown week, which prints every
// day's lesson pages, Monday first, as one job and stays open.
long CalendarWindow::onCmdPrintWeek(FXObject*, FXSelector, void*) {
    LessonDialog* dialog = new LessonDialog(getApp(), weekStart, 0, planColourList);
    getApp()->removeTimeout(dialog, LessonDialog::ID_START);
    dialog->create();
    if (dialog->start()) dialog->handle(this, FXSEL(SEL_COMMAND, LessonDialog::ID_PRINT_WEEK), nullptr);
    return 1;
}

// "Print Calendar": the shown week, drawn by drawPlan as the screen shows it
// (the canvas's size) and magnified to fill the printable area of the chosen
// paper, on one page of the chosen destination (landscape unless the user
// chooses otherwise, a week being wider than tall); an HTML file gets the
// table of the week's lessons.  The drawing gives the plans
// new colours, so the screen is drawn again afterwards: a click must find
// the plan whose colour it shows.
long CalendarWindow::onCmdPrintCalendar(FXObject*, FXSelector, void*) {
    PrintCommand print(this, "Calendar");
    print.printer.flags |= FXNativePrinter::COLOR | FXNativePrinter::SCREEN_UNITS | FXNativePrinter::WIDE_TABLE |
                           FXNativePrinter::PAGE_FOOTER;
    print.run([&](FXDCNativePrinter& dc) { printWeek(dc); });
    redraw();
    return 1;
}

void CalendarWindow::printWeek(FXDCNativePrinter& dc) {
    dc.beginPage(1);
    const FXint W = dc.getContentWidth(), H = dc.getContentHeight();
    const FXint cw = canvas && canvas->getWidth() > 100 ? canvas->getWidth() : W;
    const FXint ch = canvas && canvas->getHeight() > 100 ? canvas->getHeight() : H;
    const FXdouble zoom = FXMIN((FXdouble)W / cw, (FXdouble)H / ch);
    dc.setZoom(zoom);
    // (Two units to spare for the lines along the edges.)
    drawPlan(dc, (FXint)(W / zoom) - 2, (FXint)(H / zoom) - 2);
    dc.setZoom(1.0);
    if (dc.toHtml() && !weekTableText.empty()) dc.writeTable(weekTableText);
    dc.endPage();
}

// Opens a new unit plan dialog on a lesson plan ("0" for none chosen); the
// dialog shows itself and lives until it is closed.
void CalendarWindow::openUnitPlanDialog(const FXString& lessonPlanId) {
    chosenLessonPlan = lessonPlanId;
    UnitPlanDialog* dialog = new UnitPlanDialog(getApp(), 0, FXIntVal(lessonPlanId), this, ID_SHOWDATE);
    dialog->create();
}

long CalendarWindow::onCmdMoreOptions(FXObject*, FXSelector, void*) {
    pointAt(-1, -1);
    popupMenu->popup(nullptr, canvas->getWidth() / 2, canvas->getHeight() / 2);
    getApp()->runModalWhileShown(popupMenu);
    return 1;
}

long CalendarWindow::onRightDown(FXObject*, FXSelector, void*) {
    canvas->grab();
    return 1;
}

// The pop-up menu at the pointer, unless the pointer moved while the button
// was down.
long CalendarWindow::onRightUp(FXObject*, FXSelector, void* ptr) {
    FXEvent* event = static_cast<FXEvent*>(ptr);
    canvas->ungrab();
    if (event->moved) return 1;
    pointAt(event->win_x, event->win_y);
    popupMenu->popup(nullptr, event->root_x, event->root_y);
    getApp()->runModalWhileShown(popupMenu);
    return 1;
}

// The day column and the row under a point of the canvas, as the grid lays
// them out; outside the day columns (or for no point) the shown day.
void CalendarWindow::pointAt(FXint x, FXint y) {
    menuDay = dates::today();
    menuTime = FXString();
    if (weekStart == 0 || x < 0) return;
    const FXint W = canvas->getWidth(), H = canvas->getHeight();
    const FXint C = (W - 80) / 6, K = ((W - 80) + C) / 6;
    const FXint L = appState.schoolTimes > 0 ? (H - 70) / appState.schoolTimes : 0;
    if (K <= 0 || x < 3 + C / 2) return;
    const FXint d = FXMIN(5, (x - 3 - C / 2) / K + 1);
    const FXlong day = dates::addDays(weekStart, d - 1);
    menuDay = dates::isoDate(day);
    if (L > 0 && y >= 60 + L) {
        const FXint p = FXMIN(appState.schoolTimes - 1, (y - 60) / L);
        menuTime = dates::shownTime(dates::sameDayAt(day, appState.schoolHour, appState.schoolMinute) +
                                    p * (FXlong)appState.schoolPeriod);
    }
}

long CalendarWindow::onCmdReschedule(FXObject*, FXSelector, void*) {
    if (menuDay.empty()) pointAt(-1, -1);
    RescheduleDialog dialog(this, menuDay, menuTime, 0);
    dialog.create();
    if (dialog.execute(PLACEMENT_OWNER)) redraw();
    return 1;
}

// Undo and Redo of the teacher's changes, once what is typed in the plan
// editors is settled; the week, every open plan editor and every long-term
// view show the rows as they are after it.
long CalendarWindow::onCmdUndo(FXObject*, FXSelector, void*) {
    if (UnitPlanDialog::settleAll(getApp()) && undocommands::run(this, true)) showUndone();
    return 1;
}

long CalendarWindow::onUpdUndo(FXObject* sender, FXSelector, void*) { return undocommands::enable(sender, this, true); }

long CalendarWindow::onCmdRedo(FXObject*, FXSelector, void*) {
    if (UnitPlanDialog::settleAll(getApp()) && undocommands::run(this, false)) showUndone();
    return 1;
}

long CalendarWindow::onUpdRedo(FXObject* sender, FXSelector, void*) {
    return undocommands::enable(sender, this, false);
}

void CalendarWindow::showUndone() {
    UnitPlanDialog::showAllAgain(getApp());
    for (FXWindow* w = getRoot()->getFirst(); w; w = w->getNext())
        if (LongTermWindow* term = dynamic_cast<LongTermWindow*>(w)) term->redraw();
    redraw();
}

// The current user's name from its beginning, however long.
void CalendarWindow::showUser(const FXString& name) {
    userText->setText(name);
    userText->setCursorPos(0);
    userText->makePositionVisible(0);
}

long CalendarWindow::onCmdSetUserText(FXObject*, FXSelector, void* ptr) {
    if (ptr) showUser(*static_cast<const FXString*>(ptr));
    missingUserId = FXString();
    return 1;
}

// A window it opened moved appState.dateOffset (the plan editor on selecting
// a lesson, the long-term window stepping by term or year).
long CalendarWindow::onCmdShowDate(FXObject*, FXSelector, void*) {
    redraw();
    return 1;
}

long CalendarWindow::onCmdQuit(FXObject*, FXSelector, void*) {
    // Typed changes not stored in an open plan editor are asked about
    // first; a Cancel there keeps the program running.
    if (!UnitPlanDialog::settleAll(getApp())) return 1;
    saveSettings();
    getApp()->exit(0);
    return 1;
}

FXDialogBox* CalendarWindow::makeAboutBox() {
    FXDialogBox* box = new FXDialogBox(this, "About Plenwick", DECOR_ALL, 0, 0, 400, 480, 10, 10, 10, 10, 4, 4);
    box->setIcon(appIcon);
    box->setMiniIcon(appIcon);
    FXButton* ok = new FXButton(box, "    &OK", appIcon, box, FXDialogBox::ID_ACCEPT,
                                ICON_BEFORE_TEXT | FRAME_RAISED | FRAME_THICK | LAYOUT_CENTER_X | LAYOUT_SIDE_BOTTOM, 0,
                                0, 0, 0, 20, 20, 5, 5);
    ok->setFont(labelFont);
    FXText* text = new FXText(box, nullptr, 0, TEXT_READONLY | TEXT_WORDWRAP | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    text->setFont(textFont);
    text->setText("Version: " + appState.softwareVersion +
                  "\n\nPlenwick uses the following open source tools:\n\n"
                  "Fox Toolkit Library\nIsectd Middleware\nFirebird Relational Database\n");
    return box;
}

long CalendarWindow::onCmdAbout(FXObject*, FXSelector, void*) {
    FXDialogBox* box = makeAboutBox();
    box->execute(PLACEMENT_OWNER);
    delete box;
    return 1;
}

// The options change only the state: the dates at the next redraw, the
// registry choice at Quit.  Each radio item shows its choice checked.
namespace {
long check(FXObject* sender, FXObject* from, bool checked) {
    sender->handle(from, FXSEL(SEL_COMMAND, checked ? FXWindow::ID_CHECK : FXWindow::ID_UNCHECK), nullptr);
    return 1;
}
}  // namespace

long CalendarWindow::onCmdAmerican(FXObject*, FXSelector, void*) {
    appState.americanDate = 1;
    return 1;
}

long CalendarWindow::onUpdAmerican(FXObject* sender, FXSelector, void*) {
    return check(sender, this, appState.americanDate == 1);
}

long CalendarWindow::onCmdEnglish(FXObject*, FXSelector, void*) {
    appState.americanDate = 0;
    return 1;
}

long CalendarWindow::onUpdEnglish(FXObject* sender, FXSelector, void*) {
    return check(sender, this, appState.americanDate == 0);
}

long CalendarWindow::onCmdFileRegistry(FXObject*, FXSelector, void*) {
    appState.registryTarget = 1;
    return 1;
}

long CalendarWindow::onUpdFileRegistry(FXObject* sender, FXSelector, void*) {
    return check(sender, this, appState.registryTarget == 1);
}

long CalendarWindow::onCmdWindowsRegistry(FXObject*, FXSelector, void*) {
    appState.registryTarget = 0;
    return 1;
}

long CalendarWindow::onUpdWindowsRegistry(FXObject* sender, FXSelector, void*) {
    return check(sender, this, appState.registryTarget == 0);
}

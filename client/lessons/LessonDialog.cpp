// LessonDialog: layout, the start-up step, days and tabs, the preview, the
// five print commands, geometry and closing.
#include "lessons/LessonDialog.h"

#include <utility>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Numbers.h"
#include "lessons/LessonDialogOpened.h"
#include "lessons/LessonPage.h"
#include "print/FXDCNativePrinter.h"
#include "print/FXNativePrintDialog.h"
#include "print/PrintCommand.h"
#include "print/PrintRoutine.h"
#include "report/ReportLayout.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/Labels.h"
#include "ui/Prompter.h"
#include "ui/WindowPlace.h"

using namespace FX;

FXDEFMAP(LessonDialog)
LessonDialogMap[] = {
    FXMAPFUNC(SEL_PAINT, LessonDialog::ID_PREVIEW, LessonDialog::onPaintPreview),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_TABS, LessonDialog::onCmdTabs),
    FXMAPFUNC(SEL_TIMEOUT, LessonDialog::ID_START, LessonDialog::onTimerStart),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_PRINT, LessonDialog::onCmdPrint),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_PRINT_ALL, LessonDialog::onCmdPrintAll),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_PRINT_UNIT, LessonDialog::onCmdPrintUnit),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_PRINT_SUMMARY, LessonDialog::onCmdPrintSummary),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_PRINT_UNIT_SUMMARY, LessonDialog::onCmdPrintUnitSummary),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_PRINT_WEEK, LessonDialog::onCmdPrintWeek),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_DAYS, LessonDialog::onCmdDays),
    FXMAPFUNC(SEL_COMMAND, LessonDialog::ID_CLOSE, LessonDialog::onCmdClose),
    FXMAPFUNC(SEL_COMMAND, FXDialogBox::ID_CANCEL, LessonDialog::onCmdClose),
    FXMAPFUNC(SEL_CLOSE, 0, LessonDialog::onCmdClose),
    FXMAPFUNC(SEL_CHORE, LessonDialog::ID_DESTROY, LessonDialog::onChoreDestroy),
};

FXIMPLEMENT(LessonDialog, FXDialogBox, LessonDialogMap, ARRAYNUMBER(LessonDialogMap))

FXint LessonDialog::liveCount = 0;

namespace {

const char* const settingsSection = "LESSONDIALOG";
const char* const dayNames[5] = {"Monday ", "Tuesday ", "Wednesday ", "Thursday ", "Friday "};

// The preview shows the page at 1.51181 pixels a point.
const FXdouble previewScale = 1.51181;

// The verbose listing of a lesson: title and field of each line.
const char* const verboseFields[][2] = {
    {"Date Start", "DATESTART"},
    {"Date End", "DATEEND"},
    {"Time Start", "TIMESTART"},
    {"Time End", "TIMEEND"},
    {"Subject", "SUBJECT"},
    {"Long Term Plan", "LONGTERMPLANNAME"},
    {"Long Term Description", "LONGTERMDESCRIPTION"},
    {"Unit Plan", "UNITNAME"},
    {"Unit Plan Description", "UNITDESCRIPTION"},
    {"Lesson Name", "LESSONNAME"},
    {"Essential Skills", "LESSONES"},
    {"Achievement Objectives", "LESSONAO"},
    {"Specific Learning Outcomes", "LESSONSLO"},
    {"Introduction", "LESSONINTRO"},
    {"Development", "LESSONDEV"},
    {"Closure", "LESSONCLOSE"},
    {"Resources", "LESSONRESOURCE"},
    {"Assessment", "LESSONTEST"},
    {"Reflection", "LESSONREFLECT"},
    {"", "ENDOFRECORD"},
};

// The columns of the two summaries: title, field, relative width.
const char* const daySummaryColumns[][3] = {
    {"Start", "TIMESTART", "0.06"},          {"End", "TIMEEND", "0.06"},
    {"Lesson Name", "LESSONNAME", "0.14"},   {"Introduction", "LESSONINTRO", "0.14"},
    {"Development", "LESSONDEV", "0.32"},    {"Closure", "LESSONCLOSE", "0.14"},
    {"Resources", "LESSONRESOURCE", "0.14"},
};
const char* const unitSummaryColumns[][3] = {
    {"Date", "DATESTART", "0.07"},
    {"Start", "TIMESTART", "0.05"},
    {"End", "TIMEEND", "0.05"},
    {"Lesson Name", "LESSONNAME", "0.14"},
    {"Introduction", "LESSONINTRO", "0.15"},
    {"Development", "LESSONDEV", "0.32"},
    {"Closure", "LESSONCLOSE", "0.11"},
    {"Resources", "LESSONRESOURCE", "0.11"},
};

FXString unitStatement(FXint lessonId) {
    return "Select LessonPlan.Id,LessonPlan.DateStart,LessonPlan.TimeStart,UnitPlan.UnitName from LessonPlan, UnitPlan "
           "where LessonPlan.FKUnitPlan = UnitPlan.Id"
           " and UnitPlan.Id  = (Select LessonPlan.FKUnitPlan from LessonPlan where LessonPlan.Id = " +
           FXStringVal(lessonId) + ") Order By DateStart, TimeStart";
}

// The printer description the preview shows: the paper, orientation and
// destination kind last chosen in the print dialog.
FXNativePrinter previewJob(FXRegistry& reg, FXdouble w, FXdouble h, FXdouble l, FXdouble r, FXdouble t, FXdouble b) {
    FXNativePrinter job;
    job.name = "preview";
    job.mediawidth = w;
    job.mediaheight = h;
    job.leftmargin = l;
    job.rightmargin = r;
    job.topmargin = t;
    job.bottommargin = b;
    job.flags = FXNativePrinter::COLOR | FXNativePrinter::SCREEN_UNITS;
    switch (reg.readIntEntry("PRINTER", "printtofile", 0)) {
        case 1:
            job.flags |= FXNativePrinter::DEST_FILE;
            break;
        case 2:
            job.flags |= FXNativePrinter::DEST_HTML;
            break;
        case 3:
            job.flags |= FXNativePrinter::DEST_PDF;
            break;
        default:
            break;
    }
    return job;
}

}  // namespace

// ---------------------------------------------------------------- construction

LessonDialog::LessonDialog(FXApp* app, FXlong week, FXint, const FXStringRecordset& planColourList)
    : FXDialogBox(app, "Print Lessons", DECOR_ALL, 0, 0, 640, 480, 4, 4, 4, 4, 4, 4), weekStart(week) {
    ++liveCount;
    if (appIcon) {
        setIcon(appIcon);
        setMiniIcon(appIcon);
    }
    // The week's plans, copied: the calendar draws other weeks meanwhile.
    for (const FXStringRecordset::Row* row = planColourList.FirstRow(); row; row = row->next) {
        std::vector<FXString> fields;
        for (const FXStringRecordset::Field* f = row->firstField; f; f = f->next) fields.push_back(f->value);
        if (fields.size() < 7) continue;
        WeekLesson lesson;
        lesson.id = decimalValue(fields[0]);
        lesson.unitType = decimalValue(fields[4]);
        lesson.days = fields[5];
        lesson.rotate = decimalValue(fields[6]);
        weekLessons.push_back(lesson);
    }

    FXHorizontalFrame* main = new FXHorizontalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);

    // Left: the days, the options, the commands.
    FXVerticalFrame* left = new FXVerticalFrame(main, LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
    FXVerticalFrame* dayFrame =
        new FXVerticalFrame(left, FRAME_SUNKEN | LAYOUT_FIX_HEIGHT, 0, 0, 0, 150, 0, 0, 0, 0, 0, 0);
    FXHeader* header = new FXHeader(dayFrame, nullptr, 0, HEADER_NORMAL | LAYOUT_FIX_WIDTH, 0, 0, 100, 0);
    header->appendItem("Day", nullptr, 100);
    dayList = new FXList(dayFrame, this, ID_DAYS, LIST_SINGLESELECT | LAYOUT_FIX_WIDTH | LAYOUT_FILL_Y, 0, 0, 100, 0);

    FXint* options[4] = {&routinePlans, &nonContactTime, &rotatingPlans, &verboseFormat};
    for (int i = 0; i < 4; ++i) optionTargets[i].connect(*options[i]);
    optionChecks[0] =
        new FXCheckButton(left, "Routine plans\tInclude routine plans.", &optionTargets[0], FXDataTarget::ID_VALUE);
    optionChecks[1] = new FXCheckButton(left, "Non-contact time\tInclude non-contact plans.", &optionTargets[1],
                                        FXDataTarget::ID_VALUE);
    optionChecks[2] =
        new FXCheckButton(left, "Rotating plans\tInclude rotating plans.", &optionTargets[2], FXDataTarget::ID_VALUE);
    FXVerticalFrame* verboseFrame = new FXVerticalFrame(left, FRAME_GROOVE | LAYOUT_FILL_X, 0, 0, 0, 0, 2, 2, 2, 2);
    optionChecks[3] = new FXCheckButton(verboseFrame, "Verbose format\tMake all reports one column wide.",
                                        &optionTargets[3], FXDataTarget::ID_VALUE);

    FXVerticalFrame* commands =
        new FXVerticalFrame(left, FRAME_SUNKEN | LAYOUT_SIDE_BOTTOM | LAYOUT_BOTTOM, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    const char* texts[7] = {"&Print\tPrint this lesson only.",
                            "Print &All\tPrint all lessons for today.",
                            "Print &Week\tPrint every lesson of the week, day by day, as one job.",
                            "Print &Unit\tPrint entire unit.",
                            "Print &Summary\tPrint all lessons for today in summary format.",
                            "Print Unit Summa&ry\tPrint entire unit in summary format.",
                            "&Close"};
    const FXSelector ids[7] = {ID_PRINT,         ID_PRINT_ALL,          ID_PRINT_WEEK, ID_PRINT_UNIT,
                               ID_PRINT_SUMMARY, ID_PRINT_UNIT_SUMMARY, ID_CLOSE};
    for (int i = 0; i < 7; ++i) {
        printButtons[i] = new FXButton(commands, texts[i], nullptr, this, ids[i],
                                       FRAME_RAISED | FRAME_THICK | LAYOUT_FIX_WIDTH, 0, 0, 140, 0, 20, 20, 5, 5);
        printButtons[i]->setFont(labelFont);
    }

    // Right: the preview page, and the day's lessons as tabs beside it.
    FXHorizontalFrame* right = new FXHorizontalFrame(main, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    FXScrollWindow* scroll = new FXScrollWindow(right, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXVerticalFrame* sunken = new FXVerticalFrame(scroll, FRAME_SUNKEN | FRAME_THICK, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    preview = new FXCanvas(sunken, this, ID_PREVIEW, LAYOUT_FIX_WIDTH | LAYOUT_FIX_HEIGHT, 0, 0, 1, 1);
    tabBar = new FXTabBar(right, this, ID_TABS, TABBOOK_RIGHTTABS | LAYOUT_FILL_Y | PACK_UNIFORM_WIDTH, 0, 0, 0, 0, 0,
                          0, 0, 0);

    app->addTimeout(this, ID_START, 100);
}

LessonDialog::~LessonDialog() {
    getApp()->removeTimeout(this, ID_START);
    getApp()->removeChore(this, ID_DESTROY);
    while (getFirst()) delete getFirst();
    delete image;
    --liveCount;
}

void LessonDialog::create() {
    const FXbool created = id() != 0;
    FXDialogBox::create();
    if (created) return;
    lessons::setLessonDialogOpened(TRUE);
    // The command buttons are 140 wide, or as wide as the widest caption needs.
    report::createFonts();
    FXint buttonWidth = 140;
    for (FXButton* button : printButtons) buttonWidth = FXMAX(buttonWidth, button->getDefaultWidth());
    for (FXButton* button : printButtons) button->setWidth(buttonWidth);
    const WindowPlace place = WindowPlace::read(getApp()->reg(), settingsSection);
    position(place.x, place.y, place.width, place.height);
    show();
    placementDx = getX() - place.x;
    placementDy = getY() - place.y;
}

// ---------------------------------------------------------------- closing

void LessonDialog::closeDialog() {
    if (closing) return;
    closing = TRUE;
    WindowPlace{getX() - placementDx, getY() - placementDy, getWidth(), getHeight()}.write(getApp()->reg(),
                                                                                           settingsSection);
    getApp()->removeTimeout(this, ID_START);
    hide();
    getApp()->addChore(this, ID_DESTROY);
}

long LessonDialog::onCmdClose(FXObject*, FXSelector, void*) {
    closeDialog();
    return 1;
}

long LessonDialog::onChoreDestroy(FXObject*, FXSelector, void*) {
    delete this;
    return 1;
}

void LessonDialog::busy(FXbool on) {
    FXCursor* cursor = on ? busyCursor : normalCursor;
    if (cursor) setDefaultCursor(cursor);
}

// ---------------------------------------------------------------- start-up, days and tabs

long LessonDialog::onTimerStart(FXObject*, FXSelector, void*) {
    start();
    return 1;
}

FXbool LessonDialog::start() {
    FXRegistry& reg = getApp()->reg();
    // Before the print dialog was ever opened: its papers, the locale's chosen.
    FXNativePrintDialog::providePapers(reg);
    const char* first = reg.readStringEntry("PAPER", "0", nullptr);
    if (!first || !*first) return FALSE;
    const FXint media = reg.readIntEntry("PRINTER", "media", 0);
    FXNativePrintDialog::Paper paper;
    const char* entry = reg.readStringEntry("PAPER", FXStringVal(media).text(), nullptr);
    if (!entry || !FXNativePrintDialog::parsePaper(entry, paper)) FXNativePrintDialog::parsePaper(first, paper);
    paperWidth = paper.width;
    paperHeight = paper.height;
    leftMargin = paper.left;
    rightMargin = paper.right;
    topMargin = paper.top;
    bottomMargin = paper.bottom;
    if (reg.readIntEntry("PRINTER", "landscape", 0)) {
        std::swap(paperWidth, paperHeight);
        std::swap(leftMargin, topMargin);
        std::swap(rightMargin, bottomMargin);
    }
    const FXint w = (FXint)((paperWidth - leftMargin - rightMargin) * previewScale);
    const FXint h = (FXint)((paperHeight - topMargin - bottomMargin) * previewScale);
    preview->setWidth(FXMAX(w, 1));
    preview->setHeight(FXMAX(h, 1));
    redrawState = DIRTY;
    preview->recalc();
    preview->update();

    dayList->clearItems();
    for (FXint k = 0; k < 5; ++k) dayList->appendItem(dates::shownDate(weekStart + k * dates::oneDay));
    // No day chosen until the user chooses one.
    dayList->killSelection();
    dayList->setCurrentItem(-1);
    chosenDay = -1;
    return TRUE;
}

long LessonDialog::onCmdDays(FXObject*, FXSelector, void* ptr) {
    const FXint index = (FXint)(FXival)ptr;
    if (index >= 0 && index < dayList->getNumItems()) chooseDay(index);
    return 1;
}

void LessonDialog::chooseDay(FXint index) {
    busy(TRUE);
    chosenDay = index;
    while (tabBar->getFirst()) delete tabBar->getFirst();
    dayLessons.Clear();
    currentLesson = 0;
    const FXString day = FXStringVal(index + 1);
    failures::run(this, "Database Error", "lesson", [&] {
        for (const WeekLesson& lesson : weekLessons) {
            if (lesson.days.find(day) < 0) continue;
            if (!routinePlans && lesson.unitType == 2) continue;
            if (!nonContactTime && lesson.unitType == 3) continue;
            if (!rotatingPlans && lesson.rotate != 0) continue;
            if (!lessonRecordset.OpenRecordset("Select * from LessonPlan where Id = " + FXStringVal(lesson.id))) return;
            if (lessonRecordset.rows.IsEmpty()) continue;  // deleted since the calendar drew it
            lessonRecordset.MoveFirst();
            FXTabItem* tab = new FXTabItem(tabBar, labels::literal(lessonRecordset.GetField("LessonName")), nullptr,
                                           TAB_RIGHT_NORMAL);
            if (tabBar->id()) tab->create();
            dayLessons.AddField(FXStringVal(lesson.id), TRUE);
        }
    });
    tabBar->recalc();
    if (!dayLessons.IsEmpty()) {
        tabBar->setCurrent(0);
        chooseTab(0);
    } else {
        redrawState = DIRTY;
        preview->update();
    }
    busy(FALSE);
}

long LessonDialog::onCmdTabs(FXObject*, FXSelector, void* ptr) {
    chooseTab((FXint)(FXival)ptr);
    return 1;
}

void LessonDialog::chooseTab(FXint index) {
    currentLesson = 0;
    FXint i = 0;
    for (const FXStringRecordset::Row* row = dayLessons.FirstRow(); row; row = row->next, ++i) {
        if (i == index && row->firstField) {
            currentLesson = decimalValue(row->firstField->value);
            break;
        }
    }
    redrawState = DIRTY;
    preview->update();
}

FXString LessonDialog::dayText() const { return dayTextOf(chosenDay); }

FXString LessonDialog::dayTextOf(FXint index) const {
    if (index < 0 || index >= dayList->getNumItems() || index > 4) return FXString();
    return dayNames[index] + dayList->getItemText(index);
}

// ---------------------------------------------------------------- the preview

// The page is drawn as the paper gets it: laid out in the job's units and
// scaled into the image, so that the preview is the printed page.
void LessonDialog::drawPreview() {
    if (!image) return;
    FXNativePrinter job =
        previewJob(getApp()->reg(), paperWidth, paperHeight, leftMargin, rightMargin, topMargin, bottomMargin);
    FXDCNativePrinter dc(getApp());
    dc.beginPreview(job, image, 1, 25.4 / 72.0 / previewScale);
    dc.beginPage(1);
    drawLessonPage(dc, dc.getContentWidth(), dc.getContentHeight(), currentLesson, PRINT_LESSON);
    dc.endPage();
    dc.endPrint();
}

long LessonDialog::onPaintPreview(FXObject*, FXSelector, void* ptr) {
    const FXint w = preview->getWidth(), h = preview->getHeight();
    FXDCWindow screen(preview, static_cast<FXEvent*>(ptr));
    if (w <= 1 || h <= 1 || paperWidth <= 0) {
        screen.setForeground(preview->getBackColor());
        screen.fillRectangle(0, 0, w, h);
        return 1;
    }
    busy(TRUE);
    failures::run(this, "Database Error", "lesson", [&] {
        if (!image) {
            image = new FXImage(getApp(), nullptr, IMAGE_KEEP, w, h);
            image->create();
            redrawState = DIRTY;
        } else if (image->getWidth() != w || image->getHeight() != h) {
            image->resize(w, h);
            redrawState = DIRTY;
        }
        if (redrawState != CLEAN) {
            redrawState = CLEAN;
            try {
                drawPreview();
            } catch (const PrintAbandoned&) {
                return;  // no connection: the image stays
            }
        }
        screen.drawImage(image, 0, 0);
    });
    busy(FALSE);
    return 1;
}

void LessonDialog::drawLessonPage(FXDC& dc, FXint W, FXint H, FXint lessonId, Command command, LessonRest* rest) {
    ::drawLessonPage(dc, W, H, lessonId, command == PRINT_UNIT ? FXString() : dayText(), lessonRecordset, rest);
}

// ---------------------------------------------------------------- printing

FXString LessonDialog::lessonStatement(FXint lessonId) {
    return "Select '...End of Record...' as EndOfRecord, Subject.Description as Subject, LongTerm.PlanName as "
           "LongTermPlanName, LongTerm.Description as LongTermDescription, UnitPlan.UnitName, "
           "UnitPlan.UnitDescription, "
           "LessonPlan.* from Subject, LongTerm, UnitPlan, LessonPlan"
           " Where Subject.Id = LongTerm.FKSubject And LongTerm.Id = UnitPlan.FKLongTerm And UnitPlan.Id = "
           "LessonPlan.FKUnitPlan"
           " And LessonPlan.Id = " +
           FXStringVal(lessonId);
}

FXString LessonDialog::summaryStatement(FXint lessonId) {
    return "Select LessonPlan.*, '...End of Record...' as EndOfRecord from LessonPlan Where Id = " +
           FXStringVal(lessonId);
}

std::vector<FXint> LessonDialog::lessonsOf(Command command) {
    std::vector<FXint> ids;
    switch (command) {
        case PRINT_LESSON:
            ids.push_back(currentLesson);
            break;
        case PRINT_ALL:
        case PRINT_SUMMARY:
            for (const FXStringRecordset::Row* row = dayLessons.FirstRow(); row; row = row->next)
                if (row->firstField) ids.push_back(decimalValue(row->firstField->value));
            break;
        case PRINT_UNIT:
        case PRINT_UNIT_SUMMARY:
            for (unitRecordset.MoveFirst(); !unitRecordset.rows.IsEmpty() && !unitRecordset.eof();
                 unitRecordset.MoveNext())
                ids.push_back(decimalValue(unitRecordset.GetField(0)));
            break;
        case PRINT_WEEK:
            // Every day's lessons as its tabs would list them, Monday first.
            weekDays.clear();
            for (FXint d = 0; d < 5; ++d) {
                const FXString day = FXStringVal(d + 1);
                for (const WeekLesson& lesson : weekLessons) {
                    if (lesson.days.find(day) < 0) continue;
                    if (!routinePlans && lesson.unitType == 2) continue;
                    if (!nonContactTime && lesson.unitType == 3) continue;
                    if (!rotatingPlans && lesson.rotate != 0) continue;
                    ids.push_back(lesson.id);
                    weekDays.push_back(d);
                }
            }
            break;
    }
    return ids;
}

long LessonDialog::onCmdPrint(FXObject*, FXSelector, void*) {
    printCommand(PRINT_LESSON);
    return 1;
}

long LessonDialog::onCmdPrintAll(FXObject*, FXSelector, void*) {
    printCommand(PRINT_ALL);
    return 1;
}

long LessonDialog::onCmdPrintUnit(FXObject*, FXSelector, void*) {
    printCommand(PRINT_UNIT);
    return 1;
}

long LessonDialog::onCmdPrintSummary(FXObject*, FXSelector, void*) {
    printCommand(PRINT_SUMMARY);
    return 1;
}

long LessonDialog::onCmdPrintWeek(FXObject*, FXSelector, void*) {
    printCommand(PRINT_WEEK);
    return 1;
}

long LessonDialog::onCmdPrintUnitSummary(FXObject*, FXSelector, void*) {
    printCommand(PRINT_UNIT_SUMMARY);
    return 1;
}

void LessonDialog::printCommand(Command command) {
    const FXbool unit = command == PRINT_UNIT || command == PRINT_UNIT_SUMMARY;
    FXString unitName;
    if (unit) {
        FXint count = 0;
        if (!failures::run(this, "Database Error", "lesson", [&] { count = loadUnit(); }) || count < 0) return;
        if (count > 0) {
            unitRecordset.MoveFirst();
            unitName = unitRecordset.GetField("UnitName");
        }
    }
    const std::vector<FXint> ids = lessonsOf(command);
    // A long job is printed only when the user says so.
    if (ids.size() >= 10) {
        const FXuint pages = countPages(command, ids);
        const FXint limit = getApp()->reg().readIntEntry("SETTINGS", "largeprintjob", 50);
        if (limit > 0 && pages > (FXuint)limit) {
            const FXString n = FXStringVal((FXint)pages);
            if (Prompter::get().choose(this, "Large Print Job Requested", "This print job has " + n + " pages.",
                                       {"Print " + n + " pages", "Cancel"}) != 0)
                return;
        }
    }

    FXString title;
    switch (command) {
        case PRINT_LESSON:
            title = "Lesson plan";
            break;
        case PRINT_ALL:
            title = "Lesson plans " + dayText();
            break;
        case PRINT_UNIT:
            title = "Unit " + unitName;
            break;
        case PRINT_SUMMARY:
            title = "Summary " + dayText();
            break;
        case PRINT_UNIT_SUMMARY:
            title = "Unit summary " + unitName;
            break;
        case PRINT_WEEK:
            title = "Lesson plans week of " + (dayList->getNumItems() > 0 ? dayList->getItemText(0) : FXString());
            break;
    }
    PrintCommand print(this, title.trim());
    print.printer.flags |= FXNativePrinter::SCREEN_UNITS | FXNativePrinter::PAGE_FOOTER;
    // The summary tables have seven or eight columns: landscape unless the
    // user chooses otherwise.
    if ((command == PRINT_SUMMARY || command == PRINT_UNIT_SUMMARY) && !verboseFormat)
        print.printer.flags |= FXNativePrinter::WIDE_TABLE;
    print.run([&](FXDCNativePrinter& dc) { printJob(dc, command, ids); });
}

// Laid out as the preview's paper has it, without drawing: pages begun.
FXuint LessonDialog::countPages(Command command, const std::vector<FXint>& ids) {
    if (paperWidth <= 0 || paperHeight <= 0) return 0;
    FXNativePrinter job;
    job.mediawidth = paperWidth;
    job.mediaheight = paperHeight;
    job.leftmargin = leftMargin;
    job.rightmargin = rightMargin;
    job.topmargin = topMargin;
    job.bottommargin = bottomMargin;
    job.flags = FXNativePrinter::DEST_FILE | FXNativePrinter::SCREEN_UNITS;
    FXDCNativePrinter dc(getApp());
    dc.beginPreview(job, nullptr, 0, 1.0);
    try {
        printJob(dc, command, ids);
    } catch (const FXException&) {
        // The job itself will tell.
    } catch (const PrintAbandoned&) {
    }
    const FXuint pages = dc.getPagesBegun();
    dc.endPrint();
    return pages;
}

FXint LessonDialog::loadUnit() {
    if (!unitRecordset.OpenRecordset(unitStatement(currentLesson))) return -1;
    return unitRecordset.rows.RowCount();
}

void LessonDialog::printJob(FXDCNativePrinter& dc, Command command, const std::vector<FXint>& ids) {
    if (command == PRINT_SUMMARY || command == PRINT_UNIT_SUMMARY)
        printSummary(dc, ids, command);
    else if (verboseFormat)
        printVerbose(dc, ids);
    else
        printPages(dc, ids, command);
}

void LessonDialog::printPages(FXDCNativePrinter& dc, const std::vector<FXint>& ids, Command command) {
    FXuint page = 1;
    for (size_t k = 0; k < ids.size(); ++k) {
        const FXint id = ids[k];
        dc.beginPage(page++);
        LessonRest rest;
        if (dc.toHtml())
            dc.writeTable(lessonStatement(id));
        else if (command == PRINT_WEEK && k < weekDays.size())
            ::drawLessonPage(dc, dc.getContentWidth(), dc.getContentHeight(), id, dayTextOf(weekDays[k]),
                             lessonRecordset, &rest);
        else
            drawLessonPage(dc, dc.getContentWidth(), dc.getContentHeight(), id, command, &rest);
        dc.endPage();
        // What the form's boxes could not hold follows on pages of its own.
        while (!rest.empty()) {
            dc.beginPage(page++);
            drawLessonContinued(dc, dc.getContentWidth(), dc.getContentHeight(), rest);
            dc.endPage();
        }
    }
}

namespace {
FXStringRecordset& verboseFieldList(FXStringRecordset& fields) {
    report::setTitleRow(fields, "", "", "");
    for (const auto& f : verboseFields) report::addColumn(fields, f[0], f[1], "0.81");
    return fields;
}
}  // namespace

void LessonDialog::printVerbose(FXDCNativePrinter& dc, const std::vector<FXint>& ids) {
    FXStringRecordset title, fields;
    report::setTitleRow(title, "Verbose Lesson Plan", "", "0.50");
    verboseFieldList(fields);
    ReportPages pages(dc, title);
    pages.begin();
    for (FXint id : ids) pages.verboseRows(lessonStatement(id), fields);
    pages.end();
}

void LessonDialog::printSummary(FXDCNativePrinter& dc, const std::vector<FXint>& ids, Command command) {
    FXStringRecordset definition;
    if (command == PRINT_SUMMARY) {
        const FXString day = dayText();
        report::setTitleRow(definition, "Date:", day.empty() ? FXString("No day chosen.") : day, "0.50");
        for (const auto& c : daySummaryColumns) report::addColumn(definition, c[0], c[1], c[2]);
    } else {
        FXString name = "No unit chosen.";
        if (!unitRecordset.rows.IsEmpty()) {
            unitRecordset.MoveFirst();
            name = unitRecordset.GetField("UnitName");
        }
        report::setTitleRow(definition, "Unit:", name, "0.50");
        for (const auto& c : unitSummaryColumns) report::addColumn(definition, c[0], c[1], c[2]);
    }
    if (!verboseFormat) {
        ReportPages pages(dc, definition);
        pages.begin();
        for (FXint id : ids) pages.row(summaryStatement(id));
        pages.end();
        return;
    }
    // Verbose: the title row heads the pages, each column becomes a line.
    FXStringRecordset title, fields;
    definition.MoveFirst();
    report::setTitleRow(title, definition.GetField(0), definition.GetField(1), definition.GetField(2));
    report::setTitleRow(fields, "", "", "");
    for (definition.MoveNext(); !definition.eof; definition.MoveNext())
        report::addColumn(fields, definition.GetField(0), definition.GetField(1), "0.81");
    report::addColumn(fields, "", "ENDOFRECORD", "0.81");
    ReportPages pages(dc, title);
    pages.begin();
    for (FXint id : ids) pages.verboseRows(summaryStatement(id), fields);
    pages.end();
}

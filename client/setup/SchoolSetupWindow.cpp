#include "setup/SchoolSetupWindow.h"

#include <algorithm>
#include <utility>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/InputChecks.h"
#include "data/Numbers.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"
#include "ui/WindowPlace.h"

using namespace FX;

FXDEFMAP(SchoolSetupWindow)
SchoolSetupWindowMap[] = {
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_TERMLIST, SchoolSetupWindow::onCmdTermList),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_ADDTERM, SchoolSetupWindow::onCmdAddTerm),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_EDITTERM, SchoolSetupWindow::onCmdEditTerm),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_DELETETERM, SchoolSetupWindow::onCmdDeleteTerm),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_YEARLIST, SchoolSetupWindow::onCmdYearList),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_ADDYEAR, SchoolSetupWindow::onCmdAddYear),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_EDITYEAR, SchoolSetupWindow::onCmdEditYear),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_DELETEYEAR, SchoolSetupWindow::onCmdDeleteYear),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_CLOSEDLIST, SchoolSetupWindow::onCmdClosedList),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_ADDCLOSED, SchoolSetupWindow::onCmdAddClosed),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_EDITCLOSED, SchoolSetupWindow::onCmdEditClosed),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_DELETECLOSED, SchoolSetupWindow::onCmdDeleteClosed),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_TIMETABLE, SchoolSetupWindow::onCmdTimetable),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_SAVETIMETABLE, SchoolSetupWindow::onCmdSaveTimetable),
    FXMAPFUNC(SEL_COMMAND, SchoolSetupWindow::ID_CLOSE, SchoolSetupWindow::onCmdClose),
    FXMAPFUNC(SEL_CLOSE, 0, SchoolSetupWindow::onCmdClose),
};

FXIMPLEMENT(SchoolSetupWindow, FXDialogBox, SchoolSetupWindowMap, ARRAYNUMBER(SchoolSetupWindowMap))

namespace {

const char* const section = "SCHOOLSETUP";
// A term's and a year level's rows as an edit reads them (the start of the
// SELECT).
const char* const termColumns = "Select Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm, RowVersion, ChangedBy";
const char* const yearColumns = "Select Id, Description, RowVersion, ChangedBy";
const char* const closedColumns = "Select Id, Name, FirstDay, LastDay, RowVersion, ChangedBy";
// The Settings rows of the timetable, in the order of shownTimetable.
const char* const timetableKeys[] = {"SchoolHour", "SchoolMinute", "SchoolPeriod", "SchoolTimes"};

// A date typed whole: day, month and year, with two separators or as at
// least four digits ("3/2/26", "030226", "3226"), not a day of this month
// alone ("4") or a day and a month ("4/3").
bool wholeDate(const FXString& typed) {
    FXint separators = 0, digits = 0;
    for (FXint i = 0; i < typed.length(); ++i) {
        if (typed[i] >= '0' && typed[i] <= '9')
            ++digits;
        else if (typed[i] == '/' || typed[i] == '-' || typed[i] == '.')
            ++separators;
    }
    return separators >= 2 || (separators == 0 && digits >= 4);
}

// Year levels in the order of their names, the numbers in them as numbers
// ("Year 2" before "Year 10").
bool naturallyBefore(const FXString& a, const FXString& b) {
    FXint i = 0, j = 0;
    while (i < a.length() && j < b.length()) {
        if (Ascii::isDigit(a[i]) && Ascii::isDigit(b[j])) {
            FXlong x = 0, y = 0;
            while (i < a.length() && Ascii::isDigit(a[i])) x = x * 10 + (a[i++] - '0');
            while (j < b.length() && Ascii::isDigit(b[j])) y = y * 10 + (b[j++] - '0');
            if (x != y) return x < y;
            continue;
        }
        const FXchar p = Ascii::toLower(a[i]), q = Ascii::toLower(b[j]);
        if (p != q) return p < q;
        ++i;
        ++j;
    }
    return a.length() - i < b.length() - j;
}
const FXint defaultWidth = 700, defaultHeight = 520;
const FXint minimumWidth = 600, minimumHeight = 460;

// ChildYear.Description holds at most this many bytes as stored (escaped).
const FXint yearLevelLength = 40;
// NonTeachingDay.Name likewise.
const FXint closedNameLength = 60;
// A non-teaching day longer than this is a term break, which the terms
// already leave out.
const FXint longestClosure = 28;

FXButton* button(FXComposite* parent, const char* text, FXObject* target, FXSelector id) {
    FXButton* b = new FXButton(parent, text, nullptr, target, id, FRAME_RAISED | FRAME_THICK | LAYOUT_FILL_X, 0, 0, 0,
                               0, 20, 20, 5, 5);
    b->setFont(labelFont);
    return b;
}

FXLabel* label(FXComposite* parent, const char* text) {
    return new FXLabel(parent, text, nullptr, LABEL_NORMAL | JUSTIFY_LEFT);
}

FXSpinner* spinner(FXComposite* parent, FXint columns, FXint low, FXint high, FXObject* target = nullptr,
                   FXSelector id = 0) {
    FXSpinner* s = new FXSpinner(parent, columns, target, id, SPIN_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    s->setRange(low, high);
    return s;
}

// The last day of a term: the Sunday of its last week.
FXString lastDay(const FXString& firstDay, FXint weeks) { return dates::addDays(firstDay, 7 * weeks - 1); }

// The Friday of a term's last week, as the list shows it.
FXString lastSchoolDay(const FXString& firstDay, FXint weeks) { return dates::addDays(firstDay, 7 * weeks - 3); }

FXString termText(FXint number, FXint year, const FXString& firstDay, FXint weeks) {
    return FXStringFormat("Term %d, %d:  ", number, year) + DisplayDate(firstDay) + " to " +
           DisplayDate(lastSchoolDay(firstDay, weeks)) + FXStringFormat("  (%d week%s)", weeks, weeks == 1 ? "" : "s");
}

// "Easter Monday:  06/04/26", "Camp:  09/03/26 to 13/03/26  (5 days)".
FXString closedText(const FXString& name, const FXString& firstDay, const FXString& lastDay) {
    if (firstDay == lastDay) return name + ":  " + DisplayDate(firstDay);
    const FXlong days =
        (dates::localMoment(lastDay, 12, 0) - dates::localMoment(firstDay, 12, 0) + dates::oneDay / 2) / dates::oneDay +
        1;
    return name + ":  " + DisplayDate(firstDay) + " to " + DisplayDate(lastDay) +
           FXStringFormat("  (%d days)", (FXint)days);
}

FXString timeText(FXint minutes) { return FXStringFormat("%02d:%02d", minutes / 60, minutes % 60); }

}  // namespace

SchoolSetupWindow::SchoolSetupWindow(FXWindow* owner)
    : FXDialogBox(owner, "School Setup", DECOR_TITLE | DECOR_BORDER | DECOR_RESIZE | DECOR_CLOSE, 0, 0, defaultWidth,
                  defaultHeight, 4, 4, 4, 4, 4, 4) {
    setIcon(appIcon);
    setMiniIcon(appIcon);

    FXHorizontalFrame* bottom =
        new FXHorizontalFrame(this, LAYOUT_SIDE_BOTTOM | LAYOUT_FILL_X | FRAME_SUNKEN, 0, 0, 0, 0, 4, 4, 4, 4);
    FXButton* close =
        new FXButton(bottom, "&Close", nullptr, this, ID_CLOSE,
                     FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT | LAYOUT_FIX_WIDTH, 0, 0, 100, 0, 20, 20, 5, 5);
    close->setFont(labelFont);
    new FXLabel(bottom, "What is saved here is in the database at once, for every teacher.", nullptr,
                LABEL_NORMAL | LAYOUT_CENTER_Y);

    tabs = new FXTabBook(this, nullptr, 0, TABBOOK_NORMAL | LAYOUT_FILL_X | LAYOUT_FILL_Y);

    buildTermsTab();
    buildYearsTab();
    buildClosedTab();
    buildTimetableTab();
}

SchoolSetupWindow::~SchoolSetupWindow() {}

// The terms: the list, and the first day, weeks, year and term of one.
void SchoolSetupWindow::buildTermsTab() {
    new FXTabItem(tabs, "&Terms");
    FXHorizontalFrame* termPage = new FXHorizontalFrame(tabs, FRAME_RAISED | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXVerticalFrame* termListFrame = new FXVerticalFrame(termPage, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    label(termListFrame, "The school's terms, in date order:");
    FXVerticalFrame* termBorder = new FXVerticalFrame(
        termListFrame, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    termList = new FXList(termBorder, this, ID_TERMLIST, LIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXVerticalFrame* termSide = new FXVerticalFrame(termPage, LAYOUT_FILL_Y);
    FXMatrix* termFields = new FXMatrix(termSide, 2, MATRIX_BY_COLUMNS);
    firstDayLabel = label(termFields, "First day:");
    firstDayField = new FXTextField(termFields, 10, nullptr, 0, TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    label(termFields, "Weeks:");
    weeksSpinner = spinner(termFields, 4, 1, 60);
    label(termFields, "Year:");
    yearSpinner = spinner(termFields, 6, 1936, 2100);
    label(termFields, "Term:");
    termSpinner = spinner(termFields, 4, 1, 9);
    new FXLabel(termSide, "The first day is the Monday\nof the term's first week.", nullptr,
                LABEL_NORMAL | JUSTIFY_LEFT);
    button(termSide, "&Add", this, ID_ADDTERM);
    button(termSide, "&Edit", this, ID_EDITTERM);
    button(termSide, "&Delete", this, ID_DELETETERM);
}

// The year levels long-term plans are for.
void SchoolSetupWindow::buildYearsTab() {
    new FXTabItem(tabs, "&Year Levels");
    FXHorizontalFrame* yearPage = new FXHorizontalFrame(tabs, FRAME_RAISED | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXVerticalFrame* yearListFrame = new FXVerticalFrame(yearPage, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    label(yearListFrame, "The children's year levels that long-term plans are for:");
    FXVerticalFrame* yearBorder = new FXVerticalFrame(
        yearListFrame, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    yearList = new FXList(yearBorder, this, ID_YEARLIST, LIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXVerticalFrame* yearSide = new FXVerticalFrame(yearPage, LAYOUT_FILL_Y);
    label(yearSide, "Year level:");
    yearField =
        new FXTextField(yearSide, 20, nullptr, 0, TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X);
    button(yearSide, "A&dd", this, ID_ADDYEAR);
    button(yearSide, "Ed&it", this, ID_EDITYEAR);
    button(yearSide, "De&lete", this, ID_DELETEYEAR);
}

// Non-teaching days: a name and a first and last date each.
void SchoolSetupWindow::buildClosedTab() {
    new FXTabItem(tabs, "&Non-Teaching Days");
    FXHorizontalFrame* closedPage = new FXHorizontalFrame(tabs, FRAME_RAISED | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXVerticalFrame* closedListFrame = new FXVerticalFrame(closedPage, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    label(closedListFrame, "Days without lessons, in date order:");
    FXVerticalFrame* closedBorder = new FXVerticalFrame(
        closedListFrame, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    closedList = new FXList(closedBorder, this, ID_CLOSEDLIST, LIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXVerticalFrame* closedSide = new FXVerticalFrame(closedPage, LAYOUT_FILL_Y);
    FXMatrix* closedFields = new FXMatrix(closedSide, 2, MATRIX_BY_COLUMNS);
    label(closedFields, "Name:");
    closedNameField = new FXTextField(closedFields, 20, nullptr, 0, TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    closedFirstLabel = label(closedFields, "First day:");
    closedFirstField = new FXTextField(closedFields, 10, nullptr, 0, TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    closedLastLabel = label(closedFields, "Last day:");
    closedLastField = new FXTextField(closedFields, 10, nullptr, 0, TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    new FXLabel(closedSide, "Holidays, teacher-only days,\nschool events. Leave the last\nday empty for a single day.",
                nullptr, LABEL_NORMAL | JUSTIFY_LEFT);
    button(closedSide, "Add", this, ID_ADDCLOSED);
    button(closedSide, "Edit", this, ID_EDITCLOSED);
    button(closedSide, "Delete", this, ID_DELETECLOSED);
}

// The school day as the week grid shows it.
void SchoolSetupWindow::buildTimetableTab() {
    new FXTabItem(tabs, "Time&table");
    FXVerticalFrame* timePage =
        new FXVerticalFrame(tabs, FRAME_RAISED | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 10, 10, 10, 10);
    label(timePage, "The school day as the week grid shows it:");
    FXMatrix* timeFields = new FXMatrix(timePage, 2, MATRIX_BY_COLUMNS, 0, 0, 0, 0, 10, 10, 10, 10, 8, 6);
    label(timeFields, "The first row starts at (hour, minute):");
    FXHorizontalFrame* start = new FXHorizontalFrame(timeFields, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    hourSpinner = spinner(start, 3, 0, 23, this, ID_TIMETABLE);
    minuteSpinner = spinner(start, 3, 0, 59, this, ID_TIMETABLE);
    label(timeFields, "One row of the grid lasts (minutes):");
    periodSpinner = spinner(timeFields, 4, 5, 120, this, ID_TIMETABLE);
    label(timeFields, "Rows of the grid in a day:");
    rowsSpinner = spinner(timeFields, 4, 1, 96, this, ID_TIMETABLE);
    dayEndsLabel = new FXLabel(timePage, "", nullptr, LABEL_NORMAL | JUSTIFY_LEFT);
    FXHorizontalFrame* saveRow = new FXHorizontalFrame(timePage, LAYOUT_FILL_X);
    FXButton* save = new FXButton(saveRow, "&Save Timetable", nullptr, this, ID_SAVETIMETABLE,
                                  FRAME_RAISED | FRAME_THICK, 0, 0, 0, 0, 20, 20, 5, 5);
    save->setFont(labelFont);
}

void SchoolSetupWindow::create() {
    const WindowPlace place =
        WindowPlace::read(getApp()->reg(), section, defaultWidth, defaultHeight, minimumWidth, minimumHeight);
    position(place.x, place.y, place.width, place.height);
    FXDialogBox::create();
    load();
}

// ---------------------------------------------------------------------------
// Reading the database

void SchoolSetupWindow::load() {
    firstDayLabel->setText(appState.americanDate ? "First day (mm/dd/yy):" : "First day (dd/mm/yy):");
    closedFirstLabel->setText(appState.americanDate ? "First day (mm/dd/yy):" : "First day (dd/mm/yy):");
    closedLastLabel->setText(appState.americanDate ? "Last day (mm/dd/yy):" : "Last day (dd/mm/yy):");
    // Without the middleware the first query says so; the others are not tried.
    failures::run(this, "Database Error", "school setup", [&] {
        const failures::Mark mark;
        loadTerms();
        if (mark.lost()) return;
        loadYears();
        if (mark.lost()) return;
        loadClosed();
        if (mark.lost()) return;
        loadTimetable();
    });
}

void SchoolSetupWindow::loadTerms(FXint selectId) {
    if (!recordset.OpenRecordset("Select Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm from TermDate "
                                 "Order By FirstDay, Id"))
        return;
    termList->clearItems();
    FXint lastYear = 0, lastTerm = 0;
    FXString lastFirstDay;
    FXint lastWeeks = 10;
    for (recordset.MoveFirst(); !recordset.eof(); recordset.MoveNext()) {
        const FXint id = decimalValue(recordset.GetField("Id"));
        const FXString firstDay = recordset.rows.GetField(1);  // YYYY-MM-DD as stored
        lastWeeks = decimalValue(recordset.GetField("SchoolWeeks"));
        lastYear = decimalValue(recordset.GetField("SchoolYear"));
        lastTerm = decimalValue(recordset.GetField("SchoolTerm"));
        lastFirstDay = firstDay;
        termList->appendItem(termText(lastTerm, lastYear, firstDay, lastWeeks), nullptr, (void*)(FXival)id);
    }
    lists::noCurrentItem(termList);
    const FXint row = lists::findItem(termList, selectId);
    if (row >= 0) {
        lists::selectItem(termList, row);
        onCmdTermList(termList, FXSEL(SEL_COMMAND, ID_TERMLIST), (void*)(FXival)row);
        return;
    }
    // Ready for the next term: after the last one, or this year's first.
    firstDayField->setText(FXString());
    weeksSpinner->setValue(10);
    if (lastFirstDay.empty()) {
        yearSpinner->setValue(decimalValue(dates::localText(dates::now(), "%Y")));
        termSpinner->setValue(1);
    } else if (lastTerm >= 4) {
        yearSpinner->setValue(lastYear + 1);
        termSpinner->setValue(1);
    } else {
        yearSpinner->setValue(lastYear);
        termSpinner->setValue(lastTerm + 1);
    }
}

void SchoolSetupWindow::loadYears(FXint selectId) {
    if (!recordset.OpenRecordset("Select Id, Description from ChildYear")) return;
    std::vector<std::pair<FXString, FXint>> years;
    for (recordset.MoveFirst(); !recordset.eof(); recordset.MoveNext())
        years.emplace_back(recordset.GetField("Description"), decimalValue(recordset.GetField("Id")));
    std::stable_sort(years.begin(), years.end(),
                     [](const std::pair<FXString, FXint>& a, const std::pair<FXString, FXint>& b) {
                         return naturallyBefore(a.first, b.first);
                     });
    yearList->clearItems();
    for (const auto& y : years) yearList->appendItem(y.first, nullptr, (void*)(FXival)y.second);
    lists::noCurrentItem(yearList);
    const FXint row = lists::findItem(yearList, selectId);
    if (row >= 0) {
        lists::selectItem(yearList, row);
        yearField->setText(yearList->getItemText(row));
    } else {
        yearField->setText(FXString());
    }
}

// The values the calendar has read (the defaults where the database has no
// row), then the database's own.
void SchoolSetupWindow::loadTimetable() {
    FXint hour = appState.schoolHour, minute = appState.schoolMinute;
    FXint period = appState.schoolPeriod, times = appState.schoolTimes;
    FXint* values[] = {&hour, &minute, &period, &times};
    for (int i = 0; i < 4; ++i) {
        if (!readSetting(timetableKeys[i])) return;
        shownTimetable[i] = ReadRow::of(recordset);
        if (!recordset.eof()) *values[i] = decimalValue(recordset.GetField("StringValue"));
    }
    // The stored start is that of the grid's first row, which holds the day
    // names: the first row of lessons begins one row later, and a day has
    // one row fewer than SchoolTimes.
    const FXint first = FXCLAMP(0, hour * 60 + minute + period / 60, 24 * 60 - 1);
    hourSpinner->setValue(first / 60);
    minuteSpinner->setValue(first % 60);
    periodSpinner->setValue(period / 60);
    rowsSpinner->setValue(times - 1);
    showDayEnd();
}

void SchoolSetupWindow::showDayEnd() {
    const FXint first = hourSpinner->getValue() * 60 + minuteSpinner->getValue();
    const FXint end = first + periodSpinner->getValue() * rowsSpinner->getValue();
    dayEndsLabel->setText("The grid shows " + timeText(first) + " to " +
                          (end > 24 * 60 ? FXString("after midnight") : timeText(end)) + ".");
}

// ---------------------------------------------------------------------------
// Terms

long SchoolSetupWindow::onCmdTermList(FXObject*, FXSelector, void*) {
    const FXint row = termList->getCurrentItem();
    if (row < 0) return 1;
    failures::run(this, "Database Error", "term", [&] {
        if (!recordset.OpenRecordset(FXString(termColumns) +
                                     " from TermDate Where Id = " + FXStringVal(lists::itemId(termList, row))))
            return;
        recordset.MoveFirst();
        shownTerm = ReadRow::of(recordset);
        if (recordset.eof()) return;
        firstDayField->setText(recordset.GetField("FirstDay"));
        weeksSpinner->setValue(decimalValue(recordset.GetField("SchoolWeeks")));
        yearSpinner->setValue(decimalValue(recordset.GetField("SchoolYear")));
        termSpinner->setValue(decimalValue(recordset.GetField("SchoolTerm")));
    });
    return 1;
}

bool SchoolSetupWindow::readTermFields(const FXString& caption, Term& term) {
    if (!wholeDate(firstDayField->getText())) {
        Prompter::get().error(this, caption,
                              "First day: type the whole date, with its day, month and year (for example " +
                                  DisplayDate("2026-02-02") + "), so that the term is where you mean it.");
        return false;
    }
    try {
        term.firstDay = checks::date("First day", firstDayField->getText());
    } catch (const FXException& e) {
        Prompter::get().error(this, caption, e.what());
        return false;
    }
    const FXlong noon = dates::localMoment(term.firstDay, 12, 0);
    if (dates::weekday(noon) != 1) {
        const FXString monday =
            dates::isoDate(dates::addDays(noon, dates::weekday(noon) == 0 ? -6 : 1 - dates::weekday(noon)));
        Prompter::get().error(this, caption,
                              "First day: " + DisplayDate(term.firstDay) + " is a " + dates::localText(noon, "%A") +
                                  ". A term's first day is the Monday of its first week, because the calendar's "
                                  "weeks begin on it: type " +
                                  DisplayDate(monday) + ".");
        return false;
    }
    term.weeks = weeksSpinner->getValue();
    term.year = yearSpinner->getValue();
    term.number = termSpinner->getValue();
    return true;
}

bool SchoolSetupWindow::checkOverlap(const FXString& caption, const Term& term, FXint exceptId) {
    const FXString end = lastDay(term.firstDay, term.weeks);
    if (!recordset.OpenRecordset("Select Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm from TermDate "
                                 "Order By FirstDay, Id"))
        return false;
    for (recordset.MoveFirst(); !recordset.eof(); recordset.MoveNext()) {
        if (decimalValue(recordset.GetField("Id")) == exceptId) continue;
        const FXString otherStart = recordset.rows.GetField(1);
        const FXint otherWeeks = decimalValue(recordset.GetField("SchoolWeeks"));
        const FXString otherEnd = lastDay(otherStart, otherWeeks);
        // ISO dates compare as text.
        if (otherStart <= end && term.firstDay <= otherEnd) {
            Prompter::get().error(this, caption,
                                  "These dates overlap " +
                                      termText(decimalValue(recordset.GetField("SchoolTerm")),
                                               decimalValue(recordset.GetField("SchoolYear")), otherStart, otherWeeks) +
                                      ".\n\nTerms may not overlap: change the first day or the number of weeks.");
            return false;
        }
    }
    return true;
}

long SchoolSetupWindow::onCmdAddTerm(FXObject*, FXSelector, void*) {
    Term term;
    if (!readTermFields("Add Term Error", term)) return 1;
    failures::run(this, "Database Error", "term", [&] {
        if (!checkOverlap("Add Term Error", term, 0)) return;
        if (!recordset.OpenRecordset("Insert into TermDate (FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values ('" +
                                     term.firstDay + "', " + FXStringVal(term.weeks) + ", " + FXStringVal(term.year) +
                                     ", " + FXStringVal(term.number) + ")"))
            return;
        // The list shows the new term; the fields are ready for the next.
        loadTerms();
    });
    return 1;
}

long SchoolSetupWindow::onCmdEditTerm(FXObject*, FXSelector, void*) {
    const FXint row = termList->getCurrentItem();
    if (row < 0) {
        Prompter::get().error(this, "Edit Term Error", "Choose the term to change in the list first.");
        return 1;
    }
    const FXint id = lists::itemId(termList, row);
    Term term;
    if (!readTermFields("Edit Term Error", term)) return 1;
    failures::run(this, "Database Error", "term", [&] {
        if (!checkOverlap("Edit Term Error", term, id)) return;
        const std::vector<rowconflict::Field> fields{{"FirstDay", "First day", firstDayField->getText()},
                                                     {"SchoolWeeks", "Weeks", FXString::null},
                                                     {"SchoolYear", "Year", FXString::null},
                                                     {"SchoolTerm", "Term", FXString::null}};
        if (!checkedUpdate("term", termList->getItemText(row), "TermDate", termColumns, id,
                           "FirstDay = '" + term.firstDay + "', SchoolWeeks = " + FXStringVal(term.weeks) +
                               ", SchoolYear = " + FXStringVal(term.year) +
                               ", SchoolTerm = " + FXStringVal(term.number),
                           shownTerm, fields, [&] {
                               loadTerms(id);
                               onCmdTermList(nullptr, 0, nullptr);
                           }))
            return;
        loadTerms(id);
    });
    return 1;
}

long SchoolSetupWindow::onCmdDeleteTerm(FXObject*, FXSelector, void*) {
    const FXint row = termList->getCurrentItem();
    if (row < 0) {
        Prompter::get().error(this, "Delete Term Error", "Choose the term to delete in the list first.");
        return 1;
    }
    const FXint id = lists::itemId(termList, row);
    failures::run(this, "Database Error", "term", [&] {
        // Subjects begin or end with a term; without it they would seem
        // current in every term.
        if (!recordset.OpenRecordset("Select Count(*) from Subject Where FKTermDateStart = " + FXStringVal(id) +
                                     " or FKTermDateEnd = " + FXStringVal(id)))
            return;
        recordset.MoveFirst();
        const FXint subjects = recordset.eof() ? 0 : decimalValue(recordset.rows.GetField(0));
        if (subjects > 0) {
            Prompter::get().error(this, "Delete Term Error",
                                  FXStringFormat("%d subject%s began or ended in this term, so it cannot be deleted. "
                                                 "Change its dates with Edit instead.",
                                                 subjects, subjects == 1 ? "" : "s"));
            return;
        }
        if (!Prompter::get().question(this, "Confirm Delete Term", "Delete " + termList->getItemText(row) + "?"))
            return;
        if (!recordset.OpenRecordset("Delete from TermDate Where Id = " + FXStringVal(id))) return;
        loadTerms();
    });
    return 1;
}

// ---------------------------------------------------------------------------
// Year levels

long SchoolSetupWindow::onCmdYearList(FXObject*, FXSelector, void*) {
    const FXint row = yearList->getCurrentItem();
    if (row < 0) return 1;
    yearField->setText(yearList->getItemText(row));
    failures::run(this, "Database Error", "year level", [&] {
        if (!recordset.OpenRecordset(FXString(yearColumns) +
                                     " from ChildYear Where Id = " + FXStringVal(lists::itemId(yearList, row))))
            return;
        recordset.MoveFirst();
        shownYear = ReadRow::of(recordset);
    });
    return 1;
}

bool SchoolSetupWindow::readSetting(const FXString& key) {
    if (!recordset.OpenRecordset("Select Id, StringKey, StringValue, RowVersion, ChangedBy from Settings Where "
                                 "StringKey = '" +
                                 key + "'"))
        return false;
    recordset.MoveFirst();
    return true;
}

// The timetable's rows as they were read when the window opened, or the
// user's choice when another window changed them since: false to store
// nothing (Cancel, or Reload, which shows the stored timetable).
bool SchoolSetupWindow::timetableStillShown() {
    RowChange change;
    const char* const labels[] = {"Start of the day", "Start of the day", "Row length", "Rows a day"};
    for (int i = 0; i < 4; ++i) {
        if (shownTimetable[i].empty()) continue;
        if (!readSetting(timetableKeys[i])) return false;
        const RowChange one = shownTimetable[i].compare(recordset, {"StringValue"});
        if (one.deleted) {
            shownTimetable[i] = ReadRow();  // written again as a new row
            continue;
        }
        if (!one.columns.empty()) {
            bool listed = false;
            for (const FXString& c : change.columns) listed |= c == labels[i];
            if (!listed) change.columns.push_back(labels[i]);
            if (!one.changedBy.empty()) change.changedBy = one.changedBy;
        }
    }
    if (!change.changed()) return true;
    std::vector<rowconflict::Field> fields;
    for (const FXString& c : change.columns) fields.push_back({c, c, FXString::null});
    switch (rowconflict::ask(this, "timetable", "School day", change, fields)) {
        case rowconflict::OVERWRITE:
            for (int i = 0; i < 4; ++i) {
                if (!readSetting(timetableKeys[i])) return false;
                if (!recordset.eof()) shownTimetable[i] = ReadRow::of(recordset);
            }
            return true;
        case rowconflict::RELOAD:
            loadTimetable();
            return false;
        case rowconflict::CANCEL:
            break;
    }
    return false;
}

bool SchoolSetupWindow::checkedUpdate(const FXString& what, const FXString& name, const FXString& table,
                                      const FXString& columns, FXint id, const FXString& update, ReadRow& shown,
                                      const std::vector<rowconflict::Field>& fields,
                                      const std::function<void()>& reload) {
    const FXString key = FXStringVal(id);
    if (decimalValue(shown.value("Id")) != id) shown = ReadRow();
    rowconflict::Edit edit{what, name, fields};
    edit.reread = [&] {
        if (!recordset.OpenRecordset(columns + " from " + table + " Where Id = " + key)) throw rowconflict::Lost();
    };
    edit.reload = reload;
    edit.write = [&] {
        recordset.MoveFirst();
        if (!recordset.OpenRecordset("Update " + table + " Set " + update + rowversions::checkedAssignments(recordset) +
                                     " Where Id = " + key))
            throw rowconflict::Lost();
    };
    return rowconflict::checkedEdit(this, recordset, shown, edit);
}

bool SchoolSetupWindow::readYearField(const FXString& caption, FXString& name, FXint exceptId) {
    name = yearField->getText();
    name.trim();
    if (name.empty()) {
        Prompter::get().error(this, caption, "Type the year level's name first (for example Year 3).");
        return false;
    }
    try {
        checks::fits("Year level", name, yearLevelLength);
    } catch (const FXException& e) {
        Prompter::get().error(this, caption, e.what());
        return false;
    }
    for (FXint i = 0; i < yearList->getNumItems(); ++i)
        if (lists::itemId(yearList, i) != exceptId && yearList->getItemText(i) == name) {
            Prompter::get().error(this, caption, "This year level already exists.");
            return false;
        }
    return true;
}

long SchoolSetupWindow::onCmdAddYear(FXObject*, FXSelector, void*) {
    FXString name;
    if (!readYearField("Add Year Level Error", name, 0)) return 1;
    failures::run(this, "Database Error", "year level", [&] {
        if (!recordset.OpenRecordset("Insert into ChildYear (Description) values ('" + EscapeText(name) +
                                     "') returning Id"))
            return;
        recordset.MoveFirst();
        loadYears(recordset.eof() ? 0 : decimalValue(recordset.GetField("Id")));
    });
    return 1;
}

long SchoolSetupWindow::onCmdEditYear(FXObject*, FXSelector, void*) {
    const FXint row = yearList->getCurrentItem();
    if (row < 0) {
        Prompter::get().error(this, "Edit Year Level Error", "Choose the year level to rename in the list first.");
        return 1;
    }
    const FXint id = lists::itemId(yearList, row);
    FXString name;
    if (!readYearField("Edit Year Level Error", name, id)) return 1;
    failures::run(this, "Database Error", "year level", [&] {
        if (!checkedUpdate("year level", yearList->getItemText(row), "ChildYear", yearColumns, id,
                           "Description = '" + EscapeText(name) + "'", shownYear,
                           {{"Description", "Year level", yearField->getText()}}, [&] {
                               loadYears(id);
                               onCmdYearList(nullptr, 0, nullptr);
                           }))
            return;
        loadYears(id);
    });
    return 1;
}

long SchoolSetupWindow::onCmdDeleteYear(FXObject*, FXSelector, void*) {
    const FXint row = yearList->getCurrentItem();
    if (row < 0) {
        Prompter::get().error(this, "Delete Year Level Error", "Choose the year level to delete in the list first.");
        return 1;
    }
    const FXint id = lists::itemId(yearList, row);
    failures::run(this, "Database Error", "year level", [&] {
        if (!recordset.OpenRecordset("Select Count(*) from LongTerm Where FKYear = " + FXStringVal(id))) return;
        recordset.MoveFirst();
        const FXint plans = recordset.eof() ? 0 : decimalValue(recordset.rows.GetField(0));
        if (plans > 0) {
            Prompter::get().error(this, "Delete Year Level Error",
                                  FXStringFormat("%d long-term plan%s %s for this year level, so it cannot be "
                                                 "deleted. Rename it with Edit instead.",
                                                 plans, plans == 1 ? "" : "s", plans == 1 ? "is" : "are"));
            return;
        }
        if (!Prompter::get().question(this, "Confirm Delete Year Level",
                                      "Delete the year level " + yearList->getItemText(row) + "?"))
            return;
        if (!recordset.OpenRecordset("Delete from ChildYear Where Id = " + FXStringVal(id))) return;
        loadYears();
    });
    return 1;
}

// ---------------------------------------------------------------------------
// Non-teaching days

void SchoolSetupWindow::loadClosed(FXint selectId) {
    if (!recordset.OpenRecordset(
            "Select Id, Name, FirstDay, LastDay from NonTeachingDay Order By FirstDay, LastDay, Id"))
        return;
    closedList->clearItems();
    for (recordset.MoveFirst(); !recordset.eof(); recordset.MoveNext())
        closedList->appendItem(closedText(recordset.GetField("Name"), recordset.rows.GetField(2).left(10),
                                          recordset.rows.GetField(3).left(10)),
                               nullptr, (void*)(FXival)decimalValue(recordset.GetField("Id")));
    lists::noCurrentItem(closedList);
    const FXint row = lists::findItem(closedList, selectId);
    if (row >= 0) {
        lists::selectItem(closedList, row);
        onCmdClosedList(closedList, FXSEL(SEL_COMMAND, ID_CLOSEDLIST), (void*)(FXival)row);
        return;
    }
    closedNameField->setText(FXString());
    closedFirstField->setText(FXString());
    closedLastField->setText(FXString());
}

long SchoolSetupWindow::onCmdClosedList(FXObject*, FXSelector, void*) {
    const FXint row = closedList->getCurrentItem();
    if (row < 0) return 1;
    failures::run(this, "Database Error", "non-teaching day", [&] {
        if (!recordset.OpenRecordset(FXString(closedColumns) +
                                     " from NonTeachingDay Where Id = " + FXStringVal(lists::itemId(closedList, row))))
            return;
        recordset.MoveFirst();
        shownClosed = ReadRow::of(recordset);
        if (recordset.eof()) return;
        closedNameField->setText(recordset.GetField("Name"));
        closedFirstField->setText(recordset.GetField("FirstDay"));
        closedLastField->setText(recordset.GetField("FirstDay") == recordset.GetField("LastDay")
                                     ? FXString()
                                     : recordset.GetField("LastDay"));
    });
    return 1;
}

bool SchoolSetupWindow::readClosedFields(const FXString& caption, Closed& closed) {
    closed.name = closedNameField->getText();
    closed.name.trim();
    if (closed.name.empty()) {
        Prompter::get().error(this, caption,
                              "Type the day's name first (for example Easter Monday or Teacher only day).");
        return false;
    }
    try {
        checks::fits("Name", closed.name, closedNameLength);
    } catch (const FXException& e) {
        Prompter::get().error(this, caption, e.what());
        return false;
    }
    const FXString typedLast = FXString(closedLastField->getText()).trim();
    for (FXTextField* field : {closedFirstField, closedLastField}) {
        const FXString typed = FXString(field->getText()).trim();
        if (field == closedLastField && typed.empty()) continue;
        const char* what = field == closedFirstField ? "First day" : "Last day";
        if (!wholeDate(typed)) {
            Prompter::get().error(this, caption,
                                  FXString(what) + ": type the whole date, with its day, month and year (for example " +
                                      DisplayDate("2026-04-06") + ").");
            return false;
        }
        try {
            (field == closedFirstField ? closed.firstDay : closed.lastDay) = checks::date(what, typed);
        } catch (const FXException& e) {
            Prompter::get().error(this, caption, e.what());
            return false;
        }
    }
    if (typedLast.empty()) closed.lastDay = closed.firstDay;
    if (DateIsLater(closed.firstDay, closed.lastDay)) {
        Prompter::get().error(this, caption,
                              "The last day (" + DisplayDate(closed.lastDay) + ") is before the first day (" +
                                  DisplayDate(closed.firstDay) + "): type the first day, then the last.");
        return false;
    }
    if (DateIsLater(closed.lastDay, dates::addDays(closed.firstDay, longestClosure - 1))) {
        Prompter::get().error(this, caption,
                              FXStringFormat("These dates cover more than %d days. The holidays between terms are "
                                             "not non-teaching days: the terms already leave them out.",
                                             longestClosure));
        return false;
    }
    return true;
}

long SchoolSetupWindow::onCmdAddClosed(FXObject*, FXSelector, void*) {
    Closed closed;
    if (!readClosedFields("Add Non-Teaching Day Error", closed)) return 1;
    failures::run(this, "Database Error", "non-teaching day", [&] {
        if (!recordset.OpenRecordset("Insert into NonTeachingDay (FirstDay, LastDay, Name) values ('" +
                                     closed.firstDay + "', '" + closed.lastDay + "', '" + EscapeText(closed.name) +
                                     "')"))
            return;
        loadClosed();
    });
    return 1;
}

long SchoolSetupWindow::onCmdEditClosed(FXObject*, FXSelector, void*) {
    const FXint row = closedList->getCurrentItem();
    if (row < 0) {
        Prompter::get().error(this, "Edit Non-Teaching Day Error", "Choose the day to change in the list first.");
        return 1;
    }
    const FXint id = lists::itemId(closedList, row);
    Closed closed;
    if (!readClosedFields("Edit Non-Teaching Day Error", closed)) return 1;
    failures::run(this, "Database Error", "non-teaching day", [&] {
        const std::vector<rowconflict::Field> fields{{"Name", "Name", closedNameField->getText()},
                                                     {"FirstDay", "First day", closedFirstField->getText()},
                                                     {"LastDay", "Last day", closedLastField->getText()}};
        if (!checkedUpdate("non-teaching day", closedList->getItemText(row), "NonTeachingDay", closedColumns, id,
                           "Name = '" + EscapeText(closed.name) + "', FirstDay = '" + closed.firstDay +
                               "', LastDay = '" + closed.lastDay + "'",
                           shownClosed, fields, [&] {
                               loadClosed(id);
                               onCmdClosedList(nullptr, 0, nullptr);
                           }))
            return;
        loadClosed(id);
    });
    return 1;
}

long SchoolSetupWindow::onCmdDeleteClosed(FXObject*, FXSelector, void*) {
    const FXint row = closedList->getCurrentItem();
    if (row < 0) {
        Prompter::get().error(this, "Delete Non-Teaching Day Error", "Choose the day to delete in the list first.");
        return 1;
    }
    const FXint id = lists::itemId(closedList, row);
    failures::run(this, "Database Error", "non-teaching day", [&] {
        if (!Prompter::get().question(this, "Confirm Delete Non-Teaching Day",
                                      "Delete " + closedList->getItemText(row) +
                                          "?\n\nLessons planned on it stay "
                                          "where they are."))
            return;
        if (!recordset.OpenRecordset("Delete from NonTeachingDay Where Id = " + FXStringVal(id))) return;
        loadClosed();
    });
    return 1;
}

// ---------------------------------------------------------------------------
// Timetable

long SchoolSetupWindow::onCmdTimetable(FXObject*, FXSelector, void*) {
    showDayEnd();
    return 1;
}

long SchoolSetupWindow::onCmdSaveTimetable(FXObject*, FXSelector, void*) {
    const FXint first = hourSpinner->getValue() * 60 + minuteSpinner->getValue();
    const FXint periodMinutes = periodSpinner->getValue(), rows = rowsSpinner->getValue();
    if (first < periodMinutes) {
        Prompter::get().error(this, "Timetable Error",
                              "The first row may start no earlier than one row's length after midnight (" +
                                  timeText(periodMinutes) + ").");
        return 1;
    }
    if (first + rows * periodMinutes > 24 * 60) {
        Prompter::get().error(this, "Timetable Error",
                              "The school day would go on past midnight: start it earlier, or give the grid fewer "
                              "or shorter rows.");
        return 1;
    }
    // Stored as the start of the day-name row, one row before the first.
    const FXint start = first - periodMinutes;
    const FXint hour = start / 60, minute = start % 60, period = periodMinutes * 60, times = rows + 1;
    failures::run(this, "Database Error", "timetable", [&] {
        if (!timetableStillShown()) return;
        IsectRecordset::Transaction transaction(recordset);
        // The four rows need nothing of each other's answers: one batch, and
        // a refused write (another window's change since) is thrown by Wait.
        IsectRecordset::Batch batch(recordset);
        const FXint values[] = {hour, minute, period, times};
        for (int i = 0; i < 4; ++i) {
            // A row read when the window opened is written as a checked
            // write of the version then read; a missing one is added.
            const FXString key = timetableKeys[i];
            FXString sql;
            if (shownTimetable[i].empty())
                sql = "Update or Insert into Settings (StringKey, StringValue) values ('" + key + "', '" +
                      FXStringVal(values[i]) + "') matching (StringKey)";
            else
                sql = "Update Settings Set StringValue = '" + FXStringVal(values[i]) +
                      "', ReadVersion = " + shownTimetable[i].version() + ", ChangedBy = " +
                      (decimalValue(appState.currentUserId) > 0
                           ? FXString(FXStringVal(decimalValue(appState.currentUserId)))
                           : FXString("NULL")) +
                      " Where StringKey = '" + key + "'";
            if (!batch.Add(sql)) return;
        }
        if (!batch.Wait()) return;
        transaction.commit();
        for (int i = 0; i < 4; ++i) {
            if (!readSetting(timetableKeys[i])) return;
            shownTimetable[i] = ReadRow::of(recordset);
        }
        appState.schoolHour = hour;
        appState.schoolMinute = minute;
        appState.schoolPeriod = period;
        appState.schoolTimes = times;
        Prompter::get().information(this, "School Setup", "The timetable is saved.");
    });
    return 1;
}

long SchoolSetupWindow::onCmdClose(FXObject*, FXSelector, void*) {
    WindowPlace{getX(), getY(), getWidth(), getHeight()}.write(getApp()->reg(), section);
    getApp()->stopModal(this, FALSE);
    hide();
    return 1;
}

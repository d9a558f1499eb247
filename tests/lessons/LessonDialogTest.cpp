// The lesson dialog on a real application: the paper warning, days and
// tabs with the three plan options, the preview against the printed page,
// the five print commands in their modes through the print dialog, the
// large-unit question, geometry and layout.
#include "lessons/LessonsTest.h"

#include <fxkeys.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>

#include "data/AppState.h"
#include "data/Dates.h"
#include "lessons/LessonDialog.h"
#include "lessons/LessonDialogOpened.h"
#include "print/FXNativePrintDialog.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace lessonstest;

namespace {

struct WeekRow {
    int id;
    int unitType;
    std::string days;
    int rotate;
};

class LessonDialogs : public Lessons {
protected:
    LessonDialog* dialog = nullptr;

    void TearDown() override {
        delete dialog;
        dialog = nullptr;
        Lessons::TearDown();
    }

    // The print dialog's first use: the five paper entries, Letter chosen,
    // output to a PostScript file.
    void setPaper(int media = 0, int landscape = 0) {
        FXRegistry& reg = app()->reg();
        reg.writeStringEntry("PAPER", "0", "[Letter] 1 612.00000 792.00000 72 72 72 72");
        reg.writeStringEntry("PAPER", "1", "[A4] 9 595.27559 841.88976 80 80 80 80");
        reg.writeIntEntry("PRINTER", "media", media);
        reg.writeIntEntry("PRINTER", "landscape", landscape);
        reg.writeIntEntry("PRINTER", "tablelandscape", landscape);
        reg.writeIntEntry("PRINTER", "printtofile", 1);
    }

    // A dialog for this week with the calendar's rows, started at once.
    LessonDialog* open(const std::vector<WeekRow>& rows, bool start = true) {
        FXStringRecordset list;
        for (const WeekRow& r : rows) {
            list.AddField(FXStringVal(r.id), TRUE);
            for (const char* f : {"4294967295", "4278190080", "1"}) list.AddField(f, FALSE);
            list.AddField(FXStringVal(r.unitType), FALSE);
            list.AddField(r.days.c_str(), FALSE);
            list.AddField(FXStringVal(r.rotate), FALSE);
        }
        dialog = new LessonDialog(app(), mondayMoment(), 0, list);
        app()->removeTimeout(dialog, LessonDialog::ID_START);
        dialog->create();
        if (start) dialog->start();
        return dialog;
    }

    std::vector<std::string> tabs() {
        std::vector<std::string> out;
        for (FXWindow* w = dialog->tabBar->getFirst(); w; w = w->getNext())
            out.push_back(static_cast<FXTabItem*>(w)->getText().text());
        return out;
    }

    void chooseDay(int index) {
        dialog->dayList->setCurrentItem(index);
        dialog->handle(dialog->dayList, FXSEL(SEL_COMMAND, LessonDialog::ID_DAYS), (void*)(FXival)index);
    }

    // Runs a print command, answering the print dialog with the file
    // `name` (PostScript unless `html`); returns the file's path.
    std::string printTo(FXSelector command, const std::string& name, int destination = 1) {
        std::string file = dir + "/" + name;
        answerPrintDialog(destination, file);
        dialog->handle(nullptr, FXSEL(SEL_COMMAND, command), nullptr);
        EXPECT_TRUE(dialogAnswer.answered);
        return file;
    }

    // Monday's three lessons (one also on Wednesday) and Tuesday's one.
    void mondayLessons() {
        addLesson(401, FRACTIONS, "Halves", weekday(0), "09:00");
        addLesson(402, FRACTIONS, "Quarters", weekday(0), "10:00");
        addLesson(403, FRACTIONS, "Eighths", weekday(0), "11:00", "11:50", weekday(2));
        addLesson(404, FRACTIONS, "Thirds", weekday(1));
    }
    std::vector<WeekRow> mondayRows() {
        return {{401, 1, "Junk,1,1", 0}, {402, 1, "Junk,1", 0}, {403, 1, "Junk,1,3", 0}, {404, 1, "Junk,2", 0}};
    }
};

// The long horizontal (or vertical) lines of a page image: the positions of
// rows (columns) holding a dark run of at least `run` pixels, each line
// counted once.
std::vector<int> lines(const printtest::Raster& r, bool horizontal, int run, int x0, int y0, int w, int h) {
    std::vector<int> out;
    bool inLine = false;
    const int outer = horizontal ? h : w, inner = horizontal ? w : h;
    for (int a = 0; a < outer; ++a) {
        int current = 0, longest = 0;
        for (int b = 0; b < inner; ++b) {
            const int x = x0 + (horizontal ? b : a), y = y0 + (horizontal ? a : b);
            current = r.grey(x, y) < 128 ? current + 1 : 0;
            longest = std::max(longest, current);
        }
        const bool line = longest >= run;
        if (line && !inLine) out.push_back(a);
        inLine = line;
    }
    return out;
}

}  // namespace

// "Print &Week": every day's lesson pages, Monday first, as one job, each
// dated with its own day; a lesson on two days is on both.
TEST_F(LessonDialogs, PrintWeekPrintsEveryDayInOrder) {
    setPaper();
    mondayLessons();
    open(mondayRows());
    std::string file = printTo(LessonDialog::ID_PRINT_WEEK, "week.ps");
    expectGoodPostscript(file, 5);
    const char* const order[][2] = {{"Halves", "Monday"},
                                    {"Quarters", "Monday"},
                                    {"Eighths", "Monday"},
                                    {"Thirds", "Tuesday"},
                                    {"Eighths", "Wednesday"}};
    std::vector<printtest::Word> words = printtest::words(file);
    for (int page = 1; page <= 5; ++page) {
        std::string text;
        for (const printtest::Word& w : words)
            if (w.page == page) text += w.text + " ";
        EXPECT_NE(text.find(order[page - 1][0]), std::string::npos) << page << ": " << text;
        EXPECT_NE(text.find(std::string(order[page - 1][1]) + " " + shownDay(page < 4 ? 0 : page - 3)),
                  std::string::npos)
            << page << ": " << text;
    }
}

// A lesson name with "&" is shown as it is on its tab, with no shortcut.
TEST_F(LessonDialogs, TabsShowNamesLiterally) {
    setPaper();
    addLesson(420, FRACTIONS, "Fractions & caf\xc3\xa9", weekday(0), "09:00");
    open({{420, 1, "Junk,1", 0}});
    chooseDay(0);
    EXPECT_EQ(tabs(), (std::vector<std::string>{"Fractions & caf\xc3\xa9"}));
    EXPECT_EQ(dialog->getAccelTable()->targetOfAccel(MKUINT(KEY_space, ALTMASK)), nullptr);
}

// On first use, before the print dialog was ever opened, the preview takes
// the papers the dialog would write and the paper of the user's locale.
TEST_F(LessonDialogs, OnFirstUseThePreviewTakesTheLocalesPaper) {
    EXPECT_EQ(FXNativePrintDialog::localPaper("en_NZ.UTF-8"), 1);
    EXPECT_EQ(FXNativePrintDialog::localPaper("en_US.UTF-8"), 0);
    EXPECT_EQ(FXNativePrintDialog::localPaper("fr_CA"), 0);
    EXPECT_EQ(FXNativePrintDialog::localPaper("C.UTF-8"), 0);
    EXPECT_EQ(FXNativePrintDialog::localPaper(""), 0);
    const char* was = getenv("LC_ALL");
    const std::string saved = was ? was : "";
    setenv("LC_ALL", "mi_NZ.UTF-8", 1);
    open({});
    if (was)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    EXPECT_TRUE(lessons::lessonDialogOpened());
    EXPECT_EQ(dialog->getTitle(), "Print Lessons");
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_STREQ(app()->reg().readStringEntry("PAPER", "1", ""), "[A4] 9 595.27559 841.88976 80 80 80 80");
    EXPECT_EQ(app()->reg().readIntEntry("PRINTER", "media", -1), 1);
    EXPECT_EQ(dialog->preview->getWidth(), (FXint)((595.27559 - 160) * 1.51181));
    EXPECT_EQ(dialog->preview->getHeight(), (FXint)((841.88976 - 160) * 1.51181));
    EXPECT_EQ(dialog->dayList->getNumItems(), 5);
}

TEST_F(LessonDialogs, ThePreviewHasThePapersSizeAndTheDaysOfTheWeek) {
    setPaper();
    open({});
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(dialog->preview->getWidth(), (FXint)((612 - 144) * 1.51181));
    EXPECT_EQ(dialog->preview->getHeight(), (FXint)((792 - 144) * 1.51181));
    ASSERT_EQ(dialog->dayList->getNumItems(), 5);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(dialog->dayList->getItemText(k).text(), shownDay(k));
    delete dialog;
    dialog = nullptr;
    // A4 turned: width and height change places.
    setPaper(1, 1);
    appState.americanDate = 1;
    open({});
    EXPECT_EQ(dialog->preview->getWidth(), (FXint)((841.88976 - 160) * 1.51181));
    EXPECT_EQ(dialog->preview->getHeight(), (FXint)((595.27559 - 160) * 1.51181));
    EXPECT_STREQ(dialog->dayList->getItemText(0).text(), "06/10/30");
}

TEST_F(LessonDialogs, EachDayHasATabPerLessonShownThatDay) {
    setPaper();
    mondayLessons();
    addUnit(21, "Routine", 2);
    addUnit(22, "Release", 3);
    addUnit(23, "Rotation", 1, 1);
    addLesson(405, 21, "Roll call", weekday(0));
    addLesson(406, 22, "Planning time", weekday(0));
    addLesson(407, 23, "Stations", weekday(0));
    std::vector<WeekRow> rows = mondayRows();
    rows.push_back({405, 2, "Junk,1", 0});
    rows.push_back({406, 3, "Junk,1", 0});
    rows.push_back({407, 1, "Junk,1", 1});
    rows.push_back({499, 1, "Junk,1", 0});  // deleted since the calendar drew it
    open(rows);
    chooseDay(0);
    EXPECT_EQ(tabs(), (std::vector<std::string>{"Halves", "Quarters", "Eighths"}));
    EXPECT_EQ(dialog->currentLesson, 401);
    dialog->handle(dialog->tabBar, FXSEL(SEL_COMMAND, LessonDialog::ID_TABS), (void*)(FXival)2);
    EXPECT_EQ(dialog->currentLesson, 403);
    // A lesson shown on Monday and Wednesday has a tab on both days.
    chooseDay(2);
    EXPECT_EQ(tabs(), (std::vector<std::string>{"Eighths"}));
    chooseDay(1);
    EXPECT_EQ(tabs(), (std::vector<std::string>{"Thirds"}));
    chooseDay(4);
    EXPECT_TRUE(tabs().empty());
    EXPECT_EQ(dialog->currentLesson, 0);
    // The options count at the next day chosen.
    dialog->optionChecks[0]->setCheck(TRUE, TRUE);
    EXPECT_EQ(dialog->routinePlans, 1);
    chooseDay(0);
    EXPECT_EQ(tabs(), (std::vector<std::string>{"Halves", "Quarters", "Eighths", "Roll call"}));
    dialog->optionChecks[1]->setCheck(TRUE, TRUE);
    dialog->optionChecks[2]->setCheck(TRUE, TRUE);
    chooseDay(0);
    EXPECT_EQ(tabs(),
              (std::vector<std::string>{"Halves", "Quarters", "Eighths", "Roll call", "Planning time", "Stations"}));
    EXPECT_TRUE(errors().empty());
}

// The preview is the printed page: the same boxes at the same places,
// scaled from the page to the preview.
TEST_F(LessonDialogs, ThePreviewShowsThePageThatIsPrinted) {
    setPaper();
    mondayLessons();
    open(mondayRows());
    chooseDay(0);
    dialog->resize(1000, 1200);
    dialog->layout();
    settle();
    dialog->preview->repaint();
    ASSERT_NE(dialog->image, nullptr);
    ASSERT_EQ(dialog->redrawState, LessonDialog::CLEAN);
    printtest::Raster shown = printtest::imageOf(dialog->image);
    std::string file = printTo(LessonDialog::ID_PRINT, "halves.ps");
    expectGoodPostscript(file, 1);
    // Rendered so that a point is as many pixels as in the preview; the
    // printable area starts 72 points in.
    printtest::Raster printed;
    ASSERT_TRUE(printtest::renderAt(file, 1, 72 * 1.51181, printed));
    const int offset = (int)(72 * 1.51181 + 0.5);
    for (bool horizontal : {true, false}) {
        const int run = horizontal ? 200 : 80;
        std::vector<int> onScreen = lines(shown, horizontal, run, 0, 0, shown.width, shown.height);
        std::vector<int> onPaper =
            lines(printed, horizontal, run, offset - 10, offset - 10, shown.width + 20, shown.height + 20);
        ASSERT_GE(onScreen.size(), horizontal ? 8u : 3u);
        ASSERT_EQ(onScreen.size(), onPaper.size()) << (horizontal ? "horizontal" : "vertical");
        // The page starts where the preview says, and every edge keeps its
        // distance from the first (paper coordinates are whole points, the
        // preview's whole pixels: a point and a pixel of difference).
        EXPECT_NEAR(onPaper[0] - 10, onScreen[0], 5);
        for (size_t i = 1; i < onScreen.size(); ++i)
            EXPECT_NEAR(onScreen[i] - onScreen[0], onPaper[i] - onPaper[0], 3) << i;
    }
    // And the page carries the lesson's texts where the preview has them.
    EXPECT_GT(printtest::darkAgreement(shown, printed, offset, offset, 3), 0.75);
}

TEST_F(LessonDialogs, PrintAllPrintsEachLessonOfTheDayOnAPage) {
    setPaper();
    mondayLessons();
    open(mondayRows());
    chooseDay(0);
    std::string file = printTo(LessonDialog::ID_PRINT_ALL, "monday.ps");
    expectGoodPostscript(file, 3);
    const char* names[] = {"Halves", "Quarters", "Eighths"};
    std::vector<printtest::Word> words = printtest::words(file);
    for (int page = 1; page <= 3; ++page) {
        std::string text;
        for (const printtest::Word& w : words)
            if (w.page == page) text += w.text + " ";
        EXPECT_NE(text.find(std::string("DATE: Monday ") + shownDay(0)), std::string::npos) << text;
        EXPECT_NE(text.find(std::string("Intro ") + names[page - 1]), std::string::npos) << text;
        EXPECT_NE(text.find("TEACHER: Tia Teacher"), std::string::npos) << text;
    }
    EXPECT_TRUE(errors().empty());
}

TEST_F(LessonDialogs, PrintUnitPrintsTheWholeUnitWithoutDates) {
    setPaper();
    mondayLessons();
    open(mondayRows());
    chooseDay(1);  // Thirds, of the same unit as Monday's lessons
    std::string file = printTo(LessonDialog::ID_PRINT_UNIT, "unit.ps");
    expectGoodPostscript(file, 4);
    std::string text = textOf(file);
    EXPECT_EQ(text.find("Monday"), std::string::npos);
    EXPECT_EQ(text.find("Tuesday"), std::string::npos);
    // In date and time order.
    size_t halves = text.find("Intro Halves"), quarters = text.find("Intro Quarters"),
           eighths = text.find("Intro Eighths"), thirds = text.find("Intro Thirds");
    EXPECT_LT(halves, quarters);
    EXPECT_LT(quarters, eighths);
    EXPECT_LT(eighths, thirds);
    EXPECT_NE(thirds, std::string::npos);
}

TEST_F(LessonDialogs, VerboseFormatListsOneLinePerFieldEndingWithEndOfRecord) {
    setPaper();
    mondayLessons();
    open(mondayRows());
    chooseDay(0);
    dialog->optionChecks[3]->setCheck(TRUE, TRUE);
    std::string file = printTo(LessonDialog::ID_PRINT, "verbose.ps");
    expectGoodPostscript(file, 1);
    std::string text = textOf(file);
    EXPECT_EQ(text.find("Verbose Lesson Plan"), 0u) << text;
    for (const char* value : {"Halves", "Maths", "Number sense for the term", "Halves and quarters", "Skills Halves",
                              "Reflection Halves", "09:00", "09:50"})
        EXPECT_NE(text.find(value), std::string::npos) << value;
    const size_t end = text.find("...End of Record...");
    ASSERT_NE(end, std::string::npos);
    EXPECT_LT(text.find("Reflection Halves"), end);
    // The page's footer: its number of the job's pages and the day printed.
    EXPECT_EQ(text.substr(end), "...End of Record... Page 1 of 1 Printed " +
                                    std::string(dates::shownDate((FXlong)time(nullptr)).text()) +
                                    " Plenwick lesson planner - Brellmoor");
}

TEST_F(LessonDialogs, SummariesOfTheDayAndOfTheUnit) {
    setPaper();
    mondayLessons();
    open(mondayRows());
    chooseDay(0);
    std::string file = printTo(LessonDialog::ID_PRINT_SUMMARY, "day.ps");
    expectGoodPostscript(file, 1);
    std::string text = textOf(file);
    EXPECT_EQ(text.find("Date: Monday " + shownDay(0)), 0u) << text;
    for (const char* head : {"Start", "End", "Lesson Name", "Introduction", "Development", "Closure", "Resources"})
        EXPECT_NE(text.find(head), std::string::npos) << head;
    EXPECT_LT(text.find("Halves"), text.find("Quarters"));
    EXPECT_LT(text.find("Quarters"), text.find("Eighths"));
    EXPECT_EQ(text.find("Thirds"), std::string::npos);

    file = printTo(LessonDialog::ID_PRINT_UNIT_SUMMARY, "unitsummary.ps");
    expectGoodPostscript(file, 1);
    text = textOf(file);
    EXPECT_EQ(text.find("Unit: Fractions"), 0u) << text;
    EXPECT_NE(text.find("Thirds"), std::string::npos);
    EXPECT_NE(text.find(shownDay(1)), std::string::npos);  // the Date column

    // Verbose: one line per column and the end of each record.
    dialog->optionChecks[3]->setCheck(TRUE, TRUE);
    file = printTo(LessonDialog::ID_PRINT_SUMMARY, "dayverbose.ps");
    expectGoodPostscript(file, 1);
    text = textOf(file);
    EXPECT_EQ(printtest::count(text, "...End of Record..."), 3u) << text;
    EXPECT_EQ(text.find("Date: Monday " + shownDay(0)), 0u) << text;
}

// The summaries are wide tables: landscape until the user chooses otherwise
// for tables, whatever the other jobs' orientation.
TEST_F(LessonDialogs, SummariesAreLandscapeByDefault) {
    setPaper();
    app()->reg().deleteEntry("PRINTER", "tablelandscape");
    mondayLessons();
    open(mondayRows());
    chooseDay(0);
    std::string file = printTo(LessonDialog::ID_PRINT_SUMMARY, "wide.ps");
    EXPECT_NE(printtest::readFile(file).find("%%Orientation: Landscape\n"), std::string::npos);
    EXPECT_NE(textOf(file).find("Halves"), std::string::npos);
    file = printTo(LessonDialog::ID_PRINT, "page.ps");
    EXPECT_NE(printtest::readFile(file).find("%%Orientation: Portrait\n"), std::string::npos);
}

TEST_F(LessonDialogs, UnitSummaryWithNoLessonChosenHasOnlyItsHeader) {
    setPaper();
    open({});
    std::string file = printTo(LessonDialog::ID_PRINT_UNIT_SUMMARY, "none.ps");
    expectGoodPostscript(file, 1);
    std::string text = textOf(file);
    for (const char* piece : {"Unit: No unit chosen.", "Teacher:", "Tia Teacher", "Date Start End Lesson Name",
                              "Introduction", "Development", "Closure", "Resources"})
        EXPECT_NE(text.find(piece), std::string::npos) << piece << " in " << text;
    // No rows: only the header's words and the footer's ("Page 1 of 1
    // Printed DATE").
    EXPECT_EQ(printtest::words(file).size(), 27u) << text;
    EXPECT_NE(text.find("Page 1 of 1 Printed"), std::string::npos) << text;
    // The day summary with no day chosen says so.
    file = printTo(LessonDialog::ID_PRINT_SUMMARY, "noday.ps");
    expectGoodPostscript(file, 1);
    text = textOf(file);
    EXPECT_NE(text.find("Date:"), std::string::npos) << text;
    EXPECT_NE(text.find("No day chosen."), std::string::npos) << text;
}

// A job of more pages than the set number (SETTINGS/largeprintjob, 50 by
// default) asks first, with buttons that say what they do.
TEST_F(LessonDialogs, LargeJobsAskBeforePrinting) {
    setPaper();
    for (int i = 0; i < 12; ++i)
        addLesson(410 + i, FRACTIONS, "Part" + std::to_string(i), weekday(0),
                  (i < 10 ? "0" : "") + std::to_string(i) + ":00", (i < 10 ? "0" : "") + std::to_string(i) + ":30");
    open({{410, 1, "Junk,1", 0}});
    chooseDay(0);
    // Twelve lesson pages, under the default number: no question.
    std::string file = printTo(LessonDialog::ID_PRINT_UNIT, "twelve.ps");
    expectGoodPostscript(file, 12);
    EXPECT_EQ(prompts.count("choice"), 0u);
    // Above a set number of 11: the question, before the print dialog;
    // Cancel prints nothing.
    app()->reg().writeIntEntry("SETTINGS", "largeprintjob", 11);
    prompts.picks.push_back("Cancel");
    dialog->handle(nullptr, FXSEL(SEL_COMMAND, LessonDialog::ID_PRINT_UNIT), nullptr);
    ASSERT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(prompts.last().caption, "Large Print Job Requested");
    EXPECT_EQ(prompts.last().text, "This print job has 12 pages.");
    EXPECT_EQ(prompts.last().buttons, (std::vector<std::string>{"Print 12 pages", "Cancel"}));
    EXPECT_EQ(app()->getModalWindow(), nullptr);
    // "Print 12 pages" prints them; the unit's summary is one page: no question.
    prompts.picks.push_back("Print 12 pages");
    file = printTo(LessonDialog::ID_PRINT_UNIT, "again.ps");
    expectGoodPostscript(file, 12);
    EXPECT_EQ(prompts.count("choice"), 2u);
    file = printTo(LessonDialog::ID_PRINT_UNIT_SUMMARY, "summary.ps");
    EXPECT_EQ(prompts.count("choice"), 2u);
    EXPECT_NE(textOf(file).find("Part11"), std::string::npos);
    app()->reg().deleteEntry("SETTINGS", "largeprintjob");
}

TEST_F(LessonDialogs, PrintAllToHtmlWritesOneHeaderRow) {
    setPaper();
    mondayLessons();
    open(mondayRows());
    chooseDay(0);
    std::string file = printTo(LessonDialog::ID_PRINT_ALL, "monday.html", 2);
    std::string html = printtest::readFile(file);
    EXPECT_EQ(printtest::count(html, "<THEAD>"), 1u);
    EXPECT_EQ(printtest::count(html, "<TD class=\"LESSONNAME\">"), 3u);
    // Titled and headed in words, without the key columns nobody reads.
    EXPECT_NE(html.find("<TITLE>Lesson plans "), std::string::npos);
    EXPECT_NE(html.find("<H1>Lesson plans "), std::string::npos);
    EXPECT_NE(html.find("<P class=\"teacher\">Teacher: Tia Teacher</P>"), std::string::npos);
    EXPECT_NE(html.find("<TH class=\"LESSONDEV\">Development</TH>"), std::string::npos);
    for (const char* key : {"ENDOFRECORD", "FKUNITPLAN", "class=\"ID\""})
        EXPECT_EQ(html.find(key), std::string::npos) << key;
    EXPECT_LT(html.find(">Halves<"), html.find(">Quarters<"));
    EXPECT_NE(html.find("<TD class=\"UNITNAME\">Fractions</TD>"), std::string::npos);
    // The summary too: one table, one header row, a row per lesson.
    file = printTo(LessonDialog::ID_PRINT_SUMMARY, "summary.html", 2);
    html = printtest::readFile(file);
    EXPECT_EQ(printtest::count(html, "<THEAD>"), 1u);
    EXPECT_EQ(printtest::count(html, "<TD class=\"LESSONNAME\">"), 3u);
}

TEST_F(LessonDialogs, ClosingSavesTheGeometryAndEveryControlIsShownAtTheDefaultSize) {
    setPaper();
    open({});
    dialog->layout();
    settle();
    EXPECT_EQ(dialog->getWidth(), 640);
    EXPECT_EQ(dialog->getHeight(), 480);
    // Every button and check button inside the window, its caption whole.
    auto inside = [&](FXWindow* w) {
        FXint x = 0, y = 0;
        dialog->translateCoordinatesFrom(x, y, w->getParent(), w->getX(), w->getY());
        EXPECT_GE(x, 0);
        EXPECT_GE(y, 0);
        EXPECT_LE(x + w->getWidth(), dialog->getWidth());
        EXPECT_LE(y + w->getHeight(), dialog->getHeight());
        EXPECT_GE(w->getWidth(), w->getDefaultWidth()) << static_cast<FXLabel*>(w)->getText().text();
        EXPECT_GE(w->getHeight(), w->getDefaultHeight());
    };
    for (FXButton* b : dialog->printButtons) inside(b);
    for (FXCheckButton* c : dialog->optionChecks) inside(c);
    inside(dialog->dayList);

    dialog->move(120, 90);
    dialog->resize(700, 520);
    FXint before = LessonDialog::liveCount;
    dialog->handle(nullptr, FXSEL(SEL_COMMAND, LessonDialog::ID_CLOSE), nullptr);
    dialog = nullptr;  // deletes itself
    EXPECT_TRUE(runUntil([&] { return LessonDialog::liveCount == before - 1; }));
    FXRegistry& reg = app()->reg();
    EXPECT_EQ(reg.readIntEntry("LESSONDIALOG", "width", 0), 700);
    EXPECT_EQ(reg.readIntEntry("LESSONDIALOG", "height", 0), 520);
    // A new dialog opens where the last one was closed.
    open({});
    EXPECT_EQ(dialog->getWidth(), 700);
    EXPECT_EQ(dialog->getHeight(), 520);
}

TEST_F(LessonDialogs, ALostServiceEndsThePrintWithoutAFile) {
    setPaper();
    mondayLessons();
    open(mondayRows());
    chooseDay(0);
    dialog->preview->repaint();  // the preview has its page before the service goes
    prompts.clear();
    services().stop();
    std::string pages = printTo(LessonDialog::ID_PRINT_ALL, "lost.ps");
    std::string summary = printTo(LessonDialog::ID_PRINT_SUMMARY, "lost-summary.ps");
    services().start();
    // The recordset layer's warning each time, and nothing else.
    ASSERT_EQ(prompts.prompts.size(), 2u);
    for (const auto& p : prompts.prompts) {
        EXPECT_EQ(p.kind, "warning");
        EXPECT_EQ(p.text, "IsectRecordset::OpenRecordset - Network connection failed.");
    }
    EXPECT_FALSE(printtest::fileExists(pages));
    EXPECT_FALSE(printtest::fileExists(summary));
    // The service is back: the same command prints.
    pages = printTo(LessonDialog::ID_PRINT_ALL, "back.ps");
    expectGoodPostscript(pages, 3);
}

// "Print Long Term" and "Print Long Term Summary Report" through the print
// dialog to PostScript, PDF and HTML files, read back with Ghostscript and
// poppler; the page of description boxes.
#include <string>

#include "data/AppState.h"
#include "lessons/LessonDialogOpened.h"
#include "longterm/LongDialogDesc.h"
#include "longterm/LongTermTest.h"
#include "print/FXDCNativePrinter.h"
#include "print/FXPreviewCanvas.h"
#include "print/FXPreviewDialog.h"
#include "print/PrintTestSupport.h"
#include "support/GuiActions.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;
using namespace longterm;

namespace {

class LongTermPrint : public LongTerm {
protected:
    std::string dir;
    printtest::ModalAnswer answer;

    void SetUp() override {
        LongTerm::SetUp();
        printtest::useApp(app(), true);
        printtest::clearPrinterSettings();
        lessons::setLessonDialogOpened(TRUE);
        dir = printtest::scratchDir();
        plan(10, "Fractions", MATHS, "2014-04-28", "2014-05-16", 2, "Halves and quarters.");
        plan(11, "Poetry", READING, "2014-05-19", "2014-06-06", 1, "Rhyme and rhythm.");
        plan(12, "Plants", SCIENCE, "2014-04-28", "2014-06-27");
    }
    void TearDown() override {
        app()->removeChore(&answer, printtest::ModalAnswer::ID_IDLE);
        lessons::setLessonDialogOpened(FALSE);
        printtest::removeScratchDirs();
        LongTerm::TearDown();
    }
    void open() {
        window->create();
        settle();
        if (!window->getImage()) window->redraw();
    }
    // Runs the command with the print dialog answered: destination 1
    // PostScript, 2 HTML, 3 PDF, into `name` in the scratch directory.
    std::string print(FXSelector command, int destination, const std::string& name) {
        const std::string file = dir + "/" + name;
        answer.answered = false;
        answer.answer = printtest::chooseFileAndPrint(destination, file);
        answer.arm();
        window->handle(window, FXSEL(SEL_COMMAND, command), nullptr);
        EXPECT_TRUE(answer.answered) << "no print dialog";
        return file;
    }
    static std::string textOf(const std::string& file) {
        std::string text;
        for (const printtest::Word& w : printtest::words(file)) text += (text.empty() ? "" : " ") + w.text;
        return text;
    }
};

TEST_F(LongTermPrint, TheTermViewOnOnePageOfEveryKindOfFile) {
    open();
    const std::string ps = print(LongTermWindow::ID_PRINT_LONGTERM, 1, "term.ps");
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    printtest::expectGoodLetterPages(ps, 1);
    std::string text = textOf(ps);
    for (const char* name : {"Fractions", "Poetry", "Plants", "Mathematics", "LONG", "28/04"})
        EXPECT_NE(text.find(name), std::string::npos) << name << " in: " << text;

    const std::string pdf = print(LongTermWindow::ID_PRINT_LONGTERM, 3, "term.pdf");
    printtest::expectGoodLetterPages(pdf, 1);
    EXPECT_NE(textOf(pdf).find("Poetry"), std::string::npos);

    // The HTML file holds the plans of the drawing as a table.
    const std::string html = print(LongTermWindow::ID_PRINT_LONGTERM, 2, "term.html");
    const std::string page = printtest::readFile(html);
    for (const char* name : {"Fractions", "Poetry", "Plants", "Halves and quarters."})
        EXPECT_NE(page.find(name), std::string::npos) << name;
    EXPECT_TRUE(prompts.prompts.empty());

    // The screen was drawn again: a click still finds the plan it shows.
    Grid g(window->getCanvas()->getWidth(), window->getCanvas()->getHeight(), 10, 3);
    testsupport::clickCanvas(window, window->getCanvas(), LongTermWindow::ID_CANVAS, g.x(5) + g.cw / 2,
                             g.y(2) + g.ch - 4);
    EXPECT_EQ(std::string(FXString(window->getChosenPlan()).trim().text()), "11");
    closeUnitPlanDialogs();
}

TEST_F(LongTermPrint, OpenDescriptionWindowsPrintAsBoxesOnASecondPage) {
    open();
    window->handle(window, FXSEL(SEL_COMMAND, LongTermWindow::ID_REFRESH_DESCRIPTIONS), nullptr);
    settle();
    app()->forceRefresh();
    ASSERT_EQ(window->descriptionWindows.RowCount(), 2);
    const std::string ps = print(LongTermWindow::ID_PRINT_LONGTERM, 1, "descriptions.ps");
    printtest::expectGoodLetterPages(ps, 2);
    int onSecond = 0;
    for (const printtest::Word& w : printtest::words(ps))
        onSecond += w.page == 2 && (w.text == "Rhyme" || w.text == "Halves");
    EXPECT_EQ(onSecond, 2);
    EXPECT_TRUE(window->getDescriptionDialogs().size() == 2u) << "printing opens no windows";

    // With every window closed the term view is one page again.
    for (LongDialogDesc* d : window->getDescriptionDialogs()) d->handle(d, FXSEL(SEL_CLOSE, 0), nullptr);
    EXPECT_TRUE(window->descriptionWindows.IsEmpty());
    printtest::expectGoodLetterPages(print(LongTermWindow::ID_PRINT_LONGTERM, 1, "again.ps"), 1);
}

// The description windows print as boxes at the printed text size, in the
// order they stand on the screen, none over another, inside the page, each
// holding its whole text.
TEST_F(LongTermPrint, DescriptionBoxesAreReadableAndInsideThePage) {
    FXStringRecordset& table = window->descriptionWindows;
    const std::string longText =
        "Fractions - Halves, quarters and eighths with fraction walls, folding paper and sharing pizza; every word "
        "of this text is printed, wrapped within the box";
    const std::string second = "Poetry - Rhyme";
    const char* row[] = {"10", longText.c_str(), "100", "70", "200", "70", "0", "0", "600", "400"};
    table.AddField(row[0], true);
    for (int i = 1; i < 10; ++i) table.AddField(row[i], false);
    // Higher on the screen (partly off it): first on the page.
    const char* off[] = {"11", second.c_str(), "900", "-50", "300", "100", "0", "0", "600", "400"};
    table.AddField(off[0], true);
    for (int i = 1; i < 10; ++i) table.AddField(off[i], false);

    RecordingDC dc(app());
    window->drawDescriptionPage(dc, 2000, 2800, 1000, 700);
    ASSERT_GE(dc.rects.size(), 5u);
    EXPECT_TRUE(dc.rects[0].filled && dc.rects[0].x == 0 && dc.rects[0].w == 2000 && dc.rects[0].h == 2800);
    std::vector<RecordingDC::Rect> outlines;
    for (const auto& r : dc.rects) {
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.x + r.w, 2000);
        EXPECT_LE(r.y + r.h, 2800);
        if (!r.filled) outlines.push_back(r);
    }
    ASSERT_EQ(outlines.size(), 2u);
    EXPECT_LE(outlines[0].y + outlines[0].h, outlines[1].y);  // one below the other
    EXPECT_GE(outlines[0].w, 900);                            // half the page wide
    // Every word drawn, in the printed font (the first box: Poetry).
    std::string drawn;
    for (const auto& t : dc.texts) drawn += t.text + " ";
    for (const char* word : {"Rhyme", "Fractions", "sharing", "wrapped", "box"})
        EXPECT_NE(drawn.find(word), std::string::npos) << word << " in " << drawn;
    size_t poetry = 0, fractions = 0;
    for (size_t i = 0; i < dc.texts.size(); ++i) {
        if (dc.texts[i].text.find("Poetry") != std::string::npos) poetry = i + 1;
        if (dc.texts[i].text.find("Fractions") != std::string::npos) fractions = i + 1;
    }
    EXPECT_LT(poetry, fractions);
}

TEST_F(LongTermPrint, TheSummaryListsThePlansOfTheLastDrawing) {
    open();
    const std::string ps = print(LongTermWindow::ID_PRINT_SUMMARY, 1, "summary.ps");
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    printtest::expectGoodLetterPages(ps, 1);
    std::string text = textOf(ps);
    for (const char* name : {"Long Term:", "Term: 2", "Year: 2014", "Tom Hale", "Fractions", "Poetry", "Plants",
                             "Mathematics", "Reading", "Science", "Halves and quarters.", "Plan Name", "Description"})
        EXPECT_NE(text.find(name), std::string::npos) << name << " in: " << text;

    const std::string pdf = print(LongTermWindow::ID_PRINT_SUMMARY, 3, "summary.pdf");
    printtest::expectGoodLetterPages(pdf, 1);
    text = textOf(pdf);
    for (const char* name : {"Fractions", "Poetry", "Plants", "Reading"})
        EXPECT_NE(text.find(name), std::string::npos) << name << " in: " << text;

    // The HTML file is one table: one header row, each plan once, with its
    // subject's name.
    const std::string page = printtest::readFile(print(LongTermWindow::ID_PRINT_SUMMARY, 2, "summary.html"));
    for (const char* name : {"Mathematics", "Reading", "Science", "Rhyme and rhythm."})
        EXPECT_NE(page.find(name), std::string::npos) << name;
    EXPECT_EQ(printtest::count(page, "<THEAD>"), 1u) << page;
    EXPECT_EQ(printtest::count(page, "<TABLE>"), 1u) << page;
    for (const char* name : {">Fractions<", ">Poetry<", ">Plants<"})
        EXPECT_EQ(printtest::count(page, name), 1u) << name;
    // Only the report's five columns, none of the database's own.
    for (const char* name : {"FKSUBJECT", "FKYEAR", "FKSYNDICATE", "PERSISTANT", "ROWVERSION", ">ID<"})
        EXPECT_EQ(printtest::count(page, name), 0u) << name;
    EXPECT_TRUE(prompts.prompts.empty());
}

// No drawing has succeeded (no current teacher): the summary has its header only.
TEST_F(LongTermPrint, ASummaryBeforeAnyDrawingHasOnlyItsHeader) {
    appState.currentUserId = "0";
    open();
    ASSERT_EQ(prompts.count("information"), 1u);
    prompts.clear();
    const std::string ps = print(LongTermWindow::ID_PRINT_SUMMARY, 1, "empty.ps");
    printtest::expectGoodLetterPages(ps, 1);
    std::string text = textOf(ps);
    EXPECT_NE(text.find("Long Term:"), std::string::npos) << text;
    EXPECT_EQ(text.find("Fractions"), std::string::npos) << text;
    EXPECT_TRUE(prompts.prompts.empty());
}

// A term of 14 weeks and 20 subjects stays inside the printable area, the
// names cut to their bands.
TEST_F(LongTermPrint, FourteenWeeksAndTwentySubjectsStayInsideThePrintableArea) {
    fourteenWeeksTwentySubjects();
    open();
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    for (int destination : {1, 3}) {
        const std::string file =
            print(LongTermWindow::ID_PRINT_LONGTERM, destination, destination == 1 ? "long.ps" : "long.pdf");
        SCOPED_TRACE(file);
        printtest::expectGoodLetterPages(file, 1);
        // Letter with margins of 72 points: the ink within them.
        std::vector<printtest::Box> ink = printtest::inkBoxes(file);
        ASSERT_EQ(ink.size(), 1u);
        EXPECT_GE(ink[0].x0, 71.5);
        EXPECT_LE(ink[0].x1, 540.5);
        EXPECT_GE(ink[0].y0, 71.5);
        EXPECT_LE(ink[0].y1, 720.5);
        const std::string text = textOf(file);
        for (const char* name : {"Plan", "Subject", "21/07", "20/10", "TERM:3"})
            EXPECT_NE(text.find(name), std::string::npos) << name << " in: " << text;
    }
    EXPECT_TRUE(prompts.prompts.empty());
}

// Without the service the job ends unprinted after the one warning (the
// screen, drawn by nothing, is not drawn again), from the print dialog and
// in its preview.
TEST_F(LongTermPrint, ALostServiceEndsTheJobUnprintedAndThePreviewQuietly) {
    open();
    services().stop();
    const std::string ps = print(LongTermWindow::ID_PRINT_LONGTERM, 1, "lost.ps");
    EXPECT_FALSE(printtest::fileExists(ps));
    EXPECT_EQ(prompts.count("warning"), 1u);
    EXPECT_EQ(prompts.count("error"), 0u);

    FXPreviewDialog preview(window, printtest::fileJob(dir + "/preview.ps"),
                            [&](FXDCNativePrinter& dc) { window->printLongTerm(dc); });
    preview.create();
    preview.canvas()->refreshImage();  // the routine gives up inside the preview, which stays
    EXPECT_EQ(prompts.count("warning"), 2u);
    EXPECT_EQ(prompts.count("error"), 0u);
    services().start();
}

TEST_F(LongTermPrint, TheSummaryWaitsForTheLessonDialog) {
    open();
    lessons::setLessonDialogOpened(FALSE);
    window->handle(window, FXSEL(SEL_COMMAND, LongTermWindow::ID_PRINT_SUMMARY), nullptr);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "information");
    EXPECT_EQ(prompts.last().caption, "Printing device context not yet initialised.");
    EXPECT_EQ(prompts.last().text, "Please open and close the Print Lessons screen and try again.");
}

}  // namespace

// Printing through a real CUPS queue whose device writes into a file: a
// scheduler of the test's own (scripts/cups-test-queue in a new directory),
// stopped when the tests end, or by a watchdog should the test program die.
// Skipped where CUPS cannot be started.
#include <gtest/gtest.h>

#include <cups/cups.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "print/CupsPrinting.h"
#include "print/FXDCNativePrinter.h"
#include "print/FXNativePrintDialog.h"
#include "print/FXPreviewCanvas.h"
#include "print/FXPreviewDialog.h"
#include "print/PrintCommand.h"
#include "print/PrintTestSupport.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"
#include "support/TestFiles.h"
#include "support/Watchdog.h"

using namespace FX;
using testsupport::RecordingPrompter;

namespace {

class CupsPrintTest : public ::testing::Test {
protected:
    static bool ready;
    static std::string why, queue, output;
    static testsupport::TempDir* dir;
    static testsupport::Watchdog* watchdog;

    static std::string script() {
        return testsupport::shellQuote(testsupport::sourceDir() + "/scripts/cups-test-queue");
    }

    static void SetUpTestSuite() {
        dir = new testsupport::TempDir("plenwick-cups");
        const std::string where = testsupport::shellQuote(dir->path());
        watchdog = new testsupport::Watchdog(script() + " --stop " + where + "; rm -rf " + where);
        std::string text;
        int rc = testsupport::run(script() + " " + where + " 2>&1", &text);
        if (rc != 0) {
            why = text;
            return;
        }
        std::istringstream lines(text);
        std::string line, server;
        while (std::getline(lines, line)) {
            if (line.rfind("CUPS_SERVER=", 0) == 0) server = line.substr(12);
            if (line.rfind("PLENWICK_TEST_QUEUE=", 0) == 0) queue = line.substr(20);
            if (line.rfind("PLENWICK_TEST_OUTPUT=", 0) == 0) output = line.substr(21);
        }
        if (server.empty() || queue.empty() || output.empty()) {
            why = "unexpected script output: " + text;
            return;
        }
        setenv("CUPS_SERVER", server.c_str(), 1);
        cupsSetServer(server.c_str());
        ready = true;
    }

    static void TearDownTestSuite() {
        // Later tests see the machine's CUPS again, as before these.
        unsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
        testsupport::run(script() + " --stop " + testsupport::shellQuote(dir->path()));
        watchdog->disarm();
        delete watchdog;
        delete dir;
        ready = false;
    }

    void SetUp() override {
        if (!ready) GTEST_SKIP() << "CUPS test queue not available (scripts/cups-test-queue failed): " << why;
    }

    // Waits until CUPS has finished the job; false if it stopped otherwise.
    static bool waitForJob(int id) {
        for (int round = 0; round < 1200; round++) {
            cups_job_t* jobs = nullptr;
            int n = cupsGetJobs(&jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
            ipp_jstate_t state = IPP_JSTATE_PENDING;
            for (int i = 0; i < n; i++)
                if (jobs[i].id == id) state = jobs[i].state;
            cupsFreeJobs(n, jobs);
            if (state == IPP_JSTATE_COMPLETED) return true;
            if (state == IPP_JSTATE_CANCELED || state == IPP_JSTATE_ABORTED) return false;
            usleep(100000);
        }
        return false;
    }
};

bool CupsPrintTest::ready = false;
std::string CupsPrintTest::why, CupsPrintTest::queue, CupsPrintTest::output;
testsupport::TempDir* CupsPrintTest::dir = nullptr;
testsupport::Watchdog* CupsPrintTest::watchdog = nullptr;

TEST_F(CupsPrintTest, JobIsDrawnScaledAndHandedToTheQueue) {
    unlink(output.c_str());
    RecordingPrompter prompts;
    FXNativePrinter job;
    job.name = queue.c_str();
    job.mediasize = 9;
    job.mediawidth = 595.27559;
    job.mediaheight = 841.88976;
    job.leftmargin = job.rightmargin = job.topmargin = job.bottommargin = 80;
    job.numcopies = 2;
    job.settings.paperCode = 9;
    job.settings.copies = 2;
    job.settings.color = 1;

    FXDCNativePrinter dc(printtest::app());
    dc.setScreenResolution(96);
    ASSERT_TRUE(dc.beginPrint(job)) << (prompts.prompts.empty() ? "" : prompts.last().text);
    EXPECT_EQ(dc.destination(), FXDCNativePrinter::TO_PRINTER);
    // Screen pixels: points * 96 / 72, page rounded down, margins up.
    EXPECT_DOUBLE_EQ(dc.getScaleX(), 0.75);
    EXPECT_EQ(dc.getPageWidth(), 793);
    EXPECT_EQ(dc.getPageHeight(), 1122);
    EXPECT_EQ(dc.getLeftMargin(), 107);
    EXPECT_EQ(dc.getBottomMargin(), 107);
    std::string spool = dc.spoolFile().text();
    EXPECT_TRUE(printtest::fileExists(spool));

    FXFont font(printtest::app(), "helvetica", 10);
    ASSERT_TRUE(dc.beginPage(1));
    dc.setFont(&font);
    dc.drawLine(0, 0, 100, 0);
    dc.drawText(0, 20, "Hello (CUPS)");
    dc.setForeground(FXRGB(255, 0, 0));
    ASSERT_TRUE(dc.endPage());
    ASSERT_TRUE(dc.endPrint());
    EXPECT_EQ(prompts.count("warning"), 0u);
    EXPECT_GT(dc.lastJob(), 0);
    EXPECT_FALSE(printtest::fileExists(spool));  // the temporary file is gone

    ASSERT_TRUE(waitForJob(dc.lastJob()));
    std::string printed = printtest::readFile(output);
    // The printable area starts at the margins; 100 screen pixels are 75 points.
    EXPECT_NE(printed.find("newpath 80 761 moveto 155 761 lineto stroke\n"), std::string::npos) << printed;
    // The 10-point font stays 10 points on paper.
    EXPECT_NE(printed.find("(Hello \\(CUPS\\)) 80 746 10 /Helvetica drawText\n"), std::string::npos);
    // Black and white: red arrives grey.
    EXPECT_NE(printed.find("0.301961 0.301961 0.301961 setrgbcolor\n"), std::string::npos);
    EXPECT_NE(printed.find("numcopies(2)"), std::string::npos);
    EXPECT_EQ(printed.find("/#copies 2 def"), std::string::npos);  // copies are made once, by CUPS
    std::string copy = printtest::scratchDir() + "/printed.ps";
    printtest::writeFile(copy, printed);
    std::string messages;
    EXPECT_EQ(printtest::ghostscript(copy, &messages), 0) << messages;
}

TEST_F(CupsPrintTest, ChosenPagesOnlyAndLandscapeTurnedOnce) {
    unlink(output.c_str());
    FXNativePrinter job;
    job.name = queue.c_str();
    job.flags = FXNativePrinter::PAGES_EVEN | FXNativePrinter::LANDSCAPE;
    job.firstpage = 1;
    job.lastpage = 3;
    job.frompage = job.topage = 2;
    FXDCNativePrinter dc(printtest::app());
    dc.setScreenResolution(72);
    ASSERT_TRUE(dc.beginPrint(job));
    EXPECT_EQ(dc.getPageWidth(), 792);
    EXPECT_EQ(dc.getPageHeight(), 612);
    const char* texts[3] = {"page one", "page two", "page three"};
    for (int page = 1; page <= 3; page++) {
        dc.beginPage(page);
        dc.drawText(10, 10, texts[page - 1]);
        dc.endPage();
    }
    ASSERT_TRUE(dc.endPrint());
    ASSERT_TRUE(waitForJob(dc.lastJob()));
    std::string printed = printtest::readFile(output);
    EXPECT_NE(printed.find("(page two)"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("(page one)"), std::string::npos);
    EXPECT_EQ(printed.find("(page three)"), std::string::npos);
    EXPECT_EQ(printtest::count(printed, "90 rotate"), 1u);  // only the document's own turn

    FXNativePrinter ranges;
    ranges.ranges = {{3, 5}, {8, 8}};
    EXPECT_STREQ(cupsprint::pageRanges(ranges).text(), "3-5,8");
}

TEST_F(CupsPrintTest, DialogListsTheQueues) {
    if (!printtest::haveDisplay()) GTEST_SKIP() << "no display: run the tests under xvfb-run";
    printtest::clearPrinterSettings();
    printtest::app()->reg().writeStringEntry("PRINTER", "printer", queue.c_str());
    FXMainWindow owner(printtest::app(), "Owner");
    owner.create();
    FXNativePrintDialog dlg(&owner);
    dlg.create();
    dlg.show(PLACEMENT_OWNER);
    FXint found = dlg.printerList()->findItem(queue.c_str());
    ASSERT_GE(found, 0);
    EXPECT_EQ(dlg.printerList()->getCurrentItem(), found);
    EXPECT_STREQ(dlg.description().name.text(), queue.c_str());
    dlg.hide();
}

// The job is named after the report in the queue; thin lines keep a width a
// printer shows (one screen pixel, 0.75 points at 96 dots an inch); accented
// text arrives as typed.
TEST_F(CupsPrintTest, TitledJobWithThinLinesAndAccents) {
    unlink(output.c_str());
    FXNativePrinter job;
    job.name = queue.c_str();
    job.title = "Unit Summary: Fractions";
    FXDCNativePrinter dc(printtest::app());
    dc.setScreenResolution(96);
    ASSERT_TRUE(dc.beginPrint(job));
    FXFont font(printtest::app(), "helvetica", 12);
    dc.beginPage(1);
    dc.setLineWidth(1);
    dc.drawLine(0, 100, 400, 100);
    dc.setFont(&font);
    dc.drawText(0, 20, "caf\xe9 M\xfcller na\xefve");
    // UTF-8 beyond Latin-1: the font's program goes with the job.
    dc.drawText(0, 40, "Māori ā ē ī ō ū €5 “te reo” –");
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    ASSERT_TRUE(waitForJob(dc.lastJob()));
    cups_job_t* jobs = nullptr;
    int n = cupsGetJobs(&jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
    std::string title;
    for (int i = 0; i < n; i++)
        if (jobs[i].id == dc.lastJob()) title = jobs[i].title;
    cupsFreeJobs(n, jobs);
    EXPECT_EQ(title, "Unit Summary: Fractions");
    std::string printed = printtest::readFile(output);
    EXPECT_NE(printed.find("0.75 setlinewidth\n"), std::string::npos);
    EXPECT_EQ(printed.find("0 setlinewidth"), std::string::npos);
    std::string copy = printtest::scratchDir() + "/printed.ps";
    printtest::writeFile(copy, printed);
    std::string text;
    ASSERT_EQ(printtest::pdfText(copy, text), 0) << text;
    EXPECT_EQ(printtest::squeeze(text), "café Müller naïve\nMāori ā ē ī ō ū €5 “te reo” –\n");
    EXPECT_NE(printed.find("%%BeginResource: font NimbusSans-Regular\n"), std::string::npos);
    // The line shows when rendered: 0.75 points is a pixel at 72 dots an inch.
    printtest::Raster page;
    std::string messages;
    ASSERT_TRUE(printtest::renderPage(copy, page, &messages)) << messages;
    // (75 points below the top margin of 72: row 147, from column 72 to 372.)
    EXPECT_GT(page.darkPixels(100, 146, 300, 148), 150);
}

// Without a remembered printer the dialog takes the system's default queue,
// not the first one by name.
TEST_F(CupsPrintTest, DialogPreselectsTheDefaultQueue) {
    if (!printtest::haveDisplay()) GTEST_SKIP() << "no display: run the tests under xvfb-run";
    std::string out;
    ASSERT_EQ(testsupport::run("lpadmin -p PlenwickAaaFirst -E -v file:///dev/null -m drv:///sample.drv/generic.ppd && "
                               "lpadmin -d " +
                                   queue + " 2>&1",
                               &out),
              0)
        << out;
    printtest::clearPrinterSettings();
    FXMainWindow owner(printtest::app(), "Owner");
    owner.create();
    {
        FXNativePrintDialog dlg(&owner);
        dlg.create();
        dlg.show(PLACEMENT_OWNER);
        ASSERT_GE(dlg.printerList()->findItem("PlenwickAaaFirst"), 0);
        EXPECT_EQ(dlg.printerList()->getCurrentItem(), dlg.printerList()->findItem(queue.c_str()));
        EXPECT_STREQ(dlg.description().name.text(), queue.c_str());
        dlg.hide();
    }
    testsupport::run("lpadmin -x PlenwickAaaFirst 2>&1", &out);
}

// A page drawn within the area the printer job gives lies inside the paper's
// margins on the printed sheet (Ghostscript's bbox device on what CUPS wrote).
TEST_F(CupsPrintTest, PrinterPageLiesInsideTheMargins) {
    unlink(output.c_str());
    FXNativePrinter job;
    job.name = queue.c_str();
    job.mediasize = job.settings.paperCode = 9;
    job.mediawidth = 595.27559;
    job.mediaheight = 841.88976;
    job.leftmargin = job.rightmargin = job.topmargin = job.bottommargin = 80;
    FXDCNativePrinter dc(printtest::app());
    dc.setScreenResolution(96);
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.drawRectangle(0, 0, dc.getContentWidth(), dc.getContentHeight());
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    ASSERT_TRUE(waitForJob(dc.lastJob()));
    std::string copy = printtest::scratchDir() + "/sheet.ps";
    printtest::writeFile(copy, printtest::readFile(output));
    std::vector<printtest::Box> ink = printtest::inkBoxes(copy);
    ASSERT_EQ(ink.size(), 1u);
    // Inside the margins (half the 0.75-point line may stand on them), and
    // short of them by no more than the rounding to whole screen pixels.
    EXPECT_GE(ink[0].x0, 80 - 1);
    EXPECT_GE(ink[0].y0, 80 - 1);
    EXPECT_LE(ink[0].x1, 595.28 - 80 + 1);
    EXPECT_LE(ink[0].y1, 841.89 - 80 + 1);
    EXPECT_GT(ink[0].x1, 595.28 - 80 - 2.5);
    EXPECT_LT(ink[0].y0, 80 + 2.5);
}

// The preview of a printer job shows the pages the printer gets: each page
// image against Ghostscript's rendering of what CUPS wrote, inside its margins.
TEST_F(CupsPrintTest, PreviewShowsWhatThePrinterGets) {
    if (!printtest::haveDisplay()) GTEST_SKIP() << "no display: run the tests under xvfb-run";
    unlink(output.c_str());
    FXFont font(printtest::app(), "helvetica", 14);
    font.create();
    FXNativePrinter job;
    job.name = queue.c_str();
    PrintRoutine routine = [&](FXDCNativePrinter& dc) { printtest::reportPages(dc, font); };
    FXMainWindow owner(printtest::app(), "Owner");
    owner.create();
    FXint id = 0;
    ASSERT_TRUE(PrintCommand::print(&owner, job, routine, &id));
    ASSERT_TRUE(waitForJob(id));
    std::string sheet = printtest::scratchDir() + "/printed.ps";
    printtest::writeFile(sheet, printtest::readFile(output));

    FXPreviewDialog preview(&owner, job, routine);
    preview.create();
    preview.setZoom(0.5);  // 50.8 pixels an inch; the margins of 72 points are 50.8 pixels
    for (FXuint page = 1; page <= 2; page++) {
        SCOPED_TRACE("page " + std::to_string(page));
        preview.setCurrentPage(page);
        preview.canvas()->refreshImage();
        ASSERT_EQ(preview.getPageCount(), 2u);
        printtest::Raster shown = printtest::imageOf(preview.canvas()->getImage());
        printtest::Raster printed;
        std::string messages;
        ASSERT_TRUE(printtest::renderAt(sheet, page, 50.8, printed, &messages)) << messages;
        EXPECT_GT(printtest::darkAgreement(shown, printed, 51, 51, 2), 0.97);
        EXPECT_GT(printtest::darkAgreement(printed, shown, -51, -51, 2), 0.97);
    }
}

}  // namespace

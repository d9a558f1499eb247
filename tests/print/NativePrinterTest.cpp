// FXDCNativePrinter with file destinations: choosing the device, page size
// and margins for the callers' layout, grey printing, and refusing jobs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "print/FXDCNativePrinter.h"
#include "print/PrintTestSupport.h"
#include "support/RecordingPrompter.h"

using namespace FX;
using printtest::fileJob;
using printtest::readFile;
using testsupport::RecordingPrompter;

namespace {

TEST(NativePrinter, EmptyNameNeverOpensAJob) {
    RecordingPrompter prompts;
    FXDCNativePrinter dc(printtest::app());
    FXNativePrinter job;
    job.flags = FXNativePrinter::DEST_FILE;
    EXPECT_FALSE(dc.beginPrint(job));
    ASSERT_EQ(prompts.count("warning"), 1u);
    EXPECT_EQ(prompts.last().text, "Please define a printer first!");
    EXPECT_EQ(dc.destination(), FXDCNativePrinter::NO_JOB);
    EXPECT_FALSE(dc.beginPage(1));
    dc.drawLine(0, 0, 10, 10);  // nothing to draw on: ignored
    EXPECT_FALSE(dc.endPrint());
}

TEST(NativePrinter, UnknownPrinterIsReported) {
    RecordingPrompter prompts;
    FXDCNativePrinter dc(printtest::app());
    FXNativePrinter job;
    job.name = "No Such Printer Queue";
    EXPECT_FALSE(dc.beginPrint(job));
    ASSERT_EQ(prompts.count("warning"), 1u);
    EXPECT_EQ(prompts.last().text, "Cannot create printer dc.");
    EXPECT_EQ(dc.destination(), FXDCNativePrinter::NO_JOB);
}

TEST(NativePrinter, PostscriptFileUsesPointsAndTheDescriptionsPage) {
    std::string dir = printtest::scratchDir();
    FXNativePrinter job = fileJob(dir + "/page.ps");
    job.mediawidth = 595.27559;
    job.mediaheight = 841.88976;
    job.leftmargin = 80;
    job.topmargin = 70;
    job.rightmargin = 60;
    job.bottommargin = 50;
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    EXPECT_EQ(dc.destination(), FXDCNativePrinter::TO_POSTSCRIPT);
    EXPECT_EQ(dc.getPageWidth(), 595);
    EXPECT_EQ(dc.getPageHeight(), 841);
    EXPECT_EQ(dc.getLeftMargin(), 80);
    EXPECT_EQ(dc.getTopMargin(), 70);
    EXPECT_DOUBLE_EQ(dc.getScaleX(), 1.0);
    ASSERT_TRUE(dc.beginPage(1));
    dc.drawLine(0, 0, 10, 0);
    EXPECT_FALSE(dc.writeTable("Select 1 from RDB$DATABASE"));  // only HTML files take tables
    ASSERT_TRUE(dc.endPage());
    ASSERT_TRUE(dc.endPrint());
    EXPECT_EQ(dc.destination(), FXDCNativePrinter::NO_JOB);
    std::string ps = readFile(dir + "/page.ps");
    // The drawing starts at the printable area's top-left corner: 80 points
    // from the left, 70 below the top of the 841-point page.
    EXPECT_NE(ps.find("newpath 80 771 moveto 90 771 lineto stroke\n"), std::string::npos) << ps;
    EXPECT_EQ(dc.getContentWidth(), 595 - 80 - 60);
    EXPECT_EQ(dc.getContentHeight(), 841 - 70 - 50);
    EXPECT_NE(ps.find("0 0 0 setrgbcolor\n"), std::string::npos);  // the job starts in black
    std::string messages;
    EXPECT_EQ(printtest::ghostscript(dir + "/page.ps", &messages), 0) << messages;
}

// SCREEN_UNITS: a file laid out as a printer job is, in the screen's pixels
// (100 an inch unless set), scaled to points on the printable area.
TEST(NativePrinter, FileInScreenUnitsIsLaidOutAsForAPrinter) {
    std::string dir = printtest::scratchDir();
    FXNativePrinter job = fileJob(dir + "/screen.ps", FXNativePrinter::DEST_FILE | FXNativePrinter::SCREEN_UNITS);
    FXDCNativePrinter dc(printtest::app());
    dc.setScreenResolution(100);
    ASSERT_TRUE(dc.beginPrint(job));
    EXPECT_EQ(dc.getContentWidth(), 850 - 100 - 100);
    EXPECT_EQ(dc.getContentHeight(), 1100 - 100 - 100);
    EXPECT_DOUBLE_EQ(dc.getScaleX(), 0.72);
    dc.beginPage(1);
    dc.drawRectangle(0, 0, dc.getContentWidth(), dc.getContentHeight());
    dc.endPage();
    dc.endPrint();
    std::vector<printtest::Box> ink = printtest::inkBoxes(dir + "/screen.ps");
    ASSERT_EQ(ink.size(), 1u);
    EXPECT_NEAR(ink[0].x0, 72, 1.5);
    EXPECT_NEAR(ink[0].x1, 540, 1.5);
    EXPECT_NEAR(ink[0].y0, 72, 1.5);
    EXPECT_NEAR(ink[0].y1, 720, 1.5);

    // The preview of such a job is laid out the same way.
    FXImage image(printtest::app(), nullptr, IMAGE_KEEP, 10, 10);
    FXDCNativePrinter preview(printtest::app());
    preview.setScreenResolution(100);
    ASSERT_TRUE(preview.beginPreview(job, &image, 1, 1.0));
    EXPECT_EQ(preview.getContentWidth(), 650);
    preview.endPrint();
}

TEST(NativePrinter, LandscapeExchangesWidthAndHeightAndLeftAndTopMargins) {
    std::string dir = printtest::scratchDir();
    FXNativePrinter job = fileJob(dir + "/land.ps", FXNativePrinter::DEST_FILE | FXNativePrinter::LANDSCAPE);
    job.leftmargin = 30;
    job.topmargin = 50;
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    EXPECT_EQ(dc.getPageWidth(), 792);
    EXPECT_EQ(dc.getPageHeight(), 612);
    EXPECT_EQ(dc.getLeftMargin(), 50);
    EXPECT_EQ(dc.getTopMargin(), 30);
    dc.beginPage(1);
    dc.drawLine(0, 0, 10, 0);
    dc.endPage();
    dc.endPrint();
    std::string ps = readFile(dir + "/land.ps");
    EXPECT_NE(ps.find("612 0 translate\n90 rotate\n"), std::string::npos);
    // Left margin 50, top margin 30 on the turned sheet 612 high.
    EXPECT_NE(ps.find("newpath 50 582 moveto 60 582 lineto stroke\n"), std::string::npos) << ps;
    std::string messages;
    EXPECT_EQ(printtest::ghostscript(dir + "/land.ps", &messages), 0) << messages;
}

TEST(NativePrinter, BlackAndWhiteTurnsColoursGrey) {
    std::string dir = printtest::scratchDir();
    for (int colour = 0; colour < 2; colour++) {
        std::string file = dir + (colour ? "/colour.ps" : "/grey.ps");
        FXNativePrinter job = fileJob(file, FXNativePrinter::DEST_FILE | (colour ? FXNativePrinter::COLOR : 0));
        FXDCNativePrinter dc(printtest::app());
        ASSERT_TRUE(dc.beginPrint(job));
        dc.beginPage(1);
        dc.setForeground(FXRGB(255, 0, 0));
        dc.setForeground(FXRGB(0, 0, 255));
        EXPECT_EQ(dc.getForeground(), FXRGB(0, 0, 255));  // the caller's colour is kept
        dc.endPage();
        dc.endPrint();
        std::string ps = readFile(file);
        if (colour) {
            EXPECT_NE(ps.find("1 0 0 setrgbcolor\n"), std::string::npos);
            EXPECT_NE(ps.find("0 0 1 setrgbcolor\n"), std::string::npos);
        } else {
            // 0.3 * 255 = 76.5 -> 77; 0.11 * 255 = 28.05 -> 28
            EXPECT_NE(ps.find("0.301961 0.301961 0.301961 setrgbcolor\n"), std::string::npos);
            EXPECT_NE(ps.find("0.109804 0.109804 0.109804 setrgbcolor\n"), std::string::npos);
        }
    }
    FXDCNativePrinter dc(printtest::app());
    EXPECT_EQ(dc.deviceColor(FXRGB(255, 255, 255)), FXRGB(255, 255, 255));
    EXPECT_EQ(dc.deviceColor(FXRGB(0, 255, 0)), FXRGB(150, 150, 150));
}

TEST(NativePrinter, HtmlFileTakesTheTableAndIgnoresDrawing) {
    std::string dir = printtest::scratchDir();
    FXNativePrinter job = fileJob(dir + "/Week.html", FXNativePrinter::DEST_HTML);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    EXPECT_EQ(dc.destination(), FXDCNativePrinter::TO_HTML);
    EXPECT_EQ(dc.getPageWidth(), 612);
    EXPECT_EQ(dc.getPageHeight(), 792);
    dc.beginPage(1);
    dc.drawLine(0, 0, 100, 100);
    FXFont font(printtest::app(), "helvetica", 10);
    dc.setFont(&font);
    dc.drawText(10, 10, "not in the file");
    dc.endPage();
    EXPECT_TRUE(dc.endPrint());
    std::string html = readFile(dir + "/Week.html");
    EXPECT_EQ(html.find("not in the file"), std::string::npos);
    EXPECT_NE(html.find("<!-- WeekScreen.css -->"), std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 14), "</BODY></HTML>");
}

// A file that cannot be written is refused before anything is drawn, with
// the file and the reason, and nothing is left behind.
TEST(NativePrinter, UnwritableFileIsToldAndLeavesNoFile) {
    std::string dir = printtest::scratchDir();
    const std::string missing = dir + "/none/out";
    const std::string proc = "/proc/plenwick-print-test-" + std::to_string(getpid());
    const std::string sys = "/sys/plenwick-print-test-" + std::to_string(getpid()) + ".pdf";
    const struct {
        std::string name, reason;
    } cases[] = {
        {missing, "the folder does not exist"},
        {dir, "it is a folder"},
        {proc, "it is a place of the system, not for files"},
        {sys, "it is a place of the system, not for files"},
        {"/dev/null", "it is a device, not a file"},
    };
    for (FXuint flags :
         {(FXuint)FXNativePrinter::DEST_FILE, (FXuint)FXNativePrinter::DEST_HTML, (FXuint)FXNativePrinter::DEST_PDF}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name + " flags " + std::to_string(flags));
            RecordingPrompter prompts;
            FXNativePrinter job = fileJob(c.name, flags);
            FXDCNativePrinter dc(printtest::app());
            EXPECT_FALSE(dc.beginPrint(job));
            EXPECT_EQ(dc.destination(), FXDCNativePrinter::NO_JOB);
            ASSERT_EQ(prompts.count("warning"), 1u);
            EXPECT_EQ(prompts.last().text, "Cannot write " + c.name + ": " + c.reason + ".");
        }
    }
    EXPECT_FALSE(printtest::fileExists(missing));
    EXPECT_FALSE(printtest::fileExists(proc));
    EXPECT_FALSE(printtest::fileExists(sys));
}

// A PDF converter that fails leaves no PDF file (nor the empty file made to
// check the name), and says so once.
TEST(NativePrinter, FailedPdfConversionLeavesNoFile) {
    std::string dir = printtest::scratchDir();
    const std::string file = dir + "/week.pdf";
    RecordingPrompter prompts;
    FXDCNativePrinter::setPdfConverter("false");
    FXNativePrinter job = fileJob(file, FXNativePrinter::DEST_PDF);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.drawLine(0, 0, 100, 100);
    dc.endPage();
    EXPECT_FALSE(dc.endPrint());
    FXDCNativePrinter::setPdfConverter("ps2pdf");
    EXPECT_FALSE(printtest::fileExists(file));
    ASSERT_EQ(prompts.count("warning"), 1u);
    EXPECT_EQ(prompts.last().text, "Cannot write " + file + ": the PDF converter false (Ghostscript) failed.");
}

TEST(NativePrinter, LongPointListsAreScaledLikeShortOnes) {
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/poly.ps";
    FXNativePrinter job = fileJob(file);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    FXPoint longList[200], shortList[10];
    for (int i = 0; i < 200; i++) longList[i] = FXPoint((FXshort)i, (FXshort)(i % 7));
    for (int i = 0; i < 10; i++) shortList[i] = longList[i];
    dc.drawLines(longList, 200);
    dc.drawLines(shortList, 10);
    dc.endPage();
    dc.endPrint();
    std::string ps = readFile(file);
    size_t first = ps.find("newpath 72 720 moveto");
    ASSERT_NE(first, std::string::npos);
    size_t second = ps.find("newpath 72 720 moveto", first + 1);
    ASSERT_NE(second, std::string::npos);
    std::string longLine = ps.substr(first, ps.find('\n', first) - first);
    std::string shortLine = ps.substr(second, ps.find('\n', second) - second);
    EXPECT_EQ(printtest::count(longLine, "lineto"), 199u);
    EXPECT_EQ(longLine.substr(0, shortLine.size() - 7), shortLine.substr(0, shortLine.size() - 7));
    EXPECT_NE(longLine.find(" 271 "), std::string::npos);  // the 200th point, x 199 + 72
}

}  // namespace

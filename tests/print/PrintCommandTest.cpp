// PrintCommand, the way every window prints, and the print preview it
// reaches through the print dialog, on a real application under Xvfb: the
// dialog answered as a user would, the job's files read back, and the
// preview's pages compared with what Ghostscript renders of the printed file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "data/Dates.h"
#include "print/FXDCNativePrinter.h"
#include "print/FXNativePrintDialog.h"
#include "print/FXPreviewCanvas.h"
#include "print/FXPreviewDialog.h"
#include "print/PrintCommand.h"
#include "print/PrintTestSupport.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

using namespace FX;
using printtest::findButton;
using printtest::ModalAnswer;
using printtest::readFile;
using testsupport::RecordingPrompter;

namespace {

class PrintCommandTest : public ::testing::Test {
protected:
    FXMainWindow* owner = nullptr;
    std::string dir;

    void SetUp() override {
        if (!printtest::haveDisplay()) GTEST_SKIP() << "no display: run the tests under xvfb-run";
        printtest::clearPrinterSettings();
        owner = new FXMainWindow(printtest::app(), "Owner", nullptr, nullptr, DECOR_ALL, 0, 0, 400, 300);
        owner->create();
        dir = printtest::scratchDir();
    }
    void TearDown() override { delete owner; }

    static void send(FXWindow* w, FXuint id) { w->handle(w, FXSEL(SEL_COMMAND, id), nullptr); }

    // Answers the print dialog: the destination `dest` (1 PostScript, 2 HTML,
    // 3 PDF) with file `file`, then `then` (accept by default).
    static std::function<void(FXWindow*)> chooseFile(int dest, const std::string& file,
                                                     FXuint then = FXDialogBox::ID_ACCEPT) {
        return [=](FXWindow* w) {
            FXNativePrintDialog* dlg = dynamic_cast<FXNativePrintDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            send(dlg, FXNativePrintDialog::ID_TO_PRINTER + dest);
            FXTextField* field = dest == 1 ? dlg->fileField() : dest == 2 ? dlg->htmlField() : dlg->pdfField();
            field->setText(file.c_str());
            dlg->handle(dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME + dest - 1), nullptr);
            send(dlg, then);
        };
    }
};

// Two pages: a frame round the area the job gives and the page's number.
void twoPages(FXDCNativePrinter& dc, FXFont& font) {
    for (FXuint page = 1; page <= 2; page++) {
        dc.beginPage(page);
        dc.drawRectangle(0, 0, dc.getContentWidth(), dc.getContentHeight());
        dc.setFont(&font);
        dc.drawText(20, 40, FXString("Lesson ") + FXStringVal((FXint)page));
        dc.endPage();
    }
}

TEST_F(PrintCommandTest, PrintsTheRoutineToTheChosenFile) {
    RecordingPrompter prompts;
    std::string file = dir + "/Week 12.ps";
    FXFont font(printtest::app(), "helvetica", 12);
    font.create();
    PrintCommand command(owner, "Week of 02/03/26");
    ModalAnswer answer(chooseFile(1, file));
    answer.arm();
    FXint calls = 0, width = 0, height = 0;
    EXPECT_TRUE(command.run([&](FXDCNativePrinter& dc) {
        calls++;
        width = dc.getContentWidth();
        height = dc.getContentHeight();
        EXPECT_FALSE(dc.toHtml());
        twoPages(dc, font);
    }));
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(width, 612 - 72 - 72);
    EXPECT_EQ(height, 792 - 72 - 72);
    EXPECT_STREQ(command.printer.name.text(), file.c_str());  // the user's choice, read back
    EXPECT_NE(command.printer.flags & FXNativePrinter::DEST_FILE, 0u);
    EXPECT_EQ(prompts.prompts.size(), 0u);
    std::string ps = readFile(file);
    EXPECT_NE(ps.find("%%Title: Week of 02/03/26\n"), std::string::npos);
    EXPECT_EQ(printtest::pageCount(file), 2);
    std::string text;
    ASSERT_EQ(printtest::pdfText(file, text), 0);
    EXPECT_EQ(printtest::squeeze(text), "Lesson 1\nLesson 2\n");
}

TEST_F(PrintCommandTest, CancelledDialogPrintsNothing) {
    RecordingPrompter prompts;
    PrintCommand command(owner, "Week");
    ModalAnswer answer(chooseFile(1, dir + "/never.ps", FXDialogBox::ID_CANCEL));
    answer.arm();
    bool called = false;
    EXPECT_FALSE(command.run([&](FXDCNativePrinter&) { called = true; }));
    EXPECT_TRUE(answer.answered);
    EXPECT_FALSE(called);
    EXPECT_FALSE(printtest::fileExists(dir + "/never.ps"));
    EXPECT_EQ(prompts.prompts.size(), 0u);
}

TEST_F(PrintCommandTest, NoPrinterChosenWarns) {
    RecordingPrompter prompts;
    PrintCommand command(owner, "Week");
    ModalAnswer answer([](FXWindow* w) {
        FXNativePrintDialog* dlg = dynamic_cast<FXNativePrintDialog*>(w);
        dlg->printerList()->clearItems();  // a system without queues
        send(dlg, FXNativePrintDialog::ID_TO_PRINTER);
        send(dlg, FXDialogBox::ID_ACCEPT);
    });
    answer.arm();
    bool called = false;
    EXPECT_FALSE(command.run([&](FXDCNativePrinter&) { called = true; }));
    EXPECT_FALSE(called);
    ASSERT_EQ(prompts.count("warning"), 1u);
    EXPECT_EQ(prompts.last().text, "Please select a printer first!\n");
}

TEST_F(PrintCommandTest, DatabaseErrorEndsTheJobWithoutAFile) {
    RecordingPrompter prompts;
    std::string file = dir + "/broken.ps";
    PrintCommand command(owner, "Week");
    ModalAnswer answer(chooseFile(1, file));
    answer.arm();
    EXPECT_FALSE(command.run([&](FXDCNativePrinter& dc) {
        dc.beginPage(1);
        dc.drawLine(0, 0, 10, 10);
        throw FXException("Dynamic SQL Error");
    }));
    ASSERT_EQ(prompts.count("error"), 1u);
    EXPECT_EQ(prompts.last().caption, "Database Error");
    EXPECT_EQ(prompts.last().text, "Dynamic SQL Error");
    EXPECT_FALSE(printtest::fileExists(file));
}

// A routine whose user has been told why it cannot go on (a lost database
// connection): no file, no further message.
TEST_F(PrintCommandTest, AnAbandonedJobLeavesNoFileAndSaysNothingMore) {
    RecordingPrompter prompts;
    std::string file = dir + "/abandoned.ps";
    FXNativePrinter job = printtest::fileJob(file);
    EXPECT_FALSE(PrintCommand::print(owner, job, [&](FXDCNativePrinter& dc) {
        dc.beginPage(1);
        dc.drawLine(0, 0, 10, 10);
        throw PrintAbandoned();
    }));
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_FALSE(printtest::fileExists(file));
}

TEST_F(PrintCommandTest, HtmlJobsTakeTheTables) {
    std::string file = dir + "/Week.html";
    PrintCommand command(owner, "Week");
    ModalAnswer answer(chooseFile(2, file));
    answer.arm();
    bool html = false;
    FXint width = 0;
    EXPECT_TRUE(command.run([&](FXDCNativePrinter& dc) {
        html = dc.toHtml();
        width = dc.getContentWidth();
        dc.beginPage(1);
        dc.endPage();
    }));
    EXPECT_TRUE(html);
    EXPECT_EQ(width, 612 - 144);
    EXPECT_NE(readFile(file).find("</BODY></HTML>"), std::string::npos);
}

// A PDF file: the PostScript job made into PDF by ps2pdf, titled as the job.
TEST_F(PrintCommandTest, PdfFileOfAThreePageReport) {
    std::string file = dir + "/Unit summary.pdf";
    PrintCommand command(owner, "Unit Summary: Fractions");
    ModalAnswer answer(chooseFile(3, file));
    answer.arm();
    FXFont font(printtest::app(), "times", 11);
    EXPECT_TRUE(command.run([&](FXDCNativePrinter& dc) {
        EXPECT_EQ(dc.destination(), FXDCNativePrinter::TO_PDF);
        dc.setFont(&font);
        for (int page = 1; page <= 3; page++) {
            dc.beginPage(page);
            dc.drawText(13, 19, FXString("Fractions, page ") + FXStringVal(page) + " \xe9t\xe9");
            dc.endPage();
        }
    }));
    std::string info;
    ASSERT_EQ(testsupport::run("pdfinfo " + testsupport::shellQuote(file), &info), 0) << info;
    EXPECT_NE(info.find("Pages:           3\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Title:           Unit Summary: Fractions\n"), std::string::npos) << info;
    EXPECT_NE(info.find("612 x 792 pts (letter)"), std::string::npos) << info;
    std::string text;
    ASSERT_EQ(printtest::pdfText(file, text), 0);
    EXPECT_EQ(printtest::squeeze(text), "Fractions, page 1 été\nFractions, page 2 été\nFractions, page 3 été\n");
}

TEST_F(PrintCommandTest, PdfConverterMissingIsReported) {
    RecordingPrompter prompts;
    FXDCNativePrinter::setPdfConverter("no-such-ps2pdf");
    std::string file = dir + "/out.pdf";
    FXNativePrinter job;
    job.name = file.c_str();
    job.flags = FXNativePrinter::DEST_PDF;
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.endPage();
    EXPECT_FALSE(dc.endPrint());
    FXDCNativePrinter::setPdfConverter("ps2pdf");
    ASSERT_EQ(prompts.count("warning"), 1u);
    EXPECT_NE(prompts.last().text.find("Ghostscript"), std::string::npos);
}

// PAGE_FOOTER: every page's last line says which page of how many it is
// and the day it was printed, inside the printable area, on PostScript and
// PDF alike (the pages counted by laying the job out first).
TEST_F(PrintCommandTest, FootersNumberThePagesOfTheJobAndSayTheDay) {
    const std::string day = dates::shownDate((FXlong)time(nullptr)).text();
    for (FXuint to : {(FXuint)FXNativePrinter::DEST_FILE, (FXuint)FXNativePrinter::DEST_PDF}) {
        const std::string file = dir + (to == FXNativePrinter::DEST_PDF ? "/numbered.pdf" : "/numbered.ps");
        FXNativePrinter job = printtest::fileJob(file, to | FXNativePrinter::PAGE_FOOTER);
        FXFont font(printtest::app(), "times", 11);
        int calls = 0;
        EXPECT_TRUE(PrintCommand::print(owner, job, [&](FXDCNativePrinter& dc) {
            ++calls;
            dc.setFont(&font);
            for (int page = 1; page <= 3; page++) {
                dc.beginPage(page);
                dc.drawText(13, 19, FXString("Lesson ") + FXStringVal(page));
                dc.endPage();
            }
        }));
        EXPECT_EQ(calls, 2);  // counted, then printed
        std::string text;
        ASSERT_EQ(printtest::pdfText(file, text), 0);
        EXPECT_EQ(printtest::squeeze(text), "Lesson 1\nPage 1 of 3 Printed " + day +
                                                "\nLesson 2\nPage 2 of 3 Printed " + day +
                                                "\nLesson 3\nPage 3 of 3 Printed " + day + "\n");
        for (const printtest::Box& b : printtest::inkBoxes(file)) {
            EXPECT_GE(b.y0, 72 - 0.5);
            EXPECT_LE(b.y1, 792 - 72 + 0.5);
        }
    }
}

// "Open the PDF file in its viewer when it is written": remembered, and the
// written file handed to the desktop's viewer (here a script that notes it).
TEST_F(PrintCommandTest, AWrittenPdfFileOpensInItsViewerWhenAsked) {
    {
        FXNativePrintDialog dlg(owner);
        FXCheckButton* open = findButton<FXCheckButton>(&dlg, "Open the PDF file in its viewer when it is written");
        ASSERT_NE(open, nullptr);
        EXPECT_FALSE(open->getCheck());
        EXPECT_EQ(dlg.description().flags & FXNativePrinter::OPEN_AFTER, 0u);
        open->setCheck(TRUE);
        send(&dlg, FXNativePrintDialog::ID_OPEN_PDF);
        EXPECT_EQ(printtest::app()->reg().readIntEntry("PRINTER", "openpdf", 0), 1);
        EXPECT_NE(dlg.description().flags & FXNativePrinter::OPEN_AFTER, 0u);
    }
    FXNativePrintDialog again(owner);
    EXPECT_NE(again.description().flags & FXNativePrinter::OPEN_AFTER, 0u);
    EXPECT_TRUE(findButton<FXCheckButton>(&again, "Open the PDF file in its viewer when it is written")->getCheck());
    printtest::app()->reg().deleteEntry("PRINTER", "openpdf");

    const std::string viewer = dir + "/viewer", noted = dir + "/opened";
    printtest::writeFile(viewer, "#!/bin/sh\nprintf '%s' \"$1\" > \"$1.tmp\" && mv \"$1.tmp\" " + noted + "\n");
    chmod(viewer.c_str(), 0755);
    FXDCNativePrinter::setPdfViewer(viewer.c_str());
    RecordingPrompter prompts;
    const std::string file = dir + "/week.pdf";
    FXNativePrinter job = printtest::fileJob(file, FXNativePrinter::DEST_PDF | FXNativePrinter::OPEN_AFTER);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.drawLine(0, 0, 100, 100);
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    // The viewer runs on its own: wait until it has noted the file.
    for (int i = 0; i < 400 && !printtest::fileExists(noted); ++i) usleep(50000);
    EXPECT_EQ(printtest::readFile(noted), file);
    // Where no viewer is installed nothing happens, and nothing is said.
    FXDCNativePrinter::setPdfViewer("no-such-pdf-viewer");
    FXDCNativePrinter quiet(printtest::app());
    ASSERT_TRUE(quiet.beginPrint(job));
    quiet.beginPage(1);
    quiet.endPage();
    EXPECT_TRUE(quiet.endPrint());
    FXDCNativePrinter::setPdfViewer("xdg-open");
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(PrintCommandTest, DialogRemembersThePdfDestination) {
    FXNativePrintDialog dlg(owner);
    EXPECT_STREQ(dlg.pdfField()->getText().text(), "output.pdf");
    send(&dlg, FXNativePrintDialog::ID_TO_PDF);
    EXPECT_EQ(printtest::app()->reg().readIntEntry("PRINTER", "printtofile", -1), 3);
    EXPECT_NE(dlg.description().flags & FXNativePrinter::DEST_PDF, 0u);
    EXPECT_STREQ(dlg.description().name.text(), "output.pdf");
    RecordingPrompter prompts;
    prompts.paths.push_back("/tmp/term.pdf");
    send(&dlg, FXNativePrintDialog::ID_BROWSE_PDF);
    EXPECT_EQ(prompts.last().caption, "Select PDF File");
    EXPECT_STREQ(printtest::app()->reg().readStringEntry("PRINTER", "pdf", ""), "/tmp/term.pdf");
    FXNativePrintDialog again(owner);
    EXPECT_EQ(again.destination(), 3);
    EXPECT_STREQ(again.description().name.text(), "/tmp/term.pdf");
    EXPECT_NE(findButton<FXRadioButton>(&again, "PDF File:"), nullptr);
    EXPECT_NE(findButton<FXButton>(&again, "Preview"), nullptr);
}

// ---- preview ----------------------------------------------------------------

using printtest::reportPages;

class PreviewTest : public PrintCommandTest {};

TEST_F(PreviewTest, CanvasShowsTheSheetAtItsScale) {
    FXNativePrinter letter;
    FXDialogBox box(owner, "Canvas", DECOR_ALL, 0, 0, 300, 300);
    FXPreviewCanvas* canvas = new FXPreviewCanvas(&box, nullptr, 0, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    canvas->setPrinter(letter);
    // One millimetre a pixel: 215.9 x 279.4 millimetres.
    EXPECT_EQ(canvas->getPageWidth(), 215);
    EXPECT_EQ(canvas->getPageHeight(), 279);
    EXPECT_EQ(canvas->getLeftMargin(), 25);
    EXPECT_EQ(canvas->getImage()->getWidth(), 215 - 25 - 25);
    canvas->setScale(0.5, 0.5);
    EXPECT_EQ(canvas->getPageWidth(), 431);
    EXPECT_EQ(canvas->getPageHeight(), 558);
    EXPECT_GE(canvas->getContentWidth(), 431 + 40);
    EXPECT_GE(canvas->getContentHeight(), 558 + 40);
    letter.flags |= FXNativePrinter::LANDSCAPE;
    canvas->setPrinter(letter);
    EXPECT_EQ(canvas->getPageWidth(), 558);
    EXPECT_EQ(canvas->getPageHeight(), 431);
    box.create();
    box.show(PLACEMENT_OWNER);
    printtest::app()->runWhileEvents();
    printtest::app()->repaint();
    // Narrower than the sheet: it scrolls, and the sheet starts 20 pixels down.
    EXPECT_TRUE(canvas->isHorizontalScrollable());
    EXPECT_EQ(canvas->getPageY(), 20);
    EXPECT_FALSE(canvas->isOutOfDate());  // painted
    box.hide();
}

// Two pages in turn, at the paper's size for the zoom; each page image is
// the page Ghostscript renders of the printed file, inside its margins.
TEST_F(PreviewTest, PagesInTurnAsThePrintedFileShowsThem) {
    FXFont font(printtest::app(), "helvetica", 14);
    font.create();
    std::string file = dir + "/report.ps";
    FXNativePrinter job;
    job.name = file.c_str();
    job.flags = FXNativePrinter::DEST_FILE;
    PrintRoutine routine = [&](FXDCNativePrinter& dc) { reportPages(dc, font); };
    ASSERT_TRUE(PrintCommand::print(owner, job, routine));

    FXPreviewDialog preview(owner, job, routine);
    preview.create();
    const double zoom = 0.5;  // 50.8 pixels an inch
    preview.setZoom(zoom);
    FXPreviewCanvas* canvas = preview.canvas();
    EXPECT_EQ(canvas->getPageWidth(), 431);
    EXPECT_EQ(canvas->getPageHeight(), 558);
    for (FXuint page = 1; page <= 2; page++) {
        SCOPED_TRACE("page " + std::to_string(page));
        preview.setCurrentPage(page);
        canvas->refreshImage();
        EXPECT_EQ(preview.getPageCount(), 2u);
        EXPECT_EQ(preview.getPageNumber(), page);
        printtest::Raster shown = printtest::imageOf(canvas->getImage());
        EXPECT_EQ(shown.width, 431 - 50 - 50);
        printtest::Raster printed;
        std::string out;
        ASSERT_TRUE(printtest::renderAt(file, page, 50.8, printed, &out)) << out;
        // The printable area starts 72 points (50.8 pixels) in.
        EXPECT_GT(printtest::darkAgreement(shown, printed, 51, 51, 2), 0.97);
        EXPECT_GT(printtest::darkAgreement(printed, shown, -51, -51, 2), 0.97);
        // What differs between the pages is where it should be.
        const FXint fx = (FXint)lround((page == 1 ? 13 + 100 : 468 / 2 + 30) * 25.4 / 72 / zoom);
        const FXint fy = (FXint)lround((page == 1 ? 105 : 648 / 2 + 60) * 25.4 / 72 / zoom);
        EXPECT_LT(shown.grey(fx, fy), 64);
    }
}

// The print dialog's "Pre&view" shows the job as the dialog describes it;
// closing it returns to the dialog, and its "&Print" prints.
TEST_F(PreviewTest, ReachedFromThePrintDialog) {
    RecordingPrompter prompts;
    FXFont font(printtest::app(), "helvetica", 12);
    font.create();
    std::string file = dir + "/from-preview.ps";
    PrintCommand command(owner, "Week");
    FXuint pagesSeen = 0;
    bool landscapeSeen = false;
    ModalAnswer inPreview;
    ModalAnswer inDialog([&](FXWindow* w) {
        FXNativePrintDialog* dlg = dynamic_cast<FXNativePrintDialog*>(w);
        send(dlg, FXNativePrintDialog::ID_TO_FILE);
        dlg->fileField()->setText(file.c_str());
        dlg->handle(dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME), nullptr);
        send(dlg, FXNativePrintDialog::ID_LANDSCAPE);
        inPreview.outer = dlg;
        inPreview.answer = [&](FXWindow* p) {
            FXPreviewDialog* preview = dynamic_cast<FXPreviewDialog*>(p);
            ASSERT_NE(preview, nullptr);
            preview->canvas()->refreshImage();
            pagesSeen = preview->getPageCount();
            landscapeSeen = preview->canvas()->getPageWidth() > preview->canvas()->getPageHeight();
            send(preview, FXDialogBox::ID_ACCEPT);  // "&Print"
        };
        inPreview.arm();
        send(dlg, FXNativePrintDialog::ID_PREVIEW);
    });
    inDialog.arm();
    EXPECT_TRUE(command.run([&](FXDCNativePrinter& dc) { twoPages(dc, font); }));
    EXPECT_TRUE(inPreview.answered);
    EXPECT_EQ(pagesSeen, 2u);
    EXPECT_TRUE(landscapeSeen);
    EXPECT_EQ(printtest::pageCount(file), 2);
    EXPECT_NE(readFile(file).find("%%Orientation: Landscape\n"), std::string::npos);
}

// Print options changed in the preview come back to it (and to the dialog):
// even pages only leaves one page of two.
TEST_F(PreviewTest, PrintOptionsChangeWhatIsShown) {
    FXFont font(printtest::app(), "helvetica", 12);
    FXNativePrinter job;
    job.name = (dir + "/options.ps").c_str();
    job.flags = FXNativePrinter::DEST_FILE;
    job.lastpage = FXNativePrinter::OPEN_END;
    FXPreviewDialog preview(owner, job, [&](FXDCNativePrinter& dc) { twoPages(dc, font); });
    preview.create();
    preview.canvas()->refreshImage();
    EXPECT_EQ(preview.getPageCount(), 2u);
    ModalAnswer options([](FXWindow* w) {
        FXNativePrintDialog* dlg = dynamic_cast<FXNativePrintDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_STREQ(dlg->getTitle().text(), "Print Options");
        EXPECT_FALSE(dlg->hasPrintRoutine());
        send(dlg, FXNativePrintDialog::ID_PAGES_EVEN);
        send(dlg, FXDialogBox::ID_CANCEL);  // cancelled after a change: taken back
    });
    options.arm();
    send(&preview, FXPreviewDialog::ID_PRINT_OPTIONS);
    ASSERT_TRUE(options.answered);
    EXPECT_NE(preview.description().flags & FXNativePrinter::PAGES_EVEN, 0u);
    EXPECT_TRUE(preview.canvas()->isOutOfDate());
    preview.canvas()->refreshImage();
    EXPECT_EQ(preview.getPageCount(), 1u);
    EXPECT_EQ(preview.getPageNumber(), 2u);
}

}  // namespace

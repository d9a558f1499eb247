// Printed files judged as a user judges them: read back through Ghostscript
// (its bbox device, ps2pdf and pdftotext, pdfinfo, rendered pages) rather
// than by their text.  Accented letters, paper sizes, landscape, the chosen
// pages, true bounding boxes, and pages that lie on the paper.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "print/FXDCNativePrinter.h"
#include "print/FXDCPostscript.h"
#include "print/PrintTestSupport.h"
#include "print/PrintText.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

using namespace FX;
using printtest::Box;
using printtest::fileJob;
using printtest::readFile;

namespace {

FXNativePrinter a4(FXNativePrinter job) {
    job.mediasize = 9;
    job.mediawidth = 595.27559;
    job.mediaheight = 841.88976;
    job.leftmargin = job.rightmargin = job.topmargin = job.bottommargin = 80;
    return job;
}

// A page as report code draws it: a frame round the whole area it was
// given, a title, a row of boxes, and the footer's text ending at the right
// edge on the bottom line.
void drawReportPage(FXDCNativePrinter& dc, FXFont& font, const FXString& title) {
    const FXint W = dc.getContentWidth(), H = dc.getContentHeight();
    dc.setForeground(FXRGB(0, 0, 0));
    dc.drawRectangle(0, 0, W, H);
    dc.setFont(&font);
    dc.drawText(15, 19, title);
    for (FXint x = 13; x + 100 <= W - 3; x += 100) dc.drawRectangle(x, 35, 100, 20);
    dc.fillRectangle(13, 60, 50, 10);
    FXString footer = "Printed by Plenwick";
    dc.drawText(W - 3 - font.getTextWidth(footer), H, footer);
}

std::string sheetName(const std::string& dir, const char* name) { return dir + "/" + name; }

// Ghostscript's ink of every page against the file's own boxes: each page's
// %%PageBoundingBox holds all of its ink and is no more than 1.5 points
// larger on any side; the document's %%BoundingBox holds every page.
void expectTrueBoxes(const std::string& file) {
    std::string messages;
    std::vector<Box> ink = printtest::inkBoxes(file, &messages);
    ASSERT_FALSE(ink.empty()) << messages;
    std::string ps = readFile(file);
    std::vector<Box> pages = printtest::boundingBoxComments(ps, "PageBoundingBox");
    ASSERT_EQ(pages.size(), ink.size());
    std::vector<Box> doc = printtest::boundingBoxComments(ps, "BoundingBox");
    ASSERT_EQ(doc.size(), 1u);
    for (size_t i = 0; i < ink.size(); i++) {
        const Box& g = ink[i];
        const Box& f = pages[i];
        SCOPED_TRACE("page " + std::to_string(i + 1));
        // Ghostscript measures at its own resolution: a tenth of a point.
        EXPECT_LE(f.x0, g.x0 + 0.1);
        EXPECT_LE(f.y0, g.y0 + 0.1);
        EXPECT_GE(f.x1, g.x1 - 0.1);
        EXPECT_GE(f.y1, g.y1 - 0.1);
        EXPECT_LT(g.x0 - f.x0, 1.5);
        EXPECT_LT(g.y0 - f.y0, 1.5);
        EXPECT_LT(f.x1 - g.x1, 1.5);
        EXPECT_LT(f.y1 - g.y1, 1.5);
        EXPECT_LE(doc[0].x0, f.x0);
        EXPECT_LE(doc[0].y0, f.y0);
        EXPECT_GE(doc[0].x1, f.x1);
        EXPECT_GE(doc[0].y1, f.y1);
    }
}

TEST(PrintedOutput, AccentedTextReadsBackExactly) {
    std::string dir = printtest::scratchDir();
    std::string file = sheetName(dir, "accents.ps");
    FXNativePrinter job = fileJob(file);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    // The client's text is ISO Latin-1.
    FXFont helvetica(printtest::app(), "helvetica", 12), times(printtest::app(), "times", 12, FXFont::Bold),
        courier(printtest::app(), "courier", 12);
    dc.setFont(&helvetica);
    dc.drawText(10, 20, "caf\xe9 M\xfcller na\xefve");
    dc.setFont(&times);
    dc.drawText(10, 50,
                "\xc0 bient\xf4t, \xe6sop's \xa3"
                "5 - 10% (gar\xe7on)");
    dc.setFont(&courier);
    dc.drawText(10, 80, "`quoted' \\ back-slash");
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    std::string ps = readFile(file);
    EXPECT_NE(ps.find("(caf\\351 M\\374ller na\\357ve) 82 700 12 /Helvetica drawText\n"), std::string::npos)
        << ps.substr(ps.find("%%EndProlog"));
    EXPECT_NE(ps.find("%%BeginSetup\n"), std::string::npos);
    EXPECT_NE(ps.find("/Helvetica reencodeISO\n/Times-Bold reencodeISO\n/Courier reencodeISO\n%%EndSetup\n"),
              std::string::npos);
    std::string text;
    ASSERT_EQ(printtest::pdfText(file, text), 0) << text;
    EXPECT_EQ(printtest::squeeze(text),
              "café Müller naïve\n"
              "À bientôt, æsop's £5 - 10% (garçon)\n"
              "`quoted' \\ back-slash\n");
    expectTrueBoxes(file);
}

// Text typed in the toolkit's fields is UTF-8: it prints the same letters,
// typographic quotes and dashes included.  (The title of the file, a
// comment of Latin-1 text, takes the keyboard's forms of them.)
TEST(PrintedOutput, Utf8TextPrintsItsOwnLetters) {
    EXPECT_STREQ(printtext::toLatin1("caf\xc3\xa9").text(), "caf\xe9");
    EXPECT_STREQ(printtext::toLatin1("caf\xe9").text(), "caf\xe9");    // Latin-1 already
    EXPECT_STREQ(printtext::toLatin1("\xc3\x28").text(), "\xc3\x28");  // not UTF-8: Latin-1
    EXPECT_STREQ(
        printtext::toLatin1("\xe2\x80\x9cZo\xc3\xab\xe2\x80\x99s\xe2\x80\x9d \xe2\x80\x93 5\xe2\x82\xac").text(),
        "\"Zo\xeb's\" - 5?");
    EXPECT_STREQ(printtext::toUtf8("caf\xe9").text(), "caf\xc3\xa9");
    EXPECT_STREQ(printtext::toUtf8("caf\xc3\xa9").text(), "caf\xc3\xa9");  // UTF-8 already
    std::string dir = printtest::scratchDir();
    std::string file = sheetName(dir, "utf8.ps");
    FXNativePrinter job = fileJob(file);
    job.title = "Zo\xc3\xab's week";
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    FXFont font(printtest::app(), "helvetica", 12);
    dc.setFont(&font);
    dc.drawText(10, 20, "caf\xc3\xa9 M\xc3\xbcller na\xc3\xafve \xe2\x80\x93 Zo\xc3\xab\xe2\x80\x99s");
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    std::string ps = readFile(file);
    EXPECT_NE(ps.find("%%Title: Zo\xeb's week\n"), std::string::npos);
    std::string text;
    ASSERT_EQ(printtest::pdfText(file, text), 0) << text;
    EXPECT_EQ(printtest::squeeze(text), "café Müller naïve – Zoë’s\n");
    expectTrueBoxes(file);
}

// Every letter of Latin-1 and Latin Extended-A, the euro sign and the
// general punctuation the fonts hold, in UTF-8, as a school in Aotearoa
// writes its lessons.
std::vector<std::string> everyLetterLines() {
    std::vector<FXwchar> codes;
    for (FXwchar c = 0xA1; c <= 0xFF; c++)
        if (c != 0xAD) codes.push_back(c);  // the soft hyphen shows only where a line breaks
    for (FXwchar c = 0x100; c <= 0x17F; c++) codes.push_back(c);
    for (FXwchar c : {0x20AC, 0x2013, 0x2014, 0x2015, 0x2017, 0x2018, 0x2019, 0x201A, 0x201B, 0x201C, 0x201D, 0x201E,
                      0x2020, 0x2021, 0x2022, 0x2026, 0x2030, 0x2032, 0x2033, 0x2039, 0x203A, 0x203C, 0x203E, 0x2044})
        codes.push_back(c);
    std::vector<std::string> lines;
    FXString line;
    for (size_t i = 0; i < codes.size(); i++) {
        printtext::appendUtf8(line, codes[i]);
        if (i % 24 == 23 || i + 1 == codes.size()) {
            lines.push_back(line.text());
            line = FXString();
        }
    }
    return lines;
}

std::string asciiLine() {
    std::string line;
    for (char c = 0x21; c < 0x7F; c++) line += c;
    return line + "ā";
}

void drawEveryLetter(FXDCNativePrinter& dc, FXFont& font) {
    std::vector<std::string> lines = everyLetterLines();
    dc.beginPage(1);
    dc.setFont(&font);
    dc.drawText(10, 20, "Māori ā ē ī ō ū €5 “te reo”");
    for (size_t i = 0; i < lines.size(); i++) dc.drawText(10, 50 + 20 * (FXint)i, lines[i].c_str());
    // ASCII with a macron: more glyphs in the job than one further encoding holds.
    dc.drawText(10, 50 + 20 * (FXint)lines.size(), asciiLine().c_str());
    dc.endPage();
}

std::string everyLetterText() {
    std::string expected = "Māori ā ē ī ō ū €5 “te reo”\n";
    for (const std::string& line : everyLetterLines()) expected += line + "\n";
    return expected + asciiLine() + "\n";
}

TEST(PrintedOutput, EveryLatinLetterPrintsOnPostscriptAndPdf) {
    std::string dir = printtest::scratchDir();
    FXFont helvetica(printtest::app(), "helvetica", 10), timesBold(printtest::app(), "times", 10, FXFont::Bold);
    for (FXFont* font : {&helvetica, &timesBold}) {
        for (FXuint flags : {(FXuint)FXNativePrinter::DEST_FILE, (FXuint)FXNativePrinter::DEST_PDF}) {
            SCOPED_TRACE(std::string(font->getName().text()) + (flags == FXNativePrinter::DEST_PDF ? " pdf" : " ps"));
            std::string file = sheetName(dir, flags == FXNativePrinter::DEST_PDF ? "letters.pdf" : "letters.ps");
            testsupport::RecordingPrompter prompts;
            FXNativePrinter job = fileJob(file, flags);
            FXDCNativePrinter dc(printtest::app());
            ASSERT_TRUE(dc.beginPrint(job));
            drawEveryLetter(dc, *font);
            ASSERT_TRUE(dc.endPrint());
            EXPECT_TRUE(prompts.prompts.empty());
            std::string text;
            ASSERT_EQ(printtest::pdfText(file, text), 0) << text;
            EXPECT_EQ(printtest::squeeze(text), everyLetterText());
            std::string messages;
            EXPECT_EQ(printtest::ghostscript(file, &messages), 0) << messages;
            if (flags == FXNativePrinter::DEST_FILE) {
                // The glyphs travel with the file: a printer need not have them.
                std::string ps = readFile(file);
                const std::string program = font == &helvetica ? "NimbusSans-Regular" : "NimbusRoman-Bold";
                EXPECT_NE(ps.find("%%BeginResource: font " + program + "\n"), std::string::npos);
                EXPECT_NE(ps.find("%%DocumentSuppliedResources: font " + program + "\n"), std::string::npos);
                EXPECT_NE(ps.find("PlenwickEncoding2"), std::string::npos);
                EXPECT_NE(ps.find("showRun grestore\n"), std::string::npos);
                expectTrueBoxes(file);
            }
        }
    }
}

// Text that is all Latin-1 stays as it was: one re-encoded standard font,
// nothing embedded.
TEST(PrintedOutput, Latin1TextEmbedsNoFont) {
    std::string dir = printtest::scratchDir();
    std::string file = sheetName(dir, "plain.ps");
    FXNativePrinter job = fileJob(file);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    FXFont font(printtest::app(), "helvetica", 12);
    dc.beginPage(1);
    dc.setFont(&font);
    dc.drawText(10, 20, "caf\xc3\xa9");
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    std::string ps = readFile(file);
    EXPECT_EQ(ps.find("BeginResource"), std::string::npos);
    EXPECT_EQ(ps.find("showRun"), std::string::npos);
    EXPECT_LT(ps.size(), 20000u);
}

// A character no font has prints as a white square, and the job says once
// how many there were; the preview shows the same square.
TEST(PrintedOutput, UnprintableCharactersShowAMarkAndAreCountedOnce) {
    std::string dir = printtest::scratchDir();
    const char* greeting = "Kia ora \xf0\x9f\x98\x80 koutou \xe2\x98\x83!";
    for (FXuint flags : {(FXuint)FXNativePrinter::DEST_FILE, (FXuint)FXNativePrinter::DEST_PDF}) {
        std::string file = sheetName(dir, flags == FXNativePrinter::DEST_PDF ? "emoji.pdf" : "emoji.ps");
        testsupport::RecordingPrompter prompts;
        FXNativePrinter job = fileJob(file, flags);
        FXDCNativePrinter dc(printtest::app());
        ASSERT_TRUE(dc.beginPrint(job));
        FXFont font(printtest::app(), "helvetica", 12);
        dc.beginPage(1);
        dc.setFont(&font);
        dc.drawText(10, 20, greeting);
        dc.drawText(10, 40, "\xe2\x80\x8bM\xc4\x81ori");  // a zero-width space shows nothing
        dc.endPage();
        ASSERT_TRUE(dc.endPrint());
        std::string text;
        ASSERT_EQ(printtest::pdfText(file, text), 0) << text;
        EXPECT_EQ(printtest::squeeze(text), "Kia ora □ koutou □!\nMāori\n");
        ASSERT_EQ(prompts.prompts.size(), 1u);
        EXPECT_EQ(prompts.last().kind, "information");
        EXPECT_EQ(prompts.last().text, "2 characters could not be printed: they show as □.");
    }
    FXFont font(printtest::app(), "helvetica", 12);
    EXPECT_STREQ(FXDCPostscript::shownText(&font, greeting, (FXuint)strlen(greeting)).text(), "Kia ora □ koutou □!");
    EXPECT_STREQ(FXDCPostscript::shownText(&font, "\xe2\x80\x8b\xc4\x81", 5).text(), "ā");
    // Older Latin-1 data keeps its euro sign and quotes (code page 1252).
    EXPECT_STREQ(FXDCPostscript::shownText(&font,
                                           "\x93\x80"
                                           "5\x94",
                                           4)
                     .text(),
                 "“€5”");
}

// A clip rectangle cuts what is drawn at its edge (a lesson name at its
// calendar cell), in the file and in its bounding box; clearing it draws
// everywhere again, in the colour set meanwhile.
TEST(PrintedOutput, ClipRectanglesCutTheDrawing) {
    std::string dir = printtest::scratchDir();
    std::string file = sheetName(dir, "clip.ps");
    FXNativePrinter job = fileJob(file);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    FXFont font(printtest::app(), "helvetica", 14);
    dc.beginPage(1);
    dc.setFont(&font);
    dc.setClipRectangle(10, 10, 50, 20);
    dc.setForeground(FXRGB(0, 0, 0));
    dc.drawText(12, 26, "MMMMMMMMMMMMMMMMMMMM");
    dc.clearClipRectangle();
    dc.drawText(200, 100, "after");
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    printtest::Raster page;
    std::string messages;
    ASSERT_TRUE(printtest::renderPage(file, page, &messages)) << messages;
    // The printable area's corner is at (72, 72) on the sheet.
    EXPECT_GT(page.darkPixels(84, 82, 131, 101), 100);
    EXPECT_EQ(page.darkPixels(134, 78, 500, 106), 0);
    EXPECT_GT(page.darkPixels(272, 160, 310, 173), 20);
    std::vector<Box> boxes = printtest::boundingBoxComments(readFile(file), "PageBoundingBox");
    ASSERT_EQ(boxes.size(), 1u);
    // "after" ends at about 300; the whole row of M would reach 317.
    EXPECT_LE(boxes[0].x1, 305);
    EXPECT_GE(boxes[0].y1, 792 - 72 - 30);
    EXPECT_LE(boxes[0].y1, 792 - 72 - 10 + 1);
}

TEST(PrintedOutput, BoundingBoxesAreTheInkOfEveryPage) {
    std::string dir = printtest::scratchDir();
    std::string file = sheetName(dir, "boxes.ps");
    for (FXuint flags : {0u, (FXuint)FXNativePrinter::LANDSCAPE}) {
        FXNativePrinter job = fileJob(file, FXNativePrinter::DEST_FILE | flags);
        FXDCNativePrinter dc(printtest::app());
        ASSERT_TRUE(dc.beginPrint(job));
        FXFont label(printtest::app(), "helvetica", 9, FXFont::Bold), text(printtest::app(), "times", 11);
        label.create();
        // Page 1: a report page; page 2 smaller ink than page 1, elsewhere;
        // page 3 a thick line and a dot only.
        dc.beginPage(1);
        drawReportPage(dc, label, "Unit Summary");
        dc.endPage();
        dc.beginPage(2);
        dc.setFont(&text);
        dc.drawText(200, 300, "Jour d'\xe9t\xe9 g");
        dc.fillRectangle(220, 400, 30, 5);
        FXPoint triangle[3] = {{300, 500}, {340, 500}, {320, 530}};
        dc.fillPolygon(triangle, 3);
        dc.endPage();
        dc.beginPage(3);
        dc.setLineWidth(6);
        dc.drawLine(100, 100, 200, 100);
        dc.drawPoint(300, 300);
        dc.endPage();
        ASSERT_TRUE(dc.endPrint());
        SCOPED_TRACE(flags ? "landscape" : "portrait");
        expectTrueBoxes(file);
    }
}

// Each paper renders at its own size: Ghostscript takes the page size the
// file asks for, and a page drawn within the area the job gives lies inside
// the paper's margins, footer included.
TEST(PrintedOutput, PagesLieOnTheirOwnPaperInsideTheMargins) {
    std::string dir = printtest::scratchDir();
    struct Case {
        const char* name;
        FXNativePrinter job;
        int width, height;
    } cases[] = {
        {"letter.ps", fileJob(dir + "/letter.ps"), 612, 792},
        {"a4.ps", a4(fileJob(dir + "/a4.ps")), 595, 842},
        {"letter-landscape.ps",
         fileJob(dir + "/letter-landscape.ps", FXNativePrinter::DEST_FILE | FXNativePrinter::LANDSCAPE), 612, 792},
    };
    FXFont font(printtest::app(), "helvetica", 9);
    font.create();
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = dir + "/" + c.name;
        FXDCNativePrinter dc(printtest::app());
        ASSERT_TRUE(dc.beginPrint(c.job));
        dc.beginPage(1);
        drawReportPage(dc, font, "Week 12");
        dc.endPage();
        ASSERT_TRUE(dc.endPrint());
        std::string ps = readFile(file);
        EXPECT_NE(ps.find("/PageSize [" + std::to_string(c.width) + " " + std::to_string(c.height) + "]"),
                  std::string::npos);
        // Rendered without being told the paper: the file's own size.
        printtest::Raster page;
        std::string messages;
        ASSERT_EQ(
            testsupport::run("gs -q -dNOPAUSE -dBATCH -dSAFER -r72 -sDEVICE=png16m -sOutputFile=" +
                                 testsupport::shellQuote(file + ".png") + " " + testsupport::shellQuote(file) + " 2>&1",
                             &messages),
            0)
            << messages;
        ASSERT_TRUE(printtest::loadPng(file + ".png", page));
        EXPECT_EQ(page.width, c.width);
        EXPECT_EQ(page.height, c.height);
        // The frame round the area is the ink, inside the margins.
        std::vector<Box> ink = printtest::inkBoxes(file);
        ASSERT_EQ(ink.size(), 1u);
        // (The footer's descenders may reach a little below the bottom line.)
        const double margin = c.job.leftmargin;
        EXPECT_GE(ink[0].x0, margin - 1);
        EXPECT_GE(ink[0].y0, margin - 3);
        EXPECT_LE(ink[0].x1, c.width - margin + 3);
        EXPECT_LE(ink[0].y1, c.height - margin + 1);
        EXPECT_GT(ink[0].x1 - ink[0].x0, c.width - 2 * margin - 3);
        // The footer is on the page.
        std::string text;
        ASSERT_EQ(printtest::pdfText(file, text), 0) << text;
        EXPECT_NE(text.find("Printed by Plenwick"), std::string::npos);
        EXPECT_NE(ps.find(std::string("%%Orientation: ") +
                          (c.job.flags & FXNativePrinter::LANDSCAPE ? "Landscape" : "Portrait")),
                  std::string::npos);
    }
}

// A landscape file states it, and the PDF made of it is shown upright and
// wide: what is drawn at the top left of the page is there on the screen.
TEST(PrintedOutput, LandscapeIsUprightInItsPdf) {
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/wide.ps";
    FXNativePrinter job = fileJob(file, FXNativePrinter::DEST_FILE | FXNativePrinter::LANDSCAPE);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    EXPECT_GT(dc.getContentWidth(), dc.getContentHeight());
    dc.beginPage(1);
    dc.fillRectangle(0, 0, 100, 40);  // the top left corner of the area
    FXFont font(printtest::app(), "helvetica", 20);
    dc.setFont(&font);
    dc.drawText(200, 100, "Landscape Week");
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    std::string out;
    ASSERT_EQ(testsupport::run("ps2pdf " + testsupport::shellQuote(file) + " " + testsupport::shellQuote(file + ".pdf"),
                               &out),
              0)
        << out;
    ASSERT_EQ(testsupport::run("pdftoppm -r 36 -png -singlefile " + testsupport::shellQuote(file + ".pdf") + " " +
                                   testsupport::shellQuote(file),
                               &out),
              0)
        << out;
    printtest::Raster page;
    ASSERT_TRUE(printtest::loadPng(file + ".png", page));
    EXPECT_EQ(page.width, 396);  // 792 points at half the resolution
    EXPECT_EQ(page.height, 306);
    // The block: 72 points from the left and the top, 100 x 40 points.
    EXPECT_LT(page.grey(36 + 25, 36 + 10), 64);
    EXPECT_GT(page.grey(36 + 25, 36 + 30), 192);
    EXPECT_GT(page.grey(396 - 40, 306 - 40), 192);
    std::string text;
    ASSERT_EQ(printtest::pdfText(file + ".pdf", text), 0);
    EXPECT_EQ(printtest::squeeze(text), "Landscape Week\n");
}

// The front end's own page choices reach the file: even pages of seven are
// three pages, counted by Ghostscript, 2, 4 and 6; last page first turns them.
TEST(PrintedOutput, EvenPagesOfASevenPageJob) {
    std::string dir = printtest::scratchDir();
    FXFont font(printtest::app(), "helvetica", 14);
    for (bool reversed : {false, true}) {
        std::string file = dir + (reversed ? "/even-reversed.ps" : "/even.ps");
        FXNativePrinter job = fileJob(file, FXNativePrinter::DEST_FILE | FXNativePrinter::PAGES_EVEN |
                                                (reversed ? FXNativePrinter::COLLATE_REVERSED : 0));
        job.lastpage = FXNativePrinter::OPEN_END;  // a job that does not know its length
        FXDCNativePrinter dc(printtest::app());
        ASSERT_TRUE(dc.beginPrint(job));
        dc.setFont(&font);
        for (int page = 1; page <= 7; page++) {
            dc.beginPage(page);
            dc.drawText(20, 40, FXString("Lesson page ") + FXStringVal(page));
            dc.endPage();
        }
        ASSERT_TRUE(dc.endPrint());
        EXPECT_EQ(printtest::pageCount(file), 3);
        EXPECT_NE(readFile(file).find("%%Pages: 3\n"), std::string::npos);
        std::string text;
        ASSERT_EQ(printtest::pdfText(file, text), 0);
        EXPECT_EQ(printtest::squeeze(text), reversed ? "Lesson page 6\nLesson page 4\nLesson page 2\n"
                                                     : "Lesson page 2\nLesson page 4\nLesson page 6\n");
    }
}

}  // namespace

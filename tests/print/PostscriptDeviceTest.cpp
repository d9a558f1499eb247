// FXDCPostscript: document frame, coordinates, escaping, bounding boxes,
// font names, landscape; every file it writes must render in Ghostscript.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "print/FXDCPostscript.h"
#include "print/PrintTestSupport.h"

using namespace FX;
using printtest::count;
using printtest::readFile;

namespace {

class PostscriptDeviceTest : public ::testing::Test {
protected:
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/out.ps";
    FXNativePrinter job;

    void SetUp() override {
        job.name = file.c_str();
        job.flags = FXNativePrinter::DEST_FILE;
    }

    // Checks that Ghostscript renders the file without complaint.
    void expectRenders() {
        std::string messages;
        EXPECT_EQ(printtest::ghostscript(file, &messages), 0) << messages;
        EXPECT_EQ(messages.find("Error"), std::string::npos) << messages;
    }
};

TEST_F(PostscriptDeviceTest, DocumentFrameAndPageCount) {
    job.firstpage = 1;
    job.lastpage = 3;
    job.numcopies = 2;
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(72, 72, 612, 792);
    ASSERT_TRUE(dc.beginPrint(job));
    ASSERT_TRUE(dc.beginPage(1));
    dc.drawLine(0, 0, 100, 0);
    ASSERT_TRUE(dc.endPage());
    ASSERT_TRUE(dc.endPrint());

    // The box is the ink of the line (1 point wide, from 5 to 105 at 752,
    // butt ends);
    // the page count is that of the pages written.
    std::string ps = readFile(file);
    EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0\n%%Title: Print Job\n%%Creator: FOX GUI Toolkit Application\n"
                       "%%BoundingBox: 5 751 105 753\n%%Pages: 1\n%%DocumentMedia: Letter 612 792 0 () ()\n"
                       "%%Orientation: Portrait\n%%DocumentFonts:\n%%EndComments\n"
                       "%%BeginProlog\n\n\n% h w x y drawRect\n",
                       0),
              0u)
        << ps.substr(0, 400);
    EXPECT_NE(ps.find("%%EndProlog\n%%BeginSetup\n/#copies 2 def\n%%BeginFeature: *PageSize Letter\n"
                      "/setpagedevice where { pop << /PageSize [612 792] >> setpagedevice } if\n%%EndFeature\n"
                      "%%EndSetup\n%%Page: 1 1\n"
                      "%%PageBoundingBox: 5 751 105 753\n%%BeginPageSetup\n%%EndPageSetup\ngsave\n"),
              std::string::npos)
        << ps;
    EXPECT_NE(ps.find("%%PageTrailer\nshowpage\ngrestore\n%%Trailer\n%%Pages: 1\n%%EOF\n"), std::string::npos);
    EXPECT_EQ(ps.substr(ps.size() - 6), "%%EOF\n");
    expectRenders();
}

// The prolog's procedures, their comment lines and the colorimage fallback,
// in the order they are written.
TEST_F(PostscriptDeviceTest, PrologDefinesItsProceduresInOrder) {
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(72, 72, 612, 792);
    ASSERT_TRUE(dc.beginPrint(job));
    ASSERT_TRUE(dc.endPrint());
    std::string ps = readFile(file);
    size_t begin = ps.find("%%BeginProlog\n\n\n"), end = ps.find("%%EndProlog\n");
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    std::string prolog = ps.substr(begin, end - begin);
    const char* pieces[] = {
        "% h w x y drawRect\n/drawRect {\n\tnewpath moveto dup 0 rlineto exch dup 0 exch\n",
        "\tclosepath stroke\n} def\n",
        "% h w x y fillRect\n/fillRect {\n",
        "\tclosepath fill stroke\n} def\n",
        "% x y a b drawLine\n/drawLine {\n\tnewpath moveto lineto stroke\n} def\n",
        "% x y ..... npoints drawLines\n/drawLines {\n\t3 1 roll newpath moveto {lineto} repeat stroke\n} def\n",
        "% x y a b ..... nsegments drawSegmt\n/drawSegmt {\n\tnewpath {\n\t\tmoveto lineto\n\t} repeat stroke\n} def\n",
        "% x y drawPoint\n/drawPoint {\n",
        "% centerx centery  startAngle endAngle radiusX radiusY drawArc\n/drawArc {\n",
        "arc stroke grestore\n} def\n/fillChord {\n",
        "arc fill grestore\n} def\n",
        "% (string) x y height drawText\n/drawText {\n\tgsave findfont exch scalefont setfont moveto\n"
        "\tshow grestore\n} def\n",
        "/bwproc\n",
        "systemdict /colorimage known not\n",
        "% Color -  r g b C\n/C { setrgbcolor } bind def\n",
        "% Point -  x y r g b P\n/P { C newpath 0.5 0.0 360.0 arc closepath fill } bind def\n",
        "% Flat Shaded Line -  x2 y2 x1 y1 r g b L\n/L { C newpath moveto lineto stroke } bind def\n",
        "% Smooth-shaded line -  x2 y2 r2 g2 b2 x1 y1 r1 g1 b1 SL\n/SL {\n /b1 exch def\n",
        " b2 b1 sub abs 0.01 gt\n g2 g1 sub abs 0.005 gt\n r2 r1 sub abs 0.008 gt\n",
        "         x1 y1 x2 y2 r1 g1 b1 L\n",
        "} bind def\n",
        "% Flat-shaded triangle - x3 y3 x2 y2 x1 y1 r g b T\n"
        "/T { C newpath moveto lineto lineto closepath fill } bind def\n",
        "% Smooth-shaded triangle - x3 y3 r3 g3 b3 x2 y2 r2 g2 b2 x1 y1 r1 g1 b1 ST\n/ST {\n",
        "         x1 y1 x2 y2 x3 y3 r1 g1 b1 T\n",
        "} bind def\n",
    };
    size_t at = 0;
    for (const char* piece : pieces) {
        size_t found = prolog.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << piece;
        at = found + strlen(piece);
    }
    EXPECT_EQ(at, prolog.size());  // the triangle procedure closes the prolog
    expectRenders();
}

// A job of seven pages, each page showing its number: the file holds the
// chosen pages only, announced and numbered as they stand in it.
TEST_F(PostscriptDeviceTest, OnlyTheChosenPagesAreWrittenAndAnnounced) {
    struct Case {
        FXuint flags, from, to;
        std::vector<std::pair<FXuint, FXuint>> ranges;
        std::vector<int> pages;
    } cases[] = {
        {0, 1, 7, {}, {1, 2, 3, 4, 5, 6, 7}},
        {FXNativePrinter::PAGES_EVEN, 2, 6, {}, {2, 4, 6}},
        {FXNativePrinter::PAGES_ODD, 1, 7, {}, {1, 3, 5, 7}},
        {FXNativePrinter::PAGES_RANGE, 3, 5, {}, {3, 4, 5}},
        {FXNativePrinter::PAGES_RANGE, 2, 7, {{2, 3}, {6, 7}}, {2, 3, 6, 7}},
        {FXNativePrinter::PAGES_EVEN | FXNativePrinter::COLLATE_REVERSED, 2, 6, {}, {6, 4, 2}},
        {FXNativePrinter::COLLATE_REVERSED, 1, 7, {}, {7, 6, 5, 4, 3, 2, 1}},
    };
    FXFont font(printtest::app(), "helvetica", 12);
    for (const Case& c : cases) {
        job.flags = FXNativePrinter::DEST_FILE | c.flags;
        job.firstpage = 1;
        job.lastpage = 7;
        job.frompage = c.from;
        job.topage = c.to;
        job.ranges = c.ranges;
        FXDCPostscript dc(printtest::app());
        dc.setContentRange(72, 72, 612, 792);
        ASSERT_TRUE(dc.beginPrint(job));
        dc.setFont(&font);
        for (int page = 1; page <= 7; page++) {
            dc.beginPage(page);
            dc.drawText(100, 100, FXString("page ") + FXStringVal(page));
            dc.endPage();
        }
        ASSERT_TRUE(dc.endPrint());
        EXPECT_EQ(dc.pagesWritten(), (FXint)c.pages.size());
        std::string ps = readFile(file);
        std::string expected = "%%Pages: " + std::to_string(c.pages.size()) + "\n";
        EXPECT_NE(ps.find(expected), std::string::npos) << expected;
        // The pages in the file's order, each numbered with its own number
        // and its place in the file.
        std::string order;
        for (size_t k = 0; k < c.pages.size(); k++) {
            std::string page = std::to_string(c.pages[k]);
            EXPECT_NE(ps.find("%%Page: " + page + " " + std::to_string(k + 1) + "\n"), std::string::npos);
            size_t at = ps.find("(page " + page + ")");
            ASSERT_NE(at, std::string::npos) << page;
            order += page + " ";
        }
        for (size_t k = 1; k < c.pages.size(); k++)
            EXPECT_LT(ps.find("(page " + std::to_string(c.pages[k - 1]) + ")"),
                      ps.find("(page " + std::to_string(c.pages[k]) + ")"))
                << order;
        for (int page = 1; page <= 7; page++) {
            if (std::find(c.pages.begin(), c.pages.end(), page) == c.pages.end()) {
                EXPECT_EQ(ps.find("(page " + std::to_string(page) + ")"), std::string::npos) << page;
            }
        }
        EXPECT_EQ(count(ps, "showpage\n"), c.pages.size());
        EXPECT_EQ(ps.find("%%PageOrder: Descend\n") != std::string::npos,
                  (c.flags & FXNativePrinter::COLLATE_REVERSED) != 0);
        // Ghostscript shows as many pages, in that order.
        std::string text;
        ASSERT_EQ(printtest::pdfText(file, text), 0) << text;
        std::string shown;
        for (int page : c.pages) shown += "page " + std::to_string(page) + "\n";
        EXPECT_EQ(printtest::pageCount(file), (int)c.pages.size());
        EXPECT_EQ(printtest::squeeze(text), shown) << text;
    }
}

// What a page sets stays with it: every written page starts with the state
// in force, so pages printed alone or in another order look the same.
TEST_F(PostscriptDeviceTest, EveryPageCarriesItsDrawingState) {
    job.flags |= FXNativePrinter::PAGES_EVEN;
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(72, 72, 612, 792);
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.setForeground(FXRGB(255, 0, 0));
    dc.setLineWidth(3);
    dc.setLineCap(CAP_ROUND);
    const FXchar dashes[] = {2, 2};
    dc.setDashes(0, dashes, 2);
    dc.setLineStyle(LINE_ONOFF_DASH);
    dc.drawLine(0, 0, 10, 0);
    dc.endPage();
    dc.beginPage(2);
    dc.drawLine(0, 10, 10, 10);
    dc.endPage();
    dc.endPrint();
    std::string ps = readFile(file);
    EXPECT_EQ(ps.find("newpath 5 752 moveto"), std::string::npos);  // page 1 is not written
    EXPECT_NE(ps.find("gsave\n1 0 0 setrgbcolor\n3 setlinewidth\n1 setlinecap\n[2 2] 0 setdash\n"
                      "newpath 5 742 moveto 15 742 lineto stroke\n"),
              std::string::npos)
        << ps;
    expectRenders();
}

TEST_F(PostscriptDeviceTest, PointsAreShiftedIntoTheContentArea) {
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(0, 0, 612, 800);
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.drawLine(0, 0, 10, 0);
    dc.drawRectangle(10, 20, 11, 6);
    dc.fillRectangle(10, 20, 11, 6);
    FXPoint poly[3] = {{0, 0}, {10, 0}, {0, 10}};
    dc.drawLinesRel(poly, 3);
    dc.drawLines(poly, 1);  // fewer than two points: nothing
    dc.drawPoint(1, 2);
    FXSegment segments[2] = {{0, 0, 10, 0}, {0, 10, 10, 10}};
    dc.drawLineSegments(segments, 2);
    dc.endPage();
    dc.endPrint();
    std::string ps = readFile(file);
    EXPECT_NE(ps.find("newpath 5 760 moveto 15 760 lineto stroke\n"), std::string::npos);
    EXPECT_NE(ps.find("newpath 15 740 moveto 25 740 lineto 25 735 lineto 15 735 lineto 15 740 lineto stroke\n"),
              std::string::npos);
    EXPECT_NE(ps.find("newpath 15 740 moveto 25 740 lineto 25 735 lineto 15 735 lineto 15 740 lineto fill\n"),
              std::string::npos);
    EXPECT_NE(ps.find("newpath 5 760 moveto 15 760 lineto 15 750 lineto stroke\n"), std::string::npos);
    EXPECT_EQ(count(ps.substr(ps.find("%%EndPageSetup")), "lineto stroke\n"), 3u);
    EXPECT_NE(ps.find("6 758 0.5 0 360 arc fill\n"), std::string::npos);
    // Segments land where lines do, and one drawSegmt takes them all.
    EXPECT_NE(ps.find("newpath 5 760 15 760 newpath 5 750 15 750 2 drawSegmt\n"), std::string::npos);
    expectRenders();
}

TEST_F(PostscriptDeviceTest, TextIsEscapedAndNamesItsFont) {
    FXFont font(printtest::app(), "helvetica", 12, FXFont::Bold);
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(0, 0, 612, 792);
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.setFont(&font);
    dc.drawText(100, 100, "Plan (draft) \\ 100% done");
    dc.drawText(100, 120, FXString("a)(b"));
    dc.drawText(100, 140, FXString("unbalanced ( ( ("));
    dc.endPage();
    dc.endPrint();
    std::string ps = readFile(file);
    EXPECT_NE(ps.find("(Plan \\(draft\\) \\\\ 100% done) 105 652 12 /Helvetica-Bold drawText\n"), std::string::npos);
    EXPECT_NE(ps.find("(a\\)\\(b) 105 632 12 /Helvetica-Bold drawText\n"), std::string::npos);
    expectRenders();
}

TEST_F(PostscriptDeviceTest, FontNames) {
    struct Case {
        const char* family;
        FXuint weight, slant;
        const char* name;
    } cases[] = {
        {"Times", FXFont::Normal, FXFont::Straight, "Times-Roman"},
        {"times", FXFont::Bold, FXFont::Straight, "Times-Bold"},
        {"TIMES", FXFont::DemiBold, FXFont::Italic, "Times-BoldItalic"},
        {"times", FXFont::Normal, FXFont::Italic, "Times-Italic"},
        {"Helvetica", FXFont::Normal, FXFont::Straight, "Helvetica"},
        {"helvetica", FXFont::Bold, FXFont::Oblique, "Helvetica-BoldOblique"},
        {"Arial", FXFont::Normal, FXFont::Oblique, "Helvetica-Oblique"},
        {"Tahoma", FXFont::DemiBold, FXFont::Straight, "Helvetica-Bold"},
        {"verdana", FXFont::Normal, FXFont::Straight, "Helvetica"},
        {"Courier", FXFont::Normal, FXFont::Straight, "Courier"},
        {"courier", FXFont::Bold, FXFont::Oblique, "Courier-BoldOblique"},
        {"MS Sans Serif", FXFont::DemiBold, FXFont::Straight, "Times-Bold"},
        {"Small Fonts", FXFont::Normal, FXFont::Straight, "Times-Roman"},
        {"", FXFont::Normal, FXFont::Straight, "Times-Roman"},
        {"helvetica", 700, FXFont::Straight, "Helvetica-Bold"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(FXDCPostscript::fontName(c.family, c.weight, c.slant).text(), c.name) << c.family;
    EXPECT_STREQ(FXDCPostscript::fontName(nullptr).text(), "Times-Roman");
}

TEST_F(PostscriptDeviceTest, CollectedBoundingBoxes) {
    job.flags |= FXNativePrinter::NOBOUNDS;
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(0, 0, 612, 792);
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.endPage();  // nothing drawn
    dc.beginPage(2);
    dc.drawLine(0, 0, 100, 50);
    dc.endPage();
    dc.endPrint();
    std::string ps = readFile(file);
    EXPECT_NE(ps.find("%%BoundingBox: (atend)\n"), std::string::npos);
    EXPECT_NE(ps.find("%%PageBoundingBox: (atend)\n"), std::string::npos);
    EXPECT_NE(ps.find("%%PageTrailer\n%%BoundingBox: 0 0 100 100\nshowpage\n"), std::string::npos);
    // The line's ink, half its width of 1 point on either side.
    EXPECT_NE(ps.find("%%PageTrailer\n%%BoundingBox: 4 701 106 753\nshowpage\n"), std::string::npos) << ps;
    EXPECT_NE(ps.find("%%Trailer\n%%BoundingBox: 4 701 106 753\n%%Pages: 2\n%%EOF\n"), std::string::npos);
    expectRenders();
}

TEST_F(PostscriptDeviceTest, AttributesAndEveryDrawingCallRender) {
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(0, 0, 612, 792);
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.setForeground(FXRGB(255, 0, 0));
    dc.setLineWidth(3);
    dc.setLineCap(CAP_ROUND);
    dc.setLineCap(CAP_PROJECTING);
    dc.setLineCap(CAP_BUTT);
    const FXchar two[] = {2, 2};
    dc.setDashes(0, two, 2);
    dc.setLineStyle(LINE_ONOFF_DASH);
    const FXchar odd[] = {4, 2, 1};
    dc.setDashes(1, odd, 3);
    dc.setLineStyle(LINE_ONOFF_DASH);
    dc.setLineStyle(LINE_SOLID);
    dc.drawArc(50, 50, 100, 60, 0, 90 * 64);
    dc.drawEllipse(50, 150, 40, 40);
    dc.fillArc(200, 50, 100, 60, 45 * 64, 180 * 64);
    dc.fillEllipse(200, 150, 30, 30);
    dc.drawArc(0, 0, 0, 10, 0, 360 * 64);  // flat: nothing, no division by zero
    FXPoint tri[3] = {{300, 300}, {350, 300}, {325, 340}};
    dc.fillPolygon(tri, 3);
    FXPoint rel[3] = {{300, 400}, {50, 0}, {-25, 40}};
    dc.fillComplexPolygonRel(rel, 3);
    FXPoint pts[2] = {{10, 10}, {12, 12}};
    dc.drawPoints(pts, 2);
    FXColor pixels[4] = {FXRGB(255, 0, 0), FXRGB(0, 255, 0), FXRGB(0, 0, 255), FXRGB(255, 255, 255)};
    FXImage image(printtest::app(), pixels, IMAGE_KEEP, 2, 2);
    dc.drawImage(&image, 400, 400);
    FXImage noData(printtest::app(), nullptr, 0, 2, 2);
    dc.drawImage(&noData, 400, 500);
    dc.endPage();
    dc.endPrint();
    std::string ps = readFile(file);
    EXPECT_NE(ps.find("1 0 0 setrgbcolor\n3 setlinewidth\n1 setlinecap\n2 setlinecap\n0 setlinecap\n"
                      "[2 2] 0 setdash\n[ 4 2 1] 1 setdash\n[ ] 0 setdash\n"),
              std::string::npos);
    EXPECT_NE(ps.find("newpath 105.000 672.000 0.000 90.000 50.000 30.000 drawArc\n"), std::string::npos);
    EXPECT_NE(ps.find("gsave\nnewpath 255.000 672.000 45.000 225.000 50.000 30.000 fillChord\ngrestore\n"),
              std::string::npos);
    EXPECT_NE(ps.find("gsave\n/picstr 6 string def\n405 350 translate\n2 2 scale\n2 2 8\n[2 0 0 -2 0 2]\n"
                      "{currentfile picstr readhexstring pop}\nfalse 3\ncolorimage\nff000000ff00\n0000ffffffff\n"
                      "grestore\n"),
              std::string::npos);
    std::string page = ps.substr(ps.find("%%EndPageSetup"));
    EXPECT_EQ(count(page, "colorimage\n"), 1u);  // the image without pixel data writes nothing
    EXPECT_EQ(count(page, "drawArc\n"), 2u);     // the flat one neither
    expectRenders();
}

TEST_F(PostscriptDeviceTest, RenderedPageShowsTextAndRectanglesWhereDrawn) {
    FXFont font(printtest::app(), "helvetica", 24);
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(72, 72, 612, 792);
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.fillRectangle(100, 100, 50, 30);  // PostScript x 105..154, y 652 down to 623
    dc.drawRectangle(300, 100, 60, 40);
    dc.setFont(&font);
    dc.drawText(200, 300, "XXXX");  // baseline at y 452, row 340 of the page
    dc.endPage();
    dc.endPrint();

    printtest::Raster page;
    std::string messages;
    ASSERT_TRUE(printtest::renderPage(file, page, &messages)) << messages;
    ASSERT_EQ(page.width, 612);
    ASSERT_EQ(page.height, 792);
    // Filled rectangle: rows 792 - 652 = 140 to 169, columns 105 to 154.
    EXPECT_LT(page.grey(130, 155), 64);
    EXPECT_LT(page.grey(106, 141), 64);
    EXPECT_GT(page.grey(130, 175), 192);
    EXPECT_GT(page.grey(160, 155), 192);
    EXPECT_GT(page.grey(100, 155), 192);
    // Outlined rectangle: edges dark, inside white.
    EXPECT_GT(page.darkPixels(304, 138, 306, 142), 0);
    EXPECT_GT(page.grey(335, 160), 192);
    // Text: ink above the baseline from x 205 on, nothing below it.
    EXPECT_GT(page.darkPixels(205, 320, 270, 340), 50);
    EXPECT_EQ(page.darkPixels(205, 344, 270, 360), 0);
    EXPECT_EQ(page.darkPixels(150, 320, 200, 340), 0);
}

TEST_F(PostscriptDeviceTest, LandscapePagesAreTurned) {
    job.flags |= FXNativePrinter::LANDSCAPE;
    FXDCPostscript dc(printtest::app());
    dc.setContentRange(72, 72, 792, 612);  // width and height exchanged by the owner
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    dc.fillRectangle(100, 100, 50, 30);
    dc.endPage();
    dc.endPrint();
    std::string ps = readFile(file);
    EXPECT_NE(ps.find("gsave\n612 0 translate\n90 rotate\n"), std::string::npos);
    printtest::Raster page;
    std::string messages;
    ASSERT_TRUE(printtest::renderPage(file, page, &messages)) << messages;
    // Drawing (x, y) reaches the portrait sheet at column 40 + y, row 792 - 5 - x.
    EXPECT_LT(page.grey(150, 660), 64);
    EXPECT_GT(page.grey(150, 620), 192);
    EXPECT_GT(page.grey(130, 660), 192);
}

TEST_F(PostscriptDeviceTest, PrinterDestinationOnlyFormatsItsCommand) {
    job.flags = 0;
    job.name = "Laser";
    job.numcopies = 2;
    FXDCPostscript dc(printtest::app());
    EXPECT_FALSE(dc.beginPrint(job));
    EXPECT_STREQ(dc.printCommand().text(), "lpr -PLaser -#2");
    printtest::app()->reg().writeStringEntry("PRINTER", "command", "lp -d %s -n %d %s %n");
    EXPECT_FALSE(dc.beginPrint(job));
    EXPECT_STREQ(dc.printCommand().text(), "lp -d Laser -n 2 %s %n");
    printtest::app()->reg().deleteEntry("PRINTER", "command");
}

TEST_F(PostscriptDeviceTest, NoJobWritesNothingAndUnwritableFileFails) {
    FXDCPostscript dc(printtest::app());
    dc.drawLine(0, 0, 10, 10);  // reported, ignored
    dc.drawText(0, 0, "x");
    EXPECT_FALSE(dc.endPage());
    job.name = (dir + "/missing/dir/out.ps").c_str();
    EXPECT_FALSE(dc.beginPrint(job));
    EXPECT_FALSE(printtest::fileExists(dir + "/missing/dir/out.ps"));
}

}  // namespace

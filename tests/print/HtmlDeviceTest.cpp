// FXDChtml: the document head and foot, the per-report names, and the table
// pieces with values holding line breaks, percent signs and markup.
#include <gtest/gtest.h>

#include <string>

#include "print/FXDChtml.h"
#include "print/PrintTestSupport.h"

using namespace FX;
using printtest::readFile;

namespace {

// The head when the school has put Term1Screen.css and Term1JSForm.js beside
// the report (and not Term1Print.css or Term1JSHead.js).
const char* const headFor_Term1 =
    "<!DOCTYPE html><HTML><HEAD><meta charset='UTF-8'>\n"
    "<!-- Global cascading style sheet for ALL reports -->\n"
    "<link href=\"Global/GlobalScreen.css\" rel=\"stylesheet\" type=\"text/css\" media=\"screen\">\n"
    "<link href=\"Global/GlobalPrint.css\" rel=\"stylesheet\" type=\"text/css\" media=\"print\">\n\n"
    "<!-- Optional: Create your own cascading style sheets in the file names given below -->\n"
    "<link href=\"Term1Screen.css\" rel=\"stylesheet\" type=\"text/css\" media=\"screen\">\n"
    "<!-- Term1Print.css -->\n\n"
    "<!-- Global Javascript functions for ALL reports -->\n"
    "<script src=\"Global/GlobalHead.js\" type=\"text/javascript\"></script>\n\n"
    "<!-- Optional: Create your own Javascript functions in the file name given below -->\n"
    "<!-- Term1JSHead.js -->\n\n"
    "</HEAD><BODY>\n"
    "<!-- Optional: Create your own Form controls above the table using Javascript in the file name given below "
    "-->\n"
    "<script src=\"Term1JSForm.js\" type=\"text/javascript\"></script>\n\n"
    "<TABLE>\n";

const char* const foot =
    "</TBODY></TABLE>\n"
    "<!-- Global Javascript functions for ALL reports -->\n"
    "<script src=\"Global/GlobalFoot.js\" type=\"text/javascript\"></script>\n\n"
    "</BODY></HTML>";

TEST(HtmlDevice, BaseNames) {
    EXPECT_STREQ(FXDChtml::baseName("C:\\Reports\\Term1.html").text(), "Term1");
    EXPECT_STREQ(FXDChtml::baseName("Term1.html").text(), "Term1");
    EXPECT_STREQ(FXDChtml::baseName("C:\\Reports\\Term1").text(), "");
    EXPECT_STREQ(FXDChtml::baseName("C:\\Reports.v2\\Term1").text(), "");
    EXPECT_STREQ(FXDChtml::baseName("Term.1.html").text(), "Term.1");
    EXPECT_STREQ(FXDChtml::baseName("/tmp/reports/Week 3.htm").text(), "Week 3");
    EXPECT_STREQ(FXDChtml::baseName("").text(), "");
}

TEST(HtmlDevice, DocumentWithHeaderAndRows) {
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/Term1.html";
    printtest::writeFile(dir + "/Term1Screen.css", "td { color: navy; }\n");
    printtest::writeFile(dir + "/Term1JSForm.js", "\n");
    FXDChtml dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(file.c_str()));
    EXPECT_TRUE(dc.beginPage(1));
    FXString names[2] = {"A", "B"};
    FXString values[2] = {"x", ""};
    dc.writeHeaderRow(names, 2);
    dc.writeRow(names, values, 2);
    dc.drawLine(0, 0, 100, 100);  // drawing calls draw nothing
    dc.fillRectangle(0, 0, 10, 10);
    dc.drawText(0, 0, "ignored");
    EXPECT_EQ(dc.readPixel(1, 1), 0u);
    EXPECT_TRUE(dc.endPage());
    EXPECT_TRUE(dc.endPrint());
    EXPECT_EQ(readFile(file), std::string(headFor_Term1) +
                                  "<THEAD><TR><TH class=\"A\">A</TH><TH class=\"B\">B</TH></TR></THEAD><TBODY>\n"
                                  "<TR><TD class=\"A\">x</TD><TD class=\"B\">&nbsp;</TD></TR>\n" +
                                  foot);
}

// Data is text in the page: markup and ampersands are shown, not obeyed;
// ISO Latin-1 becomes the UTF-8 the page declares; line feeds break lines; a
// percent sign is an ordinary character.
TEST(HtmlDevice, ValuesAreWrittenAsTextWithLineFeedsAsBreaks) {
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/Values.html";
    FXDChtml dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(file.c_str()));
    FXString names[6] = {"LESSONNAME", "NOTES", "PERCENT", "MARKUP", "ACCENTS", "A\"B<C"};
    FXString values[6] = {"one\ntwo",
                          "first\r\nsecond\n",
                          "100%s %d %n",
                          "<b>bold</b> & \"quoted\"",
                          "caf\xe9 M\xfcller na\xefve \xa3",
                          "<script>alert('x')</script>"};
    dc.writeHeaderRow(names, 6);
    dc.writeRow(names, values, 6);
    dc.endPrint();
    std::string html = readFile(file);
    EXPECT_NE(html.find("<TD class=\"LESSONNAME\">one<BR>two</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD class=\"NOTES\">first\r<BR>second<BR></TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD class=\"PERCENT\">100%s %d %n</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD class=\"MARKUP\">&lt;b&gt;bold&lt;/b&gt; &amp; \"quoted\"</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD class=\"ACCENTS\">café Müller naïve £</TD>"), std::string::npos);
    // Text typed in the toolkit's fields is UTF-8 already: written as it is.
    EXPECT_STREQ(FXDChtml::htmlText("Zo\xc3\xab & caf\xc3\xa9").text(), "Zoë &amp; café");
    EXPECT_NE(html.find("<TH class=\"A&quot;B&lt;C\">A\"B&lt;C</TH>"), std::string::npos);
    EXPECT_NE(html.find("<TD class=\"A&quot;B&lt;C\">&lt;script&gt;alert('x')&lt;/script&gt;</TD></TR>\n</TBODY>"),
              std::string::npos);
    EXPECT_EQ(html.find("<script>alert"), std::string::npos);
}

// The Global style sheets every report links are there after the first
// report; sheets the school has changed are left alone.
TEST(HtmlDevice, GlobalStyleSheetsAreProvided) {
    std::string dir = printtest::scratchDir();
    FXDChtml dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint((dir + "/Week.html").c_str()));
    dc.endPrint();
    // Every file the page links is there.
    for (const char* global : {"GlobalScreen.css", "GlobalPrint.css", "GlobalHead.js", "GlobalFoot.js"})
        EXPECT_TRUE(FXStat::exists((dir + "/Global/" + global).c_str())) << global;
    EXPECT_EQ(readFile(dir + "/Week.html").find("WeekScreen.css\""), std::string::npos);
    std::string screen = readFile(dir + "/Global/GlobalScreen.css");
    std::string print = readFile(dir + "/Global/GlobalPrint.css");
    EXPECT_NE(screen.find("border: 1px solid"), std::string::npos);
    EXPECT_NE(print.find("thead { display: table-header-group; }"), std::string::npos);
    EXPECT_EQ(print.find("background: #"), std::string::npos);  // no screen shading on paper
    printtest::writeFile(dir + "/Global/GlobalScreen.css", "td { color: green; }\n");
    ASSERT_TRUE(dc.beginPrint((dir + "/Term.html").c_str()));
    dc.endPrint();
    EXPECT_EQ(readFile(dir + "/Global/GlobalScreen.css"), "td { color: green; }\n");
    // A report whose folder cannot take a Global folder is still written.
    printtest::writeFile(dir + "/sub", "");
    EXPECT_FALSE(FXDChtml::provideStyleSheets((dir + "/sub").c_str()));
}

TEST(HtmlDevice, HeaderRowOnlyBeforeTheFirstPageEnds) {
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/Pages.html";
    FXDChtml dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(file.c_str()));
    FXString names[1] = {"V"};
    FXString one[1] = {"1"}, two[1] = {"2"};
    EXPECT_TRUE(dc.headerPending());
    dc.writeHeaderRow(names, 1);
    dc.writeRow(names, one, 1);
    dc.writeHeaderRow(names, 1);  // a second table before any page end: header again
    dc.endPage();
    EXPECT_FALSE(dc.headerPending());
    dc.writeHeaderRow(names, 1);
    dc.writeRow(names, two, 1);
    dc.endPrint();
    std::string html = readFile(file);
    EXPECT_EQ(printtest::count(html, "<THEAD>"), 2u);
    EXPECT_NE(html.find("</THEAD><TBODY>\n<TR><TD class=\"V\">2</TD></TR>\n</TBODY></TABLE>"), std::string::npos);
}

TEST(HtmlDevice, PageEndedBeforeTheTableWritesNoHeader) {
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/Reports\\Late";  // no dot after the last backslash: empty base
    FXDChtml dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(file.c_str()));
    dc.endPage();
    FXString names[1] = {"V"};
    FXString v[1] = {"1"};
    dc.writeHeaderRow(names, 1);
    dc.writeRow(names, v, 1);
    dc.endPrint();
    std::string html = readFile(file);
    EXPECT_EQ(html.find("<THEAD>"), std::string::npos);
    EXPECT_EQ(html.find("<TBODY>"), std::string::npos);
    for (const char* own : {"Screen.css", "Print.css", "JSHead.js", "JSForm.js"})
        EXPECT_NE(html.find(std::string("<!-- ") + own + " -->"), std::string::npos) << own;
    EXPECT_EQ(html.substr(html.size() - std::string(foot).size()), foot);
}

TEST(HtmlDevice, UnwritableFileAndWritingWithoutFile) {
    std::string dir = printtest::scratchDir();
    FXDChtml dc(printtest::app());
    EXPECT_FALSE(dc.beginPrint((dir + "/no/such/dir/x.html").c_str()));
    FXString names[1] = {"V"};
    dc.writeHeaderRow(names, 1);  // reported, nothing written, no crash
    EXPECT_FALSE(dc.endPrint());
    // An existing file is replaced.
    std::string file = dir + "/Old.html";
    printtest::writeFile(file, std::string(5000, 'z'));
    ASSERT_TRUE(dc.beginPrint(file.c_str()));
    dc.endPrint();
    EXPECT_EQ(readFile(file).find('z'), std::string::npos);
}

}  // namespace

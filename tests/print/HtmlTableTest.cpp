// writeTable through the printer front end against the real database, router
// and worker: the table holds the full result of the statement.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "data/IsectRecordset.h"
#include "print/FXDCNativePrinter.h"
#include "print/PrintTestSupport.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

using namespace FX;
using testsupport::RecordingPrompter;
using testsupport::ScopedChdir;
using testsupport::Services;
using testsupport::ServicesOptions;

namespace {

class HtmlTableTest : public ::testing::Test {
protected:
    static Services* svc;
    static void SetUpTestSuite() {
        ServicesOptions options;
        options.workers = 1;
        svc = new Services(options);
    }
    static void TearDownTestSuite() {
        IsectRecordset::Disconnect();
        delete svc;
        svc = nullptr;
    }

    // Prints the statements as one HTML job and returns the file's text.
    std::string print(const std::vector<std::string>& statements, bool endPageFirst = false) {
        ScopedChdir here(svc->workdir());
        std::string file = printtest::scratchDir() + "/Table.html";
        FXNativePrinter job;
        job.name = file.c_str();
        job.flags = FXNativePrinter::DEST_HTML;
        FXDCNativePrinter dc(printtest::app());
        EXPECT_TRUE(dc.beginPrint(job));
        dc.beginPage(1);
        if (endPageFirst) dc.endPage();
        for (const std::string& sql : statements) EXPECT_TRUE(dc.writeTable(sql.c_str()));
        dc.endPage();
        dc.endPrint();
        std::string html = printtest::readFile(file);
        size_t start = html.find("<TABLE>\n");
        EXPECT_NE(start, std::string::npos);
        return html.substr(start + 8);
    }
};

Services* HtmlTableTest::svc = nullptr;

TEST_F(HtmlTableTest, ColumnsAndRowsOfTheResult) {
    RecordingPrompter prompts;
    std::string table = print({"Select 'x' as A, '' as B from RDB$DATABASE"});
    EXPECT_EQ(table,
              "<THEAD><TR><TH class=\"A\">A</TH><TH class=\"B\">B</TH></TR></THEAD><TBODY>\n"
              "<TR><TD class=\"A\">x</TD><TD class=\"B\">&nbsp;</TD></TR>\n"
              "</TBODY></TABLE>\n<!-- Global Javascript functions for ALL reports -->\n"
              "<script src=\"Global/GlobalFoot.js\" type=\"text/javascript\"></script>\n\n</BODY></HTML>");
    EXPECT_EQ(prompts.prompts.size(), 0u);
}

TEST_F(HtmlTableTest, StoredTextGoesInAsText) {
    std::string table =
        print({"Select 'one' || ascii_char(10) || 'two' as LessonName, "
               "'first' || ascii_char(13) || ascii_char(10) || 'second' as Notes, "
               "'100%s <b>bold</b>' as Markup from RDB$DATABASE"});
    EXPECT_NE(table.find("<TH class=\"LESSONNAME\">Lesson Name</TH>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"LESSONNAME\">one<BR>two</TD>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"NOTES\">first\r<BR>second</TD>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"MARKUP\">100%s &lt;b&gt;bold&lt;/b&gt;</TD>"), std::string::npos) << table;
}

// NULL is an empty cell, not "None"; a text "None" in a column that cannot be
// NULL stays; numbers lose the padding the result text gives them.
TEST_F(HtmlTableTest, NullsAndNumbers) {
    std::string table =
        print({"Select cast(null as varchar(10)) as Missing, 'None' as Word, "
               "cast(5 as integer) as N, cast(-12.34 as numeric(9,2)) as Money, "
               "cast(null as integer) as NoNumber from RDB$DATABASE"});
    EXPECT_NE(table.find("<TD class=\"MISSING\">&nbsp;</TD>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"WORD\">None</TD>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"N\">5</TD>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"MONEY\">-12.34</TD>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"NONUMBER\">&nbsp;</TD>"), std::string::npos) << table;
}

TEST_F(HtmlTableTest, EmptyResultsAndSecondTables) {
    std::string table = print({"Select 1 as N from RDB$DATABASE where 1 = 0"});
    EXPECT_EQ(table.substr(0, table.find("</TABLE>")),
              "<THEAD><TR><TH class=\"N\">N</TH></TR></THEAD><TBODY>\n</TBODY>");
    // Two statements before the page ends: both with a header row, one table.
    table = print({"Select 1 as N from RDB$DATABASE", "Select 2 as M from RDB$DATABASE"});
    EXPECT_EQ(printtest::count(table, "<THEAD>"), 2u);
    EXPECT_EQ(printtest::count(table, "<TABLE>"), 0u);
    // A page ended before the table: rows only.
    table = print({"Select 3 as N from RDB$DATABASE"}, true);
    EXPECT_EQ(table.find("<THEAD>"), std::string::npos);
    EXPECT_EQ(table.find("<TBODY>"), std::string::npos);
    EXPECT_NE(table.find("<TR><TD class=\"N\">"), std::string::npos);
}

// A report handing its records one statement at a time: writeTable for the
// first, writeTableRows for the rest, one header row above them all.
TEST_F(HtmlTableTest, LaterRecordsAddRowsWithoutHeader) {
    ScopedChdir here(svc->workdir());
    std::string file = printtest::scratchDir() + "/Rows.html";
    FXNativePrinter job;
    job.name = file.c_str();
    job.flags = FXNativePrinter::DEST_HTML;
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    EXPECT_TRUE(dc.writeTable("Select 1 as N from RDB$DATABASE"));
    EXPECT_TRUE(dc.writeTableRows("Select 2 as N from RDB$DATABASE"));
    EXPECT_TRUE(dc.writeTableRows("Select 3 as N from RDB$DATABASE"));
    dc.endPage();
    dc.endPrint();
    std::string html = printtest::readFile(file);
    EXPECT_EQ(printtest::count(html, "<THEAD>"), 1u);
    EXPECT_NE(html.find("<TR><TD class=\"N\">1</TD></TR>\n<TR><TD class=\"N\">2</TD></TR>\n"
                        "<TR><TD class=\"N\">3</TD></TR>\n</TBODY></TABLE>"),
              std::string::npos)
        << html;
    // Other destinations take no table.
    FXDCNativePrinter ps(printtest::app());
    EXPECT_FALSE(ps.writeTableRows("Select 1 from RDB$DATABASE"));
}

TEST_F(HtmlTableTest, DatabaseErrorReachesTheCaller) {
    ScopedChdir here(svc->workdir());
    std::string file = printtest::scratchDir() + "/Broken.html";
    FXNativePrinter job;
    job.name = file.c_str();
    job.flags = FXNativePrinter::DEST_HTML;
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    EXPECT_THROW(dc.writeTable("Select NoSuchColumn from RDB$DATABASE"), FXException);
    EXPECT_TRUE(dc.endPrint());  // the document is still complete
    EXPECT_NE(printtest::readFile(file).find("</BODY></HTML>"), std::string::npos);
}

// The report as a browser shows it: headless Chromium (Debian's
// chromium-headless-shell, or chromium) opens the file; a GlobalFoot.js of
// the test's own, which every report loads after its table, writes what the
// page shows into the page, and the DOM is read back.
std::string browser() {
    for (const char* name : {"chromium-headless-shell", "chromium"}) {
        std::string path;
        if (testsupport::run(std::string("command -v ") + name, &path) == 0 && !path.empty())
            return path.substr(0, path.find('\n'));
    }
    return "";
}

std::string unescapeHtml(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}, {"&amp;", "&"}};
    for (const auto& e : entities)
        for (size_t at = s.find(e.first); at != std::string::npos; at = s.find(e.first, at + 1))
            s.replace(at, strlen(e.first), e.second);
    return s;
}

TEST_F(HtmlTableTest, BrowserShowsTheValuesAsTextWithBorders) {
    std::string chromium = browser();
    if (chromium.empty()) GTEST_SKIP() << "no headless Chromium (scripts/setup --tests installs it)";
    ScopedChdir here(svc->workdir());
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/Lessons.html";
    FXNativePrinter job = printtest::fileJob(file, FXNativePrinter::DEST_HTML);
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    ASSERT_TRUE(
        dc.writeTable("Select '<script>window.injected = 1;</script>' as Script, 'Tom & Jerry' as Amp, "
                      "'O''Brien' as Apostrophe, 'a, b' as Comma, 'one' || ascii_char(10) || 'two' as Lines, "
                      "'caf' || ascii_char(233) as Accent, cast(null as varchar(10)) as Missing "
                      "from RDB$DATABASE"));
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    printtest::writeFile(dir + "/Global/GlobalFoot.js",
                         "var cells = document.querySelectorAll('td');\n"
                         "var shown = [];\n"
                         "for (var i = 0; i < cells.length; i++) shown.push(cells[i].innerText);\n"
                         "var style = getComputedStyle(cells[0]);\n"
                         "var out = document.createElement('pre');\n"
                         "out.id = 'result';\n"
                         "out.textContent = JSON.stringify({cells: shown, injected: window.injected || 0,\n"
                         "  border: style.borderTopStyle + ' ' + style.borderTopWidth});\n"
                         "document.body.appendChild(out);\n");
    std::string dom;
    ASSERT_EQ(testsupport::run(testsupport::shellQuote(chromium) +
                                   " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                                   "--disable-background-networking --disable-component-update --disable-sync "
                                   "--user-data-dir=" +
                                   testsupport::shellQuote(dir + "/profile") + " --dump-dom " +
                                   testsupport::shellQuote("file://" + file) + " 2>/dev/null",
                               &dom, false),
              0)
        << dom;
    size_t start = dom.find("<pre id=\"result\">"), end = dom.find("</pre>", start);
    ASSERT_NE(start, std::string::npos) << dom;
    std::string result = unescapeHtml(dom.substr(start + 17, end - start - 17));
    EXPECT_EQ(result,
              "{\"cells\":[\"<script>window.injected = 1;</script>\",\"Tom & Jerry\",\"O'Brien\",\"a, b\","
              "\"one\\ntwo\",\"café\",\" \"],\"injected\":0,\"border\":\"solid 1px\"}");
}

// A lesson's whole record printed from a browser: every column's text on
// the paper (headless Chromium's print to PDF, read back by pdftotext), the
// columns headed in words, the key columns left out, title and heading.
TEST_F(HtmlTableTest, PrintedFromABrowserEveryColumnReachesThePaper) {
    std::string chromium = browser();
    if (chromium.empty()) GTEST_SKIP() << "no headless Chromium (scripts/setup --tests installs it)";
    ScopedChdir here(svc->workdir());
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/Lessons.html";
    FXNativePrinter job = printtest::fileJob(file, FXNativePrinter::DEST_HTML);
    job.title = "Lesson plans Monday 01/03/27";
    const char* const fields[] = {
        "LessonName", "LessonES",        "LessonAO",       "LessonSLO",        "LessonIntro",
        "LessonDev",  "LessonClose",     "LessonTest",     "LessonResource",   "LessonReflect",
        "UnitName",   "UnitDescription", "Subject",        "LongTermPlanName", "LongTermDescription",
        "DateStart",  "DateEnd",         "TimeStart",      "TimeEnd",          "RoutineDay",
        "LessonEval", "LessonAssess",    "LessonNotTaught"};
    std::string sql = "Select 7 as Id, 3 as FKUnitPlan, '...End of Record...' as EndOfRecord";
    int n = 0;
    for (const char* f : fields) sql += ", 'value" + std::to_string(10 + n++) + "' as " + f;
    sql += " from RDB$DATABASE";
    FXDCNativePrinter dc(printtest::app());
    ASSERT_TRUE(dc.beginPrint(job));
    dc.beginPage(1);
    ASSERT_TRUE(dc.writeTable(sql.c_str()));
    dc.endPage();
    ASSERT_TRUE(dc.endPrint());
    std::string html = printtest::readFile(file);
    EXPECT_NE(html.find("<TITLE>Lesson plans Monday 01/03/27</TITLE>"), std::string::npos);
    EXPECT_NE(html.find("<H1>Lesson plans Monday 01/03/27</H1>"), std::string::npos);
    EXPECT_NE(html.find("<TH class=\"LESSONSLO\">Specific Learning Outcomes</TH>"), std::string::npos);
    for (const char* key : {"FKUNITPLAN", "ENDOFRECORD", "class=\"ID\""}) EXPECT_EQ(html.find(key), std::string::npos);
    const std::string pdf = dir + "/Lessons.pdf";
    ASSERT_EQ(
        testsupport::run(testsupport::shellQuote(chromium) +
                         " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                         "--disable-background-networking --disable-component-update --disable-sync "
                         "--no-pdf-header-footer --user-data-dir=" +
                         testsupport::shellQuote(dir + "/profile") + " --print-to-pdf=" + testsupport::shellQuote(pdf) +
                         " " + testsupport::shellQuote("file://" + file) + " 2>/dev/null"),
        0);
    std::string text;
    ASSERT_EQ(printtest::pdfText(pdf, text), 0) << text;
    for (int i = 10; i < 10 + n; ++i) EXPECT_NE(text.find("value" + std::to_string(i)), std::string::npos) << i << text;
    EXPECT_NE(text.find("Lesson plans Monday 01/03/27"), std::string::npos);
}

}  // namespace

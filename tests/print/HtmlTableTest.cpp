// writeTable through the printer front end against the real database, router
// and worker: the table holds the full result of the statement.
#include <gtest/gtest.h>

#include <string>

#include "print/FXDCNativePrinter.h"
#include "data/IsectRecordset.h"
#include "PrintTestSupport.h"
#include "RecordingPrompter.h"
#include "Services.h"

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

TEST_F(HtmlTableTest, StoredTextGoesInUnchanged) {
    std::string table = print({"Select 'one' || ascii_char(10) || 'two' as LessonName, "
                               "'first' || ascii_char(13) || ascii_char(10) || 'second' as Notes, "
                               "'100%s <b>bold</b>' as Markup from RDB$DATABASE"});
    EXPECT_NE(table.find("<TH class=\"LESSONNAME\">LESSONNAME</TH>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"LESSONNAME\">one<BR>two</TD>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"NOTES\">first\r<BR>second</TD>"), std::string::npos) << table;
    EXPECT_NE(table.find("<TD class=\"MARKUP\">100%s <b>bold</b></TD>"), std::string::npos) << table;
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

}  // namespace

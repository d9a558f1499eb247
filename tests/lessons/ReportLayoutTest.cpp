// The report layout on real paper: text boxes, report and verbose rows,
// page headers, the page-break rule and rows taller than a page, printed to
// PostScript files that Ghostscript renders and poppler reads back.
#include "lessons/LessonsTest.h"

#include "lessons/LessonDialogOpened.h"
#include "report/ReportLayout.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace lessonstest;

namespace {

// Letter with margins of 72 points: the area a page is laid out in.
const FXint pageW = 612 - 144, pageH = 792 - 144;

FXint lineHeight(FXFont* font) { return font->getFontHeight(); }

std::vector<std::string> lineTexts(FXFont* font, const std::string& text, FXint w) {
    std::vector<std::string> out;
    FXString t(text.c_str());
    for (const report::TextLine& l : report::wrapText(font, t, w, 9999)) out.push_back(text.substr(l.start, l.length));
    return out;
}

// The words of the file on one page, in order.
std::vector<printtest::Word> wordsOn(const std::string& file, int page) {
    std::vector<printtest::Word> out;
    for (const printtest::Word& w : printtest::words(file))
        if (w.page == page) out.push_back(w);
    return out;
}

const printtest::Word* find(const std::vector<printtest::Word>& words, const std::string& text) {
    for (const printtest::Word& w : words)
        if (w.text == text) return &w;
    return nullptr;
}

// A summary of the given statements, each a row, on pages of the job.
void summary(FXDCNativePrinter& dc, FXStringRecordset& definition, const std::vector<std::string>& rows) {
    ReportPages pages(dc, definition);
    pages.begin();
    for (const std::string& sql : rows) pages.row(sql.c_str());
    pages.end();
}

}  // namespace

TEST_F(Lessons, TextBoxesWrapAtWordsAndLineFeeds) {
    report::createFonts();
    FXFont* font = textFont;
    const FXint lh = lineHeight(font);
    FXImage image(app(), nullptr, IMAGE_OWNED, 400, 400);
    image.create();
    FXDCWindow dc(&image);
    dc.setFont(font);
    // Three line feeds: four lines, five line heights.
    EXPECT_EQ(drawTextBox(dc, "one\ntwo\nthree\nfour", 0, 0, 300, 0, FALSE), 5 * lh);
    EXPECT_EQ(lineTexts(font, "one\ntwo\nthree\nfour", 300), (std::vector<std::string>{"one", "two", "three", "four"}));
    // An empty text is one line high; h = -1 allows no line.
    EXPECT_EQ(drawTextBox(dc, "", 0, 0, 300, 0, TRUE), lh);
    EXPECT_EQ(drawTextBox(dc, "some words here", 0, 0, 300, -1, TRUE), lh);
    // A height limit of three lines draws two.
    EXPECT_EQ(drawTextBox(dc, "a\nb\nc\nd\ne\nf", 0, 0, 300, 3 * lh, FALSE), 3 * lh);
    // Words: the line breaks after the space where the text up to the end
    // of the next word reaches w - 40.
    const FXint w = 40 + font->getTextWidth("alpha beta ") + 1;
    EXPECT_EQ(lineTexts(font, "alpha beta gamma", w), (std::vector<std::string>{"alpha beta ", "gamma"}));
    // A tab counts as four spaces.
    EXPECT_EQ(drawTextBox(dc, "alpha\tbeta", 0, 0, 40 + font->getTextWidth("alpha    beta") + 1, 0, FALSE), 2 * lh);
    // One word wider than the box is cut, and every piece fits the box.
    const std::string word = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz";
    const FXint narrow = 40 + font->getTextWidth("abcdefghij");
    std::vector<std::string> pieces = lineTexts(font, word, narrow);
    ASSERT_GT(pieces.size(), 2u);
    std::string joined;
    for (const std::string& p : pieces) {
        joined += p;
        EXPECT_LE(font->getTextWidth(p.c_str(), (FXuint)p.size()), narrow - 2) << p;
    }
    EXPECT_EQ(joined, word);
    // A UTF-8 character is never cut in two.
    const std::string accents =
        "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
        "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9";
    for (const std::string& p : lineTexts(font, accents, 45)) EXPECT_EQ(p.size() % 2, 0u) << p;
}

TEST_F(Lessons, ReportRowsShortValuesOnOneLineLongOnesWrapped) {
    FXStringRecordset definition;
    report::setTitleRow(definition, "Test:", "Rows", "0.50");
    report::addColumn(definition, "Eight", "EIGHT", "0.03");
    report::addColumn(definition, "Nine", "NINE", "0.03");
    report::addColumn(definition, "Empty", "NOTHING", "0.50");
    const std::string row = "Select 'ABCDEFGH' as Eight, 'ABCDEFGHI' as Nine, '' as Nothing from RDB$DATABASE";
    FXNativePrinter printer = job("rows.ps");
    const FXint lh = lineHeight(textFont);
    FXint measured = 0, drawn = 0, second = 0;
    ASSERT_TRUE(print(printer, [&](FXDCNativePrinter& dc) {
        EXPECT_EQ(dc.getContentWidth(), pageW);
        EXPECT_EQ(dc.getContentHeight(), pageH);
        dc.beginPage(1);
        EXPECT_EQ(drawReportHeader(dc, pageW, pageH, definition), 60);
        measured = drawReportRow(dc, pageW, 60, row.c_str(), FALSE, definition);
        drawn = drawReportRow(dc, pageW, 60, row.c_str(), TRUE, definition);
        second = drawReportRow(dc, pageW, drawn, row.c_str(), TRUE, definition);
        dc.endPage();
    }));
    // The nine characters go through a text box 13 units wide: one a line,
    // nine lines and one more; the rows share their boxes' edge.
    EXPECT_EQ(measured, 60 + 10 * lh);
    EXPECT_EQ(drawn, 60 - 1 + 10 * lh);
    EXPECT_EQ(second, drawn - 1 + 10 * lh);
    expectGoodPostscript(printer.name.text(), 1);
    std::vector<printtest::Word> words = wordsOn(printer.name.text(), 1);
    // Eight characters on one line at y + 15 although wider than the column.
    const printtest::Word* eight = find(words, "ABCDEFGH");
    ASSERT_NE(eight, nullptr) << textOf(printer.name.text());
    EXPECT_NEAR(eight->x0, 72 + 13 + 2, 1.5);
    EXPECT_GT(eight->x1 - eight->x0, report::columnWidth(0.03, pageW));
    EXPECT_NEAR(eight->y1, 72 + 60 + 15, 4.0);  // baseline plus the descent
    // The header: title, subtitle, teacher, column titles.
    for (const char* text : {"Test:", "Rows", "Teacher:", "Tia", "Teacher", "Eight", "Nine", "Empty"})
        EXPECT_NE(find(words, text), nullptr) << text;
}

TEST_F(Lessons, ARowThatDoesNotFitStartsANewPageWithAFreshHeader) {
    FXStringRecordset definition;
    report::setTitleRow(definition, "Unit:", "Page breaks", "0.50");
    report::addColumn(definition, "Name", "NAME", "0.30");
    report::addColumn(definition, "Text", "BODY", "0.70");
    // Rows of twelve lines each; how many fit on a page follows from the
    // font's height.
    std::vector<std::string> rows;
    for (int i = 1; i <= 12; ++i) {
        std::string body = "'first line of row " + std::to_string(i) + "'";
        for (int k = 2; k <= 12; ++k) body += " || ascii_char(10) || 'more'";
        rows.push_back("Select 'Row" + std::to_string(i) + "' as Name, " + body + " as Body from RDB$DATABASE");
    }
    const FXint lh = lineHeight(textFont);
    const FXint m = 13 * lh;
    // Rows fitting below the header: each takes m - 1 after the first.
    int perPage = 0;
    for (FXint y = 60; y + m <= pageH - 40; y += m - 1) ++perPage;
    ASSERT_GE(perPage, 1);
    const int pages = (12 + perPage - 1) / perPage;
    ASSERT_GE(pages, 2) << "rows too small for a page break";
    FXNativePrinter printer = job("breaks.ps");
    ASSERT_TRUE(print(printer, [&](FXDCNativePrinter& dc) { summary(dc, definition, rows); }));
    expectGoodPostscript(printer.name.text(), pages);
    for (int page = 1; page <= pages; ++page) {
        std::vector<printtest::Word> words = wordsOn(printer.name.text(), page);
        EXPECT_NE(find(words, "Unit:"), nullptr) << "header of page " << page;
        EXPECT_NE(find(words, "breaks"), nullptr) << "subtitle of page " << page;
        // Whole rows only: the rows of this page, none cut.
        for (int i = 1; i <= 12; ++i) {
            const bool here = (i - 1) / perPage + 1 == page;
            EXPECT_EQ(find(words, "Row" + std::to_string(i)) != nullptr, here) << "row " << i << " page " << page;
        }
        for (const printtest::Word& w : words) {
            if (w.text != "more") continue;
            EXPECT_LE(w.y1, 72 + pageH - 40 + 4) << "page " << page;
        }
    }
}

TEST_F(Lessons, ARowTallerThanAPageGoesOnOverTheNextPages) {
    FXStringRecordset definition;
    report::setTitleRow(definition, "Unit:", "Long", "0.50");
    report::addColumn(definition, "Date", "SHORTV", "0.10");
    report::addColumn(definition, "Development", "BODY", "0.90");
    std::string body = "'line1'";
    for (int k = 2; k <= 90; ++k) body += " || ascii_char(10) || 'line" + std::to_string(k) + "'";
    std::vector<std::string> rows = {"Select 'Before' as ShortV, 'A short row' as Body from RDB$DATABASE",
                                     "Select '01/02/30' as ShortV, " + body + " as Body from RDB$DATABASE",
                                     "Select 'After' as ShortV, 'The row after' as Body from RDB$DATABASE"};
    const FXint lh = lineHeight(textFont);
    ASSERT_GT(60 + 91 * lh, pageH - 40) << "the row is not taller than a page";
    FXNativePrinter printer = job("tall.ps");
    ASSERT_TRUE(print(printer, [&](FXDCNativePrinter& dc) { summary(dc, definition, rows); }));
    std::vector<printtest::Word> all = printtest::words(printer.name.text());
    int lastPage = 0;
    for (const printtest::Word& w : all) lastPage = std::max(lastPage, w.page);
    ASSERT_GE(lastPage, 3);
    expectGoodPostscript(printer.name.text(), lastPage);
    // The short row stays on page 1; the tall one starts on page 2 with its
    // date, every one of its lines is printed once, in order, above the row
    // limit; the next row follows on the last page.
    EXPECT_EQ(find(wordsOn(printer.name.text(), 1), "Before") != nullptr, true);
    EXPECT_EQ(find(wordsOn(printer.name.text(), 2), "01/02/30") != nullptr, true);
    int expected = 1, previousPage = 2;
    double previousY = 0;
    for (const printtest::Word& w : all) {
        if (w.text.rfind("line", 0) != 0) continue;
        EXPECT_EQ(w.text, "line" + std::to_string(expected)) << "page " << w.page;
        EXPECT_LE(w.y1, 72 + pageH - 40 + 4) << w.text;
        EXPECT_GE(w.y0, 72 + 60 - 4) << w.text;
        if (w.page == previousPage) {
            EXPECT_GT(w.y0, previousY) << w.text;
        }
        EXPECT_GE(w.page, previousPage);
        previousPage = w.page;
        previousY = w.y0;
        ++expected;
    }
    EXPECT_EQ(expected, 91);
    EXPECT_NE(find(wordsOn(printer.name.text(), lastPage), "After"), nullptr);
}

TEST_F(Lessons, VerboseRowsAndHtmlReportsWithOneHeaderRow) {
    FXStringRecordset title, fields;
    report::setTitleRow(title, "Verbose Lesson Plan", "", "0.50");
    report::setTitleRow(fields, "", "", "");
    report::addColumn(fields, "Lesson Name", "LESSONNAME", "0.81");
    report::addColumn(fields, "", "ENDOFRECORD", "");
    addLesson(101, FRACTIONS, "Halves", weekday(0));
    addLesson(102, FRACTIONS, "Quarters", weekday(1));
    auto statement = [](int id) {
        return FXString("Select LessonPlan.*, '...End of Record...' as EndOfRecord from LessonPlan Where Id = ") +
               FXStringVal(id);
    };
    auto report = [&](FXDCNativePrinter& dc) {
        ReportPages pages(dc, title);
        pages.begin();
        pages.verboseRows(statement(101), fields);
        pages.verboseRows(statement(102), fields);
        pages.end();
    };
    FXNativePrinter ps = job("verbose.ps");
    ASSERT_TRUE(print(ps, report));
    expectGoodPostscript(ps.name.text(), 1);
    // The label box is 19 % of the width: "Lesson Name" takes two lines
    // beside the value.
    EXPECT_EQ(textOf(ps.name.text()),
              "Verbose Lesson Plan Lesson Teacher: Tia Teacher Halves Name ...End of Record... "
              "Lesson Quarters Name ...End of Record... Plenwick lesson planner - Brellmoor");

    FXNativePrinter html = job("verbose.html", FXNativePrinter::DEST_HTML);
    ASSERT_TRUE(print(html, report));
    std::string text = printtest::readFile(html.name.text());
    EXPECT_EQ(printtest::count(text, "<THEAD>"), 1u);
    // A row per record, headed in words; the end-of-record marker column is
    // for paper, not the table.
    EXPECT_EQ(printtest::count(text, "</TR>\n"), 2u);
    EXPECT_EQ(text.find("ENDOFRECORD"), std::string::npos);
    EXPECT_LT(text.find(">Halves<"), text.find(">Quarters<"));
}

TEST_F(Lessons, TheFlagOfTheLessonDialogIsAskedFor) {
    EXPECT_FALSE(lessons::requireLessonDialogOpened(owner));
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "information");
    EXPECT_EQ(prompts.last().caption, "Printing device context not yet initialised.");
    EXPECT_EQ(prompts.last().text, "Please open and close the Print Lessons screen and try again.");
    lessons::setLessonDialogOpened(TRUE);
    EXPECT_TRUE(lessons::requireLessonDialogOpened(owner));
    EXPECT_EQ(prompts.prompts.size(), 1u);
}

// A summary table as a teacher reads it: dates and times each in a column
// as wide as they print, texts wrapped at word boundaries in the rest, a
// word wider than its column broken with a hyphen, and a row that goes over
// pages repeating the header row, its date and times and its name with
// "(continued)".
TEST_F(Lessons, SummaryTablesFitTheirContentAndWrapAtWords) {
    addLesson(401, FRACTIONS, "Fractions day", "2026-11-30", "09:00", "09:50");
    storeText(401, "LessonIntro", "Cut paper strips with scissors and fold them into halves.");
    storeText(401, "LessonClose", "Supercalifragilisticexpialidociousness is a long word.");
    std::string dev;
    for (int i = 100; i < 400; ++i) dev += (dev.empty() ? "" : " ") + std::string("dev") + std::to_string(i);
    storeText(401, "LessonDev", dev);
    FXStringRecordset definition;
    report::setTitleRow(definition, "Unit:", "Fractions", "0.50");
    for (const auto& c : std::vector<std::vector<const char*>>{{"Date", "DATESTART", "0.07"},
                                                               {"Start", "TIMESTART", "0.05"},
                                                               {"End", "TIMEEND", "0.05"},
                                                               {"Lesson Name", "LESSONNAME", "0.14"},
                                                               {"Introduction", "LESSONINTRO", "0.15"},
                                                               {"Development", "LESSONDEV", "0.32"},
                                                               {"Closure", "LESSONCLOSE", "0.11"},
                                                               {"Resources", "LESSONRESOURCE", "0.11"}})
        report::addColumn(definition, c[0], c[1], c[2]);
    FXNativePrinter printer = job("table.ps", FXNativePrinter::DEST_FILE | FXNativePrinter::SCREEN_UNITS);
    FXuint pages = 0;
    ASSERT_TRUE(print(printer, [&](FXDCNativePrinter& dc) {
        ReportPages report(dc, definition);
        report.begin();
        report.row("Select LessonPlan.*, '...End of Record...' as EndOfRecord from LessonPlan Where Id = 401");
        report.end();
        pages = report.page();
    }));
    ASSERT_GE(pages, 2u);
    expectGoodPostscript(printer.name.text(), (int)pages);
    std::vector<printtest::Word> words = printtest::words(printer.name.text());
    for (FXuint page = 1; page <= pages; ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        std::vector<printtest::Word> on;
        for (const printtest::Word& w : words)
            if (w.page == (int)page) on.push_back(w);
        // Date and times apart, on every page of the row, under the header row.
        const printtest::Word* date = find(on, "30/11/26");
        const printtest::Word* start = find(on, "09:00");
        const printtest::Word* end = find(on, "09:50");
        ASSERT_TRUE(date && start && end) << textOf(printer.name.text());
        EXPECT_LT(date->x1, start->x0);
        EXPECT_LT(start->x1, end->x0);
        for (const char* title : {"Date", "Start", "End", "Development", "Closure"})
            EXPECT_NE(find(on, title), nullptr) << title;
    }
    std::string text = textOf(printer.name.text());
    // Whole words, and the long one broken with a hyphen.
    for (const char* word : {"scissors", "halves.", "strips"}) EXPECT_NE(find(words, word), nullptr) << word;
    bool hyphenated = false;
    for (const printtest::Word& w : words)
        hyphenated = hyphenated || (w.text.size() > 2 && w.text.back() == '-' && w.text.rfind("Super", 0) == 0);
    EXPECT_TRUE(hyphenated) << text;
    for (int i = 100; i < 400; ++i) {
        const std::string word = "dev" + std::to_string(i);
        int n = 0;
        for (const printtest::Word& w : words) n += w.text == word;
        EXPECT_EQ(n, 1) << word;
    }
    EXPECT_EQ(printtest::count(text, "Fractions day (continued)"), (size_t)(pages - 1));
}

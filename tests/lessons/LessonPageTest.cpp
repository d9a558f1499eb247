// The lesson page on paper: the empty form, the values in their boxes, the
// limits of the text boxes.
#include "lessons/LessonsTest.h"

#include <map>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "lessons/LessonPage.h"
#include "report/ReportLayout.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace lessonstest;

namespace {

const char* const labels[] = {"START:",
                              "END:",
                              "DATE:",
                              "TEACHER:",
                              "NAME",
                              "SUBJECT",
                              "RESOURCES",
                              "UNIT PLAN",
                              "LONG TERM PLAN",
                              "ACHIEVEMENT OBJECTIVES",
                              "ESSENTIAL SKILLS",
                              "SPECIFIC LEARNING OUTCOMES",
                              "INTRODUCTION",
                              "DEVELOPMENT",
                              "CLOSURE",
                              "ASSESSMENT",
                              "UNIT PLAN DESCRIPTION",
                              "LONG TERM DESCRIPTION",
                              "REFLECTION"};

}  // namespace

TEST_F(Lessons, TheEmptyFormHasLabelsBoxesAndFooterAndAsksNothing) {
    // A current user that no statement could use: the empty form runs none.
    appState.currentUserId = "no such teacher";
    IsectRecordset rs;
    FXNativePrinter printer = job("empty.ps", FXNativePrinter::DEST_FILE | FXNativePrinter::SCREEN_UNITS);
    ASSERT_TRUE(print(printer, [&](FXDCNativePrinter& dc) {
        dc.beginPage(1);
        drawLessonPage(dc, dc.getContentWidth(), dc.getContentHeight(), 0, "Monday 01/01/30", rs);
        dc.endPage();
    }));
    EXPECT_TRUE(rs.sqlText.empty());
    EXPECT_TRUE(errors().empty());
    expectGoodPostscript(printer.name.text(), 1);
    // Every label, no value (not even the date), the footer.
    std::string squeezed;
    for (const printtest::Word& w : printtest::words(printer.name.text())) squeezed += w.text + " ";
    for (const char* label : labels) {
        std::string first = std::string(label).substr(0, std::string(label).find(' '));
        EXPECT_NE(squeezed.find(first), std::string::npos) << label;
    }
    EXPECT_EQ(squeezed.find("Monday"), std::string::npos);
    EXPECT_NE(squeezed.find("Brellmoor"), std::string::npos);
    // The boxes: the edges running across the whole width on the rendered
    // page (the first row, the four full-width boxes, the two rows of
    // halves, the foot of the form).
    printtest::Raster page;
    ASSERT_TRUE(printtest::renderAt(printer.name.text(), 1, 72, page));
    int edges = 0;
    bool inEdge = false;
    for (int y = 0; y < page.height; ++y) {
        int run = 0, longest = 0;
        for (int x = 0; x < page.width; ++x) {
            run = page.grey(x, y) < 128 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        if (longest > 400 && !inEdge) ++edges;
        inEdge = longest > 400;
    }
    EXPECT_GE(edges, 7);
}

TEST_F(Lessons, TheLessonPageShowsEveryValueInItsBox) {
    addLesson(301, FRACTIONS, "Halving shapes", weekday(0), "09:05:30", "09:55");
    IsectRecordset rs;
    FXNativePrinter printer = job("page.ps", FXNativePrinter::DEST_FILE | FXNativePrinter::SCREEN_UNITS);
    ASSERT_TRUE(print(printer, [&](FXDCNativePrinter& dc) {
        dc.beginPage(1);
        drawLessonPage(dc, dc.getContentWidth(), dc.getContentHeight(), 301, "Monday 01/01/30", rs);
        dc.endPage();
    }));
    expectGoodPostscript(printer.name.text(), 1);
    std::vector<printtest::Word> words = printtest::words(printer.name.text());
    std::string text;
    for (const printtest::Word& w : words) text += w.text + " ";
    // An eight-character time is shown as hours and minutes.
    for (const char* pair : {"START: 09:05 END: 09:55", "DATE: Monday 01/01/30", "TEACHER: Tia Teacher"})
        EXPECT_NE(text.find(pair), std::string::npos) << pair << " in " << text;
    EXPECT_EQ(text.find("09:05:30"), std::string::npos);
    for (const char* value :
         {"Halving shapes", "Maths", "Fractions", "Number", "Objectives Halving", "Skills Halving", "Outcomes Halving",
          "Intro Halving", "Development Halving", "Closure Halving", "Assessment Halving", "Resources Halving",
          "Reflection Halving", "Halves and quarters", "Number sense for the term"})
        EXPECT_NE(text.find(value), std::string::npos) << value;
    // The one-line values stay above their box's lower edge, descenders
    // included: "Fractions" in "UNIT PLAN" and "Number" in "LONG TERM PLAN"
    // (boxes from 54, 25 high, in screen units of 100 an inch).
    for (const char* value : {"Fractions", "Number"}) {
        const printtest::Word* word = nullptr;
        for (const printtest::Word& w : words)
            if (!word && w.text == value) word = &w;  // the first: the box's value
        ASSERT_NE(word, nullptr) << value;
        EXPECT_LT(word->y1, 72 + (54 + 25 - 1) * 0.72) << value;
        EXPECT_GT(word->y0, 72 + 54 * 0.72) << value;
    }
    // Everything on the sheet inside the margins (72 points), the footer
    // included.
    for (const printtest::Word& w : words) {
        EXPECT_GE(w.x0, 72 - 1) << w.text;
        EXPECT_LE(w.x1, 612 - 72 + 1) << w.text;
        EXPECT_GE(w.y0, 72 - 1) << w.text;
        EXPECT_LE(w.y1, 792 - 72 + 4) << w.text;
    }
}

// Text longer than its box goes on: the box says so, and the following
// pages, headed with the lesson's name and "(continued)", hold the rest.  No
// text is lost, none is printed twice, and the resources stay in their box.
TEST_F(Lessons, LongTextsContinueOnTheFollowingPages) {
    addLesson(302, FRACTIONS, "Long", weekday(0));
    std::string dev;
    for (int i = 10; i < 150; ++i) dev += (dev.empty() ? "" : "\n") + std::string("dev") + std::to_string(i);
    storeText(302, "LessonDev", dev);
    std::string resources;
    for (int i = 100; i < 400; ++i)
        resources += (resources.empty() ? "" : " ") + std::string("res") + std::to_string(i);
    storeText(302, "LessonResource", resources);
    IsectRecordset rs;
    FXint H = 0, pages = 0;
    FXNativePrinter printer = job("long.ps", FXNativePrinter::DEST_FILE | FXNativePrinter::SCREEN_UNITS);
    ASSERT_TRUE(print(printer, [&](FXDCNativePrinter& dc) {
        H = dc.getContentHeight();
        LessonRest rest;
        dc.beginPage(++pages);
        drawLessonPage(dc, dc.getContentWidth(), H, 302, "", rs, &rest);
        dc.endPage();
        EXPECT_EQ(rest.lessonName, "Long");
        ASSERT_EQ(rest.parts.size(), 2u);
        EXPECT_EQ(rest.parts[0].label, "RESOURCES");
        EXPECT_EQ(rest.parts[1].label, "DEVELOPMENT");
        while (!rest.empty() && pages < 20) {
            dc.beginPage(++pages);
            drawLessonContinued(dc, dc.getContentWidth(), H, rest);
            dc.endPage();
        }
    }));
    ASSERT_GE(pages, 3);
    ASSERT_LT(pages, 20);
    expectGoodPostscript(printer.name.text(), pages);
    const FXint y4 = (FXint)(79 + 0.12 * (H - 19));
    const FXint R = H - y4;
    const FXint lh = textFont->getFontHeight();
    const int shown = (FXint)(0.34 * R - 6) / lh - 1;
    ASSERT_GT(shown, 5);
    std::vector<printtest::Word> words = printtest::words(printer.name.text());
    std::map<std::string, std::vector<int>> seen;  // word: the pages it is on
    double outcomesTop = 0;
    for (const printtest::Word& w : words) {
        seen[w.text].push_back(w.page);
        if (w.page == 1 && w.text == "SPECIFIC") outcomesTop = w.y0;
    }
    ASSERT_GT(outcomesTop, 0);
    for (int i = 10; i < 150; ++i) {
        const std::string word = "dev" + std::to_string(i);
        ASSERT_EQ(seen[word].size(), 1u) << word;
        EXPECT_EQ(seen[word][0] == 1, i < 10 + shown) << word;
    }
    for (int i = 100; i < 400; ++i) ASSERT_EQ(seen["res" + std::to_string(i)].size(), 1u) << i;
    // The resources of the first page end above the next heading.
    for (const printtest::Word& w : words) {
        if (w.page == 1 && w.text.rfind("res", 0) == 0) {
            EXPECT_LT(w.y1, outcomesTop) << w.text;
        }
    }
    // Every page after the first is headed with the lesson and "(continued)",
    // and the first page says that the two boxes go on.
    std::string text = textOf(printer.name.text());
    EXPECT_EQ(printtest::count(text, "Long (continued)"), (size_t)(pages - 1));
    EXPECT_GE(printtest::count(text, "(continued on the next page)"), 2u);
}

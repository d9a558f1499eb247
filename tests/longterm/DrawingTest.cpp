// The term drawing: drawPlan into an off-screen image (pixels read back) or
// a recording device (texts and rectangles), and the colour table.
#include <string>

#include "data/AppState.h"
#include "longterm/LongTermTest.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;
using namespace longterm;

namespace {

const FXColor white = FXRGB(255, 255, 255), black = FXRGB(0, 0, 0), red = FXRGB(255, 0, 0);
const FXColor overlap = FXRGB(15, 15, 15);

// Term 2 of 2014: week 1 is 28 April, week 10 30 June.
TEST_F(LongTerm, BandsFillTheWeeksTheyCoverAndSyndicatePlansCarryARedCorner) {
    plan(10, "Fractions", MATHS, "2014-04-28", "2014-05-16");            // weeks 1-3, Tom's own
    plan(11, "Poetry", READING, "2014-05-19", "2014-06-06", 1);          // weeks 4-6, the syndicate's
    plan(12, "Records", SCIENCE, "2014-02-03", "2014-12-12", 2, "", 1);  // ignores its dates
    plan(13, "Last term", MATHS, "2014-02-03", "2014-03-28");
    plan(14, "Other syndicate", SCIENCE, "2014-04-28", "2014-07-04", 7);
    drawImage(800, 600);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    Grid g(800, 600, 10, 3);

    std::vector<ColourRow> rows = colourRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].id, "10");
    EXPECT_EQ(rows[1].id, "11");
    EXPECT_EQ(rows[0].text, black);
    EXPECT_EQ(rows[0].counter, "3");
    EXPECT_EQ(rows[1].counter, "3");
    EXPECT_NE(rows[0].fill, rows[1].fill);
    for (const auto& row : rows) {
        EXPECT_GE(FXREDVAL(row.fill), 155);
        EXPECT_GE(FXGREENVAL(row.fill), 155);
        EXPECT_GE(FXBLUEVAL(row.fill), 155);
    }

    // Below the names, clear of the corners.
    auto inside = [&](FXint row, FXint week) { return pixel(g.x(week) + g.cw - 8, g.y(row) + g.ch - 4); };
    for (FXint week = 1; week <= 10; ++week) {
        EXPECT_EQ(inside(1, week), week <= 3 ? rows[0].fill : white) << "Mathematics, week " << week;
        EXPECT_EQ(inside(2, week), week >= 4 && week <= 6 ? rows[1].fill : white) << "Reading, week " << week;
        EXPECT_EQ(inside(3, week), white) << "Science, week " << week;
    }
    // The syndicate's plan has a red corner at the top right of each cell; Tom's has none.
    for (FXint week = 4; week <= 6; ++week) EXPECT_EQ(pixel(g.x(week) + g.cw - 2, g.y(2) + 1), red);
    EXPECT_EQ(pixel(g.x(1) + g.cw - 2, g.y(1) + 1), rows[0].fill);
    // Lines, the subject column and the date row are black and white.
    EXPECT_EQ(pixel(g.x(2), g.y(1) + g.ch / 2), black);
    EXPECT_EQ(pixel(g.x(0) + g.width(0) - 4, g.y(1) + g.ch - 3), white);
    EXPECT_EQ(pixel(g.x(1) + g.cw - 4, g.y(0) + g.ch - 3), white);
}

// Anzac Day on Friday 25 April lies before the term; a teacher-only day on
// Friday 9 May is in week 2, a long weekend from Saturday 31 May to Monday
// 2 June in week 6, a Saturday event in week 8 in no school day at all.
TEST_F(LongTerm, WeeksHoldingANonTeachingDayAreMarked) {
    sql("insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-04-25', '2014-04-25', 'Anzac Day');"
        "insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-05-09', '2014-05-09', 'Teacher only');"
        "insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-05-31', '2014-06-02', 'Long weekend');"
        "insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-06-14', '2014-06-14', 'Fair');");
    plan(10, "Fractions", MATHS, "2014-04-28", "2014-05-16");
    drawImage(800, 600);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    Grid g(800, 600, 10, 3);
    const FXColor shade = FXRGB(226, 226, 255);
    for (FXint week = 1; week <= 10; ++week)
        EXPECT_EQ(pixel(g.x(week) + g.cw - 4, g.y(0) + g.ch - 3), week == 2 || week == 6 ? shade : white)
            << "week " << week;
    // The plan's band is not shaded.
    EXPECT_EQ(pixel(g.x(2) + g.cw - 8, g.y(1) + g.ch - 4), colourRows()[0].fill);
}

TEST_F(LongTerm, TitleWeekDatesSubjectsAndFooter) {
    plan(10, "Fractions", MATHS, "2014-04-28", "2014-05-16");
    Grid g(800, 600, 10, 3);
    RecordingDC dc(app());
    window->drawPlan(dc, 800, 600);

    const std::string title = "LONG TERM PLANS FOR TERM:2  YEAR:2014    Teacher:Tom Hale";
    auto t = dc.find(title);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].y, 19);
    EXPECT_EQ(t[0].x, g.A / 2 - labelFont->getTextWidth(title.c_str()) / 2);
    EXPECT_EQ(t[0].font, labelFont);

    auto first = dc.find("28/04/14");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].x, g.x(1) + 2);
    EXPECT_EQ(first[0].y, g.y(0) + g.lh + 3);
    EXPECT_EQ(first[0].font, smallFont);
    EXPECT_EQ(dc.find("30/06/14").size(), 1u);  // week 10
    EXPECT_TRUE(dc.find("07/07/14").empty());

    auto maths = dc.find("Mathematics");
    ASSERT_EQ(maths.size(), 1u);
    EXPECT_EQ(maths[0].x, 5);
    EXPECT_EQ(maths[0].y, g.y(1) + g.lh + 5);
    EXPECT_EQ(maths[0].font, labelFont);
    EXPECT_EQ(dc.find("Science")[0].y, g.y(3) + g.lh + 5);

    auto name = dc.find("Fractions");
    ASSERT_EQ(name.size(), 1u);
    EXPECT_EQ(name[0].x, g.x(1) + 2);
    EXPECT_EQ(name[0].y, g.y(1) + g.lh + 1);
    EXPECT_EQ(name[0].colour, black);

    auto footer = dc.find(footerNotice.text());
    ASSERT_EQ(footer.size(), 1u);
    EXPECT_EQ(footer[0].x + smallFont->getTextWidth(footerNotice), g.A);
    EXPECT_EQ(footer[0].y, 600 - smallFont->getFontDescent());

    // Month first with American dates.
    appState.americanDate = 1;
    dc.clear();
    window->drawPlan(dc, 800, 600);
    EXPECT_EQ(dc.find("04/28/14").size(), 1u);
    EXPECT_EQ(window->schoolTerm.trim(), "2");
    EXPECT_EQ(window->schoolYear.trim(), "2014");
}

TEST_F(LongTerm, TwoPlansInACellTheSecondInTheLowerHalfWithItsNameLower) {
    plan(30, "Alpha", MATHS, "2014-04-28", "2014-05-16");  // weeks 1-3
    plan(31, "Beta", MATHS, "2014-05-12", "2014-05-23");   // weeks 3-4
    drawImage(800, 600);
    Grid g(800, 600, 10, 3);
    const FXColor alpha = colourOf("30").fill, beta = colourOf("31").fill;
    EXPECT_EQ(pixel(g.x(3) + g.cw - 8, g.y(1) + 4), alpha);
    EXPECT_EQ(pixel(g.x(3) + g.cw - 8, g.y(1) + g.ch - 4), beta);
    EXPECT_EQ(pixel(g.x(4) + g.cw - 8, g.y(1) + 4), beta);  // alone in week 4: the whole cell

    RecordingDC dc(app());
    window->drawPlan(dc, 800, 600);
    auto name = dc.find("Beta");
    ASSERT_EQ(name.size(), 1u);
    EXPECT_EQ(name[0].x, g.x(3) + 2);
    EXPECT_EQ(name[0].y, g.y(1) + (FXint)(g.lh * 2.1));
    EXPECT_EQ(dc.find("Alpha")[0].y, g.y(1) + g.lh + 1);
    EXPECT_TRUE(dc.find("Error: ").empty());
}

TEST_F(LongTerm, AThirdPlanKeepsTheOverlapColourAndWhiteTextWhereverItIsDrawn) {
    plan(40, "One", MATHS, "2014-04-28", "2014-05-09");    // weeks 1-2
    plan(41, "Two", MATHS, "2014-04-28", "2014-05-09");    // weeks 1-2
    plan(42, "Three", MATHS, "2014-05-05", "2014-05-23");  // weeks 2-4: third in week 2
    plan(43, "Fourth", READING, "2014-04-28", "2014-05-09");
    drawImage(800, 600);
    Grid g(800, 600, 10, 3);
    ColourRow three = colourOf("42");
    EXPECT_EQ(three.fill, overlap);
    EXPECT_EQ(three.text, white);
    EXPECT_NE(colourOf("41").fill, overlap);
    EXPECT_EQ(pixel(g.x(2) + g.cw - 8, g.y(1) + g.ch - 4), overlap);  // week 2, lower half
    EXPECT_EQ(pixel(g.x(2) + g.cw - 8, g.y(1) + 4), colourOf("40").fill);
    for (FXint week = 3; week <= 4; ++week) {
        EXPECT_EQ(pixel(g.x(week) + g.cw - 8, g.y(1) + 4), overlap) << week;
        EXPECT_EQ(pixel(g.x(week) + g.cw - 8, g.y(1) + g.ch - 4), overlap) << week;
    }
    // Stored as signed decimal text, in the order the drawing met the plans.
    FXStringRecordset& table = window->planColours;
    std::vector<std::string> order, fills, texts;
    for (table.MoveFirst(); !table.eof; table.MoveNext()) {
        order.push_back(FXString(table.GetField(0)).trim().text());
        fills.push_back(table.GetField(1).text());
        texts.push_back(table.GetField(2).text());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"40", "41", "42", "43"}));
    EXPECT_EQ(fills[2], "-15790321");
    EXPECT_EQ(texts[2], "-1");
    EXPECT_EQ(texts[0], "-16777216");

    RecordingDC dc(app());
    window->drawPlan(dc, 800, 600);
    auto error = dc.find("Error: ");
    ASSERT_EQ(error.size(), 1u);
    EXPECT_EQ(error[0].x, 13);
    EXPECT_EQ(error[0].y, 55);
    EXPECT_EQ(error[0].colour, red);
    auto rest = dc.find(" is overlapping two other plans. Change it's start or end dates.");
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].colour, red);
    bool named = false;
    for (const auto& t : dc.find("Three")) {
        if (t.y == 55)
            named = t.colour == black && t.x == 13 + smallFont->getTextWidth("Error: ");
        else
            EXPECT_EQ(t.colour, white);
    }
    EXPECT_TRUE(named);
    // The white band behind the error line.
    bool band = false;
    for (const auto& r : dc.rects)
        band |= r.filled && r.x == 3 && r.y == 43 && r.w == g.A && r.h == 16 && r.colour == white;
    EXPECT_TRUE(band);
}

TEST_F(LongTerm, ANineWeekPlanIsNamedInItsFirstFifthAndNinthWeeks) {
    plan(50, "Long unit", SCIENCE, "2014-04-28", "2014-06-27");
    Grid g(800, 600, 10, 3);
    RecordingDC dc(app());
    window->drawPlan(dc, 800, 600);
    auto names = dc.find("Long unit");
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].x, g.x(1) + 2);
    EXPECT_EQ(names[1].x, g.x(5) + 2);
    EXPECT_EQ(names[2].x, g.x(9) + 2);
    for (const auto& n : names) EXPECT_EQ(n.y, g.y(3) + g.lh + 1);
    EXPECT_EQ(colourOf("50").counter, "9");
}

TEST_F(LongTerm, NoTeacherRowGivesAWhiteCanvasAndTheNoUserBox) {
    plan(10, "Fractions", MATHS, "2014-04-28", "2014-05-16");
    appState.currentUserId = "0";
    drawImage(300, 200);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "information");  // a state, not a failure
    EXPECT_EQ(prompts.last().caption, "LongTermWindow::drawPlan - No current user.");
    EXPECT_EQ(prompts.last().text, "You must choose a user name to look at the plans.");
    for (FXint y = 0; y < 200; y += 7)
        for (FXint x = 0; x < 300; x += 7) ASSERT_EQ(pixel(x, y), white) << x << "," << y;
    EXPECT_TRUE(colourRows().empty());
}

TEST_F(LongTerm, ASyndicateWithoutPlansGetsTheNoPlansBoxAndNothingElse) {
    plan(10, "Elsewhere", MATHS, "2014-04-28", "2014-05-16", 7);
    RecordingDC dc(app());
    window->drawPlan(dc, 800, 600);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "LongTermWindow::drawPlan - No plans exist.");
    EXPECT_EQ(prompts.last().text, "No plans have been loaded yet for this syndicate.");
    EXPECT_TRUE(dc.texts.empty());
    ASSERT_EQ(dc.rects.size(), 1u);  // the white background
    EXPECT_EQ(dc.rects[0].colour, white);
}

// Before the first stored term there is no term to draw: the view says so,
// names the date and where to go or mend it, instead of an empty grid.
TEST_F(LongTerm, NoTermOnOrBeforeTheViewedDateNamesTheDate) {
    plan(10, "Fractions", MATHS, "2014-04-28", "2014-05-16");
    show(2013, 11, 20);
    RecordingDC dc(app());
    window->drawPlan(dc, 800, 600);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(dc.find("No school term holds 20/11/13.").size(), 1u);
    EXPECT_EQ(dc.find("The term dates are missing: no term starts on or before 20/11/13.").size(), 1u);
    EXPECT_EQ(dc.find("The school's first term begins on 03/02/14.").size(), 1u);
    EXPECT_EQ(dc.find("Press \"Term >\" to go to it, or add the earlier terms in Options, School Setup.").size(), 1u);
    for (const auto& r : dc.rects) EXPECT_TRUE(r.filled && r.colour == white) << "a grid line";
    EXPECT_TRUE(colourRows().empty());

    // A database without terms says so and where they are set up.
    sql("delete from TermDate;");
    dc.clear();
    window->drawPlan(dc, 800, 600);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(dc.find("No school term holds 20/11/13.").size(), 1u);
    EXPECT_EQ(dc.find("The term dates are missing: this database has no school terms yet.").size(), 1u);
    EXPECT_EQ(dc.find("Add them in Options, School Setup: the first day of each term and its length in weeks.").size(),
              1u);
    for (const auto& t : dc.texts)
        EXPECT_LE(t.x + t.font->getTextWidth(t.text.c_str(), (FXuint)t.text.size()), 800) << t.text;
}

// A term of 14 weeks and 20 subjects with long names on the default canvas
// and on a printed page: every text and box inside the drawing, names cut
// at the end of their band, subjects at the end of their column.
TEST_F(LongTerm, FourteenWeeksAndTwentySubjectsStayInsideTheDrawing) {
    fourteenWeeksTwentySubjects();

    for (auto size : {std::pair<FXint, FXint>{610, 362}, {368, 548}, {1000, 700}}) {
        const FXint w = size.first, h = size.second;
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        Grid g(w, h, 14, 20);
        RecordingDC dc(app());
        window->drawPlan(dc, w, h);
        ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
        EXPECT_EQ(colourRows().size(), 60u);
        for (const auto& r : dc.rects) {
            EXPECT_GE(r.x, 0);
            EXPECT_GE(r.y, 0);
            EXPECT_LE(r.x + r.w, w - (r.filled ? 0 : 1));
            EXPECT_LE(r.y + r.h, h - (r.filled ? 0 : 1));
        }
        FXint names = 0;
        for (const auto& t : dc.texts) {
            const FXint right = t.x + t.font->getTextWidth(t.text.c_str(), (FXuint)t.text.size());
            EXPECT_GE(t.x, 0) << t.text;
            EXPECT_LE(right, w) << t.text;
            EXPECT_LE(t.y + t.font->getFontDescent(), h) << t.text;
            if (t.text.rfind("Subject", 0) == 0) {
                EXPECT_LT(right, g.x(1)) << t.text;
            }
            if (t.y > g.y(1) && t.y < g.y(21) && t.x > g.x(1)) {
                ++names;
                // Its band ends where the next plan begins: weeks 4, 9, 14.
                FXint week = 1;
                while (week < 14 && g.x(week + 1) <= t.x) ++week;
                const FXint last = week <= 4 ? 4 : week <= 9 ? 9 : 14;
                EXPECT_LT(right, g.x(last) + g.cw) << t.text << " in week " << week;
                EXPECT_TRUE(t.text.empty() || std::string("Plan ").compare(0, t.text.size(), t.text, 0, 5) == 0)
                    << t.text << " in week " << week;
            }
        }
        EXPECT_EQ(names, 20 * 5);  // weeks 1, 5 and 9 (the second plan), 10 and 14 (the third)
        // The grid's last line lies above the footer.
        EXPECT_LE(g.y(20) + g.ch, h - smallFont->getFontHeight());
    }
}

}  // namespace

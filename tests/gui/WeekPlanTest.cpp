// The week plan: drawPlan into an off-screen image (pixels read back) or a
// recording device (texts), planColourList, and the click test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "gui/GuiTest.h"
#include "planedit/UndoCommands.h"
#include "planedit/UnitPlanDialog.h"
#include "support/GuiActions.h"
#include "support/RecordingDC.h"
#include "support/RecordingPrompter.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;

namespace {

using testsupport::RecordingDC;

// Grid geometry of a W x H drawing, as the calendar lays it out.
struct Grid {
    FXint W, H, L, C, K;
    Grid(FXint w, FXint h) : W(w), H(h), L((h - 70) / 26), C((w - 80) / 6), K(((w - 80) + (w - 80) / 6) / 6) {}
    FXint x(FXint d) const { return 3 + C / 2 + (d - 1) * K; }
    FXint y(FXint p) const { return 60 + L * p; }
    // The row of the slot starting at hh:mm (the day starts at 8:45).
    static FXint row(int hour, int minute) { return (hour * 60 + minute - (8 * 60 + 45)) / 15; }
};

FXColor rgb(int r, int g, int b) { return FXRGB(r, g, b); }

// What the display shows at a point of a window (not the calendar's
// off-screen image).
FXColor screenPixel(FXWindow* window, FXint x, FXint y) {
    app()->flush(true);
    Display* display = (Display*)app()->getDisplay();
    XImage* shot = XGetImage(display, (Window)window->id(), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!shot) return 0;
    const unsigned long p = XGetPixel(shot, 0, 0);
    XDestroyImage(shot);
    // A 24-bit TrueColor display: red in the high byte.
    return FXRGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
}

struct PlanRow {
    std::string id, cellColour, labelColour, cells, unitType, days, rotate;
};

class WeekPlan : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    CalendarWindow* calendar = nullptr;
    FXImage* image = nullptr;
    const FXint W = 680, H = 590;
    Grid grid{680, 590};

    void SetUp() override {
        freshStart();
        sql("insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom Hale', 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-03-03', 10, "
            "2014, 1);"
            "insert into LongTerm (Id, PlanName, FKSyndicate, Persistant) values (1, 'Numbers', 2, 0);"
            "insert into LongTerm (Id, PlanName, FKSyndicate, Persistant) values (2, 'Every term', 2, 1);"
            "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher, Rotate) values (1, 'Unit', 1, 1, 2, "
            "0);"
            "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher, Rotate) values (2, 'Routine', 2, 1, "
            "2, 0);"
            "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher, Rotate) values (3, 'Duty', 3, 1, 2, "
            "0);"
            "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher, Rotate) values (4, 'Rotating', 1, 1, "
            "2, 1);"
            "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher, Rotate) values (5, 'Kept', 1, 2, 2, "
            "0);");
        calendar = new CalendarWindow(app());
        calendar->create();
        settle();
        // Tom's week of Monday 10 March 2014 (the third week of the term).
        appState.currentUserId = "2";
        appState.currentSyndicate = "1";
        appState.dateOffset = offsetFor(localMoment(2014, 3, 12, 12));
        prompts.clear();
    }
    void TearDown() override {
        delete image;
        delete calendar;
    }

    static void lesson(int id, const std::string& name, int unit, const std::string& start, const std::string& end,
                       const std::string& from, const std::string& to, int routineDay = 0, int eval = 0, int assess = 0,
                       int notTaught = 0) {
        sql("insert into LessonPlan (Id, LessonName, FKUnitPlan, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay,"
            " LessonEval, LessonAssess, LessonNotTaught) values (" +
            std::to_string(id) + ", '" + name + "', " + std::to_string(unit) + ", '" + start + "', '" + end + "', '" +
            from + "', '" + to + "', " + std::to_string(routineDay) + ", " + std::to_string(eval) + ", " +
            std::to_string(assess) + ", " + std::to_string(notTaught) + ");");
    }

    // Draws the week into an off-screen image and reads its pixels back.
    void drawImage() {
        delete image;
        image = new FXImage(app(), nullptr, IMAGE_KEEP, W, H);
        image->create();
        {
            FXDCWindow dc(image);
            calendar->drawPlan(dc, W, H);
        }
        image->restore();
    }
    FXColor pixel(FXint x, FXint y) const { return image->getPixel(x, y); }

    std::vector<PlanRow> planRows() {
        std::vector<PlanRow> rows;
        FXStringRecordset& list = calendar->planColourList;
        for (list.MoveFirst(); !list.eof; list.MoveNext())
            rows.push_back({list.GetField(0).trim().text(), list.GetField(1).text(), list.GetField(2).text(),
                            list.GetField(3).text(), list.GetField(4).trim().text(), list.GetField(5).text(),
                            list.GetField(6).trim().text()});
        return rows;
    }
    PlanRow plan(const std::string& id) {
        for (const auto& row : planRows())
            if (row.id == id) return row;
        ADD_FAILURE() << "plan " << id << " is not in planColourList";
        return {};
    }
    static FXColor colour(const PlanRow& row) { return (FXColor)strtoul(row.cellColour.c_str(), nullptr, 10); }
};

TEST_F(WeekPlan, RoutinePlanAppearsOnItsDayOnlyAndALessonEndingAtASlotStartLeavesIt) {
    lesson(10, "Reading", 2, "2014-03-10", "2014-03-14", "09:00", "09:30", 3);
    lesson(11, "Kept", 5, "2014-03-10", "2014-03-10", "09:00", "09:30");  // a persistent long-term plan
    drawImage();
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;

    std::vector<PlanRow> rows = planRows();
    ASSERT_EQ(rows.size(), 1u) << "lessons of persistent long-term plans are not drawn";
    EXPECT_EQ(rows[0].id, "10");
    EXPECT_EQ(rows[0].cells, "2");
    EXPECT_EQ(rows[0].days, "Junk,3,3");
    EXPECT_EQ(rows[0].unitType, "2");
    EXPECT_EQ(rows[0].labelColour, "4278190080");  // black, as unsigned decimal

    FXColor c = colour(rows[0]);
    FXint p = Grid::row(9, 0);
    for (FXint d = 1; d <= 5; ++d)
        EXPECT_EQ(pixel(grid.x(d) + grid.K / 2, grid.y(p) + 14), d == 3 ? c : rgb(255, 255, 255)) << "day " << d;
    EXPECT_EQ(pixel(grid.x(3) + grid.K / 2, grid.y(p + 1) + 14), c);
    EXPECT_EQ(pixel(grid.x(3) + grid.K / 2, grid.y(p + 2) + 14), rgb(255, 255, 255))
        << "09:30-09:45 is free of a lesson ending at 09:30";
    // A light colour of its own.
    EXPECT_GE(FXREDVAL(c), 155);
    EXPECT_GE(FXGREENVAL(c), 155);
    EXPECT_GE(FXBLUEVAL(c), 155);
}

TEST_F(WeekPlan, TwoPlansInASlotShareTheCellFirstWholeSecondRightHalf) {
    lesson(20, "A", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    lesson(21, "B", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    drawImage();
    FXint x = grid.x(1), y = grid.y(Grid::row(9, 0));
    EXPECT_EQ(pixel(x + grid.K / 2 - 6, y + 14), colour(plan("20")));
    EXPECT_EQ(pixel(x + grid.K - 4, y + 4), colour(plan("21")));
    EXPECT_NE(colour(plan("20")), colour(plan("21")));
}

TEST_F(WeekPlan, WithANonContactPlanFirstOnlyRoutinePlansShowInTheRightHalf) {
    // Tuesday: duty, a routine lesson and a unit lesson at the same time.
    lesson(30, "Duty", 3, "2014-03-11", "2014-03-11", "09:00", "09:15");
    lesson(31, "Unit lesson", 1, "2014-03-11", "2014-03-11", "09:00", "09:15");
    lesson(32, "Spelling", 2, "2014-03-11", "2014-03-11", "09:00", "09:15", 2);
    // Wednesday: duty and a unit lesson only.
    lesson(33, "Duty", 3, "2014-03-12", "2014-03-12", "09:00", "09:15");
    lesson(34, "Unit lesson", 1, "2014-03-12", "2014-03-12", "09:00", "09:15");
    drawImage();

    FXColor pale = rgb(250, 250, 210);
    EXPECT_EQ(colour(plan("30")), pale);
    FXint y = grid.y(Grid::row(9, 0));
    EXPECT_EQ(pixel(grid.x(2) + grid.K / 2 - 6, y + 14), pale);
    EXPECT_EQ(pixel(grid.x(2) + grid.K - 4, y + 4), colour(plan("32")));
    EXPECT_EQ(pixel(grid.x(3) + grid.K / 2 - 6, y + 14), pale);
    EXPECT_EQ(pixel(grid.x(3) + grid.K - 4, y + 4), pale);
    // The unit lessons are listed but not drawn anywhere in their cells.
    for (const char* id : {"31", "34"}) {
        FXColor hidden = colour(plan(id));
        EXPECT_NE(hidden, rgb(15, 15, 15)) << "a non-contact slot is no overlap";
        for (FXint d = 2; d <= 3; ++d)
            for (FXint px = grid.x(d) + 1; px < grid.x(d) + grid.K; ++px)
                for (FXint py = y + 1; py < y + grid.L; ++py) ASSERT_NE(pixel(px, py), hidden) << id;
    }
}

TEST_F(WeekPlan, ThirdPlanInASlotIsDarkAndReported) {
    lesson(40, "First", 1, "2014-03-13", "2014-03-13", "10:00", "10:15");
    lesson(41, "Second", 1, "2014-03-13", "2014-03-13", "10:00", "10:15");
    lesson(42, "Third", 1, "2014-03-13", "2014-03-13", "10:00", "10:15");
    RecordingDC dc(app());
    calendar->drawPlan(dc, W, H);

    PlanRow third = plan("42");
    EXPECT_EQ(colour(third), rgb(15, 15, 15));
    EXPECT_EQ(third.labelColour, "4294967295");  // white
    EXPECT_NE(colour(plan("41")), rgb(15, 15, 15));

    auto error = dc.find("Error: ");
    auto rest = dc.find(" is overlapping two other plans. Change it's start or end dates.");
    auto name = dc.find("Third");
    ASSERT_FALSE(error.empty());
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(error[0].x, 13);
    EXPECT_EQ(error[0].y, 55);
    EXPECT_EQ(error[0].colour, rgb(255, 0, 0));
    EXPECT_EQ(rest[0].colour, rgb(255, 0, 0));
    bool blackName = false;
    for (const auto& t : name) blackName |= t.y == 55 && t.colour == rgb(0, 0, 0) && t.x > 13;
    EXPECT_TRUE(blackName);
}

// Wednesday 12 March is a teacher-only day; a regional holiday runs from
// Sunday 9 to Monday 10.  Their columns are shaded and named, the week's
// other days are not, and a lesson planned on one is drawn and reported.
TEST_F(WeekPlan, NonTeachingDaysAreShadedNamedAndTheirLessonsStillDrawn) {
    sql("insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-03-12', '2014-03-12', 'Teacher only day');"
        "insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-03-09', '2014-03-10', 'Regional holiday');"
        "insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-03-17', '2014-03-17', 'Next week');");
    lesson(60, "Planned anyway", 1, "2014-03-12", "2014-03-12", "10:00", "10:30");
    lesson(61, "Tuesday lesson", 1, "2014-03-11", "2014-03-11", "10:00", "10:30");
    drawImage();
    const FXColor shade = FXRGB(226, 226, 255);
    const FXint empty = grid.y(Grid::row(13, 0)) + 2;
    EXPECT_EQ(pixel(grid.x(1) + 5, empty), shade);
    EXPECT_EQ(pixel(grid.x(3) + 5, empty), shade);
    EXPECT_EQ(pixel(grid.x(2) + 5, empty), rgb(255, 255, 255));
    EXPECT_EQ(pixel(grid.x(4) + 5, empty), rgb(255, 255, 255));
    EXPECT_EQ(pixel(grid.x(5) + 5, empty), rgb(255, 255, 255));
    // The lesson on Wednesday keeps its colour over the shading.
    EXPECT_EQ(pixel(grid.x(3) + grid.K / 2, grid.y(Grid::row(10, 0)) + grid.L / 2), colour(plan("60")));

    // The name at the top of its column: under the day's name where the top
    // row is tall enough (a drawing 700 high), after it, cut at the
    // column's edge, where it is not.
    {
        RecordingDC tall(app());
        calendar->drawPlan(tall, W, 700);
        auto teacherOnly = tall.find("Teacher only day");
        ASSERT_EQ(teacherOnly.size(), 1u);
        EXPECT_EQ(teacherOnly[0].x, grid.x(3) + 2);
        EXPECT_GT(teacherOnly[0].y, grid.y(0) + 11);
        EXPECT_LE(teacherOnly[0].y, 60 + (700 - 70) / 26);
    }
    RecordingDC dc(app());
    calendar->drawPlan(dc, W, H);
    auto besideTheDay = [&](const char* start, FXint d) {
        for (const auto& t : dc.texts)
            if (t.text.rfind(start, 0) == 0 && t.y == grid.y(0) + 11 && t.x > grid.x(d) + 40 && t.x < grid.x(d + 1))
                return true;
        return false;
    };
    // As much of it as fits after the longest day's name; more after Monday's.
    EXPECT_TRUE(besideTheDay("T", 3));
    EXPECT_TRUE(besideTheDay("Reg", 1));
    EXPECT_TRUE(dc.find("Next week").empty());
    EXPECT_EQ(dc.find(" is planned on Teacher only day, a non-teaching day. Move it to a teaching day.").size(), 1u);
    EXPECT_TRUE(dc.find(" is overlapping two other plans. Change it's start or end dates.").empty());
    EXPECT_EQ(plan("60").days, "Junk,3,3");
}

// Without non-teaching days nothing is shaded and no line is drawn.
TEST_F(WeekPlan, AWeekWithoutNonTeachingDaysIsDrawnAsBefore) {
    lesson(60, "Wednesday", 1, "2014-03-12", "2014-03-12", "10:00", "10:30");
    RecordingDC dc(app());
    calendar->drawPlan(dc, W, H);
    EXPECT_TRUE(dc.find("Error: ").empty());
    drawImage();
    for (FXint d = 1; d <= 5; ++d) EXPECT_EQ(pixel(grid.x(d) + 5, grid.y(Grid::row(13, 0)) + 2), rgb(255, 255, 255));
}

TEST_F(WeekPlan, LabelIsWrittenInTheFirstAndSixthCells) {
    lesson(50, "Long lesson", 1, "2014-03-13", "2014-03-13", "09:00", "10:30");  // six cells
    lesson(51, "An hour", 1, "2014-03-14", "2014-03-14", "09:30", "10:30");      // four cells
    RecordingDC dc(app());
    calendar->drawPlan(dc, W, H);
    EXPECT_EQ(plan("50").cells, "6");
    EXPECT_EQ(plan("50").days, "Junk,4,4,4,4,4,4");
    EXPECT_EQ(plan("51").cells, "4");
    auto labels = dc.find("Long lesson");
    ASSERT_EQ(labels.size(), 2u);
    FXint p = Grid::row(9, 0);
    EXPECT_EQ(labels[0].x, grid.x(4) + 2);
    EXPECT_EQ(labels[0].y, grid.y(p) + 7);
    EXPECT_EQ(labels[1].y, grid.y(p + 5) + 7);
    EXPECT_EQ(labels[0].colour, rgb(0, 0, 0));
}

TEST_F(WeekPlan, HeadingAndDayHeadersInBothDateOrders) {
    lesson(60, "Any", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    appState.americanDate = 0;
    {
        RecordingDC dc(app());
        calendar->drawPlan(dc, W, H);
        auto monday = dc.find("Monday 10/03/14");
        ASSERT_EQ(monday.size(), 1u);
        EXPECT_EQ(monday[0].x, grid.x(1) + 2);
        EXPECT_EQ(monday[0].y, 60 + 11);
        EXPECT_EQ(dc.find("Friday 14/03/14").size(), 1u);
        EXPECT_EQ(dc.find("WEEKLY CALENDAR FOR WEEK:2  TERM:1  YEAR:2014    Teacher:Tom Hale").size(), 1u);
        EXPECT_EQ(dc.find("09:00").size(), 1u);
        EXPECT_EQ(dc.find(footerNotice.text()).size(), 1u);
    }
    appState.americanDate = 1;
    {
        RecordingDC dc(app());
        calendar->drawPlan(dc, W, H);
        EXPECT_EQ(dc.find("Monday 03/10/14").size(), 1u);
        EXPECT_EQ(dc.find("Wednesday 03/12/14").size(), 1u);
    }
    EXPECT_EQ(calendar->weekStart, localMoment(2014, 3, 10, 8, 45));
}

// A drawing asks for the lessons of the week it guesses from the term drawn
// before, together with the term; a term whose first day was changed since
// (on another computer: now Thursday 6 March) gives the week it holds now,
// Thursday to the next Wednesday, and that week's lessons.
TEST_F(WeekPlan, ATermWhoseFirstDayChangedSinceTheLastDrawingGivesItsWeekNow) {
    lesson(70, "Tuesday", 1, "2014-03-11", "2014-03-11", "09:00", "09:15");
    lesson(71, "Friday before", 1, "2014-03-07", "2014-03-07", "09:00", "09:15");
    const FXint y = grid.y(Grid::row(9, 0)) + 14;
    drawImage();
    ASSERT_EQ(planRows().size(), 1u);
    EXPECT_EQ(pixel(grid.x(2) + 4, y), colour(plan("70")));
    EXPECT_EQ(calendar->weekStart, localMoment(2014, 3, 10, 8, 45));

    sql("update TermDate set FirstDay = '2014-03-06' where Id = 1;");
    drawImage();
    ASSERT_EQ(planRows().size(), 1u);
    EXPECT_EQ(pixel(grid.x(2) + 4, y), colour(plan("71")));
    EXPECT_EQ(calendar->weekStart, localMoment(2014, 3, 6, 8, 45));
    RecordingDC dc(app());
    calendar->drawPlan(dc, W, H);
    EXPECT_EQ(dc.find("WEEKLY CALENDAR FOR WEEK:1  TERM:1  YEAR:2014    Teacher:Tom Hale").size(), 1u);
}

// London's clocks went forward on Sunday 30 March 2014.  The term began in
// winter time; on the Monday after the change, at 09:00 summer time, the
// calendar shows that week (the term's fifth), its days and times and its
// lessons in their slots.
TEST_F(WeekPlan, TheWeekAfterTheClocksGoForward) {
    ASSERT_EQ(0, access("/usr/share/zoneinfo/Europe/London", R_OK)) << "tzdata is missing";
    const char* tz = getenv("TZ");
    const std::string savedZone = tz ? tz : "";
    setenv("TZ", "Europe/London", 1);
    tzset();
    lesson(80, "Summer", 1, "2014-03-31", "2014-03-31", "09:00", "09:15");
    lesson(81, "Friday", 1, "2014-04-04", "2014-04-04", "10:00", "10:15");
    appState.dateOffset = offsetFor(localMoment(2014, 3, 31, 9, 0));
    appState.americanDate = 0;
    RecordingDC dc(app());
    calendar->drawPlan(dc, W, H);
    if (tz)
        setenv("TZ", savedZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    EXPECT_EQ(dc.find("WEEKLY CALENDAR FOR WEEK:5  TERM:1  YEAR:2014    Teacher:Tom Hale").size(), 1u);
    EXPECT_EQ(dc.find("Monday 31/03/14").size(), 1u);
    EXPECT_EQ(dc.find("Friday 04/04/14").size(), 1u);
    EXPECT_EQ(dc.find("09:00").size(), 1u);  // the first row after school start, 8:45
    // Monday's 09:00 slot and Friday's 10:00 slot.
    auto summer = dc.find("Summer");
    ASSERT_EQ(summer.size(), 1u);
    EXPECT_EQ(summer[0].x, grid.x(1) + 2);
    EXPECT_EQ(summer[0].y, grid.y(Grid::row(9, 0)) + 7);
    auto friday = dc.find("Friday");
    ASSERT_EQ(friday.size(), 1u);
    EXPECT_EQ(friday[0].x, grid.x(5) + 2);
    EXPECT_EQ(friday[0].y, grid.y(Grid::row(10, 0)) + 7);
}

TEST_F(WeekPlan, MarkersShowEvaluationAssessmentAndNotTaught) {
    lesson(70, "Marked", 1, "2014-03-14", "2014-03-14", "11:00", "11:15", 0, 1, 1, 1);
    lesson(71, "Bad", 4, "2014-03-14", "2014-03-14", "12:00", "12:15", 0, -1, 0, 0);  // rotating unit
    drawImage();
    FXint x = grid.x(5), y = grid.y(Grid::row(11, 0)), L = grid.L;
    EXPECT_EQ(pixel(x + 1, y + 1), rgb(255, 255, 0));    // good evaluation
    EXPECT_EQ(pixel(x + 1, y + L / 2), rgb(0, 0, 255));  // assessment
    EXPECT_EQ(pixel(x + 1, y + L - 2), rgb(255, 0, 0));  // not taught
    FXint y2 = grid.y(Grid::row(12, 0));
    EXPECT_EQ(pixel(x + 1, y2 + 1), rgb(255, 255, 255));               // bad evaluation
    EXPECT_EQ(pixel(x + grid.K / 4 + 1, y2 + L / 2), rgb(255, 0, 0));  // rotating
    EXPECT_EQ(plan("71").rotate, "1");
}

// A Settings row "SchoolTimes" of 0 (or text without digits) gives a grid
// without rows: the heading is drawn, nothing is divided by zero.
TEST_F(WeekPlan, TimetableWithoutRowsDrawsTheHeadingOnly) {
    lesson(75, "Any", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    appState.schoolTimes = 0;
    RecordingDC dc(app());
    calendar->drawPlan(dc, W, H);
    EXPECT_EQ(dc.find("WEEKLY CALENDAR FOR WEEK:2  TERM:1  YEAR:2014    Teacher:Tom Hale").size(), 1u);
    EXPECT_TRUE(dc.find("Monday 03/10/14").empty());
    EXPECT_TRUE(planRows().empty());
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(WeekPlan, TeacherWithoutPlansGetsTheNoPlansBox) {
    sql("delete from UnitPlan;");
    drawImage();
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::drawPlan - No plans exist.");
    EXPECT_EQ(prompts.last().text, "No plans have been loaded yet for this teacher.");
    EXPECT_EQ(pixel(W / 2, H / 2), rgb(255, 255, 255));
    EXPECT_TRUE(planRows().empty());
}

TEST_F(WeekPlan, NoTermBeforeTheShownDateIsSaidInPlainWordsOnPaint) {
    lesson(80, "Any", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    appState.dateOffset = offsetFor(localMoment(2013, 6, 1, 12));
    calendar->redraw();
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::drawPlan - No school term.");
    EXPECT_EQ(prompts.last().text,
              "The week shown lies before the school's first term, which begins on 03/03/14.\n\n"
              "Press \"Term >\" to go to it, or add the earlier terms in Options, School Setup.");
    EXPECT_EQ(calendar->getCanvasNotice(), prompts.last().text.c_str());
    EXPECT_TRUE(calendar->planColourList.IsEmpty());
}

// The week shown is the one that holds the shown date, at any hour: early
// on a Monday, before school starts, it is already that Monday's week, and
// late on Sunday still the week before.
TEST_F(WeekPlan, ThisWeekHoldsTodayEvenBeforeSchoolOnMonday) {
    lesson(100, "Any", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    struct Moment {
        int month, day, hour, minute, week;
        const char* monday;
    } moments[] = {
        {3, 10, 7, 0, 2, "Monday 03/10/14"},    // Monday at 07:00, school starts 08:45
        {3, 10, 0, 1, 2, "Monday 03/10/14"},    // just after midnight
        {3, 16, 23, 59, 2, "Monday 03/10/14"},  // Sunday night
        {3, 17, 8, 44, 3, "Monday 03/17/14"},   // a minute before school
        {3, 3, 7, 30, 1, "Monday 03/03/14"},    // the term's first day, before school
    };
    for (const Moment& m : moments) {
        appState.dateOffset = offsetFor(localMoment(2014, m.month, m.day, m.hour, m.minute));
        RecordingDC dc(app());
        calendar->drawPlan(dc, W, H);
        const std::string heading =
            "WEEKLY CALENDAR FOR WEEK:" + std::to_string(m.week) + "  TERM:1  YEAR:2014    Teacher:Tom Hale";
        EXPECT_EQ(dc.find(heading).size(), 1u) << m.month << "/" << m.day << " " << m.hour << ":" << m.minute;
        EXPECT_EQ(dc.find(m.monday).size(), 1u) << m.month << "/" << m.day << " " << m.hour << ":" << m.minute;
    }
    EXPECT_TRUE(prompts.prompts.empty());
}

// A lesson's colour comes from its unit: the same in every drawing and week
// to week; lessons of one unit in one week are shades of it, far enough
// apart for the click test.
TEST_F(WeekPlan, ALessonKeepsItsUnitsColourFromDrawingToDrawing) {
    for (int d = 0; d < 5; ++d)
        lesson(110 + d, "Week one", 1, "2014-03-1" + std::to_string(d), "2014-03-1" + std::to_string(d), "09:00",
               "09:30");
    lesson(120, "Week two", 1, "2014-03-17", "2014-03-17", "09:00", "09:30");
    lesson(121, "Routine", 2, "2014-03-10", "2014-03-14", "11:00", "11:15", 4);
    drawImage();
    std::vector<PlanRow> first = planRows();
    ASSERT_EQ(first.size(), 6u);
    srand(12345);  // nothing random is left in the drawing
    drawImage();
    std::vector<PlanRow> again = planRows();
    ASSERT_EQ(again.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(again[i].id, first[i].id);
        EXPECT_EQ(again[i].cellColour, first[i].cellColour) << "lesson " << first[i].id;
    }
    // Every two lessons of the week apart; the shades of unit 1 near each other.
    for (size_t i = 0; i < first.size(); ++i)
        for (size_t j = i + 1; j < first.size(); ++j) {
            FXColor a = colour(first[i]), b = colour(first[j]);
            int distance = abs((int)FXREDVAL(a) - (int)FXREDVAL(b)) + abs((int)FXGREENVAL(a) - (int)FXGREENVAL(b)) +
                           abs((int)FXBLUEVAL(a) - (int)FXBLUEVAL(b));
            EXPECT_GE(distance, 24) << first[i].id << " and " << first[j].id;
            if (first[i].id != "121" && first[j].id != "121") {
                EXPECT_LE(distance, 6 * 24) << "shades of one unit: " << first[i].id << " and " << first[j].id;
            }
        }
    // The next week the unit's first lesson has the unit's colour again.
    const FXColor unitColour = colour(plan("110"));
    appState.dateOffset = offsetFor(localMoment(2014, 3, 19, 12));
    drawImage();
    EXPECT_EQ(colour(plan("120")), unitColour);
    for (const PlanRow& row : planRows()) {
        FXColor c = colour(row);
        EXPECT_GE(FXREDVAL(c), 155);
        EXPECT_GE(FXGREENVAL(c), 155);
        EXPECT_GE(FXBLUEVAL(c), 155);
    }
}

TEST_F(WeekPlan, ALongTeacherNameIsShortenedToKeepTheHeadingOnTheCanvas) {
    lesson(130, "Any", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    const std::string longName(140, 'W');  // as long as the column allows
    sql("update Teachers set Teacher = '" + longName + "' where Id = 2;");
    RecordingDC dc(app());
    calendar->drawPlan(dc, W, H);
    bool found = false;
    for (const auto& t : dc.texts) {
        if (t.text.rfind("WEEKLY CALENDAR FOR WEEK:2", 0) != 0) continue;
        found = true;
        EXPECT_GE(t.x, 3);
        EXPECT_LE(t.x + labelFont->getTextWidth(t.text.c_str()), W - 3);
        EXPECT_NE(t.text.find("Teacher:WWW"), std::string::npos) << t.text;
        EXPECT_EQ(t.text.substr(t.text.size() - 3), "...");
    }
    EXPECT_TRUE(found);
}

TEST_F(WeekPlan, ATeacherWithoutANameIsToldWhereToGiveOneAndTheWeekIsDrawn) {
    lesson(140, "Any", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    sql("update Teachers set Teacher = '' where Id = 2;");
    drawImage();
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::drawPlan - The teacher has no name.");
    EXPECT_NE(prompts.last().text.find("in Teachers"), std::string::npos) << prompts.last().text;
    EXPECT_EQ(planRows().size(), 1u);
}

TEST_F(WeekPlan, BeforeAnyTermIsStoredTheMessageLeadsToSchoolSetup) {
    lesson(150, "Any", 1, "2014-03-10", "2014-03-10", "09:00", "09:15");
    sql("delete from TermDate;");
    drawImage();
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::drawPlan - No school term.");
    EXPECT_EQ(prompts.last().text,
              "This database has no school terms yet.\n\nAdd them in Options, School Setup: the first day of each "
              "term and its length in weeks.");
    EXPECT_EQ(pixel(W / 2, H - 5), rgb(255, 255, 255));
}

// A redraw that fails leaves nothing of the week before: a white canvas
// and no plans for a click, then the error box.
TEST_F(WeekPlan, AFailedRedrawClearsTheCanvasBeforeTheErrorBox) {
    lesson(160, "Maths", 1, "2014-03-10", "2014-03-10", "09:00", "10:00");
    calendar->redraw();
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    ASSERT_FALSE(calendar->planColourList.IsEmpty());
    Grid g(calendar->getCanvas()->getWidth(), calendar->getCanvas()->getHeight());
    const FXint x = g.x(1) + g.K - 4, y = g.y(Grid::row(9, 30)) + g.L / 2;
    ASSERT_NE(screenPixel(calendar->getCanvas(), x, y), rgb(255, 255, 255));

    // Something the database refuses.
    appState.currentUserId = "2 and";
    FXColor underTheBox = 0;
    struct Watch : testsupport::RecordingPrompter {
        CalendarWindow* calendar;
        FXint x, y;
        FXColor* seen;
        void error(FXWindow* o, const FXString& c, const FXString& t) override {
            *seen = screenPixel(calendar->getCanvas(), x, y);
            RecordingPrompter::error(o, c, t);
        }
    } watch;
    watch.calendar = calendar;
    watch.x = x;
    watch.y = y;
    watch.seen = &underTheBox;
    calendar->redraw();
    ASSERT_EQ(watch.prompts.size(), 1u);
    EXPECT_EQ(watch.last().caption, "Database Error");
    EXPECT_EQ(underTheBox, rgb(255, 255, 255)) << "the old week was still shown under the box";
    EXPECT_TRUE(calendar->planColourList.IsEmpty());
}

// Clicks on the calendar's own canvas.
class WeekPlanClicks : public WeekPlan {
protected:
    void click(FXint x, FXint y) {
        testsupport::clickCanvas(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, x, y);
    }
    Grid canvasGrid() const { return Grid(calendar->getCanvas()->getWidth(), calendar->getCanvas()->getHeight()); }
    // A click on a plan opens the plan editor: closes the editors opened so far and counts them.
    int closeUnitPlanDialogs() { return testsupport::deleteWindows<UnitPlanDialog>(app()); }
};

TEST_F(WeekPlanClicks, ClickOnAColourLineOrMarker) {
    lesson(90, "Maths", 1, "2014-03-10", "2014-03-10", "09:00", "09:30", 0, 0, 0, 1);
    lesson(91, "Art", 1, "2014-03-11", "2014-03-11", "09:00", "09:30");
    lesson(92, "Music", 1, "2014-03-12", "2014-03-12", "09:00", "09:30");
    calendar->redraw();
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    Grid g = canvasGrid();
    ASSERT_GE(g.L, 8) << "canvas too small: " << g.W << "x" << g.H;
    FXint y = g.y(Grid::row(9, 0));

    click(g.x(2) + g.K / 2, y + g.L - 2);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(closeUnitPlanDialogs(), 1);
    EXPECT_STREQ(FXString(calendar->getChosenLessonPlan()).trim().text(), "91");

    prompts.clear();
    click(g.x(2), y + g.L / 2);  // the line between Monday and Tuesday
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::onMouseDown - No plan chosen.");
    EXPECT_EQ(prompts.last().text, "You clicked on a region coloured black or white. Please click on a coloured plan.");

    // The red not-taught marker: the plan whose colour is nearest to red.
    std::string nearest;
    int best = 9999;
    std::vector<PlanRow> rows = planRows();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        FXColor c = colour(*row);
        int distance = abs(255 - FXREDVAL(c)) + FXGREENVAL(c) + FXBLUEVAL(c);
        if (distance < best) best = distance, nearest = row->id;
    }
    prompts.clear();
    click(g.x(1) + 1, y + g.L - 2);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(closeUnitPlanDialogs(), 1);
    EXPECT_EQ(std::string(FXString(calendar->getChosenLessonPlan()).trim().text()), nearest);
}

TEST_F(WeekPlanClicks, AClickOnANonTeachingDaysShadingChoosesNoPlan) {
    sql("insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-03-12', '2014-03-12', 'Sports day');");
    lesson(60, "Relay", 1, "2014-03-12", "2014-03-12", "09:00", "09:30");
    calendar->redraw();
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    Grid g = canvasGrid();
    click(g.x(3) + g.K / 2, g.y(Grid::row(13, 0)) + g.L / 2);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::onMouseDown - No plan chosen.");
    EXPECT_EQ(closeUnitPlanDialogs(), 0);
    prompts.clear();
    click(g.x(3) + g.K / 2, g.y(Grid::row(9, 0)) + g.L / 2);
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    EXPECT_EQ(closeUnitPlanDialogs(), 1);
    EXPECT_STREQ(FXString(calendar->getChosenLessonPlan()).trim().text(), "60");
}

// "Reschedule..." starts from the day and row the pop-up menu was called on;
// from "More Options" (no point) or the time column, from the shown day.
TEST_F(WeekPlanClicks, ThePopUpMenusPointGivesRescheduleItsDayAndTime) {
    lesson(60, "Relay", 1, "2014-03-12", "2014-03-12", "09:00", "09:30");
    calendar->redraw();
    Grid g = canvasGrid();
    calendar->pointAt(g.x(3) + 5, g.y(Grid::row(11, 0)) + 2);
    EXPECT_EQ(std::string(calendar->menuDay.text()), "2014-03-12");
    EXPECT_EQ(std::string(calendar->menuTime.text()), "11:00");
    calendar->pointAt(g.x(5) + 5, g.y(0) + 2);  // Friday's heading: the whole day
    EXPECT_EQ(std::string(calendar->menuDay.text()), "2014-03-14");
    EXPECT_EQ(std::string(calendar->menuTime.text()), "");
    calendar->pointAt(5, g.y(Grid::row(11, 0)) + 2);
    EXPECT_EQ(std::string(calendar->menuDay.text()), "2014-03-12");  // the shown day
    calendar->pointAt(-1, -1);
    EXPECT_EQ(std::string(calendar->menuDay.text()), "2014-03-12");
    EXPECT_EQ(std::string(calendar->menuTime.text()), "");
}

// A lesson dragged on the grid: an outline follows the pointer from cell to
// cell; Escape leaves the lesson; a release moves it (dates and times by
// the same amount), asking first about a lesson in the past, as one undo
// step; a press and release without movement still opens the editor.
TEST_F(WeekPlanClicks, DraggingALessonMovesItAsOneUndoStepAndEscapeCancels) {
    lesson(60, "Relay", 1, "2014-03-12", "2014-03-12", "09:00", "09:30");
    calendar->redraw();
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    Grid g = canvasGrid();
    const FXint x0 = g.x(3) + g.K / 2, y0 = g.y(Grid::row(9, 0)) + g.L / 2;
    const FXint x1 = g.x(4) + g.K / 2, y1 = g.y(Grid::row(10, 0)) + g.L / 2;
    auto where = [&] {
        return value(
            "Select DateStart || ' ' || DateEnd || ' ' || TimeStart || ' ' || TimeEnd from "
            "LessonPlan where Id = 60");
    };
    const std::string before = where();

    using testsupport::buttonEvent;
    buttonEvent(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, SEL_LEFTBUTTONPRESS, x0, y0);
    buttonEvent(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, SEL_MOTION, x1, y1);
    EXPECT_TRUE(calendar->dragging());
    // The outline: Thursday's cells of 10:00 and 10:15, framed in black.
    EXPECT_EQ(screenPixel(calendar->getCanvas(), g.x(4) + 2, g.y(Grid::row(10, 15)) + g.L / 2), rgb(0, 0, 0));
    EXPECT_NE(screenPixel(calendar->getCanvas(), g.x(4) + 2, g.y(Grid::row(11, 0)) + g.L / 2), rgb(0, 0, 0));
    FXEvent escape;
    escape.type = SEL_KEYPRESS;
    escape.code = KEY_Escape;
    calendar->handle(calendar->getCanvas(), FXSEL(SEL_KEYPRESS, CalendarWindow::ID_CANVAS), &escape);
    EXPECT_FALSE(calendar->dragging());
    EXPECT_NE(screenPixel(calendar->getCanvas(), g.x(4) + 2, g.y(Grid::row(10, 15)) + g.L / 2), rgb(0, 0, 0));
    buttonEvent(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, SEL_LEFTBUTTONRELEASE, x1, y1);
    EXPECT_EQ(where(), before);
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    EXPECT_EQ(closeUnitPlanDialogs(), 0);

    testsupport::dragCanvas(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, x0, y0, x1, y1);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "Retrospective Planning Not Allowed");  // answered No: go on
    EXPECT_EQ(where(), "2014-03-13 2014-03-13 10:00:00.0000 10:30:00.0000");
    EXPECT_EQ(closeUnitPlanDialogs(), 0);
    undocommands::refresh();
    EXPECT_EQ(undocommands::offered(true), FXString("Move of lesson Relay"));
    testsupport::pressKey(calendar, KEY_z, CONTROLMASK);  // Undo
    EXPECT_EQ(where(), before);
    testsupport::pressKey(calendar, KEY_Z, CONTROLMASK | SHIFTMASK);  // Redo
    EXPECT_EQ(where(), "2014-03-13 2014-03-13 10:00:00.0000 10:30:00.0000");

    // A press and release with the pointer moved less than a few pixels is a click.
    prompts.clear();
    testsupport::dragCanvas(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, x1, y1, x1 + 2, y1);
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    EXPECT_EQ(closeUnitPlanDialogs(), 1);
    EXPECT_STREQ(FXString(calendar->getChosenLessonPlan()).trim().text(), "60");
}

TEST_F(WeekPlanClicks, SyndicateLeaderIsToldWhatALeaderDoesAndClicksChooseNothing) {
    lesson(95, "Maths", 1, "2014-03-10", "2014-03-10", "09:00", "09:30");
    calendar->redraw();
    appState.currentUserId = "         1";
    appState.currentSyndicate = "         1";
    calendar->redraw();
    ASSERT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(calendar->getCanvasNotice(), FXString(CalendarWindow::leaderText));
    EXPECT_EQ(FXString(CalendarWindow::leaderText).find("You are logged in as a syndicate leader."), 0);
    Grid g = canvasGrid();
    click(g.x(1) + g.K / 2, g.y(Grid::row(9, 0)) + g.L / 2);  // where Tom's plan was
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::onMouseDown - No plan chosen.");

    // Back to a teacher: the week is drawn again.
    appState.currentUserId = "2";
    appState.currentSyndicate = "1";
    prompts.clear();
    calendar->redraw();
    click(g.x(1) + g.K / 2, g.y(Grid::row(9, 0)) + g.L - 2);
    EXPECT_STREQ(FXString(calendar->getChosenLessonPlan()).trim().text(), "95");
    EXPECT_EQ(closeUnitPlanDialogs(), 1);
}

}  // namespace

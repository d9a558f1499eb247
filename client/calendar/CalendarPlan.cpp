// CalendarWindow: the week plan.  drawPlan draws one school week of the
// current teacher's lesson plans on any device; the canvas keeps the drawing
// in an off-screen image; a click is mapped back to a plan by its colour.
#include <ctime>
#include <vector>

#include <fxkeys.h>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Numbers.h"
#include "planedit/LessonMove.h"
#include "planedit/UnitPlanDialog.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/PlanDrawing.h"
#include "ui/Prompter.h"

using namespace FX;

using dates::oneWeek;

namespace {

const FXColor white = FXRGB(255, 255, 255);
const FXColor black = FXRGB(0, 0, 0);
const FXColor red = FXRGB(255, 0, 0);
const FXColor blue = FXRGB(0, 0, 255);
const FXColor yellow = FXRGB(255, 255, 0);
const FXColor nonContact = FXRGB(250, 250, 210);  // plans of unit type 3
const FXColor overlapping = FXRGB(15, 15, 15);    // a plan that overlaps two others

const char* const dayNames[5] = {"Monday ", "Tuesday ", "Wednesday ", "Thursday ", "Friday "};

FXString colourText(FXColor colour) { return FXStringFormat("%u", (FXuint)colour); }

// A lesson's light colour, the same in every drawing: red, green and blue
// each 155 to 254, mixed from its unit's Id, so that a teacher knows a unit
// from week to week and neighbouring units look different.  Lessons of one
// unit in one week get shades of the unit's colour: a colour too near one
// already given in this drawing is moved, so that a click always tells two
// lessons apart.
FXuint mixBits(FXuint h) {
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

FXint colourDistance(FXColor a, FXColor b) {
    return FXABS((FXint)FXREDVAL(a) - (FXint)FXREDVAL(b)) + FXABS((FXint)FXGREENVAL(a) - (FXint)FXGREENVAL(b)) +
           FXABS((FXint)FXBLUEVAL(a) - (FXint)FXBLUEVAL(b));
}

// Far enough apart for the click test, near enough to look alike.
const FXint shadeStep = 12;
const FXint distinct = 2 * shadeStep;

bool farFromAll(FXColor colour, const std::vector<FXColor>& used) {
    for (FXColor u : used)
        if (colourDistance(colour, u) < distinct) return false;
    return true;
}

FXColor lightColour(FXuint bits, FXint dr = 0, FXint dg = 0, FXint db = 0) {
    const FXint r = 155 + (FXint)(bits % 100) + dr, g = 155 + (FXint)((bits / 100) % 100) + dg,
                b = 155 + (FXint)((bits / 10000) % 100) + db;
    return FXRGB(FXCLAMP(155, r, 254), FXCLAMP(155, g, 254), FXCLAMP(155, b, 254));
}

// `used`: the colours of the plans listed so far.
FXColor planColour(const FXString& unitId, const FXString& lessonId, const std::vector<FXColor>& used) {
    const FXuint bits = mixBits((FXuint)decimalValue(unitId));
    // The unit's colour, then its shades one and two steps away.
    for (FXint steps = 0; steps <= 2; ++steps)
        for (FXint dr = -steps; dr <= steps; ++dr)
            for (FXint dg = -steps; dg <= steps; ++dg)
                for (FXint db = -steps; db <= steps; ++db) {
                    if (FXMAX(FXABS(dr), FXMAX(FXABS(dg), FXABS(db))) != steps) continue;
                    const FXColor colour = lightColour(bits, dr * shadeStep, dg * shadeStep, db * shadeStep);
                    if (farFromAll(colour, used)) return colour;
                }
    // A week crowded with one unit's lessons: colours of the lesson's own.
    for (FXuint attempt = 0; attempt < 16; ++attempt) {
        const FXColor colour = lightColour(mixBits((FXuint)decimalValue(lessonId) * 16u + attempt));
        if (farFromAll(colour, used)) return colour;
    }
    return lightColour(bits);
}
}  // namespace

// ---------------------------------------------------------------------------
// Drawing

void CalendarWindow::drawPlan(FXDC& dc, FXint W, FXint H) {
    dc.setForeground(white);
    dc.fillRectangle(0, 0, W, H);
    planColourList.Clear();
    lessons.clear();
    plans.clear();
    planOf.clear();
    listOrder.clear();
    weekTableText = FXString();
    dayTimes = dates::SameDayTimes();
    canvasNotice = FXString();

    // Without the middleware nothing is asked: the canvas says why, and the
    // next redraw (F5) tries again.
    if (!IsectRecordset::Connected()) {
        cannotDraw(dc, W, H, FXString(),
                   "Plenwick is not connected to the database service.\n\nPress F5 to try again.");
        return;
    }

    Week week;
    loadWeek(week);
    switch (week.outcome) {
        case Week::LOST:  // the area stays white; the command's warning tells why
            return;
        case Week::NO_TEACHER:
            cannotDraw(dc, W, H, "CalendarWindow::drawPlan - No teacher chosen.", week.notice);
            return;
        case Week::NO_PLANS:
            Prompter::get().information(this, "CalendarWindow::drawPlan - No plans exist.",
                                        "No plans have been loaded yet for this teacher.");
            return;
        case Week::NO_TERM:
            cannotDraw(dc, W, H, "CalendarWindow::drawPlan - No school term.", week.notice);
            return;
        case Week::WEEK:
            break;
    }
    if (FXString(week.teacherName).trim().empty())
        Prompter::get().error(this, "CalendarWindow::drawPlan - The teacher has no name.",
                              "The current teacher has no name.\n\nGive it one in Teachers: choose the teacher, "
                              "type the name and press Edit.");
    drawHeading(dc, W, H, week);
    drawGrid(dc, W, H, week);
}

// ---------------------------------------------------------------------------
// The queries

namespace {
// The week that holds the shown moment in a term whose first day is
// `firstDay` (ISO): weeks are counted from the midnight before the term's
// first day, so that early on a Monday, before school starts, it is already
// that Monday's week.  Calendar weeks: a week that begins in summer time
// after a term that began in winter time still begins on its Monday.
struct TermWeek {
    FXlong termBase = 0;  // a week before the term's first day at school start
    FXlong N = 0;         // the week's number in the term
    FXlong first = 0;     // its Monday at school start
    FXString D0, D6;      // its Monday and Sunday
};

TermWeek termWeek(const FXString& firstDay, FXlong shown) {
    TermWeek week;
    week.termBase = dates::localMoment(firstDay, appState.schoolHour, appState.schoolMinute) - oneWeek;
    week.N = dates::weeksBetween(dates::addDays(dates::localMoment(firstDay, 0, 0), -7), shown);
    week.first = week.termBase + week.N * oneWeek;
    week.D0 = dates::isoDate(week.first);
    week.D6 = dates::isoDate(dates::addDays(week.first, 6));
    return week;
}
}  // namespace

void CalendarWindow::loadWeek(Week& week) {
    const FXlong shown = dates::shownNow();
    // The queries, in one transaction.  A failed connection ends the drawing
    // (the guard ends the transaction).  The teacher, the first unit and the
    // term need nothing of each other and go out together.  Two columns for
    // the teacher, so that a teacher whose name is empty still has a row.
    IsectRecordset::Transaction transaction(drawRecordset);
    IsectRecordset teacher, firstUnit, term, closed;
    IsectRecordset::Reads reads;
    reads.Add(teacher, "Select Id, Teacher from Teachers where Id = " + appState.currentUserId);
    reads.Add(firstUnit, "Select First 1 Id from UnitPlan Where FKTeacher = " + appState.currentUserId);
    reads.Add(term, "Select SchoolWeeks,FirstDay,SchoolYear,SchoolTerm from TermDate Where FirstDay <= '" +
                        dates::isoDate(shown) + "'");
    // The week's days and lessons need the term's first day.  A drawing
    // mostly shows a week of the term drawn last: they go out with the rest
    // for that term's week, and again only when the term read now gives
    // another week.
    const bool guessed = !lastTermStart.empty();
    TermWeek guess;
    FXString guessedTable;
    if (guessed) {
        guess = termWeek(lastTermStart, shown);
        guessedTable = addWeekReads(reads, closed, guess.D0, guess.D6);
    }
    if (!reads.Run()) return;
    teacher.rows.MoveFirst();
    if (teacher.rows.eof) {
        week.notice = noTeacherText();
        if (week.notice.empty()) return;
        transaction.commit();
        week.outcome = Week::NO_TEACHER;
        return;
    }
    week.teacherName = teacher.GetField("Teacher");

    firstUnit.rows.MoveFirst();
    if (firstUnit.rows.eof) {
        transaction.commit();
        week.outcome = Week::NO_PLANS;
        return;
    }

    term.rows.MoveFirst();
    if (term.rows.eof) {
        // Before the first term, or no terms at all.
        if (!term.OpenRecordset("Select First 1 FirstDay from TermDate Order By FirstDay")) return;
        term.rows.MoveFirst();
        week.notice = term.rows.eof ? FXString(
                                          "This database has no school terms yet.\n\n"
                                          "Add them in Options, School Setup: the first day of each term and "
                                          "its length in weeks.")
                                    : "The week shown lies before the school's first term, which begins on " +
                                          DisplayDate(term.rows.GetField(0)) +
                                          ".\n\nPress \"Term >\" to go to it, or add the earlier terms in Options, "
                                          "School Setup.";
        transaction.commit();
        week.outcome = Week::NO_TERM;
        return;
    }
    term.rows.MoveLast();
    week.schoolYear = term.GetField("SchoolYear");
    week.schoolTerm = term.GetField("SchoolTerm");
    lastTermStart = term.rows.GetField(1);
    const TermWeek shownWeek = termWeek(lastTermStart, shown);
    week.termBase = shownWeek.termBase;
    week.N = shownWeek.N;
    if (guessed && shownWeek.D0 == guess.D0 && shownWeek.D6 == guess.D6) {
        weekTableText = guessedTable;
    } else {
        weekTableText = addWeekReads(reads, closed, shownWeek.D0, shownWeek.D6);
        if (!reads.Run()) return;
    }
    for (closed.rows.MoveFirst(); !closed.rows.eof; closed.rows.MoveNext()) {
        const FXString from = closed.rows.GetField(0).left(10), to = closed.rows.GetField(1).left(10);
        const FXString name = closed.rows.GetField(2);
        for (FXint d = 0; d < 5; ++d) {
            const FXString day = dates::isoDate(dates::addDays(shownWeek.first, d));
            if (from <= day && day <= to) week.closedNames[d] += (week.closedNames[d].empty() ? "" : ", ") + name;
        }
    }
    readLessons();
    transaction.commit();
    week.outcome = Week::WEEK;
}

// The non-teaching days (into `closed`) and the lessons (into
// drawRecordset) of the week from D0 to D6.  The drawing reads only the
// columns it draws.  The lesson texts stay out of its query: the database
// sorts whole rows, and ten texts of up to 4 400 characters each made the
// sort of a week's rows take longer than all the rest of the drawing.  The
// HTML file of the week lists the lesson's own columns in the table's order
// (without the row versions): the full statement of the same rows is
// returned for its table.
FXString CalendarWindow::addWeekReads(IsectRecordset::Reads& reads, IsectRecordset& closed, const FXString& D0,
                                      const FXString& D6) {
    reads.Add(closed, "Select FirstDay, LastDay, Name from NonTeachingDay Where FirstDay <= '" + D6 +
                          "' and LastDay >= '" + D0 + "' Order By FirstDay, Id");
    const FXString weekLessons =
        " from LessonPlan,UnitPlan,LongTerm "
        "Where LessonPlan.FKUnitPlan = UnitPlan.Id And UnitPlan.FKLongTerm = LongTerm.Id And UnitPlan.FKTeacher = " +
        appState.currentUserId + " and (DateEnd >= '" + D0 + "' and DateEnd < '" + D6 + "' or DateStart <= '" + D6 +
        "' and DateEnd >= '" + D6 + "') and LongTerm.Persistant = 0 Order By UnitType Desc,TimeStart,LessonPlan.Id";
    // (readLessons reads the columns by their place.)
    reads.Add(drawRecordset,
              "Select LessonPlan.Id, LessonName, LessonEval, LessonAssess, LessonNotTaught, DateStart, DateEnd, "
              "TimeStart, TimeEnd, RoutineDay, FKUnitPlan, UnitPlan.UnitType, UnitPlan.Rotate" +
                  weekLessons);
    return "Select LessonPlan.Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, LessonClose, "
           "LessonTest, LessonResource, LessonReflect, LessonEval, LessonAssess, LessonNotTaught, DateStart, DateEnd, "
           "TimeStart, TimeEnd, RoutineDay, FKUnitPlan, UnitPlan.UnitType, UnitPlan.Rotate" +
           weekLessons;
}

// Each lesson of the lesson query, read once; the three passes over the
// grid reuse them.  The fields are read by their place in the query's
// columns, as stored: the dates as ISO text, the times as HH:MM followed by
// the seconds.
void CalendarWindow::readLessons() {
    enum {
        ID,
        NAME,
        EVAL,
        ASSESS,
        NOT_TAUGHT,
        DATE_START,
        DATE_END,
        TIME_START,
        TIME_END,
        ROUTINE_DAY,
        UNIT,
        TYPE,
        ROTATE
    };
    // A week's lessons fall on a few dates: each converted once.
    std::vector<std::pair<FXString, FXlong>> dayStarts, dayEnds;
    const auto moment = [](std::vector<std::pair<FXString, FXlong>>& known, const FXString& iso, FXint hour,
                           FXint minute) {
        for (const auto& k : known)
            if (k.first == iso) return k.second;
        known.emplace_back(iso, dates::localMoment(iso, hour, minute));
        return known.back().second;
    };
    FXStringRecordset& rows = drawRecordset.rows;
    for (rows.MoveFirst(); !rows.eof; rows.MoveNext()) {
        LessonRow row;
        row.id = rows.GetField(ID);
        row.unitId = rows.GetField(UNIT);
        row.name = rows.GetField(NAME);
        row.unitTypeText = rows.GetField(TYPE);
        row.rotateText = rows.GetField(ROTATE);
        row.unitType = decimalValue(row.unitTypeText);
        row.rotate = decimalValue(row.rotateText);
        row.routineDay = decimalValue(rows.GetField(ROUTINE_DAY));
        row.notTaught = decimalValue(rows.GetField(NOT_TAUGHT));
        row.assess = decimalValue(rows.GetField(ASSESS));
        row.eval = decimalValue(rows.GetField(EVAL));
        row.startDay = moment(dayStarts, rows.GetField(DATE_START), 0, 0);
        row.endDay = moment(dayEnds, rows.GetField(DATE_END), 23, 59);
        const FXString timeStart = rows.GetField(TIME_START);
        const FXString timeEnd = rows.GetField(TIME_END);
        row.startHour = decimalValue(timeStart.mid(0, 2));
        row.startMinute = decimalValue(timeStart.mid(3, 2));
        row.endHour = decimalValue(timeEnd.mid(0, 2));
        row.endMinute = decimalValue(timeEnd.mid(3, 2));
        // The plan entry of its Id: the first row's (an Id comes once).
        size_t first = 0;
        while (first < lessons.size() && lessons[first].id != row.id) ++first;
        planOf.push_back(first);
        lessons.push_back(row);
    }
    plans.assign(lessons.size(), PlanEntry());
}

// ---------------------------------------------------------------------------
// The week

void CalendarWindow::drawHeading(FXDC& dc, FXint W, FXint H, const Week& week) {
    dc.setForeground(black);
    dc.setFont(smallFont);
    dc.drawText(W - 80 - smallFont->getTextWidth(footerNotice), H, footerNotice);
    dc.setFont(labelFont);
    // The heading stays on the drawing: moved off the centre where it must
    // be, and with the teacher's name shortened only when the whole width is
    // not enough.
    const FXString& teacherName = week.teacherName;
    const FXString headingStart = "WEEKLY CALENDAR FOR WEEK:" + FXStringVal((FXint)week.N) +
                                  "  TERM:" + FXString(week.schoolTerm).trim() +
                                  "  YEAR:" + FXString(week.schoolYear).trim() + "    Teacher:";
    FXString heading = headingStart + teacherName;
    for (FXint keep = teacherName.length(); keep > 0 && labelFont->getTextWidth(heading) > W - 6;) {
        keep = FXMAX(0, keep - 1);
        while (keep > 0 && (teacherName[keep] & 0xC0) == 0x80) --keep;  // never half a UTF-8 character
        heading = headingStart + teacherName.left(keep) + "...";
    }
    const FXint headingWidth = labelFont->getTextWidth(heading);
    dc.drawText(FXMAX(3, FXMIN((W - 80) / 2 - headingWidth / 2, W - 3 - headingWidth)), 19, heading);
}

// The grid: three passes over every cell.  Pass 0 gives each plan its
// colour, pass 1 fills the cells and draws headers and lines, pass 2 counts
// each plan's cells and writes the labels.
void CalendarWindow::drawGrid(FXDC& dc, FXint W, FXint H, const Week& week) {
    // A timetable of no rows (a damaged SchoolTimes setting) draws no grid
    // instead of dividing by zero.
    Grid grid;
    grid.W = W;
    grid.L = appState.schoolTimes > 0 ? (H - 70) / appState.schoolTimes : 0;
    grid.C = (W - 80) / 6;
    grid.K = ((W - 80) + grid.C) / 6;
    // Times in the label font where a row is tall enough for it, else in the
    // grid's small font (a timetable of many short rows).
    grid.timeFont = grid.L * 2 / 3 + 3 >= labelFont->getFontAscent() ? labelFont : smallFont;
    grid.closedNames = week.closedNames;
    const FXlong monday = week.termBase + week.N * oneWeek;
    // The Monday is whole weeks of seconds after the term's start at school
    // start: where the clocks have moved since, its hour is one off, and
    // dstFix puts the rows back at the school's hour.
    FXlong dstFix = 0;
    if (appState.schoolTimes > 1) {
        weekStart = monday;
        const FXint hour = dates::hourOf(weekStart);
        dstFix = hour == appState.schoolHour ? 0 : hour > appState.schoolHour ? -3600 : 3600;
    }
    indexSlots(monday + dstFix);
    for (int pass = 0; pass < 3; ++pass) {
        for (FXint p = 0; p < appState.schoolTimes; ++p) {
            const FXint y = 60 + grid.L * p;
            for (FXint d = 0; d <= 5; ++d) {
                const FXint x = d == 0 ? 3 : 3 + grid.C / 2 + (d - 1) * grid.K;
                const bool closed = d >= 1 && !week.closedNames[d - 1].empty();
                if (pass == 1 && closed) shadeClosedCell(dc, grid, x, y);
                if (p >= 1 && d >= 1) drawSlot(dc, grid, pass, x, y, p, d);
                if (pass == 1) drawCellFrame(dc, grid, x, y, monday, dstFix, p, d);
                if (pass == 1 && closed && p == 0) nameClosedDay(dc, grid, x, y, d, monday, week.closedNames[d - 1]);
            }
        }
    }
    writePlanList();
}

// Which lessons each slot holds, asked once per slot and lesson.
void CalendarWindow::indexSlots(FXlong mondayStart) {
    slotLessons.assign((size_t)FXMAX(appState.schoolTimes, 0) * 6, std::vector<size_t>());
    for (FXint d = 1; d <= 5; ++d) {
        // The day's school start, whatever the daylight-saving state.
        const FXlong dayStart = dates::addDays(mondayStart, d - 1);
        for (FXint p = 1; p < appState.schoolTimes; ++p)
            for (currentLesson = 0; currentLesson < lessons.size(); ++currentLesson)
                if (slotTest(dayStart, p, d)) slotLessons[(size_t)p * 6 + d].push_back(currentLesson);
    }
}

// The lessons of one slot (row p, day column d, at x, y) in one pass.  A
// lesson's marks are drawn in the last pass only: the same marks drawn
// there again would cover them.
void CalendarWindow::drawSlot(FXDC& dc, const Grid& grid, int pass, FXint x, FXint y, FXint p, FXint d) {
    const FXint K = grid.K, L = grid.L;
    FXint k = 0;
    bool r = false;
    for (size_t i : slotLessons[(size_t)p * 6 + d]) {
        LessonRow& lesson = lessons[i];
        PlanEntry& plan = plans[planOf[i]];
        ++k;
        if (lesson.unitType == 3) r = true;
        bool found = plan.listed;
        if (found && pass == 0 && k >= 3 && !r) {
            unlistPlan(planOf[i]);
            found = false;
        }
        // A lesson planned on a non-teaching day is drawn all the same, and
        // said (not the routine and non-contact plans, which stand in
        // every week).
        if (pass == 0 && !grid.closedNames[d - 1].empty() && lesson.unitType == 1 && !lesson.onClosedDay) {
            lesson.onClosedDay = true;
            plandrawing::drawPlanError(
                dc, grid.W - 80, lesson.name,
                " is planned on " + grid.closedNames[d - 1] + ", a non-teaching day. Move it to a teaching day.");
        }
        if (!found) {
            listPlan(dc, grid, i, k < 3 || r);
            continue;
        }

        // A plan met before: fill (pass 1) or count, mark and label (pass 2).
        const bool rightHalf = k >= 2;
        const bool showsHere = !r || lesson.unitType == 2;
        if (pass == 1) {
            dc.setForeground(plan.cell);
            if (!rightHalf)
                dc.fillRectangle(x, y, K, L);
            else if (showsHere)
                dc.fillRectangle(x + K / 2, y, K / 2, L);
        }
        if (pass != 2) continue;
        ++plan.cells;
        plan.days += "," + FXStringVal(d);
        drawMarkers(dc, lesson, rightHalf ? x + K / 2 : x, y, K, L);
        if (plan.cells == 1 || plan.cells % 5 == 1) {
            dc.setFont(smallFont);
            dc.setForeground(plan.label);
            // The name ends at its cell's edge, on the screen and on paper.
            if (!rightHalf) {
                dc.setClipRectangle(x, y, K, L);
                dc.drawText(x + 2, y + 7, lesson.name);
                dc.clearClipRectangle();
            } else if (showsHere) {
                dc.setClipRectangle(x + K / 2, y, K - K / 2, L);
                dc.drawText(x + K / 2 + 2, y + L / 2 + 7, lesson.name);
                dc.clearClipRectangle();
            }
        }
    }
}

// A plan met for the first time is listed: its own colour, or, as the
// third plan of a cell without a non-contact plan (`coloured` false), the
// overlap colour and the error line naming it.
void CalendarWindow::listPlan(FXDC& dc, const Grid& grid, size_t i, bool coloured) {
    const LessonRow& lesson = lessons[i];
    PlanEntry& plan = plans[planOf[i]];
    if (coloured) {
        std::vector<FXColor> used;
        for (size_t listed : listOrder) used.push_back(plans[listed].cell);
        plan.cell = lesson.unitType == 3 ? nonContact : planColour(lesson.unitId, lesson.id, used);
        plan.label = black;
    } else {
        plan.cell = overlapping;
        plan.label = white;
        plandrawing::drawOverlapError(dc, grid.W - 80, lesson.name);
    }
    plan.listed = true;
    plan.lesson = i;
    plan.cells = 0;
    plan.days = FXString();
    listOrder.push_back(planOf[i]);
}

void CalendarWindow::unlistPlan(size_t entry) {
    plans[entry].listed = false;
    for (size_t n = 0; n < listOrder.size(); ++n)
        if (listOrder[n] == entry) {
            listOrder.erase(listOrder.begin() + (std::ptrdiff_t)n);
            break;
        }
}

// planColourList: one row per listed plan in the order listed.  Its cell
// count and days are set as changed fields, as a list kept up to date cell
// by cell would hold them.
void CalendarWindow::writePlanList() {
    for (size_t entry : listOrder) {
        const PlanEntry& plan = plans[entry];
        const LessonRow& lesson = lessons[plan.lesson];
        planColourList.AddField(lesson.id, true);
        planColourList.AddField(colourText(plan.cell), false);
        planColourList.AddField(colourText(plan.label), false);
        planColourList.AddField("0", false);
        planColourList.AddField(lesson.unitTypeText, false);
        planColourList.AddField("Junk", false);
        planColourList.AddField(lesson.rotateText, false);
        if (plan.cells == 0) continue;
        planColourList.SetField(3, FXStringVal(plan.cells));
        planColourList.SetField(5, "Junk" + plan.days);
    }
    planColourList.MoveFirst();
}

// The lesson's marks in its half of a cell at x0: rotating, not taught,
// assessed, evaluated well or badly.
void CalendarWindow::drawMarkers(FXDC& dc, const LessonRow& lesson, FXint x0, FXint y, FXint K, FXint L) {
    if (lesson.rotate != 0) {
        dc.setForeground(red);
        dc.fillEllipse(x0 + K / 4, y + L / 2 - 1, 3, 3);
    }
    if (lesson.notTaught != 0) {
        dc.setForeground(red);
        dc.fillRectangle(x0, y + L - 3, 3, 3);
    }
    if (lesson.assess != 0) {
        dc.setForeground(blue);
        dc.fillRectangle(x0, y + L / 2 - 1, 3, 3);
    }
    if (lesson.eval > 0) {
        dc.setForeground(yellow);
        dc.fillRectangle(x0, y, 3, 3);
    } else if (lesson.eval < 0) {
        dc.setForeground(white);
        dc.fillRectangle(x0, y, 3, 3);
    }
}

// A cell's outline, with the day's name and date (row 0) or the time of
// its row (column 0).
void CalendarWindow::drawCellFrame(FXDC& dc, const Grid& grid, FXint x, FXint y, FXlong monday, FXlong dstFix, FXint p,
                                   FXint d) {
    dc.setForeground(black);
    if (p == 0 && d >= 1) {
        dc.setFont(smallFont);
        dc.drawText(x + 2, y + 11, dayNames[d - 1] + dates::shownDate(dates::addDays(monday, d - 1)));
    }
    if (d == 0 && p >= 1) {
        dc.setFont(grid.timeFont);
        const FXlong t = monday + p * (FXlong)appState.schoolPeriod + dstFix;
        dc.drawText(x + 2, y + grid.L * 2 / 3 + 3, dates::shownTime(t));
    }
    dc.drawRectangle(x, y, d == 0 ? grid.C / 2 : grid.K, grid.L);
}

void CalendarWindow::shadeClosedCell(FXDC& dc, const Grid& grid, FXint x, FXint y) {
    dc.setForeground(plandrawing::closedShade);
    dc.fillRectangle(x, y, grid.K, grid.L);
}

void CalendarWindow::nameClosedDay(FXDC& dc, const Grid& grid, FXint x, FXint y, FXint d, FXlong monday,
                                   const FXString& name) {
    dc.setFont(smallFont);
    dc.setForeground(black);
    // Under the day's name where the top row has room for two lines, else
    // after it; cut at the column's edge.
    const FXint line = smallFont->getFontHeight();
    FXint left = x + 2, baseline = y + 11 + line;
    if (grid.L < 11 + line) {
        left += smallFont->getTextWidth(dayNames[d - 1] + dates::shownDate(dates::addDays(monday, d - 1))) + 4;
        baseline = y + 11;
    }
    const FXString shown = plandrawing::fitText(smallFont, name, x + grid.K - 2 - left);
    if (shown.empty()) return;
    dc.setClipRectangle(x, y, grid.K, grid.L);
    dc.drawText(left, baseline, shown);
    dc.clearClipRectangle();
}

// ---------------------------------------------------------------------------
// When there is no week to draw

namespace {
// The words of `text`, paragraph by paragraph, in lines no wider than `width`.
std::vector<FXString> wrapLines(FXFont* font, const FXString& text, FXint width) {
    std::vector<FXString> lines;
    for (FXint i = 0, n = text.contains('\n'); i <= n; ++i) {
        const FXString paragraph = text.section('\n', i);
        FXString line;
        for (FXint w = 0, words = paragraph.contains(' '); w <= words; ++w) {
            const FXString word = paragraph.section(' ', w);
            const FXString longer = line.empty() ? word : line + " " + word;
            if (!line.empty() && font->getTextWidth(longer) > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = longer;
            }
        }
        lines.push_back(line);
    }
    return lines;
}
}  // namespace

void CalendarWindow::cannotDraw(FXDC& dc, FXint W, FXint H, const FXString& caption, const FXString& text) {
    canvasNotice = text;
    dc.setForeground(black);
    dc.setFont(labelFont);
    const std::vector<FXString> lines = wrapLines(labelFont, text, FXMAX(W - 40, 40));
    const FXint lineHeight = labelFont->getFontHeight() + 2;
    FXint y = FXMAX(lineHeight, (H - lineHeight * (FXint)lines.size()) / 2) + labelFont->getFontAscent();
    for (const FXString& line : lines) {
        dc.drawText(FXMAX(3, (W - labelFont->getTextWidth(line)) / 2), y, line);
        y += lineHeight;
    }
    // A state of the school's data, not a failure: the information box.
    if (!caption.empty()) Prompter::get().information(this, caption, text);
}

// Runs on the drawing's recordset, inside its transaction.
FXString CalendarWindow::noTeacherText() {
    const FXString chooseOne = "\n\nChoose yourself in Teachers (the button below the calendar).";
    if (decimalValue(appState.currentUserId) != 0)
        return "The current teacher is no longer in the database (it may have been deleted on another computer)." +
               chooseOne;
    if (!drawRecordset.OpenRecordset("Select Count(*) from Teachers")) return FXString();
    drawRecordset.rows.MoveFirst();
    const bool noTeachers = drawRecordset.rows.eof || decimalValue(drawRecordset.rows.GetField(0)) == 0;
    if (!drawRecordset.OpenRecordset("Select Count(*) from TermDate")) return FXString();
    drawRecordset.rows.MoveFirst();
    const bool noTerms = drawRecordset.rows.eof || decimalValue(drawRecordset.rows.GetField(0)) == 0;
    const FXString addTeachers =
        "Teachers (the button below the calendar): add each syndicate's leader with \"Syndicate Leader\" checked, "
        "then, with the leader highlighted and the box cleared, the syndicate's teachers; then choose yourself.";
    if (noTeachers && noTerms)
        return "This is a new database: no school has been set up in it yet.\n\n"
               "1. Options, School Setup: the school's terms, the children's year levels and the timetable.\n"
               "2. " +
               addTeachers + "\n\nThen plan your lessons with Unit Plan.";
    if (noTeachers) return "This database has no teachers yet.\n\nAdd them in " + addTeachers;
    if (!missingUserId.empty())
        return "The teacher chosen when Plenwick last closed is no longer in the database." + chooseOne;
    return "No teacher is chosen." + chooseOne;
}

bool CalendarWindow::slotTest(FXlong s, FXint p, FXint d) const {
    const LessonRow& lesson = lessons[currentLesson];
    const FXlong A = s + p * (FXlong)appState.schoolPeriod;
    const FXlong B = s + (p + 1) * (FXlong)appState.schoolPeriod;
    // The lesson's dates reach the slot...
    if (!((A <= lesson.endDay && lesson.endDay < B) || (lesson.startDay <= B && B <= lesson.endDay))) return false;
    // ...and so do its times on the slot's day: the lesson's time overlaps
    // the slot's [A, B), so a lesson that ends as a slot begins stays out of
    // it (09:30 to 10:30 fills the four rows from 09:30, not the 10:30 row).
    // A lesson without length stands in the slot of its moment.
    const FXlong lessonStart = dayTimes.at(A, lesson.startHour, lesson.startMinute);
    const FXlong lessonEnd = dayTimes.at(B, lesson.endHour, lesson.endMinute);
    if (lessonEnd <= lessonStart) {
        if (!(A <= lessonEnd && lessonEnd < B)) return false;
    } else if (!(lessonStart < B && A < lessonEnd)) {
        return false;
    }
    // A routine plan only on its own day.
    if (lesson.unitType == 2) return lesson.routineDay == d;
    return true;
}

// ---------------------------------------------------------------------------
// The canvas

void CalendarWindow::redraw() {
    reachDatabase();
    redrawState = 1;
    if (canvas->id()) onPaint(canvas, FXSEL(SEL_PAINT, ID_CANVAS), nullptr);
}

const char* const CalendarWindow::leaderText =
    "You are logged in as a syndicate leader. A leader has no lessons of their own, so there is no week to show "
    "here.\n\nAs the leader you keep the syndicate's subjects and its syndicate-wide long-term plans (Unit Plan, "
    "and Long Term for the whole term).\n\nTo see a teacher's week, choose that teacher in Teachers (the button "
    "below the calendar).";

long CalendarWindow::onPaint(FXObject*, FXSelector, void*) {
    // A syndicate leader has no lessons of its own: the canvas says what a
    // leader does here and where a teacher's week is found.
    FXint user = decimalValue(appState.currentUserId);
    if (user > 0 && user == decimalValue(appState.currentSyndicate)) {
        redrawState = 0;
        planColourList.Clear();
        FXDCWindow dc(canvas);
        dc.setForeground(white);
        dc.fillRectangle(0, 0, canvas->getWidth(), canvas->getHeight());
        cannotDraw(dc, canvas->getWidth(), canvas->getHeight(), FXString(), leaderText);
        return 1;
    }
    if (busyCursor) setDefaultCursor(busyCursor);
    failures::run(this, "Database Error", "week", [&] {
        try {
            paintImage();
        } catch (const FXException&) {
            // Nothing of an earlier week stays on the canvas, or in the click
            // test, under the error box.
            blankCanvas();
            throw;
        }
    });
    if (normalCursor) setDefaultCursor(normalCursor);
    return 1;
}

// The off-screen image, drawn again when asked for or when the canvas
// changed its size, copied to the canvas.
void CalendarWindow::paintImage() {
    FXint w = FXMAX(canvas->getWidth(), 1), h = FXMAX(canvas->getHeight(), 1);
    if (redrawState == 0 || !image) {
        imageWidth = w;
        imageHeight = h;
        delete image;
        image = new FXImage(getApp(), nullptr, IMAGE_KEEP, w, h);
        image->create();
        redrawState = 1;
    }
    if (w != imageWidth || h != imageHeight) {
        imageWidth = w;
        imageHeight = h;
        redrawState = 1;
    }
    if (redrawState != -1) {
        redrawState = -1;
        image->resize(w, h);
        FXDCWindow imageDc(image);
        drawPlan(imageDc, w, h);
    }
    FXDCWindow dc(canvas);
    dc.drawImage(image, 0, 0);
}

void CalendarWindow::blankCanvas() {
    planColourList.Clear();
    if (!image) return;
    {
        FXDCWindow imageDc(image);
        imageDc.setForeground(white);
        imageDc.fillRectangle(0, 0, image->getWidth(), image->getHeight());
    }
    FXDCWindow dc(canvas);
    dc.drawImage(image, 0, 0);
}

// The colour under the pointer: that of the drawn week, black where the
// canvas shows none.
FXColor CalendarWindow::canvasPixel(FXint x, FXint y) {
    if (redrawState == 0 || !image) return black;
    if (x < 0 || y < 0 || x >= image->getWidth() || y >= image->getHeight()) return black;
    image->restore();
    return image->getPixel(x, y);
}

long CalendarWindow::onMouseDown(FXObject*, FXSelector, void* ptr) {
    const FXEvent* event = static_cast<const FXEvent*>(ptr);
    FXColor pixel = canvasPixel(event->win_x, event->win_y);
    if (plandrawing::blackOrWhite(pixel)) {
        Prompter::get().error(this, "CalendarWindow::onMouseDown - No plan chosen.",
                              "You clicked on a region coloured black or white. Please click on a coloured plan.");
        return 1;
    }
    if (plandrawing::isClosedShade(pixel)) {
        Prompter::get().error(this, "CalendarWindow::onMouseDown - No plan chosen.",
                              "You clicked on a non-teaching day, which holds no plan there. Please click on a "
                              "coloured plan.");
        return 1;
    }
    // The plan whose colour is nearest; among equals the one latest in the
    // list.  It opens in the editor when the button comes up where it went
    // down; dragged, it moves.
    drag = Drag();
    drag.lessonId = plandrawing::nearestPlan(planColourList, 1, pixel);
    drag.pressed = true;
    drag.pressX = event->win_x;
    drag.pressY = event->win_y;
    if (!cellAt(event->win_x, event->win_y, drag.fromDay, drag.fromRow)) drag.fromDay = drag.fromRow = 0;
    drag.toDay = drag.fromDay;
    drag.toRow = drag.fromRow;
    lessonRows(drag.lessonId, drag.firstRow, drag.rows);
    canvas->grab();
    canvas->setFocus();
    return 1;
}

// ---------------------------------------------------------------------------
// Dragging a lesson

namespace {
// How far the pointer goes before a press becomes a drag, in pixels.
const FXint dragStart = 4;
}  // namespace

bool CalendarWindow::cellAt(FXint x, FXint y, FXint& d, FXint& p) const {
    const FXint W = canvas->getWidth(), H = canvas->getHeight();
    const FXint C = (W - 80) / 6, K = ((W - 80) + C) / 6;
    const FXint L = appState.schoolTimes > 0 ? (H - 70) / appState.schoolTimes : 0;
    if (K <= 0 || L <= 0 || appState.schoolTimes < 2) return false;
    d = FXCLAMP(1, (x - 3 - C / 2) / K + 1, 5);
    if (x < 3 + C / 2) d = 1;
    p = FXCLAMP(1, (y - 60) / L, appState.schoolTimes - 1);
    if (y < 60) p = 1;
    return true;
}

// The first row is the one its start falls in, the last the one its end
// reaches into.
void CalendarWindow::lessonRows(const FXString& lessonId, FXint& firstRow, FXint& rows) const {
    firstRow = drag.fromRow;
    rows = 1;
    const FXint period = appState.schoolPeriod;
    if (period <= 0) return;
    for (const LessonRow& lesson : lessons) {
        if (lesson.id != lessonId) continue;
        const FXint school = appState.schoolHour * 3600 + appState.schoolMinute * 60;
        const FXint start = lesson.startHour * 3600 + lesson.startMinute * 60 - school;
        const FXint end = lesson.endHour * 3600 + lesson.endMinute * 60 - school;
        if (start < 0 || end <= start) return;
        firstRow = start / period;
        const FXint lastRow = (end + period - 1) / period - 1;
        rows = FXMAX(1, lastRow - firstRow + 1);
        // Where the press fell outside the lesson's rows (a lesson of many
        // days), the outline keeps to the pressed row.
        if (drag.fromRow < firstRow || drag.fromRow > lastRow) {
            firstRow = drag.fromRow;
            rows = 1;
        }
        return;
    }
}

void CalendarWindow::drawDragOutline() {
    if (!image) return;
    const FXint W = canvas->getWidth(), H = canvas->getHeight();
    const FXint C = (W - 80) / 6, K = ((W - 80) + C) / 6;
    const FXint L = appState.schoolTimes > 0 ? (H - 70) / appState.schoolTimes : 0;
    FXDCWindow dc(canvas);
    dc.drawImage(image, 0, 0);
    if (!drag.moving) return;
    const FXint top = FXCLAMP(1, drag.firstRow + drag.toRow - drag.fromRow, appState.schoolTimes - 1);
    const FXint rows = FXMIN(drag.rows, appState.schoolTimes - top);
    const FXint x = 3 + C / 2 + (drag.toDay - 1) * K;
    dc.setForeground(FXRGB(0, 0, 0));
    dc.setLineWidth(3);
    dc.drawRectangle(x + 1, 60 + L * top + 1, K - 2, L * rows - 2);
}

long CalendarWindow::onMouseMove(FXObject*, FXSelector, void* ptr) {
    if (!drag.pressed || drag.fromDay == 0) return 0;
    const FXEvent* event = static_cast<const FXEvent*>(ptr);
    if (!drag.moving && FXABS(event->win_x - drag.pressX) + FXABS(event->win_y - drag.pressY) < dragStart) return 1;
    FXint d = 0, p = 0;
    if (!cellAt(event->win_x, event->win_y, d, p)) return 1;
    if (drag.moving && d == drag.toDay && p == drag.toRow) return 1;
    drag.moving = true;
    drag.toDay = d;
    drag.toRow = p;
    drawDragOutline();
    return 1;
}

void CalendarWindow::endDrag() {
    const bool moving = drag.moving;
    drag.pressed = drag.moving = false;
    canvas->ungrab();
    if (moving) drawDragOutline();
}

// The release: a click opens the editor; a drag moves the lesson by the
// days and rows between the cell pressed and the cell let go on.
long CalendarWindow::onMouseUp(FXObject*, FXSelector, void*) {
    if (!drag.pressed) return 0;
    const Drag done = drag;
    endDrag();
    if (!done.moving) {
        openUnitPlanDialog(done.lessonId);
        return 1;
    }
    // The open plan editors show the lesson again afterwards: what is typed
    // in them is settled first.
    const FXint days = done.toDay - done.fromDay, rows = done.toRow - done.fromRow;
    if ((days != 0 || rows != 0) && UnitPlanDialog::settleAll(getApp()) &&
        lessonmove::move(this, FXIntVal(done.lessonId), days, rows)) {
        UnitPlanDialog::showAllAgain(getApp());
        redraw();
    }
    return 1;
}

// Escape while dragging leaves the lesson where it was.
long CalendarWindow::onCanvasKeyPress(FXObject*, FXSelector, void* ptr) {
    const FXEvent* event = static_cast<const FXEvent*>(ptr);
    if (!drag.pressed || event->code != KEY_Escape) return 0;
    endDrag();
    return 1;
}

// LongTermWindow: the term view.  drawPlan reads the term, its subjects and
// the plans that reach into it, then draws the grid on any device; the
// canvas keeps the drawing in an off-screen image; a click is mapped back to
// a plan by its colour.
#include <cstdlib>
#include <ctime>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Numbers.h"
#include "longterm/LongTermWindow.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/PlanDrawing.h"
#include "ui/Prompter.h"

using namespace FX;

namespace {

const FXColor white = FXRGB(255, 255, 255);
const FXColor black = FXRGB(0, 0, 0);
const FXColor red = FXRGB(255, 0, 0);
const FXColor overlapping = FXRGB(15, 15, 15);  // a plan that is third in a cell

// Colours are kept in the colour table as signed decimal text (black is
// -16777216).
FXString colourText(FXColor colour) { return FXStringVal((FXint)colour); }
FXColor colourValue(const FXString& text) { return (FXColor)decimalValue(text); }

// A term longer than a year is a damaged TermDate row.
const FXint mostWeeks = 53;

// The footer line at the foot of the view, its descenders included.
FXint footerHeight() { return smallFont->getFontHeight() + 1; }

// A week date that does not fit its cell loses its year: 03/10/14, else 03/10.
FXString weekLabel(FXlong day, FXint width) {
    FXString full = dates::shownDate(day);
    if (smallFont->getTextWidth(full) <= width) return full;
    return plandrawing::fitText(smallFont, dates::shownDayMonth(day), width);
}

}  // namespace

// ---------------------------------------------------------------------------
// The queries

FXbool LongTermWindow::loadTerm(Term& term) {
    term.shownDay = dates::today();
    const FXString user = appState.currentUserId;

    // The teacher, whether the syndicate has plans at all, the term and its
    // plans, and the syndicate's subjects current on the viewed date: one
    // transaction.  A database error rolls it back and is thrown.  The
    // queries go out in two rounds: the teacher, the term and the subjects
    // need nothing of each other; the plans, the term's non-teaching days
    // and whether there are plans at all need the teacher's syndicate and the
    // term.
    IsectRecordset::Transaction transaction(workRecordset);
    IsectRecordset teacher, termDate, anyPlan, closed;
    IsectRecordset::Reads reads;
    reads.Add(teacher, "Select Teacher,Syndicate from Teachers Where Id = " + user);
    reads.Add(termDate, "Select SchoolWeeks,FirstDay,SchoolYear,SchoolTerm from TermDate Where FirstDay <= '" +
                            term.shownDay + "'");
    reads.Add(subjectRecordset,
              "Select * from GetCurrentSubjects(" + appState.currentSyndicate + ",'" + term.shownDay + "')");
    if (!reads.Run()) return false;
    teacher.rows.MoveFirst();
    if (teacher.rows.eof) {
        term.outcome = Term::NO_USER;
        transaction.commit();
        return true;
    }
    term.teacher = teacher.GetField("Teacher");
    const FXString syndicate = teacher.GetField("Syndicate");

    termDate.rows.MoveFirst();
    if (termDate.rows.eof) {
        // Before the first term, or no terms at all: which one the message
        // says, once the syndicate is known to have plans.
        IsectRecordset first;
        reads.Add(anyPlan,
                  "Select First 1 Id from LongTerm Where FKSyndicate = " + syndicate + " or FKSyndicate = " + user);
        reads.Add(first, "Select First 1 FirstDay from TermDate Order By FirstDay");
        if (!reads.Run()) return false;
        anyPlan.rows.MoveFirst();
        first.rows.MoveFirst();
        term.outcome = anyPlan.rows.eof ? Term::NO_PLANS : Term::NO_TERM;
        if (term.outcome == Term::NO_TERM && !first.rows.eof) term.firstTermDay = first.rows.GetField(0);
        transaction.commit();
        return true;
    }
    termDate.rows.MoveLast();
    term.weeks = FXCLAMP(0, decimalValue(termDate.GetField("SchoolWeeks")), mostWeeks);
    term.firstDay = termDate.rows.GetField(1);  // raw: YYYY-MM-DD
    term.schoolYear = termDate.GetField("SchoolYear");
    term.schoolTerm = termDate.GetField("SchoolTerm");

    // The plans ending in the term or reaching past its last day (in the
    // working recordset, whose query a printed HTML table repeats), and the
    // term's non-teaching days.
    const FXString F = term.firstDay.left(10);
    const FXString L = dates::addDays(F, 7 * term.weeks - 1);
    reads.Add(anyPlan,
              "Select First 1 Id from LongTerm Where FKSyndicate = " + syndicate + " or FKSyndicate = " + user);
    reads.Add(closed, "Select FirstDay, LastDay, Name from NonTeachingDay Where FirstDay <= '" + L +
                          "' and LastDay >= '" + F + "' Order By FirstDay, Id");
    reads.Add(workRecordset,
              "Select Id, FKSubject, PlanName, PlanStart, PlanEnd, Description, FKSyndicate from LongTerm Where"
              " (FKSyndicate = " +
                  syndicate + " or FKSyndicate = " + user + ") and (PlanEnd >= '" + F + "' and PlanEnd < '" + L +
                  "' or PlanStart <= '" + L + "' and PlanEnd >= '" + L + "') and Persistant = 0 Order By Id");
    if (!reads.Run()) return false;
    anyPlan.rows.MoveFirst();
    if (anyPlan.rows.eof) {
        term.outcome = Term::NO_PLANS;
        transaction.commit();
        return true;
    }
    // The non-teaching days by the weeks that hold them.
    term.closedInWeek.assign(term.weeks + 1, FXString());
    for (closed.rows.MoveFirst(); !closed.rows.eof; closed.rows.MoveNext()) {
        const FXString from = closed.rows.GetField(0).left(10), to = closed.rows.GetField(1).left(10);
        const FXString name = closed.rows.GetField(2);
        for (FXint i = 1; i <= term.weeks; ++i) {
            // Monday to Friday of week i; ISO dates compare as text.
            const FXString monday = dates::addDays(F, 7 * (i - 1)), friday = dates::addDays(monday, 4);
            if (from <= friday && monday <= to && term.closedInWeek[i].find(name) < 0)
                term.closedInWeek[i] += (term.closedInWeek[i].empty() ? "" : ", ") + name;
        }
    }
    FXStringRecordset& rows = workRecordset.rows;
    const FXint idColumn = workRecordset.FieldOrdinal("Id").ordinal;
    const FXint subjectColumn = workRecordset.FieldOrdinal("FKSubject").ordinal;
    const FXint nameColumn = workRecordset.FieldOrdinal("PlanName").ordinal;
    const FXint startColumn = workRecordset.FieldOrdinal("PlanStart").ordinal;
    const FXint endColumn = workRecordset.FieldOrdinal("PlanEnd").ordinal;
    const FXint descriptionColumn = workRecordset.FieldOrdinal("Description").ordinal;
    const FXint ownerColumn = workRecordset.FieldOrdinal("FKSyndicate").ordinal;
    for (rows.MoveFirst(); !rows.eof; rows.MoveNext()) {
        Plan plan;
        plan.id = rows.GetField(idColumn);
        plan.subject = decimalValue(rows.GetField(subjectColumn));
        plan.name = rows.GetField(nameColumn);
        plan.description = rows.GetField(descriptionColumn);
        if (plan.description == "None") plan.description = FXString();
        plan.owner = decimalValue(rows.GetField(ownerColumn));
        plan.start = dates::localMoment(rows.GetField(startColumn), 12, 0);
        plan.end = dates::localMoment(rows.GetField(endColumn), 12, 0);
        term.plans.push_back(plan);
    }
    transaction.commit();

    for (subjectRecordset.MoveFirst(); !subjectRecordset.eof(); subjectRecordset.MoveNext()) {
        Subject subject;
        subject.id = decimalValue(subjectRecordset.GetField("Id"));
        subject.name = subjectRecordset.GetField("Description");
        if (subject.name == "None") subject.name = FXString();
        term.subjects.push_back(subject);
    }
    term.outcome = Term::TERM;
    return true;
}

// ---------------------------------------------------------------------------
// The drawing

// The footer line at the foot of a page h high, its right end at x = A.
void LongTermWindow::drawFooter(FXDC& dc, FXint A, FXint h) {
    dc.setForeground(black);
    dc.setFont(smallFont);
    const FXString footer = plandrawing::fitText(smallFont, footerNotice, A - 3);
    dc.drawText(A - smallFont->getTextWidth(footer), h - smallFont->getFontDescent(), footer);
}

FXbool LongTermWindow::drawPlan(FXDC& dc, FXint w, FXint h) {
    Term term;
    if (!loadTerm(term)) return false;

    ++drawings;
    dc.setForeground(white);
    dc.fillRectangle(0, 0, w, h);
    planColours.Clear();
    switch (term.outcome) {
        case Term::NO_USER:
            Prompter::get().information(this, "LongTermWindow::drawPlan - No current user.",
                                        "You must choose a user name to look at the plans.");
            break;
        case Term::NO_PLANS:
            Prompter::get().information(this, "LongTermWindow::drawPlan - No plans exist.",
                                        "No plans have been loaded yet for this syndicate.");
            break;
        case Term::NO_TERM:
            drawNoTerm(dc, w, h, term);
            break;
        case Term::TERM:
            schoolYear = term.schoolYear;
            schoolTerm = term.schoolTerm;
            drawTerm(dc, w, h, term);
            break;
    }
    return true;
}

// No term starts on or before the viewed date: the date, what is missing
// and where to mend it, as the calendar says it.
void LongTermWindow::drawNoTerm(FXDC& dc, FXint w, FXint h, const Term& term) {
    const FXint A = w - 12;
    drawFooter(dc, A, h);

    const FXString date = DisplayDate(term.shownDay);
    std::vector<FXString> lines = {"No school term holds " + date + "."};
    if (term.firstTermDay.empty()) {
        lines.push_back("The term dates are missing: this database has no school terms yet.");
        lines.push_back("Add them in Options, School Setup: the first day of each term and its length in weeks.");
    } else {
        lines.push_back("The term dates are missing: no term starts on or before " + date + ".");
        lines.push_back("The school's first term begins on " + DisplayDate(term.firstTermDay) + ".");
        lines.push_back("Press \"Term >\" to go to it, or add the earlier terms in Options, School Setup.");
    }
    FXint y = 19;
    for (size_t i = 0; i < lines.size(); ++i) {
        FXFont* font = i == 0 ? labelFont : textFont;
        const FXString line = plandrawing::fitText(font, lines[i], A - 3);
        dc.setFont(font);
        dc.drawText(FXMAX(3, A / 2 - font->getTextWidth(line) / 2), y, line);
        y += font->getFontHeight() + 6;
    }
}

// The grid of one term for a drawing w x h: its measures, the start of each
// week and the plans in each subject's week cells.
LongTermWindow::TermGrid LongTermWindow::layOut(FXint w, FXint h, const Term& term) {
    TermGrid g;
    g.C = term.weeks + 1;                   // the subject column and one per week
    g.R = (FXint)term.subjects.size() + 1;  // the date row and one per subject
    // The grid ends above the footer line.
    g.A = w - 12;
    const FXint B = h - 60 - footerHeight();
    g.u = g.A / g.C;
    g.ch = B / g.R;
    g.lh = (FXint)(g.ch / 2.3);
    // Week columns (A - u) / C wide, narrower where they would run off the
    // drawing (a short term: the subject column is two units wide).
    g.cw = (g.A - g.u) / g.C;
    if (g.C > 1 && 3 + 2 * g.u + (g.C - 1) * g.cw > w - 1) g.cw = FXMAX(0, (w - 4 - 2 * g.u) / (g.C - 1));

    // Week i (from 1) runs from weekStart[i] to weekStart[i + 1], at noon.
    g.weekStart.assign(term.weeks + 2, 0);
    const FXlong firstDay = dates::localMoment(term.firstDay, 12, 0);
    for (FXint i = 1; i <= term.weeks + 1; ++i) g.weekStart[i] = dates::addDays(firstDay, 7 * (i - 1));

    // The plans in each subject's week cells, in plan order.  A plan covers
    // a week that it ends in or that ends within it.
    g.cells.assign(g.R, std::vector<std::vector<FXint>>(g.C));
    for (FXint r = 1; r < g.R; ++r) {
        const FXint subject = term.subjects[r - 1].id;
        for (FXint p = 0; p < (FXint)term.plans.size(); ++p) {
            const Plan& plan = term.plans[p];
            if (plan.subject != subject) continue;
            for (FXint i = 1; i < g.C; ++i) {
                const FXlong ws = g.weekStart[i], we = g.weekStart[i + 1];
                if ((ws <= plan.end && plan.end < we) || (plan.start < we && we <= plan.end))
                    g.cells[r][i].push_back(p);
            }
        }
    }
    return g;
}

void LongTermWindow::drawTerm(FXDC& dc, FXint w, FXint h, const Term& term) {
    const TermGrid g = layOut(w, h, term);

    // Footer and title.
    drawFooter(dc, g.A, h);
    dc.setFont(labelFont);
    FXString title = "LONG TERM PLANS FOR TERM:" + FXString(term.schoolTerm).trim() +
                     "  YEAR:" + FXString(term.schoolYear).trim() + "    Teacher:" + term.teacher;
    title = plandrawing::fitText(labelFont, title, g.A - 3);
    dc.drawText(FXMAX(3, g.A / 2 - labelFont->getTextWidth(title) / 2), 19, title);

    listPlans(dc, g, term);

    // Each plan's colours, as the table holds them now.
    const FXint plans = (FXint)term.plans.size();
    PlanInk ink{std::vector<FXColor>(plans, white), std::vector<FXColor>(plans, black)};
    std::vector<bool> met(plans, false);
    for (planColours.MoveFirst(); !planColours.eof; planColours.MoveNext()) {
        for (FXint p = 0; p < plans; ++p) {
            if (term.plans[p].id != planColours.GetField(0)) continue;
            ink.fill[p] = colourValue(planColours.GetField(1));
            ink.text[p] = colourValue(planColours.GetField(2));
            met[p] = true;
        }
    }

    drawBands(dc, g, term, ink);
    std::vector<FXint> counter(plans, 0);
    drawNames(dc, g, term, ink, counter);

    // The table's week counters.
    for (planColours.MoveFirst(); !planColours.eof; planColours.MoveNext()) {
        for (FXint p = 0; p < plans; ++p)
            if (met[p] && term.plans[p].id == planColours.GetField(0)) planColours.SetField(3, FXStringVal(counter[p]));
    }
}

// Pass 0 gives each plan its colours in the colour table; a plan that is
// third or later in a cell takes the overlap colour (and keeps it) and is
// named on the error line.
void LongTermWindow::listPlans(FXDC& dc, const TermGrid& g, const Term& term) {
    srand((unsigned)time(nullptr));
    for (FXint r = 1; r < g.R; ++r) {
        for (FXint i = 1; i < g.C; ++i) {
            const std::vector<FXint>& here = g.cells[r][i];
            for (FXint k = 0; k < (FXint)here.size(); ++k) {
                const Plan& plan = term.plans[here[k]];
                bool found = false;
                for (planColours.MoveFirst(); !planColours.eof; planColours.MoveNext()) {
                    if (planColours.GetField(0) == plan.id) {
                        found = true;
                        break;
                    }
                }
                if (found && k >= 2) {
                    planColours.DeleteRow();
                    found = false;
                }
                if (found) continue;
                planColours.AddField(plan.id, true);
                if (k >= 2) {
                    planColours.AddField(colourText(overlapping), false);
                    planColours.AddField(colourText(white), false);
                    plandrawing::drawOverlapError(dc, g.A, plan.name);
                } else {
                    planColours.AddField(colourText(plandrawing::lightColour()), false);
                    planColours.AddField(colourText(black), false);
                }
                planColours.AddField("0", false);
            }
        }
    }
}

// Pass 1: the bands (the first plan of a cell fills it, the others its
// lower half), red corners on syndicate plans, dates, subjects, lines.
void LongTermWindow::drawBands(FXDC& dc, const TermGrid& g, const Term& term, const PlanInk& ink) {
    const FXint user = decimalValue(appState.currentUserId);
    for (FXint r = 0; r < g.R; ++r) {
        const FXint y = 60 + g.ch * r;
        for (FXint i = 0; i < g.C; ++i) {
            const FXint x = g.x(i), width = g.width(i);
            const std::vector<FXint>& here = g.cells[r][i];
            for (FXint k = 0; k < (FXint)here.size(); ++k) {
                const Plan& plan = term.plans[here[k]];
                dc.setForeground(ink.fill[here[k]]);
                if (k == 0)
                    dc.fillRectangle(x, y, width, g.ch);
                else
                    dc.fillRectangle(x, y + g.ch / 2, width, g.ch / 2);
                if (plan.owner != user) {
                    dc.setForeground(red);
                    dc.fillRectangle(x + width - 3, k == 0 ? y : y + g.ch / 2, 3, 3);
                }
            }
            // A week holding a non-teaching day: its heading shaded.
            if (r == 0 && i >= 1 && i < (FXint)term.closedInWeek.size() && !term.closedInWeek[i].empty()) {
                dc.setForeground(plandrawing::closedShade);
                dc.fillRectangle(x, y, width, g.ch);
            }
            dc.setForeground(black);
            if (r == 0 && i >= 1) {
                dc.setFont(smallFont);
                dc.drawText(x + 2, y + g.lh + 3, weekLabel(g.weekStart[i], width - 3));
            }
            if (i == 0 && r >= 1) {
                dc.setFont(labelFont);
                dc.drawText(x + 2, y + g.lh + 5, plandrawing::fitText(labelFont, term.subjects[r - 1].name, width - 3));
            }
            dc.drawRectangle(x, y, width, g.ch);
        }
    }
}

// Pass 2: names in a plan's 1st, 5th, 9th ... week, each running on along
// the plan's own band (at most to its next name) and cut where the band
// ends; description windows beside each plan's first week.  `counter`
// counts each plan's weeks.
void LongTermWindow::drawNames(FXDC& dc, const TermGrid& g, const Term& term, const PlanInk& ink,
                               std::vector<FXint>& counter) {
    dc.setFont(smallFont);
    for (FXint r = 1; r < g.R; ++r) {
        const FXint y = 60 + g.ch * r;
        for (FXint i = 1; i < g.C; ++i) {
            const FXint x = g.x(i);
            const std::vector<FXint>& here = g.cells[r][i];
            for (FXint k = 0; k < (FXint)here.size(); ++k) {
                const FXint p = here[k];
                const Plan& plan = term.plans[p];
                ++counter[p];
                if (counter[p] % 4 == 1) {
                    // The half the name is written in shows the plan in the
                    // next cells while the plan is first there (upper half)
                    // or last there (lower half).
                    FXint end = i + 1;
                    while (end < g.C && end < i + 4) {
                        const std::vector<FXint>& next = g.cells[r][end];
                        if (next.empty() || (k == 0 ? next.front() : next.back()) != p) break;
                        ++end;
                    }
                    const FXint room = g.x(end) - x - 3;
                    dc.setForeground(ink.text[p]);
                    dc.drawText(x + 2, k == 0 ? y + g.lh + 1 : y + (FXint)(g.lh * 2.1),
                                plandrawing::fitText(smallFont, plan.name, room));
                }
                if (withDescriptions && counter[p] == 1 && !plan.description.empty()) openDescription(plan, x, y);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// The canvas

void LongTermWindow::redraw() {
    if (repaintState != NO_IMAGE) repaintState = DIRTY;
    if (canvas->id()) onPaint(canvas, FXSEL(SEL_PAINT, ID_CANVAS), nullptr);
}

// The image is drawn anew when it is missing, out of date or of another
// size than the canvas; a drawing that fails (the middleware lost, a
// database error) keeps the image it had, says so once, and is not tried
// again before the next command or size change.
long LongTermWindow::onPaint(FXObject*, FXSelector, void*) {
    if (busyCursor) setDefaultCursor(busyCursor);
    const FXint w = FXMAX(canvas->getWidth(), 1), h = FXMAX(canvas->getHeight(), 1);
    if (w != imageWidth || h != imageHeight) {
        imageWidth = w;
        imageHeight = h;
        if (repaintState == CLEAN) repaintState = DIRTY;
    }
    if (repaintState != CLEAN) {
        const bool first = repaintState == NO_IMAGE;
        repaintState = CLEAN;
        FXImage* drawing = new FXImage(getApp(), nullptr, IMAGE_KEEP, w, h);
        drawing->create();
        bool drawn = false;
        failures::run(this, "Database Error", "long term plan", [&] {
            FXDCWindow imageDc(drawing);
            drawn = drawPlan(imageDc, w, h);
        });
        withDescriptions = false;
        if (drawn || first) {
            if (!drawn) {  // nothing drawn before either: a white canvas
                FXDCWindow imageDc(drawing);
                imageDc.setForeground(white);
                imageDc.fillRectangle(0, 0, w, h);
            }
            delete image;
            image = drawing;
        } else {
            delete drawing;
        }
    }
    if (image && canvas->id()) {
        FXDCWindow dc(canvas);
        dc.setForeground(white);
        dc.fillRectangle(0, 0, canvas->getWidth(), canvas->getHeight());
        dc.drawImage(image, 0, 0);
    }
    if (normalCursor) setDefaultCursor(normalCursor);
    return 1;
}

// The colour under the pointer: that of the drawn term, white beside it.
FXColor LongTermWindow::canvasPixel(FXint x, FXint y) {
    if (!image || x < 0 || y < 0 || x >= image->getWidth() || y >= image->getHeight()) return white;
    image->restore();
    return image->getPixel(x, y);
}

long LongTermWindow::onMouseDown(FXObject*, FXSelector, void* ptr) {
    const FXEvent* event = static_cast<const FXEvent*>(ptr);
    const FXColor pixel = canvasPixel(event->win_x, event->win_y);
    if (plandrawing::blackOrWhite(pixel)) {
        Prompter::get().error(this, "LongTermWindow::onMouseDown - No plan chosen.",
                              "You clicked on a region coloured black or white. Please click on a coloured plan.");
        return 1;
    }
    if (plandrawing::isClosedShade(pixel)) {
        Prompter::get().error(this, "LongTermWindow::onMouseDown - No plan chosen.",
                              "You clicked on the heading of a week that holds a non-teaching day. Please click on a "
                              "coloured plan.");
        return 1;
    }
    chosenPlan = plandrawing::nearestPlan(planColours, 1, pixel);
    openUnitPlanDialog(decimalValue(chosenPlan));
    return 1;
}

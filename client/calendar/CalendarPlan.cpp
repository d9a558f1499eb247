// CalendarWindow: the week plan.  drawPlan draws one school week of the
// current teacher's lesson plans on any device; the canvas keeps the drawing
// in an off-screen image; a click is mapped back to a plan by its colour.
#include <cstdlib>
#include <ctime>

#include "data/AppResources.h"
#include "data/AppState.h"
#include "data/Dates.h"
#include "calendar/CalendarWindow.h"
#include "data/Prompter.h"

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
FXColor colourValue(const FXString& text) { return (FXColor)decimalValue(text); }

// Moves the list's cursor to the row of plan `id`; false when there is none.
bool findPlan(FXStringRecordset& list, const FXString& id) {
    list.MoveFirst();
    while (!list.eof) {
        if (list.GetField(0) == id) return true;
        list.MoveNext();
    }
    return false;
}
}  // namespace

// ---------------------------------------------------------------------------
// Drawing

void CalendarWindow::drawPlan(FXDC& dc, FXint W, FXint H) {
    dc.setForeground(white);
    dc.fillRectangle(0, 0, W, H);
    planColourList.Clear();
    lessons.clear();
    dayTimes = DayTimes();

    const FXlong shown = dates::shownNow();
    FXString teacherPart, schoolYear, schoolTerm;
    FXlong termBase = 0, N = 0;

    // The queries, in one transaction.  A failed connection ends the drawing
    // (the guard ends the transaction).
    IsectRecordset::Transaction transaction(drawRecordset);
    {
        // Without the middleware (the warning box has told the user) the
        // area stays white.
        if (!drawRecordset.OpenRecordset("Select Teacher from Teachers where Id = " + appState.currentUserId)) return;
        teacherPart = "    Teacher:" + drawRecordset.GetField("0");

        if (!drawRecordset.OpenRecordset("Select First 1 Id from UnitPlan Where FKTeacher = " + appState.currentUserId)) return;
        drawRecordset.rows.MoveFirst();
        if (drawRecordset.rows.eof) {
            transaction.commit();
            Prompter::get().error(this, "CalendarWindow::drawPlan - No plans exist.",
                                  "No plans have been loaded yet for this teacher.");
            return;
        }

        if (!drawRecordset.OpenRecordset(
                "Select SchoolWeeks,FirstDay,SchoolYear,SchoolTerm from TermDate Where FirstDay <= '" +
                dates::isoDate(shown) + "'"))
            return;
        drawRecordset.rows.MoveLast();
        schoolYear = drawRecordset.GetField("SchoolYear");
        schoolTerm = drawRecordset.GetField("SchoolTerm");
        FXlong termStart = dates::localMoment(drawRecordset.rows.GetField(1), appState.schoolHour, appState.schoolMinute);
        termBase = termStart - oneWeek;
        // Calendar weeks: a week that begins in summer time after a term
        // that began in winter time still begins on its Monday.
        N = dates::weeksBetween(termBase, shown);

        FXlong first = termBase + N * oneWeek;
        FXString D0 = dates::isoDate(first);
        FXString D6 = dates::isoDate(dates::addDays(first, 6));
        if (!drawRecordset.OpenRecordset(
            "Select LessonPlan.*, UnitPlan.UnitType, UnitPlan.Rotate from LessonPlan,UnitPlan,LongTerm "
            "Where LessonPlan.FKUnitPlan = UnitPlan.Id And UnitPlan.FKLongTerm = LongTerm.Id And UnitPlan.FKTeacher = " +
            appState.currentUserId + " and (DateEnd >= '" + D0 + "' and DateEnd < '" + D6 + "' or DateStart <= '" + D6 +
            "' and DateEnd >= '" + D6 + "') and LongTerm.Persistant = 0 Order By UnitType Desc,TimeStart,LessonPlan.Id"))
            return;

        // Read each lesson once; the three passes below reuse them.
        FXStringRecordset& rows = drawRecordset.rows;
        rows.MoveFirst();
        while (!rows.eof) {
            LessonRow row;
            row.id = drawRecordset.GetField("Id");
            row.name = drawRecordset.GetField("LessonName");
            row.unitTypeText = drawRecordset.GetField("UnitType");
            row.rotateText = drawRecordset.GetField("Rotate");
            row.unitType = decimalValue(row.unitTypeText);
            row.rotate = decimalValue(row.rotateText);
            row.routineDay = decimalValue(drawRecordset.GetField("RoutineDay"));
            row.notTaught = decimalValue(drawRecordset.GetField("LessonNotTaught"));
            row.assess = decimalValue(drawRecordset.GetField("LessonAssess"));
            row.eval = decimalValue(drawRecordset.GetField("LessonEval"));
            row.startDay = dates::localMoment(rows.GetField(14), 0, 0);
            row.endDay = dates::localMoment(rows.GetField(15), 23, 59);
            FXString timeStart = drawRecordset.GetField("TimeStart");
            FXString timeEnd = drawRecordset.GetField("TimeEnd");
            row.startHour = decimalValue(timeStart.mid(0, 2));
            row.startMinute = decimalValue(timeStart.mid(3, 2));
            row.endHour = decimalValue(timeEnd.mid(0, 2));
            row.endMinute = decimalValue(timeEnd.mid(3, 2));
            lessons.push_back(row);
            rows.MoveNext();
        }
        transaction.commit();
    }

    // Footer and heading.
    dc.setForeground(black);
    dc.setFont(smallFont);
    dc.drawText(W - 80 - smallFont->getTextWidth(footerNotice), H, footerNotice);
    dc.setFont(labelFont);
    FXString heading = "WEEKLY CALENDAR FOR WEEK:" + FXStringVal((FXint)N) + "  TERM:" + schoolTerm.trim() +
                       "  YEAR:" + schoolYear.trim() + teacherPart;
    dc.drawText((W - 80) / 2 - labelFont->getTextWidth(heading) / 2, 19, heading);

    // The grid: three passes over every cell.  Pass 0 gives each plan its
    // colour, pass 1 fills the cells and draws headers and lines, pass 2
    // counts each plan's cells and writes the labels.
    // A timetable of no rows (a damaged SchoolTimes setting) draws no grid
    // instead of dividing by zero.
    const FXint L = appState.schoolTimes > 0 ? (H - 70) / appState.schoolTimes : 0;
    const FXint C = (W - 80) / 6;
    const FXint K = ((W - 80) + C) / 6;
    FXlong dstFix = 0;
    srand((unsigned)time(nullptr));
    for (int pass = 0; pass < 3; ++pass) {
        planColourList.MoveFirst();
        drawRecordset.rows.MoveFirst();
        for (FXint p = 0; p < appState.schoolTimes; ++p) {
            const FXint y = 60 + L * p;
            for (FXint d = 0; d <= 5; ++d) {
                const FXint x = d == 0 ? 3 : 3 + C / 2 + (d - 1) * K;
                const FXint width = d == 0 ? C / 2 : K;

                if (p == 1 && d == 1) {
                    weekStart = termBase + N * oneWeek;
                    const FXint hour = dates::hourOf(weekStart);
                    dstFix = hour == appState.schoolHour ? 0 : hour > appState.schoolHour ? -3600 : 3600;
                }

                if (p >= 1 && d >= 1) {
                    // The day's school start, whatever the daylight-saving state.
                    const FXlong dayStart = dates::addDays(termBase + N * oneWeek + dstFix, d - 1);
                    FXint k = 0;
                    bool r = false;
                    for (currentLesson = 0; currentLesson < lessons.size(); ++currentLesson) {
                        if (!slotTest(dayStart, p, d)) continue;
                        const LessonRow& lesson = lessons[currentLesson];
                        ++k;
                        if (lesson.unitType == 3) r = true;
                        bool found = findPlan(planColourList, lesson.id);
                        if (found && pass == 0 && k >= 3 && !r) {
                            planColourList.DeleteRow();
                            found = false;
                        }
                        if (!found) {
                            planColourList.AddField(lesson.id, true);
                            if (k < 3 || r) {
                                FXColor colour = nonContact;
                                if (lesson.unitType != 3) {
                                    FXint cr = 155 + rand() % 100;
                                    FXint cg = 155 + rand() % 100;
                                    FXint cb = 155 + rand() % 100;
                                    colour = FXRGB(cr, cg, cb);
                                }
                                planColourList.AddField(colourText(colour), false);
                                planColourList.AddField(colourText(black), false);
                            } else {
                                planColourList.AddField(colourText(overlapping), false);
                                planColourList.AddField(colourText(white), false);
                                dc.setForeground(white);
                                dc.fillRectangle(3, 43, W - 80, 16);
                                dc.setFont(smallFont);
                                FXint tx = 13;
                                dc.setForeground(red);
                                dc.drawText(tx, 55, "Error: ");
                                tx += smallFont->getTextWidth("Error: ");
                                dc.setForeground(black);
                                dc.drawText(tx, 55, lesson.name);
                                tx += smallFont->getTextWidth(lesson.name);
                                dc.setForeground(red);
                                dc.drawText(tx, 55,
                                            " is overlapping two other plans. Change it's start or end dates.");
                            }
                            planColourList.AddField("0", false);
                            planColourList.AddField(lesson.unitTypeText, false);
                            planColourList.AddField("Junk", false);
                            planColourList.AddField(lesson.rotateText, false);
                            continue;
                        }

                        // A plan met before: fill (pass 1) or count (pass 2), then markers.
                        const bool rightHalf = k >= 2;
                        const bool showsHere = !r || lesson.unitType == 2;
                        if (pass == 1) {
                            dc.setForeground(colourValue(planColourList.GetField(1)));
                            if (!rightHalf) dc.fillRectangle(x, y, K, L);
                            else if (showsHere) dc.fillRectangle(x + K / 2, y, K / 2, L);
                        } else if (pass == 2) {
                            planColourList.SetField(3, FXStringVal(decimalValue(planColourList.GetField(3)) + 1));
                            planColourList.SetField(5, planColourList.GetField(5) + "," + FXStringVal(d));
                        }
                        const FXint x0 = rightHalf ? x + K / 2 : x;
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
                        if (pass == 2) {
                            FXint cells = decimalValue(planColourList.GetField(3));
                            if (cells == 1 || cells % 5 == 1) {
                                dc.setFont(smallFont);
                                dc.setForeground(colourValue(planColourList.GetField(2)));
                                if (!rightHalf) dc.drawText(x + 2, y + 7, lesson.name);
                                else if (showsHere) dc.drawText(x + K / 2 + 2, y + L / 2 + 7, lesson.name);
                            }
                        }
                    }
                }

                if (pass == 1) {
                    dc.setForeground(black);
                    if (p == 0 && d >= 1) {
                        dc.setFont(smallFont);
                        FXlong day = dates::addDays(termBase + N * oneWeek, d - 1);
                        dc.drawText(x + 2, y + 11, dayNames[d - 1] + dates::shownDate(day));
                    }
                    if (d == 0 && p >= 1) {
                        dc.setFont(labelFont);
                        FXlong t = termBase + N * oneWeek + p * (FXlong)appState.schoolPeriod + dstFix;
                        dc.drawText(x + 2, y + L * 2 / 3 + 3, dates::localText(t, "%H:%M"));
                    }
                    dc.drawRectangle(x, y, width, L);
                }
            }
        }
    }
}

// The calendar date of `moment` at hour:minute.
FXlong CalendarWindow::DayTimes::sameDayAt(FXlong when, FXint hour, FXint minute) {
    struct tm local;
    if (when != moment) {
        time_t t = (time_t)when;
        localtime_r(&t, &local);
        moment = when;
        year = local.tm_year;
        yday = local.tm_yday;
    }
    long long key = ((long long)year * 400 + yday) * 1440 + hour * 60 + minute;
    auto known = at.find(key);
    if (known != at.end()) return known->second;
    FXlong result = dates::sameDayAt(when, hour, minute);
    at[key] = result;
    return result;
}

bool CalendarWindow::slotTest(FXlong s, FXint p, FXint d) const {
    const LessonRow& lesson = lessons[currentLesson];
    const FXlong A = s + p * (FXlong)appState.schoolPeriod;
    const FXlong B = s + (p + 1) * (FXlong)appState.schoolPeriod;
    // The lesson's dates reach the slot...
    if (!((A <= lesson.endDay && lesson.endDay < B) || (lesson.startDay <= B && B <= lesson.endDay))) return false;
    // ...and so do its times on the slot's day.
    const FXlong lessonStart = dayTimes.sameDayAt(A, lesson.startHour, lesson.startMinute);
    const FXlong lessonEnd = dayTimes.sameDayAt(B, lesson.endHour, lesson.endMinute);
    if (!((A <= lessonEnd && lessonEnd < B) || (lessonStart < B && B <= lessonEnd))) return false;
    // A routine plan only on its own day.
    if (lesson.unitType == 2) return lesson.routineDay == d;
    return true;
}

// ---------------------------------------------------------------------------
// The canvas

void CalendarWindow::redraw() {
    redrawState = 1;
    if (canvas->id()) onPaint(canvas, FXSEL(SEL_PAINT, ID_CANVAS), nullptr);
}

long CalendarWindow::onPaint(FXObject*, FXSelector, void*) {
    // A syndicate leader has no week of its own: a black canvas.
    FXint user = decimalValue(appState.currentUserId);
    if (user > 0 && user == decimalValue(appState.currentSyndicate)) {
        redrawState = 0;
        FXDCWindow dc(canvas);
        dc.fillRectangle(0, 0, canvas->getWidth(), canvas->getHeight());
        return 1;
    }
    if (busyCursor) setDefaultCursor(busyCursor);
    try {
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
    } catch (const FXException& e) {
        if (normalCursor) setDefaultCursor(normalCursor);
        Prompter::get().error(this, "Database Error", e.what());
        return 1;
    }
    if (normalCursor) setDefaultCursor(normalCursor);
    return 1;
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
    FXint sum = FXREDVAL(pixel) + FXGREENVAL(pixel) + FXBLUEVAL(pixel);
    if (sum == 0 || sum == 765) {
        Prompter::get().error(this, "CalendarWindow::onMouseDown - No plan chosen.",
                              "You clicked on a region coloured black or white. Please click on a coloured plan.");
        return 1;
    }
    // The plan whose colour is nearest; among equals the one latest in the list.
    FXString chosen = "0";
    FXint best = 9999;
    planColourList.MoveLast();
    while (!planColourList.bof) {
        FXColor colour = colourValue(planColourList.GetField(1));
        FXint distance = FXABS(FXREDVAL(pixel) - FXREDVAL(colour)) + FXABS(FXGREENVAL(pixel) - FXGREENVAL(colour)) +
                         FXABS(FXBLUEVAL(pixel) - FXBLUEVAL(colour));
        if (distance < best) {
            best = distance;
            chosen = planColourList.GetField(0);
        }
        planColourList.MovePrevious();
    }
    openUnitPlanDialog(chosen);
    return 1;
}

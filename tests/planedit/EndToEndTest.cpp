// From the plan editor to the week on the calendar: a lesson added through
// the dialog is drawn in its slot.
#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "planedit/PlanEditTest.h"

using namespace FX;
using namespace planedit;

TEST_F(PlanEdit, ALessonAddedThroughTheDialogIsDrawnOnTheCalendar) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    CalendarWindow* calendar = new CalendarWindow(app());
    calendar->create();
    // The calendar's settings load chose a teacher of its own: take ours.
    loginAs(TEACHER, LEADER);
    appState.americanDate = 0;
    prompts.clear();

    open();
    // As the calendar opens it: the dialog tells the calendar of a new date.
    dialog->setTarget(calendar);
    dialog->setSelector(CalendarWindow::ID_SHOWDATE);
    choosePlan(10);
    chooseUnit(20);
    type(OBJECTIVE, "Name:", "Wednesday fractions");
    type(OBJECTIVE, "Start Date:", shown(weekday(2)));
    type(OBJECTIVE, "End Date:", shown(weekday(2)));
    type(OBJECTIVE, "Start Time:", "10:00");
    type(OBJECTIVE, "End Time:", "10:50");
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Add");
    ASSERT_TRUE(errors().empty()) << errors().back();
    const std::string id = value("Select Id from LessonPlan where LessonName = 'Wednesday fractions'");
    ASSERT_FALSE(id.empty());

    // Selecting the new lesson moved the calendar to its week and had it redrawn.
    auto listed = [&](FXStringRecordset& list, FXString& colour, FXString& days) {
        for (list.MoveFirst(); !list.eof; list.MoveNext()) {
            FXString first = list.GetField(0);
            if (first.trim() == id.c_str()) {
                colour = list.GetField(1);
                days = list.GetField(5);
                return true;
            }
        }
        return false;
    };
    FXString colour, days;
    EXPECT_TRUE(listed(calendar->planColourList, colour, days));

    // Drawn off-screen: the Wednesday cell of 10:00 carries the plan's colour.
    const FXint W = 800, H = 600;
    FXImage image(app(), nullptr, IMAGE_KEEP | IMAGE_SHMI | IMAGE_SHMP, W, H);
    image.create();
    {
        FXDCWindow dc(&image);
        calendar->drawPlan(dc, W, H);
    }
    image.restore();
    ASSERT_TRUE(listed(calendar->planColourList, colour, days));
    EXPECT_EQ(days, "Junk,3,3,3,3");  // 10:00 to 10:50: four cells on Wednesday
    const FXint L = (H - 70) / appState.schoolTimes;
    const FXint C = (W - 80) / 6;
    const FXint K = ((W - 80) + C) / 6;
    const FXint row =
        (10 * 60 - (appState.schoolHour * 60 + appState.schoolMinute)) / (appState.schoolPeriod / 60);  // the 10:00 row
    const FXint x = 3 + C / 2 + 2 * K + K - 10;  // right end of the Wednesday cell, clear of the label
    const FXint y = 60 + L * row + L - 4;
    const FXColor expected = (FXColor)strtoul(colour.text(), nullptr, 10);
    const FXColor pixel = image.getPixel(x, y);
    EXPECT_EQ(FXREDVAL(pixel), FXREDVAL(expected));
    EXPECT_EQ(FXGREENVAL(pixel), FXGREENVAL(expected));
    EXPECT_EQ(FXBLUEVAL(pixel), FXBLUEVAL(expected));
    // The same cell on Tuesday stays white.
    const FXColor tuesday = image.getPixel(x - K, y);
    EXPECT_EQ(FXREDVAL(tuesday) + FXGREENVAL(tuesday) + FXBLUEVAL(tuesday), 765);

    delete dialog;
    dialog = nullptr;

    // The calendar's "&Unit Plan" button opens a new editor with nothing chosen.
    const int before = UnitPlanDialog::liveCount;
    calendar->handle(nullptr, FXSEL(SEL_COMMAND, CalendarWindow::ID_UNITPLAN), nullptr);
    EXPECT_EQ(UnitPlanDialog::liveCount, before + 1);
    EXPECT_EQ(calendar->getChosenLessonPlan(), "0");
    for (FXWindow* w = app()->getRootWindow()->getFirst(); w; w = w->getNext()) {
        if (w->isMemberOf(FXMETACLASS(UnitPlanDialog))) {
            dialog = static_cast<UnitPlanDialog*>(w);  // the fixture deletes it
            break;
        }
    }
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->shown());
    delete calendar;
}

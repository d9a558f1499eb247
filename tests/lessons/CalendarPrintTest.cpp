// The calendar's printing commands: "Print Calendar" to a PostScript and an
// HTML file, and "&Print Lessons" opening the lesson dialog on the shown week.
#include "lessons/LessonsTest.h"

#include <unistd.h>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "lessons/LessonDialog.h"

using namespace FX;
using namespace lessonstest;

namespace {

class CalendarPrint : public Lessons {
protected:
    CalendarWindow* calendar = nullptr;

    void SetUp() override {
        Lessons::SetUp();
        unlink("Registry.ini");
        addLesson(501, FRACTIONS, "Halves", weekday(0), "09:00", "09:45");
        addLesson(502, FRACTIONS, "Quarters", weekday(2), "10:00", "10:45");
        calendar = new CalendarWindow(app());
        calendar->create();
        appState.dateOffset = weekOffset();  // the settings' load put it back to today
        calendar->resize(900, 700);
        settle();
        calendar->redraw();
    }
    void TearDown() override {
        for (bool found = true; found;) {
            found = false;
            for (FXWindow* w = app()->getRootWindow()->getFirst(); w; w = w->getNext())
                if (w->isMemberOf(FXMETACLASS(LessonDialog))) {
                    delete w;
                    found = true;
                    break;
                }
        }
        delete calendar;
        calendar = nullptr;
        Lessons::TearDown();
    }

    std::string printCalendar(const std::string& name, int destination) {
        std::string file = dir + "/" + name;
        answerPrintDialog(destination, file);
        calendar->handle(nullptr, FXSEL(SEL_COMMAND, CalendarWindow::ID_PRINTCALENDAR), nullptr);
        EXPECT_TRUE(dialogAnswer.answered);
        return file;
    }

    // The colour of the plan with this Id in the calendar's list.
    FXColor listed(int id) {
        for (const FXStringRecordset::Row* row = calendar->planColourList.FirstRow(); row; row = row->next)
            if (FXIntVal(row->firstField->value) == id) return (FXColor)FXUIntVal(row->firstField->next->value);
        return 0;
    }
};

}  // namespace

TEST_F(CalendarPrint, TheWeekGoesOnOnePageInsideThePaper) {
    ASSERT_EQ(calendar->planColourList.RowCount(), 2);
    std::string file = printCalendar("week.ps", 1);
    expectGoodPostscript(file, 1);
    std::string text = textOf(file);
    EXPECT_NE(text.find("WEEKLY CALENDAR FOR WEEK:4 TERM:2 YEAR:2030"), std::string::npos) << text;
    EXPECT_NE(text.find("Teacher:Tia Teacher"), std::string::npos) << text;
    EXPECT_NE(text.find("Halves"), std::string::npos);
    EXPECT_NE(text.find("Quarters"), std::string::npos);
    EXPECT_NE(text.find("Monday"), std::string::npos);
    // Landscape (a week is wider than tall), the week as the screen shows
    // it magnified to fill the printable area: inside the margins (72
    // points; the sheet turned, so the week's width runs up the sheet), and
    // nearly all of it in one direction.
    EXPECT_NE(printtest::readFile(file).find("%%Orientation: Landscape\n"), std::string::npos);
    std::vector<printtest::Box> ink = printtest::inkBoxes(file);
    ASSERT_EQ(ink.size(), 1u);
    EXPECT_GE(ink[0].x0, 72 - 1);
    EXPECT_LE(ink[0].x1, 612 - 72);
    EXPECT_GE(ink[0].y0, 72);
    EXPECT_LE(ink[0].y1, 792 - 72 + 1);
    EXPECT_TRUE(ink[0].y1 - ink[0].y0 > 0.9 * (792 - 144) || ink[0].x1 - ink[0].x0 > 0.9 * (612 - 144))
        << ink[0].x0 << " " << ink[0].y0 << " " << ink[0].x1 << " " << ink[0].y1;
    EXPECT_TRUE(errors().empty());
    // The printed drawing gave the plans new colours; the screen shows them,
    // so a click still finds the plan it shows.
    ASSERT_NE(calendar->getImage(), nullptr);
    EXPECT_NE(listed(501), 0u);
}

// "Print Week" on the pop-up menu: the week's lesson pages as one job.
TEST_F(CalendarPrint, PrintWeekPrintsTheWeeksLessonPages) {
    app()->reg().writeStringEntry("PAPER", "0", "[Letter] 1 612.00000 792.00000 72 72 72 72");
    app()->reg().writeIntEntry("PRINTER", "media", 0);
    std::string file = dir + "/week.ps";
    answerPrintDialog(1, file);
    calendar->handle(nullptr, FXSEL(SEL_COMMAND, CalendarWindow::ID_PRINTWEEK), nullptr);
    EXPECT_TRUE(dialogAnswer.answered);
    expectGoodPostscript(file, 2);
    std::string text = textOf(file);
    EXPECT_LT(text.find("Halves"), text.find("Quarters")) << text;
    EXPECT_NE(text.find("Monday"), std::string::npos);
    EXPECT_NE(text.find("Wednesday"), std::string::npos);
}

TEST_F(CalendarPrint, AnHtmlFileHoldsTheTableOfTheWeeksLessons) {
    std::string file = printCalendar("week.html", 2);
    std::string html = printtest::readFile(file);
    EXPECT_EQ(printtest::count(html, "<THEAD>"), 1u);
    EXPECT_NE(html.find("<TD class=\"LESSONNAME\">Halves</TD>"), std::string::npos) << html;
    EXPECT_NE(html.find("<TD class=\"LESSONNAME\">Quarters</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TH class=\"UNITTYPE\">"), std::string::npos);
    EXPECT_EQ(html.find("WEEKLY CALENDAR"), std::string::npos);  // the drawing leaves nothing
}

TEST_F(CalendarPrint, AfterPrintingTheScreenShowsTheListsColours) {
    printCalendar("colours.ps", 1);
    // Read the screen's image where Monday's 09:00 slot is drawn.
    FXImage* image = calendar->getImage();
    ASSERT_NE(image, nullptr);
    printtest::Raster shown = printtest::imageOf(image);
    const FXint W = calendar->getCanvas()->getWidth(), H = calendar->getCanvas()->getHeight();
    const FXint L = (H - 70) / 26, C = (W - 80) / 6, K = ((W - 80) + C) / 6;
    const int x = 3 + C / 2 + K / 2, y = 60 + L * 2 + L / 2;  // Monday, 09:00 (row 1 is 08:45)
    const unsigned char* p = &shown.rgb[(size_t)(y * shown.width + x) * 3];
    const FXColor colour = listed(501);
    EXPECT_EQ((int)p[0], (int)FXREDVAL(colour));
    EXPECT_EQ((int)p[1], (int)FXGREENVAL(colour));
    EXPECT_EQ((int)p[2], (int)FXBLUEVAL(colour));
}

TEST_F(CalendarPrint, PrintLessonsOpensTheDialogOnTheShownWeek) {
    const FXint before = LessonDialog::liveCount;
    calendar->handle(nullptr, FXSEL(SEL_COMMAND, CalendarWindow::ID_PRINTLESSONS), nullptr);
    ASSERT_EQ(LessonDialog::liveCount, before + 1);
    LessonDialog* dialog = nullptr;
    for (FXWindow* w = app()->getRootWindow()->getFirst(); w; w = w->getNext())
        if (w->isMemberOf(FXMETACLASS(LessonDialog))) dialog = static_cast<LessonDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->weekStart, calendar->weekStart);
    ASSERT_EQ(dialog->weekLessons.size(), 2u);
    EXPECT_EQ(dialog->weekLessons[0].id, 501);
    EXPECT_GE(dialog->weekLessons[0].days.find(",1"), 0);
    EXPECT_LT(dialog->weekLessons[0].days.find(",3"), 0);
    EXPECT_GE(dialog->weekLessons[1].days.find(",3"), 0);
}

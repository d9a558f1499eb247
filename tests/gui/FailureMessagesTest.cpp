// What the windows outside the plan editor say when a command fails: a row
// another teacher changed meanwhile, and the database service gone.  Every
// box is read back: plain words, never the database's codes or its
// sentences alone, and the lost connection in the warning's own words, once
// a command.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "gui/GuiTest.h"
#include "lessons/LessonDialog.h"
#include "longterm/LongTermWindow.h"
#include "setup/SchoolSetupWindow.h"
#include "support/RecordingPrompter.h"
#include "teachers/TeachersWindow.h"
#include "transfer/TransferFile.h"
#include "ui/ListItems.h"

using namespace FX;
using namespace guitest;

namespace {

const char* const lostWords = "IsectRecordset::OpenRecordset - Network connection failed.";

// Another teacher changes a row and commits while this program's statements
// run inside one open transaction (as a window's do while another window's
// upload lets events run): the program's own change of that row then meets
// the database's update conflict, at once instead of after a lock wait.
class ChangedMeanwhile {
public:
    explicit ChangedMeanwhile(const std::string& otherChange) : transaction_(held_) {
        held_.OpenRecordset("Select Count(*) from Settings");  // the transaction's view begins here
        sql(otherChange);
    }

private:
    IsectRecordset held_;
    IsectRecordset::Transaction transaction_;
};

class FailureMessages : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;

    void SetUp() override {
        freshStart();
        sql("delete from ChildYear; set generator NEWTEACHER to 10; set generator NEWCHILDYEAR to 10;"
            "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom Hale', 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-02-03', 10, "
            "2014, 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (2, '2014-04-28', 10, "
            "2014, 2);"
            "insert into ChildYear (Id, Description) values (1, 'Year 3');"
            "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
            "Persistant) values (1, 'Numbers', 'About numbers', '2014-02-03', '2014-04-11', 0, 0, 2, 0);"
            "insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate) "
            "values (1, 'Fractions', 'Parts', 1, 1, 2, 1, 0);"
            "insert into LessonPlan (Id, LessonName, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay, FKUnitPlan) "
            "values (1, 'Halves', '2014-02-04', '2014-02-04', '09:00', '09:50', 0, 1);");
        showTomsWeek();
    }

    // Tom is the current teacher, his week of 3 February 2014 shown.
    void showTomsWeek() {
        appState.currentUserId = "2";
        appState.currentSyndicate = "1";
        appState.dateOffset = offsetFor(localMoment(2014, 2, 5, 12));
        appState.americanDate = 0;
    }

    void press(FXObject* window, FXSelector id, void* ptr = nullptr) {
        window->handle(window, FXSEL(SEL_COMMAND, id), ptr);
    }

    // The one box of the last command (after its confirming question, if
    // it asks one): the words for a row changed by someone else, speaking
    // of `subject`.
    void expectChangedMeanwhile(const std::string& subject, const std::string& command) {
        if (!prompts.prompts.empty() && prompts.prompts.front().kind == "question")
            prompts.prompts.erase(prompts.prompts.begin());
        ASSERT_EQ(prompts.prompts.size(), 1u) << command;
        EXPECT_EQ(prompts.last().kind, "error") << command;
        EXPECT_EQ(prompts.last().caption, "Someone Else Is Changing This") << command;
        EXPECT_EQ(prompts.last().text, "Someone else is changing this " + subject +
                                           " at the moment, so your change was not saved.\n\nEverything you typed "
                                           "is still here: try again in a moment.")
            << command;
        prompts.clear();
    }
    // The boxes of a command without the service: the warning, once.
    void expectLost(const std::string& command) {
        ASSERT_EQ(prompts.prompts.size(), 1u)
            << command << ": " << (prompts.prompts.empty() ? "" : prompts.last().text);
        EXPECT_EQ(prompts.last().kind, "warning") << command;
        EXPECT_EQ(prompts.last().caption, "Plenwick") << command;
        EXPECT_EQ(prompts.last().text, lostWords) << command;
        prompts.clear();
    }
};

// The windows that write: a change of a row another teacher changed
// meanwhile is refused in plain words, and the other teacher's change stays.
TEST_F(FailureMessages, ARowChangedMeanwhileIsToldInPlainWordsByEveryWindowThatWrites) {
    CalendarWindow* calendar = new CalendarWindow(app());
    calendar->create();
    settle();
    prompts.clear();

    TeachersWindow* teachers = new TeachersWindow(calendar, calendar, CalendarWindow::ID_SETUSERTEXT);
    teachers->create();
    press(teachers, TeachersWindow::ID_LOAD);
    FXList* list = teachers->getTeacherList();
    const FXint tom = list->findItem("Tom Hale");
    list->setCurrentItem(tom);
    list->selectItem(tom);
    teachers->handle(list, FXSEL(SEL_COMMAND, TeachersWindow::ID_SELECT), (void*)(FXival)tom);
    prompts.clear();
    {
        ChangedMeanwhile other("update Teachers set Teacher = 'Tom Hale-Smith' where Id = 2;");
        teachers->getNameField()->setText("Thomas Hale");
        press(teachers, TeachersWindow::ID_EDIT);
    }
    expectChangedMeanwhile("teacher", "Teachers, Edit");
    EXPECT_EQ(teachers->getNameField()->getText(), "Thomas Hale");
    {
        ChangedMeanwhile other("update Teachers set Teacher = 'Tom H.' where Id = 2;");
        prompts.answers.push_back(true);
        press(teachers, TeachersWindow::ID_DELETE);
    }
    expectChangedMeanwhile("teacher", "Teachers, Delete");
    EXPECT_EQ(value("Select Teacher from Teachers where Id = 2"), "Tom H.");
    delete teachers;

    SchoolSetupWindow* setup = new SchoolSetupWindow(calendar);
    setup->create();
    prompts.clear();
    lists::selectItem(setup->getTermList(), 0);
    setup->handle(setup->getTermList(), FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_TERMLIST), (void*)(FXival)0);
    {
        ChangedMeanwhile other("update TermDate set SchoolWeeks = 11 where Id = 1;");
        setup->getWeeksSpinner()->setValue(9);
        press(setup, SchoolSetupWindow::ID_EDITTERM);
    }
    expectChangedMeanwhile("term", "School Setup, Edit term");
    {
        ChangedMeanwhile other("update TermDate set SchoolWeeks = 12 where Id = 1;");
        prompts.answers.push_back(true);  // "Delete Term 1 ...?"
        press(setup, SchoolSetupWindow::ID_DELETETERM);
        ASSERT_GE(prompts.prompts.size(), 1u);
        EXPECT_EQ(prompts.prompts[0].kind, "question");
        prompts.prompts.erase(prompts.prompts.begin());
    }
    expectChangedMeanwhile("term", "School Setup, Delete term");
    EXPECT_EQ(value("Select SchoolWeeks from TermDate where Id = 1"), "12");
    lists::selectItem(setup->getYearList(), 0);
    setup->handle(setup->getYearList(), FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_YEARLIST), (void*)(FXival)0);
    {
        ChangedMeanwhile other("update ChildYear set Description = 'Year Three' where Id = 1;");
        setup->getYearField()->setText("Year 3 and 4");
        press(setup, SchoolSetupWindow::ID_EDITYEAR);
    }
    expectChangedMeanwhile("year level", "School Setup, Edit year level");
    {
        ChangedMeanwhile other("update Settings set StringValue = '9' where StringKey = 'SchoolHour';");
        press(setup, SchoolSetupWindow::ID_SAVETIMETABLE);
    }
    expectChangedMeanwhile("timetable", "School Setup, Save timetable");
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolHour'"), "9");
    delete setup;

    // The calendar writes when it exports the marked unit plans (the mark
    // is cleared after the file is written).
    mkdir(transfer::directory().text(), 0755);
    {
        ChangedMeanwhile other("update UnitPlan set UnitDescription = 'Changed' where Id = 1;");
        press(calendar, CalendarWindow::ID_EXPORTUNITPLANS);
    }
    expectChangedMeanwhile("unit plan", "Calendar, Export Unit Plans");
    EXPECT_EQ(value("Select Transfer from UnitPlan where Id = 1"), "1");
    delete calendar;
}

// Every window, the service gone: each command says so in the warning's own
// words, once, and nothing else; with the service back the same commands go
// through.
TEST_F(FailureMessages, ALostServiceIsToldOnceACommandInTheSameWordsByEveryWindow) {
    CalendarWindow* calendar = new CalendarWindow(app());
    calendar->create();
    settle();
    TeachersWindow* teachers = new TeachersWindow(calendar, calendar, CalendarWindow::ID_SETUSERTEXT);
    teachers->create();
    press(teachers, TeachersWindow::ID_LOAD);
    SchoolSetupWindow* setup = new SchoolSetupWindow(calendar);
    setup->create();
    showTomsWeek();
    calendar->redraw();
    ASSERT_EQ(calendar->planColourList.RowCount(), 1);
    LongTermWindow* longTerm = new LongTermWindow(app());
    longTerm->create();
    settle();
    app()->reg().writeStringEntry("PAPER", "0", "[Letter] 1 612.00000 792.00000 72 72 72 72");
    LessonDialog* lessons = new LessonDialog(app(), calendar->weekStart, 0, calendar->planColourList);
    lessons->create();
    ASSERT_TRUE(lessons->start());  // the days of the week listed
    prompts.clear();

    services().stop();
    press(calendar, CalendarWindow::ID_REFRESH);
    expectLost("Calendar, Refresh");
    EXPECT_TRUE(calendar->planColourList.IsEmpty()) << "no plan of the earlier drawing to click";
    press(calendar, CalendarWindow::ID_NEXT_TERM);
    expectLost("Calendar, Term >");
    press(calendar, CalendarWindow::ID_EXPORTDATABASE);
    expectLost("Calendar, Export Database");

    press(longTerm, LongTermWindow::ID_NEXT_TERM);
    expectLost("Long Term, Term >");
    press(longTerm, LongTermWindow::ID_REFRESH);
    expectLost("Long Term, Refresh");

    lessons->dayList->setCurrentItem(1);
    lessons->handle(lessons->dayList, FXSEL(SEL_COMMAND, LessonDialog::ID_DAYS), (void*)(FXival)1);
    expectLost("Print Lessons, a day chosen");

    setup->getYearField()->setText("Year 4");
    press(setup, SchoolSetupWindow::ID_ADDYEAR);
    expectLost("School Setup, Add year level");
    press(setup, SchoolSetupWindow::ID_SAVETIMETABLE);
    expectLost("School Setup, Save timetable");
    setup->load();
    expectLost("School Setup, opening");

    teachers->getNameField()->setText("Thomas Hale");
    press(teachers, TeachersWindow::ID_ADD);
    expectLost("Teachers, Add");
    press(teachers, TeachersWindow::ID_LOAD);
    expectLost("Teachers, opening");

    services().start();
    showTomsWeek();
    press(calendar, CalendarWindow::ID_REFRESH);
    EXPECT_EQ(calendar->planColourList.RowCount(), 1);
    press(longTerm, LongTermWindow::ID_REFRESH);
    lessons->handle(lessons->dayList, FXSEL(SEL_COMMAND, LessonDialog::ID_DAYS), (void*)(FXival)1);
    EXPECT_EQ(lessons->dayLessons.RowCount(), 1);
    setup->getYearField()->setText("Year 4");
    press(setup, SchoolSetupWindow::ID_ADDYEAR);
    EXPECT_EQ(value("Select Count(*) from ChildYear where Description = 'Year 4'"), "1");
    teachers->getNameField()->setText("Thomas Hale");
    press(teachers, TeachersWindow::ID_ADD);
    EXPECT_EQ(value("Select Count(*) from Teachers where Teacher = 'Thomas Hale'"), "1");
    for (const auto& p : prompts.prompts) ADD_FAILURE() << p.kind << " " << p.caption << ": " << p.text;

    delete lessons;
    longTerm->handle(longTerm, FXSEL(SEL_COMMAND, LongTermWindow::ID_CLOSE), nullptr);
    settle();
    delete setup;
    delete teachers;
    delete calendar;
}

}  // namespace

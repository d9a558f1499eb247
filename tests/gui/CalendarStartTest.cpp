// What the calendar does when it cannot show a week: no database service
// (or no Plenwick.ini), a database without a school, no current teacher,
// a stored teacher that was deleted; and the redraw when the teachers
// dialog returns.  Messages in plain words, recorded through the Prompter.
#include <gtest/gtest.h>

#include <string>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "gui/GuiTest.h"
#include "support/RecordingPrompter.h"
#include "teachers/TeachersWindow.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;

namespace {

// With the service key of the test's services, as scripts/services writes it.
void writeConnectionFile(const std::string& dir, const std::string& host, const std::string& service) {
    writeFile(dir + "/Plenwick.ini",
              "[Plenwick]\nHost=" + host + "\nDatabaseService=" + service + "\nServiceKey=" + services().key() + "\n");
}

class CalendarStart : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    CalendarWindow* calendar = nullptr;

    void SetUp() override {
        freshStart();
        sql("insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom Hale', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (3, 'Sarah Kim', 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-03-03', 10, "
            "2014, 1);"
            "insert into LongTerm (Id, PlanName, FKSyndicate, Persistant) values (1, 'Numbers', 1, 0);"
            "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher, Rotate) values (1, 'Tom''s', 1, 1, "
            "2, 0);"
            "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher, Rotate) values (2, 'Sarah''s', 1, 1, "
            "3, 0);"
            "insert into LessonPlan (Id, LessonName, FKUnitPlan, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay) "
            "values (10, 'Tom on Monday', 1, '2014-03-10', '2014-03-10', '09:00', '09:30', 0);"
            "insert into LessonPlan (Id, LessonName, FKUnitPlan, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay) "
            "values (20, 'Sarah on Tuesday', 2, '2014-03-11', '2014-03-11', '10:00', '10:30', 0);");
    }
    void TearDown() override {
        delete calendar;
        calendar = nullptr;
        // Whatever a test did to the connection, the next one finds it.
        IsectRecordset::Connect();
    }

    void open() {
        calendar = new CalendarWindow(app());
        calendar->create();
        settle();
    }
    long command(FXSelector id) { return calendar->handle(calendar, FXSEL(SEL_COMMAND, id), nullptr); }
    std::string listedIds() {
        std::string ids;
        FXStringRecordset& list = calendar->planColourList;
        for (list.MoveFirst(); !list.eof; list.MoveNext()) ids += std::string(list.GetField(0).trim().text()) + " ";
        return ids;
    }
    bool anyTextContains(const std::string& part) {
        for (const auto& p : prompts.prompts)
            if (p.text.find(part) != std::string::npos) return true;
        return false;
    }
};

// Started where the service cannot be reached: the calendar opens without a
// box of its own and says so on the canvas; F5 tries again and says what was
// tried; once the service answers, the stored teacher and its week come.
TEST_F(CalendarStart, WithoutTheServiceTheCalendarOpensAndWorksOnceTheServiceIsUp) {
    testsupport::TempDir dir("plenwick-offline");
    writeFile(dir.file("Registry.ini"), "[SETTINGS]\nDateOffset=0\n\n[SERVICE: Plenwick]\nuserid=2\n\n");
    const testsupport::ReservedPort dead;  // held, and refusing every connection
    const std::string deadHost = dead.host();
    writeConnectionFile(dir.path(), deadHost, "Plenwick");
    testsupport::ScopedChdir there(dir.path());
    IsectRecordset::Disconnect();

    open();
    // The platform's paint, as when the window first shows.
    calendar->handle(calendar->getCanvas(), FXSEL(SEL_PAINT, CalendarWindow::ID_CANVAS), nullptr);
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    EXPECT_TRUE(calendar->shown());
    EXPECT_STREQ(calendar->getUserText().text(), "No current user.");
    EXPECT_NE(std::string(calendar->getCanvasNotice().text()).find("not connected to the database service"),
              std::string::npos);

    // F5: one warning naming the host and the service, and how to go on.
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_REFRESH), nullptr);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "warning");
    EXPECT_NE(prompts.last().text.find("\"Plenwick\" at " + deadHost), std::string::npos) << prompts.last().text;
    EXPECT_NE(prompts.last().text.find("press F5"), std::string::npos) << prompts.last().text;
    EXPECT_EQ(prompts.last().text.find("Recordset is empty"), std::string::npos);

    // Quit while still without the service keeps the stored teacher.
    calendar->saveSettings();
    EXPECT_NE(readFile(dir.file("Registry.ini")).find("userid=2"), std::string::npos)
        << readFile(dir.file("Registry.ini"));

    // The service is found: Tom (the stored user) and his week.
    writeConnectionFile(dir.path(), services().host(), services().service());
    prompts.clear();
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_REFRESH), nullptr);
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    EXPECT_TRUE(IsectRecordset::Connected());
    EXPECT_STREQ(calendar->getUserText().text(), "Tom Hale");
    EXPECT_STREQ(FXString(appState.currentUserId).trim().text(), "2");
    EXPECT_TRUE(calendar->getCanvasNotice().empty());
    appState.dateOffset = offsetFor(localMoment(2014, 3, 12, 12));
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_REFRESH), nullptr);
    EXPECT_EQ(listedIds(), "10 ");
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
}

TEST_F(CalendarStart, WithoutPlenwickIniTheMessageSaysWhichFileIsMissingAndWhere) {
    testsupport::TempDir dir("plenwick-noini");
    testsupport::ScopedChdir there(dir.path());
    IsectRecordset::Disconnect();
    open();
    EXPECT_TRUE(prompts.prompts.empty());
    command(CalendarWindow::ID_REFRESH);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_NE(prompts.last().text.find("no Plenwick.ini in its folder " + dir.path()), std::string::npos)
        << prompts.last().text;
    EXPECT_NE(prompts.last().text.find("DatabaseService="), std::string::npos);
}

TEST_F(CalendarStart, ARefusedLogInNamesTheServiceAndTheReason) {
    testsupport::TempDir dir("plenwick-refused");
    writeConnectionFile(dir.path(), services().host(), "Nowhere");
    testsupport::ScopedChdir there(dir.path());
    IsectRecordset::Disconnect();
    EXPECT_FALSE(IsectRecordset::Connect());
    const std::string text = IsectRecordset::ConnectionProblem().text();
    EXPECT_NE(text.find("\"Nowhere\" at " + services().host() + " refused Plenwick"), std::string::npos) << text;
    EXPECT_NE(text.find("unknown service"), std::string::npos) << text;

    // A connection file without the service key: refused with the reason.
    writeFile(dir.file("Plenwick.ini"),
              "[Plenwick]\nHost=" + services().host() + "\nDatabaseService=" + services().service() + "\n");
    EXPECT_FALSE(IsectRecordset::Connect());
    const std::string withoutKey = IsectRecordset::ConnectionProblem().text();
    EXPECT_NE(withoutKey.find("the service key is missing or wrong"), std::string::npos) << withoutKey;
    EXPECT_NE(withoutKey.find("no ServiceKey in ./Plenwick.ini"), std::string::npos) << withoutKey;
}

// A database with no school in it: one message that leads to School Setup
// and Teachers.
TEST_F(CalendarStart, ANewEmptyDatabaseLeadsToSchoolSetupAndTeachers) {
    sql("delete from LessonPlan; delete from UnitPlan; delete from LongTerm; delete from Teachers; "
        "delete from TermDate;");
    open();
    prompts.clear();
    command(CalendarWindow::ID_REFRESH);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::drawPlan - No teacher chosen.");
    const std::string& text = prompts.last().text;
    EXPECT_EQ(text.find("This is a new database"), 0u) << text;
    EXPECT_NE(text.find("Options, School Setup"), std::string::npos) << text;
    EXPECT_NE(text.find("Teachers (the button below the calendar)"), std::string::npos) << text;
    EXPECT_EQ(calendar->getCanvasNotice(), text.c_str());
    EXPECT_FALSE(anyTextContains("Recordset is empty"));

    // Terms but no teachers yet: only Teachers is left to do.
    sql("insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-03-03', 10, 2014, "
        "1);");
    prompts.clear();
    command(CalendarWindow::ID_REFRESH);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().text.find("This database has no teachers yet."), 0u) << prompts.last().text;
}

TEST_F(CalendarStart, AStoredTeacherThatWasDeletedIsSaidInPlainWords) {
    writeFile("Registry.ini", "[SERVICE: Plenwick]\nuserid=99\n\n");
    open();
    prompts.clear();
    command(CalendarWindow::ID_REFRESH);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::drawPlan - No teacher chosen.");
    EXPECT_EQ(prompts.last().text,
              "The teacher chosen when Plenwick last closed is no longer in the database.\n\n"
              "Choose yourself in Teachers (the button below the calendar).");

    // The teachers dialog sets the user (none chosen yet): the message follows.
    FXString none = "No current user.";
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_SETUSERTEXT), &none);
    prompts.clear();
    command(CalendarWindow::ID_REFRESH);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().text.find("No teacher is chosen."), 0u) << prompts.last().text;

    // A current teacher deleted while the calendar is open.
    appState.currentUserId = "3";
    sql("delete from Teachers where Id = 3;");
    prompts.clear();
    command(CalendarWindow::ID_REFRESH);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().text.find("The current teacher is no longer in the database"), 0u) << prompts.last().text;
    EXPECT_TRUE(calendar->planColourList.IsEmpty());
}

}  // namespace

// The teachers dialog runs modally; this chooses a teacher in it and closes
// it, as the user would.
class ChooseTeacher : public FXObject {
    FXDECLARE(ChooseTeacher)
public:
    FXint row = 0;
    bool ran = false;
    long onTimeout(FXObject*, FXSelector, void*) {
        FXWindow* modal = app()->getModalWindow();
        if (!modal || !modal->isMemberOf(FXMETACLASS(TeachersWindow))) {
            app()->addTimeout(this, 0, 20);  // not up yet
            return 1;
        }
        TeachersWindow* dialog = static_cast<TeachersWindow*>(modal);
        dialog->handle(dialog, FXSEL(SEL_COMMAND, TeachersWindow::ID_LOAD), nullptr);
        FXList* list = dialog->getTeacherList();
        list->setCurrentItem(row);
        list->selectItem(row);
        dialog->handle(list, FXSEL(SEL_COMMAND, TeachersWindow::ID_SELECT), (void*)(FXival)row);
        ran = true;
        dialog->handle(dialog, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
        return 1;
    }
};

FXDEFMAP(ChooseTeacher) ChooseTeacherMap[] = {FXMAPFUNC(SEL_TIMEOUT, 0, ChooseTeacher::onTimeout)};
FXIMPLEMENT(ChooseTeacher, FXObject, ChooseTeacherMap, ARRAYNUMBER(ChooseTeacherMap))

namespace {

// After the teachers dialog the calendar shows the new teacher's week at
// once, and a click can no longer open the previous teacher's lesson.
TEST_F(CalendarStart, ChoosingAnotherTeacherRedrawsTheWeek) {
    writeFile("Registry.ini", "[SERVICE: Plenwick]\nuserid=2\n\n");
    open();
    appState.dateOffset = offsetFor(localMoment(2014, 3, 12, 12));
    command(CalendarWindow::ID_REFRESH);
    ASSERT_EQ(listedIds(), "10 ");

    prompts.clear();
    ChooseTeacher chooser;
    chooser.row = 2;  // Sarah Kim (Order by Syndicate, Id)
    app()->addTimeout(&chooser, 0, 20);
    prompts.clear();
    command(CalendarWindow::ID_TEACHERS);
    ASSERT_TRUE(chooser.ran);
    EXPECT_STREQ(calendar->getUserText().text(), "Sarah Kim");
    EXPECT_EQ(listedIds(), "20 ") << "the week of the teacher chosen, without F5";
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
}

}  // namespace

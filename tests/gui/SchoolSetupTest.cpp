// School Setup: terms, year levels and the timetable, written through the
// real middleware and read back; and a school built from an empty database
// through School Setup, Teachers and the plan editor, its lesson found on
// the calendar.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "gui/GuiTest.h"
#include "planedit/EditorDriver.h"
#include "planedit/UnitPlanDialog.h"
#include "setup/SchoolSetupWindow.h"
#include "support/RecordingPrompter.h"
#include "teachers/TeachersWindow.h"
#include "ui/AppResources.h"
#include "ui/ListItems.h"

using namespace FX;
using namespace guitest;

namespace {

int count(const std::string& query) { return atoi(value(query).c_str()); }

// An empty school: the schema's Settings rows and nothing else.
void emptySchool() {
    resetDatabase();
    sql("delete from Subject; delete from ChildYear;");
}

class SchoolSetup : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    SchoolSetupWindow* setup = nullptr;

    void SetUp() override {
        emptySchool();
        resetState();
        clearSettings();
        appState.americanDate = 0;
        setup = new SchoolSetupWindow(app()->getRootWindow());
        setup->create();
        prompts.clear();
    }
    void TearDown() override { delete setup; }

    void press(FXSelector id) { setup->handle(setup, FXSEL(SEL_COMMAND, id), nullptr); }
    void term(const char* firstDay, FXint weeks, FXint year, FXint number) {
        setup->getFirstDayField()->setText(firstDay);
        setup->getWeeksSpinner()->setValue(weeks);
        setup->getYearSpinner()->setValue(year);
        setup->getTermSpinner()->setValue(number);
    }
    void pickTerm(FXint row) {
        FXList* list = setup->getTermList();
        lists::selectItem(list, row);
        setup->handle(list, FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_TERMLIST), (void*)(FXival)row);
    }
    void pickYear(FXint row) {
        FXList* list = setup->getYearList();
        lists::selectItem(list, row);
        setup->handle(list, FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_YEARLIST), (void*)(FXival)row);
    }
    std::vector<std::string> items(FXList* list) {
        std::vector<std::string> out;
        for (FXint i = 0; i < list->getNumItems(); ++i) out.push_back(list->getItemText(i).text());
        return out;
    }
};

TEST_F(SchoolSetup, TermsAreAddedInDateOrderAndCheckedBeforeTheyAreStored) {
    term("2/2/26", 10, 2026, 1);
    press(SchoolSetupWindow::ID_ADDTERM);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    term("27/4/26", 9, 2026, 2);
    press(SchoolSetupWindow::ID_ADDTERM);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    EXPECT_EQ(value("Select FirstDay || ' ' || SchoolWeeks || ' ' || SchoolYear || ' ' || SchoolTerm from TermDate "
                    "where SchoolTerm = 2"),
              "2026-04-27 9 2026 2");
    EXPECT_EQ(items(setup->getTermList()),
              (std::vector<std::string>{"Term 1, 2026:  02/02/26 to 10/04/26  (10 weeks)",
                                        "Term 2, 2026:  27/04/26 to 26/06/26  (9 weeks)"}));
    // Ready for the next term.
    EXPECT_EQ(setup->getTermSpinner()->getValue(), 3);

    // Overlapping the first term (its tenth week ends on Sunday 12 April).
    term("6/4/26", 2, 2026, 9);
    press(SchoolSetupWindow::ID_ADDTERM);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "Add Term Error");
    EXPECT_EQ(prompts.last().text,
              "These dates overlap Term 1, 2026:  02/02/26 to 10/04/26  (10 weeks).\n\nTerms may not overlap: "
              "change the first day or the number of weeks.");
    // Not a Monday; not a date; not a date at all.
    term("8/4/26", 1, 2026, 9);
    press(SchoolSetupWindow::ID_ADDTERM);
    EXPECT_EQ(prompts.last().text,
              "First day: 08/04/26 is a Wednesday. A term's first day is the Monday of its first week, because the "
              "calendar's weeks begin on it: type 06/04/26.");
    term("31/2/26", 1, 2026, 9);
    press(SchoolSetupWindow::ID_ADDTERM);
    EXPECT_EQ(prompts.last().text.find("First day \"31/2/26\" is not a date: February 2026 has only 28 days."), 0u)
        << prompts.last().text;
    term("5/13/26", 1, 2026, 9);
    press(SchoolSetupWindow::ID_ADDTERM);
    EXPECT_EQ(prompts.last().text.find("First day \"5/13/26\" is not a date: there is no month 13"), 0u)
        << prompts.last().text;
    term("", 1, 2026, 9);
    press(SchoolSetupWindow::ID_ADDTERM);
    EXPECT_EQ(prompts.last().text.find("First day"), 0u) << prompts.last().text;
    // A day alone, or a day and a month: the whole date is asked for.
    for (const char* part : {"4", "4/3"}) {
        term(part, 1, 2026, 9);
        press(SchoolSetupWindow::ID_ADDTERM);
        EXPECT_EQ(prompts.last().text,
                  "First day: type the whole date, with its day, month and year (for example "
                  "02/02/26), so that the term is where you mean it.")
            << part;
    }
    // A term that ends the Sunday before the next begins is no overlap.
    term("13/4/26", 2, 2026, 9);
    press(SchoolSetupWindow::ID_ADDTERM);
    EXPECT_EQ(prompts.prompts.size(), 7u);
    EXPECT_EQ(count("Select Count(*) from TermDate"), 3);
}

TEST_F(SchoolSetup, ATermIsEditedWithoutOverlappingItselfAndDeletedOnlyWhenNoSubjectNeedsIt) {
    term("2/2/26", 10, 2026, 1);
    press(SchoolSetupWindow::ID_ADDTERM);
    term("27/4/26", 10, 2026, 2);
    press(SchoolSetupWindow::ID_ADDTERM);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;

    press(SchoolSetupWindow::ID_EDITTERM);  // nothing chosen
    EXPECT_EQ(prompts.last().text, "Choose the term to change in the list first.");
    pickTerm(0);
    EXPECT_STREQ(setup->getFirstDayField()->getText().text(), "02/02/26");
    EXPECT_EQ(setup->getWeeksSpinner()->getValue(), 10);
    // One week longer still ends before term 2; twelve weeks would not.
    setup->getWeeksSpinner()->setValue(11);
    press(SchoolSetupWindow::ID_EDITTERM);
    EXPECT_EQ(prompts.prompts.size(), 1u) << prompts.last().text;
    EXPECT_EQ(value("Select SchoolWeeks from TermDate where SchoolTerm = 1"), "11");
    EXPECT_EQ(setup->getTermList()->getCurrentItem(), 0);
    setup->getWeeksSpinner()->setValue(13);
    press(SchoolSetupWindow::ID_EDITTERM);
    EXPECT_EQ(prompts.last().caption, "Edit Term Error");
    EXPECT_EQ(value("Select SchoolWeeks from TermDate where SchoolTerm = 1"), "11");

    // A subject that began in term 1 keeps it.
    const std::string first = value("Select Id from TermDate where SchoolTerm = 1");
    sql("insert into Subject (Id, Description, Ordinal, FKSyndicate, FKTermDateStart) values (1, 'Maths', 1, 1, " +
        first + ");");
    pickTerm(0);
    prompts.answers.push_back(true);
    press(SchoolSetupWindow::ID_DELETETERM);
    EXPECT_EQ(prompts.last().caption, "Delete Term Error");
    EXPECT_EQ(prompts.last().text,
              "1 subject began or ended in this term, so it cannot be deleted. Change its dates with Edit instead.");
    EXPECT_EQ(count("Select Count(*) from TermDate"), 2);

    // Term 2: asked first; No keeps it, Yes deletes it.
    prompts.answers.clear();
    pickTerm(1);
    press(SchoolSetupWindow::ID_DELETETERM);
    EXPECT_EQ(prompts.last().kind, "question");
    EXPECT_EQ(prompts.last().caption, "Confirm Delete Term");
    EXPECT_EQ(count("Select Count(*) from TermDate"), 2);
    prompts.answers.push_back(true);
    press(SchoolSetupWindow::ID_DELETETERM);
    EXPECT_EQ(count("Select Count(*) from TermDate"), 1);
    EXPECT_EQ(setup->getTermList()->getNumItems(), 1);
}

TEST_F(SchoolSetup, YearLevels) {
    setup->getYearField()->setText(" Year 3 ");
    press(SchoolSetupWindow::ID_ADDYEAR);
    setup->getYearField()->setText("Year 4, Room 'B'");
    press(SchoolSetupWindow::ID_ADDYEAR);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    // In the order of their names, numbers as numbers.
    setup->getYearField()->setText("Year 10");
    press(SchoolSetupWindow::ID_ADDYEAR);
    EXPECT_EQ(items(setup->getYearList()), (std::vector<std::string>{"Year 3", "Year 4, Room 'B'", "Year 10"}));
    sql("delete from ChildYear where Description = 'Year 10';");
    EXPECT_EQ(count("Select Count(*) from ChildYear where Description = 'Year 3'"), 1);

    setup->getYearField()->setText("Year 3");
    press(SchoolSetupWindow::ID_ADDYEAR);
    EXPECT_EQ(prompts.last().text, "This year level already exists.");
    setup->getYearField()->setText("");
    press(SchoolSetupWindow::ID_ADDYEAR);
    EXPECT_EQ(prompts.last().text, "Type the year level's name first (for example Year 3).");
    setup->getYearField()->setText((std::string(30, 'y') + ",,,").c_str());  // 30 + 3 x 4 as stored
    press(SchoolSetupWindow::ID_ADDYEAR);
    EXPECT_EQ(prompts.last().text,
              "Year level is 2 characters too long: it holds 40 characters, and each ' , or \\ in it takes four of "
              "them.");
    EXPECT_EQ(count("Select Count(*) from ChildYear"), 2);

    pickYear(0);
    EXPECT_STREQ(setup->getYearField()->getText().text(), "Year 3");
    setup->getYearField()->setText("Year 3 and 4");
    press(SchoolSetupWindow::ID_EDITYEAR);
    EXPECT_EQ(count("Select Count(*) from ChildYear where Description = 'Year 3 and 4'"), 1);

    // A year level that a plan is for stays.
    const std::string id = value("Select Id from ChildYear where Description = 'Year 3 and 4'");
    sql("insert into LongTerm (Id, PlanName, FKYear, FKSyndicate, Persistant) values (1, 'Plan', " + id + ", 1, 0);");
    pickYear(lists::findItem(setup->getYearList(), atoi(id.c_str())));
    prompts.answers.push_back(true);
    press(SchoolSetupWindow::ID_DELETEYEAR);
    EXPECT_EQ(prompts.last().text,
              "1 long-term plan is for this year level, so it cannot be deleted. Rename it with Edit instead.");
    prompts.answers.clear();
    pickYear(lists::findItem(setup->getYearList(), atoi(value("Select Id from ChildYear where Description "
                                                              "<> 'Year 3 and 4'")
                                                            .c_str())));
    prompts.answers.push_back(true);
    press(SchoolSetupWindow::ID_DELETEYEAR);
    EXPECT_EQ(count("Select Count(*) from ChildYear"), 1);
}

TEST_F(SchoolSetup, NonTeachingDaysAreOneDayOrARangeInDateOrder) {
    auto closed = [&](const char* name, const char* first, const char* last) {
        setup->getClosedNameField()->setText(name);
        setup->getClosedFirstField()->setText(first);
        setup->getClosedLastField()->setText(last);
    };
    auto pickClosed = [&](FXint row) {
        FXList* list = setup->getClosedList();
        lists::selectItem(list, row);
        setup->handle(list, FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_CLOSEDLIST), (void*)(FXival)row);
    };
    closed(" Camp week ", "9/3/26", "13/3/26");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    closed("Teacher's day, staff only", "6/3/26", "");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    // Inside the camp week: entries may overlap.
    closed("Regional holiday", "11/3/26", "11/3/26");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    EXPECT_EQ(items(setup->getClosedList()),
              (std::vector<std::string>{"Teacher's day, staff only:  06/03/26",
                                        "Camp week:  09/03/26 to 13/03/26  (5 days)", "Regional holiday:  11/03/26"}));
    EXPECT_EQ(value("Select FirstDay || ' ' || LastDay from NonTeachingDay where Name = 'Camp week'"),
              "2026-03-09 2026-03-13");
    EXPECT_EQ(value("Select LastDay || '' from NonTeachingDay where FirstDay = '2026-03-06'"), "2026-03-06");
    // Ready for the next one.
    EXPECT_STREQ(setup->getClosedNameField()->getText().text(), "");

    // Wrong input: said in words, nothing stored.
    closed("Backwards", "13/3/26", "9/3/26");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    EXPECT_EQ(prompts.last().caption, "Add Non-Teaching Day Error");
    EXPECT_EQ(prompts.last().text,
              "The last day (09/03/26) is before the first day (13/03/26): type the first day, then the last.");
    closed("Summer", "1/12/26", "31/1/27");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    EXPECT_EQ(prompts.last().text,
              "These dates cover more than 28 days. The holidays between terms are not non-teaching days: the terms "
              "already leave them out.");
    closed("", "1/5/26", "");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    EXPECT_EQ(prompts.last().text, "Type the day's name first (for example Easter Monday or Teacher only day).");
    closed("Day", "31/4/26", "");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    EXPECT_EQ(prompts.last().text.find("First day \"31/4/26\" is not a date"), 0u) << prompts.last().text;
    closed("Day", "4", "");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    EXPECT_EQ(prompts.last().text,
              "First day: type the whole date, with its day, month and year (for example 06/04/26).");
    closed((std::string(50, 'n') + ",,,,").c_str(), "1/5/26", "");
    press(SchoolSetupWindow::ID_ADDCLOSED);
    EXPECT_EQ(prompts.last().text.find("Name is 6 characters too long"), 0u) << prompts.last().text;
    EXPECT_EQ(prompts.prompts.size(), 6u);
    EXPECT_EQ(count("Select Count(*) from NonTeachingDay"), 3);

    // Edit: the chosen day's fields, a single day shown without a last day.
    press(SchoolSetupWindow::ID_EDITCLOSED);
    EXPECT_EQ(prompts.last().text, "Choose the day to change in the list first.");
    pickClosed(0);
    EXPECT_STREQ(setup->getClosedNameField()->getText().text(), "Teacher's day, staff only");
    EXPECT_STREQ(setup->getClosedFirstField()->getText().text(), "06/03/26");
    EXPECT_STREQ(setup->getClosedLastField()->getText().text(), "");
    setup->getClosedLastField()->setText("16/3/26");
    setup->getClosedFirstField()->setText("16/3/26");
    press(SchoolSetupWindow::ID_EDITCLOSED);
    EXPECT_EQ(prompts.prompts.size(), 7u) << prompts.last().text;
    EXPECT_EQ(value("Select FirstDay || ' ' || LastDay || ' ' || RowVersion from NonTeachingDay where Name = "
                    "'Teacher\\047s day\\054 staff only'"),
              "2026-03-16 2026-03-16 1");
    EXPECT_EQ(setup->getClosedList()->getItemText(setup->getClosedList()->getCurrentItem()),
              FXString("Teacher's day, staff only:  16/03/26"));

    // Delete, after asking; No keeps it.
    pickClosed(0);
    prompts.answers.push_back(false);
    press(SchoolSetupWindow::ID_DELETECLOSED);
    EXPECT_EQ(prompts.last().caption, "Confirm Delete Non-Teaching Day");
    EXPECT_EQ(count("Select Count(*) from NonTeachingDay"), 3);
    pickClosed(0);
    prompts.answers.push_back(true);
    press(SchoolSetupWindow::ID_DELETECLOSED);
    EXPECT_EQ(count("Select Count(*) from NonTeachingDay where Name = 'Camp week'"), 0);
    EXPECT_EQ(setup->getClosedList()->getNumItems(), 2);
}

TEST_F(SchoolSetup, TheTimetableIsStoredInSettingsAndUsedAtOnce) {
    // The schema's timetable: rows from 09:00 (the day-name row at 08:45).
    EXPECT_EQ(setup->getHourSpinner()->getValue(), 9);
    EXPECT_EQ(setup->getMinuteSpinner()->getValue(), 0);
    EXPECT_EQ(setup->getPeriodSpinner()->getValue(), 15);
    EXPECT_EQ(setup->getRowsSpinner()->getValue(), 25);
    EXPECT_STREQ(setup->getDayEndsText().text(), "The grid shows 09:00 to 15:15.");

    sql("delete from Settings where StringKey = 'SchoolTimes';");  // a row missing: it is added
    setup->getHourSpinner()->setValue(8);
    setup->getMinuteSpinner()->setValue(30);
    setup->getPeriodSpinner()->setValue(20);
    setup->getRowsSpinner()->setValue(21);
    setup->handle(setup->getRowsSpinner(), FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_TIMETABLE), nullptr);
    EXPECT_STREQ(setup->getDayEndsText().text(), "The grid shows 08:30 to 15:30.");
    press(SchoolSetupWindow::ID_SAVETIMETABLE);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().text, "The timetable is saved.");
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolHour'"), "8");
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolMinute'"), "10");
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolPeriod'"), "1200");
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolTimes'"), "22");
    EXPECT_EQ(count("Select Count(*) from Settings where StringKey = 'SchoolTimes'"), 1);
    EXPECT_EQ(appState.schoolHour, 8);
    EXPECT_EQ(appState.schoolMinute, 10);
    EXPECT_EQ(appState.schoolPeriod, 1200);
    EXPECT_EQ(appState.schoolTimes, 22);

    // A day past midnight is refused and nothing changes.
    setup->getHourSpinner()->setValue(20);
    press(SchoolSetupWindow::ID_SAVETIMETABLE);
    EXPECT_EQ(prompts.last().caption, "Timetable Error");
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolHour'"), "8");

    // A new window reads what was stored.
    delete setup;
    setup = new SchoolSetupWindow(app()->getRootWindow());
    setup->create();
    EXPECT_EQ(setup->getHourSpinner()->getValue(), 8);
    EXPECT_EQ(setup->getMinuteSpinner()->getValue(), 30);
    EXPECT_EQ(setup->getRowsSpinner()->getValue(), 21);

    // Changed elsewhere since the window opened: asked first; Cancel stores
    // nothing, Overwrite stores what is shown.
    sql("update Settings set StringValue = '900' where StringKey = 'SchoolPeriod';");
    setup->getRowsSpinner()->setValue(20);
    prompts.clear();
    prompts.picks.push_back("Cancel");
    press(SchoolSetupWindow::ID_SAVETIMETABLE);
    ASSERT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(prompts.last().caption, "Timetable Changed");
    EXPECT_EQ(prompts.last().text.find("Timetable \"School day\" was changed by someone else after you opened it: "
                                       "Row length changed."),
              0u)
        << prompts.last().text;
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolTimes'"), "22");
    prompts.picks.push_back("Overwrite");
    press(SchoolSetupWindow::ID_SAVETIMETABLE);
    EXPECT_EQ(prompts.last().text, "The timetable is saved.");
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolTimes'"), "21");
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'SchoolPeriod'"), "1200");
}

// ---------------------------------------------------------------------------
// A school from nothing

// Modal windows answer a script: each step runs when its window is up.
class Script : public FXObject {
    FXDECLARE(Script)
public:
    std::function<bool(FXWindow*)> step;  // true when done; the window is closed by the step
    bool done = false;
    long onTimeout(FXObject*, FXSelector, void*) {
        FXWindow* modal = app()->getModalWindow();
        if (!modal || !step(modal))
            app()->addTimeout(this, 0, 20);
        else
            done = true;
        return 1;
    }
    void start() {
        done = false;
        app()->addTimeout(this, 0, 20);
    }
};

}  // namespace

FXDEFMAP(Script) ScriptMap[] = {FXMAPFUNC(SEL_TIMEOUT, 0, Script::onTimeout)};
FXIMPLEMENT(Script, FXObject, ScriptMap, ARRAYNUMBER(ScriptMap))

namespace {

TEST(ASchool, IsBuiltFromAnEmptyDatabaseThroughSchoolSetupTeachersAndThePlanEditor) {
    testsupport::RecordingPrompter prompts;
    emptySchool();
    resetState();
    clearSettings();
    CalendarWindow* calendar = new CalendarWindow(app());
    calendar->create();
    settle();
    appState.americanDate = 0;
    // The school's today: Wednesday 12 June 2030.
    appState.dateOffset = offsetFor(localMoment(2030, 6, 12, 12));
    prompts.clear();
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_REFRESH), nullptr);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().text.find("This is a new database"), 0u) << prompts.last().text;
    EXPECT_EQ(prompts.last().kind, "information");  // a state, not a failure

    // Options, School Setup: this term (from last week's Monday), a year level.
    const FXString firstDay = "03/06/30";
    Script script;
    script.step = [&](FXWindow* modal) {
        if (!modal->isMemberOf(FXMETACLASS(SchoolSetupWindow))) return false;
        SchoolSetupWindow* setup = static_cast<SchoolSetupWindow*>(modal);
        setup->getFirstDayField()->setText(firstDay);
        setup->getWeeksSpinner()->setValue(10);
        setup->handle(setup, FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_ADDTERM), nullptr);
        setup->getYearField()->setText("Year 3");
        setup->handle(setup, FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_ADDYEAR), nullptr);
        setup->handle(setup, FXSEL(SEL_COMMAND, SchoolSetupWindow::ID_CLOSE), nullptr);
        return true;
    };
    script.start();
    prompts.clear();
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_SCHOOLSETUP), nullptr);
    ASSERT_TRUE(script.done);
    EXPECT_EQ(count("Select Count(*) from TermDate"), 1);
    EXPECT_EQ(count("Select Count(*) from ChildYear"), 1);
    // Still no teachers: the message says so, and only that is left.
    ASSERT_FALSE(prompts.prompts.empty());
    EXPECT_EQ(prompts.last().text.find("This database has no teachers yet."), 0u) << prompts.last().text;

    // Teachers: a syndicate leader, then a teacher of the syndicate, chosen.
    script.step = [&](FXWindow* modal) {
        if (!modal->isMemberOf(FXMETACLASS(TeachersWindow))) return false;
        TeachersWindow* teachers = static_cast<TeachersWindow*>(modal);
        teachers->handle(teachers, FXSEL(SEL_COMMAND, TeachersWindow::ID_LOAD), nullptr);
        teachers->getNameField()->setText("Lena Leader");
        teachers->handle(teachers, FXSEL(SEL_COMMAND, TeachersWindow::ID_ADD), nullptr);
        teachers->setLeaderFlag(0);  // the box cleared, Lena highlighted
        teachers->getNameField()->setText("Tia Teacher");
        teachers->handle(teachers, FXSEL(SEL_COMMAND, TeachersWindow::ID_ADD), nullptr);
        teachers->handle(teachers, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
        return true;
    };
    script.start();
    prompts.clear();
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_TEACHERS), nullptr);
    ASSERT_TRUE(script.done);
    EXPECT_STREQ(calendar->getUserText().text(), "Tia Teacher");
    const std::string leader = value("Select Id from Teachers where Teacher = 'Lena Leader'");
    EXPECT_EQ(value("Select Syndicate from Teachers where Teacher = 'Tia Teacher'"), leader);
    ASSERT_FALSE(prompts.prompts.empty());
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::drawPlan - No plans exist.");
    const FXString tia = appState.currentUserId;

    // The plan editor: the leader adds the syndicate's subject...
    // A plan editor with its lists filled at once (its timers taken off).
    planedit::EditorDriver editor;
    auto openEditor = [&] {
        editor.dialog = new UnitPlanDialog(app(), 0, 0);
        app()->removeTimeout(editor.dialog, UnitPlanDialog::ID_SELECTQUERY);
        app()->removeTimeout(editor.dialog, UnitPlanDialog::ID_PRESELECT);
        editor.dialog->create();
        editor.dialog->selectQuery();
    };
    appState.currentUserId = leader.c_str();
    appState.currentSyndicate = leader.c_str();
    openEditor();
    prompts.clear();
    editor.type(planedit::SUBJECTS, "Subject Description", "Maths");
    editor.press(planedit::SUBJECTS, "Add");
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    delete editor.dialog;

    // ...and Tia plans: a long-term plan, a unit, a lesson on Wednesday.
    appState.currentUserId = tia;
    appState.currentSyndicate = leader.c_str();
    openEditor();
    editor.dialog->setTarget(calendar);
    editor.dialog->setSelector(CalendarWindow::ID_SHOWDATE);
    // A new teacher has no plans yet: the editor opens quietly.
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    ASSERT_FALSE(editor.entries(planedit::LONGTERM, "Subject:").empty());
    ASSERT_FALSE(editor.entries(planedit::LONGTERM, "Children's Year:").empty());
    editor.type(planedit::LONGTERM, "Name:", "Number");
    editor.type(planedit::LONGTERM, "Start Date:", "03/06/30");
    editor.type(planedit::LONGTERM, "End Date:", "02/08/30");
    editor.pick(planedit::LONGTERM, "Subject:", 0);
    editor.pick(planedit::LONGTERM, "Children's Year:", 0);
    editor.press(planedit::LONGTERM, "Add");
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    editor.type(planedit::UNIT, "Name:", "Fractions");
    editor.press(planedit::UNIT, "Add");
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    editor.type(planedit::OBJECTIVE, "Name:", "Halves and quarters");  // on today, Wednesday
    editor.type(planedit::OBJECTIVE, "Start Date:", "12/06/30");
    editor.type(planedit::OBJECTIVE, "End Date:", "12/06/30");
    editor.type(planedit::OBJECTIVE, "Start Time:", "10:00");
    editor.type(planedit::OBJECTIVE, "End Time:", "10:50");
    prompts.answers.push_back(true);
    editor.press(planedit::OBJECTIVE, "Add");
    for (const auto& p : prompts.prompts) EXPECT_EQ(p.kind, "question") << p.caption << ": " << p.text;
    const std::string lesson = value("Select Id from LessonPlan where LessonName = 'Halves and quarters'");
    ASSERT_FALSE(lesson.empty());
    delete editor.dialog;

    // The week of 10 June on the calendar: the lesson in Wednesday's cells.
    prompts.clear();
    appState.dateOffset = offsetFor(localMoment(2030, 6, 12, 12));
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_REFRESH), nullptr);
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    bool drawn = false;
    FXStringRecordset& list = calendar->planColourList;
    for (list.MoveFirst(); !list.eof; list.MoveNext())
        if (FXString(list.GetField(0)).trim() == lesson.c_str()) {
            drawn = true;
            EXPECT_EQ(std::string(list.GetField(5).text()), "Junk,3,3,3,3");
        }
    EXPECT_TRUE(drawn) << "lesson " << lesson << " is not on the calendar of its week";
    delete calendar;
}

}  // namespace

// A term and a year level changed elsewhere while they were being edited
// here: asked, Reload shows what is stored, nothing of the edit is stored.
TEST_F(SchoolSetup, EditsOverAnotherChangeAskFirst) {
    term("2/2/26", 10, 2026, 1);
    press(SchoolSetupWindow::ID_ADDTERM);
    setup->getYearField()->setText("Year 3");
    press(SchoolSetupWindow::ID_ADDYEAR);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;

    pickTerm(0);
    sql("update TermDate set SchoolWeeks = 9;");
    setup->getWeeksSpinner()->setValue(11);
    prompts.picks.push_back("Reload");
    press(SchoolSetupWindow::ID_EDITTERM);
    ASSERT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(prompts.last().caption, "Term Changed");
    EXPECT_EQ(prompts.last().text.find("Term \"Term 1, 2026:  02/02/26 to 10/04/26  (10 weeks)\" was changed by "
                                       "someone else after you opened it: Weeks changed."),
              0u)
        << prompts.last().text;
    EXPECT_EQ(value("Select SchoolWeeks from TermDate"), "9");
    EXPECT_EQ(setup->getWeeksSpinner()->getValue(), 9);

    pickYear(0);
    sql("update ChildYear set Description = 'Year Three';");
    setup->getYearField()->setText("Year 3A");
    prompts.clear();
    press(SchoolSetupWindow::ID_EDITYEAR);
    ASSERT_EQ(prompts.count("choice"), 1u);  // Cancel, as none is chosen
    EXPECT_EQ(value("Select Description from ChildYear"), "Year Three");
}

// The dialog itself: tabs, leader and teacher views, the long-term list of
// the current term, the enable rules, geometry, closing, the preselection.
#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "planedit/PlanEditTest.h"
#include "support/TestFiles.h"

#include <signal.h>

using namespace FX;
using namespace planedit;

namespace {
const char* const leaderNote = "You are logged in as a syndicate leader.";
}  // namespace

TEST_F(PlanEdit, TeacherSeesSixTabsAndNoLeaderLabel) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    EXPECT_EQ(dialog->getTitle(), "Edit Unit Plans");
    EXPECT_EQ(tabs(), (std::vector<std::string>{"Long Term Plans", "Unit Plans", "Lesson Objective", "Lesson Detail",
                                                "Lesson Evaluation", "Search"}));
    EXPECT_FALSE(label(LONGTERM, leaderNote)->shown());
    EXPECT_TRUE(errors().empty());
    // Year levels by description descending; the syndicate's current subjects in order.
    EXPECT_EQ(entries(LONGTERM, "Children's Year:"), (std::vector<std::string>{"Year 4", "Year 3"}));
    EXPECT_EQ(entries(LONGTERM, "Subject:"), (std::vector<std::string>{"Maths", "Reading", "Science"}));
    EXPECT_TRUE(items("Subject Description").empty());
}

TEST_F(PlanEdit, LeaderSeesLongTermAndSubjectTabsWithTheRedLabel) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    open();
    EXPECT_EQ(tabs(), (std::vector<std::string>{"Long Term Plans", "Subjects"}));
    EXPECT_TRUE(label(LONGTERM, leaderNote)->shown());
    EXPECT_EQ(label(LONGTERM, leaderNote)->getTextColor(), FXRGB(255, 0, 0));
    EXPECT_EQ(items("Subject Description"), (std::vector<std::string>{"Maths", "Reading", "Science"}));
}

TEST_F(PlanEdit, LongTermListHoldsThePlansOfTheCurrentTerm) {
    const std::string S = weekday(-21), E = weekday(-21 + 70);
    addLongTerm(10, "Inside", weekday(-14), weekday(0));
    addLongTerm(11, "Spanning", weekday(-100), weekday(200));  // second clause
    addLongTerm(12, "Ends on term end", weekday(-30), E);      // second clause too
    addLongTerm(13, "Old but persistent", "2001-01-01", "2001-03-01", TEACHER, 1);
    addLongTerm(14, "Last term", weekday(-100), weekday(-30));
    addLongTerm(15, "Next term", weekday(80), weekday(120));
    addLongTerm(16, "Syndicate wide", S, E, LEADER);
    addLongTerm(17, "Someone else's", S, E, OTHER);
    open();
    EXPECT_EQ(items("Long Term Plan"), (std::vector<std::string>{"Ends on term end", "Inside", "Old but persistent",
                                                                 "Spanning", "Syndicate wide"}));
    // Only the persistent plan carries an icon.
    EXPECT_EQ(icons("Long Term Plan"), (std::vector<std::string>{"", "", "persistent", "", ""}));
}

TEST_F(PlanEdit, NoPlansAndNoUserAreReported) {
    // No plans yet: the editor opens quietly on empty lists.
    open();
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    EXPECT_TRUE(items("Long Term Plan").empty());
    close();
    prompts.clear();

    appState.currentUserId = "";
    const int before = UnitPlanDialog::liveCount;
    UnitPlanDialog* d = new UnitPlanDialog(app(), 0, 0);
    d->create();
    EXPECT_TRUE(runUntil([&] { return UnitPlanDialog::liveCount < before + 1; }));
    EXPECT_EQ(errors(),
              (std::vector<std::string>{"UnitPlanDialog|You must choose a user name to add long term plans."}));
}

TEST_F(PlanEdit, SelectingAPlanFillsTheLongTermTab) {
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER, 0, READING);
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Angles", 1, 1);
    addUnit(22, 10, "Decimals", 1, -1);
    addUnit(23, 10, "Not mine", 1, 0, OTHER);
    open();
    choosePlan(10);
    EXPECT_EQ(text(LONGTERM, "Name:"), "Number");
    EXPECT_EQ(text(LONGTERM, "Description:"), "About Number");
    EXPECT_EQ(text(LONGTERM, "Start Date:"), shown(weekday(-21)));
    EXPECT_EQ(text(LONGTERM, "End Date:"), shown(weekday(40)));
    EXPECT_EQ(text(LONGTERM, "Subject:"), "Reading");
    EXPECT_EQ(text(LONGTERM, "Children's Year:"), "Year 4");
    EXPECT_EQ(bound(LONGTERM, "Syndicate Wide Plan"), 1);
    EXPECT_EQ(bound(LONGTERM, "Ignore Start and End Dates"), 0);
    EXPECT_EQ(shownTab(), LONGTERM);
    // Units by name, with the export and imported icons.
    EXPECT_EQ(items("Unit Plan"), (std::vector<std::string>{"Angles", "Decimals", "Fractions"}));
    EXPECT_EQ(icons("Unit Plan"), (std::vector<std::string>{"export", "imported", ""}));
    EXPECT_TRUE(selected("Long Term Plan", 0));
}

TEST_F(PlanEdit, TransferFilesAreListedAndChoosingOneOffersItsImport) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    std::string transfer = services().workdir() + "/../Transfer";
    mkdir(transfer.c_str(), 0755);
    for (const char* name : {"b unit.dat", "a unit.dat", "notes.txt"}) {
        FILE* f = fopen((transfer + "/" + name).c_str(), "w");
        if (f) fclose(f);
    }
    open();
    choosePlan(10);
    EXPECT_EQ(items("Unit Plan"), (std::vector<std::string>{"Fractions", "a unit.dat", "b unit.dat"}));
    EXPECT_EQ(id("Unit Plan", 1), -1);
    EXPECT_EQ(icons("Unit Plan")[1], "transfer file");
    click("Unit Plan", 1);
    EXPECT_EQ(prompts.last().kind, "question");
    EXPECT_EQ(prompts.last().caption, "Confirm import Unit Plan");
    EXPECT_EQ(prompts.last().text, "Do you want to import this Unit Plan and attach it to this Long Term Plan?");
    EXPECT_EQ(count("Select Count(*) from UnitPlan"), 1);  // answered No
    for (const char* name : {"b unit.dat", "a unit.dat", "notes.txt"}) unlink((transfer + "/" + name).c_str());
    rmdir(transfer.c_str());
}

// The search buttons do their work now (SearchTest.cpp): an empty search
// text asks for a longer one, and nothing says it is not available.
TEST_F(PlanEdit, SearchButtonsAreAvailable) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    press(SEARCH, "Search");
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "information");
    EXPECT_EQ(prompts.last().caption, "Search String Too Short");
    for (const char* button : {"Select", "Unselect"}) {
        prompts.clear();
        press(SEARCH, button);
        EXPECT_TRUE(prompts.prompts.empty());
    }
}

TEST_F(PlanEdit, IgnoringDatesDisablesSubjectAndDatesAtOnce) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    EXPECT_TRUE(enabled(LONGTERM, "Subject:"));
    check(LONGTERM, "Ignore Start and End Dates");
    EXPECT_EQ(bound(LONGTERM, "Ignore Start and End Dates"), 1);
    EXPECT_FALSE(enabled(LONGTERM, "Subject:"));
    EXPECT_FALSE(enabled(LONGTERM, "Start Date:"));
    EXPECT_FALSE(enabled(LONGTERM, "End Date:"));
    EXPECT_TRUE(enabled(LONGTERM, "Children's Year:"));
    check(LONGTERM, "Ignore Start and End Dates", false);
    EXPECT_TRUE(enabled(LONGTERM, "End Date:"));

    // The search string stays empty while an evaluation check is on.
    type(SEARCH, "Search String:", "fractions");
    check(SEARCH, "Assessment");
    refresh();
    EXPECT_EQ(text(SEARCH, "Search String:"), "");
}

// Checking is what empties the search string, and typing clears the checks;
// the GUI update pass changes nothing but the controls' enabled state.
TEST_F(PlanEdit, TheSearchStringIsEmptiedByTheChecksNotByTheUpdatePass) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    typeKeys(SEARCH, "Search String:", "fractions");
    refresh();
    EXPECT_EQ(text(SEARCH, "Search String:"), "fractions");
    check(SEARCH, "Lesson Not Taught");
    EXPECT_EQ(text(SEARCH, "Search String:"), "");
    refresh();
    EXPECT_EQ(text(SEARCH, "Search String:"), "");
    // Typing while a check is on: the text is kept, the checks go.
    typeKeys(SEARCH, "Search String:", "halves");
    EXPECT_FALSE(checkButton(SEARCH, "Lesson Not Taught")->getCheck());
    refresh();
    EXPECT_EQ(text(SEARCH, "Search String:"), "halves");
    // Set without a click (a check restored by code): the text stays until
    // the user acts, and the update pass does not clear it.
    check(SEARCH, "Evaluation", true, false);
    refresh();
    EXPECT_EQ(text(SEARCH, "Search String:"), "halves");

    // The persistent flag's controls follow it in the update pass as well.
    bind(LONGTERM, "Ignore Start and End Dates", 1);
    refresh();
    EXPECT_FALSE(enabled(LONGTERM, "Subject:"));
    EXPECT_FALSE(enabled(LONGTERM, "Start Date:"));
    bind(LONGTERM, "Ignore Start and End Dates", 0);
    refresh();
    EXPECT_TRUE(enabled(LONGTERM, "Start Date:"));
}

TEST_F(PlanEdit, DataTargetsBindTheRadioButtons) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(21, 10, "Fitness", 2);
    open();
    choose(UNIT, "Lesson Type:", "Non Contact Time");
    EXPECT_EQ(bound(UNIT, "Lesson Type:"), 3);
    bind(UNIT, "Lesson Type:", 2);
    refresh();
    EXPECT_EQ(radio(UNIT, "Lesson Type:", "Routine Lesson")->getCheck(), TRUE);
    EXPECT_EQ(radio(UNIT, "Lesson Type:", "Non Contact Time")->getCheck(), FALSE);
    bind(OBJECTIVE, "Shove Days:", 7);
    refresh();
    EXPECT_EQ(find<FXSlider>(OBJECTIVE)->getValue(), 7);
    EXPECT_EQ(text(OBJECTIVE, "Shove Days:"), "7");
    // The lesson panel shows the unit's stored type, not the radio.
    EXPECT_EQ(panel(), "Unit Plan");
    choosePlan(10);
    chooseUnit(21);
    refresh();
    EXPECT_EQ(panel(), "Routine Lesson");
}

TEST_F(PlanEdit, GeometryIsRestoredWithinLimitsAndStoredOnClose) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    FXRegistry& reg = app()->reg();
    reg.writeIntEntry("UNITPLANDIALOG", "x", -10);
    reg.writeIntEntry("UNITPLANDIALOG", "y", 70);
    reg.writeIntEntry("UNITPLANDIALOG", "width", 500);
    reg.writeIntEntry("UNITPLANDIALOG", "height", 700);
    open();
    // No window manager moves it: it stands where it was placed.
    EXPECT_EQ(dialog->getX(), 40);
    EXPECT_EQ(dialog->getY(), 70);
    EXPECT_EQ(dialog->getWidth(), UnitPlanDialog::minimumWidth);
    EXPECT_EQ(dialog->getHeight(), 700);
    EXPECT_TRUE(dialog->shown());

    dialog->resize(800, 600);
    const int before = UnitPlanDialog::liveCount;
    press(LONGTERM, "Close");
    dialog = nullptr;  // it deletes itself
    EXPECT_TRUE(runUntil([&] { return UnitPlanDialog::liveCount == before - 1; }));
    EXPECT_EQ(reg.readIntEntry("UNITPLANDIALOG", "x", 0), 40);
    EXPECT_EQ(reg.readIntEntry("UNITPLANDIALOG", "y", 0), 70);
    EXPECT_EQ(reg.readIntEntry("UNITPLANDIALOG", "width", 0), 800);
    EXPECT_EQ(reg.readIntEntry("UNITPLANDIALOG", "height", 0), 600);
}

TEST_F(PlanEdit, OpeningWithALessonSelectsItsPlanUnitAndLesson) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Decimals");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    addLesson(31, 20, "Quarters", weekday(8), weekday(8));
    openTimed(0, 31);
    ASSERT_TRUE(runUntil([&] { return !items("Lesson Plan").empty() && dialog->currentLesson() == 31; }));
    EXPECT_EQ(currentText("Long Term Plan"), "Number");
    EXPECT_EQ(currentText("Unit Plan"), "Fractions");
    EXPECT_EQ(currentText("Lesson Plan"), "Quarters");
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Quarters");
    EXPECT_EQ(shownTab(), OBJECTIVE);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, OpeningWithALongTermPlanSelectsIt) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    addUnit(20, 11, "Shapes");
    openTimed(11, 0);
    ASSERT_TRUE(runUntil([&] { return !items("Unit Plan").empty(); }));
    EXPECT_EQ(current("Long Term Plan"), 0);
    EXPECT_EQ(text(LONGTERM, "Name:"), "Angles");
    EXPECT_TRUE(errors().empty());
}

// The database's first Ids are 1: plan 1 and lesson 1 are preselected like
// any other.
TEST_F(PlanEdit, TheFirstPlanAndLessonOfADatabaseArePreselected) {
    addLongTerm(1, "Number", weekday(-21), weekday(40));
    addLongTerm(2, "Angles", weekday(-21), weekday(40));
    addUnit(1, 1, "Fractions");
    addLesson(1, 1, "Halves", weekday(7), weekday(7));
    openTimed(1, 0);
    ASSERT_TRUE(runUntil([&] { return !items("Unit Plan").empty(); }));
    EXPECT_EQ(text(LONGTERM, "Name:"), "Number");
    EXPECT_TRUE(selected("Long Term Plan", current("Long Term Plan")));
    close();

    openTimed(0, 1);
    ASSERT_TRUE(runUntil([&] { return !items("Lesson Plan").empty() && dialog->currentLesson() == 1; }));
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Halves");
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, IdZeroPreselectsNothingAndForeignLessonsAreReported) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    addLongTerm(11, "Otto plan", weekday(-21), weekday(40), OTHER);
    addUnit(21, 11, "Otto unit", 1, 0, OTHER);
    addLesson(31, 21, "Otto lesson", weekday(7), weekday(7));
    // A unit of another teacher under a plan of ours.
    addUnit(22, 10, "Borrowed", 1, 0, OTHER);
    addLesson(32, 22, "Borrowed lesson", weekday(7), weekday(7));

    open(0, 0);
    settle();
    EXPECT_TRUE(items("Unit Plan").empty());
    EXPECT_FALSE(selected("Long Term Plan", 0));

    EXPECT_EQ(dialog->showLesson(31), 0);
    EXPECT_EQ(prompts.last().caption, "UnitPlanDialog::getUnitIndex");
    EXPECT_EQ(dialog->showLesson(32), 0);
    EXPECT_EQ(prompts.last().caption, "UnitPlanDialog::getLessonIndex");
    EXPECT_EQ(prompts.last().text,
              "The Unit Plan this Lesson Plan belongs to is not available\nbecause this Lesson Plan belongs to another "
              "user.");
}

TEST_F(PlanEdit, ALeaderSelectingAUnitStaysOnTheLongTermTab) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    addUnit(20, 10, "Leader unit", 1, 0, LEADER);
    open();
    choosePlan(10);
    chooseUnit(20);
    EXPECT_EQ(shownTab(), LONGTERM);
    EXPECT_EQ(text(UNIT, "Name:"), "Leader unit");
}

TEST_F(PlanEdit, ALostServiceIsReportedAndNothingIsLost) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    choosePlan(10);
    services().stop();
    type(LONGTERM, "Name:", "While away");
    type(LONGTERM, "Start Date:", shown(weekday(0)));
    type(LONGTERM, "End Date:", shown(weekday(5)));
    press(LONGTERM, "Add");
    services().start();
    ASSERT_FALSE(prompts.prompts.empty());
    EXPECT_EQ(prompts.last().kind, "warning");
    EXPECT_EQ(prompts.last().text, "IsectRecordset::OpenRecordset - Network connection failed.");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Number"});
    EXPECT_EQ(text(LONGTERM, "Name:"), "While away");
    // The service is back: the same press goes through.
    press(LONGTERM, "Add");
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'While away'"), 1);
    EXPECT_EQ(items("Long Term Plan"), (std::vector<std::string>{"Number", "While away"}));
}

TEST_F(PlanEdit, ALostTransactionIsADatabaseErrorAndNothingTypedIsLost) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    choosePlan(10);
    // The program's one connection is inside a transaction when the worker
    // holding it ends.
    IsectRecordset held;
    held.inTransaction = 1;
    ASSERT_TRUE(held.OpenRecordset("Select Count(*) from LongTerm"));
    for (pid_t worker : services().workerPids()) testsupport::killBetweenStatements(worker);
    ASSERT_TRUE(testsupport::waitForText(services().logdir() + "/isectd.log", "lost its transaction"));
    type(LONGTERM, "Name:", "Typed meanwhile");
    type(LONGTERM, "Start Date:", shown(weekday(0)));
    type(LONGTERM, "End Date:", shown(weekday(5)));
    press(LONGTERM, "Add");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0].rfind("Database Error|isectd - The database service stopped", 0), 0u) << errors()[0];
    EXPECT_EQ(prompts.count("warning"), 0u);
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Number"});
    EXPECT_EQ(text(LONGTERM, "Name:"), "Typed meanwhile");
    // Told once: the same press now goes through.
    press(LONGTERM, "Add");
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'Typed meanwhile'"), 1);
    EXPECT_EQ(items("Long Term Plan"), (std::vector<std::string>{"Number", "Typed meanwhile"}));
    held.inTransaction = 0;
}

TEST_F(PlanEdit, EditAndDeleteActOnlyOnAChosenEntry) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    EXPECT_EQ(current("Long Term Plan"), -1);
    type(LONGTERM, "Name:", "Typed for a new plan");
    type(LONGTERM, "Start Date:", shown(weekday(0)));
    type(LONGTERM, "End Date:", shown(weekday(5)));
    press(LONGTERM, "Edit");
    press(LONGTERM, "Delete");
    choosePlan(10);
    EXPECT_EQ(current("Unit Plan"), -1);
    type(UNIT, "Name:", "Typed for a new unit");
    press(UNIT, "Edit");
    press(UNIT, "Delete");
    press(OBJECTIVE, "Add");
    EXPECT_EQ(errors().back(), "Add Lesson Plan Error|No Unit Plan available to add lesson to.");
    chooseUnit(20);
    EXPECT_EQ(current("Day or Date"), -1);
    type(OBJECTIVE, "Name:", "Typed for a new lesson");
    press(OBJECTIVE, "Edit");
    press(OBJECTIVE, "Delete");
    EXPECT_EQ(prompts.count("question"), 0u);
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName in ('Number', 'Angles')"), 2);
    EXPECT_EQ(value("Select UnitName from UnitPlan"), "Fractions");
    EXPECT_EQ(value("Select LessonName from LessonPlan"), "Halves");
}

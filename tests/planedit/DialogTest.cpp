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

std::vector<std::string> visibleTabs(UnitPlanDialog* d) {
    std::vector<std::string> out;
    for (auto* item : d->tabItems)
        if (item->shown()) out.push_back(item->getText().text());  // FOX keeps the text without its "&"
    return out;
}

}  // namespace

TEST_F(PlanEdit, TeacherSeesSixTabsAndNoLeaderLabel) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    EXPECT_EQ(dialog->getTitle(), "Edit Unit Plans");
    EXPECT_EQ(visibleTabs(dialog), (std::vector<std::string>{"Long Term Plans", "Unit Plans", "Lesson Objective",
                                                             "Lesson Detail", "Lesson Evaluation", "Search"}));
    EXPECT_FALSE(dialog->leaderLabel->shown());
    EXPECT_TRUE(errors().empty());
    // Year levels by description descending; the syndicate's current subjects in order.
    ASSERT_EQ(dialog->childYearCombo->getNumItems(), 2);
    EXPECT_EQ(dialog->childYearCombo->getItemText(0), "Year 4");
    ASSERT_EQ(dialog->subjectCombo->getNumItems(), 3);
    EXPECT_EQ(dialog->subjectCombo->getItemText(2), "Science");
    EXPECT_EQ(dialog->subjectList->getNumItems(), 0);
}

TEST_F(PlanEdit, LeaderSeesLongTermAndSubjectTabsWithTheRedLabel) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    open();
    EXPECT_EQ(visibleTabs(dialog), (std::vector<std::string>{"Long Term Plans", "Subjects"}));
    EXPECT_TRUE(dialog->leaderLabel->shown());
    EXPECT_EQ(dialog->leaderLabel->getTextColor(), FXRGB(255, 0, 0));
    EXPECT_EQ(items(dialog->subjectList), (std::vector<std::string>{"Maths", "Reading", "Science"}));
}

TEST_F(PlanEdit, LongTermListHoldsThePlansOfTheCurrentTerm) {
    const std::string S = weekday(-21), E = weekday(-21 + 70);
    addLongTerm(10, "Inside", weekday(-14), weekday(0));
    addLongTerm(11, "Spanning", weekday(-100), weekday(200));   // second clause
    addLongTerm(12, "Ends on term end", weekday(-30), E);        // second clause too
    addLongTerm(13, "Old but persistent", "2001-01-01", "2001-03-01", TEACHER, 1);
    addLongTerm(14, "Last term", weekday(-100), weekday(-30));
    addLongTerm(15, "Next term", weekday(80), weekday(120));
    addLongTerm(16, "Syndicate wide", S, E, LEADER);
    addLongTerm(17, "Someone else's", S, E, OTHER);
    open();
    EXPECT_EQ(items(dialog->longTermList), (std::vector<std::string>{"Ends on term end", "Inside", "Old but persistent",
                                                                     "Spanning", "Syndicate wide"}));
    // Only the persistent plan carries an icon.
    for (int i = 0; i < dialog->longTermList->getNumItems(); ++i)
        EXPECT_EQ(dialog->longTermList->getItemIcon(i) != nullptr,
                  dialog->longTermList->getItemText(i) == "Old but persistent");
    EXPECT_EQ(dialog->longTermList->getItemIcon(2), dialog->persistentIcon);
}

TEST_F(PlanEdit, NoPlansAndNoUserAreReported) {
    open();
    EXPECT_EQ(errors(), (std::vector<std::string>{"UnitPlanDialog::selectQuery|No long term plans found for this term."}));
    delete dialog;
    dialog = nullptr;
    prompts.clear();

    appState.currentUserId = "";
    const int before = UnitPlanDialog::liveCount;
    UnitPlanDialog* d = new UnitPlanDialog(app(), 0, 0);
    d->create();
    EXPECT_TRUE(runUntil([&] { return UnitPlanDialog::liveCount < before + 1; }));
    EXPECT_EQ(errors(), (std::vector<std::string>{"UnitPlanDialog|You must choose a user name to add long term plans."}));
}

TEST_F(PlanEdit, SelectingAPlanFillsTheLongTermTab) {
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER, 0, READING);
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Angles", 1, 1);
    addUnit(22, 10, "Decimals", 1, -1);
    addUnit(23, 10, "Not mine", 1, 0, OTHER);
    open();
    selectLongTerm(10);
    EXPECT_EQ(dialog->longTermName->getText(), "Number");
    EXPECT_EQ(dialog->longTermDescription->getText(), "About Number");
    EXPECT_EQ(dialog->longTermStart->getText().text(), shown(weekday(-21)));
    EXPECT_EQ(dialog->longTermEnd->getText().text(), shown(weekday(40)));
    EXPECT_EQ(dialog->subjectCombo->getText(), "Reading");
    EXPECT_EQ(dialog->childYearCombo->getText(), "Year 4");
    EXPECT_EQ(dialog->syndicateWide, 1);
    EXPECT_EQ(dialog->persistent, 0);
    EXPECT_EQ(dialog->tabBook->getCurrent(), UnitPlanDialog::TAB_LONGTERM);
    // Units by name, with the export and imported icons.
    EXPECT_EQ(items(dialog->unitList), (std::vector<std::string>{"Angles", "Decimals", "Fractions"}));
    EXPECT_EQ(dialog->unitList->getItemIcon(0), dialog->exportIcon);
    EXPECT_EQ(dialog->unitList->getItemIcon(1), dialog->importedIcon);
    EXPECT_EQ(dialog->unitList->getItemIcon(2), nullptr);
    EXPECT_TRUE(dialog->longTermList->isItemSelected(0));
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
    selectLongTerm(10);
    EXPECT_EQ(items(dialog->unitList), (std::vector<std::string>{"Fractions", "a unit.dat", "b unit.dat"}));
    EXPECT_EQ(lists::itemId(dialog->unitList, 1), -1);
    EXPECT_EQ(dialog->unitList->getItemIcon(1), dialog->transferFileIcon);
    dialog->handle(dialog->unitList, FXSEL(SEL_COMMAND, UnitPlanDialog::ID_UNITLIST), (void*)(FXival)1);
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
    press(UnitPlanDialog::ID_SEARCH);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "information");
    EXPECT_EQ(prompts.last().caption, "Search String Too Short");
    for (FXSelector id : {UnitPlanDialog::ID_SEARCH_SELECT, UnitPlanDialog::ID_SEARCH_UNSELECT}) {
        prompts.clear();
        press(id);
        EXPECT_TRUE(prompts.prompts.empty());
    }
}

TEST_F(PlanEdit, IgnoringDatesDisablesSubjectAndDatesAtOnce) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    EXPECT_TRUE(dialog->subjectCombo->isEnabled());
    dialog->persistentCheck->setCheck(TRUE, TRUE);
    EXPECT_EQ(dialog->persistent, 1);
    EXPECT_FALSE(dialog->subjectCombo->isEnabled());
    EXPECT_FALSE(dialog->longTermStart->isEnabled());
    EXPECT_FALSE(dialog->longTermEnd->isEnabled());
    EXPECT_TRUE(dialog->childYearCombo->isEnabled());
    dialog->persistentCheck->setCheck(FALSE, TRUE);
    EXPECT_TRUE(dialog->longTermEnd->isEnabled());

    // The search string stays empty while an evaluation check is on.
    dialog->searchText->setText("fractions");
    dialog->searchAssessment->setCheck(TRUE, TRUE);  // as a click
    dialog->forceRefresh();
    EXPECT_EQ(dialog->searchText->getText(), "");
}

// Checking is what empties the search string, and typing clears the checks;
// the GUI update pass changes nothing but the controls' enabled state.
TEST_F(PlanEdit, TheSearchStringIsEmptiedByTheChecksNotByTheUpdatePass) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    // Typing, as the keyboard does it: the field inserts and tells its target.
    auto type = [&](const char* text) {
        dialog->searchText->handle(dialog, FXSEL(SEL_COMMAND, FXTextField::ID_INSERT_STRING), (void*)text);
    };
    type("fractions");
    dialog->forceRefresh();
    EXPECT_EQ(dialog->searchText->getText(), "fractions");
    dialog->searchNotTaught->setCheck(TRUE, TRUE);
    EXPECT_EQ(dialog->searchText->getText(), "");
    dialog->forceRefresh();
    EXPECT_EQ(dialog->searchText->getText(), "");
    // Typing while a check is on: the text is kept, the checks go.
    type("halves");
    EXPECT_FALSE(dialog->searchNotTaught->getCheck());
    dialog->forceRefresh();
    EXPECT_EQ(dialog->searchText->getText(), "halves");
    // Set without a click (a check restored by code): the text stays until
    // the user acts, and the update pass does not clear it.
    dialog->searchEvaluation->setCheck(TRUE);
    dialog->forceRefresh();
    EXPECT_EQ(dialog->searchText->getText(), "halves");

    // The persistent flag's controls follow it in the update pass as well.
    dialog->persistent = 1;
    dialog->forceRefresh();
    EXPECT_FALSE(dialog->subjectCombo->isEnabled());
    EXPECT_FALSE(dialog->longTermStart->isEnabled());
    dialog->persistent = 0;
    dialog->forceRefresh();
    EXPECT_TRUE(dialog->longTermStart->isEnabled());
}

TEST_F(PlanEdit, DataTargetsBindTheRadioButtons) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    dialog->unitTypeTarget.handle(dialog->unitTypeRadio[2], FXSEL(SEL_COMMAND, FXDataTarget::ID_OPTION + 3), nullptr);
    EXPECT_EQ(dialog->unitType, 3);
    dialog->unitType = 2;
    dialog->forceRefresh();
    EXPECT_EQ(dialog->unitTypeRadio[1]->getCheck(), TRUE);
    EXPECT_EQ(dialog->unitTypeRadio[2]->getCheck(), FALSE);
    // The lesson panel shows the unit's stored type, not the radio.
    EXPECT_EQ(dialog->timeSwitcher->getCurrent(), 0);
    dialog->storedUnitType = 2;
    dialog->forceRefresh();
    EXPECT_EQ(dialog->timeSwitcher->getCurrent(), 1);
    dialog->shoveDays = 7;
    dialog->forceRefresh();
    EXPECT_EQ(dialog->shoveSlider->getValue(), 7);
    EXPECT_EQ(dialog->shoveReadout->getText(), "7");
}

TEST_F(PlanEdit, GeometryIsRestoredWithinLimitsAndStoredOnClose) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    FXRegistry& reg = app()->reg();
    reg.writeIntEntry("UNITPLANDIALOG", "x", -10);
    reg.writeIntEntry("UNITPLANDIALOG", "y", 70);
    reg.writeIntEntry("UNITPLANDIALOG", "width", 500);
    reg.writeIntEntry("UNITPLANDIALOG", "height", 700);
    open();
    EXPECT_EQ(dialog->getX() - dialog->placementDx, 40);
    EXPECT_EQ(dialog->getY() - dialog->placementDy, 70);
    EXPECT_EQ(dialog->getWidth(), UnitPlanDialog::minimumWidth);
    EXPECT_EQ(dialog->getHeight(), 700);
    EXPECT_TRUE(dialog->shown());

    dialog->resize(800, 600);
    const int before = UnitPlanDialog::liveCount;
    press(UnitPlanDialog::ID_CLOSE);
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
    ASSERT_TRUE(runUntil([&] { return dialog->lessonList->getNumItems() > 0 && dialog->currentLessonId == 31; }));
    EXPECT_EQ(dialog->longTermList->getItemText(dialog->longTermList->getCurrentItem()), "Number");
    EXPECT_EQ(dialog->unitList->getItemText(dialog->unitList->getCurrentItem()), "Fractions");
    EXPECT_EQ(dialog->lessonList->getItemText(dialog->lessonList->getCurrentItem()), "Quarters");
    EXPECT_EQ(dialog->lessonName->getText(), "Quarters");
    EXPECT_EQ(dialog->tabBook->getCurrent(), UnitPlanDialog::TAB_OBJECTIVE);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, OpeningWithALongTermPlanSelectsIt) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    addUnit(20, 11, "Shapes");
    openTimed(11, 0);
    ASSERT_TRUE(runUntil([&] { return dialog->unitList->getNumItems() > 0; }));
    EXPECT_EQ(dialog->longTermList->getCurrentItem(), 0);
    EXPECT_EQ(dialog->longTermName->getText(), "Angles");
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
    ASSERT_TRUE(runUntil([&] { return dialog->unitList->getNumItems() > 0; }));
    EXPECT_EQ(dialog->longTermName->getText(), "Number");
    EXPECT_TRUE(dialog->longTermList->isItemSelected(dialog->longTermList->getCurrentItem()));
    delete dialog;
    dialog = nullptr;
    settle();

    openTimed(0, 1);
    ASSERT_TRUE(runUntil([&] { return dialog->lessonList->getNumItems() > 0 && dialog->currentLessonId == 1; }));
    EXPECT_EQ(dialog->lessonName->getText(), "Halves");
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
    EXPECT_EQ(dialog->unitList->getNumItems(), 0);
    EXPECT_FALSE(dialog->longTermList->isItemSelected(0));

    dialog->currentLessonId = 31;
    EXPECT_EQ(dialog->getLessonIndex(), 0);
    EXPECT_EQ(prompts.last().caption, "UnitPlanDialog::getUnitIndex");
    dialog->currentLessonId = 32;
    EXPECT_EQ(dialog->getLessonIndex(), 0);
    EXPECT_EQ(prompts.last().caption, "UnitPlanDialog::getLessonIndex");
    EXPECT_EQ(prompts.last().text,
              "The Unit Plan this Lesson Plan belongs to is not available\nbecause this Lesson Plan belongs to another user.");
}

TEST_F(PlanEdit, ALeaderSelectingAUnitStaysOnTheLongTermTab) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    addUnit(20, 10, "Leader unit", 1, 0, LEADER);
    open();
    selectLongTerm(10);
    selectUnit(20);
    EXPECT_EQ(dialog->tabBook->getCurrent(), UnitPlanDialog::TAB_LONGTERM);
    EXPECT_EQ(dialog->unitName->getText(), "Leader unit");
}

TEST_F(PlanEdit, ALostServiceIsReportedAndNothingIsLost) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    selectLongTerm(10);
    services().stop();
    dialog->longTermName->setText("While away");
    dialog->longTermStart->setText(shown(weekday(0)).c_str());
    dialog->longTermEnd->setText(shown(weekday(5)).c_str());
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    services().start();
    ASSERT_FALSE(prompts.prompts.empty());
    EXPECT_EQ(prompts.last().kind, "warning");
    EXPECT_EQ(prompts.last().text, "IsectRecordset::OpenRecordset - Network connection failed.");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(items(dialog->longTermList), std::vector<std::string>{"Number"});
    EXPECT_EQ(dialog->longTermName->getText(), "While away");
    // The service is back: the same press goes through.
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'While away'"), 1);
    EXPECT_EQ(items(dialog->longTermList), (std::vector<std::string>{"Number", "While away"}));
}

TEST_F(PlanEdit, ALostTransactionIsADatabaseErrorAndNothingTypedIsLost) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    selectLongTerm(10);
    // The program's one connection is inside a transaction when the worker
    // holding it ends.
    IsectRecordset held;
    held.inTransaction = 1;
    ASSERT_TRUE(held.OpenRecordset("Select Count(*) from LongTerm"));
    for (pid_t worker : services().workerPids()) kill(worker, SIGKILL);
    ASSERT_TRUE(testsupport::waitForText(services().logdir() + "/isectd.log", "lost its transaction"));
    dialog->longTermName->setText("Typed meanwhile");
    dialog->longTermStart->setText(shown(weekday(0)).c_str());
    dialog->longTermEnd->setText(shown(weekday(5)).c_str());
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0].rfind("Database Error|isectd - The database service stopped", 0), 0u) << errors()[0];
    EXPECT_EQ(prompts.count("warning"), 0u);
    EXPECT_EQ(items(dialog->longTermList), std::vector<std::string>{"Number"});
    EXPECT_EQ(dialog->longTermName->getText(), "Typed meanwhile");
    // Told once: the same press now goes through.
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'Typed meanwhile'"), 1);
    EXPECT_EQ(items(dialog->longTermList), (std::vector<std::string>{"Number", "Typed meanwhile"}));
    held.inTransaction = 0;
}

TEST_F(PlanEdit, EditAndDeleteActOnlyOnAChosenEntry) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    EXPECT_EQ(dialog->longTermList->getCurrentItem(), -1);
    dialog->longTermName->setText("Typed for a new plan");
    dialog->longTermStart->setText(shown(weekday(0)).c_str());
    dialog->longTermEnd->setText(shown(weekday(5)).c_str());
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
    selectLongTerm(10);
    EXPECT_EQ(dialog->unitList->getCurrentItem(), -1);
    dialog->unitName->setText("Typed for a new unit");
    press(UnitPlanDialog::ID_EDIT_UNIT);
    press(UnitPlanDialog::ID_DELETE_UNIT);
    press(UnitPlanDialog::ID_ADD_LESSON);
    EXPECT_EQ(errors().back(), "Add Lesson Plan Error|No Unit Plan available to add lesson to.");
    selectUnit(20);
    EXPECT_EQ(dialog->dayList->getCurrentItem(), -1);
    dialog->lessonName->setText("Typed for a new lesson");
    press(UnitPlanDialog::ID_EDIT_LESSON);
    press(UnitPlanDialog::ID_DELETE_LESSON);
    EXPECT_EQ(prompts.count("question"), 0u);
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName in ('Number', 'Angles')"), 2);
    EXPECT_EQ(value("Select UnitName from UnitPlan"), "Fractions");
    EXPECT_EQ(value("Select LessonName from LessonPlan"), "Halves");
}

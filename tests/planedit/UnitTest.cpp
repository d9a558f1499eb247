// Unit plans (tab 2) and the unit list.
#include "data/AppState.h"
#include "planedit/PlanEditTest.h"

using namespace FX;
using namespace planedit;

TEST_F(PlanEdit, AddingUnitsOfTheThreeTypes) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    selectLongTerm(10);
    const char* names[] = {"Zebra, unit's one", "Morning fitness", "Duty"};
    for (int type = 1; type <= 3; ++type) {
        dialog->unitName->setText(names[type - 1]);
        dialog->unitDescription->setText("What, why");
        dialog->unitType = type;
        dialog->rotate = type == 1;
        press(UnitPlanDialog::ID_ADD_UNIT);
        ASSERT_TRUE(errors().empty()) << errors().back();
        // The new unit is shown and selected.
        ASSERT_GE(dialog->unitList->getCurrentItem(), 0);
        EXPECT_EQ(dialog->unitList->getItemText(dialog->unitList->getCurrentItem()), names[type - 1]);
        EXPECT_EQ(dialog->tabBook->getCurrent(), UnitPlanDialog::TAB_UNIT);
        EXPECT_EQ(dialog->timeSwitcher->getCurrent(), type - 1);
    }
    EXPECT_EQ(value("Select UnitType || ',' || FKLongTerm || ',' || FKTeacher || ',' || Transfer || ',' || Rotate "
                    "from UnitPlan where UnitName = 'Zebra\\054 unit\\047s one'"),
              "1,10,2,0,1");
    EXPECT_EQ(value("Select UnitType || ',' || Rotate from UnitPlan where UnitName = 'Duty'"), "3,0");
    EXPECT_EQ(value("Select UnitDescription from UnitPlan where UnitName = 'Duty'"), "What, why");
    // The list is ordered by name.
    EXPECT_EQ(items(dialog->unitList), (std::vector<std::string>{"Duty", "Morning fitness", "Zebra, unit's one"}));
}

TEST_F(PlanEdit, UnitChecks) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    open();
    selectLongTerm(10);
    dialog->unitName->setText("Fractions");
    press(UnitPlanDialog::ID_ADD_UNIT);
    EXPECT_EQ(errors().back(), "Add Unit Plan Error|This plan already exists.");
    dialog->unitName->setText("fractions");
    press(UnitPlanDialog::ID_ADD_UNIT);
    EXPECT_EQ(count("Select Count(*) from UnitPlan"), 2);
    dialog->unitName->setText("   ");
    press(UnitPlanDialog::ID_ADD_UNIT);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Unit plan name.");
    selectUnit(20);
    dialog->unitName->setText("");
    press(UnitPlanDialog::ID_EDIT_UNIT);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Unit plan name.");
    EXPECT_EQ(value("Select UnitName from UnitPlan where Id = 20"), "Fractions");
}

TEST_F(PlanEdit, SelectingAUnitListsItsLessonsNewestFirst) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Fitness", 2);
    addUnit(22, 10, "Duty", 3);
    addLesson(30, 20, "Early", weekday(1), weekday(1), "09:00", "09:30");
    addLesson(31, 20, "Late same day", weekday(1), weekday(1), "11:00", "11:30");
    addLesson(32, 20, "Next day", weekday(2), weekday(2), "08:00", "08:30");
    addLesson(33, 21, "Tuesday run", weekday(-21), weekday(40), "13:30", "13:45", 2);
    addLesson(34, 21, "Monday run", weekday(-21), weekday(40), "13:30", "13:45", 1);
    addLesson(35, 21, "Broken", weekday(-21), weekday(40), "13:30", "13:45", 0);
    addLesson(36, 22, "Duty", weekday(0), weekday(4), "10:30", "10:45");
    open();
    selectLongTerm(10);
    selectUnit(20);
    EXPECT_EQ(dialog->unitName->getText(), "Fractions");
    EXPECT_EQ(dialog->unitDescription->getText(), "Unit Fractions");
    EXPECT_EQ(items(dialog->lessonList), (std::vector<std::string>{"Next day", "Late same day", "Early"}));
    EXPECT_EQ(items(dialog->dayList)[0], shown(weekday(2)));
    EXPECT_EQ(lists::itemId(dialog->dayList, 1), 31);
    selectUnit(21);
    EXPECT_EQ(dialog->unitType, 2);
    EXPECT_EQ(items(dialog->dayList), (std::vector<std::string>{"Invalid day", "Monday", "Tuesday"}));
    EXPECT_EQ(items(dialog->lessonList), (std::vector<std::string>{"Broken", "Monday run", "Tuesday run"}));
    EXPECT_EQ(dialog->timeSwitcher->getCurrent(), 1);
    selectUnit(22);
    EXPECT_EQ(items(dialog->dayList), std::vector<std::string>{"Daily"});
    EXPECT_EQ(dialog->tabBook->getCurrent(), UnitPlanDialog::TAB_UNIT);
}

TEST_F(PlanEdit, TheExportMarkIsWrittenAndShown) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Imported", 1, -1);
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    selectLongTerm(10);
    selectUnit(20);
    selectLesson(30);  // the shared recordset now holds the lesson
    dialog->forceRefresh();
    dialog->exportCheck->setCheck(TRUE, TRUE);
    dialog->unitName->setText("Fractions, again");
    press(UnitPlanDialog::ID_EDIT_UNIT);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select UnitName || ',' || Transfer from UnitPlan where Id = 20"), "Fractions, again,1");
    EXPECT_EQ(value("Select LessonName from LessonPlan where Id = 30"), "Halves");
    int index = lists::findItem(dialog->unitList, 20);
    EXPECT_EQ(dialog->unitList->getItemIcon(index), dialog->exportIcon);
    EXPECT_EQ(dialog->unitList->getCurrentItem(), index);

    // A unit marked for export shows the mark.
    selectUnit(21);
    selectUnit(20);
    dialog->forceRefresh();
    EXPECT_EQ(dialog->exportCheck->getCheck(), TRUE);

    // An imported unit is not marked for export, and keeps -1 unless the
    // mark is touched.
    selectUnit(21);
    dialog->forceRefresh();
    EXPECT_EQ(dialog->exportMark, -1);
    EXPECT_EQ(dialog->exportCheck->getCheck(), FALSE);
    EXPECT_EQ(dialog->unitList->getItemIcon(lists::findItem(dialog->unitList, 21)), dialog->importedIcon);
    dialog->unitDescription->setText("Changed");
    press(UnitPlanDialog::ID_EDIT_UNIT);
    EXPECT_EQ(value("Select UnitDescription || ',' || Transfer from UnitPlan where Id = 21"), "Changed,-1");
    selectUnit(21);
    dialog->forceRefresh();
    EXPECT_EQ(dialog->exportCheck->getCheck(), FALSE);
    // Checked, then cleared again: 0.
    dialog->exportCheck->setCheck(TRUE, TRUE);
    dialog->exportCheck->setCheck(FALSE, TRUE);
    press(UnitPlanDialog::ID_EDIT_UNIT);
    EXPECT_EQ(value("Select Transfer from UnitPlan where Id = 21"), "0");
    EXPECT_EQ(dialog->unitList->getItemIcon(lists::findItem(dialog->unitList, 21)), nullptr);

    // An imported unit checked: marked for export.
    sql("update UnitPlan set Transfer = -1 where Id = 21;");
    selectLongTerm(10);
    selectUnit(21);
    dialog->forceRefresh();
    dialog->exportCheck->setCheck(TRUE, TRUE);
    press(UnitPlanDialog::ID_EDIT_UNIT);
    EXPECT_EQ(value("Select Transfer from UnitPlan where Id = 21"), "1");
    dialog->forceRefresh();
    EXPECT_EQ(dialog->exportCheck->getCheck(), TRUE);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, DeletingAUnitAsksAndTakesItsLessons) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Angles");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    selectLongTerm(10);
    selectUnit(20);
    prompts.answers.push_back(false);
    press(UnitPlanDialog::ID_DELETE_UNIT);
    EXPECT_EQ(prompts.last().caption, "Confirm delete Unit Plan");
    EXPECT_EQ(prompts.last().text, "Do you want to delete this Unit Plan?");
    EXPECT_EQ(count("Select Count(*) from UnitPlan"), 2);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_DELETE_UNIT);
    EXPECT_EQ(count("Select Count(*) from UnitPlan"), 1);
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 0);
    EXPECT_EQ(items(dialog->unitList), std::vector<std::string>{"Angles"});
    EXPECT_EQ(dialog->dayList->getNumItems(), 0);
}

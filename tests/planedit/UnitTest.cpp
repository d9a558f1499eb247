// Unit plans (tab 2) and the unit list.
#include "data/AppState.h"
#include "planedit/PlanEditTest.h"

using namespace FX;
using namespace planedit;

TEST_F(PlanEdit, AddingUnitsOfTheThreeTypes) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    choosePlan(10);
    const char* names[] = {"Zebra, unit's one", "Morning fitness", "Duty"};
    const char* panels[] = {"Unit Plan", "Routine Lesson", "Non-contact time"};
    for (int kind = 1; kind <= 3; ++kind) {
        type(UNIT, "Name:", names[kind - 1]);
        type(UNIT, "Description:", "What, why");
        bind(UNIT, "Lesson Type:", kind);
        bind(UNIT, "Rotating plan", kind == 1);
        press(UNIT, "Add");
        ASSERT_TRUE(errors().empty()) << errors().back();
        // The new unit is shown and selected.
        ASSERT_GE(current("Unit Plan"), 0);
        EXPECT_EQ(currentText("Unit Plan"), names[kind - 1]);
        EXPECT_EQ(shownTab(), UNIT);
        EXPECT_EQ(panel(), panels[kind - 1]);
    }
    EXPECT_EQ(value("Select UnitType || ',' || FKLongTerm || ',' || FKTeacher || ',' || Transfer || ',' || Rotate "
                    "from UnitPlan where UnitName = 'Zebra\\054 unit\\047s one'"),
              "1,10,2,0,1");
    EXPECT_EQ(value("Select UnitType || ',' || Rotate from UnitPlan where UnitName = 'Duty'"), "3,0");
    EXPECT_EQ(value("Select UnitDescription from UnitPlan where UnitName = 'Duty'"), "What, why");
    // The list is ordered by name.
    EXPECT_EQ(items("Unit Plan"), (std::vector<std::string>{"Duty", "Morning fitness", "Zebra, unit's one"}));
}

TEST_F(PlanEdit, UnitChecks) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    open();
    choosePlan(10);
    type(UNIT, "Name:", "Fractions");
    press(UNIT, "Add");
    EXPECT_EQ(errors().back(), "Add Unit Plan Error|This plan already exists.");
    type(UNIT, "Name:", "fractions");
    press(UNIT, "Add");
    EXPECT_EQ(count("Select Count(*) from UnitPlan"), 2);
    type(UNIT, "Name:", "   ");
    press(UNIT, "Add");
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Unit plan name.");
    chooseUnit(20);
    type(UNIT, "Name:", "");
    press(UNIT, "Edit");
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
    choosePlan(10);
    chooseUnit(20);
    EXPECT_EQ(text(UNIT, "Name:"), "Fractions");
    EXPECT_EQ(text(UNIT, "Description:"), "Unit Fractions");
    EXPECT_EQ(items("Lesson Plan"), (std::vector<std::string>{"Next day", "Late same day", "Early"}));
    EXPECT_EQ(items("Day or Date")[0], shown(weekday(2)));
    EXPECT_EQ(id("Day or Date", 1), 31);
    chooseUnit(21);
    EXPECT_EQ(bound(UNIT, "Lesson Type:"), 2);
    EXPECT_EQ(items("Day or Date"), (std::vector<std::string>{"Invalid day", "Monday", "Tuesday"}));
    EXPECT_EQ(items("Lesson Plan"), (std::vector<std::string>{"Broken", "Monday run", "Tuesday run"}));
    EXPECT_EQ(panel(), "Routine Lesson");
    chooseUnit(22);
    EXPECT_EQ(items("Day or Date"), std::vector<std::string>{"Daily"});
    EXPECT_EQ(shownTab(), UNIT);
}

TEST_F(PlanEdit, TheExportMarkIsWrittenAndShown) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Imported", 1, -1);
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    choosePlan(10);
    chooseUnit(20);
    chooseLesson(30);  // the shared recordset now holds the lesson
    refresh();
    check(UNIT, "Mark for export to disk");
    type(UNIT, "Name:", "Fractions, again");
    press(UNIT, "Edit");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select UnitName || ',' || Transfer from UnitPlan where Id = 20"), "Fractions, again,1");
    EXPECT_EQ(value("Select LessonName from LessonPlan where Id = 30"), "Halves");
    int index = lists::findItem(list("Unit Plan"), 20);
    EXPECT_EQ(icons("Unit Plan")[index], "export");
    EXPECT_EQ(current("Unit Plan"), index);

    // A unit marked for export shows the mark.
    chooseUnit(21);
    chooseUnit(20);
    refresh();
    EXPECT_EQ(checkButton(UNIT, "Mark for export to disk")->getCheck(), TRUE);

    // An imported unit is not marked for export, and keeps -1 unless the
    // mark is touched.
    chooseUnit(21);
    refresh();
    EXPECT_EQ(checkButton(UNIT, "Mark for export to disk")->getCheck(), FALSE);
    EXPECT_EQ(icons("Unit Plan")[lists::findItem(list("Unit Plan"), 21)], "imported");
    type(UNIT, "Description:", "Changed");
    press(UNIT, "Edit");
    EXPECT_EQ(value("Select UnitDescription || ',' || Transfer from UnitPlan where Id = 21"), "Changed,-1");
    chooseUnit(21);
    refresh();
    EXPECT_EQ(checkButton(UNIT, "Mark for export to disk")->getCheck(), FALSE);
    // Checked, then cleared again: 0.
    check(UNIT, "Mark for export to disk");
    check(UNIT, "Mark for export to disk", false);
    press(UNIT, "Edit");
    EXPECT_EQ(value("Select Transfer from UnitPlan where Id = 21"), "0");
    EXPECT_EQ(icons("Unit Plan")[lists::findItem(list("Unit Plan"), 21)], "");

    // An imported unit checked: marked for export.
    sql("update UnitPlan set Transfer = -1 where Id = 21;");
    choosePlan(10);
    chooseUnit(21);
    refresh();
    check(UNIT, "Mark for export to disk");
    press(UNIT, "Edit");
    EXPECT_EQ(value("Select Transfer from UnitPlan where Id = 21"), "1");
    refresh();
    EXPECT_EQ(checkButton(UNIT, "Mark for export to disk")->getCheck(), TRUE);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, DeletingAUnitAsksAndTakesItsLessons) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Angles");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    choosePlan(10);
    chooseUnit(20);
    prompts.answers.push_back(false);
    press(UNIT, "Delete");
    EXPECT_EQ(prompts.last().caption, "Confirm delete Unit Plan");
    EXPECT_EQ(prompts.last().text, "Do you want to delete this Unit Plan?");
    EXPECT_EQ(count("Select Count(*) from UnitPlan"), 2);
    prompts.answers.push_back(true);
    press(UNIT, "Delete");
    EXPECT_EQ(count("Select Count(*) from UnitPlan"), 1);
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 0);
    EXPECT_EQ(items("Unit Plan"), std::vector<std::string>{"Angles"});
    EXPECT_TRUE(items("Day or Date").empty());
}

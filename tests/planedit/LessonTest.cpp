// Lesson plans (tabs 3 to 5): add, copy, edit, delete, the retrospective-
// planning rule, the date and time buttons, Bump and Shove.
#include <ctime>

#include "data/AppState.h"
#include "planedit/PlanEditTest.h"

using namespace FX;
using namespace planedit;

namespace {

class Lessons : public PlanEdit {
protected:
    void SetUp() override {
        PlanEdit::SetUp();
        addLongTerm(10, "Number", weekday(-21), weekday(40));
        addUnit(20, 10, "Fractions");
    }
    // Opens the dialog on unit 20 with one of its lessons shown.
    void show(int lessonId) {
        if (!dialog) open();
        selectLongTerm(10);
        selectUnit(20);
        selectLesson(lessonId);
    }
    std::string lesson(int id, const std::string& columns) {
        return value("Select " + columns + " from LessonPlan where Id = " + std::to_string(id));
    }
    size_t questions() { return prompts.count("question"); }
};

const char* const retrospective = "Retrospective Planning Not Allowed";

}  // namespace

TEST_F(Lessons, SelectingALessonFillsTheTabsAndMovesTheCalendar) {
    addLesson(30, 20, "Halves", weekday(7), weekday(8), "09:00", "09:50");
    sql("update LessonPlan set LessonEval = -1, LessonAssess = 1, LessonNotTaught = 1 where Id = 30;");
    open();
    const FXlong before = (FXlong)time(nullptr);
    show(30);
    const FXlong after = (FXlong)time(nullptr);
    EXPECT_EQ(dialog->lessonName->getText(), "Halves");
    EXPECT_EQ(dialog->essentialSkills->getText(), "es");
    EXPECT_EQ(dialog->lessonTest->getText(), "test");
    EXPECT_EQ(dialog->lessonResources->getText(), "resource");
    EXPECT_EQ(dialog->lessonReflection->getText(), "reflect");
    EXPECT_EQ(dialog->evaluation, -1);
    EXPECT_EQ(dialog->assessment, 1);
    EXPECT_EQ(dialog->notTaught, 1);
    EXPECT_EQ(panel().startDate->getText().text(), shown(weekday(7)));
    EXPECT_EQ(panel().endDate->getText().text(), shown(weekday(8)));
    EXPECT_EQ(panel().startTime->getText(), "09:00");
    EXPECT_EQ(panel().endTime->getText(), "09:50");
    EXPECT_EQ(dialog->currentLessonId, 30);
    EXPECT_EQ(dialog->tabBook->getCurrent(), UnitPlanDialog::TAB_OBJECTIVE);
    EXPECT_TRUE(dialog->dayList->isItemSelected(0));
    EXPECT_TRUE(dialog->lessonList->isItemSelected(0));
    // The shown moment is the day after the lesson's start, at school start.
    struct tm t = {};
    std::string next = weekday(8);
    t.tm_year = std::stoi(next.substr(0, 4)) - 1900;
    t.tm_mon = std::stoi(next.substr(5, 2)) - 1;
    t.tm_mday = std::stoi(next.substr(8, 2));
    t.tm_hour = 8;
    t.tm_min = 45;
    t.tm_isdst = -1;
    const FXlong target = (FXlong)mktime(&t);
    EXPECT_GE(target - appState.dateOffset, before);
    EXPECT_LE(target - appState.dateOffset, after);
}

TEST_F(Lessons, AddingANewLessonAndACopy) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7), "09:00", "09:50");
    show(30);
    dialog->lessonName->setText("Quarters, kids' work");
    panel().startDate->setText(shown(weekday(9)).c_str());
    panel().endDate->setText(shown(weekday(9)).c_str());
    prompts.answers.push_back(true);  // a new record
    press(UnitPlanDialog::ID_ADD_LESSON);
    EXPECT_EQ(prompts.last().caption, "New record or Copy existing?");
    EXPECT_EQ(prompts.last().text, "Is this a new record?");
    ASSERT_TRUE(errors().empty()) << errors().back();
    const int fresh = std::stoi(value("Select Id from LessonPlan where Id > 1000"));
    EXPECT_EQ(lesson(fresh, "LessonName"), "Quarters, kids' work");
    EXPECT_EQ(lesson(fresh, "LessonES || LessonDev || LessonTest || LessonReflect"), "");
    EXPECT_EQ(lesson(fresh, "DateStart || ' ' || DateEnd"), weekday(9) + " " + weekday(9));
    EXPECT_EQ(lesson(fresh, "TimeStart || ' ' || FKUnitPlan || ' ' || RoutineDay"), "09:00:00.0000 20 0");
    EXPECT_EQ(dialog->currentLessonId, fresh);
    EXPECT_EQ(dialog->lessonList->getItemText(dialog->lessonList->getCurrentItem()), "Quarters, kids' work");

    // A copy keeps every text; the ninth to eleventh arguments land in their columns.
    selectLesson(30);
    dialog->lessonName->setText("Halves again");
    prompts.answers.push_back(false);
    press(UnitPlanDialog::ID_ADD_LESSON);
    const std::string copy = value("Select Id from LessonPlan where LessonName = 'Halves again'");
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(lesson(std::stoi(copy), "LessonES || LessonAO || LessonSLO || LessonIntro || LessonDev || LessonClose"),
              "esaoslointrodevclose");
    EXPECT_EQ(lesson(std::stoi(copy), "LessonTest || '/' || LessonResource || '/' || LessonReflect"),
              "test/resource/reflect");
    EXPECT_EQ(dialog->dayList->getNumItems(), 3);
}

TEST_F(Lessons, AddChecks) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    addLongTerm(11, "Empty plan", weekday(-21), weekday(40));
    open();
    selectLongTerm(11);
    press(UnitPlanDialog::ID_ADD_LESSON);
    EXPECT_EQ(errors().back(), "Add Lesson Plan Error|No Unit Plan available to add lesson to.");
    show(30);
    dialog->lessonName->setText("  ");
    press(UnitPlanDialog::ID_ADD_LESSON);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Lesson plan name.");
    dialog->lessonName->setText("Backwards");
    panel().startDate->setText(shown(weekday(9)).c_str());
    press(UnitPlanDialog::ID_ADD_LESSON);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have start date after end date.");
    panel().startDate->setText("");
    press(UnitPlanDialog::ID_ADD_LESSON);
    EXPECT_EQ(errors().back(), "Database Error|Start Date is empty.\n\nType dates day first, as DD/MM/YY (for example " +
                                   shown(day(0)) + ").");
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 1);
}

TEST_F(Lessons, RoutineLessonsKeepTheirWeekday) {
    addUnit(21, 10, "Fitness", 2);
    addLesson(31, 21, "Run", weekday(-21), weekday(40), "13:30", "13:45", 4);
    open();
    selectLongTerm(10);
    selectUnit(21);
    selectLesson(31);
    EXPECT_EQ(dialog->routineDayCombo->getCurrentItem(), 3);
    EXPECT_EQ(dialog->panels[1].startTime->getText(), "13:30");
    dialog->routineDayCombo->setCurrentItem(2);
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(lesson(31, "RoutineDay"), "3");
    dialog->lessonName->setText("Skip");
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_ADD_LESSON);
    EXPECT_EQ(value("Select RoutineDay from LessonPlan where LessonName = 'Skip'"), "3");
    EXPECT_EQ(items(dialog->dayList), (std::vector<std::string>{"Wednesday", "Wednesday"}));
}

TEST_F(Lessons, EditingWritesEveryField) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7), "09:00", "09:50");
    show(30);
    dialog->tabBook->setCurrent(UnitPlanDialog::TAB_EVALUATION);
    dialog->lessonName->setText("Halves, kids' way");
    dialog->lessonDevelopment->setText("Fold, cut\\101");
    dialog->lessonReflection->setText("Went well");
    dialog->evaluation = 1;
    dialog->notTaught = 1;
    panel().endDate->setText(shown(weekday(8)).c_str());
    panel().startTime->setText("10:00");
    panel().endTime->setText("10:45");
    press(UnitPlanDialog::ID_EDIT_LESSON);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(questions(), 0u);
    EXPECT_EQ(lesson(30, "LessonName"), "Halves, kids' way");
    EXPECT_EQ(lesson(30, "LessonDev"), "Fold, cut\\101");
    EXPECT_EQ(lesson(30, "LessonReflect || LessonEval || LessonAssess || LessonNotTaught"), "Went well101");
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), weekday(7) + " " + weekday(8));
    EXPECT_EQ(lesson(30, "TimeStart || ' ' || TimeEnd"), "10:00:00.0000 10:45:00.0000");
    EXPECT_EQ(dialog->tabBook->getCurrent(), UnitPlanDialog::TAB_EVALUATION);
    EXPECT_EQ(dialog->lessonDevelopment->getText(), "Fold, cut\\101");

    panel().startDate->setText(shown(weekday(9)).c_str());
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have start date after end date.");
    EXPECT_EQ(lesson(30, "DateStart"), weekday(7));
}

TEST_F(Lessons, RetrospectiveRuleLetsMinorTweaksThrough) {
    addLesson(30, 20, "Three days ago", day(-3), day(-3), "09:00", "09:50");
    addLesson(31, 20, "Two days ago", day(-2), day(-2), "09:00", "09:50");
    addLesson(32, 20, "Ten days ago", day(-10), day(-10), "09:00", "09:50");
    open();
    // Texts only, ended three days ago: nothing asked.
    show(30);
    dialog->lessonIntro->setText("Changed intro");
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(questions(), 0u);
    EXPECT_EQ(lesson(30, "LessonIntro"), "Changed intro");
    // A new start time for a lesson within the last week: nothing asked.
    selectLesson(31);
    panel().startTime->setText("08:30");
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(questions(), 0u);
    EXPECT_EQ(lesson(31, "TimeStart"), "08:30:00.0000");
    // Ended ten days ago: asked even for texts; Yes abandons, No goes on.
    selectLesson(32);
    dialog->lessonIntro->setText("Rewritten");
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(prompts.last().caption, retrospective);
    EXPECT_NE(prompts.last().text.find("Do you want to abandon this edit or delete?"), std::string::npos);
    EXPECT_EQ(lesson(32, "LessonIntro"), "intro");
    prompts.answers.push_back(false);
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(lesson(32, "LessonIntro"), "Rewritten");
    // A new start date further back: the stored dates are recent, so nothing is asked.
    selectLesson(30);
    panel().startDate->setText(shown(day(-9)).c_str());
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(questions(), 2u);
    EXPECT_EQ(lesson(30, "DateStart"), day(-9));
    // Now stored nine days back and moved again: asked.
    selectLesson(30);
    panel().startDate->setText(shown(day(-8)).c_str());
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(questions(), 3u);
    EXPECT_EQ(lesson(30, "DateStart"), day(-9));
}

TEST_F(Lessons, RetrospectiveRuleForDeletesAndImportedUnits) {
    addLesson(30, 20, "Eight days ago", day(-8), day(-8), "09:00", "09:50");
    addUnit(21, 10, "Imported", 1, -1);
    addLesson(31, 21, "Long ago", day(-100), day(-100), "09:00", "09:50");
    open();
    show(30);
    prompts.answers.push_back(true);  // abandon
    press(UnitPlanDialog::ID_DELETE_LESSON);
    EXPECT_EQ(prompts.last().caption, retrospective);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 30"), 1);
    prompts.answers.push_back(false);  // go on
    prompts.answers.push_back(true);   // delete it
    press(UnitPlanDialog::ID_DELETE_LESSON);
    EXPECT_EQ(prompts.last().caption, "Confirm delete lesson");
    EXPECT_EQ(prompts.last().text, "Do you want to delete this lesson?");
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 30"), 0);
    EXPECT_EQ(dialog->dayList->getNumItems(), 0);

    // Lessons of an imported unit: no questions about their dates.
    prompts.clear();
    selectUnit(21);
    selectLesson(31);
    dialog->lessonName->setText("Reused");
    panel().startDate->setText(shown(day(5)).c_str());
    panel().endDate->setText(shown(day(5)).c_str());
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(questions(), 0u);
    EXPECT_EQ(lesson(31, "LessonName || ' ' || DateStart"), "Reused " + day(5));
    prompts.answers.push_back(false);  // keep it after all
    press(UnitPlanDialog::ID_DELETE_LESSON);
    EXPECT_EQ(prompts.last().caption, "Confirm delete lesson");
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 31"), 1);
}

TEST_F(Lessons, DayWeekUpAndDownChangeOnlyTheShownFields) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7), "09:00", "09:50");
    show(30);
    panel().startDate->setText("31/12/14");
    panel().endDate->setText("31/12/14");
    press(UnitPlanDialog::ID_PLUS_DAY);
    EXPECT_EQ(panel().startDate->getText(), "01/01/15");
    EXPECT_EQ(panel().endDate->getText(), "01/01/15");
    press(UnitPlanDialog::ID_PLUS_WEEK);
    EXPECT_EQ(panel().startDate->getText(), "08/01/15");
    press(UnitPlanDialog::ID_PERIOD_UP);
    EXPECT_EQ(panel().startTime->getText(), "08:45");
    EXPECT_EQ(panel().endTime->getText(), "09:35");
    press(UnitPlanDialog::ID_PERIOD_DOWN);
    press(UnitPlanDialog::ID_PERIOD_DOWN);
    EXPECT_EQ(panel().startTime->getText(), "09:15");
    EXPECT_EQ(panel().endDate->getText(), "08/01/15");
    appState.americanDate = 1;
    panel().startDate->setText("12/31/14");
    panel().endDate->setText("12/31/14");
    press(UnitPlanDialog::ID_PLUS_DAY);
    EXPECT_EQ(panel().startDate->getText(), "01/01/15");
    appState.americanDate = 0;
    EXPECT_EQ(lesson(30, "DateStart || ' ' || TimeStart"), weekday(7) + " 09:00:00.0000");

    panel().startDate->setText("");
    press(UnitPlanDialog::ID_PLUS_DAY);
    EXPECT_EQ(errors().back(), "Empty Dates|Cannot have empty start date.");
    panel().startDate->setText("1/1/15");
    panel().endDate->setText(" ");
    press(UnitPlanDialog::ID_PERIOD_UP);
    EXPECT_EQ(errors().back(), "Empty Dates|Cannot have empty end date.");
    panel().endDate->setText("45/1/15");
    press(UnitPlanDialog::ID_PLUS_WEEK);
    EXPECT_EQ(errors().back(), "Empty Dates|End Date \"45/1/15\" is not a date: there is no day 45.\n\n"
                               "Type dates day first, as DD/MM/YY (for example " + shown(day(0)) + ").");
}

TEST_F(Lessons, BumpTakesTheNextLessonsSlot) {
    addLesson(30, 20, "First", weekday(7), weekday(7), "09:00", "09:50");
    addLesson(31, 20, "Second", weekday(8), weekday(9), "10:15", "11:00");
    show(30);
    press(UnitPlanDialog::ID_BUMP);
    EXPECT_EQ(panel().startDate->getText().text(), shown(weekday(8)));
    EXPECT_EQ(panel().endDate->getText().text(), shown(weekday(9)));
    EXPECT_EQ(panel().startTime->getText(), "10:15");
    EXPECT_EQ(panel().endTime->getText(), "11:00");
    EXPECT_EQ(lesson(30, "DateStart"), weekday(7));
    // The last lesson has nothing after it.
    selectLesson(31);
    panel().startTime->setText("12:00");
    press(UnitPlanDialog::ID_BUMP);
    EXPECT_EQ(panel().startTime->getText(), "12:00");
    EXPECT_EQ(panel().startDate->getText().text(), shown(weekday(8)));
    EXPECT_TRUE(errors().empty());
}

TEST_F(Lessons, ShoveByOneSkipsTheWeekend) {
    addLesson(29, 20, "Before", weekday(7), weekday(7), "09:00", "09:50");
    addLesson(30, 20, "Shoved", weekday(10), weekday(11), "09:00", "09:50");  // Thursday to Friday
    addLesson(31, 20, "Later", weekday(17), weekday(18), "10:00", "10:50");   // Thursday to Friday
    show(30);
    dialog->shoveDays = 1;
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_SHOVE);
    EXPECT_EQ(prompts.last().caption, "Confirm shove lessons");
    EXPECT_EQ(prompts.last().text,
              "Do you want to shove the lesson \"Shoved\" and \nall subsequent lessons in the unit \"Fractions\" "
              "forward by 1 day?");
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), weekday(10) + " " + weekday(14));
    EXPECT_EQ(lesson(31, "DateStart || ' ' || DateEnd"), weekday(18) + " " + weekday(21));
    EXPECT_EQ(lesson(29, "DateStart || ' ' || DateEnd"), weekday(7) + " " + weekday(7));
    EXPECT_EQ(panel().endDate->getText().text(), shown(weekday(14)));
    EXPECT_EQ(value("Select PlanEnd from LongTerm where Id = 10"), weekday(40));  // still long enough
    EXPECT_TRUE(errors().empty());
}

TEST_F(Lessons, ShoveByThreeIsThreeSteps) {
    addLesson(30, 20, "Shoved", weekday(7), weekday(9), "09:00", "09:50");  // Monday to Wednesday
    addLesson(31, 20, "Later", weekday(10), weekday(11), "10:00", "10:50"); // Thursday to Friday
    show(30);
    dialog->shoveDays = 3;
    prompts.answers.push_back(false);
    press(UnitPlanDialog::ID_SHOVE);
    EXPECT_NE(prompts.last().text.find("forward by 3 days?"), std::string::npos);
    EXPECT_EQ(lesson(30, "DateEnd"), weekday(9));  // No: nothing stored
    EXPECT_EQ(lesson(31, "DateStart"), weekday(10));
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_SHOVE);
    // Wednesday -> Thursday -> Friday -> (Saturday) Monday.
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), weekday(7) + " " + weekday(14));
    // Thursday-Friday -> Friday-Monday -> Monday-Tuesday -> Tuesday-Wednesday.
    EXPECT_EQ(lesson(31, "DateStart || ' ' || DateEnd"), weekday(15) + " " + weekday(16));
}

TEST_F(Lessons, ShoveExtendsAnOwnPlanAndReportsASyndicatePlan) {
    sql("update LongTerm set PlanEnd = '" + weekday(11) + "' where Id = 10;");
    addLesson(30, 20, "Shoved", weekday(10), weekday(11), "09:00", "09:50");
    show(30);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_SHOVE);
    EXPECT_EQ(value("Select PlanEnd from LongTerm where Id = 10"), weekday(14));
    EXPECT_EQ(prompts.count("information"), 0u);

    // The same for a syndicate-wide plan: reported, not changed.
    sql("update LongTerm set PlanEnd = '" + weekday(14) + "', FKSyndicate = 1 where Id = 10;");
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_SHOVE);
    EXPECT_EQ(lesson(30, "DateEnd"), weekday(15));
    EXPECT_EQ(value("Select PlanEnd from LongTerm where Id = 10"), weekday(14));
    EXPECT_EQ(prompts.last().kind, "information");
    EXPECT_EQ(prompts.last().caption, "Syndicate Wide Plan Exceeded");
    EXPECT_EQ(prompts.last().text, "Your unit plan has overrun your syndicate wide Long Term Plan.");
}

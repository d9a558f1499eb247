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
        choosePlan(10);
        chooseUnit(20);
        chooseLesson(lessonId);
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
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Halves");
    EXPECT_EQ(text(OBJECTIVE, "Essential Skills:"), "es");
    EXPECT_EQ(text(EVALUATION, "Assessment:"), "test");
    EXPECT_EQ(text(EVALUATION, "Resources:"), "resource");
    EXPECT_EQ(text(EVALUATION, "Reflection:"), "reflect");
    EXPECT_EQ(bound(EVALUATION, "Evaluation:"), -1);
    EXPECT_EQ(bound(EVALUATION, "Assessment:"), 1);
    EXPECT_EQ(bound(EVALUATION, "Lesson Not Taught:"), 1);
    EXPECT_EQ(text(OBJECTIVE, "Start Date:"), shown(weekday(7)));
    EXPECT_EQ(text(OBJECTIVE, "End Date:"), shown(weekday(8)));
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "09:00");
    EXPECT_EQ(text(OBJECTIVE, "End Time:"), "09:50");
    EXPECT_EQ(dialog->currentLesson(), 30);
    EXPECT_EQ(shownTab(), OBJECTIVE);
    EXPECT_TRUE(selected("Day or Date", 0));
    EXPECT_TRUE(selected("Lesson Plan", 0));
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
    type(OBJECTIVE, "Name:", "Quarters, kids' work");
    type(OBJECTIVE, "Start Date:", shown(weekday(9)));
    type(OBJECTIVE, "End Date:", shown(weekday(9)));
    prompts.answers.push_back(true);  // a new record
    press(OBJECTIVE, "Add");
    EXPECT_EQ(prompts.last().caption, "New record or Copy existing?");
    EXPECT_EQ(prompts.last().text, "Is this a new record?");
    ASSERT_TRUE(errors().empty()) << errors().back();
    const int fresh = std::stoi(value("Select Id from LessonPlan where Id > 1000"));
    EXPECT_EQ(lesson(fresh, "LessonName"), "Quarters, kids' work");
    EXPECT_EQ(lesson(fresh, "LessonES || LessonDev || LessonTest || LessonReflect"), "");
    EXPECT_EQ(lesson(fresh, "DateStart || ' ' || DateEnd"), weekday(9) + " " + weekday(9));
    EXPECT_EQ(lesson(fresh, "TimeStart || ' ' || FKUnitPlan || ' ' || RoutineDay"), "09:00:00.0000 20 0");
    EXPECT_EQ(dialog->currentLesson(), fresh);
    EXPECT_EQ(currentText("Lesson Plan"), "Quarters, kids' work");

    // A copy keeps every text; the ninth to eleventh arguments land in their columns.
    chooseLesson(30);
    type(OBJECTIVE, "Name:", "Halves again");
    prompts.answers.push_back(false);
    press(OBJECTIVE, "Add");
    const std::string copy = value("Select Id from LessonPlan where LessonName = 'Halves again'");
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(lesson(std::stoi(copy), "LessonES || LessonAO || LessonSLO || LessonIntro || LessonDev || LessonClose"),
              "esaoslointrodevclose");
    EXPECT_EQ(lesson(std::stoi(copy), "LessonTest || '/' || LessonResource || '/' || LessonReflect"),
              "test/resource/reflect");
    EXPECT_EQ(items("Day or Date").size(), 3u);
}

TEST_F(Lessons, AddChecks) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    addLongTerm(11, "Empty plan", weekday(-21), weekday(40));
    open();
    choosePlan(11);
    press(OBJECTIVE, "Add");
    EXPECT_EQ(errors().back(), "Add Lesson Plan Error|No Unit Plan available to add lesson to.");
    show(30);
    type(OBJECTIVE, "Name:", "  ");
    press(OBJECTIVE, "Add");
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Lesson plan name.");
    type(OBJECTIVE, "Name:", "Backwards");
    type(OBJECTIVE, "Start Date:", shown(weekday(9)));
    press(OBJECTIVE, "Add");
    EXPECT_EQ(errors().back(), "Database Error|Cannot have start date after end date.");
    type(OBJECTIVE, "Start Date:", "");
    press(OBJECTIVE, "Add");
    EXPECT_EQ(errors().back(),
              "Database Error|Start Date is empty.\n\nType dates day first, as DD/MM/YY (for example " + shown(day(0)) +
                  ").");
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 1);
}

TEST_F(Lessons, RoutineLessonsKeepTheirWeekday) {
    addUnit(21, 10, "Fitness", 2);
    addLesson(31, 21, "Run", weekday(-21), weekday(40), "13:30", "13:45", 4);
    open();
    choosePlan(10);
    chooseUnit(21);
    chooseLesson(31);
    EXPECT_EQ(currentEntry(OBJECTIVE, "Day:"), 3);
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "13:30");
    pick(OBJECTIVE, "Day:", 2);
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(lesson(31, "RoutineDay"), "3");
    type(OBJECTIVE, "Name:", "Skip");
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Add");
    EXPECT_EQ(value("Select RoutineDay from LessonPlan where LessonName = 'Skip'"), "3");
    EXPECT_EQ(items("Day or Date"), (std::vector<std::string>{"Wednesday", "Wednesday"}));
}

TEST_F(Lessons, EditingWritesEveryField) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7), "09:00", "09:50");
    show(30);
    showTab(EVALUATION);
    type(OBJECTIVE, "Name:", "Halves, kids' way");
    type(DETAIL, "Development:", "Fold, cut\\101");
    type(EVALUATION, "Reflection:", "Went well");
    bind(EVALUATION, "Evaluation:", 1);
    bind(EVALUATION, "Lesson Not Taught:", 1);
    type(OBJECTIVE, "End Date:", shown(weekday(8)));
    type(OBJECTIVE, "Start Time:", "10:00");
    type(OBJECTIVE, "End Time:", "10:45");
    press(EVALUATION, "Edit");
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(questions(), 0u);
    EXPECT_EQ(lesson(30, "LessonName"), "Halves, kids' way");
    EXPECT_EQ(lesson(30, "LessonDev"), "Fold, cut\\101");
    EXPECT_EQ(lesson(30, "LessonReflect || LessonEval || LessonAssess || LessonNotTaught"), "Went well101");
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), weekday(7) + " " + weekday(8));
    EXPECT_EQ(lesson(30, "TimeStart || ' ' || TimeEnd"), "10:00:00.0000 10:45:00.0000");
    EXPECT_EQ(shownTab(), EVALUATION);
    EXPECT_EQ(text(DETAIL, "Development:"), "Fold, cut\\101");

    type(OBJECTIVE, "Start Date:", shown(weekday(9)));
    press(OBJECTIVE, "Edit");
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
    type(DETAIL, "Introduction:", "Changed intro");
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(questions(), 0u);
    EXPECT_EQ(lesson(30, "LessonIntro"), "Changed intro");
    // A new start time for a lesson within the last week: nothing asked.
    chooseLesson(31);
    type(OBJECTIVE, "Start Time:", "08:30");
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(questions(), 0u);
    EXPECT_EQ(lesson(31, "TimeStart"), "08:30:00.0000");
    // Ended ten days ago: asked even for texts; Yes abandons, No goes on.
    chooseLesson(32);
    type(DETAIL, "Introduction:", "Rewritten");
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(prompts.last().caption, retrospective);
    EXPECT_NE(prompts.last().text.find("Do you want to abandon this edit or delete?"), std::string::npos);
    EXPECT_EQ(lesson(32, "LessonIntro"), "intro");
    prompts.answers.push_back(false);
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(lesson(32, "LessonIntro"), "Rewritten");
    // A new start date further back: the stored dates are recent, so nothing is asked.
    chooseLesson(30);
    type(OBJECTIVE, "Start Date:", shown(day(-9)));
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(questions(), 2u);
    EXPECT_EQ(lesson(30, "DateStart"), day(-9));
    // Now stored nine days back and moved again: asked.
    chooseLesson(30);
    type(OBJECTIVE, "Start Date:", shown(day(-8)));
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Edit");
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
    press(OBJECTIVE, "Delete");
    EXPECT_EQ(prompts.last().caption, retrospective);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 30"), 1);
    prompts.answers.push_back(false);  // go on
    prompts.answers.push_back(true);   // delete it
    press(OBJECTIVE, "Delete");
    EXPECT_EQ(prompts.last().caption, "Confirm delete lesson");
    EXPECT_EQ(prompts.last().text, "Do you want to delete this lesson?");
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 30"), 0);
    EXPECT_TRUE(items("Day or Date").empty());

    // Lessons of an imported unit: no questions about their dates.
    prompts.clear();
    chooseUnit(21);
    chooseLesson(31);
    type(OBJECTIVE, "Name:", "Reused");
    type(OBJECTIVE, "Start Date:", shown(day(5)));
    type(OBJECTIVE, "End Date:", shown(day(5)));
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(questions(), 0u);
    EXPECT_EQ(lesson(31, "LessonName || ' ' || DateStart"), "Reused " + day(5));
    prompts.answers.push_back(false);  // keep it after all
    press(OBJECTIVE, "Delete");
    EXPECT_EQ(prompts.last().caption, "Confirm delete lesson");
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 31"), 1);
}

TEST_F(Lessons, DayWeekUpAndDownChangeOnlyTheShownFields) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7), "09:00", "09:50");
    show(30);
    type(OBJECTIVE, "Start Date:", "31/12/14");
    type(OBJECTIVE, "End Date:", "31/12/14");
    press(OBJECTIVE, "+Day");
    EXPECT_EQ(text(OBJECTIVE, "Start Date:"), "01/01/15");
    EXPECT_EQ(text(OBJECTIVE, "End Date:"), "01/01/15");
    press(OBJECTIVE, "+Week");
    EXPECT_EQ(text(OBJECTIVE, "Start Date:"), "08/01/15");
    press(OBJECTIVE, "Up");
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "08:45");
    EXPECT_EQ(text(OBJECTIVE, "End Time:"), "09:35");
    press(OBJECTIVE, "Down");
    press(OBJECTIVE, "Down");
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "09:15");
    EXPECT_EQ(text(OBJECTIVE, "End Date:"), "08/01/15");
    appState.americanDate = 1;
    type(OBJECTIVE, "Start Date:", "12/31/14");
    type(OBJECTIVE, "End Date:", "12/31/14");
    press(OBJECTIVE, "+Day");
    EXPECT_EQ(text(OBJECTIVE, "Start Date:"), "01/01/15");
    appState.americanDate = 0;
    EXPECT_EQ(lesson(30, "DateStart || ' ' || TimeStart"), weekday(7) + " 09:00:00.0000");

    type(OBJECTIVE, "Start Date:", "");
    press(OBJECTIVE, "+Day");
    EXPECT_EQ(errors().back(), "Empty Dates|Cannot have empty start date.");
    type(OBJECTIVE, "Start Date:", "1/1/15");
    type(OBJECTIVE, "End Date:", " ");
    press(OBJECTIVE, "Up");
    EXPECT_EQ(errors().back(), "Empty Dates|Cannot have empty end date.");
    type(OBJECTIVE, "End Date:", "45/1/15");
    press(OBJECTIVE, "+Week");
    EXPECT_EQ(errors().back(),
              "Empty Dates|End Date \"45/1/15\" is not a date: there is no day 45.\n\n"
              "Type dates day first, as DD/MM/YY (for example " +
                  shown(day(0)) + ").");
}

TEST_F(Lessons, BumpTakesTheNextLessonsSlot) {
    addLesson(30, 20, "First", weekday(7), weekday(7), "09:00", "09:50");
    addLesson(31, 20, "Second", weekday(8), weekday(9), "10:15", "11:00");
    show(30);
    press(OBJECTIVE, "Bump");
    EXPECT_EQ(text(OBJECTIVE, "Start Date:"), shown(weekday(8)));
    EXPECT_EQ(text(OBJECTIVE, "End Date:"), shown(weekday(9)));
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "10:15");
    EXPECT_EQ(text(OBJECTIVE, "End Time:"), "11:00");
    EXPECT_EQ(lesson(30, "DateStart"), weekday(7));
    // The bumped fields are not stored: leaving the lesson asks.
    prompts.clear();
    prompts.picks.push_back("Discard");
    chooseLesson(31);
    EXPECT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(lesson(30, "DateStart"), weekday(7));
    // The last lesson has nothing after it.
    type(OBJECTIVE, "Start Time:", "12:00");
    press(OBJECTIVE, "Bump");
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "12:00");
    EXPECT_EQ(text(OBJECTIVE, "Start Date:"), shown(weekday(8)));
    EXPECT_TRUE(errors().empty());
}

TEST_F(Lessons, ShoveByOneSkipsTheWeekend) {
    addLesson(29, 20, "Before", weekday(7), weekday(7), "09:00", "09:50");
    addLesson(30, 20, "Shoved", weekday(10), weekday(11), "09:00", "09:50");  // Thursday to Friday
    addLesson(31, 20, "Later", weekday(17), weekday(18), "10:00", "10:50");   // Thursday to Friday
    show(30);
    bind(OBJECTIVE, "Shove Days:", 1);
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    EXPECT_EQ(prompts.last().caption, "Confirm shove lessons");
    EXPECT_EQ(prompts.last().text,
              "Do you want to shove the lesson \"Shoved\" and \nall subsequent lessons in the unit \"Fractions\" "
              "forward by 1 day?");
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), weekday(10) + " " + weekday(14));
    EXPECT_EQ(lesson(31, "DateStart || ' ' || DateEnd"), weekday(18) + " " + weekday(21));
    EXPECT_EQ(lesson(29, "DateStart || ' ' || DateEnd"), weekday(7) + " " + weekday(7));
    EXPECT_EQ(text(OBJECTIVE, "End Date:"), shown(weekday(14)));
    EXPECT_EQ(value("Select PlanEnd from LongTerm where Id = 10"), weekday(40));  // still long enough
    EXPECT_TRUE(errors().empty());
}

TEST_F(Lessons, ShoveByThreeIsThreeSteps) {
    addLesson(30, 20, "Shoved", weekday(7), weekday(9), "09:00", "09:50");   // Monday to Wednesday
    addLesson(31, 20, "Later", weekday(10), weekday(11), "10:00", "10:50");  // Thursday to Friday
    show(30);
    bind(OBJECTIVE, "Shove Days:", 3);
    prompts.answers.push_back(false);
    press(OBJECTIVE, "Shove");
    EXPECT_NE(prompts.last().text.find("forward by 3 days?"), std::string::npos);
    EXPECT_EQ(lesson(30, "DateEnd"), weekday(9));  // No: nothing stored
    EXPECT_EQ(lesson(31, "DateStart"), weekday(10));
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    // Wednesday -> Thursday -> Friday -> (Saturday) Monday.
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), weekday(7) + " " + weekday(14));
    // Thursday-Friday -> Friday-Monday -> Monday-Tuesday -> Tuesday-Wednesday.
    EXPECT_EQ(lesson(31, "DateStart || ' ' || DateEnd"), weekday(15) + " " + weekday(16));
}

// A holiday on the Monday after and a teacher-only Wednesday and Thursday
// the week after: a day that lands on one goes on to the next teaching day.
TEST_F(Lessons, ShovePassesByNonTeachingDays) {
    sql("insert into NonTeachingDay (FirstDay, LastDay, Name) values ('" + weekday(14) + "', '" + weekday(14) +
        "', 'Holiday');"
        "insert into NonTeachingDay (FirstDay, LastDay, Name) values ('" +
        weekday(16) + "', '" + weekday(17) + "', 'Teacher only');");
    addLesson(30, 20, "Shoved", weekday(10), weekday(11), "09:00", "09:50");  // Thursday to Friday
    addLesson(31, 20, "Later", weekday(15), weekday(15), "10:00", "10:50");   // Tuesday
    show(30);
    bind(OBJECTIVE, "Shove Days:", 1);
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    // Friday -> (Saturday, Monday the holiday) Tuesday.
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), weekday(10) + " " + weekday(15));
    // Tuesday -> (Wednesday, Thursday closed) Friday.
    EXPECT_EQ(lesson(31, "DateStart || ' ' || DateEnd"), weekday(18) + " " + weekday(18));
    EXPECT_EQ(text(OBJECTIVE, "End Date:"), shown(weekday(15)));

    // Two more steps: each lands past the closed days.
    bind(OBJECTIVE, "Shove Days:", 2);
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    // Tuesday -> (Wednesday, Thursday) Friday -> Monday.
    EXPECT_EQ(lesson(30, "DateEnd"), weekday(21));
    // Friday -> Monday -> Tuesday.
    EXPECT_EQ(lesson(31, "DateStart || ' ' || DateEnd"), weekday(22) + " " + weekday(22));
    EXPECT_TRUE(errors().empty());
}

TEST_F(Lessons, ShoveExtendsAnOwnPlanAndReportsASyndicatePlan) {
    sql("update LongTerm set PlanEnd = '" + weekday(11) + "' where Id = 10;");
    addLesson(30, 20, "Shoved", weekday(10), weekday(11), "09:00", "09:50");
    show(30);
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    EXPECT_EQ(value("Select PlanEnd from LongTerm where Id = 10"), weekday(14));
    EXPECT_EQ(prompts.count("information"), 0u);

    // The same for a syndicate-wide plan: reported, not changed.
    sql("update LongTerm set PlanEnd = '" + weekday(14) + "', FKSyndicate = 1 where Id = 10;");
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    EXPECT_EQ(lesson(30, "DateEnd"), weekday(15));
    EXPECT_EQ(value("Select PlanEnd from LongTerm where Id = 10"), weekday(14));
    EXPECT_EQ(prompts.last().kind, "information");
    EXPECT_EQ(prompts.last().caption, "Syndicate Wide Plan Exceeded");
    EXPECT_EQ(prompts.last().text, "Your unit plan has overrun your syndicate wide Long Term Plan.");
}

// The first lesson of a unit: nothing to copy, so nothing is asked, and the
// texts typed for it are stored.
TEST_F(Lessons, TheFirstLessonOfAUnitIsAddedWithoutAQuestion) {
    open();
    choosePlan(10);
    chooseUnit(20);
    type(OBJECTIVE, "Name:", "Halves");
    type(OBJECTIVE, "Essential Skills:", "Sharing");
    type(OBJECTIVE, "Start Date:", shown(weekday(7)));
    type(OBJECTIVE, "End Date:", shown(weekday(7)));
    press(OBJECTIVE, "Add");
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    EXPECT_EQ(value("Select LessonES from LessonPlan where LessonName = 'Halves'"), "Sharing");
}

// Typed changes not stored: choosing another lesson or unit, Close and the
// end of the program ask first, naming the lesson; Cancel stays, Discard
// goes on, Store stores and goes on.
TEST_F(Lessons, UnstoredChangesAreAskedAboutBeforeTheyAreLost) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    addLesson(31, 20, "Quarters", weekday(8), weekday(8));
    show(30);
    type(OBJECTIVE, "Essential Skills:", "Typed, not stored");
    chooseLesson(31);  // Cancel: none scripted
    ASSERT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(prompts.last().caption, "Unstored Changes");
    EXPECT_EQ(prompts.last().text, "Store the changes to lesson \"Halves\"?");
    EXPECT_EQ(prompts.last().buttons, (std::vector<std::string>{"Store", "Discard", "Cancel"}));
    EXPECT_EQ(dialog->currentLesson(), 30);
    EXPECT_EQ(currentText("Lesson Plan"), "Halves");
    EXPECT_EQ(text(OBJECTIVE, "Essential Skills:"), "Typed, not stored");

    // Close and the program's end ask the same; Cancel keeps the editor.
    prompts.clear();
    press(OBJECTIVE, "Close");
    EXPECT_EQ(prompts.count("choice"), 1u);
    EXPECT_TRUE(dialog->shown());
    EXPECT_FALSE(UnitPlanDialog::settleAll(app()));

    prompts.clear();
    prompts.picks.push_back("Discard");
    chooseLesson(31);
    EXPECT_EQ(dialog->currentLesson(), 31);
    EXPECT_EQ(lesson(30, "LessonES"), "es");

    chooseLesson(30);
    type(OBJECTIVE, "Essential Skills:", "Typed and stored");
    prompts.clear();
    prompts.picks.push_back("Store");
    chooseLesson(31);
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(30, "LessonES"), "Typed and stored");
    EXPECT_EQ(dialog->currentLesson(), 31);

    // Nothing typed: nothing asked.
    prompts.clear();
    chooseLesson(30);
    EXPECT_EQ(prompts.count("choice"), 0u);
    EXPECT_TRUE(UnitPlanDialog::settleAll(app()));

    // +Day changes only the fields: Close asks, and Store moves the lesson.
    press(OBJECTIVE, "+Day");
    prompts.clear();
    prompts.picks.push_back("Store");
    press(OBJECTIVE, "Close");
    ASSERT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(prompts.last().text, "Store the changes to lesson \"Halves\"?");
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(30, "DateStart"), weekday(8));
    EXPECT_EQ(lesson(30, "DateEnd"), weekday(8));
    show(30);

    // A unit's name typed, another plan chosen: asked about the unit.
    addLongTerm(11, "Shapes", weekday(-21), weekday(40));
    close();
    show(30);
    type(UNIT, "Name:", "Fractions renamed");
    prompts.clear();
    choosePlan(11);
    ASSERT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(prompts.last().text, "Store the changes to unit plan \"Fractions\"?");
    EXPECT_EQ(currentText("Long Term Plan"), "Number");
}

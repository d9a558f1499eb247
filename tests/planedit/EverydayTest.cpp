// Faults a teacher met in everyday use, each through the dialog's handlers
// against the real database: Shove and Bump on the wrong unit, a routine
// day wiped by an unsaved radio, persistent plans that could not be added,
// a stale Subject box, raw texts instead of plain words, and typed values
// that reached the database unchecked.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "data/AppState.h"
#include "planedit/PlanEditTest.h"

using namespace FX;
using namespace planedit;

namespace {

class Everyday : public PlanEdit {
protected:
    void SetUp() override {
        PlanEdit::SetUp();
        addLongTerm(10, "Number", weekday(-21), weekday(40));
        addUnit(20, 10, "Fractions");
        addUnit(21, 10, "Angles");
        addLesson(30, 20, "Halves", weekday(7), weekday(8), "09:00", "09:50");
        addLesson(31, 20, "Quarters", weekday(9), weekday(10), "09:00", "09:50");
        addLesson(40, 21, "Right angles", weekday(14), weekday(15), "10:00", "10:50");
    }
    std::string lesson(int id, const std::string& columns) {
        return value("Select " + columns + " from LessonPlan where Id = " + std::to_string(id));
    }
    std::string allLessonDates() {
        return value(
            "Select List(Id || ':' || DateStart || '/' || DateEnd, ' ') from "
            "(Select Id, DateStart, DateEnd from LessonPlan Order By Id)");
    }
    void showLesson(int unit, int id) {
        if (!dialog) open();
        choosePlan(10);
        chooseUnit(unit);
        chooseLesson(id);
    }
    bool saidRaw() {
        for (const auto& p : prompts.prompts)
            if (p.text.find("Recordset is empty") != std::string::npos ||
                p.text.find("IsectRecordset::") != std::string::npos ||
                p.text.find("conversion error") != std::string::npos || p.text.find("truncation") != std::string::npos)
                return true;
        return false;
    }
};

}  // namespace

// ---------------------------------------------------------------- Shove and Bump

TEST_F(Everyday, ShoveAndBumpActOnlyOnALessonOfTheUnitShown) {
    showLesson(20, 30);
    const std::string before = allLessonDates();
    // Another unit chosen: the lesson of the first is no longer current.
    chooseUnit(21);
    EXPECT_EQ(dialog->currentLesson(), 0);
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    EXPECT_EQ(prompts.count("question"), 0u);
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().back().substr(0, errors().back().find('|')), "Shove Lessons");
    EXPECT_NE(errors().back().find("Choose a lesson of the unit shown"), std::string::npos);
    press(OBJECTIVE, "Bump");
    EXPECT_EQ(errors().back().substr(0, errors().back().find('|')), "Bump Lesson");
    EXPECT_EQ(allLessonDates(), before);

    // Another long-term plan chosen: the same.
    showLesson(20, 30);
    choosePlan(10);
    EXPECT_EQ(dialog->currentLesson(), 0);
    prompts.clear();
    press(OBJECTIVE, "Shove");
    EXPECT_EQ(prompts.count("question"), 0u);
    EXPECT_EQ(allLessonDates(), before);

    prompts.answers.clear();
    // The question names the lesson and the unit; No changes neither the
    // database nor the shown end date.
    showLesson(20, 30);
    const std::string shownEnd = text(OBJECTIVE, "End Date:");
    prompts.clear();
    bind(OBJECTIVE, "Shove Days:", 2);
    press(OBJECTIVE, "Shove");
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_EQ(prompts.last().text,
              "Do you want to shove the lesson \"Halves\" and \nall subsequent lessons in the "
              "unit \"Fractions\" forward by 2 days?");
    EXPECT_EQ(allLessonDates(), before);
    EXPECT_EQ(text(OBJECTIVE, "End Date:"), shownEnd);
    EXPECT_FALSE(saidRaw());
}

TEST_F(Everyday, ShoveAfterADeleteSaysWhatToDo) {
    showLesson(20, 31);
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Delete");
    ASSERT_EQ(count("Select Count(*) from LessonPlan where Id = 31"), 0);
    prompts.clear();
    press(OBJECTIVE, "Shove");
    press(OBJECTIVE, "Bump");
    ASSERT_EQ(errors().size(), 2u);
    EXPECT_NE(errors()[0].find("Choose a lesson of the unit shown"), std::string::npos) << errors()[0];
    EXPECT_FALSE(saidRaw());

    // A lesson deleted by someone else while it is shown.
    chooseLesson(30);
    sql("delete from LessonPlan where Id = 30;");
    prompts.clear();
    press(OBJECTIVE, "Shove");
    press(OBJECTIVE, "Bump");
    ASSERT_EQ(errors().size(), 2u);
    for (const std::string& e : errors())
        EXPECT_NE(e.find("This Lesson plan is no longer in the database"), std::string::npos) << e;
    EXPECT_FALSE(saidRaw());
}

TEST_F(Everyday, AShoveShowsTheNewStartsInTheDayList) {
    showLesson(20, 30);
    bind(OBJECTIVE, "Shove Days:", 1);
    prompts.answers.push_back(true);
    const std::string typedName = "Halves, still typing";
    type(OBJECTIVE, "Name:", typedName);
    press(OBJECTIVE, "Shove");
    ASSERT_TRUE(errors().empty()) << errors().back();
    const std::string later = lesson(31, "DateStart");
    EXPECT_EQ(items("Day or Date")[lists::findItem(list("Day or Date"), 31)], shown(later));
    // What the teacher was typing stays.
    EXPECT_EQ(text(OBJECTIVE, "Name:"), typedName);
}

// ---------------------------------------------------------------- routine day

TEST_F(Everyday, AnUnsavedUnitTypeRadioLeavesTheRoutineDay) {
    addUnit(22, 10, "Fitness", 2);
    addLesson(50, 22, "Run", weekday(-21), weekday(40), "13:30", "13:45", 4);
    showLesson(22, 50);
    ASSERT_EQ(currentEntry(OBJECTIVE, "Day:"), 3);
    // The teacher clicks "Unit Plan" on the unit tab and does not save it.
    choose(UNIT, "Lesson Type:", "Unit Plan");
    refresh();
    EXPECT_EQ(panel(), "Routine Lesson");  // still the routine panel
    type(DETAIL, "Introduction:", "Warm up first");
    press(OBJECTIVE, "Edit");
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(50, "RoutineDay || ' ' || LessonIntro"), "4 Warm up first");
    EXPECT_EQ(value("Select UnitType from UnitPlan where Id = 22"), "2");
    // A new lesson of the unit gets the day chosen, too.
    type(OBJECTIVE, "Name:", "Skip");
    pick(OBJECTIVE, "Day:", 1);
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Add");
    EXPECT_EQ(value("Select RoutineDay from LessonPlan where LessonName = 'Skip'"), "2");
}

// ---------------------------------------------------------------- persistent plans

TEST_F(Everyday, APersistentPlanNeedsNoDates) {
    open();
    type(LONGTERM, "Name:", "Classroom routines");
    type(LONGTERM, "Start Date:", "");
    type(LONGTERM, "End Date:", "");
    check(LONGTERM, "Ignore Start and End Dates");
    press(LONGTERM, "Add");
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(value("Select Persistant || ' ' || Coalesce(PlanStart, 'none') || ' ' || Coalesce(PlanEnd, 'none') "
                    "from LongTerm where PlanName = 'Classroom routines'"),
              "1 none none");
    const int id = std::stoi(value("Select Id from LongTerm where PlanName = 'Classroom routines'"));
    const int index = lists::findItem(list("Long Term Plan"), id);
    ASSERT_GE(index, 0);
    EXPECT_EQ(icons("Long Term Plan")[index], "persistent");
    // Shown with empty dates, not "None"; an edit keeps it without dates.
    EXPECT_EQ(text(LONGTERM, "Start Date:"), "");
    EXPECT_EQ(text(LONGTERM, "End Date:"), "");
    type(LONGTERM, "Description:", "Every day");
    press(LONGTERM, "Edit");
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(
        value("Select Description || ' ' || Coalesce(PlanEnd, 'none') from LongTerm where Id = " + std::to_string(id)),
        "Every day none");
    // Dates typed for a persistent plan are still checked and kept.
    type(LONGTERM, "Start Date:", "31/2/26");
    press(LONGTERM, "Edit");
    EXPECT_NE(errors().back().find("Start Date \"31/2/26\" is not a date: February 2026 has only 28 days."),
              std::string::npos)
        << errors().back();
    // Without the flag the dates are needed.
    prompts.clear();
    check(LONGTERM, "Ignore Start and End Dates", false);
    type(LONGTERM, "Name:", "Dated plan");
    type(LONGTERM, "Start Date:", "");
    press(LONGTERM, "Add");
    ASSERT_FALSE(errors().empty());
    EXPECT_NE(errors().back().find("Start Date is empty."), std::string::npos);
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'Dated plan'"), 0);

    // A unit of a plan without an end date can be shoved: there is nothing to stretch.
    addUnit(25, id, "Morning", 1);
    addLesson(55, 25, "Roll", weekday(7), weekday(7), "08:45", "09:00");
    close();
    open();
    prompts.clear();
    choosePlan(id);
    chooseUnit(25);
    chooseLesson(55);
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(55, "DateEnd"), weekday(8));
    EXPECT_EQ(value("Select Coalesce(PlanEnd, 'none') from LongTerm where Id = " + std::to_string(id)), "none");
}

// ---------------------------------------------------------------- the Subject box

TEST_F(Everyday, TheSubjectBoxFollowsTheSubjectsTab) {
    loginAs(LEADER, LEADER);
    addLongTerm(11, "Leader plan", weekday(-21), weekday(40), LEADER, 0, READING);
    open();
    auto subjects = [&] { return entries(LONGTERM, "Subject:"); };
    type(SUBJECTS, "Subject Description", "Music");
    press(SUBJECTS, "Add");
    EXPECT_EQ(subjects(), (std::vector<std::string>{"Maths", "Reading", "Science", "Music"}));
    // Renamed: the box shows the new name.
    click("Subject Description", 2);
    setCurrent("Subject Description", 2, true);
    type(SUBJECTS, "Subject Description", "Science and nature");
    press(SUBJECTS, "Edit");
    EXPECT_EQ(subjects(), (std::vector<std::string>{"Maths", "Reading", "Science and nature", "Music"}));
    // Retired while the box shows it: gone from the box, and no plan can be made on it.
    pick(LONGTERM, "Subject:", 2);
    prompts.answers.push_back(true);
    press(SUBJECTS, "Retire");
    EXPECT_EQ(subjects(), (std::vector<std::string>{"Maths", "Reading", "Music"}));
    EXPECT_EQ(currentEntry(LONGTERM, "Subject:"), -1);
    type(LONGTERM, "Name:", "On a retired subject");
    type(LONGTERM, "Start Date:", shown(weekday(0)));
    type(LONGTERM, "End Date:", shown(weekday(5)));
    press(LONGTERM, "Add");
    EXPECT_NE(errors().back().find("Choose a Subject for the plan."), std::string::npos) << errors().back();
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'On a retired subject'"), 0);
    // A subject the box showed and that is still current stays shown.
    pick(LONGTERM, "Subject:", 1);
    type(SUBJECTS, "Subject Description", "Drama");
    press(SUBJECTS, "Add");
    EXPECT_EQ(text(LONGTERM, "Subject:"), "Reading");
}

// ---------------------------------------------------------------- plain words

TEST_F(Everyday, BeforeTheFirstTermThePlanEditorSaysWhatIsMissing) {
    addLongTerm(12, "Always", "2001-01-01", "2001-02-01", TEACHER, 1);
    sql("delete from TermDate;");
    open();
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().front().substr(0, errors().front().find('|')), "No School Term");
    EXPECT_NE(errors().front().find("Add the school terms in School Setup"), std::string::npos);
    // The persistent plan is there all the same.
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Always"});
    close();

    loginAs(LEADER, LEADER);
    open();
    prompts.clear();
    type(SUBJECTS, "Subject Description", "Music");
    press(SUBJECTS, "Add");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_NE(errors().back().find("No school term has begun"), std::string::npos) << errors().back();
    EXPECT_FALSE(saidRaw());
    EXPECT_EQ(count("Select Count(*) from Subject where Description = 'Music'"), 0);
}

TEST_F(Everyday, APlanOrUnitDeletedElsewhereIsReportedInPlainWords) {
    showLesson(20, 30);
    sql("delete from LessonPlan where Id = 30;");
    type(OBJECTIVE, "Name:", "Typed");
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(errors().back().find("Database Error|Lesson plan \""), 0u) << errors().back();
    EXPECT_NE(errors().back().find("\" was deleted after you opened it"), std::string::npos);
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Typed");
    sql("delete from UnitPlan where Id = 20;");
    press(UNIT, "Edit");
    EXPECT_EQ(errors().back().find("Database Error|Unit plan \"Fractions\" was deleted after you opened it"), 0u)
        << errors().back();
    sql("delete from LongTerm where Id = 10;");
    press(LONGTERM, "Edit");
    EXPECT_EQ(errors().back().find("Database Error|Long term plan \""), 0u) << errors().back();
    EXPECT_NE(errors().back().find("\" was deleted after you opened it"), std::string::npos);
    // Opening the dialog on a lesson that is gone.
    close();
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    prompts.clear();
    openTimed(0, 31);
    EXPECT_TRUE(runUntil([&] { return !prompts.prompts.empty() || list("Lesson Plan")->getNumItems() > 0; }));
    settle();
    EXPECT_FALSE(saidRaw());
}

// ---------------------------------------------------------------- typed values

TEST_F(Everyday, TypedDatesAreCheckedBeforeTheyAreSent) {
    appState.americanDate = 1;
    showLesson(20, 30);
    const std::string stored = lesson(30, "DateStart || ' ' || DateEnd");
    struct Case {
        const char* typed;
        const char* problem;
    } cases[] = {
        {"2/30/26", "Start Date \"2/30/26\" is not a date: February 2026 has only 28 days."},
        {"12/8", "Start Date \"12/8\" is not a date: the year is missing."},
        {"18/12/26", "Start Date \"18/12/26\" is not a date: there is no month 18 (the month comes first)."},
    };
    for (const Case& c : cases) {
        prompts.clear();
        type(OBJECTIVE, "Start Date:", c.typed);
        press(OBJECTIVE, "Edit");
        ASSERT_EQ(errors().size(), 1u) << c.typed;
        EXPECT_NE(errors().back().find(c.problem), std::string::npos) << errors().back();
        EXPECT_NE(errors().back().find("Type dates month first, as MM/DD/YY"), std::string::npos);
        EXPECT_EQ(prompts.count("question"), 0u);
        EXPECT_EQ(text(OBJECTIVE, "Start Date:"), c.typed);  // the typed text stays
        type(OBJECTIVE, "Name:", "A copy");
        press(OBJECTIVE, "Add");
        EXPECT_EQ(prompts.count("question"), 0u) << "asked before the date was checked";
        EXPECT_EQ(count("Select Count(*) from LessonPlan where LessonName = 'A copy'"), 0);
        type(OBJECTIVE, "Name:", "Halves");
    }
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), stored);
    EXPECT_FALSE(saidRaw());

    // On the long-term tab too.
    prompts.clear();
    choosePlan(10);
    type(LONGTERM, "End Date:", "2/30/26");
    press(LONGTERM, "Edit");
    EXPECT_NE(errors().back().find("End Date \"2/30/26\" is not a date"), std::string::npos) << errors().back();
    EXPECT_EQ(value("Select PlanEnd from LongTerm where Id = 10"), weekday(40));
}

TEST_F(Everyday, TypedTimesAreCheckedAndABlankTimeIsNoTime) {
    showLesson(20, 30);
    for (const char* bad : {"9", "25:00", "abc"}) {
        prompts.clear();
        type(OBJECTIVE, "Start Time:", bad);
        press(OBJECTIVE, "Edit");
        ASSERT_EQ(errors().size(), 1u) << bad;
        EXPECT_NE(errors().back().find(std::string("Start Time \"") + bad + "\" is not a time of day"),
                  std::string::npos)
            << errors().back();
        EXPECT_EQ(text(OBJECTIVE, "Start Time:"), bad);
        press(OBJECTIVE, "Up");
        EXPECT_EQ(errors().back().substr(0, 12), "Empty Dates|");
        EXPECT_EQ(text(OBJECTIVE, "Start Time:"), bad);
    }
    EXPECT_EQ(lesson(30, "TimeStart"), "09:00:00.0000");
    EXPECT_FALSE(saidRaw());

    // "9:05" is stored as 09:05; a blank time as no time, shown blank.
    prompts.clear();
    type(OBJECTIVE, "Start Time:", "9:05");
    type(OBJECTIVE, "End Time:", "");
    press(OBJECTIVE, "Edit");
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(30, "TimeStart || ' ' || Coalesce(TimeEnd, 'none')"), "09:05:00.0000 none");
    chooseLesson(31);
    chooseLesson(30);
    EXPECT_EQ(text(OBJECTIVE, "End Time:"), "");
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "09:05");
    // Add treats times as Edit does.
    type(OBJECTIVE, "Name:", "No times");
    type(OBJECTIVE, "Start Time:", " ");
    prompts.answers.push_back(false);
    press(OBJECTIVE, "Add");
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(value("Select Coalesce(TimeStart, 'none') || ' ' || Coalesce(TimeEnd, 'none') from LessonPlan "
                    "where LessonName = 'No times'"),
              "none none");
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "");
    EXPECT_EQ(text(OBJECTIVE, "End Time:"), "");
    // Bump takes a blank time as blank.
    chooseLesson(30);
    sql("update LessonPlan set TimeStart = NULL where Id = 31;");
    press(OBJECTIVE, "Bump");
    EXPECT_EQ(text(OBJECTIVE, "Start Time:"), "");
}

TEST_F(Everyday, TextsLongerThanTheirColumnsAreRefusedSayingByHowMuch) {
    showLesson(20, 30);
    // 4300 characters, of which 82 commas: 4546 as stored.
    const std::string resources = std::string(4218, 'r') + std::string(82, ',');
    type(EVALUATION, "Resources:", resources);
    press(OBJECTIVE, "Edit");
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().back(),
              "Database Error|Resources is 146 characters too long: it holds 4400 characters, and "
              "each ' , or \\ in it takes four of them.");
    EXPECT_EQ(text(EVALUATION, "Resources:"), resources);
    EXPECT_EQ(lesson(30, "LessonResource"), "resource");
    // 4300 plain characters fit.
    const std::string plain(4300, 'p');
    type(EVALUATION, "Resources:", plain);
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(lesson(30, "LessonResource"), plain);

    const std::string name = std::string(133, 'n') + "'s work";  // 140 typed, 143 stored
    type(OBJECTIVE, "Name:", name);
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(errors().back(),
              "Database Error|Name is 3 characters too long: it holds 140 characters, and each ' , "
              "or \\ in it takes four of them.");
    type(OBJECTIVE, "Name:", "Halves");

    type(UNIT, "Name:", std::string(141, 'u'));
    press(UNIT, "Add");
    EXPECT_EQ(errors().back(), "Database Error|Name is 1 character too long: it holds 140 characters.");
    type(UNIT, "Description:", std::string(4401, 'd'));
    type(UNIT, "Name:", "Fractions");
    press(UNIT, "Edit");
    EXPECT_EQ(errors().back(), "Database Error|Description is 1 character too long: it holds 4400 characters.");
    EXPECT_EQ(value("Select UnitDescription from UnitPlan where Id = 20"), "Unit Fractions");

    choosePlan(10);
    type(LONGTERM, "Name:", std::string(150, 'l'));
    press(LONGTERM, "Edit");
    EXPECT_EQ(errors().back(), "Database Error|Name is 10 characters too long: it holds 140 characters.");
    EXPECT_EQ(value("Select PlanName from LongTerm where Id = 10"), "Number");
    EXPECT_FALSE(saidRaw());
}

// ---------------------------------------------------------------- a row held by another teacher

namespace {

// Another teacher's open change: isql updates a lesson and keeps its
// transaction open until release() (then rolls it back).
class HeldRow {
public:
    HeldRow(const std::string& update) {
        release_ = services().dir() + "/release-held-row";
        unlink(release_.c_str());
        // isql ends a command at its first ";", so the waiting is a script of its own.
        const std::string wait = services().dir() + "/hold-wait.sh";
        std::ofstream(wait) << "while [ ! -e " << testsupport::shellQuote(release_) << " ]; do sleep 0.1; done\n";
        const std::string script = services().dir() + "/hold.sql";
        std::ofstream(script) << "set transaction wait;\n"
                              << update << "\n"
                              << "shell sh " << testsupport::shellQuote(wait) << ";\n"
                              << "rollback;\n";
        const std::string command = testsupport::firebirdEnv(services().workdir() + "/services/firebird") +
                                    "exec isql-fb -q -user SYSDBA -password masterkey -i " +
                                    testsupport::shellQuote(script) + " " +
                                    testsupport::shellQuote(services().database()) + " >/dev/null 2>&1";
        pid_ = fork();
        if (pid_ == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), (char*)nullptr);
            _exit(127);
        }
    }
    ~HeldRow() { release(); }
    // True once the row is held (a no-wait update of it fails).
    bool held(const std::string& probe) {
        const std::string out = services().isql("set transaction no wait;\n" + probe + "\nrollback;");
        return out.find("lock conflict") != std::string::npos || out.find("deadlock") != std::string::npos;
    }
    void release() {
        if (pid_ <= 0) return;
        std::ofstream(release_) << "go\n";
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::string release_;
};

}  // namespace

TEST_F(Everyday, ARowHeldByAnotherTeacherIsReportedAndNothingTypedIsLost) {
    showLesson(20, 30);
    HeldRow other("update LessonPlan set LessonIntro = 'Someone else' where Id = 30;");
    bool held = false;
    for (int i = 0; i < 100 && !held; ++i) {
        held = other.held("update LessonPlan set LessonIntro = LessonIntro where Id = 30;");
        if (!held) usleep(100000);
    }
    ASSERT_TRUE(held) << "the other transaction did not take the row";

    type(DETAIL, "Introduction:", "My own introduction");
    press(OBJECTIVE, "Edit");  // waits a few seconds for the row, then gives up
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors().back(),
              "Someone Else Is Changing This|Someone else is changing this plan at the moment, so your change was "
              "not saved.\n\nEverything you typed is still here: try again in a moment.");
    EXPECT_EQ(text(DETAIL, "Introduction:"), "My own introduction");
    EXPECT_FALSE(saidRaw());

    // Shove waits the same bounded time for its rows.
    prompts.clear();
    prompts.answers.push_back(true);
    press(OBJECTIVE, "Shove");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors().back().substr(0, errors().back().find('|')), "Someone Else Is Changing This");
    EXPECT_EQ(lesson(30, "DateEnd"), weekday(8));

    // The other teacher is done: trying again goes through.
    other.release();
    prompts.clear();
    press(OBJECTIVE, "Edit");
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(30, "LessonIntro"), "My own introduction");
}

// ---------------------------------------------------------------- deleting a long-term plan

TEST_F(Everyday, DeletingALongTermPlanDeletesItsUnitsLessonsAndAttachments) {
    addLongTerm(11, "Other plan", weekday(-21), weekday(40));
    addUnit(26, 11, "Kept unit");
    addLesson(60, 26, "Kept lesson", weekday(7), weekday(7));
    sql("insert into BinaryDescription (Id, FileName, FileSize, Description, Ready) values (90, 'walls.png', 3, '', "
        "0);\n"
        "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (90, 90, 0, 'AAAA', "
        "20);\n"
        "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (91, 90, 1, 'BBBB', "
        "20);\n");
    open();
    choosePlan(10);
    prompts.answers.push_back(true);
    press(LONGTERM, "Delete");
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_EQ(prompts.last().text,
              "Do you want to delete this Long Term plan?\n\nIts 2 unit plans, with their lessons "
              "and file attachments, will be deleted too.");
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(count("Select Count(*) from LongTerm where Id = 10"), 0);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 10"), 0);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where FKUnitPlan in (20, 21)"), 0);
    EXPECT_EQ(count("Select Count(*) from UnitBinary"), 0);
    EXPECT_EQ(count("Select Count(*) from BinaryDescription"), 0);
    // The other plan keeps everything.
    EXPECT_EQ(value("Select LessonName from LessonPlan"), "Kept lesson");
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Other plan"});
}

TEST_F(Everyday, APlanHoldingOtherTeachersUnitsIsNotDeleted) {
    addLongTerm(12, "Syndicate maths", weekday(-21), weekday(40), LEADER);
    addUnit(27, 12, "Own unit");
    addUnit(28, 12, "Helper unit", 1, 0, OTHER);
    open();
    choosePlan(12);
    prompts.answers.push_back(true);
    press(LONGTERM, "Delete");
    EXPECT_EQ(prompts.count("question"), 0u);
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().back(),
              "Delete Long Term Plan|Other teachers have 1 unit plan in this Long Term plan, so it is "
              "not deleted: their units and lessons would go with it.\n\nAsk them to delete those "
              "unit plans first.");
    EXPECT_EQ(count("Select Count(*) from LongTerm where Id = 12"), 1);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 12"), 2);
}

TEST_F(Everyday, APlanChangedWhileTheDeleteQuestionIsOpenIsKept) {
    // Another teacher adds a unit to the syndicate-wide plan while Tia is asked.
    addLongTerm(12, "Syndicate maths", weekday(-21), weekday(40), LEADER);
    addUnit(27, 12, "Own unit");
    addLesson(61, 27, "Own lesson", weekday(7), weekday(7));
    open();
    choosePlan(12);
    prompts.answers.push_back(true);
    prompts.whileAsking = [&] {
        addUnit(28, 12, "Helper unit", 1, 0, OTHER);
        addLesson(62, 28, "Helper lesson", weekday(7), weekday(7));
    };
    auto question = [&] {
        for (auto p = prompts.prompts.rbegin(); p != prompts.prompts.rend(); ++p)
            if (p->kind == "question") return p->text;
        return std::string();
    };
    press(LONGTERM, "Delete");
    prompts.whileAsking = nullptr;
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_NE(question().find("Its 1 unit plan, with its lessons and file"), std::string::npos) << question();
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors().back(),
              "Delete Long Term Plan|This Long Term plan changed while you were asked: a unit plan "
              "was added to it or taken out of it, so nothing was deleted.\n\nChoose Delete again "
              "to see what it holds now.");
    EXPECT_EQ(count("Select Count(*) from LongTerm where Id = 12"), 1);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 12"), 2);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id in (61, 62)"), 2);
    EXPECT_EQ(items("Long Term Plan"), (std::vector<std::string>{"Number", "Syndicate maths"}));

    // Asked again, the question names the other teacher's unit and nothing goes.
    prompts.clear();
    press(LONGTERM, "Delete");
    EXPECT_EQ(prompts.count("question"), 0u);
    EXPECT_NE(errors().back().find("Other teachers have 1 unit plan"), std::string::npos) << errors().back();

    // A unit of her own added meanwhile (in another window) is not taken unasked either.
    prompts.clear();
    choosePlan(10);
    prompts.answers.push_back(true);
    prompts.whileAsking = [&] { addUnit(29, 10, "Added meanwhile"); };
    press(LONGTERM, "Delete");
    prompts.whileAsking = nullptr;
    EXPECT_NE(question().find("Its 2 unit plans"), std::string::npos) << question();
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 10"), 3);
    // Asked again with the three named, it goes.
    prompts.clear();
    prompts.answers.push_back(true);
    press(LONGTERM, "Delete");
    EXPECT_NE(question().find("Its 3 unit plans"), std::string::npos) << question();
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 10"), 0);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where FKUnitPlan in (20, 21)"), 0);
}

// The database's own rule, whoever sends the delete: a plan is deleted with
// the units of one teacher, never with those of two.
TEST_F(Everyday, TheDatabaseNeverDeletesTwoTeachersUnitsWithAPlan) {
    addLongTerm(12, "Syndicate maths", weekday(-21), weekday(40), LEADER);
    addUnit(27, 12, "Own unit");
    addUnit(28, 12, "Helper unit", 1, 0, OTHER);
    addLesson(62, 28, "Helper lesson", weekday(7), weekday(7));
    const std::string out = sql("delete from LongTerm where Id = 12;");
    EXPECT_NE(out.find("LONG_TERM_PLAN_SHARED"), std::string::npos) << out;
    EXPECT_EQ(count("Select Count(*) from LongTerm where Id = 12"), 1);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 12"), 2);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 62"), 1);
    // A unit without a teacher counts as someone else's.
    sql("delete from UnitPlan where Id = 28; update UnitPlan set FKTeacher = NULL where Id = 21;");
    EXPECT_NE(sql("delete from LongTerm where Id = 10;").find("LONG_TERM_PLAN_SHARED"), std::string::npos);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 10"), 2);
    // One teacher's units go with the plan, with their lessons.
    EXPECT_EQ(sql("delete from LongTerm where Id = 12;").find("LONG_TERM_PLAN_SHARED"), std::string::npos);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 12"), 0);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 30"), 1);
}

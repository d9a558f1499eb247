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
        return value("Select List(Id || ':' || DateStart || '/' || DateEnd, ' ') from "
                     "(Select Id, DateStart, DateEnd from LessonPlan Order By Id)");
    }
    void showLesson(int unit, int id) {
        if (!dialog) open();
        selectLongTerm(10);
        selectUnit(unit);
        selectLesson(id);
    }
    bool saidRaw() {
        for (const auto& p : prompts.prompts)
            if (p.text.find("Recordset is empty") != std::string::npos ||
                p.text.find("IsectRecordset::") != std::string::npos ||
                p.text.find("conversion error") != std::string::npos ||
                p.text.find("truncation") != std::string::npos)
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
    selectUnit(21);
    EXPECT_EQ(dialog->currentLessonId, 0);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_SHOVE);
    EXPECT_EQ(prompts.count("question"), 0u);
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().back().substr(0, errors().back().find('|')), "Shove Lessons");
    EXPECT_NE(errors().back().find("Choose a lesson of the unit shown"), std::string::npos);
    press(UnitPlanDialog::ID_BUMP);
    EXPECT_EQ(errors().back().substr(0, errors().back().find('|')), "Bump Lesson");
    EXPECT_EQ(allLessonDates(), before);

    // Another long-term plan chosen: the same.
    showLesson(20, 30);
    selectLongTerm(10);
    EXPECT_EQ(dialog->currentLessonId, 0);
    prompts.clear();
    press(UnitPlanDialog::ID_SHOVE);
    EXPECT_EQ(prompts.count("question"), 0u);
    EXPECT_EQ(allLessonDates(), before);

    prompts.answers.clear();
    // The question names the lesson and the unit; No changes neither the
    // database nor the shown end date.
    showLesson(20, 30);
    const FXString shownEnd = panel().endDate->getText();
    prompts.clear();
    dialog->shoveDays = 2;
    press(UnitPlanDialog::ID_SHOVE);
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_EQ(prompts.last().text, "Do you want to shove the lesson \"Halves\" and \nall subsequent lessons in the "
                                   "unit \"Fractions\" forward by 2 days?");
    EXPECT_EQ(allLessonDates(), before);
    EXPECT_EQ(panel().endDate->getText(), shownEnd);
    EXPECT_FALSE(saidRaw());
}

TEST_F(Everyday, ShoveAfterADeleteSaysWhatToDo) {
    showLesson(20, 31);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_DELETE_LESSON);
    ASSERT_EQ(count("Select Count(*) from LessonPlan where Id = 31"), 0);
    prompts.clear();
    press(UnitPlanDialog::ID_SHOVE);
    press(UnitPlanDialog::ID_BUMP);
    ASSERT_EQ(errors().size(), 2u);
    EXPECT_NE(errors()[0].find("Choose a lesson of the unit shown"), std::string::npos) << errors()[0];
    EXPECT_FALSE(saidRaw());

    // A lesson deleted by someone else while it is shown.
    selectLesson(30);
    sql("delete from LessonPlan where Id = 30;");
    prompts.clear();
    press(UnitPlanDialog::ID_SHOVE);
    press(UnitPlanDialog::ID_BUMP);
    ASSERT_EQ(errors().size(), 2u);
    for (const std::string& e : errors())
        EXPECT_NE(e.find("This Lesson plan is no longer in the database"), std::string::npos) << e;
    EXPECT_FALSE(saidRaw());
}

TEST_F(Everyday, AShoveShowsTheNewStartsInTheDayList) {
    showLesson(20, 30);
    dialog->shoveDays = 1;
    prompts.answers.push_back(true);
    const FXString typedName = "Halves, still typing";
    dialog->lessonName->setText(typedName);
    press(UnitPlanDialog::ID_SHOVE);
    ASSERT_TRUE(errors().empty()) << errors().back();
    const std::string later = lesson(31, "DateStart");
    EXPECT_EQ(dialog->dayList->getItemText(lists::findItem(dialog->dayList, 31)).text(), shown(later));
    // What the teacher was typing stays.
    EXPECT_EQ(dialog->lessonName->getText(), typedName);
}

// ---------------------------------------------------------------- routine day

TEST_F(Everyday, AnUnsavedUnitTypeRadioLeavesTheRoutineDay) {
    addUnit(22, 10, "Fitness", 2);
    addLesson(50, 22, "Run", weekday(-21), weekday(40), "13:30", "13:45", 4);
    showLesson(22, 50);
    ASSERT_EQ(dialog->routineDayCombo->getCurrentItem(), 3);
    // The teacher clicks "Unit Plan" on the unit tab and does not save it.
    dialog->unitTypeTarget.handle(dialog->unitTypeRadio[0], FXSEL(SEL_COMMAND, FXDataTarget::ID_OPTION + 1), nullptr);
    dialog->forceRefresh();
    EXPECT_EQ(dialog->timeSwitcher->getCurrent(), 1);  // still the routine panel
    dialog->lessonIntro->setText("Warm up first");
    press(UnitPlanDialog::ID_EDIT_LESSON);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(50, "RoutineDay || ' ' || LessonIntro"), "4 Warm up first");
    EXPECT_EQ(value("Select UnitType from UnitPlan where Id = 22"), "2");
    // A new lesson of the unit gets the day chosen, too.
    dialog->lessonName->setText("Skip");
    dialog->routineDayCombo->setCurrentItem(1);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_ADD_LESSON);
    EXPECT_EQ(value("Select RoutineDay from LessonPlan where LessonName = 'Skip'"), "2");
}

// ---------------------------------------------------------------- persistent plans

TEST_F(Everyday, APersistentPlanNeedsNoDates) {
    open();
    dialog->longTermName->setText("Classroom routines");
    dialog->longTermStart->setText("");
    dialog->longTermEnd->setText("");
    dialog->persistentCheck->setCheck(TRUE, TRUE);
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(value("Select Persistant || ' ' || Coalesce(PlanStart, 'none') || ' ' || Coalesce(PlanEnd, 'none') "
                    "from LongTerm where PlanName = 'Classroom routines'"),
              "1 none none");
    const int id = std::stoi(value("Select Id from LongTerm where PlanName = 'Classroom routines'"));
    const int index = lists::findItem(dialog->longTermList, id);
    ASSERT_GE(index, 0);
    EXPECT_EQ(dialog->longTermList->getItemIcon(index), dialog->persistentIcon);
    // Shown with empty dates, not "None"; an edit keeps it without dates.
    EXPECT_EQ(dialog->longTermStart->getText(), "");
    EXPECT_EQ(dialog->longTermEnd->getText(), "");
    dialog->longTermDescription->setText("Every day");
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(value("Select Description || ' ' || Coalesce(PlanEnd, 'none') from LongTerm where Id = " +
                    std::to_string(id)),
              "Every day none");
    // Dates typed for a persistent plan are still checked and kept.
    dialog->longTermStart->setText("31/2/26");
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
    EXPECT_NE(errors().back().find("Start Date \"31/2/26\" is not a date: February 2026 has only 28 days."),
              std::string::npos)
        << errors().back();
    // Without the flag the dates are needed.
    prompts.clear();
    dialog->persistentCheck->setCheck(FALSE, TRUE);
    dialog->longTermName->setText("Dated plan");
    dialog->longTermStart->setText("");
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    ASSERT_FALSE(errors().empty());
    EXPECT_NE(errors().back().find("Start Date is empty."), std::string::npos);
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'Dated plan'"), 0);

    // A unit of a plan without an end date can be shoved: there is nothing to stretch.
    addUnit(25, id, "Morning", 1);
    addLesson(55, 25, "Roll", weekday(7), weekday(7), "08:45", "09:00");
    delete dialog;
    dialog = nullptr;
    open();
    prompts.clear();
    selectLongTerm(id);
    selectUnit(25);
    selectLesson(55);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_SHOVE);
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(55, "DateEnd"), weekday(8));
    EXPECT_EQ(value("Select Coalesce(PlanEnd, 'none') from LongTerm where Id = " + std::to_string(id)), "none");
}

// ---------------------------------------------------------------- the Subject box

TEST_F(Everyday, TheSubjectBoxFollowsTheSubjectsTab) {
    loginAs(LEADER, LEADER);
    addLongTerm(11, "Leader plan", weekday(-21), weekday(40), LEADER, 0, READING);
    open();
    auto subjects = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < dialog->subjectCombo->getNumItems(); ++i)
            out.push_back(dialog->subjectCombo->getItemText(i).text());
        return out;
    };
    dialog->subjectText->setText("Music");
    press(UnitPlanDialog::ID_ADD_SUBJECT);
    EXPECT_EQ(subjects(), (std::vector<std::string>{"Maths", "Reading", "Science", "Music"}));
    // Renamed: the box shows the new name.
    dialog->handle(dialog->subjectList, FXSEL(SEL_COMMAND, UnitPlanDialog::ID_SUBJECTLIST), (void*)(FXival)2);
    dialog->subjectList->setCurrentItem(2);
    dialog->subjectList->selectItem(2);
    dialog->subjectText->setText("Science and nature");
    press(UnitPlanDialog::ID_RENAME_SUBJECT);
    EXPECT_EQ(subjects(), (std::vector<std::string>{"Maths", "Reading", "Science and nature", "Music"}));
    // Retired while the box shows it: gone from the box, and no plan can be made on it.
    dialog->subjectCombo->setCurrentItem(2);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_RETIRE_SUBJECT);
    EXPECT_EQ(subjects(), (std::vector<std::string>{"Maths", "Reading", "Music"}));
    EXPECT_EQ(dialog->subjectCombo->getCurrentItem(), -1);
    dialog->longTermName->setText("On a retired subject");
    dialog->longTermStart->setText(shown(weekday(0)).c_str());
    dialog->longTermEnd->setText(shown(weekday(5)).c_str());
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_NE(errors().back().find("Choose a Subject for the plan."), std::string::npos) << errors().back();
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'On a retired subject'"), 0);
    // A subject the box showed and that is still current stays shown.
    dialog->subjectCombo->setCurrentItem(1);
    dialog->subjectText->setText("Drama");
    press(UnitPlanDialog::ID_ADD_SUBJECT);
    EXPECT_EQ(dialog->subjectCombo->getText(), "Reading");
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
    EXPECT_EQ(items(dialog->longTermList), std::vector<std::string>{"Always"});
    delete dialog;
    dialog = nullptr;

    loginAs(LEADER, LEADER);
    open();
    prompts.clear();
    dialog->subjectText->setText("Music");
    press(UnitPlanDialog::ID_ADD_SUBJECT);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_NE(errors().back().find("No school term has begun"), std::string::npos) << errors().back();
    EXPECT_FALSE(saidRaw());
    EXPECT_EQ(count("Select Count(*) from Subject where Description = 'Music'"), 0);
}

TEST_F(Everyday, APlanOrUnitDeletedElsewhereIsReportedInPlainWords) {
    showLesson(20, 30);
    sql("delete from LessonPlan where Id = 30;");
    dialog->lessonName->setText("Typed");
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_NE(errors().back().find("This Lesson plan is no longer in the database"), std::string::npos);
    EXPECT_EQ(dialog->lessonName->getText(), "Typed");
    sql("delete from UnitPlan where Id = 20;");
    press(UnitPlanDialog::ID_EDIT_UNIT);
    EXPECT_NE(errors().back().find("This Unit plan is no longer in the database"), std::string::npos);
    sql("delete from LongTerm where Id = 10;");
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
    EXPECT_NE(errors().back().find("This Long Term plan is no longer in the database"), std::string::npos);
    // Opening the dialog on a lesson that is gone.
    delete dialog;
    dialog = nullptr;
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    prompts.clear();
    openTimed(0, 31);
    EXPECT_TRUE(runUntil([&] { return !prompts.prompts.empty() || dialog->lessonList->getNumItems() > 0; }));
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
        panel().startDate->setText(c.typed);
        press(UnitPlanDialog::ID_EDIT_LESSON);
        ASSERT_EQ(errors().size(), 1u) << c.typed;
        EXPECT_NE(errors().back().find(c.problem), std::string::npos) << errors().back();
        EXPECT_NE(errors().back().find("Type dates month first, as MM/DD/YY"), std::string::npos);
        EXPECT_EQ(prompts.count("question"), 0u);
        EXPECT_EQ(panel().startDate->getText(), c.typed);  // the typed text stays
        dialog->lessonName->setText("A copy");
        press(UnitPlanDialog::ID_ADD_LESSON);
        EXPECT_EQ(prompts.count("question"), 0u) << "asked before the date was checked";
        EXPECT_EQ(count("Select Count(*) from LessonPlan where LessonName = 'A copy'"), 0);
        dialog->lessonName->setText("Halves");
    }
    EXPECT_EQ(lesson(30, "DateStart || ' ' || DateEnd"), stored);
    EXPECT_FALSE(saidRaw());

    // On the long-term tab too.
    prompts.clear();
    selectLongTerm(10);
    dialog->longTermEnd->setText("2/30/26");
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
    EXPECT_NE(errors().back().find("End Date \"2/30/26\" is not a date"), std::string::npos) << errors().back();
    EXPECT_EQ(value("Select PlanEnd from LongTerm where Id = 10"), weekday(40));
}

TEST_F(Everyday, TypedTimesAreCheckedAndABlankTimeIsNoTime) {
    showLesson(20, 30);
    for (const char* bad : {"9", "25:00", "abc"}) {
        prompts.clear();
        panel().startTime->setText(bad);
        press(UnitPlanDialog::ID_EDIT_LESSON);
        ASSERT_EQ(errors().size(), 1u) << bad;
        EXPECT_NE(errors().back().find(std::string("Start Time \"") + bad + "\" is not a time of day"),
                  std::string::npos)
            << errors().back();
        EXPECT_EQ(panel().startTime->getText(), bad);
        press(UnitPlanDialog::ID_PERIOD_UP);
        EXPECT_EQ(errors().back().substr(0, 12), "Empty Dates|");
        EXPECT_EQ(panel().startTime->getText(), bad);
    }
    EXPECT_EQ(lesson(30, "TimeStart"), "09:00:00.0000");
    EXPECT_FALSE(saidRaw());

    // "9:05" is stored as 09:05; a blank time as no time, shown blank.
    prompts.clear();
    panel().startTime->setText("9:05");
    panel().endTime->setText("");
    press(UnitPlanDialog::ID_EDIT_LESSON);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(30, "TimeStart || ' ' || Coalesce(TimeEnd, 'none')"), "09:05:00.0000 none");
    selectLesson(31);
    selectLesson(30);
    EXPECT_EQ(panel().endTime->getText(), "");
    EXPECT_EQ(panel().startTime->getText(), "09:05");
    // Add treats times as Edit does.
    dialog->lessonName->setText("No times");
    panel().startTime->setText(" ");
    prompts.answers.push_back(false);
    press(UnitPlanDialog::ID_ADD_LESSON);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(value("Select Coalesce(TimeStart, 'none') || ' ' || Coalesce(TimeEnd, 'none') from LessonPlan "
                    "where LessonName = 'No times'"),
              "none none");
    EXPECT_EQ(panel().startTime->getText(), "");
    EXPECT_EQ(panel().endTime->getText(), "");
    // Bump takes a blank time as blank.
    selectLesson(30);
    sql("update LessonPlan set TimeStart = NULL where Id = 31;");
    press(UnitPlanDialog::ID_BUMP);
    EXPECT_EQ(panel().startTime->getText(), "");
}

TEST_F(Everyday, TextsLongerThanTheirColumnsAreRefusedSayingByHowMuch) {
    showLesson(20, 30);
    // 4300 characters, of which 82 commas: 4546 as stored.
    const std::string resources = std::string(4218, 'r') + std::string(82, ',');
    dialog->lessonResources->setText(resources.c_str());
    press(UnitPlanDialog::ID_EDIT_LESSON);
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().back(), "Database Error|Resources is 146 characters too long: it holds 4400 characters, and "
                               "each ' , or \\ in it takes four of them.");
    EXPECT_EQ(dialog->lessonResources->getText().text(), resources);
    EXPECT_EQ(lesson(30, "LessonResource"), "resource");
    // 4300 plain characters fit.
    const std::string plain(4300, 'p');
    dialog->lessonResources->setText(plain.c_str());
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(lesson(30, "LessonResource"), plain);

    const std::string name = std::string(133, 'n') + "'s work";  // 140 typed, 143 stored
    dialog->lessonName->setText(name.c_str());
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_EQ(errors().back(), "Database Error|Name is 3 characters too long: it holds 140 characters, and each ' , "
                               "or \\ in it takes four of them.");
    dialog->lessonName->setText("Halves");

    dialog->unitName->setText(std::string(141, 'u').c_str());
    press(UnitPlanDialog::ID_ADD_UNIT);
    EXPECT_EQ(errors().back(), "Database Error|Name is 1 character too long: it holds 140 characters.");
    dialog->unitDescription->setText(std::string(4401, 'd').c_str());
    dialog->unitName->setText("Fractions");
    press(UnitPlanDialog::ID_EDIT_UNIT);
    EXPECT_EQ(errors().back(), "Database Error|Description is 1 character too long: it holds 4400 characters.");
    EXPECT_EQ(value("Select UnitDescription from UnitPlan where Id = 20"), "Unit Fractions");

    selectLongTerm(10);
    dialog->longTermName->setText(std::string(150, 'l').c_str());
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
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
        std::ofstream(script) << "set transaction wait;\n" << update << "\n"
                              << "shell sh " << testsupport::shellQuote(wait) << ";\n"
                              << "rollback;\n";
        const std::string command = "FIREBIRD=" + testsupport::shellQuote(services().workdir() + "/services/firebird") +
                                    " exec isql-fb -q -user SYSDBA -password masterkey -i " +
                                    testsupport::shellQuote(script) + " " + testsupport::shellQuote(services().database()) +
                                    " >/dev/null 2>&1";
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

    dialog->lessonIntro->setText("My own introduction");
    press(UnitPlanDialog::ID_EDIT_LESSON);  // waits a few seconds for the row, then gives up
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors().back(),
              "Someone Else Is Changing This|Someone else is changing this plan at the moment, so your change was "
              "not saved.\n\nEverything you typed is still here: try again in a moment.");
    EXPECT_EQ(dialog->lessonIntro->getText(), "My own introduction");
    EXPECT_FALSE(saidRaw());

    // Shove waits the same bounded time for its rows.
    prompts.clear();
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_SHOVE);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors().back().substr(0, errors().back().find('|')), "Someone Else Is Changing This");
    EXPECT_EQ(lesson(30, "DateEnd"), weekday(8));

    // The other teacher is done: trying again goes through.
    other.release();
    prompts.clear();
    press(UnitPlanDialog::ID_EDIT_LESSON);
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(lesson(30, "LessonIntro"), "My own introduction");
}

// ---------------------------------------------------------------- deleting a long-term plan

TEST_F(Everyday, DeletingALongTermPlanDeletesItsUnitsLessonsAndAttachments) {
    addLongTerm(11, "Other plan", weekday(-21), weekday(40));
    addUnit(26, 11, "Kept unit");
    addLesson(60, 26, "Kept lesson", weekday(7), weekday(7));
    sql("insert into BinaryDescription (Id, FileName, FileSize, Description, Ready) values (90, 'walls.png', 3, '', 0);\n"
        "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (90, 90, 0, 'AAAA', 20);\n"
        "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (91, 90, 1, 'BBBB', 20);\n");
    open();
    selectLongTerm(10);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_EQ(prompts.last().text, "Do you want to delete this Long Term plan?\n\nIts 2 unit plans, with their lessons "
                                   "and file attachments, will be deleted too.");
    EXPECT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(count("Select Count(*) from LongTerm where Id = 10"), 0);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 10"), 0);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where FKUnitPlan in (20, 21)"), 0);
    EXPECT_EQ(count("Select Count(*) from UnitBinary"), 0);
    EXPECT_EQ(count("Select Count(*) from BinaryDescription"), 0);
    // The other plan keeps everything.
    EXPECT_EQ(value("Select LessonName from LessonPlan"), "Kept lesson");
    EXPECT_EQ(items(dialog->longTermList), std::vector<std::string>{"Other plan"});
}

TEST_F(Everyday, APlanHoldingOtherTeachersUnitsIsNotDeleted) {
    addLongTerm(12, "Syndicate maths", weekday(-21), weekday(40), LEADER);
    addUnit(27, 12, "Own unit");
    addUnit(28, 12, "Helper unit", 1, 0, OTHER);
    open();
    selectLongTerm(12);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
    EXPECT_EQ(prompts.count("question"), 0u);
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().back(), "Delete Long Term Plan|Other teachers have 1 unit plan in this Long Term plan, so it is "
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
    selectLongTerm(12);
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
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
    prompts.whileAsking = nullptr;
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_NE(question().find("Its 1 unit plan, with its lessons and file"), std::string::npos) << question();
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors().back(), "Delete Long Term Plan|This Long Term plan changed while you were asked: a unit plan "
                               "was added to it or taken out of it, so nothing was deleted.\n\nChoose Delete again "
                               "to see what it holds now.");
    EXPECT_EQ(count("Select Count(*) from LongTerm where Id = 12"), 1);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 12"), 2);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id in (61, 62)"), 2);
    EXPECT_EQ(items(dialog->longTermList), (std::vector<std::string>{"Number", "Syndicate maths"}));

    // Asked again, the question names the other teacher's unit and nothing goes.
    prompts.clear();
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
    EXPECT_EQ(prompts.count("question"), 0u);
    EXPECT_NE(errors().back().find("Other teachers have 1 unit plan"), std::string::npos) << errors().back();

    // A unit of her own added meanwhile (in another window) is not taken unasked either.
    prompts.clear();
    selectLongTerm(10);
    prompts.answers.push_back(true);
    prompts.whileAsking = [&] { addUnit(29, 10, "Added meanwhile"); };
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
    prompts.whileAsking = nullptr;
    EXPECT_NE(question().find("Its 2 unit plans"), std::string::npos) << question();
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where FKLongTerm = 10"), 3);
    // Asked again with the three named, it goes.
    prompts.clear();
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
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

// Long-term plans (tab 1) and the syndicate's subjects (tab 7), written
// through the real middleware and read back from the database.
#include "data/AppState.h"
#include "planedit/PlanEditTest.h"

using namespace FX;
using namespace planedit;

namespace {

void fillPlan(EditorDriver& editor, const std::string& name, const std::string& start, const std::string& end) {
    editor.type(LONGTERM, "Name:", name);
    editor.type(LONGTERM, "Description:", "Plan's aims, one, two");
    editor.type(LONGTERM, "Start Date:", shown(start));
    editor.type(LONGTERM, "End Date:", shown(end));
    editor.pick(LONGTERM, "Subject:", "Reading");
    editor.pick(LONGTERM, "Children's Year:", "Year 4");
}

}  // namespace

TEST_F(PlanEdit, AddingALongTermPlanStoresItAndSelectsIt) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    fillPlan(*this, "Poetry, rhyme's fun", weekday(-7), weekday(20));
    press(LONGTERM, "Add");
    EXPECT_TRUE(errors().empty());
    const std::string id = value("Select Id from LongTerm where Id > 1000");
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(value("Select PlanName from LongTerm where Id = " + id), "Poetry, rhyme's fun");
    EXPECT_EQ(value("Select Description from LongTerm where Id = " + id), "Plan's aims, one, two");
    EXPECT_EQ(value("Select PlanStart from LongTerm where Id = " + id), weekday(-7));
    EXPECT_EQ(value("Select FKSubject || ',' || FKYear || ',' || FKSyndicate || ',' || Persistant from LongTerm "
                    "where Id = " +
                    id),
              "2,2,2,0");
    // Escaped on the way in.
    EXPECT_EQ(value("Select Position('\\047' in PlanName) from LongTerm where Id = " + id), "17");
    ASSERT_GE(current("Long Term Plan"), 0);
    EXPECT_EQ(currentText("Long Term Plan"), "Poetry, rhyme's fun");
    EXPECT_TRUE(selected("Long Term Plan", current("Long Term Plan")));
}

TEST_F(PlanEdit, LongTermPlanChecks) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    // The exact name again: its own box, nothing written.
    fillPlan(*this, "Number", weekday(-7), weekday(20));
    press(LONGTERM, "Add");
    EXPECT_EQ(errors().back(), "LongTermPlanEdit::addLongTermQuery|This plan already exists.");
    // Only the letter case differs: allowed.
    fillPlan(*this, "NUMBER", weekday(-7), weekday(20));
    press(LONGTERM, "Add");
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 2);
    fillPlan(*this, "   ", weekday(-7), weekday(20));
    press(LONGTERM, "Add");
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Long Term plan name.");
    fillPlan(*this, "Backwards", weekday(20), weekday(-7));
    press(LONGTERM, "Add");
    EXPECT_EQ(errors().back(), "Database Error|Cannot have start date after end date.");
    type(LONGTERM, "Start Date:", "32/1/14");
    press(LONGTERM, "Add");
    EXPECT_EQ(errors().back(),
              "Database Error|Start Date \"32/1/14\" is not a date: there is no day 32.\n\n"
              "Type dates day first, as DD/MM/YY (for example " +
                  shown(day(0)) + ").");
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 2);
    // Start and end on one day are fine.
    fillPlan(*this, "One day", weekday(2), weekday(2));
    press(LONGTERM, "Add");
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 3);
}

TEST_F(PlanEdit, APlanOutsideTheTermIsCreatedButNotFound) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    fillPlan(*this, "Next term", weekday(100), weekday(130));
    press(LONGTERM, "Add");
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'Next term'"), 1);
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Number"});
    EXPECT_EQ(errors().back(), "LongTermPlanEdit::onLongTermSelected|Long Term Plan not found in this term.");
}

TEST_F(PlanEdit, PersistentAndSyndicateWidePlans) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    fillPlan(*this, "Always", "2001-01-01", "2001-02-01");
    check(LONGTERM, "Ignore Start and End Dates");
    check(LONGTERM, "Syndicate Wide Plan");
    press(LONGTERM, "Add");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select FKSyndicate || ',' || Persistant from LongTerm where PlanName = 'Always'"), "1,1");
    // Listed although it ended long ago, with its icon; shown as syndicate wide.
    int index = current("Long Term Plan");
    ASSERT_GE(index, 0);
    EXPECT_EQ(items("Long Term Plan")[index], "Always");
    EXPECT_EQ(icons("Long Term Plan")[index], "persistent");
    EXPECT_EQ(bound(LONGTERM, "Syndicate Wide Plan"), 1);
    EXPECT_EQ(bound(LONGTERM, "Ignore Start and End Dates"), 1);
    EXPECT_FALSE(enabled(LONGTERM, "Start Date:"));

    // Another teacher of the syndicate sees it; a teacher of another syndicate does not.
    sql("insert into Teachers (Id, Teacher, Syndicate) values (4, 'Ana Another', 1);");
    close();
    loginAs(4, LEADER);
    open();
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Always"});
    close();
    loginAs(OTHER, OTHER);
    prompts.clear();
    open();
    EXPECT_TRUE(items("Long Term Plan").empty());
}

TEST_F(PlanEdit, EditingWritesTheSelectedPlanEvenAfterALessonWasShown) {
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    choosePlan(10);
    chooseUnit(20);
    chooseLesson(30);  // the shared recordset now holds the lesson
    type(LONGTERM, "Name:", "Number and algebra");
    type(LONGTERM, "End Date:", shown(weekday(45)));
    refresh();  // the check shows the flag, as after any GUI update
    EXPECT_EQ(checkButton(LONGTERM, "Syndicate Wide Plan")->getCheck(), TRUE);
    check(LONGTERM, "Syndicate Wide Plan", false);
    pick(LONGTERM, "Children's Year:", 1);  // Year 3
    press(LONGTERM, "Edit");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(
        value("Select PlanName || ',' || PlanEnd || ',' || FKSyndicate || ',' || FKYear from LongTerm where Id = 10"),
        "Number and algebra," + weekday(45) + ",2,1");
    EXPECT_EQ(value("Select LessonName from LessonPlan where Id = 30"), "Halves");
    EXPECT_EQ(value("Select PlanName from LongTerm where Id = 11"), "Angles");
    EXPECT_EQ(currentText("Long Term Plan"), "Number and algebra");
    // An empty name is refused.
    type(LONGTERM, "Name:", " ");
    press(LONGTERM, "Edit");
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Long Term plan name.");
}

TEST_F(PlanEdit, DeletingAPlanAsksFirst) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    open();
    press(LONGTERM, "Delete");  // nothing selected: nothing asked
    EXPECT_EQ(prompts.count("question"), 0u);
    choosePlan(10);
    prompts.answers.push_back(false);
    press(LONGTERM, "Delete");
    EXPECT_EQ(prompts.last().caption, "Confirm delete Long Term");
    EXPECT_EQ(prompts.last().text, "Do you want to delete this Long Term plan?");
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 2);
    prompts.answers.push_back(true);
    press(LONGTERM, "Delete");
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 1);
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Angles"});
}

// ---------------------------------------------------------------- subjects

TEST_F(PlanEdit, SubjectsAreAddedAndRenamed) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    open();
    type(SUBJECTS, "Subject Description", "Reading");
    press(SUBJECTS, "Add");
    EXPECT_EQ(errors().back(), "UnitPlanDialog::addSubject|This subject already exists.");
    type(SUBJECTS, "Subject Description", "  ");
    press(SUBJECTS, "Add");
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Subject name.");
    type(SUBJECTS, "Subject Description", "Health, PE");
    press(SUBJECTS, "Add");
    EXPECT_EQ(items("Subject Description"), (std::vector<std::string>{"Maths", "Reading", "Science", "Health, PE"}));
    EXPECT_EQ(current("Subject Description"), 3);
    EXPECT_EQ(value("Select FKTermDateStart from Subject where Description = 'Health\\054 PE'"), "2");

    // Rename with an apostrophe: escaped, so the statement holds.
    click("Subject Description", 1);
    EXPECT_EQ(text(SUBJECTS, "Subject Description"), "Reading");
    setCurrent("Subject Description", 1);
    type(SUBJECTS, "Subject Description", "  Children's reading ");
    prompts.clear();
    press(SUBJECTS, "Edit");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select Description from Subject where Id = 2"), "Children's reading");
    EXPECT_EQ(items("Subject Description")[1], "Children's reading");
    EXPECT_EQ(current("Subject Description"), 1);
}

TEST_F(PlanEdit, RetiringASubject) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER, 0, MATHS);  // ends this term
    addLongTerm(11, "Far", weekday(-21), weekday(400), LEADER, 0, READING);  // ends after the last term
    open();
    // Science: no plan uses it, so it goes.
    setCurrent("Subject Description", 2, true);
    prompts.answers.push_back(false);
    press(SUBJECTS, "Retire");
    EXPECT_EQ(prompts.last().caption, "Confirm retire Subject");
    EXPECT_EQ(count("Select Count(*) from Subject where Id = 3"), 1);
    prompts.answers.push_back(true);
    press(SUBJECTS, "Retire");
    EXPECT_EQ(count("Select Count(*) from Subject where Id = 3"), 0);
    EXPECT_EQ(items("Subject Description"), (std::vector<std::string>{"Maths", "Reading"}));
    // Maths: retired from the term after its last plan ends; still current now.
    setCurrent("Subject Description", 0, true);
    type(SUBJECTS, "Subject Description", "Maths");
    prompts.answers.push_back(true);
    press(SUBJECTS, "Retire");
    EXPECT_EQ(value("Select FKTermDateEnd from Subject where Id = 1"), "3");
    EXPECT_EQ(text(SUBJECTS, "Subject Description"), "");
    EXPECT_EQ(items("Subject Description").size(), 2u);
    // Reading: its plan ends after every known term, so nothing changes.
    setCurrent("Subject Description", 1, true);
    prompts.answers.push_back(true);
    press(SUBJECTS, "Retire");
    EXPECT_EQ(value("Select Coalesce(FKTermDateEnd, 0) from Subject where Id = 2"), "0");
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, MovingSubjectsUpAndDown) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    open();
    auto order = [&] { return items("Subject Description"); };
    setCurrent("Subject Description", 0);
    press(SUBJECTS, "Up");  // already first
    EXPECT_EQ(order(), (std::vector<std::string>{"Maths", "Reading", "Science"}));
    setCurrent("Subject Description", 2);
    press(SUBJECTS, "Down");  // already last
    EXPECT_EQ(order(), (std::vector<std::string>{"Maths", "Reading", "Science"}));
    press(SUBJECTS, "Up");
    EXPECT_EQ(order(), (std::vector<std::string>{"Maths", "Science", "Reading"}));
    EXPECT_EQ(current("Subject Description"), 1);
    EXPECT_EQ(value("Select Ordinal from Subject where Id = 3"), "2");
    EXPECT_EQ(value("Select Ordinal from Subject where Id = 2"), "3");
    setCurrent("Subject Description", 0);
    press(SUBJECTS, "Down");
    EXPECT_EQ(order(), (std::vector<std::string>{"Science", "Maths", "Reading"}));
    // Committed: another connection sees the new order.
    auto committed = [&](int subject) {
        const std::string out =
            services().isql("set list on; select Ordinal from Subject where Id = " + std::to_string(subject) + ";");
        return std::atoi(out.substr(out.find("ORDINAL") + 7).c_str());
    };
    EXPECT_EQ(committed(3), 1);
    EXPECT_EQ(committed(1), 2);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, EditingAPlanOfARetiredSubjectKeepsItsSubject) {
    sql("update Subject set FKTermDateEnd = 2 where Id = 3;");  // Science: retired from this term on
    addLongTerm(10, "Number", weekday(-21), weekday(40), TEACHER, 0, MATHS);
    addLongTerm(11, "Plants", weekday(-21), weekday(40), TEACHER, 0, SCIENCE);
    open();
    EXPECT_EQ(entries(LONGTERM, "Subject:").size(), 2u);
    choosePlan(10);
    EXPECT_EQ(text(LONGTERM, "Subject:"), "Maths");
    choosePlan(11);
    EXPECT_EQ(currentEntry(LONGTERM, "Subject:"), -1);
    type(LONGTERM, "Name:", "Plants and seeds");
    press(LONGTERM, "Edit");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select PlanName || ',' || FKSubject from LongTerm where Id = 11"), "Plants and seeds,3");
}

TEST_F(PlanEdit, ADatabaseErrorIsShownAndTheListsStay) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    // The database refuses new plans for a while.
    // Made beside the running services, the exception needs the workers'
    // right to raise it, as the services' start grants for every exception.
    sql("create exception NO_NEW_PLANS 'New plans are closed: the term is being set up.';\n"
        "grant usage on exception NO_NEW_PLANS to user PLENWICK;\n"
        "set term ^ ;\n"
        "create trigger LONGTERM_CLOSED for LONGTERM active before insert position 9 as "
        "begin exception NO_NEW_PLANS; end^\n"
        "set term ; ^");
    open();
    choosePlan(10);
    fillPlan(*this, "Refused plan", weekday(-7), weekday(20));
    press(LONGTERM, "Add");
    sql("drop trigger LONGTERM_CLOSED; drop exception NO_NEW_PLANS;");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors().back().substr(0, 15), "Database Error|");
    EXPECT_NE(errors().back().find("New plans are closed"), std::string::npos) << errors().back();
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 1);
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Number"});
    EXPECT_EQ(text(LONGTERM, "Name:"), "Refused plan");
    // The next statement works as before.
    fillPlan(*this, "Shorter", weekday(-7), weekday(20));
    press(LONGTERM, "Add");
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 2);
}

// "Syndicate Wide Plan" tells a teacher's own plans from the syndicate's;
// for a leader, whose plans are all the syndicate's, it is ticked and fixed.
TEST_F(PlanEdit, SyndicateWideTellsOwnPlansFromTheSyndicates) {
    addLongTerm(10, "Tia own", weekday(-21), weekday(40), TEACHER);
    addLongTerm(11, "Lena syndicate", weekday(-21), weekday(40), LEADER);
    open();
    choosePlan(10);
    EXPECT_EQ(bound(LONGTERM, "Syndicate Wide Plan"), 0);
    EXPECT_TRUE(checkButton(LONGTERM, "Syndicate Wide Plan")->isEnabled());
    choosePlan(11);
    EXPECT_EQ(bound(LONGTERM, "Syndicate Wide Plan"), 1);
    close();

    loginAs(LEADER, LEADER);
    open();
    choosePlan(11);
    EXPECT_EQ(bound(LONGTERM, "Syndicate Wide Plan"), 1);
    EXPECT_FALSE(checkButton(LONGTERM, "Syndicate Wide Plan")->isEnabled());
    EXPECT_NE(checkButton(LONGTERM, "Syndicate Wide Plan")->getTipText().find("syndicate leader"), -1);
}

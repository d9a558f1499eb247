// Long-term plans (tab 1) and the syndicate's subjects (tab 7), written
// through the real middleware and read back from the database.
#include "data/AppState.h"
#include "planedit/PlanEditTest.h"

using namespace FX;
using namespace planedit;

namespace {

void fillPlan(UnitPlanDialog* d, const std::string& name, const std::string& start, const std::string& end) {
    d->longTermName->setText(name.c_str());
    d->longTermDescription->setText("Plan's aims, one, two");
    d->longTermStart->setText(shown(start).c_str());
    d->longTermEnd->setText(shown(end).c_str());
    d->subjectCombo->setCurrentItem(1);    // Reading
    d->childYearCombo->setCurrentItem(0);  // Year 4
}

}  // namespace

TEST_F(PlanEdit, AddingALongTermPlanStoresItAndSelectsIt) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    fillPlan(dialog, "Poetry, rhyme's fun", weekday(-7), weekday(20));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_TRUE(errors().empty());
    const std::string id = value("Select Id from LongTerm where Id > 1000");
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(value("Select PlanName from LongTerm where Id = " + id), "Poetry, rhyme's fun");
    EXPECT_EQ(value("Select Description from LongTerm where Id = " + id), "Plan's aims, one, two");
    EXPECT_EQ(value("Select PlanStart from LongTerm where Id = " + id), weekday(-7));
    EXPECT_EQ(value("Select FKSubject || ',' || FKYear || ',' || FKSyndicate || ',' || Persistant from LongTerm "
                    "where Id = " + id),
              "2,2,2,0");
    // Escaped on the way in.
    EXPECT_EQ(value("Select Position('\\047' in PlanName) from LongTerm where Id = " + id), "17");
    ASSERT_GE(dialog->longTermList->getCurrentItem(), 0);
    EXPECT_EQ(dialog->longTermList->getItemText(dialog->longTermList->getCurrentItem()), "Poetry, rhyme's fun");
    EXPECT_TRUE(dialog->longTermList->isItemSelected(dialog->longTermList->getCurrentItem()));
}

TEST_F(PlanEdit, LongTermPlanChecks) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    // The exact name again: its own box, nothing written.
    fillPlan(dialog, "Number", weekday(-7), weekday(20));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(errors().back(), "LongTermPlanEdit::addLongTermQuery|This plan already exists.");
    // Only the letter case differs: allowed.
    fillPlan(dialog, "NUMBER", weekday(-7), weekday(20));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 2);
    fillPlan(dialog, "   ", weekday(-7), weekday(20));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Long Term plan name.");
    fillPlan(dialog, "Backwards", weekday(20), weekday(-7));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have start date after end date.");
    dialog->longTermStart->setText("32/1/14");
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(errors().back(), "Database Error|Start Date \"32/1/14\" is not a date: there is no day 32.\n\n"
                               "Type dates day first, as DD/MM/YY (for example " + shown(day(0)) + ").");
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 2);
    // Start and end on one day are fine.
    fillPlan(dialog, "One day", weekday(2), weekday(2));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 3);
}

TEST_F(PlanEdit, APlanOutsideTheTermIsCreatedButNotFound) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    fillPlan(dialog, "Next term", weekday(100), weekday(130));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'Next term'"), 1);
    EXPECT_EQ(items(dialog->longTermList), std::vector<std::string>{"Number"});
    EXPECT_EQ(errors().back(), "LongTermPlanEdit::onLongTermSelected|Long Term Plan not found in this term.");
}

TEST_F(PlanEdit, PersistentAndSyndicateWidePlans) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    open();
    fillPlan(dialog, "Always", "2001-01-01", "2001-02-01");
    dialog->persistentCheck->setCheck(TRUE, TRUE);
    dialog->syndicateWideCheck->setCheck(TRUE, TRUE);
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select FKSyndicate || ',' || Persistant from LongTerm where PlanName = 'Always'"), "1,1");
    // Listed although it ended long ago, with its icon; shown as syndicate wide.
    int index = dialog->longTermList->getCurrentItem();
    ASSERT_GE(index, 0);
    EXPECT_EQ(dialog->longTermList->getItemText(index), "Always");
    EXPECT_EQ(dialog->longTermList->getItemIcon(index), dialog->persistentIcon);
    EXPECT_EQ(dialog->syndicateWide, 1);
    EXPECT_EQ(dialog->persistent, 1);
    EXPECT_FALSE(dialog->longTermStart->isEnabled());

    // Another teacher of the syndicate sees it; a teacher of another syndicate does not.
    sql("insert into Teachers (Id, Teacher, Syndicate) values (4, 'Ana Another', 1);");
    delete dialog;
    loginAs(4, LEADER);
    open();
    EXPECT_EQ(items(dialog->longTermList), std::vector<std::string>{"Always"});
    delete dialog;
    dialog = nullptr;
    loginAs(OTHER, OTHER);
    prompts.clear();
    open();
    EXPECT_EQ(dialog->longTermList->getNumItems(), 0);
}

TEST_F(PlanEdit, EditingWritesTheSelectedPlanEvenAfterALessonWasShown) {
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    selectLongTerm(10);
    selectUnit(20);
    selectLesson(30);  // the shared recordset now holds the lesson
    dialog->longTermName->setText("Number and algebra");
    dialog->longTermEnd->setText(shown(weekday(45)).c_str());
    dialog->forceRefresh();  // the check shows the flag, as after any GUI update
    EXPECT_EQ(dialog->syndicateWideCheck->getCheck(), TRUE);
    dialog->syndicateWideCheck->setCheck(FALSE, TRUE);
    dialog->childYearCombo->setCurrentItem(1);  // Year 3
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select PlanName || ',' || PlanEnd || ',' || FKSyndicate || ',' || FKYear from LongTerm where Id = 10"),
              "Number and algebra," + weekday(45) + ",2,1");
    EXPECT_EQ(value("Select LessonName from LessonPlan where Id = 30"), "Halves");
    EXPECT_EQ(value("Select PlanName from LongTerm where Id = 11"), "Angles");
    EXPECT_EQ(dialog->longTermList->getItemText(dialog->longTermList->getCurrentItem()), "Number and algebra");
    // An empty name is refused.
    dialog->longTermName->setText(" ");
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Long Term plan name.");
}

TEST_F(PlanEdit, DeletingAPlanAsksFirst) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addLongTerm(11, "Angles", weekday(-21), weekday(40));
    open();
    press(UnitPlanDialog::ID_DELETE_LONGTERM);  // nothing selected: nothing asked
    EXPECT_EQ(prompts.count("question"), 0u);
    selectLongTerm(10);
    prompts.answers.push_back(false);
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
    EXPECT_EQ(prompts.last().caption, "Confirm delete Long Term");
    EXPECT_EQ(prompts.last().text, "Do you want to delete this Long Term plan?");
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 2);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_DELETE_LONGTERM);
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 1);
    EXPECT_EQ(items(dialog->longTermList), std::vector<std::string>{"Angles"});
}

// ---------------------------------------------------------------- subjects

TEST_F(PlanEdit, SubjectsAreAddedAndRenamed) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    open();
    dialog->subjectText->setText("Reading");
    press(UnitPlanDialog::ID_ADD_SUBJECT);
    EXPECT_EQ(errors().back(), "UnitPlanDialog::addSubject|This subject already exists.");
    dialog->subjectText->setText("  ");
    press(UnitPlanDialog::ID_ADD_SUBJECT);
    EXPECT_EQ(errors().back(), "Database Error|Cannot have empty Subject name.");
    dialog->subjectText->setText("Health, PE");
    press(UnitPlanDialog::ID_ADD_SUBJECT);
    EXPECT_EQ(items(dialog->subjectList), (std::vector<std::string>{"Maths", "Reading", "Science", "Health, PE"}));
    EXPECT_EQ(dialog->subjectList->getCurrentItem(), 3);
    EXPECT_EQ(value("Select FKTermDateStart from Subject where Description = 'Health\\054 PE'"), "2");

    // Rename with an apostrophe: escaped, so the statement holds.
    dialog->handle(dialog->subjectList, FXSEL(SEL_COMMAND, UnitPlanDialog::ID_SUBJECTLIST), (void*)(FXival)1);
    EXPECT_EQ(dialog->subjectText->getText(), "Reading");
    dialog->subjectList->setCurrentItem(1);
    dialog->subjectText->setText("  Children's reading ");
    prompts.clear();
    press(UnitPlanDialog::ID_RENAME_SUBJECT);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select Description from Subject where Id = 2"), "Children's reading");
    EXPECT_EQ(dialog->subjectList->getItemText(1), "Children's reading");
    EXPECT_EQ(dialog->subjectList->getCurrentItem(), 1);
}

TEST_F(PlanEdit, RetiringASubject) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER, 0, MATHS);     // ends this term
    addLongTerm(11, "Far", weekday(-21), weekday(400), LEADER, 0, READING);     // ends after the last term
    open();
    // Science: no plan uses it, so it goes.
    dialog->subjectList->selectItem(2);
    dialog->subjectList->setCurrentItem(2);
    prompts.answers.push_back(false);
    press(UnitPlanDialog::ID_RETIRE_SUBJECT);
    EXPECT_EQ(prompts.last().caption, "Confirm retire Subject");
    EXPECT_EQ(count("Select Count(*) from Subject where Id = 3"), 1);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_RETIRE_SUBJECT);
    EXPECT_EQ(count("Select Count(*) from Subject where Id = 3"), 0);
    EXPECT_EQ(items(dialog->subjectList), (std::vector<std::string>{"Maths", "Reading"}));
    // Maths: retired from the term after its last plan ends; still current now.
    dialog->subjectList->selectItem(0);
    dialog->subjectList->setCurrentItem(0);
    dialog->subjectText->setText("Maths");
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_RETIRE_SUBJECT);
    EXPECT_EQ(value("Select FKTermDateEnd from Subject where Id = 1"), "3");
    EXPECT_EQ(dialog->subjectText->getText(), "");
    EXPECT_EQ(dialog->subjectList->getNumItems(), 2);
    // Reading: its plan ends after every known term, so nothing changes.
    dialog->subjectList->selectItem(1);
    dialog->subjectList->setCurrentItem(1);
    prompts.answers.push_back(true);
    press(UnitPlanDialog::ID_RETIRE_SUBJECT);
    EXPECT_EQ(value("Select Coalesce(FKTermDateEnd, 0) from Subject where Id = 2"), "0");
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, MovingSubjectsUpAndDown) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    open();
    auto order = [&] { return items(dialog->subjectList); };
    dialog->subjectList->setCurrentItem(0);
    press(UnitPlanDialog::ID_SUBJECT_UP);  // already first
    EXPECT_EQ(order(), (std::vector<std::string>{"Maths", "Reading", "Science"}));
    dialog->subjectList->setCurrentItem(2);
    press(UnitPlanDialog::ID_SUBJECT_DOWN);  // already last
    EXPECT_EQ(order(), (std::vector<std::string>{"Maths", "Reading", "Science"}));
    press(UnitPlanDialog::ID_SUBJECT_UP);
    EXPECT_EQ(order(), (std::vector<std::string>{"Maths", "Science", "Reading"}));
    EXPECT_EQ(dialog->subjectList->getCurrentItem(), 1);
    EXPECT_EQ(value("Select Ordinal from Subject where Id = 3"), "2");
    EXPECT_EQ(value("Select Ordinal from Subject where Id = 2"), "3");
    dialog->subjectList->setCurrentItem(0);
    press(UnitPlanDialog::ID_SUBJECT_DOWN);
    EXPECT_EQ(order(), (std::vector<std::string>{"Science", "Maths", "Reading"}));
    EXPECT_EQ(dialog->recordset.inTransaction, 0);
    EXPECT_TRUE(errors().empty());
}

TEST_F(PlanEdit, EditingAPlanOfARetiredSubjectKeepsItsSubject) {
    sql("update Subject set FKTermDateEnd = 2 where Id = 3;");  // Science: retired from this term on
    addLongTerm(10, "Number", weekday(-21), weekday(40), TEACHER, 0, MATHS);
    addLongTerm(11, "Plants", weekday(-21), weekday(40), TEACHER, 0, SCIENCE);
    open();
    EXPECT_EQ(dialog->subjectCombo->getNumItems(), 2);
    selectLongTerm(10);
    EXPECT_EQ(dialog->subjectCombo->getText(), "Maths");
    selectLongTerm(11);
    EXPECT_EQ(dialog->subjectCombo->getCurrentItem(), -1);
    dialog->longTermName->setText("Plants and seeds");
    press(UnitPlanDialog::ID_EDIT_LONGTERM);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(value("Select PlanName || ',' || FKSubject from LongTerm where Id = 11"), "Plants and seeds,3");
}

TEST_F(PlanEdit, ADatabaseErrorIsShownAndTheListsStay) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    // The database refuses new plans for a while.
    sql("create exception NO_NEW_PLANS 'New plans are closed: the term is being set up.';\n"
        "set term ^ ;\n"
        "create trigger LONGTERM_CLOSED for LONGTERM active before insert position 9 as "
        "begin exception NO_NEW_PLANS; end^\n"
        "set term ; ^");
    open();
    selectLongTerm(10);
    fillPlan(dialog, "Refused plan", weekday(-7), weekday(20));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    sql("drop trigger LONGTERM_CLOSED; drop exception NO_NEW_PLANS;");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors().back().substr(0, 15), "Database Error|");
    EXPECT_NE(errors().back().find("New plans are closed"), std::string::npos) << errors().back();
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 1);
    EXPECT_EQ(items(dialog->longTermList), std::vector<std::string>{"Number"});
    EXPECT_EQ(dialog->longTermName->getText(), "Refused plan");
    // The next statement works as before.
    fillPlan(dialog, "Shorter", weekday(-7), weekday(20));
    press(UnitPlanDialog::ID_ADD_LONGTERM);
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 2);
}

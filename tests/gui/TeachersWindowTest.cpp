// The teachers dialog: load, select, add, rename and delete, with the
// effects checked in the database and in the calendar's current-user field.
#include <gtest/gtest.h>

#include <string>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "data/Numbers.h"
#include "gui/GuiTest.h"
#include "support/RecordingPrompter.h"
#include "teachers/TeachersWindow.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;

namespace {

class Teachers : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    CalendarWindow* calendar = nullptr;
    TeachersWindow* dialog = nullptr;

    void SetUp() override {
        freshStart();
        // Two syndicates: Ann leads Tom, Rangi leads Sarah.
        sql("insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom Hale', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (3, 'Rangi Parata', 3);"
            "insert into Teachers (Id, Teacher, Syndicate) values (4, 'Sarah Kim', 3);"
            "set generator NEWTEACHER to 10;");
        calendar = new CalendarWindow(app());
        calendar->create();
        settle();
        // Nobody is current (the dialog keeps a current teacher, and the
        // calendar took the last one from its settings).
        appState.currentUserId = "0";
        appState.currentSyndicate = "0";
        dialog = new TeachersWindow(calendar, calendar, CalendarWindow::ID_SETUSERTEXT);
        dialog->create();
        command(TeachersWindow::ID_LOAD);
        prompts.clear();
    }
    void TearDown() override {
        delete dialog;
        delete calendar;
    }

    void command(FXSelector id, void* ptr = nullptr) { dialog->handle(dialog, FXSEL(SEL_COMMAND, id), ptr); }
    // A click on row `row` of the teacher list.
    void pick(FXint row) {
        FXList* list = dialog->getTeacherList();
        list->setCurrentItem(row);
        list->selectItem(row);
        dialog->handle(list, FXSEL(SEL_COMMAND, TeachersWindow::ID_SELECT), (void*)(FXival)row);
    }
    FXint rowOf(const char* name) { return dialog->getTeacherList()->findItem(name); }
    void add(const char* name) {
        dialog->getNameField()->setText(name);
        command(TeachersWindow::ID_ADD);
    }
    // Teacher and Syndicate of a teacher by Id, read from the database.
    std::string stored(FXint id, FXint* syndicate = nullptr) {
        IsectRecordset rs;
        rs.OpenRecordset("Select Teacher, Syndicate from Teachers where Id = " + FXStringVal(id));
        rs.MoveFirst();
        if (rs.eof()) return "";
        if (syndicate) *syndicate = decimalValue(rs.GetField("Syndicate"));
        return rs.GetField("Teacher").text();
    }
    FXint teacherCount() {
        IsectRecordset rs;
        rs.OpenRecordset("Select Count(*) from Teachers");
        return decimalValue(rs.GetField(0));
    }
};

TEST_F(Teachers, LoadListsTeachersBySyndicateAndLeavesNoCurrentUser) {
    FXList* teachers = dialog->getTeacherList();
    FXList* leaders = dialog->getLeaderList();
    ASSERT_EQ(teachers->getNumItems(), 4);
    ASSERT_EQ(leaders->getNumItems(), 4);
    const char* names[] = {"Ann Leader", "Tom Hale", "Rangi Parata", "Sarah Kim"};
    const char* leaderColumn[] = {"Ann Leader", " ", "Rangi Parata", " "};
    for (FXint i = 0; i < 4; ++i) {
        EXPECT_STREQ(teachers->getItemText(i).text(), names[i]);
        EXPECT_STREQ(leaders->getItemText(i).text(), leaderColumn[i]);
    }
    EXPECT_EQ((FXival)teachers->getItemData(2), 3);
    EXPECT_EQ((FXival)leaders->getItemData(1), 0);
    EXPECT_FALSE(leaders->isEnabled());
    EXPECT_EQ(teachers->getCurrentItem(), -1);
    EXPECT_STREQ(appState.currentUserId.text(), "0");
    EXPECT_STREQ(appState.currentSyndicate.text(), "0");
    EXPECT_STREQ(calendar->getUserText().text(), "No current user.");
    EXPECT_EQ(dialog->getLeaderFlag(), 1);
    // The name field is labelled and starts empty.
    EXPECT_STREQ(dialog->getNameField()->getText().text(), "");
    FXWindow* label = dialog->getNameField()->getPrev();
    ASSERT_NE(label, nullptr);
    ASSERT_TRUE(label->isMemberOf(FXMETACLASS(FXLabel)));
    EXPECT_STREQ(static_cast<FXLabel*>(label)->getText().text(), "Teacher's name:");
}

// Opening the dialog again keeps the current teacher, chosen in the list.
TEST_F(Teachers, TheCurrentTeacherStaysCurrentWhenTheDialogOpensAgain) {
    pick(rowOf("Sarah Kim"));
    delete dialog;
    dialog = new TeachersWindow(calendar, calendar, CalendarWindow::ID_SETUSERTEXT);
    dialog->create();
    command(TeachersWindow::ID_LOAD);
    EXPECT_STREQ(appState.currentUserId.text(), "4");
    EXPECT_EQ(decimalValue(appState.currentSyndicate), 3);
    EXPECT_EQ(dialog->getTeacherList()->getCurrentItem(), rowOf("Sarah Kim"));
    EXPECT_STREQ(dialog->getNameField()->getText().text(), "Sarah Kim");
    EXPECT_STREQ(calendar->getUserText().text(), "Sarah Kim");
}

TEST_F(Teachers, SelectMakesTheCurrentUserAndHighlightsTheLeader) {
    pick(3);
    EXPECT_STREQ(appState.currentUserId.text(), "4");
    EXPECT_EQ(decimalValue(appState.currentSyndicate), 3);
    EXPECT_EQ(dialog->getLeaderFlag(), 0);
    EXPECT_EQ(dialog->getLeaderList()->getCurrentItem(), 2);
    EXPECT_TRUE(dialog->getLeaderList()->isItemSelected(2));
    EXPECT_STREQ(dialog->getNameField()->getText().text(), "Sarah Kim");
    EXPECT_STREQ(calendar->getUserText().text(), "Sarah Kim");

    pick(0);
    EXPECT_STREQ(appState.currentUserId.text(), "1");
    EXPECT_EQ(dialog->getLeaderFlag(), 1);
    EXPECT_EQ(dialog->getLeaderList()->getCurrentItem(), 0);
}

TEST_F(Teachers, AddRefusesAnEmptyOrExistingNameButAcceptsOtherCase) {
    add("");
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "Add Teacher Error");
    EXPECT_EQ(prompts.last().text, "No teacher name provided.");
    add("Tom Hale");
    ASSERT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(prompts.last().text, "This teacher already exists.");
    EXPECT_EQ(teacherCount(), 4);

    add("tom hale");
    EXPECT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(teacherCount(), 5);
    EXPECT_GE(rowOf("tom hale"), 0);
}

TEST_F(Teachers, AddWithTheLeaderBoxCheckedMakesANewSyndicate) {
    pick(0);  // Ann, a leader: the box is checked
    ASSERT_EQ(dialog->getLeaderFlag(), 1);
    add("Hemi Walker");
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    FXint id = decimalValue(appState.currentUserId);
    FXint syndicate = 0;
    EXPECT_EQ(stored(id, &syndicate), "Hemi Walker");
    EXPECT_EQ(syndicate, id);
    EXPECT_STREQ(calendar->getUserText().text(), "Hemi Walker");
    EXPECT_EQ(dialog->getLeaderFlag(), 1);
}

TEST_F(Teachers, AddToASyndicateListedFirstSelectsTheNewTeacher) {
    pick(1);  // Tom, of Ann's syndicate: the box is cleared, Ann highlighted
    ASSERT_EQ(dialog->getLeaderFlag(), 0);
    add("Bob Smith");
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    FXint syndicate = 0;
    EXPECT_EQ(stored(decimalValue(appState.currentUserId), &syndicate), "Bob Smith");
    EXPECT_EQ(syndicate, 1);
    EXPECT_EQ(rowOf("Bob Smith"), 2) << "listed within Ann's syndicate";
    EXPECT_EQ(dialog->getTeacherList()->getCurrentItem(), 2);
    EXPECT_STREQ(calendar->getUserText().text(), "Bob Smith");
}

TEST_F(Teachers, NameWithApostropheAndCommaIsStoredIntact) {
    add("Margaret O'Brien, Jr");
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    EXPECT_EQ(stored(decimalValue(appState.currentUserId)), "Margaret O'Brien, Jr");
    EXPECT_NE(sql("select Teacher from Teachers where Teacher starting with 'Margaret';").find("O\\047Brien\\054 Jr"),
              std::string::npos);
    EXPECT_GE(rowOf("Margaret O'Brien, Jr"), 0);
}

TEST_F(Teachers, RenameKeepsTheRowSelected) {
    pick(1);
    dialog->getNameField()->setText("Thomas Hale");
    command(TeachersWindow::ID_EDIT);
    EXPECT_EQ(stored(2), "Thomas Hale");
    EXPECT_EQ(dialog->getTeacherList()->getCurrentItem(), 1);
    EXPECT_STREQ(dialog->getTeacherList()->getItemText(1).text(), "Thomas Hale");
    EXPECT_STREQ(appState.currentUserId.text(), "2");
    EXPECT_STREQ(calendar->getUserText().text(), "Thomas Hale");
}

TEST_F(Teachers, EditAndDeleteWithoutARowDoNothing) {
    dialog->getNameField()->setText("Nobody");
    command(TeachersWindow::ID_EDIT);
    command(TeachersWindow::ID_DELETE);
    EXPECT_EQ(teacherCount(), 4);
    EXPECT_EQ(stored(1), "Ann Leader");
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(Teachers, DeletingTheCurrentTeacherClearsTheCurrentUser) {
    pick(3);
    ASSERT_STREQ(appState.currentUserId.text(), "4");
    command(TeachersWindow::ID_DELETE);  // No: nothing deleted
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_EQ(prompts.last().caption, "Confirm Delete Teacher");
    EXPECT_EQ(prompts.last().text, "Delete the teacher \"Sarah Kim\"?");
    EXPECT_EQ(stored(4), "Sarah Kim");
    prompts.answers.push_back(true);
    command(TeachersWindow::ID_DELETE);
    EXPECT_EQ(stored(4), "");
    EXPECT_EQ(dialog->getTeacherList()->getNumItems(), 3);
    EXPECT_STREQ(appState.currentUserId.text(), "0");
    EXPECT_STREQ(calendar->getUserText().text(), "No current user.");
}

TEST_F(Teachers, EditRefusesAnEmptyNameOrTheNameOfAnotherTeacher) {
    pick(1);
    dialog->getNameField()->setText("   ");
    command(TeachersWindow::ID_EDIT);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "Edit Teacher Error");
    EXPECT_EQ(prompts.last().text, "No teacher name provided.");
    dialog->getNameField()->setText("Sarah Kim ");
    command(TeachersWindow::ID_EDIT);
    ASSERT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(prompts.last().text, "This teacher already exists.");
    EXPECT_EQ(stored(2), "Tom Hale");
    // The same teacher's own name, with a space too many, is no duplicate.
    dialog->getNameField()->setText("Tom Hale ");
    command(TeachersWindow::ID_EDIT);
    EXPECT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(stored(2), "Tom Hale");
}

TEST_F(Teachers, NamesAreTrimmedBeforeTheyAreCheckedAndStored) {
    add("Tom Hale ");
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().text, "This teacher already exists.");
    EXPECT_EQ(teacherCount(), 4);
    add("  Hemi Walker  ");
    EXPECT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(stored(decimalValue(appState.currentUserId)), "Hemi Walker");
    EXPECT_GE(rowOf("Hemi Walker"), 0);
}

// The question names what goes with a teacher: their plans, and for a
// leader the syndicate's teachers.
TEST_F(Teachers, DeletingALeaderNamesWhatIsTheirs) {
    sql("insert into LongTerm (Id, PlanName, FKSyndicate, Persistant) values (10, 'Number', 3, 0);"
        "insert into UnitPlan (Id, UnitName, FKLongTerm, FKTeacher, Rotate) values (20, 'Fractions', 10, 3, 0);"
        "insert into LessonPlan (Id, LessonName, FKUnitPlan) values (30, 'Halves', 20);"
        "insert into LessonPlan (Id, LessonName, FKUnitPlan) values (31, 'Quarters', 20);");
    pick(rowOf("Rangi Parata"));
    command(TeachersWindow::ID_DELETE);
    EXPECT_EQ(prompts.last().text,
              "Delete the teacher \"Rangi Parata\"?\n\nTheir 1 unit plan (2 lessons) and 1 long-term plan stay in the "
              "database, but no teacher will see them any more.\n\nThey lead a syndicate of 1 other teacher, who keep "
              "their plans but no longer have a leader.");
    EXPECT_EQ(stored(3), "Rangi Parata");
}

TEST_F(Teachers, ThePlaceholderOfNoCurrentUserNeverBecomesATeacher) {
    ASSERT_STREQ(dialog->getNameField()->getText().text(), "");
    dialog->getNameField()->setText("No current user.");
    command(TeachersWindow::ID_ADD);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "Add Teacher Error");
    EXPECT_EQ(prompts.last().text, "No teacher name provided.");
    pick(1);
    dialog->getNameField()->setText("No current user.");
    command(TeachersWindow::ID_EDIT);
    EXPECT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(teacherCount(), 4);
    EXPECT_EQ(stored(2), "Tom Hale");
}

TEST_F(Teachers, ANameLongerThanItsColumnIsRefusedWithHowMuchTooLong) {
    add(std::string(139, 'a').append("'").c_str());  // 139 + 4 as stored
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().text,
              "The teacher's name is 3 characters too long: it holds 140 characters, and each ' , or \\ in it takes "
              "four of them.");
    EXPECT_EQ(teacherCount(), 4);
    add(std::string(140, 'a').c_str());
    EXPECT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(teacherCount(), 5);
}

TEST_F(Teachers, TheTwoListsScrollTogether) {
    std::string rows;
    for (int i = 0; i < 60; ++i)
        rows += "insert into Teachers (Id, Teacher, Syndicate) values (" + std::to_string(100 + i) + ", 'Teacher " +
                std::to_string(i) + "', 1);";
    sql(rows);
    dialog->resize(dialog->getDefaultWidth(), 500);
    dialog->show();
    command(TeachersWindow::ID_LOAD);
    FXList* teachers = dialog->getTeacherList();
    FXList* leaders = dialog->getLeaderList();
    // As at the next idle moment: the lists learn their new length.
    dialog->layout();
    teachers->layout();
    leaders->layout();
    settle();
    ASSERT_GT(teachers->getContentHeight(), teachers->getViewportHeight()) << "the list must need scrolling";
    teachers->setPosition(0, -200);
    EXPECT_EQ(teachers->getYPosition(), -200);
    EXPECT_EQ(leaders->getYPosition(), teachers->getYPosition());
    // Choosing a teacher far down shows it, with its leader row beside it.
    pick(teachers->getNumItems() - 1);
    EXPECT_EQ(leaders->getYPosition(), teachers->getYPosition());
    EXPECT_LT(teachers->getYPosition(), -200);
    FXint y = teachers->getItemHeight(0) * (teachers->getNumItems() - 1) + teachers->getYPosition();
    EXPECT_GE(y, 0);
    EXPECT_LE(y + teachers->getItemHeight(0), teachers->getViewportHeight());
    dialog->hide();
}

}  // namespace

// A teacher renamed elsewhere while the name was being typed here: asked,
// and Cancel stores nothing.
TEST_F(Teachers, ARenameOverAnotherRenameAsksFirst) {
    pick(rowOf("Tom Hale"));
    sql("update Teachers set Teacher = 'Tom Hale-Smith', ReadVersion = RowVersion, ChangedBy = 1 where Id = 2;");
    dialog->getNameField()->setText("Thomas Hale");
    prompts.picks.push_back("Cancel");
    command(TeachersWindow::ID_EDIT);
    ASSERT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(prompts.last().caption, "Teacher Changed");
    EXPECT_EQ(prompts.last().text.find("Teacher \"Tom Hale\" was changed by Ann Leader after you opened it: "
                                       "Teacher Name changed."),
              0u)
        << prompts.last().text;
    EXPECT_EQ(stored(2), "Tom Hale-Smith");
    prompts.picks.push_back("Overwrite");
    command(TeachersWindow::ID_EDIT);
    EXPECT_EQ(stored(2), "Thomas Hale");
}

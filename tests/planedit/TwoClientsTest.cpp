// Two teachers at work on one lesson at once: the other one is another
// Plenwick on the same service (planedit_second_client, a program of its
// own with its own connection), this one the editor of the test.  Nothing
// either stores is lost unseen.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "planedit/PlanEditTest.h"
#include "ui/RowConflict.h"

using namespace FX;
using namespace planedit;

namespace {

class TwoClients : public PlanEdit {
protected:
    void SetUp() override {
        PlanEdit::SetUp();
        addLongTerm(10, "Number", weekday(-21), weekday(40));
        addUnit(20, 10, "Fractions");
        addLesson(30, 20, "Halves", weekday(7), weekday(7));
        open();
        choosePlan(10);
        chooseUnit(20);
        chooseLesson(30);
    }
    void TearDown() override {
        for (FXDialogBox* w : keptWindows()) delete w;
        PlanEdit::TearDown();
    }

    // The other Plenwick shows lesson 30 as teacher Tia, types `fields`
    // ("Label:=text") and presses Edit; its prompts, one line each.
    std::vector<std::string> otherEdits(const std::vector<std::string>& fields) {
        const std::string home = services().dir() + "/second-home";
        mkdir(home.c_str(), 0700);
        std::string command = "cd " + testsupport::shellQuote(services().workdir()) +
                              " && HOME=" + testsupport::shellQuote(home) + " " +
                              testsupport::shellQuote(testsupport::buildDir() + "/planedit_second_client") + " 30 " +
                              std::to_string(TEACHER) + " " + std::to_string(LEADER);
        for (const std::string& f : fields) command += " " + testsupport::shellQuote(f);
        std::string output;
        EXPECT_EQ(0, testsupport::run(command, &output, false)) << output;
        std::vector<std::string> lines;
        size_t from = 0;
        for (size_t at; (at = output.find('\n', from)) != std::string::npos; from = at + 1)
            lines.push_back(output.substr(from, at - from));
        return lines;
    }
    std::string stored(const std::string& column) {
        return value("Select " + column + " from LessonPlan where Id = 30");
    }
    std::vector<FXDialogBox*> keptWindows() {
        std::vector<FXDialogBox*> out;
        for (FXWindow* w = app()->getRootWindow()->getFirst(); w; w = w->getNext())
            if (w->isMemberOf(FXMETACLASS(FXDialogBox)) &&
                static_cast<FXDialogBox*>(w)->getTitle() == rowconflict::keptTitle)
                out.push_back(static_cast<FXDialogBox*>(w));
        return out;
    }
    std::string keptText(FXDialogBox* w) {
        for (FXWindow* c = w->getFirst(); c; c = c->getNext())
            if (FXText* t = dynamic_cast<FXText*>(c->getFirst())) return t->getText().text();
        return "";
    }
    const testsupport::RecordingPrompter::Prompt* choice() {
        for (auto& p : prompts.prompts)
            if (p.kind == "choice") return &p;
        return nullptr;
    }
};

}  // namespace

// B stores Essential Skills; A, still showing the old text, changes only
// the Name: A is asked, and Cancel stores nothing of A's.
TEST_F(TwoClients, AnEditOverAnotherTeachersChangeAsksFirst) {
    EXPECT_EQ(otherEdits({"Essential Skills:=Counting in halves"}), std::vector<std::string>());
    EXPECT_EQ(stored("LessonES"), "Counting in halves");

    type(OBJECTIVE, "Name:", "Halves and quarters");
    prompts.picks.push_back("Cancel");
    press(OBJECTIVE, "Edit");
    const auto* asked = choice();
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->caption, "Lesson plan Changed");
    EXPECT_EQ(asked->text,
              "Lesson plan \"Halves\" was changed by Tia Teacher after you opened it: Essential Skills changed.\n\n"
              "Reload shows what is stored now; what you typed is kept in a window for you to copy from.\n"
              "Overwrite stores what you typed in place of the other change.\n"
              "Cancel leaves everything as it is, without storing anything.");
    EXPECT_EQ(asked->buttons, (std::vector<std::string>{"Reload", "Overwrite", "Cancel"}));
    EXPECT_EQ(stored("LessonName"), "Halves");
    EXPECT_EQ(stored("LessonES"), "Counting in halves");
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Halves and quarters");  // the typed text stays
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(keptWindows().empty());
}

// Reload shows what B stored; what A typed waits in a window to copy from.
// A's next Edit goes through and keeps B's text.
TEST_F(TwoClients, ReloadShowsTheStoredLessonAndKeepsTheTypedText) {
    otherEdits({"Essential Skills:=Counting in halves"});
    type(OBJECTIVE, "Name:", "Halves and quarters");
    prompts.picks.push_back("Reload");
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(text(OBJECTIVE, "Essential Skills:"), "Counting in halves");
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Halves");
    EXPECT_EQ(stored("LessonName"), "Halves");
    const auto kept = keptWindows();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(keptText(kept[0]), "Name:\nHalves and quarters");

    prompts.clear();
    type(OBJECTIVE, "Name:", "Halves and quarters");
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(choice(), nullptr);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(stored("LessonName"), "Halves and quarters");
    EXPECT_EQ(stored("LessonES"), "Counting in halves");
    EXPECT_EQ(stored("ChangedBy"), std::to_string(TEACHER));
}

// Overwrite stores what A typed over B's change, and names only the
// fields that changed.
TEST_F(TwoClients, OverwriteStoresWhatWasTyped) {
    otherEdits({"Essential Skills:=Counting in halves", "Closure:=Share the halves"});
    type(OBJECTIVE, "Essential Skills:", "Folding paper");
    prompts.picks.push_back("Overwrite");
    press(OBJECTIVE, "Edit");
    ASSERT_NE(choice(), nullptr);
    EXPECT_NE(choice()->text.find(": Essential Skills and Closure changed."), std::string::npos) << choice()->text;
    EXPECT_EQ(stored("LessonES"), "Folding paper");
    EXPECT_EQ(stored("LessonClose"), "close");
    EXPECT_TRUE(errors().empty());
}

// Two edits one after the other without anything between them, and an edit
// of B's over A's stored one: each side sees the other's change.
TEST_F(TwoClients, TheOtherClientIsAskedToo) {
    type(OBJECTIVE, "Name:", "Halves first");
    press(OBJECTIVE, "Edit");
    type(OBJECTIVE, "Essential Skills:", "Cutting shapes");
    press(OBJECTIVE, "Edit");
    EXPECT_EQ(choice(), nullptr);
    EXPECT_EQ(stored("LessonES"), "Cutting shapes");
    // The other client opens the lesson now and stores on top: no question.
    EXPECT_EQ(otherEdits({"Closure:=Halves again"}), std::vector<std::string>());
    EXPECT_EQ(stored("LessonClose"), "Halves again");
    EXPECT_EQ(stored("LessonES"), "Cutting shapes");
}

// A lesson deleted meanwhile says so, and nothing is stored.
TEST_F(TwoClients, ADeletedLessonSaysItWasDeleted) {
    sql("delete from LessonPlan where Id = 30;");
    type(OBJECTIVE, "Name:", "Halves and quarters");
    press(OBJECTIVE, "Edit");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0],
              "Database Error|Lesson plan \"Halves\" was deleted after you opened it (by someone else or in another "
              "window), so nothing was stored.\n\nEverything you typed is still here for you to copy.");
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Halves and quarters");
}

// The unit, its long-term plan and the syndicate's subjects are checked the
// same way (the other teacher's change written here directly, as a checked
// write of Lena's).
TEST_F(TwoClients, UnitsPlansAndSubjectsAreCheckedToo) {
    sql("update UnitPlan set UnitDescription = 'Walls', ReadVersion = RowVersion, ChangedBy = 1 where Id = 20;");
    type(UNIT, "Name:", "Fractions and decimals");
    press(UNIT, "Edit");  // none chosen: Cancel
    ASSERT_NE(choice(), nullptr);
    EXPECT_EQ(choice()->caption, "Unit plan Changed");
    EXPECT_EQ(choice()->text.find(
                  "Unit plan \"Fractions\" was changed by Lena Leader after you opened it: Description changed."),
              0u)
        << choice()->text;
    EXPECT_EQ(value("Select UnitName from UnitPlan where Id = 20"), "Fractions");

    prompts.clear();
    sql("update LongTerm set PlanEnd = '" + weekday(45) + "' where Id = 10;");
    type(LONGTERM, "Name:", "Numbers");
    prompts.picks.push_back("Overwrite");
    press(LONGTERM, "Edit");
    ASSERT_NE(choice(), nullptr);
    EXPECT_EQ(choice()->text.find(
                  "Long term plan \"Number\" was changed by someone else after you opened it: End Date changed."),
              0u)
        << choice()->text;
    EXPECT_EQ(value("Select PlanName from LongTerm where Id = 10"), "Numbers");

    close();
    loginAs(LEADER, LEADER);
    open();
    prompts.clear();
    click("Subject Description", 0);
    setCurrent("Subject Description", 0, true);
    sql("update Subject set Description = 'Mathematics', ReadVersion = RowVersion, ChangedBy = 2 where Id = 1;");
    type(SUBJECTS, "Subject Description", "Maths and numbers");
    press(SUBJECTS, "Edit");
    ASSERT_NE(choice(), nullptr);
    EXPECT_EQ(choice()->text.find("Subject \"Maths\" was changed by Tia Teacher after you opened it"), 0u)
        << choice()->text;
    EXPECT_EQ(value("Select Description from Subject where Id = 1"), "Mathematics");
}

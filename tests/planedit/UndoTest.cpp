// Undo and Redo: each kind of change recorded, taken back and made again
// row for row (every column but the versions the database counts); a
// change by someone else since refuses and restores nothing; each teacher
// keeps the newest steps only.
#include <string>

#include "data/IsectRecordset.h"
#include "data/UndoJournal.h"
#include "planedit/PlanEditTest.h"
#include "planedit/Reschedule.h"
#include "planedit/UndoCommands.h"

using namespace FX;
using namespace planedit;

namespace {

class Undo : public PlanEdit {
protected:
    void SetUp() override {
        PlanEdit::SetUp();
        addLongTerm(10, "Number, and more", weekday(-21), weekday(40));
        addUnit(20, 10, "Fractions");
        addUnit(21, 10, "Angles");
        addLesson(30, 20, "Halves", weekday(7), weekday(7), "09:00", "09:50");
        addLesson(31, 20, "Quarters", weekday(8), weekday(9), "10:00", "10:50");
        addLesson(32, 20, "Eighths", weekday(14), weekday(14), "11:00", "11:50");
        addLesson(33, 21, "Right angles", weekday(15), weekday(15), "09:00", "09:50");
        // Texts as the editor stores them (escaped), and an attachment of
        // two chunks.
        sql("update LessonPlan set LessonES = 'It\\047s one\\054 two \\134 three', LessonEval = 1, "
            "LessonNotTaught = 1 where Id = 31;"
            "insert into BinaryDescription (Id, FileName, FileSize, Description, Ready) values (40, "
            "'/home/tia/sheet.txt', 4, 'Notes\\054 here', 0);"
            "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (40, 40, 0, "
            "'YWJj', 20);"
            "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (41, 40, 1, "
            "'ZA==', 20);");
    }

    // Every row of the planning tables as the database gives them, all
    // columns but the row versions' bookkeeping.
    std::string snapshot() {
        const char* const queries[] = {
            "Select Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, Persistant from "
            "LongTerm Order By Id",
            "Select Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate from UnitPlan "
            "Order By Id",
            "Select Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, LessonClose, LessonTest, "
            "LessonResource, LessonReflect, LessonEval, LessonAssess, LessonNotTaught, DateStart, DateEnd, "
            "TimeStart, TimeEnd, RoutineDay, FKUnitPlan from LessonPlan Order By Id",
            "Select Id, FileName, FileSize, Description, Ready from BinaryDescription Order By Id",
            "Select * from UnitBinary Order By Id"};
        std::string all;
        for (const char* q : queries) {
            IsectRecordset rs;
            rs.OpenRecordset(q);
            all += rs.GetText().text();
        }
        return all;
    }

    // The Edit menu's items of the dialog.
    FXMenuCommand* editItem(int index) {
        for (FXWindow* w = dialog->getFirst(); w; w = w->getNext())
            if (FXMenuBar* bar = dynamic_cast<FXMenuBar*>(w)) {
                FXMenuTitle* title = static_cast<FXMenuTitle*>(bar->getFirst());
                FXWindow* item = title->getMenu()->getFirst();
                for (int i = 0; i < index; ++i) item = item->getNext();
                return static_cast<FXMenuCommand*>(item);
            }
        return nullptr;
    }
    // The GUI update of an item, as when the menu is shown.
    FXMenuCommand* updated(int index) {
        FXMenuCommand* item = editItem(index);
        item->handle(item, FXSEL(SEL_UPDATE, 0), nullptr);
        return item;
    }
    void undo() { dialog->handle(dialog, FXSEL(SEL_COMMAND, UnitPlanDialog::ID_UNDO), nullptr); }
    void redo() { dialog->handle(dialog, FXSEL(SEL_COMMAND, UnitPlanDialog::ID_REDO), nullptr); }

    // The change, then Undo gives back the rows before it and Redo the rows
    // after it; the Edit menu names the step each time.
    void expectUndoAndRedo(const std::string& description, const std::function<void()>& change) {
        SCOPED_TRACE(description);
        const std::string before = snapshot();
        change();
        ASSERT_TRUE(errors().empty()) << errors().back();
        const std::string after = snapshot();
        ASSERT_NE(before, after);
        undocommands::refresh();
        EXPECT_EQ(editItem(0)->getText().text(), "Undo " + description);
        EXPECT_TRUE(updated(0)->isEnabled());
        EXPECT_FALSE(updated(1)->isEnabled());
        undo();
        ASSERT_TRUE(errors().empty()) << errors().back();
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(editItem(1)->getText().text(), "Redo " + description);
        EXPECT_TRUE(updated(1)->isEnabled());
        redo();
        ASSERT_TRUE(errors().empty()) << errors().back();
        EXPECT_EQ(snapshot(), after);
    }
};

TEST_F(Undo, EachKindOfChangeIsUndoneAndRedoneRowForRow) {
    open();
    expectUndoAndRedo("Reschedule of 3 lessons", [&] {
        reschedule::Request request;
        request.fromDate = weekday(7).c_str();
        request.scope = reschedule::Request::ONE_UNIT;
        request.unitId = 20;
        request.days = 3;
        reschedule::Plan plan;
        ASSERT_TRUE(reschedule::preview(request, plan));
        ASSERT_TRUE(reschedule::apply(plan));
    });
    expectUndoAndRedo("Shove of 2 lessons", [&] {
        choosePlan(10);
        chooseUnit(20);
        chooseLesson(31);
        prompts.answers.push_back(true);
        press(OBJECTIVE, "Shove");
    });
    expectUndoAndRedo("Move of lesson Halves", [&] {
        choosePlan(10);
        chooseUnit(20);
        chooseLesson(30);
        press(OBJECTIVE, "+Week");
        press(OBJECTIVE, "Edit");
    });
    expectUndoAndRedo("Delete of lesson Right angles", [&] {
        choosePlan(10);
        chooseUnit(21);
        chooseLesson(33);
        prompts.answers.push_back(true);
        press(OBJECTIVE, "Delete");
    });
    expectUndoAndRedo("Delete of unit Fractions", [&] {
        choosePlan(10);
        chooseUnit(20);
        prompts.answers.push_back(true);
        press(UNIT, "Delete");
        EXPECT_EQ(count("Select Count(*) from UnitBinary"), 0);
    });
    // Undone again, so that the plan is deleted with everything in it.
    undo();
    EXPECT_EQ(count("Select Count(*) from UnitBinary"), 2);
    expectUndoAndRedo("Delete of long-term plan Number, and more", [&] {
        choosePlan(10);
        prompts.answers.push_back(true);
        press(LONGTERM, "Delete");
        EXPECT_EQ(count("Select Count(*) from LessonPlan"), 0);
    });
    // The steps stay in the database: Undo after a restart (a new editor)
    // takes the plan's delete back, and the editor lists the plan again.
    close();
    open();
    undo();
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 3);
    EXPECT_EQ(items("Long Term Plan"), std::vector<std::string>{"Number, and more"});

    // A change made on another computer: the Edit menu names it as it opens
    // (a long name cut at a whole character, never inside a macron).
    std::string longName;
    for (int i = 0; i < 100; ++i) longName += "\xc4\x81";  // ā
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        undo::Step step(("Delete of lesson " + longName).c_str());
        step.before("LessonPlan", "Id = 30");
        rs.OpenRecordset("Delete from LessonPlan where Id = 30");
        step.finish();
        transaction.commit();
    }
    EXPECT_EQ(std::string(editItem(0)->getText().text()), "Undo Delete of lesson Right angles");
    FXMenuPane* pane = static_cast<FXMenuPane*>(editItem(0)->getParent());
    pane->popup(nullptr, 0, 0);
    pane->popdown();
    EXPECT_EQ(std::string(editItem(0)->getText().text()), "Undo Delete of lesson " + longName.substr(0, 162));
}

TEST_F(Undo, AChangeSinceByAnotherComputerRefusesAndRestoresNothing) {
    open();
    reschedule::Request request;
    request.fromDate = weekday(7).c_str();
    request.scope = reschedule::Request::ONE_UNIT;
    request.unitId = 20;
    reschedule::Plan plan;
    ASSERT_TRUE(reschedule::preview(request, plan));
    ASSERT_TRUE(reschedule::apply(plan));
    // Another teacher's Plenwick (another connection) changes one of the
    // moved lessons.
    sql("update LessonPlan set LessonName = 'Changed', ReadVersion = RowVersion, ChangedBy = 3 where Id = 31;");
    const std::string now = snapshot();
    undo();
    ASSERT_EQ(prompts.last().kind, "error");
    EXPECT_EQ(prompts.last().caption, "Undo");
    EXPECT_EQ(prompts.last().text,
              "Undo of \"Reschedule of 3 lessons\" is not possible, because since then:\n\n"
              "- the lesson \"Quarters\" was changed by Otto Other\n\nNothing was changed.");
    EXPECT_EQ(snapshot(), now);
    // The step stays offered; deleted by another computer, the lesson is
    // said to be gone.
    sql("delete from LessonPlan where Id = 31;");
    undo();
    EXPECT_NE(prompts.last().text.find("- the lesson \"Quarters\" was deleted\n"), std::string::npos)
        << prompts.last().text;
    EXPECT_EQ(count("Select Count(*) from LessonPlan where Id = 30 and DateStart = '" + weekday(8) + "'"), 1);

    // A unit deleted, then its long-term plan deleted elsewhere: the unit
    // cannot come back.
    choosePlan(10);
    chooseUnit(21);
    prompts.answers.push_back(true);
    press(UNIT, "Delete");
    sql("delete from LongTerm where Id = 10;");
    undo();
    EXPECT_NE(prompts.last().text.find("- the unit plan \"Angles\" has lost its long-term plan, which was deleted\n"),
              std::string::npos)
        << prompts.last().text;
    EXPECT_EQ(count("Select Count(*) from UnitPlan where Id = 21"), 0);
}

// A change that only adds rows (a year rolled over) names them: Undo takes
// them out while nobody changed them or put work of their own into them,
// and Redo puts them back as they were.
TEST_F(Undo, AStepOfInsertedRowsIsTakenOutAndPutBack) {
    const std::string before = snapshot();
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        undo::Step step("Roll over of 2030 into 2031");
        for (const char* insert :
             {"insert into LongTerm (Id, PlanName, PlanStart, PlanEnd, FKSubject, FKSyndicate) values (50, 'Copy\\054 "
              "plan', '2031-02-03', '2031-04-11', 1, 2)",
              "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher) values (60, 'Copy unit', 1, 50, 2)",
              "insert into LessonPlan (Id, LessonName, LessonES, DateStart, DateEnd, TimeStart, TimeEnd, FKUnitPlan) "
              "values (70, 'Copied lesson', 'It\\047s', '2031-02-04', '2031-02-04', '09:00', '09:50', 60)",
              "insert into BinaryDescription (Id, FileName, FileSize, Description, Ready) values (80, 'sheet.txt', 4, "
              "'', 0)",
              "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (80, 80, 0, "
              "'YWJj', 60)",
              "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (81, 80, 1, "
              "'ZA==', 60)"})
            rs.OpenRecordset(insert);
        step.inserted("LongTerm", {50});
        step.inserted("UnitPlan", {60});
        step.inserted("LessonPlan", {70});
        step.inserted("BinaryDescription", {80});
        step.inserted("UnitBinary", {80, 81});
        step.finish();
        transaction.commit();
    }
    const std::string after = snapshot();
    ASSERT_NE(before, after);
    ASSERT_TRUE(undo::undoLast().done);
    EXPECT_EQ(snapshot(), before);
    ASSERT_TRUE(undo::redoLast().done);
    EXPECT_EQ(snapshot(), after);

    sql("update LessonPlan set LessonName = 'Mine now' where Id = 70;");
    undo::Outcome refused = undo::undoLast();
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.changes, "- the lesson \"Copied lesson\" was changed\n");
    // As it was again, but with a lesson of someone else's in the unit.
    sql("update LessonPlan set LessonName = 'Copied lesson' where Id = 70;"
        "insert into LessonPlan (Id, LessonName, FKUnitPlan) values (71, 'New', 60);");
    refused = undo::undoLast();
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.changes, "- the unit plan \"Copy unit\" has a new lesson in it\n");
    EXPECT_EQ(count("Select Count(*) from UnitBinary where FKUnitPlan = 60"), 2);
    sql("delete from LessonPlan where Id = 71;");
    ASSERT_TRUE(undo::undoLast().done);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(Undo, EachTeacherKeepsTheNewestStepsAndANewChangeEndsRedo) {
    auto rename = [&](int i) {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        undo::Step step(FXStringFormat("Rename %d", i));
        step.before("LessonPlan", "Id = 30");
        rs.OpenRecordset(FXStringFormat("Update LessonPlan set LessonName = 'Name %d' where Id = 30", i));
        step.finish();
        transaction.commit();
    };
    // Another teacher's step is not counted, nor touched.
    loginAs(OTHER, OTHER);
    rename(0);
    loginAs(TEACHER, LEADER);
    for (int i = 1; i <= undo::kept + 2; ++i) rename(i);
    EXPECT_EQ(count("Select Count(*) from UndoStep where FKTeacher = 2"), undo::kept);
    EXPECT_EQ(count("Select Count(*) from UndoStep where FKTeacher = 3"), 1);
    EXPECT_EQ(value("Select Min(Description) from UndoStep where FKTeacher = 2 and Description like 'Rename _'"),
              "Rename 3");
    // A step that changed nothing is none.
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        undo::Step step("Nothing");
        step.before("LessonPlan", "Id = 30");
        step.finish();
        transaction.commit();
    }
    EXPECT_EQ(count("Select Count(*) from UndoStep where Description = 'Nothing'"), 0);

    for (int i = 0; i < undo::kept; ++i) ASSERT_TRUE(undo::undoLast().done) << i;
    EXPECT_EQ(value("Select LessonName from LessonPlan where Id = 30"), "Name 2");
    EXPECT_TRUE(undo::undoLast().description.empty());
    // Redo after an undo, until the next change.
    ASSERT_TRUE(undo::redoLast().done);
    EXPECT_EQ(value("Select LessonName from LessonPlan where Id = 30"), "Name 3");
    rename(99);
    EXPECT_TRUE(undo::redoLast().description.empty());
    undo::Offer offer;
    ASSERT_TRUE(undo::offer(offer));
    EXPECT_EQ(offer.undo, "Rename 99");
    EXPECT_EQ(offer.redo, "");
}

}  // namespace

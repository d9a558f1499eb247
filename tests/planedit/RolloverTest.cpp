// Rolling a school year over: where each lesson and plan of a year of four
// terms lands in a year whose terms start on other dates (one of them
// shorter), the lessons without a place listed and placed or left out,
// attachments copied byte for byte by the database, Cancel storing
// nothing, and a second rollover of the same years naming the first.
#include <regex>
#include <string>

#include "data/AppState.h"
#include "data/Base64.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "data/UndoJournal.h"
#include "planedit/PlanEditTest.h"
#include "planedit/Rollover.h"
#include "planedit/RolloverDialog.h"
#include "support/LocalZone.h"
#include "support/RecordingProgress.h"
#include "transfer/Attachments.h"

using namespace FX;
using namespace planedit;

namespace {

class Rollover : public PlanEdit {
protected:
    void SetUp() override {
        PlanEdit::SetUp();
        // 2026: four terms of ten weeks.  2027: each term begins on another
        // Monday, term 2 has nine weeks, term 4 eleven; Monday 26 July 2027
        // is a teacher-only day.
        std::string terms = "delete from TermDate; delete from YearRollover;";
        const char* const rows[] = {"1, '2026-02-02', 10, 2026, 1", "2, '2026-04-27', 10, 2026, 2",
                                    "3, '2026-07-20', 10, 2026, 3", "4, '2026-10-12', 10, 2026, 4",
                                    "5, '2027-02-01', 10, 2027, 1", "6, '2027-04-26', 9, 2027, 2",
                                    "7, '2027-07-12', 10, 2027, 3", "8, '2027-10-04', 11, 2027, 4"};
        for (const char* row : rows)
            terms += "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (" +
                     std::string(row) + ");";
        sql(terms +
            "insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2027-07-26', '2027-07-26', "
            "'Teacher only');");
        addLongTerm(10, "Number", "2026-02-02", "2026-04-10");                        // all of term 1
        addLongTerm(11, "Stories", "2026-04-27", "2026-07-03", TEACHER, 0, READING);  // all of term 2
        addLongTerm(12, "Living things", "2026-07-27", "2026-12-18", TEACHER, 0, SCIENCE);
        addLongTerm(13, "Old year", "2025-02-03", "2025-04-11");
        addUnit(20, 10, "Fractions");
        addUnit(21, 11, "Myths");
        addUnit(22, 12, "Plants");
        addUnit(23, 13, "Last year's");
        addLesson(30, 20, "Halves", "2026-02-03", "2026-02-03", "09:00", "09:50");
        addLesson(31, 21, "Late in term 2", "2026-07-01", "2026-07-01", "11:00", "11:50");  // week 10 of 10
        addLesson(32, 22, "Seeds", "2026-08-03", "2026-08-03", "10:00", "10:50");           // on the closed day
        addLesson(33, 22, "Leaves", "2026-11-05", "2026-11-05", "13:30", "14:20");          // after the clocks
        addLesson(34, 23, "Long ago", "2025-02-04", "2025-02-04");
    }
    std::string datesOf(const std::string& name) {
        return value(
            "Select coalesce(cast(list(DateStart || ' ' || substring(cast(TimeStart as varchar(13)) from 1 for 5) "
            "|| ' ' || DateEnd, ', ') as varchar(400)), '') from LessonPlan where LessonName = '" +
            name + "' and Id >= 1000");
    }
    // Rows of every table a rollover writes, as one text.
    std::string counts() {
        return value(
            "Select (Select count(*) from LongTerm) || ' ' || (Select count(*) from UnitPlan) || ' ' || "
            "(Select count(*) from LessonPlan) || ' ' || (Select count(*) from BinaryDescription) || ' ' || "
            "(Select count(*) from UnitBinary) || ' ' || (Select count(*) from YearRollover) from "
            "RDB$DATABASE");
    }
    static const rollover::LessonCopy* find(const rollover::Plan& plan, const char* id) {
        for (const auto& l : plan.lessons)
            if (l.id == id) return &l;
        return nullptr;
    }
    static std::string ids(const std::vector<FXint>& list) {
        std::string text;
        for (FXint id : list) text += (text.empty() ? "" : ",") + std::to_string(id);
        return text;
    }
};

// Each lesson keeps term, week and weekday (London's clocks go back on 25
// October 2026, between the term's first Monday and the last lesson); the
// lesson past the shorter term's end and the one on the teacher-only day
// are listed, and go to the next teaching day or stay behind.
TEST_F(Rollover, LessonsAndPlansKeepTermWeekAndWeekdayAndTheMisfitsAreListed) {
    testsupport::LocalZone zone("Europe/London");
    rollover::Plan plan;
    ASSERT_TRUE(rollover::preview(2026, 2027, plan));
    ASSERT_EQ(plan.plans.size(), 3u);  // not last year's
    EXPECT_EQ(plan.plans[0].newStart + " " + plan.plans[0].newEnd, "2027-02-01 2027-04-09");
    EXPECT_EQ(plan.plans[1].newStart + " " + plan.plans[1].newEnd, "2027-04-26 2027-06-25");  // nine weeks
    EXPECT_EQ(plan.plans[2].newStart + " " + plan.plans[2].newEnd, "2027-07-19 2027-12-17");
    ASSERT_EQ(plan.units.size(), 3u);
    ASSERT_EQ(plan.lessons.size(), 4u);
    EXPECT_EQ(find(plan, "30")->newStart, "2027-02-02");
    EXPECT_EQ(find(plan, "30")->misfit, "");
    EXPECT_EQ(find(plan, "33")->newStart, "2027-10-28");
    EXPECT_EQ(find(plan, "33")->misfit, "");
    EXPECT_EQ(find(plan, "31")->newStart, "2027-06-30");
    EXPECT_EQ(find(plan, "31")->misfit, "past the end of term 2 (9 weeks)");
    EXPECT_EQ(find(plan, "31")->nextStart, "2027-07-12");  // the first day of term 3
    EXPECT_EQ(find(plan, "32")->newStart, "2027-07-26");
    EXPECT_EQ(find(plan, "32")->misfit, "on Teacher only");
    EXPECT_EQ(find(plan, "32")->nextStart, "2027-07-27");
    EXPECT_EQ(plan.misfits(), 2);
    EXPECT_EQ(plan.rolledOverBefore, "");
    const std::string before = counts();

    rollover::Stored stored;
    ASSERT_EQ(rollover::store(nullptr, plan, rollover::NEXT_TEACHING_DAY, stored), rollover::STORED);
    EXPECT_EQ(datesOf("Halves"), "2027-02-02 09:00 2027-02-02");
    EXPECT_EQ(datesOf("Late in term 2"), "2027-07-12 11:00 2027-07-12");
    EXPECT_EQ(datesOf("Seeds"), "2027-07-27 10:00 2027-07-27");
    EXPECT_EQ(datesOf("Leaves"), "2027-10-28 13:30 2027-10-28");
    EXPECT_EQ(datesOf("Long ago"), "");
    // The copies hang together: lesson under the new unit, unit under the
    // new plan, the texts as they were.
    EXPECT_EQ(
        value("Select L.LessonIntro || ' ' || U.UnitName || ' ' || T.PlanName || ' ' || T.Description || ' ' "
              "|| T.FKSubject from LessonPlan L, UnitPlan U, LongTerm T where L.FKUnitPlan = U.Id and "
              "U.FKLongTerm = T.Id and L.LessonName = 'Seeds' and L.Id >= 1000 and U.Id >= 1000 and T.Id >= 1000"),
        "intro Plants Living things About Living things 3");
    // The ids handed back are exactly the rows that were added: taken away,
    // the tables are as they were.
    ASSERT_EQ(stored.longTerms.size(), 3u);
    ASSERT_EQ(stored.units.size(), 3u);
    ASSERT_EQ(stored.lessons.size(), 4u);
    EXPECT_EQ(count("Select count(*) from LessonPlan where Id in (" + ids(stored.lessons) + ")"), 4);
    sql("delete from UnitPlan where Id in (" + ids(stored.units) + "); delete from LongTerm where Id in (" +
        ids(stored.longTerms) + "); delete from YearRollover where Id = " + std::to_string(stored.rollover) + ";");
    EXPECT_EQ(counts(), before);

    // Left out, the two stay behind; the others go as before.
    ASSERT_EQ(rollover::store(nullptr, plan, rollover::LEAVE_OUT, stored), rollover::STORED);
    EXPECT_EQ(stored.lessons.size(), 2u);
    EXPECT_EQ(datesOf("Late in term 2"), "");
    EXPECT_EQ(datesOf("Seeds"), "");
    EXPECT_EQ(datesOf("Halves"), "2027-02-02 09:00 2027-02-02");
    EXPECT_EQ(count("Select count(*) from UnitPlan where Id >= 1000"), 3);
}

// The syndicate's shared plans are its leader's to roll over; a teacher's
// unit under one follows it into the new year once the leader has.
TEST_F(Rollover, AUnitUnderTheSyndicatesPlanFollowsTheLeadersCopy) {
    addLongTerm(14, "Shared reading", "2026-02-02", "2026-04-10", LEADER, 0, READING);
    addUnit(24, 14, "Poems");
    addLesson(35, 24, "Haiku", "2026-02-04", "2026-02-04");
    rollover::Plan plan;
    ASSERT_TRUE(rollover::preview(2026, 2027, plan));
    EXPECT_EQ(plan.unitsLeftOut, 1);
    EXPECT_EQ(plan.units.size(), 3u);

    loginAs(LEADER, LEADER);
    rollover::Plan shared;
    ASSERT_TRUE(rollover::preview(2026, 2027, shared));
    ASSERT_EQ(shared.plans.size(), 1u);
    EXPECT_TRUE(shared.units.empty());
    rollover::Stored leaders;
    ASSERT_EQ(rollover::store(nullptr, shared, rollover::LEAVE_OUT, leaders), rollover::STORED);
    ASSERT_EQ(leaders.longTerms.size(), 1u);

    loginAs(TEACHER, LEADER);
    ASSERT_TRUE(rollover::preview(2026, 2027, plan));
    EXPECT_EQ(plan.unitsLeftOut, 0);
    ASSERT_EQ(plan.units.size(), 4u);
    rollover::Stored stored;
    ASSERT_EQ(rollover::store(nullptr, plan, rollover::LEAVE_OUT, stored), rollover::STORED);
    EXPECT_EQ(value("Select FKLongTerm from UnitPlan where UnitName = 'Poems' and Id >= 1000"),
              std::to_string(leaders.longTerms[0]));
    EXPECT_EQ(datesOf("Haiku"), "2027-02-03 09:00 2027-02-03");
    EXPECT_EQ(count("Select count(*) from LongTerm where PlanName = 'Shared reading'"), 2);
}

// An attachment is copied by the database, byte for byte, under the new
// unit; Cancel in the progress window stores nothing at all.
TEST_F(Rollover, AttachmentsAreCopiedByteForByteAndCancelStoresNothing) {
    std::string bytes;
    for (int i = 0; i < 7000; ++i) bytes += (char)((i * 131 + i / 7) % 256);  // every byte value, NULs too
    const FXString encoded = base64::encode(FXString(bytes.data(), (FXint)bytes.size()));
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        const FXint chunk = attachments::chunkSize;
        ASSERT_TRUE(rs.OpenRecordset("Select * from MakeUnitBinary('plants.bin'," + FXStringVal((FXint)bytes.size()) +
                                     ",'" + encoded.left(chunk) + "',22)"));
        const FXString id = rs.GetField(0).trim();
        for (FXint at = chunk, n = 1; at < encoded.length(); at += chunk, ++n)
            ASSERT_TRUE(rs.OpenRecordset("Execute Procedure BulkLoadUnitBinary(" + id + "," + FXStringVal(n) + ",'" +
                                         encoded.mid(at, chunk) + "',22)"));
        ASSERT_TRUE(
            rs.OpenRecordset("Update BinaryDescription Set Ready = 0, Description = 'Seed pictures' where Id = " + id));
        transaction.commit();
    }
    rollover::Plan plan;
    ASSERT_TRUE(rollover::preview(2026, 2027, plan));
    ASSERT_EQ(plan.attachments.size(), 1u);
    EXPECT_EQ(plan.attachments[0].chunks, 10);

    const std::string before = counts();
    {
        testsupport::RecordingProgress progress;
        progress.cancelAtStep = 1;
        rollover::Stored stored;
        EXPECT_EQ(rollover::store(nullptr, plan, rollover::NEXT_TEACHING_DAY, stored), rollover::CANCELLED);
        EXPECT_EQ(progress.opens.size(), 1u);
        EXPECT_EQ(progress.closes, 1u);
        EXPECT_TRUE(stored.lessons.empty());
    }
    EXPECT_EQ(counts(), before);

    rollover::Stored stored;
    ASSERT_EQ(rollover::store(nullptr, plan, rollover::NEXT_TEACHING_DAY, stored), rollover::STORED);
    ASSERT_EQ(stored.attachments.size(), 1u);
    const std::string copy = std::to_string(stored.attachments[0]);
    EXPECT_EQ(value("Select FileName || ' ' || FileSize || ' ' || Description || ' ' || Ready from BinaryDescription "
                    "where Id = " +
                    copy),
              "plants.bin 7000 Seed pictures 0");
    // Its chunks under the new unit, the first sharing the attachment's id.
    EXPECT_EQ(count("Select count(*) from UnitBinary where BinaryId = " + copy + " and FKUnitPlan in (" +
                    ids(stored.units) + ")"),
              10);
    EXPECT_EQ(value("Select BinaryIncrement from UnitBinary where Id = " + copy), "0");
    IsectRecordset rs;
    const FXString read = attachments::readBytes(rs, copy.c_str());
    EXPECT_EQ(std::string(read.text(), (size_t)read.length()), bytes);

    // The rollover is one undo step: Undo takes every copy away, chunks
    // included; Redo gives them back byte for byte.
    const std::string rolled = counts();
    undo::Offer offer;
    ASSERT_TRUE(undo::offer(offer));
    EXPECT_EQ(offer.undo, "Roll Over of 2026 into 2027");
    EXPECT_TRUE(undo::undoLast().done);
    EXPECT_EQ(count("Select count(*) from UnitBinary where BinaryId = " + copy), 0);
    EXPECT_EQ(count("Select count(*) from LessonPlan where Id in (" + ids(stored.lessons) + ")"), 0);
    EXPECT_EQ(count("Select count(*) from UnitPlan where Id in (" + ids(stored.units) + ")"), 0);
    EXPECT_TRUE(undo::redoLast().done);
    EXPECT_EQ(counts(), rolled);
    const FXString again = attachments::readBytes(rs, copy.c_str());
    EXPECT_EQ(std::string(again.text(), (size_t)again.length()), bytes);
}

// The window: a second rollover of 2026 into 2027 names the day and time
// of the first, and only Yes copies again; once both are undone, the next
// one asks nothing.
TEST_F(Rollover, ASecondRolloverOfTheSameYearsWarnsNamingTheFirst) {
    auto rollOver = [&](RolloverDialog& dialog) {
        dialog.create();
        ASSERT_EQ(dialog.getFromBox()->getText(), "2026");
        ASSERT_EQ(dialog.getIntoBox()->getText(), "2027");
        dialog.handle(&dialog, FXSEL(SEL_COMMAND, RolloverDialog::ID_PREVIEW), nullptr);
        dialog.handle(&dialog, FXSEL(SEL_COMMAND, RolloverDialog::ID_ROLLOVER), nullptr);
    };
    appState.dateOffset = dates::offsetShowing("2026-03-02");
    {
        RolloverDialog dialog(app()->getRootWindow());
        rollOver(dialog);
        EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
        ASSERT_EQ(dialog.getPreviewList()->getNumItems(), 2);
        EXPECT_EQ(std::string(dialog.getPreviewList()->getItemText(0).text()),
                  "Late in term 2\tMyths\t01/07/26\t11:00-11:50\t30/06/27\tpast the end of term 2 (9 weeks)\t"
                  "Mon 12/07/27");
    }
    const std::string once = counts();
    EXPECT_EQ(count("Select count(*) from LessonPlan where Id >= 1000"), 4);
    const std::string today = shown(day(0));

    {
        RolloverDialog dialog(app()->getRootWindow());
        rollOver(dialog);  // No
        ASSERT_EQ(prompts.count("question"), 1u);
        EXPECT_EQ(prompts.last().caption, "Confirm Roll Over");
        EXPECT_TRUE(std::regex_match(prompts.last().text, std::regex("You rolled 2026 over into 2027 before, on " +
                                                                     today + " at [0-2][0-9]:[0-5][0-9]\\.\n(.|\n)*")))
            << prompts.last().text;
        EXPECT_EQ(counts(), once);
        dialog.handle(&dialog, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
    }
    prompts.answers.push_back(true);
    RolloverDialog dialog(app()->getRootWindow());
    rollOver(dialog);
    EXPECT_EQ(prompts.count("question"), 2u);
    EXPECT_EQ(count("Select count(*) from LessonPlan where Id >= 1000"), 8);
    EXPECT_EQ(count("Select count(*) from YearRollover"), 2);

    // Both undone, the copies are gone and a third rollover asks nothing.
    EXPECT_TRUE(undo::undoLast().done);
    EXPECT_TRUE(undo::undoLast().done);
    EXPECT_EQ(count("Select count(*) from LessonPlan where Id >= 1000"), 0);
    RolloverDialog third(app()->getRootWindow());
    rollOver(third);
    EXPECT_EQ(prompts.count("question"), 2u);
    EXPECT_EQ(count("Select count(*) from LessonPlan where Id >= 1000"), 4);
}

}  // namespace

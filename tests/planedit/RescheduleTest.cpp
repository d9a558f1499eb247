// Moving lessons by teaching days: where each lesson goes across a weekend,
// a non-teaching day, a term break and a change of the clocks (London and
// Auckland), the conflicts listed, and the one transaction that stores it.
#include <string>

#include "planedit/PlanEditTest.h"
#include "planedit/Reschedule.h"
#include "planedit/RescheduleDialog.h"
#include "support/LocalZone.h"

using namespace FX;
using namespace planedit;

namespace {

class Reschedule : public PlanEdit {
protected:
    void SetUp() override {
        PlanEdit::SetUp();
        // Terms 1 and 2 of 2014: 3 February to 11 April, 28 April to 4 July.
        sql("delete from Subject; delete from TermDate;"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-02-03', 10, "
            "2014, 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (2, '2014-04-28', 10, "
            "2014, 2);"
            "insert into Subject (Id, Description, Ordinal, FKSyndicate, FKTermDateStart) values (1, 'Maths', 1, 1, "
            "1);"
            "insert into Subject (Id, Description, Ordinal, FKSyndicate, FKTermDateStart) values (2, 'Reading', 2, 1, "
            "1);");
        addLongTerm(10, "Number", "2014-02-03", "2014-04-11");
        addLongTerm(11, "Stories", "2014-02-03", "2014-07-04", LEADER, 0, READING);
        addUnit(20, 10, "Fractions");
        addUnit(21, 11, "Myths");
        addUnit(22, 10, "Measures");
    }
    std::string dates(int id) {
        return value("Select DateStart || ' ' || DateEnd from LessonPlan where Id = " + std::to_string(id));
    }
    static const reschedule::Move* find(const reschedule::Plan& plan, const char* id) {
        for (const auto& m : plan.moves)
            if (m.lessonId == id) return &m;
        return nullptr;
    }
};

// A snow day on Thursday 27 March 2014: the day's lessons and the later ones
// of their units go one teaching day on; Monday 31 March (after the clocks
// went forward) is a teacher-only day; the last day of term 1 goes on to
// the first of term 2, or to the Monday after when the holidays count.
TEST_F(Reschedule, SnowDayAcrossAWeekendANonTeachingDayAndATermBreakInLondon) {
    testsupport::LocalZone zone("Europe/London");
    sql("insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-03-31', '2014-03-31', 'Teacher only');");
    addLesson(30, 20, "Thursday", "2014-03-27", "2014-03-27", "09:00", "09:50");
    addLesson(31, 20, "Friday", "2014-03-28", "2014-03-28", "09:00", "09:50");
    addLesson(32, 20, "On the closed day", "2014-03-31", "2014-03-31", "11:00", "11:50");
    addLesson(33, 20, "Last of the term", "2014-04-11", "2014-04-11", "09:00", "09:50");
    addLesson(34, 21, "Myth", "2014-03-27", "2014-03-27", "10:00", "10:50");
    addLesson(35, 22, "Not that day", "2014-03-28", "2014-03-28", "09:30", "10:20");  // its unit has none on the 27th
    addLesson(36, 20, "Before", "2014-03-26", "2014-03-26", "09:00", "09:50");

    reschedule::Request request;
    request.fromDate = "2014-03-27";
    request.scope = reschedule::Request::UNITS_OF_DAY;
    request.days = 1;
    reschedule::Plan plan;
    ASSERT_TRUE(reschedule::preview(request, plan));
    ASSERT_EQ(plan.moves.size(), 5u);
    EXPECT_EQ(find(plan, "30")->newStart, "2014-03-28");
    EXPECT_EQ(find(plan, "31")->newStart, "2014-04-01");  // past the weekend and the closed Monday
    EXPECT_EQ(find(plan, "32")->newStart, "2014-04-01");
    EXPECT_EQ(find(plan, "33")->newStart, "2014-04-28");  // the holidays are no teaching days
    EXPECT_EQ(find(plan, "34")->newStart, "2014-03-28");
    EXPECT_EQ(find(plan, "35"), nullptr);
    EXPECT_EQ(find(plan, "30")->timeStart, "09:00");
    // Conflicts: the Thursday lessons meet the one of unit 22 on Friday; the
    // last lesson of term 1 passes its own plan's end (stretched on Apply).
    EXPECT_EQ(find(plan, "30")->conflict, "at the same time as \"Not that day\"");
    EXPECT_EQ(find(plan, "33")->conflict, "past its long-term plan's end (11/04/14), which is stretched to it");
    EXPECT_EQ(find(plan, "31")->conflict, "");
    EXPECT_EQ(find(plan, "32")->conflict, "");
    EXPECT_EQ(find(plan, "34")->conflict, "at the same time as \"Not that day\"");  // 10:00 meets 09:30-10:20
    EXPECT_EQ(plan.conflicts(), 3);
    EXPECT_TRUE(plan.touchesPast());
    EXPECT_EQ(dates(30), "2014-03-27 2014-03-27");  // a preview stores nothing

    ASSERT_TRUE(reschedule::apply(plan));
    EXPECT_EQ(dates(30), "2014-03-28 2014-03-28");
    EXPECT_EQ(dates(31), "2014-04-01 2014-04-01");
    EXPECT_EQ(dates(33), "2014-04-28 2014-04-28");
    EXPECT_EQ(dates(35), "2014-03-28 2014-03-28");
    EXPECT_EQ(dates(36), "2014-03-26 2014-03-26");
    EXPECT_EQ(value("Select TimeStart || '' from LessonPlan where Id = 30").substr(0, 5), "09:00");
    EXPECT_EQ(value("Select PlanEnd || '' from LongTerm where Id = 10"), "2014-04-28");
    EXPECT_EQ(value("Select ChangedBy from LessonPlan where Id = 30"), "2");

    // When the holidays count, the last day of the term goes on to Monday.
    sql("update LessonPlan set DateStart = '2014-04-11', DateEnd = '2014-04-11' where Id = 33;");
    request.scope = reschedule::Request::ONE_UNIT;
    request.unitId = 20;
    request.fromDate = "2014-04-11";
    request.breaksCount = true;
    ASSERT_TRUE(reschedule::preview(request, plan));
    ASSERT_EQ(plan.moves.size(), 1u);
    EXPECT_EQ(plan.moves[0].newStart, "2014-04-14");
}

// Auckland's clocks went back on Sunday 6 April 2014.  Two teaching days
// back from Tuesday 8 April is Friday 4 April; a lesson spanning days
// keeps its length in teaching days; the time of day the search starts
// from leaves the earlier lessons of that day.
TEST_F(Reschedule, BackAcrossTheClocksInAucklandFromATimeOfDay) {
    testsupport::LocalZone zone("Pacific/Auckland");
    addLesson(30, 20, "Early", "2014-04-08", "2014-04-08", "09:00", "09:50");
    addLesson(31, 20, "Late", "2014-04-08", "2014-04-08", "13:00", "13:50");
    addLesson(32, 20, "Two days", "2014-04-09", "2014-04-10", "09:00", "09:50");
    reschedule::Request request;
    request.fromDate = "2014-04-08";
    request.fromTime = "12:00";
    request.scope = reschedule::Request::ALL_UNITS;
    request.days = -2;
    reschedule::Plan plan;
    ASSERT_TRUE(reschedule::preview(request, plan));
    ASSERT_EQ(plan.moves.size(), 2u);
    EXPECT_EQ(find(plan, "31")->newStart, "2014-04-04");
    EXPECT_EQ(find(plan, "32")->newStart + " " + find(plan, "32")->newEnd, "2014-04-07 2014-04-08");
    // Moved onto Tuesday 8 April at 09:00, where "Early" stays.
    EXPECT_EQ(find(plan, "32")->conflict, "at the same time as \"Early\"");
    EXPECT_EQ(find(plan, "31")->conflict, "");
}

// Past the last term, and the syndicate's plan: listed, not stretched; a
// lesson changed by someone else after the preview stops the whole Apply.
TEST_F(Reschedule, ConflictsListedAndAChangeSinceThePreviewStoresNothing) {
    addLesson(30, 21, "Last week", "2014-07-03", "2014-07-03", "09:00", "09:50");
    addLesson(31, 21, "Last day", "2014-07-04", "2014-07-04", "09:00", "09:50");
    reschedule::Request request;
    request.fromDate = "2014-07-01";
    request.scope = reschedule::Request::ONE_SUBJECT;
    request.subjectId = READING;
    request.days = 1;
    request.breaksCount = true;
    reschedule::Plan plan;
    ASSERT_TRUE(reschedule::preview(request, plan));
    ASSERT_EQ(plan.moves.size(), 2u);
    EXPECT_EQ(find(plan, "30")->conflict, "");
    EXPECT_EQ(find(plan, "31")->newStart, "2014-07-07");
    EXPECT_EQ(find(plan, "31")->conflict, "Syndicate Wide Plan Exceeded; past the last term");

    sql("update LessonPlan set LessonName = 'Changed elsewhere' where Id = 31;");
    bool refused = false;
    try {
        reschedule::apply(plan);
    } catch (const FXException&) {
        refused = true;
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(dates(30), "2014-07-03 2014-07-03");
    EXPECT_EQ(dates(31), "2014-07-04 2014-07-04");
    EXPECT_EQ(value("Select PlanEnd || '' from LongTerm where Id = 11"), "2014-07-04");
}

// The window: Snow Day fills it and previews; Cancel stores nothing; Apply
// asks the past lessons' question once for all of them, and Yes (abandon)
// stores nothing either.
TEST_F(Reschedule, TheWindowPreviewsAppliesOnceAskedAndCancelStoresNothing) {
    sql("insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2014-03-31', '2014-03-31', 'Teacher only');");
    addLesson(30, 20, "Thursday", "2014-03-27", "2014-03-27", "09:00", "09:50");
    addLesson(31, 20, "Friday", "2014-03-28", "2014-03-28", "09:00", "09:50");
    addLesson(32, 22, "Other unit", "2014-04-01", "2014-04-01", "13:00", "13:50");
    {
        RescheduleDialog dialog(app()->getRootWindow(), "2014-03-27", "10:00", 0);
        dialog.create();
        EXPECT_STREQ(dialog.getFromDateField()->getText().text(), "27/03/14");
        dialog.handle(&dialog, FXSEL(SEL_COMMAND, RescheduleDialog::ID_SNOWDAY), nullptr);
        EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
        EXPECT_STREQ(dialog.getFromTimeField()->getText().text(), "");
        FXIconList* list = dialog.getPreviewList();
        ASSERT_EQ(list->getNumItems(), 2);
        EXPECT_STREQ(list->getItemText(0).text(),
                     "Thursday\tFractions\t27/03/14\t09:00-09:50\t28/03/14\t09:00-09:50\t");
        EXPECT_STREQ(list->getItemText(1).text(), "Friday\tFractions\t28/03/14\t09:00-09:50\t01/04/14\t09:00-09:50\t");
        EXPECT_STREQ(dialog.getSummary().text(), "2 lessons to move.");
        // A field changed after the preview: the preview goes.
        dialog.getDaysSpinner()->setValue(2);
        dialog.handle(dialog.getDaysSpinner(), FXSEL(SEL_COMMAND, RescheduleDialog::ID_FIELD), nullptr);
        EXPECT_EQ(list->getNumItems(), 0);
        dialog.handle(&dialog, FXSEL(SEL_COMMAND, RescheduleDialog::ID_PREVIEW), nullptr);
        ASSERT_EQ(list->getNumItems(), 2);
        EXPECT_EQ(dialog.getPlan().moves[1].newStart, "2014-04-02");
        dialog.handle(&dialog, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
    }
    EXPECT_EQ(dates(30), "2014-03-27 2014-03-27");
    EXPECT_EQ(dates(31), "2014-03-28 2014-03-28");

    RescheduleDialog dialog(app()->getRootWindow(), "2014-03-27", "", 0);
    dialog.create();
    dialog.setScope(reschedule::Request::ALL_UNITS);
    dialog.handle(&dialog, FXSEL(SEL_COMMAND, RescheduleDialog::ID_PREVIEW), nullptr);
    ASSERT_EQ(dialog.getPreviewList()->getNumItems(), 3);
    prompts.answers.push_back(true);  // abandon
    dialog.handle(&dialog, FXSEL(SEL_COMMAND, RescheduleDialog::ID_APPLY), nullptr);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "Retrospective Planning Not Allowed");
    EXPECT_EQ(dates(30), "2014-03-27 2014-03-27");
    prompts.answers.push_back(false);  // go on
    dialog.handle(&dialog, FXSEL(SEL_COMMAND, RescheduleDialog::ID_APPLY), nullptr);
    EXPECT_EQ(prompts.prompts.size(), 2u);  // once for the three lessons
    EXPECT_EQ(dates(30), "2014-03-28 2014-03-28");
    EXPECT_EQ(dates(31), "2014-04-01 2014-04-01");
    EXPECT_EQ(dates(32), "2014-04-02 2014-04-02");

    // Wrong input is said in words.
    dialog.getFromDateField()->setText("31/2/14");
    dialog.handle(&dialog, FXSEL(SEL_COMMAND, RescheduleDialog::ID_PREVIEW), nullptr);
    EXPECT_EQ(prompts.last().caption, "Reschedule Error");
    EXPECT_EQ(prompts.last().text.find("From date \"31/2/14\" is not a date"), 0u) << prompts.last().text;
}

}  // namespace

// Storing a rollover: every copy is an INSERT ... SELECT from the row it
// copies, with the ids taken from the tables' generators beforehand, so
// that the statements need no answer and go out in EXECUTE BLOCKs without
// waiting for each other.
#include "data/AppState.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "data/Numbers.h"
#include "data/UndoJournal.h"
#include "planedit/Rollover.h"
#include "ui/Progress.h"

using namespace FX;

namespace rollover {

namespace {

// One statement of the copy and the rows it writes (for the progress bar).
struct Statement {
    FXString sql;
    FXuint rows;
};

// Statements to one EXECUTE BLOCK: a lesson's copy is some 700 bytes, so a
// block stays well inside the 64 kB a statement may have; an attachment's
// copy closes the block once it holds this many chunk rows.
constexpr FXint statementsPerBlock = 32;
constexpr FXuint rowsPerBlock = 2000;
// Blocks under way before their replies are read: enough to keep the
// worker busy, few enough for Cancel to answer soon.
constexpr FXint blocksUnderWay = 2;

FXString dateValue(const FXString& date) { return date.empty() ? FXString("NULL") : "'" + date + "'"; }

// The first of `count` ids from a generator that stood at `last` after
// giving them.
FXint firstOf(FXint last, size_t count) { return last - (FXint)count + 1; }

// The new ids of one rollover, taken from the generators at once.
struct NewIds {
    FXint plan = 0, unit = 0, lesson = 0, attachment = 0, rollover = 0;
};

bool reserve(IsectRecordset& rs, size_t plans, size_t units, size_t lessons, size_t attachments, NewIds& ids) {
    if (!rs.OpenRecordset(FXStringFormat("Select gen_id(NEWLONGTERM, %d), gen_id(NEWUNITPLAN, %d), "
                                         "gen_id(NEWLESSONPLAN, %d), gen_id(NEWUNITBINARY, %d), "
                                         "gen_id(NEWYEARROLLOVER, 1) from RDB$DATABASE",
                                         (FXint)plans, (FXint)units, (FXint)lessons, (FXint)attachments)))
        return false;
    rs.MoveFirst();
    ids.plan = firstOf(decimalValue(rs.rows.GetField(0)), plans);
    ids.unit = firstOf(decimalValue(rs.rows.GetField(1)), units);
    ids.lesson = firstOf(decimalValue(rs.rows.GetField(2)), lessons);
    ids.attachment = firstOf(decimalValue(rs.rows.GetField(3)), attachments);
    ids.rollover = decimalValue(rs.rows.GetField(4));
    return true;
}

// Where a lesson goes under `choice`; false when it is left out.
bool placeOf(const LessonCopy& l, Choice choice, FXString& start, FXString& end) {
    if (l.misfit.empty()) {
        start = l.newStart;
        end = l.newEnd;
        return true;
    }
    if (choice == LEAVE_OUT || l.nextStart.empty()) return false;
    start = l.nextStart;
    end = l.nextEnd;
    return true;
}

// The statements of the copy, filling `stored` with the ids they give.
std::vector<Statement> statements(const Plan& plan, Choice choice, const NewIds& ids, Stored& stored) {
    std::vector<Statement> out;
    for (size_t i = 0; i < plan.plans.size(); ++i) {
        const PlanCopy& p = plan.plans[i];
        const FXint id = ids.plan + (FXint)i;
        stored.longTerms.push_back(id);
        out.push_back({FXStringFormat("Insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, "
                                      "FKSubject, FKYear, FKSyndicate, Persistant) Select %d, PlanName, Description, ",
                                      id) +
                           dateValue(p.newStart) + ", " + dateValue(p.newEnd) +
                           ", FKSubject, FKYear, FKSyndicate, Persistant from LongTerm Where Id = " + p.id,
                       1});
    }
    for (size_t i = 0; i < plan.units.size(); ++i) {
        const UnitCopy& u = plan.units[i];
        const FXint id = ids.unit + (FXint)i;
        stored.units.push_back(id);
        const FXString longTerm = u.planCopy >= 0 ? FXStringVal(ids.plan + u.planCopy) : u.planId;
        // A copy is an ordinary unit: not marked for export, not imported.
        out.push_back({FXStringFormat("Insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, "
                                      "FKTeacher, Transfer, Rotate) Select %d, UnitName, UnitDescription, UnitType, ",
                                      id) +
                           longTerm + ", FKTeacher, 0, Rotate from UnitPlan Where Id = " + u.id,
                       1});
    }
    FXint lesson = ids.lesson;
    for (const LessonCopy& l : plan.lessons) {
        FXString start, end;
        if (!placeOf(l, choice, start, end)) continue;
        stored.lessons.push_back(lesson);
        // What the lesson is, copied; how it went (its evaluation, "not
        // taught") belongs to the old year and starts afresh.
        out.push_back({FXStringFormat("Insert into LessonPlan (Id, LessonName, LessonES, LessonAO, LessonSLO, "
                                      "LessonIntro, LessonDev, LessonClose, LessonTest, LessonResource, LessonReflect, "
                                      "LessonEval, LessonAssess, LessonNotTaught, DateStart, DateEnd, TimeStart, "
                                      "TimeEnd, RoutineDay, FKUnitPlan) Select %d, LessonName, LessonES, LessonAO, "
                                      "LessonSLO, LessonIntro, LessonDev, LessonClose, LessonTest, LessonResource, "
                                      "LessonReflect, 0, LessonAssess, 0, ",
                                      lesson) +
                           dateValue(start) + ", " + dateValue(end) +
                           FXStringFormat(", TimeStart, TimeEnd, RoutineDay, %d from LessonPlan Where Id = ",
                                          ids.unit + l.unitCopy) +
                           l.id,
                       1});
        ++lesson;
    }
    // An attachment's description and its first chunk share one id (taken
    // beforehand); the other chunks are numbered by the table's trigger.
    for (size_t i = 0; i < plan.attachments.size(); ++i) {
        const AttachmentCopy& a = plan.attachments[i];
        const FXint id = ids.attachment + (FXint)i;
        const FXString unit = FXStringVal(ids.unit + a.unitCopy);
        stored.attachments.push_back(id);
        out.push_back({FXStringFormat("Insert into BinaryDescription (Id, FileName, FileSize, Description, Ready) "
                                      "Select %d, FileName, FileSize, Description, 0 from BinaryDescription "
                                      "Where Id = ",
                                      id) +
                           a.id,
                       1});
        out.push_back({FXStringFormat("Insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) "
                                      "Select %d, %d, BinaryIncrement, BinaryData, ",
                                      id, id) +
                           unit + " from UnitBinary Where BinaryId = " + a.id + " and BinaryIncrement = 0",
                       1});
        out.push_back({FXStringFormat("Insert into UnitBinary (BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) "
                                      "Select %d, BinaryIncrement, BinaryData, ",
                                      id) +
                           unit + " from UnitBinary Where BinaryId = " + a.id + " and BinaryIncrement > 0",
                       (FXuint)FXMAX(1, a.chunks - 1)});
    }
    return out;
}

}  // namespace

Outcome store(FXWindow* owner, const Plan& plan, Choice choice, Stored& stored) {
    stored = Stored();
    FXint lessons = 0;
    for (const LessonCopy& l : plan.lessons) {
        FXString start, end;
        lessons += placeOf(l, choice, start, end);
    }

    IsectRecordset rs;
    IsectRecordset::Transaction transaction(rs);
    NewIds ids;
    if (!reserve(rs, plan.plans.size(), plan.units.size(), (size_t)lessons, plan.attachments.size(), ids)) return LOST;
    Stored rows;
    const std::vector<Statement> copies = statements(plan, choice, ids, rows);
    FXuint total = 0;
    for (const Statement& s : copies) total += s.rows;

    ProgressWindow progress(
        owner, "Roll Over Year Progress",
        "Copying the plans of " + FXStringVal(plan.fromYear) + " into " + FXStringVal(plan.toYear) + ".", total);
    IsectRecordset::Batch batch(rs);
    FXString block;
    FXint inBlock = 0;
    FXuint inBlockRows = 0;
    // Sends the block; false when the connection was lost.
    auto send = [&] {
        if (!inBlock) return true;
        if (!batch.Add("Execute Block As Begin\n" + block + "End")) return false;
        progress->advance(inBlockRows);
        block = FXString::null;
        inBlock = 0;
        inBlockRows = 0;
        return batch.Sent() % blocksUnderWay != 0 || batch.Wait();
    };
    for (const Statement& s : copies) {
        block += s.sql + ";\n";
        inBlockRows += s.rows;
        if (++inBlock < statementsPerBlock && inBlockRows < rowsPerBlock) continue;
        if (!send()) return LOST;
        if (progress->cancelled()) {
            transaction.rollback();
            return CANCELLED;
        }
    }
    if (!send()) return LOST;
    if (progress->cancelled()) {
        transaction.rollback();
        return CANCELLED;
    }
    // The one undo step that takes the rollover back, and the rollover
    // itself, for a second one to name the first while its copies stand.
    undo::Step step("Roll Over of " + FXStringVal(plan.fromYear) + " into " + FXStringVal(plan.toYear));
    const FXString teacher = FXStringVal(decimalValue(appState.currentUserId));
    if (!batch.Add(FXStringFormat("Insert into YearRollover (Id, FKTeacher, FromYear, ToYear, DoneAt, Plans, Units, "
                                  "Lessons, Attachments, UndoStep) values (%d, ",
                                  ids.rollover) +
                   teacher + FXStringFormat(", %d, %d, '", plan.fromYear, plan.toYear) +
                   dates::localText(dates::now(), "%Y-%m-%d %H:%M:%S") +
                   FXStringFormat("', %d, %d, %d, %d, %d)", (FXint)rows.longTerms.size(), (FXint)rows.units.size(),
                                  (FXint)rows.lessons.size(), (FXint)rows.attachments.size(), step.id())) ||
        !batch.Wait())
        return LOST;
    rows.rollover = ids.rollover;
    progress->setMessage("Storing the plans of " + FXStringVal(plan.toYear) + ".");
    step.inserted("LongTerm", rows.longTerms);
    step.inserted("UnitPlan", rows.units);
    step.inserted("LessonPlan", rows.lessons);
    step.inserted("BinaryDescription", rows.attachments);
    step.insertedChunksOf(rows.attachments);
    step.finish();
    transaction.commit();
    stored = rows;
    return STORED;
}

}  // namespace rollover

// Next year's planning made from this year's: the current teacher's
// long-term plans, unit plans, lessons and attachments of one school year
// copied into another year whose terms are set up, worked out before
// anything is stored, then stored in one transaction.
//
//   rollover::Plan plan;
//   if (!rollover::preview(2026, 2027, plan)) return;     // lost connection
//   ... the preview lists plan.misfits(); the user chooses for all of them ...
//   rollover::Stored rows;
//   rollover::store(owner, plan, rollover::NEXT_TEACHING_DAY, rows);
//
// A lesson keeps its term number, its week within the term and its weekday
// (and its times): the first Tuesday of term 2 goes to the first Tuesday of
// the new year's term 2.  Where that place is a non-teaching day, or past
// the new term's length, or the new year has no such term, the lesson is a
// misfit: it goes on to the next teaching day, or is left out, as the user
// chooses for all of them.  Long-term plans map the same way, a plan that
// ran from its term's first day to its last running over the whole new
// term.  The texts are copied by the database itself (INSERT ... SELECT),
// attachments included, so nothing large travels to the client and back.
#ifndef PLENWICK_ROLLOVER_H
#define PLENWICK_ROLLOVER_H

#include <fx.h>

#include <vector>

class IsectRecordset;

namespace rollover {

struct PlanCopy {
    FX::FXString id, name;
    FX::FXString newStart, newEnd;  // YYYY-MM-DD
};

struct UnitCopy {
    FX::FXString id, name;
    // Under the copy of plans[planCopy], or (planCopy -1) under the plan
    // `planId` (a plan shown in every term, or the new year's copy of the
    // syndicate's shared plan).
    FX::FXint planCopy = -1;
    FX::FXString planId;
};

struct LessonCopy {
    FX::FXString id, name;
    FX::FXint unitCopy = 0;               // index in units
    FX::FXString oldStart, oldEnd, time;  // YYYY-MM-DD; HH:MM-HH:MM or ""
    FX::FXString newStart, newEnd;        // its place in the new year ("" without one)
    // Why the place cannot take it ("" when it can), and where the next
    // teaching day puts it ("" when there is none).
    FX::FXString misfit;
    FX::FXString nextStart, nextEnd;
};

struct AttachmentCopy {
    FX::FXString id, fileName;
    FX::FXint unitCopy = 0;
    FX::FXint chunks = 0;  // the file's size in chunks, for the progress
};

struct Plan {
    FX::FXint fromYear = 0, toYear = 0;
    std::vector<PlanCopy> plans;
    std::vector<UnitCopy> units;
    std::vector<LessonCopy> lessons;  // by start, time and Id
    std::vector<AttachmentCopy> attachments;
    // What stays behind: the plans of a term the new year does not have
    // (with their units), and the units under a syndicate plan that is not
    // in the new year yet.
    FX::FXint plansLeftOut = 0, unitsLeftOut = 0;
    // When this teacher rolled the same year over into the same year
    // before (the first time, YYYY-MM-DD HH:MM), or "".
    FX::FXString rolledOverBefore;

    FX::FXint misfits() const;
};

// What the user chose for the misfits.
enum Choice { NEXT_TEACHING_DAY, LEAVE_OUT };

// The new rows, per table: whatever the rollover inserted, so that it can
// be taken back as one step.  `attachments` are the BinaryDescription rows;
// their chunks are the UnitBinary rows whose BinaryId is one of them (the
// first chunk's Id is the attachment's own, as for every attachment).
struct Stored {
    std::vector<FX::FXint> longTerms, units, lessons, attachments;
    FX::FXint rollover = 0;  // the YearRollover row
};

enum Outcome { STORED, CANCELLED, LOST };

// The school years with terms, for the window's choices.  False when the
// connection was lost.
bool years(std::vector<FX::FXint>& years);

// Reads what the rollover of `fromYear` into `toYear` copies, and where
// each lesson goes.  False when the connection was lost; database errors
// are thrown as FXException.
bool preview(FX::FXint fromYear, FX::FXint toYear, Plan& plan);

// Stores the copies in one transaction, with a progress window over
// `owner` whose Cancel stores nothing; the misfits go where `choice` says.
// `stored` receives the new rows' ids.  Database errors are thrown (nothing
// stored).
Outcome store(FX::FXWindow* owner, const Plan& plan, Choice choice, Stored& stored);

// The words of the preview's summary ("3 long-term plans, 12 units, ..."),
// one line a sentence.
FX::FXString summary(const Plan& plan);

}  // namespace rollover

#endif

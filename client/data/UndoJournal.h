// The undo journal: every change that moves or removes lessons, unit plans
// or long-term plans keeps, in the database and in the same transaction as
// the change, the rows as they were before and as they are after, so that
// a teacher can undo it (and redo it) from any computer, after a restart.
//
// A change records one step while its transaction is open:
//
//   IsectRecordset rs;
//   IsectRecordset::Transaction transaction(rs);
//   undo::Step step("Delete of unit Fractions");
//   step.unitsBefore("Id = 12");                // the unit, its lessons, its attachments
//   query(rs, "Delete from UnitPlan where Id = 12");
//   step.finish();                              // the rows as they are now
//   transaction.commit();
//
// A change that only adds rows (a year rolled over) names them instead:
//
//   undo::Step step("Roll over of 2026 into 2027");
//   ... inserts, in the transaction ...
//   step.inserted("LongTerm", longTermIds);
//   step.inserted("UnitPlan", unitIds);
//   step.inserted("LessonPlan", lessonIds);
//   step.insertedChunksOf(attachmentIds);       // their chunk rows
//   step.inserted("BinaryDescription", attachmentIds);
//   step.finish();
//
// The tables are those of `tables` below; the images keep every column of
// the rows, so that an undo gives each row back as it was, byte for byte
// (an updated row counts its ROWVERSION on and names the teacher who undid
// it in CHANGEDBY, as any write does, so that other editors notice).
//
// Undo and redo (undoLast, redoLast) act only while every row of the step
// is still as the step left it (every column but the versions' bookkeeping,
// or its being there or not); otherwise they list what changed and change
// nothing.  Each teacher keeps
// the newest `kept` steps; a new step drops the steps undone before it.
#ifndef PLENWICK_UNDOJOURNAL_H
#define PLENWICK_UNDOJOURNAL_H

#include <fx.h>

#include <vector>

namespace undo {

// Steps kept per teacher.
const FX::FXint kept = 50;

class Step {
public:
    // A new step of the current teacher; runs inside the caller's open
    // transaction (every statement of the journal is part of it).  Every
    // call throws the recordset's failures, and FXException when the
    // connection was lost (already counted: the command tells it).
    explicit Step(const FX::FXString& description);
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

    // Before the change: the rows of `table` where `condition` (SQL on the
    // table's own columns), as they are now, are about to be updated or
    // deleted.
    void before(const FX::FXString& table, const FX::FXString& condition);
    // The same for the rows of these ids (none: nothing).
    void before(const FX::FXString& table, const std::vector<FX::FXint>& ids);
    // The same for unit plans where `condition`, with their lessons and
    // attachments; and for long-term plans, with their unit plans.
    void unitsBefore(const FX::FXString& condition);
    void plansBefore(const FX::FXString& condition);
    // After the change: the rows of `table` with these ids were inserted.
    void inserted(const FX::FXString& table, const std::vector<FX::FXint>& ids);
    // The same for the chunk rows of these new attachments, found by the
    // database without reading their ids first.
    void insertedChunksOf(const std::vector<FX::FXint>& attachmentIds);
    // After the change: the rows kept by before() as they are now (gone
    // when deleted); rows the change left as they were are dropped, and a
    // step that changed nothing is no step.  Then the redo steps go and the
    // teacher's steps are trimmed to `kept`.
    void finish();

    FX::FXint id() const { return stepId; }

private:
    FX::FXint stepId = 0;
    FX::FXString teacher;
};

// The newest step Undo would take back and the one Redo would make again,
// for the current teacher ("" for none).
struct Offer {
    FX::FXString undo, redo;
};
// Reads the offer; false when the connection was lost.  Throws the
// recordset's failures.
bool offer(Offer& offer);

// What Undo or Redo did.
struct Outcome {
    bool done = false;         // the step was undone (or redone)
    FX::FXString description;  // the step's ("" when there was none)
    FX::FXString changes;      // when refused: what changed since, one line each
};
// Takes back the current teacher's newest step, or makes the last undone
// one again, in one transaction.  Throws the recordset's failures, and
// FXException when the connection was lost.
Outcome undoLast();
Outcome redoLast();

}  // namespace undo

#endif

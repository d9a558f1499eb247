// Moving many lessons by teaching days at once: which lessons, where each
// goes and what would go wrong there, worked out before anything is
// stored, then stored in one transaction.
//
//   reschedule::Request request;            // from a date (and time) on,
//   request.fromDate = "2026-03-10";        // whose lessons, how far
//   request.days = 1;
//   reschedule::Plan plan;
//   if (!reschedule::preview(request, plan)) return;   // lost connection
//   ... the preview table shows plan.moves with their conflicts ...
//   reschedule::apply(plan);                // one transaction; throws on a refusal
//
// A teaching day is a weekday that is no non-teaching day (School Setup)
// and, unless the request says otherwise, lies in a term.  A lesson's start
// and end each move by the same number of teaching days; its times stay.
#ifndef PLENWICK_RESCHEDULE_H
#define PLENWICK_RESCHEDULE_H

#include <fx.h>

#include <vector>

namespace reschedule {

struct Request {
    FX::FXString fromDate;  // YYYY-MM-DD
    FX::FXString fromTime;  // HH:MM; empty: the whole day
    enum Scope {
        ALL_UNITS,     // the current teacher's lessons of every unit
        ONE_UNIT,      // of unit `unitId`
        ONE_SUBJECT,   // of the units whose long-term plan is of subject `subjectId`
        UNITS_OF_DAY,  // of the units with a lesson on fromDate (Snow Day)
    } scope = ALL_UNITS;
    FX::FXint unitId = 0, subjectId = 0;
    FX::FXint days = 1;        // teaching days, forward (> 0) or back (< 0), 1 to 30 either way
    bool breaksCount = false;  // holidays between terms count as teaching days
};

// One lesson as it moves.
struct Move {
    FX::FXString lessonId, lessonName, unitId, unitName;
    FX::FXString oldStart, oldEnd, newStart, newEnd;  // YYYY-MM-DD
    FX::FXString timeStart, timeEnd;                  // HH:MM
    FX::FXString rowVersion;                          // as read, for the checked write
    FX::FXString planId, planEnd;                     // its long-term plan and the plan's end
    bool ownPlan = false;                             // the plan is the teacher's own
    bool imported = false;                            // of an imported unit (no past guard)
    FX::FXString conflict;                            // what goes wrong, in words; "" for nothing
    bool movable() const { return !newStart.empty(); }
};

struct Plan {
    Request request;
    std::vector<Move> moves;  // by old start, time and Id
    FX::FXint conflicts() const;
    // Whether a lesson that is moved lies in the past (ends or starts more
    // than a week ago), outside an imported unit.
    bool touchesPast() const;
};

// The lessons of the current teacher the request moves and where each
// goes, with conflicts: two of the teacher's lessons at the same time, a
// lesson past its long-term plan's end, a lesson past the last term, no
// teaching day to go to.  False when the connection was lost; database
// errors are thrown as FXException.
bool preview(const Request& request, Plan& plan);

// Stores the moves (those with somewhere to go) in one transaction, each
// only while the lesson is as the preview read it; the teacher's own
// long-term plans are stretched to their units' last lessons.  False when
// the connection was lost (nothing stored); a lesson changed since the
// preview throws the database's refusal (nothing stored).
bool apply(const Plan& plan);

// The words of a conflict list for a message: "3 of the 23 lessons ...".
FX::FXString summary(const Plan& plan);

}  // namespace reschedule

#endif

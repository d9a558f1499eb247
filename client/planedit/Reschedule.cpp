#include "planedit/Reschedule.h"

#include <algorithm>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "data/Numbers.h"
#include "data/TeachingDays.h"
#include "data/UndoJournal.h"
#include "planedit/PlanEditing.h"

using namespace FX;

namespace reschedule {

namespace {

// The lessons' columns, and the unit's and plan's, as the preview reads them.
const char* const lessonColumns =
    "Select LessonPlan.Id, LessonName, DateStart, DateEnd, TimeStart, TimeEnd, LessonPlan.RowVersion, "
    "UnitPlan.Id, UnitName, Transfer, LongTerm.Id, PlanEnd, FKSyndicate from LessonPlan, UnitPlan, LongTerm "
    "Where LessonPlan.FKUnitPlan = UnitPlan.Id and UnitPlan.FKLongTerm = LongTerm.Id and UnitType = 1 and "
    "UnitPlan.FKTeacher = ";

FXString scopeCondition(const Request& r) {
    switch (r.scope) {
        case Request::ONE_UNIT:
            return " and UnitPlan.Id = " + FXStringVal(r.unitId);
        case Request::ONE_SUBJECT:
            return " and LongTerm.FKSubject = " + FXStringVal(r.subjectId);
        case Request::UNITS_OF_DAY:
            return " and UnitPlan.Id in (Select FKUnitPlan from LessonPlan Where DateStart <= '" + r.fromDate +
                   "' and DateEnd >= '" + r.fromDate + "')";
        case Request::ALL_UNITS:
            break;
    }
    return FXString();
}

// A lesson's time, HH:MM of what the database gives (HH:MM:SS.0000).
FXString timeOf(const FXString& stored) { return stored == "None" ? FXString() : stored.left(5); }

// Two lessons meet when their dates and their times overlap.
struct Slot {
    FXString id, name, start, end, timeStart, timeEnd;
};
bool meet(const Slot& a, const Slot& b) {
    if (a.timeStart.empty() || b.timeStart.empty()) return false;
    return a.start <= b.end && b.start <= a.end && a.timeStart < b.timeEnd && b.timeStart < a.timeEnd;
}

void addConflict(Move& m, const FXString& words) { m.conflict += (m.conflict.empty() ? "" : "; ") + words; }

}  // namespace

FXint Plan::conflicts() const {
    FXint n = 0;
    for (const Move& m : moves) n += !m.conflict.empty();
    return n;
}

bool Plan::touchesPast() const {
    const FXlong weekAgo = dates::now() - dates::oneWeek;
    for (const Move& m : moves)
        if (!m.imported &&
            (dates::localMoment(m.oldStart, 0, 0) < weekAgo || dates::localMoment(m.oldEnd, 23, 59) < weekAgo))
            return true;
    return false;
}

bool preview(const Request& request, Plan& plan) {
    plan = Plan();
    plan.request = request;
    const FXString teacher = planedit::trimmed(appState.currentUserId);
    IsectRecordset rs;
    IsectRecordset::Transaction transaction(rs);

    FXString after = "(DateStart > '" + request.fromDate + "'";
    if (request.fromTime.empty())
        after += " or DateStart = '" + request.fromDate + "')";
    else
        after += " or DateStart = '" + request.fromDate + "' and (TimeStart >= '" + request.fromTime +
                 "' or TimeStart is null))";
    // A lesson under way on the day (begun before, ending on or after it)
    // moves too: Snow Day moves "every lesson of the day".
    if (request.scope == Request::UNITS_OF_DAY)
        after = "(" + after + " or DateStart < '" + request.fromDate + "' and DateEnd >= '" + request.fromDate + "')";
    if (!rs.OpenRecordset(lessonColumns + teacher + scopeCondition(request) + " and " + after +
                          " Order By DateStart, TimeStart, LessonPlan.Id"))
        return false;
    FXString earliest = request.fromDate;
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
        Move m;
        m.lessonId = planedit::trimmed(rs.rows.GetField(0));
        m.lessonName = rs.rows.GetField(1);
        m.oldStart = rs.rows.GetField(2).left(10);
        m.oldEnd = rs.rows.GetField(3).left(10);
        m.timeStart = timeOf(rs.rows.GetField(4));
        m.timeEnd = timeOf(rs.rows.GetField(5));
        m.rowVersion = planedit::trimmed(rs.rows.GetField(6));
        m.unitId = planedit::trimmed(rs.rows.GetField(7));
        m.unitName = rs.rows.GetField(8);
        m.imported = decimalValue(rs.rows.GetField(9)) < 0;
        m.planId = planedit::trimmed(rs.rows.GetField(10));
        m.planEnd = rs.rows.GetField(11) == "None" ? FXString() : rs.rows.GetField(11).left(10);
        m.ownPlan = planedit::trimmed(rs.rows.GetField(12)) == teacher;
        if (m.oldStart == "None" || m.oldEnd == "None") continue;  // a lesson without dates stays
        if (m.oldStart < earliest) earliest = m.oldStart;
        plan.moves.push_back(m);
    }

    // Going back may reach before the first lesson: 30 teaching days and a
    // term break are less than 120 days.
    TeachingDays days;
    if (!days.load(rs, dates::addDays(earliest, -120))) return false;
    const FXString lastTerm = days.lastTermDay();
    for (Move& m : plan.moves) {
        m.newStart = days.step(m.oldStart, request.days, request.breaksCount);
        m.newEnd = days.step(m.oldEnd, request.days, request.breaksCount);
        if (m.newStart.empty() || m.newEnd.empty()) {
            m.newStart = m.newEnd = FXString();
            addConflict(m, "no teaching day to go to: it stays");
            continue;
        }
        if (!m.planEnd.empty() && m.newEnd > m.planEnd)
            addConflict(m, m.ownPlan ? "past its long-term plan's end (" + DisplayDate(m.planEnd) +
                                           "), which is stretched to it"
                                     : FXString("Syndicate Wide Plan Exceeded"));
        if (!lastTerm.empty() && m.newEnd > lastTerm) addConflict(m, "past the last term");
    }

    // Two lessons at one time: the moved ones where they go, the others of
    // the teacher's unit plans where they are.
    FXString from, to;
    for (const Move& m : plan.moves) {
        if (!m.movable()) continue;
        if (from.empty() || m.newStart < from) from = m.newStart;
        if (to.empty() || m.newEnd > to) to = m.newEnd;
    }
    if (!from.empty()) {
        if (!rs.OpenRecordset(lessonColumns + teacher + " and DateStart <= '" + to + "' and DateEnd >= '" + from +
                              "' Order By DateStart, TimeStart, LessonPlan.Id"))
            return false;
        std::vector<Slot> others;
        for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
            const FXString id = planedit::trimmed(rs.rows.GetField(0));
            bool moving = false;
            for (const Move& m : plan.moves) moving |= m.lessonId == id;
            if (moving) continue;
            others.push_back({id, rs.rows.GetField(1), rs.rows.GetField(2).left(10), rs.rows.GetField(3).left(10),
                              timeOf(rs.rows.GetField(4)), timeOf(rs.rows.GetField(5))});
        }
        for (const Move& m : plan.moves)
            if (m.movable()) others.push_back({m.lessonId, m.lessonName, m.newStart, m.newEnd, m.timeStart, m.timeEnd});
        for (Move& m : plan.moves) {
            if (!m.movable()) continue;
            const Slot here{m.lessonId, m.lessonName, m.newStart, m.newEnd, m.timeStart, m.timeEnd};
            for (const Slot& o : others)
                if (o.id != m.lessonId && meet(here, o)) addConflict(m, "at the same time as \"" + o.name + "\"");
        }
    }
    transaction.commit();
    return true;
}

bool apply(const Plan& plan) {
    const FXString teacher = planedit::trimmed(appState.currentUserId);
    const FXString changedBy = decimalValue(teacher) > 0 ? teacher : FXString("NULL");
    IsectRecordset rs;
    IsectRecordset::Transaction transaction(rs);
    // The lessons and plans as they were, for Undo, in the same transaction.
    FXint moving = 0;
    for (const Move& m : plan.moves) moving += m.movable();
    undo::Step step(FXStringFormat("Reschedule of %d lesson%s", moving, moving == 1 ? "" : "s"));
    std::vector<FXint> lessonIds, planIds;
    for (const Move& m : plan.moves) {
        if (!m.movable()) continue;
        lessonIds.push_back(FXIntVal(m.lessonId));
        if (m.ownPlan) planIds.push_back(FXIntVal(m.planId));
    }
    step.before("LessonPlan", lessonIds);
    step.before("LongTerm", planIds);
    // Each own long-term plan reaches its units' last lesson.
    std::vector<std::pair<FXString, FXString>> stretched;  // plan, new end
    for (const Move& m : plan.moves) {
        if (!m.movable()) continue;
        if (!rs.OpenRecordset("Update LessonPlan Set DateStart = '" + m.newStart + "', DateEnd = '" + m.newEnd +
                              "', ReadVersion = " + m.rowVersion + ", ChangedBy = " + changedBy +
                              " Where Id = " + m.lessonId))
            return false;
        if (m.ownPlan && !m.planEnd.empty() && m.newEnd > m.planEnd) {
            auto p = std::find_if(stretched.begin(), stretched.end(),
                                  [&](const std::pair<FXString, FXString>& s) { return s.first == m.planId; });
            if (p == stretched.end())
                stretched.emplace_back(m.planId, m.newEnd);
            else if (m.newEnd > p->second)
                p->second = m.newEnd;
        }
    }
    for (const auto& s : stretched)
        if (!rs.OpenRecordset("Update LongTerm Set PlanEnd = '" + s.second + "' Where Id = " + s.first +
                              " and PlanEnd < '" + s.second + "'"))
            return false;
    step.finish();
    transaction.commit();
    return true;
}

FXString summary(const Plan& plan) {
    const FXint n = (FXint)plan.moves.size(), c = plan.conflicts();
    FXString text = FXStringFormat("%d lesson%s to move", n, n == 1 ? "" : "s");
    if (c > 0) text += FXStringFormat(", %d with a conflict (marked)", c);
    return text + ".";
}

}  // namespace reschedule

#include "planedit/Rollover.h"

#include <map>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "data/Numbers.h"
#include "data/TeachingDays.h"
#include "data/Terms.h"
#include "planedit/PlanEditing.h"
#include "ui/Progress.h"

using namespace FX;

namespace rollover {

namespace {

FXString dateOf(const FXString& stored) { return stored == "None" ? FXString() : stored.left(10); }
FXString timeOf(const FXString& stored) { return stored == "None" ? FXString() : stored.left(5); }

// Where the dates of one school year go in another.
class YearMap {
public:
    YearMap(const std::vector<terms::Term>& all, FXint from, FXint to) : all_(all), from_(from), to_(to) {
        for (const terms::Term& t : all_) {
            if (t.year != from) continue;
            if (first_.empty() || t.monday() < first_) first_ = t.monday();
            const FXString end = dates::addDays(t.monday(), 7 * t.weeks - 1);
            if (end > last_) last_ = end;
        }
        for (const terms::Term& t : all_)
            if (t.year == to && (!lastNew_ || t.firstDay > lastNew_->firstDay)) lastNew_ = &t;
    }
    TeachingDays days;

    // The old year from the Monday of its first week to the Sunday of its
    // last.
    const FXString& first() const { return first_; }
    const FXString& last() const { return last_; }
    bool holds(const FXString& date) const { return !date.empty() && first_ <= date && date <= last_; }

    // A lesson's day: the same term number, week of the term and weekday;
    // `why` says what is wrong with that place ("" when nothing).
    FXString slot(const FXString& date, FXString& why) const {
        why = FXString();
        const terms::Term* old = oldTerm(date);
        const terms::Term* later = old ? terms::find(all_, to_, old->number) : nullptr;
        if (!later) {
            why = FXStringFormat("%d has no term %d", to_, old ? old->number : 0);
            return FXString();
        }
        const FXint offset = dates::daysBetween(old->monday(), date);
        const FXString place = dates::addDays(later->monday(), offset);
        if (place < later->firstDay)
            why = FXStringFormat("before the first day of term %d", later->number);
        else if (offset / 7 >= later->weeks)
            why = FXStringFormat("past the end of term %d (%d week%s)", later->number, later->weeks,
                                 later->weeks == 1 ? "" : "s");
        else if (!days.closedOn(place).empty())
            why = "on " + days.closedOn(place);
        return place;
    }

    // A long-term plan's start or end (or the end of a lesson of several
    // days): a plan that ran from its term's first day, or to its last,
    // does so in the new term; other days map as a lesson's, kept inside
    // the new term.  "" when the new year has no such term.
    FXString span(const FXString& date, bool end) const {
        const terms::Term* old = oldTerm(date);
        const terms::Term* later = old ? terms::find(all_, to_, old->number) : nullptr;
        if (!later) later = end ? lastNew_ : nullptr;
        if (!old || !later) return FXString();
        if (!end && date <= old->firstDay) return later->firstDay;
        if (end && date >= old->lastDay()) return later->lastDay();
        FXString place = dates::addDays(later->monday(), dates::daysBetween(old->monday(), date));
        if (place < later->firstDay) place = later->firstDay;
        if (place > later->lastDay()) place = later->lastDay();
        return place;
    }

    // The first teaching day on or after the day ("" within a year none).
    FXString nextTeachingDay(const FXString& date) const {
        if (date.empty()) return FXString();
        return days.teaching(date, false) ? date : days.step(date, 1, false);
    }

private:
    // The term of the old year the day belongs to: the last to begin in
    // the week of the day or before (a day of the holidays after a term
    // belongs to it, past its length).
    const terms::Term* oldTerm(const FXString& date) const {
        const terms::Term* found = nullptr;
        for (const terms::Term& t : all_)
            if (t.year == from_ && t.monday() <= date && (!found || t.monday() > found->monday())) found = &t;
        return found;
    }
    const std::vector<terms::Term>& all_;
    FXint from_, to_;
    FXString first_, last_;
    const terms::Term* lastNew_ = nullptr;
};

// The units that go, and under which plan.
bool readUnits(IsectRecordset& rs, const YearMap& map, const FXString& teacher, Plan& plan,
               std::map<FXString, FXint>& unitIndex) {
    std::map<FXString, FXint> planIndex;
    for (size_t i = 0; i < plan.plans.size(); ++i) planIndex[plan.plans[i].id] = (FXint)i;
    const FXString inYear = "'" + map.first() + "' and '" + map.last() + "'";
    if (!rs.OpenRecordset("Select UnitPlan.Id, UnitName, LongTerm.Id, LongTerm.Persistant, LongTerm.PlanStart, "
                          "LongTerm.FKSyndicate, LongTerm.FKSubject from UnitPlan, LongTerm "
                          "Where UnitPlan.FKLongTerm = LongTerm.Id and UnitPlan.FKTeacher = " +
                          teacher + " and (LongTerm.FKSyndicate = " + teacher +
                          " and LongTerm.Persistant = 0 and LongTerm.PlanStart between " + inYear +
                          " or exists (Select 1 from LessonPlan Where FKUnitPlan = UnitPlan.Id and DateStart between " +
                          inYear + ")) Order By UnitPlan.Id"))
        return false;
    struct Shared {
        UnitCopy unit;
        FXString start, syndicate, subject;
    };
    std::vector<Shared> shared;  // under a plan that is not the teacher's to copy
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
        UnitCopy u;
        u.id = planedit::trimmed(rs.rows.GetField(0));
        u.name = rs.rows.GetField(1);
        u.planId = planedit::trimmed(rs.rows.GetField(2));
        auto copied = planIndex.find(u.planId);
        if (copied != planIndex.end()) {
            u.planCopy = copied->second;
            u.planId = FXString();
        } else if (decimalValue(rs.rows.GetField(3)) == 0) {
            const FXString owner = planedit::trimmed(rs.rows.GetField(5));
            // An own plan of this year that is not copied: its term is not in
            // the new year, and the unit stays with it.
            if (owner == teacher && map.holds(dateOf(rs.rows.GetField(4)))) continue;
            shared.push_back({u, dateOf(rs.rows.GetField(4)), owner, planedit::trimmed(rs.rows.GetField(6))});
            continue;
        }
        unitIndex[u.id] = (FXint)plan.units.size();
        plan.units.push_back(u);
    }
    // A syndicate's shared plan is its leader's to roll over: the unit goes
    // under the new year's copy once there is one.
    for (Shared& s : shared) {
        const FXString start = map.holds(s.start) ? map.span(s.start, false) : FXString();
        if (!start.empty()) {
            if (!rs.OpenRecordset(
                    "Select Id from LongTerm Where FKSyndicate = " + s.syndicate + " and Persistant = 0 and " +
                    (s.subject == "None" ? FXString("FKSubject is null") : "FKSubject = " + s.subject) +
                    " and PlanStart = '" + start +
                    "' and PlanName = (Select PlanName from LongTerm Where Id = " + s.unit.planId + ") Order By Id"))
                return false;
            rs.rows.MoveFirst();
            if (!rs.rows.eof) {
                s.unit.planId = planedit::trimmed(rs.rows.GetField(0));
                unitIndex[s.unit.id] = (FXint)plan.units.size();
                plan.units.push_back(s.unit);
                continue;
            }
        }
        ++plan.unitsLeftOut;
    }
    return true;
}

bool readLessons(IsectRecordset& rs, const YearMap& map, const FXString& teacher, Plan& plan,
                 const std::map<FXString, FXint>& unitIndex) {
    if (!rs.OpenRecordset(
            "Select LessonPlan.Id, LessonName, DateStart, DateEnd, TimeStart, TimeEnd, FKUnitPlan "
            "from LessonPlan, UnitPlan Where LessonPlan.FKUnitPlan = UnitPlan.Id and UnitPlan.FKTeacher = " +
            teacher + " and (DateStart between '" + map.first() + "' and '" + map.last() +
            "' or DateStart is null) Order By DateStart, TimeStart, LessonPlan.Id"))
        return false;
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
        auto unit = unitIndex.find(planedit::trimmed(rs.rows.GetField(6)));
        if (unit == unitIndex.end()) continue;
        LessonCopy l;
        l.id = planedit::trimmed(rs.rows.GetField(0));
        l.name = rs.rows.GetField(1);
        l.unitCopy = unit->second;
        l.oldStart = dateOf(rs.rows.GetField(2));
        l.oldEnd = dateOf(rs.rows.GetField(3));
        const FXString from = timeOf(rs.rows.GetField(4)), to = timeOf(rs.rows.GetField(5));
        l.time = from.empty() ? FXString() : from + "-" + to;
        if (!l.oldStart.empty()) {
            l.newStart = map.slot(l.oldStart, l.misfit);
            // A lesson of one day stays one day; a longer one ends as a plan
            // would.
            if (l.oldEnd.empty() || l.oldEnd <= l.oldStart || l.newStart.empty())
                l.newEnd = l.newStart;
            else {
                l.newEnd = map.span(l.oldEnd, true);
                if (l.newEnd < l.newStart) l.newEnd = l.newStart;
            }
            if (!l.misfit.empty()) {
                l.nextStart = map.nextTeachingDay(l.newStart);
                if (!l.nextStart.empty())
                    l.nextEnd = dates::addDays(l.nextStart, dates::daysBetween(l.newStart, l.newEnd));
            }
        }
        plan.lessons.push_back(l);
    }
    return true;
}

bool readAttachments(IsectRecordset& rs, const FXString& teacher, Plan& plan,
                     const std::map<FXString, FXint>& unitIndex) {
    // Found by their first chunks, which share the attachment's id: the
    // other chunks are not read.  Only complete attachments (Ready 0) go.
    if (!rs.OpenRecordset("Select U.FKUnitPlan, B.Id, B.FileName, B.FileSize from BinaryDescription B, UnitBinary U, "
                          "UnitPlan P Where U.Id = B.Id and U.BinaryId = B.Id and P.Id = U.FKUnitPlan and B.Ready = 0 "
                          "and P.FKTeacher = " +
                          teacher + " Order By B.Id"))
        return false;
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
        auto unit = unitIndex.find(planedit::trimmed(rs.rows.GetField(0)));
        if (unit == unitIndex.end()) continue;
        AttachmentCopy a;
        a.unitCopy = unit->second;
        a.id = planedit::trimmed(rs.rows.GetField(1));
        a.fileName = rs.rows.GetField(2);
        // base64 of the file in chunks of 999 characters
        const FXlong encoded = (FXlong)(decimalValue(rs.rows.GetField(3)) + 2) / 3 * 4;
        a.chunks = (FXint)FXMAX(1, (encoded + 998) / 999);
        plan.attachments.push_back(a);
    }
    return true;
}

FXString plural(FXint n, const char* one, const char* many) { return FXStringFormat("%d %s", n, n == 1 ? one : many); }

}  // namespace

FXint Plan::misfits() const {
    FXint n = 0;
    for (const LessonCopy& l : lessons) n += !l.misfit.empty();
    return n;
}

bool years(std::vector<FXint>& found) {
    IsectRecordset rs;
    std::vector<terms::Term> all;
    if (!terms::load(rs, all)) return false;
    found = terms::years(all);
    return true;
}

bool preview(FXint fromYear, FXint toYear, Plan& plan) {
    plan = Plan();
    plan.fromYear = fromYear;
    plan.toYear = toYear;
    const FXString teacher = planedit::trimmed(appState.currentUserId);
    IsectRecordset rs;
    IsectRecordset::Transaction transaction(rs);
    std::vector<terms::Term> all;
    if (!terms::load(rs, all)) return false;
    YearMap map(all, fromYear, toYear);
    if (map.first().empty()) return true;  // no terms: nothing to copy
    if (!map.days.load(rs)) return false;

    // A rollover whose undo step took its copies away again does not count.
    if (!rs.OpenRecordset("Select DoneAt from YearRollover R Where FKTeacher = " + teacher +
                          " and FromYear = " + FXStringVal(fromYear) + " and ToYear = " + FXStringVal(toYear) +
                          " and not exists (Select 1 from UndoStep S Where S.Id = R.UndoStep and S.Undone = 1)"
                          " Order By DoneAt, Id"))
        return false;
    rs.rows.MoveFirst();
    if (!rs.rows.eof) plan.rolledOverBefore = rs.rows.GetField(0).left(16);

    // The teacher's own long-term plans of the year (for a syndicate
    // leader these are the syndicate's shared plans), not those shown in
    // every term: those stay as they are, with the new units under them.
    if (!rs.OpenRecordset("Select Id, PlanName, PlanStart, PlanEnd from LongTerm Where FKSyndicate = " + teacher +
                          " and Persistant = 0 and PlanStart between '" + map.first() + "' and '" + map.last() +
                          "' Order By PlanStart, Id"))
        return false;
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
        PlanCopy p;
        p.id = planedit::trimmed(rs.rows.GetField(0));
        p.name = rs.rows.GetField(1);
        p.newStart = map.span(dateOf(rs.rows.GetField(2)), false);
        const FXString end = dateOf(rs.rows.GetField(3));
        p.newEnd = end.empty() ? p.newStart : map.span(end, true);
        if (p.newStart.empty()) {
            ++plan.plansLeftOut;
            continue;
        }
        if (p.newEnd < p.newStart) p.newEnd = p.newStart;
        plan.plans.push_back(p);
    }

    std::map<FXString, FXint> unitIndex;
    if (!readUnits(rs, map, teacher, plan, unitIndex)) return false;
    if (!readLessons(rs, map, teacher, plan, unitIndex)) return false;
    if (!readAttachments(rs, teacher, plan, unitIndex)) return false;
    transaction.commit();
    return true;
}

FXString summary(const Plan& plan) {
    FXString text = plural((FXint)plan.plans.size(), "long-term plan", "long-term plans") + ", " +
                    plural((FXint)plan.units.size(), "unit", "units") + ", " +
                    plural((FXint)plan.lessons.size(), "lesson", "lessons") + " and " +
                    plural((FXint)plan.attachments.size(), "attachment", "attachments") + " to copy into " +
                    FXStringVal(plan.toYear) + ".";
    const FXint misfits = plan.misfits();
    if (misfits > 0)
        text += "\n" + plural(misfits, "lesson has", "lessons have") + " no place there (listed): choose below.";
    if (plan.plansLeftOut > 0)
        text += "\n" + plural(plan.plansLeftOut, "plan", "plans") + " of a term " + FXStringVal(plan.toYear) +
                " does not have stay behind with their units.";
    if (plan.unitsLeftOut > 0)
        text += "\n" + plural(plan.unitsLeftOut, "unit stays", "units stay") +
                " behind: the syndicate's plan it is under is not in " + FXStringVal(plan.toYear) +
                " yet (the syndicate leader rolls it over first).";
    return text;
}

}  // namespace rollover

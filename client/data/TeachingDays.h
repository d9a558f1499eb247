// Which days are school days.  Two things take a weekday away from
// teaching: a non-teaching day of School Setup (the table NonTeachingDay: a
// name and a first and last date; entries may overlap, a holiday inside a
// camp week), and, where the caller asks for it, the holidays between
// terms (the weeks of no TermDate row).
//
//   TeachingDays days;
//   if (!days.load(rs, "2026-01-01")) return;       // lost connection
//   days.closedOn("2026-04-06")                      "Easter Monday"
//   days.step("2026-04-03", 1)                      '2026-04-07': one teaching day on
//   t = days.shoveLanding(t)                         Shove's rule: a closed day goes on to the next open one
#ifndef PLENWICK_TEACHINGDAYS_H
#define PLENWICK_TEACHINGDAYS_H

#include <fx.h>

#include <vector>

#include "data/IsectRecordset.h"

class TeachingDays {
public:
    struct Closure {
        FX::FXint id = 0;
        FX::FXString firstDay, lastDay;  // YYYY-MM-DD
        FX::FXString name;               // as the user typed it
    };
    struct Term {
        FX::FXString firstDay, lastDay;  // the Monday of its first week, the Friday of its last
    };

    // Reads the non-teaching days that end on or after `from` (all when
    // empty) and every term.  False when the connection was lost; a
    // database error is thrown as FXException.
    bool load(IsectRecordset& rs, const FX::FXString& from = FX::FXString::null);

    const std::vector<Closure>& closures() const { return closures_; }
    const std::vector<Term>& terms() const { return terms_; }
    void setClosures(const std::vector<Closure>& c) { closures_ = c; }
    void setTerms(const std::vector<Term>& t) { terms_ = t; }

    // The names of the non-teaching days that hold the date, joined by
    // ", "; empty when it holds none.
    FX::FXString closedOn(const FX::FXString& isoDate) const;
    // True when some non-teaching day falls between the two dates (both
    // included).
    bool anyBetween(const FX::FXString& from, const FX::FXString& to) const;
    // Whether the date lies in a term (from its first Monday to the Friday
    // of its last week).
    bool inTerm(const FX::FXString& isoDate) const;
    // The last day of the last term ("" without terms).
    FX::FXString lastTermDay() const;

    // A weekday that is not a non-teaching day, and, unless `breaksCount`,
    // lies in a term.
    bool teaching(const FX::FXString& isoDate, bool breaksCount) const;
    // `count` teaching days after (before, when negative) the date; a date
    // that is not itself a teaching day counts from where it is.  Stops
    // where no teaching day is found within a year, and gives "".
    FX::FXString step(const FX::FXString& isoDate, FX::FXint count, bool breaksCount) const;

    // Shove's landing: while the moment's day is a non-teaching day it goes
    // on a day, past a weekend.  Without non-teaching days the moment is
    // returned as it came.
    FX::FXlong shoveLanding(FX::FXlong moment) const;

private:
    std::vector<Closure> closures_;
    std::vector<Term> terms_;
};

#endif

// The lesson search of the plan editor's Search tab: the statement that
// finds lesson plans of all teachers by name or by their evaluation marks,
// and the report that prints the lessons the user ticked.
//
//   SearchCriteria criteria;
//   criteria.text = "fractions";
//   rs.OpenRecordset(searchStatement(criteria));    // Id, DateStart, Teacher, UnitName, LessonName
//   ...
//   printSearchReport(this, criteria.text, tickedIds);
#ifndef PLENWICK_LESSONSEARCH_H
#define PLENWICK_LESSONSEARCH_H

#include <fx.h>

#include <vector>

struct SearchCriteria {
    // The search text, surrounding white space removed; used only when no
    // mark below is searched on.
    FX::FXString text;
    // Marks searched on, with the value each must have: evaluation 1
    // excellent, 0 good, -1 bad; assessment and not taught 1 yes, 0 no.
    FX::FXbool byEvaluation = FALSE, byAssessment = FALSE, byNotTaught = FALSE;
    FX::FXint evaluation = 0, assessment = 0, notTaught = 0;

    FX::FXbool byMarks() const { return byEvaluation || byAssessment || byNotTaught; }
};

// The condition "column contains text", without regard to case or accents
// ("fractions" finds "Fractions", "cafe" and "café" find "Café" whether it is
// stored in UTF-8 or in Latin-1): a SIMILAR TO pattern in which the text is
// matched as typed, "%" and "_" included, and an apostrophe or a comma never
// ends or changes the statement.  Texts are stored through EscapeText (an
// apostrophe as \047, a comma as \054); the condition finds them in that
// form and also where they were stored as typed.
FX::FXString containsCondition(const FX::FXString& column, const FX::FXString& text);

// The search: Id, DateStart, Teacher, UnitName and LessonName of every
// lesson plan matching the criteria, by DateStart.
FX::FXString searchStatement(const SearchCriteria& criteria);

// The row of a lesson on the search report.
FX::FXString searchReportStatement(FX::FXint lessonId);

// Prints the search report of the lessons `ids` (in that order), headed
// "Search criteria:" and the search text, through the print dialog.
// Nothing is printed (and the user is told why) until a lesson dialog has
// been opened.
void printSearchReport(FX::FXWindow* owner, const FX::FXString& searchText, const std::vector<FX::FXint>& ids);

#endif

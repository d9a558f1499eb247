// The lesson search's statements and its report.
#include "lessons/LessonSearch.h"

#include "data/IsectRecordset.h"
#include "lessons/LessonDialogOpened.h"
#include "print/FXDCNativePrinter.h"
#include "print/PrintCommand.h"
#include "report/ReportLayout.h"

using namespace FX;

namespace {

// The LIKE escape character of the search: one that has no meaning in an
// SQL string literal or in the stored text's escapes.
const FXchar escape = '!';

// `text` as the inside of a LIKE pattern: the wildcards and the escape
// character are matched as themselves, an apostrophe is doubled.
FXString literalPattern(const FXString& text) {
    FXString out;
    for (FXint i = 0; i < text.length(); ++i) {
        const FXchar c = text[i];
        if (c == '%' || c == '_' || c == escape) out.append(escape);
        if (c == '\'') out.append('\'');
        out.append(c);
    }
    return out;
}

FXString like(const FXString& column, const FXString& pattern) {
    return column + " Like '%" + pattern + "%' ESCAPE '" + FXString(escape, 1) + "'";
}

}  // namespace

FXString containsCondition(const FXString& column, const FXString& text) {
    const FXString stored = literalPattern(EscapeText(text));
    const FXString typed = literalPattern(text);
    if (stored == typed) return like(column, stored);
    return "(" + like(column, stored) + " Or " + like(column, typed) + ")";
}

FXString searchStatement(const SearchCriteria& c) {
    FXString sql =
        "Select LessonPlan.Id, DateStart, Teacher, UnitName, LessonName from LessonPlan, UnitPlan, Teachers "
        "Where"
        " LessonPlan.FKUnitPlan = UnitPlan.Id And UnitPlan.FKTeacher = Teachers.Id";
    if (c.byEvaluation) sql += " And LessonEval = " + FXStringVal(c.evaluation);
    if (c.byAssessment) sql += " And LessonAssess = " + FXStringVal(c.assessment);
    if (c.byNotTaught) sql += " And LessonNotTaught = " + FXStringVal(c.notTaught);
    if (!c.byMarks()) sql += " And " + containsCondition("LessonName", c.text);
    return sql + " Order By DateStart";
}

FXString searchReportStatement(FXint lessonId) {
    return "Select UnitName, DateStart, LessonName, LessonIntro, LessonDev, LessonClose, LessonResource from "
           "LessonPlan, "
           "UnitPlan Where UnitPlan.Id = LessonPlan.FKUnitPlan and LessonPlan.Id = " +
           FXStringVal(lessonId);
}

void printSearchReport(FXWindow* owner, const FXString& searchText, const std::vector<FXint>& ids) {
    if (!lessons::requireLessonDialogOpened(owner)) return;
    FXStringRecordset definition;
    report::setTitleRow(definition, "Search criteria:", searchText, "0.50");
    const char* const columns[][3] = {
        {"Date", "DATESTART", "0.07"},           {"Unit", "UNITNAME", "0.10"},
        {"Lesson Name", "LESSONNAME", "0.12"},   {"Introduction", "LESSONINTRO", "0.14"},
        {"Development", "LESSONDEV", "0.36"},    {"Closure", "LESSONCLOSE", "0.11"},
        {"Resources", "LESSONRESOURCE", "0.10"},
    };
    for (const auto& column : columns) report::addColumn(definition, column[0], column[1], column[2]);
    PrintCommand print(owner, "Lesson search");
    print.printer.flags |= FXNativePrinter::SCREEN_UNITS | FXNativePrinter::WIDE_TABLE;
    print.run([&](FXDCNativePrinter& dc) {
        ReportPages pages(dc, definition);
        pages.begin();
        for (FXint id : ids) pages.row(searchReportStatement(id));
        pages.end();
    });
}

// The lesson search's statements and its report.
#include "lessons/LessonSearch.h"

#include <cstring>
#include <vector>

#include "data/IsectRecordset.h"
#include "lessons/LessonDialogOpened.h"
#include "print/FXDCNativePrinter.h"
#include "print/PrintCommand.h"
#include "print/PrintText.h"
#include "report/ReportLayout.h"

using namespace FX;

namespace {

// The escape character of the pattern: one that has no meaning in an SQL
// string literal or in the stored text's escapes.
const FXchar escapeMark = '!';

// The letter a character is searched as: lower case without its accent, for
// ISO Latin-1 and Latin Extended-A ("É", "é" and "e" are all "e"); other
// characters are themselves, in lower case where they have one.
FXwchar searchLetter(FXwchar c) {
    // U+00C0 to U+00FF and U+0100 to U+017F: the base letter, or "." for
    // letters without one (Æ, Þ, ß, Ĳ, Œ ...), which only fold their case.
    static const char latin1[] = "aaaaaa.ceeeeiiiidnooooo.ouuuuy..aaaaaa.ceeeeiiiidnooooo.ouuuuy.y";
    static const char extendedA[] =
        "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii..jjkkklllllll"
        "lllnnnnnnnnnoooooo..rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xFF) {
        if (latin1[c - 0xC0] != '.') return (FXwchar)latin1[c - 0xC0];
        return c >= 0xC0 && c <= 0xDE && c != 0xD7 ? c + 0x20 : c;
    }
    if (c >= 0x100 && c < 0x180) {
        if (extendedA[c - 0x100] != '.') return (FXwchar)extendedA[c - 0x100];
        return c | 1;  // IJ ij, OE oe
    }
    return c;
}

// One byte of the text to match as itself in a SIMILAR TO pattern inside an
// SQL string literal.
void literalByte(FXString& out, FXchar c) {
    if ((c && strchr("[]()|^-+*%_?{}", c)) || c == escapeMark) out.append(escapeMark);
    if (c == '\'') out.append('\'');
    out.append(c);
}

void literalText(FXString& out, const FXString& bytes) {
    for (FXint i = 0; i < bytes.length(); ++i) literalByte(out, bytes[i]);
}

// The ways a character of the search text can be stored: each letter that
// searches as the same letter, in UTF-8 and (within Latin-1) as its byte;
// an apostrophe, comma or backslash also in the escaped form EscapeText
// stores.
FXString alternatives(FXwchar c) {
    std::vector<FXString> forms;
    auto add = [&](const FXString& form) {
        for (const FXString& f : forms)
            if (f == form) return;
        forms.push_back(form);
    };
    const FXwchar letter = searchLetter(c);
    for (FXwchar x = 0x20; x < 0x180; ++x) {
        if (x != c && (x < 'A' || searchLetter(x) != letter || letter < 'A')) continue;
        FXString utf8;
        printtext::appendUtf8(utf8, x);
        add(utf8);
        if (x >= 0x80 && x <= 0xFF) add(FXString((FXchar)x, 1));
    }
    if (c > 0x17F) {
        FXString utf8;
        printtext::appendUtf8(utf8, c);
        add(utf8);
    }
    const FXString escaped = IsectRecordset::EscapeText(forms.empty() ? FXString() : forms[0]);
    if (!forms.empty() && escaped != forms[0]) add(escaped);
    FXString out;
    if (forms.size() == 1) {
        literalText(out, forms[0]);
        return out;
    }
    out.append('(');
    for (size_t i = 0; i < forms.size(); ++i) {
        if (i) out.append('|');
        literalText(out, forms[i]);
    }
    out.append(')');
    return out;
}

}  // namespace

FXString containsCondition(const FXString& column, const FXString& text) {
    FXString pattern = "%";
    for (FXwchar c : printtext::characters(text.text(), (FXuint)text.length())) pattern += alternatives(c);
    pattern += "%";
    return column + " Similar To '" + pattern + "' Escape '" + FXString(escapeMark, 1) + "'";
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
    print.printer.flags |= FXNativePrinter::SCREEN_UNITS | FXNativePrinter::WIDE_TABLE | FXNativePrinter::PAGE_FOOTER;
    print.run([&](FXDCNativePrinter& dc) {
        ReportPages pages(dc, definition);
        pages.begin();
        for (FXint id : ids) pages.row(searchReportStatement(id));
        pages.end();
    });
}

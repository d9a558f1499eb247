#include "print/FXDChtml.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "print/PrintText.h"

using namespace FX;

FXDChtml::FXDChtml(FXApp* a) : FXDC(a), header(1), output(nullptr) {}

FXDChtml::~FXDChtml() {
    if (output) fclose(output);
}

// The one output routine.  Text is written byte for byte, never used as a
// format, so a percent sign in data stays what it is.
void FXDChtml::put(const char* text) {
    if (!output) {
        fxwarning("FXDChtml: no output device has been selected.\n");
        return;
    }
    fputs(text, output);
}

void FXDChtml::put(const FXString& text) {
    if (!output) {
        fxwarning("FXDChtml: no output device has been selected.\n");
        return;
    }
    fwrite(text.text(), 1, text.length(), output);
}

// On this platform the slash separates directories as well as the backslash.
FXString FXDChtml::baseName(const FXString& filename) {
    FXint slash = FXMAX(filename.rfind('\\'), filename.rfind('/'));
    FXString name = slash >= 0 ? filename.mid(slash + 1, filename.length()) : filename;
    FXint dot = name.rfind('.');
    return dot >= 0 ? name.left(dot) : FXString();
}

FXString FXDChtml::htmlText(const FXString& text, FXbool attribute) {
    const FXString utf8 = printtext::toUtf8(text);
    const FXchar* p = utf8.text();
    const FXint n = utf8.length();
    FXint specials = 0;
    for (FXint i = 0; i < n; i++) specials += p[i] == '&' || p[i] == '<' || p[i] == '>' || (attribute && p[i] == '"');
    if (!specials) return utf8;
    std::string out;
    out.reserve((size_t)n + 5 * (size_t)specials);
    for (FXint i = 0; i < n; i++) {
        switch (p[i]) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            default:
                out += p[i];
        }
    }
    return FXString(out.data(), (FXint)out.size());
}

// Readable tables with borders on the screen.
const char* FXDChtml::screenStyleSheet() {
    return "/* Plenwick reports on the screen.  Written by Plenwick where a report\n"
           "   folder has none; edit it to restyle every report in the folder. */\n"
           "body { font-family: Helvetica, Arial, sans-serif; font-size: 10pt;\n"
           "       color: #000; background: #fff; margin: 1em 2em; }\n"
           "table { border-collapse: collapse; width: 100%; }\n"
           "th, td { border: 1px solid #777; padding: 0.25em 0.5em;\n"
           "         text-align: left; vertical-align: top; }\n"
           "th { background: #dde4ee; font-weight: bold; }\n"
           "tbody tr:nth-child(even) td { background: #f4f6f9; }\n";
}

// On paper: black borders, no shading, the header row on every page, rows
// kept whole.
const char* FXDChtml::printStyleSheet() {
    return "/* Plenwick reports on paper.  Written by Plenwick where a report folder\n"
           "   has none; edit it to restyle every report in the folder. */\n"
           "@page { margin: 1.5cm; }\n"
           "body { font-family: Helvetica, Arial, sans-serif; font-size: 9pt;\n"
           "       color: #000; background: none; margin: 0; }\n"
           "table { border-collapse: collapse; width: 100%; }\n"
           "thead { display: table-header-group; }\n"
           "tr { page-break-inside: avoid; }\n"
           "th, td { border: 1px solid #000; padding: 2pt 4pt;\n"
           "         text-align: left; vertical-align: top; background: none; }\n"
           "th { font-weight: bold; }\n";
}

FXbool FXDChtml::provideStyleSheets(const FXString& directory) {
    FXString global = (directory.empty() ? FXString(".") : directory) + "/Global";
    mkdir(global.text(), 0777);  // there already, or it cannot be made: seen below
    bool ok = true;
    const struct {
        const char* name;
        const char* text;
    } sheets[] = {{"GlobalScreen.css", screenStyleSheet()},
                  {"GlobalPrint.css", printStyleSheet()},
                  {"GlobalHead.js", "// Functions for every report, run before its table.\n"},
                  {"GlobalFoot.js", "// Functions for every report, run after its table.\n"}};
    for (const auto& sheet : sheets) {
        FXString path = global + "/" + sheet.name;
        if (FXStat::exists(path)) continue;
        FILE* f = fopen(path.text(), "w");
        if (!f) {
            ok = false;
            continue;
        }
        fputs(sheet.text, f);
        ok = fclose(f) == 0 && ok;
    }
    return ok;
}

// The current teacher's name (empty when there is none or it cannot be read).
FXString FXDChtml::teacherName() {
    if (appState.currentUserId.empty()) return FXString();
    IsectRecordset rs;
    if (!rs.OpenRecordset("Select Teacher from Teachers where Id = " + appState.currentUserId) || rs.rows.IsEmpty())
        return FXString();
    rs.MoveFirst();
    return rs.GetField(0);
}

FXbool FXDChtml::beginPrint(const FXString& filename) {
    if (output) fclose(output);
    error = 0;
    output = fopen(filename.text(), "w");
    if (!output) {
        error = errno;
        return false;
    }
    // The style sheets the head links, next to the report.
    FXint slash = FXMAX(filename.rfind('\\'), filename.rfind('/'));
    provideStyleSheets(slash >= 0 ? filename.left(slash) : FXString());
    FXString base = htmlText(baseName(filename), true);
    put("<!DOCTYPE html><HTML><HEAD><meta charset='UTF-8'>\n");
    if (!title.empty()) put("<TITLE>" + htmlText(title) + "</TITLE>\n");
    put("<!-- Global cascading style sheet for ALL reports -->\n");
    put("<link href=\"Global/GlobalScreen.css");
    put("\" rel=\"stylesheet\" type=\"text/css\" media=\"screen\">\n");
    put("<link href=\"Global/GlobalPrint.css");
    put("\" rel=\"stylesheet\" type=\"text/css\" media=\"print\">\n\n");
    if (!title.empty()) {
        // On paper every column of a wide table stays within the page: the
        // sheet turned, small type, words broken only where a column is
        // narrower than one (a report's own style sheets below may say
        // otherwise).
        put("<style media=\"print\">@page { size: landscape; margin: 1cm; } body { font-size: 7pt; } "
            "table { table-layout: fixed; width: 100%; } "
            "th, td { overflow-wrap: break-word; word-wrap: break-word; padding: 1pt 2pt; }</style>\n");
    }
    // The report's own style sheets and scripts are linked when the school
    // has put them beside the report; otherwise their names stay in a
    // comment, so a browser asks for no file that is not there.
    const FXint folderEnd = filename.rfind('/');
    const FXString folder = folderEnd >= 0 ? filename.left(folderEnd + 1) : FXString();
    const FXString rawBase = baseName(filename);
    auto own = [&](const FXString& suffix, const FXString& link) {
        if (FXStat::exists(folder + rawBase + suffix))
            put(link);
        else
            put("<!-- " + base + suffix + " -->\n");
    };
    put("<!-- Optional: Create your own cascading style sheets in the file names given below -->\n");
    own("Screen.css", "<link href=\"" + base + "Screen.css\" rel=\"stylesheet\" type=\"text/css\" media=\"screen\">\n");
    own("Print.css", "<link href=\"" + base + "Print.css\" rel=\"stylesheet\" type=\"text/css\" media=\"print\">\n");
    put("\n");
    put("<!-- Global Javascript functions for ALL reports -->\n");
    put("<script src=\"");
    put("Global/GlobalHead.js");
    put("\" type=\"text/javascript\"></script>\n\n");
    put("<!-- Optional: Create your own Javascript functions in the file name given below -->\n");
    own("JSHead.js", "<script src=\"" + base + "JSHead.js\" type=\"text/javascript\"></script>\n");
    put("\n");
    put("</HEAD><BODY>\n");
    put("<!-- Optional: Create your own Form controls above the table using Javascript in the file name given "
        "below -->\n");
    own("JSForm.js", "<script src=\"" + base + "JSForm.js\" type=\"text/javascript\"></script>\n");
    put("\n");
    if (!title.empty()) {
        put("<H1>" + htmlText(title) + "</H1>\n");
        const FXString teacher = teacherName();
        if (!teacher.empty()) put("<P class=\"teacher\">Teacher: " + htmlText(teacher) + "</P>\n");
    }
    put("<TABLE>\n");
    return true;
}

FXString FXDChtml::columnTitle(const FXString& name) {
    static const char* const titles[][2] = {
        {"DATESTART", "Date"},
        {"DATEEND", "End Date"},
        {"TIMESTART", "Start"},
        {"TIMEEND", "End"},
        {"SUBJECT", "Subject"},
        {"SUBJECTNAME", "Subject"},
        {"LONGTERMPLANNAME", "Long Term Plan"},
        {"LONGTERMDESCRIPTION", "Long Term Description"},
        {"UNITNAME", "Unit Plan"},
        {"UNITDESCRIPTION", "Unit Plan Description"},
        {"UNITTYPE", "Unit Type"},
        {"LESSONNAME", "Lesson Name"},
        {"LESSONES", "Essential Skills"},
        {"LESSONAO", "Achievement Objectives"},
        {"LESSONSLO", "Specific Learning Outcomes"},
        {"LESSONINTRO", "Introduction"},
        {"LESSONDEV", "Development"},
        {"LESSONCLOSE", "Closure"},
        {"LESSONRESOURCE", "Resources"},
        {"LESSONTEST", "Assessment"},
        {"LESSONREFLECT", "Reflection"},
        {"LESSONEVAL", "Evaluation"},
        {"LESSONASSESS", "Assessed"},
        {"LESSONNOTTAUGHT", "Not Taught"},
        {"ROUTINEDAY", "Routine Day"},
        {"TEACHER", "Teacher"},
        {"PLANNAME", "Plan Name"},
        {"DESCRIPTION", "Description"},
        {"PLANSTART", "Start"},
        {"PLANEND", "End"},
    };
    for (const auto& t : titles)
        if (name == t[0]) return t[1];
    return name;
}

FXbool FXDChtml::hiddenColumn(const FXString& name) {
    return name == "ID" || name == "ENDOFRECORD" || name.left(2) == "FK";
}

void FXDChtml::writeHeaderRow(const FXString* names, FXint count) {
    if (!header) return;
    put("<THEAD><TR>");
    for (FXint i = 0; i < count; i++)
        put("<TH class=\"" + htmlText(names[i], true) + "\">" + htmlText(columnTitle(names[i])) + "</TH>");
    put("</TR></THEAD><TBODY>\n");
}

void FXDChtml::writeRow(const FXString* names, const FXString* values, FXint count) {
    put("<TR>");
    for (FXint i = 0; i < count; i++) {
        put("<TD class=\"" + htmlText(names[i], true) + "\">");
        if (values[i].empty()) {
            put("&nbsp;");
        } else {
            FXString v = htmlText(values[i]);
            v.substitute("\n", "<BR>");
            put(v);
        }
        put("</TD>");
    }
    put("</TR>\n");
}

FXbool FXDChtml::writeTable(const FXString& sql) { return writeResult(sql, true); }

FXbool FXDChtml::writeTableRows(const FXString& sql) { return writeResult(sql, false); }

FXbool FXDChtml::writeResult(const FXString& sql, FXbool headed) {
    IsectRecordset rs;
    if (!rs.OpenRecordset(sql)) return false;  // lost: the command tells the user
    FXint count = rs.fieldCount;
    std::vector<FXString> names((size_t)(count > 0 ? count : 0));
    std::vector<bool> numeric(names.size()), nullable(names.size());
    rs.fieldDefs.MoveFirst();
    for (FXint i = 0; i < count && !rs.fieldDefs.eof; i++) {
        names[i] = rs.fieldDefs.GetField(0);
        FXString type = rs.fieldDefs.GetField(1);
        numeric[i] = type == "i" || type == "n";
        nullable[i] = rs.fieldDefs.GetField(2).trim() != "0";
        rs.fieldDefs.MoveNext();
    }
    // The columns a reader needs, in order.
    std::vector<FXint> shown;
    std::vector<FXString> shownNames;
    for (FXint i = 0; i < count; i++) {
        if (hiddenColumn(names[i])) continue;
        shown.push_back(i);
        shownNames.push_back(names[i]);
    }
    const FXint n = (FXint)shown.size();
    if (headed) writeHeaderRow(shownNames.data(), n);
    std::vector<FXString> values(shown.size());
    rs.rows.MoveFirst();
    while (!rs.rows.eof) {
        for (FXint k = 0; k < n; k++) {
            const FXint i = shown[k];
            // NULL arrives as None; only a column that can hold NULL has it.
            values[k] = rs.GetField(i);
            if (nullable[i] && values[k] == "None")
                values[k] = FXString();
            else if (numeric[i])
                values[k].trim();
        }
        writeRow(shownNames.data(), values.data(), n);
        rs.rows.MoveNext();
    }
    return true;
}

FXbool FXDChtml::beginPage(FXuint) { return true; }

FXbool FXDChtml::endPage() {
    header = 0;
    return true;
}

FXbool FXDChtml::endPrint() {
    put("</TBODY></TABLE>\n");
    put("<!-- Global Javascript functions for ALL reports -->\n");
    put("<script src=\"");
    put("Global/GlobalFoot.js");
    put("\" type=\"text/javascript\"></script>\n\n");
    put("</BODY></HTML>");
    if (!output) return false;
    errno = 0;
    bool ok = fflush(output) == 0 && !ferror(output);
    if (!ok) error = errno ? errno : EIO;
    if (fclose(output) != 0 && ok) {
        error = errno ? errno : EIO;
        ok = false;
    }
    output = nullptr;
    return ok;
}

#include "print/FXDChtml.h"

#include <vector>

#include "data/IsectRecordset.h"

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

FXbool FXDChtml::beginPrint(const FXString& filename) {
    if (output) fclose(output);
    output = fopen(filename.text(), "w");
    if (!output) return false;
    FXString base = baseName(filename);
    put("<!DOCTYPE html><HTML><HEAD><meta charset='UTF-8'>\n");
    put("<!-- Global cascading style sheet for ALL reports -->\n");
    put("<link href=\"Global/GlobalScreen.css");
    put("\" rel=\"stylesheet\" type=\"text/css\" media=\"screen\">\n");
    put("<link href=\"Global/GlobalPrint.css");
    put("\" rel=\"stylesheet\" type=\"text/css\" media=\"print\">\n\n");
    put("<!-- Optional: Create your own cascading style sheets in the file names given below -->\n");
    put("<link href=\"");
    put(base + "Screen.css");
    put("\" rel=\"stylesheet\" type=\"text/css\" media=\"screen\">\n");
    put("<link href=\"");
    put(base + "Print.css");
    put("\" rel=\"stylesheet\" type=\"text/css\" media=\"print\">\n\n");
    put("<!-- Global Javascript functions for ALL reports -->\n");
    put("<script src=\"");
    put("Global/GlobalHead.js");
    put("\" type=\"text/javascript\"></script>\n\n");
    put("<!-- Optional: Create your own Javascript functions in the file name given below -->\n");
    put("<script src=\"");
    put(base + "JSHead.js");
    put("\" type=\"text/javascript\"></script>\n\n");
    put("</HEAD><BODY>\n");
    put("<!-- Optional: Create your own Form controls above the table using Javascript in the file name given "
        "below -->\n");
    put("<script src=\"");
    put(base + "JSForm.js");
    put("\" type=\"text/javascript\"></script>\n\n");
    put("<TABLE>\n");
    return true;
}

void FXDChtml::writeHeaderRow(const FXString* names, FXint count) {
    if (!header) return;
    put("<THEAD><TR>");
    for (FXint i = 0; i < count; i++) put("<TH class=\"" + names[i] + "\">" + names[i] + "</TH>");
    put("</TR></THEAD><TBODY>\n");
}

void FXDChtml::writeRow(const FXString* names, const FXString* values, FXint count) {
    put("<TR>");
    for (FXint i = 0; i < count; i++) {
        put("<TD class=\"" + names[i] + "\">");
        if (values[i].empty()) {
            put("&nbsp;");
        } else {
            FXString v = values[i];
            v.substitute("\n", "<BR>");
            put(v);
        }
        put("</TD>");
    }
    put("</TR>\n");
}

FXbool FXDChtml::writeTable(const FXString& sql) {
    IsectRecordset rs;
    if (!rs.OpenRecordset(sql)) return false;  // the recordset layer has told the user
    FXint count = rs.fieldCount;
    std::vector<FXString> names((size_t)(count > 0 ? count : 0));
    rs.fieldDefs.MoveFirst();
    for (FXint i = 0; i < count && !rs.fieldDefs.eof; i++) {
        names[i] = rs.fieldDefs.GetField(0);
        rs.fieldDefs.MoveNext();
    }
    writeHeaderRow(names.data(), count);
    std::vector<FXString> values(names.size());
    rs.rows.MoveFirst();
    while (!rs.rows.eof) {
        for (FXint i = 0; i < count; i++) values[i] = rs.GetField(i);
        writeRow(names.data(), values.data(), count);
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
    bool ok = !ferror(output);
    ok = fclose(output) == 0 && ok;
    output = nullptr;
    return ok;
}

// The device used when a report is printed to an HTML file.  Drawing calls
// draw nothing; the document holds a fixed head linking style sheets and
// scripts, one table made from an SQL query, and a fixed foot.
//
// Data is written as text: "&", "<" and ">" escaped (and the double quote in
// attributes), the client's text in the UTF-8 the page declares, line feeds as <BR>, NULL as a no-break space, numbers
// without their padding.  The two Global style sheets every report links are written into the report's Global folder
// when they are missing there.
#ifndef PLENWICK_FXDCHTML_H
#define PLENWICK_FXDCHTML_H

#include <fx.h>

#include <cstdio>

class FXDChtml : public FX::FXDC {
public:
    explicit FXDChtml(FX::FXApp* a);
    ~FXDChtml() override;

    // Opens (replaces) the file and writes the document head; false when the
    // file cannot be created.
    // A report with a title: the page's <TITLE>, a heading above the table
    // with the title and the current teacher, and a print style that keeps
    // every column on the paper.  Set before beginPrint.
    void setTitle(const FX::FXString& text) { title = text; }
    FX::FXbool beginPrint(const FX::FXString& filename);

    // The words a column is headed with ("LESSONDEV": "Development"); a name
    // the reports do not know stays as it is.  Key columns nobody reads (ID,
    // FK..., ENDOFRECORD) are left out of the tables.
    static FX::FXString columnTitle(const FX::FXString& name);
    static FX::FXbool hiddenColumn(const FX::FXString& name);
    // Runs the statement and writes its rows as table rows, headed by the
    // column names while no page has ended yet.
    FX::FXbool writeTable(const FX::FXString& sql);
    // Runs the statement and adds its rows to the table without a header
    // row: a report that hands its records one statement at a time keeps
    // one header row above all of them.
    FX::FXbool writeTableRows(const FX::FXString& sql);
    FX::FXbool beginPage(FX::FXuint page = 1);
    FX::FXbool endPage();
    // Writes the document foot and closes the file.
    FX::FXbool endPrint();

    // The part of the file name that names the per-report style sheets and
    // scripts: after the last backslash, before the last dot ("" without a dot).
    static FX::FXString baseName(const FX::FXString& filename);

    // Text of the client (UTF-8 or ISO Latin-1, see PrintText.h) as HTML
    // text in UTF-8: "&", "<", ">" (and with `attribute` the double quote) as
    // entities.
    static FX::FXString htmlText(const FX::FXString& text, FX::FXbool attribute = false);

    // The default Global/GlobalScreen.css and Global/GlobalPrint.css.
    static const char* screenStyleSheet();
    static const char* printStyleSheet();
    // Writes them into `directory`/Global where they are missing; false when
    // they are not there afterwards.
    static FX::FXbool provideStyleSheets(const FX::FXString& directory);

    // Writers of the table pieces, used by writeTable; values as the table
    // shows them (empty for NULL).
    void writeHeaderRow(const FX::FXString* names, FX::FXint count);
    void writeRow(const FX::FXString* names, const FX::FXString* values, FX::FXint count);

    FX::FXbool headerPending() const { return header != 0; }
    // The C library's error number of the last beginPrint or endPrint that
    // failed to open or write the file (0 when they succeeded).
    int lastError() const { return error; }

private:
    FX::FXint header;

    FX::FXbool writeResult(const FX::FXString& sql, FX::FXbool headed);
    FILE* output;
    int error = 0;
    FX::FXString title;
    static FX::FXString teacherName();

    void put(const FX::FXString& text);
    void put(const char* text);
};

#endif

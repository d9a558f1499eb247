// Report layout: how every printed report of the client is laid out (lesson
// summaries, verbose lesson listings, the long-term summary, the search
// report).  The routines draw on any device context: a printer job
// (FXDCNativePrinter: printer, PostScript, PDF or HTML file, print preview)
// or a window context on an off-screen image.
//
// The report definition is an FXStringRecordset of three text columns:
//   row 0       title, subtitle, teacher position ("0.50": where the
//               "Teacher:" label stands across the usable width)
//   rows 1..n   column title, field name, relative width
// The field name is a result column as the result text names it (upper case
// for unquoted names: DATESTART, LESSONNAME); the relative width is a
// fraction of the usable width ("0.14"; the widths of a report add up to
// about 1).  In a definition used for verbose rows only, the width may be
// empty: verbose rows then use 0.81.
//
// Page geometry: W x H is the area a page is laid out in, the printer job's
// getContentWidth() x getContentHeight() (the paper inside its margins, the
// same on every destination).  Its units are fixed offsets and text
// measured with the screen's fonts, so a report's job asks for screen units
// (FXNativePrinter::SCREEN_UNITS): it then looks the same in every file, on
// a printer and in the preview.  The usable width is U = W - 16, from x = 13 to
// W - 3; a relative width r is trunc(r * U) wide, and running x positions are
// x = trunc(r * U + x) from 13.  The page header takes the top 60 units; rows
// stay above H - 40; the footer's baseline is H.
//
// A whole report through ReportPages, inside a PrintCommand routine:
//
//   FXStringRecordset definition;
//   report::setTitleRow(definition, "Unit:", unitName);
//   report::addColumn(definition, "Date", "DATESTART", "0.07");
//   report::addColumn(definition, "Lesson Name", "LESSONNAME", "0.14");
//   PrintCommand print(this, "Unit summary");
//   print.printer.flags |= FXNativePrinter::SCREEN_UNITS;
//   print.run([&](FXDCNativePrinter& dc) {
//       ReportPages pages(dc, definition);
//       pages.begin();                        // page 1 and its header
//       for (FXint id : lessons) pages.row("Select ... where Id = " + FXStringVal(id));
//       pages.end();                          // ends the last page
//   });
//
// ReportPages keeps the page-break rule: a row that does not fit above
// H - 40 starts a new page with a fresh header; a row taller than a whole
// page is continued on the following pages, which repeat its dates and
// times and its name with "(continued)".  It lays the table out from its
// content: it reads every record first, gives the columns whose values are
// short words (dates, times, numbers) the width of their widest value or
// title, and shares the rest among the text columns by their relative
// widths; texts wrap at word boundaries inside their column, a word wider
// than the column breaks with a hyphen.  To an HTML file it hands each
// record's statement to the table instead of drawing (one header row above
// all records).
#ifndef PLENWICK_REPORTLAYOUT_H
#define PLENWICK_REPORTLAYOUT_H

#include <fx.h>

#include <vector>

#include "data/FXStringRecordset.h"
#include "data/IsectRecordset.h"

class FXDCNativePrinter;

namespace report {

// Creates the three report fonts (smallFont, labelFont, textFont) where
// they are not created yet: drawing uses fonts no widget may have created.
void createFonts();

// Building a definition.  setTitleRow empties the definition first.
void setTitleRow(FXStringRecordset& definition, const FX::FXString& title, const FX::FXString& subtitle,
                 const FX::FXString& teacherPosition = "0.50");
void addColumn(FXStringRecordset& definition, const FX::FXString& title, const FX::FXString& field,
               const FX::FXString& width);

// The usable width of a page W wide, and the width of a relative width r.
inline FX::FXint usableWidth(FX::FXint W) { return W - 16; }
inline FX::FXint columnWidth(FX::FXdouble r, FX::FXint W) { return (FX::FXint)(r * usableWidth(W)); }

// Where the page header ends (the first row's y), and the lowest y a row
// may reach on a page H high.
const FX::FXint headerBottom = 60;
inline FX::FXint rowLimit(FX::FXint H) { return H - 40; }

// The width used by verbose rows whose definition leaves it empty.
const FX::FXdouble verboseWidth = 0.81;

// Runs the statement of a record and moves to its row.  When the database
// cannot be reached (the recordset layer has shown its warning) the print
// job is abandoned: throws PrintAbandoned (print/PrintRoutine.h).
void openRecord(IsectRecordset& record, const FX::FXString& sql);

// A value as a report shows it: the field `name` of the current row, a
// NULL (None in a column that can hold one) as empty, empty when the result
// has no row.
FX::FXString fieldValue(IsectRecordset& record, const FX::FXString& name);

// One line of a wrapped text: `length` bytes from `start`.
struct TextLine {
    FX::FXint start = 0;
    FX::FXint length = 0;
    FX::FXbool hyphen = false;  // a word broken here: drawn with a hyphen after it
};
// Wraps `text` (tabs already replaced) as drawTextBox does into at most
// maxLines - 1 lines for a box w wide, measured in `font`.
std::vector<TextLine> wrapText(const FX::FXFont* font, const FX::FXString& text, FX::FXint w, FX::FXint maxLines);
// Wraps `text` (tabs already replaced) at word boundaries into lines at most
// `w` wide, measured in `font`: a line feed breaks the line, a word wider
// than `w` is broken where it fills the line, with a hyphen.
std::vector<TextLine> wrapWords(const FX::FXFont* font, const FX::FXString& text, FX::FXint w);

}  // namespace report

// Wraps `text` into a box w wide at (x, y), at most h high (h = 0: no
// limit), in the device's current font, and draws it when `draw` is set.
// Tabs count as four spaces; lines break at a space when the text up to the
// end of the next word would reach w - 40, a word wider than that is cut
// where it passes w - 40, a line feed breaks the line.  The first baseline
// is y + lh (lh the font's height).  Returns the height used: one line more
// than the lines drawn (an empty text gives lh).
FX::FXint drawTextBox(FX::FXDC& dc, const FX::FXString& text, FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h,
                      FX::FXbool draw);

// Clears the page (0, 0, W, H) to white and draws the header: the title and
// subtitle, "Teacher:" and the current teacher's name, one box per column
// with its title, and the footer line.  Returns the y of the first row (60).
FX::FXint drawReportHeader(FX::FXDC& dc, FX::FXint W, FX::FXint H, FXStringRecordset& definition);
// The same with the columns `widths` wide (one per column row), side by side from x = 13.
FX::FXint drawReportHeader(FX::FXDC& dc, FX::FXint W, FX::FXint H, FXStringRecordset& definition,
                           const std::vector<FX::FXint>& widths);

// One row of the report at y: for each column the value of its field in the
// record `sql` selects (short values of at most 8 characters on one line,
// longer ones wrapped in the column's width), and each column's box as high
// as the tallest value.  With draw = 0 only measures.  Returns the y below
// the row: y - 1 + height when drawn (the boxes of consecutive rows share
// their edge), y + height when measured.
FX::FXint drawReportRow(FX::FXDC& dc, FX::FXint W, FX::FXint y, const FX::FXString& sql, FX::FXbool draw,
                        FXStringRecordset& definition);
// The same from a record already read (the current row of `record`).
FX::FXint drawReportRow(FX::FXDC& dc, FX::FXint W, FX::FXint y, IsectRecordset& record, FX::FXbool draw,
                        FXStringRecordset& definition);

// One verbose line at y for each column row of the definition (callers pass
// a definition whose row 1 is the field to print): the column title in a
// label box (1 - r of the usable width) and the field's value beside it (r).
// Returns as drawReportRow does.
FX::FXint drawVerboseRow(FX::FXDC& dc, FX::FXint W, FX::FXint y, const FX::FXString& sql, FX::FXbool draw,
                         FXStringRecordset& definition);
FX::FXint drawVerboseRow(FX::FXDC& dc, FX::FXint W, FX::FXint y, IsectRecordset& record, FX::FXbool draw,
                         FXStringRecordset& definition);

// The pages of one report on a printer job: page numbers, headers and the
// page-break rule.  Every page is headed by `header` (its title row, and its
// column rows as column heads); rows drawn by row() take their columns from
// `header` unless given others.
class ReportPages {
public:
    ReportPages(FXDCNativePrinter& dc, FXStringRecordset& header);
    ReportPages(const ReportPages&) = delete;
    ReportPages& operator=(const ReportPages&) = delete;

    // Begins page 1 and draws its header.
    void begin();
    // One report row of the record `sql` selects.
    void row(const FX::FXString& sql);
    void row(const FX::FXString& sql, FXStringRecordset& columns);
    // One verbose row per column row of `fields` (title, field name, width)
    // from the record `sql` selects.
    void verboseRows(const FX::FXString& sql, FXStringRecordset& fields);
    // Lays out and draws the rows read so far and ends the last page.
    void end();

    FX::FXuint page() const { return pageNumber; }
    FX::FXint y() const { return currentY; }
    FX::FXint width() const { return W; }
    FX::FXint height() const { return H; }

    // A row laid out for the page: one cell per box.
    struct Cell {
        FX::FXint x = 0, w = 0;
        FX::FXFont* font = nullptr;
        FX::FXint lh = 0;           // line height of the cell's font
        FX::FXbool single = false;  // a short value on one line at y + 15
        FX::FXbool name = false;    // the row's name: repeated with "(continued)" when the row goes on
        FX::FXString text;          // tabs replaced
        std::vector<report::TextLine> lines;
        // Height the cell needs: lh for a short value, else one line more
        // than its lines.
        FX::FXint height() const { return single ? lh : (FX::FXint)(lines.size() + 1) * lh; }
    };
    using Row = std::vector<Cell>;

    // Places a laid-out row by the page-break rule.
    void place(Row& row);

private:
    FXDCNativePrinter& dc;
    FXStringRecordset& header;
    FX::FXint W, H;
    FX::FXuint pageNumber = 0;
    FX::FXint currentY = 0;
    FX::FXbool open = false;
    FX::FXbool tableStarted = false;  // HTML: the first record has been handed over
    // The records read, laid out at the end: a report row's values (with the
    // columns it takes them for), or a verbose row already laid out.
    struct Entry {
        FXStringRecordset* columns = nullptr;
        std::vector<FX::FXString> values;
        Row verbose;
    };
    std::vector<Entry> entries;
    std::vector<FX::FXint> widths;  // of the header's columns

    void newPage();
    void startPage();
    void fitColumns();
    void table(const FX::FXString& sql);
    void drawSlice(Row& row, std::vector<size_t>& next, FX::FXbool first, FX::FXbool last, FX::FXint height);
};

namespace report {

// The cells of a report row and of a verbose row on a page W wide.
ReportPages::Row layoutRow(FX::FXint W, IsectRecordset& record, FXStringRecordset& definition);
ReportPages::Row layoutVerboseRow(FX::FXint W, IsectRecordset& record, const FX::FXString& title,
                                  const FX::FXString& field, FX::FXdouble r);
// Draws a laid-out row whole at y; returns y - 1 + its height.
FX::FXint drawRow(FX::FXDC& dc, const ReportPages::Row& row, FX::FXint y);
// The row's height: the tallest cell.
FX::FXint rowHeight(const ReportPages::Row& row);

}  // namespace report

#endif

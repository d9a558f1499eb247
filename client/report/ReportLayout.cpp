// The report layout: text boxes, page headers, report and verbose rows, and
// the pages of a report with the page-break rule.
#include "report/ReportLayout.h"

#include <algorithm>
#include <array>

#include "data/AppState.h"
#include "print/FXDCNativePrinter.h"
#include "print/PrintRoutine.h"
#include "ui/AppResources.h"

using namespace FX;
using report::TextLine;

namespace {

const FXColor white = FXRGB(255, 255, 255);
const FXColor black = FXRGB(0, 0, 0);

// Values of at most this many characters are drawn on one line.
const FXint shortValue = 8;

using DefinitionRow = std::array<FXString, 3>;

// The definition's rows, read without moving its cursor.
std::vector<DefinitionRow> rowsOf(const FXStringRecordset& definition) {
    std::vector<DefinitionRow> rows;
    for (const FXStringRecordset::Row* row = definition.FirstRow(); row; row = row->next) {
        DefinitionRow r;
        const FXStringRecordset::Field* field = row->firstField;
        for (size_t i = 0; i < r.size() && field; ++i, field = field->next) r[i] = field->value;
        rows.push_back(r);
    }
    return rows;
}

FXdouble fraction(const FXString& text) { return FXDoubleVal(text); }

// Length in bytes of the character starting at `i` (UTF-8 sequences stay
// whole; any other byte is one character).
FXint charLength(const FXString& text, FXint i) {
    const FXint len = text.length();
    FXint n = 1;
    if ((FXuchar)text[i] >= 0xC0)
        while (i + n < len && ((FXuchar)text[i + n] & 0xC0) == 0x80) ++n;
    return n;
}

FXString withoutTabs(const FXString& text) {
    FXString out(text);
    out.substitute("\t", "    ");
    return out;
}

FXint fontHeight(const FXFont* font) { return font ? font->getFontHeight() : 0; }

ReportPages::Cell textCell(FXint x, FXint w, FXFont* font, const FXString& value) {
    ReportPages::Cell cell;
    cell.x = x;
    cell.w = w;
    cell.font = font;
    cell.lh = fontHeight(font);
    cell.text = withoutTabs(value);
    cell.lines = report::wrapText(font, cell.text, w, 9999);
    return cell;
}

void drawCellLines(FXDC& dc, const ReportPages::Cell& cell, FXint y, size_t from, size_t to) {
    for (size_t k = from; k < to && k < cell.lines.size(); ++k) {
        const TextLine& line = cell.lines[k];
        const FXint baseline = y - 3 + (FXint)(k - from + 1) * cell.lh;
        if (line.hyphen)
            dc.drawText(cell.x + 2, baseline, cell.text.mid(line.start, line.length) + "-");
        else if (line.length > 0)
            dc.drawText(cell.x + 2, baseline, cell.text.text() + line.start, (FXuint)line.length);
    }
}

// A cell of a laid-out table: short values on one line where they fit,
// others wrapped at word boundaries 6 units inside the column.
ReportPages::Cell tableCell(FXint x, FXint w, FXFont* font, const FXString& value) {
    ReportPages::Cell cell;
    cell.x = x;
    cell.w = w;
    cell.font = font;
    cell.lh = fontHeight(font);
    if (value.count() <= shortValue && (!font || font->getTextWidth(value) <= w - 4) && value.find('\n') < 0) {
        cell.single = true;
        cell.text = value;
        return cell;
    }
    cell.text = withoutTabs(value);
    cell.lines = report::wrapWords(font, cell.text, w - 6);
    return cell;
}

}  // namespace

// ---------------------------------------------------------------- definitions

namespace report {

void createFonts() {
    for (FXFont* font : {smallFont, labelFont, textFont})
        if (font && !font->id()) font->create();
}

void setTitleRow(FXStringRecordset& definition, const FXString& title, const FXString& subtitle,
                 const FXString& teacherPosition) {
    definition.Clear();
    definition.AddField(title, TRUE);
    definition.AddField(subtitle, FALSE);
    definition.AddField(teacherPosition, FALSE);
}

void addColumn(FXStringRecordset& definition, const FXString& title, const FXString& field, const FXString& width) {
    definition.AddField(title, TRUE);
    definition.AddField(field, FALSE);
    definition.AddField(width, FALSE);
}

void openRecord(IsectRecordset& record, const FXString& sql) {
    if (!record.OpenRecordset(sql)) throw PrintAbandoned();
    if (!record.rows.IsEmpty()) record.MoveFirst();
}

FXString fieldValue(IsectRecordset& record, const FXString& name) {
    if (record.rows.IsEmpty()) return FXString();
    const FieldDef def = record.FieldOrdinal(name);
    FXString value = record.GetField(def.ordinal);
    if (value == "None") {
        // Only a column that can hold NULL has it.
        const FXStringRecordset::Row* column = record.fieldDefs.FirstRow();
        for (FXint i = 0; column && i < def.ordinal; ++i) column = column->next;
        const FXStringRecordset::Field* nullable = column && column->firstField ? column->firstField->next : nullptr;
        if (nullable) nullable = nullable->next;
        if (!nullable || FXString(nullable->value).trim() != "0") return FXString();
    }
    return value;
}

// The wrapping of drawTextBox.  The scan of a line looks at one character
// at a time from `start`; `acc` is the width of the characters after the
// first, so a line holds a little more than w - 40 of text.  A space ends
// the line when the text from the line's start to the end of the next word
// would reach w - 40.
std::vector<TextLine> wrapText(const FXFont* font, const FXString& text, FXint w, FXint maxLines) {
    std::vector<TextLine> lines;
    const FXint len = text.length();
    const FXint limit = w - 40;
    FXint count = 1;  // lines so far, plus one
    FXint start = 0;
    while (count < maxLines && start < len) {
        ++count;
        FXint i = start;
        FXint acc = 0;
        while (i < len && acc <= limit) {
            const FXchar c = text[i];
            if (c == '\n') break;
            if (c == ' ') {
                FXint j = i + 1;
                while (j < len && text[j] == ' ') ++j;
                while (j < len && text[j] != ' ' && text[j] != '\n') ++j;
                const FXint through = std::min(j + 1, len) - start;
                if (font && font->getTextWidth(text.text() + start, (FXuint)through) >= limit) break;
            }
            i += charLength(text, i);
            if (i < len && font) acc += font->getTextWidth(text.text() + i, (FXuint)charLength(text, i));
        }
        TextLine line;
        line.start = start;
        if (i < len && text[i] == '\n') {
            line.length = i - start;
            start = i + 1;
        } else {
            const FXint end = i < len ? i + charLength(text, i) : len;
            line.length = end - start;
            start = end;
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<TextLine> wrapWords(const FXFont* font, const FXString& text, FXint w) {
    std::vector<TextLine> lines;
    const FXint len = text.length();
    auto width = [&](FXint from, FXint to) {
        return font && to > from ? font->getTextWidth(text.text() + from, (FXuint)(to - from)) : 0;
    };
    FXint pos = 0;
    while (pos < len) {
        const FXint start = pos;
        FXint i = start;  // the end of what the line holds so far
        for (;;) {
            if (i >= len || text[i] == '\n') {
                lines.push_back({start, i - start, false});
                pos = i + 1;
                break;
            }
            // The next word with the spaces before it.
            FXint j = i;
            while (j < len && text[j] == ' ') ++j;
            while (j < len && text[j] != ' ' && text[j] != '\n') j += charLength(text, j);
            if (width(start, j) <= w) {
                i = j;
                continue;
            }
            if (i > start) {
                // The line ends before the word; the spaces at the break go.
                FXint end = i;
                while (end > start && text[end - 1] == ' ') --end;
                lines.push_back({start, end - start, false});
                pos = i;
                while (pos < len && text[pos] == ' ') ++pos;
                break;
            }
            // A word wider than the column: as much as fits with a hyphen
            // (at least one character).
            FXint k = start;
            while (k < len && text[k] == ' ') ++k;
            FXint cut = k + charLength(text, k);
            const FXint hyphen = font ? font->getTextWidth("-", 1) : 0;
            while (cut < j) {
                const FXint next = cut + charLength(text, cut);
                if (width(start, next) + hyphen > w) break;
                cut = next;
            }
            const bool broken = cut < j;
            lines.push_back({start, cut - start, broken});
            pos = cut;
            break;
        }
    }
    return lines;
}

}  // namespace report

// ---------------------------------------------------------------- drawing routines

FXint drawTextBox(FXDC& dc, const FXString& text, FXint x, FXint y, FXint w, FXint h, FXbool draw) {
    if (dc.getFont() && !dc.getFont()->id()) dc.getFont()->create();
    FXFont* font = dc.getFont();
    const FXint lh = fontHeight(font);
    if (lh <= 0) return 0;
    const FXint maxLines = h != 0 ? h / lh : 9999;
    const FXString t = withoutTabs(text);
    const std::vector<TextLine> lines = report::wrapText(font, t, w, maxLines);
    if (draw) {
        for (size_t k = 0; k < lines.size(); ++k)
            if (lines[k].length > 0)
                dc.drawText(x, y + (FXint)(k + 1) * lh, t.text() + lines[k].start, (FXuint)lines[k].length);
    }
    return (FXint)(lines.size() + 1) * lh;
}

namespace {
FXint drawHeader(FXDC& dc, FXint W, FXint H, FXStringRecordset& definition, const std::vector<FXint>* widths);
}

FXint drawReportHeader(FXDC& dc, FXint W, FXint H, FXStringRecordset& definition) {
    return drawHeader(dc, W, H, definition, nullptr);
}

FXint drawReportHeader(FXDC& dc, FXint W, FXint H, FXStringRecordset& definition, const std::vector<FXint>& widths) {
    return drawHeader(dc, W, H, definition, &widths);
}

namespace {
FXint drawHeader(FXDC& dc, FXint W, FXint H, FXStringRecordset& definition, const std::vector<FXint>* widths) {
    report::createFonts();
    dc.setForeground(white);
    dc.fillRectangle(0, 0, W, H);
    dc.setForeground(black);

    FXString teacher;
    if (!appState.currentUserId.empty()) {
        IsectRecordset rs;
        report::openRecord(rs, "Select Teacher from Teachers where Id = " + appState.currentUserId);
        if (!rs.rows.IsEmpty()) teacher = rs.GetField(0);
    }

    const std::vector<DefinitionRow> rows = rowsOf(definition);
    const FXint U = report::usableWidth(W);
    const FXint fh = fontHeight(textFont);
    if (!rows.empty()) {
        const DefinitionRow& title = rows[0];
        dc.setFont(labelFont);
        dc.drawText(15, 19, title[0]);
        dc.setFont(textFont);
        dc.drawText(19 + labelFont->getTextWidth(title[0]), 19, title[1]);
        const FXint p = (FXint)(13 + fraction(title[2]) * U);
        dc.setFont(labelFont);
        dc.drawText(p + 2, 19, "Teacher:");
        dc.setFont(textFont);
        dc.drawText(p + 6 + labelFont->getTextWidth("Teacher:"), 19, teacher);
    }

    dc.setFont(labelFont);
    FXint x = 13;
    for (size_t i = 1; i < rows.size(); ++i) {
        const FXdouble r = fraction(rows[i][2]);
        const FXint w = widths ? (*widths)[i - 1] : (FXint)(r * U);
        dc.drawRectangle(x, 35, w, fh + 7);
        dc.drawText(x + 2, 35 + fh + 2, rows[i][0]);
        x = widths ? x + w : (FXint)(r * U + x);
    }

    dc.setFont(smallFont);
    dc.drawText(W - 3 - smallFont->getTextWidth(footerNotice), H, footerNotice);
    return report::headerBottom;
}
}  // namespace

namespace report {

ReportPages::Row layoutRow(FXint W, IsectRecordset& record, FXStringRecordset& definition) {
    createFonts();
    const std::vector<DefinitionRow> rows = rowsOf(definition);
    const FXint U = usableWidth(W);
    ReportPages::Row cells;
    FXint x = 13;
    for (size_t i = 1; i < rows.size(); ++i) {
        const FXdouble r = fraction(rows[i][2]);
        const FXint w = (FXint)(r * U);
        const FXString value = fieldValue(record, rows[i][1]);
        if (value.count() <= shortValue) {
            ReportPages::Cell cell;
            cell.x = x;
            cell.w = w;
            cell.font = textFont;
            cell.lh = fontHeight(textFont);
            cell.single = true;
            cell.text = value;
            cells.push_back(cell);
        } else {
            cells.push_back(textCell(x, w, textFont, value));
        }
        x = (FXint)(r * U + x);
    }
    return cells;
}

namespace {
void addVerboseCells(ReportPages::Row& cells, FXint& x, FXint U, IsectRecordset& record, const FXString& title,
                     const FXString& field, FXdouble r) {
    const FXint labelWidth = (FXint)((1.0 - r) * U);
    cells.push_back(textCell(x, labelWidth, labelFont, title));
    x = (FXint)((1.0 - r) * U + x);
    const FXint valueWidth = (FXint)(r * U);
    cells.push_back(textCell(x, valueWidth, textFont, fieldValue(record, field)));
    x = (FXint)(r * U + x);
}
}  // namespace

ReportPages::Row layoutVerboseRow(FXint W, IsectRecordset& record, const FXString& title, const FXString& field,
                                  FXdouble r) {
    createFonts();
    ReportPages::Row cells;
    FXint x = 13;
    addVerboseCells(cells, x, usableWidth(W), record, title, field, r);
    return cells;
}

FXint rowHeight(const ReportPages::Row& row) {
    FXint m = 0;
    for (const ReportPages::Cell& cell : row) m = std::max(m, cell.height());
    return m;
}

FXint drawRow(FXDC& dc, const ReportPages::Row& row, FXint y) {
    const FXint m = rowHeight(row);
    dc.setForeground(black);
    for (const ReportPages::Cell& cell : row) {
        dc.setFont(cell.font);
        if (cell.single) {
            if (!cell.text.empty()) dc.drawText(cell.x + 2, y + 15, cell.text);
        } else {
            drawCellLines(dc, cell, y, 0, cell.lines.size());
        }
    }
    for (const ReportPages::Cell& cell : row) dc.drawRectangle(cell.x, y - 1, cell.w, m);
    return y - 1 + m;
}

}  // namespace report

FXint drawReportRow(FXDC& dc, FXint W, FXint y, IsectRecordset& record, FXbool draw, FXStringRecordset& definition) {
    ReportPages::Row row = report::layoutRow(W, record, definition);
    dc.setFont(textFont);
    if (!draw) return y + report::rowHeight(row);
    return report::drawRow(dc, row, y);
}

FXint drawReportRow(FXDC& dc, FXint W, FXint y, const FXString& sql, FXbool draw, FXStringRecordset& definition) {
    IsectRecordset record;
    report::openRecord(record, sql);
    return drawReportRow(dc, W, y, record, draw, definition);
}

FXint drawVerboseRow(FXDC& dc, FXint W, FXint y, IsectRecordset& record, FXbool draw, FXStringRecordset& definition) {
    report::createFonts();
    const std::vector<DefinitionRow> rows = rowsOf(definition);
    ReportPages::Row cells;
    FXint x = 13;
    for (size_t i = 1; i < rows.size(); ++i) {
        const FXdouble r = rows[i][2].empty() ? report::verboseWidth : fraction(rows[i][2]);
        report::addVerboseCells(cells, x, report::usableWidth(W), record, rows[i][0], rows[i][1], r);
    }
    if (!draw) return y + report::rowHeight(cells);
    return report::drawRow(dc, cells, y);
}

FXint drawVerboseRow(FXDC& dc, FXint W, FXint y, const FXString& sql, FXbool draw, FXStringRecordset& definition) {
    IsectRecordset record;
    report::openRecord(record, sql);
    return drawVerboseRow(dc, W, y, record, draw, definition);
}

// ---------------------------------------------------------------- pages

ReportPages::ReportPages(FXDCNativePrinter& d, FXStringRecordset& h)
    : dc(d), header(h), W(d.getContentWidth()), H(d.getContentHeight()) {
    report::createFonts();
}

// An HTML file gets each record as it comes; a drawn report is laid out
// when all its records are read (end), as its columns' widths depend on
// them.
void ReportPages::begin() {
    pageNumber = 1;
    open = true;
    entries.clear();
    widths.clear();
    currentY = report::headerBottom;
    if (dc.toHtml()) dc.beginPage(pageNumber);
}

void ReportPages::startPage() {
    dc.beginPage(pageNumber);
    currentY = drawReportHeader(dc, W, H, header, widths);
}

void ReportPages::newPage() {
    dc.endPage();
    ++pageNumber;
    startPage();
}

namespace {

// A value of a column sized by its content: one word (a date, a time, a
// number) of at most 13 characters.
bool shortWord(const FXString& value) {
    return value.count() <= 13 && value.find(' ') < 0 && value.find('\n') < 0 && value.find('\t') < 0;
}

bool nameField(const FXString& field) { return field == "LESSONNAME" || field == "PLANNAME"; }

}  // namespace

// Columns of short words as wide as their widest value or title; the text
// columns share the rest by their relative widths (every column does when
// all are short).  When the short columns would not fit side by side, every
// column keeps its relative width.
void ReportPages::fitColumns() {
    const std::vector<DefinitionRow> rows = rowsOf(header);
    const FXint U = report::usableWidth(W);
    const size_t n = rows.size() > 0 ? rows.size() - 1 : 0;
    std::vector<bool> fixed(n, true);
    std::vector<FXint> wanted(n, 0);
    for (size_t i = 0; i < n; ++i) wanted[i] = labelFont->getTextWidth(rows[i + 1][0]) + 6;
    for (const Entry& e : entries) {
        if (e.columns != &header) continue;
        for (size_t i = 0; i < n && i < e.values.size(); ++i) {
            if (!shortWord(e.values[i])) fixed[i] = false;
            if (fixed[i]) wanted[i] = std::max(wanted[i], textFont->getTextWidth(e.values[i]) + 8);
        }
    }
    FXint fixedWidth = 0;
    FXdouble textShare = 0;
    for (size_t i = 0; i < n; ++i) {
        if (fixed[i])
            fixedWidth += wanted[i];
        else
            textShare += fraction(rows[i + 1][2]);
    }
    widths.assign(n, 0);
    bool anyRecord = false;
    for (const Entry& e : entries) anyRecord = anyRecord || e.columns == &header;
    if (fixedWidth > U || !anyRecord) {
        FXint x = 13;
        for (size_t i = 0; i < n; ++i) {
            const FXdouble r = fraction(rows[i + 1][2]);
            const FXint next = (FXint)(r * U + x);
            widths[i] = next - x;
            x = next;
        }
        return;
    }
    // The rest goes to the text columns, or to all when every column is short.
    const bool allShort = textShare <= 0;
    if (allShort)
        for (size_t i = 0; i < n; ++i) textShare += fraction(rows[i + 1][2]);
    const FXint rest = U - fixedWidth;
    FXint given = 0;
    size_t lastShared = n;
    for (size_t i = 0; i < n; ++i) {
        widths[i] = fixed[i] ? wanted[i] : 0;
        if ((!fixed[i] || allShort) && textShare > 0) {
            const FXint share = (FXint)(rest * fraction(rows[i + 1][2]) / textShare);
            widths[i] += share;
            given += share;
            lastShared = i;
        }
    }
    if (lastShared < n) widths[lastShared] += rest - given;
}

void ReportPages::end() {
    if (!open) return;
    open = false;
    if (dc.toHtml()) {
        dc.endPage();
        return;
    }
    fitColumns();
    startPage();
    for (Entry& e : entries) {
        if (!e.columns) {
            place(e.verbose);
            continue;
        }
        const std::vector<DefinitionRow> rows = rowsOf(*e.columns);
        Row cells;
        FXint x = 13;
        const FXint U = report::usableWidth(W);
        for (size_t i = 1; i < rows.size(); ++i) {
            FXint w;
            if (e.columns == &header && i - 1 < widths.size()) {
                w = widths[i - 1];
            } else {
                w = (FXint)(fraction(rows[i][2]) * U + x) - x;
            }
            Cell cell = tableCell(x, w, textFont, i - 1 < e.values.size() ? e.values[i - 1] : FXString());
            cell.name = nameField(rows[i][1]);
            cells.push_back(cell);
            x += w;
        }
        place(cells);
    }
    entries.clear();
    dc.endPage();
}

// The HTML file gets the record's statement instead of a drawing: the
// first one makes the table with its header row, the others add rows.
void ReportPages::table(const FXString& sql) {
    if (tableStarted) {
        dc.writeTableRows(sql);
    } else {
        dc.writeTable(sql);
        tableStarted = true;
    }
}

void ReportPages::row(const FXString& sql) { row(sql, header); }

void ReportPages::row(const FXString& sql, FXStringRecordset& columns) {
    if (dc.toHtml()) {
        table(sql);
        return;
    }
    IsectRecordset record;
    report::openRecord(record, sql);
    Entry e;
    e.columns = &columns;
    const std::vector<DefinitionRow> rows = rowsOf(columns);
    for (size_t i = 1; i < rows.size(); ++i) e.values.push_back(report::fieldValue(record, rows[i][1]));
    entries.push_back(std::move(e));
}

void ReportPages::verboseRows(const FXString& sql, FXStringRecordset& fields) {
    if (dc.toHtml()) {
        table(sql);
        return;
    }
    IsectRecordset record;
    report::openRecord(record, sql);
    const std::vector<DefinitionRow> rows = rowsOf(fields);
    const FXint U = report::usableWidth(W);
    for (size_t i = 1; i < rows.size(); ++i) {
        const FXdouble r = rows[i][2].empty() ? report::verboseWidth : fraction(rows[i][2]);
        Entry e;
        FXint x = 13;
        const FXint labelWidth = (FXint)((1.0 - r) * U);
        e.verbose.push_back(tableCell(x, labelWidth, labelFont, rows[i][0]));
        x = (FXint)((1.0 - r) * U + x);
        e.verbose.push_back(tableCell(x, (FXint)(r * U), textFont, report::fieldValue(record, rows[i][1])));
        // A label is never a single line drawn at y + 15: labels wrap.
        if (e.verbose[0].single) {
            e.verbose[0].single = false;
            e.verbose[0].text = withoutTabs(rows[i][0]);
            e.verbose[0].lines = report::wrapWords(labelFont, e.verbose[0].text, labelWidth - 6);
        }
        entries.push_back(std::move(e));
    }
}

namespace {
const char* const continued = " (continued)";
}

// The page-break rule: a row that would reach below H - 40 starts a new
// page with a fresh header.  A row taller than a whole page starts on a page
// of its own (unless the page holds nothing yet) and goes on over as many
// pages as it needs, each part with its boxes down to H - 40; each further
// part repeats the row's short values (dates, times) and, once its lines are
// all shown, the row's name with "(continued)".
void ReportPages::place(Row& cells) {
    const FXint limit = report::rowLimit(H);
    const FXint m = report::rowHeight(cells);
    if (currentY + m <= limit) {
        currentY = report::drawRow(dc, cells, currentY);
        return;
    }
    if (report::headerBottom + m <= limit) {
        newPage();
        currentY = report::drawRow(dc, cells, currentY);
        return;
    }
    if (currentY != report::headerBottom) newPage();
    std::vector<size_t> next(cells.size(), 0);
    for (FXbool first = TRUE;; first = FALSE) {
        const FXint top = currentY - 1;
        FXbool last = TRUE;
        FXint finalHeight = 0;
        for (size_t c = 0; c < cells.size(); ++c) {
            const Cell& cell = cells[c];
            if (cell.single || cell.lh <= 0) {
                finalHeight = std::max(finalHeight, cell.lh);
                continue;
            }
            const FXint fit = std::max(1, (limit - top) / cell.lh - 1);
            FXint remaining = (FXint)(cell.lines.size() - next[c]);
            if (!first && remaining == 0 && cell.name && !cell.lines.empty()) remaining = 1;
            if (remaining > fit) last = FALSE;
            finalHeight = std::max(finalHeight, (remaining + 1) * cell.lh);
        }
        if (last) {
            drawSlice(cells, next, first, TRUE, finalHeight);
            currentY = top + finalHeight;
            return;
        }
        drawSlice(cells, next, first, FALSE, limit - top);
        newPage();
    }
}

// One page's part of a row that goes over several pages: each cell draws the
// lines that fit from where its last part stopped.
void ReportPages::drawSlice(Row& cells, std::vector<size_t>& next, FXbool first, FXbool last, FXint height) {
    const FXint limit = report::rowLimit(H);
    const FXint y = currentY;
    dc.setForeground(black);
    for (size_t c = 0; c < cells.size(); ++c) {
        Cell& cell = cells[c];
        dc.setFont(cell.font);
        if (cell.single) {
            if (!cell.text.empty()) dc.drawText(cell.x + 2, y + 15, cell.text);
            continue;
        }
        if (cell.lh <= 0) continue;
        if (!first && cell.name && next[c] >= cell.lines.size() && !cell.lines.empty()) {
            const TextLine& line = cell.lines[0];
            dc.drawText(cell.x + 2, y - 3 + cell.lh, cell.text.mid(line.start, line.length) + continued);
            continue;
        }
        const size_t fit = last ? cell.lines.size() - next[c] : (size_t)std::max(1, (limit - (y - 1)) / cell.lh - 1);
        const size_t to = std::min(cell.lines.size(), next[c] + fit);
        drawCellLines(dc, cell, y, next[c], to);
        next[c] = to;
    }
    for (const Cell& cell : cells) dc.drawRectangle(cell.x, y - 1, cell.w, height);
}

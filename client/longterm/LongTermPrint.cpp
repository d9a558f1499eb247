// LongTermWindow: printing.  "Print Long Term" puts the term view on a page
// (and the open description windows on a second one); "Print Long Term
// Summary Report" lists the plans of the last drawing as a report.  Both go
// through PrintCommand to a printer or a PostScript, PDF or HTML file, laid
// out in screen units so that the page looks like the screen.
#include <algorithm>
#include <vector>

#include "data/Numbers.h"
#include "lessons/LessonDialogOpened.h"
#include "longterm/LongTermWindow.h"
#include "print/FXDCNativePrinter.h"
#include "print/PrintCommand.h"
#include "print/PrintRoutine.h"
#include "report/ReportLayout.h"
#include "ui/AppResources.h"

using namespace FX;

namespace {

// The page area of the term view: 100 units inside the printable area.
const FXint pageInset = 100;

}  // namespace

// ---------------------------------------------------------------------------
// "Print Long Term"

long LongTermWindow::onCmdPrintLongTerm(FXObject*, FXSelector, void*) {
    PrintCommand print(this, "Long Term Plans");
    print.printer.flags |= FXNativePrinter::COLOR | FXNativePrinter::SCREEN_UNITS;
    const FXuint before = drawings;
    print.run([&](FXDCNativePrinter& dc) { printLongTerm(dc); });
    // A printed (or previewed) drawing chose new colours: draw the screen
    // again, so that a click finds the plan whose colour it shows.
    if (drawings != before) redraw();
    return 1;
}

void LongTermWindow::printLongTerm(FXDCNativePrinter& dc) {
    const FXint b = dc.getContentWidth() - pageInset, a = dc.getContentHeight() - pageInset;
    dc.beginPage(1);
    withDescriptions = false;
    // Without the database the job ends unprinted, in the preview too; the
    // print command warns of the lost connection.
    if (!drawPlan(dc, b, a)) throw PrintAbandoned();
    if (dc.toHtml()) dc.writeTable(workRecordset.sqlText);
    if (!descriptionWindows.IsEmpty()) {
        dc.endPage();
        dc.beginPage(2);
        drawDescriptionPage(dc, b, a, getRoot()->getWidth(), getRoot()->getHeight());
    }
    dc.endPage();
}

// The description windows as boxes at the printed text size, in the order
// they stand on the screen (top to bottom, then left to right), in two
// columns down the page: each box as wide as its column and as high as its
// wrapped text, the next below it or at the top of the next column.  A text
// longer than the room left is cut at the page's foot.  The footer line as
// on the term view.
void LongTermWindow::drawDescriptionPage(FXDC& dc, FXint b, FXint a, FXint, FXint) {
    dc.setForeground(FXRGB(255, 255, 255));
    dc.fillRectangle(0, 0, b, a);
    drawFooter(dc, b - 12, a);
    struct Box {
        FXint x, y;
        FXString text;
    };
    std::vector<Box> boxes;
    for (descriptionWindows.MoveFirst(); !descriptionWindows.eof; descriptionWindows.MoveNext())
        boxes.push_back({decimalValue(descriptionWindows.GetField(2)), decimalValue(descriptionWindows.GetField(3)),
                         descriptionWindows.GetField(1)});
    std::stable_sort(boxes.begin(), boxes.end(),
                     [](const Box& p, const Box& q) { return p.y != q.y ? p.y < q.y : p.x < q.x; });
    dc.setFont(textFont);
    const FXint gap = 20, padding = 10;
    const FXint columnWidth = (b - gap) / 2;
    const FXint bottom = a - 2 * (smallFont ? smallFont->getFontHeight() : 12);
    if (columnWidth <= 2 * padding || bottom <= 0) return;
    FXint column = 0, y = 0;
    for (const Box& box : boxes) {
        const FXint needed = drawTextBox(dc, box.text, 0, 0, columnWidth - 2 * padding, 0, false) + 2 * padding;
        if (y > 0 && y + needed > bottom) {
            ++column;
            y = 0;
        }
        if (column > 1) break;  // the page is full
        const FXint x = column * (columnWidth + gap);
        const FXint h = FXMIN(needed, bottom - y);
        if (h <= 2 * padding) break;
        dc.setForeground(FXRGB(255, 255, 255));
        dc.fillRectangle(x, y, columnWidth, h);
        dc.setForeground(FXRGB(0, 0, 0));
        dc.drawRectangle(x, y, columnWidth - 1, h - 1);
        drawTextBox(dc, box.text, x + padding, y + padding / 2, columnWidth - 2 * padding, h - padding, true);
        y += h + gap;
    }
}

// ---------------------------------------------------------------------------
// "Print Long Term Summary Report"

void LongTermWindow::summaryDefinition(FXStringRecordset& definition) const {
    report::setTitleRow(definition,
                        "Long Term:", "Term: " + FXString(schoolTerm).trim() + "  Year: " + FXString(schoolYear).trim(),
                        "0.50");
    report::addColumn(definition, "Start", "PLANSTART", "0.07");
    report::addColumn(definition, "End", "PLANEND", "0.07");
    report::addColumn(definition, "Subject", "SUBJECTNAME", "0.18");
    report::addColumn(definition, "Plan Name", "PLANNAME", "0.18");
    report::addColumn(definition, "Description", "DESCRIPTION", "0.48");
}

FXString LongTermWindow::summaryStatement(const FXString& planId) {
    // The five columns the report shows, and no others (an HTML file lists
    // every column of the statement).
    return "Select LongTerm.PlanStart, LongTerm.PlanEnd, Subject.Description as SubjectName, LongTerm.PlanName, "
           "LongTerm.Description from LongTerm, Subject Where LongTerm.Id = " +
           planId + " AND Subject.Id = LongTerm.FKSubject";
}

long LongTermWindow::onCmdPrintSummary(FXObject*, FXSelector, void*) {
    if (!lessons::requireLessonDialogOpened(this)) return 1;
    // The plans of the last drawing, in the order it met them.
    std::vector<FXString> plans;
    for (planColours.MoveFirst(); !planColours.eof; planColours.MoveNext())
        plans.push_back(FXString(planColours.GetField(0)).trim());
    FXStringRecordset definition;
    summaryDefinition(definition);
    PrintCommand print(this, "Long Term Summary Report");
    print.printer.flags |= FXNativePrinter::SCREEN_UNITS | FXNativePrinter::PAGE_FOOTER;
    // An HTML file gets one table: the report's records, which ReportPages
    // hands over.  (The HTML device writes one table a document; the term's
    // plan query handed over as well would run into it under a second
    // header row and list every plan twice.)
    print.run([&](FXDCNativePrinter& dc) {
        ReportPages pages(dc, definition);
        pages.begin();
        for (const FXString& id : plans) pages.row(summaryStatement(id));
        pages.end();
    });
    return 1;
}

// LongTermWindow: printing.  "Print Long Term" puts the term view on a page
// (and the open description windows on a second one); "Print Long Term
// Summary Report" lists the plans of the last drawing as a report.  Both go
// through PrintCommand to a printer or a PostScript, PDF or HTML file, laid
// out in screen units so that the page looks like the screen.
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

// The description windows as boxes, each where its text stood on the
// screen, scaled from the screen (sw x sh) to the page (b x a) and kept on
// the page; the footer line as on the term view.
void LongTermWindow::drawDescriptionPage(FXDC& dc, FXint b, FXint a, FXint sw, FXint sh) {
    dc.setForeground(FXRGB(255, 255, 255));
    dc.fillRectangle(0, 0, b, a);
    drawFooter(dc, b - 12, a);
    if (sw <= 0 || sh <= 0) return;
    const FXdouble sx = (FXdouble)b / sw, sy = (FXdouble)a / sh;
    dc.setFont(textFont);
    for (descriptionWindows.MoveFirst(); !descriptionWindows.eof; descriptionWindows.MoveNext()) {
        FXint P = (FXint)(sx * decimalValue(descriptionWindows.GetField(2)));
        FXint Q = (FXint)(sy * decimalValue(descriptionWindows.GetField(3)));
        FXint Wd = (FXint)(sx * decimalValue(descriptionWindows.GetField(4)));
        FXint Ht = (FXint)(sy * decimalValue(descriptionWindows.GetField(5)));
        // A window partly off the screen keeps its box on the page.
        P = FXCLAMP(0, P, FXMAX(0, b - 2));
        Q = FXCLAMP(0, Q, FXMAX(0, a - 2));
        Wd = FXMIN(Wd, b - 1 - P);
        Ht = FXMIN(Ht, a - 1 - Q);
        if (Wd <= 0 || Ht <= 0) continue;
        dc.setForeground(FXRGB(255, 255, 255));
        dc.fillRectangle(P, Q, Wd, Ht);
        dc.setForeground(FXRGB(0, 0, 0));
        dc.drawRectangle(P, Q, Wd, Ht);
        drawTextBox(dc, descriptionWindows.GetField(1), P, Q, Wd, Ht, true);
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
    return "Select Subject.Description as SubjectName, LongTerm.* from LongTerm, Subject Where LongTerm.Id = " +
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

// Running a print command: the one way every window prints.
//
//   PrintCommand print(this, "Week of 02/03/26");   // owner window, the job's title
//   print.run([&](FXDCNativePrinter& dc) {
//       dc.beginPage(1);
//       drawPlan(dc, dc.getContentWidth(), dc.getContentHeight());
//       if (dc.toHtml()) dc.writeTable(rs.sqlText);
//       dc.endPage();
//   });
//
// run() shows the print dialog "Printer Setup" at the pointer, whose
// "Pre&view" shows the pages the routine draws as the chosen destination
// would get them; a cancelled dialog ends the command quietly; no printer
// chosen gives the warning "Please select a printer first!\n"; otherwise the
// job starts on a new FXDCNativePrinter (printer, PostScript, PDF or HTML
// file), the routine runs under the busy cursor and the job ends.  A
// database error (FXException) thrown by the routine ends the job without
// output (a file begun is removed) and is then told as every window tells
// a failure (ui/Failures.h); so is a connection lost by a statement of the
// routine, which ends the job the same way whether or not the routine went
// on.  PrintAbandoned (PrintRoutine.h) ends it the same way, telling only
// that lost connection.
//
// The routine lays every page out in dc.getContentWidth() x
// dc.getContentHeight(), with (0, 0) the printable area's top-left corner;
// it begins and ends each page itself, numbered from 1, and hands its
// statements to writeTable when dc.toHtml().
//
// Before run(), `printer` may be prepared: flags (COLOR), the title, and the
// page span (lastpage) when the number of pages is known; by default the
// span is open, so that any page number can be chosen.  After run(),
// `printer` holds what the user chose.
#ifndef PLENWICK_PRINTCOMMAND_H
#define PLENWICK_PRINTCOMMAND_H

#include <fx.h>

#include "print/FXNativePrinter.h"
#include "print/PrintRoutine.h"

class PrintCommand {
public:
    PrintCommand(FX::FXWindow* owner, const FX::FXString& title);

    FXNativePrinter printer;

    // The whole command; true when a job was printed.
    FX::FXbool run(const PrintRoutine& routine);

    // The CUPS job id of a job that went to a printer (0 otherwise).
    FX::FXint lastJob() const { return jobid; }

    // Runs `routine` as a job on `printer` without the dialog: the part of
    // run() after the dialog.
    static FX::FXbool print(FX::FXWindow* owner, FXNativePrinter& printer, const PrintRoutine& routine,
                            FX::FXint* jobid = nullptr);

private:
    FX::FXWindow* owner;
    FX::FXint jobid = 0;
};

#endif

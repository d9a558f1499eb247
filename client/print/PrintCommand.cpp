#include "print/PrintCommand.h"

#include "print/FXDCNativePrinter.h"
#include "print/FXNativePrintDialog.h"
#include "ui/Failures.h"
#include "ui/Prompter.h"

using namespace FX;

PrintCommand::PrintCommand(FXWindow* o, const FXString& title) : owner(o) {
    printer.title = title;
    printer.lastpage = FXNativePrinter::OPEN_END;
    printer.topage = FXNativePrinter::OPEN_END;
}

FXbool PrintCommand::run(const PrintRoutine& routine) {
    jobid = 0;
    FXNativePrintDialog dialog(owner, "Printer Setup");
    dialog.setPrinter(printer);
    dialog.setPrintRoutine(routine);
    if (!dialog.execute(PLACEMENT_CURSOR)) return false;
    FXString title = printer.title;
    dialog.getPrinter(printer);
    printer.title = title;
    if (printer.name.empty()) {
        Prompter::get().warning(owner, owner->getApp()->getAppName(), "Please select a printer first!\n");
        return false;
    }
    return print(owner, printer, routine, &jobid);
}

namespace {

// The busy cursor (the toolkit's wait cursor, which the client's busyCursor
// is) for as long as it lives.
class BusyCursor {
public:
    explicit BusyCursor(FXApp* a) : app(a) { app->beginWaitCursor(); }
    ~BusyCursor() { app->endWaitCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    FXApp* app;
};

}  // namespace

FXbool PrintCommand::print(FXWindow* owner, FXNativePrinter& printer, const PrintRoutine& routine, FXint* jobid) {
    FXApp* app = owner->getApp();
    // "Page 3 of 12": the pages counted by laying the job out first.
    printer.totalpages = 0;
    if ((printer.flags & FXNativePrinter::PAGE_FOOTER) && !(printer.flags & FXNativePrinter::DEST_HTML)) {
        FXDCNativePrinter counting(app);
        counting.beginPreview(printer, nullptr, 0, 1.0);
        const failures::Mark before;
        try {
            routine(counting);
            printer.totalpages = counting.getPagesBegun();
        } catch (const FXException&) {
            // The job itself meets the failure again and tells it.
        } catch (const PrintAbandoned&) {
        }
        counting.endPrint();
        // Without the database there is no job to print either.
        if (before.lost()) {
            failures::tellLost(owner, before);
            return false;
        }
    }
    FXDCNativePrinter dc(app);
    if (!dc.beginPrint(printer)) return false;
    // The job ends without output (a file begun is removed) before the user
    // is told why.
    const failures::Mark mark;
    messages::Message failure;
    bool failed = false;
    {
        BusyCursor busy(app);
        try {
            routine(dc);
        } catch (const FXException&) {
            failure = messages::explainCaught("Database Error");
            failed = true;
        } catch (const PrintAbandoned&) {
            dc.abortPrint();
            failures::tellLost(owner, mark);
            return false;
        } catch (...) {
            dc.abortPrint();
            throw;
        }
        // A statement that lost the connection (a table of an HTML file) leaves
        // the job without its rows: it is not printed either.
        if (!failed && !mark.lost()) {
            FXbool ok = dc.endPrint();
            if (jobid) *jobid = dc.lastJob();
            return ok;
        }
        dc.abortPrint();
    }
    if (!failures::tellLost(owner, mark)) failures::tell(owner, failure);
    return false;
}

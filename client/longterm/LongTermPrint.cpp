// LongTermWindow: printing the term view and the summary report.
#include "data/Prompter.h"
#include "longterm/LongTermWindow.h"

using namespace FX;

long LongTermWindow::onCmdPrintLongTerm(FXObject*, FXSelector, void*) {
    Prompter::get().information(this, "Print Long Term", "Printing the long-term view is not available yet.");
    return 1;
}

long LongTermWindow::onCmdPrintSummary(FXObject*, FXSelector, void*) {
    Prompter::get().information(this, "Print Long Term Summary Report", "The summary report is not available yet.");
    return 1;
}

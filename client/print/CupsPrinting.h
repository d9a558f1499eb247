// The platform printer on this system: CUPS queues, local and on the network.
#ifndef PLENWICK_CUPSPRINTING_H
#define PLENWICK_CUPSPRINTING_H

#include <fx.h>

#include <vector>

#include "print/FXNativePrinter.h"

namespace cupsprint {

// Names of the queues CUPS offers (local and network ones), sorted as CUPS
// gives them.  Empty when CUPS cannot be reached.
std::vector<FX::FXString> printerNames();

// The queue CUPS prints to when none is named (the user's or the system's
// default); empty when there is none.
FX::FXString defaultPrinter();

// True when `name` is one of those queues.
FX::FXbool printerExists(const FX::FXString& name);

// The CUPS "media" value for a paper code and size in points
// (Letter, Legal, A4, A3, A2, else Custom.WxH).
FX::FXString mediaName(const FXPrinterSettings& settings, FX::FXdouble width, FX::FXdouble height);

// The description's page ranges as CUPS writes them: "3-5,8".
FX::FXString pageRanges(const FXNativePrinter& printer);

// Hands a PostScript file to the queue with the copy count, paper, colour
// output order and page selection of the description.  Returns the job id, 0 on failure
// with CUPS's message in `error`.
FX::FXint submit(const FXNativePrinter& printer, const FX::FXString& file, const FX::FXString& title,
                 FX::FXString& error);

}  // namespace cupsprint

#endif

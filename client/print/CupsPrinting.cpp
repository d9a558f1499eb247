#include "print/CupsPrinting.h"

#include <cups/cups.h>

#include <cmath>

using namespace FX;

namespace cupsprint {

std::vector<FXString> printerNames() {
    std::vector<FXString> names;
    cups_dest_t* dests = nullptr;
    int n = cupsGetDests(&dests);
    for (int i = 0; i < n; i++) {
        if (dests[i].instance) continue;  // instances share their queue's name
        names.push_back(dests[i].name);
    }
    cupsFreeDests(n, dests);
    return names;
}

FXbool printerExists(const FXString& name) {
    if (name.empty()) return false;
    cups_dest_t* dests = nullptr;
    int n = cupsGetDests(&dests);
    bool found = cupsGetDest(name.text(), nullptr, n, dests) != nullptr;
    cupsFreeDests(n, dests);
    return found;
}

FXString defaultPrinter() {
    FXString name;
    cups_dest_t* dests = nullptr;
    int n = cupsGetDests(&dests);
    // The user's own default (lpoptions) comes first, then the system's.
    cups_dest_t* dest = cupsGetDest(nullptr, nullptr, n, dests);
    if (dest) name = dest->name;
    cupsFreeDests(n, dests);
    return name;
}

FXString mediaName(const FXPrinterSettings& settings, FXdouble width, FXdouble height) {
    const char* name = paperName((FXuint)settings.paperCode);
    if (*name) return name;
    // Custom sizes travel in points.
    FXString media;
    media.format("Custom.%dx%d", (int)lround(width), (int)lround(height));
    return media;
}

FXString pageRanges(const FXNativePrinter& printer) { return printer.rangeText(); }

FXint submit(const FXNativePrinter& printer, const FXString& file, const FXString& title, FXString& error) {
    cups_option_t* options = nullptr;
    int n = 0;
    const FXPrinterSettings& s = printer.settings;
    FXint copies = s.copies > 0 ? s.copies : (FXint)printer.numcopies;
    if (copies < 1) copies = 1;
    n = cupsAddOption("copies", FXStringVal(copies).text(), n, &options);
    n = cupsAddOption("media", mediaName(s, printer.mediawidth, printer.mediaheight).text(), n, &options);
    n = cupsAddOption("print-color-mode", s.color == 2 ? "color" : "monochrome", n, &options);
    if (printer.flags & FXNativePrinter::COLLATE_REVERSED) n = cupsAddOption("outputorder", "reverse", n, &options);
    // The document holds every page; CUPS picks the chosen ones.
    if (printer.flags & FXNativePrinter::PAGES_EVEN)
        n = cupsAddOption("page-set", "even", n, &options);
    else if (printer.flags & FXNativePrinter::PAGES_ODD)
        n = cupsAddOption("page-set", "odd", n, &options);
    else if ((printer.flags & FXNativePrinter::PAGES_RANGE) && !printer.ranges.empty())
        n = cupsAddOption("page-ranges", pageRanges(printer).text(), n, &options);
    // The pages carry their own rotation for landscape, so no orientation
    // option goes with them: CUPS would turn them a second time.
    FXString jobTitle = title.empty() ? FXString("Plenwick") : title;
    int job = cupsPrintFile(printer.name.text(), file.text(), jobTitle.text(), n, options);
    cupsFreeOptions(n, options);
    if (job <= 0) {
        error = cupsLastErrorString();
        return 0;
    }
    return job;
}

}  // namespace cupsprint

// The printer description: where a print job goes and how it is laid out.
// The print dialog fills it; FXDCNativePrinter and FXDCPostscript read it.
#ifndef PLENWICK_FXNATIVEPRINTER_H
#define PLENWICK_FXNATIVEPRINTER_H

#include <fx.h>

#include <utility>
#include <vector>


// Settings handed to the platform printer (CUPS) for a printer destination:
// the counterpart of a device-mode record.
struct FXPrinterSettings {
    FX::FXint orientation = 1;   // 1 portrait, 2 landscape
    FX::FXint paperCode = 1;     // paper code of the chosen paper; 256 custom size
    FX::FXint paperWidth = 0;    // custom size in tenths of a millimetre
    FX::FXint paperLength = 0;
    FX::FXint color = 1;         // 1 monochrome, 2 colour
    FX::FXint copies = 1;
};

struct FXNativePrinter {
    // Flag bits of `flags`.
    enum {
        DEST_FILE        = 0x001,  // PostScript file named by `name`
        DEST_HTML        = 0x002,  // HTML file named by `name`
        PAGES_EVEN       = 0x004,
        PAGES_ODD        = 0x008,
        PAGES_RANGE      = 0x010,
        COLLATE_REVERSED = 0x020,  // "Last Page First"
        LANDSCAPE        = 0x040,
        COLOR            = 0x080,  // clear: colours are printed as grey
        NOBOUNDS         = 0x100   // PostScript bounding boxes collected while drawing
    };

    FX::FXString name;             // printer name, or the output file
    FX::FXuint firstpage = 1;      // page span of the document
    FX::FXuint lastpage = 1;
    FX::FXuint currentpage = 1;
    FX::FXuint frompage = 1;       // pages to print
    FX::FXuint topage = 1;
    FX::FXuint mediasize = 1;      // paper code
    FX::FXdouble mediawidth = 612.0;   // points
    FX::FXdouble mediaheight = 792.0;
    FX::FXdouble leftmargin = 72.0;
    FX::FXdouble rightmargin = 72.0;
    FX::FXdouble topmargin = 72.0;
    FX::FXdouble bottommargin = 72.0;
    FX::FXuint numcopies = 1;
    FX::FXuint flags = 0;
    std::vector<std::pair<FX::FXuint, FX::FXuint>> ranges;  // (from, to) page ranges
    FXPrinterSettings settings;    // platform printer settings
};

#endif

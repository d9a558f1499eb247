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
    FX::FXint orientation = 1;  // 1 portrait, 2 landscape
    FX::FXint paperCode = 1;    // paper code of the chosen paper; 256 custom size
    FX::FXint paperWidth = 0;   // custom size in tenths of a millimetre
    FX::FXint paperLength = 0;
    FX::FXint color = 1;  // 1 monochrome, 2 colour
    FX::FXint copies = 1;
};

struct FXNativePrinter {
    // Flag bits of `flags`.
    enum {
        DEST_FILE = 0x001,  // PostScript file named by `name`
        DEST_HTML = 0x002,  // HTML file named by `name`
        PAGES_EVEN = 0x004,
        PAGES_ODD = 0x008,
        PAGES_RANGE = 0x010,
        COLLATE_REVERSED = 0x020,  // "Last Page First"
        LANDSCAPE = 0x040,
        COLOR = 0x080,     // clear: colours are printed as grey
        NOBOUNDS = 0x100,  // PostScript bounding boxes written at the end
        DEST_PDF = 0x200,  // PDF file named by `name`, made from the PostScript job
        // Lay pages out in the screen's pixels on every destination, as a
        // printer job is (files are laid out in points otherwise): drawing
        // written for the screen (fixed offsets, text measured with the
        // screen's fonts) then looks the same on paper, in every file and in
        // the preview.
        SCREEN_UNITS = 0x400,
        // A page wider than tall (a table of many columns, the week):
        // printed landscape unless the user chose portrait for such pages
        // (remembered apart from other jobs).
        WIDE_TABLE = 0x800,
        // A PDF file is opened in the desktop's viewer once it is written.
        OPEN_AFTER = 0x1000,
        // Every page's last line says "Page 3 of 12" (the total when
        // `totalpages` is known) and the day it was printed, at its left.
        PAGE_FOOTER = 0x2000
    };

    // Page numbers beyond every page a job can have: the span of a job whose
    // length is not known before it is drawn.
    static const FX::FXuint OPEN_END = 99999;

    FX::FXString name;         // printer name, or the output file
    FX::FXString title;        // the job's title (the CUPS queue, the file's title); may be empty
    FX::FXuint firstpage = 1;  // page span of the document
    FX::FXuint lastpage = 1;
    FX::FXuint currentpage = 1;
    FX::FXuint frompage = 1;  // pages to print
    FX::FXuint topage = 1;
    FX::FXuint mediasize = 1;         // paper code
    FX::FXdouble mediawidth = 612.0;  // points
    FX::FXdouble mediaheight = 792.0;
    FX::FXdouble leftmargin = 72.0;
    FX::FXdouble rightmargin = 72.0;
    FX::FXdouble topmargin = 72.0;
    FX::FXdouble bottommargin = 72.0;
    FX::FXuint numcopies = 1;
    FX::FXuint totalpages = 0;  // pages of the job for PAGE_FOOTER, 0 unknown
    FX::FXuint flags = 0;
    std::vector<std::pair<FX::FXuint, FX::FXuint>> ranges;  // (from, to) page ranges
    FXPrinterSettings settings;                             // platform printer settings

    // True when page `page` of the job is one of the pages chosen: even or
    // odd pages by their number, a range by the range list (or the from and
    // to pages when the list is empty), otherwise every page.
    FX::FXbool printsPage(FX::FXuint page) const {
        if (flags & PAGES_EVEN) return (page & 1) == 0;
        if (flags & PAGES_ODD) return (page & 1) == 1;
        if (flags & PAGES_RANGE) {
            if (ranges.empty()) return page >= frompage && page <= topage;
            for (const auto& r : ranges)
                if (page >= r.first && page <= r.second) return true;
            return false;
        }
        return true;
    }

    // The page ranges as they are typed and as CUPS takes them: "3-5,8".
    FX::FXString rangeText() const {
        FX::FXString text;
        for (const auto& r : ranges) {
            if (!text.empty()) text += ",";
            text += FX::FXStringVal((FX::FXint)r.first);
            if (r.second != r.first) text += "-" + FX::FXStringVal((FX::FXint)r.second);
        }
        return text;
    }

    // The job goes to a file of its own (PostScript, HTML or PDF), not to a printer.
    FX::FXbool toFile() const { return (flags & (DEST_FILE | DEST_HTML | DEST_PDF)) != 0; }
};

// The usual name of a paper code ("Letter", "Legal", "A4", "A3", "A2"), or
// empty for a paper of its own size.
inline const char* paperName(FX::FXuint code) {
    switch (code) {
        case 1:
            return "Letter";
        case 5:
            return "Legal";
        case 8:
            return "A3";
        case 9:
            return "A4";
        case 64:
        case 66:
            return "A2";
        default:
            return "";
    }
}

#endif

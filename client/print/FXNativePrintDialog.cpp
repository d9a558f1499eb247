#include "print/FXNativePrintDialog.h"

#include <fxkeys.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "print/CupsPrinting.h"
#include "print/FXPreviewDialog.h"
#include "ui/Prompter.h"

using namespace FX;

FXDEFMAP(FXNativePrintDialog)
FXNativePrintDialogMap[] = {
    FXMAPFUNCS(SEL_COMMAND, FXNativePrintDialog::ID_TO_PRINTER, FXNativePrintDialog::ID_TO_PDF,
               FXNativePrintDialog::onCmdDestination),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_PRINTER_NAME, FXNativePrintDialog::onCmdPrinterName),
    FXMAPFUNC(SEL_CHANGED, FXNativePrintDialog::ID_FILE_NAME, FXNativePrintDialog::onCmdFileName),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME, FXNativePrintDialog::onCmdFileName),
    FXMAPFUNC(SEL_CHANGED, FXNativePrintDialog::ID_HTML_NAME, FXNativePrintDialog::onCmdFileName),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_HTML_NAME, FXNativePrintDialog::onCmdFileName),
    FXMAPFUNC(SEL_CHANGED, FXNativePrintDialog::ID_PDF_NAME, FXNativePrintDialog::onCmdFileName),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_PDF_NAME, FXNativePrintDialog::onCmdFileName),
    FXMAPFUNCS(SEL_KEYPRESS, FXNativePrintDialog::ID_FILE_NAME, FXNativePrintDialog::ID_PDF_NAME,
               FXNativePrintDialog::onKeyFileName),
    FXMAPFUNCS(SEL_COMMAND, FXNativePrintDialog::ID_BROWSE_FILE, FXNativePrintDialog::ID_BROWSE_PDF,
               FXNativePrintDialog::onCmdBrowse),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_PREVIEW, FXNativePrintDialog::onCmdPreview),
    FXMAPFUNC(SEL_UPDATE, FXNativePrintDialog::ID_PREVIEW, FXNativePrintDialog::onUpdPreview),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_OPEN_PDF, FXNativePrintDialog::onCmdOpenPdf),
    FXMAPFUNC(SEL_UPDATE, FXNativePrintDialog::ID_OPEN_PDF, FXNativePrintDialog::onUpdOpenPdf),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_PROPERTIES, FXNativePrintDialog::onCmdProperties),
    FXMAPFUNCS(SEL_COMMAND, FXNativePrintDialog::ID_PAGES_ALL, FXNativePrintDialog::ID_PAGES_RANGE,
               FXNativePrintDialog::onCmdPages),
    FXMAPFUNC(SEL_VERIFY, FXNativePrintDialog::ID_RANGE, FXNativePrintDialog::onVerifyRange),
    FXMAPFUNCS(SEL_COMMAND, FXNativePrintDialog::ID_COLOR, FXNativePrintDialog::ID_BLACKWHITE,
               FXNativePrintDialog::onCmdColor),
    FXMAPFUNCS(SEL_COMMAND, FXNativePrintDialog::ID_COLLATE_NORMAL, FXNativePrintDialog::ID_COLLATE_REVERSED,
               FXNativePrintDialog::onCmdCollate),
    FXMAPFUNCS(SEL_COMMAND, FXNativePrintDialog::ID_PORTRAIT, FXNativePrintDialog::ID_LANDSCAPE,
               FXNativePrintDialog::onCmdOrientation),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_PAPER, FXNativePrintDialog::onCmdPaper),
    FXMAPFUNC(SEL_CHANGED, FXNativePrintDialog::ID_COPIES, FXNativePrintDialog::onCmdCopies),
    FXMAPFUNC(SEL_COMMAND, FXNativePrintDialog::ID_COPIES, FXNativePrintDialog::onCmdCopies),
    FXMAPFUNC(SEL_COMMAND, FXDialogBox::ID_ACCEPT, FXNativePrintDialog::onCmdAccept),
};

FXIMPLEMENT(FXNativePrintDialog, FXDialogBox, FXNativePrintDialogMap, ARRAYNUMBER(FXNativePrintDialogMap))

namespace {

// The paper entries written when section "PAPER" has none.
const char* const defaultPapers[] = {
    "[Letter] 1 612.00000 792.00000 72 72 72 72",  "[A4] 9 595.27559 841.88976 80 80 80 80",
    "[Legal ] 5 612.00000 1008.00000 72 72 72 72", "[A3] 8 841.88976 1190.55118 80 80 80 80",
    "[A2] 64 1190.55118 1683.77953 80 80 80 80",
};

// The three file destinations: their settings key, default name and file
// dialog, by destination number less one.
struct FileDestination {
    const char* key;
    const char* defaultName;
    const char* caption;
    const char* patterns;
    FXuint flag;
};
const FileDestination fileDestinations[3] = {
    {"file", "output.ps", "Select Output File", "All Files (*)\nPostscript Files (*.ps,*.eps)",
     FXNativePrinter::DEST_FILE},
    {"html", "output.html", "Select HTML File", "All Files (*)\nHTML Files (*.htm,*.html)", FXNativePrinter::DEST_HTML},
    {"pdf", "output.pdf", "Select PDF File", "All Files (*)\nPDF Files (*.pdf)", FXNativePrinter::DEST_PDF},
};
const FXuint destinationFlags = FXNativePrinter::DEST_FILE | FXNativePrinter::DEST_HTML | FXNativePrinter::DEST_PDF;

// A piece of the range text: digits only.
bool allDigits(const FXString& s) {
    for (FXint i = 0; i < s.length(); i++)
        if (!Ascii::isDigit(s[i])) return false;
    return true;
}

// Splits at any of the delimiter characters; empty pieces are kept.
std::vector<FXString> split(const FXString& text, const char* delimiters) {
    std::vector<FXString> pieces;
    FXString piece;
    for (FXint i = 0; i < text.length(); i++) {
        if (strchr(delimiters, text[i])) {
            pieces.push_back(piece);
            piece = FXString();
        } else {
            piece += text[i];
        }
    }
    pieces.push_back(piece);
    return pieces;
}

}  // namespace

FXNativePrintDialog::FXNativePrintDialog(FXWindow* owner, const FXString& title, FXuint opts, FXint x, FXint y, FXint w,
                                         FXint h)
    : FXDialogBox(owner, title, opts, x, y, w, h, 6, 6, 6, 6, 4, 4) {
    FXVerticalFrame* top = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);

    FXHorizontalFrame* buttons = new FXHorizontalFrame(top, LAYOUT_FILL_X | PACK_UNIFORM_WIDTH);
    new FXButton(buttons, "&Print", nullptr, this, FXDialogBox::ID_ACCEPT,
                 BUTTON_DEFAULT | BUTTON_INITIAL | FRAME_RAISED | FRAME_THICK | LAYOUT_LEFT);
    new FXButton(buttons, "Pre&view", nullptr, this, ID_PREVIEW, FRAME_RAISED | FRAME_THICK | LAYOUT_LEFT);
    new FXButton(buttons, "&Cancel", nullptr, this, FXDialogBox::ID_CANCEL, FRAME_RAISED | FRAME_THICK | LAYOUT_LEFT);

    buildDestination(top);
    buildPagesAndCopies(top);
    buildPaperAndLayout(top);

    loadPapers();
    loadSettings();
    showState();
}

// Printer, PostScript, HTML or PDF file, each with its name.
void FXNativePrintDialog::buildDestination(FXComposite* top) {
    FXGroupBox* where = new FXGroupBox(top, "Print Destination", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    FXMatrix* grid = new FXMatrix(where, 3, MATRIX_BY_COLUMNS | LAYOUT_FILL_X);
    toPrinter = new FXRadioButton(grid, "Pr&inter:", this, ID_TO_PRINTER, RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    printers = new FXListBox(grid, this, ID_PRINTER_NAME,
                             FRAME_SUNKEN | FRAME_THICK | LISTBOX_NORMAL | LAYOUT_FILL_X | LAYOUT_FILL_COLUMN);
    printers->setNumVisible(6);
    new FXButton(grid, "Properties...", nullptr, this, ID_PROPERTIES, FRAME_RAISED | FRAME_THICK | LAYOUT_FILL_X);
    toFile = new FXRadioButton(grid, "Po&stscript File:", this, ID_TO_FILE, RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    filename = new FXTextField(grid, 30, this, ID_FILE_NAME, TEXTFIELD_NORMAL | LAYOUT_FILL_X | LAYOUT_FILL_COLUMN);
    new FXButton(grid, "&Browse...", nullptr, this, ID_BROWSE_FILE, FRAME_RAISED | FRAME_THICK | LAYOUT_FILL_X);
    toHtml = new FXRadioButton(grid, "&HTML File:", this, ID_TO_HTML, RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    htmlname = new FXTextField(grid, 30, this, ID_HTML_NAME, TEXTFIELD_NORMAL | LAYOUT_FILL_X | LAYOUT_FILL_COLUMN);
    new FXButton(grid, "&Browse...", nullptr, this, ID_BROWSE_HTML, FRAME_RAISED | FRAME_THICK | LAYOUT_FILL_X);
    toPdf = new FXRadioButton(grid, "P&DF File:", this, ID_TO_PDF, RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    pdfname = new FXTextField(grid, 30, this, ID_PDF_NAME, TEXTFIELD_NORMAL | LAYOUT_FILL_X | LAYOUT_FILL_COLUMN);
    new FXButton(grid, "&Browse...", nullptr, this, ID_BROWSE_PDF, FRAME_RAISED | FRAME_THICK | LAYOUT_FILL_X);
    openPdf = new FXCheckButton(where, "Open the PDF file in its viewer when it is written", this, ID_OPEN_PDF);
}

void FXNativePrintDialog::buildPagesAndCopies(FXComposite* top) {
    FXHorizontalFrame* middle = new FXHorizontalFrame(top, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    FXGroupBox* pages =
        new FXGroupBox(middle, "Pages", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    pagesAll = new FXRadioButton(pages, "Print &All", this, ID_PAGES_ALL);
    pagesEven = new FXRadioButton(pages, "&Even Pages", this, ID_PAGES_EVEN);
    pagesOdd = new FXRadioButton(pages, "&Odd Pages", this, ID_PAGES_ODD);
    FXHorizontalFrame* rangeRow = new FXHorizontalFrame(pages, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    pagesRange =
        new FXRadioButton(rangeRow, "Define Range:", this, ID_PAGES_RANGE, RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    range = new FXTextField(rangeRow, 10, this, ID_RANGE, TEXTFIELD_NORMAL);
    new FXLabel(pages, "Page delimiters:,;+\nRange delimiters: - and :\n", nullptr, JUSTIFY_LEFT);

    FXVerticalFrame* right = new FXVerticalFrame(middle, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    FXGroupBox* colors = new FXGroupBox(right, "Colors", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    inColor = new FXRadioButton(colors, "Print in Color", this, ID_COLOR);
    inBlackWhite = new FXRadioButton(colors, "Print in Black and White", this, ID_BLACKWHITE);
    FXGroupBox* copyBox = new FXGroupBox(right, "Copies", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    FXHorizontalFrame* copyRow = new FXHorizontalFrame(copyBox, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    new FXLabel(copyRow, "Number of copies to print:", nullptr, LAYOUT_CENTER_Y);
    copies = new FXSpinner(copyRow, 4, this, ID_COPIES, SPIN_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    copies->setRange(1, 1000);
}

void FXNativePrintDialog::buildPaperAndLayout(FXComposite* top) {
    FXHorizontalFrame* bottom = new FXHorizontalFrame(top, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    FXVerticalFrame* leftColumn = new FXVerticalFrame(bottom, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    FXGroupBox* collate =
        new FXGroupBox(leftColumn, "Collate Order", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    collateNormal = new FXRadioButton(collate, "First Page First", this, ID_COLLATE_NORMAL);
    collateReversed = new FXRadioButton(collate, "Last Page First", this, ID_COLLATE_REVERSED);
    FXGroupBox* layout = new FXGroupBox(leftColumn, "Layout", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    portrait = new FXRadioButton(layout, "Portrait", this, ID_PORTRAIT);
    landscape = new FXRadioButton(layout, "Landscape", this, ID_LANDSCAPE);
    FXGroupBox* paperBox =
        new FXGroupBox(bottom, "Paper Size", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXVerticalFrame* paperFrame = new FXVerticalFrame(
        paperBox, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    paper = new FXList(paperFrame, this, ID_PAPER, LIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    paper->setNumVisible(6);
}

// ---- settings ---------------------------------------------------------------

FXbool FXNativePrintDialog::parsePaper(const FXString& entry, Paper& p) {
    FXint open = entry.find('[');
    FXint close = entry.find(']', open + 1);
    if (open < 0 || close < 0) return false;
    p.name = entry.mid(open + 1, close - open - 1);
    FXString rest = entry.mid(close + 1, entry.length());
    unsigned code = 0;
    double v[6] = {0, 0, 0, 0, 0, 0};
    int n = sscanf(rest.text(), "%u %lf %lf %lf %lf %lf %lf", &code, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    if (n < 1 || p.name.empty()) return false;
    p.code = code;
    p.width = v[0];
    p.height = v[1];
    p.left = v[2];
    p.right = v[3];
    p.top = v[4];
    p.bottom = v[5];
    return true;
}

FXint FXNativePrintDialog::localPaper(const FXString& locale) {
    // The countries that use Letter: the Americas' and the Philippines.
    static const char* const letter[] = {"US", "CA", "MX", "PH", "CL", "CO", "VE", "GT",
                                         "CR", "PA", "SV", "NI", "HN", "DO", "PR", "BZ"};
    const FXint under = locale.find('_');
    if (under < 0) return 0;  // C, POSIX or none: Letter, as before
    const FXString country = locale.mid(under + 1, 2);
    for (const char* c : letter)
        if (country == c) return 0;
    return 1;
}

void FXNativePrintDialog::providePapers(FXRegistry& reg) {
    if (reg.existingEntry("PAPER", "0")) return;
    for (FXint i = 0; i < (FXint)ARRAYNUMBER(defaultPapers); i++)
        reg.writeStringEntry("PAPER", FXStringVal(i).text(), defaultPapers[i]);
    if (!reg.existingEntry("PRINTER", "media")) {
        const char* locale = getenv("LC_ALL");
        if (!locale || !*locale) locale = getenv("LC_PAPER");
        if (!locale || !*locale) locale = getenv("LANG");
        reg.writeIntEntry("PRINTER", "media", localPaper(locale ? locale : ""));
    }
}

void FXNativePrintDialog::loadPapers() {
    providePapers(registry());
    paperList.clear();
    paper->clearItems();
    for (FXint i = 0;; i++) {
        const char* entry = registry().readStringEntry("PAPER", FXStringVal(i).text(), nullptr);
        Paper p;
        if (!entry || !parsePaper(entry, p)) break;
        paperList.push_back(p);
        paper->appendItem(p.name);
    }
}

void FXNativePrintDialog::takePaper(FXint index) {
    if (index < 0 || index >= (FXint)paperList.size()) index = 0;
    media = index;
    if (paperList.empty()) return;
    const Paper& p = paperList[index];
    printer.mediasize = p.code;
    printer.mediawidth = p.width;
    printer.mediaheight = p.height;
    printer.leftmargin = p.left;
    printer.rightmargin = p.right;
    printer.topmargin = p.top;
    printer.bottommargin = p.bottom;
}

void FXNativePrintDialog::loadSettings() {
    takePaper(registry().readIntEntry("PRINTER", "media", 0));
    if (registry().readIntEntry("PRINTER", "landscape", 0))
        printer.flags |= FXNativePrinter::LANDSCAPE;
    else
        printer.flags &= ~FXNativePrinter::LANDSCAPE;
    if (registry().readIntEntry("PRINTER", "openpdf", 0))
        printer.flags |= FXNativePrinter::OPEN_AFTER;
    else
        printer.flags &= ~FXNativePrinter::OPEN_AFTER;
    color = registry().readIntEntry("PRINTER", "color", 0) ? 1 : 0;
    if (color)
        printer.flags |= FXNativePrinter::COLOR;
    else
        printer.flags &= ~FXNativePrinter::COLOR;
    dest = registry().readIntEntry("PRINTER", "printtofile", 0);
    if (dest < 0 || dest > 3) dest = 0;
    for (FXint d = 1; d <= 3; d++) {
        const FileDestination& f = fileDestinations[d - 1];
        nameField(d)->setText(registry().readStringEntry("PRINTER", f.key, f.defaultName));
    }
    printer.flags &= ~destinationFlags;
    if (dest > 0) {
        printer.flags |= fileDestinations[dest - 1].flag;
        printer.name = nameField(dest)->getText();
    } else {
        printer.name = registry().readStringEntry("PRINTER", "printer", "");
        syncSettings();
    }
}

void FXNativePrintDialog::setPrinter(const FXNativePrinter& p) {
    FXNativePrinter remembered = printer;
    printer = p;
    if (p.name.empty()) {
        const FXuint kept =
            destinationFlags | FXNativePrinter::LANDSCAPE | FXNativePrinter::COLOR | FXNativePrinter::OPEN_AFTER;
        printer.name = remembered.name;
        printer.flags = (p.flags & ~kept) | (remembered.flags & kept);
        printer.mediasize = remembered.mediasize;
        printer.mediawidth = remembered.mediawidth;
        printer.mediaheight = remembered.mediaheight;
        printer.leftmargin = remembered.leftmargin;
        printer.rightmargin = remembered.rightmargin;
        printer.topmargin = remembered.topmargin;
        printer.bottommargin = remembered.bottommargin;
        printer.settings = remembered.settings;
    } else {
        dest = 0;
        for (FXint d = 1; d <= 3; d++)
            if (p.flags & fileDestinations[d - 1].flag) dest = d;
        if (dest > 0) nameField(dest)->setText(p.name);
        if (dest == 0) {
            FXint found = printers->findItem(p.name);
            if (found >= 0) printers->setCurrentItem(found);
        }
        range->setText(p.rangeText());
        color = (p.flags & FXNativePrinter::COLOR) ? 1 : 0;
        for (FXint i = 0; i < (FXint)paperList.size(); i++)
            if (paperList[i].code == p.mediasize) media = i;
    }
    if (printer.numcopies < 1) printer.numcopies = 1;
    if (printer.numcopies > 1000) printer.numcopies = 1000;
    // A wide table lies across the paper unless the user chose otherwise
    // for tables.
    if (printer.flags & FXNativePrinter::WIDE_TABLE) {
        if (registry().readIntEntry("PRINTER", "tablelandscape", 1))
            printer.flags |= FXNativePrinter::LANDSCAPE;
        else
            printer.flags &= ~FXNativePrinter::LANDSCAPE;
    }
    showState();
}

// The controls show the description.
void FXNativePrintDialog::showState() {
    toPrinter->setCheck(dest == 0);
    toFile->setCheck(dest == 1);
    toHtml->setCheck(dest == 2);
    toPdf->setCheck(dest == 3);
    FXuint f = printer.flags;
    pagesEven->setCheck((f & FXNativePrinter::PAGES_EVEN) != 0);
    pagesOdd->setCheck((f & FXNativePrinter::PAGES_ODD) != 0);
    pagesRange->setCheck((f & FXNativePrinter::PAGES_RANGE) != 0);
    pagesAll->setCheck(
        !(f & (FXNativePrinter::PAGES_EVEN | FXNativePrinter::PAGES_ODD | FXNativePrinter::PAGES_RANGE)));
    inColor->setCheck(color != 0);
    inBlackWhite->setCheck(color == 0);
    collateReversed->setCheck((f & FXNativePrinter::COLLATE_REVERSED) != 0);
    collateNormal->setCheck(!(f & FXNativePrinter::COLLATE_REVERSED));
    landscape->setCheck((f & FXNativePrinter::LANDSCAPE) != 0);
    openPdf->setCheck((f & FXNativePrinter::OPEN_AFTER) != 0);
    portrait->setCheck(!(f & FXNativePrinter::LANDSCAPE));
    copies->setValue((FXint)printer.numcopies);
    if (media >= 0 && media < paper->getNumItems()) {
        paper->setCurrentItem(media);
        paper->selectItem(media);
        paper->makeItemVisible(media);
    }
}

// CUPS settings from the dialog: orientation, paper, colour, copies.
void FXNativePrintDialog::syncSettings() {
    FXPrinterSettings& s = printer.settings;
    s.orientation = (printer.flags & FXNativePrinter::LANDSCAPE) ? 2 : 1;
    if (printer.mediasize >= 256) {
        s.paperCode = 256;
        s.paperWidth = (FXint)lround(printer.mediawidth * 0.3527777777777778 * 10);
        s.paperLength = (FXint)lround(printer.mediaheight * 0.3527777777777778 * 10);
    } else {
        s.paperCode = (FXint)printer.mediasize;
        s.paperWidth = s.paperLength = 0;
    }
    s.color = color ? 2 : 1;
    s.copies = (FXint)printer.numcopies;
}

void FXNativePrintDialog::applyProperties(const FXPrinterSettings& s) {
    if (s.orientation == 2)
        printer.flags |= FXNativePrinter::LANDSCAPE;
    else
        printer.flags &= ~FXNativePrinter::LANDSCAPE;
    FXint found = -1;
    for (FXint i = 0; i < (FXint)paperList.size(); i++)
        if ((FXint)paperList[i].code == s.paperCode) found = i;
    if (found < 0) {
        Prompter::get().warning(this, getTitle(), "Unsupported paper size.");
    } else {
        takePaper(found);
        registry().writeIntEntry("PRINTER", "media", found);
    }
    color = s.color == 2 ? 1 : 0;
    if (s.copies >= 1 && s.copies <= 1000) printer.numcopies = (FXuint)s.copies;
    syncSettings();
    showState();
}

// ---- destination ------------------------------------------------------------

void FXNativePrintDialog::setDestination(FXint d) {
    dest = d;
    registry().writeIntEntry("PRINTER", "printtofile", d);
    printer.flags &= ~destinationFlags;
    if (d > 0) {
        printer.flags |= fileDestinations[d - 1].flag;
        printer.name = nameField(d)->getText();
    } else {
        FXint cur = printers->getCurrentItem();
        printer.name =
            cur >= 0 ? printers->getItemText(cur) : FXString(registry().readStringEntry("PRINTER", "printer", ""));
        syncSettings();
    }
    showState();
}

long FXNativePrintDialog::onCmdDestination(FXObject*, FXSelector sel, void*) {
    setDestination(FXSELID(sel) - ID_TO_PRINTER);
    return 1;
}

long FXNativePrintDialog::onCmdPrinterName(FXObject*, FXSelector, void*) {
    FXint cur = printers->getCurrentItem();
    if (cur < 0) return 1;
    FXString name = printers->getItemText(cur);
    registry().writeStringEntry("PRINTER", "printer", name.text());
    if (dest == 0) {
        printer.name = name;
        syncSettings();
    }
    return 1;
}

FXTextField* FXNativePrintDialog::nameField(FXint d) const { return d == 1 ? filename : d == 2 ? htmlname : pdfname; }

long FXNativePrintDialog::onCmdFileName(FXObject*, FXSelector sel, void*) {
    FXint d = FXSELID(sel) - ID_FILE_NAME + 1;
    FXString name = nameField(d)->getText();
    registry().writeStringEntry("PRINTER", fileDestinations[d - 1].key, name.text());
    if (dest == d) printer.name = name;
    return 1;
}

// Enter in a file name prints, as the default button "&Print" does.
long FXNativePrintDialog::onKeyFileName(FXObject*, FXSelector sel, void* ptr) {
    const FXEvent* event = static_cast<const FXEvent*>(ptr);
    if (!event || (event->code != KEY_Return && event->code != KEY_KP_Enter)) return 0;
    onCmdFileName(nameField(FXSELID(sel) - ID_FILE_NAME + 1), FXSEL(SEL_COMMAND, FXSELID(sel)), nullptr);
    return onCmdAccept(this, FXSEL(SEL_COMMAND, ID_ACCEPT), nullptr);
}

long FXNativePrintDialog::onCmdBrowse(FXObject*, FXSelector sel, void*) {
    FXint d = FXSELID(sel) - ID_BROWSE_FILE + 1;
    const FileDestination& f = fileDestinations[d - 1];
    FXTextField* field = nameField(d);
    FXString path = field->getText();
    if (Prompter::get().saveFile(this, f.caption, f.patterns, path)) {
        field->setText(path);
        onCmdFileName(field, FXSEL(SEL_COMMAND, ID_FILE_NAME + d - 1), nullptr);
    }
    return 1;
}

void FXNativePrintDialog::fillPrinterList() {
    printers->clearItems();
    for (const FXString& name : cupsprint::printerNames()) printers->appendItem(name);
    FXString wanted = dest == 0 ? printer.name : FXString(registry().readStringEntry("PRINTER", "printer", ""));
    // No remembered printer: the one CUPS prints to by default.
    if (wanted.empty()) wanted = cupsprint::defaultPrinter();
    FXint found = printers->findItem(wanted);
    if (found >= 0) printers->setCurrentItem(found);
    if (dest == 0 && printer.name.empty() && printers->getNumItems() > 0) {
        // Without a default either, the first queue.
        printer.name = printers->getItemText(printers->getCurrentItem() >= 0 ? printers->getCurrentItem() : 0);
    }
}

void FXNativePrintDialog::show() {
    fillPrinterList();
    FXDialogBox::show();
}

void FXNativePrintDialog::show(FXuint placement) {
    fillPrinterList();
    FXDialogBox::show(placement);
}

// ---- pages --------------------------------------------------------------

void FXNativePrintDialog::choosePages(FXint id) {
    FXuint first = printer.firstpage, last = printer.lastpage;
    printer.flags &= ~(FXNativePrinter::PAGES_EVEN | FXNativePrinter::PAGES_ODD | FXNativePrinter::PAGES_RANGE);
    switch (id) {
        case ID_PAGES_ALL:
            printer.frompage = first;
            printer.topage = last;
            break;
        case ID_PAGES_EVEN:
            printer.flags |= FXNativePrinter::PAGES_EVEN;
            printer.frompage = (first & 1) ? first + 1 : first;
            printer.topage = (last & 1) ? last - 1 : last;
            break;
        case ID_PAGES_ODD:
            printer.flags |= FXNativePrinter::PAGES_ODD;
            printer.frompage = (first & 1) ? first : first + 1;
            printer.topage = (last & 1) ? last : last - 1;
            break;
        case ID_PAGES_RANGE:
            printer.flags |= FXNativePrinter::PAGES_RANGE;
            break;
    }
    if (printer.frompage < first) printer.frompage = first;
    if (printer.frompage > last) printer.frompage = last;
    if (printer.topage < first) printer.topage = first;
    if (printer.topage > last) printer.topage = last;
    showState();
}

long FXNativePrintDialog::onCmdPages(FXObject*, FXSelector sel, void*) {
    choosePages(FXSELID(sel));
    return 1;
}

FXbool FXNativePrintDialog::rangeTextAcceptable(const FXString& text) const {
    for (const FXString& piece : split(text, ",;+:-")) {
        if (piece.empty()) continue;  // a delimiter just typed
        if (piece.length() > 9 || !allDigits(piece)) return false;
        FXuint page = (FXuint)strtoul(piece.text(), nullptr, 10);
        if (page < printer.firstpage || page > printer.lastpage) return false;
    }
    return true;
}

// Returning 1 refuses the edit.
long FXNativePrintDialog::onVerifyRange(FXObject*, FXSelector, void* ptr) {
    return rangeTextAcceptable(FXString((const FXchar*)ptr)) ? 0 : 1;
}

std::vector<std::pair<FXuint, FXuint>> FXNativePrintDialog::parseRanges(const FXString& text) {
    std::vector<std::pair<FXuint, FXuint>> ranges;
    for (const FXString& piece : split(text, ",;+")) {
        std::vector<FXString> numbers = split(piece, ":-");
        FXint from = atoi(numbers.front().text());
        FXint to = atoi(numbers.back().text());
        if (from <= 0) continue;
        if (to <= 0) to = from;  // "3-" is page 3 alone
        if (to < from) std::swap(from, to);
        ranges.push_back({(FXuint)from, (FXuint)to});
    }
    return ranges;
}

// ---- colour, collate, layout, paper, copies ---------------------------------

long FXNativePrintDialog::onCmdColor(FXObject*, FXSelector sel, void*) {
    color = FXSELID(sel) == ID_COLOR ? 1 : 0;
    if (color)
        printer.flags |= FXNativePrinter::COLOR;
    else
        printer.flags &= ~FXNativePrinter::COLOR;
    syncSettings();
    showState();
    return 1;
}

long FXNativePrintDialog::onCmdCollate(FXObject*, FXSelector sel, void*) {
    if (FXSELID(sel) == ID_COLLATE_REVERSED)
        printer.flags |= FXNativePrinter::COLLATE_REVERSED;
    else
        printer.flags &= ~FXNativePrinter::COLLATE_REVERSED;
    showState();
    return 1;
}

long FXNativePrintDialog::onCmdOrientation(FXObject*, FXSelector sel, void*) {
    if (FXSELID(sel) == ID_LANDSCAPE)
        printer.flags |= FXNativePrinter::LANDSCAPE;
    else
        printer.flags &= ~FXNativePrinter::LANDSCAPE;
    syncSettings();
    showState();
    return 1;
}

long FXNativePrintDialog::onCmdPaper(FXObject*, FXSelector, void* ptr) {
    FXint index = (FXint)(FXival)ptr;
    if (index < 0 || index >= (FXint)paperList.size()) return 1;
    registry().writeIntEntry("PRINTER", "media", index);
    takePaper(index);
    syncSettings();
    return 1;
}

long FXNativePrintDialog::onCmdCopies(FXObject*, FXSelector, void*) {
    printer.numcopies = (FXuint)copies->getValue();
    syncSettings();
    return 1;
}

// ---- properties ----------------------------------------------------------

// This platform has no printer properties dialog of its own; this one edits
// the settings that go to CUPS.
long FXNativePrintDialog::onCmdProperties(FXObject*, FXSelector, void*) {
    syncSettings();
    FXPrinterSettings s = printer.settings;
    FXint orientation = s.orientation == 2 ? 1 : 0;
    FXint colour = s.color == 2 ? 1 : 0;
    FXint count = s.copies;
    FXint paperIndex = media;

    FXDialogBox box(this, "Printer Properties", DECOR_TITLE | DECOR_BORDER);
    FXDataTarget orientationTarget(orientation), colourTarget(colour), countTarget(count), paperTarget(paperIndex);
    FXVerticalFrame* frame = new FXVerticalFrame(&box, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXGroupBox* o = new FXGroupBox(frame, "Orientation", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    new FXRadioButton(o, "Portrait", &orientationTarget, FXDataTarget::ID_OPTION + 0);
    new FXRadioButton(o, "Landscape", &orientationTarget, FXDataTarget::ID_OPTION + 1);
    FXGroupBox* pbox = new FXGroupBox(frame, "Paper", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    FXListBox* papers = new FXListBox(pbox, &paperTarget, FXDataTarget::ID_VALUE,
                                      FRAME_SUNKEN | FRAME_THICK | LISTBOX_NORMAL | LAYOUT_FILL_X);
    for (const Paper& p : paperList) papers->appendItem(p.name);
    papers->setNumVisible(FXMIN(6, (FXint)paperList.size()));
    new FXCheckButton(frame, "Print in Color", &colourTarget, FXDataTarget::ID_VALUE);
    FXHorizontalFrame* row = new FXHorizontalFrame(frame, LAYOUT_FILL_X);
    new FXLabel(row, "Copies:", nullptr, LAYOUT_CENTER_Y);
    FXSpinner* spin =
        new FXSpinner(row, 4, &countTarget, FXDataTarget::ID_VALUE, SPIN_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    spin->setRange(1, 1000);
    FXHorizontalFrame* buttons = new FXHorizontalFrame(frame, LAYOUT_FILL_X | PACK_UNIFORM_WIDTH);
    new FXButton(buttons, "&OK", nullptr, &box, FXDialogBox::ID_ACCEPT,
                 BUTTON_DEFAULT | BUTTON_INITIAL | FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT);
    new FXButton(buttons, "&Cancel", nullptr, &box, FXDialogBox::ID_CANCEL, FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT);
    if (!box.execute(PLACEMENT_OWNER)) return 1;

    s.orientation = orientation ? 2 : 1;
    s.color = colour ? 2 : 1;
    s.copies = count;
    if (paperIndex >= 0 && paperIndex < (FXint)paperList.size()) s.paperCode = (FXint)paperList[paperIndex].code;
    applyProperties(s);
    return 1;
}

// ---- print --------------------------------------------------------------------

void FXNativePrintDialog::takeChoices() {
    registry().writeIntEntry("PRINTER", (printer.flags & FXNativePrinter::WIDE_TABLE) ? "tablelandscape" : "landscape",
                             (printer.flags & FXNativePrinter::LANDSCAPE) ? 1 : 0);
    registry().writeIntEntry("PRINTER", "color", color);
    printer.numcopies = (FXuint)copies->getValue();
    syncSettings();
    printer.ranges = parseRanges(range->getText());
    if ((printer.flags & FXNativePrinter::PAGES_RANGE) && !printer.ranges.empty()) {
        FXuint from = printer.ranges.front().first, to = printer.ranges.front().second;
        for (const auto& r : printer.ranges) {
            from = FXMIN(from, r.first);
            to = FXMAX(to, r.second);
        }
        printer.frompage = FXMAX(from, printer.firstpage);
        printer.topage = FXMIN(to, printer.lastpage);
    }
    if (dest == 0 && printer.name.empty() && printers->getCurrentItem() >= 0)
        printer.name = printers->getItemText(printers->getCurrentItem());
}

long FXNativePrintDialog::onCmdAccept(FXObject* sender, FXSelector sel, void* ptr) {
    takeChoices();
    if (confirmOverwrite && dest != 0 && FXStat::exists(printer.name)) {
        FXString question;
        question.format("Overwrite existing file %s?", printer.name.text());
        // Yes overwrites, No closes the dialog without printing, Cancel
        // returns to the dialog to choose another name.
        switch (Prompter::get().questionYesNoCancel(this, "Overwrite file?", question)) {
            case Prompter::YES:
                break;
            case Prompter::NO:
                return FXDialogBox::onCmdCancel(sender, sel, ptr);
            case Prompter::CANCEL:
                return 1;
        }
    }
    return FXDialogBox::onCmdAccept(sender, sel, ptr);
}

// ---- preview ----------------------------------------------------------------

// The preview shows the job as the dialog now describes it; what its print
// options change comes back here, and its "&Print" prints.
long FXNativePrintDialog::onCmdPreview(FXObject*, FXSelector, void*) {
    if (!routine || dest == 2) return 1;
    takeChoices();
    FXPreviewDialog preview(this, printer, routine);
    FXbool printNow = preview.execute(PLACEMENT_OWNER);
    FXNativePrinter chosen = preview.description();
    if (chosen.name.empty()) chosen.name = printer.name;
    for (FXint d = 1; d <= 3; d++) {
        const FileDestination& f = fileDestinations[d - 1];
        nameField(d)->setText(registry().readStringEntry("PRINTER", f.key, f.defaultName));
    }
    setPrinter(chosen);
    if (printNow) return onCmdAccept(this, FXSEL(SEL_COMMAND, ID_ACCEPT), nullptr);
    return 1;
}

// An HTML file has no pages to show.
long FXNativePrintDialog::onUpdPreview(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, (routine && dest != 2) ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

// Remembered for every PDF file from now on.
long FXNativePrintDialog::onCmdOpenPdf(FXObject*, FXSelector, void*) {
    if (openPdf->getCheck())
        printer.flags |= FXNativePrinter::OPEN_AFTER;
    else
        printer.flags &= ~FXNativePrinter::OPEN_AFTER;
    registry().writeIntEntry("PRINTER", "openpdf", openPdf->getCheck() ? 1 : 0);
    return 1;
}

// Only a PDF file is opened.
long FXNativePrintDialog::onUpdOpenPdf(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, dest == 3 ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

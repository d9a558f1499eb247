// The modal dialog in which the user chooses where and how a report is
// printed: a CUPS printer, a PostScript file, an HTML file or a PDF file;
// pages; colour; copies; collate order; orientation; paper.  The choices are
// kept in the application registry, sections "PRINTER" and "PAPER".
//
//   FXNativePrintDialog dlg(owner, "Printer Setup");
//   dlg.setPrinter(printer);
//   dlg.setPrintRoutine(routine);      // what "Pre&view" shows
//   if (dlg.execute(PLACEMENT_CURSOR)) dlg.getPrinter(printer);
//
// Windows use PrintCommand (PrintCommand.h), which does exactly this.
#ifndef PLENWICK_FXNATIVEPRINTDIALOG_H
#define PLENWICK_FXNATIVEPRINTDIALOG_H

#include <fx.h>

#include <utility>
#include <vector>

#include "print/FXNativePrinter.h"
#include "print/PrintRoutine.h"

class FXNativePrintDialog : public FX::FXDialogBox {
    FXDECLARE(FXNativePrintDialog)
public:
    // One entry of section "PAPER": "[A4] 9 595.27559 841.88976 80 80 80 80".
    struct Paper {
        FX::FXString name;
        FX::FXuint code = 0;
        FX::FXdouble width = 0, height = 0;
        FX::FXdouble left = 0, right = 0, top = 0, bottom = 0;
    };

    enum {
        ID_TO_PRINTER = FX::FXDialogBox::ID_LAST,
        ID_TO_FILE,
        ID_TO_HTML,
        ID_TO_PDF,
        ID_PRINTER_NAME,
        ID_FILE_NAME,
        ID_HTML_NAME,
        ID_PDF_NAME,
        ID_BROWSE_FILE,
        ID_BROWSE_HTML,
        ID_BROWSE_PDF,
        ID_PREVIEW,
        ID_PROPERTIES,
        ID_PAGES_ALL,
        ID_PAGES_EVEN,
        ID_PAGES_ODD,
        ID_PAGES_RANGE,
        ID_RANGE,
        ID_COLOR,
        ID_BLACKWHITE,
        ID_COLLATE_NORMAL,
        ID_COLLATE_REVERSED,
        ID_PORTRAIT,
        ID_LANDSCAPE,
        ID_PAPER,
        ID_COPIES,
        ID_OPEN_PDF,
        ID_LAST
    };

    FXNativePrintDialog(FX::FXWindow* owner, const FX::FXString& title = "Print",
                        FX::FXuint opts = FX::DECOR_TITLE | FX::DECOR_BORDER, FX::FXint x = 0, FX::FXint y = 0,
                        FX::FXint w = 0, FX::FXint h = 0);

    // The description the dialog edits.  A description without a name takes
    // the destination, name, paper, orientation and colour remembered in the
    // registry; everything else is copied as given.
    void setPrinter(const FXNativePrinter& p);
    void getPrinter(FXNativePrinter& p) const { p = printer; }
    const FXNativePrinter& description() const { return printer; }

    // The routine the "Pre&view" button shows the pages of; without one the
    // button is disabled.
    void setPrintRoutine(const PrintRoutine& r) { routine = r; }
    FX::FXbool hasPrintRoutine() const { return (bool)routine; }

    // Whether "&Print" asks before it overwrites an existing file (it does
    // unless told otherwise; the preview's print options do not).
    void setConfirmOverwrite(FX::FXbool ask) { confirmOverwrite = ask; }

    // Completes the description from the controls as "&Print" does (layout,
    // colour, copies, ranges), without asking or closing.
    void takeChoices();

    // Filling the printer list with the CUPS queues happens when shown.
    void show() override;
    void show(FX::FXuint placement) override;
    void fillPrinterList();

    // Section "PAPER" as read at construction.
    const std::vector<Paper>& papers() const { return paperList; }
    FX::FXint selectedPaper() const { return media; }
    // 0 printer, 1 PostScript file, 2 HTML file, 3 PDF file.
    FX::FXint destination() const { return dest; }

    // The papers of section "PAPER", written when entry "0" is missing (the
    // dialog's first use, or the lesson preview's before it): Letter, A4,
    // Legal, A3 and A2, with the paper of the user's locale chosen (A4, or
    // Letter where the locale's country uses it, and where no locale is set).
    static void providePapers(FX::FXRegistry& registry);
    // The index of the paper usual where the locale `locale` (such as
    // "en_NZ.UTF-8") is: 0 Letter, 1 A4.
    static FX::FXint localPaper(const FX::FXString& locale);

    // Parsing helpers.
    static FX::FXbool parsePaper(const FX::FXString& entry, Paper& paper);
    static std::vector<std::pair<FX::FXuint, FX::FXuint>> parseRanges(const FX::FXString& text);
    FX::FXbool rangeTextAcceptable(const FX::FXString& text) const;

    // Takes back what the properties dialog returns: orientation, paper
    // (a code missing from the paper list keeps the previous paper and
    // warns "Unsupported paper size."), colour and copies.
    void applyProperties(const FXPrinterSettings& s);
    // Brings the CUPS settings in line with the dialog.
    void syncSettings();

    long onCmdDestination(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrinterName(FX::FXObject*, FX::FXSelector, void*);
    long onCmdFileName(FX::FXObject*, FX::FXSelector, void*);
    long onKeyFileName(FX::FXObject*, FX::FXSelector, void*);
    long onCmdBrowse(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPreview(FX::FXObject*, FX::FXSelector, void*);
    long onUpdPreview(FX::FXObject*, FX::FXSelector, void*);
    long onCmdOpenPdf(FX::FXObject*, FX::FXSelector, void*);
    long onUpdOpenPdf(FX::FXObject*, FX::FXSelector, void*);
    long onCmdProperties(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPages(FX::FXObject*, FX::FXSelector, void*);
    long onVerifyRange(FX::FXObject*, FX::FXSelector, void*);
    long onCmdColor(FX::FXObject*, FX::FXSelector, void*);
    long onCmdCollate(FX::FXObject*, FX::FXSelector, void*);
    long onCmdOrientation(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPaper(FX::FXObject*, FX::FXSelector, void*);
    long onCmdCopies(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAccept(FX::FXObject*, FX::FXSelector, void*);

    // The controls, for the owner's and the tests' use.
    FX::FXListBox* printerList() const { return printers; }
    FX::FXTextField* fileField() const { return filename; }
    FX::FXTextField* htmlField() const { return htmlname; }
    FX::FXTextField* pdfField() const { return pdfname; }
    FX::FXTextField* rangeField() const { return range; }
    FX::FXSpinner* copiesSpinner() const { return copies; }
    FX::FXList* paperListBox() const { return paper; }

protected:
    FXNativePrintDialog() {}

private:
    FXNativePrinter printer;
    std::vector<Paper> paperList;
    FX::FXint dest = 0;   // 0 printer, 1 PostScript file, 2 HTML file, 3 PDF file
    FX::FXint media = 0;  // index into paperList
    FX::FXint color = 0;

    FX::FXRadioButton* toPrinter;
    FX::FXRadioButton* toFile;
    FX::FXRadioButton* toHtml;
    FX::FXRadioButton* toPdf;
    FX::FXListBox* printers;
    FX::FXTextField* filename;
    FX::FXTextField* htmlname;
    FX::FXTextField* pdfname;
    PrintRoutine routine;
    FX::FXbool confirmOverwrite = true;
    FX::FXRadioButton* pagesAll;
    FX::FXRadioButton* pagesEven;
    FX::FXRadioButton* pagesOdd;
    FX::FXRadioButton* pagesRange;
    FX::FXTextField* range;
    FX::FXRadioButton* inColor;
    FX::FXRadioButton* inBlackWhite;
    FX::FXSpinner* copies;
    FX::FXRadioButton* collateNormal;
    FX::FXRadioButton* collateReversed;
    FX::FXRadioButton* portrait;
    FX::FXRadioButton* landscape;
    FX::FXCheckButton* openPdf;
    FX::FXList* paper;

    // The dialog's three rows of controls.
    void buildDestination(FX::FXComposite* top);
    void buildPagesAndCopies(FX::FXComposite* top);
    void buildPaperAndLayout(FX::FXComposite* top);
    void loadPapers();
    void loadSettings();
    void takePaper(FX::FXint index);
    void setDestination(FX::FXint d);
    void choosePages(FX::FXint selector);
    FX::FXTextField* nameField(FX::FXint destination) const;
    void showState();
    FX::FXRegistry& registry() { return getApp()->reg(); }
};

#endif

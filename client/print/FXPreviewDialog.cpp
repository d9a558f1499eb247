#include "print/FXPreviewDialog.h"

#include <cmath>

#include "print/FXDCNativePrinter.h"
#include "print/FXNativePrintDialog.h"
#include "print/FXPreviewCanvas.h"
#include "ui/Failures.h"

using namespace FX;

FXDEFMAP(FXPreviewDialog)
FXPreviewDialogMap[] = {
    FXMAPFUNC(SEL_COMMAND, FXPreviewDialog::ID_CANVAS, FXPreviewDialog::onCmdCanvas),
    FXMAPFUNC(SEL_COMMAND, FXPreviewDialog::ID_PAGE, FXPreviewDialog::onCmdPage),
    FXMAPFUNC(SEL_UPDATE, FXPreviewDialog::ID_PAGE, FXPreviewDialog::onUpdPage),
    FXMAPFUNC(SEL_COMMAND, FXPreviewDialog::ID_ZOOM_IN, FXPreviewDialog::onCmdZoomIn),
    FXMAPFUNC(SEL_UPDATE, FXPreviewDialog::ID_ZOOM_IN, FXPreviewDialog::onUpdZoomIn),
    FXMAPFUNC(SEL_COMMAND, FXPreviewDialog::ID_ZOOM_OUT, FXPreviewDialog::onCmdZoomOut),
    FXMAPFUNC(SEL_UPDATE, FXPreviewDialog::ID_ZOOM_OUT, FXPreviewDialog::onUpdZoomOut),
    FXMAPFUNC(SEL_COMMAND, FXPreviewDialog::ID_PRINT_OPTIONS, FXPreviewDialog::onCmdPrintOptions),
};

FXIMPLEMENT(FXPreviewDialog, FXDialogBox, FXPreviewDialogMap, ARRAYNUMBER(FXPreviewDialogMap))

namespace {

const FXdouble zoomStep = 1.25;
const FXdouble closest = 0.05;  // millimetres per pixel at the largest zoom
const FXdouble farthest = 4.0;  // and at the smallest

// Two descriptions that print the same way.
bool samePrint(const FXNativePrinter& a, const FXNativePrinter& b) {
    return a.name == b.name && a.flags == b.flags && a.mediasize == b.mediasize && a.mediawidth == b.mediawidth &&
           a.mediaheight == b.mediaheight && a.leftmargin == b.leftmargin && a.rightmargin == b.rightmargin &&
           a.topmargin == b.topmargin && a.bottommargin == b.bottommargin && a.numcopies == b.numcopies &&
           a.frompage == b.frompage && a.topage == b.topage && a.ranges == b.ranges;
}

}  // namespace

FXPreviewDialog::FXPreviewDialog(FXWindow* owner, const FXNativePrinter& p, const PrintRoutine& r)
    : FXDialogBox(owner, "Print Preview", DECOR_TITLE | DECOR_BORDER | DECOR_RESIZE | DECOR_CLOSE, 0, 0, 640, 760, 6, 6,
                  6, 6, 4, 4),
      printer(p),
      routine(r) {
    FXVerticalFrame* top = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    FXHorizontalFrame* bar = new FXHorizontalFrame(top, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    const FXuint button = FRAME_RAISED | FRAME_THICK | LAYOUT_CENTER_Y;
    new FXButton(bar, "&Print", nullptr, this, FXDialogBox::ID_ACCEPT, button | BUTTON_DEFAULT);
    new FXButton(bar, "Print &Options...", nullptr, this, ID_PRINT_OPTIONS, button);
    new FXButton(bar, "Zoom &In", nullptr, this, ID_ZOOM_IN, button);
    new FXButton(bar, "Zoom O&ut", nullptr, this, ID_ZOOM_OUT, button);
    new FXLabel(bar, "Pa&ge:", nullptr, LAYOUT_CENTER_Y);
    pageSpinner = new FXSpinner(bar, 4, this, ID_PAGE, SPIN_NORMAL | FRAME_SUNKEN | FRAME_THICK | LAYOUT_CENTER_Y);
    pageSpinner->setRange(1, 1);
    pageLabel = new FXLabel(bar, "", nullptr, LAYOUT_CENTER_Y);
    new FXButton(bar, "&Close", nullptr, this, FXDialogBox::ID_CANCEL, button | BUTTON_INITIAL | LAYOUT_RIGHT);
    FXVerticalFrame* frame =
        new FXVerticalFrame(top, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    sheet = new FXPreviewCanvas(frame, this, ID_CANVAS, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    sheet->setPrinter(printer);
    // At first the whole sheet fits the window.
    FXbool landscape = (printer.flags & FXNativePrinter::LANDSCAPE) != 0;
    FXdouble wide = (landscape ? printer.mediaheight : printer.mediawidth) * 0.3527777777777778;
    FXdouble high = (landscape ? printer.mediawidth : printer.mediaheight) * 0.3527777777777778;
    setZoom(FXMAX(wide / 560.0, high / 640.0));
    showPageCount();
}

void FXPreviewDialog::setZoom(FXdouble mm) {
    zoom = FXCLAMP(closest, mm, farthest);
    sheet->setScale(zoom, zoom);
}

void FXPreviewDialog::setCurrentPage(FXuint p) {
    if (p < 1) p = 1;
    if (pageCount && p > pageCount) p = pageCount;
    if (p == page) return;
    page = p;
    pageSpinner->setValue((FXint)p);
    sheet->markOutOfDate();
}

void FXPreviewDialog::showPageCount() {
    FXString text;
    if (pageCount == 0)
        text = "of 1";
    else if (pageNumber && pageNumber != page)
        text.format("of %u (page %u)", pageCount, pageNumber);
    else
        text.format("of %u", pageCount);
    pageLabel->setText(text);
    pageSpinner->setRange(1, (FXint)FXMAX(pageCount, 1u));
}

// The canvas wants its page: the job's routine draws it into the image, as a
// preview job of the front end that draws only that page and counts them all.
long FXPreviewDialog::onCmdCanvas(FXObject*, FXSelector, void*) {
    if (!routine || failed) return 1;
    FXDCNativePrinter dc(getApp());
    messages::Message failure;
    const failures::Mark mark;
    getApp()->beginWaitCursor();
    dc.beginPreview(printer, sheet->getImage(), page, zoom);
    bool threw = false;
    try {
        routine(dc);
    } catch (const FXException&) {
        failure = messages::explainCaught("Database Error");
        failed = threw = true;
    } catch (const PrintAbandoned&) {
        failed = true;  // the lost connection, told below
    }
    if (mark.lost()) failed = true;
    dc.endPrint();
    getApp()->endWaitCursor();
    const std::vector<FXuint>& chosen = dc.getChosenPages();
    pageCount = (FXuint)chosen.size();
    pageNumber = page <= chosen.size() ? chosen[page - 1] : 0;
    showPageCount();
    if (failed && !failures::tellLost(this, mark) && threw) failures::tell(this, failure);
    return 1;
}

long FXPreviewDialog::onCmdPage(FXObject*, FXSelector, void*) {
    setCurrentPage((FXuint)pageSpinner->getValue());
    return 1;
}

long FXPreviewDialog::onUpdPage(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, pageCount > 1 ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

long FXPreviewDialog::onCmdZoomIn(FXObject*, FXSelector, void*) {
    setZoom(zoom / zoomStep);
    return 1;
}

long FXPreviewDialog::onUpdZoomIn(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, zoom > closest ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

long FXPreviewDialog::onCmdZoomOut(FXObject*, FXSelector, void*) {
    setZoom(zoom * zoomStep);
    return 1;
}

long FXPreviewDialog::onUpdZoomOut(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, zoom < farthest ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

// The print dialog on a copy of the description.  Its "&Print" prints at
// once; cancelled after a change, the preview shows the new choice.
long FXPreviewDialog::onCmdPrintOptions(FXObject*, FXSelector, void*) {
    FXNativePrintDialog options(this, "Print Options");
    options.setPrinter(printer);
    options.setConfirmOverwrite(false);  // the print dialog asks when it prints
    FXbool accepted = options.execute(PLACEMENT_OWNER);
    options.takeChoices();
    FXNativePrinter chosen;
    options.getPrinter(chosen);
    chosen.title = printer.title;
    FXbool changed = !samePrint(chosen, printer);
    if (accepted || changed) {
        printer = chosen;
        failed = false;
        page = 1;
        pageSpinner->setValue(1);
        sheet->setPrinter(printer);
    }
    if (accepted) handle(this, FXSEL(SEL_COMMAND, ID_ACCEPT), nullptr);
    return 1;
}

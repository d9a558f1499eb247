// The print preview: the pages of a job on an FXPreviewCanvas, drawn by the
// job's own print routine as the description's destination would get them
// (the same paper, margins, orientation and chosen pages).  The user steps
// through the pages, zooms, changes the print options, prints or closes.
//
//   FXPreviewDialog preview(owner, printer, routine);
//   if (preview.execute(PLACEMENT_OWNER)) ...print preview.description()...
//
// execute() returns 1 when the user chose to print ("&Print", or "&Print"
// in "Print Options"), 0 when the preview was closed.  The print dialog's
// "Pre&view" opens it.
#ifndef PLENWICK_FXPREVIEWDIALOG_H
#define PLENWICK_FXPREVIEWDIALOG_H

#include <fx.h>

#include "print/FXNativePrinter.h"
#include "print/PrintRoutine.h"

class FXPreviewCanvas;

class FXPreviewDialog : public FX::FXDialogBox {
    FXDECLARE(FXPreviewDialog)
public:
    enum { ID_CANVAS = FX::FXDialogBox::ID_LAST, ID_PAGE, ID_ZOOM_IN, ID_ZOOM_OUT, ID_PRINT_OPTIONS, ID_LAST };

    FXPreviewDialog(FX::FXWindow* owner, const FXNativePrinter& printer, const PrintRoutine& routine);

    const FXNativePrinter& description() const { return printer; }
    FXPreviewCanvas* canvas() const { return sheet; }

    // The page shown: its position among the pages the job prints, from 1.
    void setCurrentPage(FX::FXuint page);
    FX::FXuint getCurrentPage() const { return page; }
    // The pages the job prints, known once a page has been drawn.
    FX::FXuint getPageCount() const { return pageCount; }
    // The number the shown page has in the job.
    FX::FXuint getPageNumber() const { return pageNumber; }

    // Millimetres per screen pixel; zooming in divides it by 1.25.
    void setZoom(FX::FXdouble mmPerPixel);
    FX::FXdouble getZoom() const { return zoom; }

    long onCmdCanvas(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPage(FX::FXObject*, FX::FXSelector, void*);
    long onUpdPage(FX::FXObject*, FX::FXSelector, void*);
    long onCmdZoomIn(FX::FXObject*, FX::FXSelector, void*);
    long onUpdZoomIn(FX::FXObject*, FX::FXSelector, void*);
    long onCmdZoomOut(FX::FXObject*, FX::FXSelector, void*);
    long onUpdZoomOut(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPrintOptions(FX::FXObject*, FX::FXSelector, void*);

protected:
    FXPreviewDialog() {}

private:
    FXNativePrinter printer;
    PrintRoutine routine;
    FXPreviewCanvas* sheet;
    FX::FXSpinner* pageSpinner;
    FX::FXLabel* pageLabel;
    FX::FXuint page = 1;
    FX::FXuint pageCount = 0;
    FX::FXuint pageNumber = 0;
    FX::FXdouble zoom = 1.0;
    FX::FXbool failed = false;  // the routine failed once: not run again

    void showPageCount();
};

#endif

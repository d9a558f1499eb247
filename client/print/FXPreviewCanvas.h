// The sheet of paper of a print preview, drawn at screen scale with its
// margins, in a scrolling window.  The page's content is an off-screen image
// of the printable area; whenever it is out of date the canvas fills it
// white and sends its target its own command (SEL_COMMAND, its selector), on
// which the owner draws the current page into getImage().
//
//   FXPreviewCanvas* canvas = new FXPreviewCanvas(frame, this, ID_CANVAS, LAYOUT_FILL_X | LAYOUT_FILL_Y);
//   canvas->setPrinter(printer);        // paper, margins, orientation
//   canvas->setScale(0.5, 0.5);         // millimetres per screen pixel
#ifndef PLENWICK_FXPREVIEWCANVAS_H
#define PLENWICK_FXPREVIEWCANVAS_H

#include <fx.h>

#include "print/FXNativePrinter.h"

class FXPreviewCanvas : public FX::FXScrollArea {
    FXDECLARE(FXPreviewCanvas)
public:
    FXPreviewCanvas(FX::FXComposite* p, FX::FXObject* tgt = nullptr, FX::FXSelector sel = 0, FX::FXuint opts = 0,
                    FX::FXint x = 0, FX::FXint y = 0, FX::FXint w = 0, FX::FXint h = 0);
    ~FXPreviewCanvas() override;

    void create() override;

    // Takes the description: page and margins in pixels at the current
    // scale, a new image of the printable area, redrawn.
    void setPrinter(const FXNativePrinter& p);
    const FXNativePrinter& getPrinter() const { return printer; }

    // Millimetres per screen pixel, across and down (1.0 at construction).
    void setScale(FX::FXdouble mmx, FX::FXdouble mmy);
    FX::FXdouble getScaleX() const { return mmx; }
    FX::FXdouble getScaleY() const { return mmy; }

    // The page must be drawn again.
    void markOutOfDate();
    FX::FXbool isOutOfDate() const { return outOfDate; }

    // The image the owner draws the page into (the printable area).
    FX::FXImage* getImage() const { return image; }

    // Sheet and margins in pixels, and where the sheet's corner is.
    FX::FXint getPageWidth() const { return pagewidth; }
    FX::FXint getPageHeight() const { return pageheight; }
    FX::FXint getLeftMargin() const { return leftmargin; }
    FX::FXint getRightMargin() const { return rightmargin; }
    FX::FXint getTopMargin() const { return topmargin; }
    FX::FXint getBottomMargin() const { return bottommargin; }
    FX::FXint getPageX() const;
    FX::FXint getPageY() const { return 20; }

    // Draws the image now if it is out of date (the paint handler does this
    // too); for tests and for a caller that needs the image at once.
    void refreshImage();

    FX::FXint getContentWidth() override;
    FX::FXint getContentHeight() override;
    void layout() override;

    long onPaint(FX::FXObject*, FX::FXSelector, void*);

protected:
    FXPreviewCanvas() {}

private:
    FXNativePrinter printer;
    FX::FXdouble mmx = 1.0, mmy = 1.0;
    FX::FXint pagewidth = 0, pageheight = 0;
    FX::FXint leftmargin = 0, rightmargin = 0, topmargin = 0, bottommargin = 0;
    FX::FXImage* image = nullptr;
    FX::FXbool outOfDate = true;

    void makeImage();
};

#endif

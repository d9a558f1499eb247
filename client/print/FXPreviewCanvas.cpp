#include "print/FXPreviewCanvas.h"

#include <cmath>
#include <utility>

using namespace FX;

FXDEFMAP(FXPreviewCanvas)
FXPreviewCanvasMap[] = {
    FXMAPFUNC(SEL_PAINT, 0, FXPreviewCanvas::onPaint),
};

FXIMPLEMENT(FXPreviewCanvas, FXScrollArea, FXPreviewCanvasMap, ARRAYNUMBER(FXPreviewCanvasMap))

namespace {
const FXdouble mmPerPoint = 0.3527777777777778;
}

FXPreviewCanvas::FXPreviewCanvas(FXComposite* p, FXObject* tgt, FXSelector sel, FXuint opts, FXint x, FXint y, FXint w,
                                 FXint h)
    : FXScrollArea(p, opts, x, y, w, h) {
    target = tgt;
    message = sel;
    flags |= FLAG_ENABLED;
    backColor = FXRGB(70, 70, 70);
    setPrinter(printer);
}

FXPreviewCanvas::~FXPreviewCanvas() { delete image; }

void FXPreviewCanvas::create() {
    FXScrollArea::create();
    if (image) image->create();
}

// Points to pixels at the canvas's scale, truncated; landscape turns the
// sheet as the printer front end does.
void FXPreviewCanvas::setPrinter(const FXNativePrinter& p) {
    printer = p;
    FXdouble w = p.mediawidth, h = p.mediaheight;
    FXdouble l = p.leftmargin, r = p.rightmargin, t = p.topmargin, b = p.bottommargin;
    if (p.flags & FXNativePrinter::LANDSCAPE) {
        std::swap(w, h);
        std::swap(l, t);
    }
    pagewidth = (FXint)(w * mmPerPoint / mmx);
    pageheight = (FXint)(h * mmPerPoint / mmy);
    leftmargin = (FXint)(l * mmPerPoint / mmx);
    rightmargin = (FXint)(r * mmPerPoint / mmx);
    topmargin = (FXint)(t * mmPerPoint / mmy);
    bottommargin = (FXint)(b * mmPerPoint / mmy);
    makeImage();
    outOfDate = true;
    recalc();
    update();
}

void FXPreviewCanvas::setScale(FXdouble x, FXdouble y) {
    if (x <= 0 || y <= 0) return;
    mmx = x;
    mmy = y;
    setPrinter(printer);
}

void FXPreviewCanvas::makeImage() {
    FXint w = FXMAX(1, pagewidth - leftmargin - rightmargin);
    FXint h = FXMAX(1, pageheight - topmargin - bottommargin);
    if (image && image->getWidth() == w && image->getHeight() == h) return;
    delete image;
    image = new FXImage(getApp(), nullptr, IMAGE_KEEP | IMAGE_OWNED, w, h);
    if (id()) image->create();
}

void FXPreviewCanvas::markOutOfDate() {
    outOfDate = true;
    update();
}

// At least 40 pixels more than the sheet; across, 60, so that the sheet
// placed as getPageX() says keeps a border on its right when it scrolls.
FXint FXPreviewCanvas::getContentWidth() { return pagewidth + 60; }
FXint FXPreviewCanvas::getContentHeight() { return pageheight + 40; }

void FXPreviewCanvas::layout() {
    FXScrollArea::layout();
    update();
}

// The sheet's corner in content coordinates.
FXint FXPreviewCanvas::getPageX() const {
    FXint content = FXMAX(viewport_w, pagewidth + 60);
    return (FXint)ceil((content - pagewidth) / 2.0) + 20;
}

void FXPreviewCanvas::refreshImage() {
    if (!outOfDate || !image) return;
    if (!image->id()) image->create();
    {
        FXDCWindow dc(image);
        dc.setForeground(FXRGB(255, 255, 255));
        dc.fillRectangle(0, 0, image->getWidth(), image->getHeight());
    }
    outOfDate = false;
    if (target) target->handle(this, FXSEL(SEL_COMMAND, message), nullptr);
}

long FXPreviewCanvas::onPaint(FXObject*, FXSelector, void* ptr) {
    FXEvent* ev = (FXEvent*)ptr;
    refreshImage();
    FXDCWindow dc(this, ev);
    const FXint px = pos_x + getPageX(), py = pos_y + getPageY();
    dc.setForeground(FXRGB(70, 70, 70));
    dc.fillRectangle(ev->rect.x, ev->rect.y, ev->rect.w, ev->rect.h);
    dc.setForeground(FXRGB(125, 125, 125));
    dc.fillRectangle(px, py, pagewidth, pageheight);
    if (image && image->id()) dc.drawImage(image, px + leftmargin, py + topmargin);
    return 1;
}

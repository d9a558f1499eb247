#include "longterm/LongDialogDesc.h"

#include "ui/AppResources.h"

using namespace FX;

FXDEFMAP(LongDialogDesc)
LongDialogDescMap[] = {
    FXMAPFUNC(SEL_CONFIGURE, 0, LongDialogDesc::onConfigure),
    FXMAPFUNC(SEL_CLOSE, 0, LongDialogDesc::onCmdClose),
};

FXIMPLEMENT(LongDialogDesc, FXDialogBox, LongDialogDescMap, ARRAYNUMBER(LongDialogDescMap))

LongDialogDesc::LongDialogDesc(FXWindow* owner, FXObject* target, FXSelector sel, FXint id, const FXString& title)
    : FXDialogBox(owner, title, DECOR_ALL, 0, 0, 0, 0, 10, 10, 10, 10, 4, 4),
      reportTarget(target),
      reportSelector(sel),
      planId(id) {
    if (appIcon) {
        setIcon(appIcon);
        setMiniIcon(appIcon);
    }
    textWidget = new FXText(this, nullptr, 0, TEXT_READONLY | TEXT_WORDWRAP | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    textWidget->setFont(textFont);
    textWidget->setVisibleColumns(30);
    textWidget->setVisibleRows(6);
}

LongDialogDesc::Report LongDialogDesc::report(FXbool closed) const {
    Report r;
    r.planId = planId;
    r.text = getTitle() + " - " + textWidget->getText();
    // The text's own place on the screen, so that the printed box stands
    // where the window stood.
    r.x = getX() + textWidget->getX();
    r.y = getY() + textWidget->getY();
    r.w = textWidget->getWidth();
    r.h = textWidget->getHeight();
    if (FXWindow* owner = getOwner()) {
        r.ownerX = owner->getX();
        r.ownerY = owner->getY();
        r.ownerWidth = owner->getWidth();
        r.ownerHeight = owner->getHeight();
    }
    r.closed = closed ? 1 : 0;
    return r;
}

void LongDialogDesc::send(FXbool closed) {
    Report r = report(closed);
    if (!closed && r.x == lastX && r.y == lastY && r.w == lastW && r.h == lastH) return;
    lastX = r.x;
    lastY = r.y;
    lastW = r.w;
    lastH = r.h;
    if (closed) hide();
    if (reportTarget) reportTarget->handle(this, FXSEL(SEL_COMMAND, reportSelector), &r);
}

// Where the shown window stands now, laid out first when its size changed
// (the toolkit would lay it out a moment later), to the long-term window
// unless it stands where it stood.
void LongDialogDesc::reportPlace() {
    if (!shown()) return;
    if (flags & FLAG_DIRTY) layout();
    send(false);
}

// The program shows, moves or resizes the window: reported at once.
void LongDialogDesc::show() {
    FXDialogBox::show();
    reportPlace();
}

void LongDialogDesc::move(FXint x, FXint y) {
    FXDialogBox::move(x, y);
    reportPlace();
}

void LongDialogDesc::resize(FXint w, FXint h) {
    FXDialogBox::resize(w, h);
    reportPlace();
}

void LongDialogDesc::position(FXint x, FXint y, FXint w, FXint h) {
    FXDialogBox::position(x, y, w, h);
    reportPlace();
}

// The user (through the window manager) moved or resized the window.
long LongDialogDesc::onConfigure(FXObject* sender, FXSelector sel, void* ptr) {
    FXDialogBox::onConfigure(sender, sel, ptr);
    reportPlace();
    return 1;
}

// Closing hides the window; the long-term window forgets its row.
long LongDialogDesc::onCmdClose(FXObject*, FXSelector, void*) {
    send(true);
    return 1;
}

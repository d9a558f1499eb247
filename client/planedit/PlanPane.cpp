#include "planedit/PlanPane.h"

#include "planedit/PlanEditing.h"

using namespace FX;

FXIMPLEMENT_ABSTRACT(PlanPane, FXVerticalFrame, nullptr, 0)

PlanPane::PlanPane(FXComposite* page, const PaneShared& s, FXObject* tgt, FXSelector sel)
    : FXVerticalFrame(page, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2), shared(&s) {
    setTarget(tgt);
    setSelector(sel);
}

void PlanPane::tell(FXuint type, void* data) {
    if (target) target->tryHandle(this, FXSEL(type, message), data);
}

bool PlanPane::failureScope(const FXString& caption, const std::function<void()>& body) {
    return planedit::failureScope(this, caption, body);
}

void PlanPane::busy(bool on) { planedit::busy(this, on); }

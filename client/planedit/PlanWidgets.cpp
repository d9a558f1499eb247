#include "planedit/PlanWidgets.h"

#include <fxkeys.h>

#include "ui/AppResources.h"

using namespace FX;

namespace planedit {

FXDEFMAP(PlanText)
PlanTextMap[] = {
    FXMAPFUNC(SEL_KEYPRESS, 0, PlanText::onKeyPress),
};

FXIMPLEMENT(PlanText, FXText, PlanTextMap, ARRAYNUMBER(PlanTextMap))

PlanText::PlanText(FXComposite* p, FXuint opts) : FXText(p, nullptr, 0, opts) {}

long PlanText::onKeyPress(FXObject* sender, FXSelector sel, void* ptr) {
    const FXEvent* event = static_cast<const FXEvent*>(ptr);
    const bool control = (event->state & CONTROLMASK) != 0;
    if (isEnabled() && isEditable() && control &&
        (event->code == KEY_Tab || event->code == KEY_i || event->code == KEY_I)) {
        handle(this, FXSEL(SEL_COMMAND, ID_INSERT_STRING), (void*)"\t");
        return 1;
    }
    // Plain Tab and Shift+Tab: not the text's; the dialog moves the focus.
    if (!control && (event->code == KEY_Tab || event->code == KEY_ISO_Left_Tab || event->code == KEY_KP_Tab))
        return FXWindow::onKeyPress(sender, sel, ptr);
    return FXText::onKeyPress(sender, sel, ptr);
}

FXButton* button(FXComposite* p, const char* text, FXObject* tgt, FXSelector sel, FXuint opts) {
    FXButton* b = new FXButton(p, text, nullptr, tgt, sel, BUTTON_NORMAL | opts, 0, 0, 0, 0, 12, 12, 3, 3);
    if (labelFont) b->setFont(labelFont);
    return b;
}

FXButton* dialogButton(FXComposite* p, const char* text, FXObject* tgt, FXSelector sel, FXuint opts) {
    FXButton* b = new FXButton(p, text, nullptr, tgt, sel, FRAME_RAISED | FRAME_THICK | LAYOUT_FIX_WIDTH | opts, 0, 0,
                               100, 0, 20, 20, 5, 5);
    if (labelFont) b->setFont(labelFont);
    return b;
}

FXLabel* dialogLabel(FXComposite* p, const char* text) {
    return new FXLabel(p, text, nullptr, LABEL_NORMAL | JUSTIFY_LEFT | LAYOUT_CENTER_Y);
}

FXHorizontalFrame* buttonRow(FXComposite* p, FXuint opts) {
    FXHorizontalFrame* row = new FXHorizontalFrame(p, opts | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0);
    return new FXHorizontalFrame(row, LAYOUT_RIGHT, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0);
}

FXButton* closeButton(FXComposite* row) { return button(row, "&Close", row->getShell(), FXDialogBox::ID_CANCEL); }

FXHorizontalFrame* planButtons(FXComposite* p, FXObject* tgt, FXSelector editId, FXSelector deleteId, FXSelector addId,
                               FXuint opts) {
    FXHorizontalFrame* buttons = buttonRow(p, opts);
    if (addId) button(buttons, "&Add", tgt, addId);
    button(buttons, "&Delete", tgt, deleteId);
    button(buttons, "&Edit", tgt, editId);
    closeButton(buttons);
    return buttons;
}

FXText* stretchText(FXComposite* p, FXint height) {
    StretchFrame* frame = new StretchFrame(p, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X, height);
    return new PlanText(frame, TEXT_WORDWRAP | LAYOUT_FILL_X | LAYOUT_FILL_Y);
}

FXText* textArea(FXComposite* p, const char* label, FXint height) {
    new FXLabel(p, label, nullptr, LABEL_NORMAL, 0, 0, 0, 0, 0, 0, 2, 0);
    return stretchText(p, height);
}

// An entry too long for its list shows in full as the list's tooltip.
FXVerticalFrame* listGroup(FXComposite* p, const char* const* titles, const FXint* widths, FXint count, FXList** lists,
                           FXObject* tgt, const FXSelector* sels, FXuint frameOpts, FXint nominalHeight) {
    FXVerticalFrame* group;
    if (nominalHeight > 0) {
        StretchFrame* outer = new StretchFrame(p, frameOpts, nominalHeight);
        group = new FXVerticalFrame(outer, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0,
                                    0, 0, 0, 0);
    } else {
        group = new FXVerticalFrame(p, FRAME_SUNKEN | FRAME_THICK | frameOpts, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    FXHeader* header = new FXHeader(group, nullptr, 0, HEADER_NORMAL | LAYOUT_FILL_X);
    for (FXint i = 0; i < count; ++i) header->appendItem(titles[i], nullptr, widths[i]);
    FXHorizontalFrame* row = new FXHorizontalFrame(group, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    for (FXint i = 0; i < count; ++i)
        lists[i] =
            new FXList(row, tgt, sels ? sels[i] : 0,
                       LIST_SINGLESELECT | LAYOUT_FIX_WIDTH | LAYOUT_FILL_Y | HSCROLLER_NEVER, 0, 0, widths[i], 0);
    return group;
}

FXTextField* field(FXComposite* p, FXint columns, FXObject* tgt, FXSelector sel) {
    return new FXTextField(p, columns, tgt, sel, TEXTFIELD_NORMAL);
}

FXTextField* nameField(FXComposite* p) {
    FXHorizontalFrame* row = new FXHorizontalFrame(p, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    new FXLabel(row, "Name:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
    return field(row, 40);
}

FXLabel* label(FXComposite* p, const char* text) {
    return new FXLabel(p, text, nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
}

void placeholder(FXComposite* p) { new FXFrame(p, FRAME_NONE, 0, 0, 0, 0, 0, 0, 0, 0); }

}  // namespace planedit

// The widgets the plan editor's panes are built of, so that every tab looks
// and behaves alike: buttons and the buttons row, labelled fields, text
// areas that share the height left over, and headed lists.
//
// Within a tab the widgets are created in the order the keyboard's Tab key
// visits them: the fields from the top, then the tab's buttons from the
// left.  The text areas and list groups ask for a nominal height and share
// the height their tab has left in proportion to it, so every control stays
// visible at the dialog's minimum size and the areas grow with the window.
#ifndef PLENWICK_PLANWIDGETS_H
#define PLENWICK_PLANWIDGETS_H

#include <fx.h>

namespace planedit {

FX::FXButton* button(FX::FXComposite* p, const char* text, FX::FXObject* tgt, FX::FXSelector sel, FX::FXuint opts = 0);
// The wider buttons and left-justified labels of the windows that work on
// many lessons at once (Reschedule, Roll Over Year).
FX::FXButton* dialogButton(FX::FXComposite* p, const char* text, FX::FXObject* tgt, FX::FXSelector sel,
                           FX::FXuint opts = 0);
FX::FXLabel* dialogLabel(FX::FXComposite* p, const char* text);

// A row of buttons at the right; they are created in the order they are
// shown from left to right, which is also the keyboard's Tab order.
FX::FXHorizontalFrame* buttonRow(FX::FXComposite* p, FX::FXuint opts = LAYOUT_BOTTOM);

// The row of a plan tab, from the left: Add (when `addId` is given), Delete,
// Edit and Close.  Close closes the dialog the row stands in.
FX::FXHorizontalFrame* planButtons(FX::FXComposite* p, FX::FXObject* tgt, FX::FXSelector editId,
                                   FX::FXSelector deleteId, FX::FXSelector addId = 0, FX::FXuint opts = LAYOUT_BOTTOM);
// The "&Close" button at the end of a buttons row.
FX::FXButton* closeButton(FX::FXComposite* row);

// A frame that asks for a nominal height but, unlike a fixed height, shares
// the height its parent has left with the other stretching frames in
// proportion to what each asked for.
class StretchFrame : public FX::FXHorizontalFrame {
public:
    StretchFrame(FX::FXComposite* p, FX::FXuint opts, FX::FXint nominalHeight)
        : FX::FXHorizontalFrame(p, opts | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0), nominal(nominalHeight) {}
    FX::FXint getDefaultHeight() override { return nominal; }

private:
    FX::FXint nominal;
};

// A text area that the keyboard's Tab leaves, as it leaves every field, for
// the next control (Shift+Tab the one before); Ctrl+Tab or Ctrl+I puts a
// tab character into the text where one is needed.
class PlanText : public FX::FXText {
    FXDECLARE(PlanText)
public:
    PlanText(FX::FXComposite* p, FX::FXuint opts);
    long onKeyPress(FX::FXObject*, FX::FXSelector, void*);

protected:
    PlanText() {}
};

// A label above a sunken, word-wrapping text area of the given nominal height.
FX::FXText* textArea(FX::FXComposite* p, const char* label, FX::FXint height);
// A sunken, word-wrapping text area of the given nominal height.
FX::FXText* stretchText(FX::FXComposite* p, FX::FXint height);

// A header over side-by-side lists of fixed widths, each telling `tgt` its
// selector (sels[i]).  With a nominal height the group stretches.
FX::FXVerticalFrame* listGroup(FX::FXComposite* p, const char* const* titles, const FX::FXint* widths, FX::FXint count,
                               FX::FXList** lists, FX::FXObject* tgt, const FX::FXSelector* sels, FX::FXuint frameOpts,
                               FX::FXint nominalHeight = 0);

FX::FXTextField* field(FX::FXComposite* p, FX::FXint columns, FX::FXObject* tgt = nullptr, FX::FXSelector sel = 0);
// A "Name:" label and its text field on a row of their own.
FX::FXTextField* nameField(FX::FXComposite* p);
FX::FXLabel* label(FX::FXComposite* p, const char* text);
// An empty cell of a matrix.
void placeholder(FX::FXComposite* p);

}  // namespace planedit

#endif

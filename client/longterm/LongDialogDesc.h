// A description window: a long-term plan's Description beside the plan on
// the term view, opened by "Refresh with Descriptions".  While it is shown
// it reports where it stands (when it appears, whenever it is moved or
// resized, and once more when it is closed) to its target, the long-term
// window, which keeps one row per open window and prints them as boxes on
// the page after the term view.
#ifndef PLENWICK_LONGDIALOGDESC_H
#define PLENWICK_LONGDIALOGDESC_H

#include <fx.h>

class LongDialogDesc : public FX::FXDialogBox {
    FXDECLARE(LongDialogDesc)
public:
    // What a description window tells its target (SEL_COMMAND, ptr to it).
    struct Report {
        FX::FXint planId = 0;
        FX::FXString text;       // title + " - " + description
        FX::FXint x = 0, y = 0;  // the text's top-left corner on the screen
        FX::FXint w = 0, h = 0;  // the text's size
        FX::FXint ownerX = 0, ownerY = 0, ownerWidth = 0, ownerHeight = 0;
        FX::FXint closed = 0;  // 1: the window is being closed
    };

    // `owner` is the long-term window's canvas; `target` and `sel` receive
    // the reports.
    LongDialogDesc(FX::FXWindow* owner, FX::FXObject* target, FX::FXSelector sel, FX::FXint planId,
                   const FX::FXString& title);

    void setDescription(const FX::FXString& text) { textWidget->setText(text); }
    FX::FXString getDescription() const { return textWidget->getText(); }
    FX::FXint getPlanId() const { return planId; }
    FX::FXText* getTextWidget() const { return textWidget; }

    // Where the window stands now, as it would report it.
    Report report(FX::FXbool closed) const;

    // Shown, moved or resized by the program: the long-term window learns
    // where at once (the window system's word comes later, as SEL_CONFIGURE,
    // and moves by the user come only so).
    using FX::FXDialogBox::show;
    void show() override;
    void move(FX::FXint x, FX::FXint y) override;
    void resize(FX::FXint w, FX::FXint h) override;
    void position(FX::FXint x, FX::FXint y, FX::FXint w, FX::FXint h) override;

    long onConfigure(FX::FXObject*, FX::FXSelector, void*);
    long onCmdClose(FX::FXObject*, FX::FXSelector, void*);

protected:
    LongDialogDesc() {}

private:
    FX::FXObject* reportTarget = nullptr;
    FX::FXSelector reportSelector = 0;
    FX::FXint planId = 0;
    FX::FXText* textWidget = nullptr;
    FX::FXint lastX = 0, lastY = 0, lastW = 0, lastH = 0;

    void reportPlace();
    void send(FX::FXbool closed);
};

#endif

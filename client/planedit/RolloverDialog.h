// The Roll Over Year window: from which school year into which (the years
// whose terms School Setup holds), a preview of what is copied with the
// lessons that have no place in the new year listed, the choice for all of
// them (the next teaching day, or left out), and Roll Over, which stores
// it all in one transaction behind a progress window with Cancel.
//
//   RolloverDialog dialog(owner);
//   dialog.create();
//   if (dialog.execute(PLACEMENT_OWNER)) ... redraw: plans were copied ...
#ifndef PLENWICK_ROLLOVERDIALOG_H
#define PLENWICK_ROLLOVERDIALOG_H

#include <fx.h>

#include "planedit/Rollover.h"

class RolloverDialog : public FX::FXDialogBox {
    FXDECLARE(RolloverDialog)
protected:
    FX::FXComboBox* fromBox = nullptr;  // item data: the school year
    FX::FXComboBox* intoBox = nullptr;
    FX::FXIconList* previewList = nullptr;
    FX::FXLabel* summaryLabel = nullptr;
    FX::FXint choice = rollover::NEXT_TEACHING_DAY;
    FX::FXDataTarget choiceTarget;
    rollover::Plan plan;
    rollover::Stored stored;
    bool previewed = false;

    RolloverDialog() {}
    void loadYears();
    void clearPreview();
    void showPreview();

public:
    enum { ID_YEAR = FX::FXDialogBox::ID_LAST, ID_PREVIEW, ID_ROLLOVER, ID_LAST };

    explicit RolloverDialog(FX::FXWindow* owner);
    void create() override;

    FX::FXComboBox* getFromBox() const { return fromBox; }
    FX::FXComboBox* getIntoBox() const { return intoBox; }
    FX::FXIconList* getPreviewList() const { return previewList; }
    FX::FXString getSummary() const { return summaryLabel->getText(); }
    void setChoice(rollover::Choice c) { choice = c; }
    const rollover::Plan& getPlan() const { return plan; }
    // The rows the last Roll Over stored.
    const rollover::Stored& getStored() const { return stored; }

    long onCmdYear(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPreview(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRollover(FX::FXObject*, FX::FXSelector, void*);
    long onUpdRollover(FX::FXObject*, FX::FXSelector, void*);
};

#endif

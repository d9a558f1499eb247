// The Reschedule window: from which date and time, whose lessons, how many
// teaching days forward or back, and whether the holidays between terms
// count; "Snow Day" fills it for the common case (the day's lessons and the
// later ones of their units one teaching day on).  Preview lists every
// lesson that moves with its old and new date and time and what goes wrong
// there; Apply stores the preview in one transaction; Cancel stores nothing.
//
//   RescheduleDialog dialog(owner, "2026-03-10", "", unitId);
//   dialog.create();
//   if (dialog.execute(PLACEMENT_OWNER)) ... redraw: lessons moved ...
#ifndef PLENWICK_RESCHEDULEDIALOG_H
#define PLENWICK_RESCHEDULEDIALOG_H

#include <fx.h>

#include "planedit/Reschedule.h"

class RescheduleDialog : public FX::FXDialogBox {
    FXDECLARE(RescheduleDialog)
protected:
    FX::FXTextField* fromDateField = nullptr;
    FX::FXTextField* fromTimeField = nullptr;
    FX::FXint scope = reschedule::Request::ALL_UNITS;
    FX::FXDataTarget scopeTarget;
    FX::FXComboBox* unitBox = nullptr;     // item data: UnitPlan Id
    FX::FXComboBox* subjectBox = nullptr;  // item data: Subject Id
    FX::FXSpinner* daysSpinner = nullptr;
    FX::FXint backwards = 0;
    FX::FXDataTarget directionTarget;
    FX::FXCheckButton* breaksCheck = nullptr;
    FX::FXIconList* previewList = nullptr;
    FX::FXLabel* summaryLabel = nullptr;
    FX::FXint chosenUnit = 0;
    reschedule::Plan plan;
    bool previewed = false;

    RescheduleDialog() {}
    // The request the fields give; false (after the error box) when a
    // field is wrong.
    bool readRequest(reschedule::Request& request);
    void showPreview();
    void clearPreview();
    void loadChoices();

public:
    enum { ID_FIELD = FX::FXDialogBox::ID_LAST, ID_SNOWDAY, ID_PREVIEW, ID_APPLY, ID_LAST };

    // `fromDate` YYYY-MM-DD, `fromTime` HH:MM or empty; `unitId` the unit
    // chosen for "One unit" (0: none).
    RescheduleDialog(FX::FXWindow* owner, const FX::FXString& fromDate, const FX::FXString& fromTime, FX::FXint unitId);
    void create() override;

    FX::FXTextField* getFromDateField() const { return fromDateField; }
    FX::FXTextField* getFromTimeField() const { return fromTimeField; }
    FX::FXComboBox* getUnitBox() const { return unitBox; }
    FX::FXComboBox* getSubjectBox() const { return subjectBox; }
    FX::FXSpinner* getDaysSpinner() const { return daysSpinner; }
    FX::FXCheckButton* getBreaksCheck() const { return breaksCheck; }
    FX::FXIconList* getPreviewList() const { return previewList; }
    FX::FXString getSummary() const { return summaryLabel->getText(); }
    void setScope(FX::FXint s) { scope = s; }
    void setBackwards(bool b) { backwards = b ? 1 : 0; }
    const reschedule::Plan& getPlan() const { return plan; }

    long onCmdField(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSnowDay(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPreview(FX::FXObject*, FX::FXSelector, void*);
    long onCmdApply(FX::FXObject*, FX::FXSelector, void*);
    long onUpdApply(FX::FXObject*, FX::FXSelector, void*);
};

#endif

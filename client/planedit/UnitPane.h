// The unit plan part of the "Unit &Plans" tab: the chosen unit's name,
// description, type, rotation and export mark, its Add, Edit and Delete,
// and the import of a transfer file listed in the unit list.
//
//   UnitPane.cpp     the widgets, showing a unit, add, edit, delete
//   UnitImport.cpp   importing a transfer file (transfer/TransferFile.h)
//                    into the chosen long-term plan
//
// Tells its target:
//   SEL_INSERTED  a unit was added or imported; data its Id (the dialog
//                 lists the plan's units again and chooses it)
//   SEL_REPLACED  the chosen unit was edited; data its index in the unit
//                 list (the dialog lists the units again and chooses the
//                 entry at that index)
//   SEL_DELETED   the chosen unit was deleted, or a listed transfer file
//                 is gone (the dialog lists the plan's units again)
#ifndef PLENWICK_UNITPANE_H
#define PLENWICK_UNITPANE_H

#include "data/RowVersions.h"
#include "planedit/PlanPane.h"

class TransferFile;

class UnitPane : public PlanPane {
    FXDECLARE(UnitPane)
public:
    UnitPane(FX::FXComposite* page, const PaneShared& shared, FX::FXObject* tgt, FX::FXSelector sel);
    ~UnitPane() override;

    // Shows the unit of Id `unitId` (its UnitPlan row, read into the shared
    // recordset); its type as stored, or 0 when the row is gone.  Throws the
    // recordset's failures.
    FX::FXint show(FX::FXint unitId);
    // True when the shown unit's name or description was changed and not
    // stored; storeShown() stores it as Edit does (true when written).
    bool unstored() const;
    FX::FXString shownName() const;
    FX::FXint shownId() const { return FX::FXIntVal(shownRow.value("Id")); }
    bool storeShown();
    // Imports the transfer file of unit list entry `index` into the chosen
    // long-term plan, after asking.
    void importUnitPlan(FX::FXint index);

    enum {
        ID_ADD = FX::FXVerticalFrame::ID_LAST,
        ID_EDIT,
        ID_DELETE,
        ID_EXPORT_MARK,  // "Mark for export to disk" checked or cleared
        ID_LAST
    };
    long onCmdAdd(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEdit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDelete(FX::FXObject*, FX::FXSelector, void*);
    long onCmdExportMark(FX::FXObject*, FX::FXSelector, void*);

protected:
    UnitPane() {}

private:
    FX::FXint unitType = 1;    // 1 unit plan, 2 routine lesson, 3 non-contact time
    FX::FXint exportMark = 0;  // UnitPlan.Transfer: 1 marked, 0 ordinary, -1 imported
    // "Mark for export to disk" as shown: checked only for a unit marked for
    // export; an imported unit is not.  Checking or clearing it sets the mark
    // to 1 or 0, an imported unit left alone keeps -1.
    FX::FXint exportChecked = 0;
    FX::FXint rotate = 0;  // "Rotating plan"
    // The shown unit as read, against which an edit is checked.
    ReadRow shownRow;
    FX::FXDataTarget unitTypeTarget;
    FX::FXDataTarget exportMarkTarget;
    FX::FXDataTarget rotateTarget;

    FX::FXTextField* nameField = nullptr;
    FX::FXText* descriptionText = nullptr;

    void addUnit();
    void editUnit();
    bool writeShown(FX::FXint unitId, const FX::FXString& listed);
    void deleteUnit();
    // The name (not blank) and the lengths of the texts, before anything is sent.
    void checkFields();
    // Reads, checks and imports the file at `path`; the new unit's Id, 0
    // when nothing was imported.  `vanished` tells a file that is gone.
    FX::FXint importFile(const FX::FXString& path, FX::FXint longTermId, bool& vanished);
    bool askAboutEarlier(const TransferFile& file, FX::FXString& replacing);
};

#endif

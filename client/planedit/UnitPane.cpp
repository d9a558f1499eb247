#include "planedit/UnitPane.h"

#include "data/AppState.h"
#include "data/FXTextException.h"
#include "data/InputChecks.h"
#include "data/UndoJournal.h"
#include "planedit/PlanEditing.h"
#include "planedit/PlanWidgets.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

FXDEFMAP(UnitPane)
UnitPaneMap[] = {
    FXMAPFUNC(SEL_COMMAND, UnitPane::ID_ADD, UnitPane::onCmdAdd),
    FXMAPFUNC(SEL_COMMAND, UnitPane::ID_EDIT, UnitPane::onCmdEdit),
    FXMAPFUNC(SEL_COMMAND, UnitPane::ID_DELETE, UnitPane::onCmdDelete),
    FXMAPFUNC(SEL_COMMAND, UnitPane::ID_EXPORT_MARK, UnitPane::onCmdExportMark),
};

FXIMPLEMENT(UnitPane, PlanPane, UnitPaneMap, ARRAYNUMBER(UnitPaneMap))

UnitPane::UnitPane(FXComposite* page, const PaneShared& shared, FXObject* tgt, FXSelector sel)
    : PlanPane(page, shared, tgt, sel) {
    unitTypeTarget.connect(unitType);
    exportMarkTarget.connect(exportChecked, this, ID_EXPORT_MARK);
    rotateTarget.connect(rotate);

    nameField = planedit::nameField(this);
    descriptionText = textArea(this, "Description:", 150);
    FXHorizontalFrame* typeRow = new FXHorizontalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 2, 2);
    new FXLabel(typeRow, "Lesson Type:");
    const char* typeNames[3] = {"Unit Plan", "Routine Lesson", "Non Contact Time"};
    for (FXint i = 0; i < 3; ++i)
        new FXRadioButton(typeRow, typeNames[i], &unitTypeTarget, FXDataTarget::ID_OPTION + i + 1);
    new FXCheckButton(this, "Rotating plan\tDisplay lesson plans on the Weekly calender as Rotating plans.",
                      &rotateTarget, FXDataTarget::ID_VALUE);
    new FXCheckButton(this,
                      "Mark for export to disk\tMark this Unit plan for exporting to disk at the end of your session.",
                      &exportMarkTarget, FXDataTarget::ID_VALUE);
    // The unit's own buttons stand under its fields, above its attachments.
    planButtons(this, this, ID_EDIT, ID_DELETE, ID_ADD, LAYOUT_TOP);
}

UnitPane::~UnitPane() {
    while (getFirst()) delete getFirst();
}

FXint UnitPane::show(FXint unitId) {
    IsectRecordset& rs = recordset();
    rs.fromTable = "UnitPlan";
    rs.whereClause = FXString::null;
    query(rs, "Select * from UnitPlan where Id = " + text(unitId));
    shownRow = ReadRow();
    if (rs.rows.IsEmpty()) return 0;
    rs.MoveFirst();
    shownRow = ReadRow::of(rs);
    nameField->setText(rs.GetField("UnitName"));
    descriptionText->setText(rs.GetField("UnitDescription"));
    unitType = FXIntVal(rs.GetField("UnitType"));
    exportMark = FXIntVal(rs.GetField("Transfer"));
    exportChecked = exportMark > 0 ? 1 : 0;
    rotate = FXIntVal(rs.GetField("Rotate"));
    return unitType;
}

// ---------------------------------------------------------------- handlers

long UnitPane::onCmdAdd(FXObject*, FXSelector, void*) {
    addUnit();
    return 1;
}

long UnitPane::onCmdEdit(FXObject*, FXSelector, void*) {
    editUnit();
    return 1;
}

long UnitPane::onCmdDelete(FXObject*, FXSelector, void*) {
    deleteUnit();
    return 1;
}

long UnitPane::onCmdExportMark(FXObject*, FXSelector, void*) {
    exportMark = exportChecked ? 1 : 0;
    return 1;
}

// ---------------------------------------------------------------- operations

void UnitPane::checkFields() {
    if (blank(nameField->getText())) throw FXTextException("Cannot have empty Unit plan name.");
    checks::fits("Name", nameField->getText(), checks::nameWidth);
    checks::fits("Description", descriptionText->getText(), checks::textWidth);
}

void UnitPane::addUnit() {
    const FXString name = nameField->getText();
    if (PlanLists::holds(lists().units(), name)) {
        Prompter::get().error(owner(), "Add Unit Plan Error", "This plan already exists.");
        return;
    }
    FXint newId = 0;
    bool added = failureScope("Database Error", [&] {
        checkFields();
        const FXint longTerm = lists().longTerms()->getCurrentItem();
        if (longTerm < 0) throw FXTextException("No Long Term plan available to add the Unit plan to.");
        IsectRecordset rs;
        query(rs, "Select * from MakeUnitPlan('" + EscapeText(name) + "','" + EscapeText(descriptionText->getText()) +
                      "'," + text(unitType) + "," + text(lists::itemId(lists().longTerms(), longTerm)) + "," +
                      trimmed(appState.currentUserId) + ",0," + text(rotate ? 1 : 0) + ")");
        newId = FXIntVal(rs.GetField("0"));
    });
    if (added) tell(SEL_INSERTED, (void*)(FXival)newId);
}

void UnitPane::editUnit() {
    const FXList* units = lists().units();
    const FXint index = units->getCurrentItem();
    if (units->getNumItems() == 0 || index < 0) return;
    const FXint unitId = lists::itemId(units, index);
    if (unitId < 0) return;  // a transfer file, not a unit in the database
    if (writeShown(unitId, units->getItemText(index))) tell(SEL_REPLACED, (void*)(FXival)index);
}

bool UnitPane::unstored() const {
    if (shownRow.empty()) return false;
    return nameField->getText() != shownRow.value("UnitName") ||
           descriptionText->getText() != shownRow.value("UnitDescription");
}

FXString UnitPane::shownName() const { return shownRow.value("UnitName"); }

bool UnitPane::storeShown() {
    const FXint unitId = FXIntVal(shownRow.value("Id"));
    return unitId > 0 && writeShown(unitId, shownName());
}

bool UnitPane::writeShown(FXint unitId, const FXString& listed) {
    bool written = false;
    bool edited = failureScope("Database Error", [&] {
        checkFields();
        busy(true);
        // The chosen unit's row, read again: a lesson selection may have
        // used the shared recordset since.
        IsectRecordset& rs = recordset();
        const FXString key = text(unitId);
        const FXString shownName = shownRow.empty() ? listed : shownRow.value("UnitName");
        CheckedEdit edit{"unit plan",
                         shownName,
                         {{"UnitName", "Name", nameField->getText()},
                          {"UnitDescription", "Description", descriptionText->getText()},
                          {"UnitType", "Lesson Type", FXString::null},
                          {"Transfer", "Mark for export to disk", FXString::null},
                          {"Rotate", "Rotating plan", FXString::null}}};
        edit.reread = [&] {
            rs.fromTable = "UnitPlan";
            rs.whereClause = FXString::null;
            query(rs, "Select * from UnitPlan where Id = " + key);
        };
        edit.reload = [&] { show(unitId); };
        edit.write = [&] {
            rowversions::markChecked(rs, key);
            rs.SetFieldByKey(key, "UnitName", nameField->getText());
            rs.SetFieldByKey(key, "UnitDescription", descriptionText->getText());
            rs.SetFieldByKey(key, "UnitType", text(unitType));
            rs.SetFieldByKey(key, "Transfer", text(exportMark));
            rs.SetFieldByKey(key, "Rotate", text(rotate));
            if (!rs.WriteRecordset()) throw PlanEditAbort();
            rs.MoveFirst();
            shownRow = ReadRow::of(rs);
        };
        written = checkedEdit(owner(), rs, shownRow, edit);
        busy(false);
    });
    return edited && written;
}

void UnitPane::deleteUnit() {
    const FXint index = PlanLists::chosen(lists().units());
    if (index < 0) return;
    const FXint unitId = lists::itemId(lists().units(), index);
    if (unitId < 0) return;  // a transfer file
    if (!Prompter::get().question(owner(), "Confirm delete Unit Plan", "Do you want to delete this Unit Plan?")) return;
    const FXString name = lists().units()->getItemText(index);
    bool deleted = failureScope("Database Error", [&] {
        // The unit, its lessons and its attachments, kept for Undo with the
        // delete in one transaction.
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        undo::Step step("Delete of unit " + name);
        step.unitsBefore("Id = " + text(unitId));
        query(rs, "Delete from UnitPlan where ID = " + text(unitId));
        step.finish();
        transaction.commit();
    });
    if (deleted) tell(SEL_DELETED);
}

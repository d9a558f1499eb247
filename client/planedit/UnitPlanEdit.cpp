// UnitPlanDialog: unit plans (tab "Unit &Plans") and the unit list.
#include "data/AppState.h"
#include "data/FXTextException.h"
#include "data/InputChecks.h"
#include "ui/Prompter.h"
#include "planedit/PlanEditText.h"
#include "planedit/UnitPlanDialog.h"
#include "ui/ListItems.h"

using namespace FX;
using planedit::blank;
using planedit::text;

namespace {

const char* const weekdays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};

}  // namespace

void UnitPlanDialog::onUnitSelected(FXint index) {
    if (index < 0 || index >= unitList->getNumItems()) return;
    const FXint unitId = lists::itemId(unitList, index);
    failureScope("Database Error", [&] {
        listAttachments(unitId);
        lists::selectItem(unitList, index);
        dayList->clearItems();
        lessonList->clearItems();
        // Another unit: no lesson is current until one of its own is chosen.
        currentLessonId = 0;

        const FXString id = text(unitId);
        recordset.fromTable = "UnitPlan";
        recordset.whereClause = FXString::null;
        query(recordset, "Select * from UnitPlan where Id = " + id);
        if (!recordset.rows.IsEmpty()) {
            recordset.MoveFirst();
            unitName->setText(recordset.GetField("UnitName"));
            unitDescription->setText(recordset.GetField("UnitDescription"));
            unitType = FXIntVal(recordset.GetField("UnitType"));
            storedUnitType = unitType;
            exportMark = FXIntVal(recordset.GetField("Transfer"));
            exportChecked = exportMark > 0 ? 1 : 0;
            rotate = FXIntVal(recordset.GetField("Rotate"));
        }

        IsectRecordset lessons;
        query(lessons, "Select * from LessonPlan where FKUnitPlan = " + id +
                           " Order By DateStart Desc, RoutineDay Asc, TimeStart Desc");
        for (lessons.MoveFirst(); !lessons.eof(); lessons.MoveNext()) {
            void* lessonId = (void*)(FXival)FXIntVal(lessons.GetField("Id"));
            FXString day;
            if (storedUnitType == 2) {
                FXint routineDay = FXIntVal(lessons.GetField("RoutineDay"));
                day = routineDay >= 1 && routineDay <= 5 ? weekdays[routineDay - 1] : "Invalid day";
            } else if (storedUnitType == 3) {
                day = "Daily";
            } else {
                day = shownValue(lessons, "DateStart");
            }
            dayList->appendItem(day, nullptr, lessonId);
            lessonList->appendItem(lessons.GetField("LessonName"), nullptr, lessonId);
        }
        lists::noCurrentItem(dayList);
        lists::noCurrentItem(lessonList);
        timeSwitcher->setCurrent(lessonPanel());
        showTab(TAB_UNIT);
    });
}

void UnitPlanDialog::checkUnitFields() {
    checks::fits("Name", unitName->getText(), checks::nameWidth);
    checks::fits("Description", unitDescription->getText(), checks::textWidth);
}

void UnitPlanDialog::addUnitQuery() {
    const FXString name = unitName->getText();
    for (FXint i = 0; i < unitList->getNumItems(); ++i) {
        if (unitList->getItemText(i) == name) {
            Prompter::get().error(this, "Add Unit Plan Error", "This plan already exists.");
            return;
        }
    }
    FXint newId = 0;
    bool added = failureScope("Database Error", [&] {
        if (blank(name)) throw FXTextException("Cannot have empty Unit plan name.");
        checkUnitFields();
        FXint longTerm = longTermList->getCurrentItem();
        if (longTerm < 0) throw FXTextException("No Long Term plan available to add the Unit plan to.");
        IsectRecordset rs;
        query(rs, "Select * from MakeUnitPlan('" + EscapeText(name) + "','" + EscapeText(unitDescription->getText()) +
                      "'," + text(unitType) + "," + text(lists::itemId(longTermList, longTerm)) + "," +
                      FXString(appState.currentUserId).trim() + ",0," + text(rotate ? 1 : 0) + ")");
        newId = FXIntVal(rs.GetField("0"));
    });
    if (!added) return;
    onLongTermSelected(longTermList->getCurrentItem());
    onUnitSelected(lists::findItem(unitList, newId));
}

void UnitPlanDialog::editUnitQuery() {
    if (unitList->getNumItems() == 0) return;
    const FXint index = unitList->getCurrentItem();
    if (index < 0) return;
    const FXint unitId = lists::itemId(unitList, index);
    if (unitId < 0) return;  // a transfer file, not a unit in the database
    bool edited = failureScope("Database Error", [&] {
        const FXString name = unitName->getText();
        if (blank(name)) throw FXTextException("Cannot have empty Unit plan name.");
        checkUnitFields();
        busy(true);
        // The selected unit's row, read again: a lesson selection may have
        // used the shared recordset since.
        const FXString key = text(unitId);
        recordset.fromTable = "UnitPlan";
        recordset.whereClause = FXString::null;
        query(recordset, "Select * from UnitPlan where Id = " + key);
        if (recordset.rows.IsEmpty()) throw FXTextException(vanishedText("Unit plan"));
        recordset.SetFieldByKey(key, "UnitName", name);
        recordset.SetFieldByKey(key, "UnitDescription", unitDescription->getText());
        recordset.SetFieldByKey(key, "UnitType", text(unitType));
        recordset.SetFieldByKey(key, "Transfer", text(exportMark));
        recordset.SetFieldByKey(key, "Rotate", text(rotate));
        if (!recordset.WriteRecordset()) throw PlanEditAbort();
        busy(false);
    });
    if (!edited) return;
    onLongTermSelected(longTermList->getCurrentItem());
    onUnitSelected(index);
}

void UnitPlanDialog::deleteUnitQuery() {
    const FXint index = unitList->getCurrentItem();
    if (index < 0 || !unitList->isItemSelected(index)) return;
    const FXint unitId = lists::itemId(unitList, index);
    if (unitId < 0) return;  // a transfer file
    if (!Prompter::get().question(this, "Confirm delete Unit Plan", "Do you want to delete this Unit Plan?")) return;
    bool deleted = failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Delete from UnitPlan where ID = " + text(unitId));
    });
    if (!deleted) return;
    dayList->clearItems();
    lessonList->clearItems();
    onLongTermSelected(longTermList->getCurrentItem());
}

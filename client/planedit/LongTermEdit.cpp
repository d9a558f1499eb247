// UnitPlanDialog: long-term plans (tab "L&ong Term Plans") and the
// syndicate's subjects (tab "Sub&jects").
#include "data/AppState.h"
#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/InputChecks.h"
#include "ui/Prompter.h"
#include "planedit/PlanEditText.h"
#include "planedit/UnitPlanDialog.h"
#include "ui/ListItems.h"

using namespace FX;
using planedit::blank;
using planedit::trimmed;
using planedit::text;

namespace {

const char* const chooseSubjectText =
    "Choose a Subject for the plan.\n\nIf the Subject list is empty, your syndicate leader adds the subjects "
    "on the Subjects tab of this window.";
const char* const chooseYearText =
    "Choose a Children's Year for the plan.\n\nIf the list is empty, add the year levels in School Setup "
    "(Options menu of the calendar).";

bool listHoldsText(FXList* list, const FXString& s) {
    for (FXint i = 0; i < list->getNumItems(); ++i)
        if (list->getItemText(i) == s) return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------- long-term plans

// The lengths of the long-term tab's texts, before anything is sent.
void UnitPlanDialog::checkLongTermFields() {
    checks::fits("Name", longTermName->getText(), checks::nameWidth);
    checks::fits("Description", longTermDescription->getText(), checks::textWidth);
}

void UnitPlanDialog::addLongTermQuery() {
    const FXString name = longTermName->getText();
    if (listHoldsText(longTermList, name)) {
        Prompter::get().error(this, "LongTermPlanEdit::addLongTermQuery", "This plan already exists.");
        return;
    }
    FXint newId = 0;
    bool added = failureScope("Database Error", [&] {
        if (blank(name)) throw FXTextException("Cannot have empty Long Term plan name.");
        checkLongTermFields();
        // A persistent plan is listed in every term: its dates may stay empty.
        const FXString start = checkedDate("Start Date", longTermStart, persistent != 0);
        const FXString end = checkedDate("End Date", longTermEnd, persistent != 0);
        if (!start.empty() && !end.empty() && DateIsLater(start, end))
            throw FXTextException("Cannot have start date after end date.");
        const FXint subject = subjectCombo->getCurrentItem();
        const FXint year = childYearCombo->getCurrentItem();
        if (subject < 0 && !persistent) throw FXTextException(chooseSubjectText);
        if (year < 0) throw FXTextException(chooseYearText);
        const FXString owner = syndicateWide ? appState.currentSyndicate : appState.currentUserId;
        IsectRecordset rs;
        query(rs, "Select * from MakeLongTerm('" + EscapeText(name) + "','" +
                      EscapeText(longTermDescription->getText()) + "'," + dateLiteral(start) + "," +
                      dateLiteral(end) + "," + (subject < 0 ? FXString("NULL") : text(lists::itemId(subjectCombo, subject))) +
                      "," + text(lists::itemId(childYearCombo, year)) + "," + trimmed(owner) + "," +
                      text(persistent ? 1 : 0) + ")");
        newId = FXIntVal(rs.GetField("0"));
    });
    if (!added) return;
    clearPlanLists();
    if (selectQuery()) onLongTermSelected(lists::findItem(longTermList, newId));
}

void UnitPlanDialog::editLongTermQuery() {
    const FXint index = longTermList->getCurrentItem();
    if (longTermList->getNumItems() == 0 || index < 0) return;
    const FXint planId = lists::itemId(longTermList, index);
    bool edited = failureScope("Database Error", [&] {
        const FXString name = longTermName->getText();
        if (blank(name)) throw FXTextException("Cannot have empty Long Term plan name.");
        checkLongTermFields();
        const FXString start = checkedDate("Start Date", longTermStart, persistent != 0);
        const FXString end = checkedDate("End Date", longTermEnd, persistent != 0);
        if (!start.empty() && !end.empty() && DateIsLater(start, end))
            throw FXTextException("Cannot have start date after end date.");
        busy(true);
        // Read the selected plan's row again: later selections use the shared
        // recordset for other rows.
        const FXString key = text(planId);
        recordset.fromTable = "LongTerm";
        recordset.whereClause = FXString::null;
        query(recordset, "Select * from LongTerm where Id = " + key);
        if (recordset.rows.IsEmpty()) throw FXTextException(vanishedText("Long Term plan"));
        recordset.SetFieldByKey(key, "PlanName", name);
        recordset.SetFieldByKey(key, "Description", longTermDescription->getText());
        recordset.SetFieldByKey(key, "PlanStart", start);
        recordset.SetFieldByKey(key, "PlanEnd", end);
        if (subjectCombo->getCurrentItem() >= 0)
            recordset.SetFieldByKey(key, "FKSubject",
                                    text(lists::itemId(subjectCombo, subjectCombo->getCurrentItem())));
        if (childYearCombo->getCurrentItem() >= 0)
            recordset.SetFieldByKey(
                key, "FKYear", text(lists::itemId(childYearCombo, childYearCombo->getCurrentItem())));
        recordset.SetFieldByKey(key, "FKSyndicate", trimmed(syndicateWide ? appState.currentSyndicate : appState.currentUserId));
        recordset.SetFieldByKey(key, "Persistant", text(persistent ? 1 : 0));
        if (!recordset.WriteRecordset()) throw PlanEditAbort();
        busy(false);
    });
    if (!edited) return;
    clearPlanLists();
    if (selectQuery()) onLongTermSelected(lists::findItem(longTermList, planId));
}

// The database deletes a plan's unit plans, lessons and attachments with
// it.  A plan that other teachers' units stand in (a syndicate-wide plan) is
// not deleted, so that nobody's work goes with someone else's plan; and the
// delete goes only while the plan holds just the units the question named.
void UnitPlanDialog::deleteLongTermQuery() {
    const FXint index = longTermList->getCurrentItem();
    if (index < 0 || !longTermList->isItemSelected(index)) return;
    const FXString plan = text(lists::itemId(longTermList, index));
    const FXString teacher = trimmed(appState.currentUserId);
    const FXString units = "(Select Count(*) from UnitPlan where FKLongTerm = " + plan;
    const FXString ownUnitsQuery = units + " and FKTeacher = " + teacher + ")";
    FXint ownUnits = 0, allUnits = 0;
    if (!failureScope("Database Error", [&] {
            IsectRecordset rs;
            query(rs, "Select " + ownUnitsQuery + ", " + units + ") from RDB$DATABASE");
            ownUnits = FXIntVal(rs.GetField("0"));
            allUnits = FXIntVal(rs.GetField("1"));
        }))
        return;
    if (allUnits > ownUnits) {
        const FXint otherUnits = allUnits - ownUnits;
        Prompter::get().error(this, "Delete Long Term Plan",
                              "Other teachers have " + text(otherUnits) +
                                  (otherUnits == 1 ? " unit plan" : " unit plans") +
                                  " in this Long Term plan, so it is not deleted: their units and lessons would go "
                                  "with it.\n\nAsk them to delete those unit plans first.");
        return;
    }
    FXString question = "Do you want to delete this Long Term plan?";
    if (ownUnits > 0)
        question += "\n\nIts " + text(ownUnits) +
                    (ownUnits == 1 ? " unit plan, with its lessons" : " unit plans, with their lessons") +
                    " and file attachments, will be deleted too.";
    if (!Prompter::get().question(this, "Confirm delete Long Term", question)) return;
    bool changed = false;
    bool deleted = failureScope("Database Error", [&] {
        // One statement: what it checks is what the database's delete rule
        // then sees, so a unit added meanwhile keeps the plan.
        IsectRecordset rs;
        query(rs, "Delete from LongTerm where ID = " + plan + " and " + units + ") = " + text(ownUnits) + " and " +
                      ownUnitsQuery + " = " + text(ownUnits));
        query(rs, "Select Count(*) from LongTerm where ID = " + plan);
        changed = FXIntVal(rs.GetField("0")) > 0;
    });
    if (!deleted) return;
    if (changed) {
        Prompter::get().error(this, "Delete Long Term Plan",
                              "This Long Term plan changed while you were asked: a unit plan was added to it or "
                              "taken out of it, so nothing was deleted.\n\nChoose Delete again to see what it "
                              "holds now.");
        return;
    }
    clearPlanLists();
    selectQuery();
}

// ---------------------------------------------------------------- subjects

// The subjects list and the long-term tab's Subject box, both from the
// current subjects; the box keeps the subject it showed while that subject
// is still current, and shows none when it was retired.
void UnitPlanDialog::refreshSubjects(FXint id) {
    const FXint shownSubject =
        subjectCombo->getCurrentItem() >= 0 ? lists::itemId(subjectCombo, subjectCombo->getCurrentItem()) : -1;
    subjectList->clearItems();
    subjectCombo->clearItems();
    IsectRecordset rs;
    query(rs, "Select * from GetCurrentSubjects(" + appState.currentSyndicate + ",'" + dates::today() + "')");
    const bool leader = isLeader();
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
        void* subjectId = (void*)(FXival)FXIntVal(rs.GetField("Id"));
        if (leader) subjectList->appendItem(rs.GetField("Description"), nullptr, subjectId);
        subjectCombo->appendItem(rs.GetField("Description"), subjectId);
    }
    subjectCombo->setNumVisible(6);
    if (shownSubject >= 0) subjectCombo->setCurrentItem(lists::findItem(subjectCombo, shownSubject));
    lists::noCurrentItem(subjectList);
    FXint index = lists::findItem(subjectList, id);
    if (index >= 0) lists::selectItem(subjectList, index);
}

void UnitPlanDialog::addSubject() {
    const FXString name = subjectText->getText();
    if (listHoldsText(subjectList, name)) {
        Prompter::get().error(this, "UnitPlanDialog::addSubject", "This subject already exists.");
        return;
    }
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Select Id from TermDate Where FirstDay <= '" + dates::today() + "'");
        if (rs.rows.IsEmpty()) throw FXTextException(noTermText());
        rs.MoveLast();
        const FXString term = trimmed(rs.GetField("Id"));
        if (blank(name)) throw FXTextException("Cannot have empty Subject name.");
        checks::fits("Subject", name, checks::nameWidth);
        query(rs, "Select * from MakeSubject('" + EscapeText(name) + "'," + trimmed(appState.currentSyndicate) + "," + term +
                      ")");
        refreshSubjects(FXIntVal(rs.GetField("0")));
    });
}

void UnitPlanDialog::renameSubject() {
    if (subjectList->getNumItems() == 0) return;
    const FXint index = subjectList->getCurrentItem();
    if (index < 0) return;
    const FXint id = lists::itemId(subjectList, index);
    failureScope("Database Error", [&] {
        const FXString name = trimmed(subjectText->getText());
        if (name.empty()) throw FXTextException("Cannot have empty Subject name.");
        checks::fits("Subject", name, checks::nameWidth);
        busy(true);
        IsectRecordset rs;
        query(rs, "Update Subject Set Description = '" + EscapeText(name) + "' where Id = " + text(id));
        refreshSubjects(id);
        busy(false);
    });
}

void UnitPlanDialog::retireSubject() {
    const FXint index = subjectList->getCurrentItem();
    if (index < 0 || !subjectList->isItemSelected(index)) return;
    if (!Prompter::get().question(this, "Confirm retire Subject", "Do you want to retire this Subject?")) return;
    const FXString id = text(lists::itemId(subjectList, index));
    failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Select First 1 PlanEnd from LongTerm where FKSubject = " + id + " Order By PlanEnd Desc");
        if (rs.rows.IsEmpty()) {
            query(rs, "Delete from Subject where ID = " + id);
        } else {
            const FXString lastEnd = rawField(rs, "PlanEnd").left(10);
            query(rs, "Select First 1 Id from TermDate Where FirstDay > '" + lastEnd + "'");
            if (!rs.rows.IsEmpty())
                query(rs, "Update Subject Set FKTermDateEnd = " + trimmed(rs.GetField("Id")) + " where Id = " + id);
        }
        subjectText->setText(FXString::null);
        refreshSubjects(0);
    });
}

void UnitPlanDialog::moveSubject(bool up) {
    const FXint i = subjectList->getCurrentItem();
    const FXint n = subjectList->getNumItems();
    FXint j;
    if (up) {
        if (i <= 0) return;
        j = i - 1;
    } else {
        if (i < 0 || i > n - 2) return;
        j = i + 1;
    }
    const FXint a = lists::itemId(subjectList, i);
    const FXint b = lists::itemId(subjectList, j);
    failureScope("Database Error", [&] {
        // A failure before the commit rolls back: the shared recordset
        // never keeps a transaction open.
        IsectRecordset::Transaction transaction(recordset);
        query(recordset, "Select Ordinal from Subject where Id = " + text(a));
        const FXString ordinalA = trimmed(recordset.GetField("Ordinal"));
        query(recordset, "Select Ordinal from Subject where Id = " + text(b));
        const FXString ordinalB = trimmed(recordset.GetField("Ordinal"));
        query(recordset, "Update Subject Set Ordinal = " + ordinalB + " where Id = " + text(a));
        query(recordset, "Update Subject Set Ordinal = " + ordinalA + " where Id = " + text(b));
        transaction.commit();
        refreshSubjects(a);
    });
}

void UnitPlanDialog::onSubjectSelected(FXint index) {
    if (index >= 0 && index < subjectList->getNumItems()) subjectText->setText(subjectList->getItemText(index));
}

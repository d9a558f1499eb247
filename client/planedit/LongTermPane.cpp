#include "planedit/LongTermPane.h"

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

FXDEFMAP(LongTermPane)
LongTermPaneMap[] = {
    FXMAPFUNC(SEL_COMMAND, LongTermPane::ID_ADD, LongTermPane::onCmdAdd),
    FXMAPFUNC(SEL_COMMAND, LongTermPane::ID_EDIT, LongTermPane::onCmdEdit),
    FXMAPFUNC(SEL_COMMAND, LongTermPane::ID_DELETE, LongTermPane::onCmdDelete),
    FXMAPFUNC(SEL_COMMAND, LongTermPane::ID_PERSISTENT, LongTermPane::onCmdPersistent),
    FXMAPFUNC(SEL_UPDATE, LongTermPane::ID_PERSISTENT_FIELD, LongTermPane::onUpdPersistentField),
};

FXIMPLEMENT(LongTermPane, PlanPane, LongTermPaneMap, ARRAYNUMBER(LongTermPaneMap))

namespace {

const char* const chooseSubjectText =
    "Choose a Subject for the plan.\n\nIf the Subject list is empty, your syndicate leader adds the subjects "
    "on the Subjects tab of this window.";
const char* const chooseYearText =
    "Choose a Children's Year for the plan.\n\nIf the list is empty, add the year levels in School Setup "
    "(Options menu of the calendar).";

FXString comboId(const FXComboBox* combo) { return text(lists::itemId(combo, combo->getCurrentItem())); }

}  // namespace

LongTermPane::LongTermPane(FXComposite* page, const PaneShared& shared, FXObject* tgt, FXSelector sel)
    : PlanPane(page, shared, tgt, sel) {
    syndicateWideTarget.connect(syndicateWide);
    persistentTarget.connect(persistent, this, ID_PERSISTENT);
    build();
}

LongTermPane::~LongTermPane() {
    while (getFirst()) delete getFirst();
}

void LongTermPane::build() {
    FXMatrix* top = new FXMatrix(this, 2, MATRIX_BY_COLUMNS | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 2);
    label(top, "Children's Year:");
    childYearCombo = new FXComboBox(top, 20, nullptr, 0, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    childYearCombo->setNumVisible(6);
    label(top, "Subject:");
    subjectCombo = new FXComboBox(top, 20, this, ID_PERSISTENT_FIELD, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    subjectCombo->setNumVisible(6);
    label(top, "Name:");
    nameField = field(top, 40);
    descriptionText = textArea(this, "Description:", 150);

    FXMatrix* dates = new FXMatrix(this, 2, MATRIX_BY_COLUMNS | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0, 4, 2);
    label(dates, "Start Date:");
    startField = field(dates, 12, this, ID_PERSISTENT_FIELD);
    label(dates, "End Date:");
    endField = field(dates, 12, this, ID_PERSISTENT_FIELD);
    syndicateWideCheck =
        new FXCheckButton(this, "Syndicate Wide Plan\tEverybody in your syndicate can view this long term plan.",
                          &syndicateWideTarget, FXDataTarget::ID_VALUE);
    new FXCheckButton(this, "Ignore Start and End Dates\tThis plan is always visible in the list box.",
                      &persistentTarget, FXDataTarget::ID_VALUE);
    leaderNote = new FXLabel(this,
                             "You are logged in as a syndicate leader.  Syndicate leaders cannot add, delete\n"
                             "or edit -  unit plans or lesson plans.  If you want to do this log in as a teacher.",
                             nullptr, LABEL_NORMAL | JUSTIFY_LEFT);
    leaderNote->setTextColor(FXRGB(255, 0, 0));
    leaderNote->hide();
    planButtons(this, this, ID_EDIT, ID_DELETE, ID_ADD);
}

// A leader's plans are the syndicate's (their owner is the leader, who is
// the syndicate): for a leader the box is ticked and cannot be cleared, and
// says why; a teacher's box tells the teacher's own plans from the
// syndicate's.
void LongTermPane::showLeaderNote(bool shown) {
    if (shown) {
        leaderNote->show();
        syndicateWide = 1;
        syndicateWideCheck->disable();
        syndicateWideCheck->setTipText(
            "Every long term plan of a syndicate leader is the syndicate's: everybody in "
            "your syndicate can view it.");
    } else {
        leaderNote->hide();
        syndicateWideCheck->enable();
        syndicateWideCheck->setTipText("Everybody in your syndicate can view this long term plan.");
    }
}

// ---------------------------------------------------------------- lists and the shown plan

const char* const LongTermPane::yearsQuery = "Select * from ChildYear Order By Description Desc";

void LongTermPane::listYears(IsectRecordset& years) {
    childYearCombo->clearItems();
    subjectCombo->clearItems();
    for (years.MoveFirst(); !years.eof(); years.MoveNext())
        childYearCombo->appendItem(years.GetField("Description"), (void*)(FXival)FXIntVal(years.GetField("Id")));
    childYearCombo->setNumVisible(6);
}

void LongTermPane::listSubjects(IsectRecordset& subjects) {
    const FXint shownSubject =
        subjectCombo->getCurrentItem() >= 0 ? lists::itemId(subjectCombo, subjectCombo->getCurrentItem()) : -1;
    subjectCombo->clearItems();
    for (subjects.MoveFirst(); !subjects.eof(); subjects.MoveNext())
        subjectCombo->appendItem(subjects.GetField("Description"), (void*)(FXival)FXIntVal(subjects.GetField("Id")));
    subjectCombo->setNumVisible(6);
    if (shownSubject >= 0) subjectCombo->setCurrentItem(lists::findItem(subjectCombo, shownSubject));
}

void LongTermPane::show(FXint planId) {
    IsectRecordset& rs = recordset();
    rs.fromTable = "LongTerm";
    query(rs, "Select * from LongTerm where Id = " + text(planId));
    shownRow = ReadRow();
    if (rs.rows.IsEmpty()) return;
    rs.MoveFirst();
    shownRow = ReadRow::of(rs);
    nameField->setText(rs.GetField("PlanName"));
    descriptionText->setText(rs.GetField("Description"));
    startField->setText(shownValue(rs, "PlanStart"));
    endField->setText(shownValue(rs, "PlanEnd"));
    // A retired subject is not in the box: show none, so that an edit keeps
    // the plan's subject instead of taking the last one shown.
    subjectCombo->setCurrentItem(lists::findItem(subjectCombo, FXIntVal(rs.GetField("FKSubject"))));
    childYearCombo->setCurrentItem(lists::findItem(childYearCombo, FXIntVal(rs.GetField("FKYear"))));
    syndicateWide = isLeader() || FXIntVal(rs.GetField("FKSyndicate")) != FXIntVal(appState.currentUserId) ? 1 : 0;
    persistent = FXIntVal(rs.GetField("Persistant")) != 0 ? 1 : 0;
    enableDateFields();
}

// ---------------------------------------------------------------- enable rule

// Set at once when the flag changes or a plan is shown; the GUI update keeps
// each control in step.
void LongTermPane::enableDateFields() {
    FXWindow* fields[] = {subjectCombo, startField, endField};
    for (FXWindow* f : fields) {
        if (persistent == 0)
            f->enable();
        else
            f->disable();
    }
}

long LongTermPane::onCmdPersistent(FXObject*, FXSelector, void*) {
    enableDateFields();
    return 1;
}

long LongTermPane::onUpdPersistentField(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, persistent == 0 ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

// ---------------------------------------------------------------- add, edit, delete

long LongTermPane::onCmdAdd(FXObject*, FXSelector, void*) {
    addPlan();
    return 1;
}

long LongTermPane::onCmdEdit(FXObject*, FXSelector, void*) {
    editPlan();
    return 1;
}

long LongTermPane::onCmdDelete(FXObject*, FXSelector, void*) {
    deletePlan();
    return 1;
}

// A persistent plan is listed in every term: its dates may stay empty.
void LongTermPane::checkFields(FXString& start, FXString& end) {
    if (blank(nameField->getText())) throw FXTextException("Cannot have empty Long Term plan name.");
    checks::fits("Name", nameField->getText(), checks::nameWidth);
    checks::fits("Description", descriptionText->getText(), checks::textWidth);
    start = checkedDate("Start Date", startField, persistent != 0);
    end = checkedDate("End Date", endField, persistent != 0);
    if (!start.empty() && !end.empty() && DateIsLater(start, end))
        throw FXTextException("Cannot have start date after end date.");
}

FXString LongTermPane::planOwner() const {
    return trimmed(syndicateWide ? appState.currentSyndicate : appState.currentUserId);
}

void LongTermPane::addPlan() {
    const FXString name = nameField->getText();
    if (PlanLists::holds(lists().longTerms(), name)) {
        Prompter::get().error(owner(), "LongTermPlanEdit::addLongTermQuery", "This plan already exists.");
        return;
    }
    FXint newId = 0;
    bool added = failureScope("Database Error", [&] {
        FXString start, end;
        checkFields(start, end);
        const FXint subject = subjectCombo->getCurrentItem();
        if (subject < 0 && !persistent) throw FXTextException(chooseSubjectText);
        if (childYearCombo->getCurrentItem() < 0) throw FXTextException(chooseYearText);
        IsectRecordset rs;
        query(rs, "Select * from MakeLongTerm('" + EscapeText(name) + "','" + EscapeText(descriptionText->getText()) +
                      "'," + dateLiteral(start) + "," + dateLiteral(end) + "," +
                      (subject < 0 ? FXString("NULL") : comboId(subjectCombo)) + "," + comboId(childYearCombo) + "," +
                      planOwner() + "," + text(persistent ? 1 : 0) + ")");
        newId = FXIntVal(rs.GetField("0"));
    });
    if (added) tell(SEL_INSERTED, (void*)(FXival)newId);
}

void LongTermPane::editPlan() {
    const FXList* plans = lists().longTerms();
    const FXint index = plans->getCurrentItem();
    if (plans->getNumItems() == 0 || index < 0) return;
    const FXint planId = lists::itemId(plans, index);
    if (writeShown(planId, plans->getItemText(index))) tell(SEL_REPLACED, (void*)(FXival)planId);
}

bool LongTermPane::unstored() const {
    if (shownRow.empty()) return false;
    return nameField->getText() != shownRow.value("PlanName") ||
           descriptionText->getText() != shownRow.value("Description");
}

FXString LongTermPane::shownName() const { return shownRow.value("PlanName"); }

bool LongTermPane::storeShown() {
    const FXint planId = FXIntVal(shownRow.value("Id"));
    return planId > 0 && writeShown(planId, shownName());
}

bool LongTermPane::writeShown(FXint planId, const FXString& listed) {
    bool written = false;
    bool edited = failureScope("Database Error", [&] {
        FXString start, end;
        checkFields(start, end);
        busy(true);
        // Read the chosen plan's row again: later selections use the shared
        // recordset for other rows.
        IsectRecordset& rs = recordset();
        const FXString key = text(planId);
        const FXString shownName = shownRow.empty() ? listed : shownRow.value("PlanName");
        CheckedEdit edit{"long term plan",
                         shownName,
                         {{"PlanName", "Name", nameField->getText()},
                          {"Description", "Description", descriptionText->getText()},
                          {"PlanStart", "Start Date", FXString::null},
                          {"PlanEnd", "End Date", FXString::null},
                          {"FKSubject", "Subject", FXString::null},
                          {"FKYear", "Children's Year", FXString::null},
                          {"FKSyndicate", "Syndicate Wide Plan", FXString::null},
                          {"Persistant", "Ignore Start and End Dates", FXString::null}}};
        edit.reread = [&] {
            rs.fromTable = "LongTerm";
            rs.whereClause = FXString::null;
            query(rs, "Select * from LongTerm where Id = " + key);
        };
        edit.reload = [&] { show(planId); };
        edit.write = [&] { writePlan(key, start, end); };
        written = checkedEdit(owner(), rs, shownRow, edit);
        busy(false);
    });
    return edited && written;
}

// The shown values into the plan's row (read again for the write), as a
// checked write.
void LongTermPane::writePlan(const FXString& key, const FXString& start, const FXString& end) {
    IsectRecordset& rs = recordset();
    rowversions::markChecked(rs, key);
    rs.SetFieldByKey(key, "PlanName", nameField->getText());
    rs.SetFieldByKey(key, "Description", descriptionText->getText());
    rs.SetFieldByKey(key, "PlanStart", start);
    rs.SetFieldByKey(key, "PlanEnd", end);
    if (subjectCombo->getCurrentItem() >= 0) rs.SetFieldByKey(key, "FKSubject", comboId(subjectCombo));
    if (childYearCombo->getCurrentItem() >= 0) rs.SetFieldByKey(key, "FKYear", comboId(childYearCombo));
    rs.SetFieldByKey(key, "FKSyndicate", planOwner());
    rs.SetFieldByKey(key, "Persistant", text(persistent ? 1 : 0));
    if (!rs.WriteRecordset()) throw PlanEditAbort();
    rs.MoveFirst();
    shownRow = ReadRow::of(rs);
}

// The database deletes a plan's unit plans, lessons and attachments with
// it.  A plan that other teachers' units stand in (a syndicate-wide plan) is
// not deleted, so that nobody's work goes with someone else's plan; and the
// delete goes only while the plan holds just the units the question named.
void LongTermPane::deletePlan() {
    const FXint index = PlanLists::chosen(lists().longTerms());
    if (index < 0) return;
    const FXString plan = text(lists::itemId(lists().longTerms(), index));
    const FXString name = lists().longTerms()->getItemText(index);
    const FXString units = "(Select Count(*) from UnitPlan where FKLongTerm = " + plan;
    const FXString ownUnitsQuery = units + " and FKTeacher = " + trimmed(appState.currentUserId) + ")";
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
        Prompter::get().error(owner(), "Delete Long Term Plan",
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
    if (!Prompter::get().question(owner(), "Confirm delete Long Term", question)) return;
    bool changed = false;
    bool deleted = failureScope("Database Error", [&] {
        // One statement: what it checks is what the database's delete rule
        // then sees, so a unit added meanwhile keeps the plan.  The plan, its
        // units, lessons and attachments are kept for Undo first, in the
        // delete's transaction.
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        undo::Step step("Delete of long-term plan " + name);
        step.plansBefore("Id = " + plan);
        query(rs, "Delete from LongTerm where ID = " + plan + " and " + units + ") = " + text(ownUnits) + " and " +
                      ownUnitsQuery + " = " + text(ownUnits));
        query(rs, "Select Count(*) from LongTerm where ID = " + plan);
        changed = FXIntVal(rs.GetField("0")) > 0;
        if (changed) return;  // nothing deleted: the transaction ends with nothing kept
        step.finish();
        transaction.commit();
    });
    if (!deleted) return;
    if (changed) {
        Prompter::get().error(owner(), "Delete Long Term Plan",
                              "This Long Term plan changed while you were asked: a unit plan was added to it or "
                              "taken out of it, so nothing was deleted.\n\nChoose Delete again to see what it "
                              "holds now.");
        return;
    }
    tell(SEL_DELETED);
}

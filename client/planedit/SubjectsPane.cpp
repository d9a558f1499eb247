#include "planedit/SubjectsPane.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/InputChecks.h"
#include "planedit/PlanEditing.h"
#include "planedit/PlanWidgets.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

FXDEFMAP(SubjectsPane)
SubjectsPaneMap[] = {
    FXMAPFUNC(SEL_COMMAND, SubjectsPane::ID_LIST, SubjectsPane::onCmdList),
    FXMAPFUNC(SEL_COMMAND, SubjectsPane::ID_ADD, SubjectsPane::onCmdAdd),
    FXMAPFUNC(SEL_COMMAND, SubjectsPane::ID_RENAME, SubjectsPane::onCmdRename),
    FXMAPFUNC(SEL_COMMAND, SubjectsPane::ID_RETIRE, SubjectsPane::onCmdRetire),
    FXMAPFUNC(SEL_COMMAND, SubjectsPane::ID_UP, SubjectsPane::onCmdUp),
    FXMAPFUNC(SEL_COMMAND, SubjectsPane::ID_DOWN, SubjectsPane::onCmdDown),
};

FXIMPLEMENT(SubjectsPane, PlanPane, SubjectsPaneMap, ARRAYNUMBER(SubjectsPaneMap))

SubjectsPane::SubjectsPane(FXComposite* page, const PaneShared& shared, FXObject* tgt, FXSelector sel)
    : PlanPane(page, shared, tgt, sel) {
    const char* titles[] = {"Subject Description"};
    const FXint widths[] = {300};
    const FXSelector sels[] = {ID_LIST};
    listGroup(this, titles, widths, 1, &subjectList, this, sels, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    subjectField = field(this, 40);

    FXHorizontalFrame* buttons = buttonRow(this);
    button(buttons, "&Add", this, ID_ADD);
    button(buttons, "&Retire\tRetire this subject in future terms. Retirements cannot be undone.", this, ID_RETIRE);
    button(buttons, "&Edit", this, ID_RENAME);
    button(buttons, "&Up\tMove this subject up the list.", this, ID_UP);
    button(buttons, "&Down\tMove this subject down the list.", this, ID_DOWN);
    closeButton(buttons);
}

FXString SubjectsPane::currentQuery() {
    return "Select * from GetCurrentSubjects(" + appState.currentSyndicate + ",'" + dates::today() + "')";
}

void SubjectsPane::readCurrent(IsectRecordset& rs) { query(rs, currentQuery()); }

void SubjectsPane::list(IsectRecordset& subjects, FXint id) {
    subjectList->clearItems();
    if (isLeader()) {
        for (subjects.MoveFirst(); !subjects.eof(); subjects.MoveNext())
            subjectList->appendItem(subjects.GetField("Description"), nullptr,
                                    (void*)(FXival)FXIntVal(subjects.GetField("Id")));
    }
    lists::noCurrentItem(subjectList);
    const FXint index = lists::findItem(subjectList, id);
    if (index >= 0) lists::selectItem(subjectList, index);
}

// ---------------------------------------------------------------- handlers

// Choosing a subject copies its name into the field below the list.
long SubjectsPane::onCmdList(FXObject*, FXSelector, void* ptr) {
    const FXint index = (FXint)(FXival)ptr;
    if (index >= 0 && index < subjectList->getNumItems()) {
        subjectField->setText(subjectList->getItemText(index));
        failureScope("Database Error", [&] {
            IsectRecordset rs;
            readSubject(rs, text(lists::itemId(subjectList, index)));
            shownSubject = ReadRow::of(rs);
        });
    }
    return 1;
}

void SubjectsPane::readSubject(IsectRecordset& rs, const FXString& id) {
    query(rs, "Select Id, Description, RowVersion, ChangedBy from Subject where Id = " + id);
}

long SubjectsPane::onCmdAdd(FXObject*, FXSelector, void*) {
    addSubject();
    return 1;
}

long SubjectsPane::onCmdRename(FXObject*, FXSelector, void*) {
    renameSubject();
    return 1;
}

long SubjectsPane::onCmdRetire(FXObject*, FXSelector, void*) {
    retireSubject();
    return 1;
}

long SubjectsPane::onCmdUp(FXObject*, FXSelector, void*) {
    moveSubject(true);
    return 1;
}

long SubjectsPane::onCmdDown(FXObject*, FXSelector, void*) {
    moveSubject(false);
    return 1;
}

// ---------------------------------------------------------------- operations

void SubjectsPane::addSubject() {
    const FXString name = subjectField->getText();
    if (PlanLists::holds(subjectList, name)) {
        Prompter::get().error(owner(), "UnitPlanDialog::addSubject", "This subject already exists.");
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
        query(rs, "Select * from MakeSubject('" + EscapeText(name) + "'," + trimmed(appState.currentSyndicate) + "," +
                      term + ")");
        tell(SEL_CHANGED, (void*)(FXival)FXIntVal(rs.GetField("0")));
    });
}

void SubjectsPane::renameSubject() {
    if (subjectList->getNumItems() == 0) return;
    const FXint index = subjectList->getCurrentItem();
    if (index < 0) return;
    const FXint id = lists::itemId(subjectList, index);
    failureScope("Database Error", [&] {
        const FXString name = trimmed(subjectField->getText());
        if (name.empty()) throw FXTextException("Cannot have empty Subject name.");
        checks::fits("Subject", name, checks::nameWidth);
        busy(true);
        IsectRecordset rs;
        const FXString key = text(id);
        if (trimmed(shownSubject.value("Id")) != key) shownSubject = ReadRow();
        CheckedEdit edit{"subject",
                         shownSubject.empty() ? subjectList->getItemText(index) : shownSubject.value("Description"),
                         {{"Description", "Subject", name}}};
        edit.reread = [&] { readSubject(rs, key); };
        edit.reload = [&] {
            rs.MoveFirst();
            subjectList->setItemText(index, rs.GetField("Description"));
            subjectField->setText(rs.GetField("Description"));
            shownSubject = ReadRow::of(rs);
        };
        edit.write = [&] {
            rs.MoveFirst();
            query(rs, "Update Subject Set Description = '" + EscapeText(name) + "'" +
                          rowversions::checkedAssignments(rs) + " where Id = " + key);
            readSubject(rs, key);
            shownSubject = ReadRow::of(rs);
        };
        if (checkedEdit(owner(), rs, shownSubject, edit)) tell(SEL_CHANGED, (void*)(FXival)id);
        busy(false);
    });
}

void SubjectsPane::retireSubject() {
    const FXint index = PlanLists::chosen(subjectList);
    if (index < 0) return;
    if (!Prompter::get().question(owner(), "Confirm retire Subject", "Do you want to retire this Subject?")) return;
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
        subjectField->setText(FXString::null);
        tell(SEL_CHANGED, nullptr);
    });
}

void SubjectsPane::moveSubject(bool up) {
    const FXint i = subjectList->getCurrentItem();
    const FXint n = subjectList->getNumItems();
    if (up ? i <= 0 : i < 0 || i > n - 2) return;
    const FXint a = lists::itemId(subjectList, i);
    const FXint b = lists::itemId(subjectList, up ? i - 1 : i + 1);
    failureScope("Database Error", [&] {
        // A failure before the commit rolls back: the shared recordset
        // never keeps a transaction open.
        IsectRecordset& rs = recordset();
        IsectRecordset::Transaction transaction(rs);
        // Both places are read in one statement; the two updates need
        // nothing of each other and go out as a batch.
        query(rs, "Select Id, Ordinal from Subject where Id in (" + text(a) + "," + text(b) + ")");
        FXString ordinalA, ordinalB;
        for (rs.MoveFirst(); !rs.eof(); rs.MoveNext())
            (FXIntVal(rs.GetField("Id")) == a ? ordinalA : ordinalB) = trimmed(rs.GetField("Ordinal"));
        if (ordinalA.empty() || ordinalB.empty()) throw FXTextException(vanishedText("Subject"));
        IsectRecordset::Batch batch(rs);
        if (!batch.Add("Update Subject Set Ordinal = " + ordinalB + " where Id = " + text(a)) ||
            !batch.Add("Update Subject Set Ordinal = " + ordinalA + " where Id = " + text(b)) || !batch.Wait())
            throw PlanEditAbort();
        transaction.commit();
        tell(SEL_CHANGED, (void*)(FXival)a);
    });
}

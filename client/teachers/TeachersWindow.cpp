#include "teachers/TeachersWindow.h"

#include "data/AppState.h"
#include "data/InputChecks.h"
#include "data/Numbers.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"
#include "ui/RowConflict.h"

using namespace FX;

FXDEFMAP(TeachersWindow)
TeachersWindowMap[] = {
    FXMAPFUNC(SEL_TIMEOUT, TeachersWindow::ID_LOAD, TeachersWindow::onLoad),
    FXMAPFUNC(SEL_COMMAND, TeachersWindow::ID_LOAD, TeachersWindow::onLoad),
    FXMAPFUNC(SEL_COMMAND, TeachersWindow::ID_ADD, TeachersWindow::onCmdAdd),
    FXMAPFUNC(SEL_COMMAND, TeachersWindow::ID_EDIT, TeachersWindow::onCmdEdit),
    FXMAPFUNC(SEL_COMMAND, TeachersWindow::ID_DELETE, TeachersWindow::onCmdDelete),
    FXMAPFUNC(SEL_COMMAND, TeachersWindow::ID_SELECT, TeachersWindow::onCmdSelect),
};

FXIMPLEMENT(TeachersWindow, FXDialogBox, TeachersWindowMap, ARRAYNUMBER(TeachersWindowMap))

namespace {

// Width of each list: a long name ("Margaret O'Brien-Whitcombe") fits, a
// longer one shows whole in the list's tooltip.
const FXint listWidth = 220;

// What the calendar is told when nobody is chosen: never a teacher's name.
const char* const noCurrentUser = "No current user.";
// What the dialog's failures speak of.
const char* const subject = "teacher";

}  // namespace

// The leader list and the teacher list show one row per teacher side by
// side: whichever scrolls, the other follows, so that a leader and its
// teachers stay on the same line.
class TwinList : public FXList {
public:
    TwinList(FXComposite* parent, FXObject* tgt, FXSelector sel, FXuint opts, FXint w)
        : FXList(parent, tgt, sel, opts, 0, 0, w, 0) {}
    void setTwin(TwinList* other) { twin = other; }
    void moveContents(FXint x, FXint y) override {
        FXList::moveContents(x, y);
        if (!twin || following) return;
        following = true;
        twin->setPosition(twin->getXPosition(), y);
        following = false;
    }

private:
    TwinList* twin = nullptr;
    bool following = false;
};

TeachersWindow::TeachersWindow(FXWindow* owner, FXObject* tgt, FXSelector sel)
    : FXDialogBox(owner, "Teachers", DECOR_TITLE | DECOR_BORDER | DECOR_RESIZE, 0, 0, 0, 500, 2, 2, 2, 2, 4, 4),
      leaderTarget(leaderFlag) {
    setTarget(tgt);
    setSelector(sel);
    setIcon(appIcon);
    setMiniIcon(appIcon);

    FXVerticalFrame* frame = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

    // The two lists under their header, the hint and the leader box.
    FXVerticalFrame* listFrame = new FXVerticalFrame(frame, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXHeader* header = new FXHeader(listFrame, nullptr, 0, HEADER_NORMAL | LAYOUT_FIX_WIDTH, 0, 0, 2 * listWidth, 0);
    header->appendItem("Syndicate Leader", nullptr, listWidth);
    header->appendItem("Teacher", nullptr, listWidth);
    header->disable();
    FXHorizontalFrame* lists =
        new FXHorizontalFrame(listFrame, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    // Only the teacher list has a scroll bar; the leader list follows it.
    TwinList* leaders = new TwinList(
        lists, nullptr, 0, LIST_SINGLESELECT | HSCROLLER_NEVER | VSCROLLER_NEVER | LAYOUT_FIX_WIDTH | LAYOUT_FILL_Y,
        listWidth);
    TwinList* teachers = new TwinList(
        lists, this, ID_SELECT, LIST_SINGLESELECT | HSCROLLER_NEVER | LAYOUT_FIX_WIDTH | LAYOUT_FILL_Y, listWidth);
    leaders->setTwin(teachers);
    teachers->setTwin(leaders);
    leaderList = leaders;
    leaderList->disable();
    teacherList = teachers;
    FXVerticalFrame* side = new FXVerticalFrame(lists, LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4);
    new FXLabel(side, "To assign a teacher to a syndicate highlight\nthe syndicate leader and add the teachers name.",
                nullptr, LABEL_NORMAL | JUSTIFY_LEFT);
    leaderBox = new FXCheckButton(side, "Syndicate Leader", &leaderTarget, FXDataTarget::ID_VALUE);

    FXHorizontalFrame* nameRow = new FXHorizontalFrame(frame, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0);
    new FXLabel(nameRow, "Teacher's name:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
    nameField = new FXTextField(nameRow, 30, nullptr, 0, TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X,
                                0, 0, 0, 0, 2, 2, 2, 2);

    FXHorizontalFrame* buttons =
        new FXHorizontalFrame(frame, FRAME_SUNKEN | LAYOUT_FILL_X | LAYOUT_SIDE_BOTTOM, 0, 0, 0, 0, 4, 4, 4, 4);
    const char* texts[] = {"&Close", "&Edit", "&Delete", "&Add"};
    const FXSelector ids[] = {FXDialogBox::ID_CANCEL, ID_EDIT, ID_DELETE, ID_ADD};
    for (int i = 0; i < 4; ++i) {
        FXButton* b =
            new FXButton(buttons, texts[i], nullptr, this, ids[i],
                         FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT | LAYOUT_FIX_WIDTH, 0, 0, 100, 0, 20, 20, 5, 5);
        b->setFont(labelFont);
    }

    getApp()->addTimeout(this, ID_LOAD, 100);
}

TeachersWindow::~TeachersWindow() { getApp()->removeTimeout(this, ID_LOAD); }

// ---------------------------------------------------------------------------
// SQL and list handling

void TeachersWindow::load() {
    // Without the middleware (the command's warning tells the user) the
    // lists keep what they show.
    bool answered = recordset.OpenRecordset("Select * from Teachers Order by Syndicate,Id");
    recordset.rows.MoveFirst();
    if (answered && !recordset.rows.eof) {
        leaderList->clearItems();
        teacherList->clearItems();
        while (!recordset.rows.eof) {
            FXString name = recordset.GetField("Teacher");
            FXint id = decimalValue(recordset.GetField("Id"));
            FXint syndicate = decimalValue(recordset.GetField("Syndicate"));
            teacherList->appendItem(name, nullptr, (void*)(FXival)id);
            if (id == syndicate)
                leaderList->appendItem(name, nullptr, (void*)(FXival)id);
            else
                leaderList->appendItem(" ", nullptr, (void*)(FXival)0);
            recordset.rows.MoveNext();
        }
        teacherList->setCurrentItem(-1);
        leaderList->setCurrentItem(-1);
    }
    // The current teacher stays current (its row chosen) unless it is gone.
    const FXint current = decimalValue(appState.currentUserId);
    const FXint row = current > 0 ? teacherList->findItemByData((void*)(FXival)current) : -1;
    if (row >= 0) {
        selectRow(row);
        return;
    }
    appState.currentUserId = "0";
    appState.currentSyndicate = "0";
    nameField->setText(FXString::null);
    tellOwner();
}

void TeachersWindow::select(FXint row) {
    FXint v = row >= 0 && row < teacherList->getNumItems() ? lists::itemId(teacherList, row) : 0;
    FXint current = teacherList->getCurrentItem();
    if (current < 0) {
        appState.currentUserId = "0";
        appState.currentSyndicate = "0";
        nameField->setText(FXString::null);
    } else {
        appState.currentUserId = FXStringVal(lists::itemId(teacherList, current));
        nameField->setText(teacherList->getItemText(current));
        bool answered = recordset.OpenRecordset(
            "Select Id, Teacher, Syndicate, RowVersion, ChangedBy from Teachers "
            "Where Id = " +
            FXStringVal(v));
        recordset.rows.MoveFirst();
        if (answered) shownTeacher = ReadRow::of(recordset);
        if (answered && !recordset.rows.eof) {
            appState.currentSyndicate = recordset.GetField("Syndicate");
            FXint syndicate = decimalValue(appState.currentSyndicate);
            leaderFlag = syndicate == v ? 1 : 0;
            // The leader's row, searching forwards from the current one.
            FXint leaderRow = leaderList->findItemByData((void*)(FXival)syndicate, leaderList->getCurrentItem(),
                                                         SEARCH_FORWARD | SEARCH_WRAP);
            lists::selectItem(leaderList, leaderRow);
            // The lists scroll together: the chosen teacher stays in view.
            teacherList->makeItemVisible(current);
        }
    }
    tellOwner();
}

// The target learns the current user's name: SEL_COMMAND with the dialog's
// message and an FXString* holding the name.
void TeachersWindow::tellOwner() {
    const FXint row = teacherList->getCurrentItem();
    FXString text =
        decimalValue(appState.currentUserId) > 0 && row >= 0 ? teacherList->getItemText(row) : FXString(noCurrentUser);
    if (target) target->tryHandle(this, FXSEL(SEL_COMMAND, message), &text);
}

void TeachersWindow::selectRow(FXint row) {
    if (row < 0 || row >= teacherList->getNumItems()) return;
    lists::selectItem(teacherList, row);
    select(row);
}

// ---------------------------------------------------------------------------
// Commands

long TeachersWindow::onLoad(FXObject*, FXSelector, void*) {
    failures::run(this, "Database Error", subject, [&] { load(); });
    return 1;
}

long TeachersWindow::onCmdSelect(FXObject*, FXSelector, void* ptr) {
    failures::run(this, "Database Error", subject, [&] { select((FXint)(FXival)ptr); });
    return 1;
}

// The name as typed, without spaces at either end; false (after the error
// box with the caption) when it is empty, the placeholder of no current
// user, or the name of another row of the list (`exceptRow`).
bool TeachersWindow::readName(const FXString& caption, FXString& name, FXint exceptRow) {
    name = nameField->getText();
    name.trim();
    if (name.empty() || name == noCurrentUser) {
        Prompter::get().error(this, caption, "No teacher name provided.");
        return false;
    }
    try {
        checks::fits("The teacher's name", name, checks::nameWidth);
    } catch (const FXException& e) {
        Prompter::get().error(this, caption, e.what());
        return false;
    }
    for (FXint i = 0; i < teacherList->getNumItems(); ++i) {
        if (i != exceptRow && teacherList->getItemText(i) == name) {
            Prompter::get().error(this, caption, "This teacher already exists.");
            return false;
        }
    }
    return true;
}

long TeachersWindow::onCmdAdd(FXObject*, FXSelector, void*) {
    FXString name;
    if (!readName("Add Teacher Error", name, -1)) return 1;
    failures::run(this, "Database Error", subject, [&] {
        FXint leaderRow = leaderList->getCurrentItem();
        FXString leader =
            leaderFlag != 0 || leaderRow < 0 ? FXString("0") : FXStringVal(lists::itemId(leaderList, leaderRow));
        if (!recordset.OpenRecordset("Select * from MakeAccount('" + EscapeText(name) + "'," + leader + ")")) return;
        load();
        // The new teacher has the highest Id; it is the last row unless it
        // joined a syndicate listed before others.
        FXint newest = teacherList->getNumItems() - 1;
        for (FXint i = 0; i < teacherList->getNumItems(); ++i)
            if (lists::itemId(teacherList, i) > lists::itemId(teacherList, newest)) newest = i;
        selectRow(newest);
    });
    return 1;
}

long TeachersWindow::onCmdEdit(FXObject*, FXSelector, void*) {
    FXint row = teacherList->getCurrentItem();
    if (row < 0) return 1;
    FXString name;
    if (!readName("Edit Teacher Error", name, row)) return 1;
    failures::run(this, "Database Error", subject, [&] {
        const FXString id = FXStringVal(lists::itemId(teacherList, row));
        IsectRecordset rs;
        rowconflict::Edit edit{"teacher", teacherList->getItemText(row), {{"Teacher", "Teacher Name", name}}};
        edit.reread = [&] {
            if (!rs.OpenRecordset("Select Id, Teacher, Syndicate, RowVersion, ChangedBy from Teachers Where Id = " +
                                  id))
                throw rowconflict::Lost();
        };
        edit.reload = [&] {
            load();
            selectRow(row);
        };
        edit.write = [&] {
            rs.MoveFirst();
            if (!rs.OpenRecordset("Update Teachers Set Teacher = '" + EscapeText(name) + "'" +
                                  rowversions::checkedAssignments(rs) + " where ID = " + id))
                throw rowconflict::Lost();
        };
        if (!rowconflict::checkedEdit(this, rs, shownTeacher, edit)) return;
        load();
        selectRow(row);
    });
    return 1;
}

long TeachersWindow::onCmdDelete(FXObject*, FXSelector, void*) {
    FXint row = teacherList->getCurrentItem();
    if (row < 0) return 1;
    failures::run(this, "Database Error", subject, [&] {
        const FXString id = FXStringVal(lists::itemId(teacherList, row));
        FXString text;
        if (!deleteQuestion(id, teacherList->getItemText(row), text)) return;
        if (!Prompter::get().question(this, "Confirm Delete Teacher", text)) return;
        if (!recordset.OpenRecordset("Delete from Teachers where ID = " + id)) return;
        load();
    });
    return 1;
}

// "Delete the teacher "Tom Hale"?" with what is theirs: their unit plans
// and lessons, their own long-term plans, and for a leader the teachers of
// the syndicate.  False when the connection was lost on the way.
bool TeachersWindow::deleteQuestion(const FXString& id, const FXString& name, FXString& text) {
    auto count = [&](const FXString& sql, FXint& n) {
        if (!recordset.OpenRecordset(sql)) return false;
        recordset.MoveFirst();
        n = recordset.eof() ? 0 : decimalValue(recordset.rows.GetField(0));
        return true;
    };
    FXint units = 0, lessons = 0, plans = 0, members = 0;
    if (!count("Select Count(*) from UnitPlan where FKTeacher = " + id, units) ||
        !count("Select Count(*) from LessonPlan, UnitPlan where FKUnitPlan = UnitPlan.Id and FKTeacher = " + id,
               lessons) ||
        !count("Select Count(*) from LongTerm where FKSyndicate = " + id, plans) ||
        !count("Select Count(*) from Teachers where Syndicate = " + id + " and Id <> " + id, members))
        return false;
    auto many = [](FXint n, const char* one, const char* more) { return FXStringVal(n) + " " + (n == 1 ? one : more); };
    text = "Delete the teacher \"" + name + "\"?";
    if (units || plans)
        text += "\n\nTheir " + many(units, "unit plan", "unit plans") + " (" + many(lessons, "lesson", "lessons") +
                ") and " + many(plans, "long-term plan", "long-term plans") +
                " stay in the database, but no teacher will see them any more.";
    if (members)
        text += "\n\nThey lead a syndicate of " + many(members, "other teacher", "other teachers") +
                ", who keep their plans but no longer have a leader.";
    return true;
}

#include "data/UndoJournal.h"

#include <algorithm>

#include "data/AppState.h"
#include "data/IsectRecordset.h"

using namespace FX;

namespace undo {

namespace {

// A statement of the journal; a lost connection ends what it is part of
// (the command tells it).
void query(IsectRecordset& rs, const FXString& sql) {
    if (!rs.OpenRecordset(sql)) throw FXException(IsectRecordset::LostConnectionText().text());
}

// A table the journal keeps rows of, and its image table: the step, the
// side (0 before, 1 after, 2 while an image is taken again) and the
// table's own columns.
struct Table {
    const char* name;
    const char* image;
    const char* columns;
    bool versioned;          // has ROWVERSION (and ChangedBy)
    const char* nameColumn;  // the column that names a row to the user ("" none)
    const char* what;        // the row in words
    const char* parentKey;   // the column naming the row it hangs under ("" none)
    const char* parent;      // that row's table
};

// In the order rows are put back; they are taken out in the other order.
const Table tables[] = {
    {"LongTerm", "UndoLongTerm",
     "Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, Persistant, RowVersion, "
     "ReadVersion, ChangedBy",
     true, "PlanName", "long-term plan", "", ""},
    {"UnitPlan", "UndoUnitPlan",
     "Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate, RowVersion, ReadVersion, "
     "ChangedBy",
     true, "UnitName", "unit plan", "FKLongTerm", "LongTerm"},
    {"LessonPlan", "UndoLessonPlan",
     "Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, LessonClose, LessonTest, "
     "LessonResource, LessonReflect, LessonEval, LessonAssess, LessonNotTaught, DateStart, DateEnd, TimeStart, "
     "TimeEnd, RoutineDay, FKUnitPlan, RowVersion, ReadVersion, ChangedBy",
     true, "LessonName", "lesson", "FKUnitPlan", "UnitPlan"},
    {"BinaryDescription", "UndoBinaryDescription",
     "Id, FileName, FileSize, Description, Ready, RowVersion, ReadVersion, ChangedBy", true, "FileName", "attachment",
     "", ""},
    {"UnitBinary", "UndoUnitBinary", "Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan", false, "",
     "part of an attachment", "FKUnitPlan", "UnitPlan"},
};
const FXint tableCount = (FXint)(sizeof tables / sizeof tables[0]);

const Table& tableNamed(const FXString& name) {
    for (const Table& t : tables)
        if (comparecase(name, t.name) == 0) return t;
    throw FXException(("undo::Step - No journal is kept of table " + name + ".").text());
}

FXString trimmed(const FXString& s) {
    FXString t = s;
    return t.trim();
}

FXString text(FXint v) { return FXStringVal(v); }

// "a, b, c" as "L.a, L.b, L.c".
FXString prefixed(const char* columns, const char* alias) {
    FXString out;
    for (FXint i = 0, n = FXString(columns).contains(',') + 1; i < n; ++i) {
        const FXString column = trimmed(FXString(columns).section(',', i));
        out += (i ? ", " : "") + FXString(alias) + "." + column;
    }
    return out;
}

bool bookkeeping(const FXString& column) {
    return column == "RowVersion" || column == "ReadVersion" || column == "ChangedBy";
}

// A row as the image has it: every column but the versions' bookkeeping
// (which an undo of another step of the same row counts on).
FXString sameContent(const Table& t) {
    FXString out = "L.Id = J.Id";
    for (FXint i = 1, n = FXString(t.columns).contains(',') + 1; i < n; ++i) {
        const FXString column = trimmed(FXString(t.columns).section(',', i));
        if (!bookkeeping(column)) out += " and L." + column + " is not distinct from J." + column;
    }
    return out;
}

// The columns an update puts back: all but the key and the versions.
FXString assignments(const Table& t) {
    FXString out;
    for (FXint i = 0, n = FXString(t.columns).contains(',') + 1; i < n; ++i) {
        const FXString column = trimmed(FXString(t.columns).section(',', i));
        if (column == "Id" || bookkeeping(column)) continue;
        out += (out.empty() ? "" : ", ") + column + " = J." + column;
    }
    return out;
}

// Ids in lists short enough for one statement.
std::vector<FXString> idLists(const std::vector<FXint>& ids) {
    std::vector<FXString> lists;
    FXString list;
    FXint n = 0;
    for (FXint id : ids) {
        list += (list.empty() ? "" : ",") + text(id);
        if (++n == 500) {
            lists.push_back(list);
            list = FXString();
            n = 0;
        }
    }
    if (!list.empty()) lists.push_back(list);
    return lists;
}

std::vector<FXint> ids(IsectRecordset& rs) {
    std::vector<FXint> out;
    for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) out.push_back(FXIntVal(rs.rows.GetField(0)));
    return out;
}

FXString currentTeacher() {
    const FXString t = trimmed(appState.currentUserId);
    return t.empty() ? FXString("0") : t;
}

// Copies the rows of `t` where `condition` (on alias L) into side `side`.
void takeImage(IsectRecordset& rs, const Table& t, FXint step, FXint side, const FXString& condition) {
    query(rs, FXString("Insert into ") + t.image + " (FKUndoStep, Side, " + t.columns + ") Select " + text(step) +
                  ", " + text(side) + ", " + prefixed(t.columns, "L") + " from " + t.name + " L where " + condition);
}

// The rows of a step's side `side` whose ids are not on side `other`.
FXString onlyOn(const Table& t, FXint step, FXint side, FXint other) {
    return FXString(" J where J.FKUndoStep = ") + text(step) + " and J.Side = " + text(side) + " and not exists " +
           "(Select 1 from " + t.image + " K where K.FKUndoStep = " + text(step) + " and K.Side = " + text(other) +
           " and K.Id = J.Id)";
}

FXString rowWords(const Table& t, IsectRecordset& rs) {
    FXString words = FXString("the ") + t.what;
    if (*t.nameColumn) words += " \"" + rs.rows.GetField(1) + "\"";
    return words;
}

// What keeps the step from going from side `from` to side `to`: rows
// changed or gone since, rows that are back, rows whose plan or unit is
// gone, and rows that others' work now hangs under.
std::vector<FXString> conflicts(IsectRecordset& rs, FXint step, FXint from, FXint to) {
    std::vector<FXString> lines;
    const FXString s = text(step);
    for (const Table& t : tables) {
        const FXString nameColumn = *t.nameColumn ? FXString("J.") + t.nameColumn : FXString("''");
        const FXString same = sameContent(t);
        query(rs, "Select J.Id, " + nameColumn + ", (Select Count(*) from " + t.name + " L where L.Id = J.Id)" +
                      (t.versioned ? FXString(", (Select W.Teacher from ") + t.name +
                                         " L, Teachers W where L.Id = J.Id and W.Id = L.ChangedBy)"
                                   : FXString(", ''")) +
                      " from " + t.image + " J where J.FKUndoStep = " + s + " and J.Side = " + text(from) +
                      " and not exists (Select 1 from " + t.name + " L where " + same + ")");
        for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext()) {
            const bool gone = FXIntVal(rs.rows.GetField(2)) == 0;
            const FXString by = rs.rows.GetField(3);
            lines.push_back(rowWords(t, rs) + (gone ? " was deleted" : " was changed") +
                            (!gone && !by.empty() && by != "None" ? " by " + by : FXString()));
        }
        query(rs, "Select J.Id, " + nameColumn + " from " + t.image + onlyOn(t, step, to, from) +
                      " and exists (Select 1 from " + t.name + " L where L.Id = J.Id)");
        for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext())
            lines.push_back(rowWords(t, rs) + " is there again");
        if (*t.parentKey) {
            const Table& p = tableNamed(t.parent);
            query(rs, "Select J.Id, " + nameColumn + " from " + t.image + onlyOn(t, step, to, from) +
                          " and not exists (Select 1 from " + p.name + " P where P.Id = J." + t.parentKey +
                          ") and not exists (Select 1 from " + p.image + " Q where Q.FKUndoStep = " + s +
                          " and Q.Side = " + text(to) + " and Q.Id = J." + t.parentKey + ")");
            for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext())
                lines.push_back(rowWords(t, rs) + " has lost its " + p.what + ", which was deleted");
        }
    }
    // Rows to be taken out that others' rows hang under now: the database
    // would take those with them.
    for (const Table& child : tables) {
        if (!*child.parentKey) continue;
        const Table& p = tableNamed(child.parent);
        query(rs, FXString("Select J.Id, J.") + p.nameColumn + " from " + p.image + onlyOn(p, step, from, to) +
                      " and exists (Select 1 from " + child.name + " C where C." + child.parentKey +
                      " = J.Id and not exists (Select 1 from " + child.image + " Q where Q.FKUndoStep = " + s +
                      " and Q.Side = " + text(from) + " and Q.Id = C.Id))");
        for (rs.rows.MoveFirst(); !rs.rows.eof; rs.rows.MoveNext())
            lines.push_back(rowWords(p, rs) + " has a new " + child.what + " in it");
    }
    return lines;
}

// Takes the rows of the step from side `from` to side `to`, and the images
// of side `to` again from the rows as they now are.
void apply(IsectRecordset& rs, FXint step, FXint from, FXint to) {
    const FXString s = text(step);
    for (FXint i = tableCount - 1; i >= 0; --i) {
        const Table& t = tables[i];
        query(rs, FXString("Select J.Id from ") + t.image + onlyOn(t, step, from, to));
        for (const FXString& list : idLists(ids(rs)))
            query(rs, FXString("Delete from ") + t.name + " where Id in (" + list + ")");
    }
    const FXString teacher = currentTeacher();
    for (const Table& t : tables) {
        FXString matched = assignments(t);
        if (t.versioned)
            matched +=
                ", ReadVersion = L.RowVersion, ChangedBy = " + (FXIntVal(teacher) > 0 ? teacher : FXString("NULL"));
        query(rs, FXString("Merge into ") + t.name + " L using (Select " + t.columns + " from " + t.image +
                      " where FKUndoStep = " + s + " and Side = " + text(to) +
                      ") J on L.Id = J.Id when matched then update set " + matched + " when not matched then insert (" +
                      t.columns + ") values (" + prefixed(t.columns, "J") + ")");
        takeImage(rs, t, step, 2,
                  FXString("exists (Select 1 from ") + t.image + " J where J.FKUndoStep = " + s +
                      " and J.Side = " + text(to) + " and J.Id = L.Id)");
        query(rs, FXString("Delete from ") + t.image + " where FKUndoStep = " + s + " and Side = " + text(to));
        query(rs,
              FXString("Update ") + t.image + " set Side = " + text(to) + " where FKUndoStep = " + s + " and Side = 2");
    }
}

// Undo (from the after side to the before side) or redo.
Outcome move(bool undoing) {
    Outcome outcome;
    const FXString teacher = currentTeacher();
    IsectRecordset rs;
    IsectRecordset::Transaction transaction(rs);
    query(rs, "Select First 1 Id, Description from UndoStep where FKTeacher = " + teacher +
                  (undoing ? " and Undone = 0 Order By Id Desc" : " and Undone = 1 Order By Id"));
    if (rs.rows.IsEmpty()) return outcome;
    rs.rows.MoveFirst();
    const FXint step = FXIntVal(rs.rows.GetField(0));
    outcome.description = rs.rows.GetField(1);
    const FXint from = undoing ? 1 : 0, to = undoing ? 0 : 1;
    const std::vector<FXString> lines = conflicts(rs, step, from, to);
    if (!lines.empty()) {
        const size_t shown = 12;
        for (size_t i = 0; i < lines.size() && i < shown; ++i) outcome.changes += "- " + lines[i] + "\n";
        if (lines.size() > shown) outcome.changes += FXStringFormat("- and %d more\n", (FXint)(lines.size() - shown));
        transaction.rollback();
        return outcome;
    }
    apply(rs, step, from, to);
    query(rs, "Update UndoStep set Undone = " + text(undoing ? 1 : 0) + " where Id = " + text(step));
    transaction.commit();
    outcome.done = true;
    return outcome;
}

}  // namespace

Step::Step(const FXString& description) : teacher(currentTeacher()) {
    IsectRecordset rs;
    query(rs, "Select Gen_Id(NewUndoStep, 1) from RDB$DATABASE");
    stepId = FXIntVal(rs.GetField("0"));
    // A long name is cut at a whole character, so that a macron is never
    // split in the menu's text.
    const FXString shown = description.length() > 180 ? description.left(description.validate(180)) : description;
    query(rs, "Insert into UndoStep (Id, FKTeacher, Description, Undone) values (" + text(stepId) + ", " + teacher +
                  ", '" + EscapeText(shown) + "', 0)");
}

void Step::before(const FXString& table, const FXString& condition) {
    IsectRecordset rs;
    takeImage(rs, tableNamed(table), stepId, 0, "(" + condition + ")");
}

void Step::before(const FXString& table, const std::vector<FXint>& rowIds) {
    std::vector<FXint> unique = rowIds;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    for (const FXString& list : idLists(unique)) before(table, "Id in (" + list + ")");
}

void Step::unitsBefore(const FXString& condition) {
    const FXString units = "(Select Id from UnitPlan where " + condition + ")";
    before("UnitPlan", condition);
    before("LessonPlan", "FKUnitPlan in " + units);
    before("UnitBinary", "FKUnitPlan in " + units);
    before("BinaryDescription", "Id in (Select BinaryId from UnitBinary where FKUnitPlan in " + units + ")");
}

void Step::plansBefore(const FXString& condition) {
    before("LongTerm", condition);
    unitsBefore("FKLongTerm in (Select Id from LongTerm where " + condition + ")");
}

void Step::inserted(const FXString& table, const std::vector<FXint>& rowIds) {
    IsectRecordset rs;
    for (const FXString& list : idLists(rowIds)) takeImage(rs, tableNamed(table), stepId, 1, "L.Id in (" + list + ")");
}

void Step::insertedChunksOf(const std::vector<FXint>& attachmentIds) {
    IsectRecordset rs;
    for (const FXString& list : idLists(attachmentIds))
        takeImage(rs, tableNamed("UnitBinary"), stepId, 1, "L.BinaryId in (" + list + ")");
}

void Step::finish() {
    IsectRecordset rs;
    const FXString s = text(stepId);
    FXString rowCount = "0";
    for (const Table& t : tables) {
        takeImage(rs, t, stepId, 1,
                  FXString("exists (Select 1 from ") + t.image + " J where J.FKUndoStep = " + s +
                      " and J.Side = 0 and J.Id = L.Id)");
        // A row the change left as it was is no part of it.
        if (t.versioned) {
            query(rs, FXString("Select J.Id from ") + t.image + " J, " + t.image + " K where J.FKUndoStep = " + s +
                          " and K.FKUndoStep = " + s +
                          " and J.Side = 0 and K.Side = 1 and J.Id = K.Id and J.RowVersion = K.RowVersion");
            for (const FXString& list : idLists(ids(rs)))
                query(rs,
                      FXString("Delete from ") + t.image + " where FKUndoStep = " + s + " and Id in (" + list + ")");
        }
        rowCount += FXString(" + (Select Count(*) from ") + t.image + " where FKUndoStep = " + s + ")";
    }
    query(rs, "Select " + rowCount + " from RDB$DATABASE");
    if (FXIntVal(rs.rows.GetField(0)) == 0) {
        query(rs, "Delete from UndoStep where Id = " + s);
        return;
    }
    // Redo goes with a new change; the newest steps are kept.
    query(rs, "Delete from UndoStep where FKTeacher = " + teacher + " and Undone = 1");
    query(rs, "Select Id from UndoStep where FKTeacher = " + teacher + " Order By Id Desc Rows " + text(kept + 1) +
                  " to " + text(kept + 1));
    if (!rs.rows.IsEmpty())
        query(rs, "Delete from UndoStep where FKTeacher = " + teacher + " and Id <= " + trimmed(rs.rows.GetField(0)));
}

bool offer(Offer& o) {
    o = Offer();
    const FXString teacher = currentTeacher();
    if (FXIntVal(teacher) <= 0) return true;
    IsectRecordset rs;
    if (!rs.OpenRecordset("Select First 1 Description from UndoStep where FKTeacher = " + teacher +
                          " and Undone = 0 Order By Id Desc"))
        return false;
    if (!rs.rows.IsEmpty()) o.undo = rs.rows.GetField(0);
    if (!rs.OpenRecordset("Select First 1 Description from UndoStep where FKTeacher = " + teacher +
                          " and Undone = 1 Order By Id"))
        return false;
    if (!rs.rows.IsEmpty()) o.redo = rs.rows.GetField(0);
    return true;
}

Outcome undoLast() { return move(true); }

Outcome redoLast() { return move(false); }

}  // namespace undo

#include "data/RowVersions.h"

#include "data/AppState.h"

using namespace FX;

namespace {

FXString upper(const FXString& s) {
    FXString u = s;
    return u.upper();
}
FXString trimmed(const FXString& s) {
    FXString t = s;
    return t.trim();
}
bool isVersionColumn(const FXString& name) {
    return name == "ROWVERSION" || name == "READVERSION" || name == "CHANGEDBY";
}

}  // namespace

ReadRow ReadRow::of(IsectRecordset& rs) {
    ReadRow read;
    if (rs.rows.IsEmpty() || rs.eof()) return read;
    for (FXint i = 0; i < rs.fieldCount; ++i) {
        const FXString name = upper(rs.FieldOrdinal(FXStringVal(i)).name);
        const FXString value = rs.GetField(i);
        if (name == "ROWVERSION") read.rowVersion = trimmed(value);
        if (!isVersionColumn(name)) read.values.emplace_back(name, value);
    }
    return read;
}

FXString ReadRow::value(const FXString& column) const {
    const FXString name = upper(column);
    for (const auto& v : values)
        if (v.first == name) return v.second;
    return FXString::null;
}

RowChange ReadRow::compare(IsectRecordset& now, const std::vector<FXString>& columns) const {
    RowChange change;
    if (now.rows.IsEmpty() || now.eof()) {
        change.deleted = true;
        return change;
    }
    if (trimmed(now.GetField("RowVersion")) == rowVersion) return change;  // not changed since
    for (const FXString& column : columns) {
        const FXString name = upper(column);
        for (const auto& v : values)
            if (v.first == name && now.GetField(column) != v.second) change.columns.push_back(column);
    }
    if (!change.columns.empty()) {
        const FXString by = trimmed(now.GetField("ChangedBy"));
        if (!by.empty() && by != "None") change.changedBy = rowversions::teacherName(by);
    }
    return change;
}

void ReadRow::takeOwnChange(IsectRecordset& rs) {
    if (rs.rows.IsEmpty() || rs.eof()) return;
    for (FXint i = 0; i < rs.fieldCount; ++i) {
        const FXString name = upper(rs.FieldOrdinal(FXStringVal(i)).name);
        for (auto& v : values)
            if (v.first == name && name != "ID") v.second = rs.GetField(i);
    }
}

namespace rowversions {

void markChecked(IsectRecordset& rs, const FXString& key) {
    rs.MoveFirst();
    rs.SetFieldByKey(key, "ReadVersion", trimmed(rs.GetField("RowVersion")));
    rs.SetFieldByKey(key, "ChangedBy", trimmed(appState.currentUserId));
}

FXString checkedAssignments(IsectRecordset& rs) {
    const FXString teacher = trimmed(appState.currentUserId);
    return ", ReadVersion = " + trimmed(rs.GetField("RowVersion")) +
           ", ChangedBy = " + (teacher.empty() ? FXString("NULL") : teacher);
}

bool isRowChanged(const FXString& text) { return text.find("ROW_CHANGED") >= 0; }

FXString teacherName(const FXString& id) {
    IsectRecordset rs;
    if (!rs.OpenRecordset("Select Teacher from Teachers where Id = " + trimmed(id)) || rs.rows.IsEmpty())
        return FXString::null;
    rs.MoveFirst();
    return rs.GetField("Teacher");
}

}  // namespace rowversions

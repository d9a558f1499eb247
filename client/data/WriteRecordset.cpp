// Text escaping for SQL literals and the write-back of changed fields
// (IsectRecordset, continued).
#include <vector>

#include "data/IsectRecordset.h"

using namespace FX;

// The backslash goes first so that the escapes written for the other two are
// not escaped again.  Escaping it keeps a typed "\101" from reading back as "A".
FXString IsectRecordset::EscapeText(const FXString& text) {
    FXString out;
    FXint extra = 0;
    for (FXint i = 0; i < text.length(); ++i)
        if (text[i] == '\\' || text[i] == '\'' || text[i] == ',') extra += 3;
    if (!extra) return text;
    out.length(text.length() + extra);
    FXint o = 0;
    for (FXint i = 0; i < text.length(); ++i) {
        const char* code = nullptr;
        switch (text[i]) {
            case '\\':
                code = "\\134";
                break;
            case '\'':
                code = "\\047";
                break;
            case ',':
                code = "\\054";
                break;
            default:
                out[o++] = text[i];
                continue;
        }
        for (int k = 0; k < 4; ++k) out[o++] = code[k];
    }
    return out;
}

FXbool IsectRecordset::IsDigits(const FXString& text) {
    for (FXint i = 0; i < text.length(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

void IsectRecordset::SetFieldByKey(const FXString& key, const FXString& name, const FXString& value) {
    FXString wanted = key;
    wanted.trim();
    for (const FXStringRecordset::Row* row = rows.FirstRow(); row; row = row->next) {
        if (!row->firstField) continue;
        FXString first = row->firstField->value;
        first.trim();
        if (first == wanted) {
            FieldDef def = FieldOrdinal(name);
            rows.SetCurrentRow(row);
            rows.SetField(def.ordinal, value);
            return;
        }
    }
}

namespace {
bool quotedType(const FXString& type) { return type == "s" || type == "d"; }
}  // namespace

FXbool IsectRecordset::WriteRecordset() {
    if (fromTable.empty()) throw FXException("IsectRecordset::WriteRecordset - No From clause provided.");
    IsectRecordset w;
    Transaction transaction(w);
    // The rows' statements answer nothing the next one needs: they go out
    // without waiting for each reply, and the first failure is thrown
    // before the commit.
    Batch batch(w);

    // Column names and type letters, once.
    std::vector<FieldDef> columns;
    for (FXint i = 0; i < fieldCount; ++i) columns.push_back(FieldOrdinal(FXStringVal(i)));

    for (const FXStringRecordset::Row* row = rows.FirstRow(); row; row = row->next) {
        const FXStringRecordset::Field* key = row->firstField;
        if (!key || key->dirty == 3) continue;  // a deleted row is not written
        enum { NONE, UPDATE, INSERT } kind = NONE;
        FXString statement, values;
        FXint assignments = 0;
        FXint i = 0;
        for (const FXStringRecordset::Field* f = row->firstField; f && i < fieldCount; f = f->next, ++i) {
            if (f->dirty != 1 && f->dirty != 2) continue;
            if (kind == NONE) {
                if (f->dirty == 1) {
                    statement = "UPDATE " + fromTable + " SET ";
                    kind = UPDATE;
                } else {
                    statement = "INSERT INTO " + fromTable + " (";
                    values = ") VALUES (";
                    kind = INSERT;
                }
            }
            const FieldDef& column = columns[i];
            FXString v = EscapeText(f->value);
            if (kind == UPDATE) {
                if (i == 0 && whereClause.empty()) continue;  // column 0 is the key
                statement += column.name + " = ";
                if (!v.empty())
                    statement += quotedType(column.type) ? "'" + v + "'," : v + ",";
                else
                    statement += column.type == "s" ? "''," : "NULL,";
                ++assignments;
            } else {
                statement += column.name + ",";
                if (!v.empty())
                    values += quotedType(column.type) ? "'" + v + "'," : v + ",";
                else
                    values += column.type == "s" ? "''," : "NULL,";
                ++assignments;
            }
        }
        // A row whose only change is its key has nothing to set.
        if (kind == NONE || assignments == 0) continue;
        FXString sql;
        if (kind == UPDATE) {
            statement.trunc(statement.length() - 1);
            FXString condition;
            if (!whereClause.empty()) {
                condition = whereClause;
            } else if (quotedType(columns[0].type)) {
                condition = " WHERE " + columns[0].name + " = '" + EscapeText(key->value) + "'";
            } else {
                condition = " WHERE " + columns[0].name + " = " + key->value;
            }
            sql = statement + condition;
        } else {
            statement.trunc(statement.length() - 1);
            values.trunc(values.length() - 1);
            sql = statement + values + ")";
        }
        if (!batch.Add(sql)) return false;
    }
    if (!batch.Wait()) return false;
    transaction.commit();
    // Read the stored state back (a set parsed from text has no statement).
    if (sqlText.empty()) return true;
    return OpenRecordset(sqlText);
}

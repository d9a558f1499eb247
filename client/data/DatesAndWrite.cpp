// Dates typed by users, dates shown to them, text escaping for SQL literals,
// and the write-back of changed fields (IsectRecordset, continued).
#include <ctime>
#include <vector>

#include "data/AppState.h"
#include "data/IsectRecordset.h"

using namespace FX;

namespace {

// Character i of s, or NUL past either end: malformed dates must never read
// outside the text.
inline FXchar at(const FXString& s, FXint i) { return (i >= 0 && i < s.length()) ? s[i] : '\0'; }
inline bool digit(FXchar c) { return c >= '0' && c <= '9'; }

// The value of the leading decimal digits (0 when none).
FXint leadingValue(const FXString& s) {
    FXint v = 0;
    for (FXint i = 0; i < s.length() && digit(s[i]) && v < 100000000; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

const char* const americanFormats =
    "IsectRecordset::Year2000 - Invalid date provided.\n\nAllowed formats are:        \n\n"
    "MM-DD-YY\nM-DD-YY\nMM-D-YY\nM-D-YY\nMM/DD/YY\nM/DD/YY\nMM/D/YY\nM/D/YY\nMMDDYY\nMDDYY\nMMDYY\nMDYY";
const char* const englishFormats =
    "IsectRecordset::Year2000 - Invalid date provided.\n\nAllowed formats are:        \n\n"
    "DD-MM-YY\nDD-M-YY\nD-MM-YY\nD-M-YY\nDD/MM/YY\nDD/M/YY\nD/MM/YY\nD/M/YY\nDDMMYY\nDDMYY\nDMMYY\nDMYY";

}  // namespace

FXString IsectRecordset::Year2000(const FXString& text, FXint& error) {
    error = 1;
    FXString s = text;
    s.trim();
    if (s.empty()) return "IsectRecordset::Year2000 - Empty date provided.";

    // A day alone: this month of this year ("today" includes the date offset).
    if (s.length() <= 2) {
        time_t now = (time_t)appNow();
        struct tm local;
        localtime_r(&now, &local);
        char buffer[16];
        strftime(buffer, sizeof buffer, "%m%Y", &local);
        FXString monthYear(buffer);
        FXString mm = monthYear.left(2), yy = monthYear.right(2);
        FXString day = s.length() == 1 ? "0" + s : s;
        s = americanDate ? mm + day + yy : day + mm + yy;
    }
    if (s.length() > 8) return americanDate ? americanFormats : englishFormats;

    // 00-35 are 2000-2035, 36-99 are 1936-1999; a four-digit year keeps its last two digits.
    FXString yy = s.right(2);
    FXString year = (leadingValue(yy) < 36 ? "20" : "19") + yy;

    // Length of the day-and-month part.
    FXString lastFour = s.right(4);
    FXString century = lastFour.left(2);
    FXint n = (century == "19" || century == "20") ? s.length() - 4 : s.length() - 2;

    FXString dm;
    if (n == 1 || n == 2) {
        dm = FXString("0") + at(s, 0) + "0" + at(s, 1);
    } else if (n == 3) {
        if (leadingValue(s.left(2)) > 29) dm = FXString("0") + at(s, 0) + s.mid(1, 2);
        else dm = s.left(2) + "0" + at(s, 2);
    } else {
        dm = s.left(n > 0 ? n : 0);
    }
    s = dm + year;

    FXString first, second;
    bool allDigits = true;
    for (FXint i = 0; i < s.length(); ++i) allDigits = allDigits && digit(s[i]);
    if (allDigits) {
        first = s.mid(0, 2);
        second = s.mid(2, 2);
    } else {
        if (!digit(at(s, 1))) s.prepend('0');
        if (!digit(at(s, 4))) s.insert(3 <= s.length() ? 3 : s.length(), '0');
        first = s.mid(0, 2);
        second = s.mid(3, 2);
    }
    FXString day = americanDate ? second : first;
    FXString month = americanDate ? first : second;
    FXint dayValue = leadingValue(day);
    if (dayValue < 1 || dayValue > 31) return "IsectRecordset::Year2000 - Invalid day provided.";
    error = 0;
    return year + "-" + month + "-" + day;
}

FXString IsectRecordset::DisplayDate(const FXString& value) {
    if (value.find("None") >= 0) return value;
    if (at(value, 2) == ':') return value.left(5);
    FXString yy = value.mid(2, 2), mm = value.mid(5, 2), dd = value.mid(8, 2);
    return americanDate ? mm + "/" + dd + "/" + yy : dd + "/" + mm + "/" + yy;
}

namespace {
// YYYYMMDD as a number, from characters 0-3, 5-6 and the last two.
FXlong dateNumber(const FXString& iso) {
    FXString digits = iso.mid(0, 4) + iso.mid(5, 2) + iso.right(2);
    return leadingValue(digits);
}
}  // namespace

FXbool IsectRecordset::DateIsLater(const FXString& a, const FXString& b) { return dateNumber(a) > dateNumber(b); }

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
        case '\\': code = "\\134"; break;
        case '\'': code = "\\047"; break;
        case ',': code = "\\054"; break;
        default: out[o++] = text[i]; continue;
        }
        for (int k = 0; k < 4; ++k) out[o++] = code[k];
    }
    return out;
}

FXbool IsectRecordset::IsDigits(const FXString& text) {
    for (FXint i = 0; i < text.length(); ++i)
        if (!digit(text[i])) return false;
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
    w.inTransaction = 1;

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
                if (!v.empty()) statement += quotedType(column.type) ? "'" + v + "'," : v + ",";
                else statement += column.type == "s" ? "''," : "NULL,";
                ++assignments;
            } else {
                statement += column.name + ",";
                if (!v.empty()) values += quotedType(column.type) ? "'" + v + "'," : v + ",";
                else values += column.type == "s" ? "''," : "NULL,";
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
        if (!w.OpenRecordset(sql)) return false;
    }
    w.CommitTrans();
    // Read the stored state back (a set parsed from text has no statement).
    if (sqlText.empty()) return true;
    return OpenRecordset(sqlText);
}

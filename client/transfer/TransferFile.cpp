#include "transfer/TransferFile.h"

#include <algorithm>

#include "data/Base64.h"
#include "data/FXTextException.h"
#include "data/Files.h"
#include "transfer/Attachments.h"
#include "transfer/Statements.h"

using namespace FX;
using transfer::query;

namespace {

FXString trimmed(FXString s) { return s.trim(); }
FXString text(FXint value) { return FXStringVal(value); }

// Replaces the last occurrence of a placeholder: the placeholders are the
// last columns of the row, so a value before them that happens to read the
// same (a unit named "LessonPlans12") is left alone.
void replaceLast(FXString& text, const FXString& placeholder, const FXString& value) {
    FXint at = text.rfind(placeholder);
    if (at >= 0) text.replace(at, placeholder.length(), value);
}

[[noreturn]] void damaged(const FXString& what) { throw FXTextException(what); }

// A whole number of at most 18 digits, with an optional sign.
bool wholeNumber(const FXString& value, FXlong& number) {
    FXString t = trimmed(value);
    FXint i = 0;
    bool negative = false;
    if (i < t.length() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    if (i == t.length() || t.length() - i > 18) return false;
    FXlong v = 0;
    for (; i < t.length(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
    }
    number = negative ? -v : v;
    return true;
}

FXint number(const FXString& value, const char* what, FXlong lowest, FXlong highest) {
    FXlong n = 0;
    if (!wholeNumber(value, n)) damaged(FXString(what) + " is not a number.");
    if (n < lowest || n > highest) damaged(FXString(what) + " is out of range.");
    return (FXint)n;
}

bool digits(const FXString& s, FXint from, FXint count) {
    for (FXint i = from; i < from + count; ++i)
        if (i >= s.length() || s[i] < '0' || s[i] > '9') return false;
    return true;
}

// A stored date as an SQL literal: 'YYYY-MM-DD' as written, or NULL.
FXString dateLiteral(const FXString& raw, const char* what) {
    FXString v = trimmed(raw);
    if (v == "None") return "NULL";
    if (!(digits(v, 0, 4) && v[4] == '-' && digits(v, 5, 2) && v[7] == '-' && digits(v, 8, 2)))
        damaged(FXString(what) + " is not a date.");
    return "'" + v.left(10) + "'";
}

// A stored time of day as an SQL literal: 'HH:MM', 'HH:MM:SS' or
// 'HH:MM:SS.ffff' as written, or NULL.
FXString timeLiteral(const FXString& raw, const char* what) {
    FXString v = trimmed(raw);
    if (v == "None") return "NULL";
    bool ok = v.length() >= 5 && digits(v, 0, 2) && v[2] == ':' && digits(v, 3, 2);
    if (ok && v.length() > 5) ok = v.length() >= 8 && v[5] == ':' && digits(v, 6, 2);
    if (ok && v.length() > 8) ok = v.length() <= 13 && v[8] == '.' && digits(v, 9, v.length() - 9);
    if (!ok) damaged(FXString(what) + " is not a time of day.");
    return "'" + v + "'";
}

FXString raw(IsectRecordset& rs, const char* name) { return transfer::rawField(rs, name); }

// One of the embedded replies: complete base64 of complete result text.
void openPart(IsectRecordset& rs, const FXString& encoded, const char* what) {
    if (!base64::isBase64(encoded)) damaged(FXString("Its ") + what + " are not complete base64 text.");
    try {
        rs.OpenFromText(base64::decode(encoded));
    } catch (const FXException& e) {
        damaged(FXString("Its ") + what + " are not result text: " + e.what());
    }
}

// A chunk of base64 text: nothing but its alphabet and padding.
bool base64Characters(const FXString& chunk) {
    for (FXint i = 0; i < chunk.length(); ++i) {
        const char c = chunk[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
              c == '='))
            return false;
    }
    return true;
}

}  // namespace

namespace transfer {

// The columns of the file's rows, as every transfer file since 2.0.3 holds
// them: the rows' own columns, without those the database keeps for itself
// (the row versions).
const char* const unitColumns =
    "UnitPlan.Id, UnitPlan.UnitName, UnitPlan.UnitDescription, UnitPlan.UnitType, UnitPlan.FKLongTerm, "
    "UnitPlan.FKTeacher, UnitPlan.Transfer, UnitPlan.Rotate";
const char* const lessonColumns =
    "Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, LessonClose, LessonTest, LessonResource, "
    "LessonReflect, LessonEval, LessonAssess, LessonNotTaught, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay, "
    "FKUnitPlan";
const char* const descriptionColumns =
    "BinaryDescription.Id, BinaryDescription.FileName, BinaryDescription.FileSize, BinaryDescription.Description, "
    "BinaryDescription.Ready";

FXString directory() { return localPath("..\\Transfer"); }

FXString pathFor(const FXString& unitName) { return directory() + PATHSEP + CleanFileName(unitName) + ".dat"; }

FXString unitText(IsectRecordset& rs, const FXString& unitId, const FXString& version) {
    const FXString i = trimmed(unitId);
    // The four queries need nothing of each other: sent together, read in
    // order.
    IsectRecordset lessons, chunks, descriptions;
    IsectRecordset::Reads reads;
    reads.Add(rs, "Select " + FXString(unitColumns) + ", '" + version + "' as Version, 'LessonPlans" + i +
                      "' as LessonPlans, 'BinaryFiles" + i + "' as BinaryFiles, 'BinaryDescriptions" + i +
                      "' as BinaryDescriptions , 'RecordCount" + i + "' as RecordCount from UnitPlan where Id = " + i);
    reads.Add(lessons, "Select " + FXString(lessonColumns) + " from LessonPlan where FKUnitPlan = " + i);
    reads.Add(chunks, "Select * from UnitBinary where FKUnitPlan = " + i + " Order By Id");
    reads.Add(descriptions, "Select " + FXString(descriptionColumns) +
                                " from UnitBinary, BinaryDescription where FKUnitPlan = " + i +
                                " and UnitBinary.Id = BinaryDescription.Id");
    if (!reads.Run()) throw PlanEditAbort();
    FXString text = rs.GetText();
    replaceLast(text, "'LessonPlans" + i + "'", base64::encode(lessons.GetText()));
    replaceLast(text, "'BinaryFiles" + i + "'", base64::encode(chunks.GetText()));
    const FXlong records = lessons.recordCount + chunks.recordCount + descriptions.recordCount;
    replaceLast(text, "'RecordCount" + i + "'", FXStringVal(records));
    replaceLast(text, "'BinaryDescriptions" + i + "'", base64::encode(descriptions.GetText()));
    return text;
}

FXbool writeUnit(IsectRecordset& rs, const FXString& unitId, const FXString& path, const FXString& version) {
    const FXString text = unitText(rs, unitId, version);
    if (!WriteWholeFile(path, text)) return false;
    query(rs, "Update UnitPlan Set Transfer = 0 where Id = " + trimmed(unitId));
    return true;
}

}  // namespace transfer

// ---------------------------------------------------------------- reading

void TransferFile::parse(const FXString& fileText) {
    IsectRecordset rs;
    rs.OpenFromText(fileText);
    if (rs.rows.IsEmpty() || rs.recordCount != 1) damaged("It does not hold one unit plan.");
    rs.MoveFirst();
    version = rs.GetField("Version");
    unitName = rs.GetField("UnitName");
    unitDescription = rs.GetField("UnitDescription");
    unitType = number(rs.GetField("UnitType"), "Its UnitType", 1, 3);
    rotate = number(rs.GetField("Rotate"), "Its Rotate", 0, 1);
    recordCount = number(rs.GetField("RecordCount"), "Its RecordCount", 0, 2000000000);
    lessonText = trimmed(rs.GetField("LessonPlans"));
    chunkText = trimmed(rs.GetField("BinaryFiles"));
    descriptionText = trimmed(rs.GetField("BinaryDescriptions"));
}

void TransferFile::decodeParts() {
    lessons.clear();
    attachments.clear();

    IsectRecordset rs;
    openPart(rs, lessonText, "lesson plans");
    const FXlong lessonRows = rs.recordCount;
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
        Lesson l;
        l.name = rs.GetField("LessonName");
        l.skills = rs.GetField("LessonES");
        l.objectives = rs.GetField("LessonAO");
        l.outcomes = rs.GetField("LessonSLO");
        l.intro = rs.GetField("LessonIntro");
        l.development = rs.GetField("LessonDev");
        l.closure = rs.GetField("LessonClose");
        l.resources = rs.GetField("LessonResource");
        l.reflection = rs.GetField("LessonReflect");
        l.test = rs.GetField("LessonTest");
        l.dateStart = dateLiteral(raw(rs, "DateStart"), "A lesson's DateStart");
        l.dateEnd = dateLiteral(raw(rs, "DateEnd"), "A lesson's DateEnd");
        l.timeStart = timeLiteral(raw(rs, "TimeStart"), "A lesson's TimeStart");
        l.timeEnd = timeLiteral(raw(rs, "TimeEnd"), "A lesson's TimeEnd");
        FXString day = trimmed(raw(rs, "RoutineDay"));
        l.routineDay = day == "None" ? FXString("NULL") : text(number(day, "A lesson's RoutineDay", -99, 99));
        lessons.push_back(l);
    }

    IsectRecordset chunks;
    openPart(chunks, chunkText, "attachment files");
    IsectRecordset descriptions;
    openPart(descriptions, descriptionText, "attachment descriptions");
    if (lessonRows + chunks.recordCount + descriptions.recordCount != recordCount)
        damaged("Its RecordCount does not match the rows it holds.");

    struct Row {
        FXint id, binaryId, increment;
        FXString data;
    };
    std::vector<Row> rows;
    for (chunks.MoveFirst(); !chunks.eof(); chunks.MoveNext()) {
        Row r;
        r.id = number(chunks.GetField("Id"), "An attachment chunk's Id", -2147483647, 2147483647);
        r.binaryId = number(chunks.GetField("BinaryId"), "An attachment chunk's BinaryId", -2147483647, 2147483647);
        r.increment =
            number(chunks.GetField("BinaryIncrement"), "An attachment chunk's BinaryIncrement", 0, 2147483647);
        r.data = chunks.GetField("BinaryData");
        if (!base64Characters(r.data)) damaged("An attachment chunk is not base64 text.");
        rows.push_back(r);
    }
    for (descriptions.MoveFirst(); !descriptions.eof(); descriptions.MoveNext()) {
        Attachment a;
        const FXint id = number(descriptions.GetField("Id"), "An attachment's Id", -2147483647, 2147483647);
        a.fileName = descriptions.GetField("FileName");
        a.fileSize = number(descriptions.GetField("FileSize"), "An attachment's FileSize", 0, 2147483647);
        a.description = descriptions.GetField("Description");
        // The attachment's chunks in the order of their Ids, its first chunk
        // (increment 0, the attachment's own Id) leading.
        for (const Row& r : rows) {
            if (r.binaryId != id) continue;
            if (a.chunks.empty() && (r.increment != 0 || r.id != id)) break;
            if (!a.chunks.empty() && r.increment == 0) break;
            a.chunks.push_back({r.increment, r.data});
        }
        if (a.chunks.empty()) damaged("An attachment has no data.");
        attachments.push_back(a);
    }
}

// ---------------------------------------------------------------- importing

namespace {
// A lesson as findEarlier compares it: its name and its dates as stored.
FXString lessonKey(const FXString& name, const FXString& start, const FXString& end) {
    return name + "\t" + start + "\t" + end;
}
// An SQL date literal of the file ('YYYY-MM-DD' or NULL) as rawField shows it.
FXString storedDate(const FXString& literal) { return literal == "NULL" ? FXString("None") : literal.mid(1, 10); }
}  // namespace

FXint TransferFile::findEarlier(IsectRecordset& rs, const FXString& teacherId, FXString& planName) const {
    std::vector<FXString> wanted;
    for (const Lesson& l : lessons) wanted.push_back(lessonKey(l.name, storedDate(l.dateStart), storedDate(l.dateEnd)));
    std::sort(wanted.begin(), wanted.end(), [](const FXString& a, const FXString& b) { return compare(a, b) < 0; });
    IsectRecordset units;
    query(units,
          "Select UnitPlan.Id, LongTerm.PlanName from UnitPlan left join LongTerm on LongTerm.Id = "
          "UnitPlan.FKLongTerm where UnitPlan.FKTeacher = " +
              trimmed(teacherId) + " and UnitPlan.Transfer < 0 and UnitPlan.UnitName = '" + EscapeText(unitName) +
              "' Order By UnitPlan.Id");
    for (units.MoveFirst(); !units.eof(); units.MoveNext()) {
        const FXString unit = trimmed(units.GetField("Id"));
        query(rs, "Select LessonName, DateStart, DateEnd from LessonPlan where FKUnitPlan = " + unit);
        std::vector<FXString> found;
        for (rs.MoveFirst(); !rs.eof(); rs.MoveNext())
            found.push_back(lessonKey(rs.GetField("LessonName"), transfer::rawField(rs, "DateStart").left(10),
                                      transfer::rawField(rs, "DateEnd").left(10)));
        std::sort(found.begin(), found.end(), [](const FXString& a, const FXString& b) { return compare(a, b) < 0; });
        if (found == wanted) {
            planName = units.GetField("PlanName");
            return FXIntVal(unit);
        }
    }
    return 0;
}

FXint TransferFile::import(IsectRecordset& rs, const FXString& longTermId, const FXString& teacherId,
                           Progress& progress, const FXString& replacing) const {
    IsectRecordset::Transaction transaction(rs);
    // The database deletes the unit's lessons and attachments with it.
    if (!replacing.empty()) query(rs, "Delete from UnitPlan where Id = " + trimmed(replacing));
    // A round trip of its own: every lesson and attachment names the new
    // unit's Id it answers.
    query(rs, "Select * from MakeUnitPlan('" + EscapeText(unitName) + "','" + EscapeText(unitDescription) + "'," +
                  text(unitType) + "," + trimmed(longTermId) + "," + trimmed(teacherId) + ",-1," + text(rotate) + ")");
    const FXString unit = trimmed(rs.GetField("0"));

    // Everything after goes out as one batch: no statement but an
    // attachment's first needs another's answer.  The batch's replies are
    // read as the router's limit of requests under way is reached, and the
    // first failure is thrown at the latest by Wait, before the commit, so
    // a failing statement anywhere leaves nothing of the unit behind.
    IsectRecordset::Batch batch(rs);
    auto step = [&] {
        progress.advance(1);
        if (!progress.cancelled()) return true;
        transaction.rollback();
        return false;
    };
    auto send = [&](const FXString& sql) {
        if (!batch.Add(sql)) throw PlanEditAbort();
    };

    progress.setMessage("Importing lesson plans.");
    // One statement a lesson: nine texts of up to 4 400 characters can make
    // a lesson longer than an EXECUTE BLOCK of several may be.
    for (const Lesson& l : lessons) {
        if (!step()) return 0;
        send("Select * from MakeLessonPlan('" + EscapeText(l.name) + "','" + EscapeText(l.skills) + "','" +
             EscapeText(l.objectives) + "','" + EscapeText(l.outcomes) + "','" + EscapeText(l.intro) + "','" +
             EscapeText(l.development) + "','" + EscapeText(l.closure) + "','" + EscapeText(l.resources) + "','" +
             EscapeText(l.reflection) + "','" + EscapeText(l.test) + "'," + l.dateStart + "," + l.dateEnd + "," + unit +
             "," + l.timeStart + "," + l.timeEnd + "," + l.routineDay + ")");
    }

    progress.setMessage("Importing binary files.");
    for (const Attachment& a : attachments) {
        if (!step()) return 0;
        // A round trip of its own (it waits for the batch first): the
        // attachment's Id it answers goes into every chunk that follows.
        query(rs, "Select * from MakeUnitBinary('" + EscapeText(a.fileName) + "'," + text(a.fileSize) + ",'" +
                      EscapeText(a.chunks[0].data) + "'," + unit + ")");
        const FXString attachment = trimmed(rs.GetField("0"));
        send("Update BinaryDescription Set Ready = 0, Description = '" + EscapeText(a.description) +
             "' where Id = " + attachment);
        attachments::ChunkWriter chunks(batch, attachment, unit);
        for (size_t k = 1; k < a.chunks.size(); ++k) {
            if (!step()) return 0;
            chunks.add(a.chunks[k].increment, a.chunks[k].data);
        }
        chunks.flush();
    }
    if (!batch.Wait()) throw PlanEditAbort();
    progress.setMessage("Committing binary files inside database.");
    transaction.commit();
    return FXIntVal(unit);
}

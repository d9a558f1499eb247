// The search worker's work: see SearchService.h.
#include "SearchService.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace search {

namespace {

// The change table and its triggers, made once per database.
const char* const changeTable[] = {
    "CREATE TABLE SEARCHCHANGE (ID INTEGER NOT NULL PRIMARY KEY, KIND VARCHAR(12) NOT NULL, ITEMID INTEGER NOT "
    "NULL)",
    "CREATE GENERATOR NEWSEARCHCHANGE",
};
struct Watched {
    const char* table;
    const char* kind;
};
const Watched watched[] = {
    {"LESSONPLAN", "lesson"}, {"UNITPLAN", "unit"}, {"LONGTERM", "plan"}, {"BINARYDESCRIPTION", "attachment"}};

std::string trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

long number(const std::string& s) { return atol(trimmed(s).c_str()); }

std::string joined(const std::vector<std::string>& row, size_t from, size_t to) {
    std::string text;
    for (size_t i = from; i < to && i < row.size(); ++i)
        if (!row[i].empty()) text += (text.empty() ? "" : "\n") + row[i];
    return text;
}

}  // namespace

bool readRows(const std::string& text, Rows& rows) {
    rows.clear();
    if (text.compare(0, 2, "[[") != 0) return false;
    size_t at = text.find("],\n[");
    if (at == std::string::npos) return false;
    at += 4;
    while (at < text.size()) {
        if (text[at] == ']') break;
        if (text[at] != '[') {
            ++at;
            continue;
        }
        ++at;
        std::vector<std::string> row;
        while (at < text.size() && text[at] != ']') {
            std::string value;
            if (text[at] == '\'') {
                for (++at; at < text.size() && text[at] != '\''; ++at) {
                    if (text[at] == '\\' && at + 3 < text.size() && isdigit((unsigned char)text[at + 1]) &&
                        isdigit((unsigned char)text[at + 2]) && isdigit((unsigned char)text[at + 3])) {
                        value += (char)strtol(text.substr(at + 1, 3).c_str(), nullptr, 8);
                        at += 3;
                    } else {
                        value += text[at];
                    }
                }
                ++at;
            } else {
                while (at < text.size() && text[at] != ',' && text[at] != ']') value += text[at++];
                value = trimmed(value);
                if (value == "None") value.clear();
            }
            row.push_back(value);
            if (at < text.size() && text[at] == ',') ++at;
        }
        ++at;
        rows.push_back(row);
    }
    return true;
}

std::string fromBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        const size_t v = alphabet.find(c);
        if (c == '=' || v == std::string::npos) break;
        bits = (bits << 6) | (unsigned)v;
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += (char)((bits >> count) & 0xFF);
        }
    }
    return out;
}

Service::Service(const std::string& indexDirectory, void (*log)(const char*))
    : worker_(collect_, "search"), index_(new Index(indexDirectory)), log_(log) {}

bool Service::attach(const vantry::ConnectParams& params) { return worker_.attach(params) && worker_.allocate(); }

int Service::finish() { return worker_.finish(); }

Service::~Service() = default;

void Service::note(const std::string& text) {
    if (log_) log_((text + "\n").c_str());
}

bool Service::query(const std::string& sql, Rows& rows) {
    worker_.output().clear();
    collect_.text.clear();
    const int rc = worker_.execute(sql.c_str());
    const std::string text = collect_.text + worker_.output().data();
    worker_.output().clear();
    collect_.text.clear();
    if (rc != 0) {
        note("search: " + sql.substr(0, 60) + ": " + text.substr(0, 200));
        return false;
    }
    return readRows(text, rows);
}

void Service::statement(const std::string& sql) {
    Rows rows;
    query(sql, rows);
}

void Service::start(const std::function<void()>& meanwhile) {
    Rows rows;
    query("Select Count(*) from RDB$Relations where RDB$Relation_Name = 'SEARCHCHANGE'", rows);
    if (rows.empty() || number(rows[0][0]) == 0) {
        for (const char* sql : changeTable) statement(sql);
        for (const Watched& w : watched)
            statement(std::string("CREATE TRIGGER SEARCH_") + w.table + " FOR " + w.table +
                      " ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 20 AS BEGIN INSERT INTO SEARCHCHANGE (ID, "
                      "KIND, ITEMID) VALUES (GEN_ID(NEWSEARCHCHANGE, 1), '" +
                      w.kind + "', COALESCE(NEW.ID, OLD.ID)); END");
        worker_.serve("commit", 6, 0);
        note("search: the change table and its triggers were made");
    }
    // The triggers run with the rights of whoever changed the row; a worker
    // that logs in as the school's limited user has none on the change table,
    // so each trigger is given its own.  Granting again is harmless.
    for (const Watched& w : watched) {
        const std::string trigger = std::string("TRIGGER SEARCH_") + w.table;
        statement("GRANT INSERT ON SEARCHCHANGE TO " + trigger);
        statement("GRANT USAGE ON GENERATOR NEWSEARCHCHANGE TO " + trigger);
    }
    worker_.serve("commit", 6, 0);
    if (index_->rebuilt() || index_->setting("lastChange").empty()) {
        if (index_->rebuilt()) note("search: the index was damaged and is made again from the database");
        rebuild(meanwhile);
    }
}

void Service::rebuild(const std::function<void()>& meanwhile) {
    Rows rows;
    query("Select Coalesce(Max(Id), 0) from SearchChange", rows);
    const std::string last = rows.empty() ? "0" : trimmed(rows[0][0]);
    index_->removeAll();
    for (const Watched& w : watched) {
        query(std::string("Select Id from ") + w.table, rows);
        size_t done = 0;
        for (const auto& row : rows) {
            reindex(w.kind, number(row[0]));
            if (meanwhile && ++done % 25 == 0) meanwhile();
        }
    }
    index_->setSetting("lastChange", last);
    index_->commit();
    worker_.serve("commit", 6, 0);
}

bool Service::catchUp() {
    Rows rows;
    const std::string last = index_->setting("lastChange").empty() ? "0" : index_->setting("lastChange");
    if (!query("Select Id, Kind, ItemId from SearchChange where Id > " + last + " Order By Id", rows)) return false;
    if (rows.empty()) {
        worker_.serve("commit", 6, 0);
        return true;
    }
    std::set<std::pair<std::string, long>> items;
    for (const auto& row : rows) items.insert({row[1], number(row[2])});
    for (const auto& item : items) reindex(item.first, item.second);
    index_->setSetting("lastChange", trimmed(rows.back()[0]));
    index_->commit();
    worker_.serve("commit", 6, 0);
    return true;
}

void Service::catchUpQuietly() {
    // After a failure the next rounds are skipped for a while, so that a
    // database that is away gives a note a minute, not two a second.
    if (quietPause_ > 0) {
        --quietPause_;
        return;
    }
    bool ok = false;
    try {
        ok = catchUp();
    } catch (...) {
        note("search: the index could not be read or written");
    }
    if (!ok) quietPause_ = 120;
}

void Service::reindex(const std::string& kind, long id) {
    Rows rows;
    const std::string key = std::to_string(id);
    Item item;
    item.kind = kind;
    item.id = id;
    if (kind == "lesson") {
        query(
            "Select LessonName, DateStart, FKUnitPlan, UnitPlan.FKTeacher, Teacher, Syndicate, LessonES, LessonAO, "
            "LessonSLO, LessonIntro, LessonDev, LessonClose, LessonTest, LessonResource, LessonReflect from "
            "LessonPlan, UnitPlan, Teachers where LessonPlan.FKUnitPlan = UnitPlan.Id and UnitPlan.FKTeacher = "
            "Teachers.Id and LessonPlan.Id = " +
                key,
            rows);
        if (!rows.empty()) {
            const auto& r = rows[0];
            item.title = r[0];
            item.date = r[1];
            item.unit = number(r[2]);
            item.teacher = number(r[3]);
            item.teacherName = r[4];
            item.syndicate = number(r[5]);
            item.text = joined(r, 6, r.size());
        }
    } else if (kind == "unit") {
        query(
            "Select UnitName, UnitDescription, FKTeacher, Teacher, Syndicate from UnitPlan, Teachers where "
            "FKTeacher = Teachers.Id and UnitPlan.Id = " +
                key,
            rows);
        if (!rows.empty()) {
            const auto& r = rows[0];
            item.title = r[0];
            item.text = r[1];
            item.unit = id;
            item.teacher = number(r[2]);
            item.teacherName = r[3];
            item.syndicate = number(r[4]);
        }
    } else if (kind == "plan") {
        query(
            "Select PlanName, Description, PlanStart, FKSyndicate, Teacher, Syndicate from LongTerm left join "
            "Teachers on FKSyndicate = Teachers.Id where LongTerm.Id = " +
                key,
            rows);
        if (!rows.empty()) {
            const auto& r = rows[0];
            item.title = r[0];
            item.text = r[1];
            item.date = r[2];
            item.teacher = number(r[3]);
            item.teacherName = r[4];
            item.syndicate = r[5].empty() ? item.teacher : number(r[5]);
        }
    } else if (kind == "attachment") {
        query(
            "Select FileName, Description, Ready, UnitBinary.FKUnitPlan, FKTeacher, Teacher, Syndicate from "
            "BinaryDescription, UnitBinary, UnitPlan, Teachers where UnitBinary.Id = BinaryDescription.Id and "
            "UnitBinary.FKUnitPlan = UnitPlan.Id and FKTeacher = Teachers.Id and BinaryDescription.Id = " +
                key,
            rows);
        // An attachment still being written is indexed when it is ready.
        if (!rows.empty() && number(rows[0][2]) == 0) {
            const auto r = rows[0];
            // A file that holds no text (a photo, a recording) is found by
            // its name and description; its bytes are not read.
            std::string text;
            if (mayHoldText(r[0])) {
                Rows chunks;
                query("Select BinaryData from UnitBinary where BinaryId = " + key + " Order By BinaryIncrement",
                      chunks);
                std::string base64;
                for (const auto& c : chunks) base64 += c.empty() ? "" : c[0];
                std::string why;
                text = attachmentText(r[0], fromBase64(base64), why);
                if (!why.empty()) note("search: " + why);
            }
            item.title = r[0];
            item.text = r[1] + (r[1].empty() ? "" : "\n") + text;
            item.unit = number(r[3]);
            item.teacher = number(r[4]);
            item.teacherName = r[5];
            item.syndicate = number(r[6]);
        } else {
            rows.clear();
        }
    }
    if (rows.empty())
        index_->remove(kind, id);
    else
        index_->put(item);
}

std::string Service::answer(const std::string& request) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t at; f.size() < 5 && (at = request.find('\t', start)) != std::string::npos; start = at + 1)
        f.push_back(request.substr(start, at - start));
    f.push_back(request.substr(start));
    Result result;
    if (f.size() != 6 || f[0] != "search") {
        result.message = "The search service did not understand the request.";
    } else {
        const Scope scope = f[1] == "mine" ? Scope::Mine : f[1] == "syndicate" ? Scope::Syndicate : Scope::School;
        try {
            catchUp();
            result = index_->find(f[5], scope, number(f[2]), number(f[3]), (int)number(f[4]));
        } catch (...) {
            // Xapian's errors (a full disk, a damaged file): the search says
            // so; the next start makes the index again.
            note("search: the index could not be read or written");
            result = Result();
            result.message = "The search is not available just now. Please try again later.";
        }
    }
    return replyText(result);
}

std::string Service::busyReply() const {
    Result result;
    result.message =
        "The All text search is getting ready: its index is being made again from the school's plans. Please try "
        "again in a few minutes.";
    return replyText(result);
}

std::string Service::replyText(const Result& result) {
    vantry::OutputBuffer out;
    std::string reply;
    out.setSender([&](const char* data, int length) { reply.append(data, (size_t)length); });
    out.write(
        "[[{'name':'KIND','type':'s','null':0,'width':12},{'name':'ID','type':'i','null':0,'width':4},"
        "{'name':'UNITID','type':'i','null':0,'width':4},{'name':'TEACHER','type':'s','null':1,'width':140},"
        "{'name':'DATESTART','type':'s','null':1,'width':10},{'name':'TITLE','type':'s','null':1,'width':1024},"
        "{'name':'SNIPPET','type':'s','null':1,'width':1024},{'name':'TOTAL','type':'i','null':0,'width':4}],\n[");
    auto text = [&](const std::string& s, bool last = false) {
        out.write("'");
        out.write(s.c_str(), s.size(), true);
        out.write(last ? "'" : "',");
    };
    auto integer = [&](long v) {
        const std::string s = std::to_string(v) + ",";
        out.write(s.c_str());
    };
    if (!result.message.empty()) {
        out.write("[");
        text("message");
        integer(0);
        integer(0);
        text("");
        text("");
        text(result.message);
        text("");
        out.write("0]");
    }
    for (size_t i = 0; i < result.hits.size(); ++i) {
        const Hit& h = result.hits[i];
        out.write(i ? ",\n[" : "[");
        text(h.kind);
        integer(h.id);
        integer(h.unit);
        text(h.teacherName);
        text(h.date);
        text(h.title);
        text(h.snippet);
        out.write(std::to_string(result.total).c_str());
        out.write("]");
    }
    out.write("]]\n");
    return reply + out.data();
}

}  // namespace search

#include "data/IsectRecordset.h"

#include <strings.h>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/FXTextException.h"
#include "data/ResultParser.h"
#include "isdio.h"

using namespace FX;

namespace {

// The one middleware connection of the process, shared by all recordsets.
int connection = -1;

// What the last log-in tried and why it failed, for ConnectionProblem().
struct LoginAttempt {
    bool fileFound = false;
    std::string host, service, reason;
};
LoginAttempt lastAttempt;

const char* const networkFailed = "IsectRecordset::OpenRecordset - Network connection failed.";
const char* const commitFailed = "IsectRecordset::CommitTrans - Network connection failed.";

// The lost connections so far, the words of the last one, and who hears of
// each as it happens.
FXuint lostConnections = 0;
const char* lostConnectionText = networkFailed;
void (*lostConnectionListener)() = nullptr;

void connectionLost(const char* text) {
    ++lostConnections;
    lostConnectionText = text;
    if (lostConnectionListener) lostConnectionListener();
}
// An awaited commit whose answer never came: the connection broke once the
// word was on its way, so the worker may or may not have run it.
const char* const commitUnknown =
    "IsectRecordset::CommitTrans - The connection to the database service broke while saving; the last change may "
    "not have been saved. Please check it, and make it again if it is missing.";
const char* const batchLost =
    "IsectRecordset::CommitTrans - Network connection failed before the change was saved; nothing of it was "
    "saved.";
const char* const endedInside =
    "IsectRecordset::OpenRecordset - The transaction was ended by a failure of another statement; nothing of it "
    "was kept.";

// The connection has one transaction.  The Transaction that began it owns
// it; statements and Transactions of other recordsets that run meanwhile (a
// repaint while an upload lets events run) are part of it and neither commit
// nor roll back on their own.  When one of them fails, the database has
// rolled everything back: the owner's next statement and its commit fail.
const IsectRecordset::Transaction* owner = nullptr;
// A statement that may have changed data was sent since the last "commit"
// or "rollback": the next commit waits for its answer.
bool written = false;
const IsectRecordset* ownerRecordset = nullptr;
bool brokenInside = false;
// The batch whose replies may still be under way.
IsectRecordset::Batch* openBatch = nullptr;

// A statement failed and the database rolled the transaction back: the
// owner's own statement ends its Transaction, another one breaks it.
void transactionFailed(const IsectRecordset* rs) {
    if (!owner) return;
    if (rs == ownerRecordset)
        owner = nullptr;
    else
        brokenInside = true;
}

// Logs in on first use: the connection file names the router and the service.
bool connect() {
    if (connection != -1) return true;
    std::string host, service;
    lastAttempt.fileFound = isdReadConnectionFile("Plenwick.ini", host, service);
    databaseService = service.c_str();
    connection = isdLogin(host.c_str(), service.c_str(), 2);
    lastAttempt.host = host;
    lastAttempt.service = service;
    lastAttempt.reason = connection == -1 ? isdLastError() : "";
    return connection != -1;
}

// The router rolls back what a closed connection had open.
void dropConnection() {
    if (connection != -1) isdLogout(connection);
    connection = -1;
    written = false;
}

}  // namespace

void IsectRecordset::Disconnect() { dropConnection(); }

FXbool IsectRecordset::Connect() { return connect(); }

FXbool IsectRecordset::Connected() { return connection != -1; }

FXuint IsectRecordset::LostConnections() { return lostConnections; }

FXString IsectRecordset::LostConnectionText() { return lostConnectionText; }

void IsectRecordset::SetLostConnectionListener(void (*listener)()) { lostConnectionListener = listener; }

FXString IsectRecordset::ConnectionProblem() {
    const FXString folder = FXSystem::getCurrentDirectory();
    if (!lastAttempt.fileFound)
        return "Plenwick found no Plenwick.ini in its folder " + folder +
               ".\n\nThat file tells Plenwick where the school's database service runs, for example:\n\n"
               "    [Plenwick]\n    Host=server:7100\n    DatabaseService=Plenwick\n\n"
               "Ask whoever looks after the school's server for it.";
    const FXString host = lastAttempt.host.c_str(), service = lastAttempt.service.c_str();
    const FXString reason = lastAttempt.reason.c_str();
    if (host.empty())
        return "Plenwick.ini in " + folder +
               " names no computer: the line Host= (for example Host=server:7100) is missing or empty.";
    if (reason.find("login refused") == 0)
        return "The database service \"" + service + "\" at " + host + " refused Plenwick (" + reason +
               ").\n\nCheck DatabaseService and the service key in Plenwick.ini (in " + folder +
               ") with whoever looks after the school's server.";
    return "Plenwick could not reach the database service \"" + service + "\" at " + host + " (" + reason +
           ").\n\nThe service may not be running, or Host and DatabaseService in Plenwick.ini (in " + folder +
           ") may be wrong. Ask whoever looks after the school's server to start it.";
}

// "commit" and "rollback" go out with a zeroed header (no reply wanted) and
// nothing is received for them.
FXbool IsectRecordset::sendWord(const char* word) {
    if (connection == -1) return false;
    IsdHeader header;
    memset(&header, 0, sizeof header);
    if (isdSend(connection, word, -1, &header) == -1) {
        dropConnection();
        return false;
    }
    return true;
}

// "commit" asking for its answer: the worker's echo of the word says it ran.
// The router's report of a lost transaction is thrown as it stands; a
// connection that breaks meanwhile leaves the outcome unknown.
void IsectRecordset::commitAndWait() {
    IsdHeader header;
    memset(&header, 0, sizeof header);
    isdSetReplyWanted(&header, 1);
    if (isdSend(connection, "commit", -1, &header) == -1) {
        dropConnection();
        throw FXTextException(commitUnknown);
    }
    do {
        isdSetMore(&header, -999);
        if (!isdRecv(connection, &header)) break;
    } while (isdGetMore(&header) > 0);
    if (isdGetMore(&header) != -999) return;
    if (const char* reason = isdFailureReason(connection)) throw FXTextException(reason);
    dropConnection();
    throw FXTextException(commitUnknown);
}

void IsectRecordset::CommitTrans() {
    if (!waitForBatch()) {
        // The batch's statements never reached the database for sure.
        inTransaction = 0;
        throw FXException(batchLost);
    }
    inTransaction = 0;
    if (connection == -1) return;
    if (written) {
        written = false;
        commitAndWait();
        return;
    }
    if (!sendWord("commit")) connectionLost(commitFailed);
}

void IsectRecordset::RollbackTrans() {
    inTransaction = 0;
    written = false;
    sendWord("rollback");
}

FXbool IsectRecordset::WritesData(const FXString& sql) {
    const std::string text(sql.text(), (size_t)sql.length());
    auto space = [&](size_t i) { return i < text.size() && isspace((unsigned char)text[i]); };
    auto word = [&](size_t i) {
        return i < text.size() && (isalnum((unsigned char)text[i]) || text[i] == '_' || text[i] == '$');
    };
    auto is = [&](size_t i, const char* w) { return strncasecmp(text.c_str() + i, w, strlen(w)) == 0; };
    size_t at = 0;
    while (space(at)) ++at;
    if (!is(at, "select") || word(at + 6)) return true;
    // A selectable procedure: "from" and a name followed by "(".
    for (size_t i = at + 6; i + 4 < text.size(); ++i) {
        if (!is(i, "from") || word(i - 1) || !space(i + 4)) continue;
        size_t j = i + 4;
        while (space(j)) ++j;
        const size_t name = j;
        while (word(j)) ++j;
        if (j == name) continue;
        while (space(j)) ++j;
        if (j < text.size() && text[j] == '(') return true;
    }
    return false;
}

IsectRecordset::Transaction::Transaction(IsectRecordset& rs) : rs_(rs) {
    rs_.inTransaction = 1;
    if (!owner) {
        owner = this;
        ownerRecordset = &rs_;
        brokenInside = false;
    }
}

IsectRecordset::Transaction::~Transaction() {
    try {
        rollback();
    } catch (...) {
    }
    if (owner == this) owner = nullptr;
}

void IsectRecordset::Transaction::commit() {
    if (!open()) return;
    ended_ = true;
    if (owner != this) {
        rs_.inTransaction = 0;  // the owner commits
        return;
    }
    owner = nullptr;
    if (brokenInside) {
        rs_.RollbackTrans();
        throw FXException(endedInside);
    }
    rs_.CommitTrans();
}

void IsectRecordset::Transaction::rollback() {
    if (!open()) return;
    ended_ = true;
    if (owner == this)
        owner = nullptr;
    else if (owner)
        brokenInside = true;
    rs_.RollbackTrans();
}

FXbool IsectRecordset::sendAndReceive(const FXString& sql, FXString& failure, bool withCommit) {
    failure = FXString();
    blocks.Clear();
    if (!connect()) {
        dropConnection();
        return false;
    }
    IsdHeader header;
    memset(&header, 0, sizeof header);
    isdSetReplyWanted(&header, 1);
    isdSetMore(&header, 1);
    const int sent = withCommit ? isdSendAndCommit(connection, sql.text(), -1, &header)
                                : isdSend(connection, sql.text(), -1, &header);
    if (sent == -1) {
        dropConnection();
        return false;
    }
    do {
        isdSetMore(&header, -999);
        char* data = isdRecv(connection, &header);
        if (!data) break;
        FXint length = isdGetLength(&header);
        if (length < 0) length = 0;
        blocks.AddField(data, length, true);
    } while (isdGetMore(&header) > 0);
    if (isdGetMore(&header) == -999) {
        blocks.Clear();
        // The router may report that the request failed while the
        // connection is good (the worker holding the transaction ended, a
        // time limit passed): that is a database error, not a lost network.
        if (const char* reason = isdFailureReason(connection)) {
            failure = reason;
            return false;
        }
        dropConnection();
        return false;
    }
    return true;
}

void IsectRecordset::resetResult() {
    fieldCount = 0;
    recordCount = 0;
    fieldDefs.Clear();
    rows.Clear();
}

// An error reply has no "[" in its first block; anything else is result
// text.  Malformed text leaves an empty result behind its exception.
void IsectRecordset::parseBlocks() {
    std::vector<TextBlock> parts;
    for (const FXStringRecordset::Row* row = blocks.FirstRow(); row; row = row->next)
        if (row->firstField) parts.push_back({row->firstField->value.text(), (size_t)row->firstField->value.length()});
    parseParts(parts);
}

void IsectRecordset::parseParts(const std::vector<TextBlock>& parts) {
    try {
        ParsedCounts counts = ParseResultText(parts, fieldDefs, rows);
        fieldCount = counts.fieldCount;
        recordCount = counts.recordCount;
    } catch (...) {
        resetResult();
        throw;
    }
}

namespace {
// Result text has a "[" in its first block; an error reply has none.
bool isError(const FXString& firstBlock) { return memchr(firstBlock.text(), '[', firstBlock.length()) == nullptr; }

bool firstBlockIsError(const FXStringRecordset& blocks, FXString& text) {
    const FXStringRecordset::Row* first = blocks.FirstRow();
    if (first && first->firstField)
        text = first->firstField->value;
    else
        text = FXString();
    return isError(text);
}

// A complete result ends with "]]\n", or is "[[],[]]" for a statement
// without result columns.  When fetching fails after some rows, the worker
// sends the rows and then the error lines; that reply must not pass for a
// result.
bool endsLikeResult(const FXStringRecordset& blocks) {
    FXString tail;
    for (const FXStringRecordset::Row* row = blocks.FirstRow(); row; row = row->next) {
        if (!row->firstField) continue;
        const FXString& v = row->firstField->value;
        tail = v.length() >= 7 ? v.right(7) : (tail + v).right(7);
    }
    return tail.right(3) == "]]\n" || tail == "[[],[]]";
}
}  // namespace

FXbool IsectRecordset::OpenRecordset(const FXString& sql) {
    if (!waitForBatch()) return false;
    sqlText = sql;
    loadedText = FXString();
    if (inTransaction && owner && brokenInside) {
        RollbackTrans();
        throw FXException(endedInside);
    }
    if (WritesData(sql)) written = true;
    // A read of its own goes out with its "commit" behind it: the worker
    // commits while the reply comes back.  A write's commit waits for the
    // reply, so that a change not saved is told.
    const bool withCommit = !inTransaction && !owner && !written;
    FXString failure;
    if (!sendAndReceive(sql, failure, withCommit)) {
        if (!failure.empty()) {
            // The router kept the connection but the transaction is gone (its
            // worker ended, a time limit passed): a database error like any
            // other.  The rollback tells the router the client knows.
            transactionFailed(this);
            RollbackTrans();
            resetResult();
            throw FXTextException(failure);
        }
        // The router has rolled back what the connection had open: the
        // owner of the transaction must not go on as if it were still there.
        if (owner) brokenInside = true;
        connectionLost(networkFailed);
        return false;
    }
    FXString first;
    const bool error = firstBlockIsError(blocks, first) || !endsLikeResult(blocks);
    if (error) written = false;  // the worker has rolled the transaction back
    if (!withCommit && !inTransaction && !owner) {
        resetResult();
        CommitTrans();  // waits for its answer after a write
    }
    takeReply(!withCommit);
    return true;
}

void IsectRecordset::takeReply(bool open) {
    FXString first;
    resetResult();
    if (firstBlockIsError(blocks, first)) {
        transactionFailed(this);
        if (open) RollbackTrans();
        first.trim();
        if (first.empty())
            throw FXException("IsectRecordset::OpenRecordset - The database service sent an empty reply.");
        throw DatabaseError(first);
    }
    if (!endsLikeResult(blocks)) {
        transactionFailed(this);
        if (open) RollbackTrans();
        FXString text = GetText();
        loadedText = FXString();
        FXint end = text.rfind("]]\n");
        FXString error = end >= 0 ? text.mid(end + 3, text.length()) : text.right(1024);
        error.trim();
        if (error.empty())
            throw FXException("IsectRecordset::OpenRecordset - The database service sent an incomplete reply.");
        throw DatabaseError(error);
    }
    parseBlocks();
}

// The text is kept once, in loadedText, and parsed where it lies: a
// transfer file can be many megabytes.
void IsectRecordset::OpenFromText(const FXString& text) {
    loadedText = text;
    blocks.Clear();
    resetResult();
    if (isError(loadedText)) {
        FXString first = loadedText;
        first.trim();
        // A damaged file can be large: the message shows its beginning only.
        if (first.length() > 1024) first = first.left(1024) + "...";
        if (first.empty()) first = "IsectRecordset::OpenFromText - The text holds no result.";
        throw FXTextException(first);
    }
    parseParts({{loadedText.text(), (size_t)loadedText.length()}});
}

FXString IsectRecordset::GetText() {
    // After OpenFromText the text is loadedText itself.
    if (blocks.IsEmpty()) return loadedText;
    FXint total = 0;
    for (const FXStringRecordset::Row* row = blocks.FirstRow(); row; row = row->next)
        if (row->firstField) total += row->firstField->value.length();
    loadedText.length(total);
    FXint at = 0;
    for (const FXStringRecordset::Row* row = blocks.FirstRow(); row; row = row->next)
        if (row->firstField) {
            const FXString& v = row->firstField->value;
            memcpy(&loadedText[at], v.text(), v.length());
            at += v.length();
        }
    return loadedText;
}

FieldDef IsectRecordset::FieldOrdinal(const FXString& nameOrOrdinal) {
    FXint wanted = -1;
    if (IsDigits(nameOrOrdinal)) {
        wanted = 0;
        for (FXint i = 0; i < nameOrOrdinal.length(); ++i) {
            wanted = wanted * 10 + (nameOrOrdinal[i] - '0');
            if (wanted > 100000000) break;  // no result has that many columns
        }
    }
    FXString upper = nameOrOrdinal;
    upper.upper();
    FXint position = 0;
    fieldDefs.MoveFirst();
    while (!fieldDefs.eof) {
        const FXStringRecordset::Row* row = fieldDefs.CurrentRow();
        const FXStringRecordset::Field* name = row->firstField;
        if ((name && name->value == upper) || position == wanted) {
            FieldDef def;
            def.ordinal = position;
            if (name) def.name = name->value;
            if (name && name->next) def.type = name->next->value;
            return def;
        }
        ++position;
        fieldDefs.MoveNext();
    }
    throw FXException("IsectRecordset::FieldOrdinal - Invalid field name or ordinal.");
}

FXString IsectRecordset::GetField(const FXString& nameOrOrdinal) {
    FieldDef def = FieldOrdinal(nameOrOrdinal);
    FXString value = rows.GetField(def.ordinal);
    if (def.type == "d") return DisplayDate(value);
    return value;
}

FXString IsectRecordset::GetField(FXint ordinal) { return GetField(FXStringVal(ordinal)); }

// ---------------------------------------------------------------- batches

// What the open batch sent is settled before anything else goes out on the
// connection, so that nothing runs or commits behind a failed statement.
// False when the connection was lost meanwhile.
FXbool IsectRecordset::waitForBatch() { return openBatch ? openBatch->Wait() : true; }

IsectRecordset::Batch::Batch(IsectRecordset& rs) : rs_(rs) {}

IsectRecordset::Batch::~Batch() {
    drain();
    if (openBatch == this) openBatch = nullptr;
}

// Each reply as the library reads it: the first failure is kept, in the
// words OpenRecordset would throw for that statement.
// The library numbers replies from each isdPipeWait on; the batch counts its own.
void IsectRecordset::Batch::reply(void* self, int, const char* data, int length, const char* failure) {
    Batch& b = *static_cast<Batch*>(self);
    const FXint index = b.answered_++;
    if (b.firstFailed_ >= 0) return;
    FXString text;
    bool router = false;
    if (!data) {
        text = failure ? failure : "";
        router = true;
    } else {
        FXString reply(data, length);
        if (isError(reply)) {
            text = reply;
        } else {
            const FXString tail = reply.length() >= 7 ? reply.right(7) : reply;
            if (tail.right(3) == "]]\n" || tail == "[[],[]]") return;
            FXint end = reply.rfind("]]\n");
            text = end >= 0 ? reply.mid(end + 3, reply.length()) : reply.right(1024);
        }
        text.trim();
        if (text.empty()) text = "IsectRecordset::OpenRecordset - The database service sent an incomplete reply.";
    }
    b.firstFailed_ = index;
    b.failure_ = text;
    b.routerFailure_ = router;
}

// Reads what is under way, keeping only its outcome.
void IsectRecordset::Batch::drain() {
    if (openBatch != this) return;
    if (connection == -1) {
        // Dropped meanwhile: what was under way is lost with it.
        lost_ = true;
        if (owner) brokenInside = true;
        openBatch = nullptr;
        return;
    }
    if (isdPipeWait(connection) == -1 && !lost_) {
        lost_ = true;
        if (owner) brokenInside = true;
        dropConnection();
        connectionLost(networkFailed);
    }
    if (connection != -1) isdSetPipeReply(connection, nullptr, nullptr);
    openBatch = nullptr;
}

// Throws the first failure once (rolling back, as OpenRecordset does);
// false when the connection was lost.
FXbool IsectRecordset::Batch::settle() {
    if (lost_) return false;
    if (firstFailed_ < 0 || thrown_) return true;
    thrown_ = true;
    drain();
    transactionFailed(&rs_);
    rs_.RollbackTrans();
    rs_.resetResult();
    if (routerFailure_) throw FXTextException(failure_);
    throw DatabaseError(failure_);
}

FXbool IsectRecordset::Batch::Add(const FXString& sql) {
    if (!settle()) return false;
    if (rs_.inTransaction && owner && brokenInside) {
        rs_.RollbackTrans();
        throw FXException(endedInside);
    }
    if (openBatch != this) {
        // Another batch on the connection is settled first.
        if (!waitForBatch()) return false;
        if (!connect()) {
            dropConnection();
            connectionLost(networkFailed);
            lost_ = true;
            return false;
        }
        openBatch = this;
        isdSetPipeReply(connection, &Batch::reply, this);
    }
    rs_.sqlText = sql;
    written = true;
    IsdHeader header;
    memset(&header, 0, sizeof header);
    if (isdSendPiped(connection, sql.text(), sql.length(), &header) == -1) {
        lost_ = true;
        openBatch = nullptr;
        if (owner) brokenInside = true;
        dropConnection();
        connectionLost(networkFailed);
        return false;
    }
    ++sent_;
    return settle();
}

FXbool IsectRecordset::Batch::Wait() {
    drain();
    return settle();
}

// ---------------------------------------------------------------- reads

void IsectRecordset::Reads::Add(IsectRecordset& rs, const FXString& sql) { entries_.push_back({&rs, sql, {}}); }

// Each reply as the library reads it goes into its recordset's blocks; a
// request the router reports as failed keeps the router's reason.
void IsectRecordset::Reads::reply(void* self, int, const char* data, int length, const char* failure) {
    Reads& r = *static_cast<Reads*>(self);
    if (r.answered_ >= r.entries_.size()) return;
    Entry& e = r.entries_[r.answered_++];
    if (data)
        e.rs->blocks.AddField(data, length, true);
    else
        e.failure = failure && *failure ? failure : "the worker serving the request ended";
}

FXbool IsectRecordset::Reads::Run() {
    std::vector<Entry> entries;
    entries.swap(entries_);
    if (entries.empty()) return true;
    if (!waitForBatch()) return false;
    for (Entry& e : entries) {
        if (e.rs->inTransaction && owner && brokenInside) {
            e.rs->RollbackTrans();
            throw FXException(endedInside);
        }
    }
    auto lost = [&] {
        if (owner) brokenInside = true;
        dropConnection();
        connectionLost(networkFailed);
        return false;
    };
    if (!connect()) return lost();
    bool inside = owner != nullptr;
    for (Entry& e : entries) {
        IsectRecordset& rs = *e.rs;
        rs.sqlText = e.sql;
        rs.loadedText = FXString();
        rs.blocks.Clear();
        rs.resetResult();
        if (WritesData(e.sql)) written = true;
        inside = inside || rs.inTransaction;
    }
    entries_.swap(entries);
    answered_ = 0;
    isdSetPipeReply(connection, &Reads::reply, this);
    bool sent = true;
    for (const Entry& e : entries_) {
        IsdHeader header;
        memset(&header, 0, sizeof header);
        if (isdSendPiped(connection, e.sql.text(), e.sql.length(), &header) == -1) {
            sent = false;
            break;
        }
    }
    const bool read = sent && isdPipeWait(connection) == 0;
    isdSetPipeReply(connection, nullptr, nullptr);
    entries.clear();
    entries.swap(entries_);
    if (!read) {
        for (Entry& e : entries) e.rs->blocks.Clear();
        return lost();
    }

    // The first failure, in the order sent.
    size_t failed = entries.size();
    for (size_t i = 0; i < entries.size() && failed == entries.size(); ++i) {
        FXString first;
        if (!entries[i].failure.empty() || firstBlockIsError(entries[i].rs->blocks, first) ||
            !endsLikeResult(entries[i].rs->blocks))
            failed = i;
    }
    if (failed == entries.size()) {
        if (!inside) entries.front().rs->CommitTrans();  // waits for its answer after a write
        for (Entry& e : entries) e.rs->takeReply();
        return true;
    }
    // The worker rolled back at the failure; what ran after it belongs to
    // no transaction anyone meant.
    written = false;
    for (size_t i = failed + 1; i < entries.size(); ++i) entries[i].rs->blocks.Clear();
    IsectRecordset& rs = *entries[failed].rs;
    for (size_t i = 0; i < failed; ++i) entries[i].rs->takeReply();
    if (!entries[failed].failure.empty()) {
        transactionFailed(&rs);
        rs.RollbackTrans();
        rs.blocks.Clear();
        throw FXTextException(entries[failed].failure);
    }
    rs.takeReply();  // rolls back and throws
    return true;
}
